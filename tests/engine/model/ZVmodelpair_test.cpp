#include "model_fixture.h"

#include <gtest/gtest.h>

using zvtest::demo_glyphs;
using zvtest::test_mix;

namespace {

ZVmodelpair model(const char *l, const char *r, float value) {
    return ZVmodelpair(demo_glyphs().source_pair(l, r, value), test_mix());
}

} // namespace

TEST(ZVmodelpair, ConstructionFixesTheValue) {
    ZVsourcepair sp = demo_glyphs().source_pair("A", "V", -40);
    sp.value_min = -60;
    sp.properties.set_kind(ZV_INDEPENDENT);
    const ZVmodelpair m(sp, test_mix());
    EXPECT_EQ(m.properties.kind(), ZV_MODEL);
    EXPECT_EQ(m.value_min, -40);
    EXPECT_EQ(m.value_max, -40);
    EXPECT_EQ(m.influencer_min, ZV_NO_INFLUENCER);
    EXPECT_FALSE(m.graph.breadths.empty());
}

TEST(ZVmodelpair, TighterModelCarriesItsExcessOnEveryRoad) {
    // j kerned tighter than k: the lower offset gains (j - min(k, 0)) x 9/7, once.
    const ZVmodelpair j = model("n", "n", -20);
    ZVmodelpair k = model("n", "n", -6);
    k.indices.second = 999; // another pair
    const double excess = (-20 - -6) * 1.2857142857142856;
    EXPECT_EQ(j.inconsistency(k, false, {0, 0}, false)[0],
              j.graph.inconsistency(k.graph, false, {excess, 0})[0]);
    EXPECT_EQ(k.inconsistency(j, false, {0, 0}, false)[0],
              k.graph.inconsistency(j.graph, false, {0, 0})[0])
        << "no excess for the looser one";
    const auto weighted = j.inconsistency(k, false, {0, 0}, true);
    EXPECT_DOUBLE_EQ(weighted[0],
                     j.inconsistency(k, false, {0, 0}, false)[0] * (j.priority + k.priority));

    // The removal message compares the tighter one against the looser with the same excess.
    ZVcomparison record;
    record.offset_lo = excess;
    compare_graph_profiles(record, j.graph, k.graph);
    const ZVfeedback f = k.model_removal_feedback(ZVtracking(), {j, k});
    ASSERT_EQ(record.lo > ZV_TOLERANCE || record.hi < -ZV_TOLERANCE, f.pairs.size() == 2);
}

TEST(ZVmodelpair, RemovalFeedbackNamesTheWorstThree) {
    // The same glyphs kerned at other values contradict the first by the difference.
    ZVmodelpair m = model("o", "o", 0);
    m.mismatch = 2.5;
    std::vector<ZVmodelpair> all{m};
    for (float v : {4.f, 1.f, 8.f, 2.f, 6.f})
        all.push_back(model("o", "o", v));
    for (std::size_t i = 1; i < all.size(); ++i)
        all[i].indices.second = static_cast<std::uint16_t>(1000 + i); // distinct pairs
    const ZVfeedback f = m.model_removal_feedback(ZVtracking(), all);
    EXPECT_EQ(f.type, ZVfeedback::model_status_removed);
    EXPECT_EQ(f.urgency, 2.5);
    ASSERT_EQ(f.pairs.size(), 4u);
    EXPECT_EQ(f.pairs[0].indices, m.indices);
    EXPECT_EQ(f.pairs[1].value, 8);
    EXPECT_EQ(f.pairs[2].value, 6);
    EXPECT_EQ(f.pairs[3].value, 4);

    const ZVfeedback alone = m.model_removal_feedback(ZVtracking(), {m, model("n", "n", 0)});
    EXPECT_LE(alone.pairs.size(), 2u);
    const ZVfeedback self = m.model_removal_feedback(ZVtracking(), {m});
    EXPECT_EQ(self.pairs.size(), 1u) << "nothing to contradict";

    struct Case {
        std::uint8_t tight, loose;
        int expected;
    } flags[] = {{0, 0, 0}, {1, 0, 1}, {0, 1, 0}, {1, 1, -1}};
    for (const Case &c : flags) {
        m.too_tight = c.tight;
        m.too_loose = c.loose;
        EXPECT_EQ(m.model_removal_feedback(ZVtracking(), {m}).pair_is_too_tight, c.expected);
    }
}

TEST(ZVmodelpair, TrackingOffsetsByMode) {
    ZVmodelpair capitals = model("H", "H", 0);
    capitals.left_group = 1;
    capitals.right_group = 2;
    std::vector<ZVmodelpair> all{capitals, model("n", "n", 0), model("o", "o", -4)};
    for (auto &p : all)
        if (p.left_group == 0)
            p.right_group = 1; // sum 1: the models mode 2 would use
    double highest = -1e9;
    std::vector<float> offsets;
    capitals.adjust_tracking(all, highest, offsets, 2);
    EXPECT_TRUE(offsets.empty()) << "mode 2 wants a pair of two capitals";
    EXPECT_EQ(capitals.value_min, 0) << "bounds untouched";
    EXPECT_EQ(highest, -1e9);

    capitals.right_group = 1;
    capitals.adjust_tracking(all, highest, offsets, 2);
    ASSERT_GE(offsets.size(), 2u);
    EXPECT_EQ(offsets.size() % 2, 0u);
    EXPECT_EQ(offsets[offsets.size() - 2], capitals.value - capitals.value_min);
    EXPECT_EQ(offsets.back(), capitals.value - capitals.value_max);
    EXPECT_EQ(highest, capitals.value - capitals.value_max);
    EXPECT_LE(capitals.value_min, capitals.value_max + 1e-3);
}
