// Masters of the demo font (x-height 500, 24 glyphs) for the font-engine tests.
#pragma once

#include "demo_font.h"
#include "engine/font/ZVfont.h"
#include "engine/font/ZVfontMM.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace zvtest {

/// The demo font's glyph table and outlines, with glyph indices by name.
struct FontFixture {
    DemoFont font = make_demo_font();

    std::uint16_t index(const char *name) const { return font.info.index_for_glyph_name(name); }
    ZVminipair mini(const char *l, const char *r, float value) const {
        return {index(l), index(r), value};
    }
    /// A fresh copy of the outlines (the master scales them in place).
    std::vector<PLXglyph> outlines() const { return font.outlines; }

    /// Twelve models in font units: straight, round, capitals and diagonals.
    std::vector<ZVminipair> models() const {
        return {mini("n", "n", 0),  mini("o", "o", -12), mini("n", "o", -6),  mini("o", "n", -6),
                mini("l", "l", 8),  mini("n", "l", 4),   mini("H", "H", 0),   mini("H", "O", -8),
                mini("O", "H", -8), mini("T", "o", -90), mini("V", "o", -60), mini("o", "v", -16)};
    }
    /// Every pair of two glyphs with outlines, frequencies varying with the pair.
    ZVfeatures features() const {
        ZVfeatures f;
        const auto n = static_cast<std::uint16_t>(font.outlines.size());
        for (std::uint16_t l = 0; l < n; ++l)
            for (std::uint16_t r = 0; r < n; ++r)
                if (font.info._glyph_name_for_index[l] != "space" &&
                    font.info._glyph_name_for_index[r] != "space")
                    f.indices_with_frequency.push_back(
                        {{l, r}, static_cast<std::uint16_t>(20 + (l * 37 + r * 11) % 900)});
        return f;
    }
    /// A self-kerned master with the models and the given independent pairs.
    ZVfont self_kerned(const std::vector<ZVminipair> &independents = {},
                       const std::string &id = "m") const {
        std::vector<PLXglyph> o = outlines();
        std::vector<ZVminipair> m = models();
        return ZVfont(id, o, font.info, m, independents, font.cap_height, font.x_height);
    }
    /// A self-kerned master after its first run.
    ZVfont processed(const std::vector<ZVminipair> &independents = {}) const {
        ZVfont f = self_kerned(independents);
        f.initial_processing(font.info, {}, features(), true);
        return f;
    }
};

/// A master's flat kerning as (left, right, value) triples, in list order.
inline std::vector<std::tuple<int, int, float>> flat(ZVfontMM &mm, const std::string &id) {
    std::vector<std::tuple<int, int, float>> out;
    for (const auto &list : mm.get_single_master_flat_kerning(id).lists)
        for (const ZVsimplepair &p : list)
            out.emplace_back(p.indices.first, p.indices.second, p.value);
    return out;
}

/// Every value of a master's flat kerning is finite and smaller in magnitude than the wider of
/// its two glyphs' advance widths: a value outside that is a fault, never a result.
inline void expect_sane_flat_kerning(ZVfont &f, const ZVcache &kerning) {
    const auto advance = [&](std::uint16_t g) {
        return g < f.glyphs.glyphs.size() ? f.glyphs.glyphs[g].width * f.unit_factor() : 0.0;
    };
    for (const auto &list : kerning.lists)
        for (const ZVsimplepair &p : list) {
            const double limit = std::max(advance(p.indices.first), advance(p.indices.second));
            EXPECT_TRUE(std::isfinite(p.value) && std::fabs(p.value) < limit)
                << "pair " << p.indices.first << "+" << p.indices.second << " kerned "
                << p.value << " (advance widths up to " << limit << ")";
        }
}
inline void expect_sane_flat_kerning(ZVfontMM &mm, const std::string &id) {
    const ZVcache &kerning = mm.get_single_master_flat_kerning(id);
    expect_sane_flat_kerning(mm.get_master(id), kerning);
}
/// The same for a master outside a manager, with its cache made current as a write would.
inline void expect_sane_flat_kerning(ZVfont &f) {
    if (f.status != ZVfont::interpolated)
        f.freshen_cache();
    expect_sane_flat_kerning(f, f.cache);
}

inline const FontFixture &font_fixture() {
    static const FontFixture f;
    return f;
}

} // namespace zvtest
