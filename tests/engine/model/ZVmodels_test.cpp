#include "engine/model/ZVmodels.h"
#include "model_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using zvtest::DemoGlyphs;

namespace {

// The demo font with a twin of n and a slightly taller, narrower o.
struct TwinFont : DemoGlyphs {
    TwinFont() : DemoGlyphs(make()) {}
    static DemoGlyphs make() {
        DemoGlyphs d;
        d.font = zvtest::make_demo_font();
        auto like = [&](const char *name, const char *model) {
            const std::uint16_t m = d.font.info.index_for_glyph_name(model);
            d.font.info.push_back(std::string("id-") + name, name,
                                  d.font.info._category_for_index[m], "latn", "");
            PLXlibNamespaceForZV::PLXglyph copy = d.font.outlines[m];
            copy.id = std::string("id-") + name;
            copy.name = name;
            d.font.outlines.push_back(copy);
            return &d.font.outlines.back();
        };
        like("n.twin", "n");
        PLXlibNamespaceForZV::PLXglyph *o = like("o.alt", "o");
        o->masters[0].contours.clear();
        zvtest::add_ellipse(*o, 280, 250, 229, 262);
        d.glyphs = zvtest::build_glyphs(d.font);
        return d;
    }
};

const TwinFont &twins() {
    static const TwinFont t;
    return t;
}

std::vector<ZVminipair> base_models(const DemoGlyphs &d) {
    return {d.mini("n", "n", 0),   d.mini("o", "o", -6),  d.mini("n", "o", -3),
            d.mini("o", "n", -3),  d.mini("l", "l", 4),   d.mini("n", "l", 2),
            d.mini("H", "H", 0),   d.mini("H", "O", -4),  d.mini("O", "H", -4),
            d.mini("T", "o", -45), d.mini("V", "o", -30), d.mini("o", "v", -8)};
}

ZVmodels fitted(const DemoGlyphs &d, std::vector<ZVminipair> models) {
    ZVmodels m(models);
    m.update_glyphs(d.glyphs);
    m.determine_mix_and_modelpairs(true);
    return m;
}

bool names(const ZVfeedback &f, const DemoGlyphs &d, const char *l, const char *r) {
    const ZVglyph_pair p{d.index(l), d.index(r)};
    return std::any_of(f.pairs.begin(), f.pairs.end(),
                       [&](const ZVsimplepair &s) { return s.indices == p; });
}

} // namespace

TEST(ZVmodels, NothingToFitWithoutSourcePairs) {
    ZVmodels m;
    m.mix.weights = {0.1, 0.2, 0.3, 0.4};
    m.determine_mix_and_modelpairs(true);
    EXPECT_EQ(m.mix.weights, (std::array<double, 4>{0.1, 0.2, 0.3, 0.4}));
    EXPECT_TRUE(m.mixes.empty());
}

TEST(ZVmodels, TheFitIsDeterministicWhateverTheOrder) {
    const auto &d = twins();
    std::vector<ZVminipair> models = base_models(d);
    const ZVmodels a = fitted(d, models);
    std::reverse(models.begin(), models.end());
    const ZVmodels b = fitted(d, models);
    EXPECT_FALSE(a.modelpairs.empty());
    EXPECT_EQ(a.mix.weights, b.mix.weights);
    EXPECT_EQ(a.mix.values, b.mix.values);
    EXPECT_EQ(a.mix.singles, b.mix.singles);
    EXPECT_EQ(a.to_indices(), b.to_indices());
    EXPECT_EQ(a.mix.cost, 0);
    EXPECT_LE(a.mixes.size(), 1200u + 8);
    for (double w : a.mix.weights) {
        EXPECT_GE(w, 0);
        EXPECT_LE(w, 1);
    }
    ASSERT_EQ(a.modelpairs.size(), a.size()) << "model pair i is source pair i";
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a.modelpairs.pairs[i].indices, a.pairs[i].indices);
}

TEST(ZVmodels, ContradictionsAndDuplicatesAreReported) {
    const auto &d = twins();
    std::vector<ZVminipair> models = base_models(d);
    models.push_back(d.mini("n", "n.twin", 0)); // the same as n+n: one of them goes (19)
    models.push_back(d.mini("l", "n", 60));     // far off the pattern (18)
    const ZVmodels m = fitted(d, models);

    const ZVglyph_pair planted{d.index("l"), d.index("n")};
    EXPECT_FALSE(m.contains(planted));
    ASSERT_TRUE(m.removed.count(planted));
    EXPECT_EQ(m.removed.at(planted), 60);
    bool lost = false, identical = false;
    for (const ZVfeedback &f : m.models_feedbacks.list) {
        lost |= f.type == ZVfeedback::model_status_removed && f.pairs.front().indices == planted;
        identical |= f.type == ZVfeedback::model_identical && names(f, d, "n", "n.twin");
    }
    EXPECT_TRUE(lost);
    EXPECT_TRUE(identical);
    EXPECT_NE(m.contains({d.index("n"), d.index("n")}),
              m.contains({d.index("n"), d.index("n.twin")}));
}

TEST(ZVmodels, NearDuplicatesAreFoundOverTheStartingMixes) {
    // Kerned alike and nearly alike in shape: reported as similar, negative values too.
    const auto &d = twins();
    ZVmodels m({d.mini("n", "o", -3), d.mini("n", "o.alt", -3.25f), d.mini("n", "n", 0)});
    m.update_glyphs(d.glyphs);
    const auto evaluated = m.evaluated_initial_vertices(false);
    EXPECT_EQ(evaluated.size(), 35u);
    EXPECT_EQ(m.mixes.size(), 35u);
    ASSERT_EQ(m.size(), 3u);
    const auto similar =
        std::find_if(m.models_feedbacks.list.begin(), m.models_feedbacks.list.end(),
                     [](const ZVfeedback &f) { return f.type == ZVfeedback::similar_models; });
    ASSERT_NE(similar, m.models_feedbacks.list.end());
    EXPECT_TRUE(names(*similar, d, "n", "o") && names(*similar, d, "n", "o.alt"));
    EXPECT_GT(similar->urgency, 0.1);
}

TEST(ZVmodels, QuickAddKeepsAFitThatHolds) {
    const auto &d = twins();
    ZVmodels m = fitted(d, base_models(d));
    ASSERT_FALSE(m.modelpairs.empty());
    m.quick_add(d.mini("l", "o", -2), d.glyphs);
    EXPECT_TRUE(m.contains({d.index("l"), d.index("o")}));
    if (!m.modelpairs.empty()) {
        ASSERT_EQ(m.modelpairs.size(), m.size());
        for (std::size_t i = 0; i < m.size(); ++i)
            EXPECT_EQ(m.modelpairs.pairs[i].indices, m.pairs[i].indices);
    }
    const std::size_t before = m.size();
    m.quick_add(d.mini("space", "o", 0), d.glyphs); // cannot be measured
    EXPECT_EQ(m.size(), before);
}

TEST(ZVmodels, MixDistanceAndMoves) {
    ZVmix a, b;
    a.weights = {0, 0, 0, 0};
    b.weights = {1, 1, 1, 1};
    EXPECT_DOUBLE_EQ(ZVmodels::mix_distance(a, b), 0.375 * 2 + 1.75 + 0.75);
    ZVmodels::move_mix_towards(a, b, 0.25);
    EXPECT_EQ(a.weights, (std::array<double, 4>{0.25, 0.25, 0.25, 0.25}));
    std::vector<ZVmixmanager> mixes(2);
    mixes[1].weights = {0.5, 0.5, 0.5, 0.5};
    mixes[1].cost = 1;
    ZVmix far;
    far.weights = {1, 1, 1, 1};
    EXPECT_TRUE(ZVmodels::other_mix_in_between(a, mixes, far));
    mixes[1].cost = 0;
    EXPECT_FALSE(ZVmodels::other_mix_in_between(a, mixes, far)) << "only mixes with a cost";
    EXPECT_EQ(ZVmodels::initial_vertices.size(), 35u);
    EXPECT_EQ(ZVmodels::initial_vertices[14].weights, (std::array<double, 4>{1, 0.37, 0.1, 0.96}));
}

// The alternative fits are chosen until no consistent mix is far enough from the current one and
// from those chosen: on the demo models more than eight of the evaluated mixes qualify.
TEST(ZVmodels, AlternativeSolutionsEndWhenNoneQualifies) {
    const DemoGlyphs &d = twins();
    const ZVmodels m = fitted(d, base_models(d));
    ASSERT_EQ(m.mix.cost, 0);
    const std::vector<ZValternative> alternatives = m.alternative_solutions();
    EXPECT_GT(alternatives.size(), 8u);
    for (const ZValternative &a : alternatives) {
        EXPECT_EQ(a.mix.cost, 0);
        EXPECT_EQ(a.modelpairs.size(), m.size());
    }
}
