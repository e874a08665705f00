#include "engine/geometry/ZVrasterization.h"
#include "glyph_pen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace PLXlibNamespaceForZV;
using zvtest::GlyphPen;
using zvtest::make_glyph;

namespace {

PLXpoint pt(double x, double y, std::uint32_t type = 4) {
    PLXpoint p;
    p.x = x;
    p.y = y;
    p.type = type;
    return p;
}

PLXmaster master_of(std::vector<std::vector<PLXpoint>> contours, double width) {
    PLXmaster m;
    for (auto &points : contours)
        m.contours.push_back(PLXcontour{std::move(points)});
    m.advance.x = width;
    return m;
}

} // namespace

TEST(ZVrasterization, EmptyMastersGiveEmptyProfiles) {
    const PLXmaster cases[] = {
        master_of({}, 500), master_of({{}}, 500), master_of({{}, {}}, 500),
        master_of({{pt(10, 0), pt(20, 0)}}, 500), // a flat contour spans one row only
    };
    for (const PLXmaster &m : cases) {
        const ZVrasterization r(m);
        EXPECT_TRUE(r.left.empty());
        EXPECT_TRUE(r.right.empty());
        EXPECT_EQ(r.offset, 0);
    }
}

TEST(ZVrasterization, RectangleMarksItsRowsAndNothingElse) {
    PLXglyph g = make_glyph("r", "r", 500);
    zvtest::add_rect(g, 100, 0, 400, 700);
    const ZVrasterization r = g.rasterized();
    EXPECT_EQ(r.offset, 0);
    ASSERT_EQ(r.left.size(), 702u) << "701 rows rounded up to a multiple of 3";
    for (int row = 0; row <= 700; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(r.left[row], 100);
        EXPECT_EQ(r.right[row], 100);
    }
    EXPECT_EQ(r.left[701], ZV_NO_INK);
    EXPECT_EQ(r.right[701], ZV_NO_INK);
}

TEST(ZVrasterization, OffsetIsTheFloorOfTheLowestPoint) {
    struct Case {
        double y0, y1;
        int offset;
        std::size_t rows;
    } cases[] = {
        {-200, 500, -200, 702},
        {-0.5, 10, -1, 12},
        {3.2, 9.7, 3, 9},
        {0, 1, 0, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.y0);
        PLXglyph g = make_glyph("r", "r", 300);
        zvtest::add_rect(g, 0, c.y0, 300, c.y1);
        const ZVrasterization r = g.rasterized();
        EXPECT_EQ(r.offset, c.offset);
        EXPECT_EQ(r.left.size(), c.rows);
    }
}

TEST(ZVrasterization, LaterContoursBoundTheRowsWhenTheFirstIsEmpty) {
    PLXglyph g = make_glyph("r", "r", 500);
    zvtest::add_rect(g, 100, 0, 400, 700);
    const ZVrasterization expected = g.rasterized();
    g.masters[0].contours.insert(g.masters[0].contours.begin(), PLXcontour{});
    const ZVrasterization r = g.rasterized();
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.right, expected.right);
}

TEST(ZVrasterization, DiagonalEdgesAreSampledAtRowCentres) {
    PLXglyph g = make_glyph("d", "diamond", 500);
    GlyphPen(g).move_to(250, 0).line_to(500, 350).line_to(250, 700).line_to(0, 350);
    const ZVrasterization r = g.rasterized();
    ASSERT_EQ(r.left.size(), 702u);
    // Row k holds the crossings sampled at k - 0.5 and k + 0.5: the lower half of the diamond
    // widens upwards, so its left edge is the one at k + 0.5.
    for (int k : {0, 1, 50, 200, 349}) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(r.left[k], 250 - (k + 0.5) * 250 / 350, 1e-9);
        EXPECT_NEAR(r.right[k], 250 - (k + 0.5) * 250 / 350, 1e-9);
    }
    EXPECT_EQ(r.left[350], 0) << "the left vertex marks the row that contains it";
}

TEST(ZVrasterization, CircleFollowsTheCurveWithinTheFlatnessLimit) {
    PLXglyph g = make_glyph("o", "o", 500);
    zvtest::add_ellipse(g, 250, 350, 200, 200);
    const ZVrasterization r = g.rasterized();
    ASSERT_EQ(r.offset, 150);
    for (int k = 5; k < 395; k += 7) {
        SCOPED_TRACE(k);
        // Nearest crossing of rows at k - 0.5 and k + 0.5 (heights relative to the centre).
        const double y = std::min(std::fabs(k - 0.5 - 200), std::fabs(k + 0.5 - 200));
        const double expected = 250 - std::sqrt(200.0 * 200.0 - y * y);
        EXPECT_NEAR(r.left[k], expected, 0.5);
        EXPECT_NEAR(r.right[k], expected, 0.5) << "symmetric outline, symmetric profile";
    }
}

TEST(ZVrasterization, QuadraticRunMatchesItsExplicitForm) {
    // Two quadratic off-curve points in a row imply an on-curve point half way between them.
    const PLXmaster implied =
        master_of({{pt(0, 0), pt(0, 100, 2), pt(100, 200, 2), pt(200, 200, 5), pt(200, 0)}}, 300);
    const PLXmaster explicit_form = master_of(
        {{pt(0, 0), pt(0, 100, 2), pt(50, 150, 5), pt(100, 200, 2), pt(200, 200, 5), pt(200, 0)}},
        300);
    const ZVrasterization a(implied), b(explicit_form);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    // The curve bulges left of the chord from (0, 0) to (200, 200).
    EXPECT_LT(a.left[100], 50);
}

TEST(ZVrasterization, ClosedLoopCubicDrawsNothing) {
    // One on-curve point whose cubic comes back onto itself: the chord has no length.
    const PLXmaster m = master_of({{pt(100, 100), pt(300, 500, 3), pt(-100, 500, 3)}}, 300);
    const ZVrasterization r(m);
    ASSERT_FALSE(r.left.empty());
    for (double v : r.left)
        EXPECT_EQ(v, ZV_NO_INK);
    for (double v : r.right)
        EXPECT_EQ(v, ZV_NO_INK);
}

TEST(ZVrasterization, ContourWithoutOnCurvePointDrawsNothing) {
    const PLXmaster m = master_of({{pt(0, 0, 2), pt(100, 100, 2), pt(0, 200, 2)}}, 300);
    const ZVrasterization r(m);
    for (double v : r.left)
        EXPECT_EQ(v, ZV_NO_INK);
}

TEST(ZVrasterization, BrokenCoordinatesNeverAllocateWithoutBound) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const PLXmaster cases[] = {
        master_of({{pt(0, 0), pt(10, nan), pt(20, 5)}}, 100),
        master_of({{pt(0, 0), pt(10, 1e12), pt(20, 5)}}, 100),
        master_of({{pt(0, -1e300), pt(10, 1e300)}}, 100),
    };
    for (const PLXmaster &m : cases)
        EXPECT_TRUE(ZVrasterization(m).left.empty());
    // A huge horizontal extent is drawn in bounded time.
    const PLXmaster wide =
        master_of({{pt(0, 0), pt(1e300, 5, 3), pt(-1e300, 10, 3), pt(0, 20)}}, 100);
    EXPECT_EQ(ZVrasterization(wide).left.size(), 21u);
}
