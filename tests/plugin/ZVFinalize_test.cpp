// The finalisation: which masters a run computes and how, the kerning that reaches the font (flat
// or grouped, each kept pair exactly as the kerning writer rounds the engine's record), the size
// limit, masters left alone, and the finalize window's run with its progress, stop, sound and
// settings.
#include "plugin_fixture.h"

#include "golden.h"

#include "bridge/ZVUserData.h"
#include "platform/NSSound.h"
#include "platform/NSUserDefaults.h"
#include "plugin/ZVFinalizeRun.h"
#include "plugin/ZVFinalizeWindowController.h"

#include <cmath>
#include <cstdlib>
#include <set>

using namespace zvplugintest;
using zvtesting::matchesGolden;

namespace {

/// Effective kerning as the host applies it; 0 for none.
double effective(const GSFont &font, const std::string &masterId, const GSGlyph *l,
                 const GSGlyph *r) {
    const double v = font.kerningForFontMasterIDFirstGlyph(masterId, l, r, 0);
    return v == GSNoKerningValue ? 0 : v;
}

/// Every glyph pair's effective kerning in a master, by names (pairs without kerning left out).
std::map<std::pair<std::string, std::string>, double> effectiveKerning(const GSFont &font,
                                                                       const std::string &id) {
    std::map<std::pair<std::string, std::string>, double> out;
    for (const GSGlyph *l : font.glyphs())
        for (const GSGlyph *r : font.glyphs()) {
            const double v = font.kerningForFontMasterIDFirstGlyph(id, l, r, 0);
            if (v != GSNoKerningValue)
                out[{l->name(), r->name()}] = v;
        }
    return out;
}

class Finalize : public PluginTest {
  protected:
    zvtest::TempFolder config;
    std::optional<std::string> savedXDG;

    void SetUp() override {
        if (const char *xdg = std::getenv("XDG_CONFIG_HOME"))
            savedXDG = xdg;
        ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
        NSUserDefaults::resetStandardUserDefaults();
        NSSound::reset();
        PluginTest::SetUp();
    }
    void TearDown() override {
        PluginTest::TearDown();
        if (savedXDG)
            ::setenv("XDG_CONFIG_HOME", savedXDG->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        NSUserDefaults::resetStandardUserDefaults();
    }

    /// Opens the finalize window; `script` plays what the designer does there.
    void finalizeWindow(std::function<void(ZVFinalizeWindowController &)> script) {
        NSApp().modalScripts.push_back([this, script](NSWindow &) {
            ASSERT_TRUE(p().finalizeWindowController);
            script(*p().finalizeWindowController);
        });
        gesture::click(*p().finalizeButton);
    }

    /// Computes every master as a run does, without the window.
    std::vector<ZVfinalmaster> computeAll() {
        std::vector<ZVfinalmaster> out;
        const std::vector<ZVpair_frequency> frequent = engine().get_expanded_pairs();
        for (std::size_t i : mastersToFinalize(engine()))
            out.push_back(computeFinalMaster(engine(), i, frequent));
        return out;
    }

    std::string masterId(GSDocument &doc, std::size_t i) {
        return doc.font()->fontMasters()[i]->id();
    }

    /// Starts a font and gives every master a few models that need kerning.
    GSDocument &startKernedFont(const std::string &name, int masters) {
        GSDocument &doc = startFont(demoFont(name, masters), name);
        for (const GSFontMaster *m : doc.font()->fontMasters())
            for (const auto &[pair, value] :
                 {std::pair{"AV", -80.f}, {"To", -60.f}, {"VA", -70.f}, {"HO", -10.f}})
                engine().set_value(
                    pairOf(std::string(1, pair[0]).c_str(), std::string(1, pair[1]).c_str()), value,
                    m->id());
        // Every pair of the letters in the tab: the engine kerns them all.
        std::string text = "\n";
        for (char l : std::string(kTenPairs))
            for (char r : std::string(kTenPairs))
                text += std::string{l, r, ' '};
        window(doc).typeText(text);
        settle();
        p().zvfontToGlyphsAndDialog();
        settle();
        return doc;
    }
    /// Closes a document, as the designer does between two fonts.
    void closeFont(GSDocument &doc) {
        GSApplication::sharedApplication().closeDocument(&doc);
        settle();
    }
};

// Masters with models are finalized in font order, interpolated ones come last, and masters the
// engine does not kern (no model pairs, linked metrics) are neither computed nor touched; one that
// has kerning groups keeps every effective value when the groups are rebuilt.
TEST_F(Finalize, MastersByStatus) {
    struct Case {
        const char *name;
        std::vector<ZVfont::master_status> status;
        std::vector<bool> clearModels;
        std::vector<std::size_t> computed;
        std::vector<bool> interpolated;
    };
    const Case cases[] = {
        {"kerned, taken over, interpolated",
         {ZVfont::kerned, ZVfont::engine_taken_over, ZVfont::interpolated},
         {false, false, false},
         {0, 1, 2},
         {false, false, true}},
        {"interpolated first in the font, computed last",
         {ZVfont::interpolated, ZVfont::kerned, ZVfont::kerned},
         {false, false, false},
         {1, 2, 0},
         {false, false, true}},
        {"without models, linked metrics, kerned",
         {ZVfont::kerned, ZVfont::linked_metrics, ZVfont::kerned},
         {true, false, false},
         {2},
         {false}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GSDocument &doc = startKernedFont("Status", 3);
        GSFont &font = *doc.font();
        // Old kerning groups, and group kerning in every master.
        font.glyphForName("H")->setRightKerningGroup("HI");
        font.glyphForName("I")->setRightKerningGroup("HI");
        font.glyphForName("O")->setLeftKerningGroup("round");
        font.glyphForName("o")->setLeftKerningGroup("round");
        std::vector<std::map<std::pair<std::string, std::string>, double>> before;
        for (std::size_t m = 0; m < 3; ++m) {
            ZVfont &master = engine().masters[m];
            master.status = c.status[m];
            if (c.status[m] == ZVfont::interpolated)
                master.interpolation_sources = {{0.5, masterId(doc, (m + 1) % 3)},
                                                {0.5, masterId(doc, (m + 2) % 3)}};
            if (c.clearModels[m]) {
                // No models at all: neither source pairs nor fitted model pairs.
                static_cast<ZVsourcepairs &>(master.models) = ZVsourcepairs();
                master.models.modelpairs.pairs.clear();
            }
            font.setKerningForFontMasterID(masterId(doc, m), "@MMK_L_HI", "@MMK_R_round", -30, 0);
            before.push_back(effectiveKerning(font, masterId(doc, m)));
        }
        std::vector<std::size_t> order = mastersToFinalize(engine());
        EXPECT_EQ(order, c.computed);
        const std::vector<ZVfinalmaster> computed = computeAll();
        ASSERT_EQ(computed.size(), c.computed.size());
        for (std::size_t k = 0; k < computed.size(); ++k) {
            EXPECT_EQ(computed[k].id, masterId(doc, c.computed[k]));
            EXPECT_EQ(computed[k].interpolated, c.interpolated[k]);
            EXPECT_FALSE(computed[k].targets.empty());
        }
        const ZVfinalwrite written = writeFinalKerning(*p().zvdata(), computed, true, 0);
        // The old groups are gone (a new group holding H and I would be named after H).
        EXPECT_NE(font.glyphForName("I")->rightKerningGroup(), std::optional<std::string>("HI"));
        EXPECT_NE(font.glyphForName("o")->leftKerningGroup(), std::optional<std::string>("round"));
        for (std::size_t m = 0; m < 3; ++m)
            if (std::find(order.begin(), order.end(), m) == order.end()) {
                SCOPED_TRACE("master " + std::to_string(m) + " not written");
                EXPECT_EQ(effectiveKerning(font, masterId(doc, m)), before[m]);
            }
        closeFont(doc);
    }
}

// A special spacing group discards the fitted model pairs of every master and only the current
// master rebuilds them: the run still finalizes every master with models, rebuilding theirs. A
// master with models that the run cannot finalize is named, with why, in the report and the alert.
TEST_F(Finalize, MastersWithModelsAreChosenEvenWithoutFittedModelPairs) {
    GSDocument &doc = startKernedFont("Groups", 3);
    GSFont &font = *doc.font();
    ASSERT_TRUE(engine().set_tracking_group(font.glyphForName("A")->id(), 1, "Wide"));
    p().zvfontToGlyphsAndDialog();
    settle();
    ASSERT_FALSE(engine().masters[0].models.modelpairs.empty());
    for (std::size_t m : {1u, 2u}) {
        ASSERT_TRUE(engine().masters[m].models.modelpairs.empty()) << m;
        ASSERT_NE(engine().masters[m].models.size(), 0u) << m;
    }
    EXPECT_EQ(mastersToFinalize(engine()), (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_TRUE(mastersLeftOut(engine(), &font).empty());
    const std::vector<ZVfinalmaster> computed = computeAll();
    ASSERT_EQ(computed.size(), 3u);
    for (const ZVfinalmaster &m : computed) {
        EXPECT_TRUE(m.fitted) << m.id;
        EXPECT_GT(m.targets.size(), 50u) << m.id;
    }
    for (std::size_t m : {1u, 2u})
        EXPECT_FALSE(engine().masters[m].models.modelpairs.empty()) << m;

    // Black has models the engine has not kerned yet: it is named, the others are written.
    engine().masters[2].status = ZVfont::self_kerned;
    const std::vector<ZVleftout> leftOut = mastersLeftOut(engine(), &font);
    ASSERT_EQ(leftOut.size(), 1u);
    EXPECT_EQ(leftOut[0].name, "Black");
    EXPECT_EQ(mastersToFinalize(engine()), (std::vector<std::size_t>{0, 1}));
    NSAlertScript::expect("Some masters need your attention.", "OK");
    std::string report;
    finalizeWindow([&](ZVFinalizeWindowController &w) {
        gesture::click(*w.zelvarButton);
        ASSERT_TRUE(NSRunLoop::mainRunLoop().runUntil([&] { return !w.isRunning(); },
                                                      std::chrono::seconds(120)));
        report = describeFinalWrite(w.lastWrite());
    });
    ASSERT_EQ(NSAlertScript::log().size(), 1u);
    EXPECT_NE(NSAlertScript::log()[0].informative.find(
                  "Black: not finalized: Zelvar has not kerned it yet."),
              std::string::npos)
        << NSAlertScript::log()[0].informative;
    EXPECT_NE(report.find("Black: not finalized: Zelvar has not kerned it yet\n"),
              std::string::npos)
        << report;
}

// A master's targets are every frequent pair it can kern (whether or not the designer ever saw it)
// and what the designer set, each at the value the engine gives it; the window's label says how
// far each master is.
TEST_F(Finalize, TargetsAreEveryPairTheMasterCanKern) {
    GSDocument &doc = startKernedFont("Every", 2);
    ZVfont &regular = engine().masters[0];
    // A fixed pair and a pair handed back to autokerning, beside the models.
    engine().set_value(pairOf("l", "T"), -44, masterId(doc, 0));
    regular.set_independent_pair(pairOf("l", "T"));
    std::set<ZVglyph_pair> want;
    std::size_t hidden = 0;
    for (const ZVautopair &r : regular.autopairs->records)
        if (r.is_autokernable(regular.glyphs)) {
            want.insert(r.indices);
            hidden += !regular.autopairs->visible_pairs.count(r.indices);
        }
    ASSERT_GT(hidden, 100u) << "the test needs frequent pairs the tab never showed";
    for (const ZVglyph_pair &p : engine().get_models(masterId(doc, 0)))
        want.insert(p);
    for (const ZVglyph_pair &p : engine().get_independents(masterId(doc, 0)))
        want.insert(p);
    for (const ZVglyph_pair &p : engine().get_user_set_autos(masterId(doc, 0)))
        want.insert(p);

    std::vector<std::pair<std::size_t, std::size_t>> heard;
    const ZVfinalmaster m = computeFinalMaster(engine(), 0, engine().get_expanded_pairs(),
                                               [&](std::size_t done, std::size_t total) {
                                                   heard.push_back({done, total});
                                               });
    std::set<ZVglyph_pair> got;
    for (const ZVkerningtarget &t : m.targets)
        got.insert(t.pair);
    EXPECT_EQ(got, want);
    ASSERT_FALSE(heard.empty());
    EXPECT_EQ(heard.back().first, heard.back().second);
    // Each autokerned target has the value the engine gives the pair when asked.
    const double factor = regular.unit_factor();
    std::size_t checked = 0;
    for (const ZVkerningtarget &t : m.targets) {
        const ZVsimplepair *c = regular.cache.find(t.pair);
        ASSERT_TRUE(c);
        if (c->properties.kind() != ZV_USER_SET_AUTO || checked >= 200)
            continue;
        ZVsimplepair r = regular.autopairs->autokerned_pair(
            t.pair, regular.glyphs, regular.models.mix, regular.models.modelpairs.pairs);
        r.value = static_cast<float>(r.value * factor);
        r.value_min = static_cast<float>(r.value_min * factor);
        r.value_max = static_cast<float>(r.value_max * factor);
        r.properties = c->properties;
        EXPECT_EQ(t.value, ZVDataToGlyphs::writtenValue(r, 0).value_or(0));
        ++checked;
    }
    EXPECT_EQ(checked, 200u);

    // The window: the label names the master and how many of its pairs are done.
    std::vector<std::string> labels;
    finalizeWindow([&](ZVFinalizeWindowController &w) {
        gesture::click(*w.zelvarButton);
        ASSERT_TRUE(NSRunLoop::mainRunLoop().runUntil(
            [&] {
                const std::string l = w.progressLabel->stringValue();
                if (labels.empty() || labels.back() != l)
                    labels.push_back(l);
                return !w.isRunning();
            },
            std::chrono::seconds(120)));
    });
    // Each master is named as it starts.
    for (const char *start : {"Kerning Regular…", "Kerning Bold…"})
        EXPECT_NE(std::find(labels.begin(), labels.end(), start), labels.end())
            << start << " in " << ::testing::PrintToString(labels);
}

// Between the engine's rounds the label says how far the master is, and the bar moves within the
// master's step.
TEST_F(Finalize, TheLabelSaysHowFarAMasterIs) {
    startKernedFont("Far", 2);
    finalizeWindow([](ZVFinalizeWindowController &w) {
        w.showProgress("Regular", 1, 12000, 24000);
        EXPECT_EQ(w.progressLabel->stringValue(), "Kerning Regular: 12 000 of 24 000 pairs");
        EXPECT_DOUBLE_EQ(w.progressBar->doubleValue(), 1.5);
        gesture::click(*w.cancelButton);
    });
}

TEST(FinalizeWindow, PairCountsShowTheirThousandsApart) {
    const std::pair<std::size_t, const char *> cases[] = {
        {0, "0"}, {999, "999"}, {1000, "1 000"}, {23271, "23 271"}, {1234567, "1 234 567"}};
    for (const auto &[n, text] : cases)
        EXPECT_EQ(ZVFinalizeWindowController::pairCountText(n), text) << n;
}

// Only what the designer set (models, independent pairs, user-set autopairs) and pairs inside
// composites stay whatever the size; at half the unlimited size the lightest of the rest go and
// the kerning fits, every kept pair as the engine gives it.
TEST_F(Finalize, OnlyWhatTheDesignerSetIsNeverDropped) {
    GSDocument &doc = startKernedFont("Keep", 2);
    GSFont &font = *doc.font();
    ZVfont &regular = engine().masters[0];
    const std::string id = masterId(doc, 0);
    // An independent pair, and a pair of no known frequency handed to autokerning.
    engine().set_value(pairOf("l", "T"), -44, id);
    regular.set_independent_pair(pairOf("l", "T"));
    ZVglyph_pair rare{65535, 65535};
    const auto glyphs = static_cast<std::uint16_t>(regular.glyphs.glyphs.size());
    for (std::uint16_t l = 0; l < glyphs && rare.first == 65535; ++l)
        for (std::uint16_t r = 0; r < glyphs && rare.first == 65535; ++r)
            if (regular.kernable({l, r}) &&
                regular.autopairs->find_pair({l, r}) == regular.autopairs->records.end())
                rare = {l, r};
    ASSERT_NE(rare.first, 65535) << "the test needs a pair of no known frequency";
    regular.set_required_text({rare.first, rare.second});
    regular.set_autos({rare});
    const std::vector<ZVglyph_pair> userSet = engine().get_user_set_autos(id);
    ASSERT_NE(std::find(userSet.begin(), userSet.end(), rare), userSet.end());

    const std::vector<ZVfinalmaster> computed = computeAll();
    ASSERT_EQ(computed.size(), 2u);
    const std::vector<ZVglyph_pair> models = engine().get_models(id);
    const std::vector<ZVglyph_pair> independents = engine().get_independents(id);
    const auto in = [](const std::vector<ZVglyph_pair> &v, ZVglyph_pair p) {
        return std::find(v.begin(), v.end(), p) != v.end();
    };
    std::size_t kept = 0, droppable = 0;
    for (const ZVkerningtarget &t : computed[0].targets) {
        const bool designer = in(models, t.pair) || in(independents, t.pair) || in(userSet, t.pair);
        EXPECT_EQ(t.never_dropped, designer);
        EXPECT_EQ(is_never_dropped(t), designer || t.frequency == ZV_COMPOSITES_FREQUENCY ||
                                           t.frequency == ZV_COMPOSITES_USER_FREQUENCY);
        (t.never_dropped ? kept : droppable) += 1;
    }
    EXPECT_GE(kept, models.size() + independents.size() + 1);
    EXPECT_GT(droppable, 100u);

    const ZVfinalwrite whole = writeFinalKerning(*p().zvdata(), computed, false, 0);
    const std::size_t limit = whole.masters[0].size / 2;
    const ZVfinalwrite half = writeFinalKerning(*p().zvdata(), computed, false, limit);
    const ZVfinalreport &r = half.masters[0];
    EXPECT_GT(r.dropped, 0u);
    EXPECT_FALSE(r.over_limit);
    EXPECT_LE(r.size, limit);
    const PLXlibNamespaceForZV::ZVglyphsinfo &info = engine().glyphsinfo;
    for (const ZVkerningtarget &t : computed[0].targets) {
        if (!t.never_dropped)
            continue;
        const GSGlyph *l = font.glyphForId(info._id_for_index[t.pair.first]);
        const GSGlyph *rg = font.glyphForId(info._id_for_index[t.pair.second]);
        EXPECT_EQ(effective(font, id, l, rg), t.value) << l->name() << " " << rg->name();
    }
}

// Flat or grouped, every pair of a finalized master comes out in the font as the kerning writer
// rounds the engine's record (0 where it writes nothing); an interpolated master's pairs are the
// weighted sums of its sources' values as the run left them.
TEST_F(Finalize, EveryKeptPairComesOutAsTheEngineRoundsIt) {
    for (const bool grouped : {false, true}) {
        SCOPED_TRACE(grouped ? "grouped" : "flat");
        GSDocument &doc = startKernedFont(grouped ? "Grouped" : "Flat", 3);
        GSFont &font = *doc.font();
        ZVfont &bold = engine().masters[1];
        bold.status = ZVfont::interpolated;
        bold.interpolation_sources = {{0.75, masterId(doc, 0)}, {0.25, masterId(doc, 2)}};
        const std::vector<ZVfinalmaster> computed = computeAll();
        ASSERT_EQ(computed.size(), 3u);
        const ZVfinalwrite written = writeFinalKerning(*p().zvdata(), computed, grouped, 0);
        EXPECT_EQ(written.right_side_groups + written.left_side_groups > 0, grouped)
            << written.right_side_groups << " " << written.left_side_groups;

        const PLXlibNamespaceForZV::ZVglyphsinfo &info = engine().glyphsinfo;
        std::size_t kerned = 0;
        for (std::size_t m : {0u, 2u}) {
            for (const std::vector<ZVsimplepair> &list : engine().masters[m].cache.lists)
                for (const ZVsimplepair &r : list) {
                    const GSGlyph *l = font.glyphForId(info._id_for_index[r.indices.first]);
                    const GSGlyph *rg = font.glyphForId(info._id_for_index[r.indices.second]);
                    const int want = ZVDataToGlyphs::writtenValue(r, font.unitsPerEm()).value_or(0);
                    kerned += want != 0;
                    ASSERT_EQ(effective(font, masterId(doc, m), l, rg), want)
                        << l->name() << " " << rg->name() << " in master " << m;
                }
        }
        EXPECT_GE(kerned, 40u);

        const double factor = bold.unit_factor();
        for (const char *pair : {"AV", "To", "VA", "Tv", "HO", "ov", "Vo"}) {
            SCOPED_TRACE(pair);
            const ZVglyph_pair p =
                pairOf(std::string(1, pair[0]).c_str(), std::string(1, pair[1]).c_str());
            ZVsimplepair r;
            r.indices = p;
            r.value =
                static_cast<float>(factor * (0.75 * engine().masters[0].get_value_unscaled(p) +
                                             0.25 * engine().masters[2].get_value_unscaled(p)));
            r.value_min = ZV_NO_LOWER_BOUND;
            r.value_max = ZV_NO_VALUE;
            const int want = bold.kernable(p)
                                 ? ZVDataToGlyphs::writtenValue(r, font.unitsPerEm()).value_or(0)
                                 : 0;
            EXPECT_EQ(effective(font, masterId(doc, 1), font.glyphForName({pair[0]}),
                                font.glyphForName({pair[1]})),
                      want);
        }
        closeFont(doc);
    }
}

// With groups rebuilt, a master whose grouped kerning would not be smaller than flat is written
// flat, and the report says so.
TEST_F(Finalize, AMasterThatGroupsDoNotShrinkIsWrittenFlat) {
    startKernedFont("Flat", 2);
    const ZVfinalwrite written = writeFinalKerning(*p().zvdata(), computeAll(), true, 0);
    ASSERT_EQ(written.masters.size(), 2u);
    std::size_t flat = 0;
    for (const ZVfinalreport &r : written.masters) {
        SCOPED_TRACE(r.name);
        if (r.written_flat) {
            ++flat;
            EXPECT_EQ(r.class_pairs, 0u);
            EXPECT_EQ(r.size, r.flat_size);
        } else {
            EXPECT_LT(r.size, r.flat_size);
        }
    }
    // The demo font's few kerned glyphs gain nothing from groups.
    EXPECT_GT(flat, 0u);
    EXPECT_NE(describeFinalWrite(written).find("; written flat, the groups would not make it "
                                               "smaller\n"),
              std::string::npos);
}

// The finalisation writes a master's kerning whole: the pairs the engine has a target for get its
// value; the font's other pairs keep theirs, flat as they were, and under rebuilt groups within the
// tolerance of what they were (left to a class pair that gives them that much), with the entries
// that name no glyph of the font; the report counts them.
TEST_F(Finalize, TheFontsOwnPairsStayInTheFinalKerning) {
    for (const bool grouped : {false, true}) {
        SCOPED_TRACE(grouped ? "grouped" : "flat");
        GSDocument &doc = startKernedFont(grouped ? "OwnGrouped" : "OwnFlat", 2);
        GSFont &font = *doc.font();
        const std::vector<ZVfinalmaster> computed = computeAll();
        ASSERT_EQ(computed.size(), 2u);
        const PLXlibNamespaceForZV::ZVglyphsinfo &info = engine().glyphsinfo;
        // Pairs the engine has no target for, with values of the font's own, in both masters.
        std::set<ZVglyph_pair> targeted;
        for (const ZVkerningtarget &t : computed[0].targets)
            targeted.insert(t.pair);
        std::map<ZVglyph_pair, int> own;
        const auto glyphs = static_cast<std::uint16_t>(info.size());
        for (std::uint16_t l = 0; l < glyphs && own.size() < 40; ++l)
            for (std::uint16_t r = 0; r < glyphs && own.size() < 40; ++r)
                if (!targeted.count({l, r}) && (l * 7 + r) % 5 == 0)
                    own[{l, r}] = -10 - 3 * static_cast<int>(own.size());
        ASSERT_EQ(own.size(), 40u);
        for (std::size_t m = 0; m < 2; ++m) {
            for (const auto &[pair, value] : own)
                font.setKerningForFontMasterID(masterId(doc, m), info._id_for_index[pair.first],
                                               info._id_for_index[pair.second], value, 0);
            font.setKerningForFontMasterID(masterId(doc, m), "id-gone", "id-H", -5, 0);
        }
        settle();
        const ZVfinalwrite written = writeFinalKerning(*p().zvdata(), computed, grouped, 0);
        const double tolerance = grouping_tolerance(font.unitsPerEm());
        for (std::size_t m = 0; m < 2; ++m) {
            SCOPED_TRACE(m);
            const ZVfinalreport &r = written.masters[m];
            EXPECT_EQ(r.font_pairs.kept + r.font_pairs.removed, own.size() + 1);
            if (!grouped || r.written_flat) {
                EXPECT_EQ(r.font_pairs.removed, 0u);
            }
            for (const auto &[pair, value] : own) {
                const double got = effective(font, masterId(doc, m),
                                             font.glyphForId(info._id_for_index[pair.first]),
                                             font.glyphForId(info._id_for_index[pair.second]));
                if (!grouped || r.written_flat) {
                    EXPECT_EQ(got, value);
                } else {
                    EXPECT_LE(std::abs(got - value), tolerance);
                }
            }
            EXPECT_EQ(font.kerningForFontMasterIDLeftKey(masterId(doc, m), "id-gone", "id-H", 0),
                      -5);
            for (const ZVkerningtarget &t : computed[m].targets)
                ASSERT_EQ(effective(font, masterId(doc, m),
                                    font.glyphForId(info._id_for_index[t.pair.first]),
                                    font.glyphForId(info._id_for_index[t.pair.second])),
                          t.value);
        }
        // The current master's live writes put the engine's pairs into the font: replaced now.
        EXPECT_GT(written.masters[0].font_pairs.replaced, 0u);
        EXPECT_NE(describeFinalWrite(written).find("Regular: of its kerning before, "),
                  std::string::npos);
        closeFont(doc);
    }
}

// A finalized font opened again: the first refresh writes the engine's pairs and keeps its class
// kerning and every entry the engine has no value for, also one the designer added meanwhile.
TEST_F(Finalize, ReopenedAfterFinalizingTheFontKeepsItsKerning) {
    GSDocument &doc = startKernedFont("Again", 2);
    GSFont &font = *doc.font();
    finalizeWindow([](ZVFinalizeWindowController &w) {
        gesture::click(*w.zelvarButton);
        ASSERT_TRUE(NSRunLoop::mainRunLoop().runUntil([&] { return !w.isRunning(); },
                                                      std::chrono::seconds(120)));
    });
    ASSERT_FALSE(p().window()->isVisible());
    ASSERT_FALSE(p().zvdata());
    // Class kerning as a finalisation leaves it, and the designer's own pairs, added while the
    // window is closed: one the engine kerns (A V), one it does not (dollar dollar).
    const std::string regular = masterId(doc, 0);
    font.glyphForName("H")->setRightKerningGroup("H");
    font.glyphForName("I")->setRightKerningGroup("H");
    font.glyphForName("period")->setLeftKerningGroup("period");
    font.glyphForName("comma")->setLeftKerningGroup("period");
    font.setKerningForFontMasterID(regular, "@MMK_L_H", "@MMK_R_period", -12, 0);
    font.setKerningForFontMasterID(regular, font.glyphForName("A")->id(),
                                   font.glyphForName("V")->id(), -333, 0);
    font.setKerningForFontMasterID(regular, font.glyphForName("dollar")->id(),
                                   font.glyphForName("dollar")->id(), -7, 0);
    const auto before = effectiveKerning(font, regular);

    openDialog();
    settle();
    ASSERT_TRUE(p().zvdata());
    ASSERT_TRUE(p().engineReady());
    ASSERT_EQ(window(doc).selectedFontMaster()->id(), regular);
    p().zvfontToGlyphsAndDialog();
    settle();
    EXPECT_EQ(font.kerningForFontMasterIDLeftKey(regular, "@MMK_L_H", "@MMK_R_period", 0), -12);
    const auto after = effectiveKerning(font, regular);
    ZVfont &engineRegular = engine().masters[0];
    const PLXlibNamespaceForZV::ZVglyphsinfo &info = engine().glyphsinfo;
    std::size_t held = 0, kept = 0;
    for (const auto &[names, value] : before) {
        const ZVglyph_pair pair{info.index_for_id(font.glyphForName(names.first)->id()),
                                info.index_for_id(font.glyphForName(names.second)->id())};
        const ZVsimplepair *r = engineRegular.cache.find(pair);
        const auto it = after.find(names);
        if (r) {
            ++held;
            const std::optional<int> v = ZVDataToGlyphs::writtenValue(*r, font.unitsPerEm());
            if (v) {
                EXPECT_TRUE(it != after.end() && it->second == *v)
                    << names.first << " " << names.second;
            }
        } else {
            ++kept;
            EXPECT_TRUE(it != after.end() && it->second == value)
                << names.first << " " << names.second;
        }
    }
    EXPECT_GT(held, 0u);
    EXPECT_GT(kept, 100u);
    EXPECT_EQ(hostKerning(doc, "dollar", "dollar"), -7);
    ASSERT_TRUE(engineRegular.cache.find(pairOf("A", "V")));
    EXPECT_EQ(
        hostKerning(doc, "A", "V"),
        ZVDataToGlyphs::writtenValue(*engineRegular.cache.find(pairOf("A", "V")), font.unitsPerEm())
            .value());
}

// A limit below what the models alone take still writes every model, and says so.
// A computed pair kerned by an em or more is never written, flat or grouped: the report counts
// and names it per master.
TEST_F(Finalize, KerningOfAnEmOrMoreIsLeftOutAndReported) {
    for (const bool grouped : {false, true}) {
        SCOPED_TRACE(grouped ? "grouped" : "flat");
        GSDocument &doc = startKernedFont(grouped ? "EmGrouped" : "EmFlat", 2);
        GSFont &font = *doc.font();
        std::vector<ZVfinalmaster> computed = computeAll();
        ASSERT_EQ(computed.size(), 2u);
        ZVkerningtarget far;
        far.pair = pairOf("o", "l");
        far.value = static_cast<std::int32_t>(font.unitsPerEm()) + 300;
        far.frequency = 1000;
        far.never_dropped = true; // even a model
        auto &targets = computed[1].targets;
        targets.erase(std::remove_if(targets.begin(), targets.end(),
                                     [&](const ZVkerningtarget &t) { return t.pair == far.pair; }),
                      targets.end());
        targets.insert(std::lower_bound(targets.begin(), targets.end(), far,
                                        [](const ZVkerningtarget &a, const ZVkerningtarget &b) {
                                            return a.pair < b.pair;
                                        }),
                       far);
        const ZVfinalwrite written = writeFinalKerning(*p().zvdata(), computed, grouped, 0);
        ASSERT_EQ(written.masters.size(), 2u);
        EXPECT_EQ(written.masters[0].beyond_em, 0u);
        EXPECT_EQ(written.masters[1].beyond_em, 1u);
        EXPECT_EQ(written.masters[1].beyond_em_named, std::vector<std::string>{"o/l"});
        EXPECT_EQ(font.kerningForFontMasterIDFirstGlyph(masterId(doc, 1), font.glyphForName("o"),
                                                        font.glyphForName("l"), 0),
                  GSNoKerningValue);
        EXPECT_NE(describeFinalWrite(written).find(
                      "  1 pair kerned by an em or more left unkerned (o/l)\n"),
                  std::string::npos)
            << describeFinalWrite(written);
        closeFont(doc);
    }
}

TEST_F(Finalize, ALimitBelowTheModelsWritesThemAllAndReportsTheMiss) {
    GSDocument &doc = startKernedFont("Tight", 2);
    std::vector<std::vector<ZVglyph_pair>> models;
    for (const ZVfont &m : engine().masters)
        models.push_back(engine().get_models(m.name));
    const PLXlibNamespaceForZV::ZVglyphsinfo info = engine().glyphsinfo;
    NSAlertScript::expect("Some masters need your attention.", "OK");
    finalizeWindow([](ZVFinalizeWindowController &w) {
        gesture::click(*w.kerningSizeTextField);
        gesture::typeText(*w.kerningSizeTextField, "0.001");
        gesture::click(*w.zelvarButton);
    });
    ASSERT_EQ(NSAlertScript::log().size(), 1u);
    EXPECT_NE(NSAlertScript::log()[0].informative.find("more than the limit of 0.001 kB"),
              std::string::npos)
        << NSAlertScript::log()[0].informative;
    const GSFont &font = *doc.font();
    for (std::size_t m = 0; m < models.size(); ++m) {
        ASSERT_FALSE(models[m].empty());
        for (const ZVglyph_pair &pair : models[m])
            EXPECT_NE(font.kerningForFontMasterIDFirstGlyph(
                          masterId(doc, m), font.glyphForId(info._id_for_index[pair.first]),
                          font.glyphForId(info._id_for_index[pair.second]), 0),
                      GSNoKerningValue);
    }
    const PlistValue *limit = font.userDataForKey(zvuserdata::kKerningWeightLimit);
    ASSERT_TRUE(limit);
    EXPECT_EQ(zvuserdata::integerValue(*limit), 1);
}

// The window as it opens, while a run computes, and after the designer stopped it: nothing is
// written, and the window is back where it started.
TEST_F(Finalize, StoppingWritesNothing) {
    GSDocument &doc = startKernedFont("Stop", 3);
    GSFont &font = *doc.font();
    std::vector<std::map<std::pair<std::string, std::string>, double>> before;
    for (std::size_t m = 0; m < 3; ++m)
        before.push_back(effectiveKerning(font, masterId(doc, m)));
    finalizeWindow([&](ZVFinalizeWindowController &w) {
        EXPECT_TRUE(matchesGolden(describe(*w.window()), "plugin/golden/finalize-open.txt"));
        gesture::click(*w.zelvarButton);
        EXPECT_TRUE(w.isRunning());
        EXPECT_FALSE(p().engineReady());
        EXPECT_TRUE(matchesGolden(describe(*w.window()), "plugin/golden/finalize-running.txt"));
        gesture::click(*w.abortButton);
        ASSERT_TRUE(NSRunLoop::mainRunLoop().runUntil([&] { return !w.isRunning(); },
                                                      std::chrono::seconds(60)));
        EXPECT_TRUE(w.wasAborted());
        EXPECT_TRUE(matchesGolden(describe(*w.window()), "plugin/golden/finalize-stopped.txt"));
        gesture::click(*w.cancelButton);
    });
    EXPECT_FALSE(p().finalizeWindowController);
    EXPECT_TRUE(p().window()->isVisible());
    EXPECT_TRUE(p().engineReady());
    for (std::size_t m = 1; m < 3; ++m)
        EXPECT_EQ(effectiveKerning(font, masterId(doc, m)), before[m]) << "master " << m;
    EXPECT_FALSE(font.userDataForKey(zvuserdata::kKerningWeightLimit));
    EXPECT_EQ(NSSound::played(), 0u);
    // The current master shows the engine's kerning as it now is.
    const ZVfont &regular = engine().masters[0];
    const PLXlibNamespaceForZV::ZVglyphsinfo &info = engine().glyphsinfo;
    for (const std::vector<ZVsimplepair> &list : regular.cache.lists)
        for (const ZVsimplepair &r : list)
            if (const std::optional<int> v = ZVDataToGlyphs::writtenValue(r, font.unitsPerEm())) {
                EXPECT_EQ(font.kerningForFontMasterIDFirstGlyph(
                              masterId(doc, 0),
                              font.glyphForId(info._id_for_index[r.indices.first]),
                              font.glyphForId(info._id_for_index[r.indices.second]), 0),
                          *v);
            }
}

// A completed run writes every master at once, groups included, stores the limit, plays the
// sound, closes the window and the dialog; the regenerate choice is not stored.
TEST_F(Finalize, ACompletedRunWritesSoundsAndCloses) {
    GSDocument &doc = startKernedFont("Done", 3);
    GSFont &font = *doc.font();
    double maxSeen = -1;
    finalizeWindow([&](ZVFinalizeWindowController &w) {
        gesture::click(*w.kerningSizeTextField);
        gesture::typeText(*w.kerningSizeTextField, "2.5");
        gesture::click(*w.zelvarButton);
        EXPECT_EQ(w.progressBar->maxValue, 4);
        EXPECT_EQ(w.progressBar->doubleValue(), 0);
        maxSeen = w.progressBar->maxValue;
    });
    EXPECT_EQ(maxSeen, 4);
    EXPECT_FALSE(p().finalizeWindowController);
    EXPECT_FALSE(p().window()->isVisible());
    EXPECT_EQ(NSSound::played(), 1u);
    EXPECT_TRUE(NSAlertScript::log().empty());
    const PlistValue *limit = font.userDataForKey(zvuserdata::kKerningWeightLimit);
    ASSERT_TRUE(limit);
    EXPECT_EQ(zvuserdata::integerValue(*limit), 2500);
    EXPECT_FALSE(font.userDataForKey(zvuserdata::kRegenerateGroups));
    std::size_t grouped = 0;
    for (const GSGlyph *g : font.glyphs())
        grouped += g->rightKerningGroup().has_value() + g->leftKerningGroup().has_value();
    EXPECT_GT(grouped, 0u);
    for (std::size_t m = 0; m < 3; ++m)
        EXPECT_FALSE(effectiveKerning(font, masterId(doc, m)).empty());
}

// The window's settings: both options on when nothing is stored, a stored limit in kB, the sound
// choice kept for every font, the regenerate choice for this run only, and cancel keeps the dialog.
TEST_F(Finalize, WindowSettings) {
    GSDocument &first = startFont(demoFont("First"));
    finalizeWindow([](ZVFinalizeWindowController &w) {
        EXPECT_EQ(w.playSoundCheckbox->state, NSControlStateValueOn);
        EXPECT_EQ(w.regenerateGroupsCheckbox->state, NSControlStateValueOn);
        EXPECT_EQ(w.kerningSizeTextField->stringValue(), "");
        EXPECT_EQ(w.options(),
                  (std::map<std::string, bool>{{"beep", true}, {"regenerateGroups", true}}));
        gesture::click(*w.playSoundCheckbox);
        gesture::click(*w.regenerateGroupsCheckbox);
        EXPECT_EQ(w.options(),
                  (std::map<std::string, bool>{{"beep", false}, {"regenerateGroups", false}}));
        gesture::click(*w.cancelButton);
    });
    EXPECT_TRUE(p().window()->isVisible());
    EXPECT_FALSE(p().finalizeWindowController);
    EXPECT_FALSE(first.font()->userDataForKey(zvuserdata::kRegenerateGroups));
    closeFont(first);

    GSDocument &second = startFont(demoFont("Second"));
    second.font()->setUserData(PlistValue(std::int64_t{1500}), zvuserdata::kKerningWeightLimit);
    second.font()->setUserData(PlistValue(false), zvuserdata::kRegenerateGroups);
    finalizeWindow([](ZVFinalizeWindowController &w) {
        EXPECT_EQ(w.playSoundCheckbox->state, NSControlStateValueOff);
        EXPECT_EQ(w.regenerateGroupsCheckbox->state, NSControlStateValueOff);
        EXPECT_EQ(w.kerningSizeTextField->stringValue(), "1.5");
        gesture::closeWindow(*w.window());
    });
    EXPECT_TRUE(p().window()->isVisible());
}

// A limit the run cannot read refuses the run with a word in the window and leaves the stored
// limit; an empty field still means no limit.
TEST_F(Finalize, ALimitThatIsNotANumberRefusesTheRun) {
    GSDocument &doc = startKernedFont("Limit", 2);
    GSFont &font = *doc.font();
    font.setUserData(PlistValue(std::int64_t{1500}), zvuserdata::kKerningWeightLimit);
    const auto before = effectiveKerning(font, masterId(doc, 1));
    finalizeWindow([&](ZVFinalizeWindowController &w) {
        for (const char *text : {"1,5", "50 kB", "-2"}) {
            SCOPED_TRACE(text);
            gesture::click(*w.kerningSizeTextField);
            gesture::typeText(*w.kerningSizeTextField, text);
            gesture::click(*w.zelvarButton);
            EXPECT_FALSE(w.isRunning());
            EXPECT_EQ(w.progressLabel->stringValue(),
                      std::string("The kerning size limit \"") + text +
                          "\" is not a number of kB: type one such as 1.5, or leave the field "
                          "empty for no limit.");
            EXPECT_TRUE(w.zelvarButton->isEnabled());
        }
        EXPECT_EQ(zvuserdata::integerValue(*font.userDataForKey(zvuserdata::kKerningWeightLimit)),
                  1500);
        EXPECT_EQ(effectiveKerning(font, masterId(doc, 1)), before);
        gesture::click(*w.kerningSizeTextField);
        gesture::typeText(*w.kerningSizeTextField, "");
        gesture::click(*w.zelvarButton);
        ASSERT_TRUE(NSRunLoop::mainRunLoop().runUntil([&] { return !w.isRunning(); },
                                                      std::chrono::seconds(120)));
        ASSERT_TRUE(w.confirmed_by_user());
        for (const ZVfinalreport &r : w.lastWrite().masters)
            EXPECT_EQ(r.limit, 0u);
    });
    EXPECT_FALSE(font.userDataForKey(zvuserdata::kKerningWeightLimit));
}

TEST(FinalizeWindow, TheLimitFieldReadsKilobytesOrNothing) {
    const std::pair<const char *, std::optional<double>> cases[] = {{"", 0.0},
                                                                    {"   ", 0.0},
                                                                    {"0", 0.0},
                                                                    {"1.5", 1.5},
                                                                    {" 2 ", 2.0},
                                                                    {"1,5", std::nullopt},
                                                                    {"50 kB", std::nullopt},
                                                                    {"-2", std::nullopt},
                                                                    {"kB", std::nullopt}};
    for (const auto &[text, kb] : cases)
        EXPECT_EQ(ZVFinalizeWindowController::limitInKilobytes(text), kb) << '"' << text << '"';
}

TEST(FinalizeWindow, StoredLimitsShowAsKilobytes) {
    const std::pair<std::int64_t, const char *> cases[] = {
        {1500, "1.5"}, {100000, "100"}, {1234567, "1234.567"},
        {1, "0.001"},  {0, "0"},        {2999, "2.999"}};
    for (const auto &[bytes, text] : cases)
        EXPECT_EQ(ZVFinalizeWindowController::kilobytesText(bytes), text) << bytes;
}

} // namespace
