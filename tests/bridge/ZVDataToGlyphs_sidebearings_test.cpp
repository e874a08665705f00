// Side-bearing edits: a number on every selected layer (the engine moved by the difference, the
// composites measured anew), a glyph list autospacing each master layer in its own master, layers
// that only change in the host, and a master still starting up.
#include "writer_fixture.h"

#include <gtest/gtest.h>

using namespace zvbridgetest;
using PLXlibNamespaceForZV::ZVglyph;
using PLXlibNamespaceForZV::ZVprofile;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

// A non-master layer of the glyph, a copy of its layer of master `masterId`.
GSLayer &addAlternateLayer(GSGlyph &glyph, const std::string &masterId) {
    auto layer = std::make_unique<GSLayer>(*glyph.layerWithId(masterId));
    layer->setLayerKind(GSLayerKind::NonMaster);
    layer->setLayerId("alternate-" + masterId);
    layer->setAssociatedMasterId(masterId);
    return glyph.addLayer(std::move(layer));
}

struct Started {
    GSDocument *doc;
    std::shared_ptr<ZVDataToGlyphs> bridge;
    GSFont &font() const { return *doc->font(); }
    GSLayer *layer(const char *glyph, int master) const {
        return font().glyphForName(glyph)->layerWithId("m" + std::to_string(master));
    }
    const ZVglyph &engineGlyph(const char *glyph, int master) const {
        return bridge->get_zvfont()->masters[static_cast<std::size_t>(master)].glyphs.glyphs.at(
            bridge->zvIndexForGlyphName(glyph));
    }
    void select(std::vector<GSLayer *> layers) {
        doc->windowController()->setSelectedLayers(std::move(layers)); // the font overview's
        bridge->getUiState();
    }
};

// The set-up demo font, every master started; the font overview in front (no tab).
Started startedDemoFont(GSFontBuilder &b) {
    GSDocument &doc = setUpDemoFont(b).open();
    Started s{&doc, builtWriter(doc)};
    startAll(*s.bridge);
    return s;
}

} // namespace

TEST(Sidebearings, GlyphListPartners) {
    ClosesDocuments closing;
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("A").unicode("0041");
    b.glyph("V").unicode("0056");
    b.glyph("Adieresis").unicode("00C4");
    b.glyph("mathA").unicode("1D49C");
    const std::unique_ptr<GSFont> font = b.build();
    struct Case {
        const char *text;
        std::vector<std::string> ids;
    } cases[] = {
        {"/A/V", {"id-A", "id-V"}},
        {"\u00C4", {"id-Adieresis"}},          // no glyph of that name: its code, 00C4
        {"/\U0001D49C/A", {"id-mathA", "id-A"}}, // a code point beyond 16 bits, whole
        {"/nothing/V//", {"id-V"}},
        {"", {}},
        {"Adieresis", {"id-Adieresis"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ZVDataToGlyphs::glyphListPartners(*font, c.text), c.ids);
    }
}

TEST(Sidebearings, ANumberSetsEverySelectedLayerAndMovesTheEngine) {
    ClosesDocuments closing;
    GSFontBuilder b;
    Started s = startedDemoFont(b);
    GSLayer *h0 = s.layer("H", 0), *h2 = s.layer("H", 2);
    GSLayer &alternate = addAlternateLayer(*s.font().glyphForName("H"), "m0");
    const double scale = 225.0 / 500;
    h0->setLSB(55); // the host's side bearing is what the difference is taken from
    const float width0 = s.engineGlyph("H", 0).width, width2 = s.engineGlyph("H", 2).width;
    const ZVprofile composite = s.engineGlyph("H.alt2", 0).left;
    const double lsb2 = h2->LSB();

    s.select({h0, &alternate});
    s.bridge->adjustSidebearing(TestField(40), 0);
    EXPECT_EQ(h0->LSB(), 40);
    EXPECT_EQ(alternate.LSB(), 40); // a non-master layer changes in the host only
    EXPECT_FLOAT_EQ(s.engineGlyph("H", 0).width, static_cast<float>(width0 - 15 * scale));
    EXPECT_EQ(s.engineGlyph("H", 2).width, width2);
    EXPECT_EQ(h2->LSB(), lsb2);
    // The composites that draw H, also through another composite, are measured anew.
    EXPECT_NE(s.engineGlyph("H.alt2", 0).left.depths, composite.depths);
    EXPECT_TRUE(s.bridge->ignore_observers());
    drain();
    EXPECT_FALSE(s.bridge->ignore_observers());

    // Exactly 88000 is still a number.
    s.select({&alternate});
    s.bridge->adjustSidebearing(TestField(-88000), 1);
    EXPECT_EQ(alternate.RSB(), -88000);
    s.bridge->adjustSidebearing(TestField(88000.5, "/o"), 1);
    EXPECT_EQ(alternate.RSB(), -88000); // a list leaves a non-master layer alone
    drain();
}

TEST(Sidebearings, AGlyphListAutospacesEachLayerInItsOwnMaster) {
    ClosesDocuments closing;
    GSFontBuilder b;
    setUpDemoFont(b);
    // Bold's o sits 40 units further right than its models say.
    GSLayer *boldO = b.font().glyphForName("o")->layerWithId("m2");
    boldO->setLSB(boldO->LSB() + 40);
    GSDocument &doc = b.open();
    Started s{&doc, builtWriter(doc)};
    startAll(*s.bridge);
    const double scale = 225.0 / 500;
    struct Before {
        double lsb;
        float width;
    };
    const Before light{s.layer("o", 0)->LSB(), s.engineGlyph("o", 0).width};
    const Before bold{s.layer("o", 2)->LSB(), s.engineGlyph("o", 2).width};
    s.select({s.layer("o", 0), s.layer("o", 2)});
    s.bridge->adjustSidebearing(TestField(1073741824.0, "/n/H"), 0);
    const double shiftLight = s.layer("o", 0)->LSB() - light.lsb;
    const double shiftBold = s.layer("o", 2)->LSB() - bold.lsb;
    EXPECT_NE(shiftLight, 0);
    EXPECT_NE(shiftBold, shiftLight);
    // Each master's engine moved by the shift its own models asked for.
    EXPECT_FLOAT_EQ(s.engineGlyph("o", 0).width, static_cast<float>(light.width + shiftLight * scale));
    EXPECT_FLOAT_EQ(s.engineGlyph("o", 2).width, static_cast<float>(bold.width + shiftBold * scale));
    drain();
}

TEST(Sidebearings, UpdatesOfAMasterStillStartingWaitForItsEnd) {
    ClosesDocuments closing;
    GSFontBuilder b;
    GSDocument &doc = setUpDemoFont(b).open();
    Started s{&doc, builtWriter(doc)};
    const std::vector<GSFontMaster *> order = s.bridge->beginInitialAutokerning(s.font().fontMasters());
    ASSERT_EQ(order.size(), 3u);
    const double scale = 225.0 / 500;
    const float width = s.engineGlyph("H", 2).width;
    const ZVprofile composite = s.engineGlyph("H.alt", 2).left;
    const float nWidth = s.engineGlyph("n", 2).width;

    s.select({s.layer("H", 2)});
    const double lsb = s.layer("H", 2)->LSB();
    s.bridge->adjustSidebearing(TestField(lsb + 10), 0); // a number: the host now, the engine later
    s.bridge->adjustSidebearing(TestField(1e9, "/H"), 1); // a list: needs the engine, left alone
    const double rsb = s.layer("H", 2)->RSB();
    GSLayer *n2 = s.layer("n", 2);
    n2->setWidth(n2->width() + 20);
    s.bridge->updateZvfontWithModifiedLayer(n2); // an outline edit waits too
    EXPECT_EQ(s.layer("H", 2)->LSB(), lsb + 10);
    EXPECT_EQ(s.engineGlyph("H", 2).width, width);
    EXPECT_EQ(s.engineGlyph("n", 2).width, nWidth);

    for (GSFontMaster *m : order)
        s.bridge->initalAutokerningForMaster(m);
    EXPECT_FLOAT_EQ(s.engineGlyph("H", 2).width, static_cast<float>(width + 10 * scale));
    EXPECT_NE(s.engineGlyph("H.alt", 2).left.depths, composite.depths);
    EXPECT_FLOAT_EQ(s.engineGlyph("n", 2).width, static_cast<float>(nWidth + 20 * scale));
    EXPECT_EQ(s.layer("H", 2)->RSB(), rsb);
    drain();
}
