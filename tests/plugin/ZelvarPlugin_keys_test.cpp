// Modifier keys over the pair tab, and edits made in the host: kerning values and outlines.
#include "plugin_fixture.h"

#include "host/GSUndoManager.h"

using namespace zvplugintest;

namespace {

class KeysAndHostEdits : public RunningFontTest {
  protected:
    /// The tab's refreshes that wrote the master into the host (each also redraws the tab).
    int redraws() { return window(*doc).activeEditViewController()->forceRedrawCount(); }
    std::string masterId() { return window(*doc).selectedFontMaster()->id(); }
    /// Moves glyph `name`'s outline in the current master through its undo manager.
    void editOutline(GSLayer &layer) {
        layer.parent()->undoManager().editLayer(layer, "Move", [](GSLayer &l) {
            l.setLSB(l.LSB() + 30);
        });
    }
};

} // namespace

TEST_F(KeysAndHostEdits, ControlShowsTheAutokernedValueWhileHeld) {
    makeModel("AV");
    // A model away from its autokerned value.
    gesture::click(*p().pairValueTextField);
    gesture::typeAndCommit(*p().pairValueTextField, "-20");
    settle();
    const float autokerned = engine().if_autokerned(pairOf("A", "V"), "");
    ASSERT_NE(std::lround(autokerned), -20);

    gesture::flagsChanged(NSEventModifierFlagControl);
    EXPECT_EQ(p().pairType->labelForSegment(1),
              "Auto = " + std::to_string(static_cast<int>(autokerned)));
    ZVsimplepair shown = engineRecord("A", "V");
    shown.value = autokerned;
    EXPECT_EQ(hostKerning(*doc, "A", "V"), round_pair_value(shown, 2.0f));
    EXPECT_EQ(engineRecord("A", "V").value, -20); // the engine keeps its value
    // Other keys while control is held change nothing.
    gesture::keyDown("x", NSEventModifierFlagControl);
    EXPECT_EQ(hostKerning(*doc, "A", "V"), round_pair_value(shown, 2.0f));

    gesture::flagsChanged(0);
    EXPECT_EQ(p().pairType->labelForSegment(1), "Auto");
    EXPECT_EQ(hostKerning(*doc, "A", "V"), -20);
}

TEST_F(KeysAndHostEdits, ThePreviewedPairGetsItsValueBackWhenTheCursorMoves) {
    makeModel("AV");
    gesture::click(*p().pairValueTextField);
    gesture::typeAndCommit(*p().pairValueTextField, "-20");
    settle();
    gesture::flagsChanged(NSEventModifierFlagControl);
    ASSERT_NE(hostKerning(*doc, "A", "V"), -20);
    cursorOn(*doc, "To"); // control still held
    EXPECT_EQ(hostKerning(*doc, "A", "V"), -20);
    gesture::flagsChanged(0);
    EXPECT_EQ(hostKerning(*doc, "A", "V"), -20);
}

TEST_F(KeysAndHostEdits, ControlOverAnAutokernedPairOnlyNotesTheKey) {
    cursorOn(*doc, "To");
    ASSERT_LT(p().uipair.properties.kind(), ZV_INDEPENDENT);
    const double before = hostKerning(*doc, "T", "o");
    gesture::flagsChanged(NSEventModifierFlagControl);
    EXPECT_TRUE(p()._ctrlPressed);
    EXPECT_EQ(p().pairType->labelForSegment(1), "Auto");
    EXPECT_EQ(hostKerning(*doc, "T", "o"), before);
    gesture::flagsChanged(0);
    EXPECT_FALSE(p()._ctrlPressed);
}

TEST_F(KeysAndHostEdits, OptionRelabelsModelUntilReleased) {
    gesture::flagsChanged(NSEventModifierFlagOption);
    EXPECT_EQ(p().pairType->labelForSegment(0), "Model = 0");
    gesture::keyDown("a", NSEventModifierFlagOption);
    gesture::keyDown("b", NSEventModifierFlagOption | NSEventModifierFlagShift);
    EXPECT_EQ(p().pairType->labelForSegment(0), "Model = 0");
    gesture::flagsChanged(0);
    EXPECT_EQ(p().pairType->labelForSegment(0), "Model");
}

TEST_F(KeysAndHostEdits, AHostEditOfThePairAtTheCursorReachesTheEngine) {
    makeModel("AV");
    doc->font()->setKerningForFontMasterID(masterId(), doc->font()->glyphForName("A")->id(),
                                           doc->font()->glyphForName("V")->id(), -61, 0);
    EXPECT_EQ(engineRecord("A", "V").value, -61);
}

TEST_F(KeysAndHostEdits, AnotherPairsHostEditCountsOnlyWithOneLayerSelected) {
    cursorOn(*doc, "To");
    cursorOn(*doc, "AV");
    ASSERT_EQ(p().zvdata()->selectedLayers().size(), 1u);
    // The host holds the master's kerning as the engine has it.
    p().zvfontToGlyphsAndDialog();
    settle();
    GSFont *font = doc->font();
    auto edit = [&](double value) {
        font->setKerningForFontMasterID(masterId(), font->glyphForName("T")->id(),
                                        font->glyphForName("o")->id(), value, 0);
    };
    // Two layers selected: the edit of another pair is not looked for.
    GSWindowController &w = window(*doc);
    w.selectLayerRange(w.activeEditViewController()->allLayers().size() - 2, 2);
    settle();
    ASSERT_EQ(p().zvdata()->selectedLayers().size(), 2u);
    edit(-55);
    EXPECT_NE(engineRecord("T", "o").value, -55);
    // One layer: the whole kerning is searched and the edit taken.
    w.moveCursorToLayer(w.activeEditViewController()->allLayers().size() - 1);
    settle();
    edit(-56);
    EXPECT_EQ(engineRecord("T", "o").value, -56);
    EXPECT_GE(engineRecord("T", "o").properties.kind(), ZV_INDEPENDENT);
}

TEST_F(KeysAndHostEdits, OutlineEditsOfTheSelectedGlyphReachTheEngine) {
    cursorOn(*doc, "AV");
    GSLayer *layer = p().zvdata()->selectedLayers().front();
    ASSERT_EQ(layer->parent()->name(), "V");
    int before = redraws();
    editOutline(*layer);
    EXPECT_GT(redraws(), before);

    // An undo of it counts too.
    settle();
    before = redraws();
    layer->parent()->undoManager().undo();
#if ZV_HOST_VERSION == 2
    // Nothing is left to undo after it: the version-2 host's empty action name is ignored.
    EXPECT_EQ(redraws(), before);
#else
    EXPECT_GT(redraws(), before);
#endif
}

TEST_F(KeysAndHostEdits, UndoInABackgroundOrWithTwoLayersIsIgnored) {
    cursorOn(*doc, "AV");
    GSWindowController &w = window(*doc);
    GSLayer *master = p().zvdata()->selectedLayers().front();

    w.setEditsBackground(true);
    settle();
    GSLayer *background = p().zvdata()->selectedLayers().front();
    ASSERT_STREQ(background->className(), "GSBackgroundLayer");
    int before = redraws();
    editOutline(*background);
    EXPECT_EQ(redraws(), before);
    w.setEditsBackground(false);

    w.selectLayerRange(w.activeEditViewController()->allLayers().size() - 2, 2);
    settle();
    ASSERT_EQ(p().zvdata()->selectedLayers().size(), 2u);
    before = redraws();
    editOutline(*master);
    EXPECT_EQ(redraws(), before);

    // A glyph other than the one selected.
    w.moveCursorToLayer(w.activeEditViewController()->allLayers().size() - 1);
    settle();
    GSLayer *a = doc->font()->glyphForName("A")->layers().front();
    before = redraws();
    editOutline(*a);
    EXPECT_EQ(redraws(), before);
}
