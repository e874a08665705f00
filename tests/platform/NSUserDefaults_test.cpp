#include "platform/NSUserDefaults.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class UserDefaultsTest : public ::testing::Test {
  protected:
    zvtest::TempFolder dir;
    const fs::path file = dir.path() / "zelvar" / "UserDefaults.plist";
};

std::string read(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(UserDefaultsPlace, FollowsTheXDGRules) {
    const struct {
        const char *xdg, *home, *file;
    } cases[] = {
        {"/x/config", "/home/u", "/x/config/zelvar/UserDefaults.plist"},
        {"relative/config", "/home/u", "/home/u/.config/zelvar/UserDefaults.plist"},
        {"", "/home/u", "/home/u/.config/zelvar/UserDefaults.plist"},
        {nullptr, "/home/u", "/home/u/.config/zelvar/UserDefaults.plist"},
        {"/x/config", nullptr, "/x/config/zelvar/UserDefaults.plist"},
        {"relative", nullptr, nullptr},
        {nullptr, "", nullptr},
        {nullptr, nullptr, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(unset)") + " | " +
                     (c.home ? c.home : "(unset)"));
        const auto place = NSUserDefaults::defaultsFile(c.xdg, c.home);
        if (c.file) {
            ASSERT_TRUE(place);
            EXPECT_EQ(place->string(), c.file);
        } else {
            EXPECT_FALSE(place);
        }
    }
}

TEST_F(UserDefaultsTest, ValuesSurviveAReopen) {
    {
        NSUserDefaults d(file);
        EXPECT_FALSE(d.objectForKey("ZelvarskippedVersions"));
        d.setObject(PlistValue(PlistArray{PlistValue("101")}), "ZelvarskippedVersions");
        d.setBool(false, "ZelvarPlaySoundWhenFinished");
        d.setObject(PlistValue("gone"), "other");
        d.removeObjectForKey("other");
        EXPECT_EQ(d.lastWriteError(), "");
    }
    NSUserDefaults again(file);
    ASSERT_TRUE(again.arrayForKey("ZelvarskippedVersions"));
    EXPECT_EQ(*again.arrayForKey("ZelvarskippedVersions"), PlistArray{PlistValue("101")});
    EXPECT_FALSE(again.boolForKey("ZelvarPlaySoundWhenFinished"));
    ASSERT_TRUE(again.objectForKey("ZelvarPlaySoundWhenFinished"));
    EXPECT_FALSE(again.objectForKey("other"));
    EXPECT_FALSE(again.arrayForKey("ZelvarPlaySoundWhenFinished")); // not an array
    // Nothing but the file itself is left in the folder (the temporary file was renamed).
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1);
}

// What a caller gets is a copy: changing it changes nothing stored.
TEST_F(UserDefaultsTest, ValuesAreCopiesBothWays) {
    NSUserDefaults d(std::nullopt); // memory only
    PlistValue list(PlistArray{PlistValue("a")});
    d.setObject(list, "k");
    list.asArray()->push_back(PlistValue("b"));
    auto got = d.objectForKey("k");
    got->asArray()->push_back(PlistValue("c"));
    EXPECT_EQ(d.arrayForKey("k")->size(), 1u);
    EXPECT_FALSE(d.file());
}

// An unreadable file counts as empty and is kept aside, untouched, before the first write.
TEST_F(UserDefaultsTest, ABrokenFileIsKeptAside) {
    fs::create_directories(file.parent_path());
    const std::string broken = "<plist><dict><key>ZelvarskippedVersions</key>";
    std::ofstream(file) << broken;
    {
        NSUserDefaults d(file);
        EXPECT_FALSE(d.objectForKey("ZelvarskippedVersions"));
        EXPECT_EQ(read(file), broken); // reading alone changes nothing
        d.setObject(PlistValue(PlistArray{PlistValue("102")}), "ZelvarskippedVersions");
    }
    EXPECT_EQ(read(fs::path(file.string() + ".bad")), broken);
    NSUserDefaults again(file);
    EXPECT_EQ(again.arrayForKey("ZelvarskippedVersions")->size(), 1u);
}

// What is no regular file (a folder, a named pipe) reads as empty, without waiting or throwing,
// and is kept aside like a broken file before the first write.
TEST_F(UserDefaultsTest, WhatIsNoFileReadsAsEmpty) {
    const std::pair<const char *, void (*)(const fs::path &)> kinds[] = {
        {"a folder", [](const fs::path &p) { fs::create_directories(p / "inside"); }},
        {"a named pipe", [](const fs::path &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
    };
    for (const auto &[what, make] : kinds) {
        SCOPED_TRACE(what);
        fs::remove_all(file.parent_path());
        fs::create_directories(file.parent_path());
        make(file);
        const fs::file_type type = fs::symlink_status(file).type();
        {
            NSUserDefaults d(file);
            EXPECT_FALSE(d.objectForKey("ZelvarskippedVersions"));
            d.setObject(PlistValue(PlistArray{PlistValue("103")}), "ZelvarskippedVersions");
            EXPECT_EQ(d.lastWriteError(), "");
        }
        EXPECT_EQ(fs::symlink_status(file.string() + ".bad").type(), type);
        EXPECT_EQ(NSUserDefaults(file).arrayForKey("ZelvarskippedVersions")->size(), 1u);
    }
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNothing) {
    NSUserDefaults d(file);
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                d.setObject(PlistValue(i), "key" + std::to_string(t) + "-" + std::to_string(i));
                (void)d.objectForKey("key0-0");
            }
        });
    for (auto &w : writers)
        w.join();
    NSUserDefaults again(file);
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 10; ++i)
            EXPECT_TRUE(again.objectForKey("key" + std::to_string(t) + "-" + std::to_string(i)));
}
