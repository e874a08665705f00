// Tracking determination of a model-pair set: the capitals' tracking from statistics of the
// model pairs, the custom groups' tracking from the constraint solver, and the row limits
// (required breadths) of every couple under it.
#include "engine/model/ZVcouple.h"
#include "engine/model/ZVmodelpairs.h"
#include "engine/model/ZVtracking_solver.h"

#include <algorithm>
#include <cmath>

namespace {

// The capitals' entries t[1] and s[1] must exist.
void ensure_capitals(ZVtracking &t) {
    if (t.values.size() < 2)
        t.values.resize(2, 0.f);
    if (t.singles.size() < 2)
        t.singles.resize(2, 0.f);
}

double soften(double v, double limit) {
    if (v > limit)
        return limit + std::min(std::sqrt(v - limit), v - limit);
    if (v < -limit)
        return -limit - std::min(std::sqrt(-limit - v), -limit - v);
    return v;
}

} // namespace

bool ZVmodelpairs::determine_tracking(ZVmixmanager &mix, bool soften_extremes,
                                      ZVfeedbacks *feedbacks) {
    ensure_capitals(mix);
    if (!mix.tracking_fixed) {
        update_required_breadths(mix, 0);
        const float limit = modelpairs_value_quantile(*this, false, 0.8);
        for (ZVmodelpair &p : pairs)
            bump_up_graph_max_breadths(p.graph, limit);
        const ZVfeedbacks found = determine_UC_tracking(mix);
        if (feedbacks) {
            for (const ZVfeedback &f : found.list) {
                if (f.type == 0)
                    continue;
                feedbacks->remove(f);
                feedbacks->add(f);
            }
        }
        if (soften_extremes)
            soften_tracking_extremes(mix);
    }
    for (ZVmodelpair &p : pairs)
        zvcouple::unset_limits(p.graph);
    determine_custom_tracking(mix, 50.0);
    if (mismatching_pairs_quick(mix) != ZV_NO_MISMATCH)
        return false;
    update_required_breadths(mix, 2);
    determine_custom_tracking(mix, 0.75);
    if (soften_extremes)
        soften_tracking_extremes(mix);
    return mismatching_pairs_quick(mix) == ZV_NO_MISMATCH;
}

void ZVmodelpairs::update_required_breadths(const ZVtracking &tracking, int mode) {
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        if (mode != 1 && has_special_group(pairs[k]))
            continue;
        ZVmodelpair &kp = pairs[k];
        kp.graph.min_index = kp.graph.max_index = kp.graph.min_index_peak =
            kp.graph.max_index_peak = kp.graph.min_limit_index = kp.graph.max_limit_index = 3;
        kp.graph.min_rows = kp.graph.max_rows = 0;
        kp.influencer_min = kp.influencer_max = ZV_NO_INFLUENCER;
        for (std::size_t j = 0; j < k; ++j) {
            if (mode != 1 && has_special_group(pairs[j]))
                continue;
            update_required_breadths_between_modelpairs(
                j, k, group_tracking_difference(tracking, pairs[k], pairs[j]));
        }
    }
    if (mode == 2) {
        for (std::size_t k = 1; k < pairs.size(); ++k)
            for (std::size_t j = 0; j < k; ++j)
                if (has_special_group(pairs[j]) != has_special_group(pairs[k]))
                    update_required_breadths_between_modelpairs(
                        j, k, group_tracking_difference(tracking, pairs[k], pairs[j]));
        for (ZVmodelpair &p : pairs)
            if (has_special_group(p))
                zvcouple::unset_limits(p.graph);
    }
    const float limit = modelpairs_value_quantile(*this, true, 0.2);
    for (ZVmodelpair &p : pairs) {
        zvcouple::advance_index(p.graph.max_index, p.graph.breadths, limit);
        zvcouple::advance_index(p.graph.min_index, p.graph.breadths, limit);
        p.graph.max_index_peak = std::max(p.graph.max_index_peak, p.graph.max_index);
        p.graph.min_index_peak = std::max(p.graph.min_index_peak, p.graph.min_index);
    }
}

void ZVmodelpairs::update_required_breadths_between_modelpairs(std::size_t j_index,
                                                               std::size_t k_index, double d) {
    ZVmodelpair &j = pairs[j_index], &k = pairs[k_index];
    const double delta = j.graph.at(0) - k.graph.at(0);
    if (delta == 0)
        return;
    const bool classes_differ = !same_group_class(j, k);
    if (delta > 0) {
        double dd = d;
        if (j.value < 0 && j.value < k.value)
            dd = std::min(d, 0.0) + zvcouple::tight_excess(j, k);
        const std::int32_t j_max = j.graph.max_index, k_min = k.graph.min_index;
        ZVgraph::update_required_breadth(k.graph, j.graph, -dd, classes_differ,
                                         has_special_group(k));
        if (j.graph.max_index != j_max)
            j.influencer_max = pack_pair(k.indices);
        if (k.graph.min_index != k_min)
            k.influencer_min = pack_pair(j.indices);
    } else {
        const std::int32_t j_min = j.graph.min_index, k_max = k.graph.max_index;
        ZVgraph::update_required_breadth(j.graph, k.graph, d, classes_differ, has_special_group(j));
        if (j.graph.min_index != j_min)
            j.influencer_min = pack_pair(k.indices);
        if (k.graph.max_index != k_max)
            k.influencer_max = pack_pair(j.indices);
    }
}

std::array<double, 3> ZVmodelpairs::median_tracking_adjustment(ZVmodelpairs &set, int mode) {
    double acc = 0;
    std::vector<float> values;
    for (ZVmodelpair &p : set.pairs)
        p.adjust_tracking(set.pairs, acc, values, mode);
    const std::size_t n = values.size();
    if (n == 0)
        return {0, 0, 0};
    const std::int64_t rank = static_cast<std::int64_t>(n / 2) - 1;
    double m;
    if (rank <= 0 || n == 1) {
        m = *std::min_element(values.begin(), values.end());
    } else if (rank >= static_cast<std::int64_t>(n) - 1) {
        m = *std::max_element(values.begin(), values.end());
    } else {
        std::nth_element(values.begin(), values.begin() + rank, values.end());
        m = values[static_cast<std::size_t>(rank)];
    }
    return {acc, m, static_cast<double>(n)};
}

ZVfeedbacks ZVmodelpairs::determine_UC_tracking(ZVtracking &tracking) const {
    ensure_capitals(tracking);
    ZVmodelpairs c = *this;
    const auto [a0, m_0, n0] = median_tracking_adjustment(c, 0);
    const auto [a2, m_2, n2] = median_tracking_adjustment(c, 2);
    const auto [a3, m_3, n3] = median_tracking_adjustment(c, 3);
    advance_modelpair_breadth_indices(c);
    const auto [a1, m_1, n1] = median_tracking_adjustment(c, 1);
    const auto [a2b, m_2b, n2b] = median_tracking_adjustment(c, 2);
    const auto [a3b, m_3b, n3b] = median_tracking_adjustment(c, 3);
    (void)m_2, (void)n2, (void)n1, (void)m_2b, (void)n2b, (void)m_3b, (void)n3b;

    const double m0 = std::min(m_0, a0);
    const double A = std::max((m_1 + m0) * 0.5, m0);
    const double B_ = std::max(a2b + a1, a3b);
    const double B = std::max(std::min(a0 + a2, a3), B_);
    double U = std::max((m_3 + B) * 0.5, B);
    double L = std::min(U - a2b, A);
    L = std::min(L, U * 0.6666666666666666);
    L = std::max(L, a1);

    ZVfeedbacks result;
    // Trial tracking values: the models that still mismatch under them are reported.
    auto single_feedback = [](const ZVfeedbacks &w) -> const ZVfeedback * {
        return w.list.size() == 1 ? &w.list.front() : nullptr;
    };
    if (L == a1 && L != 0 && n0 >= 200) {
        tracking.values[1] = static_cast<float>(std::max(0.625 * L - 0.9375, 0.0));
        tracking.singles[1] = 214748368.0f;
        const ZVfeedbacks w = c.worst_mismatches(tracking, true, false);
        if (const ZVfeedback *f = single_feedback(w); f && f->type != 0) {
            result.remove(*f);
            result.add(*f);
        }
    }
    U = std::max(U, 1.5 * L);
    const double B2 = std::max(a2b + L, B_);
    U = std::max(U, B2);
    const double v = std::max(0.625 * U - 0.9375, 0.0);
    if (U == B2 && U != 0 && n3 >= 200 && v > 1.5 * L) {
        tracking.singles[1] = static_cast<float>(v);
        tracking.values[1] = static_cast<float>(L);
        if (c.empty())
            c = *this;
        const ZVfeedbacks w = c.worst_mismatches(tracking, true, false);
        const ZVfeedback *f = single_feedback(w);
        add_feedback_unique(result, f ? *f : ZVfeedbacks::empty_feedback);
    }
    for (ZVfeedback &f : result.list)
        f.type = ZVfeedback::tighter_than;
    tracking.singles[1] = U != 0 ? static_cast<float>(U + 1.0) : 0.f;
    tracking.values[1] = L != 0 ? static_cast<float>(L + 0.375) : 0.f;
    return result;
}

void ZVmodelpairs::soften_tracking_extremes(ZVtracking &tracking) {
    ensure_capitals(tracking);
    for (float &t : tracking.values)
        t = static_cast<float>(soften(t, 80));
    for (float &s : tracking.singles)
        s = static_cast<float>(soften(s, 160));
    tracking.values[1] = std::min(tracking.values[1], 10.f);
    tracking.singles[1] = std::min(tracking.singles[1], 30.f);
}

void ZVmodelpairs::determine_custom_tracking(ZVtracking &tracking, double step) const {
    const std::size_t n = tracking.values.size();
    if (n <= 2)
        return;
    ensure_capitals(tracking);
    if (tracking.singles.size() < n)
        tracking.singles.resize(n, 0.f);
    tracking.compare_all = 1;
    ZVtracking_solver solver(n, tracking.values[1], tracking.singles[1]);
    // A group outside the table, or No kerning, is no variable.
    auto group = [n](int g) { return g >= 0 && static_cast<std::size_t>(g) < n ? g : 0; };
    auto variables = [&](const ZVmodelpair &p) {
        const int l = group(p.left_group), r = group(p.right_group);
        std::pair<int, int> v = l == r && l != 0 ? std::pair<int, int>{0, static_cast<int>(n) + l}
                                                 : std::pair<int, int>{l, r};
        if (v.first > v.second)
            std::swap(v.first, v.second);
        return v;
    };
    for (std::size_t k = 1; k < pairs.size(); ++k) {
        for (std::size_t jj = 0; jj < k; ++jj) {
            const ZVmodelpair &j = pairs[jj], &kp = pairs[k];
            int j_lo = std::min(j.left_group, j.right_group),
                j_hi = std::max(j.left_group, j.right_group);
            int k_lo = std::min(kp.left_group, kp.right_group),
                k_hi = std::max(kp.left_group, kp.right_group);
            if (j_lo + k_lo == 1 && j_hi == k_hi && j_hi >= 2)
                j_hi = k_hi = 0;
            if ((j_lo == k_lo && j_hi == k_hi) || (j_hi < 2 && k_hi < 2))
                continue;
            const double m = j.inconsistency(kp, false, {0, 0}, false)[0];
            if (m == 0)
                continue;
            const auto vj = variables(j), vk = variables(kp);
            solver.add(static_cast<short>(vj.second), static_cast<short>(vj.first),
                       static_cast<short>(vk.second), static_cast<short>(vk.first), m, m > 0);
        }
    }
    solver.solve(step);
    const std::vector<float> &lower = solver.lower_bounds.values;
    for (std::size_t g = 2; g < n; ++g) {
        tracking.values[g] = lower[g];
        tracking.singles[g] = lower[n + g];
    }
}

std::uint64_t ZVmodelpairs::mismatching_pairs_quick(const ZVtracking &tracking) const {
    for (std::size_t k = 1; k < pairs.size(); ++k) {
        for (std::size_t jj = 0; jj < k; ++jj) {
            const ZVmodelpair &j = pairs[jj], &kp = pairs[k];
            if (!tracking.compare_all && !same_group_class(j, kp))
                continue;
            if (j.graph.inconsistency(kp.graph, false, zvcouple::offsets(tracking, j, kp))[0] != 0)
                return (static_cast<std::uint64_t>(k) << 32) | jj;
        }
    }
    return ZV_NO_MISMATCH;
}
