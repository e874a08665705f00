#include "autopairs_fixture.h"
#include "engine/model/ZVautopairs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using zvtest::demo_glyphs;
using zvtest::fitted_demo_models;

namespace {

std::uint16_t G(const char *name) { return demo_glyphs().index(name); }
ZVglyph_pair P(const char *l, const char *r) { return {G(l), G(r)}; }

std::vector<std::uint16_t> text(const std::vector<const char *> &names) {
    std::vector<std::uint16_t> t;
    for (const char *n : names)
        t.push_back(G(n));
    return t;
}

std::size_t entries(const ZVcache &c, ZVglyph_pair p) {
    if (p.first >= c.lists.size())
        return 0;
    return static_cast<std::size_t>(
        std::count_if(c.lists[p.first].begin(), c.lists[p.first].end(),
                      [&](const ZVsimplepair &s) { return s.indices == p; }));
}

// The demo set without the frequencies of (o, p) and (p, v), so that those pairs have no record.
struct Master {
    ZVmodels models = fitted_demo_models();
    ZVcache cache = zvtest::demo_cache(demo_glyphs());
    ZVautopairs set;
    Master() {
        ZVfeatures f = zvtest::demo_features(demo_glyphs());
        std::erase_if(f.indices_with_frequency, [](const ZVpair_frequency &e) {
            return e.first == P("o", "p") || e.first == P("p", "v");
        });
        f.composites_pairs = {P("n", "zero")};
        f.indices_with_frequency.erase(
            std::remove_if(f.indices_with_frequency.begin(), f.indices_with_frequency.end(),
                           [](const ZVpair_frequency &e) { return e.first == P("n", "zero"); }),
            f.indices_with_frequency.end());
        set = ZVautopairs(models, demo_glyphs().glyphs, {}, {}, f, demo_glyphs().font.info);
    }
    ZVsimplepair show(const std::vector<const char *> &names) {
        return set.set_visible_text(text(names), models, demo_glyphs().glyphs, cache);
    }
};

} // namespace

TEST(ZVautopairsRekerning, VisibleTextKernsOnlyWhatIsNew) {
    Master s;
    const ZVsimplepair first = s.show({"n", "v", "l", "n"});
    EXPECT_EQ(first.indices, (ZVglyph_pair{65535, 65535}));
    EXPECT_EQ(first.properties.kind(), ZV_USER_SET_AUTO) << "several pairs: the whole kerning";
    EXPECT_EQ(s.set.visible_pairs.size(), 3u);

    struct Step {
        std::vector<const char *> text;
        int kind; // of the returned record: 0 nothing new, 1 one or several pairs
        ZVglyph_pair pair;
    };
    const std::vector<Step> steps = {
        {{"n", "v", "l"}, 0, {65535, 65535}},   // shrunk: nothing
        {{"n", "v", "l", "p"}, 1, P("l", "p")}, // typed one glyph: that pair only
        {{"n", "v", "l", "p", "p"}, 1, P("p", "p")},
        {{"v", "v", "l", "p"}, 1, P("v", "v")},    // changed: every pair again, only new ones kern
        {{"v", "v", "l", "p"}, 0, {65535, 65535}}, // the same text
    };
    for (const Step &st : steps) {
        const ZVsimplepair r = s.show(st.text);
        EXPECT_EQ(r.properties.kind(), st.kind);
        EXPECT_EQ(r.indices, st.pair);
        if (st.kind == 1) {
            const ZVsimplepair *c = s.cache.find(st.pair);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->value, r.value) << "the cache record, font units";
        }
    }
    EXPECT_EQ(s.set.visible_text, text({"v", "v", "l", "p"}));
    EXPECT_EQ(s.set.visible_pairs.size(), 6u) << "pairs of earlier texts stay visible";
}

TEST(ZVautopairsRekerning, EveryVisiblePairIsKernedOnceWithinItsBounds) {
    Master s;
    const auto &g = demo_glyphs().glyphs;
    std::size_t kernable = 0;
    for (const ZVautopair &r : s.set.records) {
        const bool k = r.is_autokernable(g);
        kernable += k;
        s.set.set_visible_pair(r.indices, s.models.mix, s.models.modelpairs.pairs, g, s.cache);
    }
    s.set.autokern_visible(s.models, g, s.cache); // again: overwrites, never duplicates
    std::size_t cached = 0;
    for (const auto &list : s.cache.lists)
        cached += list.size();
    EXPECT_EQ(cached, kernable);
    const double unit = s.cache.scale * g.scale; // font units per font unit: 1
    for (const ZVautopair &r : s.set.records) {
        if (!r.is_autokernable(g))
            continue;
        ASSERT_EQ(entries(s.cache, r.indices), 1u);
        const ZVsimplepair *c = s.cache.find(r.indices);
        EXPECT_LE(c->value_min, c->value_max);
        EXPECT_GE(c->value, c->value_min - 0.75 * unit);
        EXPECT_LE(c->value, c->value_max + 0.75 * unit);
    }
}

TEST(ZVautopairsRekerning, SetAutosInsertsRecordsAndKeepsIndicesRight) {
    Master s;
    const auto &g = demo_glyphs().glyphs;
    s.show({"n", "o", "p", "v", "o"});
    ASSERT_EQ(s.set.visible_pairs.at(P("o", "p")), ZV_NO_RECORD);
    std::vector<ZVglyph_pair> candidates_before;
    for (std::uint32_t i : s.set.candidates)
        candidates_before.push_back(s.set.records[i].indices);
    s.set.suggestions = {s.set.candidates[0]};
    const ZVglyph_pair suggested = s.set.records[s.set.suggestions[0]].indices;

    std::vector<ZVsimplepair> independents;
    const ZVsimplepair r =
        s.set.set_autos({P("o", "p"), P("p", "v")}, s.cache, independents, g, s.models);
    EXPECT_EQ(r.indices, (ZVglyph_pair{65535, 65535})) << "two pairs kerned";
    EXPECT_EQ(r.properties.kind(), ZV_USER_SET_AUTO);
    EXPECT_EQ(s.set.user_set_pairs, (std::vector<ZVglyph_pair>{P("o", "p"), P("p", "v")}));
    for (std::size_t i = 1; i < s.set.records.size(); ++i)
        ASSERT_LT(s.set.records[i - 1].indices, s.set.records[i].indices);
    for (const auto &[p, i] : s.set.visible_pairs) {
        const auto it = s.set.find_pair(p);
        ASSERT_NE(it, s.set.records.end());
        EXPECT_EQ(it->indices, p);
    }
    for (std::size_t k = 0; k < s.set.candidates.size(); ++k)
        ASSERT_EQ(s.set.records[s.set.candidates[k]].indices, candidates_before[k]);
    EXPECT_EQ(s.set.records[s.set.suggestions[0]].indices, suggested);
    const auto op = s.set.find_pair(P("o", "p"));
    EXPECT_EQ(op->frequency, ZV_UNKNOWN_FREQUENCY);
    EXPECT_EQ(entries(s.cache, P("o", "p")), 1u);

    // Already autokerned: nothing changes.
    EXPECT_EQ(s.set.set_autos({P("o", "p")}, s.cache, independents, g, s.models).properties.kind(),
              0);
    // Neither visible nor known: skipped, unless a former model must stay kerned.
    const std::size_t n = s.set.records.size();
    ZVglyph_pair hidden{G("zero"), G("one")};
    std::erase_if(s.set.records, [&](const ZVautopair &a) { return a.indices == hidden; });
    s.set.candidates.clear();
    s.set.suggestions.clear();
    const std::size_t m = s.set.records.size();
    s.set.visible_pairs.clear();
    s.set.set_autos({hidden}, s.cache, independents, g, s.models);
    EXPECT_EQ(s.set.records.size(), m);
    const ZVsimplepair one = s.set.set_autos({hidden}, s.cache, independents, g, s.models, true);
    EXPECT_EQ(s.set.records.size(), m + 1);
    EXPECT_EQ(one.indices, hidden) << "the one pair autokerned, engine units";
    EXPECT_EQ(s.set.find_pair(hidden)->properties.kind(), ZV_USER_SET_AUTO);
    EXPECT_LE(m + 1, n);
}

TEST(ZVautopairsRekerning, SetAutosOfModelsAndUnkernablePairs) {
    Master s;
    const auto &g = demo_glyphs().glyphs;
    s.models.add_to_cache(s.cache);
    std::vector<ZVsimplepair> independents(1);
    independents[0].indices = P("n", "space");
    s.cache.add_simplepair(independents[0], false);
    s.set.set_autos({P("n", "space")}, s.cache, independents, g, s.models);
    EXPECT_TRUE(independents.empty()) << "a glyph without outline: out of every list";
    EXPECT_EQ(entries(s.cache, P("n", "space")), 0u);

    s.set.set_autos({P("T", "o")}, s.cache, independents, g, s.models);
    EXPECT_FALSE(s.models.contains(P("T", "o")));
    EXPECT_TRUE(s.models.modelpairs.empty());
    EXPECT_TRUE(s.models.second_modelpairs.empty());
    EXPECT_FALSE(s.cache.valid);
    EXPECT_EQ(s.set.find_pair(P("T", "o"))->properties.kind(), ZV_USER_SET_AUTO);

    s.set.deactivate_pair(P("T", "o"));
    EXPECT_EQ(s.set.find_pair(P("T", "o"))->properties.kind(), ZV_AUTOKERNED);
    EXPECT_TRUE(s.set.find_pair(P("T", "o"))->sources.empty());
}

TEST(ZVautopairsRekerning, GroupAndShapeEditsRekernVisiblePairs) {
    Master s;
    const auto &g = demo_glyphs().glyphs;
    s.models.add_to_cache(s.cache);
    s.show({"T", "n", "V", "n"});
    // A model whose glyph goes to No kerning becomes a user-set autopair.
    s.set.set_tracking_group_and_rekern(G("T"), 1, -1, s.models, g, s.cache);
    EXPECT_EQ(s.set.find_pair(P("T", "o"))->properties.kind(), ZV_USER_SET_AUTO);
    EXPECT_EQ(s.set.find_pair(P("T", "n"))->left_group, -1);
    s.set.set_tracking_group_and_rekern(G("n"), 0, 3, s.models, g, s.cache);
    EXPECT_EQ(s.set.find_pair(P("V", "n"))->right_group, 3);

    const auto vn = s.set.find_pair(P("V", "n"));
    const float before = s.cache.find(P("V", "n"))->value;
    s.set.update_glyph_shape_and_rekern(G("n"), g, s.models, s.cache);
    EXPECT_FALSE(vn->sources.empty()) << "the visible pair was measured again";
    EXPECT_EQ(s.cache.find(P("V", "n"))->value, before);
    EXPECT_TRUE(s.set.find_pair(P("n", "l"))->sources.empty()) << "not visible: not rekerned";
    s.set.remove_sources_for_glyph(G("n"));
    EXPECT_TRUE(vn->sources.empty());

    s.set.update_glyph_shape_and_rekern(G("space"), g, s.models, s.cache);
    EXPECT_EQ(s.cache.find(P("n", "space")), nullptr);
}

TEST(ZVautopairsRekerning, QueriesLeaveTheSetAlone) {
    Master s;
    const auto &g = demo_glyphs().glyphs;
    const ZVsimplepair none =
        s.set.autokerned_pair(P("o", "p"), g, s.models.mix, s.models.modelpairs.pairs);
    EXPECT_EQ(none.indices, (ZVglyph_pair{65535, 65535}));
    EXPECT_EQ(none.value, 0);
    const ZVsimplepair vn =
        s.set.autokerned_pair(P("V", "n"), g, s.models.mix, s.models.modelpairs.pairs);
    EXPECT_EQ(vn.indices, P("V", "n"));
    EXPECT_TRUE(s.set.find_pair(P("V", "n"))->sources.empty());

    EXPECT_EQ(s.set.autospacing_adjustment(G("n"), 1, {}, s.models, g), 0);
    EXPECT_EQ(s.set.autospacing_adjustment(G("n"), 1, {G("n")}, s.models, g), 0)
        << "n n is a model at 0";
    const int shift = s.set.autospacing_adjustment(G("o"), 0, {G("n"), G("H")}, s.models, g);
    EXPECT_GT(shift, -static_cast<int>(0.5 * g.glyphs[G("o")].depth()));

    const ZVfeedback f = s.set.added_composites_pairs();
    EXPECT_EQ(f.type, ZVfeedback::composite_pairs_added);
    ASSERT_EQ(f.pairs.size(), 1u);
    EXPECT_EQ(f.pairs[0].indices, P("n", "zero"));
}

TEST(ZVautopairsRekerning, AutospacingWalksToTheModelWithinHalfTheDepth) {
    Master s;
    PLXlibNamespaceForZV::ZVglyphs g = demo_glyphs().glyphs;
    // T o is a model at -45: the side moves until the pair stands at the model.
    const int free = s.set.autospacing_adjustment(G("o"), 0, {G("T")}, s.models, g);
    EXPECT_EQ(free, static_cast<int>(std::lround(-45 / g.scale)));
    g.glyphs[G("o")].width = 9; // limit -4: no shift below -3 is tried
    EXPECT_EQ(s.set.autospacing_adjustment(G("o"), 0, {G("T")}, s.models, g), -3);
}
