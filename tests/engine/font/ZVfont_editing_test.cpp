// Editing a master: each step that keeps an undo history is reverted exactly by undo.
#include "font_fixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zvtest;

namespace {

/// Everything an edit may change, in a comparable form.
struct Snapshot {
    std::vector<std::tuple<int, int, float, int>> cache;
    std::vector<std::tuple<int, int, float>> models, independents;
    std::vector<ZVglyph_pair> user_set;
    bool operator==(const Snapshot &) const = default;
};

/// The entries of a that b lacks, for a readable failure.
template <class T> std::string missing(const std::vector<T> &a, const std::vector<T> &b) {
    std::string out;
    for (const T &x : a)
        if (std::find(b.begin(), b.end(), x) == b.end())
            out += testing::PrintToString(x) + " ";
    return out;
}

void PrintTo(const Snapshot &s, std::ostream *os) {
    *os << s.cache.size() << " cache records, " << s.models.size() << " models, "
        << s.independents.size() << " independents, " << s.user_set.size() << " user-set";
}

void expect_same(const Snapshot &a, const Snapshot &b) {
    EXPECT_EQ(a, b) << "cache lost: " << missing(a.cache, b.cache)
                    << "\ncache gained: " << missing(b.cache, a.cache)
                    << "\nmodels lost: " << missing(a.models, b.models)
                    << "\nmodels gained: " << missing(b.models, a.models)
                    << "\nindependents lost: " << missing(a.independents, b.independents)
                    << "\nindependents gained: " << missing(b.independents, a.independents)
                    << "\nuser-set lost: " << missing(a.user_set, b.user_set)
                    << "\nuser-set gained: " << missing(b.user_set, a.user_set);
}

Snapshot snapshot(ZVfont &f) {
    // A refill first: a removed model that the refill hands to autokerning stands in the cache
    // only until the next refill unless it is visible.
    f.refill_cache();
    Snapshot s;
    for (const auto &list : f.cache.lists)
        for (const ZVsimplepair &p : list)
            s.cache.emplace_back(p.indices.first, p.indices.second, p.value, p.properties.kind());
    for (const ZVsourcepair &p : f.models.pairs)
        s.models.emplace_back(p.indices.first, p.indices.second, p.value);
    std::sort(s.models.begin(), s.models.end());
    for (const ZVsimplepair &p : f.independents)
        s.independents.emplace_back(p.indices.first, p.indices.second, p.value);
    std::sort(s.independents.begin(), s.independents.end());
    s.user_set = f.get_user_set_autos();
    std::sort(s.user_set.begin(), s.user_set.end());
    return s;
}

/// A processed master showing a text, so that autokerned pairs stand in the cache.
ZVfont shown_master() {
    const FontFixture &d = font_fixture();
    ZVfont f = d.processed({d.mini("A", "V", -70)});
    std::vector<std::uint16_t> run;
    for (const char *g : {"T", "o", "p", "l", "A", "V", "o", "n", "v", "o", "H", "O", "A"})
        run.push_back(d.index(g));
    f.set_required_text(run);
    return f;
}

ZVglyph_pair gp(const char *l, const char *r) {
    return {font_fixture().index(l), font_fixture().index(r)};
}

} // namespace

TEST(FontEditing, UndoRevertsEveryEditExactly) {
    struct Case {
        const char *what;
        std::function<void(ZVfont &)> edit;
    } cases[] = {
        {"set_value on a model", [](ZVfont &f) { f.set_value(gp("T", "o"), -70); }},
        {"set_value on an autopair", [](ZVfont &f) { f.set_value(gp("o", "p"), -9); }},
        {"set_value on an independent", [](ZVfont &f) { f.set_value(gp("A", "V"), -40); }},
        {"set_value on a pair without record", [](ZVfont &f) { f.set_value(gp("O", "A"), -5); }},
        {"set_models on mixed kinds",
         [](ZVfont &f) {
             f.set_models({gp("o", "p"), gp("A", "V"), gp("T", "o")}, false);
         }},
        {"set_models at zero",
         [](ZVfont &f) {
             f.set_models({gp("V", "o"), gp("p", "l")}, true);
         }},
        {"set_autos on models",
         [](ZVfont &f) {
             f.set_autos({gp("T", "o"), gp("H", "O")});
         }},
        {"set_autos on an independent", [](ZVfont &f) { f.set_autos({gp("A", "V")}); }},
        {"set_independent_pair on a model",
         [](ZVfont &f) { f.set_independent_pair(gp("V", "o")); }},
        {"set_independent_pair without record",
         [](ZVfont &f) { f.set_independent_pair(gp("O", "A")); }},
        {"two steps",
         [](ZVfont &f) {
             f.set_value(gp("o", "p"), -9);
             f.set_independent_pair(gp("T", "o"));
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZVfont f = shown_master();
        const Snapshot before = snapshot(f);
        const std::size_t depth = f.undo_stack.size();
        c.edit(f);
        EXPECT_GT(f.undo_stack.size(), depth);
        EXPECT_NE(snapshot(f), before);
        expect_sane_flat_kerning(f);
        while (f.undo_stack.size() > depth)
            f.undo();
        expect_same(before, snapshot(f));
        expect_sane_flat_kerning(f);
    }
}

TEST(FontEditing, UndoOnAnEmptyStackDoesNothing) {
    ZVfont f = shown_master();
    f.undo_stack.clear();
    const Snapshot before = snapshot(f);
    f.undo();
    EXPECT_EQ(snapshot(f), before);
}

TEST(FontEditing, ModelValueWithinToleranceOnlyLeavesAFrame) {
    ZVfont f = shown_master();
    f.freshen_cache();
    const float v = f.lookup(gp("T", "o")).value;
    const Snapshot before = snapshot(f);
    f.set_value(gp("T", "o"), v + 1.0f / 16384);
    EXPECT_EQ(f.undo_stack.size(), 1u);
    EXPECT_EQ(snapshot(f), before);
}

// Pairs that cannot be kerned become independent pairs at once, whatever the edit.
TEST(FontEditing, UnkernablePairsBecomeIndependent) {
    const FontFixture &d = font_fixture();
    ZVfont f = shown_master();
    f.set_tracking_group(d.index("o"), 0, PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP);
    f.freshen_cache();
    ASSERT_TRUE(f.cache_valid());
    f.set_value(gp("n", "o"), -12);
    EXPECT_TRUE(f.cache_valid()); // no refill
    EXPECT_EQ(f.lookup(gp("n", "o")).properties.kind(), ZV_INDEPENDENT);
    EXPECT_EQ(f.lookup(gp("n", "o")).value, -12);

    f.set_models({gp("p", "o")}, false);
    EXPECT_FALSE(f.models.contains(gp("p", "o")));
    EXPECT_EQ(f.lookup(gp("p", "o")).properties.kind(), ZV_INDEPENDENT);

    const std::size_t before = f.models.size();
    f.add_models({d.mini("l", "o", -5), d.mini("l", "n", 3)}, false);
    EXPECT_EQ(f.models.size(), before + 1);
    int removals = 0;
    for (const ZVfeedback &m : f.feedbacks.list)
        removals += m.type == ZVfeedback::no_kerning_models_removed && m.pairs.size() == 1;
    EXPECT_GE(removals, 1);
    expect_sane_flat_kerning(f);
}

// Set to zero, a pair that cannot be a model still takes 0, as set_value(pair, 0) gives it.
TEST(FontEditing, SetModelsAtZeroOnUnkernablePairs) {
    const FontFixture &d = font_fixture();
    struct Case {
        const char *what;
        ZVglyph_pair pair;
        bool set_to_zero;
        float value;
    } cases[] = {
        {"an independent pair at zero", gp("A", "V"), true, 0},
        {"an independent pair kept", gp("A", "V"), false, -70},
        {"an autokerned pair at zero", gp("T", "V"), true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZVfont f = shown_master();
        f.set_tracking_group(d.index("V"), 0, PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP);
        f.set_models({c.pair}, c.set_to_zero);
        EXPECT_FALSE(f.models.contains(c.pair));
        f.freshen_cache();
        EXPECT_EQ(f.lookup(c.pair).properties.kind(), ZV_INDEPENDENT);
        EXPECT_EQ(f.lookup(c.pair).value, c.value);
        EXPECT_EQ(std::count_if(f.independents.begin(), f.independents.end(),
                                [&](const ZVsimplepair &p) { return p.indices == c.pair; }),
                  1);
    }
}

// Every edit empties the pair-details memo, the stored lists' additions included.
TEST(FontEditing, PairDetailsFollowEveryEdit) {
    const ZVglyph_pair pair = gp("o", "p");
    struct Case {
        const char *what;
        std::function<void(ZVfont &, float)> edit;
        std::uint8_t flag; // the new kind's bit in the record's flags
    } cases[] = {
        {"add_models", [&](ZVfont &f, float v) { f.add_models({{pair.first, pair.second, v}}, false); },
         1},
        {"add_independent_pairs",
         [&](ZVfont &f, float v) { f.add_independent_pairs({{pair.first, pair.second, v}}, false); },
         4},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZVfont f = shown_master();
        const ZVUIpair before = f.get_pair_details(pair);
        ASSERT_EQ(before.flags & c.flag, 0);
        // The autokerned value, which the models hold without contradiction.
        c.edit(f, before.value);
        EXPECT_EQ(f.get_pair_details(pair).flags & c.flag, c.flag);
    }
    // Shown for the first time, an autopair is kerned into the cache: its record follows.
    ZVfont f = shown_master();
    const ZVglyph_pair hidden = gp("p", "o");
    EXPECT_EQ(f.get_pair_details(hidden).flags & 2, 0);
    f.set_required_text({hidden.first, hidden.second});
    EXPECT_EQ(f.get_pair_details(hidden).flags & 2, 2);
}

TEST(FontEditing, SidebearingChangeIsAbsorbedByTheModels) {
    const FontFixture &d = font_fixture();
    ZVfont f = d.processed();
    const auto value = [&](ZVglyph_pair p) {
        for (const ZVsourcepair &s : f.models.pairs)
            if (s.indices == p)
                return s.value;
        return 1e9f;
    };
    const float vo = value(gp("V", "o"));
    const float width = f.glyphs.glyphs[d.index("V")].width;
    f.adjust_sidebearing(d.index("V"), 1, 10); // 10 font units = 4.5 engine units
    EXPECT_NEAR(value(gp("V", "o")), vo - 4.5f, 1e-4);
    EXPECT_NEAR(f.glyphs.glyphs[d.index("V")].width, width + 4.5f, 1e-4);
    EXPECT_TRUE(f.undo_stack.empty());
    // Model pair i stays source pair i.
    f.freshen_cache();
    ASSERT_EQ(f.models.modelpairs.size(), f.models.size());
    for (std::size_t i = 0; i < f.models.size(); ++i)
        EXPECT_EQ(f.models.modelpairs.pairs[i].indices, f.models.pairs[i].indices);
    expect_sane_flat_kerning(f);
}

TEST(FontEditing, TrackingGroups) {
    const FontFixture &d = font_fixture();
    ZVfont f = d.processed();
    const std::uint16_t H = d.index("H");
    ASSERT_EQ(f.glyphs.glyphs[H].tracking_group[0], 1);
    f.set_tracking_group(H, 0, 0);
    EXPECT_EQ(f.glyphs.glyphs[H].tracking_group[0], 1);
    expect_sane_flat_kerning(f);

    // A master without models still keeps its autopair records' groups right.
    std::vector<PLXglyph> o = d.outlines();
    ZVfont u("u", ZVfont::untouched, o, d.font.info, {}, 700, 500);
    u.initial_processing(d.font.info, {}, d.features(), true);
    ASSERT_TRUE(u.autopairs);
    u.set_tracking_group(d.index("o"), 1, 3);
    for (const ZVautopair &r : u.autopairs->records)
        if (r.indices.first == d.index("o")) {
            EXPECT_EQ(r.left_group, 3);
        }
}

// The models facing a glyph side put in No kerning stay kerned as user-set autopairs; when the
// side comes back they are autokerned like any pair, within their glyphs' bounds, whether or
// not the cache was refilled in between.
TEST(FontEditing, FormerModelsComeBackFromNoKerningKernedSanely) {
    const FontFixture &d = font_fixture();
    const std::uint16_t o = d.index("o");
    const ZVglyph_pair former[] = {gp("T", "o"), gp("n", "o"), gp("o", "o")};
    for (const bool refill : {true, false}) {
        SCOPED_TRACE(refill ? "refilled in between" : "no refill in between");
        ZVfont f = d.processed();
        std::vector<std::uint16_t> run;
        for (const char *g : {"T", "o", "o", "n", "o"})
            run.push_back(d.index(g));
        f.set_required_text(run);
        f.set_tracking_group(o, 0, PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP);
        if (refill)
            f.refill_cache();
        f.set_tracking_group(o, 0, 0);
        expect_sane_flat_kerning(f);
        for (const ZVglyph_pair &p : former) {
            SCOPED_TRACE(testing::PrintToString(p));
            EXPECT_FALSE(f.models.contains(p));
            EXPECT_EQ(f.lookup(p).properties.kind(), ZV_USER_SET_AUTO);
            EXPECT_EQ(f.lookup(p).indices, p); // kerned, not dropped
        }
        EXPECT_LT(f.lookup(gp("T", "o")).value, 0);
        for (const ZVsimplepair &p : f.pairs_for_glyph(o, 0)) {
            SCOPED_TRACE(testing::PrintToString(p.indices));
            EXPECT_LT(std::fabs(p.value), f.glyphs.glyphs[o].width * f.unit_factor());
        }
    }
}

// Glyph edits that empty the undo history: every one leaves a kerning within its glyphs' bounds.
TEST(FontEditing, GlyphEditsKeepTheKerningSane) {
    const FontFixture &d = font_fixture();
    const std::uint16_t o = d.index("o"), V = d.index("V");
    struct Case {
        const char *what;
        std::function<void(ZVfont &)> edit;
    } cases[] = {
        {"a narrower outline",
         [&](ZVfont &f) {
             PLXglyph g = make_glyph("id-o", "o", 480);
             add_ellipse(g, 240, 250, 190, 260);
             f.update_glyph_shape(g, o);
         }},
        {"an outline emptied",
         [&](ZVfont &f) {
             PLXglyph g = make_glyph("id-o", "o", 560);
             f.update_glyph_shape(g, o);
         }},
        {"a side bearing widened", [&](ZVfont &f) { f.adjust_sidebearing(V, 1, 40); }},
        {"a side bearing narrowed", [&](ZVfont &f) { f.adjust_sidebearing(V, 0, -30); }},
        {"a named group and back",
         [&](ZVfont &f) {
             f.set_tracking_group(o, 1, 2);
             f.set_tracking_group(o, 1, 0);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZVfont f = shown_master();
        c.edit(f);
        expect_sane_flat_kerning(f);
    }
}

TEST(FontEditing, SetAutosThatInvalidatesReturnsTheWholeKerning) {
    ZVfont f = shown_master();
    const ZVsimplepair r = f.set_autos({gp("T", "o"), gp("V", "o"), gp("H", "O")});
    if (f.undo_stack.back().size() == 3 && r.indices.first == 65535) {
        EXPECT_EQ(r.properties.kind(), ZV_USER_SET_AUTO);
        EXPECT_TRUE(f.cache_valid());
    }
    EXPECT_FALSE(f.models.contains(gp("T", "o")));
}
