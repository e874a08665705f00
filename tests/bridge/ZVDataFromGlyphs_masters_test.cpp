// The glyph table, composites' pairs, stored groups and the masters the bridge hands the engine.
#include "bridge_fixture.h"

#include <gtest/gtest.h>

using namespace PLXlibNamespaceForZV;
using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

constexpr std::uint8_t kSameInBoth = 255;

// Ten frequent pairs of lowercase letters.
const char *const kTenPairs[][2] = {{"o", "n"}, {"n", "o"}, {"n", "n"}, {"o", "o"}, {"o", "l"},
                                    {"l", "o"}, {"o", "p"}, {"p", "o"}, {"o", "v"}, {"v", "o"}};

} // namespace

TEST(BridgeGlyphTable, ClassifiesEveryGlyphForBothHostGenerations) {
    struct Case {
        const char *name, *unicode, *category, *subCategory, *script;
        int letterCase;
        std::uint8_t v2, v3; // category byte per host generation
        const char *classText, *scriptTag;
    } cases[] = {
        {"A", "0041", "Letter", "Uppercase", "latin", -1, ZV_UPPERCASE, kSameInBoth, "Uppercase",
         "latn"},
        {"a", "0061", "Letter", "Lowercase", "latin", -1, ZV_LOWERCASE, kSameInBoth, "Lowercase",
         "latn"},
        // The version-3 host reads letter case from `case`, the version-2 host from subcategory.
        {"odd", "", "Letter", "Lowercase", "latin", GSUppercase, ZV_LOWERCASE, ZV_UPPERCASE,
         "Lowercase", "latn"},
        {"a.sc", "", "Letter", "Smallcaps", "latin", -1, ZV_OTHER_LETTER, kSameInBoth, "Smallcaps",
         "latn"},
        {"alef", "05D0", "Letter", "", "hebrew", -1, ZV_OTHER_LETTER, kSameInBoth, "Letter",
         "hebr"},
        {"one", "0031", "Number", "Decimal Digit", "", -1, ZV_DIGIT, kSameInBoth, "Number", ""},
        {"onehalf", "00BD", "Number", "Fraction", "", -1, ZV_OTHER, kSameInBoth, "Number", ""},
        {"dollar", "0024", "Symbol", "Currency", "", -1, ZV_CURRENCY, kSameInBoth, "Symbol", ""},
        {"at", "0040", "Symbol", "", "", -1, ZV_OTHER_SYMBOL, kSameInBoth, "Symbol", ""},
        {"null", "0000", "", "", "runic-ish", -1, ZV_OTHER, kSameInBoth, "other", "runic-ish"},
    };
    GSFontBuilder b;
    b.master("Regular");
    for (const Case &c : cases) {
        auto g = b.glyph(c.name);
        if (*c.unicode)
            g.unicode(c.unicode);
        if (*c.category)
            g.category(c.category, c.subCategory);
        if (*c.script)
            g.script(c.script);
        if (c.letterCase >= 0)
            g.glyph().setCase(c.letterCase);
    }
    const auto font = b.build();
    ZVDataFromGlyphs bridge(font.get());
    bridge.initGlyphsinfo();
    const ZVglyphsinfo &info = bridge.get_zvfont()->glyphsinfo;
    ASSERT_EQ(info.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.name);
        const GSGlyph *g = font->glyphForName(c.name);
        EXPECT_EQ(info._id_for_index[i], g->id());
        const std::uint8_t expected = ZV_HOST_VERSION == 3 && c.v3 != kSameInBoth ? c.v3 : c.v2;
        EXPECT_EQ(info._category_for_index[i].category, expected);
        const bool encoded = *c.unicode && std::string(c.unicode) != "0000";
        EXPECT_EQ(info._category_for_index[i].flags, encoded ? ZV_HAS_UNICODE : 0);
        EXPECT_EQ(info._category_for_index[i].unicode,
                  encoded ? std::stoul(c.unicode, nullptr, 16) : 0);
        EXPECT_EQ(ZVDataFromGlyphs::nominalCategoryForGlyph(g), c.classText);
        EXPECT_EQ(ZVDataFromGlyphs::nominalScriptForGlyph(g), c.scriptTag);
    }
}

TEST(BridgeGlyphTable, ARebuildKeepsTheTablesOrderWithEmptyPlaces) {
    GSFontBuilder first;
    first.master("Regular");
    for (const char *n : {"A", "B", "C", "D"})
        first.glyph(n).rect(0, 0, 100, 100);
    const auto one = first.build();
    GSFontBuilder second;
    second.master("Regular");
    for (const char *n : {"D", "X", "B"}) // no A or C; X is new
        second.glyph(n).rect(0, 0, 200, 100);
    const auto two = second.build();

    ZVDataFromGlyphs a(one.get());
    a.initGlyphsinfo();
    ZVDataFromGlyphs b(two.get());
    b.get_zvfont()->glyphsinfo = a.get_zvfont()->glyphsinfo;
    b.initGlyphsinfo();
    const ZVglyphsinfo &info = b.get_zvfont()->glyphsinfo;
    EXPECT_EQ(info._glyph_name_for_index, (std::vector<std::string>{"", "B", "", "D"}));
    EXPECT_EQ(info._id_for_index, (std::vector<std::string>{"", "id-B", "", "id-D"}));
    EXPECT_EQ(info._category_for_index[0].category, ZV_OTHER);
    EXPECT_EQ(b.glyphForZvIndex(0), nullptr);
    EXPECT_EQ(b.zvIndexForId(""), ZV_NO_GLYPH);

    const std::vector<PLXglyph> outlines = b.outlinesForMaster(two->fontMasters()[0]);
    ASSERT_EQ(outlines.size(), 4u);
    EXPECT_EQ(outlines[0].contours_number, 0);
    EXPECT_EQ(outlines[1].name, "B");
    EXPECT_EQ(outlines[1].contours_number, 1);
    EXPECT_EQ(outlines[3].get_x(0, 0, 1), 200);
}

TEST(BridgeGlyphTable, CompositesPlaceTheirComponentsSideBySide) {
    struct Case {
        const char *what;
        std::vector<std::pair<const char *, double>> components; // name, y offset
        bool disableAlignment;
        std::vector<std::pair<const char *, const char *>> pairs;
    } cases[] = {
        {"three on the baseline", {{"A", 0}, {"B", 0}, {"C", 0}}, false, {{"A", "B"}, {"B", "C"}}},
        {"one raised", {{"A", 0}, {"B", 120}, {"C", 0}}, false, {}},
        {"a mark passed over", {{"A", 0}, {"mark", 0}, {"C", 0}}, false, {{"A", "C"}}},
        {"width not aligned", {{"A", 0}, {"B", 0}}, true, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        GSFontBuilder b;
        b.master("Regular");
        for (const char *n : {"A", "B", "C"})
            b.glyph(n).rect(0, 0, 100, 100);
        b.glyph("mark").anchor("_top", 50, 100).rect(0, 0, 10, 10);
        auto composite = b.glyph("composite");
        for (const auto &[name, y] : c.components)
            composite.component(name, 0, y);
        if (c.disableAlignment)
            composite.glyph().layers()[0]->components()[0]->setDisableAlignment(true);
        composite.glyph().addLayer(std::make_unique<GSLayer>(*composite.glyph().layers()[0]));
        composite.glyph().layers()[1]->setLayerKind(GSLayerKind::NonMaster); // not counted
        const auto font = b.build();
        ZVDataFromGlyphs bridge(font.get());
        bridge.initGlyphsinfo();
        bridge.addPairsForCompositesPairs();
        std::vector<ZVglyph_pair> expected;
        for (const auto &[l, r] : c.pairs)
            expected.push_back({bridge.zvIndexForGlyphName(l), bridge.zvIndexForGlyphName(r)});
        EXPECT_EQ(bridge.get_zvfont()->features.composites_pairs, expected);
    }
}

TEST(BridgeGlyphTable, StoredGroupsReachTheEngine) {
    GSFontBuilder b;
    b.master("Regular");
    auto groups = [](const char *left, const char *right) {
        PlistDictionary d;
        if (*left)
            d.setObject(PlistValue(left), "L");
        if (*right)
            d.setObject(PlistValue(right), "R");
        return PlistValue(d);
    };
    b.glyph("quote").userData("ZelvarSpecialSpacing", groups("quotes", "quotes"));
    b.glyph("minus").userData("ZelvarSpecialSpacing", groups("", "NoKerning"));
    b.glyph("plain");
    b.glyph("broken").userData("ZelvarSpecialSpacing", PlistValue(7));
    const auto font = b.build();
    ZVDataFromGlyphs bridge(font.get());
    bridge.initGlyphsinfo();
    bridge.trackingGroupsFromGlyhpsToZV();
    const ZVglyphsinfo &info = bridge.get_zvfont()->glyphsinfo;
    const std::int16_t quotes = info.tracking_group(0, 0);
    EXPECT_GE(quotes, 2);
    EXPECT_EQ(info.tracking_group_names[static_cast<std::size_t>(quotes)], "quotes");
    EXPECT_EQ(info.tracking_group(0, 1), quotes);
    EXPECT_EQ(info.tracking_group(1, 0), 0);
    EXPECT_EQ(info.tracking_group(1, 1), ZV_NO_KERNING_GROUP);
    for (std::uint16_t g : {2, 3})
        for (int side : {0, 1})
            EXPECT_EQ(info.tracking_group(g, side), 0);
}

TEST(BridgeMasters, LinkedMetricsOnlyNameAnotherMaster) {
    ClosesDocuments closing;
    struct Case {
        const char *what;
        int master;
        const char *parameter;
        PlistValue value;
        bool linked;
    } cases[] = {
        {"first master to itself", 0, "Link Metrics With First Master", PlistValue(1), false},
        {"second to the first", 1, "Link Metrics With First Master", PlistValue(1), true},
        {"as a string", 1, "Link Metrics With First Master", PlistValue("1"), true},
        {"switched off", 1, "Link Metrics With First Master", PlistValue(0), false},
        {"to another by id", 1, "Link Metrics With Master", PlistValue("m0"), true},
        {"to itself", 1, "Link Metrics With Master", PlistValue("m1"), false},
        {"to no master", 1, "Link Metrics With Master", PlistValue("m9"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        GSFontBuilder b;
        b.master("Regular").master("Bold");
        b.glyph("n").rect(0, 0, 100, 500);
        b.masterParameter(c.master, c.parameter, c.value);
        b.font().ensureKerning();
        for (int m : {0, 1}) {
            b.masterUserData(m, "ZelvarModels", pairList({"n n"}));
            b.masterUserData(m, "ZelvarUserSetAutopairs", pairList({"n n"}));
        }
        b.kern("n", "n", 0, 0);
        b.kern("n", "n", 0, 1);
        GSDocument &doc = b.open();
        const GSFontMaster *master = doc.font()->fontMasters()[static_cast<std::size_t>(c.master)];
        // A second bridge reads only: the stored lists stay.
        ZVDataFromGlyphs reader(doc.font());
        reader.inspectGSFont();
        reader.initZVfont();
        EXPECT_EQ(reader.anyLinkedMetricsForMaster(master), c.linked);
        EXPECT_TRUE(master->userDataForKey("ZelvarModels"));

        auto bridge = built(doc);
        const ZVfont &engine = bridge->get_zvfont()->masters[static_cast<std::size_t>(c.master)];
        EXPECT_EQ(engine.status == ZVfont::linked_metrics, c.linked);
        // The font's own bridge clears a linked master's stored state.
        EXPECT_EQ(master->userDataForKey("ZelvarModels") == nullptr, c.linked);
        EXPECT_EQ(master->userDataForKey("ZelvarUserSetAutopairs") == nullptr, c.linked);
        GSApplication::sharedApplication().closeAllDocuments();
    }
}

TEST(BridgeMasters, TenKernedFrequentPairsMakeAnUntouchedFontPreKerned) {
    ClosesDocuments closing;
    for (const int kerned : {9, 10}) {
        SCOPED_TRACE(kerned);
        GSFontBuilder b;
        b.master("Regular").master("Bold");
        addDemoGlyphs(b);
        for (int i = 0; i < kerned; ++i)
            b.kern(kTenPairs[i][0], kTenPairs[i][1], -10, 1);
        b.glyph("n.alt").rect(70, 0, 155, 500);
        b.kern("H", "H", 0, 0); // a zero and a pair of no frequency count for nothing
        b.kern("n", "n.alt", -20, 0);
        GSDocument &doc = b.open();
        auto bridge = built(doc);
        EXPECT_TRUE(bridge->font_is_untouched());
        EXPECT_EQ(bridge->is_pre_kerned(), kerned >= 10);
        const ZVfontMM &mm = *bridge->get_zvfont();
        ASSERT_EQ(mm.masters.size(), 2u);
        for (const ZVfont &m : mm.masters)
            EXPECT_EQ(m.status, ZVfont::untouched);
        EXPECT_EQ(mm.masters[1].existing_pairs.size(), static_cast<std::size_t>(kerned));
        EXPECT_EQ(mm.masters[0].existing_pairs.size(), 1u); // H H at 0
        GSApplication::sharedApplication().closeAllDocuments();
    }
}

TEST(BridgeMasters, EveryKindInFontOrder) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Light", 500, 700, {100})
        .master("Regular", 500, 700, {400})
        .master("Bold", 500, 700, {700})
        .master("Copy", 500, 700, {400})
        .master("Twin", 500, 700, {1000});
    addDemoGlyphs(b);
    b.font().ensureKerning();
    b.masterUserData(0, "ZelvarModels", pairList({"n n", "o o", "H H"}));
    b.kern("o", "o", -12, 0);
    b.masterUserData(1, "ZelvarIsInterpolated", PlistValue(1));
    b.masterUserData(2, "ZelvarModels", pairList({"n n", "V o"}));
    b.masterUserData(2, "ZelvarIndependentPairs", pairList({"T o"}));
    b.kern("V", "o", -60, 2);
    b.kern("T", "o", -80, 2);
    b.masterParameter(3, "Link Metrics With Master", PlistValue("m1"));
    b.masterUserData(4, "ZelvarAutokernedFrom", pairList({"", "Light"}));
    b.masterUserData(4, "ZelvarIndependentPairs", pairList({"T o"}));
    b.kern("T", "o", -70, 4);
    GSDocument &doc = b.open();
    auto bridge = built(doc);
    EXPECT_FALSE(bridge->font_is_untouched());
    const ZVfontMM &mm = *bridge->get_zvfont();
    ASSERT_EQ(mm.masters.size(), 5u);
    const ZVfont::master_status expected[] = {ZVfont::self_kerned, ZVfont::interpolated,
                                              ZVfont::self_kerned, ZVfont::linked_metrics,
                                              ZVfont::autokerned_from_other};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(mm.masters[i].name, "m" + std::to_string(i));
        EXPECT_EQ(mm.masters[i].status, expected[i]) << i;
    }
    // The interpolated master between Light and Bold: the linked master and the interpolated one
    // itself take no part, and the weights come in master order.
    EXPECT_EQ(mm.masters[1].interpolation_sources,
              (std::vector<std::pair<double, std::string>>{{0.5, "m0"}, {0.5, "m2"}}));
    EXPECT_EQ(mm.masters[2].independents.size(), 1u);
    EXPECT_EQ(mm.masters[2].independents[0].value, -80);
    EXPECT_EQ(mm.masters[4].independents.size(), 1u);
    EXPECT_EQ(mm.masters[4].independents[0].value, -70);
}

TEST(BridgeMasters, AnInterpolationMarkWithoutCoefficientsGoes) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Regular", 500, 700, {400}).master("Bold", 500, 700, {700});
    addDemoGlyphs(b);
    b.font().ensureKerning();
    b.kern("n", "n", 0, 0);
    b.masterUserData(0, "ZelvarModels", pairList({"n n"}));
    b.masterUserData(1, "ZelvarIsInterpolated", PlistValue(1));
    b.masterUserData(1, "ZelvarModels", pairList({"o o"}));
    GSDocument &doc = b.open();
    const GSFontMaster *bold = doc.font()->fontMasters()[1];
    ZVDataFromGlyphs reader(doc.font()); // a second bridge keeps the mark
    reader.inspectGSFont();
    reader.initZVfont();
    EXPECT_TRUE(bold->userDataForKey("ZelvarIsInterpolated"));
    auto bridge = built(doc);
    EXPECT_EQ(bold->userDataForKey("ZelvarIsInterpolated"), nullptr);
    EXPECT_EQ(bridge->get_zvfont()->masters[1].status, ZVfont::self_kerned);
}

TEST(BridgeMasters, GlyphsTooLargeToMeasureGoInEmpty) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("n").rect(70, 0, 155, 500);
    b.glyph("wide").width(16001).rect(0, 0, 100, 500);
    b.glyph("far").rect(0, 0, 100, -16001);
    b.glyph("edge").width(16000).rect(-16000, 0, 16000, 500);
    b.glyph("g0").rect(0, 0, 10, 10);
    for (int level = 1; level <= 7; ++level) {
        auto g = b.glyph("g" + std::to_string(level));
        for (int k = 0; k < 7; ++k)
            g.component("g" + std::to_string(level - 1), k * 2, 0);
    }
    GSDocument &doc = b.open();
    auto bridge = built(doc);
    const auto &emptied = bridge->emptiedOutlines();
    ASSERT_EQ(emptied.size(), 3u);
    EXPECT_EQ(emptied[0].glyph_name, "wide");
    EXPECT_EQ(emptied[0].reason, "advance width beyond 16 em");
    EXPECT_EQ(emptied[1].glyph_name, "far");
    EXPECT_EQ(emptied[1].reason, "outline beyond 16 em");
    EXPECT_EQ(emptied[2].glyph_name, "g7");
    EXPECT_EQ(emptied[2].master_id, "m0");
    const ZVfont &m = bridge->get_zvfont()->masters[0];
    for (const char *name : {"wide", "far", "g7"})
        EXPECT_TRUE(m.glyphs.glyphs[bridge->zvIndexForGlyphName(name)].left.empty()) << name;
    EXPECT_FALSE(m.glyphs.glyphs[bridge->zvIndexForGlyphName("edge")].left.empty());

    // Mended in the host and edited: it is measured again and no longer listed.
    GSLayer *wide = doc.font()->glyphForName("wide")->layers()[0];
    wide->setWidth(600);
    bridge->updateZvfontWithModifiedLayer(wide);
    EXPECT_EQ(bridge->emptiedOutlines().size(), 2u);
    EXPECT_FALSE(m.glyphs.glyphs[bridge->zvIndexForGlyphName("wide")].left.empty());
}

TEST(BridgeMasters, AMasterWithNothingToMeasureDoesNotStart) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Light", 500, 700, {100}).master("Regular", 500, 700, {400});
    b.master("Bold", 500, 700, {700});
    addDemoGlyphs(b);
    b.font().ensureKerning();
    b.kern("T", "o", -80, 0);
    b.masterUserData(0, "ZelvarModels", pairList({"n n", "o o", "T o"}));
    b.masterUserData(1, "ZelvarIsInterpolated", PlistValue(1));
    // Regular's and Bold's glyphs have no width: Regular's kerning comes from the others all
    // the same, Bold has nothing the engine could measure.
    for (GSGlyph *g : b.font().glyphs())
        for (const char *id : {"m1", "m2"})
            g->layerWithId(id)->setWidth(0);
    GSDocument &doc = b.open();
    auto bridge = built(doc);
    const std::vector<GSFontMaster *> masters = doc.font()->fontMasters();
    EXPECT_EQ(bridge->whyMasterDoesNotStart(masters[0]), std::nullopt);
    EXPECT_EQ(bridge->whyMasterDoesNotStart(masters[1]), std::nullopt);
    EXPECT_EQ(bridge->whyMasterDoesNotStart(masters[2]),
              "Bold does not start: none of its glyphs can be measured (each has no width, no "
              "outline, or is too large). Its kerning is left as it is.");
    ASSERT_EQ(bridge->masterNotices().size(), 1u);
    EXPECT_EQ(bridge->masterNotices()[0].master_id, "m2");
    EXPECT_TRUE(bridge->anyMasterCanStart());

    // A font of that master alone cannot start at all.
    GSFontBuilder one("One");
    one.master("Bold");
    addDemoGlyphs(one);
    for (GSGlyph *g : one.font().glyphs())
        g->layerWithId("m0")->setWidth(0);
    GSDocument &alone = one.open("One");
    auto lone = built(alone);
    EXPECT_FALSE(lone->anyMasterCanStart());
}
