// Following the host: master, selection, the pair at the text cursor, the tab's glyphs, and the
// texts that show pairs.
#include "bridge_fixture.h"
#include "host/GSUnicodeText.h"

#include <gtest/gtest.h>

using namespace PLXlibNamespaceForZV;
using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

// A, V, a.alt (unencoded, shown as U+F0002), grin (U+1F600), acute (a mark), two Cyrillic
// letters and a small capital, in two masters.
GSFontBuilder uiFont() {
    GSFontBuilder b;
    b.master("Regular").master("Bold");
    b.glyph("A").unicode("0041").category("Letter", "Uppercase").script("latin").rect(0, 0, 9, 9);
    b.glyph("V").unicode("0056").category("Letter", "Uppercase").script("latin").rect(0, 0, 9, 9);
    b.glyph("a.alt").category("Letter", "Lowercase").script("latin").rect(0, 0, 9, 9);
    b.glyph("grin").unicode("1F600").category("Symbol").rect(0, 0, 9, 9);
    b.glyph("acute").unicode("00B4").category("Mark", "Spacing");
    b.glyph("n").unicode("006E").category("Letter", "Lowercase").script("latin");
    b.glyph("be-cy").unicode("0431").category("Letter", "Lowercase").script("cyrillic");
    b.glyph("ve-cy").unicode("0432").category("Letter", "Lowercase").script("cyrillic");
    b.glyph("fi").unicode("FB01").category("Letter", "Ligature").script("latin");
    return b;
}

std::string utf8(char32_t c) {
    std::string s;
    appendUTF8(s, c);
    return s;
}

} // namespace

TEST(BridgeUiState, PairAtTheCursorAndPairsOfASelection) {
    ClosesDocuments closing;
    zvtesting::DocumentBuilder doc = uiFont().open().tools({"GlyphsToolSelect", "GlyphsToolText"});
    auto bridge = built(doc);
    GSFont *font = doc.document().font();
    auto idx = [&](const char *n) { return bridge->zvIndexForGlyphName(n); };
    auto layer = [&](const char *n) { return font->glyphForName(n)->layers()[0]; };
    const ZVglyph_pair AV{idx("A"), idx("V")}, VA{idx("V"), idx("A")}, altV{idx("a.alt"), idx("V")};
    struct Step {
        const char *what;
        const char *tab; // nullptr: keep the tab
        std::size_t first, count;
        bool textTool;
        std::vector<ZVglyph_pair> pairs;
        const char *pairFirst; // nullptr: no pair layers
        bool pairsChanged;
    } steps[] = {
        {"cursor inside AV", "AV", 1, 0, true, {AV}, "A", true},
        {"the same again", nullptr, 1, 0, true, {AV}, "A", false},
        {"cursor at the start", nullptr, 0, 0, true, {}, nullptr, true},
        {"cursor at the end", nullptr, 2, 0, true, {}, nullptr, false},
        {"both selected", nullptr, 0, 2, true, {AV}, "A", true},
        {"three selected", "AVA", 0, 3, true, {AV, VA}, nullptr, true},
        {"a line break between", "A\nV", 0, 3, true, {}, nullptr, true},
        {"a glyph outside the BMP", "A/a.alt V", 2, 0, true, {altV}, "a.alt", true},
        {"no glyph after the cursor", "A?", 1, 0, true, {}, nullptr, true},
        {"back inside AV", "AV", 1, 0, true, {AV}, "A", true},
        {"another tool", nullptr, 1, 0, false, {}, nullptr, true},
        {"the text tool again", nullptr, 1, 0, true, {AV}, "A", true},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.what);
        if (s.tab)
            doc.tab(s.tab);
        doc.select(s.first, s.count);
        doc.tool(s.textTool ? "GlyphsToolText" : "GlyphsToolSelect");
        bridge->setPairsHaveChanged(false);
        bridge->getUiState();
        EXPECT_EQ(*bridge->currentPairs(), s.pairs);
        EXPECT_EQ(bridge->pairsHaveChanged(), s.pairsChanged);
        if (s.pairFirst) {
            EXPECT_EQ(bridge->pairFirstLayer(), layer(s.pairFirst));
        } else {
            EXPECT_EQ(bridge->pairFirstLayer(), nullptr);
            EXPECT_EQ(bridge->pairSecondLayer(), nullptr);
        }
    }
    // Leaving the tab for the font overview ends the pairs.
    doc.document().windowController()->setActiveEditViewController(nullptr);
    bridge->getUiState();
    EXPECT_TRUE(bridge->currentPairs()->empty());
}

TEST(BridgeUiState, MasterAndSelectionChanges) {
    ClosesDocuments closing;
    zvtesting::DocumentBuilder doc = uiFont().open().textTool().tab("AV\nA").select(0, 4);
    auto bridge = built(doc);
    bridge->setCurrentMasterHasChanged(false);
    bridge->setSelectionHasChanged(false);
    bridge->getUiState();
    EXPECT_TRUE(bridge->selectionHasChanged()); // the line break is left out
    EXPECT_EQ(bridge->selectedLayers().size(), 3u);
    EXPECT_TRUE(bridge->anyLettersSelected());
    EXPECT_FALSE(bridge->currentMasterHasChanged());

    doc.master(1);
    bridge->setSelectionHasChanged(false);
    bridge->getUiState();
    EXPECT_TRUE(bridge->currentMasterHasChanged());
    EXPECT_EQ(bridge->get_zvfont()->current_master_index, 1);
    EXPECT_EQ(bridge->currentMaster(), doc.document().font()->fontMasters()[1]);
    EXPECT_TRUE(bridge->selectionHasChanged()); // the Bold layers now
    EXPECT_EQ(bridge->layerForZvIndex(0)->associatedMasterId(), "m1");
}

TEST(BridgeUiState, TheTabsGlyphsOnePerLayer) {
    ClosesDocuments closing;
    GSDocument &doc = uiFont().open().tab("A\n/a.alt ?/grin");
    auto bridge = built(doc);
    const auto idx = [&](const char *n) { return bridge->zvIndexForGlyphName(n); };
    EXPECT_EQ(bridge->textInTab(), (std::vector<std::uint16_t>{idx("A"), ZV_NO_GLYPH, idx("a.alt"),
                                                               ZV_NO_GLYPH, idx("grin")}));
    doc.windowController()->setActiveEditViewController(nullptr);
    EXPECT_TRUE(bridge->textInTab().empty());
}

TEST(BridgeTexts, GlyphsAndPairsAsText) {
    ClosesDocuments closing;
    GSDocument &doc = uiFont().open();
    auto bridge = built(doc);
    const auto idx = [&](const char *n) { return bridge->zvIndexForGlyphName(n); };
    const ZVglyph_pair none{ZV_NO_GLYPH, ZV_NO_GLYPH}, halfNone{idx("A"), ZV_NO_GLYPH};
    const ZVglyph_pair AV{idx("A"), idx("V")}, altGrin{idx("a.alt"), idx("grin")},
        Aacute{idx("A"), idx("acute")};
    const std::string alt = utf8(0xF0002), grin = utf8(0x1F600);
    EXPECT_EQ(bridge->stringForZvIndices(&AV), "AV");
    EXPECT_EQ(bridge->stringForZvIndices(&altGrin), alt + grin);
    EXPECT_EQ(bridge->stringForZvIndices(&none), "");
    EXPECT_EQ(bridge->stringForZvIndices(&halfNone), "A");
    EXPECT_EQ(bridge->slashedGlyphNamesForPair(&altGrin), "/a.alt /grin ");
    EXPECT_EQ(bridge->slashedGlyphNamesForPair(&halfNone), "");
    EXPECT_EQ(bridge->safeStringForPair(&AV), "AV");
    EXPECT_EQ(bridge->safeStringForPair(&altGrin), "a.alt\u200A\u2212\u200Agrin");
    EXPECT_EQ(bridge->safeStringForPair(&Aacute), "A\u200A\u2212\u200Aacute");
    EXPECT_EQ(bridge->safeStringForPair(&halfNone), "");
}

TEST(BridgeTexts, WhichCharactersTheHostCanShow) {
    struct Case {
        const char *unicode, *category;
        bool shown;
    } cases[] = {
        {"0041", "Letter", true},  {"001F", "Other", false},   {"00AD", "Other", false},
        {"2011", "Other", false},  {"E000", "Other", false},   {"F8FF", "Other", false},
        {"FB01", "Letter", false}, {"FB05", "Letter", true},   {"0301", "Mark", false},
        {"F0000", "Other", false}, {"10FFFD", "Other", false}, {"1F600", "Symbol", true},
        {"", "Letter", false},
    };
    GSFontBuilder b;
    b.master("Regular");
    for (const Case &c : cases) {
        auto g = b.glyph(std::string("g") + c.unicode + c.category).category(c.category);
        if (*c.unicode)
            g.unicode(c.unicode);
        EXPECT_EQ(ZVDataFromGlyphs::canDisplayUnicodeCharacterForGlyph(&g.glyph()), c.shown)
            << c.unicode;
    }
    EXPECT_FALSE(ZVDataFromGlyphs::canDisplayUnicodeCharacterForGlyph(nullptr));
}

TEST(BridgeTexts, PairsAmongContextGlyphs) {
    ClosesDocuments closing;
    GSDocument &doc = uiFont().open();
    auto bridge = built(doc);
    const auto pair = [&](const char *l, const char *r) {
        return ZVglyph_pair{bridge->zvIndexForGlyphName(l), bridge->zvIndexForGlyphName(r)};
    };
    const std::string alt = utf8(0xF0002);
    struct Case {
        ZVglyph_pair p;
        std::string v2, v3 = ""; // v3 empty: as v2
    } cases[] = {
        {pair("n", "n"), "ninnid "},
        {pair("a.alt", "n"), "ni" + alt + "nid "},
        {pair("A", "n"), "Anider "},
        {pair("A", "V"), "TEHAVDIV "},
        {pair("be-cy", "ve-cy"), "\u0431\u0432"}, // no wrapper for Cyrillic: the pair alone
        // A ligature: its subcategory is no case (version 2); the version-3 host reads `case`,
        // where no case counts as lower case.
        {pair("A", "fi"), "A\uFB01", "A\uFB01ider "},
        {{bridge->zvIndexForGlyphName("A"), ZV_NO_GLYPH}, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.v2);
        const std::string &expected = ZV_HOST_VERSION == 3 && !c.v3.empty() ? c.v3 : c.v2;
        EXPECT_EQ(bridge->wrappedStringForPair(&c.p), expected);
    }
}

TEST(BridgeTexts, PairsThatLimitAValue) {
    ClosesDocuments closing;
    // The source font orders its glyphs V, A: its engine's index 0 is V.
    GSFontBuilder source("Source");
    source.master("Regular");
    source.glyph("V").unicode("0056");
    source.glyph("A").unicode("0041");
    source.open("Source");
    GSFontBuilder b = uiFont();
    GSDocument &doc = b.open("Mine");
    auto bridge = built(doc);
    const auto pack = [](std::uint16_t l, std::uint16_t r) {
        return static_cast<std::uint32_t>(l) | static_cast<std::uint32_t>(r) << 16;
    };
    const std::uint16_t A = bridge->zvIndexForGlyphName("A"), V = bridge->zvIndexForGlyphName("V");
    EXPECT_EQ(bridge->stringForInfluencer(pack(A, V)), "AV");
    EXPECT_EQ(bridge->stringForInfluencer(pack(ZV_NO_GLYPH, V)), "\u25C0\u25B6");
    EXPECT_EQ(bridge->stringForInfluencer(pack(ZV_NO_GLYPH, ZV_NO_GLYPH)), "");
    EXPECT_EQ(bridge->stringForInfluencer(pack(A, 999)), "");

    // Autokerned from the source font: the indices are the source engine's.
    GSFontMaster *current = doc.font()->fontMasters()[0];
    current->setUserData(pairList({"Source", "Regular"}), "ZelvarAutokernedFrom");
    EXPECT_EQ(bridge->stringForInfluencer(pack(0, 1)), "(VA)");
    EXPECT_EQ(bridge->stringForInfluencer(pack(0, 2)), "");
    // Autokerned from a master of this font: this font's order.
    current->setUserData(pairList({"", "Bold"}), "ZelvarAutokernedFrom");
    EXPECT_EQ(bridge->stringForInfluencer(pack(A, V)), "(AV)");
}
