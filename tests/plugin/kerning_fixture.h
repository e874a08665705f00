// Small glyph orders and targets for the finalisation's kerning tests.
#pragma once

#include "plugin/ZVfinalkerning.h"

#include <string>

namespace zvtest {

/// n glyphs "g0", "g1", … whose engine order is the glyph order, every side groupable.
inline ZVglyphorder numbered_glyphs(int n) {
    ZVglyphorder o;
    for (int i = 0; i < n; ++i) {
        o.names.push_back("g" + std::to_string(i));
        o.glyph_id.push_back(static_cast<std::uint16_t>(i));
        o.groupable.push_back(3);
    }
    return o;
}

/// A target (l, r) of value v and frequency f.
inline ZVkerningtarget target(std::uint16_t l, std::uint16_t r, std::int32_t v, std::uint16_t f = 1,
                              bool never_dropped = false) {
    ZVkerningtarget t;
    t.pair = {l, r};
    t.value = v;
    t.frequency = f;
    t.never_dropped = never_dropped;
    return t;
}

} // namespace zvtest
