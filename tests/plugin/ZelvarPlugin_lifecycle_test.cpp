// The principal class's life: the menu item, opening and placing the dialog, one bridge per
// font kept across document switches, closing by the designer or with the last document.
#include "plugin_fixture.h"

using namespace zvplugintest;

namespace {
std::size_t registrationsOf(const void *observer) {
    std::size_t n = 0;
    for (const auto &r : NSNotificationCenter::defaultCenter().registrations)
        n += r->observer == observer;
    return n;
}
} // namespace

TEST_F(PluginTest, TheMenuItemOpensTheDialogOnce) {
    EXPECT_EQ(p().interfaceVersion(), 1u);
    ASSERT_NE(p()._zelvarMenuItem, nullptr);
    EXPECT_EQ(p()._zelvarMenuItem->menu, NSApp().mainMenu->itemWithTag(5)->submenu.get());
    EXPECT_EQ(p()._zelvarMenuItem->state, NSControlStateValueOff);
    demoFont("A").open("A");
    openDialog();
    settle();
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_FALSE(dialog().isKeyWindow());
    EXPECT_EQ(dialog().level, 8);
    EXPECT_EQ(p()._zelvarMenuItem->state, NSControlStateValueOn);
    EXPECT_EQ(registrationsOf(plugin.get()), 9u);
    EXPECT_EQ(NSApp().localMonitors.size(), 1u);

    // The second choice while the dialog shows registers nothing more.
    openDialog();
    settle();
    EXPECT_EQ(registrationsOf(plugin.get()), 9u);
    EXPECT_EQ(NSApp().localMonitors.size(), 1u);
}

TEST_F(PluginTest, WithoutTheHostsTag5ItemNothingIsAdded) {
    auto bare = std::make_shared<NSMenu>("Main Menu");
    bare->addItemWithTitle("File")->setTag(1);
    bare->addItemWithTitle("Window")->setTag(5); // no submenu
    NSApp().mainMenu = bare;
    ZelvarPlugin other;
    other.loadPlugin();
    EXPECT_EQ(other._zelvarMenuItem, nullptr);
    EXPECT_EQ(bare->numberOfItems(), 2);
    NSApp().mainMenu = nullptr;
    other.loadPlugin();
    EXPECT_EQ(other._zelvarMenuItem, nullptr);
}

TEST_F(PluginTest, TheDialogSitsBesideTheDocumentWindow) {
    struct Case {
        NSRect document;
        double x, y;
    } cases[] = {
        {{300, 100, 1000, 800}, 56, 283},
        {{200, 0, 900, 500}, 200, 0}, // not room for it on the left: the document's x
    };
    GSDocument &doc = demoFont("A").open("A");
    for (const Case &c : cases) {
        doc.windowController()->window()->setFrame(c.document);
        p().window()->setFrame({0, 0, 280, 500});
        p().positionWindow();
        EXPECT_EQ(dialog().frame.x, c.x);
        EXPECT_EQ(dialog().frame.y, c.y);
        EXPECT_EQ(dialog().frame.height, 500);
    }
}

TEST_F(PluginTest, EachFontKeepsItsBridgeAcrossDocumentSwitches) {
    GSDocument &a = demoFont("A").open("A");
    openDialog();
    settle();
    const std::shared_ptr<ZVDataToGlyphs> bridgeA = p().zvdata();
    ASSERT_NE(bridgeA, nullptr);
    EXPECT_EQ(bridgeA->gsfont(), a.font());
    const ZVfontMM *engineA = bridgeA->get_zvfont();

    GSDocument &b = demoFont("B").open("B");
    settle();
    ASSERT_NE(p().zvdata(), nullptr);
    EXPECT_EQ(p().zvdata()->gsfont(), b.font());

    GSApplication::sharedApplication().setCurrentFontDocument(&a);
    settle();
    EXPECT_EQ(p().zvdata(), bridgeA);
    EXPECT_EQ(p().zvdata()->get_zvfont(), engineA);
    EXPECT_EQ(ZVDataToGlyphs::writerForFont(a.font()), bridgeA);
}

TEST_F(PluginTest, ClosingTheLastDocumentClosesTheDialog) {
    GSDocument &a = demoFont("A").open("A");
    GSDocument &b = demoFont("B").open("B");
    openDialog();
    settle();
    GSApplication &app = GSApplication::sharedApplication();
    app.closeDocument(&b);
    settle();
    EXPECT_TRUE(dialog().isVisible());
    ASSERT_NE(p().zvdata(), nullptr);
    EXPECT_EQ(p().zvdata()->gsfont(), a.font());

    app.closeDocument(&a);
    settle();
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(p().zvdata(), nullptr);
    EXPECT_EQ(p()._zelvarMenuItem->state, NSControlStateValueOff);
    EXPECT_EQ(registrationsOf(plugin.get()), 0u);
    EXPECT_TRUE(NSApp().localMonitors.empty());
}

TEST_F(PluginTest, ClosingTheDialogDropsTheBridgesOfEveryFont) {
    GSDocument &a = demoFont("A").open("A");
    GSDocument &b = demoFont("B").open("B");
    openDialog();
    settle();
    GSApplication::sharedApplication().setCurrentFontDocument(&a);
    settle();
    ASSERT_NE(ZVDataToGlyphs::writerForFont(a.font()), nullptr);
    ASSERT_NE(ZVDataToGlyphs::writerForFont(b.font()), nullptr);
    gesture::closeWindow(dialog());
    settle();
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(ZVDataToGlyphs::writerForFont(a.font()), nullptr);
    EXPECT_EQ(ZVDataToGlyphs::writerForFont(b.font()), nullptr);
    EXPECT_EQ(registrationsOf(plugin.get()), 0u);

    // Opened again, the font starts afresh with a new bridge.
    openDialog();
    settle();
    EXPECT_TRUE(dialog().isVisible());
    ASSERT_NE(p().zvdata(), nullptr);
    EXPECT_EQ(p().zvdata()->gsfont(), a.font());
}

TEST_F(PluginTest, WithoutADocumentTheDialogSaysItIsNotRunning) {
    openDialog();
    settle();
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_EQ(p().zvdata(), nullptr);
    EXPECT_EQ(p().messageLabel->stringValue(), "Zelvar is currently not running.");
    EXPECT_TRUE(p().activateZVbutton->isHidden());
}

TEST_F(PluginTest, AValueTypedAndNotCommittedGoesToTheFontLeft) {
    GSDocument &a = startFont(demoFont("A"), "A");
    cursorOn(a, "AV");
    gesture::clickSegment(*p().pairType, 0);
    settle();
    const std::shared_ptr<ZVDataToGlyphs> bridgeA = p().zvdata();
    const ZVglyph_pair AV = pairOf("A", "V");
    gesture::click(*p().pairValueTextField);
    gesture::typeText(*p().pairValueTextField, "-30");
    demoFont("B").open("B"); // the other document comes to the front
    settle();
    EXPECT_NE(p().zvdata(), bridgeA);
    EXPECT_EQ(bridgeA->get_zvfont()->get_pair(AV, "").value, -30);
}

TEST_F(PluginTest, AStartUpGoesOnWhileAnotherFontIsShown) {
    GSDocument &a = demoFont("A").open("A").textTool();
    openDialog();
    settle();
    window(a).typeText(kTenPairs);
    settle();
    const std::shared_ptr<ZVDataToGlyphs> bridgeA = p().zvdata();
    gesture::click(*p().activateZVbutton);
    NSRunLoop::mainRunLoop().runOneTurn(); // the masters are queued
    ASSERT_TRUE(starting());
    demoFont("B").open("B");
    settle();
    // The dialog shows the other font; the first font's start-up ended on its own.
    EXPECT_EQ(p().messageLabel->stringValue(), "Zelvar is currently not running.");
    EXPECT_EQ(*a.font()->userDataForKey("ZelvarVersion"), PlistValue("1.40"));
    for (const GSFontMaster *m : a.font()->fontMasters())
        EXPECT_NE(m->userDataForKey("ZelvarModels"), nullptr);
    GSApplication::sharedApplication().setCurrentFontDocument(&a);
    settle();
    EXPECT_EQ(p().zvdata(), bridgeA);
    EXPECT_FALSE(p().separatorLine0->isHidden()); // running
}

TEST_F(PluginTest, AFontWithoutMastersToKernSaysSo) {
    zvtesting::GSFontBuilder b("Empty");
    b.open("Empty");
    openDialog();
    settle();
    EXPECT_EQ(p().messageLabel->stringValue(),
              "Sorry, could not find any masters that can be kerned.");
    EXPECT_EQ(p().zvdata(), nullptr);
    const std::shared_ptr<ZVDataToGlyphs> bridge =
        ZVDataToGlyphs::writerForFont(GSApplication::sharedApplication().currentFontDocument()->font());
    ASSERT_NE(bridge, nullptr);
    EXPECT_EQ(bridge->currentMaster(), nullptr);
}

TEST_F(PluginTest, HostEditsCountOnMastersTheEngineRuns) {
    zvtesting::GSFontBuilder b = demoFont("Linked");
    b.masterParameter(1, "Link Metrics With First Master", PlistValue(true));
    GSDocument &doc = startFont(std::move(b), "Linked");
    NSRunLoop::mainRunLoop().drain();
    EXPECT_FALSE(p().zvdata()->ignore_observers());
    window(doc).chooseFontMaster(doc.font()->fontMasters()[1]);
    settle();
    EXPECT_EQ(p().messageLabel->stringValue(), "This master has linked metrics.");
    EXPECT_TRUE(p().separatorLine0->isHidden());
    EXPECT_TRUE(p().zvdata()->ignore_observers());
    window(doc).chooseFontMaster(doc.font()->fontMasters()[0]);
    settle();
    EXPECT_FALSE(p().zvdata()->ignore_observers());
    EXPECT_FALSE(p().separatorLine0->isHidden());
}
