// Takeover, interpolation, changes, messages and pair details of a master.
#include "font_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

using namespace zvtest;

namespace {

ZVglyph_pair gp(const char *l, const char *r) {
    return {font_fixture().index(l), font_fixture().index(r)};
}

std::vector<std::uint16_t> run_of(std::initializer_list<const char *> names) {
    std::vector<std::uint16_t> run;
    for (const char *n : names)
        run.push_back(font_fixture().index(n));
    return run;
}

std::size_t cache_size(const ZVfont &f) {
    std::size_t n = 0;
    for (const auto &l : f.cache.lists)
        n += l.size();
    return n;
}

ZVfont untouched(const std::string &id) {
    const FontFixture &d = font_fixture();
    std::vector<PLXglyph> o = d.outlines();
    return ZVfont(id, ZVfont::untouched, o, d.font.info, {}, 700, 500);
}

} // namespace

TEST(FontTakeover, SetEngineKernsTheVisiblePairsWithoutModels) {
    const FontFixture &d = font_fixture();
    const ZVfont source = d.processed();
    ZVfont f = d.processed();
    ASSERT_TRUE(f.models.contains(gp("T", "o")));
    f.set_engine(source);
    EXPECT_EQ(f.models.size(), 0u);
    EXPECT_FALSE(f.cache_valid());
    EXPECT_EQ(f.taken_over_modelpairs.size(), source.models.modelpairs.size());
    EXPECT_EQ(f.autopairs->find_pair(gp("T", "o"))->properties.kind(), ZV_USER_SET_AUTO);
    f.status = ZVfont::engine_taken_over;
    f.set_required_text(run_of({"T", "o", "p", "A", "V", "n"}));
    EXPECT_TRUE(f.cache_valid());
    EXPECT_GT(cache_size(f), 0u);
    EXPECT_NE(f.cache.find(gp("T", "o")), nullptr);

    f.un_autokern();
    EXPECT_EQ(f.status, ZVfont::kerned);
    EXPECT_GT(f.models.size(), 0u);
    EXPECT_TRUE(f.taken_over_modelpairs.empty());
}

TEST(FontTakeover, InterpolationBuildsWeightedModels) {
    const FontFixture &d = font_fixture();
    std::vector<ZVfont> masters;
    masters.push_back(d.self_kerned({}, "A"));
    masters.back().initial_processing(d.font.info, {}, d.features(), true);
    {
        std::vector<PLXglyph> o = d.outlines();
        std::vector<ZVminipair> m = d.models();
        for (ZVminipair &p : m)
            p.value -= 10;
        masters.emplace_back("B", o, d.font.info, m, std::vector<ZVminipair>{}, 700, 500);
        masters.back().initial_processing(d.font.info, {}, d.features(), false);
    }
    masters.push_back(untouched("C"));
    ZVfont &c = masters[2];
    c.set_interpolated({{0.25, "A"}, {0.75, "B"}}, masters);
    EXPECT_EQ(c.status, ZVfont::interpolated);
    // Its cache stays empty whatever is asked.
    c.freshen_cache();
    c.get_pair_details(gp("T", "o"));
    c.lookup(gp("T", "o"));
    EXPECT_EQ(cache_size(c), 0u);

    c.set_interpolated({}, masters);
    EXPECT_EQ(c.status, ZVfont::kerned);
    EXPECT_TRUE(c.interpolation_sources.empty());
    ASSERT_EQ(c.models.size(), masters[1].models.size());
    for (const ZVsourcepair &p : c.models.pairs) {
        const float want = 0.25f * masters[0].get_value_unscaled(p.indices) +
                           0.75f * masters[1].get_value_unscaled(p.indices);
        EXPECT_NEAR(p.value, want, 1e-3);
    }
}

TEST(FontTakeover, ChangesPutTheLargestDecreaseFirst) {
    const FontFixture &d = font_fixture();
    ZVfont f = d.processed();
    f.set_required_text(run_of({"T", "o", "p", "l", "V", "o", "n", "v", "o"}));
    std::map<ZVglyph_pair, float> previous;
    for (const auto &list : f.cache.lists)
        for (const ZVsimplepair &p : list)
            previous[p.indices] = round_pair_value(p, 2.0f);
    const std::vector<ZVfont::change> none = f.changes(previous, f.glyphs);
    for (const ZVfont::change &c : none)
        EXPECT_GE(std::fabs(c.difference), ZV_TOLERANCE);
    previous[gp("T", "o")] += 30;
    previous[gp("o", "p")] -= 20;
    const std::vector<ZVfont::change> list = f.changes(previous, f.glyphs);
    for (std::size_t i = 1; i < list.size(); ++i)
        EXPECT_LE(list[i - 1].difference, list[i].difference);
}

TEST(FontMessages, StatusDecidesFirst) {
    const FontFixture &d = font_fixture();
    struct Case {
        ZVfont::master_status status;
        int type;
    } cases[] = {{ZVfont::linked_metrics, ZVfeedback::linked_metrics},
                 {ZVfont::untouched, ZVfeedback::too_few_unkerned_pairs},
                 {ZVfont::autokerned_from_other, ZVfeedback::starting_up},
                 {ZVfont::interpolated, ZVfeedback::interpolated},
                 {ZVfont::engine_taken_over, ZVfeedback::autokerned_from_this_font}};
    ZVfont f = d.processed();
    ASSERT_FALSE(f.feedbacks.list.empty());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.status);
        f.status = c.status;
        ZVfeedback fb;
        fb.urgency = 3;
        f.next_feedback(fb, {});
        EXPECT_EQ(fb.type, c.type);
        EXPECT_EQ(fb.urgency, 0);
    }
}

TEST(FontMessages, DismissedSuggestionsAreKeptOnce) {
    const FontFixture &d = font_fixture();
    ZVfont f = d.processed();
    ZVfeedback fb;
    f.next_feedback(fb, {});
    ASSERT_NE(fb.type, ZVfeedback::none);
    const ZVfeedback shown = fb;
    f.next_feedback(fb, {});
    ZVfeedback again = shown;
    f.next_feedback(again, {});
    const auto n = std::count_if(f.feedbacks.dismissed.begin(), f.feedbacks.dismissed.end(),
                                 [&](const ZVfeedback &x) { return x.matches(shown); });
    EXPECT_EQ(n, 1);
    for (const ZVfeedback &p : f.feedbacks.list)
        EXPECT_FALSE(p.matches(shown));

}

// A dismissed suggestion is refused for good: the re-asked selection keeps it as a fixed member
// and looks past it, so the next batches bring new pairs. A font of 40 glyphs, so that the
// frequent pairs outnumber one selection.
TEST(FontMessages, DismissedSuggestionsMakeRoomForNewOnes) {
    DemoFont font = make_synthetic_font(40);
    const PLXlibNamespaceForZV::ZVglyphs glyphs = build_glyphs(font);
    const auto n = static_cast<unsigned>(glyphs.max_width);
    ZVfeatures features;
    std::vector<ZVminipair> models;
    for (std::uint16_t l = 0; l < 40; ++l)
        for (std::uint16_t r = 0; r < 40; ++r) {
            features.indices_with_frequency.push_back(
                {{l, r}, static_cast<std::uint16_t>(20 + (l * 37 + r * 11) % 900)});
            if ((l * 7 + r * 3) % 97 != 0)
                continue;
            // One rule (a fixed closest distance), so that the models agree.
            ZVsource s;
            s.update_from_glyphs(glyphs.glyphs[l], glyphs.glyphs[r], n, 0);
            const double v = std::clamp(40 - s.closest, -60.0, 20.0) * font.x_height / 225.0;
            models.push_back({l, r, static_cast<float>(std::round(v))});
        }
    std::vector<PLXglyph> outlines = font.outlines;
    ZVfont f("m", outlines, font.info, models, {}, font.cap_height, font.x_height);
    f.initial_processing(font.info, {}, features, true);

    // Dismiss every message; count the new pairs each batch of suggestions brings.
    std::set<ZVglyph_pair> shown;
    std::vector<std::size_t> fresh{0}, repeated{0};
    ZVfeedback fb;
    for (int step = 0; step < 1000; ++step) {
        // The pending list is asked for new suggestions once its last message is dismissed.
        if (f.feedbacks.list.size() <= 1) {
            if (fresh.size() == 3)
                break;
            fresh.push_back(0);
            repeated.push_back(0);
        }
        f.next_feedback(fb, {});
        if (fb.type == ZVfeedback::none)
            break;
        if (fb.type == ZVfeedback::suggested_model)
            ++(shown.insert(fb.pairs.front().indices).second ? fresh : repeated).back();
    }
    ASSERT_EQ(fresh.size(), 3u);
    EXPECT_GT(fresh[1], 50u);
    // Asked again, the selection looks past the refused pairs: a selection that kept them would
    // bring less than a third as many new ones.
    EXPECT_GE(2 * fresh[2], fresh[1]);
    EXPECT_EQ(repeated[1] + repeated[2], 0u);
    // Each dismissed suggestion stands once in the refused list; the last one shown is pending.
    EXPECT_EQ(f.autopairs->diverse.size(), shown.size() - 1);
}

TEST(FontMessages, PairDetails) {
    const FontFixture &d = font_fixture();
    ZVfont f = d.processed({d.mini("A", "V", -70)});
    const ZVUIpair &plain = f.get_pair_details(gp("n", "v"));
    EXPECT_EQ(plain.indices, (ZVglyph_pair{65535, 65535}));
    EXPECT_EQ(plain.flags, 8);
    EXPECT_EQ(&f.get_pair_details(gp("n", "v")), &f.details_memo.back().second);

    const ZVUIpair model = f.get_pair_details(gp("T", "o"));
    EXPECT_EQ(model.indices, gp("T", "o"));
    EXPECT_EQ(model.value, -90);

    f.set_tracking_group(d.index("V"), 0, PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP);
    const ZVUIpair &fixed = f.get_pair_details(gp("A", "V"));
    EXPECT_EQ(fixed.flags, 4 | 8 | 16 | 32);
    EXPECT_EQ(fixed.value, -70);

    const float v = f.if_autokerned(gp("T", "o"));
    EXPECT_LT(v, 0);
    EXPECT_EQ(f.get_pair_details(gp("T", "o")).if_autokerned, v);
}
