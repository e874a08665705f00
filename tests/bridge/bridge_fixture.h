// Fonts for the bridge tests: the demo letters as a host font with any masters, opened as a
// document with a bridge bound in its temporary data.
#pragma once

#include "bridge/ZVDataFromGlyphs.h"
#include "demo_font.h"
#include "host/testing/GSFontBuilder.h"

#include <memory>
#include <string>
#include <vector>

namespace zvbridgetest {

/// Adds the demo font's letters, figures and punctuation (drawn in code, 1000 units per em) to a
/// builder whose masters are made already; every master gets the same outlines.
inline void addDemoGlyphs(zvtesting::GSFontBuilder &b) {
    using namespace PLXlibNamespaceForZV;
    const zvtest::DemoFont demo = zvtest::make_demo_font();
    for (std::size_t i = 0; i < demo.outlines.size(); ++i) {
        const PLXglyph &o = demo.outlines[i];
        const ZVglyph_category &c = demo.info._category_for_index[i];
        auto g = b.glyph(o.name).width(o.masters[0].advance.x);
        if (c.flags & ZV_HAS_UNICODE) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%04X", c.unicode);
            g.unicode(hex);
        }
        switch (c.category) {
        case ZV_UPPERCASE:
            g.category("Letter", "Uppercase").script("latin");
            break;
        case ZV_LOWERCASE:
            g.category("Letter", "Lowercase").script("latin");
            break;
        case ZV_DIGIT:
            g.category("Number", "Decimal Digit");
            break;
        case ZV_CURRENCY:
            g.category("Symbol", "Currency");
            break;
        default:
            g.category("Punctuation");
        }
        for (const PLXcontour &contour : o.masters[0].contours) {
            std::vector<GSNode> nodes;
            int offs = 0;
            for (const PLXpoint &p : contour.points) {
                const bool off = p.type == PLX_CUBIC_OFFCURVE || p.type == PLX_QUADRATIC_OFFCURVE;
                const char type = off                               ? 'A'
                                  : p.type == PLX_QUADRATIC_ONCURVE ? '$'
                                  : offs > 0                        ? 'C'
                                                                    : 'L';
                offs = off ? offs + 1 : 0;
                nodes.emplace_back(NSPoint{p.x, p.y}, type);
            }
            g.path(nodes);
        }
    }
}

/// Binds a new bridge to the document's font, as the plug-in does ("ZVData").
inline std::shared_ptr<ZVDataFromGlyphs> bind(GSDocument &document) {
    auto bridge = std::make_shared<ZVDataFromGlyphs>(document.font());
    document.font()->setTempData(bridge, ZVDataFromGlyphs::ZVDataKey);
    return bridge;
}

/// A bridge bound to the document, its font inspected and its engine built.
inline std::shared_ptr<ZVDataFromGlyphs> built(GSDocument &document) {
    auto bridge = bind(document);
    bridge->inspectGSFont();
    bridge->initZVfont();
    return bridge;
}

/// "left right" entries of a stored pair list.
inline PlistValue pairList(std::initializer_list<const char *> entries) {
    PlistArray a;
    for (const char *e : entries)
        a.emplace_back(e);
    return PlistValue(a);
}

} // namespace zvbridgetest
