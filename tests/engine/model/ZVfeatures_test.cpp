#include "engine/model/ZVfeatures.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace PLXlibNamespaceForZV;

namespace {

// Glyphs: 0 A, 1 V, 2 a, 3 v, 4 a.sc, 5 v.sc, 6 zero, 7 one, 8 zero.numr, 9 one.numr,
// 10 zero.onum, 11 a.alt, 12 A.case (flag small cap), 13 hyphen, 14 hyphen.case.
ZVglyphsinfo table() {
    ZVglyphsinfo t;
    t.set_glyphs_count(15);
    auto add = [&](const char *name, std::uint32_t u, std::uint8_t cat, std::uint16_t flags = 0) {
        ZVglyph_category c;
        c.unicode = u;
        c.flags = static_cast<std::uint16_t>(flags | (u ? ZV_HAS_UNICODE : 0));
        c.category = cat;
        t.push_back(name, name, c, "latn", "");
    };
    add("A", 'A', ZV_UPPERCASE);
    add("V", 'V', ZV_UPPERCASE);
    add("a", 'a', ZV_LOWERCASE);
    add("v", 'v', ZV_LOWERCASE);
    add("a.sc", 0, ZV_LOWERCASE, ZV_SMALLCAP_SUBSTITUTE);
    add("v.sc", 0, ZV_LOWERCASE, ZV_SMALLCAP_SUBSTITUTE);
    add("zero", '0', ZV_DIGIT);
    add("one", '1', ZV_DIGIT);
    add("zero.numr", 0, ZV_DIGIT);
    add("one.numr", 0, ZV_DIGIT);
    add("zero.onum", 0, ZV_DIGIT, ZV_ONUM_SUBSTITUTE);
    add("a.alt", 0, ZV_LOWERCASE);
    add("A.case", 0, ZV_UPPERCASE, ZV_SMALLCAP_SUBSTITUTE);
    add("hyphen", '-', ZV_OTHER);
    add("hyphen.case", 0, ZV_OTHER);
    return t;
}

ZVfeature feature(const char *tag, std::vector<ZVsinglesub> subs) {
    ZVfeature f;
    f.tag = tag;
    f.substitutions = std::move(subs);
    return f;
}

std::uint16_t freq(const std::vector<ZVpair_frequency> &r, ZVglyph_pair p) {
    for (const auto &[q, f] : r)
        if (q == p)
            return f;
    return 0;
}

struct Case {
    const char *what;
    ZVfeatures features;
    std::vector<ZVglyph_pair> extra;
    ZVglyph_pair pair;
    std::uint16_t expected; ///< 0: the pair is absent
};

} // namespace

TEST(ZVfeatures, ExpansionDerivesFrequencies) {
    const ZVglyphsinfo t = table();
    const std::vector<Case> cases = {
        {"a file count stays as it is", {{}, {{{0, 1}, 5}}, {}}, {}, {0, 1}, 5},
        {"a derived count is raised to 16",
         {{feature("smcp", {{2, 4}})}, {{{2, 3}, 5}}, {}},
         {},
         {4, 3},
         16},
        {"a repeated file pair keeps its second count",
         {{}, {{{0, 1}, 5}, {{0, 1}, 9}}, {}},
         {},
         {0, 1},
         9},
        {"a stored count of 0 reads as 1, not as unset", {{}, {{{0, 1}, 0}}, {}}, {}, {0, 1}, 1},
        {"numerators are digits only and capped at 50",
         {{feature("numr", {{6, 8}, {7, 9}})}, {{{6, 7}, 200}}, {}},
         {},
         {8, 9},
         50},
        {"a figure style takes three quarters",
         {{feature("onum", {{6, 10}})}, {{{6, 7}, 200}}, {}},
         {},
         {10, 7},
         150},
        {"digit-only features skip letters",
         {{feature("numr", {{2, 8}})}, {{{2, 3}, 200}}, {}},
         {},
         {8, 3},
         0},
        {"tabular figures add nothing",
         {{feature("tnum", {{6, 10}})}, {{{6, 7}, 200}}, {}},
         {},
         {10, 7},
         0},
        {"a pair reached twice keeps the larger count",
         {{feature("smcp", {{2, 4}, {3, 5}})}, {{{2, 3}, 400}, {{4, 5}, 20}}, {}},
         {},
         {4, 5},
         100},
        {"a composite pair in the file keeps its count",
         {{}, {{{0, 1}, 70}}, {{0, 1}}},
         {},
         {0, 1},
         70},
        {"a new composite pair is marked", {{}, {}, {{0, 1}}}, {}, {0, 1}, 36831},
        {"a composite pair also handed over", {{}, {}, {{0, 1}}}, {{0, 1}}, {0, 1}, 36832},
        {"a handed-over pair of unknown count", {}, {{0, 1}}, {0, 1}, 36833},
        {"a marker scaled by a feature is kept as computed",
         {{feature("smcp", {{2, 4}})}, {}, {}},
         {{2, 3}},
         {4, 3},
         9209},
        {"substitutions chain across features",
         {{feature("smcp", {{2, 4}}), feature("ss01", {{4, 11}})}, {{{2, 3}, 800}}, {}},
         {},
         {11, 3},
         50},
        {"case forms skip lowercase results",
         {{feature("case", {{13, 14}})}, {{{13, 3}, 300}}, {}},
         {},
         {14, 3},
         0},
        {"case forms skip small-cap results",
         {{feature("case", {{13, 14}})}, {{{13, 12}, 300}}, {}},
         {},
         {14, 12},
         0},
        {"case forms apply between capitals",
         {{feature("case", {{13, 14}})}, {{{13, 0}, 300}}, {}},
         {},
         {14, 0},
         75},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<ZVglyph_pair> extra = c.extra;
        const auto r = expand_pair_frequencies(c.features, extra, t);
        EXPECT_EQ(freq(r, c.pair), c.expected);
        EXPECT_TRUE(std::is_sorted(r.begin(), r.end()));
    }
}

TEST(ZVfeatures, ExtraKeepsOnlyUnknownPairs) {
    const ZVglyphsinfo t = table();
    ZVfeatures f;
    f.indices_with_frequency = {{{0, 1}, 30}};
    std::vector<ZVglyph_pair> extra = {{0, 1}, {2, 3}, {2, 3}, {6, 7}};
    expand_pair_frequencies(f, extra, t);
    EXPECT_EQ(extra, (std::vector<ZVglyph_pair>{{2, 3}, {6, 7}}));
    f.indices_with_frequency.clear();
    const std::vector<ZVglyph_pair> again = extra;
    for (const ZVglyph_pair &p : again)
        f.composites_pairs.push_back(p);
    expand_pair_frequencies(f, extra, t);
    EXPECT_TRUE(extra.empty()) << "every pair is known the second time";
}

TEST(ZVfeatures, PairSubstitutionsFollowChainsAndStopOnCycles) {
    // (A, V) -> (a, v) -> (a.sc, v.sc) -> (a, v): the walk ends on the last new pair.
    const std::vector<ZVpairsub> subs = {{0, 1, 2, 3}, {2, 3, 4, 5}, {4, 5, 2, 3}};
    ZVglyph_pair p{0, 1};
    expand_pair_with_members(p, subs);
    EXPECT_EQ(p, (ZVglyph_pair{4, 5}));
    ZVglyph_pair q{6, 7};
    expand_pair_with_members(q, subs);
    EXPECT_EQ(q, (ZVglyph_pair{6, 7}));

    ZVfeatures f;
    ZVfeature calt;
    calt.tag = "calt";
    calt.pair_substitutions = subs;
    f.features.push_back(calt);
    f.indices_with_frequency = {{{0, 1}, 400}};
    std::vector<ZVglyph_pair> extra;
    const auto r = expand_pair_frequencies(f, extra, table());
    EXPECT_EQ(freq(r, {4, 5}), 300);
    EXPECT_EQ(r.size(), 2u) << "the cycle always lands on (a.sc, v.sc)";
}

TEST(ZVfeatures, SideSubstitutionsAndPartners) {
    ZVfeatures f;
    ZVfeature init;
    init.tag = "init";
    init.left_substitutions = {{2, 11}};
    init.right_substitutions = {{3, 5}};
    f.features.push_back(init);
    ZVfeature smcp = feature("smcp", {{2, 4}});
    smcp.left_partners = {{13, 999}};
    smcp.right_partners = {{0, 1}};
    f.features.push_back(smcp);
    f.indices_with_frequency = {{{2, 3}, 100}};
    std::vector<ZVglyph_pair> extra;
    const auto r = expand_pair_frequencies(f, extra, table());
    EXPECT_EQ(freq(r, {11, 3}), 75);
    EXPECT_EQ(freq(r, {2, 5}), 75);
    EXPECT_EQ(freq(r, {13, 4}), 50) << "partners get 50 whatever their own count";
    EXPECT_EQ(freq(r, {4, 0}), 50);
}

TEST(ZVfeatures, AddFrequentPairRaisesAndKeepsTheLargest) {
    ZVfrequency_map map;
    std::vector<ZVglyph_pair> work;
    add_frequent_pair(1 | (2u << 16), 3, map, work);
    EXPECT_EQ(map[ZVglyph_pair(1, 2)], 16);
    add_frequent_pair(1 | (2u << 16), 40, map, work);
    add_frequent_pair(1 | (2u << 16), 20, map, work);
    EXPECT_EQ(map[ZVglyph_pair(1, 2)], 40);
    EXPECT_EQ(work, (std::vector<ZVglyph_pair>{{1, 2}}));
}
