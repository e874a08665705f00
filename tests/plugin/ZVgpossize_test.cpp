// The GPOS size estimate against lengths measured with fontTools 4.38 (feaLib, pure-Python
// serializer) on the same feature files; the sample family is compared in test_kerning_size.py.
#include "plugin/ZVgpossize.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace {

std::vector<std::string> names(std::initializer_list<const char *> list) {
    return {list.begin(), list.end()};
}

/// ".notdef" then "g0001", "g0002", … up to n glyphs, then "h0000", … for `more` glyphs.
std::vector<std::string> numbered(int n, int more = 0) {
    std::vector<std::string> out{".notdef"};
    char buf[16];
    for (int i = 1; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "g%04d", i);
        out.push_back(buf);
    }
    for (int i = 0; i < more; ++i) {
        std::snprintf(buf, sizeof buf, "h%04d", i);
        out.push_back(buf);
    }
    return out;
}

/// 601 first glyphs (an odd count, halved unevenly), each kerning 100 second glyphs with a row
/// that repeats every `period` first glyphs (every row differs when the period exceeds 601).
ZVgposkerning rows(int period) {
    ZVgposkerning k;
    for (int l = 1; l <= 601; ++l)
        for (int r = 0; r < 100; ++r) {
            const int p = l % period;
            k.glyph_pairs.push_back({static_cast<std::uint16_t>(l),
                                     static_cast<std::uint16_t>(100 + r),
                                     -(1 + (p + r * p) % 997)});
        }
    return k;
}

struct Case {
    const char *name;
    std::vector<std::string> order;
    ZVgposkerning kerning;
    std::size_t bytes;
    std::size_t subtables;
    bool extension;
};

} // namespace

TEST(GposSize, MatchesTheCompiledLength) {
    const auto tie = [](const char *fifth, const char *ninth) {
        std::vector<std::string> o =
            names({".notdef", "b", "c", "d", "e", "a", "f", "g", "h", "z", "r", "s"});
        o[5] = fifth;
        o[9] = ninth;
        return o;
    };
    ZVgposkerning classes;
    for (std::uint16_t i = 0; i < 300; ++i) {
        classes.left_classes.push_back(
            {static_cast<std::uint16_t>(2 * i + 1), static_cast<std::uint16_t>(2 * i + 2)});
        classes.right_classes.push_back(
            {static_cast<std::uint16_t>(700 + 2 * i), static_cast<std::uint16_t>(701 + 2 * i)});
    }
    for (std::uint32_t a = 0; a < 300; ++a)
        for (std::uint32_t b = 0; b < 300; ++b)
            classes.class_pairs.push_back({a, b, -static_cast<std::int32_t>((a + b) % 40) - 1});
    ZVgposkerning ranges;
    for (std::uint16_t i = 1; i < 13; ++i)
        ranges.glyph_pairs.push_back({i, 13, -i});
    const auto abcde = names({".notdef", "a", "b", "c", "d", "e"});

    const Case cases[] = {
        {"no kerning: no table", abcde, {}, 0, 0, false},
        {"one glyph pair", abcde, {{{1, 2, -5}}, {}, {}, {}}, 80, 1, false},
        {"a zero is a value like any other",
         abcde,
         {{{1, 2, 0}, {1, 3, -5}}, {}, {}, {}},
         84,
         1,
         false},
        {"one class pair", abcde, {{}, {{1, 2}}, {{3, 4}}, {{0, 0, -3}}}, 98, 1, false},
        {"glyph pairs come in a subtable before the class pairs",
         abcde,
         {{{1, 3, 0}}, {{1, 2}}, {{3, 4}}, {{0, 0, -3}}},
         124,
         2,
         false},
        {"equal rows are stored once",
         abcde,
         {{{1, 3, -5}, {1, 4, -5}, {2, 3, -5}, {2, 4, -5}}, {}, {}, {}},
         88,
         1,
         false},
        {"different rows are stored apart",
         abcde,
         {{{1, 3, -5}, {1, 4, -5}, {2, 3, -5}, {2, 4, -6}}, {}, {}, {}},
         98,
         1,
         false},
        {"a run of first glyphs is covered as a range", numbered(20), ranges, 172, 1, false},
        // Two left classes of two glyphs: the one whose names sort last is class 0 and not
        // stored, which leaves the other's glyphs (4 apart, or neighbours) in the class table.
        {"equal classes: names choose class 0",
         tie("a", "z"),
         {{}, {{1, 2}, {5, 9}}, {{10, 11}}, {{0, 0, -3}, {1, 0, -4}}},
         118,
         1,
         false},
        {"equal classes: other names, other class 0",
         tie("y", "zz"),
         {{}, {{1, 2}, {5, 9}}, {{10, 11}}, {{0, 0, -3}, {1, 0, -4}}},
         112,
         1,
         false},
        // 60 000 pairs: too far for 16-bit offsets; halved, and moved into extensions.
        {"every row differs", numbered(700), rows(1000), 242978, 4, true},
        {"rows repeating every 150 glyphs fit when shared", numbered(700), rows(150), 61578, 1,
         false},
        // Shared, the rows would still overflow: the compiler stops sharing, and stores them all.
        {"rows repeating every 200 glyphs overflow and are stored apart", numbered(700), rows(200),
         242978, 4, true},
        {"300 by 300 classes are halved by classes", numbered(700, 700), classes, 186830, 4, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ZVgpossize size = estimate_gpos_size(c.kerning, c.order);
        EXPECT_TRUE(size.fits);
        EXPECT_EQ(size.bytes, c.bytes);
        EXPECT_EQ(size.subtables, c.subtables);
        EXPECT_EQ(size.extension, c.extension);
    }
}

TEST(GposSize, StatementOrderAndRepeatedPairsChangeNothing) {
    const auto order = names({".notdef", "a", "b", "c", "d", "e"});
    ZVgposkerning sorted{{{1, 3, -5}, {1, 4, -7}, {2, 3, -5}}, {}, {}, {}};
    ZVgposkerning shuffled{{{2, 3, -5}, {1, 4, -7}, {1, 3, -5}, {1, 4, -9}}, {}, {}, {}};
    EXPECT_EQ(estimate_gpos_size(sorted, order).bytes, estimate_gpos_size(shuffled, order).bytes);
}
