#include "bridge/ZVGlyphTableFromFont.h"

#include "host/GSGlyphsInfo.h"

using namespace PLXlibNamespaceForZV;

namespace {

std::uint8_t categoryByte(const GSGlyph &g) {
    const std::string category = g.category().value_or("");
    const std::string sub = g.subCategory().value_or("");
    if (category == "Letter") {
#if ZV_HOST_VERSION == 2
        return sub == "Uppercase"   ? ZV_UPPERCASE
               : sub == "Lowercase" ? ZV_LOWERCASE
                                    : ZV_OTHER_LETTER;
#else
        return g.case_() == GSUppercase   ? ZV_UPPERCASE
               : g.case_() == GSLowercase ? ZV_LOWERCASE
                                          : ZV_OTHER_LETTER;
#endif
    }
    if (category == "Number")
        return sub == "Decimal Digit" ? ZV_DIGIT : ZV_OTHER;
    if (category == "Symbol")
        return sub == "Currency" ? ZV_CURRENCY : ZV_OTHER_SYMBOL;
    return ZV_OTHER;
}

} // namespace

void fill_glyph_table_from_font(const GSFont &font, ZVglyphsinfo &info) {
    const auto glyphs = font.glyphs();
    info.set_glyphs_count(static_cast<unsigned short>(glyphs.size()));
    for (const GSGlyph *g : glyphs) {
        ZVglyph_category c;
        c.category = categoryByte(*g);
        if (const std::uint32_t u = g->unicodeChar()) {
            c.unicode = u;
            c.flags = ZV_HAS_UNICODE;
        }
        std::string script;
        if (g->script())
            script = GSGlyphsInfo::scriptTagForScript(*g->script()).value_or(*g->script());
        std::string classText = "other";
        if (g->category())
            classText = (*g->category() == "Letter" && g->subCategory()) ? *g->subCategory()
                                                                         : *g->category();
        info.push_back(g->id(), g->name(), c, script, classText);
    }
}
