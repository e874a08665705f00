// Shared steps of the comparisons between two model pairs of a set.
#pragma once

#include "engine/model/ZVgraph.h"
#include "engine/model/ZVpair.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace zvcouple {

/// 9/7: how far the lower offset moves with a model kerned tighter than the other.
inline constexpr double kTightExcess = 1.2857142857142856;

/// The lower-offset excess of a pair j kerned tighter than k.
inline double tight_excess(const ZVpair &j, const ZVpair &k) {
    return j.value < 0 && j.value < k.value
               ? (j.value - std::min(static_cast<double>(k.value), 0.0)) * kTightExcess
               : 0;
}

/// Offsets of a one-way comparison of j against k: the group tracking difference of k against
/// j (none for the same groups or without tracking), with j's tight excess on the lower side.
inline std::pair<double, double> offsets(const ZVtracking &t, const ZVpair &j, const ZVpair &k) {
    double lo = 0, hi = 0;
    const bool same = (j.left_group == k.left_group && j.right_group == k.right_group) ||
                      (j.left_group == k.right_group && j.right_group == k.left_group);
    if (!same && !t.values.empty()) {
        const double d = pair_tracking_correction(t, k.groups(), j.groups());
        if (d > 0)
            hi = d;
        if (d < 0)
            lo = d;
    }
    lo += tight_excess(j, k);
    return {lo, hi};
}

/// Moves a row index to the last row before the breadths reach the limit, by at most max_steps.
inline void advance_index(std::int32_t &index, const std::vector<float> &b, float limit,
                          std::int64_t max_steps = INT64_MAX) {
    const auto count = static_cast<std::int64_t>(b.size());
    const std::int64_t i = index;
    if (i < 0 || i + 1 >= count || !(b[i + 1] < limit))
        return;
    std::int64_t p = i + 1;
    while (p + 1 < count && b[p + 1] < limit && p + 1 - i <= max_steps)
        ++p;
    index = static_cast<std::int32_t>(p);
}

/// Clears a graph's six row limits.
inline void unset_limits(ZVgraph &g) {
    g.min_index = g.max_index = g.min_index_peak = g.max_index_peak = g.min_limit_index =
        g.max_limit_index = ZV_UNLIMITED_ROW;
}

} // namespace zvcouple
