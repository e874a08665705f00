#include "engine/model/ZVmodelpairs.h"

#include "engine/model/ZVcouple.h"
#include "engine/model/ZVparallel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <unordered_map>

namespace {

constexpr double kUnusable = 214748368.0;
constexpr double kDefaultPriority = 1.0 / 65536;
constexpr float kSeed = 70.0f;
constexpr float kMissing = 1073741824.0f;

int group1_sides(const ZVpair &p) { return (p.left_group == 1) + (p.right_group == 1); }

float breadth_at(const ZVgraph &g, std::int64_t i) {
    return i >= 0 && static_cast<std::size_t>(i) < g.breadths.size() ? g.breadths[i] : kMissing;
}

const ZVmodelpair *find_pair(const std::vector<ZVmodelpair> &pairs, ZVglyph_pair p) {
    const auto it = std::find_if(pairs.begin(), pairs.end(),
                                 [&](const ZVmodelpair &m) { return m.indices == p; });
    return it == pairs.end() ? nullptr : &*it;
}

} // namespace

using zvcouple::advance_index;

double group_tracking_difference(const ZVtracking &t, const ZVpair &p, const ZVpair &q) {
    return pair_tracking_correction(t, p.groups(), q.groups());
}

bool has_special_group(const ZVpair &p) { return p.left_group >= 2 || p.right_group >= 2; }

bool same_group_class(const ZVpair &a, const ZVpair &b) {
    auto fold = [](int g) { return g == 1 ? 0 : g; };
    const int a1 = fold(a.left_group), a2 = fold(a.right_group);
    const int b1 = fold(b.left_group), b2 = fold(b.right_group);
    return std::min(a1, a2) == std::min(b1, b2) && std::max(a1, a2) == std::max(b1, b2);
}

bool same_groups(const ZVpair &a, const ZVpair &b) {
    return (a.left_group == b.left_group && a.right_group == b.right_group) ||
           (a.left_group == b.right_group && a.right_group == b.left_group);
}

namespace {

template <class T> std::uint64_t bits64(T v) {
    if constexpr (sizeof(T) == 8)
        return std::bit_cast<std::uint64_t>(v);
    else
        return std::bit_cast<std::uint32_t>(v);
}

std::vector<std::uint32_t> float_bits(const std::vector<float> &v) {
    std::vector<std::uint32_t> b(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        b[i] = std::bit_cast<std::uint32_t>(v[i]);
    return b;
}

// What a couple's outcome reads of a pair (the graph is the measurement's under the mix).
ZVcouple_outcomes::Pair identity(const ZVsourcepair &p) {
    return {p.current_source().stamp(), pack_pair(p.indices),
            std::bit_cast<std::uint32_t>(p.value), p.left_group, p.right_group,
            bits64(p.priority)};
}

// Describes the evaluation in kept (mix and pairs); returns, per pair, its index among the
// kept pairs when the kept outcomes were made under the same mix and the pair is unchanged,
// else -1.
std::vector<std::int64_t> match_kept(ZVcouple_outcomes &kept, const ZVsourcepairs &sources,
                                     const ZVmix &mix, bool weighted) {
    ZVcouple_outcomes now;
    now.filled = true;
    now.weighted = weighted;
    for (int i = 0; i < 4; ++i)
        now.weights[static_cast<std::size_t>(i)] = bits64(mix.weights[static_cast<std::size_t>(i)]);
    now.compare_all = mix.compare_all;
    now.values = float_bits(mix.values);
    now.singles = float_bits(mix.singles);
    now.pairs.reserve(sources.size());
    for (const ZVsourcepair &p : sources.pairs)
        now.pairs.push_back(identity(p));
    std::vector<std::int64_t> at(now.pairs.size(), -1);
    if (kept.filled && kept.weighted == now.weighted && kept.weights == now.weights &&
        kept.compare_all == now.compare_all && kept.values == now.values &&
        kept.singles == now.singles) {
        std::unordered_map<std::uint64_t, std::int64_t> by_stamp;
        for (std::size_t i = 0; i < kept.pairs.size(); ++i)
            if (kept.pairs[i].stamp != 0)
                by_stamp.emplace(kept.pairs[i].stamp, static_cast<std::int64_t>(i));
        for (std::size_t i = 0; i < now.pairs.size(); ++i) {
            const auto it = by_stamp.find(now.pairs[i].stamp);
            if (it != by_stamp.end() &&
                kept.pairs[static_cast<std::size_t>(it->second)] == now.pairs[i])
                at[i] = it->second;
        }
    }
    now.outcomes.swap(kept.outcomes);
    kept = std::move(now);
    return at;
}

} // namespace

// Half the budget for this search's slots: the last search's, moved over slot by slot, take no
// more than the other half.
ZVcouple_outcomes *ZVsearch_outcomes::slot(const ZVmix &mix, bool weighted, std::size_t pairs) {
    const Key key{bits64(mix.weights[0]), bits64(mix.weights[1]), bits64(mix.weights[2]),
                  bits64(mix.weights[3]), weighted ? 1u : 0u};
    if (const auto it = now_.find(key); it != now_.end())
        return &it->second;
    const std::size_t bytes =
        pairs * (pairs - (pairs > 0)) / 2 * sizeof(ZVcouple_outcomes::Outcome) +
        pairs * sizeof(ZVcouple_outcomes::Pair);
    if (bytes_ + bytes > budget_ / 2)
        return nullptr;
    bytes_ += bytes;
    ZVcouple_outcomes &s = now_[key];
    if (const auto it = last_.find(key); it != last_.end()) {
        s = std::move(it->second);
        last_.erase(it);
    }
    return &s;
}

void ZVsearch_outcomes::end_search() {
    last_ = std::move(now_);
    now_.clear();
    bytes_ = 0;
}

void ZVsearch_outcomes::set_budget(std::size_t bytes) {
    if (bytes < budget_) {
        last_.clear();
        now_.clear();
        bytes_ = 0;
    }
    budget_ = bytes;
}

std::size_t ZVsearch_outcomes::heap_bytes() const {
    std::size_t bytes = 0;
    for (const auto *m : {&last_, &now_})
        for (const auto &[key, o] : *m)
            bytes += o.heap_bytes();
    return bytes;
}

ZVmodelpairs::ZVmodelpairs(const ZVsourcepairs &sources, ZVmixmanager &mix, bool weighted,
                           ZVcouple_outcomes *kept) {
    const ZVmix_evaluation one{&mix, weighted, kept};
    *this = std::move(evaluate_together(sources, {&one, 1}).front());
}

namespace {

using Outcome = ZVcouple_outcomes::Outcome;

// Couple (j, k), j < k, at row(k) + j.
std::size_t row(std::size_t k) { return k * (k - 1) / 2; }

// One set being built under one mix: its pairs' graphs, then every couple j < k compared on its
// own (row k holds the couples of k with the earlier pairs), then the costs summed couple by
// couple in that order. A couple of two pairs unchanged since the kept evaluation under this
// mix, in the same order, takes its outcome.
struct Build {
    ZVmodelpairs set;
    ZVmixmanager *mix = nullptr;
    bool weighted = false;
    ZVcouple_outcomes *kept = nullptr;
    std::vector<Outcome> outcome;
    std::vector<std::int64_t> was;
    std::vector<Outcome> before;

    void begin(const ZVsourcepairs &sources, const ZVmix_evaluation &e) {
        mix = e.mix;
        weighted = e.weighted;
        kept = e.kept;
        const std::size_t n = sources.size();
        set.pairs.resize(n);
        outcome.resize(n * (n - (n > 0)) / 2);
        if (kept) {
            was = match_kept(*kept, sources, *mix, weighted);
            before.swap(kept->outcomes);
        }
    }

    void graph(const ZVsourcepairs &sources, std::size_t i) {
        set.pairs[i] = ZVmodelpair(sources.pairs[i], *mix);
    }

    void compare_row(std::size_t k) {
        const std::vector<ZVmodelpair> &pairs = set.pairs;
        const ZVmodelpair &kp = pairs[k];
        thread_local std::vector<ZVgraph_couple> couples;
        thread_local std::vector<std::size_t> index;
        thread_local std::vector<std::array<double, 3>> result;
        couples.clear();
        index.clear();
        const std::int64_t k_was = was.empty() ? -1 : was[k];
        for (std::size_t j_index = 0; j_index < k; ++j_index) {
            if (k_was >= 0 && was[j_index] >= 0 && was[j_index] < k_was) {
                outcome[row(k) + j_index] = before[row(static_cast<std::size_t>(k_was)) +
                                                   static_cast<std::size_t>(was[j_index])];
                continue;
            }
            const ZVmodelpair &j = pairs[j_index];
            double d;
            if (!mix->compare_all) {
                if (!same_group_class(j, kp))
                    continue;
                // Pairs of one class differ only in capitals: the one with more capital sides
                // may be looser by any amount.
                d = kUnusable * (group1_sides(kp) - group1_sides(j));
            } else {
                d = same_groups(j, kp) || mix->values.empty()
                        ? 0
                        : group_tracking_difference(*mix, kp, j);
            }
            // As j.inconsistency(kp, two-way, (min(d, 0), max(d, 0)), weighted).
            couples.push_back(
                {&j.graph,
                 &kp.graph,
                 {std::min(d, 0.0) + zvcouple::tight_excess(j, kp), std::max(d, 0.0)}});
            index.push_back(j_index);
        }
        result.resize(couples.size());
        two_way_inconsistencies(couples, result.data());
        for (std::size_t q = 0; q < couples.size(); ++q) {
            auto [m, s, f] = result[q];
            if (weighted && m != 0) {
                const double w = pairs[index[q]].priority + kp.priority;
                m *= w;
                s *= w;
            }
            outcome[row(k) + index[q]] = {true, m, s, f};
        }
    }

    void end() {
        if (kept)
            kept->outcomes = outcome;
        const std::vector<ZVmodelpair> &pairs = set.pairs;
        const std::size_t n = pairs.size();
        mix->cost = mix->cost2 = mix->overlap_sum = 0;
        mix->comparisons = 0;
        double worst = 0;
        for (std::size_t k = 1; k < n; ++k) {
            const ZVmodelpair &kp = pairs[k];
            for (std::size_t j_index = 0; j_index < k; ++j_index) {
                const Outcome &o = outcome[row(k) + j_index];
                if (!o.compared)
                    continue;
                const ZVmodelpair &j = pairs[j_index];
                double m = o.m, s = o.s;
                if (m > worst) {
                    mix->worst_first = j;
                    mix->worst_second = kp;
                    worst = std::fabs(m);
                } else if (m < -worst) {
                    mix->worst_first = kp;
                    mix->worst_second = j;
                    worst = std::fabs(m);
                }
                if (!weighted && (j.left_group > 1 || j.right_group > 1 || kp.left_group > 1 ||
                                  kp.right_group > 1)) {
                    m *= 0.125;
                    s *= 0.125;
                }
                mix->cost += std::fabs(m);
                mix->cost2 += std::fabs(s);
                mix->overlap_sum += o.f;
                mix->comparisons += 1;
            }
        }
        mix->cost2 = std::sqrt(mix->overlap_sum) * (mix->cost2 + 0.0009765625);
    }
};

} // namespace

std::vector<ZVmodelpairs>
ZVmodelpairs::evaluate_together(const ZVsourcepairs &sources,
                                std::span<const ZVmix_evaluation> evaluations) {
    const std::size_t n = sources.size(), count = evaluations.size();
    std::vector<Build> builds(count);
    for (std::size_t e = 0; e < count; ++e) {
        ZVmix_evaluation one = evaluations[e];
        // Two evaluations never fill one slot at once (the later compares everything).
        for (std::size_t f = 0; f < e; ++f)
            if (evaluations[f].kept == one.kept)
                one.kept = nullptr;
        builds[e].begin(sources, one);
    }
    // One loop for all: the graphs, then the rows, the longest rows of every set first.
    zvparallel::for_each_then(
        count * n, [&](std::size_t i) { builds[i / n].graph(sources, i % n); }, count * n,
        [&](std::size_t i) { builds[i % count].compare_row(n - 1 - i / count); });
    std::vector<ZVmodelpairs> sets;
    sets.reserve(count);
    for (Build &b : builds) {
        b.end();
        sets.push_back(std::move(b.set));
    }
    return sets;
}

void ZVmodelpairs::init_similar_models(similar_models &map) const {
    for (std::size_t i = 1; i < pairs.size(); ++i) {
        const ZVmodelpair &b = pairs[i];
        // The band is taken between the two products, so that it is not empty for the negative
        // values most kerning has.
        const float x = b.value * 0.875f, y = b.value * 1.1428572f;
        const float lo = std::min(x, y), hi = std::max(x, y);
        for (std::size_t j = 0; j < i; ++j) {
            const ZVmodelpair &a = pairs[j];
            if (std::min(a.left_group, a.right_group) != std::min(b.left_group, b.right_group) ||
                std::max(a.left_group, a.right_group) != std::max(b.left_group, b.right_group))
                continue;
            if (!(lo <= a.value && a.value <= hi))
                continue;
            const double d = a.graph.dissimilarity(b.graph);
            if (d < 20.0)
                map[{static_cast<std::uint16_t>(j), static_cast<std::uint16_t>(i)}] = d * d;
        }
    }
}

void ZVmodelpairs::apply_similar_models(similar_models &map) const {
    for (auto it = map.begin(); it != map.end();) {
        const auto [j, i] = it->first;
        if (j >= pairs.size() || i >= pairs.size()) {
            it = map.erase(it);
            continue;
        }
        const double d = pairs[j].graph.dissimilarity(pairs[i].graph);
        if (d > 20.0) {
            it = map.erase(it);
        } else {
            it->second += d * d;
            ++it;
        }
    }
}

float ZVmodelpairs::modelpairs_value_quantile(const ZVmodelpairs &set, bool seed, double q) {
    std::vector<float> values;
    values.reserve(set.pairs.size() * 2 + 20);
    if (seed)
        values.assign(20, kSeed);
    for (const ZVmodelpair &p : set.pairs) {
        const auto count = static_cast<std::int64_t>(p.graph.breadths.size());
        if (p.graph.max_index != ZV_UNLIMITED_ROW && p.graph.max_index >= 1 &&
            p.graph.max_index <= count)
            values.push_back(p.graph.breadths[p.graph.max_index - 1]);
        if (p.graph.min_index >= 1 && p.graph.min_index <= count)
            values.push_back(p.graph.breadths[p.graph.min_index - 1]);
    }
    if (values.empty())
        return kSeed;
    const auto k = static_cast<std::size_t>(std::trunc(static_cast<double>(values.size()) * q));
    if (k == 0)
        return *std::min_element(values.begin(), values.end());
    if (k + 1 < values.size()) {
        std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k),
                         values.end());
        return values[k];
    }
    return *std::max_element(values.begin(), values.end());
}

void ZVmodelpairs::advance_modelpair_breadth_indices(ZVmodelpairs &set) {
    const float limit = modelpairs_value_quantile(set, false, 0.9);
    for (ZVmodelpair &p : set.pairs) {
        advance_index(p.graph.max_index, p.graph.breadths, limit);
        advance_index(p.graph.min_index, p.graph.breadths, limit);
        p.graph.max_index_peak = std::max(p.graph.max_index_peak, p.graph.max_index);
        p.graph.min_index_peak = std::max(p.graph.min_index_peak, p.graph.min_index);
    }
}

void ZVmodelpairs::bump_up_graph_max_breadths(ZVgraph &g, float limit) {
    const auto count = static_cast<std::int64_t>(g.breadths.size());
    for (std::int32_t *index : {&g.max_index, &g.min_index, &g.max_index_peak, &g.min_index_peak}) {
        const std::int64_t i = *index;
        if (i < 1 || i + 1 >= count)
            continue;
        const float prev = g.breadths[i - 1];
        const float lim = std::max(prev * 1.015625f, std::min(limit, prev * 1.125f));
        if (g.breadths[i + 1] < lim)
            advance_index(*index, g.breadths, lim, 8);
    }
}

void ZVmodelpairs::bump_up_max_breadths_a_bit() {
    const float limit = modelpairs_value_quantile(*this, false, 0.8);
    for (ZVmodelpair &p : pairs)
        bump_up_graph_max_breadths(p.graph, limit);
}

void ZVmodelpairs::quick_add(ZVglyph_pair glyphs, const ZVsourcepairs &sources, ZVmixmanager &mix) {
    for (ZVmodelpair &p : pairs)
        zvcouple::unset_limits(p.graph);
    const auto at = std::find_if(sources.pairs.begin(), sources.pairs.end(),
                                 [&](const ZVsourcepair &s) { return s.indices == glyphs; });
    if (at == sources.pairs.end())
        return;
    const auto position = static_cast<std::size_t>(at - sources.pairs.begin());
    ZVmodelpair added(*at, mix);
    const bool special = has_special_group(added);
    if (!special) {
        for (const ZVmodelpair &e : pairs) {
            const ZVmodelpair &x = added.value <= e.value ? added : e;
            const ZVmodelpair &y = added.value <= e.value ? e : added;
            if (x.graph.inconsistency(y.graph, false, zvcouple::offsets(mix, x, y))[0] != 0) {
                pairs.clear();
                return;
            }
        }
    }
    pairs.insert(pairs.begin() + static_cast<std::ptrdiff_t>(std::min(position, pairs.size())),
                 std::move(added));
    if (!special || determine_tracking(mix, true, nullptr)) {
        update_required_breadths(mix, 1);
        const float limit = modelpairs_value_quantile(*this, false, 0.8);
        for (ZVmodelpair &p : pairs)
            bump_up_graph_max_breadths(p.graph, limit);
    } else {
        pairs.clear();
    }
}

void ZVmodelpairs::determine_mismatching_pairs(const ZVtracking &tracking, bool alternative) {
    for (ZVmodelpair &p : pairs) {
        p.mismatch = 0;
        p.mismatch_count = 0;
    }
    for (std::size_t k = 1; k < pairs.size(); ++k) {
        for (std::size_t jj = 0; jj < k; ++jj) {
            ZVmodelpair &j = pairs[jj], &kp = pairs[k];
            if (!tracking.compare_all && !same_group_class(j, kp))
                continue;
            const double m =
                j.graph.inconsistency(kp.graph, false, zvcouple::offsets(tracking, j, kp))[0] *
                (j.priority + kp.priority);
            if (m == 0)
                continue;
            if (!alternative) {
                j.mismatch_count = static_cast<std::uint16_t>(j.mismatch_count + 1);
                kp.mismatch_count = static_cast<std::uint16_t>(kp.mismatch_count + 1);
                j.mismatch += std::fabs(m);
                kp.mismatch += std::fabs(m);
            } else {
                j.mismatch = std::max(j.mismatch, j.priority + 2 * kp.priority);
                kp.mismatch = std::max(kp.mismatch, kp.priority + 2 * j.priority);
            }
            if (m < 0) {
                j.too_tight = 1;
                kp.too_loose = 1;
            } else {
                j.too_loose = 1;
                kp.too_tight = 1;
            }
        }
    }
    std::erase_if(pairs, [](const ZVmodelpair &p) { return p.mismatch == 0; });
    if (alternative)
        return;
    for (ZVmodelpair &p : pairs) {
        double score = (p.mismatch + 0.125) * ((p.mismatch_count + 1) / p.priority);
        if (p.too_tight && p.too_loose)
            score *= 0.87457275390625;
        else if (p.too_tight)
            score *= 0.99951171875;
        if (has_special_group(p))
            score *= 1.25;
        p.mismatch = score;
    }
}

ZVfeedbacks ZVmodelpairs::worst_mismatches(const ZVtracking &tracking, bool remove_loop,
                                           bool second_pass) {
    ZVfeedbacks result;
    determine_mismatching_pairs(tracking, false);
    std::uint16_t count = 0;
    for (const ZVmodelpair &p : pairs)
        if (p.priority > kDefaultPriority)
            count = static_cast<std::uint16_t>(count + p.mismatch_count);
    last_mismatch_count = count;
    if (second_pass && count >= 2)
        determine_mismatching_pairs(tracking, true);

    auto worst = [&]() -> std::size_t {
        std::size_t w = 0;
        for (std::size_t i = 1; i < pairs.size(); ++i)
            if (pairs[i].mismatch > pairs[w].mismatch)
                w = i;
        return w;
    };
    auto add = [&](const ZVfeedback &f) {
        result.remove(f);
        result.add(f);
    };
    last_worst_feedback = ZVfeedback();
    if (!remove_loop) {
        if (!pairs.empty()) {
            const ZVfeedback f = pairs[worst()].model_removal_feedback(tracking, pairs);
            last_worst_feedback = f;
            if (f.pairs.size() != 1 && f.type != 0)
                add(f);
        }
    } else {
        while (!pairs.empty()) {
            const std::size_t w = worst();
            const ZVfeedback f = pairs[w].model_removal_feedback(tracking, pairs);
            if (last_worst_feedback.type == 0)
                last_worst_feedback = f;
            if (f.pairs.size() == 1)
                break;
            if (f.type != 0)
                add(f);
            pairs.erase(pairs.begin() + static_cast<std::ptrdiff_t>(w));
        }
    }
    pairs.clear();
    return result;
}

void ZVmodelpairs::update_values(std::uint16_t glyph, std::int8_t side,
                                 const ZVsourcepairs &sources) {
    for (ZVmodelpair &p : pairs) {
        const bool holds = side == 1 ? p.indices.first == glyph : p.indices.second == glyph;
        if (!holds)
            continue;
        const auto it = std::find_if(sources.pairs.begin(), sources.pairs.end(),
                                     [&](const ZVsourcepair &s) { return s.indices == p.indices; });
        if (it != sources.pairs.end())
            p.value = p.value_min = p.value_max = it->value;
    }
}

ZVfeedbacks ZVmodelpairs::suspicious_req_breadths() const {
    const float q = modelpairs_value_quantile(*this, false, 0.75);
    std::map<std::array<std::uint16_t, 4>, float> scores;
    auto score_of = [&](const ZVgraph &g, std::uint16_t rows, std::int32_t limit_index,
                        std::int32_t index) -> float {
        const auto count = static_cast<std::int64_t>(g.breadths.size());
        if (rows < 12 || limit_index < 0 || limit_index >= count)
            return 0;
        const double hi = breadth_at(g, static_cast<std::int64_t>(index) - 1);
        const double lo = std::max(g.breadths[limit_index], q);
        if (!(lo < hi))
            return 0;
        double score = std::fabs(hi - lo);
        if (lo != 0) {
            const double r = hi / lo;
            if (r > 0)
                score *= 1 - (r > 1 ? lo / hi : r);
        }
        return static_cast<float>(score);
    };
    auto unpack = [](std::uint32_t v) {
        return ZVglyph_pair{static_cast<std::uint16_t>(v & 0xFFFF),
                            static_cast<std::uint16_t>(v >> 16)};
    };
    for (const ZVmodelpair &p : pairs) {
        if (p.influencer_min != ZV_NO_INFLUENCER) {
            const ZVglyph_pair a = unpack(p.influencer_min);
            float &entry = scores[{a.first, a.second, p.indices.first, p.indices.second}];
            entry = std::max(entry, score_of(p.graph, p.graph.min_rows, p.graph.min_limit_index,
                                             p.graph.min_index));
        }
        if (p.influencer_max != ZV_NO_INFLUENCER) {
            const ZVglyph_pair b = unpack(p.influencer_max);
            float &entry = scores[{p.indices.first, p.indices.second, b.first, b.second}];
            entry = std::max(entry, score_of(p.graph, p.graph.max_rows, p.graph.max_limit_index,
                                             p.graph.max_index));
        }
    }
    ZVfeedbacks result;
    for (const auto &[key, score] : scores) {
        if (score < 80.0f)
            continue;
        const ZVmodelpair *a = find_pair(pairs, {key[0], key[1]});
        const ZVmodelpair *b = find_pair(pairs, {key[2], key[3]});
        if (!a || !b || !same_group_class(*a, *b) || group1_sides(*a) > group1_sides(*b))
            continue;
        const ZVsimplepair named[2] = {*a, *b};
        append_feedback(result, ZVfeedback::tighter_than, named, score);
    }
    return result;
}

ZVfeedbacks ZVmodelpairs::imbalances(const ZVtracking &tracking) const {
    ZVfeedbacks result;
    for (std::size_t k = 1; k < pairs.size(); ++k) {
        for (std::size_t jj = 0; jj < k; ++jj) {
            const ZVmodelpair &j = pairs[jj], &kp = pairs[k];
            if (!same_group_class(j, kp))
                continue;
            auto [m, s, f] =
                j.graph.inconsistency(kp.graph, true, zvcouple::offsets(tracking, j, kp));
            if (m != 0) {
                m *= j.priority + kp.priority;
                s *= j.priority + kp.priority;
            }
            if (s > 10.0 && group1_sides(j) >= group1_sides(kp)) {
                ZVfeedback fb;
                fb.type = ZVfeedback::tighter_than;
                fb.urgency = s;
                fb.pairs = {kp, j};
                result.add(fb);
            } else if (s < -10.0 && group1_sides(j) <= group1_sides(kp)) {
                const ZVsimplepair named[2] = {j, kp};
                append_feedback(result, ZVfeedback::tighter_than, named, -s);
            }
        }
    }
    return result;
}

bool ZVmodelpairs::finalize(ZVmixmanager &mix, bool soften, ZVfeedbacks *feedbacks) {
    if (mix.cost == 0 && determine_tracking(mix, soften, feedbacks)) {
        update_required_breadths(mix, 1);
        return true;
    }
    return false;
}
