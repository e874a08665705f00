// The bridge end to end: the sample family through the engine build, fonts with every kind of
// master, another open font as autokerning source, re-kerning from stored models, and edits in
// the host reaching the engine.
#include "bridge_fixture.h"
#include "host/GSFontJSON.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace PLXlibNamespaceForZV;
using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

GSDocument &openSample() {
    std::string error;
    GSDocument *doc = GSApplication::sharedApplication().openDocumentWithContentsOfFile(
        std::string(ZV_SAMPLES_DIR) + "/Lato.json", &error);
    if (!doc)
        throw std::runtime_error(error);
    return *doc;
}

std::string nameOf(const ZVDataFromGlyphs &b, std::uint16_t g) {
    return b.get_zvfont()->glyphsinfo._glyph_name_for_index[g];
}

// The engine's model values of a master (engine units) by glyph-name pair.
std::map<std::pair<std::string, std::string>, float> modelValues(const ZVDataFromGlyphs &b,
                                                                 const ZVfont &m) {
    std::map<std::pair<std::string, std::string>, float> out;
    for (const ZVsourcepair &p : m.models.pairs)
        out[{nameOf(b, p.indices.first), nameOf(b, p.indices.second)}] = p.value;
    return out;
}

} // namespace

TEST(BridgeScenario, TheSampleFamilyThroughTheEngineBuild) {
    ClosesDocuments closing;
    GSDocument &doc = openSample();
    GSFont &font = *doc.font();
    auto bridge = bind(doc);
    ASSERT_EQ(bridge->inspectGSFont(), std::nullopt);
    EXPECT_TRUE(bridge->font_is_untouched());
    bridge->initZVfont();
    ZVfontMM &mm = *bridge->get_zvfont();
    ASSERT_EQ(mm.masters.size(), 3u);
    for (const ZVfont &m : mm.masters)
        EXPECT_EQ(m.status, ZVfont::untouched) << m.name;
    EXPECT_TRUE(bridge->is_pre_kerned());
    EXPECT_TRUE(bridge->emptiedOutlines().empty());

    // The existing kerning as the re-work road read it (frequent pairs without substitutions),
    // and more: the pairs the substitutions make frequent.
    ZVfontMM plain;
    ZVDataFromGlyphs tableOnly(&font);
    tableOnly.initGlyphsinfo();
    plain.glyphsinfo = tableOnly.get_zvfont()->glyphsinfo;
    plain.load_pair_frequencies((std::string(ZV_RESOURCES_DIR) + "/pair_frequencies.txt").c_str());
    const std::vector<GSGlyph *> glyphs = font.glyphs();
    for (std::size_t k = 0; k < 3; ++k) {
        const GSFontMaster *master = font.fontMasters()[k];
        std::size_t read = 0;
        for (const auto &[p, f] : plain.get_expanded_pairs()) {
            const double v = font.kerningForFontMasterIDFirstGlyph(master->id(), glyphs[p.first],
                                                                   glyphs[p.second], 0);
            if (v > 1e6)
                continue;
            ++read;
            const auto it = mm.masters[k].existing_pairs.find(p);
            ASSERT_NE(it, mm.masters[k].existing_pairs.end());
            EXPECT_EQ(it->second, static_cast<float>(v));
        }
        EXPECT_GT(mm.masters[k].existing_pairs.size(), read);
    }

    // Figure styles, superiors and fractions, ligatures.
    const auto flags = [&](const char *n) {
        return mm.glyphsinfo._category_for_index[bridge->zvIndexForGlyphName(n)].flags;
    };
    const auto category = [&](const char *n) {
        return mm.glyphsinfo._category_for_index[bridge->zvIndexForGlyphName(n)].category;
    };
    EXPECT_EQ(flags("one"), ZV_HAS_UNICODE | ZV_REACHABLE_SUBSTITUTE | ZV_ONUM_SOURCE |
                                ZV_PNUM_SOURCE | ZV_LNUM_SUBSTITUTE | ZV_TNUM_SUBSTITUTE);
    EXPECT_EQ(flags("one.osf"), ZV_REACHABLE_SUBSTITUTE | ZV_ONUM_SUBSTITUTE | ZV_LNUM_SOURCE |
                                    ZV_PNUM_SOURCE | ZV_TNUM_SUBSTITUTE);
    EXPECT_EQ(flags("one.pf"), ZV_REACHABLE_SUBSTITUTE | ZV_ONUM_SOURCE);
    for (const char *n : {"n.numr", "n.dnom", "A.sups", "a.ordn"})
        EXPECT_EQ(category(n), ZV_OTHER_LETTER) << n;
    EXPECT_EQ(category("one.dnom"), ZV_OTHER); // not a letter: stays
    const ZVfeature *liga = nullptr;
    for (const ZVfeature &f : mm.features.features)
        if (f.tag == "liga")
            liga = &f;
    ASSERT_NE(liga, nullptr);
    const std::uint16_t f = bridge->zvIndexForGlyphName("f"), t = bridge->zvIndexForGlyphName("t"),
                        ft = bridge->zvIndexForGlyphName("f_t");
    auto holds = [](const std::vector<ZVsinglesub> &v, std::uint16_t s, std::uint16_t d) {
        return std::any_of(v.begin(), v.end(), [&](const ZVsinglesub &x) {
            return x.source == s && x.substitute == d;
        });
    };
    EXPECT_TRUE(holds(liga->left_substitutions, t, ft));
    EXPECT_TRUE(holds(liga->right_substitutions, f, ft));
    std::size_t before = 0, after = 0;
    for (const auto &[p, frequency] : mm.get_expanded_pairs()) {
        before += p.second == ft;
        after += p.first == ft;
    }
    EXPECT_GT(before, 10u);
    EXPECT_GT(after, 10u);
}

TEST(BridgeScenario, AFontWithEveryKindOfMaster) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Light", 500, 700, {100})
        .master("Regular", 500, 700, {400})
        .master("Bold", 500, 700, {700})
        .master("Linked", 500, 700, {400});
    addDemoGlyphs(b);
    // o was called "round" when the models were stored.
    b.font().glyphForName("o")->setUserData(PlistValue("round"), "ZelvarName");
    b.font().ensureKerning();
    b.masterUserData(0, "ZelvarModels",
                     pairList({"n n", "round round", "H H", "n round", "round n", "l l", "H O",
                               "O H", "T round", "V round", "round v"}));
    b.masterUserData(0, "ZelvarIndependentPairs", pairList({"A V"}));
    const std::pair<const char *, double> kerning[] = {
        {"o o", -12}, {"n o", -6},  {"o n", -6},  {"l l", 8},   {"H O", -8},
        {"O H", -8},  {"T o", -90}, {"V o", -60}, {"o v", -16}, {"A V", -100}};
    for (const auto &[pair, value] : kerning) {
        const std::string p = pair;
        b.kern(p.substr(0, p.find(' ')), p.substr(p.find(' ') + 1), value, 0);
    }
    b.masterUserData(1, "ZelvarIsInterpolated", PlistValue(1));
    b.masterUserData(2, "ZelvarAutokernedFrom", pairList({"", "Light"}));
    b.masterUserData(2, "ZelvarIndependentPairs", pairList({"T o"}));
    b.kern("T", "o", -70, 2);
    b.masterParameter(3, "Link Metrics With First Master", PlistValue(1));
    GSDocument &doc = b.open();
    auto bridge = built(doc);
    ZVfontMM &mm = *bridge->get_zvfont();
    ASSERT_EQ(mm.masters.size(), 4u);
    EXPECT_EQ(mm.masters[0].status, ZVfont::self_kerned);
    EXPECT_EQ(mm.masters[1].status, ZVfont::interpolated);
    EXPECT_EQ(mm.masters[2].status, ZVfont::autokerned_from_other);
    EXPECT_EQ(mm.masters[3].status, ZVfont::linked_metrics);

    // The stored names find o; the models carry the host's values in engine units (x-height 500
    // is 225 engine units).
    const auto models = modelValues(*bridge, mm.masters[0]);
    EXPECT_EQ(models.size(), 11u);
    EXPECT_FLOAT_EQ(models.at({"T", "o"}), -90 * 0.45f);
    EXPECT_FLOAT_EQ(models.at({"o", "o"}), -12 * 0.45f);
    EXPECT_EQ(mm.masters[0].independents.size(), 1u);
    EXPECT_EQ(mm.masters[0].independents[0].value, -100);
    EXPECT_EQ(mm.masters[1].interpolation_sources,
              (std::vector<std::pair<double, std::string>>{{0.5, "m0"}, {0.5, "m2"}}));
    ASSERT_EQ(mm.masters[2].independents.size(), 1u);
    EXPECT_EQ(mm.masters[2].independents[0].value, -70);

    // After the build the autokerned master takes over Light's engine.
    bridge->initAutokernedFrom();
    const ZVfont &bold = mm.masters[2];
    EXPECT_EQ(bold.status, ZVfont::engine_taken_over);
    std::set<std::pair<std::string, std::string>> taken;
    for (const ZVglyph_pair &p : bold.taken_over_modelpairs)
        taken.insert({nameOf(*bridge, p.first), nameOf(*bridge, p.second)});
    EXPECT_TRUE(taken.count({"T", "o"}));
    EXPECT_EQ(taken.size(), bold.taken_over_modelpairs.size());
    EXPECT_GE(taken.size(), 5u);
    EXPECT_EQ(doc.font()->fontMasters()[2]->userDataForKey("ZelvarModels"), nullptr);
}

TEST(BridgeScenario, AnotherOpenDocumentLendsItsEngine) {
    ClosesDocuments closing;
    auto sourceFont = [](bool usable) {
        GSFontBuilder b("Family Light");
        b.master("Light");
        addDemoGlyphs(b);
        b.font().ensureKerning();
        b.masterUserData(0, "ZelvarModels", pairList({"n n", "o o", "H H", "T o", "V o"}));
        b.kern("T", "o", -90);
        b.kern("V", "o", -60);
        if (!usable)
            b.font().setFeatureCodeCompiles(false);
        return b;
    };
    auto targetFont = [] {
        GSFontBuilder b("Family Bold");
        b.master("Bold");
        addDemoGlyphs(b);
        b.font().ensureKerning();
        b.masterUserData(0, "ZelvarAutokernedFrom", pairList({"Family Light", "Light"}));
        return b;
    };
    GSApplication &app = GSApplication::sharedApplication();
    struct Step {
        const char *what;
        bool sourceOpen, sourceUsable;
        bool lends;
        bool waits; // a closed source is waited for; an open one that cannot lend is not
    } steps[] = {
        {"open", true, true, true, false},
        {"closed", false, true, false, true},
        {"refused", true, false, false, false},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        if (s.sourceOpen)
            sourceFont(s.sourceUsable).open("Family Light");
        GSDocument &doc = targetFont().open("Family Bold");
        auto bridge = built(doc);
        bridge->initAutokernedFrom();
        const ZVfont &bold = bridge->get_zvfont()->masters[0];
        EXPECT_EQ(bold.status, s.lends || s.waits ? ZVfont::engine_taken_over : ZVfont::kerned);
        EXPECT_EQ(bold.taken_over_modelpairs.size() >= 4, s.lends);
        // The mark stays while the engine is lent, or while the master waits for its source to
        // open; a source open but refused is said and forgotten.
        EXPECT_EQ(doc.font()->fontMasters()[0]->userDataForKey("ZelvarAutokernedFrom") != nullptr,
                  s.lends || s.waits);
        EXPECT_EQ(bridge->masterNotices().size(), s.lends || s.waits ? 0u : 1u);
        app.closeAllDocuments();
    }
}

TEST(BridgeScenario, ReKerningTheSampleFromAFewModels) {
    ClosesDocuments closing;
    GSDocument &doc = openSample();
    GSFont &font = *doc.font();
    // Each master keeps ten pairs at zero and sixty of its kerned pairs of basic Latin letters,
    // stored as its models.
    const char *const zeros[][2] = {{"n", "n"}, {"o", "o"}, {"H", "H"}, {"n", "o"}, {"o", "n"},
                                    {"l", "l"}, {"i", "i"}, {"m", "n"}, {"u", "n"}, {"H", "O"}};
    std::map<std::string, std::map<std::pair<std::string, std::string>, double>> kept;
    const auto letter = [](const GSGlyph *g) {
        const std::uint32_t u = g ? g->unicodeChar() : 0;
        return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
    };
    for (const GSFontMaster *m : font.fontMasters()) {
        auto &pairs = kept[m->id()];
        for (const auto &[l, r] : zeros)
            pairs[{l, r}] = 0;
        for (const auto &[left, row] : *font.masterKerning(m->id(), 0)) {
            const GSGlyph *l = font.glyphForId(left);
            for (const auto &[right, value] : row) {
                const GSGlyph *r = font.glyphForId(right);
                if (pairs.size() < 70 && letter(l) && letter(r) && value != 0)
                    pairs.emplace(std::make_pair(l->name(), r->name()), value);
            }
        }
        ASSERT_EQ(pairs.size(), 70u);
    }
    GSKerningDictionary &kerning = *font.kerningDictionary();
    kerning.removeAllObjects();
    for (GSFontMaster *m : font.fontMasters()) {
        PlistArray models;
        for (const auto &[p, value] : kept[m->id()]) {
            models.emplace_back(p.first + " " + p.second);
            font.setKerningForFontMasterID(m->id(), font.glyphForName(p.first)->id(),
                                           font.glyphForName(p.second)->id(), value, 0);
        }
        m->setUserData(PlistValue(models), "ZelvarModels");
    }
    auto bridge = built(doc);
    EXPECT_FALSE(bridge->font_is_untouched());
    const ZVfontMM &mm = *bridge->get_zvfont();
    for (std::size_t k = 0; k < 3; ++k) {
        const GSFontMaster *m = font.fontMasters()[k];
        SCOPED_TRACE(m->name());
        EXPECT_EQ(mm.masters[k].status, ZVfont::self_kerned);
        const double scale = 225.0 / m->xHeightValue();
        const auto models = modelValues(*bridge, mm.masters[k]);
        ASSERT_EQ(models.size(), 70u);
        for (const auto &[p, value] : kept[m->id()])
            EXPECT_FLOAT_EQ(models.at(p), static_cast<float>(value * scale))
                << p.first << " " << p.second;
    }
}

TEST(BridgeScenario, HostEditsReachTheEngine) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Regular");
    addDemoGlyphs(b);
    b.glyph("nn").component("n").component("n", 560, 0);
    b.glyph("nnnn").component("nn").component("nn", 1120, 0); // draws n only through nn
    b.font().ensureKerning();
    b.masterUserData(0, "ZelvarModels",
                     pairList({"n n", "o o", "H H", "n o", "o n", "l l", "H O", "O H", "T o"}));
    b.masterUserData(0, "ZelvarIndependentPairs", pairList({"V o"}));
    b.kern("T", "o", -90);
    b.kern("V", "o", -60);
    b.kern("o", "o", -12);
    GSDocument &doc = b.open().textTool().tab("To").cursor(1);
    auto bridge = built(doc);
    ZVfontMM &mm = *bridge->get_zvfont();
    mm.initial_processing("m0", {});
    GSFont &font = *doc.font();

    // The designer changes the model under the cursor in the host.
    bridge->getUiState();
    ASSERT_EQ(bridge->currentPairs()->size(), 1u);
    const ZVglyph_pair to = bridge->currentPairs()->front();
    font.setKerningForFontMasterID("m0", "id-T", "id-o", -75, 0);
    const ZVsimplepair model = mm.get_pair(to, "");
    EXPECT_TRUE(bridge->updateValueFromGlyphsToZV(&model));
    EXPECT_EQ(mm.get_pair(to, "").value, -75);
    EXPECT_EQ(mm.get_pair(to, "").properties.kind(), ZV_MODEL);

    // ...and deletes the independent pair: it is autokerned again.
    const ZVglyph_pair vo{bridge->zvIndexForGlyphName("V"), bridge->zvIndexForGlyphName("o")};
    const ZVsimplepair independent = mm.get_pair(vo, "");
    ASSERT_EQ(independent.properties.kind(), ZV_INDEPENDENT);
    font.kerningDictionary()->removeValue("m0", "id-V", "id-o");
    EXPECT_TRUE(bridge->updateValueFromGlyphsToZV(&independent));
    EXPECT_NE(mm.get_pair(vo, "").properties.kind(), ZV_INDEPENDENT);

    // An outline edit of n is measured anew in n and in the composites drawn from it, nested
    // ones too.
    auto profiles = [&] {
        std::vector<std::vector<double>> out;
        for (const char *g : {"n", "nn", "nnnn", "o"})
            out.push_back(mm.masters[0].glyphs.glyphs[bridge->zvIndexForGlyphName(g)].left.depths);
        return out;
    };
    const auto before = profiles();
    GSLayer *n = font.glyphForName("n")->layers()[0];
    for (const auto &shape : n->allShapes())
        shape->moveBy(30, 0);
    bridge->updateZvfontWithModifiedLayer(n);
    const auto after = profiles();
    EXPECT_NE(after[0], before[0]);
    EXPECT_NE(after[1], before[1]);
    EXPECT_NE(after[2], before[2]);
    EXPECT_EQ(after[3], before[3]);
}
