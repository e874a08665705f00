#include "platform/FileContents.h"

#include "file_size_limit.h"
#include "temp_folder.h"
#include "unreadable_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string fileText(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::size_t entries(const fs::path &folder) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

// Only a regular file read to its end is read; anything else is refused with the reason, at once.
TEST(RegularFileReading, OnlyARegularFileReadToItsEnd) {
    zvtest::TempFolder dir;
    const fs::path file = dir.path() / "Info.plist", link = dir.path() / "link.plist";
    std::ofstream(file) << "<plist/>";
    fs::create_symlink(file, link);
    EXPECT_EQ(zv_files::readRegularFile(link), "<plist/>");
    const fs::path pipe = dir.path() / "pipe.plist";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    auto paths = zvtest::unreadable_paths();
    paths.emplace_back("a named pipe", pipe.string());
    paths.emplace_back("nothing", (dir.path() / "none.plist").string());
    paths.emplace_back("a device", "/dev/zero");
    for (const auto &[what, path] : paths) {
        SCOPED_TRACE(what);
        std::string reason;
        EXPECT_EQ(zv_files::readRegularFile(path, &reason), std::nullopt);
        EXPECT_FALSE(reason.empty());
    }
}

// A saved file is replaced whole or not at all; what the designer set up around it stays: a
// symbolic link still leads to the file, and the file keeps its permissions.
TEST(AtomicWriting, ReplacesTheFileTheLinkNamesKeepingItsPermissions) {
    zvtest::TempFolder dir;
    const fs::path file = dir.path() / "real.json", link = dir.path() / "link.json";
    std::ofstream(file) << "old";
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(file, link);
    std::string error;
    ASSERT_TRUE(zv_files::writeFileAtomically(link, "new bytes", &error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fileText(file), "new bytes");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entries(dir.path()), 2u);

    {
        zvtest::FileSizeLimit limit(4);
        EXPECT_FALSE(zv_files::writeFileAtomically(link, "longer than four", &error));
    }
    EXPECT_EQ(error, link.string() + ": cannot be written: File too large");
    EXPECT_EQ(fileText(file), "new bytes");
    EXPECT_EQ(entries(dir.path()), 2u);

    // A named pipe is never opened (that would wait for a reader), only refused.
    const fs::path pipe = dir.path() / "pipe.json";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(zv_files::checkFileCanBeWritten(pipe, &error));
    EXPECT_EQ(error, pipe.string() + ": cannot be written: it is not a regular file");
    EXPECT_FALSE(zv_files::writeFileAtomically(pipe, "x", &error));
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(zv_files::checkFileCanBeWritten(dir.path() / "new.json", &error));
    EXPECT_EQ(entries(dir.path()), 3u);
}
