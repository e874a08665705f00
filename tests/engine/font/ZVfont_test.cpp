// A master's construction and processing on the demo font.
#include "font_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace zvtest;

namespace {

const ZVsimplepair *cached(const ZVfont &f, ZVglyph_pair p) { return f.cache.find(p); }

} // namespace

TEST(FontConstruction, MastersWithoutGlyphsHoldNothing) {
    const FontFixture &d = font_fixture();
    struct Case {
        const char *what;
        ZVfont::master_status status;
        int x_height;
    } cases[] = {{"linked metrics", ZVfont::linked_metrics, 500},
                 {"zero x-height", ZVfont::untouched, 0},
                 {"negative x-height", ZVfont::self_kerned, -10}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<PLXglyph> o = d.outlines();
        ZVfont f("m", c.status, o, d.font.info, {d.mini("A", "V", -50)}, 700, c.x_height);
        EXPECT_EQ(f.status, ZVfont::linked_metrics);
        EXPECT_TRUE(f.cache.lists.empty());
        EXPECT_TRUE(f.glyphs.glyphs.empty());
        EXPECT_TRUE(f.independents.empty());
        EXPECT_EQ(f.unit_scale, -1.0);
        EXPECT_EQ(f.unit_factor(), -1.0);
        EXPECT_FALSE(f.cache_valid());
    }
    const ZVfont empty;
    EXPECT_EQ(empty.status, ZVfont::linked_metrics);
    EXPECT_TRUE(empty.cache_sorted());
    EXPECT_FALSE(empty.cache_valid());
}

TEST(FontConstruction, UnitsPairsAndCacheLists) {
    const FontFixture &d = font_fixture();
    std::vector<PLXglyph> o = d.outlines();
    ZVfont f("id", ZVfont::untouched, o, d.font.info, {d.mini("A", "V", -50)}, 700, 450);
    EXPECT_EQ(f.name, "id");
    EXPECT_DOUBLE_EQ(f.unit_scale, 0.5);
    EXPECT_DOUBLE_EQ(f.unit_factor(), 2.0);
    EXPECT_EQ(f.cache.lists.size(), d.font.info.size());
    EXPECT_TRUE(f.cache_valid());
    ASSERT_EQ(f.independents.size(), 1u);
    const ZVsimplepair &p = f.independents[0];
    EXPECT_EQ(p.value, -50); // font units, unscaled
    EXPECT_EQ(p.value_min, -50);
    EXPECT_EQ(p.value_max, -50);
    EXPECT_EQ(p.frequency, ZV_UNKNOWN_FREQUENCY);
    EXPECT_EQ(p.properties.c, ZV_INDEPENDENT);
}

TEST(FontConstruction, SelfKernedScalesModelsAndIndependentsWin) {
    const FontFixture &d = font_fixture();
    std::vector<PLXglyph> o = d.outlines();
    std::vector<ZVminipair> models = {d.mini("T", "o", 10), d.mini("V", "o", -40)};
    ZVfont f("m", o, d.font.info, models, {d.mini("V", "o", -30)}, 700, 450);
    EXPECT_EQ(models[0].value, 5); // the caller's list is in engine units afterwards
    EXPECT_EQ(f.status, ZVfont::self_kerned);
    ASSERT_EQ(f.models.size(), 1u);
    EXPECT_EQ(f.models.pairs[0].indices, (ZVglyph_pair{d.index("T"), d.index("o")}));
    EXPECT_EQ(f.models.pairs[0].value, 5);

    std::vector<PLXglyph> o2 = d.outlines();
    std::vector<ZVminipair> all = {d.mini("T", "o", 10)};
    ZVfont g("m", o2, d.font.info, all, {d.mini("T", "o", 12)}, 700, 450);
    EXPECT_EQ(g.status, ZVfont::untouched);
    EXPECT_FALSE(g.cache_valid());
    ASSERT_EQ(g.independents.size(), 1u);
    EXPECT_EQ(g.independents[0].value, 12);
}

/// Every member of a master in a comparable text, so that a move can be checked member by member.
std::string members_of(const ZVfont &f) {
    std::ostringstream s;
    s << "name " << f.name << "\nglyphs " << f.glyphs.glyphs.size() << " " << f.glyphs.max_width;
    for (const auto &g : f.glyphs.glyphs)
        s << " " << g.width << "/" << g.left.rows();
    s << "\nmodels";
    for (const ZVsourcepair &p : f.models.pairs)
        s << " " << p.indices.first << "+" << p.indices.second << "=" << p.value;
    s << " modelpairs " << f.models.modelpairs.size() << " mixes " << f.models.mixes.size();
    s << "\nautopairs " << (f.autopairs ? f.autopairs->records.size() : 0);
    s << "\nindependents";
    for (const ZVsimplepair &p : f.independents)
        s << " " << p.indices.first << "+" << p.indices.second << "=" << p.value;
    s << "\nfeedbacks " << f.feedbacks.list.size() << "/" << f.feedbacks.dismissed.size();
    s << "\ncache " << f.cache.lists.size() << " " << f.cache.sorted << f.cache.valid << " "
      << f.cache.scale << ":";
    for (const auto &list : f.cache.lists)
        for (const ZVsimplepair &p : list)
            s << " " << p.indices.first << "+" << p.indices.second << "=" << p.value;
    s << "\nunit scale " << f.unit_scale << "\nexisting";
    for (const auto &[pair, v] : f.existing_pairs)
        s << " " << pair.first << "+" << pair.second << "=" << v;
    s << "\nundo";
    for (const auto &frame : f.undo_stack)
        s << " " << frame.size();
    s << "\ninterpolation";
    for (const auto &[w, id] : f.interpolation_sources)
        s << " " << w << "*" << id;
    s << "\nstatus " << f.status << "\nmemo";
    for (const auto &[pair, u] : f.details_memo)
        s << " " << pair.first << "+" << pair.second << "=" << u.value;
    s << "\ntaken over";
    for (const ZVglyph_pair &p : f.taken_over_modelpairs)
        s << " " << p.first << "+" << p.second;
    s << "\nstarted up " << f.started_up();
    return s.str();
}

// A master that took over another's engine, with something in every member, is moved (as the
// masters' vector does when it grows): everything comes along, and un_autokern still finds
// the taken-over models.
TEST(FontConstruction, MovesKeepEveryMember) {
    const FontFixture &d = font_fixture();
    const ZVfont source = d.processed();
    auto build = [&] {
        ZVfont f = d.processed({d.mini("A", "V", -50)});
        f.set_engine(source);
        f.status = ZVfont::engine_taken_over;
        f.existing_pairs[{d.index("T"), d.index("o")}] = -80;
        f.interpolation_sources = {{0.5, "x"}};
        f.set_value({d.index("o"), d.index("p")}, -7);
        f.get_pair_details({d.index("A"), d.index("V")});
        f.set_started_up(false);
        return f;
    };
    ZVfont reference = build();
    const std::string expected = members_of(reference);
    ASSERT_FALSE(reference.taken_over_modelpairs.empty());

    ZVfont a = build();
    ASSERT_EQ(members_of(a), expected);
    ZVfont b(std::move(a));
    EXPECT_EQ(members_of(b), expected);
    ZVfont c;
    c = std::move(b);
    EXPECT_EQ(members_of(c), expected);

    c.interpolation_sources.clear();
    c.un_autokern();
    EXPECT_EQ(c.status, ZVfont::kerned);
    EXPECT_GT(c.models.size(), 0u);
    ZVfeedback message;
    c.next_feedback(message, {});
    EXPECT_NE(message.type, ZVfeedback::no_models);
}

// Blank glyphs (spaces, empty unencoded glyphs) say nothing about the depth of the font's sides:
// a hundred of them change neither the search width nor the kerning.
TEST(FontProcessing, BlankGlyphsChangeNothing) {
    const FontFixture &d = font_fixture();
    auto kerned = [&](const DemoFont &font) {
        std::vector<PLXglyph> o = font.outlines;
        std::vector<ZVminipair> m = d.models();
        ZVfont f("m", o, font.info, m, {}, font.cap_height, font.x_height);
        f.initial_processing(font.info, {}, d.features(), true);
        f.set_required_text({d.index("T"), d.index("o"), d.index("V"), d.index("A"), d.index("p")});
        f.freshen_cache();
        std::vector<std::tuple<int, int, float>> kerning;
        for (const auto &list : f.cache.lists)
            for (const ZVsimplepair &p : list)
                kerning.emplace_back(p.indices.first, p.indices.second, p.value);
        return std::make_pair(f.glyphs.max_width, kerning);
    };
    DemoFont blank = d.font;
    for (int i = 0; i < 100; ++i)
        blank.add("blank" + std::to_string(i), 0, PLXlibNamespaceForZV::ZV_OTHER, i % 2 ? 0 : 300);
    const auto plain = kerned(d.font), with_blanks = kerned(blank);
    EXPECT_EQ(with_blanks.first, plain.first);
    EXPECT_EQ(with_blanks.second, plain.second);
}

// The final kerning's refill kerns every autokernable record, shown or not, each as a refill of
// the shown pairs kerns it, and tells how far it is after each round.
TEST(FontProcessing, RefillWithEveryPairKernsEveryAutokernableRecord) {
    const FontFixture &d = font_fixture();
    std::vector<PLXglyph> o = d.outlines();
    std::vector<ZVminipair> m = d.models();
    ZVfont f("m", o, d.font.info, m, {}, d.font.cap_height, d.font.x_height);
    f.initial_processing(d.font.info, {}, d.features(), true);
    std::vector<std::uint16_t> run;
    std::size_t autokernable = 0;
    for (const ZVautopair &r : f.autopairs->records)
        if (r.is_autokernable(f.glyphs)) {
            ++autokernable;
            run.insert(run.end(), {r.indices.first, r.indices.second, 65535});
        }
    ASSERT_GT(autokernable, 50u);
    // Every record shown: the plain refill's values are the reference (outlines and models are
    // scaled in place, so the second master gets fresh copies).
    std::vector<PLXglyph> o2 = d.outlines();
    std::vector<ZVminipair> m2 = d.models();
    ZVfont shown("m", o2, d.font.info, m2, {}, d.font.cap_height, d.font.x_height);
    shown.initial_processing(d.font.info, {}, d.features(), true);
    shown.set_required_text(run);
    shown.refill_cache();

    std::vector<std::pair<std::size_t, std::size_t>> heard;
    f.refill_cache_with_every_pair([&](std::size_t done, std::size_t total) {
        heard.push_back({done, total});
    });
    EXPECT_TRUE(f.cache_valid());
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back(), std::make_pair(autokernable, autokernable));
    std::size_t n = 0, all = 0;
    for (const auto &list : shown.cache.lists)
        for (const ZVsimplepair &want : list) {
            const ZVsimplepair *got = cached(f, want.indices);
            ASSERT_NE(got, nullptr);
            EXPECT_EQ(got->value, want.value);
            EXPECT_EQ(got->properties.kind(), want.properties.kind());
            ++n;
        }
    for (const auto &list : f.cache.lists)
        all += list.size();
    EXPECT_EQ(all, n);
    EXPECT_GE(n, autokernable);
}

TEST(FontProcessing, SelfKernedMasterIsKerned) {
    const FontFixture &d = font_fixture();
    const ZVfont f = d.processed({d.mini("A", "V", -70)});
    EXPECT_EQ(f.status, ZVfont::kerned);
    EXPECT_TRUE(f.started_up());
    ASSERT_TRUE(f.autopairs);
    EXPECT_TRUE(f.cache_valid());
    EXPECT_TRUE(f.cache_sorted());
    EXPECT_FALSE(f.models.modelpairs.empty());
    // Every model in font units, whole; the independent pair unchanged.
    for (const ZVsourcepair &p : f.models.pairs) {
        const ZVsimplepair *c = cached(f, p.indices);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->properties.kind(), ZV_MODEL);
        EXPECT_FLOAT_EQ(c->value, static_cast<float>(p.value * f.unit_factor()));
    }
    const ZVsimplepair *av = cached(f, {d.index("A"), d.index("V")});
    ASSERT_NE(av, nullptr);
    EXPECT_EQ(av->value, -70);
    EXPECT_EQ(av->properties.kind(), ZV_INDEPENDENT);
    EXPECT_EQ(f.models.tracking_values.size(),
              static_cast<std::size_t>(f.models.highest_tracking_group) + 1);
    // The first master to be kerned hears the model suggestions.
    EXPECT_FALSE(f.feedbacks.list.empty());
}

TEST(FontProcessing, UntouchedWithoutKerningStaysUntouched) {
    const FontFixture &d = font_fixture();
    std::vector<PLXglyph> o = d.outlines();
    ZVfont f("m", ZVfont::untouched, o, d.font.info, {}, 700, 500);
    f.initial_processing(d.font.info, {}, d.features(), true);
    EXPECT_EQ(f.status, ZVfont::untouched);
    EXPECT_TRUE(f.feedbacks.list.empty());
}

TEST(FontProcessing, RefillWithoutModelsKeepsIndependents) {
    const FontFixture &d = font_fixture();
    std::vector<PLXglyph> o = d.outlines();
    ZVfont f("m", ZVfont::untouched, o, d.font.info, {d.mini("A", "V", -50)}, 700, 500);
    f.refill_cache();
    EXPECT_FALSE(f.cache_valid());
    const ZVsimplepair *c = cached(f, {d.index("A"), d.index("V")});
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->value, -50);
}

// The existing kerning is either re-worked (more pairs than a tenth of the autopair records) or
// taken over as the first models.
TEST(FontProcessing, AutoPickMessageAndExistingMap) {
    const FontFixture &d = font_fixture();
    ZVfeatures features = d.features();
    features.indices_with_frequency.resize(300);
    // Existing kerning drawn from the model list, extended by more lowercase pairs.
    std::vector<ZVminipair> pool = d.models();
    for (const char *l : {"n", "o", "p", "l", "v"})
        for (const char *r : {"n", "o", "p", "l", "v", "period", "comma", "hyphen"})
            pool.push_back(d.mini(l, r, -4));
    struct Case {
        std::size_t existing;
        int type;
        bool map_kept;
    } cases[] = {{31, ZVfeedback::reworked_changes, true}, {30, -1, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.existing);
        std::vector<PLXglyph> o = d.outlines();
        ZVfont f("m", ZVfont::untouched, o, d.font.info, {}, 700, 500);
        for (const ZVminipair &m : pool)
            if (f.existing_pairs.size() < c.existing)
                f.existing_pairs[{m.left, m.right}] = m.value;
        ASSERT_EQ(f.existing_pairs.size(), c.existing);
        f.initial_processing(d.font.info, {}, features, true);
        ASSERT_EQ(f.autopairs->records.size(), 300u);
        EXPECT_EQ(f.status, ZVfont::kerned);
        EXPECT_EQ(f.existing_pairs.empty(), !c.map_kept);
        // A status message gives way to the removal messages that follow it, so only the
        // re-work message is sure to stay.
        bool reworked = false;
        for (const ZVfeedback &m : f.feedbacks.list)
            reworked |= m.type == ZVfeedback::reworked_changes;
        EXPECT_EQ(reworked, c.type == ZVfeedback::reworked_changes);
        for (const ZVsourcepair &p : f.models.pairs)
            if (auto it = f.autopairs->find_pair(p.indices); it != f.autopairs->records.end()) {
                EXPECT_EQ(it->properties.kind(), 0);
            }
    }
}
