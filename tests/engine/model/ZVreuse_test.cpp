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
