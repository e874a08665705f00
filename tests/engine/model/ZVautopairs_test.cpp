#include "autopairs_fixture.h"
#include "engine/model/ZVautopairs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using zvtest::demo_glyphs;
using zvtest::fitted_demo_models;

namespace {

ZVglyph_pair P(const char *l, const char *r) {
    return {demo_glyphs().index(l), demo_glyphs().index(r)};
}

ZVsimplepair independent(const char *l, const char *r, float font_value) {
    ZVsimplepair s;
    s.indices = P(l, r);
    s.value = s.value_min = s.value_max = font_value;
    s.frequency = ZV_UNKNOWN_FREQUENCY;
    s.properties.set_kind(ZV_INDEPENDENT);
    return s;
}

} // namespace

TEST(ZVautopairs, ConstructionMarksActiveRecordsAndListsCandidates) {
    const auto &d = demo_glyphs();
    const ZVmodels &models = fitted_demo_models();
    const std::vector<ZVminipair> stored = {
        d.mini("T", "o", 0),   // a model pair: dropped
        d.mini("H", "n", 0),   // an independent pair: dropped
        {65535, 1, 0},         // a missing glyph: dropped
        d.mini("n", "n.x", 0), // unknown name (65535): dropped
    };
    ZVfeatures features = zvtest::demo_features(d);
    features.composites_pairs = {{0, 200}}; // outside the frequency file: a composite marker
    PLXlibNamespaceForZV::ZVglyphs glyphs = d.glyphs;
    glyphs.glyphs[d.index("hyphen")].width = 0; // no depth
    std::vector<ZVminipair> with_new = stored;
    with_new.push_back({0, 201, 0}); // unknown count: a 36833 record
    ZVautopairs set(models, glyphs, {independent("H", "n", 5)}, with_new, features, d.font.info);

    EXPECT_EQ(set.user_set_pairs, (std::vector<ZVglyph_pair>{{0, 201}}));
    for (std::size_t i = 1; i < set.records.size(); ++i)
        ASSERT_LT(set.records[i - 1].indices, set.records[i].indices);
    auto kind = [&](ZVglyph_pair p) {
        const auto it = std::find_if(set.records.begin(), set.records.end(),
                                     [&](const ZVautopair &r) { return r.indices == p; });
        return it == set.records.end() ? -1 : it->properties.kind();
    };
    EXPECT_EQ(kind(P("T", "o")), ZV_AUTOKERNED) << "a model is not autokerned";
    EXPECT_EQ(kind(P("H", "n")), ZV_AUTOKERNED) << "an independent pair is not";
    EXPECT_EQ(kind(P("hyphen", "n")), ZV_AUTOKERNED) << "without depth";
    EXPECT_EQ(kind(P("o", "p")), ZV_USER_SET_AUTO);
    EXPECT_EQ(kind({0, 201}), ZV_AUTOKERNED) << "a glyph the set does not have";
    EXPECT_EQ(set.find_pair({0, 201})->frequency, ZV_UNKNOWN_FREQUENCY);

    std::size_t known = 0;
    for (const ZVautopair &r : set.records)
        known += r.frequency < 36830;
    ASSERT_EQ(set.candidates.size(), known);
    for (std::size_t i = 1; i < set.candidates.size(); ++i) {
        const ZVautopair &a = set.records[set.candidates[i - 1]];
        const ZVautopair &b = set.records[set.candidates[i]];
        ASSERT_TRUE(a.frequency > b.frequency ||
                    (a.frequency == b.frequency && set.candidates[i - 1] > set.candidates[i]));
    }
}

TEST(ZVautopairs, FindPairAnswersVisiblePairsFromTheMap) {
    const auto &d = demo_glyphs();
    ZVautopairs set = zvtest::demo_autopairs(fitted_demo_models(), d);
    const auto it = set.find_pair(P("n", "o"));
    ASSERT_NE(it, set.records.end());
    EXPECT_EQ(it->indices, P("n", "o"));
    EXPECT_EQ(set.find_pair({9000, 9000}), set.records.end());
    set.visible_pairs[P("n", "o")] = ZV_NO_RECORD;
    EXPECT_EQ(set.find_pair(P("n", "o")), set.records.end());
}

TEST(ZVautopairs, PairsForGlyphListsModelsIndependentsAndTellingAutopairs) {
    const auto &d = demo_glyphs();
    ZVmodels models = fitted_demo_models();
    const ZVcache cache = zvtest::demo_cache(d);
    const std::vector<ZVsimplepair> independents = {independent("o", "period", -20)};
    ZVautopairs set = zvtest::demo_autopairs(models, d, independents);
    for (std::int8_t side : {std::int8_t{1}, std::int8_t{0}}) {
        SCOPED_TRACE(int(side));
        const auto list =
            set.pairs_for_glyph(d.index("o"), side, models, d.glyphs, cache, independents);
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end(), compare_simplepairs_by_value));
        EXPECT_LE(list.size(), 30u);
        std::size_t listed_models = 0;
        for (const ZVsimplepair &p : list) {
            EXPECT_EQ(side == 1 ? p.indices.first : p.indices.second, d.index("o"));
            if (p.properties.kind() == ZV_MODEL)
                ++listed_models;
            if (p.properties.kind() == ZV_INDEPENDENT) {
                EXPECT_FLOAT_EQ(p.value, -20 * 225.0f / 500) << "independent in engine units";
            }
            if (p.properties.kind() == ZV_USER_SET_AUTO) {
                ZVsimplepair font = p;
                font.value *= 500.f / 225;
                font.value_min *= 500.f / 225;
                font.value_max *= 500.f / 225;
                EXPECT_NE(round_pair_value(font, 2.0f), 0) << "pairs rounding to 0 are left out";
            }
        }
        std::size_t models_of_o = 0;
        for (const ZVmodelpair &m : models.modelpairs.pairs)
            models_of_o += (side == 1 ? m.indices.first : m.indices.second) == d.index("o");
        EXPECT_EQ(listed_models, models_of_o);
        if (side == 1) {
            EXPECT_TRUE(std::any_of(list.begin(), list.end(), [](const ZVsimplepair &p) {
                return p.properties.kind() == ZV_INDEPENDENT;
            }));
        }
    }
}

TEST(ZVautopairs, OrderingOfListedPairs) {
    ZVsimplepair a, b;
    a.indices = {1, 2};
    b.indices = {1, 3};
    a.properties.set_kind(ZV_USER_SET_AUTO);
    b.properties.set_kind(ZV_INDEPENDENT);
    EXPECT_TRUE(compare_candidates_by_properties_then_frequency(b, a)) << "fixed pairs first";
    b.properties.set_kind(ZV_AUTOKERNED);
    EXPECT_TRUE(compare_candidates_by_properties_then_frequency(a, b)) << "then user-set ones";
    b.properties.set_kind(ZV_USER_SET_AUTO);
    b.frequency = 5;
    EXPECT_TRUE(compare_candidates_by_properties_then_frequency(b, a)) << "then frequent ones";
    a.value = b.value = 3;
    a.frequency = 9;
    EXPECT_TRUE(compare_simplepairs_by_value(b, a)) << "equal values: the rarer first";
}
