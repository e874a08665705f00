// Side-bearing edits from the glyph tab: a number for every selected glyph, or autospacing
// against a list of glyphs; the engine follows, with every composite that draws the glyph.
#include "bridge/ZVDataToGlyphs.h"

#include "host/GSUnicodeText.h"

#include <cmath>
#include <cstdio>

namespace {

// Above this magnitude a side-bearing field holds a glyph list, not a number.
constexpr double kGlyphListMagnitude = 88000;

} // namespace

std::vector<std::string> ZVDataToGlyphs::glyphListPartners(const GSFont &font,
                                                           const std::string &text) {
    std::vector<std::string> ids;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string part = text.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        const GSGlyph *g = font.glyphForName(part);
        if (!g) {
            // The whole code point of the first character, also beyond the 16-bit range.
            const std::u32string chars = decodeUTF8(part);
            if (!chars.empty()) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(chars.front()));
                g = font.glyphForUnicode(hex);
            }
        }
        if (g)
            ids.push_back(g->id());
    }
    return ids;
}

void ZVDataToGlyphs::adjustSidebearing(const ZVSidebearingField &field, std::int8_t side) {
    GSFont *font = gsfont();
    const std::vector<GSLayer *> layers = selectedLayers();
    const double v = field.doubleValue();
    if (!font || layers.empty() || std::isnan(v))
        return;
    setIgnore_observers(true);
    font->disableUpdateInterface();
    const bool glyphList = std::fabs(v) > kGlyphListMagnitude;
    const std::vector<std::string> partners =
        glyphList ? glyphListPartners(*font, field.stringValue()) : std::vector<std::string>{};
    for (GSLayer *layer : layers) {
        GSGlyph *glyph = layer ? layer->parent() : nullptr;
        if (!glyph)
            continue;
        const std::string masterId = layer->associatedMasterId();
        const bool inEngine = layer->isMasterLayer() && engineHasMaster(masterId);
        // Autospacing asks the engine of the layer's own master; a layer the engine does not
        // hold, or whose master still starts up, is left alone.
        if (glyphList && (!inEngine || isStartingUp(masterId)))
            continue;
#if ZV_HOST_VERSION == 2
        layer->setDisableUpdates();
#else
        layer->stopUpdates();
#endif
        const double current = side == 0 ? layer->LSB() : layer->RSB();
        const double delta =
            glyphList ? get_zvfont()->autospace(glyph->id(), side, partners, masterId) : v - current;
        const double target = glyphList ? current + delta : v;
        if (side == 0)
            layer->setLSB(target);
        else
            layer->setRSB(target);
#if ZV_HOST_VERSION == 2
        layer->setEnableUpdates();
#else
        layer->startUpdates();
#endif
        if (!inEngine)
            continue;
        if (!glyphList) {
            const std::string id = glyph->id();
            updateEngineMaster(masterId, [this, id, side, delta, masterId] {
                get_zvfont()->adjust_sidebearing(id, side, delta, masterId);
            });
        }
        remeasureComposites(glyph, masterId);
    }
    font->enableUpdateInterface();
    unignoreObserversAfterDelay();
}
