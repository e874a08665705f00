// A model mix: per-group tracking and the four weights that blend a pair's measures; and the mix
// under evaluation with the results of testing the models against it.
#pragma once

#include "engine/model/ZVsimplepair.h"

#include <array>
#include <cstdint>
#include <vector>

/// Tracking per group (engine units): [0] standard, [1] capitals, figures and currency, 2 and up
/// custom groups. Missing entries and the No kerning group (-1) read as 0.
struct ZVtracking {
    std::vector<float> values;  ///< one per group
    std::vector<float> singles; ///< one per group, when both sides are in that group
    std::uint8_t compare_all = 0;

    /// values[g], 0 for a group outside the vector.
    float value(int g) const {
        return g >= 0 && static_cast<std::size_t>(g) < values.size() ? values[g] : 0.f;
    }
    /// singles[g], 0 for a group outside the vector.
    float single(int g) const {
        return g >= 0 && static_cast<std::size_t>(g) < singles.size() ? singles[g] : 0.f;
    }
};

/// The tracking and the weights w0..w3, each in [0, 1].
struct ZVmix : ZVtracking {
    std::array<double, 4> weights{0, 0, 0, 0};
};

/// Marks an empty worst-pair slot.
inline ZVsimplepair empty_worst_pair() {
    ZVsimplepair p;
    p.indices = {65535, 65535};
    return p;
}

/// A mix with the results of evaluating it; cost 2^30 means not evaluated.
struct ZVmixmanager : ZVmix {
    std::uint8_t tracking_fixed = 0;
    double cost = 1073741824.0;
    double cost2 = 1073741824.0;
    double overlap_sum = 0;
    std::int32_t comparisons = 0;
    ZVsimplepair worst_first = empty_worst_pair();
    ZVsimplepair worst_second = empty_worst_pair();
};
