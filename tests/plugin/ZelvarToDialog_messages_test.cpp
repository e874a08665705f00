// The engine's messages as the message area shows them (text, dot, buttons, editing), and what
// the three message buttons do.
#include "plugin_fixture.h"

using namespace zvplugintest;

namespace {

class Messages : public PluginTest {
  protected:
    GSDocument *doc = nullptr;

    /// A font bound and built, waiting for pairs: the engine answers for the current master.
    void SetUp() override {
        PluginTest::SetUp();
        doc = &demoFont("Demo").open("Demo").document();
        openDialog();
        settle();
        ASSERT_NE(p().zvdata(), nullptr);
    }

    ZVsimplepair pair(const char *left, const char *right) {
        ZVsimplepair s;
        s.indices = {p().zvdata()->zvIndexForGlyphName(left),
                     p().zvdata()->zvIndexForGlyphName(right)};
        return s;
    }

    void show(int type, std::vector<ZVsimplepair> pairs = {}, int tight = 0) {
        p()._currentFeedback = ZVfeedback{};
        p()._currentFeedback.type = type;
        p()._currentFeedback.pairs = std::move(pairs);
        p()._currentFeedback.pair_is_too_tight = tight;
        p().setFeedback();
    }

    void markAutokerned(const std::string &document, const std::string &master) {
        PlistArray from;
        from.push_back(PlistValue(document));
        from.push_back(PlistValue(master));
        p().zvdata()->currentMaster()->setUserData(PlistValue(from), "ZelvarAutokernedFrom");
    }
};

} // namespace

TEST_F(Messages, EveryTypeHasItsWordsDotAndButtons) {
    const auto AV = pair("A", "V"), To = pair("T", "o"), HO = pair("H", "O"), nv = pair("n", "v");
    struct Case {
        const char *what;
        int type;
        std::vector<ZVsimplepair> pairs;
        int tight;
        const char *text;
        const char *dot;
        const char *close;    // "" hidden
        const char *tryAgain; // "" hidden
        bool editing;
    } cases[] = {
        {"waiting for pairs", 1, {}, 0, "Please type at least 10 pairs\nthat do NOT need kerning.",
         "none", "", "", true},
        {"starting", 2, {}, 0, "Starting up ...", "none", "", "", true},
        {"linked", 3, {}, 0, "This master has linked metrics.", "none", "", "", true},
        {"interpolated", 6, {}, 0, "The kerning for this master will be interpolated.", "none", "",
         "", true},
        {"no models", 7, {}, 0, "Autokerning not active.\nPlease set some models.", "red", "", "",
         true},
        {"suggestion", 9, {AV}, 0, "Suggested model:\nAV", "green", "Next", "", true},
        {"tighter, 2, first", 10, {AV, To}, 1, "AV seems tighter than To.", "yellow", "Ignore",
         "", true},
        {"tighter, 3, first", 10, {AV, To, HO}, 1, "AV seems tighter than To and HO.", "yellow",
         "Ignore", "", true},
        {"tighter, 4, first", 10, {AV, To, HO, nv}, 1, "AV seems tighter than To and others.",
         "yellow", "Ignore", "", true},
        {"tighter, 2, other", 10, {AV, To}, 0, "To seems tighter than AV.", "yellow", "Ignore", "",
         true},
        {"tighter, 3, others", 10, {AV, To, HO}, 0, "To and HO seem tighter than AV.", "yellow",
         "Ignore", "", true},
        {"tighter, 4, others", 10, {AV, To, HO, nv}, 0, "To and others seem tighter than AV.",
         "yellow", "Ignore", "", true},
        {"similar", 11, {AV, To}, 0, "AV seems very similar to To.", "yellow", "Ignore", "", true},
        {"similar, one pair only", 11, {AV}, 0, "AV seems very similar to .", "yellow", "Ignore",
         "", true},
        {"nothing, 12", 12, {}, 0, "", "green", "Ignore", "", true},
        {"re-working", 13, {}, 0, "", "green", "Ignore", "", false},
        {"more models", 14, {}, 0, "Zelvar has picked some models\nbut we should probably add more.",
         "green", "OK", "", false},
        {"changes", 15, {}, 0,
         "Zelvar has re-worked the kerning. Klick the arrow to show the changes.", "green", "OK",
         "", false},
        {"running", 16, {}, 0, "The autokerning engine\nis running!", "green", "OK", "", false},
        {"rejected", 17, {}, 0, "Note: Some pairs were rejected\nas they were contradicting others.",
         "yellow", "OK", "", false},
        {"removed, contradicting, 1", 18, {AV}, -1,
         "Removed model status for AV\nas it is contradicting other models.", "red", "OK",
         "Try again", false},
        {"removed, contradicting, 2", 18, {AV, To}, -1,
         "Removed model status for AV\nas it is contradicting To.", "red", "OK", "Try again", false},
        {"removed, contradicting, 3", 18, {AV, To, HO}, -1,
         "Removed model status for AV\nas it is contradicting To and HO.", "red", "OK",
         "Try again", false},
        {"removed, loose, 1", 18, {AV}, 0,
         "Removed model status for AV\nas it is too loose compared to other models.", "red", "OK",
         "Try again", false},
        {"removed, loose, 2", 18, {AV, To}, 0,
         "Removed model status for AV\nas it is too loose compared to To.", "red", "OK",
         "Try again", false},
        {"removed, loose, 3", 18, {AV, To, HO}, 0,
         "Removed model status for AV\nas it is too loose compared to To and HO.", "red", "OK",
         "Try again", false},
        {"removed, tight, 1", 18, {AV}, 1,
         "Removed model status for AV\nas it is too tight compared to other models.", "red", "OK",
         "Try again", false},
        {"removed, tight, 2", 18, {AV, To}, 1,
         "Removed model status for AV\nas it is too tight compared to To.", "red", "OK",
         "Try again", false},
        {"removed, tight, 3", 18, {AV, To, HO}, 1,
         "Removed model status for AV\nas it is too tight compared to To and HO.", "red", "OK",
         "Try again", false},
        {"identical", 19, {AV, To}, 0, "Removed model AV\nas it is identical to To.", "red", "OK",
         "", false},
        {"no-kerning models", 20, {}, 0, "Removed models that include no-kerning glyphs.", "red",
         "OK", "", false},
        {"newer version", 21, {}, 0,
         "Warning: This file was last edited with a newer version of Zelvar.", "red", "OK",
         "Download update", false},
        {"composites", 22, {}, 0,
         "This version of Zelvar autokerns additional pairs that impact composite glyphs.",
         "yellow", "OK", "", false},
        {"nothing, 0", 0, {}, 0, "", "green", "", "", true},
        {"nothing, 8", 8, {}, 0, "", "green", "", "", true},
        {"nothing above 22", 23, {}, 0, "", "green", "Ignore", "", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        show(c.type, c.pairs, c.tight);
        EXPECT_EQ(p().messageLabel->stringValue(), c.text);
        EXPECT_EQ(colorName(*p().messageDot->fillColor), c.dot);
        EXPECT_EQ(p().messageCloseButton->isHidden(), std::string(c.close).empty());
        if (*c.close) {
            EXPECT_EQ(p().messageCloseButton->title, c.close);
        }
        EXPECT_EQ(p().messageTryAgain->isHidden(), std::string(c.tryAgain).empty());
        if (*c.tryAgain) {
            EXPECT_EQ(p().messageTryAgain->title, c.tryAgain);
        }
        EXPECT_EQ(p().messageShowButton->isHidden(), c.pairs.empty() && c.type != 15);
        EXPECT_EQ(p().activateZVbutton->isHidden(), c.type != 1);
        EXPECT_EQ(p().pairType->isEnabled(), c.editing);
        EXPECT_EQ(p().finalizeButton->isEnabled(), c.editing);
    }
}

TEST_F(Messages, AMasterAutokernedFromAnotherNamesItsSource) {
    struct Case {
        const char *document, *master, *text;
    } cases[] = {
        {"", "Bold", "This master is autokerned from Bold."},
        {"Other", "", "This master is autokerned from Other."},
        {"Other", "Bold", "This master is autokerned from Other (Bold)."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        markAutokerned(c.document, c.master);
        show(4);
        EXPECT_EQ(p().messageLabel->stringValue(), c.text);
        EXPECT_EQ(colorName(*p().messageDot->fillColor), "none");
    }
}

TEST_F(Messages, ASourceFontThatIsNotOpenIsAskedFor) {
    markAutokerned("Elsewhere", "Bold");
    show(5);
    EXPECT_EQ(p().messageLabel->stringValue(),
              "To autokern this master, please open Elsewhere. Note: you can use the (···) menu "
              "to change the autokerning source.");
    EXPECT_EQ(colorName(*p().messageDot->fillColor), "none");
}

TEST_F(Messages, ASourceFontOpenedIsResolvedOnceInARow) {
    zvtesting::GSFontBuilder source = demoFont("Source");
    source.font().ensureKerning();
    source.kern("T", "o", -80).kern("V", "o", -60);
    source.masterUserData(0, "ZelvarModels", zvbridgetest::pairList({"n n", "o o", "T o", "V o"}));
    source.open("Source");
    GSApplication::sharedApplication().setCurrentFontDocument(doc);
    settle();
    p().messageLabel->setStringValue("before");
    markAutokerned("Source", "Regular");
    show(5);
    // Found: the dialog refreshes later and leaves the text as it was.
    EXPECT_EQ(p().messageLabel->stringValue(), "before");
    EXPECT_GT(NSRunLoop::mainRunLoop().pendingCount(), 0u);
    // Shown again at once for the same master, it says the source cannot be used.
    show(5);
    EXPECT_EQ(p().messageLabel->stringValue(),
              "Couldn’t find Regular to autokern this master. Note: you can use the (···) menu to "
              "change the autokerning source.");
}

TEST_F(Messages, ASourceMarkThatFindsNothingSaysSo) {
    // A mark naming a master that is not there stays: the master waits for it.
    markAutokerned("", "Black");
    show(5);
    EXPECT_EQ(p().messageLabel->stringValue(),
              "Couldn’t find Black to autokern this master. Note: you can use the (···) menu to "
              "change the autokerning source.");
    EXPECT_NE(p().zvdata()->currentMasterAutokernedFrom(), std::nullopt);
}

TEST_F(Messages, ASourceThatCannotLendIsSaidAndForgotten) {
    // A mark naming a master of this font that has no models is removed, and the alert says
    // why; the master's own state is shown next.
    markAutokerned("", "Bold");
    p().messageLabel->setStringValue("before");
    NSAlertScript::expect("Zelvar could not use everything this font stores.", "OK");
    show(5);
    ASSERT_EQ(NSAlertScript::log().size(), 1u);
    EXPECT_EQ(NSAlertScript::log()[0].informative,
              "Regular could not take its kerning from Bold, which has no models. It keeps its "
              "own models and pairs.");
    EXPECT_EQ(p().zvdata()->currentMasterAutokernedFrom(), std::nullopt);
    EXPECT_EQ(p().messageLabel->stringValue(), "before");
    EXPECT_GT(NSRunLoop::mainRunLoop().pendingCount(), 0u);
}

namespace {

/// A running font whose current master's pending messages the test sets.
class MessageButtons : public PluginTest {
  protected:
    GSDocument *doc = nullptr;
    void SetUp() override {
        PluginTest::SetUp();
        doc = &startFont(demoFont("Demo"));
    }
    ZVsimplepair record(const char *left, const char *right) {
        ZVsimplepair s;
        s.indices = pairOf(left, right);
        return s;
    }
    /// Replaces the pending messages and shows the first.
    void pending(std::vector<ZVfeedback> messages) {
        ZVfeedbacks &list = engine().get_master("").feedbacks;
        list.list.clear();
        list.dismissed.clear();
        for (const ZVfeedback &f : messages)
            list.add(f);
        p().getAndSetFeedbackDismissCurrent(false);
    }
    static ZVfeedback message(int type, std::vector<ZVsimplepair> pairs, double urgency = 0) {
        ZVfeedback f;
        f.type = type;
        f.urgency = urgency;
        f.pairs = std::move(pairs);
        return f;
    }
    std::size_t tabs() { return window(*doc).tabs().size(); }
    std::string tabText() {
        return window(*doc).activeEditViewController()->graphicView()->displayString();
    }
};

} // namespace

TEST_F(MessageButtons, NextMovesToTheNextSuggestion) {
    pending({message(9, {record("A", "V")}, 2), message(9, {record("T", "o")}, 1)});
    const std::string first = p().messageLabel->stringValue();
    ASSERT_TRUE(first == "Suggested model:\nAV" || first == "Suggested model:\nTo") << first;
    EXPECT_EQ(p().messageCloseButton->title, "Next");
    gesture::click(*p().messageCloseButton);
    EXPECT_EQ(p().messageLabel->stringValue(),
              first == "Suggested model:\nAV" ? "Suggested model:\nTo" : "Suggested model:\nAV");
}

TEST_F(MessageButtons, ShowPutsThePairsIntoTheTabOrANewOne) {
    pending({message(10, {record("A", "V"), record("T", "o")})});
    ASSERT_FALSE(p().messageShowButton->isHidden());
    const std::size_t before = tabs();
    const std::string text = tabText();
    gesture::click(*p().messageShowButton);
    EXPECT_EQ(tabs(), before);
    EXPECT_GT(tabText().size(), text.size());
    // The cursor sits in the last pair.
    window(*doc).postUpdateInterface();
    settle();
    EXPECT_EQ(*p().zvdata()->currentPairs(), std::vector<ZVglyph_pair>{pairOf("T", "o")});

    gesture::click(*p().messageShowButton, NSEventModifierFlagCommand);
    EXPECT_EQ(tabs(), before + 1);
    // Command with another key held is not a new tab.
    gesture::click(*p().messageShowButton, NSEventModifierFlagCommand | NSEventModifierFlagShift);
    EXPECT_EQ(tabs(), before + 1);
}

TEST_F(MessageButtons, ShowOnTheReworkedMessageListsTheChanges) {
    // The kerning the font had before: other than the engine's.
    ZVfont &master = engine().get_master("");
    master.existing_pairs = {{pairOf("A", "V"), 200.f}};
    const std::vector<ZVfont::change> changes = engine().changes_from_existing("");
    ASSERT_FALSE(changes.empty());
    const std::optional<std::string> expected =
        p().zvdata()->stringFromChanges(changes, window(*doc).selectedFontMaster());
    pending({message(15, {})});
    ASSERT_FALSE(p().messageShowButton->isHidden()); // shown although the message has no pairs
    const std::size_t before = tabs();
    gesture::click(*p().messageShowButton);
    EXPECT_EQ(tabs(), before + 1);
    EXPECT_EQ(tabText(), doc->font()->charStringFromDisplayString(*expected));
    EXPECT_NE(p()._currentFeedback.type, 15);

    // Without changes no tab opens, and the message goes all the same: the kerning before is
    // made what the engine gives now.
    for (int round = 0; round < 20 && !engine().changes_from_existing("").empty(); ++round)
        for (const ZVfont::change &c : engine().changes_from_existing(""))
            master.existing_pairs[c.indices] = c.value;
    ASSERT_TRUE(engine().changes_from_existing("").empty());
    pending({message(15, {})});
    gesture::click(*p().messageShowButton);
    EXPECT_EQ(tabs(), before + 1);
    EXPECT_NE(p()._currentFeedback.type, 15);
}

TEST_F(MessageButtons, TryAgainMakesThePairAModelAgain) {
    // A model of the engine's own choice, made a fixed pair meanwhile.
    const ZVglyph_pair On = pairOf("O", "n");
    ASSERT_EQ(engine().get_pair(On, "").properties.kind(), ZV_MODEL);
    engine().set_independent_pair(On, "");
    ASSERT_EQ(engine().get_pair(On, "").properties.kind(), ZV_INDEPENDENT);
    pending({message(18, {record("O", "n")})});
    ASSERT_FALSE(p().messageTryAgain->isHidden());
    gesture::click(*p().messageTryAgain);
    EXPECT_EQ(engine().get_pair(On, "").properties.kind(), ZV_MODEL);
    EXPECT_NE(p()._currentFeedback.type, 18);
}

TEST_F(MessageButtons, DownloadUpdateOpensTheUpdatePage) {
    struct Case {
        NSOperatingSystemVersion system;
        std::optional<bool> activates;
    } cases[] = {
        {{14, 0, 0}, true},
#if ZV_HOST_VERSION == 2
        {{10, 14, 6}, std::nullopt}, // before 10.15: the plain call
#else
        {{10, 14, 6}, true},
#endif
    };
    for (const Case &c : cases) {
        NSProcessInfo::processInfo().setOperatingSystemVersion(c.system);
        NSWorkspace::sharedWorkspace().clearRequests();
        pending({message(21, {})});
        ASSERT_EQ(p().messageTryAgain->title, "Download update");
        gesture::click(*p().messageTryAgain);
        const auto requests = NSWorkspace::sharedWorkspace().requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].url, "https://updates.zelvar.invalid/update/");
        EXPECT_EQ(requests[0].activates, c.activates);
    }
    NSProcessInfo::processInfo().setOperatingSystemVersion({14, 0, 0});
}
