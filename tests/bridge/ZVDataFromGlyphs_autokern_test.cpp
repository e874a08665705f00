// Masters autokerned from another master, and interpolation coefficients.
#include "bridge_fixture.h"

#include <gtest/gtest.h>

using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

// A set-up font of the demo letters: Light and Bold with models, and `marked` masters after them.
GSFontBuilder setUpFont(const std::string &family, std::vector<const char *> extra = {}) {
    GSFontBuilder b(family);
    b.master("Light", 500, 700, {100}).master("Bold", 500, 700, {700});
    for (std::size_t i = 0; i < extra.size(); ++i)
        b.master(extra[i], 500, 700, {static_cast<double>(200 + 100 * i)});
    addDemoGlyphs(b);
    b.font().ensureKerning();
    for (int m : {0, 1}) {
        b.masterUserData(m, "ZelvarModels",
                         pairList({"n n", "o o", "H H", "n o", "o n", "T o", "V o", "l l"}));
        b.kern("T", "o", m == 0 ? -80 : -100, m);
        b.kern("V", "o", m == 0 ? -50 : -70, m);
    }
    return b;
}

} // namespace

TEST(BridgeAutokerning, SourcesAreResolvedAmongTheOpenFonts) {
    ClosesDocuments closing;
    struct Case {
        const char *what;
        std::vector<const char *> mark;
        bool interpolated;
        bool keepsMark;
        ZVfont::master_status status;
        const char *sourceFamily, *sourceMaster; // nullptr: no source
        bool lends;                              // the source's engine came over
        const char *notice = nullptr;            // what the master is told
    };
    const ZVfont::master_status over = ZVfont::engine_taken_over, own = ZVfont::kerned;
    // clang-format off
    const Case cases[] = {
        {"from Light of this font",        {"", "Light"},      false, true,  over, "Mine", "Light", true},
        {"from Bold of Theirs",            {"Theirs", "Bold"}, false, true,  over, "Theirs", "Bold", true},
        {"from the master of its name in Theirs, which has no models",
                                           {"Theirs", ""},     false, false, own,  "Theirs", "Third", false,
         "Third could not take its kerning from Third of Theirs, which has no models. It keeps its "
         "own models and pairs."},
        {"from a font that is not open",   {"Closed", "Bold"}, false, true,  over, nullptr, nullptr, false},
        {"from a master that is not there", {"", "Black"},     false, true,  over, nullptr, nullptr, false},
        {"from itself",                    {"", ""},           false, false, own,  "Mine", "Third", false,
         "Third could not take its kerning from itself. It keeps its own models and pairs."},
        {"interpolation wins",             {"", "Light"},      true,  false, ZVfont::interpolated,
                                                                                   "Mine", "Light", false},
        {"interpolation wins over a source that is not open",
                                           {"Closed", "Bold"}, true,  false, ZVfont::interpolated,
                                                                                   nullptr, nullptr, false},
        {"a mark of one entry is none",    {"Light"},          false, true,  ZVfont::self_kerned,
                                                                                   nullptr, nullptr, false},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        GSDocument &theirs = setUpFont("Theirs", {"Third"}).open("Theirs");
        GSFontBuilder b = setUpFont("Mine", {"Third"});
        PlistArray mark;
        for (const char *m : c.mark)
            mark.emplace_back(m);
        b.masterUserData(2, "ZelvarAutokernedFrom", PlistValue(mark));
        if (c.interpolated)
            b.masterUserData(2, "ZelvarIsInterpolated", PlistValue(1));
        b.masterUserData(2, "ZelvarModels", pairList({"n n", "o o"}));
        GSDocument &doc = b.open("Mine").master(2);
        auto bridge = built(doc);
        GSFontMaster *third = doc.font()->fontMasters()[2];
        const GSFontMaster *source = bridge->autokerningSourceForMaster(third);
        if (c.sourceFamily) {
            ASSERT_NE(source, nullptr);
            EXPECT_EQ(source->font()->familyName(), c.sourceFamily);
            EXPECT_EQ(source->name(), c.sourceMaster);
        } else if (!c.sourceFamily) {
            EXPECT_EQ(source, nullptr);
        }
        bridge->initAutokernedFrom();
        const ZVfont &engine = bridge->get_zvfont()->masters[2];
        EXPECT_EQ(engine.status, c.status);
        EXPECT_EQ(third->userDataForKey("ZelvarAutokernedFrom") != nullptr, c.keepsMark);
        // A lent engine comes with the source's models; the master's own stored models go.
        EXPECT_EQ(engine.taken_over_modelpairs.size() > 2, c.lends);
        EXPECT_EQ(third->userDataForKey("ZelvarModels") == nullptr,
                  c.status == ZVfont::engine_taken_over && c.sourceFamily);
        // A master that runs on its own has its own two models.
        if (c.status == ZVfont::kerned || c.status == ZVfont::self_kerned) {
            EXPECT_EQ(bridge->get_zvfont()->get_number_of_models(third->id()), 2u);
        }
        std::vector<std::string> notices;
        for (const ZVmasterNotice &n : bridge->masterNotices())
            notices.push_back(n.text);
        EXPECT_EQ(notices,
                  c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{});
        // The other font is only read.
        EXPECT_NE(theirs.font()->fontMasters()[0]->userDataForKey("ZelvarModels"), nullptr);
        EXPECT_EQ(ZVDataFromGlyphs::bridgeForFont(theirs.font()), nullptr);
        GSApplication::sharedApplication().closeAllDocuments();
    }
}

TEST(BridgeAutokerning, ASourceThatCannotLendLeavesTheMasterItsOwnModels) {
    ClosesDocuments closing;
    // Of this font: the mark goes and the master is kerned with its own models.
    GSFontBuilder b = setUpFont("Mine", {"Third", "Empty"});
    b.masterUserData(2, "ZelvarAutokernedFrom", pairList({"", "Empty"}));
    b.masterUserData(2, "ZelvarModels", pairList({"n n", "o o", "T o"}));
    GSDocument &doc = b.open("Mine");
    auto bridge = built(doc);
    bridge->initAutokernedFrom();
    GSFontMaster *third = doc.font()->fontMasters()[2];
    EXPECT_EQ(third->userDataForKey("ZelvarAutokernedFrom"), nullptr);
    EXPECT_EQ(bridge->get_zvfont()->masters[2].status, ZVfont::kerned);
    EXPECT_EQ(bridge->get_zvfont()->get_number_of_models(third->id()), 3u);
    EXPECT_NE(third->userDataForKey("ZelvarModels"), nullptr);
    ASSERT_EQ(bridge->masterNotices().size(), 1u);
    EXPECT_EQ(bridge->masterNotices()[0].text, "Third could not take its kerning from Empty, "
                                               "which has no models. It keeps its own models "
                                               "and pairs.");

    // Of another font that is untouched (its master has no models yet), or that cannot start.
    for (const bool broken : {false, true}) {
        SCOPED_TRACE(broken);
        GSFontBuilder other("Other");
        other.master("Light");
        addDemoGlyphs(other);
        if (broken)
            other.font().fontMasters()[0]->setXHeight(0);
        else
            other.kern("T", "o", -80);
        GSDocument &theirs = other.open("Other");
        GSFontBuilder mine = setUpFont("Mine2", {"Third"});
        mine.masterUserData(2, "ZelvarAutokernedFrom", pairList({"Other", "Light"}));
        GSDocument &doc2 = mine.open("Mine2");
        auto b2 = built(doc2);
        b2->initAutokernedFrom();
        EXPECT_EQ(b2->get_zvfont()->masters[2].status, ZVfont::kerned);
        EXPECT_EQ(doc2.font()->fontMasters()[2]->userDataForKey("ZelvarAutokernedFrom"), nullptr);
        ASSERT_EQ(b2->masterNotices().size(), 1u);
        EXPECT_EQ(b2->masterNotices()[0].text,
                  std::string("Third could not take its kerning from Light of Other") +
                      (broken ? ", whose font Zelvar cannot start on" : ", which has no models") +
                      ". It keeps its own models and pairs.");
        GSApplication::sharedApplication().closeDocument(&doc2);
        GSApplication::sharedApplication().closeDocument(&theirs);
    }

    // A source none of whose glyphs can be measured never starts, so lends nothing, whether of
    // this font or of another.
    for (const bool elsewhere : {false, true}) {
        SCOPED_TRACE(elsewhere);
        GSFontBuilder mine = setUpFont("Mine3", {"Third"});
        GSFontBuilder other = setUpFont("Flat");
        GSFontBuilder &flat = elsewhere ? other : mine;
        for (GSGlyph *g : flat.font().glyphs())
            g->layerWithId("m0")->setWidth(0);
        GSDocument *theirs = elsewhere ? &other.open("Flat").document() : nullptr;
        mine.masterUserData(2, "ZelvarAutokernedFrom",
                            pairList({elsewhere ? "Flat" : "", "Light"}));
        mine.masterUserData(2, "ZelvarModels", pairList({"n n", "o o", "T o"}));
        GSDocument &doc3 = mine.open("Mine3");
        auto b3 = built(doc3);
        b3->initAutokernedFrom();
        const GSFontMaster *third3 = doc3.font()->fontMasters()[2];
        EXPECT_EQ(b3->get_zvfont()->masters[2].status, ZVfont::kerned);
        EXPECT_EQ(b3->get_zvfont()->get_number_of_models(third3->id()), 3u);
        EXPECT_EQ(third3->userDataForKey("ZelvarAutokernedFrom"), nullptr);
        ASSERT_FALSE(b3->masterNotices().empty());
        EXPECT_EQ(b3->masterNotices().back().text,
                  std::string("Third could not take its kerning from Light") +
                      (elsewhere ? " of Flat" : "") +
                      ", none of whose glyphs can be measured. It keeps its own models and pairs.");
        GSApplication::sharedApplication().closeDocument(&doc3);
        if (theirs)
            GSApplication::sharedApplication().closeDocument(theirs);
    }
}

TEST(BridgeAutokerning, MastersMarkedFromEachOtherKeepTheirOwnModels) {
    ClosesDocuments closing;
    // Third from Bold, Light and Bold from each other: the loop lends nothing, so Light and Bold
    // keep their own models, and then Bold lends Third its engine. Fourth and Fifth from each
    // other, but Fifth is interpolated: no loop, and Fifth has no models to lend.
    GSFontBuilder b = setUpFont("Loop", {"Third", "Fourth", "Fifth"});
    b.masterUserData(2, "ZelvarAutokernedFrom", pairList({"", "Bold"}));
    b.masterUserData(2, "ZelvarModels", pairList({"n n", "o o"}));
    b.masterUserData(0, "ZelvarAutokernedFrom", pairList({"", "Bold"}));
    b.masterUserData(1, "ZelvarAutokernedFrom", pairList({"", "Light"}));
    b.masterUserData(3, "ZelvarAutokernedFrom", pairList({"", "Fifth"}));
    b.masterUserData(4, "ZelvarAutokernedFrom", pairList({"", "Fourth"}));
    b.masterUserData(4, "ZelvarIsInterpolated", PlistValue(1));
    GSDocument &doc = b.open("Loop");
    auto bridge = built(doc);
    bridge->initAutokernedFrom();
    const ZVfontMM &mm = *bridge->get_zvfont();
    struct Expected {
        ZVfont::master_status status;
        std::size_t models;
        bool marked, modelsStored;
    } expected[] = {{ZVfont::kerned, 8, false, true},
                    {ZVfont::kerned, 8, false, true},
                    {ZVfont::engine_taken_over, 0, true, false},
                    {ZVfont::kerned, 0, false, false},
                    {ZVfont::interpolated, 0, false, false}};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const GSFontMaster *m = doc.font()->fontMasters()[i];
        EXPECT_EQ(mm.masters[i].status, expected[i].status);
        EXPECT_EQ(mm.get_number_of_models(m->id()), expected[i].models);
        EXPECT_EQ(m->userDataForKey("ZelvarAutokernedFrom") != nullptr, expected[i].marked);
        EXPECT_EQ(m->userDataForKey("ZelvarModels") != nullptr, expected[i].modelsStored);
    }
    EXPECT_EQ(mm.masters[2].taken_over_modelpairs.size(), 8u);
    std::vector<std::string> notices;
    for (const ZVmasterNotice &n : bridge->masterNotices())
        notices.push_back(n.text);
    EXPECT_EQ(notices,
              (std::vector<std::string>{
                  "Light could not take its kerning from Bold, which takes its kerning from "
                  "Light. It keeps its own models and pairs.",
                  "Bold could not take its kerning from Light, which takes its kerning from Bold. "
                  "It keeps its own models and pairs.",
                  "Fourth could not take its kerning from Fifth, which has no models. It keeps its "
                  "own models and pairs."}));
}

TEST(BridgeInterpolation, CoefficientsLeaveOutInterpolatedAndLinkedMasters) {
    GSFontBuilder b;
    b.master("Light", 500, 700, {100})
        .master("Regular", 500, 700, {400})
        .master("Bold", 500, 700, {700})
        .master("Black", 500, 700, {900})
        .master("Linked", 500, 700, {800});
    b.masterUserData(1, "ZelvarIsInterpolated", PlistValue(1));
    b.masterUserData(3, "ZelvarIsInterpolated", PlistValue(1));
    b.masterParameter(4, "Link Metrics With First Master", PlistValue(1));
    const auto font = b.build();
    ZVDataFromGlyphs bridge(font.get());
    using Coeffs = std::vector<std::pair<double, std::string>>;
    const auto masters = font->fontMasters();
    // Regular between Light and Bold; Black beyond Bold from Light and Bold (Linked, at 800, and
    // Black itself take no part); Light and Bold each sit on a master: no coefficients.
    EXPECT_EQ(bridge.coeffsForMaster(masters[1]), (Coeffs{{0.5, "m0"}, {0.5, "m2"}}));
    const Coeffs black = bridge.coeffsForMaster(masters[3]);
    ASSERT_EQ(black.size(), 2u);
    EXPECT_EQ(black[0].second, "m0");
    EXPECT_NEAR(black[0].first, -1.0 / 3, 1e-12);
    EXPECT_NEAR(black[1].first, 4.0 / 3, 1e-12);
    EXPECT_TRUE(bridge.coeffsForMaster(masters[0]).empty());
    EXPECT_TRUE(bridge.coeffsForMaster(nullptr).empty());
}

TEST(BridgeInterpolation, WhichMastersMayBeInterpolated) {
    ClosesDocuments closing;
    struct Case {
        const char *what;
        std::vector<double> axes; // one master each
        int current;
        bool autokernedFromCurrent; // the last master is autokerned from the current one
        bool interpolatable;
    } cases[] = {
        {"two masters", {100, 700}, 1, false, false},
        {"the middle of three", {100, 400, 700}, 1, false, true},
        {"on another master's place", {100, 400, 400}, 2, false, false},
        {"a source of another master", {100, 400, 700, 900}, 1, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        GSFontBuilder b;
        for (std::size_t i = 0; i < c.axes.size(); ++i)
            b.master("M" + std::to_string(i), 500, 700, {c.axes[i]});
        if (c.autokernedFromCurrent)
            b.masterUserData(static_cast<int>(c.axes.size()) - 1, "ZelvarAutokernedFrom",
                             pairList({"", ("M" + std::to_string(c.current)).c_str()}));
        GSDocument &doc = b.open().master(c.current);
        auto bridge = built(doc);
        EXPECT_EQ(bridge->currentMasterIsInterpolatable(), c.interpolatable);
        GSApplication::sharedApplication().closeAllDocuments();
    }
}
