#include "engine/model/ZVfeedback.h"

#include <gtest/gtest.h>

namespace {

ZVsimplepair pair(std::uint16_t l, std::uint16_t r) {
    ZVsimplepair p;
    p.indices = {l, r};
    return p;
}

ZVfeedback fb(int type, double urgency = 0, std::vector<ZVsimplepair> pairs = {}, int tight = 0) {
    ZVfeedback f;
    f.type = type;
    f.urgency = urgency;
    f.pairs = std::move(pairs);
    f.pair_is_too_tight = tight;
    return f;
}

std::vector<std::pair<int, double>> contents(const ZVfeedbacks &l) {
    std::vector<std::pair<int, double>> v;
    for (const auto &f : l.list)
        v.emplace_back(f.type, f.urgency);
    return v;
}

} // namespace

TEST(ZVfeedbacks, PlacesNewMessages) {
    struct Case {
        std::vector<std::pair<int, double>> before;
        std::pair<int, double> added;
        std::vector<std::pair<int, double>> after;
    } cases[] = {
        {{{9, 1}, {9, 3}}, {9, 2}, {{9, 1}, {9, 2}, {9, 3}}},
        {{{9, 0}, {14, 0}}, {16, 1}, {{9, 0}, {16, 1}}}, // a trailing status gives way
        {{{9, 0}, {16, 0}}, {15, 1}, {{9, 0}, {15, 1}, {16, 0}}},
        {{{9, 0}, {14, 0}}, {14, 1}, {{9, 0}, {14, 1}, {14, 0}}},
        {{{18, 0}, {19, 0}}, {18, 1}, {{18, 1}, {18, 0}, {19, 0}}},
        {{{10, 5}, {13, 0}}, {9, 1}, {{9, 1}, {10, 5}, {13, 0}}}, // across type 10: by type
        {{{9, 1}, {10, 2}}, {10, 1}, {{9, 1}, {10, 1}, {10, 2}}},
        {{{11, 4}}, {10, 9}, {{10, 9}, {11, 4}}},
        {{}, {0, 1}, {}}, // type 0 changes nothing
    };
    for (const Case &c : cases) {
        ZVfeedbacks l;
        for (const auto &[t, u] : c.before)
            l.list.push_back(fb(t, u, {pair(t, static_cast<std::uint16_t>(u))}));
        l.add(fb(c.added.first, c.added.second, {pair(99, 99)}));
        EXPECT_EQ(contents(l), c.after);
    }
}

TEST(ZVfeedbacks, MatchingAndDismissed) {
    EXPECT_TRUE(fb(7).matches(fb(7))) << "empty pair lists match";
    EXPECT_FALSE(fb(7).matches(fb(8)));
    EXPECT_TRUE(fb(9, 1, {pair(1, 2)}).matches(fb(9, 5, {pair(1, 2)})));
    const ZVfeedback ab = fb(10, 0, {pair(1, 2), pair(3, 4)}, 1);
    const ZVfeedback ba0 = fb(10, 0, {pair(3, 4), pair(1, 2)}, 0);
    const ZVfeedback ba1 = fb(10, 0, {pair(3, 4), pair(1, 2)}, 1);

    ZVfeedbacks l;
    l.dismissed.push_back(ba0);
    l.add(ab);
    EXPECT_TRUE(l.list.empty()) << "the same comparison seen from the other side was dismissed";
    ZVfeedbacks m;
    m.dismissed.push_back(ba1);
    m.add(ab);
    EXPECT_EQ(m.list.size(), 1u) << "crossed pairs that both say the first is tighter differ";
}

TEST(ZVfeedbacks, MergeUniqueAndCleanUp) {
    ZVfeedbacks l, other;
    l.add(fb(9, 1, {pair(1, 1)}));
    other.list.push_back(fb(0));
    other.list.push_back(fb(9, 4, {pair(1, 1)}));
    other.list.push_back(fb(11, 2, {pair(2, 2)}));
    l.merge(other);
    EXPECT_TRUE(other.list.empty());
    EXPECT_EQ(contents(l), (std::vector<std::pair<int, double>>{{11, 2}, {9, 4}}));

    add_feedback_unique(l, fb(11, 1, {pair(2, 2)}));
    EXPECT_EQ(contents(l), (std::vector<std::pair<int, double>>{{11, 2}, {9, 4}}))
        << "a known message keeps its higher urgency";
    add_feedback_unique(l, fb(11, 7, {pair(2, 2)}));
    EXPECT_EQ(contents(l), (std::vector<std::pair<int, double>>{{9, 4}, {11, 7}}));

    l.add(fb(18, 0, {pair(5, 5)}));
    l.add(fb(10, 3, {pair(6, 6)}));
    l.erase_types_9_to_11();
    EXPECT_EQ(contents(l), (std::vector<std::pair<int, double>>{{18, 0}}));
}

TEST(ZVfeedbacks, RemovedModelsComeBackAsAutopairsOrIndependents) {
    ZVfeedbacks l;
    ZVsimplepair identical = pair(1, 2), lost = pair(3, 4);
    identical.value = 5;
    identical.properties.set_kind(ZV_MODEL);
    lost.value = -12;
    lost.value_min = -20;
    lost.value_max = 0;
    lost.properties.c = 0x13; // kind 3 with other bits set
    l.list.push_back(fb(19, 0, {identical, pair(7, 7)}));
    l.list.push_back(fb(9, 0, {pair(8, 8)}));
    l.list.push_back(fb(18, 0, {lost, pair(9, 9)}));
    const auto removed = collect_removed_model_pairs(l);
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0].indices, (ZVglyph_pair{1, 2}));
    EXPECT_EQ(removed[0].properties.kind(), ZV_USER_SET_AUTO);
    EXPECT_EQ(removed[1].properties.c, 0x12) << "only the kind bits change";
    EXPECT_EQ(removed[1].value_min, -12);
    EXPECT_EQ(removed[1].value_max, -12);
}
