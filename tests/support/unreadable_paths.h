// Paths that a reader of a text resource cannot read as a file, and a binary file, for the
// tests of the readers that must take them as a missing file.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>
#include <unistd.h>

namespace zvtest {

/// (what, path): a directory, a file whose reading fails at its first byte, and a file without
/// read permission (not for root, who reads it anyway).
inline std::vector<std::pair<std::string, std::string>> unreadable_paths() {
    std::vector<std::pair<std::string, std::string>> paths{{"a directory", testing::TempDir()}};
    // A regular file by its type whose first read fails (address 0 of this process).
    if (std::filesystem::exists("/proc/self/mem"))
        paths.emplace_back("a read error", "/proc/self/mem");
    if (geteuid() != 0) {
        const std::string locked = testing::TempDir() + "zv_locked.txt";
        std::ofstream(locked) << "locked\n";
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        paths.emplace_back("no permission", locked);
    }
    return paths;
}

/// A file of every byte value, repeated.
inline std::string binary_file() {
    const std::string path = testing::TempDir() + "zv_binary.bin";
    std::ofstream out(path, std::ios::binary);
    for (int k = 0; k < 64; ++k)
        for (int b = 0; b < 256; ++b)
            out.put(static_cast<char>(b));
    return path;
}

} // namespace zvtest
