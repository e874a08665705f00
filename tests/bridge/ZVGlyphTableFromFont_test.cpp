#include "bridge/ZVGlyphTableFromFont.h"
#include "host/testing/GSFontBuilder.h"

#include <gtest/gtest.h>

using namespace PLXlibNamespaceForZV;
using zvtesting::GSFontBuilder;

TEST(GlyphTableFromFont, ClassifiesLikeTheHostsGlyphDatabase) {
    struct Case {
        const char *name, *unicode, *category, *subCategory, *script;
        std::uint8_t byte;
        const char *scriptTag; // the OpenType tag, or the name when the host knows no tag
    } cases[] = {
        {"A", "0041", "Letter", "Uppercase", "latin", ZV_UPPERCASE, "latn"},
        {"a", "0061", "Letter", "Lowercase", "latin", ZV_LOWERCASE, "latn"},
        {"a.sc", "", "Letter", "Smallcaps", "latin", ZV_OTHER_LETTER, "latn"},
        {"alef", "05D0", "Letter", "", "hebrew", ZV_OTHER_LETTER, "hebr"},
        {"one", "0031", "Number", "Decimal Digit", "", ZV_DIGIT, ""},
        {"onehalf", "00BD", "Number", "Fraction", "", ZV_OTHER, ""},
        {"dollar", "0024", "Symbol", "Currency", "", ZV_CURRENCY, ""},
        {"at", "0040", "Symbol", "", "", ZV_OTHER_SYMBOL, ""},
        {"x.unknown", "", "", "", "runic-ish", ZV_OTHER, "runic-ish"},
    };
    GSFontBuilder b;
    b.master("Regular");
    for (const Case &c : cases) {
        auto g = b.glyph(c.name);
        if (*c.unicode)
            g.unicode(c.unicode);
        if (*c.category)
            g.category(c.category, c.subCategory);
        if (*c.script)
            g.script(c.script);
    }
    ZVglyphsinfo info;
    fill_glyph_table_from_font(b.font(), info);
    ASSERT_EQ(info.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(info._id_for_index[i], std::string("id-") + c.name);
        EXPECT_EQ(info._category_for_index[i].category, c.byte);
        EXPECT_EQ((info._category_for_index[i].flags & ZV_HAS_UNICODE) != 0, *c.unicode != '\0');
        if (*c.unicode) {
            EXPECT_EQ(info._category_for_index[i].unicode, std::stoul(c.unicode, nullptr, 16));
        }
        if (*c.scriptTag) {
            EXPECT_EQ(info.int_for_script.count(c.scriptTag), 1u);
        }
    }
}
