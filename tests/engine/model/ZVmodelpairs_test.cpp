#include "engine/model/ZVmodelpairs.h"
#include "model_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using zvtest::demo_glyphs;
using zvtest::test_mix;

namespace {

ZVsourcepairs sources(const std::vector<ZVminipair> &models) {
    ZVsourcepairs s(models);
    s.update_glyphs(demo_glyphs().glyphs);
    return s;
}

ZVmixmanager manager() {
    ZVmixmanager m;
    static_cast<ZVmix &>(m) = test_mix();
    m.values = {0, 0};
    m.singles = {0, 0};
    return m;
}

} // namespace

TEST(ZVmodelpairs, EmptySetCostsNothing) {
    ZVmixmanager mix = manager();
    const ZVmodelpairs set(ZVsourcepairs(), mix, false);
    EXPECT_TRUE(set.empty());
    EXPECT_EQ(mix.cost, 0);
    EXPECT_EQ(mix.cost2, 0);
    EXPECT_EQ(ZVmodelpairs::modelpairs_value_quantile(set, false, 0.8), 70.f) << "the seed value";
    ZVmodelpairs scratch = set;
    EXPECT_TRUE(scratch.worst_mismatches(mix, true, true).list.empty());
}

TEST(ZVmodelpairs, ConsistentModelsCostNothingAndContradictionsDo) {
    const auto &d = demo_glyphs();
    ZVmixmanager mix = manager();
    const ZVsourcepairs good =
        sources({d.mini("n", "n", 0), d.mini("o", "o", -6), d.mini("n", "o", -3)});
    const ZVmodelpairs a(good, mix, false);
    EXPECT_EQ(a.size(), 3u);
    const double consistent_cost = mix.cost;

    // n+n kerned open by 40 while o+o is tight: the looser one is named first.
    const ZVsourcepairs bad =
        sources({d.mini("n", "n", 40), d.mini("o", "o", -6), d.mini("n", "o", -3)});
    const ZVmodelpairs b(bad, mix, false);
    EXPECT_GT(mix.cost, consistent_cost);
    EXPECT_NE(mix.worst_first.indices.first, 65535);
    EXPECT_EQ(mix.comparisons, 3);

    ZVmodelpairs scratch = b;
    const ZVfeedbacks w = scratch.worst_mismatches(mix, false, false);
    EXPECT_TRUE(scratch.empty()) << "the set is left empty";
    ASSERT_EQ(w.list.size(), 1u);
    EXPECT_EQ(w.list.front().type, ZVfeedback::model_status_removed);
    EXPECT_EQ(w.list.front().pairs.front().indices, (ZVglyph_pair{d.index("n"), d.index("n")}));
    EXPECT_EQ(scratch.last_worst_feedback.pairs.front().indices,
              w.list.front().pairs.front().indices);
}

TEST(ZVmodelpairs, ClassesAreComparedOnlyWithinThemselves) {
    auto d = zvtest::DemoGlyphs();
    d.glyphs.glyphs[d.index("hyphen")].tracking_group = {2, 2};
    ZVsourcepairs s({d.mini("n", "n", 0), d.mini("H", "n", 60), d.mini("n", "hyphen", 10)});
    s.update_glyphs(d.glyphs);
    ZVmixmanager mix = manager();
    const ZVmodelpairs set(s, mix, false);
    EXPECT_EQ(mix.comparisons, 1) << "capitals count as the default class; group 2 does not";
    mix.compare_all = 1;
    const ZVmodelpairs all(s, mix, false);
    EXPECT_EQ(mix.comparisons, 3);
}

TEST(ZVmodelpairs, QuantilesAndIndexWalks) {
    ZVmodelpairs set;
    set.pairs.resize(2);
    set.pairs[0].graph.breadths = {10, 20, 30, 40, 50, 60};
    set.pairs[0].graph.max_index = 2; // breadths[1] = 20
    set.pairs[0].graph.min_index = 4; // breadths[3] = 40
    set.pairs[1].graph.breadths = {5, 6};
    set.pairs[1].graph.min_index = 2; // breadths[1] = 6; max_index unset
    EXPECT_EQ(ZVmodelpairs::modelpairs_value_quantile(set, false, 0.0), 6.f);
    EXPECT_EQ(ZVmodelpairs::modelpairs_value_quantile(set, false, 0.5), 20.f);
    EXPECT_EQ(ZVmodelpairs::modelpairs_value_quantile(set, false, 0.9), 40.f);
    EXPECT_EQ(ZVmodelpairs::modelpairs_value_quantile(set, true, 0.5), 70.f);

    ZVgraph g;
    g.breadths = {10, 11, 12, 12.5f, 13, 40, 41};
    g.max_index = 3;
    g.min_index = 0;
    g.max_index_peak = g.min_index_peak = ZV_UNLIMITED_ROW;
    ZVmodelpairs::bump_up_graph_max_breadths(g, 100);
    EXPECT_EQ(g.max_index, 4) << "slow growth is passed, the jump to 40 is not";
    EXPECT_EQ(g.min_index, 0) << "row 0 has no row before it";
}

TEST(ZVmodelpairs, SofteningTrackingExtremes) {
    ZVtracking t;
    t.values = {0, 30, 81, 96, -96, 50};
    t.singles = {0, 40, 161, 176, -176, 100};
    ZVmodelpairs::soften_tracking_extremes(t);
    EXPECT_EQ(t.values, (std::vector<float>{0, 10, 81, 84, -84, 50}));
    EXPECT_EQ(t.singles, (std::vector<float>{0, 30, 161, 164, -164, 100}));
}

TEST(ZVmodelpairs, CustomTrackingNeedsCustomGroups) {
    const auto &d = demo_glyphs();
    ZVmixmanager mix = manager();
    const ZVmodelpairs set(sources({d.mini("n", "n", 0), d.mini("o", "o", -6)}), mix, false);
    set.determine_custom_tracking(mix, 50);
    EXPECT_EQ(mix.compare_all, 0) << "groups 0 and 1 only";
    EXPECT_EQ(set.mismatching_pairs_quick(mix), ZV_NO_MISMATCH);
}

TEST(ZVmodelpairs, CustomGroupTrackingIsSolvedWithinBounds) {
    // Hyphen pairs in their own group, kerned looser than the plain pairs imply.
    auto d = zvtest::DemoGlyphs();
    const std::uint16_t hyphen = d.index("hyphen");
    d.glyphs.glyphs[hyphen].tracking_group = {2, 2};
    ZVsourcepairs s({d.mini("n", "n", 0), d.mini("o", "o", -6), d.mini("n", "hyphen", 12),
                     d.mini("hyphen", "n", 14), d.mini("o", "hyphen", 10)});
    s.update_glyphs(d.glyphs);
    ZVmixmanager mix = manager();
    mix.values.resize(3, 0);
    mix.singles.resize(3, 0);
    ZVmodelpairs set(s, mix, false);
    const bool consistent = set.determine_tracking(mix, true, nullptr);
    EXPECT_EQ(mix.compare_all, 1);
    for (float v : mix.values) {
        EXPECT_TRUE(std::isfinite(v));
        EXPECT_LE(std::fabs(v), 500.f);
    }
    for (float v : mix.singles)
        EXPECT_TRUE(std::isfinite(v));
    if (consistent) {
        EXPECT_EQ(set.mismatching_pairs_quick(mix), ZV_NO_MISMATCH);
    }
}
