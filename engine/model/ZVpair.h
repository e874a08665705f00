// The common head of source pairs, model pairs and autopairs, and the step that turns a model
// pair into bounds on another pair's value.
#pragma once

#include "engine/geometry/ZVglyphs.h"
#include "engine/model/ZVgraph.h"
#include "engine/model/ZVmix.h"
#include "engine/model/ZVsimplepair.h"

#include <cstdint>
#include <vector>

class ZVmodelpair;

/// Tracking groups of a pair's facing sides packed as one value: left in the low half.
using ZVpacked_groups = std::uint32_t;

/// Packs (left group, right group).
inline ZVpacked_groups pack_groups(std::int16_t left, std::int16_t right) {
    return static_cast<std::uint16_t>(left) |
           (static_cast<ZVpacked_groups>(static_cast<std::uint16_t>(right)) << 16);
}

class ZVpair : public ZVsimplepair {
  public:
    std::int16_t left_group = 0;   ///< tracking group of the left glyph's right side
    std::int16_t right_group = 0;  ///< tracking group of the right glyph's left side
    float depth = -1073741824.0f;  ///< the smaller of the two glyphs' depths, engine units
    double priority = 1.0 / 65536; ///< weight of the pair when two contradict

    ZVpair() = default;
    explicit ZVpair(const ZVsimplepair &head) : ZVsimplepair(head) {}

    /// The pair's facing tracking groups, packed.
    ZVpacked_groups groups() const { return pack_groups(left_group, right_group); }
    /// Groups and depth from the two glyphs; a pair without depth loses its kind.
    void update_properties_from_glyphs(const PLXlibNamespaceForZV::ZVglyph &left,
                                       const PLXlibNamespaceForZV::ZVglyph &right);
    /// Narrows [value_min, value_max] so that the pair (its graph under the mix) looks neither
    /// tighter nor looser than the model; may append an upper and a lower estimate. direct: no
    /// tracking correction and a softer upper bound.
    void adjust_values(const ZVmodelpair &model, const ZVgraph &graph, const ZVtracking &tracking,
                       std::vector<float> &estimates, bool direct);
};

/// Tracking of a couple of groups: the single-group value when equal; both values with the
/// capitals group; otherwise the larger of two same-signed values fully and the smaller by a
/// quarter.
double combined_tracking(const ZVtracking &tracking, int g, int h);
/// The custom tracking of a pair's groups: 0 without a custom side (group 2 or more), the one
/// side's value, or the combined value of both.
double custom_tracking(const ZVtracking &tracking, int g1, int g2);
/// How much looser the first couple's tracking is than the second's (engine units; positive
/// tracking makes a group looser): the combined tracking of `pair`'s groups minus `model`'s.
double pair_tracking_correction(const ZVtracking &tracking, ZVpacked_groups pair,
                                ZVpacked_groups model);
