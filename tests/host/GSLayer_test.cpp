#include "host/testing/GSFontBuilder.h"

#include <gtest/gtest.h>

using zvtesting::GSFontBuilder;

namespace {

std::vector<GSPath *> pathsOf(const GSLayer &layer) {
    std::vector<GSPath *> out;
    for (const auto &s : layer.allShapes())
        if (auto p = dynamic_cast<GSPath *>(s.get()))
            out.push_back(p);
    return out;
}

} // namespace

TEST(GSPath, BoundsFollowCurvesNotControlPoints) {
    struct Case {
        const char *what;
        std::vector<GSNode> nodes;
        double minX, minY, maxX, maxY;
    };
    const Case cases[] = {
        {"lines",
         {GSNode({0, 0}, 'L'), GSNode({100, 0}, 'L'), GSNode({50, 80}, 'L')},
         0,
         0,
         100,
         80},
        // A cubic arch from (0,0) to (100,0) with controls at height 100 peaks at 75.
        {"cubic",
         {GSNode({0, 0}, 'L'), GSNode({0, 100}, 'A'), GSNode({100, 100}, 'A'),
          GSNode({100, 0}, 'C')},
         0,
         0,
         100,
         75},
        // A quadratic arch with its control at height 100 peaks at 50.
        {"quadratic",
         {GSNode({0, 0}, 'L'), GSNode({50, 100}, 'A'), GSNode({100, 0}, '$')},
         0,
         0,
         100,
         50},
        // Four control points only: a TrueType ring inside the diamond they span.
        {"all off-curve",
         {GSNode({50, 0}, 'A'), GSNode({100, 50}, 'A'), GSNode({50, 100}, 'A'),
          GSNode({0, 50}, 'A')},
         12.5,
         12.5,
         87.5,
         87.5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const GSBounds b = GSPath(c.nodes, true).bounds();
        EXPECT_NEAR(b.minX, c.minX, 1e-9);
        EXPECT_NEAR(b.minY, c.minY, 1e-9);
        EXPECT_NEAR(b.maxX, c.maxX, 1e-9);
        EXPECT_NEAR(b.maxY, c.maxY, 1e-9);
    }
}

TEST(GSLayer, SideBearingsMoveTheOutlineOrTheWidth) {
    GSFontBuilder b;
    b.master("Regular");
    GSLayer &layer =
        *b.glyph("I").width(300).rect(50, 0, 200, 700).anchor("top", 125, 700).glyph().layers()[0];
    EXPECT_EQ(layer.LSB(), 50);
    EXPECT_EQ(layer.RSB(), 100);

    layer.setLSB(80); // the outline and its anchors move, the right side bearing stays
    EXPECT_EQ(layer.LSB(), 80);
    EXPECT_EQ(layer.RSB(), 100);
    EXPECT_EQ(layer.width(), 330);
    EXPECT_EQ(layer.anchors()[0].position.x, 155);

    layer.setRSB(20);
    EXPECT_EQ(layer.width(), 250);
    EXPECT_EQ(layer.LSB(), 80);

    GSLayer empty; // no outline: both read 0 and setting changes nothing
    empty.setWidth(200);
    empty.setLSB(10);
    empty.setRSB(10);
    EXPECT_EQ(empty.LSB(), 0);
    EXPECT_EQ(empty.RSB(), 0);
    EXPECT_EQ(empty.width(), 200);
}

TEST(GSLayer, DecomposedCopyPlacesNestedComponents) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("dot").rect(0, 0, 10, 10).anchor("_top", 5, 0);
    b.glyph("pair").component("dot").component("dot", 100, 0);
    // Mirrored and moved: x' = -x + 50, y' = y + 200, applied to both nested dots.
    b.glyph("outer")
        .rect(0, 0, 1, 1)
        .component("pair", NSAffineTransformStruct{-1, 0, 0, 1, 50, 200});
    GSLayer &outer = *b.font().glyphForName("outer")->layers()[0];

    const auto copy = outer.copyDecomposedLayer();
    EXPECT_EQ(copy->parent(), nullptr);
    EXPECT_EQ(copy->countOfComponents(), 0u);
    const auto paths = pathsOf(*copy);
    ASSERT_EQ(paths.size(), 3u);
    const GSBounds second = paths[1]->bounds(), third = paths[2]->bounds();
    EXPECT_EQ(second.minX, 40);
    EXPECT_EQ(second.maxX, 50);
    EXPECT_EQ(second.minY, 200);
    EXPECT_EQ(third.minX, -60);
    EXPECT_EQ(outer.countOfComponents(), 1u); // the original keeps its component
    EXPECT_EQ(outer.bounds().minX, -60);

    GSLayer &pair = *b.font().glyphForName("pair")->layers()[0];
    EXPECT_TRUE(pair.hasAlignedWidth());
    EXPECT_FALSE(outer.hasAlignedWidth());             // it has a path of its own
    EXPECT_TRUE(pair.components()[0]->shouldAttach()); // "dot" has a "_top" anchor
    EXPECT_FALSE(outer.components()[0]->shouldAttach());
}

TEST(GSLayer, MissingAndCyclicComponentsEndAsComponents) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("A").rect(0, 0, 10, 10).component("B");
    b.glyph("B").component("A", 5, 0).component("nothing");
    b.glyph("self").component("self");
    const auto self = b.font().glyphForName("self")->layers()[0]->copyDecomposedLayer();
    ASSERT_EQ(self->countOfComponents(), 1u);
    EXPECT_EQ(self->components()[0]->componentName(), "self");
    const auto a = b.font().glyphForName("A")->layers()[0]->copyDecomposedLayer();
    EXPECT_EQ(a->countOfPaths(), 1u);               // A's own rectangle; B's A would repeat A
    EXPECT_EQ(a->countOfComponents(), 2u);          // the cyclic A and the missing glyph
    EXPECT_EQ(a->components()[0]->position().x, 5); // kept where B placed it
}

#if ZV_HOST_VERSION == 3
TEST(GSLayer, DecomposeComponentsGoesOneLevelAndKeepsWhatItCannotResolve) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("base").rect(0, 0, 10, 10);
    b.glyph("mid").component("base", 20, 0);
    b.glyph("top").component("mid", 100, 0).component("missing");
    GSLayer layer(*b.font().glyphForName("top")->layers()[0]);
    layer.setParent(b.font().glyphForName("top"));
    layer.decomposeComponents();
    ASSERT_EQ(layer.countOfShapes(), 2u);
    auto nested = dynamic_cast<GSComponent *>(layer.objectInShapesAtIndex(0));
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->componentName(), "base");
    EXPECT_EQ(nested->position().x, 120);
    layer.decomposeComponents();
    EXPECT_EQ(layer.countOfPaths(), 1u);
    EXPECT_EQ(layer.countOfComponents(), 1u); // "missing" stays
}
#endif

TEST(GSLayer, DecompositionStopsOnceItPassesTheNodeBudget) {
    // Seven levels of seven components each would make 7^7 squares (3.3 million nodes); the copy
    // stops just past 2^20 nodes instead of taking gigabytes.
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("g0").rect(0, 0, 10, 10);
    for (int level = 1; level <= 7; ++level) {
        auto g = b.glyph("g" + std::to_string(level));
        for (int k = 0; k < 7; ++k)
            g.component("g" + std::to_string(level - 1), k * 20, 0);
    }
    const GSLayer &top = *b.font().glyphForName("g7")->layers()[0];
    const auto copy = top.copyDecomposedLayer();
    EXPECT_GT(copy->countOfNodes(), GSLayer::kMaxDecomposedNodes);
    EXPECT_LE(copy->countOfNodes(), GSLayer::kMaxDecomposedNodes + 4);
    // Below the budget everything is drawn.
    EXPECT_EQ(b.font().glyphForName("g6")->layers()[0]->copyDecomposedLayer()->countOfNodes(),
              4u * 117649);
}
