// Checks of measurements against first principles, shared by the measurement tests.
#pragma once

#include "engine/geometry/ZVglyphs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace zvtest {

/// The nearest couple of ink rows of two facing sides, the left one shifted by value: the
/// distance the partner search must find, by looking at every couple.
inline double brute_force_closest(const PLXlibNamespaceForZV::ZVprofile &a,
                                  const PLXlibNamespaceForZV::ZVprofile &b, double value) {
    using PLXlibNamespaceForZV::ZV_NO_INK;
    double best = std::numeric_limits<double>::max();
    for (std::size_t i = 0; i < a.rows(); ++i) {
        if (a.depths[i] == ZV_NO_INK)
            continue;
        for (std::size_t j = 0; j < b.rows(); ++j) {
            if (b.depths[j] == ZV_NO_INK)
                continue;
            const double dy =
                (a.first_row + static_cast<double>(i)) - (b.first_row + static_cast<double>(j));
            const double g = std::max(a.depths[i] + value + b.depths[j], 0.0);
            best = std::min(best, dy * dy + g * g);
        }
    }
    return std::sqrt(best);
}

/// The glyph mirrored left to right: its sides swap.
inline PLXlibNamespaceForZV::ZVglyph mirrored(const PLXlibNamespaceForZV::ZVglyph &g) {
    PLXlibNamespaceForZV::ZVglyph m = g;
    std::swap(m.left, m.right);
    std::swap(m.left_zone, m.right_zone);
    return m;
}

} // namespace zvtest
