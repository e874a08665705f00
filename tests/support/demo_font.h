// Small fonts drawn in code: a readable Latin sample and a large synthetic one for benchmarks.
// Units: 1000 per em, x-height 500, cap height 700.
#pragma once

#include "engine/geometry/PLXglyph.h"
#include "engine/geometry/ZVglyphsinfo.h"
#include "glyph_pen.h"

#include <string>
#include <vector>

namespace zvtest {

struct DemoFont {
    PLXlibNamespaceForZV::ZVglyphsinfo info;
    std::vector<PLXglyph> outlines;
    int x_height = 500;
    int cap_height = 700;

    /// Adds a glyph to the table and returns its (empty) outline to draw into.
    PLXglyph &add(const std::string &name, std::uint32_t unicode, std::uint8_t category,
                  double width) {
        PLXlibNamespaceForZV::ZVglyph_category c;
        c.unicode = unicode;
        c.flags = unicode ? PLXlibNamespaceForZV::ZV_HAS_UNICODE : 0;
        c.category = category;
        info.push_back("id-" + name, name, c,
                       category == PLXlibNamespaceForZV::ZV_DIGIT ? "" : "latn", "");
        outlines.push_back(make_glyph("id-" + name, name, width));
        return outlines.back();
    }
};

/// A stem-and-bowl Latin sample: capitals, lowercase, figures and punctuation.
inline DemoFont make_demo_font() {
    using namespace PLXlibNamespaceForZV;
    DemoFont f;
    f.info.set_glyphs_count(24);
    add_rect(f.add("H", 'H', ZV_UPPERCASE, 720), 80, 0, 170, 700);
    add_rect(f.outlines.back(), 550, 0, 640, 700);
    add_rect(f.outlines.back(), 170, 320, 550, 400);
    add_rect(f.add("I", 'I', ZV_UPPERCASE, 260), 85, 0, 175, 700);
    GlyphPen(f.add("T", 'T', ZV_UPPERCASE, 600))
        .move_to(255, 0)
        .line_to(345, 0)
        .line_to(345, 620)
        .line_to(580, 620)
        .line_to(580, 700)
        .line_to(20, 700)
        .line_to(20, 620)
        .line_to(255, 620);
    GlyphPen(f.add("V", 'V', ZV_UPPERCASE, 660))
        .move_to(290, 0)
        .line_to(370, 0)
        .line_to(650, 700)
        .line_to(560, 700)
        .line_to(330, 110)
        .line_to(100, 700)
        .line_to(10, 700);
    GlyphPen(f.add("A", 'A', ZV_UPPERCASE, 660))
        .move_to(10, 0)
        .line_to(100, 0)
        .line_to(330, 590)
        .line_to(560, 0)
        .line_to(650, 0)
        .line_to(370, 700)
        .line_to(290, 700);
    add_ellipse(f.add("O", 'O', ZV_UPPERCASE, 760), 380, 350, 340, 360);
    add_rect(f.add("n", 'n', ZV_LOWERCASE, 560), 70, 0, 155, 500);
    GlyphPen(f.outlines.back())
        .move_to(405, 0)
        .line_to(490, 0)
        .line_to(490, 360)
        .curve_to(490, 460, 420, 510, 320, 510)
        .curve_to(240, 510, 180, 470, 155, 420)
        .line_to(155, 330)
        .curve_to(185, 400, 240, 435, 300, 435)
        .curve_to(370, 435, 405, 400, 405, 330);
    add_ellipse(f.add("o", 'o', ZV_LOWERCASE, 560), 280, 250, 230, 260);
    add_rect(f.add("p", 'p', ZV_LOWERCASE, 570), 70, -220, 155, 500);
    add_ellipse(f.outlines.back(), 320, 250, 200, 255);
    add_rect(f.add("l", 'l', ZV_LOWERCASE, 240), 75, 0, 165, 740);
    GlyphPen(f.add("v", 'v', ZV_LOWERCASE, 520))
        .move_to(220, 0)
        .line_to(300, 0)
        .line_to(510, 500)
        .line_to(425, 500)
        .line_to(260, 90)
        .line_to(95, 500)
        .line_to(10, 500);
    add_ellipse(f.add("zero", '0', ZV_DIGIT, 560), 280, 350, 220, 360);
    add_rect(f.add("one", '1', ZV_DIGIT, 560), 240, 0, 330, 700);
    add_rect(f.add("period", '.', ZV_OTHER, 250), 80, 0, 170, 90);
    GlyphPen(f.add("comma", ',', ZV_OTHER, 250))
        .move_to(80, -150)
        .line_to(140, -150)
        .line_to(170, 90)
        .line_to(80, 90);
    add_rect(f.add("hyphen", '-', ZV_OTHER, 340), 50, 230, 290, 300);
    GlyphPen(f.add("parenleft", '(', ZV_OTHER, 300))
        .move_to(190, -160)
        .line_to(260, -160)
        .qcurve_to({{110, 50}, {110, 490}}, 260, 740)
        .line_to(190, 740)
        .qcurve_to({{30, 490}, {30, 50}}, 190, -160);
    GlyphPen(f.add("parenright", ')', ZV_OTHER, 300))
        .move_to(40, -160)
        .line_to(110, -160)
        .qcurve_to({{270, 50}, {270, 490}}, 110, 740)
        .line_to(40, 740)
        .qcurve_to({{190, 490}, {190, 50}}, 40, -160);
    GlyphPen(f.add("quoteright", 0x2019, ZV_OTHER, 250))
        .move_to(70, 480)
        .line_to(130, 480)
        .line_to(180, 700)
        .line_to(90, 700);
    add_rect(f.add("dollar", '$', ZV_CURRENCY, 560), 250, -80, 310, 780);
    add_ellipse(f.outlines.back(), 280, 350, 200, 330);
    f.add("space", ' ', ZV_OTHER, 250);
    return f;
}

/// n glyphs of realistic size and variety: stems, bowls, diagonals, descenders and ascenders.
inline DemoFont make_synthetic_font(int n) {
    using namespace PLXlibNamespaceForZV;
    DemoFont f;
    f.info.set_glyphs_count(static_cast<unsigned short>(n));
    for (int i = 0; i < n; ++i) {
        const double w = 400 + (i * 37) % 400;
        const double top = (i % 3 == 0) ? 700 : (i % 3 == 1 ? 500 : 740);
        const double bottom = (i % 7 == 0) ? -220 : 0;
        const std::uint8_t category = i % 3 == 0 ? ZV_UPPERCASE : ZV_LOWERCASE;
        PLXglyph &g = f.add("g" + std::to_string(i), 0xE000 + i, category, w);
        switch (i % 4) {
        case 0: // stem and bowl
            add_rect(g, 60, bottom, 145, top);
            add_ellipse(g, w * 0.55, top * 0.36, w * 0.38, top * 0.36);
            break;
        case 1: // diagonal
            GlyphPen(g)
                .move_to(20, bottom)
                .line_to(100, bottom)
                .line_to(w - 20, top)
                .line_to(w - 100, top);
            break;
        case 2: // round with a counter
            add_ellipse(g, w / 2, top / 2, w / 2 - 30, top / 2);
            add_ellipse(g, w / 2, top / 2, w / 2 - 110, top / 2 - 80);
            break;
        default: // arch with quadratic shoulders
            GlyphPen(g)
                .move_to(60, bottom)
                .line_to(140, bottom)
                .qcurve_to({{140, top * 0.9}, {w * 0.5, top}}, w - 140, top * 0.8)
                .line_to(w - 140, 0)
                .line_to(w - 60, 0)
                .line_to(w - 60, top * 0.85)
                .qcurve_to({{w - 60, top + 20}, {w * 0.5, top + 20}}, 60, top * 0.9);
        }
    }
    return f;
}

} // namespace zvtest

#include "engine/geometry/ZVglyphs.h"
#include <cmath>

namespace zvtest {

/// The font's side profiles at engine scale (x-height 225 units).
inline PLXlibNamespaceForZV::ZVglyphs build_glyphs(DemoFont font) {
    const double unit_scale = 225.0 / font.x_height;
    return PLXlibNamespaceForZV::ZVglyphs(
        font.outlines, font.info, unit_scale,
        static_cast<int>(std::ceil(font.cap_height * unit_scale)));
}

} // namespace zvtest
