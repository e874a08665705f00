// The demo font's side profiles and pairs measured on them, for the spacing-model tests.
#pragma once

#include "demo_font.h"
#include "engine/model/ZVmodelpair.h"
#include "engine/model/ZVsourcepair.h"

namespace zvtest {

struct DemoGlyphs {
    DemoFont font = make_demo_font();
    PLXlibNamespaceForZV::ZVglyphs glyphs = build_glyphs(font);

    std::uint16_t index(const char *name) const { return font.info.index_for_glyph_name(name); }
    const PLXlibNamespaceForZV::ZVglyph &operator[](const char *name) const {
        return glyphs.glyphs.at(index(name));
    }
    unsigned n() const { return static_cast<unsigned>(glyphs.max_width); }

    /// A source pair of two demo glyphs at a value (a model).
    ZVsourcepair source_pair(const char *l, const char *r, float value) const {
        ZVsimplepair head;
        head.indices = {index(l), index(r)};
        head.value = head.value_min = head.value_max = value;
        head.frequency = ZV_UNKNOWN_FREQUENCY;
        head.properties.set_kind(ZV_MODEL);
        return ZVsourcepair(head, (*this)[l], (*this)[r], n());
    }
    ZVminipair mini(const char *l, const char *r, float value) const {
        return {index(l), index(r), value};
    }
};

/// Built once: measuring is the slow part.
inline const DemoGlyphs &demo_glyphs() {
    static const DemoGlyphs d;
    return d;
}

/// A plausible mix with no tracking.
inline ZVmix test_mix() {
    ZVmix m;
    m.weights = {0.3, 0.4, 0.5, 0.2};
    return m;
}

} // namespace zvtest

#include "engine/model/ZVmodels.h"

namespace zvtest {

/// Twelve models of the demo font: straight, round, capitals and a few diagonals.
inline std::vector<ZVminipair> demo_models(const DemoGlyphs &d) {
    return {d.mini("n", "n", 0),   d.mini("o", "o", -6),  d.mini("n", "o", -3),
            d.mini("o", "n", -3),  d.mini("l", "l", 4),   d.mini("n", "l", 2),
            d.mini("H", "H", 0),   d.mini("H", "O", -4),  d.mini("O", "H", -4),
            d.mini("T", "o", -45), d.mini("V", "o", -30), d.mini("o", "v", -8)};
}

/// The demo models measured and fitted, built once (the fit is slow).
inline const ZVmodels &fitted_demo_models() {
    static const ZVmodels m = [] {
        ZVmodels models(demo_models(demo_glyphs()));
        models.update_glyphs(demo_glyphs().glyphs);
        models.determine_mix_and_modelpairs(true);
        return models;
    }();
    return m;
}

} // namespace zvtest
