#include "engine/model/ZVmodelpair.h"

#include "engine/model/ZVcouple.h"
#include "engine/model/ZVgraph_cache.h"

#include <algorithm>
#include <cmath>

namespace {

bool groups_are(int g1, int g2, int a, int b) {
    return (g1 == a && g2 == b) || (g1 == b && g2 == a);
}

} // namespace

ZVmodelpair::ZVmodelpair(const ZVsourcepair &pair, const ZVmix &mix)
    : ZVpair(pair), graph(zvgraphcache::graph(pair.current_source(), mix)) {
    properties.set_kind(ZV_MODEL);
    value_min = value_max = value;
}

std::array<double, 3> ZVmodelpair::inconsistency(const ZVmodelpair &other, bool two_way,
                                                 std::pair<double, double> offsets,
                                                 bool weighted) const {
    offsets.first += zvcouple::tight_excess(*this, other);
    auto result = graph.inconsistency(other.graph, two_way, offsets);
    if (weighted && result[0] != 0) {
        const double w = priority + other.priority;
        result[0] *= w;
        result[1] *= w;
    }
    return result;
}

ZVfeedback ZVmodelpair::model_removal_feedback(const ZVtracking &tracking,
                                               const std::vector<ZVmodelpair> &all) const {
    ZVfeedback feedback;
    feedback.type = ZVfeedback::model_status_removed;
    feedback.urgency = mismatch;
    feedback.pairs.push_back(*this);

    auto as_class = [](int g) { return g == 1 ? 0 : g; };
    std::vector<std::pair<double, std::size_t>> kept;
    for (std::size_t pos = 0; pos < all.size(); ++pos) {
        const ZVmodelpair &o = all[pos];
        if (o.indices == indices)
            continue;
        const ZVmodelpair &T = value <= o.value ? *this : o;
        const ZVmodelpair &L = value <= o.value ? o : *this;
        const int t1 = T.left_group, t2 = T.right_group, l1 = L.left_group, l2 = L.right_group;
        if (!tracking.compare_all) {
            const int ta = as_class(t1), tb = as_class(t2), la = as_class(l1), lb = as_class(l2);
            if (std::min(ta, tb) != std::min(la, lb) || std::max(ta, tb) != std::max(la, lb))
                continue;
        }
        ZVcomparison record;
        if (!groups_are(t1, t2, l1, l2) && !tracking.values.empty()) {
            const double c = pair_tracking_correction(tracking, L.groups(), T.groups());
            if (c > 0)
                record.offset_hi = c;
            if (c < 0)
                record.offset_lo = c;
        }
        record.offset_lo += zvcouple::tight_excess(T, L);
        compare_graph_profiles(record, T.graph, L.graph);
        double diff = record.lo > ZV_TOLERANCE ? record.lo : 0;
        if (record.hi < -ZV_TOLERANCE)
            diff = record.hi;
        if (diff != 0)
            kept.emplace_back(std::fabs(diff), pos);
    }
    std::sort(kept.begin(), kept.end(), [](const auto &a, const auto &b) {
        return a.first != b.first ? a.first > b.first : a.second > b.second;
    });
    for (const auto &[size, pos] : kept) {
        if (feedback.pairs.size() >= 4)
            break;
        feedback.pairs.push_back(all[pos]);
    }
    feedback.pair_is_too_tight = too_tight ? (too_loose ? -1 : 1) : 0;
    return feedback;
}

void ZVmodelpair::adjust_tracking(const std::vector<ZVmodelpair> &all, double &highest,
                                  std::vector<float> &offsets, int mode) {
    const int g1 = left_group, g2 = right_group;
    int other_group = 0;
    switch (mode) {
    case 0:
        if (!groups_are(g1, g2, 0, 1))
            return;
        break;
    case 1:
        if ((g1 == 1) == (g2 == 1))
            return;
        other_group = g1 == 1 ? g2 : g1;
        break;
    case 2:
    case 3:
        if (g1 != 1 || g2 != 1)
            return;
        break;
    default:
        break;
    }
    auto uses = [&](const ZVmodelpair &o) {
        switch (mode) {
        case 0:
        case 3:
            return o.left_group == 0 && o.right_group == 0;
        case 1:
            return groups_are(o.left_group, o.right_group, other_group, 0);
        case 2:
            return o.left_group + o.right_group == 1;
        default:
            return true;
        }
    };

    value_min = ZV_NO_LOWER_BOUND;
    value_max = ZV_NO_VALUE;
    const std::size_t first_estimate = offsets.size();
    const ZVtracking no_tracking;
    for (const ZVmodelpair &o : all)
        if (o.indices != indices && uses(o))
            adjust_values(o, graph, no_tracking, offsets, true);
    for (std::size_t i = first_estimate; i < offsets.size(); ++i)
        offsets[i] = value - offsets[i];
    offsets.push_back(value - value_min);
    offsets.push_back(value - value_max);
    highest = std::max(highest, static_cast<double>(value - value_max));
}
