// The edit tabs: text appended or inserted at the cursor's line, the cursor put into the last
// occurrence of a pair, pair texts, the visible text handed to the engine, the list of changes,
// the comparison with another open font, and the special spacing groups shown.
#include "writer_fixture.h"

#include "host/GSUnicodeText.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

std::string tabText(const GSDocument &doc) {
    const GSEditViewController *tab = doc.windowController()->activeEditViewController();
    return tab ? tab->graphicView()->displayString() : "<no tab>";
}

std::size_t cursor(const GSDocument &doc) {
    return doc.windowController()->activeEditViewController()->graphicView()->selectedRange().location;
}

// A few letters, and mathA beyond the 16-bit range, in one master, with the text tool second.
GSFontBuilder &letters(GSFontBuilder &b) {
    b.master("Regular");
    const std::pair<const char *, const char *> glyphs[] = {
        {"A", "0041"}, {"V", "0056"}, {"T", "0054"}, {"o", "006F"}, {"mathA", "1D49C"}};
    for (const auto &[name, unicode] : glyphs)
        b.glyph(name).unicode(unicode).category("Letter", "Uppercase").script("latin").rect(
            50, 0, 450, 700);
    return b;
}

ZVglyph_pair pair(const ZVDataFromGlyphs &b, const char *l, const char *r) {
    return {b.zvIndexForGlyphName(l), b.zvIndexForGlyphName(r)};
}

} // namespace

TEST(Tabs, TextIntoTheTabAndTheCursorIntoAPair) {
    struct Case {
        const char *what;
        std::optional<std::string> tab; // the tab in front, none for the font overview
        std::size_t cursorBefore;
        const char *added;
        bool insert, newTab;
        std::optional<std::pair<const char *, const char *>> pairAt;
        std::string after;
        std::size_t cursorAfter;
    } cases[] = {
        {"appended", "AV", 0, "To", false, false, std::nullopt, "AVTo", 0},
        {"inserted at the end of the cursor's line", "AV\nTo", 1, "oo", true, false, std::nullopt,
         "AVoo\nTo", 1},
        {"inserted on the last line: at the end", "AV\nTo", 4, "AA", true, false, std::nullopt,
         "AV\nToAA", 4},
        {"no tab: a new one", std::nullopt, 0, "AV", false, false, std::nullopt, "AV", 0},
        {"a new tab asked for", "TT", 1, "AV", true, true, std::nullopt, "AV", 0},
        {"the cursor into the last occurrence", "AV\nTo", 0, "\nAV\n", false, false,
         std::pair{"A", "V"}, "AV\nTo\nAV\n", 7},
        {"a first glyph beyond 16 bits: behind both of its units", "", 0,
         "\U0001D49CV \U0001D49CV", false, false, std::pair{"mathA", "V"},
         "\U0001D49CV \U0001D49CV", 6},
        {"a pair not in the text leaves the cursor", "AV", 1, "o", false, false,
         std::pair{"T", "o"}, "AVo", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ClosesDocuments closing;
        GSFontBuilder b;
        zvtesting::DocumentBuilder doc = letters(b).open().tools({"GlyphsToolSelect", "GlyphsToolText"});
        if (c.tab)
            doc.tab(*c.tab).cursor(c.cursorBefore);
        auto bridge = builtWriter(doc);
        const std::optional<ZVglyph_pair> p =
            c.pairAt ? std::optional(pair(*bridge, c.pairAt->first, c.pairAt->second)) : std::nullopt;
        bridge->addStringToTab(c.added, c.insert, p ? &*p : nullptr, c.newTab);
        EXPECT_EQ(tabText(doc), c.after);
        EXPECT_EQ(cursor(doc), c.cursorAfter);
        EXPECT_EQ(doc.document().windowController()->selectedToolIndex(), 1u);
        EXPECT_EQ(doc.document().windowController()->tabs().size(),
                  (c.tab ? 1u : 0u) + (c.newTab || !c.tab ? 1u : 0u));
    }
}

TEST(Tabs, PairTexts) {
    ClosesDocuments closing;
    GSFontBuilder b;
    letters(b).glyph("n").unicode("006E").category("Letter", "Lowercase").script("latin");
    GSDocument &doc = b.open().tab("TT");
    auto bridge = builtWriter(doc);
    const ZVglyph_pair av = pair(*bridge, "A", "V"), on = pair(*bridge, "o", "n");

    bridge->addPairsToNewTab({av, on});
    EXPECT_EQ(tabText(doc), "AV\non\n");
    EXPECT_EQ(doc.windowController()->tabs().size(), 2u);

    ZVsimplepair r;
    r.indices = av;
    bridge->addWrappedPairsToTab({r}, &av, false);
    EXPECT_EQ(tabText(doc), "AV\non\n\nTEHAVDIV ");
    EXPECT_EQ(cursor(doc), 11u); // behind A of the last A V
    EXPECT_TRUE(bridge->ignore_observers());
    drain();

    bridge->showGlyphPartner(on);
    EXPECT_EQ(tabText(doc), "AV\non\n\nTEHAVDIV \nonider "); // o is a capital here
    EXPECT_EQ(cursor(doc), 18u);
}

TEST(Tabs, TheVisibleTextIsKernedAndWritten) {
    ClosesDocuments closing;
    GSFontBuilder b;
    GSDocument &doc = setUpDemoFont(b).open().textTool().tab("nono");
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    bridge->getUiState();
    bridge->zvfontToGlyphs();
    drain();
    int told = 0;
    font.addObserver("kerning", [&] { ++told; });

    // One new pair shown: that pair alone is written.
    zvtesting::DocumentBuilder(doc).tab("nono").cursor(1);
    bridge->setRequiredText();
    EXPECT_EQ(told, 0); // n o, o n and o o are models: nothing new
    doc.windowController()->activeEditViewController()->graphicView()->setDisplayString("nonoHo");
    bridge->setRequiredText();
    EXPECT_EQ(told, 1);
    const double ho = font.kerningForFontMasterIDLeftKey("m0", "id-H", "id-o", 0);
    EXPECT_LT(ho, 1e6);
    EXPECT_EQ(
        ho, *ZVDataToGlyphs::writtenValue(
                bridge->get_zvfont()->get_pair(pair(*bridge, "H", "o"), "m0"), font.unitsPerEm()) +
                0.0);

    // A master still starting up hands nothing to the engine.
    bridge->beginInitialAutokerning({font.fontMasters()[0]});
    doc.windowController()->activeEditViewController()->graphicView()->setDisplayString("pVHV");
    bridge->setRequiredText();
    EXPECT_EQ(told, 1);
    bridge->initalAutokerningForMaster(font.fontMasters()[0]);
    bridge->setRequiredText();
    EXPECT_GT(told, 1);
    drain();
}

TEST(Tabs, TheListOfChanges) {
    ClosesDocuments closing;
    GSFontBuilder b;
    letters(b).master("Bold");
    GSDocument &doc = b.open();
    auto bridge = builtWriter(doc);
    const ZVglyph_pair av = pair(*bridge, "A", "V"), to = pair(*bridge, "T", "o"),
                       vo = pair(*bridge, "V", "o"), ta = pair(*bridge, "T", "A");
    const std::vector<ZVfont::change> changes = {
        {av, -50, -3.4f}, {to, -60, -0.2f}, {vo, 0, 0.0f}, {ta, 10, 5.5f}};
    EXPECT_EQ(bridge->stringFromChanges(changes, doc.font()->fontMasters()[1]),
              "Changes in Bold:\n\nAV  -3\nTo  0\n\nVo  0\nTA  +6\n");
    EXPECT_EQ(bridge->stringFromChanges({}, doc.font()->fontMasters()[1]), std::nullopt);
    GSFontBuilder one;
    letters(one);
    GSDocument &single = one.open("Single");
    auto singleBridge = builtWriter(single);
    EXPECT_EQ(singleBridge->stringFromChanges({{av, -1, 1.0f}}, single.font()->fontMasters()[0]),
              "AV  +1\n"); // one master: no heading
}

TEST(Tabs, ComparedWithAnotherOpenFont) {
    ClosesDocuments closing;
    ScriptedAlerts alerts;
    GSFontBuilder b;
    GSDocument &doc = setUpDemoFont(b).open("Mine");
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    bridge->getUiState();
    auto other = [&](const char *name, int counterpart,
                     std::vector<std::tuple<const char *, const char *, int>> kerning) {
        GSFontBuilder o(name);
        o.master("Light", 500, 700, {100}).master("Regular", 500, 700, {400});
        o.master("Bold", 500, 700, {700});
        addDemoGlyphs(o);
        o.kern("T", "o", -20, 0); // a model here: not among the changes
        for (const auto &[l, r, v] : kerning)
            o.kern(l, r, v, 0);
        if (counterpart == 1)
            o.masterParameter(0, "Link Metrics With Master", PlistValue("m2"));
        if (counterpart == 2)
            o.font().fontMasters()[0]->setXHeight(0);
        return o.open(name).document().font();
    };
    // The changes against the other font's kerning, decreases first: p o -30 there, -10 here;
    // T O 0 there, -40 here; H o, absent there, -4 here.
    GSFont *usable = other("Usable", 0, {{"T", "O", 0}, {"p", "o", -30}});
    const std::optional<std::string> text = bridge->compareMaster(doc.font()->fontMasters()[0], usable);
    EXPECT_EQ(text, "Changes in Light:\n\nTO  -40\nHo  -4\n\npo  +20\n");
    ASSERT_TRUE(text);
    bridge->compareToFont(usable);
    EXPECT_EQ(tabText(doc), *text);
    EXPECT_EQ(doc.windowController()->tabs().size(), 1u);

    // A font without kerning of that master gives none.
    GSFont *none = other("None", 0, {});
    none->kerningDictionary()->removeAllObjects();
    EXPECT_EQ(bridge->compareMaster(doc.font()->fontMasters()[0], none), std::nullopt);
    // A counterpart with linked metrics, or without an x-height, is none: the alert.
    for (GSFont *font : {other("Linked", 1, {{"p", "o", 0}}), other("Flat", 2, {{"p", "o", 0}})}) {
        EXPECT_EQ(bridge->compareMaster(doc.font()->fontMasters()[0], font), std::nullopt);
        NSAlertScript::expect("No kerning changes found.", "OK");
        bridge->compareToFont(font);
    }
    // While the current master starts, the comparison says that it waits, not that nothing
    // changed.
    GSFontMaster *light = doc.font()->fontMasters()[0];
    bridge->beginInitialAutokerning({light});
    NSAlertScript::expect(
        "The comparison waits until this master has started. Please try again in a moment.", "OK");
    bridge->compareToFont(usable);
    EXPECT_EQ(doc.windowController()->tabs().size(), 1u);
    bridge->initalAutokerningForMaster(light);
    EXPECT_EQ(NSAlertScript::unusedAnswers(), 0u);
    drain();
}

TEST(Tabs, SpecialSpacingGroupsShown) {
    ClosesDocuments closing;
    GSFontBuilder b;
    setUpDemoFont(b);
    for (const char *g : {"n", "o"}) {
        PlistDictionary d;
        d.setObject(PlistValue("round"), "R");
        b.font().glyphForName(g)->setUserData(PlistValue(d), "ZelvarSpecialSpacing");
    }
    GSDocument &doc = b.open();
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    bridge->getUiState();
    const ZVfontMM &mm = *bridge->get_zvfont();
    bridge->showSpacingGroupAndModelsForGroup("round");
    const std::string info = doc.font()->charStringFromDisplayString(mm.get_special_spacing_info("round"));
    ASSERT_FALSE(info.empty());
    const std::string shown = tabText(doc);
    EXPECT_EQ(shown.rfind(info, 0), 0u);
    EXPECT_NE(shown.find("no\n"), std::string::npos) << shown; // a model of the group
    bridge->showSpacingGroupsOverview();
    EXPECT_EQ(doc.windowController()->tabs().size(), 2u);
    EXPECT_EQ(tabText(doc), doc.font()->charStringFromDisplayString(mm.get_special_spacing_info("")));
    drain();
}
