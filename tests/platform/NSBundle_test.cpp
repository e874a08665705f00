#include "platform/NSBundle.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

// Both bundles the build assembles carry the same resources, byte for byte those of the source tree.
TEST(NSBundle, BuildBundlesHoldTheResources) {
    for (const char *dir : {ZV_BUNDLE2_DIR, ZV_BUNDLE3_DIR}) {
        SCOPED_TRACE(dir);
        auto bundle = NSBundle::bundleWithPath(dir);
        ASSERT_NE(bundle, nullptr);
        EXPECT_TRUE(fs::is_regular_file(fs::path(dir) / "Contents" / "Info.plist"));
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
        {"pair_frequencies", "csv"},     {"nothing", "txt"},     {"", "txt"},
        {"../Info", "plist"},            {"..", ""},             {".", ""},
        {"../../Contents/Info", "plist"}, {"/etc/hostname", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + "|" + c.type);
        EXPECT_FALSE(bundle->pathForResource(c.name, c.type));
    }
    EXPECT_EQ(bundle->imageForResource("default_groups"), nullptr); // a text file is no image
    EXPECT_EQ(NSBundle::bundleWithPath(std::string(ZV_BUNDLE3_DIR) + "/none"), nullptr);
    EXPECT_EQ(NSBundle::bundleWithPath(""), nullptr);
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
