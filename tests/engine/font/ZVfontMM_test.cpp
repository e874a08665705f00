// The multi-master manager on the demo font: finding masters, start-up, groups, queries.
#include "engine/font/ZVfontMM.h"
#include "font_fixture.h"

#include <gtest/gtest.h>

#include <thread>

using namespace zvtest;

namespace {

ZVglyph_pair gp(const char *l, const char *r) {
    return {font_fixture().index(l), font_fixture().index(r)};
}

/// A manager of three demo masters: self-kerned "a", untouched "b" with kerning, interpolated
/// "c" from both.
ZVfontMM three_masters() {
    const FontFixture &d = font_fixture();
    ZVfontMM mm;
    mm.glyphsinfo = d.font.info;
    mm.features = d.features();
    std::vector<PLXglyph> o1 = d.outlines(), o2 = d.outlines(), o3 = d.outlines();
    mm.add_self_kerned_master("a", o1, d.models(), {d.mini("A", "V", -70)}, 700, 500);
    std::map<ZVglyph_pair, float> existing;
    for (const ZVminipair &m : d.models())
        existing[{m.left, m.right}] = m.value * 1.2f;
    mm.add_untouched_master("b", o2, 700, 500, existing);
    mm.add_interpolated_master("c", o3, 700, 500, {{0.5, "a"}, {0.5, "b"}});
    mm.set_current_master("a");
    return mm;
}

std::vector<std::uint16_t> every_pair_run() {
    const FontFixture &d = font_fixture();
    std::vector<std::uint16_t> run;
    for (const auto &[pair, f] : d.features().indices_with_frequency) {
        run.push_back(pair.first);
        run.push_back(pair.second);
        run.push_back(65535);
    }
    return run;
}

/// Starts masters a and b as the activation does: a first, then b on its own thread.
void start_up(ZVfontMM &mm, bool threads) {
    mm.begin_start_up({"a", "b"});
    if (!threads) {
        mm.initial_processing("a", {});
        mm.initial_processing("b", {});
        return;
    }
    std::thread ta([&] { mm.initial_processing("a", {}); });
    std::thread tb([&] { mm.initial_processing("b", {}); });
    ta.join();
    tb.join();
}

} // namespace

TEST(FontManager, FindsMasters) {
    ZVfontMM mm = three_masters();
    EXPECT_EQ(mm.master_index(""), 0);
    mm.set_current_master("b");
    EXPECT_EQ(mm.current_master_index, 1);
    EXPECT_EQ(mm.get_master("").name, "b");
    EXPECT_EQ(mm.get_master("nobody").name, "a"); // the first master, not the current one
    EXPECT_EQ(mm.get_master("c").name, "c");
    mm.set_current_master("nobody");
    EXPECT_EQ(mm.current_master_index, -1);
    EXPECT_EQ(mm.get_master("").name, "a");
    EXPECT_EQ(mm.if_autokerned(gp("T", "o"), ""), 0);
    ZVfontMM empty;
    EXPECT_EQ(empty.master_index(""), -1);
    EXPECT_EQ(empty.get_master("").status, ZVfont::linked_metrics);
    EXPECT_FALSE(empty.can_be_finalized());
}

TEST(FontManager, MastersWithoutUsableXHeightAreNotMeasured) {
    const FontFixture &d = font_fixture();
    ZVfontMM mm;
    mm.glyphsinfo = d.font.info;
    std::vector<PLXglyph> o = d.outlines();
    mm.add_untouched_master("z", o, 700, 0, {{gp("A", "V"), -50}});
    EXPECT_EQ(mm.masters[0].status, ZVfont::linked_metrics);
    EXPECT_TRUE(mm.masters[0].existing_pairs.empty());
    ZVfeedback fb;
    mm.next_feedback(fb, "z");
    EXPECT_EQ(fb.type, ZVfeedback::linked_metrics);
}

TEST(FontManager, StartUpFixesFirstTimeAsASerialRun) {
    ZVfontMM mm = three_masters();
    mm.begin_start_up({"a", "b"});
    EXPECT_EQ(mm.start_up_first_time(0), 1);
    EXPECT_EQ(mm.start_up_first_time(1), 0); // a is kerned by then
    EXPECT_EQ(mm.start_up_first_time(2), -1);
    EXPECT_FALSE(mm.masters[0].started_up());
    EXPECT_TRUE(mm.masters[2].started_up());
    mm.initial_processing("a", {});
    EXPECT_TRUE(mm.masters[0].started_up());
    EXPECT_EQ(mm.start_up_first_time(0), -1);

    // Without a start-up the flag comes from the other masters' statuses.
    ZVfontMM serial = three_masters();
    serial.initial_processing("a", {});
    serial.masters[1].existing_pairs.clear();
    serial.initial_processing("b", {});
    EXPECT_EQ(serial.masters[1].status, ZVfont::untouched);
}

TEST(FontManager, ThreeMastersProcessTheSameWithOrWithoutThreads) {
    ZVfontMM serial = three_masters(), threaded = three_masters();
    start_up(serial, false);
    start_up(threaded, true);
    for (ZVfontMM *mm : {&serial, &threaded}) {
        EXPECT_EQ(mm->masters[0].status, ZVfont::kerned);
        EXPECT_EQ(mm->masters[1].status, ZVfont::kerned);
        EXPECT_EQ(mm->masters[2].status, ZVfont::interpolated);
        for (const char *id : {"a", "b"})
            mm->set_required_text(every_pair_run(), id);
    }
    for (const char *id : {"a", "b", "c"}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(flat(serial, id), flat(threaded, id));
    }
    EXPECT_GT(flat(serial, "a").size(), 100u);
    // The interpolated master's flat kerning stays empty whatever is asked.
    serial.get_pair(gp("T", "o"), "c");
    serial.get_pair_details({gp("T", "o")}, "c");
    serial.set_required_text(every_pair_run(), "c");
    EXPECT_TRUE(flat(serial, "c").empty());
    // The interpolated master's cache was built valid and is never refilled.
    EXPECT_EQ(serial.number_of_kerned_masters(), 3);
}

// Run under ThreadSanitizer in CI: the window keeps asking about the current master while the
// other masters start on worker threads.
// The masters of a font share one budget for the measurements and comparisons they keep, in
// equal parts: a family of many masters keeps no more than one of few. A master on its own
// keeps the whole. A master's share holds both its records' measurements and its search's
// comparisons.
TEST(FontManager, MastersShareOneBudgetForKeptMeasurements) {
    ZVfontMM mm = three_masters();
    start_up(mm, true);
    for (const std::size_t i : {0u, 1u}) {
        const ZVfont &m = mm.masters[i];
        ASSERT_TRUE(m.autopairs) << m.name;
        EXPECT_EQ(m.autopairs->kept_budget + m.models.search_outcomes.budget(),
                  default_kept_budget() / 3)
            << m.name;
        EXPECT_GT(m.autopairs->kept_budget, 0u) << m.name;
        EXPECT_GT(m.models.search_outcomes.budget(), 0u) << m.name;
        EXPECT_LE(m.models.search_outcomes.heap_bytes(), m.models.search_outcomes.budget())
            << m.name;
    }
    EXPECT_EQ(ZVfont{}.kept_budget, default_kept_budget());
}

TEST(FontManager, CurrentMasterAnswersWhileOthersStart) {
    ZVfontMM mm = three_masters();
    mm.begin_start_up({"a", "b"});
    mm.initial_processing("a", {});
    std::thread worker([&] { mm.initial_processing("b", {}); });
    ZVfeedback fb;
    std::size_t pairs = 0;
    for (int i = 0; i < 5; ++i) {
        mm.next_feedback(fb, "");
        for (const auto &list : mm.get_single_master_flat_kerning("").lists)
            pairs += list.size();
        mm.can_be_finalized();
        mm.number_of_kerned_masters();
    }
    worker.join();
    EXPECT_GT(pairs, 0u);
    EXPECT_TRUE(mm.masters[1].started_up());
}

TEST(FontManager, DefaultGroupsAndEqualWidthDigits) {
    const FontFixture &d = font_fixture();
    const std::string path = std::string(ZV_RESOURCES_DIR) + "/default_groups.txt";
    {
        ZVfontMM mm = three_masters();
        mm.set_default_tracking_groups(path);
        for (const char *digit : {"zero", "one"}) {
            const auto &g = mm.masters[0].glyphs.glyphs[d.index(digit)];
            EXPECT_EQ(g.tracking_group[0], -1);
            EXPECT_EQ(g.tracking_group[1], -1);
        }
    }
    {
        ZVfontMM mm = three_masters();
        mm.glyphsinfo._category_for_index[d.index("one")].flags |= 0x040; // a tabular substitute
        mm.set_default_tracking_groups(path);
        EXPECT_EQ(mm.masters[0].glyphs.glyphs[d.index("one")].tracking_group[0], -1);
        EXPECT_NE(mm.masters[0].glyphs.glyphs[d.index("zero")].tracking_group[0], -1);
    }
}

TEST(FontManager, InitialUnkernedPairsAndPairsInText) {
    const FontFixture &d = font_fixture();
    ZVfontMM mm = three_masters();
    const std::vector<std::uint16_t> run = {d.index("A"), d.index("V"), 65535, d.index("A"),
                                            d.index("T")};
    mm.set_initial_unkerned_pairs(run);
    const std::map<ZVglyph_pair, float> want = {{gp("A", "V"), 0}, {gp("A", "T"), 0}};
    EXPECT_EQ(mm.masters[1].existing_pairs, want);
    EXPECT_EQ(mm.pairs_in_text(run), (std::set<ZVglyph_pair>{gp("A", "V"), gp("A", "T")}));
}

TEST(FontManager, StatusQuestionsAndEngineTakeover) {
    ZVfontMM mm = three_masters();
    start_up(mm, false);
    mm.set_engine("b", mm, "");
    EXPECT_EQ(mm.masters[1].status, ZVfont::engine_taken_over);
    EXPECT_TRUE(mm.can_be_modified("b"));
    EXPECT_FALSE(mm.can_have_models("b"));
    EXPECT_TRUE(mm.can_have_models("a"));
    EXPECT_TRUE(mm.can_be_finalized());

    mm.set_engine("b", mm, "a");
    EXPECT_EQ(mm.masters[1].status, ZVfont::engine_taken_over);
    mm.set_required_text(every_pair_run(), "b");
    EXPECT_GT(flat(mm, "b").size(), 100u);
    ZVfeedback fb;
    mm.next_feedback(fb, "b");
    EXPECT_EQ(fb.type, ZVfeedback::autokerned_from_this_font); // it holds model pairs
    mm.un_autokern("b");
    EXPECT_EQ(mm.masters[1].status, ZVfont::kerned);
    EXPECT_TRUE(mm.can_have_models("b"));
}

TEST(FontManager, ModelsForDisplayRunsBySign) {
    const FontFixture &d = font_fixture();
    ZVfontMM mm;
    mm.glyphsinfo = d.font.info;
    std::vector<PLXglyph> o = d.outlines();
    mm.add_self_kerned_master(
        "a", o, {d.mini("n", "o", 30), d.mini("T", "o", -40), d.mini("n", "n", 0)}, {}, 700, 500);
    const std::vector<ZVglyph_pair> list = mm.get_models_for_display("", "a");
    const ZVglyph_pair sep{65535, 65535};
    EXPECT_EQ(list,
              (std::vector<ZVglyph_pair>{gp("T", "o"), sep, gp("n", "n"), sep, gp("n", "o")}));
    EXPECT_EQ(mm.get_models_for_display("nosuchgroup", "a").size(), 0u);
}

TEST(FontManager, PairDetailsOfASelection) {
    const FontFixture &d = font_fixture();
    ZVfontMM mm;
    mm.glyphsinfo = d.font.info;
    mm.features = d.features();
    std::vector<PLXglyph> o = d.outlines();
    std::vector<ZVminipair> models = d.models();
    models.push_back(d.mini("n", "p", 0));
    mm.add_self_kerned_master("a", o, models, {}, 700, 500);
    mm.initial_processing("a", {});
    ZVUIpair u = mm.get_pair_details({gp("n", "n"), gp("n", "p")}, "a");
    EXPECT_EQ(u.indices, (ZVglyph_pair{65535, 65535}));
    EXPECT_TRUE(u.flags & 1);
    u = mm.get_pair_details({gp("H", "O"), gp("V", "o")}, "a");
    EXPECT_TRUE(u.flags & 1);
    EXPECT_FALSE(u.flags & 8);
    EXPECT_EQ(mm.get_pair_details({}, "a").indices, (ZVglyph_pair{65535, 65535}));
}

TEST(FontManager, TrackingGroupChanges) {
    const FontFixture &d = font_fixture();
    ZVfontMM mm = three_masters();
    mm.initial_processing("a", {});
    const std::int16_t now = mm.glyphsinfo.tracking_group(d.index("o"), 1);
    EXPECT_FALSE(mm.set_tracking_group_index("id-o", 1, now));
    EXPECT_FALSE(mm.set_tracking_group_index("id-nothing", 1, 3));
    EXPECT_TRUE(mm.set_tracking_group("id-o", 1, "No kerning"));
    EXPECT_FALSE(mm.set_tracking_group("id-o", 1, "No kerning"));
    expect_sane_flat_kerning(mm, "a");
    for (const ZVfont &m : mm.masters)
        if (!m.glyphs.glyphs.empty()) {
            EXPECT_EQ(m.glyphs.glyphs[d.index("o")].tracking_group[1], -1);
        }
}
