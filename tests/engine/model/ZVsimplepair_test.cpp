#include "demo_font.h"
#include "engine/model/ZVcache.h"
#include "engine/model/ZVsimplepair.h"

#include <gtest/gtest.h>

namespace {

ZVsimplepair record(std::uint16_t l, std::uint16_t r, float value, std::uint8_t kind = 0,
                    float lo = ZV_NO_LOWER_BOUND, float hi = ZV_NO_VALUE) {
    ZVsimplepair p;
    p.indices = {l, r};
    p.value = value;
    p.value_min = lo;
    p.value_max = hi;
    p.properties.set_kind(kind);
    return p;
}

} // namespace

TEST(RoundPairValue, CheaperOfCeilingAndFloor) {
    struct Case {
        float value;
        std::uint8_t kind;
        float lo, hi, min_magnitude, expected;
    } cases[] = {
        {0, 0, 5, 9, 2, 0},                               // zero stays zero whatever the bounds
        {1.3f, 0, ZV_NO_LOWER_BOUND, ZV_NO_VALUE, 2, 2},  // cost 0.7 against 0.975
        {0.4f, 0, ZV_NO_LOWER_BOUND, ZV_NO_VALUE, 2, 0},  // cost 1.6 against 0.3
        {-1.3f, 0, ZV_NO_LOWER_BOUND, ZV_NO_VALUE, 2, 0}, // -2 costs 0.7, 0 costs 0.65
        {-1.7f, 0, ZV_NO_LOWER_BOUND, ZV_NO_VALUE, 2, -2},
        {-3.5f, 0, ZV_NO_LOWER_BOUND, ZV_NO_VALUE, ZV_NO_VALUE, -3}, // 0.25 against 0.5
        {7.5f, 3, 7.5f, 7.5f, 2, 8},           // a model: nearest, halves away from zero
        {7.5f, 3, 7.5f, 7.5f, ZV_NO_VALUE, 7}, // without minimum, by cost
        {-7.5f, 2, -7.5f, -7.5f, 2, -8},
        {-0.5f, 0, 0, ZV_NO_VALUE, ZV_NO_VALUE, 0},         // -1 costs 0.5 + 4 + 4
        {2.5f, 0, ZV_NO_LOWER_BOUND, 2.2f, ZV_NO_VALUE, 2}, // 3 leaves the upper bound
        {5.6f, 0, ZV_NO_LOWER_BOUND, ZV_NO_VALUE, 2, 6},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " kind " << int(c.kind));
        EXPECT_EQ(round_pair_value(record(0, 1, c.value, c.kind, c.lo, c.hi), c.min_magnitude),
                  c.expected);
    }
}

TEST(ZVcache, AddSimplepairScalesAndRoundsModels) {
    ZVcache cache;
    cache.lists.resize(3);
    cache.scale = 1000.0 / 225;
    cache.sorted = true;
    const ZVsimplepair &model = cache.add_simplepair(record(1, 2, 10, ZV_MODEL, 10, 10), true);
    EXPECT_EQ(model.value, 44);
    EXPECT_EQ(model.value_min, 44);
    EXPECT_EQ(model.value_max, 44);
    const ZVsimplepair &autopair = cache.add_simplepair(record(1, 0, 10, 0, 9, 11), true);
    EXPECT_FLOAT_EQ(autopair.value, 44.444444f);
    EXPECT_FLOAT_EQ(autopair.value_min, 40.f);
    EXPECT_FALSE(cache.sorted);
    EXPECT_EQ(cache.lists[1].size(), 2u);
    // A left glyph outside the lists stores nothing.
    ZVsimplepair &scratch = cache.add_simplepair(record(7, 0, 3), false);
    scratch.value = 99;
    for (const auto &list : cache.lists)
        for (const auto &p : list)
            EXPECT_NE(p.value, 99);
}

TEST(ZVcache, AddSourcepairInsertsOrOverwrites) {
    ZVcache cache;
    cache.lists.resize(2);
    cache.scale = 2;
    for (std::uint16_t r : {5, 1, 3})
        cache.add_simplepair(record(0, r, r), false);
    cache.add_sourcepair(record(0, 3, 7, ZV_MODEL), true);
    ASSERT_EQ(cache.lists[0].size(), 3u) << "overwritten, not added";
    EXPECT_EQ(cache.lists[0][1].indices.second, 3) << "sorted before the search";
    EXPECT_EQ(cache.lists[0][1].value, 14);
    EXPECT_EQ(cache.lists[0][1].properties.kind(), ZV_MODEL);

    cache.sorted = true;
    cache.add_sourcepair(record(0, 2, 1), false);
    ASSERT_EQ(cache.lists[0].size(), 4u);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_LT(cache.lists[0][i - 1].indices.second, cache.lists[0][i].indices.second);
    cache.add_sourcepair(record(9, 0, 1), false); // outside the lists: nothing happens
}

TEST(MakeGlyphIndexMap, MatchesByNameLowestIndexFirst) {
    using PLXlibNamespaceForZV::ZVglyphs;
    ZVglyphs a, b;
    a.glyphs.resize(4);
    b.glyphs.resize(4);
    const char *an[] = {"A", "B", "", "Z"};
    const char *bn[] = {"B", "A", "A", ""};
    for (int i = 0; i < 4; ++i) {
        a.glyphs[i].name = an[i];
        b.glyphs[i].name = bn[i];
    }
    EXPECT_EQ(make_glyph_index_map(a, b), (std::vector<std::uint16_t>{1, 0, 65535, 65535}));
    EXPECT_TRUE(make_glyph_index_map(ZVglyphs(), b).empty());
}
