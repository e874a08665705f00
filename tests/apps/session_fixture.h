// Helpers for the session's tests: a plug-in bundle without update feed (its version known, no
// request sent), a small three-master font, and the session run up to every master kerned.
#pragma once

#include "ZVsession.h"
#include "bridge/ZVResources.h"
#include "host/GSApplication.h"
#include "host/testing/GSFontBuilder.h"
#include "platform/NSBundle.h"
#include "platform/NSRunLoop.h"
#include "temp_folder.h"
#include "version/ZVVersionChecker.h"
#include "writer_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

namespace zvsessiontest {

/// A folder holding the build's plug-in bundle with its resources but without "UpdateFeedURL"
/// (its version `version`), removed when the object goes; a program run with it sends no request.
class BundleFolderWithoutFeed {
  public:
    explicit BundleFolderWithoutFeed(const std::string &version = "1.31") {
        namespace fs = std::filesystem;
        const fs::path contents = path() / "Contents";
        fs::create_directories(contents);
        fs::create_directory_symlink(fs::path(ZV_BUNDLE_DIR) / "Contents" / "Resources",
                                     contents / "Resources");
        std::ofstream(contents / "Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
               "<key>CFBundleVersion</key><string>131</string>\n"
               "<key>CFBundleShortVersionString</key><string>"
            << version << "</string>\n</dict>\n</plist>\n";
    }
    std::filesystem::path path() const { return folder_.path() / "Zelvar.bundle"; }

  private:
    zvtest::TempFolder folder_;
};

/// Such a bundle, registered for the plug-in while the object lives; the update checker starts
/// afresh.
class BundleWithoutFeed {
  public:
    explicit BundleWithoutFeed(const std::string &version = "1.31") : folder_(version) {
        ZVVersionChecker::resetSharedInstance();
        NSBundle::registerBundleForClass(ZVPluginClassName,
                                         NSBundle::bundleWithPath(folder_.path().string()));
    }
    ~BundleWithoutFeed() {
        NSBundle::registerBundleForClass(ZVPluginClassName, nullptr);
        ZVVersionChecker::resetSharedInstance();
    }
    BundleWithoutFeed(const BundleWithoutFeed &) = delete;
    BundleWithoutFeed &operator=(const BundleWithoutFeed &) = delete;

  private:
    BundleFolderWithoutFeed folder_;
};

/// Three masters of the demo letters, never kerned by the plug-in but holding kerning (a
/// re-work), Regular between Light and Bold.
inline zvtesting::GSFontBuilder &preKernedFont(zvtesting::GSFontBuilder &b) {
    b.master("Light", 500, 700, {100}).master("Regular", 500, 700, {400});
    b.master("Bold", 500, 700, {700});
    zvbridgetest::addDemoGlyphs(b);
    const std::tuple<const char *, const char *, double> kerning[] = {
        {"T", "o", -80}, {"V", "o", -60}, {"o", "o", -10}, {"A", "V", -90}, {"T", "A", -70},
        {"O", "T", -20}, {"o", "v", -10}, {"v", "o", -10}, {"p", "o", -5},  {"o", "p", 0},
        {"H", "o", -4},  {"n", "v", -6},  {"V", "A", -90}, {"l", "v", -8},  {"one", "one", -40}};
    for (int m = 0; m < 3; ++m)
        for (const auto &[l, r, v] : kerning)
            b.kern(l, r, std::round(v * (1 + 0.2 * m)), m); // whole units, as fonts hold
    return b;
}

/// A session run to its end: activated, every master started and kerned.
inline void runToTheEnd(ZVsession &session) {
    const std::optional<std::string> message = session.activate();
    ASSERT_EQ(message, std::nullopt) << *message;
    ASSERT_TRUE(session.waitForStartUp(std::chrono::minutes(5)));
    session.kernEveryMaster();
}

} // namespace zvsessiontest
