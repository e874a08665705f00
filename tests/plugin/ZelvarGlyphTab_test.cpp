// The glyph tab (name, side bearings, spacing types, special spacing groups), the gear menu by
// master status, the comparison list, undo, and the about window.
#include "plugin_fixture.h"

#include "bridge/ZVUserData.h"
#include "host/GSGlyph.h"
#include "host/GSLayer.h"
#include "platform/NumberText.h"
#include "plugin/AboutZVController.h"
#include "version/ZVVersionChecker.h"

using namespace zvplugintest;

namespace {

class GlyphTab : public PluginTest {
  protected:
    /// Types `text` on a line of its own at the end of the tab and selects its glyphs.
    void selectText(GSDocument &doc, const std::string &text, std::size_t glyphs) {
        GSWindowController &w = window(doc);
        w.moveCursorToLayer(w.activeEditViewController()->allLayers().size());
        w.typeText("\n" + text);
        const std::size_t n = w.activeEditViewController()->allLayers().size();
        w.selectLayerRange(n - glyphs, glyphs);
        settle();
    }
    GSLayer *layer(GSDocument &doc, const char *glyph) {
        return doc.font()->glyphForName(glyph)->layerWithId(window(doc).selectedFontMaster()->id());
    }
    std::optional<std::string> stored(GSDocument &doc, const char *glyph, const char *side) {
        return ZVDataFromGlyphs::storedTrackingGroupforGlyph(doc.font()->glyphForName(glyph), side);
    }
    std::vector<std::string> titles(const NSMenuItem *item) {
        std::vector<std::string> out;
        if (item->submenu)
            for (const auto &i : item->submenu->items)
                out.push_back(i->title);
        return out;
    }
};

// Two glyphs: the left side bearings differ (empty field), the right ones agree (shown); a glyph
// standard on the left beside one in a special group shows the mixed type.
TEST_F(GlyphTab, SeveralGlyphsShowWhatTheyShare) {
    GSDocument &doc = startFont(demoFont("Two"));
    layer(doc, "I")->setRSB(layer(doc, "H")->RSB());
    settle();
    selectText(doc, "H-", 2);
    EXPECT_EQ(p().glyphName->stringValue(), "");
    EXPECT_EQ(p().glyphLSB->stringValue(), "");
    selectText(doc, "HI", 2);
    EXPECT_EQ(p().glyphLSB->stringValue(), "");
    EXPECT_EQ(p().glyphRSB->stringValue(), numberText(layer(doc, "H")->RSB()));
    EXPECT_FALSE(p().glyphLPairs->isEnabled());

    selectText(doc, "H-", 2);
    EXPECT_EQ(p().glyphKerningTypeL->selectedTag(), 1);
    EXPECT_FALSE(p().glyphKerningTypeL->itemWithTag(1)->isHidden());
    EXPECT_FALSE(p().glyphTrackingGroupPopUpL->isEnabled());
    // The mixed item is no choice: choosing it changes nothing.
    gesture::chooseTag(*p().glyphKerningTypeL, 1);
    EXPECT_EQ(stored(doc, "H", "L"), std::nullopt);
    EXPECT_EQ(stored(doc, "hyphen", "L"), "Dashes");

    selectText(doc, "-", 1);
    EXPECT_EQ(p().glyphName->stringValue(), "hyphen");
    EXPECT_EQ(p().glyphKerningTypeR->selectedTag(), 4);
    EXPECT_TRUE(p().glyphTrackingGroupPopUpR->isEnabled());
    EXPECT_EQ(p().glyphTrackingGroupPopUpR->titleOfSelectedItem(), "Dashes");
    EXPECT_TRUE(p().glyphTrackingGroupPopUpR->itemWithTag(5)->isHidden());
    EXPECT_EQ(p().glyphTrackingGroupPopUpR->itemWithTag(10)->title,
              "Show Dashes glyphs and models...");
    EXPECT_TRUE(p().glyphKerningTypeR->itemWithTag(1)->isHidden());
    // A standard side has no group: the disabled item says its words without a name.
    selectText(doc, "H", 1);
    EXPECT_FALSE(p().glyphTrackingGroupPopUpR->isEnabled());
    EXPECT_EQ(p().glyphTrackingGroupPopUpR->itemWithTag(10)->title, "Show glyphs and models...");
}

// A glyph no Unicode value or feature reaches is marked; one added after the start is not in the
// glyph table and shows its plain name; pair menus hold "Pairs" until opened.
TEST_F(GlyphTab, NamesAndPairMenus) {
    zvtesting::GSFontBuilder b = demoFont("Names");
    b.glyph("H.ss01").width(720).rect(80, 0, 170, 700);
    GSDocument &doc = startFont(std::move(b));
    selectText(doc, "/H.ss01 ", 1);
    EXPECT_EQ(p().glyphName->stringValue(), "H.ss01 ⚠");
    EXPECT_EQ(p().glyphName->toolTip,
              "This glyphs appears to be inaccessible via Unicode or OT feature.");
    selectText(doc, "V", 1);
    EXPECT_EQ(p().glyphName->stringValue(), "V");
    EXPECT_EQ(p().glyphName->toolTip, "");
    ASSERT_EQ(p().glyphLPairs->numberOfItems(), 1);
    // Opened, the right-side menu lists V's pairs as value and pair; models bold.
    const NSMenu &menu = gesture::openMenu(*p().glyphRPairs);
    const std::vector<ZVsimplepair> records =
        engine().pairs_for_glyph(doc.font()->glyphForName("V")->id(), 1, "");
    ASSERT_EQ(menu.numberOfItems(), static_cast<long>(records.size()) + 1);
    bool sawStyled = false;
    for (long i = 1; i < menu.numberOfItems(); ++i) {
        const NSMenuItem *item = menu.itemAtIndex(i);
        const auto pair = std::any_cast<ZVglyph_pair>(item->representedObject);
        EXPECT_EQ(pair, records[i - 1].indices);
        EXPECT_EQ(pair.first, index("V"));
        // Models bold, fixed pairs italic, the rest plain.
        const std::uint8_t kind = records[i - 1].properties.kind();
        const bool styled = !item->attributedTitle.runs.empty();
        sawStyled |= styled;
        EXPECT_EQ(styled && item->attributedTitle.runs[0].bold, kind == ZV_MODEL) << item->title;
        EXPECT_EQ(styled && item->attributedTitle.runs[0].italic, kind == ZV_INDEPENDENT)
            << item->title;
        // A negative value carries a true minus sign.
        const std::string value = item->title.substr(0, item->title.find(' '));
        EXPECT_EQ(value.find('-'), std::string::npos) << item->title;
    }
    EXPECT_TRUE(sawStyled);

    auto fresh = std::make_unique<GSGlyph>();
    fresh->setName("Hnew");
    for (const GSFontMaster *m : doc.font()->fontMasters()) {
        auto l = std::make_unique<GSLayer>();
        l->setLayerId(m->id());
        l->setAssociatedMasterId(m->id());
        fresh->addLayer(std::move(l));
    }
    doc.font()->addGlyph(std::move(fresh));
    settle();
    selectText(doc, "/Hnew ", 1);
    EXPECT_EQ(p().glyphName->stringValue(), "Hnew");
    EXPECT_EQ(p().glyphName->toolTip, "");
    EXPECT_EQ(p().glyphLPairs->numberOfItems(), 1);
}

// A right side bearing typed 10 units more moves the host's glyph and the engine's kerning
// follows; stepping only previews until the edit ends.
TEST_F(GlyphTab, SideBearingsTypedAndStepped) {
    GSDocument &doc = startFont(demoFont("Bearings"));
    selectText(doc, "V", 1);
    const double rsb = layer(doc, "V")->RSB();
    gesture::click(*p().glyphRSB);
    gesture::typeAndCommit(*p().glyphRSB, numberText(rsb + 10));
    settle();
    EXPECT_EQ(layer(doc, "V")->RSB(), rsb + 10);
    EXPECT_EQ(p().glyphRSB->stringValue(), numberText(rsb + 10));
    EXPECT_TRUE(p().zvWindow()->ignoreTextFields());

    gesture::click(*p().glyphRSB);
    gesture::arrowStep(*p().glyphRSB, 1);
    settle();
    EXPECT_EQ(layer(doc, "V")->RSB(), rsb + 11);
    EXPECT_FALSE(p().glyphRSB->finishedEditing());
    gesture::commit(*p().glyphRSB);
    settle();
    EXPECT_EQ(layer(doc, "V")->RSB(), rsb + 11);

    // A glyph list spaces the side against those glyphs; the field shows a number again.
    gesture::click(*p().glyphRSB);
    gesture::typeAndCommit(*p().glyphRSB, "/A/O");
    settle();
    EXPECT_EQ(p().glyphRSB->stringValue(), numberText(layer(doc, "V")->RSB()));
}

// Special spacing for a letter asks first (cancel leaves everything); a non-letter is not asked; a
// new group goes in after the anchor of both pop-ups and is stored; the names of no kerning are
// refused as a cancel would be.
TEST_F(GlyphTab, SpecialSpacingGroups) {
    GSDocument &doc = startFont(demoFont("Groups"));
    selectText(doc, "H", 1);
    NSAlertScript::expect("Do you really want to set special spacing for this letter?", "Cancel");
    gesture::chooseTag(*p().glyphKerningTypeR, 4);
    EXPECT_EQ(NSAlertScript::log().size(), 1u);
    EXPECT_EQ(stored(doc, "H", "R"), std::nullopt);
    EXPECT_EQ(p().glyphKerningTypeR->selectedTag(), 2);
    EXPECT_FALSE(p().glyphTrackingGroupPopUpR->isEnabled());

    for (const char *reserved : {"NoKerning", "No kerning"}) {
        SCOPED_TRACE(reserved);
        selectText(doc, "(", 1);
        NSAlertScript::expect("Create new special spacing group named:", "OK", reserved);
        gesture::chooseTag(*p().glyphTrackingGroupPopUpR, 8);
        EXPECT_EQ(stored(doc, "parenleft", "R"), "Brackets");
    }

    selectText(doc, ".", 1);
    gesture::chooseTag(*p().glyphKerningTypeL, 2);
    EXPECT_EQ(stored(doc, "period", "L"), std::nullopt);
    const std::size_t alerts = NSAlertScript::log().size();
    gesture::chooseTag(*p().glyphKerningTypeL, 4);
    EXPECT_EQ(NSAlertScript::log().size(), alerts);
    EXPECT_TRUE(p().glyphTrackingGroupPopUpL->isEnabled());
    EXPECT_EQ(p().glyphTrackingGroupPopUpL->selectedTag(), 6);
    NSAlertScript::expect("Create new special spacing group named:", "OK", "Dots");
    gesture::chooseTag(*p().glyphTrackingGroupPopUpL, 8);
    EXPECT_EQ(stored(doc, "period", "L"), "Dots");
    for (NSPopUpButton *g : {p().glyphTrackingGroupPopUpL, p().glyphTrackingGroupPopUpR}) {
        const long anchor = g->indexOfItemWithTag(7);
        long at = anchor + 1;
        while (g->itemAtIndex(at)->tag == 4)
            ++at;
        EXPECT_EQ(g->itemAtIndex(at - 1)->title, "Dots");
        EXPECT_EQ(g->itemAtIndex(at - 1)->tag, 4);
    }
    EXPECT_EQ(p().glyphTrackingGroupPopUpL->titleOfSelectedItem(), "Dots");
    // The empty and mixed group items are no choices.
    gesture::chooseTag(*p().glyphKerningTypeL, 2);
    EXPECT_EQ(stored(doc, "period", "L"), std::nullopt);
}

// The gear menu follows the current master: models to add and masters to autokern from (of this
// font and another open one), an autokerned master, an interpolated one, linked metrics; undo is
// enabled exactly while there is something to undo; the comparison offers only fonts not running.
TEST_F(GlyphTab, GearMenuByMaster) {
    GSDocument &doc = startFont(demoFont("Main", 3), "Main");
    // Another open font, not running, set up earlier: its masters hold stored models.
    zvtesting::GSFontBuilder otherFont = demoFont("Other", 3);
    otherFont.font().ensureKerning();
    for (int m = 0; m < 3; ++m)
        otherFont.kern("A", "V", -50, m);
    GSDocument &other = otherFont.open("Other");
    for (GSFontMaster *m : other.font()->fontMasters())
        m->setUserData(PlistValue(PlistArray{PlistValue("A V")}), zvuserdata::kModels);
    GSApplication::sharedApplication().setCurrentFontDocument(&doc);
    settle();
    NSMenuItem *addFrom = p().gearMenu->itemWithTag(1);
    NSMenuItem *autokern = p().gearMenu->itemWithTag(4);
    NSMenuItem *interpolate = p().gearMenu->itemWithTag(3);
    p().updateGearMenu();
    const std::vector<std::string> offered{"Other Regular", "Other Bold", "Other Black", "Bold",
                                           "Black"};
    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_TRUE(addFrom->isEnabled());
    EXPECT_EQ(sorted(titles(addFrom)), sorted(offered));
    EXPECT_EQ(sorted(titles(autokern)), sorted(offered));
    EXPECT_EQ(autokern->state, NSControlStateValueOff);

    // Autokerned from a master of another font with the same name: stored with an empty name.
    gesture::choose(*p().gearMenu, {"Autokern from", "Other Regular"});
    settle();
    const GSFontMaster *regular = doc.font()->fontMasters()[0];
    const auto source = zvuserdata::autokerningSource(*regular);
    ASSERT_TRUE(source);
    EXPECT_EQ(*source, std::make_pair(std::string("Other"), std::string()));
    p().updateGearMenu();
    EXPECT_EQ(autokern->state, NSControlStateValueOn);
    EXPECT_FALSE(addFrom->isEnabled()); // status 7: nothing to add models to
    EXPECT_FALSE(interpolate->isEnabled());
    // Choosing the item itself ends the autokerning.
    p().updateGearMenu();
    gesture::choose(*p().gearMenu, {"Autokern from"});
    settle();
    EXPECT_FALSE(zvuserdata::autokerningSource(*regular));

    // Of this font: stored with an empty document name.
    gesture::choose(*p().gearMenu, {"Autokern from", "Black"});
    settle();
    EXPECT_EQ(zvuserdata::autokerningSource(*regular),
              std::make_pair(std::string(), std::string("Black")));
    p().updateGearMenu();
    gesture::choose(*p().gearMenu, {"Autokern from"});
    settle();

    // Undo follows the stack.
    EXPECT_FALSE(p().gearMenuUndoItem->isEnabled());
    engine().set_value(pairOf("A", "V"), -50, "");
    p().updateGearMenu();
    EXPECT_TRUE(p().gearMenuUndoItem->isEnabled());
    gesture::choose(*p().gearMenu, {"Undo"});
    settle();
    p().updateGearMenu();
    EXPECT_EQ(p().gearMenuUndoItem->isEnabled(), engine().can_undo(""));

    // The middle master interpolated: nothing to autokern from, the item on.
    window(doc).chooseFontMaster(doc.font()->fontMasters()[1]);
    settle();
    p().updateGearMenu();
    ASSERT_TRUE(interpolate->isEnabled());
    gesture::choose(*p().gearMenu, {"Interpolate this master"});
    settle();
    p().updateGearMenu();
    EXPECT_EQ(interpolate->state, NSControlStateValueOn);
    EXPECT_FALSE(autokern->isEnabled());
    EXPECT_TRUE(titles(autokern).empty());

    // Linked metrics: neither list.
    engine().get_master("").status = ZVfont::linked_metrics;
    p().updateGearMenu();
    EXPECT_FALSE(addFrom->isEnabled());
    EXPECT_FALSE(autokern->isEnabled());
    engine().get_master("").status = ZVfont::interpolated;

    // Comparison: the other font is offered while the plug-in does not run it.
    p().updateCompareToPopUp();
    ASSERT_EQ(p().compareToPopUp->numberOfItems(), 2);
    EXPECT_EQ(p().compareToPopUp->itemAtIndex(1)->title, "Other");
    EXPECT_TRUE(p().compareToPopUp->isEnabled());
    // Once the plug-in runs it (a bridge with a current master), it is not.
    auto running = std::make_shared<ZVDataToGlyphs>(other.font());
    running->setCurrentMaster(other.font()->fontMasters()[0]);
    other.font()->setTempData(running, ZVDataFromGlyphs::ZVDataKey);
    p().updateCompareToPopUp();
    EXPECT_EQ(p().compareToPopUp->numberOfItems(), 1);
    EXPECT_FALSE(p().compareToPopUp->isEnabled());
}

// The about window: the version, and the update status with a link where there is something to
// do; the manual opens in the browser.
TEST_F(GlyphTab, AboutWindowAndManual) {
    startFont(demoFont("About"));
    struct Case {
        const char *name;
        std::optional<std::string> server;
        bool outdated;
        std::string status;
        std::string link;
    };
    const Case cases[] = {
        {"current", "1.40", false, "You have the latest version.", ""},
        {"outdated", "1.50", true, "Update available.\nGo to download page", "Go to download page"},
        {"no answer", std::nullopt, false,
         "Failed to contact the update server.\nGo to update page", "Go to update page"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<ZVVersionChecker> checker = ZVVersionChecker::zv();
        checker->setDisplayVersionCurrent("1.40");
        checker->setDisplayVersionOnServer(c.server);
        checker->setIsOutdated(c.outdated);
        bool shown = false;
        NSApp().modalScripts.push_back([&](NSWindow &w) {
            shown = true;
            EXPECT_EQ(w.title, "About Zelvar");
            AboutZVController &about = dynamic_cast<AboutZVController &>(*w.windowController);
            EXPECT_EQ(about.versionField->stringValue(), "Version 1.40");
            EXPECT_EQ(about.versionStatusField->stringValue(), c.status);
            const NSAttributedString &text = about.versionStatusField->attributedStringValue();
            if (!c.link.empty()) {
                ASSERT_EQ(text.runs.size(), 2u);
                EXPECT_EQ(text.runs[1].text, c.link);
                EXPECT_EQ(text.runs[1].link, ZelvarToDialog::updatePageURL());
            }
            gesture::closeWindow(w);
        });
        gesture::choose(*p().gearMenu, {"About Zelvar"});
        EXPECT_TRUE(shown);
    }
    gesture::choose(*p().gearMenu, {"User manual"});
    ASSERT_EQ(NSWorkspace::sharedWorkspace().requests().size(), 1u);
    EXPECT_TRUE(NSWorkspace::sharedWorkspace().requests()[0].activates);
}

} // namespace
