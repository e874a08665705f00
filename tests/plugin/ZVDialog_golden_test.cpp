// The dialog as a person sees it, in the states that matter, against golden dumps (the same for
// both host generations; ZV_UPDATE_GOLDEN=1 rewrites them).
#include "plugin_fixture.h"

#include "golden.h"

using namespace zvplugintest;
using zvtesting::matchesGolden;

namespace {
std::string golden(const std::string &name) { return "plugin/golden/" + name + ".txt"; }
} // namespace

TEST_F(PluginTest, GoldenNotRunning) {
    demoFont("A").open("A");
    openDialog();
    settle();
    // Another font comes to the front: bound, not started.
    demoFont("B").open("B");
    settle();
    EXPECT_TRUE(matchesGolden(dump(), golden("not-running")));
}

TEST_F(PluginTest, GoldenPreKernedChoice) {
    zvtesting::GSFontBuilder b = demoFont("Kerned");
    for (const char *pair : {"AV", "VA", "TA", "AT", "To", "Tn", "Vo", "VO", "OV", "AO", "TO", "OT"})
        b.kern(std::string(1, pair[0]), std::string(1, pair[1]), -40);
    b.open("Kerned");
    openDialog();
    settle();
    EXPECT_TRUE(matchesGolden(dump(), golden("pre-kerned-choice")));
}

TEST_F(PluginTest, GoldenNineAndTenPairsTyped) {
    GSDocument &doc = demoFont("Demo").open("Demo").textTool();
    openDialog();
    settle();
    window(doc).typeText("HITVAOnopl");
    settle();
    EXPECT_TRUE(matchesGolden(dump(), golden("nine-pairs")));
    window(doc).typeText("v");
    settle();
    EXPECT_TRUE(matchesGolden(dump(), golden("ten-pairs")));
}

TEST_F(PluginTest, GoldenReworkingAcrossAMasterSwitch) {
    zvtesting::GSFontBuilder b = demoFont("Kerned");
    for (const char *pair : {"AV", "VA", "TA", "AT", "To", "Tn", "Vo", "VO", "OV", "AO", "TO", "OT"})
        b.kern(std::string(1, pair[0]), std::string(1, pair[1]), -40);
    GSDocument &doc = b.open("Kerned").textTool();
    openDialog();
    settle();
    gesture::click(*p().startUpButton);
    const std::string before = dump();
    EXPECT_TRUE(matchesGolden(before, golden("reworking")));
    window(doc).chooseFontMaster(doc.font()->fontMasters()[1]);
    EXPECT_EQ(dump(), before);
    settle();
}

TEST_F(PluginTest, GoldenModelUnderTheCursor) {
    GSDocument &doc = startFont(demoFont("Demo"));
    cursorOn(doc, "AV");
    gesture::clickSegment(*p().pairType, 0);
    settle();
    EXPECT_TRUE(matchesGolden(dump(), golden("model-under-the-cursor")));
}

TEST_F(PluginTest, GoldenMultipleValues) {
    GSDocument &doc = startFont(demoFont("Demo"));
    cursorOn(doc, "AV");
    gesture::clickSegment(*p().pairType, 0);
    settle();
    GSWindowController &w = window(doc);
    w.moveCursorToLayer(w.activeEditViewController()->allLayers().size());
    w.typeText("\nAVTo");
    w.selectLayerRange(w.activeEditViewController()->allLayers().size() - 4, 4);
    settle();
    EXPECT_TRUE(matchesGolden(dump(), golden("multiple-values")));
}
