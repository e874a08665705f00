// The kerning writer: the whole number written for a record, a whole master's engine pairs written
// in place with one notification and every other entry left, the masters whose host kerning
// stays, single pairs, the live preview, the erase, and the bridge's own writes marked for the
// observers until the next turn.
#include "writer_fixture.h"

#include <gtest/gtest.h>

using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

constexpr float kOpenLow = ZV_NO_LOWER_BOUND, kOpenHigh = ZV_NO_VALUE;

ZVsimplepair record(std::uint16_t l, std::uint16_t r, float v, std::uint8_t properties = 0,
                    float lo = kOpenLow, float hi = kOpenHigh) {
    ZVsimplepair p;
    p.indices = {l, r};
    p.value = v;
    p.value_min = lo;
    p.value_max = hi;
    p.properties.c = properties;
    return p;
}

// Five glyphs A V T o n (indices 0 to 4) in two masters.
GSFontBuilder &fiveGlyphs(GSFontBuilder &b) {
    b.master("Regular").master("Bold");
    const std::pair<const char *, const char *> glyphs[] = {
        {"A", "0041"}, {"V", "0056"}, {"T", "0054"}, {"o", "006F"}, {"n", "006E"}};
    for (const auto &[name, unicode] : glyphs)
        b.glyph(name).unicode(unicode).rect(50, 0, 450, 500);
    return b;
}

} // namespace

TEST(KerningWriter, WholeNumberWrittenForARecord) {
    struct Case {
        const char *what;
        float value;
        std::uint8_t properties;
        float lo, hi;
        std::optional<int> written;
    } cases[] = {
        {"1.4: 2 costs 0.6, 0 costs 1.05", 1.4f, 0, kOpenLow, kOpenHigh, 2},
        {"0.9: 0 is cheaper and not written", 0.9f, 0, kOpenLow, kOpenHigh, std::nullopt},
        {"-2.5: -2 costs 0.25, -3 costs 0.5", -2.5f, 0, kOpenLow, kOpenHigh, -2},
        {"-1 goes to 0, never -1", -1.0f, 0, kOpenLow, kOpenHigh, std::nullopt},
        {"a tie goes to the floor", -2.5f, 0, kOpenLow, -2.0625f, -3},
        {"above the upper bound costs four times", 5.3f, 0, kOpenLow, 5.0f, 5},
        {"below the lower bound costs four times", 2.2f, 0, 2.5f, kOpenHigh, 3},
        {"set by the designer: nearest, 0.4 to 0", 0.4f, 0x02, kOpenLow, kOpenHigh, 0},
        {"set by the designer: -1.5 to -2", -1.5f, 0x02, kOpenLow, kOpenHigh, -2},
        {"set by the designer: 1.4 to 1", 1.4f, 0x03, kOpenLow, kOpenHigh, 1},
        {"0 kept as 0", 0.0f, 0x04, kOpenLow, kOpenHigh, 0},
        {"0 not kept", 0.0f, 0, kOpenLow, kOpenHigh, std::nullopt},
        {"0.9 kept as 0", 0.9f, 0x04, kOpenLow, kOpenHigh, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(
            ZVDataToGlyphs::writtenValue(record(0, 1, c.value, c.properties, c.lo, c.hi), 1000),
            c.written);
    }
}

// No kerning of a whole em or more is ever right: it is not written, whoever set it, and the
// pair is noted.
TEST(KerningWriter, NoValueOfAnEmOrMoreIsWritten) {
    const struct {
        float value;
        std::uint8_t properties;
        double unitsPerEm;
        std::optional<int> written;
    } cases[] = {
        {999.4f, 0, 1000, 999},
        {999.6f, 0, 1000, std::nullopt},
        {-1000.f, 0, 1000, std::nullopt},
        {1862.f, 0x02, 1000, std::nullopt},
        {-1200.f, 0x03, 1000, std::nullopt},
        {1862.f, 0, 2048, 1862},
        {1000.f, 0x04, 1000, std::nullopt},
    };
    ZVbeyondAnEm beyond;
    std::size_t expected = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " in " << c.unitsPerEm << " units per em");
        const std::uint16_t right = static_cast<std::uint16_t>(expected + 1);
        EXPECT_EQ(ZVDataToGlyphs::writtenValue(record(0, right, c.value, c.properties),
                                               c.unitsPerEm, &beyond),
                  c.written);
        expected += !c.written;
        EXPECT_EQ(beyond.count, expected);
    }
    EXPECT_EQ(beyond.first.size(), std::min<std::size_t>(expected, ZVbeyondAnEm::kNamed));
    EXPECT_EQ(beyond.first.front(), (ZVglyph_pair{0, 1}));
}

// A glyph drawn an em left of its origin (as a coding ligature draws over the glyphs before it):
// the engine opens the pairs it ends by more than an em; they are left unkerned and counted for
// the master, and a single pair written is unkerned too.
TEST(KerningWriter, AGlyphDrawnAnEmLeftOfItsOriginIsLeftUnkerned) {
    ClosesDocuments closing;
    GSFontBuilder b;
    setUpDemoFont(b);
    b.glyph("x")
        .unicode("0078")
        .category("Letter", "Lowercase")
        .script("latin")
        .width(200)
        .rect(-1300, 0, 150, 500);
    GSDocument &doc = b.open().textTool().tab("nxoxHx");
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    bridge->getUiState();
    bridge->setRequiredText();
    bridge->zvfontToGlyphs();
    drain();
    const ZVglyph_pair nx{bridge->zvIndexForId(font.glyphForName("n")->id()),
                          bridge->zvIndexForId(font.glyphForName("x")->id())};
    const ZVsimplepair engine = bridge->get_zvfont()->get_pair(nx, "m0");
    ASSERT_GE(engine.value, font.unitsPerEm()) << "the engine opens n/x by more than an em";
    const auto written = hostKerning(font, "m0");
    EXPECT_FALSE(written.count({"n", "x"}));
    for (const auto &[pair, value] : written)
        EXPECT_LT(std::fabs(value), font.unitsPerEm()) << pair.first << " " << pair.second;
    const ZVbeyondAnEm &beyond = bridge->pairsBeyondAnEm("m0");
    EXPECT_GE(beyond.count, 2u); // n/x and o/x at least
    EXPECT_NE(std::find(beyond.first.begin(), beyond.first.end(), nx), beyond.first.end());
    EXPECT_EQ(bridge->pairsBeyondAnEm("m2").count, 0u) << "not written";

    bridge->singlePairToGlyphs(&engine);
    EXPECT_EQ(hostKerning(font, "m0").at({"n", "x"}), 0);
    drain();
}

TEST(KerningWriter, AWholeMasterWritesThePairsTheEngineHoldsAndLeavesEveryOtherEntry) {
    ClosesDocuments closing;
    GSFontBuilder b;
    fiveGlyphs(b).kern("A", "V", -80, 0).kern("V", "A", -30, 0).kern("o", "o", -5, 0);
    b.kern("A", "V", -70, 1);
    GSDocument &doc = b.open();
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    startAll(*bridge); // models picked from the kerning: the engine kerns the masters
    drain();
    const GSMasterKerning *before = font.masterKerning("m0", 0);

    std::vector<bool> ignoredWhenTold;
    font.addObserver("kerning", [&] { ignoredWhenTold.push_back(bridge->ignore_observers()); });
    // Left glyphs n (4), T (2), V (1), A (0): the records of V are all skipped, o has none.
    std::vector<std::vector<ZVsimplepair>> lists(5);
    lists[4] = {record(4, 3, -12.2f), record(4, 4, 0.0f, 0x04)};
    lists[2] = {record(2, 3, -61.6f)};
    lists[1] = {record(1, 0, 0.9f)};
    lists[0] = {record(0, 1, -88.5f, 0x03), record(0, 2, -3.0f)};
    const ZVkerningwrite counts = bridge->writeSimplepairsGrouped(lists, "m0");

    EXPECT_EQ(ignoredWhenTold, std::vector<bool>{true});
    EXPECT_EQ(font.masterKerning("m0", 0), before); // the same dictionary, changed in place
    using K = std::map<std::pair<std::string, std::string>, double>;
    // A V is replaced, V A (written as nothing) removed; o o, which the engine holds no value
    // for, stays as it was.
    EXPECT_EQ(hostKerning(font, "m0"), (K{{{"A", "V"}, -89},
                                          {{"A", "T"}, -3},
                                          {{"T", "o"}, -61},
                                          {{"n", "o"}, -12},
                                          {{"n", "n"}, 0},
                                          {{"o", "o"}, -5}}));
    EXPECT_EQ(hostKerning(font, "m1"), (K{{{"A", "V"}, -70}})); // another master stays
    EXPECT_EQ(counts.written, 5u);
    EXPECT_EQ(counts.replaced, 1u);
    EXPECT_EQ(counts.removed, 1u);
    EXPECT_EQ(counts.kept, 1u);
    ASSERT_NE(bridge->lastKerningWrite("m0"), nullptr);
    EXPECT_EQ(bridge->lastKerningWrite("m0")->kept, 1u);
    // The lists' left glyphs in ascending index (a row kept for a glyph whose records were all
    // skipped), then the master's other rows.
    EXPECT_EQ(font.masterKerning("m0", 0)->allKeys(),
              (std::vector<std::string>{"id-A", "id-V", "id-T", "id-n", "id-o"}));
    EXPECT_EQ(font.masterKerning("m0", 0)->objectForKey("id-V")->count(), 0u);
    EXPECT_EQ(font.masterKerning("m0", 0)->objectForKey("id-A")->allKeys(),
              (std::vector<std::string>{"id-V", "id-T"}));

    // The flag clears one turn after the write; a designer's edit then is the designer's.
    EXPECT_TRUE(bridge->ignore_observers());
    NSRunLoop::mainRunLoop().runOneTurn();
    EXPECT_FALSE(bridge->ignore_observers());
    font.setKerningForFontMasterID("m0", "id-A", "id-T", -20, 0);
    EXPECT_EQ(ignoredWhenTold, (std::vector<bool>{true, false}));

    // Written again without T o and A T: T o, which this bridge wrote, goes with its record;
    // A T, which the designer changed since, stays.
    lists[2].clear();
    lists[0].pop_back();
    const ZVkerningwrite again = bridge->writeSimplepairsGrouped(lists, "m0");
    EXPECT_EQ(hostKerning(font, "m0"), (K{{{"A", "V"}, -89},
                                          {{"A", "T"}, -20},
                                          {{"n", "o"}, -12},
                                          {{"n", "n"}, 0},
                                          {{"o", "o"}, -5}}));
    EXPECT_EQ(again.removed, 1u);
    EXPECT_EQ(again.kept, 2u);
    drain();
}

// Where the engine's value writes nothing but a kerning group of the master would give the pair
// a value, the pair gets an explicit 0; the group entries stay.
TEST(KerningWriter, APairInAKerningGroupGetsAnExplicitZero) {
    ClosesDocuments closing;
    GSFontBuilder b;
    fiveGlyphs(b);
    b.font().glyphForName("A")->setRightKerningGroup("A");
    b.font().glyphForName("V")->setLeftKerningGroup("V");
    b.kern("@MMK_L_A", "@MMK_R_V", -60, 0).kern("T", "@MMK_R_V", 0, 0).kern("o", "o", -5, 0);
    b.kern("A", "V", -80, 0).kern("V", "A", -30, 0); // the engine picks its models from these
    GSDocument &doc = b.open();
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    drain();
    std::vector<std::vector<ZVsimplepair>> lists(5);
    lists[0] = {record(0, 1, 0.9f)}; // A V: nothing written, the group would give -60
    lists[2] = {record(2, 1, 0.9f)}; // T V: nothing written, and the group gives 0
    bridge->writeSimplepairsGrouped(lists, "m0");
    const GSMasterKerning &m0 = *font.masterKerning("m0", 0);
    ASSERT_NE(m0.objectForKey("id-A"), nullptr);
    ASSERT_NE(m0.objectForKey("id-A")->objectForKey("id-V"), nullptr);
    EXPECT_EQ(*m0.objectForKey("id-A")->objectForKey("id-V"), 0);
    EXPECT_EQ(m0.objectForKey("id-T")->objectForKey("id-V"), nullptr);
    EXPECT_EQ(*m0.objectForKey("@MMK_L_A")->objectForKey("@MMK_R_V"), -60);
    EXPECT_EQ(*m0.objectForKey("id-T")->objectForKey("@MMK_R_V"), 0);
    EXPECT_EQ(*m0.objectForKey("id-o")->objectForKey("id-o"), -5);
    drain();
}

TEST(KerningWriter, AFontWithoutKerningGetsItsMasterWritten) {
    ClosesDocuments closing;
    GSFontBuilder b;
    fiveGlyphs(b).kern("A", "V", -80, 1).kern("o", "o", -5, 1);
    GSDocument &doc = b.open();
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    doc.font()->removeKerningDictionary(); // the designer erased every kerning meanwhile
    std::vector<std::vector<ZVsimplepair>> lists(5);
    lists[0] = {record(0, 1, -40)};
    bridge->writeSimplepairsGrouped(lists, "m1");
    EXPECT_EQ(hostKerning(*doc.font(), "m1").at({"A", "V"}), -40);
    drain();
}

TEST(KerningWriter, MastersTheEngineHoldsNoKerningForKeepTheirHostKerning) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Light", 500, 700, {100}).master("Regular", 500, 700, {400});
    b.master("Bold", 500, 700, {700}).master("Linked", 500, 700, {400});
    b.master("Black", 500, 700, {900});
    addDemoGlyphs(b);
    b.font().ensureKerning();
    for (int m = 0; m < 5; ++m)
        b.kern("A", "V", -50 - m, m);
    b.masterUserData(4, "ZelvarIndependentPairs", pairList({"T o"}));
    b.masterUserData(0, "ZelvarModels", pairList({"n n", "o o", "H H", "T o", "V o"}));
    b.masterUserData(2, "ZelvarModels", pairList({"n n", "o o", "H H", "T o", "V o"}));
    b.masterUserData(1, "ZelvarIsInterpolated", PlistValue(1));
    b.masterParameter(3, "Link Metrics With First Master", PlistValue(1));
    GSDocument &doc = b.open();
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    ZVfontMM &mm = *bridge->get_zvfont();
    ASSERT_EQ(mm.masters[1].status, ZVfont::interpolated);
    ASSERT_EQ(mm.masters[3].status, ZVfont::linked_metrics);
    // Black has no models: its engine holds only its independent pair, and writing that would
    // erase the rest of the host's kerning.
    for (GSFontMaster *m : bridge->beginInitialAutokerning({font.fontMasters()[4]}))
        bridge->initalAutokerningForMaster(m);
    ASSERT_FALSE(mm.masters[4].has_models());
    int told = 0;
    font.addObserver("kerning", [&] { ++told; });

    // A master still starting up: its engine is not read, the host keeps its kerning.
    const std::vector<GSFontMaster *> started =
        bridge->beginInitialAutokerning({font.fontMasters()[2]});
    ASSERT_EQ(started.size(), 1u);
    EXPECT_TRUE(bridge->isStartingUp("m2"));
    const std::vector<std::vector<ZVsimplepair>> lists(mm.glyphsinfo.size());
    for (const char *id : {"m1", "m2", "m3", "m4", "no such master"})
        bridge->writeSimplepairsGrouped(lists, id);
    EXPECT_EQ(told, 0);
    for (int m = 1; m < 5; ++m)
        EXPECT_EQ(hostKerning(font, "m" + std::to_string(m)).at({"A", "V"}), -50 - m);
    bridge->initalAutokerningForMaster(started[0]); // ends at once on the main thread
    EXPECT_FALSE(bridge->isStartingUp("m2"));
    bridge->writeSimplepairsGrouped(lists, "m2");
    EXPECT_EQ(told, 1);
    // The engine holds no value for A V: the host keeps it.
    EXPECT_EQ(hostKerning(font, "m2"),
              (std::map<std::pair<std::string, std::string>, double>{{{"A", "V"}, -52}}));
    drain();
}

TEST(KerningWriter, SinglePairsAndTheLivePreview) {
    ClosesDocuments closing;
    GSFontBuilder b;
    // Bold's kerning gives it models: the engine holds its kerning, single pairs reach it.
    fiveGlyphs(b).kern("A", "V", -70, 1).kern("o", "o", -5, 1);
    GSDocument &doc = b.open().textTool().master(1).tab("AVTo").cursor(1);
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    bridge->getUiState();
    ASSERT_TRUE(bridge->get_zvfont()->get_master("m1").has_models());
    ASSERT_EQ(bridge->currentMaster(), font.fontMasters()[1]);

    // A single pair is written even at 0, rounded as the engine rounds.
    ZVsimplepair r = record(0, 1, 0.9f);
    bridge->singlePairToGlyphs(&r);
    EXPECT_EQ(hostKerning(font, "m1").at({"A", "V"}), 0);
    r = record(2, 3, -61.6f);
    bridge->singlePairToGlyphs(&r);
    EXPECT_EQ(hostKerning(font, "m1").at({"T", "o"}), -61); // nearer 0 costs less
    EXPECT_TRUE(hostKerning(font, "m0").empty());

    // The preview puts the value unchanged on the pair at the cursor …
    bridge->setPairValueToGlyphs(-33.5);
    EXPECT_EQ(hostKerning(font, "m1").at({"A", "V"}), -33.5);
    // … or, with several glyphs selected, on every pair of the selection.
    zvtesting::DocumentBuilder(doc).select(1, 3);
    bridge->getUiState();
    ASSERT_EQ(bridge->currentPairs()->size(), 2u);
    bridge->setPairValueToGlyphs(7);
    EXPECT_EQ(hostKerning(font, "m1").at({"V", "T"}), 7);
    EXPECT_EQ(hostKerning(font, "m1").at({"T", "o"}), 7);
    EXPECT_EQ(hostKerning(font, "m1").at({"A", "V"}), -33.5);
    EXPECT_TRUE(bridge->ignore_observers());
    drain();
    EXPECT_FALSE(bridge->ignore_observers());
}

TEST(KerningWriter, SinglePairsReachOnlyMastersTheEngineHoldsKerningFor) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Light", 500, 700, {100}).master("Regular", 500, 700, {400});
    b.master("Bold", 500, 700, {700}).master("Linked", 500, 700, {400});
    addDemoGlyphs(b);
    b.font().ensureKerning();
    for (int m = 0; m < 4; ++m)
        b.kern("H", "o", -10 - m, m);
    for (int m : {0, 2})
        b.masterUserData(m, "ZelvarModels", pairList({"n n", "o o", "H H", "T o", "V o"}));
    b.masterUserData(1, "ZelvarIsInterpolated", PlistValue(1));
    b.masterParameter(3, "Link Metrics With First Master", PlistValue(1));
    GSDocument &doc = b.open().textTool().tab("Ho").cursor(1);
    GSFont &font = *doc.font();
    auto bridge = builtWriter(doc);
    startAll(*bridge);
    const std::uint16_t h = bridge->zvIndexForGlyphName("H"), o = bridge->zvIndexForGlyphName("o");
    struct Case {
        int master;
        bool written;
    } cases[] = {{1, false}, {3, false}, {0, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.master);
        doc.windowController()->setSelectedFontMaster(
            font.fontMasters()[static_cast<std::size_t>(c.master)]);
        bridge->getUiState();
        const std::string id = "m" + std::to_string(c.master);
        ZVsimplepair r = record(h, o, -40, 0x03);
        bridge->singlePairToGlyphs(&r);
        EXPECT_EQ(hostKerning(font, id).at({"H", "o"}), c.written ? -40 : -10 - c.master);
        bridge->setPairValueToGlyphs(-33);
        EXPECT_EQ(hostKerning(font, id).at({"H", "o"}), c.written ? -33 : -10 - c.master);
    }
    drain();
}

TEST(KerningWriter, RemovingAllKerningEmptiesEveryMaster) {
    ClosesDocuments closing;
    GSFontBuilder b;
    fiveGlyphs(b).kern("A", "V", -80, 0).kern("A", "V", -70, 1);
    GSDocument &doc = b.open();
    auto bridge = builtWriter(doc);
    drain();
    bool ignoredWhenTold = false;
    doc.font()->addObserver("kerning", [&] { ignoredWhenTold = bridge->ignore_observers(); });
    bridge->removeAllKerning();
    EXPECT_TRUE(ignoredWhenTold);
    EXPECT_EQ(doc.font()->kerningDictionary()->count(), 0u);
    drain();
    EXPECT_FALSE(bridge->ignore_observers());
}
