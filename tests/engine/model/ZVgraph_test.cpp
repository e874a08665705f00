#include "model_fixture.h"

#include <gtest/gtest.h>

#include <limits>

using zvtest::demo_glyphs;
using zvtest::test_mix;

namespace {

ZVgraph graph_of(const char *l, const char *r, float value, ZVmix mix = test_mix()) {
    return ZVgraph(demo_glyphs().source_pair(l, r, value).current_source(), mix);
}

ZVgraph shifted(ZVgraph g, float by) {
    for (float &b : g.breadths)
        b += by;
    return g;
}

} // namespace

TEST(ZVgraph, BreadthsRiseFromTheClosestDistance) {
    const char *pairs[][2] = {{"T", "o"}, {"A", "V"}, {"n", "n"}, {"p", "comma"}};
    for (const auto &[l, r] : pairs) {
        SCOPED_TRACE(testing::Message() << l << "+" << r);
        const ZVsourcepair sp = demo_glyphs().source_pair(l, r, 0);
        const ZVgraph g(sp.current_source(), test_mix());
        ASSERT_GE(g.breadths.size(), 2u);
        EXPECT_LE(g.breadths[0], g.breadths[1]);
        for (std::size_t i = 2; i < g.breadths.size(); ++i)
            EXPECT_GE(g.breadths[i], g.breadths[i - 1]) << i;
        EXPECT_LE(g.breadths[0],
                  std::max(sp.current_source().closest, sp.current_source().closest_variant) +
                      1e-4);
    }
}

TEST(ZVgraph, IdenticalPairsAreIdenticalAndShiftsAreExact) {
    const ZVgraph a = graph_of("A", "V", -20), b = graph_of("A", "V", -20);
    EXPECT_EQ(a.breadths, b.breadths);
    EXPECT_EQ(a.dissimilarity(b), 0);
    EXPECT_EQ(a.similarity_sum({graph_of("n", "n", 0), b}, 3, 0, 0),
              std::numeric_limits<double>::max());
    const auto [lo, hi, mean_lo, mean_hi] = shifted(a, 7).compare(a, 0, 0);
    EXPECT_NEAR(lo, 7, 1e-4);
    EXPECT_NEAR(hi, 7, 1e-4);
    EXPECT_NEAR(mean_lo, 7, 1e-4);
    EXPECT_NEAR(mean_hi, 7, 1e-4);
    EXPECT_NEAR(shifted(a, 7).dissimilarity(a), 7, 1e-4);
    const auto offset = a.compare(a, -2, 3);
    EXPECT_NEAR(offset[0], -2, 1e-9);
    EXPECT_NEAR(offset[1], 3, 1e-9);
}

TEST(ZVgraph, SourcesWithoutShellsOrAmountGiveShortGraphs) {
    EXPECT_TRUE(ZVgraph(ZVsource(), test_mix()).breadths.empty());
    ZVsource one;
    one.closest = 10;
    one.rows.assign(3, {0.3, 0.3, 0.3, 0.3, 0});
    EXPECT_TRUE(ZVgraph(one, test_mix()).breadths.empty()) << "the amount never reaches 1";
    one.rows.assign(4, {0.9, 0.9, 0.9, 0.9, 0});
    const ZVgraph single(one, test_mix());
    ASSERT_EQ(single.breadths.size(), 1u);
    EXPECT_GT(single.breadths[0], 10) << "a single breadth is not replaced by the closest distance";
}

TEST(ZVgraph, InconsistencyIgnoresTinyDifferences) {
    const ZVgraph a = graph_of("n", "n", 0);
    EXPECT_EQ(a.inconsistency(shifted(a, 1e-5f), false, {0, 0})[0], 0);
    EXPECT_NEAR(shifted(a, 3).inconsistency(a, false, {0, 0})[0], 3, 1e-4);
    EXPECT_NEAR(a.inconsistency(shifted(a, 3), false, {0, 0})[0], -3, 1e-4);
    EXPECT_NEAR(a.inconsistency(shifted(a, 3), true, {0, 0})[0], -3, 1e-4);
    const auto none = a.inconsistency(a, true, {0, 0});
    EXPECT_EQ(none[0], 0);
    EXPECT_EQ(none[2], a.breadths[0]);
}

TEST(ZVgraph, SimilaritySumOverTheKNearest) {
    const ZVgraph a = graph_of("n", "n", 0);
    const std::vector<ZVgraph> others{shifted(a, 1), shifted(a, 4), shifted(a, 2)};
    EXPECT_NEAR(a.similarity_sum(others, 2, 0.5, 0), 0.5 + 1.0 / 1 + 1.0 / 2, 1e-3);
    EXPECT_NEAR(a.similarity_sum(others, 5, 0, 0), 1 + 0.25 + 0.5, 1e-3);
    EXPECT_EQ(a.similarity_sum(others, 5, 0, 1.2), std::numeric_limits<double>::max());
    EXPECT_EQ(a.similarity_sum({}, 5, 0.25, 0), 0.25);
}

TEST(ZVgraph, RequiredBreadthRecordsTheDecisiveRows) {
    ZVgraph a = graph_of("n", "n", 0), b = graph_of("o", "o", 0);
    const ZVgraph wide = shifted(a, 30);
    ZVgraph w = wide, c = a;
    ZVgraph::update_required_breadth(w, c, 0, false, false);
    EXPECT_EQ(w.min_rows, 0) << "already wider at row 0: nothing changes";
    EXPECT_EQ(w.min_index, ZV_UNLIMITED_ROW);

    for (ZVgraph *g : {&a, &b})
        g->min_index = g->max_index = g->min_index_peak = g->max_index_peak = g->min_limit_index =
            g->max_limit_index = 3;
    ZVgraph narrow = shifted(b, -30);
    ZVgraph::update_required_breadth(narrow, a, 0, false, false);
    EXPECT_EQ(narrow.min_rows, 1);
    EXPECT_EQ(a.max_rows, 1);
    EXPECT_GE(narrow.min_index, narrow.min_limit_index);
    EXPECT_GE(a.max_index, a.max_limit_index);
    EXPECT_GE(narrow.min_index_peak, 3);
    ZVgraph empty;
    ZVgraph::update_required_breadth(empty, a, 0, false, false);
    EXPECT_EQ(a.max_rows, 1) << "an empty graph takes no part";
}
