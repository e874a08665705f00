// Activation: from a font bound to the dialog to a font whose masters all run in the engine.
#include "plugin_fixture.h"

#include "bridge/ZVUserData.h"
#include "platform/NSOperationQueue.h"

#include <thread>

using namespace zvplugintest;

namespace {

/// The demo font with twelve kerned pairs in its first master: a font that already has kerning.
zvtesting::GSFontBuilder preKerned() {
    zvtesting::GSFontBuilder b = demoFont("Kerned");
    const char *pairs[][2] = {{"A", "V"}, {"V", "A"}, {"T", "A"}, {"A", "T"}, {"T", "o"},
                              {"T", "n"}, {"V", "o"}, {"V", "O"}, {"O", "V"}, {"A", "O"},
                              {"T", "O"}, {"O", "T"}, {"v", "o"}, {"o", "v"}};
    for (const auto &p : pairs)
        b.kern(p[0], p[1], -40);
    return b;
}

bool hasModels(const GSFontMaster *m) { return m->userDataForKey("ZelvarModels") != nullptr; }

} // namespace

TEST_F(PluginTest, AFontWithoutKerningAsksForTenPairs) {
    GSDocument &doc = demoFont("Demo").open("Demo").textTool();
    openDialog();
    settle();
    EXPECT_EQ(p().messageLabel->stringValue(),
              "Please type at least 10 pairs\nthat do NOT need kerning.");
    // No tab was in front: one was opened for the typing.
    ASSERT_NE(window(doc).activeEditViewController(), nullptr);
    EXPECT_FALSE(p().activateZVbutton->isHidden());
    EXPECT_FALSE(p().activateZVbutton->isEnabled());

    window(doc).typeText("HITVAOnopl"); // nine pairs
    settle();
    EXPECT_FALSE(p().activateZVbutton->isEnabled());
    // The start button itself checks too.
    p().startZelvarButtonPushed(nullptr);
    settle();
    EXPECT_EQ(p()._currentFeedback.type, ZVfeedback::too_few_unkerned_pairs);
    window(doc).typeText("v");
    settle();
    EXPECT_TRUE(p().activateZVbutton->isEnabled());

    gesture::click(*p().activateZVbutton);
    EXPECT_EQ(p().messageLabel->stringValue(), "Starting up ...");
    EXPECT_TRUE(p().activateZVbutton->isHidden());
    settle();
    EXPECT_FALSE(p().gearMenu->isHidden());
    EXPECT_FALSE(p().zvdata()->font_is_untouched());
    for (const GSFontMaster *m : doc.font()->fontMasters())
        EXPECT_TRUE(hasModels(m)) << m->name();
    EXPECT_EQ(*doc.font()->userDataForKey("ZelvarVersion"), PlistValue("1.40"));
    EXPECT_FALSE(p().separatorLine0->isHidden());
}

TEST_F(PluginTest, AFontWithKerningIsErasedOnRequest) {
    GSDocument &doc = preKerned().open("Kerned").textTool();
    openDialog();
    settle();
    EXPECT_EQ(p().messageLabel->stringValue(),
              "This font already has kerning. Would you like to ...");
    EXPECT_FALSE(p().eraseExisting->isHidden());
    EXPECT_EQ(p().reuseExisting->state, NSControlStateValueOn);
    EXPECT_EQ(p().eraseExisting->state, NSControlStateValueOff);
    gesture::click(*p().eraseExisting);
    EXPECT_EQ(p().eraseExisting->state, NSControlStateValueOn);
    EXPECT_EQ(p().reuseExisting->state, NSControlStateValueOff);
    gesture::click(*p().startUpButton);
    settle();
    const std::string master = doc.font()->fontMasters()[0]->id();
    const GSMasterKerning *kerning = doc.font()->masterKerning(master, 0);
    EXPECT_TRUE(kerning == nullptr || kerning->count() == 0);
    EXPECT_EQ(p()._currentFeedback.type, ZVfeedback::too_few_unkerned_pairs);
    EXPECT_TRUE(p().eraseExisting->isHidden());
}

TEST_F(PluginTest, AFontWithKerningIsReworkedOnRequest) {
    GSDocument &doc = preKerned().open("Kerned").textTool();
    openDialog();
    settle();
    gesture::click(*p().startUpButton); // re-work is the choice made already
    EXPECT_EQ(p()._currentFeedback.type, ZVfeedback::reworking_existing);
    EXPECT_EQ(p().messageLabel->stringValue(), "Re-working the existing kerning ...");
    // The dialog is frozen while the masters start, even across a master switch.
    window(doc).chooseFontMaster(doc.font()->fontMasters()[1]);
    EXPECT_EQ(p().messageLabel->stringValue(), "Re-working the existing kerning ...");
    settle();
    EXPECT_NE(p()._currentFeedback.type, ZVfeedback::reworking_existing);
    EXPECT_FALSE(p().zvdata()->font_is_untouched());
    EXPECT_FALSE(p().gearMenu->isHidden());
    // Models come from the kerning there was (the second master had none).
    EXPECT_TRUE(hasModels(doc.font()->fontMasters()[0]));
}

TEST_F(PluginTest, AFontSetUpEarlierStartsWithoutAsking) {
    GSDocument &doc = startFont(demoFont("Demo"));
    // A model set by the designer: the master's kerning reaches the font.
    cursorOn(doc, "AV");
    gesture::clickSegment(*p().pairType, 0);
    settle();
    const std::vector<ZVglyph_pair> models = engine().get_models("");
    ASSERT_FALSE(models.empty());
    gesture::closeWindow(dialog());
    settle();
    ASSERT_EQ(p().zvdata(), nullptr);

    openDialog();
    EXPECT_EQ(p().messageLabel->stringValue(), "Starting up ...");
    settle();
    EXPECT_TRUE(p().activateZVbutton->isHidden());
    EXPECT_NE(p()._currentFeedback.type, ZVfeedback::too_few_unkerned_pairs);
    EXPECT_EQ(engine().get_models(""), models);
    EXPECT_TRUE(hasModels(doc.font()->fontMasters()[1]));
}

TEST_F(PluginTest, StoredStateThatCannotBeUsedIsToldOnce) {
    zvtesting::GSFontBuilder b = demoFont("Stored");
    b.font().ensureKerning();
    b.kern("T", "o", -80, 0).kern("V", "o", -60, 0);
    b.masterUserData(0, "ZelvarModels",
                     zvbridgetest::pairList({"n n", "o o", "H H", "T o", "V o"}));
    b.masterUserData(1, "ZelvarIndependentPairs", PlistValue(3));
    GSDocument &doc = b.open("Stored").textTool();
    NSAlertScript::expect("Zelvar could not use everything this font stores.", "OK");
    openDialog();
    settle();
    ASSERT_EQ(NSAlertScript::log().size(), 1u);
    EXPECT_EQ(NSAlertScript::log()[0].informative,
              "Could not read the stored “ZelvarIndependentPairs” of the master Bold: it is not a "
              "list of pairs. It counts as empty.");
    EXPECT_EQ(NSAlertScript::log()[0].buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(p().gearMenu->isHidden()); // the font runs all the same
    // Switching masters says nothing again.
    window(doc).chooseFontMaster(doc.font()->fontMasters()[1]);
    settle();
    EXPECT_EQ(NSAlertScript::log().size(), 1u);
}

TEST_F(PluginTest, AMasterWithNothingToMeasureDoesNotStart) {
    const std::string why = "Bold does not start: none of its glyphs can be measured (each has no "
                            "width, no outline, or is too large). Its kerning is left as it is.";
    // Bold's glyphs without width; the dialog opens on the font and its alert names Bold.
    auto openWithBoldFlat = [&](zvtesting::GSFontBuilder &b, const char *family) -> GSDocument & {
        for (GSGlyph *g : b.font().glyphs())
            g->layerWithId("m1")->setWidth(0);
        GSDocument &doc = b.open(family).textTool();
        NSAlertScript::expect("Zelvar could not use everything this font stores.", "OK");
        openDialog();
        settle();
        std::vector<std::string> told;
        for (const auto &alert : NSAlertScript::log())
            told.push_back(alert.informative);
        EXPECT_EQ(told, std::vector<std::string>{why});
        return doc;
    };
    {
        // Alone in its font: the font cannot start, before any question about its kerning.
        zvtesting::GSFontBuilder b("Flat");
        b.master("Bold");
        zvbridgetest::addDemoGlyphs(b);
        b.font().ensureKerning();
        for (GSGlyph *g : b.font().glyphs()) {
            g->layerWithId("m0")->setWidth(0);
            b.kern(g->name(), "o", -30);
        }
        GSDocument &doc = b.open("Flat").textTool();
        const std::size_t pairs = doc.font()->masterKerning("m0", 0)->count();
        openDialog();
        settle();
        EXPECT_EQ(p().messageLabel->stringValue(), why);
        EXPECT_EQ(p().zvdata(), nullptr);
        EXPECT_TRUE(p().eraseExisting->isHidden());
        EXPECT_EQ(doc.font()->masterKerning("m0", 0)->count(), pairs);
        EXPECT_TRUE(NSAlertScript::log().empty());
        gesture::closeWindow(dialog());
        settle();
        GSApplication::sharedApplication().closeAllDocuments();
    }
    {
        // Kerned before, and the designer chooses to erase: Bold keeps its kerning, for nothing
        // would make it again.
        zvtesting::GSFontBuilder b = preKerned();
        b.kern("T", "o", -99, 1).kern("V", "o", -77, 1);
        GSDocument &doc = openWithBoldFlat(b, "Kerned");
        EXPECT_FALSE(p().eraseExisting->isHidden());
        gesture::click(*p().eraseExisting);
        gesture::click(*p().startUpButton);
        settle();
        const GSMasterKerning *erased = doc.font()->masterKerning("m0", 0);
        EXPECT_TRUE(erased == nullptr || erased->count() == 0);
        window(doc).chooseFontMaster(doc.font()->fontMasters()[1]);
        settle();
        EXPECT_EQ(hostKerning(doc, "T", "o"), -99);
        EXPECT_EQ(hostKerning(doc, "V", "o"), -77);
        gesture::closeWindow(dialog());
        settle();
        GSApplication::sharedApplication().closeAllDocuments();
        NSAlertScript::reset();
    }
    // Beside a master that starts: the alert names it, it is never started, and shown it says
    // why; its kerning stays.
    zvtesting::GSFontBuilder b = demoFont("Half");
    b.font().ensureKerning();
    b.kern("T", "o", -80, 0).kern("V", "o", -60, 0).kern("T", "o", -99, 1);
    b.masterUserData(0, "ZelvarModels",
                     zvbridgetest::pairList({"n n", "o o", "H H", "T o", "V o"}));
    GSDocument &doc = openWithBoldFlat(b, "Half");
    EXPECT_FALSE(p().gearMenu->isHidden());
    EXPECT_NE(p().messageLabel->stringValue(), why); // Regular runs
    window(doc).chooseFontMaster(doc.font()->fontMasters()[1]);
    settle();
    EXPECT_EQ(p().messageLabel->stringValue(), why);
    EXPECT_TRUE(p().activateZVbutton->isHidden());
    EXPECT_EQ(hostKerning(doc, "T", "o"), -99);
    EXPECT_EQ(engine().get_master("m1").status, ZVfont::untouched);
}

TEST_F(PluginTest, AFontWithoutXHeightCannotStart) {
    zvtesting::GSFontBuilder b = demoFont("Flat");
    b.font().fontMasters()[1]->setXHeight(0);
    b.open("Flat");
    openDialog();
    settle();
    EXPECT_EQ(p().messageLabel->stringValue(),
              "Zelvar cannot start because\nthe x-height is not defined. Please set this "
              "metric in the Font Info.");
    EXPECT_EQ(p().zvdata()->get_zvfont()->masters.size(), 0u);
}

TEST_F(PluginTest, TheCurrentMasterStartsFirst) {
    GSDocument &doc = demoFont("Three", 3).open("Three").textTool();
    window(doc).chooseFontMaster(doc.font()->fontMasters()[2]);
    startUntilTheCurrentMasterRuns(doc);
    // The current master shows while the others still start.
    EXPECT_TRUE(starting());
    EXPECT_NE(p().messageLabel->stringValue(), "Starting up ...");
    EXPECT_FALSE(p().separatorLine0->isHidden());
    // Another master still starting says so.
    window(doc).chooseFontMaster(doc.font()->fontMasters()[1]);
    if (starting()) {
        EXPECT_EQ(p().messageLabel->stringValue(), "Starting up ...");
        EXPECT_TRUE(p().separatorLine0->isHidden());
    }
    settle();
    EXPECT_NE(p().messageLabel->stringValue(), "Starting up ...");
}

// Under ThreadSanitizer: the masters start on worker threads while the designer types (each
// keystroke refreshes the dialog on the main thread) and then closes the dialog.
TEST_F(PluginTest, ClosingAndTypingWhileTheOtherMastersStart) {
    ZelvarToDialog::maxConcurrentStartUps = 0;
    GSDocument &doc = demoFont("Three", 3).open("Three").textTool();
    startUntilTheCurrentMasterRuns(doc);
    NSRunLoop &loop = NSRunLoop::mainRunLoop();
    for (const char *text : {"T", "o", "V", "A"}) {
        window(doc).typeText(text);
        loop.runOneTurn();
    }
    const std::shared_ptr<ZVDataToGlyphs> bridge = p().zvdata();
    gesture::closeWindow(dialog());
    EXPECT_EQ(p().startUpRunCount(), 0u);
    EXPECT_EQ(ZVDataToGlyphs::writerForFont(doc.font()), nullptr);
    loop.drain();
    EXPECT_EQ(bridge->gsfont(), nullptr);
    ZelvarToDialog::maxConcurrentStartUps = 1;
}

TEST_F(PluginTest, AKerningEditOfAStartingMasterIsTakenOnceItHasStarted) {
    GSDocument &doc = preKerned().open("Kerned").textTool();
    openDialog();
    settle();
    gesture::click(*p().eraseExisting);
    gesture::click(*p().startUpButton);
    settle();
    window(doc).typeText(kTenPairs);
    window(doc).moveCursorToLayer(5); // HITVA|O
    settle();
    gesture::click(*p().activateZVbutton);
    NSRunLoop::mainRunLoop().runOneTurn(); // the masters are queued
    ASSERT_TRUE(p().currentMasterIsStarting());
    ASSERT_FALSE(p().zvdata()->ignore_observers());
    GSFont *font = doc.font();
    font->setKerningForFontMasterID(window(doc).selectedFontMaster()->id(),
                                    font->glyphForName("A")->id(), font->glyphForName("O")->id(),
                                    -45, 0);
    settle();
    EXPECT_EQ(engine().get_pair(pairOf("A", "O"), "").value, -45);
    EXPECT_EQ(hostKerning(doc, "A", "O"), -45);
}
