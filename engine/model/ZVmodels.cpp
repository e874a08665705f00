#include "engine/model/ZVmodels.h"

#include "engine/model/ZVparallel.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

namespace {

constexpr double kNotEvaluated = 1073741824.0;
constexpr double kDefaultPriority = 1.0 / 65536;
constexpr double kNewModelPriority = 1.0 / 262144;
constexpr std::size_t kMaxEvaluatedMixes = 1200;

// The starting simplex of the mix search: weights (w0, w1, w2, w3).
constexpr double kStartWeights[35][4] = {
    {0.9, 0, 0.02, 0},        {0, 0, 0.02, 0},          {0.92, 0.02, 0.99, 0},
    {0.69, 0.02, 0.1, 1},     {0.1, 0.1, 0.48, 1},      {0.67, 0.11, 0.79, 0.58},
    {0.91, 0.18, 0.5, 0.14},  {0.25, 0.14, 0.34, 0.06}, {0.17, 0.17, 0.15, 0.79},
    {0.84, 0.18, 0.31, 0.75}, {0.97, 0.25, 0.97, 0.04}, {0.46, 0.31, 0.59, 0},
    {0.13, 0.34, 0.6, 0.47},  {0.83, 0.35, 0.09, 0.5},  {1, 0.37, 0.1, 0.96},
    {0.72, 0.38, 0.89, 0.88}, {0.94, 0.39, 0.82, 1},    {0.93, 0.41, 0.13, 0.1},
    {0.32, 0.48, 0.8, 0.59},  {0.91, 0.5, 0.98, 0.5},   {0.1, 0.56, 0.25, 0.5},
    {0.67, 0.52, 0.94, 0.88}, {0.59, 0.62, 0.16, 0.17}, {0.97, 0.63, 0.67, 0.98},
    {0.94, 0.66, 0.66, 0.1},  {0.79, 0.72, 0.93, 0.72}, {0.14, 0.75, 0.79, 0.86},
    {0.81, 0.76, 0.14, 0.79}, {1, 0.94, 0.02, 0},       {0.13, 0.98, 0.01, 0.55},
    {0.27, 0.98, 0.99, 0.57}, {0.88, 0.99, 0.99, 0.9},  {0.72, 0.99, 0.7, 0.52},
    {0.89, 0.99, 0.01, 0.92}, {0.89, 0.99, 0.99, 0},
};

std::vector<ZVmixmanager> make_initial_vertices() {
    std::vector<ZVmixmanager> v;
    v.reserve(35);
    for (const auto &w : kStartWeights) {
        ZVmixmanager m;
        m.values = {0, 214748368.0f};
        m.singles = {0, 429496736.0f};
        m.weights = {w[0], w[1], w[2], w[3]};
        v.push_back(m);
    }
    return v;
}

// a comes first: lower cost, then lower second cost.
bool better(const ZVmixmanager &a, const ZVmixmanager &b) {
    return a.cost < b.cost || (a.cost == b.cost && a.cost2 < b.cost2);
}

void clamp_weights(ZVmix &m) {
    for (double &w : m.weights)
        w = std::clamp(w, 0.0, 1.0);
}

bool outside_unit_box(const ZVmix &m) {
    return std::any_of(m.weights.begin(), m.weights.end(), [](double w) { return w < 0 || w > 1; });
}

double squared_distance(const ZVmix &a, const ZVmix &b) {
    double s = 0;
    for (int i = 0; i < 4; ++i)
        s += (a.weights[i] - b.weights[i]) * (a.weights[i] - b.weights[i]);
    return s;
}

// Removing the pair the set names first with the priority rule of identical models.
std::size_t yielding(const ZVsourcepairs &s, std::size_t a, std::size_t b) {
    const double pa = s.pairs[a].priority, pb = s.pairs[b].priority;
    return pb != kNewModelPriority && (pa == kNewModelPriority || pa >= pb) ? b : a;
}

std::size_t position_of(const ZVsourcepairs &s, ZVglyph_pair p) {
    const auto it = std::find_if(s.pairs.begin(), s.pairs.end(),
                                 [&](const ZVsourcepair &sp) { return sp.indices == p; });
    return static_cast<std::size_t>(it - s.pairs.begin());
}

} // namespace

const std::vector<ZVmixmanager> ZVmodels::initial_vertices = make_initial_vertices();

ZVmodels::ZVmodels(const std::vector<ZVminipair> &models) : ZVsourcepairs(models) {
    models_feedbacks.merge(feedbacks);
}

double ZVmodels::mix_distance(const ZVmix &a, const ZVmix &b) {
    const double d0 = a.weights[0] - b.weights[0], d1 = a.weights[1] - b.weights[1];
    const double d2 = a.weights[2] - b.weights[2], d3 = a.weights[3] - b.weights[3];
    return 0.375 * (d0 * d0 + d2 * d2) + 1.75 * d1 * d1 + 0.75 * d3 * d3;
}

void ZVmodels::move_mix_towards(ZVmix &mix, const ZVmix &other, double f) {
    for (int i = 0; i < 4; ++i)
        mix.weights[i] += f * (other.weights[i] - mix.weights[i]);
}

bool ZVmodels::other_mix_in_between(const ZVmix &a, const std::vector<ZVmixmanager> &mixes,
                                    const ZVmix &b) {
    const double ab = squared_distance(a, b);
    for (const ZVmixmanager &c : mixes) {
        if (&c == &a || c.cost == 0)
            continue;
        if (squared_distance(a, c) + squared_distance(c, b) < ab)
            return true;
    }
    return false;
}

void ZVmodels::evaluate(ZVmixmanager &candidate, bool weighted, ZVcouple_outcomes *kept) const {
    ZVmodelpairs scratch(*this, candidate, weighted, kept);
}

void ZVmodels::merge_feedback(const ZVfeedback &f) {
    if (f.type == 0)
        return;
    models_feedbacks.remove(f);
    models_feedbacks.add(f);
}

void ZVmodels::grow_tracking(ZVtracking &t) const {
    const auto n = static_cast<std::size_t>(std::max<int>(highest_tracking_group, 1)) + 1;
    if (t.values.size() < n)
        t.values.resize(n, 0.f);
    if (t.singles.size() < n)
        t.singles.resize(n, 0.f);
}

void ZVmodels::determine_mix_and_modelpairs(bool soften) {
    if (!modelpairs.empty() || pairs.empty())
        return;
    // The companion set follows the model pairs: it is prepared again from the new fit.
    second_modelpairs = ZVmodelpairs();
    bool second = false;
    while (!pairs.empty()) {
        models_feedbacks.erase_types_9_to_11();
        mixes.clear();
        if (mix.tracking_fixed) {
            for (std::size_t g = 2; g < mix.values.size(); ++g)
                mix.values[g] = 0;
            for (std::size_t g = 2; g < mix.singles.size(); ++g)
                mix.singles[g] = 0;
            mix.compare_all = 0;
        } else {
            find_mix(second);
            grow_tracking(mix);
        }
        modelpairs = ZVmodelpairs(*this, mix, false, search_outcomes.slot(mix, false, size()));

        if (mix.cost == 0 && modelpairs.determine_tracking(mix, soften, &models_feedbacks)) {
            modelpairs.update_required_breadths(mix, 1);
            if (!second) {
                for (const ZVfeedbacks &list :
                     {close_mismatches(true), modelpairs.suspicious_req_breadths(),
                      modelpairs.imbalances(mix)})
                    for (const ZVfeedback &f : list.list)
                        merge_feedback(f);
                const float limit = ZVmodelpairs::modelpairs_value_quantile(modelpairs, false, 0.8);
                for (ZVmodelpair &p : modelpairs.pairs)
                    ZVmodelpairs::bump_up_graph_max_breadths(p.graph, limit);
                return;
            }
            // Second mode: give up the model closest to a mismatch, then fit again normally.
            const ZVfeedback f = close_mismatch_for_removal();
            merge_feedback(f);
            if (!f.pairs.empty())
                remove_pair(f.pairs.front().indices, true);
            mix.tracking_fixed = 0;
            modelpairs.pairs.clear();
            second = false;
            continue;
        }

        // The fit failed: report and remove the worst models, one pass at least one.
        const ZVfeedbacks w = modelpairs.worst_mismatches(mix, false, second && mix.cost != 0);
        const std::uint16_t mismatches = modelpairs.last_mismatch_count;
        for (const ZVfeedback &f : w.list)
            merge_feedback(f);
        const std::vector<ZVsimplepair> gone = collect_removed_model_pairs(w);
        std::size_t removed_now = 0;
        for (const ZVsimplepair &p : gone)
            removed_now += remove_pair(p.indices, true);
        if (removed_now == 0)
            remove_as_given_up(modelpairs);
        modelpairs.pairs.clear();
        second = mismatches >= 2;
        if (second && mix.cost == 0)
            mix.tracking_fixed = 1;
    }
    modelpairs.pairs.clear();
}

void ZVmodels::remove_as_given_up(const ZVmodelpairs &failed) {
    // The worst mismatching pair's message, even when it names only that pair.
    ZVfeedback f = failed.last_worst_feedback;
    if (f.type == 0 || f.pairs.empty()) {
        // Else the mix's worst couple, the one yielding as identical models do.
        const std::size_t a = position_of(*this, mix.worst_first.indices);
        const std::size_t b = position_of(*this, mix.worst_second.indices);
        std::size_t gone;
        if (a < pairs.size() && b < pairs.size() && a != b)
            gone = yielding(*this, a, b);
        else if (a < pairs.size())
            gone = a;
        else if (b < pairs.size())
            gone = b;
        else // no couple is named at all: the weakest model, the last of them on ties
            gone = static_cast<std::size_t>(
                std::min_element(pairs.rbegin(), pairs.rend(),
                                 [](const ZVsourcepair &x, const ZVsourcepair &y) {
                                     return x.priority < y.priority;
                                 })
                    .base() -
                pairs.begin() - 1);
        f = ZVfeedback();
        f.type = ZVfeedback::model_status_removed;
        f.pairs = {pairs[gone]};
    }
    merge_feedback(f);
    remove_pair(f.pairs.front().indices, true);
}

std::vector<ZVmixmanager> ZVmodels::evaluated_initial_vertices(bool weighted) {
    const std::size_t evaluated_before = mixes.size();
    while (true) {
        mixes.resize(evaluated_before);
        std::vector<ZVmixmanager> v = initial_vertices;
        // The starting mixes are evaluated together; their statistics are taken in order.
        starting_outcomes.slots.resize(2 * v.size());
        std::vector<ZVmix_evaluation> evaluations;
        for (std::size_t i = 0; i < v.size(); ++i)
            evaluations.push_back(
                {&v[i], weighted, &starting_outcomes.slots[weighted ? v.size() + i : i]});
        const std::vector<ZVmodelpairs> sets = ZVmodelpairs::evaluate_together(*this, evaluations);
        ZVmodelpairs::similar_models similar;
        for (std::size_t i = 0; i < v.size(); ++i) {
            if (i == 0)
                sets[i].init_similar_models(similar);
            else
                sets[i].apply_similar_models(similar);
            mixes.push_back(v[i]);
        }
        // Near-duplicates are reported once the scan is through, so that a restart after a
        // removal does not report them twice.
        std::vector<ZVfeedback> near;
        bool restarted = false;
        for (const auto &[key, sum] : similar) {
            const double rms = std::sqrt(sum / static_cast<double>(v.size()));
            if (rms > 10.0)
                continue;
            if (rms < ZV_TOLERANCE) {
                merge_feedback(remove_one_pair(key.first, key.second));
                restarted = true;
                break;
            }
            const auto [first, second] = get_two_simplepairs(key.first, key.second);
            ZVfeedback f;
            f.type = ZVfeedback::similar_models;
            f.urgency = 1 / rms;
            f.pairs = {first, second};
            near.push_back(std::move(f));
        }
        if (restarted)
            continue;
        for (const ZVfeedback &f : near)
            models_feedbacks.add(f);
        return v;
    }
}

void ZVmodels::find_mix(bool second) {
    search_outcomes.end_search();
    std::vector<ZVmixmanager> v = evaluated_initial_vertices(second);
    auto evaluated = [&](ZVmixmanager m) {
        evaluate(m, second, search_outcomes.slot(m, second, size()));
        mixes.push_back(m);
        return m;
    };
    while (true) {
        std::stable_sort(v.begin(), v.end(), better);
        if (mixes.size() > kMaxEvaluatedMixes || (v[0].cost == 0 && v[0].cost2 == 0))
            break;
        // Prune near-coincident mixes, but never below the five of a simplex.
        for (std::size_t p = v.size() - 1; p-- > 3 && v.size() > 5;) {
            for (std::size_t q = v.size() - 1; q > p; --q) {
                if (mix_distance(v[p], v[q]) < 0.03515625) {
                    v.erase(v.begin() + static_cast<std::ptrdiff_t>(q));
                    break;
                }
            }
        }
        ZVmix c;
        c.weights = {0, 0, 0, 0};
        for (std::size_t i = 0; i < 4; ++i)
            for (int k = 0; k < 4; ++k)
                c.weights[k] += 0.25 * v[i].weights[k];

        bool reflect;
        if (v.size() == 5) {
            double spread = 0;
            for (const auto &m : v)
                spread = std::max(spread, mix_distance(c, m));
            const ZVmixmanager &worst = v.back(), &ref = v.front();
            double r;
            if (worst.cost != ref.cost)
                r = (worst.cost - ref.cost) / worst.cost;
            else
                r = worst.cost2 != 0 ? (worst.cost2 - ref.cost2) / worst.cost2 : 0;
            if (2 * std::sqrt(spread) + r < 0.125)
                break;
            reflect = true;
        } else {
            reflect = mix_distance(v.back(), c) < 0.140625;
        }

        bool contract = !reflect;
        if (reflect) {
            const ZVmixmanager w = v.back();
            ZVmixmanager t = w;
            move_mix_towards(t, c, 1.375);
            if (outside_unit_box(t)) {
                contract = true;
            } else {
                ZVmixmanager x = w;
                move_mix_towards(x, c, 2.0);
                clamp_weights(x);
                x = evaluated(x);
                if (better(x, v[v.size() - 2])) {
                    ZVmixmanager e = w;
                    move_mix_towards(e, x, 1.5);
                    clamp_weights(e);
                    if (better(x, v[0]) && !(x.cost == 0 && x.cost2 == 0) &&
                        e.weights != x.weights) {
                        e = evaluated(e);
                        v.back() = better(e, x) ? e : x;
                    } else {
                        v.back() = x;
                    }
                    continue;
                }
                if (better(x, w))
                    v.back() = x;
                contract = true;
            }
        }
        if (contract) {
            const ZVmixmanager w = v.back();
            ZVmixmanager k = w;
            move_mix_towards(k, c, 0.5);
            k = evaluated(k);
            if (better(k, w)) {
                v.back() = k;
            } else if (v.size() != 5) {
                v.pop_back();
            } else {
                // Shrink the simplex toward its best mix (evaluated together, recorded in
                // order).
                std::vector<ZVmix_evaluation> evaluations;
                for (std::size_t i = 1; i < v.size(); ++i) {
                    move_mix_towards(v[i], v[0], 0.5);
                    evaluations.push_back(
                        {&v[i], second, search_outcomes.slot(v[i], second, size())});
                }
                ZVmodelpairs::evaluate_together(*this, evaluations);
                for (std::size_t i = 1; i < v.size(); ++i)
                    mixes.push_back(v[i]);
            }
        }
    }
    mix = v.front();
}

// Between the current mix C (consistent) and each inconsistent mix near it, the mismatch that is
// met first tells which couple of models the fit barely holds together:
// - every evaluated mix E whose cost is neither 0 nor "not evaluated" counts, in the order of
//   evaluation, once those with another evaluated mix between them and C are excluded;
// - from Z, the consistent evaluated mix nearest to E, the candidate halfway to E is evaluated
//   first; then the copies of C moved a quarter and three quarters of the way to E probe the
//   direct path from the current fit. Each consistent candidate nearer to E than Z becomes Z,
//   each inconsistent one nearer to Z than E becomes E;
// - the couple is then narrowed from Z toward E by the fractions 0.75, 0.5, 0.5, 0.35 until Z
//   and E lie within 0.01 of each other;
// - E's worst couple (the looser pair, the tighter pair) becomes a type-10 message naming the
//   tighter pair first (pair_is_too_tight 1), urgency E's cost over (0.09 + its distance from
//   Z), at most 10.
ZVfeedbacks ZVmodels::close_mismatches(bool near_check) {
    ZVfeedbacks result;
    for (ZVmixmanager &e : mixes)
        if (e.cost != 0 && other_mix_in_between(e, mixes, mix))
            e.cost = kNotEvaluated;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < mixes.size(); ++i)
        if (mixes[i].cost != 0 && mixes[i].cost != kNotEvaluated)
            order.push_back(i);
    constexpr double kNarrowing[] = {0.75, 0.5, 0.5, 0.35};
    // Each inconsistent mix is narrowed on its own (side by side); the messages are then added
    // in the order of the mixes.
    std::vector<std::optional<ZVfeedback>> found(order.size());
    zvparallel::for_each(order.size(), [&](std::size_t slot) {
        ZVmixmanager e = mixes[order[slot]];
        const ZVmixmanager *nearest = nullptr;
        for (const ZVmixmanager &z : mixes)
            if (z.cost == 0 && (!nearest || squared_distance(z, e) < squared_distance(*nearest, e)))
                nearest = &z;
        if (!nearest)
            return;
        ZVmixmanager z = *nearest;
        if (near_check && mix_distance(z, e) < 0.00390625)
            return;
        const ZVmixmanager target = e;
        auto take = [&](ZVmixmanager candidate) {
            evaluate(candidate, false);
            if (candidate.cost == 0) {
                if (mix_distance(candidate, e) < mix_distance(z, e))
                    z = std::move(candidate);
            } else if (mix_distance(candidate, z) < mix_distance(e, z)) {
                e = std::move(candidate);
            }
        };
        ZVmixmanager halfway = z;
        move_mix_towards(halfway, e, 0.5);
        take(halfway);
        for (const double f : {0.25, 0.75}) {
            ZVmixmanager probe = mix;
            move_mix_towards(probe, target, f);
            take(probe);
        }
        for (const double f : kNarrowing) {
            if (mix_distance(z, e) < 0.01)
                break;
            ZVmixmanager candidate = z;
            move_mix_towards(candidate, e, f);
            take(candidate);
        }
        if (e.worst_first.indices.first == 65535 || e.worst_second.indices.first == 65535)
            return;
        ZVfeedback f;
        f.type = ZVfeedback::tighter_than;
        f.urgency = std::min(e.cost / (0.09 + mix_distance(z, e)), 10.0);
        f.pairs = {e.worst_second, e.worst_first};
        f.pair_is_too_tight = 1;
        found[slot] = std::move(f);
    });
    for (const std::optional<ZVfeedback> &f : found)
        if (f)
            add_feedback_unique(result, *f);
    return result;
}

ZVfeedback ZVmodels::close_mismatch_for_removal() {
    const ZVfeedbacks list = close_mismatches(false);
    ZVfeedback result;
    result.type = ZVfeedback::model_status_removed;
    for (const ZVfeedback &f : list.list) {
        if (f.pairs.size() < 2)
            continue;
        const ZVsimplepair &a = f.pairs[0], &b = f.pairs[1];
        const double pa = get_priority(a.indices), pb = get_priority(b.indices);
        const bool x_is_b = pa > pb;
        const double score = f.urgency / (x_is_b ? pb : pa);
        if (score > result.urgency) {
            result.urgency = score;
            result.pairs =
                x_is_b ? std::vector<ZVsimplepair>{b, a} : std::vector<ZVsimplepair>{a, b};
        }
    }
    return result;
}

void ZVmodels::quick_add(const ZVminipair &pair, const PLXlibNamespaceForZV::ZVglyphs &glyphs) {
    const ZVglyph_pair key{pair.left, pair.right};
    if (removed.count(key) || contains(key))
        return;
    add_pair_as_model(pair, glyphs);
    clear_priorities();
    second_modelpairs = ZVmodelpairs();
    if (contains(key))
        modelpairs.quick_add(key, *this, mix);
}

void ZVmodels::tidy_up() {
    clear_priorities();
    modelpairs.pairs.clear();
    while (true) {
        determine_mix_and_modelpairs(true);
        models_feedbacks.list.remove_if(
            [](const ZVfeedback &f) { return f.type < 9 || f.type > 11; });
        if (models_feedbacks.list.empty() || models_feedbacks.list.front().pairs.empty())
            return;
        const ZVglyph_pair named = models_feedbacks.list.front().pairs.front().indices;
        if (!remove_pair(named, false))
            return;
        modelpairs.pairs.clear();
    }
}

// Other consistent fits, chosen one by one for being far from the current mix and from those
// chosen before: an evaluated mix E of cost 0 is separated from the current mix C by their
// weighted distance, and from a chosen mix P by the distance of P from the segment C..E (the
// vertex -b^2/(4a) + c of the parabola of distances along the segment, or the nearer end when
// the vertex lies outside it). Its score is sqrt(separation) / (E.cost2 + C.cost2 / 2). Mixes
// separated by less than 1/256 do not qualify; the selection ends when none qualifies.
std::vector<ZValternative> ZVmodels::alternative_solutions() const {
    auto separation = [&](const ZVmix &p, const ZVmix &e) {
        const ZVmix &c = mix;
        // f(t) = D(c + t (e - c), p) = a t^2 + b t + c0 over the mix distance's weights.
        static constexpr double k[4] = {0.375, 1.75, 0.375, 0.75};
        double a = 0, b = 0, c0 = 0;
        for (int i = 0; i < 4; ++i) {
            const double u = e.weights[i] - c.weights[i], w = c.weights[i] - p.weights[i];
            a += k[i] * u * u;
            b += 2 * k[i] * u * w;
            c0 += k[i] * w * w;
        }
        if (a <= 0)
            return c0;
        const double t = -b / (2 * a);
        const double value = t <= 0 ? c0 : t >= 1 ? mix_distance(e, p) : -b * b / (4 * a) + c0;
        return std::max(value, 0.0);
    };
    std::vector<std::size_t> chosen;
    while (true) {
        double best_score = -1;
        std::size_t best = mixes.size();
        for (std::size_t i = 0; i < mixes.size(); ++i) {
            const ZVmixmanager &e = mixes[i];
            if (e.cost != 0 || std::find(chosen.begin(), chosen.end(), i) != chosen.end())
                continue;
            double m = mix_distance(mix, e);
            for (const std::size_t j : chosen)
                m = std::min(m, separation(mixes[j], e));
            if (m < 0.00390625)
                continue;
            const double score = std::sqrt(m) / (e.cost2 + 0.5 * mix.cost2);
            if (score > best_score) {
                best_score = score;
                best = i;
            }
        }
        if (best == mixes.size())
            break;
        chosen.push_back(best);
    }
    // Each chosen mix is fitted on its own (side by side), the records kept in choice order.
    std::vector<ZValternative> fitted(chosen.size());
    zvparallel::for_each(chosen.size(), [&](std::size_t c) {
        ZValternative &alt = fitted[c];
        alt.mix = mixes[chosen[c]];
        grow_tracking(alt.mix);
        ZVmodelpairs set(*this, alt.mix, false);
        if (alt.mix.cost == 0 && set.determine_tracking(alt.mix, false, nullptr)) {
            set.update_required_breadths(alt.mix, 1);
            const float limit = ZVmodelpairs::modelpairs_value_quantile(set, false, 0.8);
            for (ZVmodelpair &p : set.pairs)
                ZVmodelpairs::bump_up_graph_max_breadths(p.graph, limit);
        }
        alt.modelpairs = std::move(set.pairs);
    });
    std::vector<ZValternative> result;
    for (ZValternative &alt : fitted)
        if (alt.mix.cost == 0) // else no longer consistent once the tracking is sized for all
            result.push_back(std::move(alt));
    return result;
}
