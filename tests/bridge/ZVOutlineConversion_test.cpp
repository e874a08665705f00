#include "bridge/ZVOutlineConversion.h"
#include "engine/geometry/ZVrasterization.h"
#include "host/testing/GSFontBuilder.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace PLXlibNamespaceForZV;
using zvtesting::GSFontBuilder;

namespace {

std::vector<std::uint32_t> types(const PLXglyph &g, std::size_t contour) {
    std::vector<std::uint32_t> out;
    for (const PLXpoint &p : g.masters[0].contours[contour].points)
        out.push_back(p.type);
    return out;
}

GSLayer &firstLayer(GSFont &font, const std::string &glyph) {
    return *font.glyphForName(glyph)->layers()[0];
}

} // namespace

TEST(OutlineConversion, NodeTypesAndQuadraticRuns) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("q")
        .width(500)
        .path({GSNode({0, 0}, 'L'), GSNode({10, 50}, 'A'), GSNode({40, 80}, 'A'),
               GSNode({100, 100}, '$')})
        .path({GSNode({0, 0}, 'L'), GSNode({10, 50}, 'A'), GSNode({40, 80}, 'A'),
               GSNode({100, 100}, 'C')});
    const PLXglyph g = create_PLXglyph_from_GSLayer(&firstLayer(b.font(), "q"), 0);
    ASSERT_EQ(g.contours_number, 2);
    // Off-curve nodes that lead into a quadratic end become quadratic; before a cubic end they
    // stay.
    EXPECT_EQ(types(g, 0), (std::vector<std::uint32_t>{4, 2, 2, 5}));
    EXPECT_EQ(types(g, 1), (std::vector<std::uint32_t>{4, 3, 3, 4}));
    EXPECT_EQ(g.masters[0].contours[0].points[2].x, 40);
    EXPECT_EQ(g.masters[0].contours[0].points[2].y, 80);
    EXPECT_EQ(g.name, "q");
    EXPECT_EQ(g.id, "id-q");
}

TEST(OutlineConversion, WidthRule) {
    struct Case {
        double width, scale, stored;
    } cases[] = {{500.004, 0, 500}, {500.5, 0, 500.5}, {-500.5, 1, -501}, {1001, 2, 501}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.width);
        GSLayer layer;
        layer.setWidth(c.width);
        PLXglyph g(1, 0, static_cast<std::uint64_t>(c.scale));
        write_GSLayer_to_PLXglyph(&layer, g, 0);
        EXPECT_EQ(g.masters[0].advance.x, c.stored);
    }
}

TEST(OutlineConversion, ContourCountBoundsTheWrite) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("three").rect(0, 0, 1, 1).rect(2, 0, 3, 1).rect(4, 0, 5, 1);
    GSLayer &layer = firstLayer(b.font(), "three");
    PLXglyph two(1, 2, 0);
    write_GSLayer_to_PLXglyph(&layer, two, 0);
    EXPECT_EQ(two.masters[0].contours.size(), 2u);
    EXPECT_EQ(two.masters[0].contours[1].points[0].x, 2);

    PLXglyph four(1, 4, 0);
    four.set_x(0, 3, 0, 77); // a contour beyond the layer's paths keeps what it had
    write_GSLayer_to_PLXglyph(&layer, four, 0);
    EXPECT_EQ(four.masters[0].contours[3].points[0].x, 77);

    PLXglyph none; // a master slot the glyph does not have is left alone
    write_GSLayer_to_PLXglyph(&layer, none, 0);
    write_GSLayer_to_PLXglyph(&layer, four, -1);
    write_GSLayer_to_PLXglyph(&layer, four, 1);
    EXPECT_TRUE(none.masters.empty());
}

TEST(OutlineConversion, ComponentsAreDecomposedWithTheirPlacement) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("bar").rect(0, 0, 100, 20);
    b.glyph("cross")
        .component("bar", 10, 0)
        .component("bar", NSAffineTransformStruct{0, 1, -1, 0, 60, -40});
    const PLXglyph g = create_PLXglyph_from_GSLayer(&firstLayer(b.font(), "cross"), 0);
    ASSERT_EQ(g.contours_number, 2);
    EXPECT_EQ(g.masters[0].contours[0].points[1].x, 110);
    // Turned a quarter: (100, 0) → (60, 60).
    EXPECT_EQ(g.masters[0].contours[1].points[1].x, 60);
    EXPECT_EQ(g.masters[0].contours[1].points[1].y, 60);
}

TEST(OutlineConversion, MissingAndCyclicComponentsEnd) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("A").rect(0, 0, 10, 10).component("B");
    b.glyph("B").component("A", 20, 0).rect(0, 0, 5, 5);
    b.glyph("lost").component("nothing").rect(0, 0, 5, 5);
    const PLXglyph a = create_PLXglyph_from_GSLayer(&firstLayer(b.font(), "A"), 0);
    const PLXglyph lost = create_PLXglyph_from_GSLayer(&firstLayer(b.font(), "lost"), 0);
#if ZV_HOST_VERSION == 2
    EXPECT_EQ(a.contours_number, 2); // A's rectangle and B's; the cycle back to A is dropped
    EXPECT_EQ(lost.contours_number, 1);
#else
    // The passes expand the cycle a bounded number of times, then the leftover component is
    // skipped: its contour stays empty.
    EXPECT_GE(a.contours_number, 2);
    std::size_t empty = 0;
    for (const PLXcontour &c : a.masters[0].contours)
        empty += c.points.empty();
    EXPECT_EQ(empty, 1u);
    ASSERT_EQ(lost.contours_number, 2);
    EXPECT_TRUE(lost.masters[0].contours[0].points.empty());
    EXPECT_EQ(lost.masters[0].contours[1].points.size(), 4u);
#endif
}

#if ZV_HOST_VERSION == 3
TEST(OutlineConversion, ShapeIndexIsContourIndexInVersion3) {
    // A component that cannot be resolved comes first: the paths after it are still read, each
    // into the contour of its shape index.
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("g").component("missing").rect(0, 0, 1, 1).rect(5, 0, 6, 1);
    GSLayer &layer = firstLayer(b.font(), "g");
    PLXglyph g(1, layer.countOfShapes(), 0);
    write_GSLayer_to_PLXglyph(&layer, g, 0);
    ASSERT_EQ(g.masters[0].contours.size(), 3u);
    EXPECT_TRUE(g.masters[0].contours[0].points.empty());
    EXPECT_EQ(g.masters[0].contours[1].points[0].x, 0);
    EXPECT_EQ(g.masters[0].contours[2].points[0].x, 5);
}
#endif

TEST(OutlineConversion, ReadingBackMovesNodesAndAnchors) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("I").width(300).rect(50, 0, 200, 700).anchor("top", 0, 0).anchor("bottom", 0, 0);
    GSLayer &layer = firstLayer(b.font(), "I");
    PLXglyph g(1, 2, 0);
    for (std::uint32_t j = 0; j < 6; ++j) { // more points than the path has nodes
        g.set_x(0, 0, j, 10.0 * j);
        g.set_y(0, 0, j, 1.0);
    }
    g.set_x(0, 1, 0, 111); // the last contour holds the anchors, sorted by name
    g.set_y(0, 1, 0, 1);
    g.set_x(0, 1, 1, 222);
    g.set_y(0, 1, 1, 2);
    g.set_x(0, -1, 0, 360);
    read_from_PLXglyph(g, &layer, 0);
    EXPECT_EQ(layer.width(), 360);
    const auto &path = static_cast<const GSPath &>(*layer.allShapes()[0]);
    ASSERT_EQ(path.countOfNodes(), 4u);
    EXPECT_EQ(path.nodeAtIndex(3)->position(), (NSPoint{30, 1}));
    EXPECT_EQ(layer.anchorForName("bottom")->position, (NSPoint{111, 1}));
    EXPECT_EQ(layer.anchorForName("top")->position, (NSPoint{222, 2}));
    EXPECT_EQ(layer.metricsUpdateRequests(), 1);
    EXPECT_EQ(layer.updatesSuspended(), 0);
}

TEST(OutlineConversion, UnnamedGlyphGivesEmptyIdAndName) {
    GSLayer loose;
    loose.addShape(std::make_unique<GSPath>(
        std::vector<GSNode>{GSNode({0, 0}, 'L'), GSNode({9, 9}, 'L')}, true));
    const PLXglyph g = create_PLXglyph_from_GSLayer(&loose, 0);
    EXPECT_EQ(g.contours_number, 1);
    EXPECT_TRUE(g.id.empty());
    EXPECT_TRUE(g.name.empty());
    const PLXglyph none = create_PLXglyph_from_GSLayer(nullptr, 0);
    EXPECT_EQ(none.contours_number, 0);
}

TEST(OutlineConversion, TrueTypeContourProfileFollowsTheOutline) {
    // A TrueType ring of four quadratic arcs, written with an on-curve node last.
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("o").width(300).path({GSNode({200, 0}, 'A'), GSNode({200, 100}, '$'),
                                  GSNode({200, 200}, 'A'), GSNode({100, 200}, '$'),
                                  GSNode({0, 200}, 'A'), GSNode({0, 100}, '$'), GSNode({0, 0}, 'A'),
                                  GSNode({100, 0}, '$')});
    const PLXglyph g = create_PLXglyph_from_GSLayer(&firstLayer(b.font(), "o"), 0);
    EXPECT_EQ(types(g, 0), (std::vector<std::uint32_t>{2, 5, 2, 5, 2, 5, 2, 5}));
    const ZVrasterization r = g.rasterized();
    // The lower left arc: x = 100 t², y = 100 (1 - t)², so at height y the outline is at
    // x = 100 (1 - sqrt(y / 100))²; the right side mirrors it against the advance of 300.
    for (const double y : {5.0, 25.0, 50.0, 90.0}) {
        SCOPED_TRACE(y);
        const auto row = static_cast<std::size_t>(y - r.offset);
        const double t = 1 - std::sqrt((y + 0.5) / 100); // the row is sampled at its centre
        EXPECT_NEAR(r.left.at(row), 100 * t * t, 0.5);
        EXPECT_NEAR(r.right.at(row), 300 - (200 - 100 * t * t), 0.5);
    }
}
