#include "platform/NSBundle.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

// Both bundles the build assembles carry the same resources, byte for byte those of the source
// tree.
TEST(NSBundle, BuildBundlesHoldTheResources) {
    for (const char *dir : {ZV_BUNDLE2_DIR, ZV_BUNDLE3_DIR}) {
        SCOPED_TRACE(dir);
        auto bundle = NSBundle::bundleWithPath(dir);
        ASSERT_NE(bundle, nullptr);
        // The versions come from the project; the feed address lies under the reserved .invalid
        // domain, so that no build ever asks anyone's server.
        const auto info = [&](const char *key) {
            const PlistValue *v = bundle->objectForInfoDictionaryKey(key);
            return v && v->asString() ? *v->asString() : std::string("(absent)");
        };
        EXPECT_EQ(info("CFBundleShortVersionString"), ZV_PROJECT_VERSION);
        EXPECT_EQ(info("CFBundleVersion"), ZV_BUNDLE_BUILD);
        EXPECT_EQ(info("UpdateFeedURL").find("https://updates.zelvar.invalid/"), 0u);
        for (const char *name : {"pair_frequencies", "default_groups"}) {
            SCOPED_TRACE(name);
            auto path = bundle->pathForResource(name, "txt");
            ASSERT_TRUE(path);
            EXPECT_EQ(readFile(*path),
                      readFile(fs::path(ZV_RESOURCES_DIR) / (std::string(name) + ".txt")));
        }
        auto logo = bundle->imageForResource("ZV-logo");
        ASSERT_NE(logo, nullptr);
        EXPECT_EQ(fs::path(logo->path()).filename(), "ZV-logo.png");
        EXPECT_EQ(readFile(logo->path()).substr(1, 3), "PNG");
    }
}

TEST(NSBundle, MissingResourcesAndForeignPathsFindNothing) {
    auto bundle = NSBundle::bundleWithPath(ZV_BUNDLE3_DIR);
    ASSERT_NE(bundle, nullptr);
    struct Case {
        const char *name, *type;
    } cases[] = {
        {"pair_frequencies", "csv"},
        {"nothing", "txt"},
        {"", "txt"},
        {"../Info", "plist"},
        {"..", ""},
        {".", ""},
        {"../../Contents/Info", "plist"},
        {"/etc/hostname", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + "|" + c.type);
        EXPECT_FALSE(bundle->pathForResource(c.name, c.type));
    }
    EXPECT_EQ(bundle->imageForResource("default_groups"), nullptr); // a text file is no image
    EXPECT_EQ(NSBundle::bundleWithPath(std::string(ZV_BUNDLE3_DIR) + "/none"), nullptr);
    // A folder without Info.plist is a bundle with no keys.
    auto bare = NSBundle::bundleWithPath(std::string(ZV_BUNDLE3_DIR) + "/Contents");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->infoDictionary().count(), 0u);
    EXPECT_EQ(NSBundle::bundleWithPath(""), nullptr);
}

// An Info.plist that is no regular file (a folder, a named pipe) makes no bundle, without waiting
// or throwing.
TEST(NSBundle, AnInfoPlistThatIsNoFileMakesNoBundle) {
    zvtest::TempFolder dir;
    const fs::path info = dir.path() / "Contents" / "Info.plist";
    fs::create_directories(info.parent_path());
    fs::create_directory(info);
    EXPECT_EQ(NSBundle::bundleWithPath(dir.path().string()), nullptr);
    fs::remove(info);
    ASSERT_EQ(::mkfifo(info.c_str(), 0600), 0);
    EXPECT_EQ(NSBundle::bundleWithPath(dir.path().string()), nullptr);
}

TEST(NSBundle, BundleForClassAnswersTheRegisteredOne) {
    EXPECT_EQ(NSBundle::bundleForClass("ZVTestClassNeverRegistered"), nullptr);
    auto two = NSBundle::bundleWithPath(ZV_BUNDLE2_DIR);
    auto three = NSBundle::bundleWithPath(ZV_BUNDLE3_DIR);
    NSBundle::registerBundleForClass("ZVTestClass", two);
    EXPECT_EQ(NSBundle::bundleForClass("ZVTestClass"), two);
    NSBundle::registerBundleForClass("ZVTestClass", three); // a later registration replaces
    EXPECT_EQ(NSBundle::bundleForClass("ZVTestClass")->bundlePath(), ZV_BUNDLE3_DIR);
    NSBundle::registerBundleForClass("ZVTestClass", nullptr);
    EXPECT_EQ(NSBundle::bundleForClass("ZVTestClass"), nullptr);
}
