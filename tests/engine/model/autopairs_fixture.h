// Frequent pairs of the demo font and an autopair set built on the fitted demo models.
#pragma once

#include "engine/model/ZVautopairs.h"
#include "model_fixture.h"

namespace zvtest {

/// Every pair of the demo glyphs with an outline, with frequencies that vary with the pair.
inline ZVfeatures demo_features(const DemoGlyphs &d) {
    ZVfeatures f;
    const auto n = static_cast<std::uint16_t>(d.glyphs.glyphs.size());
    for (std::uint16_t l = 0; l < n; ++l)
        for (std::uint16_t r = 0; r < n; ++r)
            f.indices_with_frequency.push_back(
                {{l, r}, static_cast<std::uint16_t>(20 + (l * 37 + r * 11) % 900)});
    return f;
}

/// A cache for the demo font in font units (x-height 500).
inline ZVcache demo_cache(const DemoGlyphs &d) {
    ZVcache c;
    c.lists.resize(d.glyphs.glyphs.size());
    c.scale = 500.0 / 225;
    c.valid = true;
    return c;
}

/// The demo set: fitted models, no independent or stored pairs.
inline ZVautopairs demo_autopairs(const ZVmodels &models, const DemoGlyphs &d,
                                  const std::vector<ZVsimplepair> &independents = {},
                                  const std::vector<ZVminipair> &stored = {}) {
    return ZVautopairs(models, d.glyphs, independents, stored, demo_features(d), d.font.info);
}

} // namespace zvtest
