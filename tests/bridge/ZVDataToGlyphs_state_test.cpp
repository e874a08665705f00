// The stored state: the version that last opened the font, the pair lists with the glyphs' name
// marks (renamed glyphs keep their pairs), the special spacing groups, the synchronisation with
// another font, the interpolation and autokerning marks, and models copied from another master.
#include "bridge/ZVUserData.h"
#include "writer_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

std::vector<std::string> strings(const PlistValue *v) {
    std::vector<std::string> out;
    if (const PlistArray *a = v ? v->asArray() : nullptr)
        for (const PlistValue &e : *a)
            out.push_back(e.asString() ? *e.asString() : "?");
    return out;
}

bool hasFeedback(const ZVfont &m, int type) {
    return std::any_of(m.feedbacks.list.begin(), m.feedbacks.list.end(),
                       [&](const ZVfeedback &f) { return f.type == type; });
}

std::pair<std::int16_t, std::int16_t> groups(const ZVDataFromGlyphs &b, const char *glyph) {
    const auto &info = b.get_zvfont()->glyphsinfo;
    const std::uint16_t g = b.zvIndexForGlyphName(glyph);
    return {info.tracking_group(g, 0), info.tracking_group(g, 1)};
}

} // namespace

TEST(StoredState, VersionThatLastOpenedTheFont) {
    struct Case {
        const char *what;
        std::optional<std::string> stored, current;
        std::optional<std::string> after;
        bool newer, compositePairs;
        bool storedAsNumber = false;
    } cases[] = {
        {"first opened: written, no message", std::nullopt, "1.31", "1.31", false, false},
        {"last opened by 1.30", "1.30", "1.31", "1.31", false, true},
        {"1.9 is below 1.31", "1.9", "1.31", "1.31", false, true},
        {"the same version: nothing", "1.31", "1.31", "1.31", false, false},
        {"a newer version: replaced by the older", "2.0", "1.31", "1.31", true, false},
        {"1.10 is newer than 1.9, and below 1.31", "1.10", "1.9", "1.9", true, true},
        {"an unknown version writes nothing", "1.30", std::nullopt, "1.30", false, false},
        {"a stored value that is no string is none", std::nullopt, "1.40", "1.40", false, false,
         true},
        // Only a stored value that reads as a version can be a newer one.
        {"no version string: replaced, no warning", "v1.x-beta..", "1.31", "1.31", false, false},
        {"words after the number: no version", "9.0 beta", "1.31", "1.31", false, false},
        {"an empty part: no version", "9..0", "1.31", "1.31", false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ClosesDocuments closing;
        GSFontBuilder b;
        GSDocument &doc = setUpDemoFont(b).open();
        GSFont &font = *doc.font();
        if (c.stored)
            font.setUserData(PlistValue(*c.stored), "ZelvarVersion");
        else if (c.storedAsNumber)
            font.setUserData(PlistValue(131), "ZelvarVersion");
        auto bridge = builtWriter(doc);
        startAll(*bridge);
        bridge->setRequiredText(); // no tab: nothing
        PluginVersion version(c.current);
        bridge->updateStoredZelvarVersion();
        const std::string *after = zvuserdata::string(font, "ZelvarVersion");
        EXPECT_EQ(after ? std::optional<std::string>(*after) : std::nullopt, c.after);
        const ZVfontMM &mm = *bridge->get_zvfont();
        EXPECT_EQ(hasFeedback(mm.masters[0], ZVfeedback::newer_version), c.newer);
        EXPECT_FALSE(hasFeedback(mm.masters[2], ZVfeedback::newer_version)); // current only
        // The pair of x1 and x2 that only the composite makes is the message's pair.
        for (int m : {0, 2})
            EXPECT_EQ(hasFeedback(mm.masters[m], ZVfeedback::composite_pairs_added),
                      c.compositePairs);
        drain();
    }
}

TEST(StoredState, PairListsByNameWithTheirNameMarks) {
    ClosesDocuments closing;
    GSFontBuilder b;
    GSDocument &doc = setUpDemoFont(b).open();
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    GSFontMaster *light = font.fontMasters()[0], *bold = font.fontMasters()[2];
    const std::uint16_t o = bridge->zvIndexForGlyphName("o"), n = bridge->zvIndexForGlyphName("n"),
                        v = bridge->zvIndexForGlyphName("V");

    // A pair whose glyph the font lacks is left out; each named glyph carries its name.
    bridge->writeCustomPairs({{o, n}, {o, 9999}, {v, o}}, light, "ZelvarIndependentPairs");
    EXPECT_EQ(strings(light->userDataForKey("ZelvarIndependentPairs")),
              (std::vector<std::string>{"o n", "V o"}));
    EXPECT_EQ(*zvuserdata::string(*font.glyphForName("o"), "ZelvarName"), "o");
    bold->setUserData(pairList({"V o", "x1 x2"}), "ZelvarUserSetAutopairs");
    // An empty list removes the key; so does a list whose every glyph is gone.
    bridge->writeCustomPairs({}, light, "ZelvarModels");
    EXPECT_EQ(light->userDataForKey("ZelvarModels"), nullptr);
    bridge->writeCustomPairs({{9999, 9998}}, light, "ZelvarIndependentPairs");
    EXPECT_EQ(light->userDataForKey("ZelvarIndependentPairs"), nullptr);

    // o is renamed o.alt after the pair V o was stored: the next write stores the new name and
    // first renames o in the other lists, where the old mark still finds it.
    bridge->writeCustomPairs({{v, o}}, light, "ZelvarIndependentPairs");
    font.glyphForName("o")->setName("o.alt");
    bridge->writeCustomPairs({{v, o}, {n, n}}, light, "ZelvarIndependentPairs");
    EXPECT_EQ(strings(light->userDataForKey("ZelvarIndependentPairs")),
              (std::vector<std::string>{"V o.alt", "n n"}));
    EXPECT_EQ(*zvuserdata::string(*font.glyphForName("o.alt"), "ZelvarName"), "o.alt");
    EXPECT_EQ(strings(bold->userDataForKey("ZelvarUserSetAutopairs")),
              (std::vector<std::string>{"V o.alt", "x1 x2"}));
    EXPECT_EQ(strings(bold->userDataForKey("ZelvarModels"))[1], "o.alt o.alt");
    EXPECT_EQ(bridge->readCustomPairsFromMaster(bold, "ZelvarModels").size(), 7u);
}

TEST(StoredState, RenamesThatReuseAStoredNameKeepEveryListsGlyphs) {
    // o and its alternate o.ss01 are in Bold's list; then the designer promotes the alternate
    // (o becomes o.old, o.ss01 becomes o) or swaps the two names through a third one. Light's
    // next write names the former alternate first: Bold's entries must still find both glyphs.
    struct Case {
        const char *what;
        std::vector<std::pair<const char *, const char *>> renames;
        std::vector<std::string> bold; // Bold's list afterwards
    } cases[] = {
        {"promoted", {{"o", "o.old"}, {"o.ss01", "o"}}, {"V o.old", "V o", "o.old n"}},
        {"swapped",
         {{"o", "tmp"}, {"o.ss01", "o"}, {"tmp", "o.ss01"}},
         {"V o.ss01", "V o", "o.ss01 n"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ClosesDocuments closing;
        GSFontBuilder b;
        setUpDemoFont(b);
        b.glyph("o.ss01").rect(40, 0, 460, 500);
        GSDocument &doc = b.open();
        GSFont &font = *doc.font();
        auto bridge = builtWriter(doc);
        GSFontMaster *light = font.fontMasters()[0], *bold = font.fontMasters()[2];
        GSGlyph *o = font.glyphForName("o"), *alternate = font.glyphForName("o.ss01");
        const std::uint16_t v = bridge->zvIndexForGlyphName("V"),
                            n = bridge->zvIndexForGlyphName("n"),
                            io = bridge->zvIndexForGlyphName("o"),
                            ialt = bridge->zvIndexForGlyphName("o.ss01");
        bridge->writeCustomPairs({{v, io}, {v, ialt}, {io, n}}, bold, "ZelvarIndependentPairs");
        for (const auto &[from, to] : c.renames)
            font.glyphForName(from)->setName(to);
        ASSERT_EQ(font.glyphForName("o"), alternate);

        bridge->writeCustomPairs({{v, ialt}, {v, io}}, light, "ZelvarIndependentPairs");
        EXPECT_EQ(strings(bold->userDataForKey("ZelvarIndependentPairs")), c.bold);
        std::vector<ZVglyph_pair> read;
        for (const ZVminipair &p :
             bridge->readCustomPairsFromMaster(bold, "ZelvarIndependentPairs"))
            read.emplace_back(p.left, p.right);
        EXPECT_EQ(read, (std::vector<ZVglyph_pair>{{v, io}, {v, ialt}, {io, n}}));
        EXPECT_EQ(strings(light->userDataForKey("ZelvarIndependentPairs")),
                  (std::vector<std::string>{"V o", "V " + o->name()}));
        // Every list still finds its glyphs: the models too.
        EXPECT_EQ(bridge->readCustomPairsFromMaster(bold, "ZelvarModels").size(), 7u);
        EXPECT_EQ(strings(bold->userDataForKey("ZelvarModels"))[1], o->name() + " " + o->name());
    }
}

TEST(StoredState, ASetUpFontsListsAreRewrittenUnderCurrentNamesBeforeItStarts) {
    ClosesDocuments closing;
    GSFontBuilder b;
    setUpDemoFont(b);
    // o was called "round" and n "stem" when the lists were stored; x1 carries a stale mark.
    b.font().glyphForName("o")->setUserData(PlistValue("round"), "ZelvarName");
    b.font().glyphForName("n")->setUserData(PlistValue("stem"), "ZelvarName");
    b.font().glyphForName("x1")->setUserData(PlistValue("gone"), "ZelvarName");
    b.masterUserData(0, "ZelvarModels",
                     pairList({"stem stem", "round round", "H H", "T round", "V round"}));
    b.masterUserData(2, "ZelvarIndependentPairs", pairList({"round stem", "nothing here"}));
    b.masterUserData(1, "ZelvarUserSetAutopairs", pairList({"stem round"}));
    b.masterUserData(2, "ZelvarUserSetAutopairs", PlistValue("stem round")); // cannot be read
    GSDocument &doc = b.open().tools({"GlyphsToolSelect", "GlyphsToolText"});
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    ASSERT_FALSE(bridge->font_is_untouched());
    bridge->initNonAutokerning();

    EXPECT_EQ(doc.windowController()->selectedToolIndex(), 1u); // the text tool
    EXPECT_EQ(strings(font.fontMasters()[0]->userDataForKey("ZelvarModels")),
              (std::vector<std::string>{"n n", "o o", "H H", "T o", "V o"}));
    EXPECT_EQ(strings(font.fontMasters()[2]->userDataForKey("ZelvarIndependentPairs")),
              (std::vector<std::string>{"o n"}));
    EXPECT_EQ(strings(font.fontMasters()[1]->userDataForKey("ZelvarUserSetAutopairs")),
              (std::vector<std::string>{"n o"}));
    EXPECT_EQ(*zvuserdata::string(*font.glyphForName("o"), "ZelvarName"), "o");
    EXPECT_EQ(font.glyphForName("x1")->userDataForKey("ZelvarName"), nullptr);
    // What cannot be read is left as it is.
    EXPECT_EQ(*font.fontMasters()[2]->userDataForKey("ZelvarUserSetAutopairs"),
              PlistValue("stem round"));
}

TEST(StoredState, OnlyMastersTheEngineKernsGetTheirListsWritten) {
    ClosesDocuments closing;
    GSFontBuilder b;
    setUpDemoFont(b);
    b.masterUserData(1, "ZelvarIsInterpolated", PlistValue(1));
    GSDocument &doc = b.open();
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    for (GSFontMaster *m : font.fontMasters())
        bridge->writeAllCustomPairsToMaster(m); // before the start-up: nothing is kerned yet
    EXPECT_EQ(strings(font.fontMasters()[0]->userDataForKey("ZelvarModels")).size(), 7u);
    startAll(*bridge);
    ZVfontMM &mm = *bridge->get_zvfont();
    ASSERT_EQ(mm.masters[0].status, ZVfont::kerned);
    ASSERT_EQ(mm.masters[1].status, ZVfont::interpolated);
    // Light's lists from the engine: a model handed back to autokerning, a pair of no known
    // frequency the designer asked to be autokerned.
    const std::uint16_t t = bridge->zvIndexForGlyphName("T"), o = bridge->zvIndexForGlyphName("o"),
                        x1 = bridge->zvIndexForGlyphName("x1"),
                        x2 = bridge->zvIndexForGlyphName("x2");
    mm.set_required_text({x2, x1}, "m0"); // shown first
    mm.set_autos({{t, o}, {x2, x1}}, "m0");
    bridge->writeAllCustomPairsToMaster(font.fontMasters()[0]);
    EXPECT_EQ(strings(font.fontMasters()[0]->userDataForKey("ZelvarUserSetAutopairs")),
              (std::vector<std::string>{"x2 x1"}));
    EXPECT_EQ(strings(font.fontMasters()[0]->userDataForKey("ZelvarModels")).size(), 6u);
    font.fontMasters()[1]->setUserData(pairList({"n n"}), "ZelvarModels");
    bridge->writeAllCustomPairsToMaster(font.fontMasters()[1]);
    EXPECT_EQ(strings(font.fontMasters()[1]->userDataForKey("ZelvarModels")),
              std::vector<std::string>{"n n"});
}

TEST(StoredState, EveryModelHandedBackLeavesNoneStored) {
    ClosesDocuments closing;
    GSFontBuilder b;
    GSDocument &doc = setUpDemoFont(b).open();
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    bridge->getUiState();
    ZVfontMM &mm = *bridge->get_zvfont();
    const std::vector<ZVglyph_pair> models = mm.get_models("m0");
    ASSERT_EQ(models.size(), 7u);
    const auto kerningBefore = hostKerning(font, "m0");

    mm.set_autos(models, "m0");
    ASSERT_FALSE(mm.get_master("m0").has_models());
    bridge->zvfontToGlyphs();
    // The lists are the engine's; the kerning, which the engine no longer makes, is the host's.
    GSFontMaster *light = font.fontMasters()[0];
    EXPECT_EQ(light->userDataForKey("ZelvarModels"), nullptr);
    EXPECT_EQ(hostKerning(font, "m0"), kerningBefore);
    drain();
}

TEST(StoredState, SpecialSpacingGroupsOfAGlyph) {
    struct Case {
        const char *what;
        std::optional<std::pair<const char *, const char *>> before; // an existing dictionary
        std::int8_t side;
        const char *name;
        std::optional<std::vector<std::pair<std::string, std::string>>> after;
    } cases[] = {
        {"no dictionary, standard: nothing", std::nullopt, 0, "", std::nullopt},
        {"no dictionary, a group", std::nullopt, 1, "round", {{{"R", "round"}}}},
        {"no kerning", std::nullopt, 0, "NoKerning", {{{"L", "NoKerning"}}}},
        {"set in place", {{"L", "a"}}, 1, "b", {{{"L", "a"}, {"R", "b"}}}},
        {"standard removes the side", {{"L", "a"}}, 0, "", {{}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        GSGlyph glyph;
        const PlistDictionary *original = nullptr;
        if (c.before) {
            PlistDictionary d;
            d.setObject(PlistValue(c.before->second), c.before->first);
            glyph.setUserData(PlistValue(d), "ZelvarSpecialSpacing");
            original = glyph.userDataForKey("ZelvarSpecialSpacing")->asDictionary();
        }
        ZVDataToGlyphs bridge;
        bridge.writeTrackingGroupToGlyph(&glyph, c.side, c.name);
        const PlistValue *stored = glyph.userDataForKey("ZelvarSpecialSpacing");
        if (!c.after) {
            EXPECT_EQ(stored, nullptr);
            continue;
        }
        ASSERT_NE(stored, nullptr);
        std::vector<std::pair<std::string, std::string>> entries;
        for (const auto &[k, v] : *stored->asDictionary())
            entries.emplace_back(k, *v.asString());
        EXPECT_EQ(entries, *c.after);
        if (original) {
            EXPECT_EQ(stored->asDictionary(), original); // the same dictionary, changed in place
        }
    }
}

TEST(StoredState, GroupsOfTheGlyphTableAndOfTheSelection) {
    ClosesDocuments closing;
    GSFontBuilder b;
    setUpDemoFont(b);
    PlistDictionary round;
    round.setObject(PlistValue("round"), "L");
    round.setObject(PlistValue("round"), "R");
    b.font().glyphForName("o")->setUserData(PlistValue(round), "ZelvarSpecialSpacing");
    GSDocument &doc = b.open().textTool().tab("oVn").select(0, 3);
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    bridge->getUiState();
    ASSERT_EQ(bridge->selectedLayers().size(), 3u);
    ASSERT_TRUE(bridge->get_zvfont()->set_tracking_group_index("id-V", 1, -1));

    // A glyph added after the engine was built is not in the table: left alone.
    auto late = std::make_unique<GSGlyph>();
    late->setName("late");
    late->setId("id-late");
    late->setUserData(PlistValue("keep"), "ZelvarSpecialSpacing");
    font.addGlyph(std::move(late));
    bridge->writeAllTrackingGroups();
    EXPECT_EQ(ZVDataFromGlyphs::storedTrackingGroupforGlyph(font.glyphForName("V"), "R"),
              "NoKerning");
    EXPECT_EQ(ZVDataFromGlyphs::storedTrackingGroupforGlyph(font.glyphForName("o"), "L"), "round");
    EXPECT_EQ(font.glyphForName("n")->userDataForKey("ZelvarSpecialSpacing"), nullptr);
    EXPECT_EQ(*font.glyphForName("late")->userDataForKey("ZelvarSpecialSpacing")->asString(),
              "keep");

    // The selection o V n: a named group (tag 4), no kerning (3), the standard group (2).
    startAll(*bridge);
    EXPECT_FALSE(bridge->setTrackingGroupForSelectedLayersforSide(0, 4, "")); // no name
    EXPECT_TRUE(bridge->setTrackingGroupForSelectedLayersforSide(0, 4, "round"));
    EXPECT_EQ(groups(*bridge, "V").first, groups(*bridge, "o").first);
    EXPECT_EQ(ZVDataFromGlyphs::storedTrackingGroupforGlyph(font.glyphForName("n"), "L"), "round");
    EXPECT_FALSE(bridge->setTrackingGroupForSelectedLayersforSide(0, 4, "round")); // unchanged
    EXPECT_TRUE(bridge->setTrackingGroupForSelectedLayersforSide(1, 3, "ignored"));
    EXPECT_EQ(groups(*bridge, "n").second, -1);
    EXPECT_EQ(ZVDataFromGlyphs::storedTrackingGroupforGlyph(font.glyphForName("n"), "R"),
              "NoKerning");
    EXPECT_TRUE(bridge->setTrackingGroupForSelectedLayersforSide(1, 2, "ignored"));
    EXPECT_EQ(groups(*bridge, "V").second, 0);
    EXPECT_EQ(ZVDataFromGlyphs::storedTrackingGroupforGlyph(font.glyphForName("V"), "R"),
              std::nullopt);

    // While a master starts up, nothing changes.
    const std::vector<GSFontMaster *> starting = bridge->beginInitialAutokerning({font.fontMasters()[1]});
    EXPECT_FALSE(bridge->setTrackingGroupForSelectedLayersforSide(1, 3, ""));
    EXPECT_EQ(groups(*bridge, "V").second, 0);
    bridge->initalAutokerningForMaster(starting.at(0));
    EXPECT_TRUE(bridge->setTrackingGroupForSelectedLayersforSide(1, 3, ""));
    drain();
}

TEST(StoredState, SpecialSpacingTakenFromAnotherFont) {
    ClosesDocuments closing;
    ScriptedAlerts alerts;
    auto groupsOf = [](std::initializer_list<std::pair<const char *, const char *>> sides) {
        PlistDictionary d;
        for (const auto &[k, v] : sides)
            d.setObject(PlistValue(v), k);
        return PlistValue(d);
    };
    GSFontBuilder b;
    setUpDemoFont(b);
    b.font().glyphForName("n")->setUserData(groupsOf({{"L", "stems"}, {"R", "stems"}}),
                                            "ZelvarSpecialSpacing");
    GSDocument &doc = b.open("Mine");
    GSFontBuilder o("Other");
    o.master("Regular");
    o.glyph("n").userData("ZelvarSpecialSpacing", groupsOf({{"R", "arches"}}));
    o.glyph("V").userData("ZelvarSpecialSpacing", groupsOf({{"L", "NoKerning"}}));
    o.glyph("extra").userData("ZelvarSpecialSpacing", groupsOf({{"L", "x"}}));
    o.glyph("o");
    GSDocument &other = o.open("Other");
    auto bridge = builtWriter(doc);
    GSFont &font = *doc.font();
    startAll(*bridge);
    ASSERT_EQ(groups(*bridge, "n").first, groups(*bridge, "n").second);
    ASSERT_GE(groups(*bridge, "n").first, 2);

    const std::string message =
        "This will overwrite the special spacing and no-kerning settings for all glyphs in this font.";
    NSAlertScript::expect(message, "Cancel");
    bridge->syncKerningTypes(other.font());
    EXPECT_EQ(ZVDataFromGlyphs::storedTrackingGroupforGlyph(font.glyphForName("n"), "L"), "stems");

    NSAlertScript::expect(message, "OK");
    bridge->syncKerningTypes(other.font());
    ASSERT_EQ(NSAlertScript::log().size(), 2u);
    EXPECT_EQ(NSAlertScript::log()[1].buttons, (std::vector<std::string>{"OK", "Cancel"}));
    // n's left side had a group the other font's n has not: it is standard again.
    EXPECT_EQ(groups(*bridge, "n").first, 0);
    EXPECT_GE(groups(*bridge, "n").second, 2);
    EXPECT_EQ(bridge->get_zvfont()->glyphsinfo.tracking_group_names[static_cast<std::size_t>(
                  groups(*bridge, "n").second)],
              "arches");
    EXPECT_EQ(groups(*bridge, "V").first, -1);
    EXPECT_EQ(font.glyphForName("o")->userDataForKey("ZelvarSpecialSpacing"), nullptr);
    // A copy: changing the other font's settings later changes nothing here.
    other.font()->glyphForName("n")->userDataForKey("ZelvarSpecialSpacing")->asDictionary()->setObject(
        PlistValue("changed"), "R");
    EXPECT_EQ(ZVDataFromGlyphs::storedTrackingGroupforGlyph(font.glyphForName("n"), "R"), "arches");

    // Refused while a master starts up: no alert.
    bridge->beginInitialAutokerning({font.fontMasters()[0]});
    bridge->syncKerningTypes(other.font());
    EXPECT_EQ(NSAlertScript::log().size(), 2u);
    bridge->initalAutokerningForMaster(font.fontMasters()[0]);
    drain();
}

TEST(StoredState, InterpolationAndAutokerningMarksOfTheCurrentMaster) {
    ClosesDocuments closing;
    {
        // Two masters: nothing to interpolate from; the master stays as it is.
        GSFontBuilder b;
        b.master("Light", 500, 700, {100}).master("Bold", 500, 700, {700});
        addDemoGlyphs(b);
        b.font().ensureKerning();
        b.masterUserData(0, "ZelvarModels", kDemoModels);
        b.kern("T", "o", -80, 0);
        GSDocument &doc = b.open("Two");
        auto bridge = builtWriter(doc);
        startAll(*bridge);
        bridge->getUiState();
        bridge->toggleInterpolateCurrentMaster();
        EXPECT_EQ(bridge->get_zvfont()->masters[0].status, ZVfont::kerned);
        EXPECT_EQ(doc.font()->fontMasters()[0]->userDataForKey("ZelvarIsInterpolated"), nullptr);
        EXPECT_NE(doc.font()->fontMasters()[0]->userDataForKey("ZelvarModels"), nullptr);
    }
    GSFontBuilder b;
    setUpDemoFont(b);
    b.masterUserData(1, "ZelvarAutokernedFrom", pairList({"", "Light"}));
    GSDocument &doc = b.open().master(1);
    GSFont &font = *doc.font();
    GSFontMaster *regular = font.fontMasters()[1];
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    bridge->initAutokernedFrom();
    bridge->getUiState();
    ZVfontMM &mm = *bridge->get_zvfont();
    ASSERT_EQ(mm.masters[1].status, ZVfont::engine_taken_over);

    bridge->setCurrentMasterHasChanged(false);
    bridge->unAutokernCurrentMaster();
    EXPECT_EQ(regular->userDataForKey("ZelvarAutokernedFrom"), nullptr);
    EXPECT_TRUE(bridge->currentMasterHasChanged());
    EXPECT_EQ(mm.masters[1].status, ZVfont::kerned);

    bridge->zvfontToGlyphs();
    ASSERT_NE(regular->userDataForKey("ZelvarModels"), nullptr);
    bridge->toggleInterpolateCurrentMaster();
    EXPECT_EQ(mm.masters[1].status, ZVfont::interpolated);
    EXPECT_EQ(*regular->userDataForKey("ZelvarIsInterpolated"), PlistValue(1));
    for (const char *key : {"ZelvarModels", "ZelvarIndependentPairs", "ZelvarUserSetAutopairs"})
        EXPECT_EQ(regular->userDataForKey(key), nullptr) << key;
    bridge->toggleInterpolateCurrentMaster();
    EXPECT_EQ(mm.masters[1].status, ZVfont::kerned);
    EXPECT_EQ(regular->userDataForKey("ZelvarIsInterpolated"), nullptr);
    EXPECT_NE(regular->userDataForKey("ZelvarModels"), nullptr); // written with the kerning

    // A master waiting for a source font that is not open, interpolated instead: the mark goes,
    // so that it reopens interpolated, not waiting.
    regular->setUserData(pairList({"Closed", "Bold"}), "ZelvarAutokernedFrom");
    bridge->initAutokernedMaster(regular);
    ASSERT_EQ(mm.masters[1].status, ZVfont::engine_taken_over);
    bridge->toggleInterpolateCurrentMaster();
    EXPECT_EQ(mm.masters[1].status, ZVfont::interpolated);
    EXPECT_EQ(regular->userDataForKey("ZelvarAutokernedFrom"), nullptr);
    drain();
}

TEST(StoredState, ModelsCopiedFromAnotherMaster) {
    ClosesDocuments closing;
    ScriptedAlerts alerts;
    ZVVersionChecker::zv()->setPluginLogo(std::make_shared<NSImage>("/res/ZV-logo.png"));
    GSFontBuilder b;
    setUpDemoFont(b);
    b.masterUserData(1, "ZelvarModels", pairList({"n n", "H H", "o o", "V o"}));
    b.kern("V", "o", -60, 1).kern("o", "o", -10, 1);
    GSDocument &doc = b.open().master(1);
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    bridge->getUiState();
    ZVfontMM &mm = *bridge->get_zvfont();
    const std::uint16_t t = bridge->zvIndexForGlyphName("T"), o = bridge->zvIndexForGlyphName("o");
    auto valueOfTo = [&] { return mm.get_pair({t, o}, "m1").value; };

    // No clash: copied without asking.
    bridge->addModelsAndIndependentsFromMaster(font.fontMasters()[0]);
    EXPECT_TRUE(NSAlertScript::log().empty());
    EXPECT_EQ(mm.get_number_of_models("m1"), 7u);
    EXPECT_EQ(valueOfTo(), -80);

    // Bold's T o differs now: Cancel, Keep, Update.
    font.setKerningForFontMasterID("m2", "id-T", "id-o", -40, 0);
    const std::string ask = "Some pairs already exist in the current master.\nWould you like to "
                            "keep the values for these pairs, or use the values from Bold?";
    for (const char *answer : {"Cancel", "Keep"}) {
        NSAlertScript::expect(ask, answer);
        bridge->addModelsAndIndependentsFromMaster(font.fontMasters()[2]);
        EXPECT_EQ(valueOfTo(), -80) << answer;
    }
    NSAlertScript::expect(ask, "Update");
    bridge->addModelsAndIndependentsFromMaster(font.fontMasters()[2]);
    EXPECT_EQ(valueOfTo(), -40);
    const std::vector<NSAlertScript::Record> log = NSAlertScript::log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].buttons, (std::vector<std::string>{"Keep", "Update", "Cancel"}));
    EXPECT_EQ(log[0].icon, "ZV-logo");

    // From another font: "font" and "the other font".
    GSFontBuilder ob("Other");
    setUpDemoFont(ob);
    ob.kern("T", "o", -30, 0);
    GSDocument &other = ob.open("Other");
    NSAlertScript::expect("Some pairs already exist in the current font.\nWould you like to keep "
                          "the values for these pairs, or use the values from the other font?",
                          "Cancel");
    bridge->addModelsAndIndependentsFromMaster(other.font()->fontMasters()[0]);
    EXPECT_EQ(NSAlertScript::unusedAnswers(), 0u);
    ZVVersionChecker::zv()->setPluginLogo(nullptr);
    drain();
}
