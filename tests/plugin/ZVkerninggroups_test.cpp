// Kerning groups rebuilt from targets: which sides are alike, the greedy order, names and sides
// left out; then one master's values per group pair with its exceptions.
#include "plugin/ZVkerninggroups.h"

#include "kerning_fixture.h"

#include <gtest/gtest.h>

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

TEST(KerningGroups, SidesAreAlikeWithinTheToleranceOnSharedPartnersInEveryMaster) {
    struct Case {
        const char *name;
        std::vector<std::vector<ZVkerningtarget>> masters; // right sides of glyphs 1 and 2
        bool grouped;
    };
    const Case cases[] = {
        {"equal", {{target(1, 5, -40), target(2, 5, -40)}}, true},
        {"apart by the tolerance", {{target(1, 5, -40), target(2, 5, -38)}}, true},
        {"apart by more in one master",
         {{target(1, 5, -40), target(2, 5, -40)}, {target(1, 5, -40), target(2, 5, -37)}},
         false},
        {"partners of one only do not count",
         {{target(1, 5, -40), target(2, 5, -40), target(1, 6, -90), target(2, 7, 30)}},
         true},
        {"no shared partner", {{target(1, 5, -40), target(2, 6, -40)}}, false},
        {"a partner shared in one master is enough",
         {{target(1, 5, -40), target(2, 5, -41)}, {target(1, 6, -10), target(2, 7, -90)}},
         true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ZVkerninggroups g = make_kerning_groups(c.masters, zvtest::numbered_glyphs(8), 2.0);
        EXPECT_EQ(members(g.right_sides), (c.grouped ? Members{{1, 2}} : Members{}));
        EXPECT_EQ(g.right_side_of[1], c.grouped ? 0 : -1);
    }
}

TEST(KerningGroups, HeavierSidesChooseFirstAndJoinOnlyWhereAlikeWithEveryMember) {
    // Glyph 3 (heaviest) starts a group; 4 is alike with it; 5 is alike with 4 but not with 3,
    // so it starts a group that 6 joins. Left sides: 8 is kerned by 1, 2 by the same values.
    const std::vector<std::vector<ZVkerningtarget>> masters{{
        target(3, 8, -100, 9),
        target(4, 8, -98, 2),
        target(5, 8, -96, 1),
        target(6, 8, -95, 1),
        target(3, 9, -100, 9),
        target(4, 9, -100, 2),
        target(5, 9, -100, 1),
        target(6, 9, -100, 1),
    }};
    const ZVkerninggroups g = make_kerning_groups(masters, zvtest::numbered_glyphs(10), 2.0);
    EXPECT_EQ(members(g.right_sides), (Members{{3, 4}, {5, 6}}));
    EXPECT_EQ(g.right_sides[1].name, "g5");
    // The left sides of 8 and 9 differ by up to 5 on shared partners.
    EXPECT_EQ(members(g.left_sides), Members{});
    EXPECT_EQ(members(make_kerning_groups(masters, zvtest::numbered_glyphs(10), 5.0).left_sides),
              (Members{{8, 9}}));
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
        t.push_back(target(g, 7, -30));
    const ZVkerninggroups g = make_kerning_groups({t}, o, 0);
    EXPECT_EQ(members(g.right_sides), (Members{{4, 2}}));
    EXPECT_EQ(g.right_sides[0].name, "n1");
    // Glyph 3 has no target: no group, whatever its neighbours.
    EXPECT_EQ(g.right_side_of, (std::vector<std::int32_t>{-1, -1, 0, -1, 0, -1, -1, -1}));
    EXPECT_EQ(members(g.left_sides), Members{}); // 7 alone
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
