// The plug-in in a host of its own for each test: the host's main menu, a plug-in bundle without
// update feed (nothing leaves the machine), the principal class loaded, fonts drawn in code opened
// as documents, and the run loop turned as the host turns it.
#pragma once

#include "bridge_fixture.h"
#include "temp_folder.h"

#include "host/GSApplication.h"
#include "host/testing/GSFontBuilder.h"
#include "platform/Describe.h"
#include "platform/Gestures.h"
#include "platform/NSAlert.h"
#include "platform/NSApplication.h"
#include "platform/NSBundle.h"
#include "platform/NSNotificationCenter.h"
#include "platform/NSProcessInfo.h"
#include "platform/NSRunLoop.h"
#include "platform/NSWorkspace.h"
#include "plugin/ZelvarPlugin.h"
#include "version/ZVVersionChecker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace zvplugintest {

/// The plug-in bundle of the tests: the build's resources, version 1.40, no update feed.
inline void registerTestBundle() {
    static zvtest::TempFolder folder;
    static const bool made = [] {
        namespace fs = std::filesystem;
        const fs::path bundle = folder.path() / "Zelvar.bundle";
        fs::create_directories(bundle / "Contents");
        fs::copy(fs::path(ZV_BUNDLE_DIR) / "Contents" / "Resources",
                 bundle / "Contents" / "Resources", fs::copy_options::recursive);
        std::ofstream(bundle / "Contents" / "Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
               "\t<key>CFBundleVersion</key>\n\t<string>14000</string>\n"
               "\t<key>CFBundleShortVersionString</key>\n\t<string>1.40</string>\n"
               "\t<key>NSPrincipalClass</key>\n\t<string>ZelvarPlugin</string>\n"
               "</dict>\n</plist>\n";
        return true;
    }();
    (void)made;
    NSBundle::registerBundleForClass("ZelvarPlugin",
                                     NSBundle::bundleWithPath((folder.path() / "Zelvar.bundle").string()));
}

/// Glyph names of the demo letters (A to Z, a to z) as the tests type them.
inline zvtesting::GSFontBuilder demoFont(const std::string &family, int masters = 2) {
    zvtesting::GSFontBuilder b(family);
    b.master("Regular", 500, 700, {400});
    if (masters > 1)
        b.master("Bold", 520, 710, {700});
    if (masters > 2)
        b.master("Black", 540, 720, {900});
    zvbridgetest::addDemoGlyphs(b);
    return b;
}

class PluginTest : public ::testing::Test {
  protected:
    zvtesting::ClosesDocuments closing;
    std::unique_ptr<ZelvarPlugin> plugin;

    void SetUp() override {
        registerTestBundle();
        NSApp() = NSApplication();
        NSNotificationCenter::defaultCenter() = NSNotificationCenter();
        NSAlertScript::reset();
        NSWorkspace::sharedWorkspace().clearRequests();
        GSApplication::installMainMenu();
        ZelvarToDialog::maxConcurrentStartUps = 1;
        NSRunLoop::mainRunLoop().drain();
        plugin = std::make_unique<ZelvarPlugin>();
        plugin->loadPlugin();
    }

    void TearDown() override { plugin.reset(); }

    /// Turns the run loop until nothing is left to do and no master is starting.
    void settle() {
        NSRunLoop &loop = NSRunLoop::mainRunLoop();
        ASSERT_TRUE(loop.runUntil(
            [&] { return loop.pendingCount() == 0 && !starting(); }, std::chrono::seconds(120)))
            << "the start-up did not end";
        loop.drain();
    }
    /// Whether some master of a start-up run of the dialog has not ended.
    bool starting() const { return plugin->startUpRunCount() > 0; }

    /// Chooses the plug-in's menu item, as the designer does.
    void openDialog() {
        gesture::choose(*NSApp().mainMenu, {"Window", "Zelvar"});
    }
    /// Opens the font with the text tool, opens the dialog, types ten pairs needing no kerning
    /// and starts: every master runs. Answers the document.
    GSDocument &startFont(zvtesting::GSFontBuilder builder, const std::string &name = "Demo") {
        GSDocument &doc = builder.open(name).textTool();
        openDialog();
        settle();
        window(doc).typeText(kTenPairs);
        settle();
        gesture::click(*plugin->activateZVbutton);
        settle();
        return doc;
    }
    /// Opens the dialog on a document, types ten pairs and starts; returns once the current
    /// master has started (the others may still be starting).
    void startUntilTheCurrentMasterRuns(GSDocument &doc) {
        openDialog();
        settle();
        window(doc).typeText(kTenPairs);
        settle();
        gesture::click(*plugin->activateZVbutton);
        ASSERT_TRUE(NSRunLoop::mainRunLoop().runUntil(
            [&] { return !plugin->currentMasterIsStarting(); }, std::chrono::seconds(60)));
    }
    /// Eleven glyphs of the demo font: ten distinct pairs.
    static constexpr const char *kTenPairs = "HITVAOnoplv";

    /// The engine of the dialog's font.
    ZVfontMM &engine() { return *plugin->zvdata()->get_zvfont(); }
    /// The engine index of a glyph.
    std::uint16_t index(const char *name) { return plugin->zvdata()->zvIndexForGlyphName(name); }
    ZVglyph_pair pairOf(const char *left, const char *right) { return {index(left), index(right)}; }
    /// The host's kerning of two glyphs in the window's master (2^63 and above: none).
    double hostKerning(GSDocument &doc, const char *left, const char *right) {
        const GSFont *font = doc.font();
        return font->kerningForFontMasterIDLeftKey(window(doc).selectedFontMaster()->id(),
                                                   font->glyphForName(left)->id(),
                                                   font->glyphForName(right)->id(), 0);
    }
    /// Types two glyphs on a line of their own at the end of the tab and puts the cursor
    /// between them.
    void cursorOn(GSDocument &doc, const std::string &pair) {
        GSWindowController &w = window(doc);
        w.moveCursorToLayer(w.activeEditViewController()->allLayers().size());
        w.typeText("\n" + pair);
        w.moveCursorToLayer(w.activeEditViewController()->allLayers().size() - 1);
        settle();
    }

    ZelvarPlugin &p() { return *plugin; }
    NSWindow &dialog() { return *plugin->window(); }
    std::string dump(bool hidden = false) { return describe(dialog(), hidden); }
    GSWindowController &window(GSDocument &doc) { return *doc.windowController(); }
};

/// A demo font started in the dialog: every master runs.
class RunningFontTest : public PluginTest {
  protected:
    GSDocument *doc = nullptr;
    void SetUp() override {
        PluginTest::SetUp();
        doc = &startFont(demoFont("Demo"));
    }
    ZVsimplepair engineRecord(const char *left, const char *right) {
        return engine().get_pair(pairOf(left, right), "");
    }
    /// Makes the pair under the cursor a model at its value.
    void makeModel(const std::string &pair) {
        cursorOn(*doc, pair);
        gesture::clickSegment(*p().pairType, 0);
        settle();
        ASSERT_EQ(p().uipair.properties.kind(), ZV_MODEL);
    }
};

} // namespace zvplugintest
