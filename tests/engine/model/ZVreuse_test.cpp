// What the engine's speed-ups rely on: a packed measurement gives back exactly what it held, a
// kept graph is found only for the measurement it was built from, and the side-by-side kernels
// give the bits of the one-by-one definitions.
#include "engine/model/ZVgraph_cache.h"
#include "engine/model/ZVmodels.h"
#include "engine/model/ZVparallel.h"
#include "model_fixture.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>

using namespace PLXlibNamespaceForZV;
using zvtest::demo_glyphs;

namespace {

const char *const kPairs[][2] = {
    {"T", "o"}, {"p", "p"}, {"A", "V"},         {"n", "n"}, {"o", "o"},
    {"V", "A"}, {"l", "l"}, {"parenleft", "T"}, {"H", "O"}, {"o", "v"},
};
const float kValues[] = {0, -40, 12.5f};

ZVsource measured(const char *l, const char *r, float value) {
    const auto &d = demo_glyphs();
    ZVsource s;
    s.update_from_glyphs(d[l], d[r], d.n(), value);
    return s;
}

template <class T> bool same_bits(const std::vector<T> &a, const std::vector<T> &b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

} // namespace

TEST(PackedSource, GivesBackEveryShellRecordExactly) {
    for (const auto &[l, r] : kPairs)
        for (const float v : kValues) {
            SCOPED_TRACE(std::string(l) + "/" + r + " at " + std::to_string(v));
            const ZVsource fresh = measured(l, r, v);
            ZVsource packed = fresh;
            packed.pack();
            EXPECT_FALSE(packed.expanded());
            EXPECT_TRUE(packed.rows.empty() && packed.variant_rows.empty());
            EXPECT_EQ(packed.shells(), fresh.shells()) << "the order of source pairs reads it";
            EXPECT_LT(packed.packed_bytes(), fresh.shells() * 5 * sizeof(double));
            ZVsource scratch;
            const ZVsource &back = packed.with_shells(scratch);
            EXPECT_TRUE(same_bits(back.rows, fresh.rows));
            EXPECT_TRUE(same_bits(back.variant_rows, fresh.variant_rows));
            EXPECT_TRUE(same_bits(back.closest, fresh.closest));
            EXPECT_TRUE(same_bits(back.closest_variant, fresh.closest_variant));
            EXPECT_EQ(back.variant_pair, fresh.variant_pair);
            const ZVmix mix = ZVmodels::initial_vertices[5];
            EXPECT_TRUE(same_bits(ZVgraph(packed, mix).breadths, ZVgraph(fresh, mix).breadths));
        }
    EXPECT_FALSE(measured("p", "p", 0).variant_rows.empty()) << "a zoned pair is among them";
}

TEST(PackedSource, KeepsRecordsSetByHandAndEmptyMeasurements) {
    ZVsource by_hand;
    by_hand.rows.assign(4, {0.9, 0.9, 0.9, 0.9, 0});
    by_hand.pack(); // no histograms to rebuild from
    EXPECT_EQ(by_hand.rows.size(), 4u);
    EXPECT_EQ(by_hand.stamp(), 0u);

    ZVsource empty = measured("space", "o", 0);
    empty.pack();
    EXPECT_TRUE(empty.empty());
    ZVsource scratch;
    EXPECT_TRUE(empty.with_shells(scratch).rows.empty());
}

TEST(GraphKernel, MixesEveryShellAsTheOneByOneDefinition) {
    std::vector<double> amounts;
    for (const auto &[l, r] : kPairs)
        for (const float v : kValues)
            for (std::size_t m = 0; m < ZVmodels::initial_vertices.size(); m += 3) {
                SCOPED_TRACE(std::string(l) + "/" + r + " mix " + std::to_string(m));
                const ZVsource s = measured(l, r, v);
                std::array<double, 4> w = ZVmodels::initial_vertices[m].weights;
                w[2] *= w[2];
                mixed_source_values(s, w, amounts);
                ASSERT_EQ(amounts.size(), s.shells());
                for (std::size_t k = 0; k < amounts.size(); ++k)
                    ASSERT_TRUE(same_bits(amounts[k], mixed_source_value(s, k, w))) << k;
            }
}

namespace {

// The all-rows histogram couple by couple, in its plainest order.
std::vector<ZVtriple> all_rows_one_by_one(ZVprofile a, ZVprofile b, unsigned n, double closest) {
    const std::int64_t lo = std::max(a.first_row, b.first_row);
    const std::int64_t hi = std::min<std::int64_t>(a.first_row + std::int64_t(a.rows()),
                                                   b.first_row + std::int64_t(b.rows()));
    if (a.min_depth + b.min_depth < 0)
        for (std::int64_t y = lo; y < hi; ++y) {
            double &da = a.depths[y - a.first_row], &db = b.depths[y - b.first_row];
            const double sum = da + db;
            if (sum < 0)
                da -= sum / 2, db -= sum / 2;
        }
    const auto first = static_cast<std::int64_t>(std::trunc(4 * closest));
    const std::int64_t end =
        std::max(static_cast<std::int64_t>(std::trunc(4 * closest + 10)), std::int64_t(n));
    std::vector<ZVbin> bins(static_cast<std::size_t>(end - first));
    const auto nbins = static_cast<std::int64_t>(bins.size());
    const double E = static_cast<double>(end), d_max = closest + (double(nbins) - 0.5) / 4;
    const auto nb = static_cast<std::int64_t>(b.rows());
    for (std::int64_t q = 0; q < nb; ++q) {
        const std::int64_t g0 = q / 3 * 3, g1 = std::min(g0 + 3, nb);
        bool all_far = true;
        for (std::int64_t k = g0; k < g1; ++k)
            all_far = all_far && b.depths[k] >= E;
        if (all_far)
            continue;
        for (std::size_t i = 0; i < a.rows(); ++i) {
            const double g = a.depths[i] + b.depths[q];
            const std::int64_t ya = a.first_row + std::int64_t(i), yb = b.first_row + q;
            const double dy = double(ya - yb), d2 = dy * dy + g * g;
            if (g > E || (g > 0 && d2 >= d_max * d_max))
                continue;
            const double d = g <= 0 ? std::fabs(dy) : std::sqrt(d2);
            const auto bin = static_cast<std::int64_t>((d - closest) * 4 + 0.5);
            if (bin < 0 || bin >= nbins)
                continue;
            ZVbin &t = bins[std::size_t(bin)];
            t.count += 1, t.sum_a += yb, t.squares_a += yb * yb, t.sum_b += ya,
                t.squares_b += ya * ya;
        }
    }
    return resample_profile_sequence(bins, closest, end, false);
}

ZVprofile random_profile(std::uint32_t &seed, std::int32_t first_row, std::size_t rows, double near,
                         double spread) {
    auto next = [&] { return (seed = seed * 1664525u + 1013904223u) / 4294967296.0; };
    std::vector<double> depths(rows);
    for (double &d : depths)
        d = next() < 0.1 ? ZV_NO_INK : near + spread * next();
    ZVprofile p;
    p.set_depths(depths, first_row);
    return p;
}

} // namespace

TEST(GraphKernel, CountsAllRowsCouplesAsOneByOne) {
    // Far, near, overlapping and inkless rows; the groups of rows of b far beyond the shell end
    // are left out whole, as one by one.
    std::uint32_t seed = 7;
    const struct {
        double near, spread, closest;
        unsigned n;
    } cases[] = {{3, 40, 2.5, 120}, {-6, 30, 0, 80}, {0, 500, 0.25, 40}, {20, 2, 19.75, 10}};
    for (const auto &c : cases)
        for (int round = 0; round < 8; ++round) {
            SCOPED_TRACE(std::to_string(c.near) + " round " + std::to_string(round));
            const ZVprofile a =
                random_profile(seed, round * 7 - 20, 90 + round * 13, c.near, c.spread);
            const ZVprofile b =
                random_profile(seed, 5 - round * 3, 120 - round * 11, c.near, c.spread);
            ZVsource s;
            s.closest = c.closest;
            ZVprofile ta = a, tb = b;
            const std::vector<ZVtriple> got = s.determine_characteristics_total(ta, tb, c.n);
            const std::vector<ZVtriple> want = all_rows_one_by_one(a, b, c.n, c.closest);
            ASSERT_EQ(got.size(), want.size());
            for (std::size_t k = 0; k < got.size(); ++k)
                ASSERT_TRUE(same_bits(got[k].a, want[k].a) && same_bits(got[k].b, want[k].b) &&
                            same_bits(got[k].c, want[k].c))
                    << k;
        }
}

TEST(GraphKernel, ComparesCouplesSideBySideAsOneByOne) {
    std::vector<ZVgraph> graphs;
    for (const auto &[l, r] : kPairs)
        for (const float v : kValues)
            graphs.emplace_back(measured(l, r, v), ZVmodels::initial_vertices[12]);
    graphs.emplace_back(); // an empty graph compares as missing rows
    const std::pair<double, double> offsets[] = {
        {0, 0}, {-3.5, 0}, {0, 7.25}, {-214748368.0, 0}, {0, 214748368.0}, {-20, 20}};
    std::vector<ZVgraph_couple> couples;
    for (std::size_t i = 0; i < graphs.size(); ++i)
        for (std::size_t j = 0; j < graphs.size(); ++j)
            couples.push_back({&graphs[i], &graphs[j], offsets[(i + 2 * j) % 6]});
    std::vector<std::array<double, 3>> side_by_side(couples.size());
    two_way_inconsistencies(couples, side_by_side.data());
    int decided_late = 0;
    for (std::size_t q = 0; q < couples.size(); ++q) {
        const auto one = couples[q].a->inconsistency(*couples[q].b, true, couples[q].offsets);
        for (int e = 0; e < 3; ++e)
            EXPECT_TRUE(same_bits(side_by_side[q][static_cast<std::size_t>(e)],
                                  one[static_cast<std::size_t>(e)]))
                << "couple " << q << " result " << e;
        decided_late += one[0] == 0 && one[1] != 0;
    }
    EXPECT_GT(decided_late, 0) << "some couples run to their mean";
}

TEST(GraphCache, FindsAGraphOnlyForTheMeasurementItWasBuiltFrom) {
    const auto &d = demo_glyphs();
    const ZVmix mix = ZVmodels::initial_vertices[7];
    ZVsource s = measured("T", "o", 0);
    const std::uint64_t first_stamp = s.stamp();
    const ZVgraph kept = zvgraphcache::graph(s, mix);
    EXPECT_TRUE(same_bits(kept.breadths, ZVgraph(s, mix).breadths));
    const ZVsource copy = s; // the same measurement: the same stamp, the same graph
    EXPECT_EQ(copy.stamp(), first_stamp);
    EXPECT_TRUE(same_bits(zvgraphcache::graph(copy, mix).breadths, kept.breadths));

    // Measured again in place (an outline or side-bearing edit): a new stamp, a fresh graph.
    s.update_from_glyphs(d["V"], d["A"], d.n(), 0);
    EXPECT_NE(s.stamp(), first_stamp);
    const ZVgraph again = zvgraphcache::graph(s, mix);
    EXPECT_TRUE(same_bits(again.breadths, ZVgraph(s, mix).breadths));
    EXPECT_FALSE(same_bits(again.breadths, kept.breadths));

    // Another mix is another graph.
    const ZVmix other = ZVmodels::initial_vertices[8];
    EXPECT_TRUE(same_bits(zvgraphcache::graph(s, other).breadths, ZVgraph(s, other).breadths));

    // Records set by hand carry no stamp and are never kept.
    ZVsource by_hand;
    by_hand.rows.assign(3, {0.3, 0.3, 0.3, 0.3, 0});
    const ZVgraph small = zvgraphcache::graph(by_hand, mix);
    by_hand.rows.assign(5, {0.9, 0.9, 0.9, 0.9, 0});
    EXPECT_TRUE(
        same_bits(zvgraphcache::graph(by_hand, mix).breadths, ZVgraph(by_hand, mix).breadths));
    EXPECT_FALSE(same_bits(small.breadths, ZVgraph(by_hand, mix).breadths));
}

TEST(GraphCache, AFullCacheForgetsButNeverGivesAWrongGraph) {
    zvgraphcache::set_capacity(1); // every insertion pushes the older generation out
    const ZVmix mix = ZVmodels::initial_vertices[3];
    std::vector<ZVsource> sources;
    for (const auto &[l, r] : kPairs)
        sources.push_back(measured(l, r, -8));
    for (int round = 0; round < 2; ++round)
        for (const ZVsource &s : sources)
            EXPECT_TRUE(same_bits(zvgraphcache::graph(s, mix).breadths, ZVgraph(s, mix).breadths));
    zvgraphcache::set_capacity(256u << 20);
    zvgraphcache::clear();
}

TEST(ModelFit, KeptComparisonsServeOnlyUnchangedCouplesUnderTheSameMix) {
    const auto &d = demo_glyphs();
    std::vector<ZVminipair> list;
    for (const auto &[l, r] : kPairs)
        list.push_back(d.mini(l, r, static_cast<float>(std::strlen(l) * 3) - 10));
    ZVsourcepairs sources(list);
    sources.update_glyphs(d.glyphs);
    ZVcouple_outcomes kept;
    // Each step evaluates with what the previous one kept and must give the fresh evaluation.
    auto same_as_fresh = [&](const ZVmixmanager &mix, bool weighted, const char *step) {
        SCOPED_TRACE(step);
        ZVmixmanager reused = mix, fresh = mix;
        const ZVmodelpairs with(sources, reused, weighted, &kept);
        const ZVmodelpairs without(sources, fresh, weighted);
        EXPECT_TRUE(same_bits(reused.cost, fresh.cost));
        EXPECT_TRUE(same_bits(reused.cost2, fresh.cost2));
        EXPECT_TRUE(same_bits(reused.overlap_sum, fresh.overlap_sum));
        EXPECT_EQ(reused.comparisons, fresh.comparisons);
        EXPECT_EQ(reused.worst_first.indices, fresh.worst_first.indices);
        EXPECT_EQ(reused.worst_second.indices, fresh.worst_second.indices);
        return fresh.cost;
    };
    const ZVmixmanager a = ZVmodels::initial_vertices[4], b = ZVmodels::initial_vertices[9];
    same_as_fresh(a, false, "first evaluation");
    same_as_fresh(a, false, "the same again");
    sources.pairs[3].value -= 30; // an edit: its couples change, the others stay
    same_as_fresh(a, false, "a value edited");
    sources.pairs[5].priority *= 4;
    same_as_fresh(a, true, "weighted, a priority changed");
    sources.pairs[7].priority *= 2;
    same_as_fresh(a, true, "weighted, another priority changed");
    same_as_fresh(a, false, "unweighted again");
    std::swap(sources.pairs[1], sources.pairs[6]); // couples in the other order
    same_as_fresh(a, false, "two pairs swapped");
    sources.pairs.erase(sources.pairs.begin() + 2); // a model removed
    same_as_fresh(a, false, "a pair removed");
    ZVmixmanager tracked = a;
    tracked.compare_all = 1;
    tracked.values = {0, 6, 3};
    same_as_fresh(tracked, false, "with tracking");
    tracked.values[1] = 9;
    same_as_fresh(tracked, false, "other tracking");
    same_as_fresh(b, false, "another mix");
    // Measured again in place (an outline edit): a new stamp, never an old comparison.
    ZVsourcepairs again(list);
    again.update_glyphs(d.glyphs);
    std::swap(sources, again);
    EXPECT_NE(sources.pairs[0].current_source().stamp(), again.pairs[0].current_source().stamp());
    same_as_fresh(b, false, "measured again");
    // Models far apart: the kept outcomes carry mismatches, taken again with their signs.
    sources.pairs[0].value += 200;
    sources.pairs[4].value -= 200;
    same_as_fresh(b, false, "contradicting");
    EXPECT_GT(same_as_fresh(b, false, "contradicting, again"), 0);
}

TEST(ModelFit, ThreadedAndSerialFitsAgree) {
    const auto &d = demo_glyphs();
    std::vector<ZVminipair> list;
    for (const auto &[l, r] : kPairs)
        list.push_back(d.mini(l, r, static_cast<float>(std::strlen(l) * 3) - 10));
    auto fit = [&](std::size_t threads) {
        zvparallel::set_threads(threads);
        zvgraphcache::clear();
        ZVmodels m(list);
        m.update_glyphs(d.glyphs);
        m.determine_mix_and_modelpairs(false);
        zvparallel::set_threads(0);
        return m;
    };
    const ZVmodels serial = fit(1), threaded = fit(4);
    ASSERT_EQ(serial.modelpairs.size(), threaded.modelpairs.size());
    ASSERT_EQ(serial.mixes.size(), threaded.mixes.size());
    for (std::size_t i = 0; i < serial.mixes.size(); ++i) {
        EXPECT_TRUE(same_bits(serial.mixes[i].cost, threaded.mixes[i].cost));
        EXPECT_TRUE(same_bits(serial.mixes[i].cost2, threaded.mixes[i].cost2));
        EXPECT_EQ(serial.mixes[i].weights, threaded.mixes[i].weights);
    }
    for (std::size_t i = 0; i < serial.modelpairs.size(); ++i)
        EXPECT_TRUE(same_bits(serial.modelpairs.pairs[i].graph.breadths,
                              threaded.modelpairs.pairs[i].graph.breadths));
}

// Mixes evaluated together in one loop of the pool give each what it gives alone (and the same
// model pairs): unweighted, weighted, with tracking, with kept comparisons, contradicting.
TEST(ModelFit, MixesEvaluatedTogetherAsOneByOne) {
    const auto &d = demo_glyphs();
    std::vector<ZVminipair> list;
    for (const auto &[l, r] : kPairs)
        list.push_back(d.mini(l, r, static_cast<float>(std::strlen(l) * 3) - 10));
    list[4].value -= 200; // a contradiction, so that costs and worst couples are not 0
    ZVsourcepairs sources(list);
    sources.update_glyphs(d.glyphs);
    sources.pairs[2].priority *= 4;
    ZVmixmanager tracked = ZVmodels::initial_vertices[7];
    tracked.compare_all = 1;
    tracked.values = {0, 6, 3};
    const std::vector<std::pair<ZVmixmanager, bool>> cases = {
        {ZVmodels::initial_vertices[0], false},
        {ZVmodels::initial_vertices[0], true},
        {ZVmodels::initial_vertices[12], false},
        {tracked, false},
        {tracked, true}};
    std::vector<ZVcouple_outcomes> kept_alone(cases.size()), kept_together(cases.size());
    zvparallel::set_threads(4);
    for (const char *round : {"first", "with kept comparisons"}) {
        SCOPED_TRACE(round);
        std::vector<ZVmixmanager> alone, together;
        std::vector<ZVmodelpairs> sets_alone;
        std::vector<ZVmix_evaluation> evaluations;
        for (const auto &[mix, weighted] : cases) {
            alone.push_back(mix);
            together.push_back(mix);
        }
        for (std::size_t i = 0; i < cases.size(); ++i) {
            sets_alone.emplace_back(sources, alone[i], cases[i].second, &kept_alone[i]);
            evaluations.push_back({&together[i], cases[i].second, &kept_together[i]});
        }
        const std::vector<ZVmodelpairs> sets =
            ZVmodelpairs::evaluate_together(sources, evaluations);
        ASSERT_EQ(sets.size(), cases.size());
        for (std::size_t i = 0; i < cases.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_TRUE(same_bits(alone[i].cost, together[i].cost));
            EXPECT_TRUE(same_bits(alone[i].cost2, together[i].cost2));
            EXPECT_TRUE(same_bits(alone[i].overlap_sum, together[i].overlap_sum));
            EXPECT_EQ(alone[i].comparisons, together[i].comparisons);
            EXPECT_EQ(alone[i].worst_first.indices, together[i].worst_first.indices);
            EXPECT_EQ(alone[i].worst_second.indices, together[i].worst_second.indices);
            ASSERT_EQ(sets[i].size(), sets_alone[i].size());
            for (std::size_t p = 0; p < sets[i].size(); ++p)
                EXPECT_TRUE(same_bits(sets[i].pairs[p].graph.breadths,
                                      sets_alone[i].pairs[p].graph.breadths));
        }
        EXPECT_GT(alone[0].cost, 0);
    }
    zvparallel::set_threads(0);
}
