#include "engine/geometry/ZVglyphs.h"
#include "glyph_pen.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace PLXlibNamespaceForZV;
using zvtest::add_ellipse;
using zvtest::add_rect;
using zvtest::GlyphPen;
using zvtest::make_glyph;

namespace {

ZVglyph_category cat(std::uint8_t category, std::uint16_t flags = 0) {
    ZVglyph_category c;
    c.category = category;
    c.flags = flags;
    return c;
}

struct Font {
    ZVglyphsinfo info;
    std::vector<PLXglyph> outlines;

    Font() { info.set_glyphs_count(0); }
    PLXglyph &add(const std::string &name, ZVglyph_category category, double width) {
        info.push_back("id-" + name, name, category, "latn", "");
        outlines.push_back(make_glyph("id-" + name, name, width));
        return outlines.back();
    }
    /// A glyph in the table that has no outline.
    void add_empty(const std::string &name) {
        info.push_back("id-" + name, name, cat(ZV_OTHER), "latn", "");
    }
    ZVglyphs build(double scale = 1.0, int zone_height = 315) {
        return ZVglyphs(outlines, info, scale, zone_height);
    }
};

void expect_same_profile(const ZVprofile &a, const ZVprofile &b) {
    EXPECT_EQ(a.depths, b.depths);
    EXPECT_EQ(a.first_row, b.first_row);
    EXPECT_EQ(a.min_depth, b.min_depth);
    EXPECT_EQ(a.max_depth, b.max_depth);
    EXPECT_EQ(a.next_closer_above, b.next_closer_above);
    EXPECT_EQ(a.next_closer_below, b.next_closer_below);
}

ZVprofile profile_of(std::vector<double> depths, int first_row = 0) {
    ZVprofile p;
    p.set_depths(depths, first_row);
    return p;
}

} // namespace

TEST(ZVglyphs, RecordsFollowTheTableAndTheOutlines) {
    Font font;
    add_rect(font.add("H", cat(ZV_UPPERCASE), 600), 50, 0, 550, 700);
    font.add_empty("space");
    add_rect(font.add("n", cat(ZV_LOWERCASE), 500), 60, 0, 440, 500);
    font.outlines.push_back(make_glyph("not-in-table", "x", 100));
    add_rect(font.outlines.back(), 0, 0, 100, 100);

    const ZVglyphs glyphs = font.build(0.5);
    ASSERT_EQ(glyphs.glyphs.size(), 3u);
    const ZVglyph &H = glyphs.glyphs[0];
    EXPECT_EQ(H.name, "H");
    EXPECT_EQ(H.width, 300.f) << "engine units";
    EXPECT_EQ(H.left.first_row, 0);
    EXPECT_EQ(H.left.rows(), 351u);
    EXPECT_EQ(H.left.min_depth, 25);
    EXPECT_EQ(H.right.max_depth, 25);
    EXPECT_TRUE(H.symmetric);

    const ZVglyph &space = glyphs.glyphs[1];
    EXPECT_EQ(space.width, 0.f);
    EXPECT_EQ(space.category.category, ZV_OTHER);
    EXPECT_TRUE(space.left.empty());
    EXPECT_TRUE(space.left_zone.empty());
    EXPECT_EQ(space.left.min_depth, ZV_NO_INK);
    EXPECT_EQ(space.left.max_depth, -ZV_NO_INK);
    EXPECT_EQ(space.tracking_group, (std::array<std::int16_t, 2>{0, 0}));

    // The constructor hands the outlines back in engine units.
    EXPECT_EQ(font.outlines[0].masters[0].advance.x, 300);
    EXPECT_EQ(font.outlines[0].get_x(0, 0, 0), 25);
}

TEST(ZVglyphs, DefaultAndCustomTrackingGroups) {
    struct Case {
        ZVglyph_category category;
        ZVgroup_pair custom;
        std::array<std::int16_t, 2> expected;
    } cases[] = {
        {cat(ZV_UPPERCASE), {0, 0}, {1, 1}},
        {cat(ZV_UPPERCASE, ZV_ONUM_SUBSTITUTE), {0, 0}, {1, 1}},
        {cat(ZV_DIGIT, ZV_LNUM_SUBSTITUTE), {0, 0}, {1, 1}},
        {cat(ZV_DIGIT, ZV_ONUM_SOURCE), {0, 0}, {1, 1}},
        {cat(ZV_DIGIT, ZV_ONUM_SUBSTITUTE), {0, 0}, {0, 0}},
        {cat(ZV_DIGIT, ZV_LNUM_SOURCE), {0, 0}, {0, 0}},
        {cat(ZV_DIGIT), {0, 0}, {1, 1}},
        {cat(ZV_CURRENCY), {0, 0}, {1, 1}},
        {cat(ZV_LOWERCASE), {0, 0}, {0, 0}},
        {cat(ZV_OTHER_SYMBOL), {0, 0}, {0, 0}},
        {cat(ZV_LOWERCASE), {2, 0}, {2, 0}},
        {cat(ZV_UPPERCASE), {1, -1}, {1, -1}}, // a table value of 1 leaves the default
        {cat(ZV_LOWERCASE), {1, 3}, {0, 3}},
    };
    Font font;
    for (const Case &c : cases) {
        PLXglyph &g = font.add("g" + std::to_string(font.outlines.size()), c.category, 300);
        add_rect(g, 10, 0, 290, 100);
        font.info.custom_tracking_groups.back() = c.custom;
    }
    const ZVglyphs glyphs = font.build();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(glyphs.glyphs[i].tracking_group, cases[i].expected);
    }
}

TEST(ZVglyphs, SymmetryCompareBothSides) {
    Font font;
    add_ellipse(font.add("o", cat(ZV_LOWERCASE), 500), 250, 112, 200, 112);
    // An L: the right side is far from the stem above the foot.
    GlyphPen(font.add("L", cat(ZV_UPPERCASE), 500))
        .move_to(50, 0)
        .line_to(450, 0)
        .line_to(450, 80)
        .line_to(130, 80)
        .line_to(130, 700)
        .line_to(50, 700);
    const ZVglyphs glyphs = font.build();
    EXPECT_TRUE(glyphs.glyphs[0].symmetric);
    EXPECT_FALSE(glyphs.glyphs[1].symmetric);
}

TEST(ZVglyphs, ZoneProfilesDeepenRowsOutsideTheZone) {
    Font font;
    add_rect(font.add("p", cat(ZV_LOWERCASE), 300), 50, -100, 250, 225);
    add_rect(font.add("x", cat(ZV_LOWERCASE), 300), 50, 0, 250, 225);
    add_rect(font.add("T", cat(ZV_UPPERCASE), 300), 50, 0, 250, 320);
    add_rect(font.add("hyphen", cat(ZV_OTHER), 300), 50, -50, 250, 400);
    const ZVglyphs glyphs = font.build(1.0, 300);

    const ZVglyph &p = glyphs.glyphs[0];
    ASSERT_EQ(p.left_zone.rows(), p.left.rows());
    for (std::size_t i = 0; i < p.left.rows(); ++i) {
        const int y = p.left.first_row + static_cast<int>(i);
        SCOPED_TRACE(y);
        if (p.left.depths[i] == ZV_NO_INK)
            EXPECT_EQ(p.left_zone.depths[i], ZV_NO_INK);
        else
            EXPECT_EQ(p.left_zone.depths[i], p.left.depths[i] + (y <= -1 ? -y : 0));
    }
    EXPECT_EQ(p.left_zone.max_depth, 50 + 100);
    EXPECT_EQ(p.left_zone.min_depth, p.left.min_depth);
    EXPECT_EQ(p.right_zone.max_depth, 50 + 100);
    EXPECT_EQ(p.left_zone.next_closer_above.size(), p.left.rows()) << "zones are finalized";

    EXPECT_TRUE(glyphs.glyphs[1].left_zone.empty()) << "x stays inside 0..225";
    const ZVglyph &T = glyphs.glyphs[2];
    ASSERT_FALSE(T.right_zone.empty()) << "T rises above the capital zone of 300";
    EXPECT_EQ(T.right_zone.max_depth, 50 + 20);
    EXPECT_TRUE(glyphs.glyphs[3].left_zone.empty()) << "only letters are zoned";
}

TEST(ZVglyphs, NextCloserRowsMatchABruteForceScan) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> value(0, 6);
    for (int round = 0; round < 50; ++round) {
        std::vector<double> depths(1 + round % 17);
        for (double &d : depths)
            d = value(rng) == 6 ? ZV_NO_INK : value(rng);
        ZVprofile p = profile_of(depths);
        p.finalize();
        const int n = static_cast<int>(depths.size());
        for (int k = 0; k < n; ++k) {
            int above = n, below = -1;
            for (int j = k + 1; j < n && above == n; ++j)
                if (depths[j] < depths[k])
                    above = j;
            for (int j = k - 1; j >= 0 && below == -1; --j)
                if (depths[j] < depths[k])
                    below = j;
            EXPECT_EQ(p.next_closer_above[k], above);
            EXPECT_EQ(p.next_closer_below[k], below);
        }
    }
}

TEST(ZVglyphs, SideProfileDifference) {
    const ZVprofile a = profile_of({10, 20, 30}, 0);
    EXPECT_EQ(side_profile_difference(a, a, 100), 0);
    EXPECT_DOUBLE_EQ(side_profile_difference(a, profile_of({12, 20, 26}, 0), 100), (4 + 16) / 3.0);
    EXPECT_DOUBLE_EQ(side_profile_difference(a, profile_of({12, 20, 26}, 0), 15), 4 / 3.0)
        << "distances are capped";
    EXPECT_EQ(side_profile_difference(a, profile_of({10, 20}, 5), 100), 1073741824.0);
    EXPECT_EQ(side_profile_difference(a, profile_of({50, 50}, 1), 100), 0)
        << "a row outside the shared range comes closer than the cap";
    EXPECT_DOUBLE_EQ(side_profile_difference(a, profile_of({50, 50}, 1), 5), 0.0);
    EXPECT_DOUBLE_EQ(
        side_profile_difference(profile_of({200, 20, 30}), profile_of({50, 50}, 1), 100),
        (900 + 400) / 2.0);
}

TEST(ZVglyphs, QuantilesSelectTheKthSmallest) {
    Font font;
    // Left max depths 10, 20, ..., 100 (shuffled), each rectangle 400 wide.
    for (int d : {70, 10, 100, 40, 20, 90, 30, 60, 80, 50}) {
        PLXglyph &g = font.add("g" + std::to_string(d), cat(ZV_LOWERCASE), 500);
        add_rect(g, d, 0, d + 400, 100);
    }
    const ZVglyphs glyphs = font.build();
    EXPECT_EQ(glyphs.max_x_median(0, 0.85), 90) << "k = 8, the 9th smallest";
    EXPECT_EQ(glyphs.max_x_median(0, 0.0), 10);
    EXPECT_EQ(glyphs.max_x_median(0, 0.95), 100) << "k = count - 1";
    EXPECT_EQ(glyphs.max_x_median(1, 0.5), 50) << "right depths are 100 - left: k = 5";

    Font one;
    add_rect(one.add("I", cat(ZV_UPPERCASE), 300), 40, 0, 260, 700);
    const ZVglyphs single = one.build();
    EXPECT_EQ(single.max_x_median(0, 0.85), 40);
    EXPECT_EQ(single.max_x_in_valley_median(1, 0.93), 40);

    const ZVglyphs none;
    EXPECT_EQ(none.max_x_median(0, 0.85), 0) << "no values";
    EXPECT_EQ(none.max_x_in_valley_median(0, 0.93), 0);
}

TEST(ZVglyphs, ValleyTakesTheDeepestRowBetweenTheSlopes) {
    // A C-like left side seen from the right: deep in the middle, close at top and bottom.
    Font font;
    GlyphPen(font.add("c", cat(ZV_LOWERCASE), 300))
        .move_to(20, 0)
        .line_to(280, 0)
        .line_to(280, 20)
        .line_to(200, 20)
        .line_to(200, 80)
        .line_to(280, 80)
        .line_to(280, 100)
        .line_to(20, 100);
    const ZVglyphs glyphs = font.build();
    EXPECT_EQ(glyphs.max_x_in_valley_median(1, 0.93), 100);
    EXPECT_EQ(glyphs.max_x_in_valley_median(0, 0.93), 20) << "a straight side has no valley";
}

TEST(ZVglyphs, SearchWidthIsFourTimesTheQuantileSum) {
    Font font;
    for (int i = 0; i < 3; ++i)
        add_rect(font.add("I" + std::to_string(i), cat(ZV_UPPERCASE), 500), 100, 0, 400, 700);
    EXPECT_EQ(font.build().max_width, 4 * static_cast<int>(200 * 1.25));
    Font empty;
    empty.add_empty("space");
    EXPECT_EQ(empty.build().max_width, 0);
}

TEST(ZVglyphs, HugeOutlinesSaturateTheSearchWidth) {
    Font font;
    // Sides 4e8 deep: the quantile sum fits 32 bits, four times it does not.
    add_rect(font.add("wide", cat(ZV_OTHER), 8e8 + 10), 4e8, 0, 4e8 + 10, 100);
    EXPECT_EQ(font.build().max_width, std::numeric_limits<std::int32_t>::max());
}

TEST(ZVglyphs, RebuildingAGlyphGivesTheConstructedRecord) {
    Font font;
    add_ellipse(font.add("o", cat(ZV_LOWERCASE), 500), 250, 100, 220, 230);
    add_rect(font.add("p", cat(ZV_LOWERCASE), 300), 50, -100, 250, 225);
    add_rect(font.add("H", cat(ZV_UPPERCASE), 600), 50, 0, 550, 700);
    ZVglyphs glyphs = font.build(0.45, 142);
    const ZVglyphs built = glyphs;
    for (std::uint16_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        glyphs.glyphs[i].left = ZVprofile();
        glyphs.glyphs[i].symmetric = !glyphs.glyphs[i].symmetric;
        glyphs.rebuild_glyph(i, font.outlines[i]);
        const ZVglyph &a = glyphs.glyphs[i], &b = built.glyphs[i];
        EXPECT_EQ(a.width, b.width);
        EXPECT_EQ(a.symmetric, b.symmetric);
        expect_same_profile(a.left, b.left);
        expect_same_profile(a.right, b.right);
        expect_same_profile(a.left_zone, b.left_zone);
        expect_same_profile(a.right_zone, b.right_zone);
    }
    // An outline edited away leaves empty profiles behind.
    PLXglyph blank = make_glyph("id-o", "o", 100);
    glyphs.rebuild_glyph(0, blank);
    EXPECT_TRUE(glyphs.glyphs[0].left.empty());
    EXPECT_TRUE(glyphs.glyphs[0].left_zone.empty());
    EXPECT_EQ(glyphs.glyphs[0].width, 100.f);
}
