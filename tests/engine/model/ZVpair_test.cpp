#include "model_fixture.h"

#include <gtest/gtest.h>

using zvtest::demo_glyphs;
using zvtest::test_mix;

namespace {

ZVtracking tracking() {
    ZVtracking t;
    t.values = {0, 4, -6, 8, 2};
    t.singles = {0, 5, -9, 12, 3};
    return t;
}

ZVmodelpair model(const char *l, const char *r, float value, std::int16_t g1 = 0,
                  std::int16_t g2 = 0) {
    ZVsourcepair sp = demo_glyphs().source_pair(l, r, value);
    sp.left_group = g1;
    sp.right_group = g2;
    return ZVmodelpair(sp, test_mix());
}

} // namespace

TEST(PairTracking, CombinedTracking) {
    const ZVtracking t = tracking();
    struct Case {
        int g, h;
        double expected;
    } cases[] = {
        {2, 2, -9},    // one group on both sides: its single value
        {1, 3, 4 + 8}, // with the capitals group: both values
        {3, 1, 4 + 8},
        {0, 3, 8},            // no standard tracking
        {3, 4, 8 + 0.25 * 2}, // same sign: the larger fully, the smaller by a quarter
        {4, 3, 8 + 0.25 * 2},
        {2, 3, -6 + 8}, // opposite signs add
        {-1, 3, 8},     // No kerning reads as 0
        {7, 3, 8},      // a group beyond the table reads as 0
        {-1, -1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.g << "," << c.h);
        EXPECT_DOUBLE_EQ(combined_tracking(t, c.g, c.h), c.expected);
    }
}

TEST(PairTracking, CorrectionBetweenPairAndModelGroups) {
    const ZVtracking t = tracking();
    struct Case {
        int g1, g2, h1, h2;
        double expected;
    } cases[] = {
        {0, 1, 1, 1, -5},                       // a model of two capitals
        {1, 1, 1, 0, 5},      {0, 3, 1, 3, -4}, // the shared custom group cancels
        {2, 0, 0, 0, -6 - 0}, {3, 4, 0, 0, 8.5}, {0, 0, 3, 4, -8.5}, {1, 2, 0, 0, 4 - 6},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.g1 << c.g2 << "/" << c.h1 << c.h2);
        EXPECT_DOUBLE_EQ(
            pair_tracking_correction(t, pack_groups(c.g1, c.g2), pack_groups(c.h1, c.h2)),
            c.expected);
    }
}

TEST(AdjustValues, NeverWidensTheBounds) {
    const char *pairs[][2] = {{"T", "o"},      {"A", "V"}, {"n", "n"},
                              {"o", "period"}, {"l", "v"}, {"H", "O"}};
    const std::vector<ZVmodelpair> models{model("n", "o", -5), model("V", "A", -60),
                                          model("T", "comma", -80), model("H", "H", 0),
                                          model("o", "v", -10, 2, 0)};
    for (const auto &[l, r] : pairs) {
        for (float value : {-30.f, 0.f, 20.f}) {
            ZVsourcepair sp = demo_glyphs().source_pair(l, r, value);
            sp.properties.set_kind(ZV_AUTOKERNED);
            ZVpair p = sp;
            p.value_min = -100;
            p.value_max = 100;
            const ZVgraph graph(sp.current_source(), test_mix());
            std::vector<float> estimates;
            for (const ZVmodelpair &m : models) {
                const float lo = p.value_min, hi = p.value_max;
                p.adjust_values(m, graph, tracking(), estimates, false);
                EXPECT_GE(p.value_min, lo);
                EXPECT_LE(p.value_max, hi);
            }
            EXPECT_EQ(estimates.size() % 2, 0u);
        }
    }
}

TEST(AdjustValues, SameGroupsIgnoreTheTracking) {
    const ZVmodelpair m = model("n", "o", -5, 2, 3);
    ZVsourcepair sp = demo_glyphs().source_pair("o", "n", 0);
    sp.left_group = 3;
    sp.right_group = 2; // crossed
    const ZVgraph graph(sp.current_source(), test_mix());
    ZVpair with = sp, without = sp;
    std::vector<float> e1, e2;
    with.adjust_values(m, graph, tracking(), e1, false);
    without.adjust_values(m, graph, ZVtracking(), e2, false);
    EXPECT_EQ(with.value_min, without.value_min);
    EXPECT_EQ(with.value_max, without.value_max);
    EXPECT_EQ(e1, e2);
}

TEST(AdjustValues, ModelsInCustomGroupsDoNotBindPlainModels) {
    ZVsourcepair sp = demo_glyphs().source_pair("H", "H", 0);
    sp.left_group = sp.right_group = 1;
    const ZVgraph graph(sp.current_source(), test_mix());
    ZVpair p = sp; // kind 3
    p.value_min = -100;
    p.value_max = 100;
    std::vector<float> estimates;
    p.adjust_values(model("n", "o", -5, 2, 3), graph, tracking(), estimates, false);
    EXPECT_EQ(p.value_min, -100);
    EXPECT_EQ(p.value_max, 100);
    EXPECT_TRUE(estimates.empty());
}

TEST(AdjustValues, AgainstItsTwinThePairIsPinned) {
    // A pair compared with an identical model at the same value is bound to that value.
    const ZVmodelpair m = model("A", "V", -40);
    ZVsourcepair sp = demo_glyphs().source_pair("A", "V", -40);
    sp.properties.set_kind(ZV_AUTOKERNED);
    ZVpair p = sp;
    p.value_min = ZV_NO_LOWER_BOUND;
    p.value_max = ZV_NO_VALUE;
    std::vector<float> estimates;
    p.adjust_values(m, m.graph, ZVtracking(), estimates, false);
    EXPECT_NEAR(p.value_max, -40, 1e-3);
    EXPECT_GT(p.value_min, -40.01) << "softened toward the tighter model, never below it";
    EXPECT_LE(p.value_min, p.value_max + 1e-3);
}
