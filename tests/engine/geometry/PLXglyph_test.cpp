#include "engine/geometry/PLXglyph.h"
#include "engine/geometry/ZVrasterization.h"
#include "glyph_pen.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace PLXlibNamespaceForZV;

namespace {

PLXglyph triangle(double scale) {
    PLXglyph g(1, 1, 0);
    g.scale = scale;
    g.masters[0].contours[0].points = {{10, 20}, {30, 40}, {50, 60}};
    g.masters[0].advance.x = 500;
    return g;
}

} // namespace

TEST(PLXglyph, ConstructionGivesEveryMasterItsContoursAndIndex) {
    PLXglyph g(3, 2, 7);
    EXPECT_EQ(g.get_masters_number(), 3u);
    EXPECT_EQ(g.get_contours_number(), 2);
    EXPECT_EQ(g.scale, 7.0);
    for (std::size_t m = 0; m < 3; ++m) {
        EXPECT_EQ(g.masters[m].index, m);
        EXPECT_EQ(g.masters[m].contours.size(), 2u);
        EXPECT_EQ(g.masters[m].advance.type, 4u);
    }
    PLXglyph none(0, 5, 2);
    EXPECT_EQ(none.get_masters_number(), 0u);
    EXPECT_EQ(none.get_contours_number(), 5);
    EXPECT_EQ(none.scale, 2.0);
}

TEST(PLXglyph, PointReadsWrapAroundAndScale) {
    PLXglyph g = triangle(2);
    EXPECT_EQ(g.get_x(0, 0, 0), 20);
    EXPECT_EQ(g.get_x(0, 0, 3), 20) << "p = n reads point 0";
    EXPECT_EQ(g.get_x(0, 0, 4294967295u), 100) << "p = -1 as 32 bits reads the last point";
    EXPECT_EQ(g.get_y(0, 0, 4294967295u), 120);
    EXPECT_EQ(g.get_x(0, -1, 9), 1000) << "contour -1 is the advance, scaled";
    EXPECT_EQ(g.get_y(0, -1, 9), 0) << "the height is never reported";
    EXPECT_EQ(g.get_x(0, 1, 0), 0) << "a contour beyond the count reads 0";
    g.scale = 0;
    EXPECT_EQ(g.get_x(0, 0, 1), 30) << "scale 0 returns the stored value";
}

TEST(PLXglyph, ContourWithoutPointsReadsZero) {
    PLXglyph g(1, 2, 0);
    EXPECT_EQ(g.get_x(0, 0, 0), 0);
    EXPECT_EQ(g.get_y(0, 1, 4294967295u), 0);
    EXPECT_EQ(g.points_number(0, 0), 0u);
}

TEST(PLXglyph, SetXGrowsContoursAndSetYDoesNot) {
    PLXglyph g(1, 0, 0);
    g.set_y(0, 2, 0, 5);
    EXPECT_EQ(g.masters[0].contours.size(), 0u) << "set_y never creates a contour";
    g.set_x(0, 2, 3, 7);
    ASSERT_EQ(g.masters[0].contours.size(), 3u);
    EXPECT_EQ(g.points_number(0, 2), 4u);
    EXPECT_EQ(g.masters[0].contours[2].points[0].type, 4u) << "new points are on-curve";
    g.set_y(0, 2, 5, 9);
    EXPECT_EQ(g.points_number(0, 2), 6u);
    EXPECT_EQ(g.get_y(0, 2, 5), 9);
    g.scale = 4;
    g.set_x(0, 0, 0, 10);
    EXPECT_EQ(g.masters[0].contours[0].points[0].x, 2.5) << "values are stored divided by scale";
}

TEST(PLXglyph, AdvanceWidthRounding) {
    struct Case {
        double scale, value, stored;
    } cases[] = {
        {1, 500.5, 501},     {0, 500.5, 500.5},           {0, 500.004, 500},
        {2, 1001.0, 501},    {1, -500.5, -501},           {0, -500.004, -500},
        {0, 499.98, 499.98}, {1, 0.49999999999999994, 0}, {1, 499.98, 500},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << c.scale << " value " << c.value);
        PLXglyph g(1, 0, 0);
        g.scale = c.scale;
        g.set_x(0, -1, 0, c.value);
        EXPECT_EQ(g.masters[0].advance.x, c.stored);
    }
}

TEST(PLXglyph, TypeAndSelectionReferences) {
    PLXglyph g(1, 0, 0);
    g.point_type(0, 1, 2) = 3;
    EXPECT_EQ(g.points_number(0, 1), 3u);
    EXPECT_EQ(g.masters[0].contours[1].points[2].type, 3u);
    g.selected(0, -1, 0) = true;
    EXPECT_TRUE(g.masters[0].advance.selected);
    EXPECT_EQ(g.point_type(0, -1, 0), 4u);
}

TEST(PLXglyph, CoordsPastTheEndThrowsVector) {
    PLXglyph g(2, 0, 0);
    g.coords(1).push_back(3);
    EXPECT_EQ(g.masters[1].coords.size(), 1u);
    try {
        g.coords(2);
        FAIL() << "expected out_of_range";
    } catch (const std::out_of_range &e) {
        EXPECT_STREQ(e.what(), "vector");
    }
}

TEST(PLXglyph, MultipleWeightMasters) {
    struct Case {
        std::vector<std::vector<double>> coords;
        bool expected;
    } cases[] = {
        {{{100}, {100}}, false},       {{{100}, {400}}, true},
        {{{100, 5}, {100, 9}}, false}, // only the weight axis counts
        {{{}, {400}}, false},          // the first master has no coordinate
        {{{100}, {}, {100}}, false},   // a master without one counts as equal
        {{{100}, {}, {900}}, true},    {{{100}}, false},
    };
    for (const Case &c : cases) {
        PLXglyph g(c.coords.size(), 0, 0);
        for (std::size_t m = 0; m < c.coords.size(); ++m)
            g.coords(m) = c.coords[m];
        EXPECT_EQ(g.has_multiple_weight_masters(), c.expected);
    }
}

TEST(PLXglyph, DetectSquareBeziersDoesNotWrap) {
    struct Case {
        std::vector<std::uint32_t> before, after;
    } cases[] = {
        {{3, 3, 5, 3, 4}, {2, 2, 5, 3, 4}},
        {{5, 3, 3}, {5, 3, 3}}, // off-curves at the end do not lead into a 5 at the start
        {{4, 3, 3, 5, 3, 5}, {4, 2, 2, 5, 2, 5}},
        {{3, 4, 3, 5}, {3, 4, 2, 5}},
    };
    for (const Case &c : cases) {
        PLXglyph g(2, 1, 0);
        for (auto &master : g.masters)
            for (auto t : c.before)
                master.contours[0].points.push_back({0, 0, 0, 0, t});
        g.detect_square_beziers();
        for (const auto &master : g.masters) {
            std::vector<std::uint32_t> types;
            for (const auto &p : master.contours[0].points)
                types.push_back(p.type);
            EXPECT_EQ(types, c.after);
        }
    }
}

TEST(PLXglyph, ScaleTouchesOnlyTheFirstMaster) {
    PLXglyph g(2, 1, 0);
    for (auto &master : g.masters) {
        master.contours[0].points = {{10, 20}};
        master.advance.x = 100;
        master.advance.y = 50;
    }
    g.scale_by(0.5);
    EXPECT_EQ(g.masters[0].contours[0].points[0].x, 5);
    EXPECT_EQ(g.masters[0].contours[0].points[0].y, 10);
    EXPECT_EQ(g.masters[0].advance.x, 50);
    EXPECT_EQ(g.masters[0].advance.y, 25);
    EXPECT_EQ(g.masters[1].contours[0].points[0].x, 10);
    g.clear_points();
    EXPECT_EQ(g.masters[1].contours.size(), 1u) << "contours stay";
    EXPECT_EQ(g.points_number(1, 0), 0u);
}

TEST(PLXglyph, CopiesAreDeepAndMovesEmptyTheSource) {
    PLXglyph a = triangle(0);
    a.id = "id1";
    a.name = "A";
    PLXglyph b = a;
    b.masters[0].contours[0].points[0].x = 99;
    EXPECT_EQ(a.get_x(0, 0, 0), 10);
    PLXglyph c = std::move(a);
    EXPECT_EQ(c.name, "A");
    EXPECT_TRUE(a.name.empty());
    EXPECT_TRUE(a.id.empty());
    EXPECT_TRUE(a.masters.empty());
    PLXglyph d;
    d = std::move(c);
    EXPECT_EQ(d.get_masters_number(), 1u);
    EXPECT_TRUE(c.masters.empty());
}

TEST(PLXglyph, RasterizedUsesTheFirstMaster) {
    PLXglyph g = zvtest::make_glyph("a", "a", 500);
    zvtest::add_rect(g, 100, 0, 400, 10);
    EXPECT_EQ(g.rasterized().left.size(), 12u);
    EXPECT_TRUE(PLXglyph().rasterized().left.empty());
}
