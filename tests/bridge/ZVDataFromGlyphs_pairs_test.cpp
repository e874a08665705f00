// Stored pair lists, names that changed since they were stored, existing kerning and host edits.
#include "bridge_fixture.h"

#include <gtest/gtest.h>

using namespace PLXlibNamespaceForZV;
using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

// Glyphs a (renamed to a.alt since a list was stored, so a.alt carries "ZelvarName" a), a new a,
// b twice under the stored name b (the first in font order wins), and c whose own name and
// stored name agree although another glyph claims c as well.
GSFontBuilder renamedFont(std::uint32_t upm = 1000) {
    GSFontBuilder b("Renamed", upm);
    b.master("Regular");
    b.glyph("a.alt").userData("ZelvarName", PlistValue("a"));
    b.glyph("a");
    b.glyph("b.one").userData("ZelvarName", PlistValue("b"));
    b.glyph("b.two").userData("ZelvarName", PlistValue("b"));
    b.glyph("b");
    b.glyph("c.old").userData("ZelvarName", PlistValue("c"));
    b.glyph("c").userData("ZelvarName", PlistValue("c"));
    b.glyph("d").userData("ZelvarName", PlistValue(4));
    return b;
}

const char *const kModels[] = {"n n", "o o", "H H", "n o", "o n", "l l",
                               "H O", "O H", "T o", "V o", "o v"};

// A set-up one-master font of the demo letters with eleven models, started on its master.
struct Started {
    ClosesDocuments closing;
    GSDocument *doc = nullptr;
    std::shared_ptr<ZVDataFromGlyphs> bridge;

    Started() {
        GSFontBuilder b;
        b.master("Regular");
        addDemoGlyphs(b);
        PlistArray models;
        for (const char *m : kModels)
            models.emplace_back(m);
        b.masterUserData(0, "ZelvarModels", PlistValue(models));
        const double values[] = {0, -12, 0, -6, -6, 8, -8, -8, -90, -60, -16};
        for (std::size_t i = 0; i < std::size(kModels); ++i) {
            const std::string m = kModels[i];
            b.kern(m.substr(0, m.find(' ')), m.substr(m.find(' ') + 1), values[i]);
        }
        doc = &b.open().document();
        bridge = built(*doc);
        bridge->get_zvfont()->initial_processing("m0", {});
    }
    ZVglyph_pair pair(const char *l, const char *r) const {
        return {bridge->zvIndexForGlyphName(l), bridge->zvIndexForGlyphName(r)};
    }
    void hostValue(const char *l, const char *r, std::optional<double> v) {
        GSFont &font = *doc->font();
        const std::string left = font.glyphForName(l)->id(), right = font.glyphForName(r)->id();
        if (v)
            font.setKerningForFontMasterID("m0", left, right, *v, 0);
        else
            font.kerningDictionary()->removeValue("m0", left, right);
    }
};

} // namespace

TEST(BridgeStoredPairs, StoredNamesFollowRenamedGlyphs) {
    const auto font = renamedFont().build();
    ZVDataFromGlyphs bridge(font.get());
    bridge.initGlyphsinfo();
    struct Case {
        const char *stored, *glyph;
    } cases[] = {
        {"a", "a.alt"}, // renamed since: its stored name wins over the new glyph of that name
        {"b", "b.one"}, // two carry it: the first in font order
        {"c", "c"},     // name and stored name agree
        {"d", "d"},     // a stored name that is no text is none
        {"a.alt", "a.alt"}, {"x", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored);
        const std::uint16_t expected = c.glyph ? bridge.zvIndexForGlyphName(c.glyph) : ZV_NO_GLYPH;
        EXPECT_EQ(bridge.zvIndexForGlyphNameInUserData(c.stored), expected);
    }
    EXPECT_TRUE(ZVDataFromGlyphs::glyph(font->glyphForName("c"), "c"));
    EXPECT_FALSE(ZVDataFromGlyphs::glyph(font->glyphForName("d"), "d"));
    EXPECT_FALSE(ZVDataFromGlyphs::glyph(nullptr, "d"));
}

TEST(BridgeStoredPairs, ListsKeepTheirOrderAndDropWhatNamesNoGlyph) {
    GSFontBuilder b = renamedFont();
    // Only two glyph names make an entry: a third word, a value after the names, a blank too many
    // or a name missing are no pair.
    PlistArray list{PlistValue("a b"),      PlistValue("a"),       PlistValue(7),
                    PlistValue("a x"),      PlistValue("c a"),     PlistValue("b c extra"),
                    PlistValue("a b 1e30"), PlistValue("a b NaN"), PlistValue("a  b"),
                    PlistValue(" a b"),     PlistValue("a b "),    PlistValue("b c"),
                    PlistValue("a.alt b")};
    for (const char *key : {"ZelvarModels", "ZelvarUserSetAutopairs"})
        b.masterUserData(0, key, PlistValue(list).deepCopy());
    b.masterUserData(0, "ZelvarIndependentPairs", PlistValue(7)); // not a list: none
    b.kern("a.alt", "b.one", -30);
    b.kern("c", "a.alt", 2e6); // above a million: no kerning
    const auto font = b.build();
    ZVDataFromGlyphs bridge(font.get());
    bridge.initGlyphsinfo();
    const GSFontMaster *m = font->fontMasters()[0];
    const std::uint16_t a = bridge.zvIndexForGlyphName("a.alt"),
                        bOne = bridge.zvIndexForGlyphName("b.one"),
                        c = bridge.zvIndexForGlyphName("c");
    auto triples = [](const std::vector<ZVminipair> &v) {
        std::vector<std::tuple<int, int, float>> out;
        for (const ZVminipair &p : v)
            out.emplace_back(p.left, p.right, p.value);
        return out;
    };
    EXPECT_EQ(triples(bridge.readCustomPairsFromMaster(m, "ZelvarModels")),
              (std::vector<std::tuple<int, int, float>>{
                  {a, bOne, -30}, {c, a, 0}, {bOne, c, 0}, {a, bOne, -30}}));
    EXPECT_EQ(triples(bridge.readCustomPairsFromMaster(m, "ZelvarUserSetAutopairs")),
              (std::vector<std::tuple<int, int, float>>{
                  {a, bOne, 0}, {c, a, 0}, {bOne, c, 0}, {a, bOne, 0}}));
    EXPECT_TRUE(bridge.readCustomPairsFromMaster(m, "ZelvarIndependentPairs").empty());
    EXPECT_TRUE(bridge.readCustomPairsFromMaster(nullptr, "ZelvarModels").empty());
}

TEST(BridgeStoredPairs, ListsThatCannotBeReadAreNamedByMasterAndKey) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Regular").master("Bold");
    addDemoGlyphs(b);
    b.font().ensureKerning();
    b.kern("T", "o", -80, 1);
    b.masterUserData(1, "ZelvarModels", PlistValue(PlistDictionary())); // no list
    b.masterUserData(1, "ZelvarIndependentPairs", pairList({"T o", "A V extra words", "A V NaN"}));
    b.masterUserData(0, "ZelvarUserSetAutopairs", PlistValue(PlistArray{PlistValue(5)}));
    b.masterUserData(0, "ZelvarModels", pairList({"T o", "n n"})); // all readable: nothing said
    GSDocument &doc = b.open();
    auto bridge = built(doc);
    std::vector<std::pair<std::string, std::string>> notices;
    for (const ZVmasterNotice &n : bridge->masterNotices())
        notices.emplace_back(n.master_id, n.text);
    EXPECT_EQ(notices,
              (std::vector<std::pair<std::string, std::string>>{
                  {"m0", "Could not read an entry of the stored “ZelvarUserSetAutopairs” of the "
                         "master Regular: an entry is two glyph names. It was left out."},
                  {"m1", "Could not read the stored “ZelvarModels” of the master Bold: it is not "
                         "a list of pairs. It counts as empty."},
                  {"m1", "Could not read 2 entries of the stored “ZelvarIndependentPairs” of the "
                         "master Bold, such as “A V extra words”: an entry is two glyph names. "
                         "They were left out."}}));
    // Bold's models, though they cannot be read, say the font was set up: nothing is re-worked.
    EXPECT_FALSE(bridge->font_is_untouched());
    EXPECT_EQ(bridge->get_zvfont()->masters[1].independents.size(), 1u);
    EXPECT_EQ(bridge->takeNewMasterNotices().size(), 3u);
    EXPECT_TRUE(bridge->takeNewMasterNotices().empty()); // each once
    EXPECT_EQ(bridge->masterNotices().size(), 3u);
}

TEST(BridgeStoredPairs, AnotherFontsListIsReadByItsOwnNamesAndScaled) {
    // The other font (2000 units) renamed b to b.new since storing "a b"; here b is still b.
    GSFontBuilder other("Other", 2000);
    other.master("Bold");
    other.glyph("a");
    other.glyph("b").userData("ZelvarName", PlistValue("b.old"));
    other.glyph("b.new").userData("ZelvarName", PlistValue("b"));
    other.masterUserData(0, "ZelvarModels", pairList({"a b"}));
    other.kern("a", "b", -100);
    other.kern("a", "b.new", -60);
    const auto theirs = other.build();
    GSFontBuilder mine;
    mine.master("Regular");
    mine.glyph("a");
    mine.glyph("b");
    const auto font = mine.build();
    ZVDataFromGlyphs bridge(font.get());
    bridge.initGlyphsinfo();
    const auto pairs = bridge.readCustomPairsFromMaster(theirs->fontMasters()[0], "ZelvarModels");
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].left, 0);
    EXPECT_EQ(pairs[0].right, 1);
    EXPECT_EQ(pairs[0].value, -30); // b.new's kerning, in units of this font
}

TEST(BridgeStoredPairs, ExistingKerningOfAnotherFontNeedsACounterpartMaster) {
    GSFontBuilder other("Other", 2000);
    other.master("Black").master("Light");
    addDemoGlyphs(other);
    other.kern("T", "o", -160, 1);
    other.kern("T", "o", 2e6, 0);
    const auto theirs = other.build();
    const GSFontMaster *light = theirs->fontMasters()[1];
    struct Case {
        std::vector<const char *> masters;
        std::size_t pairs;
    } cases[] = {{{"Regular"}, 1}, {{"Regular", "Bold"}, 0}, {{"Regular", "Light"}, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.masters.size());
        GSFontBuilder b;
        for (const char *m : c.masters)
            b.master(m);
        addDemoGlyphs(b);
        const auto font = b.build();
        ZVDataFromGlyphs bridge(font.get());
        bridge.initZVfont();
        const auto existing = bridge.existingKerningFromMaster(light);
        ASSERT_EQ(existing.size(), c.pairs);
        if (c.pairs) {
            EXPECT_EQ(existing.begin()->second, -80);
        }
        EXPECT_TRUE(bridge.existingKerningFromMaster(theirs->fontMasters()[0]).empty());
    }
}

TEST(BridgeHostEdits, KerningEditedInTheHostByKindAndHostValue) {
    enum Host { Same, Other, Zero, None, Huge };
    struct Case {
        const char *what;
        std::uint8_t kind;
        float value;
        Host host;
        bool changed;
        float engineValue; // the pair's value afterwards (font units)
    } cases[] = {
        {"autokerned pair: never", ZV_AUTOKERNED, -20, Other, false, -20},
        {"model, host agrees", ZV_MODEL, -60, Same, false, -60},
        {"model, host changed", ZV_MODEL, -60, Other, true, -44},
        {"model set to zero in the host", ZV_MODEL, -60, Zero, true, 0},
        {"independent, host agrees", ZV_INDEPENDENT, -60, Same, false, -60},
        {"user-set at zero, host value", ZV_USER_SET_AUTO, 0, Zero, true, 0},
        {"user-set at zero, deleted", ZV_USER_SET_AUTO, 0, None, false, 0},
        {"user-set, host agrees", ZV_USER_SET_AUTO, -60, Same, false, -60},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Started s;
        const ZVglyph_pair vo = s.pair("V", "o");
        ZVsimplepair p = s.bridge->get_zvfont()->get_pair(vo, "");
        p.properties.set_kind(c.kind);
        p.value = c.value;
        s.hostValue("V", "o",
                    c.host == Same    ? std::optional<double>(c.value)
                    : c.host == Other ? std::optional<double>(-44)
                    : c.host == Zero  ? std::optional<double>(0)
                    : c.host == Huge  ? std::optional<double>(2e6)
                                      : std::nullopt);
        EXPECT_EQ(s.bridge->updateValueFromGlyphsToZV(&p), c.changed);
        if (c.changed) {
            EXPECT_EQ(s.bridge->get_zvfont()->get_pair(vo, "").value, c.engineValue);
        }
    }
}

TEST(BridgeHostEdits, APairDeletedInTheHostIsAutokernedAgain) {
    for (const bool huge : {false, true}) {
        SCOPED_TRACE(huge);
        Started s;
        ZVfontMM &mm = *s.bridge->get_zvfont();
        const ZVglyph_pair to = s.pair("T", "o");
        const ZVsimplepair model = mm.get_pair(to, "");
        ASSERT_EQ(model.properties.kind(), ZV_MODEL);
        s.hostValue("T", "o", huge ? std::optional<double>(2e6) : std::nullopt);
        EXPECT_TRUE(s.bridge->updateValueFromGlyphsToZV(&model));
        EXPECT_NE(mm.get_pair(to, "").properties.kind(), ZV_MODEL);
        // Without a master to work on nothing is taken.
        s.bridge->setCurrentMaster(nullptr);
        EXPECT_FALSE(s.bridge->updateValueFromGlyphsToZV(&model));
    }
}
