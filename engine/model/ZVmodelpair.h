// A source pair seen under one mix: its graph, and what comparisons with the other model pairs
// found.
#pragma once

#include "engine/model/ZVfeedback.h"
#include "engine/model/ZVgraph.h"
#include "engine/model/ZVsourcepair.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

/// A glyph pair packed as left | right << 16; all bits set for none.
inline constexpr std::uint32_t ZV_NO_INFLUENCER = 0xFFFFFFFF;

class ZVmodelpair : public ZVpair {
  public:
    ZVgraph graph;
    std::uint32_t influencer_min = ZV_NO_INFLUENCER; ///< model that last raised min_index
    std::uint32_t influencer_max = ZV_NO_INFLUENCER; ///< model that last raised max_index
    double mismatch = 0; ///< size of the pair's mismatch with the others
    std::uint16_t mismatch_count = 0;
    std::uint8_t too_tight = 0;
    std::uint8_t too_loose = 0;

    ZVmodelpair() = default;
    /// The source pair as a model (kind 3, bounds at its value) with its graph under the mix.
    ZVmodelpair(const ZVsourcepair &pair, const ZVmix &mix);

    /// The graph inconsistency of this pair (j) with another (k), with the excess of a model
    /// kerned tighter than the other added to the lower offset; weighted by both priorities.
    std::array<double, 3> inconsistency(const ZVmodelpair &other, bool two_way,
                                        std::pair<double, double> offsets, bool weighted) const;
    /// The message that this model lost its status, naming up to three models it contradicts.
    ZVfeedback model_removal_feedback(const ZVtracking &tracking,
                                      const std::vector<ZVmodelpair> &all) const;
    /// Appends the tracking offsets this model implies against the others of a group class
    /// (mode 0-3; other modes use all pairs); raises highest to value - value_max.
    void adjust_tracking(const std::vector<ZVmodelpair> &all, double &highest,
                         std::vector<float> &offsets, int mode);
};
