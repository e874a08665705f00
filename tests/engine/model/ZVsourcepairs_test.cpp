#include "engine/model/ZVsourcepairs.h"
#include "model_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using zvtest::demo_glyphs;
using zvtest::test_mix;

namespace {

ZVsourcepairs measured(std::vector<ZVminipair> models) {
    ZVsourcepairs s(models);
    s.update_glyphs(demo_glyphs().glyphs);
    return s;
}

const ZVsourcepair &find(const ZVsourcepairs &s, const char *l, const char *r) {
    const ZVglyph_pair key{demo_glyphs().index(l), demo_glyphs().index(r)};
    return *std::find_if(s.pairs.begin(), s.pairs.end(),
                         [&](const ZVsourcepair &p) { return p.indices == key; });
}

} // namespace

TEST(ZVsourcepairs, ConstructionKeepsTheFirstValueAndMeasuresOnce) {
    const auto &d = demo_glyphs();
    ZVsourcepairs s({d.mini("A", "V", -20), d.mini("A", "V", -30), d.mini("T", "o", -40),
                     d.mini("space", "o", 0)});
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(find(s, "A", "V").value, -20);
    EXPECT_EQ(find(s, "A", "V").properties.kind(), ZV_MODEL);
    EXPECT_EQ(find(s, "A", "V").frequency, ZV_UNKNOWN_FREQUENCY);
    s.update_glyphs(d.glyphs);
    s.update_glyphs(d.glyphs);
    ASSERT_EQ(s.size(), 2u) << "a pair with an empty side cannot be measured";
    for (const auto &p : s.pairs) {
        EXPECT_EQ(p.sources.size(), 1u) << "one measurement, at the current value";
        EXPECT_EQ(p.sources[0].value, p.value);
    }
    EXPECT_EQ(find(s, "T", "o").left_group, 1) << "T's right side is a capital's";
    EXPECT_TRUE(std::is_sorted(s.pairs.begin(), s.pairs.end(), compare_sourcepairs));
    EXPECT_TRUE(s.any_value_contradictions({d.mini("T", "o", -41)}));
    EXPECT_FALSE(s.any_value_contradictions({d.mini("T", "o", -40), d.mini("T", "o", 3)}));
}

// A pair naming a glyph beyond the glyph set is refused, and the caller is told which.
TEST(ZVsourcepairs, GlyphsOutsideTheSetAreRefusedVisibly) {
    const auto &d = demo_glyphs();
    const auto beyond = static_cast<std::uint16_t>(d.glyphs.glyphs.size());
    ZVsourcepairs s({d.mini("T", "o", -40), {beyond, d.index("o"), -12}});
    const std::vector<ZVsimplepair> refused = s.update_glyphs(d.glyphs);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].indices, (ZVglyph_pair{beyond, d.index("o")}));
    EXPECT_EQ(refused[0].value, -12);
    EXPECT_EQ(s.size(), 1u);
    EXPECT_TRUE(s.update_glyphs(d.glyphs).empty());

    EXPECT_FALSE(s.add_pair_as_model({d.index("T"), beyond, -5}, d.glyphs));
    EXPECT_FALSE(s.add_pair_as_model(d.mini("space", "n", 0), d.glyphs)); // nothing to measure
    EXPECT_TRUE(s.add_pair_as_model(d.mini("V", "o", -30), d.glyphs));
    EXPECT_EQ(s.size(), 2u);
}

TEST(ZVsourcepairs, AddingModelsAndRetries) {
    const auto &d = demo_glyphs();
    ZVsourcepairs s = measured({d.mini("n", "n", 0)});
    s.add_pair_as_model(d.mini("space", "n", 0), d.glyphs);
    EXPECT_EQ(s.size(), 1u) << "an unmeasurable model is not added";
    s.add_pair_as_model(d.mini("o", "o", 5), d.glyphs);
    EXPECT_EQ(s.get_priority({d.index("o"), d.index("o")}), 1.0 / 262144) << "new model";

    // Removed pairs entered again: the old value goes last in the retries, a new one first.
    for (const char *g : {"H", "I", "O"})
        s.add_pair_as_model(d.mini(g, g, 1), d.glyphs);
    for (const char *g : {"H", "I", "O"})
        ASSERT_TRUE(s.remove_pair({d.index(g), d.index(g)}, true));
    s.add_pair_as_model(d.mini("H", "H", 1), d.glyphs);
    s.add_pair_as_model(d.mini("I", "I", 1), d.glyphs);
    s.add_pair_as_model(d.mini("O", "O", 3), d.glyphs);
    EXPECT_EQ(s.retries, (std::vector<ZVglyph_pair>{{d.index("O"), d.index("O")},
                                                    {d.index("H"), d.index("H")},
                                                    {d.index("I"), d.index("I")}}));
    EXPECT_EQ(s.get_priority({d.index("O"), d.index("O")}), 1.0 / 256);
    EXPECT_EQ(s.get_priority({d.index("H"), d.index("H")}), 1.0);
    EXPECT_EQ(s.get_priority({d.index("I"), d.index("I")}), 256.0);
    EXPECT_EQ(s.get_priority({d.index("o"), d.index("o")}), 1.0 / 65536);

    s.update_value(d.mini("I", "I", 4), d.glyphs);
    EXPECT_EQ(find(s, "I", "I").value, 4);
    EXPECT_EQ(s.retries.size(), 2u) << "a new value takes the pair out of the retries";
    EXPECT_FALSE(s.remove_pair({d.index("v"), d.index("v")}, true));
}

TEST(ZVsourcepairs, TheLowerPriorityYields) {
    const auto &d = demo_glyphs();
    ZVsourcepairs s = measured({d.mini("n", "n", 0), d.mini("o", "o", 0)});
    s.pairs[0].priority = 1.0 / 262144;
    s.pairs[1].priority = 1.0 / 65536;
    const ZVglyph_pair newer = s.pairs[0].indices, older = s.pairs[1].indices;
    const ZVfeedback f = s.remove_one_pair(0, 1);
    EXPECT_EQ(f.type, ZVfeedback::model_identical);
    ASSERT_EQ(f.pairs.size(), 2u);
    EXPECT_EQ(f.pairs[0].indices, older);
    EXPECT_EQ(f.pairs[1].indices, newer);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s.pairs[0].indices, newer);
    EXPECT_EQ(s.remove_one_pair(0, 5).type, 0) << "positions out of range remove nothing";
}

TEST(ZVsourcepairs, NoKerningRemovesItsPairsWithOneMessage) {
    const auto &d = demo_glyphs();
    ZVsourcepairs s = measured({d.mini("T", "o", -30), d.mini("n", "o", 0), d.mini("o", "n", 0)});
    EXPECT_FALSE(s.set_tracking_group(d.index("v"), 0, 2));
    EXPECT_TRUE(s.set_tracking_group(d.index("o"), 0, 3));
    EXPECT_EQ(find(s, "T", "o").right_group, 3);
    EXPECT_TRUE(s.set_tracking_group(d.index("o"), 0, -1));
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s.pairs[0].indices.first, d.index("o"));
    ASSERT_EQ(s.feedbacks.list.size(), 1u);
    EXPECT_EQ(s.feedbacks.list.front().type, ZVfeedback::no_kerning_models_removed);
    EXPECT_EQ(s.feedbacks.list.front().pairs.size(), 2u);
}

TEST(ZVsourcepairs, SideBearingsAreAbsorbedByTheKerning) {
    const auto &d = demo_glyphs();
    ZVsourcepairs s = measured({d.mini("T", "o", 10), d.mini("o", "T", -5)});
    EXPECT_TRUE(s.adjust_sidebearing(d.index("o"), 0, 10));
    const ZVsourcepair &to = find(s, "T", "o");
    EXPECT_EQ(to.value, 0);
    EXPECT_EQ(to.value_min, 0);
    EXPECT_EQ(to.sources[0].value, 0);
    EXPECT_EQ(find(s, "o", "T").value, -5) << "the other side of o";
    EXPECT_FALSE(s.adjust_sidebearing(d.index("v"), 1, 4));
}

TEST(ZVsourcepairs, GlyphShapeChangesAreDetected) {
    auto d = zvtest::DemoGlyphs();
    ZVsourcepairs s = measured({d.mini("T", "o", -30), d.mini("n", "n", 0)});
    EXPECT_FALSE(s.update_glyph_shape(d.index("o"), d.glyphs));
    d.glyphs.glyphs[d.index("o")].left.depths[100] -= 30;
    EXPECT_TRUE(s.update_glyph_shape(d.index("o"), d.glyphs));
    EXPECT_FALSE(s.update_glyph_shape(d.index("o"), d.glyphs));
}

TEST(ZVsourcepairs, SpanOfAModelAgainstTheOthers) {
    const auto &d = demo_glyphs();
    const ZVsourcepairs s =
        measured({d.mini("n", "n", 0), d.mini("n", "o", -3), d.mini("o", "o", -6)});
    std::vector<ZVmodelpair> models;
    for (const auto &p : s.pairs)
        models.emplace_back(p, test_mix());
    const ZVUIpair info = s.min_max_span_info({d.index("n"), d.index("o")}, test_mix(), models);
    EXPECT_EQ(info.value, -3);
    EXPECT_LE(info.value_min, -3);
    EXPECT_GE(info.value_max, -3);
    EXPECT_GE(info.value_min, -3 - 105);
    EXPECT_EQ(info.flags, 9);
    EXPECT_EQ(info.if_autokerned, ZV_NO_VALUE);
    EXPECT_EQ(s.min_max_span_info({1, 1}, test_mix(), models).indices,
              (ZVglyph_pair{65535, 65535}));

    ZVcache cache;
    cache.lists.resize(d.glyphs.glyphs.size());
    cache.scale = 2;
    s.add_to_cache(cache);
    EXPECT_EQ(cache.lists[d.index("n")].size(), 2u);
}

// The pairs the pair tab names as limiting a model: with crossed bounds each bound is named after
// the model that set it; a bound widened to hold the model's own value names none.
TEST(ZVsourcepairs, TheLimitingPairsOfASpan) {
    const auto &d = demo_glyphs();
    const ZVglyph_pair no{d.index("n"), d.index("o")}, on{d.index("o"), d.index("n")};
    const ZVglyph_pair none{65535, 65535};
    const struct {
        const char *name;
        float value, no_value, on_value;
        ZVglyph_pair lower, upper; // upper none: either model
    } cases[] = {
        // n+o opened by 40 and o+n closed by 40: n+n must be looser than the one, tighter than
        // the other.
        {"crossed", 0, 40, -40, on, no},
        // Both at 0 allow n+n about 0; n+n itself at -60 lies below what they allow.
        {"widened", -60, 0, 0, none, none},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ZVsourcepairs s = measured({d.mini("n", "n", c.value), d.mini("n", "o", c.no_value),
                                          d.mini("o", "n", c.on_value)});
        std::vector<ZVmodelpair> models;
        for (const auto &p : s.pairs)
            models.emplace_back(p, test_mix());
        std::sort(models.begin(), models.end(), [&](const ZVmodelpair &a, const ZVmodelpair &b) {
            return (a.indices == no) > (b.indices == no); // n+o first
        });
        const ZVUIpair info = s.min_max_span_info({d.index("n"), d.index("n")}, test_mix(), models);
        EXPECT_LE(info.value_min, c.value);
        EXPECT_GE(info.value_max, c.value);
        EXPECT_EQ(info.influencer_min_indices, c.lower);
        if (c.lower == none) {
            EXPECT_EQ(info.value_min, c.value) << "widened to the pair's own value";
            EXPECT_TRUE(info.influencer_max_indices == no || info.influencer_max_indices == on)
                << "the other bound still names a model";
        } else {
            EXPECT_EQ(info.influencer_max_indices, c.upper);
        }
    }
}
