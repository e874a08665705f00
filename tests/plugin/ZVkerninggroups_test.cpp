// Kerning groups rebuilt from targets: which sides are alike, the greedy order, names and sides
// left out; then one master's values per group pair with its exceptions.
#include "plugin/ZVkerninggroups.h"

#include "kerning_fixture.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using zvtest::target;

std::vector<std::vector<std::uint16_t>> members(const std::vector<ZVkerninggroup> &groups) {
    std::vector<std::vector<std::uint16_t>> out;
    for (const ZVkerninggroup &g : groups)
        out.push_back(g.members);
    return out;
}

using Members = std::vector<std::vector<std::uint16_t>>;

} // namespace

namespace {

/// Targets of the right side of `side` with each partner from `first` on, one value each.
std::vector<ZVkerningtarget> row(std::uint16_t side, std::uint16_t first,
                                 std::vector<std::int32_t> values) {
    std::vector<ZVkerningtarget> out;
    for (std::size_t i = 0; i < values.size(); ++i)
        out.push_back(target(side, static_cast<std::uint16_t>(first + i), values[i]));
    return out;
}

std::vector<ZVkerningtarget> operator+(std::vector<ZVkerningtarget> a,
                                       const std::vector<ZVkerningtarget> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(KerningGroups, SidesAreAlikeOnEnoughSharedPartnersWithinTheToleranceInEveryMaster) {
    struct Case {
        const char *name;
        std::vector<std::vector<ZVkerningtarget>> masters; // right sides of glyphs 1 and 2
        bool grouped;
    };
    const std::vector<std::int32_t> three{-40, -20, 0};
    const Case cases[] = {
        {"three shared, equal", {row(1, 5, three) + row(2, 5, three)}, true},
        {"three shared, apart by the tolerance",
         {row(1, 5, three) + row(2, 5, {-38, -22, 2})},
         true},
        {"apart by more in one master",
         {row(1, 5, three) + row(2, 5, three), row(1, 5, three) + row(2, 5, {-40, -20, 3})},
         false},
        // A group formed on one or two shared partners gives every other pair of its members
        // a value nothing supports.
        {"one shared partner is not enough", {row(1, 5, {-40}) + row(2, 5, {-40})}, false},
        {"two shared partners are not enough",
         {row(1, 5, {-40, -20}) + row(2, 5, {-40, -20})},
         false},
        // Each side has partners of its own beside the three they share.
        {"three shared, the smaller side with thirteen: less than a quarter",
         {row(1, 5, three) + row(1, 8, std::vector<std::int32_t>(10, 9)) + row(2, 5, three) +
          row(2, 18, std::vector<std::int32_t>(10, 9)) + row(2, 28, {1})},
         false},
        {"three shared, the smaller side with twelve: a quarter",
         {row(1, 5, three) + row(1, 8, std::vector<std::int32_t>(9, 9)) + row(2, 5, three) +
          row(2, 18, std::vector<std::int32_t>(10, 9))},
         true},
        {"partners shared in different masters count once each",
         {row(1, 5, {-40, -20}) + row(2, 5, {-40, -20}),
          row(1, 5, {-40, -20}) + row(1, 7, {0}) + row(2, 5, {-41, -20}) + row(2, 7, {0})},
         true},
        {"a partner shared in two masters counts once",
         {row(1, 5, {-40, -20}) + row(2, 5, {-40, -20}),
          row(1, 5, {-40, -20}) + row(2, 5, {-40, -20})},
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ZVkerninggroups g = make_kerning_groups(c.masters, zvtest::numbered_glyphs(30), 2.0);
        EXPECT_EQ(members(g.right_sides), (c.grouped ? Members{{1, 2}} : Members{}));
        EXPECT_EQ(g.right_side_of[1], c.grouped ? 0 : -1);
    }
}

TEST(KerningGroups, TheEvidenceRule) {
    const std::tuple<std::size_t, std::size_t, bool> cases[] = {
        {2, 2, false}, {3, 3, true},   {3, 12, true}, {3, 13, false},
        {4, 16, true}, {4, 17, false}, {0, 0, false}};
    for (const auto &[shared, partners, enough] : cases)
        EXPECT_EQ(enough_evidence(shared, partners), enough) << shared << " of " << partners;
}

TEST(KerningGroups, HeavierSidesChooseFirstAndJoinOnlyWhereAlikeWithEveryMember) {
    // Glyph 3 (heaviest) starts a group; 4 is alike with it; 5 is alike with 4 but not with 3,
    // so it starts a group that 6 joins. Left sides: 9 and 10 are kerned alike by 3 to 6, 8 by
    // values up to 5 apart from theirs.
    std::vector<ZVkerningtarget> t;
    const std::pair<std::uint16_t, std::uint16_t> sides[] = {{3, 9}, {4, 2}, {5, 1}, {6, 1}};
    const std::int32_t first[] = {-100, -98, -96, -95};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto [side, f] = sides[i];
        t.push_back(target(side, 8, first[i], f));
        t.push_back(target(side, 9, -100, f));
        t.push_back(target(side, 10, -100, f));
    }
    const ZVkerninggroups g = make_kerning_groups({t}, zvtest::numbered_glyphs(12), 2.0);
    EXPECT_EQ(members(g.right_sides), (Members{{3, 4}, {5, 6}}));
    EXPECT_EQ(g.right_sides[1].name, "g5");
    EXPECT_EQ(members(g.left_sides), (Members{{9, 10}}));
    EXPECT_EQ(members(make_kerning_groups({t}, zvtest::numbered_glyphs(12), 5.0).left_sides),
              (Members{{8, 9, 10}}));
}

TEST(KerningGroups, NamesFollowTheFontsGlyphOrderAndSomeSidesStayOut) {
    ZVglyphorder o = zvtest::numbered_glyphs(8);
    // Engine glyph 4 stands first in the font.
    o.glyph_id = {0, 2, 3, 4, 1, 5, 6, 7};
    o.names = {"n0", "n1", "n2", "n3", "n4", "n5", "n6", "n7"};
    o.groupable[5] = 1;    // its right side is in the No-kerning group
    o.glyph_id[6] = 65535; // not in the font
    std::vector<ZVkerningtarget> t;
    for (std::uint16_t g : {2, 4, 5, 6})
        for (std::uint16_t partner : {0, 1, 7})
            t.push_back(target(g, partner, -30));
    const ZVkerninggroups g = make_kerning_groups({t}, o, 0);
    EXPECT_EQ(members(g.right_sides), (Members{{4, 2}}));
    EXPECT_EQ(g.right_sides[0].name, "n1");
    // Glyph 3 has no target: no group, whatever its neighbours.
    EXPECT_EQ(g.right_side_of, (std::vector<std::int32_t>{-1, -1, 0, -1, 0, -1, -1, -1}));
    // The partners' left sides, kerned alike by all four, are grouped in glyph order.
    EXPECT_EQ(members(g.left_sides), (Members{{0, 1, 7}}));
    EXPECT_EQ(g.left_sides[0].name, "n0");
}

TEST(KerningGroups, EachGroupPairTakesTheValueCarryingMostFrequency) {
    // Right sides {1, 2, 3}, left sides {5, 6}: made by hand.
    ZVkerninggroups groups;
    groups.right_sides = {{"g1", {1, 2, 3}}};
    groups.left_sides = {{"g5", {5, 6}}};
    groups.right_side_of = {-1, 0, 0, 0, -1, -1, -1, -1};
    groups.left_side_of = {-1, -1, -1, -1, -1, 0, 0, -1};
    struct Case {
        const char *name;
        std::vector<ZVkerningtarget> targets;
        std::vector<ZVclassentry> classes;
        std::vector<std::pair<ZVglyph_pair, std::int64_t>> entries; // pair, weight
        std::size_t untargeted;
    };
    const Case cases[] = {
        {"most frequency, summed",
         {target(1, 5, -10, 5), target(2, 5, -10, 3), target(3, 5, -20, 7)},
         {{0, 0, -10}},
         {{{3, 5}, 70}},
         3},
        {"equal frequency: the smaller magnitude",
         {target(1, 5, -10, 5), target(2, 5, -4, 5)},
         {{0, 0, -4}},
         {{{1, 5}, 30}},
         4},
        {"equal frequency and magnitude: the smaller value",
         {target(1, 5, 10, 5), target(2, 5, -10, 5)},
         {{0, 0, -10}},
         {{{1, 5}, 100}},
         4},
        {"a marker counts 1",
         {target(1, 5, -10, 36833), target(2, 5, -20, 2)},
         {{0, 0, -20}},
         {{{1, 5}, 10}},
         4},
        {"zero writes nothing", {target(1, 5, 0, 5), target(2, 5, -10, 1)}, {}, {{{2, 5}, 10}}, 0},
        {"an exception to zero",
         {target(1, 5, -10, 5), target(2, 5, 0, 1)},
         {{0, 0, -10}},
         {{{2, 5}, 10}},
         4},
        {"an ungrouped side is glyph to glyph",
         {target(1, 7, -10, 5), target(4, 5, 0, 1)},
         {},
         {{{1, 7}, 50}},
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ZVwrittenkerning w = grouped_kerning(c.targets, groups);
        ASSERT_EQ(w.class_entries.size(), c.classes.size());
        for (std::size_t i = 0; i < c.classes.size(); ++i)
            EXPECT_EQ(w.class_entries[i].value, c.classes[i].value);
        std::vector<std::pair<ZVglyph_pair, std::int64_t>> entries;
        for (const ZVkerningentry &e : w.glyph_entries)
            entries.emplace_back(e.pair, e.weight);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(w.untargeted_pairs, c.untargeted);
    }
}

TEST(KerningGroups, KeptZerosAndFlagsReachTheEntries) {
    ZVkerninggroups groups;
    groups.right_sides = {{"g1", {1, 2}}};
    groups.left_sides = {{"g5", {5, 6}}};
    groups.right_side_of = {-1, 0, 0, -1, -1, -1, -1};
    groups.left_side_of = {-1, -1, -1, -1, -1, 0, 0};
    ZVkerningtarget kept = target(1, 5, 0);
    kept.keeps_zero = true;
    kept.never_dropped = true;
    ZVkerningtarget composite = target(2, 6, -8, ZV_COMPOSITES_FREQUENCY);
    const ZVwrittenkerning w = grouped_kerning({kept, composite, target(2, 5, 0)}, groups);
    EXPECT_TRUE(w.class_entries.empty());
    ASSERT_EQ(w.glyph_entries.size(), 2u);
    EXPECT_EQ(w.glyph_entries[0].value, 0);
    EXPECT_EQ(w.glyph_entries[0].weight, 0);
    EXPECT_TRUE(w.glyph_entries[0].never_dropped);
    EXPECT_EQ(w.glyph_entries[1].weight, 8);
    EXPECT_TRUE(w.glyph_entries[1].never_dropped);
}

// The font's own pairs without a target: flat, each stays as it was; under class pairs, one the
// class pair gives within the tolerance is left to it, any other stays as an exception.
TEST(KerningGroups, TheFontsOwnPairsStayOrAreLeftToTheirClassPairs) {
    ZVkerninggroups groups;
    groups.right_sides = {{"g1", {1, 2, 3}}};
    groups.left_sides = {{"g5", {5, 6}}};
    groups.right_side_of = {-1, 0, 0, 0, -1, -1, -1, -1};
    groups.left_side_of = {-1, -1, -1, -1, -1, 0, 0, -1};
    const std::vector<ZVkerningtarget> targets{target(1, 5, -40, 9), target(2, 5, -40, 9)};
    std::size_t replaced = 0;
    // The font had 1 5 (a target), 2 6 and 3 6 near the class value, 3 5 far from it, 1 7 (no
    // class pair covers it) small, and an explicit 0 at 4 4.
    const std::vector<ZVkerningtarget> others = pairs_without_target(
        {{{1, 5}, -90}, {{2, 6}, -37}, {{3, 5}, -10}, {{3, 6}, -44}, {{1, 7}, -3}, {{4, 4}, 0}},
        targets, replaced);
    EXPECT_EQ(replaced, 1u);
    ASSERT_EQ(others.size(), 5u);
    EXPECT_EQ(others[0].frequency, ZV_UNKNOWN_FREQUENCY);
    EXPECT_TRUE(others[0].keeps_zero);

    ZVfontpairs flat;
    const ZVwrittenkerning f = final_master_kerning(targets, others, nullptr, 4.0, flat);
    EXPECT_EQ(flat.kept, 5u);
    EXPECT_EQ(flat.removed, 0u);
    ASSERT_EQ(f.glyph_entries.size(), 7u);
    for (const ZVkerningentry &e : f.glyph_entries) {
        const bool target_pair = e.pair == ZVglyph_pair(1, 5) || e.pair == ZVglyph_pair(2, 5);
        EXPECT_EQ(e.from_font, !target_pair);
    }

    ZVfontpairs grouped;
    const ZVwrittenkerning g = final_master_kerning(targets, others, &groups, 4.0, grouped);
    ASSERT_EQ(g.class_entries.size(), 1u);
    EXPECT_EQ(g.class_entries[0].value, -40);
    EXPECT_EQ(grouped.removed, 2u); // 2 6 (-37) and 3 6 (-44)
    EXPECT_EQ(grouped.kept, 3u);
    std::vector<std::tuple<ZVglyph_pair, std::int32_t, std::int64_t>> entries;
    for (const ZVkerningentry &e : g.glyph_entries)
        entries.emplace_back(e.pair, e.value, e.weight);
    // 3 5 stays as an exception weighing its change from the class value; 1 7 and the 0 stay.
    EXPECT_EQ(entries, (std::vector<std::tuple<ZVglyph_pair, std::int32_t, std::int64_t>>{
                           {{1, 7}, -3, 3}, {{3, 5}, -10, 30}, {{4, 4}, 0, 0}}));
    // Of the class pair's six pairs, two are targets and three had a value of their own.
    EXPECT_EQ(g.untargeted_pairs, 1u);
}
