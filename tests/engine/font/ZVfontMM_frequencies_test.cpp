// Reading the pair-frequencies file, from small files written here.
#include "engine/font/ZVfontMM.h"
#include "unreadable_paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

using PLXlibNamespaceForZV::ZV_HAS_UNICODE;
using PLXlibNamespaceForZV::ZVglyph_category;

/// A file under the test's temporary directory holding the text.
std::string write_file(const std::string &name, const std::string &text) {
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

/// A manager whose table has A, V, four, one half and (optionally) the fraction slash, and
/// the feature records asked for.
ZVfontMM manager(bool with_half, bool with_slash, std::initializer_list<const char *> tags) {
    ZVfontMM mm;
    const auto add = [&](const char *name, std::uint32_t u) {
        ZVglyph_category c;
        c.unicode = u;
        c.flags = ZV_HAS_UNICODE;
        mm.glyphsinfo.push_back(std::string("id-") + name, name, c, "latn", "");
    };
    add("A", 'A');
    add("V", 'V');
    add("four", '4');
    if (with_half)
        add("onehalf", 0xBD);
    if (with_slash)
        add("fraction", 0x2044);
    for (const char *t : tags) {
        ZVfeature f;
        f.tag = t;
        mm.features.features.push_back(f);
    }
    return mm;
}

const ZVfeature &feature(const ZVfontMM &mm, const std::string &tag) {
    for (const ZVfeature &f : mm.features.features)
        if (f.tag == tag)
            return f;
    throw std::runtime_error("no feature " + tag);
}

} // namespace

TEST(PairFrequencies, WhichLinesCount) {
    struct Case {
        const char *line;
        int frequency; // -1: the line is skipped
    } cases[] = {
        {"AV 120", 120},
        {"AV120", -1},
        {" AV 120", -1},
        {"AV 70000", 4464},
        {"AV 0", 1},
        {"AV   33 rest", 33},
        {"AV x", -1},
        {"AV ", -1},
        {"AX 5", -1},
        {"AV 99999999999", -1},
        {"AV -1", 65535},
        {"AV 65536", 1},
        {"AV 2147483647", 65535},
        {"AV 2147483648", -1},
        {"A\xC3 5", -1},
        {"\xC0\x81V 5", -1},
        {"AV 7\r", 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        ZVfontMM mm = manager(false, false, {});
        mm.load_pair_frequencies(write_file("one_line.txt", std::string(c.line) + "\n").c_str());
        if (c.frequency < 0) {
            EXPECT_TRUE(mm.features.indices_with_frequency.empty());
            continue;
        }
        ASSERT_EQ(mm.features.indices_with_frequency.size(), 1u);
        EXPECT_EQ(mm.features.indices_with_frequency[0],
                  (ZVpair_frequency{{0, 1}, static_cast<std::uint16_t>(c.frequency)}));
    }
}

TEST(PairFrequencies, FileOrderAndReadOnce) {
    ZVfontMM mm = manager(false, false, {});
    mm.load_pair_frequencies(write_file("two.txt", " header\nVA 9\nAV 8\nAA 7").c_str());
    const std::vector<ZVpair_frequency> want = {{{1, 0}, 9}, {{0, 1}, 8}, {{0, 0}, 7}};
    EXPECT_EQ(mm.features.indices_with_frequency, want);
    mm.load_pair_frequencies(write_file("other.txt", "VV 3\n").c_str());
    EXPECT_EQ(mm.features.indices_with_frequency, want);
}

TEST(PairFrequencies, FractionPartners) {
    {
        ZVfontMM mm = manager(true, true, {"numr", "dnom", "sups"});
        mm.load_pair_frequencies(write_file("half.txt", "\xC2\xBD"
                                                        "4 80\n4\xC2\xBD 60\n")
                                     .c_str());
        const std::vector<ZVpartner> dnom_right = {{2, 80}}, numr_left = {{2, 60}};
        EXPECT_EQ(feature(mm, "dnom").right_partners, dnom_right);
        EXPECT_EQ(feature(mm, "numr").left_partners, numr_left);
        // The fraction slash stands beside every numerator and denominator.
        EXPECT_EQ(feature(mm, "numr").right_partners, (std::vector<ZVpartner>{{4, 250}}));
        EXPECT_EQ(feature(mm, "dnom").left_partners, (std::vector<ZVpartner>{{4, 250}}));
        EXPECT_EQ(mm.features.indices_with_frequency.size(), 2u);
    }
    {
        // Without the one-half glyph the lines are skipped; without "dnom" only its rule is.
        ZVfontMM mm = manager(false, false, {"numr"});
        mm.load_pair_frequencies(write_file("half2.txt", "\xC2\xBD"
                                                         "4 80\nAV 3\n")
                                     .c_str());
        EXPECT_EQ(mm.features.indices_with_frequency.size(), 1u);
        ZVfontMM with = manager(true, false, {"numr"});
        with.load_pair_frequencies(write_file("half3.txt", "\xC2\xBD"
                                                           "4 80\n")
                                       .c_str());
        EXPECT_EQ(with.features.indices_with_frequency.size(), 1u);
        EXPECT_TRUE(feature(with, "numr").left_partners.empty());
    }
}

TEST(PairFrequencies, MissingFileOnlyAddsTheFractionSlash) {
    ZVfontMM mm = manager(false, true, {"numr", "dnom"});
    mm.load_pair_frequencies((testing::TempDir() + "no_such_file.txt").c_str());
    EXPECT_TRUE(mm.features.indices_with_frequency.empty());
    EXPECT_EQ(feature(mm, "numr").right_partners.size(), 1u);
    mm.load_pair_frequencies(nullptr);
    EXPECT_EQ(feature(mm, "numr").right_partners.size(), 1u); // read once
}

// A path that cannot be read as a file is a missing file; a binary file has no line that counts.
TEST(PairFrequencies, UnreadablePathsAreMissingFiles) {
    auto paths = zvtest::unreadable_paths();
    paths.emplace_back("a binary file", zvtest::binary_file());
    for (const auto &[what, p] : paths) {
        SCOPED_TRACE(what);
        ZVfontMM mm = manager(false, true, {"numr", "dnom"});
        EXPECT_NO_THROW(mm.load_pair_frequencies(p.c_str()));
        EXPECT_TRUE(mm.features.indices_with_frequency.empty());
        EXPECT_EQ(feature(mm, "numr").right_partners.size(), 1u);
    }
}
