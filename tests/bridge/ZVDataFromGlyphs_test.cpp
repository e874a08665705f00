// The bridge object: its place in the font's temporary data, the start-up checks and the engine
// build.
#include "bridge/ZVResources.h"
#include "bridge_fixture.h"
#include "platform/NSBundle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

TEST(BridgeObject, LivesInTheFontsTemporaryDataAndIsDetachedWhenDropped) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("A");
    GSDocument &doc = b.open();
    GSFont *font = doc.font();
    EXPECT_EQ(ZVDataFromGlyphs::bridgeForFont(font), nullptr);
    std::shared_ptr<ZVDataFromGlyphs> bridge = built(doc);
    EXPECT_EQ(ZVDataFromGlyphs::bridgeForFont(font), bridge);
    ASSERT_TRUE(bridge->hasRunningMaster());

    // Work elsewhere keeps its handle: dropping "ZVData" detaches the bridge but keeps it alive.
    std::shared_ptr<ZVDataFromGlyphs> held = bridge;
    font->setTempData(nullptr, ZVDataFromGlyphs::ZVDataKey);
    EXPECT_EQ(ZVDataFromGlyphs::bridgeForFont(font), nullptr);
    EXPECT_EQ(held->gsfont(), nullptr);
    EXPECT_EQ(held->currentMaster(), nullptr);
    EXPECT_FALSE(held->hasRunningMaster());
    EXPECT_EQ(held->get_zvfont()->masters.size(), 1u); // the engine stays with the bridge
    held->getUiState();                                // later steps do nothing
    EXPECT_TRUE(held->textInTab().empty());
    EXPECT_EQ(held->inspectGSFont(), std::nullopt);

    // A bridge still bound when its document closes is detached before the font goes.
    std::shared_ptr<ZVDataFromGlyphs> second = bind(doc);
    GSApplication::sharedApplication().closeDocument(&doc);
    EXPECT_EQ(second->gsfont(), nullptr);
}

TEST(BridgeObject, SliderStepFollowsUnitsPerEm) {
    struct Case {
        std::uint32_t upm;
        double tick;
    } cases[] = {{999, 1}, {1000, 1}, {1999, 1}, {2000, 2}, {2048, 2}, {2999, 2}, {500, 1}};
    for (const Case &c : cases) {
        GSFontBuilder b("T", c.upm);
        const auto font = b.build();
        EXPECT_EQ(ZVDataFromGlyphs(font.get()).tick_to_tick(), c.tick) << c.upm;
    }
}

TEST(BridgeObject, StartUpChecks) {
    const std::string xHeight =
        "Zelvar cannot start because\nthe x-height is not defined. Please set this metric in the "
        "Font Info.";
    const std::string features = "Zelvar cannot start because\nthe OT features failed to "
                                 "compile.\nMaybe there are bugs in the feature code?";
    // A usable but too small x-height is named as such, with the master and the bound.
    const auto tooSmall = [](const char *master, const char *x, const char *bound) {
        return std::string("Zelvar cannot start because\nthe x-height of the master ") + master +
               " is too small (" + x + " units).\nIt must be at least " + bound +
               ". Please set this metric in the Font Info.";
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char *what;
        std::uint32_t upm;
        double x0, x1;
        bool compiles;
        std::string message;
    } cases[] = {
        {"usable", 1000, 500, 520, true, ""},
        {"22000 passes", 30000, 22000, 1600, true, ""},
        {"above 22000", 30000, 22000.5, 1600, true, xHeight},
        {"zero", 1000, 500, 0, true, xHeight},
        {"negative", 1000, -5, 500, true, xHeight},
        {"not a number", 1000, nan, 500, true, xHeight},
        {"whole part below 1", 16, 0.9, 5, true, tooSmall("A", "0.9", "1 unit")},
        {"below a twentieth of the em", 1000, 49.9, 500, true,
         tooSmall("A", "49.9", "50 units (a twentieth of the em)")},
        {"20 per 1000", 1000, 500, 20, true, tooSmall("B", "20", "50 units (a twentieth of the em)")},
        {"100 per 2048", 2048, 500, 100, true,
         tooSmall("B", "100", "102.4 units (a twentieth of the em)")},
        {"a twentieth of the em", 1000, 50, 500, true, ""},
        {"features first", 1000, 0, 500, false, features},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        GSFontBuilder b("T", c.upm);
        b.master("A", c.x0).master("B", c.x1);
        b.font().setFeatureCodeCompiles(c.compiles);
        const auto font = b.build();
        ZVDataFromGlyphs bridge(font.get());
        EXPECT_EQ(bridge.inspectGSFont().value_or(""), c.message);
    }
}

TEST(BridgeObject, RefusesMoreGlyphsThanIndicesCanName) {
    GSFontBuilder b;
    b.master("Regular");
    for (int i = 0; i < 65535; ++i)
        b.glyph("g" + std::to_string(i));
    const auto font = b.build();
    ZVDataFromGlyphs bridge(font.get());
    EXPECT_EQ(bridge.inspectGSFont().value_or(""),
              "Zelvar cannot start because\nthe font has more than 65534 glyphs.");
}

TEST(BridgeObject, SetUpNeedsKerningAndModelsOrAnAutokerningSource) {
    struct Case {
        const char *what;
        bool kerningDictionary, kerningInMaster, models, autokerned;
        bool setUp;
        bool modelsUnreadable = false; // stored as something else than a list
    } cases[] = {
        {"nothing", false, false, false, false, false},
        {"models without kerning dictionary", false, false, true, false, false},
        {"autokerned without kerning dictionary", false, false, false, true, false},
        {"models and kerning", true, true, true, false, true},
        {"models, kerning elsewhere", true, false, true, false, false},
        {"autokerned, empty kerning", true, false, false, true, true},
        {"kerning alone", true, true, false, false, false},
        {"models that cannot be read, and kerning", true, true, false, false, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        GSFontBuilder b;
        b.master("Regular").master("Bold");
        b.glyph("A");
        b.glyph("V");
        if (c.kerningDictionary)
            b.font().ensureKerning();
        if (c.kerningInMaster)
            b.kern("A", "V", -40, 1);
        if (c.models)
            b.masterUserData(1, "ZelvarModels", pairList({"A V"}));
        if (c.autokerned)
            b.masterUserData(0, "ZelvarAutokernedFrom", pairList({"", "Bold"}));
        if (c.modelsUnreadable)
            b.masterUserData(1, "ZelvarModels", PlistValue("A V"));
        const auto font = b.build();
        ZVDataFromGlyphs bridge(font.get());
        EXPECT_EQ(bridge.has_zv_set_up(), c.setUp);
        ASSERT_EQ(bridge.inspectGSFont(), std::nullopt);
        EXPECT_EQ(bridge.font_is_untouched(), !c.setUp);
    }
}

TEST(BridgeObject, TextToolIsLookedUpOnEveryUse) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Regular");
    zvtesting::DocumentBuilder doc = b.open().tools({"GlyphsToolSelect", "GlyphsToolDraw"});
    ZVDataFromGlyphs bridge(doc.document().font());
    EXPECT_EQ(bridge.textToolIndex(), 2u); // none: the tool count
    doc.tools({"GlyphsToolSelect", "GlyphsToolText", "GlyphsToolText"});
    EXPECT_EQ(bridge.textToolIndex(), 1u);
    const auto orphan = GSFontBuilder().build();
    EXPECT_EQ(ZVDataFromGlyphs(orphan.get()).windowController(), nullptr);
}

TEST(BridgeObject, TrackingGroupSharedByTheSelection) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Regular");
    auto group = [](const char *left) {
        PlistDictionary d;
        d.setObject(PlistValue(left), "L");
        return PlistValue(d);
    };
    b.glyph("none");
    b.glyph("A1").userData("ZelvarSpecialSpacing", group("A"));
    b.glyph("A2").userData("ZelvarSpecialSpacing", group("A"));
    b.glyph("B").userData("ZelvarSpecialSpacing", group("B"));
    b.glyph("NK").userData("ZelvarSpecialSpacing", group("NoKerning"));
    b.glyph("empty").userData("ZelvarSpecialSpacing", group(""));
    b.glyph("odd").userData("ZelvarSpecialSpacing", PlistValue("L"));
    GSDocument &doc = b.open().textTool();
    auto bridge = built(doc);
    struct Case {
        const char *tab;
        std::optional<std::string> group;
    } cases[] = {
        {"/none/A1", "A"}, {"/A1/none", ""}, {"/NK/A1", "A"},    {"/A1/A2", "A"},
        {"/A1/B", ""},     {"/B/A1/A2", ""}, {"/empty/odd", {}}, {"/none", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tab);
        zvtesting::DocumentBuilder(doc).tab(c.tab).select(0, 3);
        bridge->getUiState();
        EXPECT_EQ(bridge->currentTrackingGroupforSide("L"), c.group);
        EXPECT_EQ(bridge->currentTrackingGroupforSide("R"), std::nullopt);
    }
    doc.windowController()->setActiveEditViewController(nullptr);
    bridge->getUiState();
    EXPECT_EQ(bridge->currentTrackingGroupforSide("L"), std::nullopt);
    EXPECT_FALSE(bridge->anyLettersSelected());
}

TEST(BridgeObject, EngineBuildFollowsTheFontAndRunsOnce) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Light", 480).master("Regular", 500, 700).master("Linked", 500);
    b.masterParameter(2, "Link Metrics With First Master", PlistValue(1));
    zvbridgetest::addDemoGlyphs(b);
    GSDocument &doc = b.open().master(1);
    auto bridge = built(doc);
    ZVfontMM &mm = *bridge->get_zvfont();
    ASSERT_EQ(mm.masters.size(), 3u);
    EXPECT_EQ(mm.masters[0].name, "m0");
    EXPECT_EQ(mm.masters[2].status, ZVfont::linked_metrics);
    EXPECT_EQ(bridge->currentMaster(), doc.font()->fontMasters()[1]);
    EXPECT_EQ(mm.current_master_index, 1);
    EXPECT_EQ(mm.glyphsinfo.size(), doc.font()->countOfGlyphs());
    EXPECT_FALSE(mm.features.indices_with_frequency.empty());

    bridge->initZVfont(); // a second build returns at once
    EXPECT_EQ(mm.masters.size(), 3u);

    // Without a document there is no selected master, so no current master.
    GSFontBuilder c;
    c.master("Regular");
    const auto orphan = c.build();
    ZVDataFromGlyphs lone(orphan.get());
    lone.initZVfont();
    EXPECT_EQ(lone.get_zvfont()->masters.size(), 1u);
    EXPECT_EQ(lone.get_zvfont()->current_master_index, -1);
    EXPECT_FALSE(lone.hasRunningMaster());
}

TEST(BridgeObject, WithoutItsBundleTheEngineHasNoPairFrequencies) {
    struct Unregistered {
        std::shared_ptr<const NSBundle> bundle = NSBundle::bundleForClass(ZVPluginClassName);
        Unregistered() { NSBundle::registerBundleForClass(ZVPluginClassName, nullptr); }
        ~Unregistered() { NSBundle::registerBundleForClass(ZVPluginClassName, bundle); }
    } unregistered;
    EXPECT_EQ(ZVpathForResource("pair_frequencies", "txt"), "");
    GSFontBuilder b;
    b.master("Regular");
    zvbridgetest::addDemoGlyphs(b);
    const auto font = b.build();
    ZVDataFromGlyphs bridge(font.get());
    bridge.initZVfont();
    EXPECT_TRUE(bridge.get_zvfont()->features.indices_with_frequency.empty());
    EXPECT_EQ(bridge.get_zvfont()->masters.size(), 1u);
}
