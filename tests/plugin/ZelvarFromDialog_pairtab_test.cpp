// The pair tab: a pair's kind, its value typed, stepped or dragged, the slider's range and the
// pairs that limit it.
#include "plugin_fixture.h"

#include "bridge/ZVUserData.h"

using namespace zvplugintest;

namespace {

class PairTab : public RunningFontTest {
  protected:
    /// A wrong value for a pair the engine holds (H I, one of the pairs that need no kerning),
    /// put into the host's kerning unseen by the observers: a whole-master write puts the
    /// engine's value back, a single pair leaves it.
    void putMarker() {
        GSFont *font = doc->font();
        auto &masters = font->ensureKerning().silentStorage();
        GSMasterKerning *m = masters.objectForKey(masterId());
        if (!m)
            m = &masters.setObject(GSMasterKerning(), masterId());
        GSKerningRow *row = m->objectForKey(font->glyphForName("H")->id());
        if (!row)
            row = &m->setObject(GSKerningRow(), font->glyphForName("H")->id());
        row->setObject(-7, font->glyphForName("I")->id());
    }
    bool markerKept() { return hostKerning(*doc, "H", "I") == -7; }
    std::string masterId() { return window(*doc).selectedFontMaster()->id(); }
};

} // namespace

TEST_F(PairTab, OptionClickingModelSetsTheValueToZero) {
    cursorOn(*doc, "AV");
    ASSERT_NE(engineRecord("A", "V").value, 0);
    gesture::flagsChanged(NSEventModifierFlagOption);
    EXPECT_EQ(p().pairType->labelForSegment(0), "Model = 0");
    gesture::clickSegment(*p().pairType, 0, NSEventModifierFlagOption);
    gesture::flagsChanged(0);
    EXPECT_EQ(p().pairType->labelForSegment(0), "Model");
    settle();
    // A model at 0 (unless the engine finds it contradicts the others and keeps it fixed).
    EXPECT_GE(engineRecord("A", "V").properties.kind(), ZV_INDEPENDENT);
    EXPECT_EQ(engineRecord("A", "V").value, 0);

    // Option with another key held is not the option rule.
    cursorOn(*doc, "To");
    const float to = engineRecord("T", "o").value;
    ASSERT_NE(to, 0);
    gesture::clickSegment(*p().pairType, 0, NSEventModifierFlagOption | NSEventModifierFlagShift);
    settle();
    EXPECT_EQ(engineRecord("T", "o").properties.kind(), ZV_MODEL);
    EXPECT_EQ(engineRecord("T", "o").value, to);
}

TEST_F(PairTab, AutoOnOnePairWritesThatPairOnly) {
    // A fixed pair made automatic changes only itself (a model would change every pair).
    cursorOn(*doc, "AV");
    gesture::clickSegment(*p().pairType, 2);
    settle();
    ASSERT_EQ(engineRecord("A", "V").properties.kind(), ZV_INDEPENDENT);
    putMarker();
    gesture::clickSegment(*p().pairType, 1);
    settle();
    EXPECT_LT(engineRecord("A", "V").properties.kind(), ZV_INDEPENDENT);
    EXPECT_TRUE(p().pairType->isSelectedForSegment(1));
    EXPECT_TRUE(markerKept());
    EXPECT_EQ(hostKerning(*doc, "A", "V"),
              ZVDataToGlyphs::writtenValue(engineRecord("A", "V"), doc->font()->unitsPerEm())
                  .value_or(GSNoKerningValue));

    // Three pairs selected: the whole master is written again.
    GSWindowController &w = window(*doc);
    w.moveCursorToLayer(w.activeEditViewController()->allLayers().size());
    w.typeText("\nHTAV");
    w.selectLayerRange(w.activeEditViewController()->allLayers().size() - 4, 4);
    settle();
    ASSERT_EQ(p().zvdata()->currentPairs()->size(), 3u);
    putMarker();
    gesture::clickSegment(*p().pairType, 1);
    settle();
    EXPECT_FALSE(markerKept());
}

TEST_F(PairTab, ADragPreviewsAndCommitsOnce) {
    makeModel("AV");
    ASSERT_FALSE(p().pairValueSlider->isHidden());
    const float value = p().uipair.value;
    const std::size_t frames = engine().get_master("").undo_stack.size();
    std::vector<double> seen;
    const int token = doc->font()->addObserver("kerning", [&] {
        seen.push_back(hostKerning(*doc, "A", "V"));
    });
    gesture::drag(*p().pairValueSlider, {value + 1, value + 2, value + 3.4});
    doc->font()->removeObserver(token);
    settle();
    EXPECT_EQ(engine().get_master("").undo_stack.size(), frames + 1);
    EXPECT_EQ(engineRecord("A", "V").value, value + 3);
    EXPECT_EQ(hostKerning(*doc, "A", "V"), value + 3);
    // Previewed on the way: the host showed every position.
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0], value + 1);
    EXPECT_EQ(seen[2], value + 3);
}

TEST_F(PairTab, SteppingPreviewsAndReturnCommits) {
    makeModel("AV");
    const float value = p().uipair.value;
    gesture::click(*p().pairValueTextField);
    gesture::arrowStep(*p().pairValueTextField, +1);
    gesture::arrowStep(*p().pairValueTextField, +1, NSEventModifierFlagShift);
    EXPECT_EQ(hostKerning(*doc, "A", "V"), value + 11);
    EXPECT_EQ(p().pairValueSlider->doubleValue(), std::clamp<double>(value + 11, p().pairValueSlider->minValue, p().pairValueSlider->maxValue));
    EXPECT_EQ(engineRecord("A", "V").value, value); // the engine is not told yet
    gesture::commit(*p().pairValueTextField);
    settle();
    EXPECT_EQ(engineRecord("A", "V").value, value + 11);
    // The keyboard goes back to the document.
    EXPECT_TRUE(window(*doc).window()->isKeyWindow());
}

TEST_F(PairTab, TypedValuesEmptyAndNotANumber) {
    makeModel("AV");
    const float value = p().uipair.value;
    gesture::click(*p().pairValueTextField);
    gesture::typeAndCommit(*p().pairValueTextField, "12a");
    settle();
    EXPECT_EQ(engineRecord("A", "V").value, value);
    EXPECT_EQ(engineRecord("A", "V").properties.kind(), ZV_MODEL);
    EXPECT_EQ(p().pairValueTextField->stringValue(), std::to_string(static_cast<long>(value)));

    gesture::click(*p().pairValueTextField);
    gesture::typeAndCommit(*p().pairValueTextField, "-33");
    settle();
    EXPECT_EQ(engineRecord("A", "V").value, -33);

    // Emptied, the pair is kerned automatically again.
    gesture::click(*p().pairValueTextField);
    gesture::typeAndCommit(*p().pairValueTextField, "");
    settle();
    EXPECT_LT(engineRecord("A", "V").properties.kind(), ZV_INDEPENDENT);
}

TEST_F(PairTab, AFieldEditIgnoredUntilTheFieldIsClicked) {
    makeModel("AV");
    const float value = p().uipair.value;
    gesture::click(*p().pairValueTextField);
    gesture::typeAndCommit(*p().pairValueTextField, "-20");
    settle();
    ASSERT_EQ(engineRecord("A", "V").value, -20);
    // The plug-in set the field since: an action without a new click changes nothing.
    p().pairValueTextField->setStringValue("-50");
    p().pairValueTextFieldEdited(p().pairValueTextField);
    settle();
    EXPECT_EQ(engineRecord("A", "V").value, -20);
    (void)value;
}

TEST_F(PairTab, TheLimitingPairsAndTheirTooltips) {
    makeModel("AV");
    ZVUIpair shown = p().uipair;
    shown.flags = 8 | 1;
    shown.properties.set_kind(ZV_MODEL);
    shown.value = -40;
    shown.value_min = -60;
    shown.value_max = -10;
    shown.influencer_min_indices = {65535, index("V")};
    shown.influencer_max_indices = pairOf("T", "o");
    p().uipair = shown;
    p().showUIPair(1);
    EXPECT_EQ(p().pairValueInfluencerMin->stringValue(), "◀▶");
    EXPECT_EQ(p().pairValueInfluencerMin->toolTip,
              "To avoid clashes, the kerning is limited to half the width of V.");
    EXPECT_EQ(p().pairValueInfluencerMax->stringValue(), "To");
    EXPECT_EQ(p().pairValueInfluencerMax->toolTip,
              "You cannot set A\u200A\u2212\u200AV looser than -10 without contradicting To.");
    EXPECT_EQ(p().pairValueInfluencerMax->indices(), pairOf("T", "o"));
    EXPECT_EQ(p().pairValueSlider->minValue, -60);
    EXPECT_EQ(p().pairValueSlider->maxValue, -10);
    EXPECT_EQ(p().pairValueSlider->numberOfTickMarks, 51);
    EXPECT_TRUE(p().pairValueSlider->allowsTickMarkValuesOnly);

    shown.influencer_min_indices = pairOf("T", "o");
    shown.influencer_max_indices = {65535, 65535};
    p().uipair = shown;
    p().showUIPair(1);
    EXPECT_EQ(p().pairValueInfluencerMin->toolTip,
              "You cannot set A\u200A\u2212\u200AV tighter than -60 without contradicting To.");
    EXPECT_EQ(p().pairValueInfluencerMax->toolTip, "");
    EXPECT_EQ(p().pairValueInfluencerMax->indices(), (ZVglyph_pair{65535, 65535}));

    // Clicking a limiting pair puts it into the tab with the cursor in it.
    gesture::click(*p().pairValueInfluencerMin);
    window(*doc).postUpdateInterface();
    settle();
    EXPECT_EQ(*p().zvdata()->currentPairs(), std::vector<ZVglyph_pair>{pairOf("T", "o")});

    // A master autokerned from another: the fields cannot be clicked.
    PlistArray from;
    from.push_back(PlistValue(""));
    from.push_back(PlistValue("Bold"));
    p().zvdata()->currentMaster()->setUserData(PlistValue(from), "ZelvarAutokernedFrom");
    p().uipair = shown;
    p().showUIPair(1);
    EXPECT_EQ(p().pairValueInfluencerMin->toolTip, "");
    EXPECT_EQ(p().pairValueInfluencerMin->indices(), (ZVglyph_pair{65535, 65535}));
    p().zvdata()->currentMaster()->removeUserDataForKey("ZelvarAutokernedFrom");
}

TEST_F(PairTab, SeveralPairsOfDifferentKinds) {
    makeModel("AV");
    cursorOn(*doc, "To");
    GSWindowController &w = window(*doc);
    const std::size_t end = w.activeEditViewController()->allLayers().size();
    w.typeText("\nAVTo");
    w.selectLayerRange(end + 1, 4); // AV (a model), VT, To
    settle();
    ASSERT_EQ(p().zvdata()->currentPairs()->size(), 3u);
    EXPECT_EQ(p().pairNames->stringValue(), "");
    EXPECT_EQ(p().pairValueTextField->stringValue(), "");
    EXPECT_EQ(p().pairValueTextField->placeholderString, "Multiple Values");
    EXPECT_TRUE(p().pairValueSlider->isHidden());
    // The segments of every kind among them are selected.
    const ZVUIpair details = engine().get_pair_details(*p().zvdata()->currentPairs(), "");
    for (long s = 0; s < 3; ++s)
        EXPECT_EQ(p().pairType->isSelectedForSegment(s), ((details.flags >> s) & 1) != 0);
}
