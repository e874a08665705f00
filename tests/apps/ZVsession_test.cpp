// The designer's session end to end on small built fonts: the re-work road written into the font
// and given back the same when the saved font is opened again; the bridge's own writes marked for
// the observers while a designer's edit reaches the engine; a glyph renamed between openings;
// masters that keep their host kerning; the pairs road.
#include "session_fixture.h"

#include "bridge/ZVUserData.h"
#include "host/GSFontJSON.h"

#include <set>

using namespace zvsessiontest;
using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

ZVsessionOptions serial() {
    ZVsessionOptions o;
    o.serial = true;
    return o;
}

// Saves the document's font and opens the file again as a new document, the old one closed.
GSDocument &saveAndReopen(GSDocument &document, const std::filesystem::path &path,
                          const std::function<void(GSFont &)> &between = {}) {
    std::string error;
    if (!writeFontJSONFile(*document.font(), path.string(), &error))
        throw std::runtime_error(error);
    GSApplication &app = GSApplication::sharedApplication();
    app.closeDocument(&document);
    if (between) {
        GSFontReadResult read = readFontJSONFile(path.string());
        if (!read)
            throw std::runtime_error(read.error);
        between(*read.font);
        if (!writeFontJSONFile(*read.font, path.string(), &error))
            throw std::runtime_error(error);
    }
    GSDocument *reopened = app.openDocumentWithContentsOfFile(path.string(), &error);
    if (!reopened)
        throw std::runtime_error(error);
    return *reopened;
}

// What the session's report prints.
std::string reportOf(const ZVsession &session) {
    std::FILE *f = std::tmpfile();
    session.report(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(f);
    return text;
}

std::size_t count(const std::vector<std::string> &v, const std::string &s) {
    return static_cast<std::size_t>(std::count(v.begin(), v.end(), s));
}

} // namespace

TEST(Session, TheReworkRoadIsWrittenAndGivenBackWhenReopened) {
    ClosesDocuments closing;
    BundleWithoutFeed bundle("1.31");
    zvtest::TempFolder folder;
    GSFontBuilder b;
    preKernedFont(b);
    // A pair in the no-kerning group (tabular figures): the engine never kerns it.
    for (int m = 0; m < 3; ++m)
        b.kern("zero", "zero", -33 - m, m);
    GSDocument &doc = b.open("Small");
    GSFont &font = *doc.font();

    ZVstoredState first;
    {
        ZVsession session(doc, serial());
        std::vector<bool> ignoredWhenTold;
        font.addObserver("kerning", [&] { ignoredWhenTold.push_back(session.bridge() &&
                                                                    session.bridge()->ignore_observers()); });
        runToTheEnd(session);
        EXPECT_EQ(session.road(), "re-work");
        ASSERT_FALSE(ignoredWhenTold.empty());
        EXPECT_EQ(std::count(ignoredWhenTold.begin(), ignoredWhenTold.end(), false), 0)
            << "every notification came from the bridge's own writes";
        EXPECT_EQ(session.startingAtFirstRefresh(), std::nullopt); // the re-work road waits

        first = storedState(font);
        ASSERT_EQ(first.masters.size(), 3u);
        // What the engine does not kern keeps the font's kerning, and the report says so.
        const ZVglyph_pair rare{session.bridge()->zvIndexForGlyphName("zero"),
                                session.bridge()->zvIndexForGlyphName("zero")};
        for (int m = 0; m < 3; ++m) {
            const std::string id = "m" + std::to_string(m);
            const ZVfont &engine = session.bridge()->get_zvfont()->get_master(id);
            ASSERT_EQ(engine.cache.find(rare), nullptr) << id;
            EXPECT_EQ(font.kerningForFontMasterIDLeftKey(id, "id-zero", "id-zero", 0), -33 - m)
                << id;
            ASSERT_NE(session.bridge()->lastKerningWrite(id), nullptr) << id;
            EXPECT_GE(session.bridge()->lastKerningWrite(id)->kept, 1u) << id;
        }
        char *text = nullptr;
        std::size_t size = 0;
        std::FILE *report = open_memstream(&text, &size);
        session.report(report);
        std::fclose(report);
        EXPECT_NE(std::string(text, size).find(" left as they were\n"), std::string::npos);
        std::free(text);
        for (const ZVstoredState::Master &m : first.masters) {
            SCOPED_TRACE(m.name);
            EXPECT_GE(m.models.size(), 3u);
            EXPECT_GE(m.kerning.size(), m.models.size());
            for (const std::string &model : m.models) {
                const std::string left = model.substr(0, model.find(' '));
                const std::string right = model.substr(model.find(' ') + 1);
                EXPECT_TRUE(m.kerning.count({left, right})) << model;
            }
        }
        EXPECT_EQ(first.version, "1.31");
        // The groups the engine started from are the font's now (tabular figures in no kerning).
        EXPECT_EQ(first.groups.at("zero"), (std::pair<std::string, std::string>{"NoKerning", "NoKerning"}));
        EXPECT_EQ(*zvuserdata::string(*font.glyphForName("o"), "ZelvarName"), "o");

        // Once the run loop has run, a designer's edit of a model reaches the engine.
        NSRunLoop::mainRunLoop().drain();
        ZVDataToGlyphs &bridge = *session.bridge();
        ASSERT_FALSE(bridge.ignore_observers());
        const std::uint16_t t = bridge.zvIndexForGlyphName("T"), o = bridge.zvIndexForGlyphName("o");
        ZVfontMM &mm = *bridge.get_zvfont();
        bridge.getUiState();
        ASSERT_EQ(bridge.currentMaster(), font.fontMasters()[2]); // the last master kerned
        const ZVsimplepair to = mm.get_pair({t, o}, "m2");
        ASSERT_EQ(to.properties.kind(), ZV_MODEL);
        font.addObserver("kerning", [&] {
            if (!bridge.ignore_observers())
                bridge.updateValueFromGlyphsToZV(&to);
        });
        font.setKerningForFontMasterID("m2", "id-T", "id-o", to.value - 11, 0);
        EXPECT_EQ(mm.get_pair({t, o}, "m2").value, to.value - 11);
        EXPECT_EQ(ignoredWhenTold.back(), false);
        // The session's state is the font's as saved.
        font.setKerningForFontMasterID("m2", "id-T", "id-o", to.value, 0);
        first = storedState(font);
    }

    GSDocument &reopened = saveAndReopen(doc, folder.path() / "Small.json");
    ZVsession again(reopened, serial());
    runToTheEnd(again);
    EXPECT_EQ(again.road(), "stored");
    EXPECT_TRUE(again.startingAtFirstRefresh().has_value()); // the current master shown early
    const ZVstoredState second = storedState(*reopened.font());
    EXPECT_EQ(storedStateDifferences(first, second), std::vector<std::string>{});
}

TEST(Session, AGlyphRenamedBetweenOpeningsKeepsItsPairs) {
    ClosesDocuments closing;
    BundleWithoutFeed bundle;
    zvtest::TempFolder folder;
    GSFontBuilder b;
    GSDocument &doc = preKernedFont(b).open("Small");
    ZVstoredState first;
    {
        ZVsession session(doc, serial());
        runToTheEnd(session);
        first = storedState(*doc.font());
    }
    std::size_t named = 0;
    for (const ZVstoredState::Master &m : first.masters)
        for (const std::string &model : m.models)
            named += model.rfind("o ", 0) == 0 || model.find(" o") != std::string::npos;
    ASSERT_GT(named, 0u) << "o is in the models";

    GSDocument &reopened = saveAndReopen(doc, folder.path() / "Small.json", [](GSFont &f) {
        f.glyphForName("o")->setName("o.round");
    });
    ZVsession again(reopened, serial());
    runToTheEnd(again);
    const ZVstoredState second = storedState(*reopened.font());
    // Every list names the glyph by its new name; nothing is lost, the kerning is the same.
    auto renamed = [](const std::string &entry) {
        std::string l = entry.substr(0, entry.find(' ')), r = entry.substr(entry.find(' ') + 1);
        return (l == "o" ? "o.round" : l) + " " + (r == "o" ? "o.round" : r);
    };
    ASSERT_EQ(second.masters.size(), first.masters.size());
    for (std::size_t i = 0; i < first.masters.size(); ++i) {
        SCOPED_TRACE(first.masters[i].name);
        std::vector<std::string> expected;
        for (const std::string &model : first.masters[i].models)
            expected.push_back(renamed(model));
        EXPECT_EQ(second.masters[i].models, expected);
        EXPECT_EQ(second.masters[i].kerning.size(), first.masters[i].kerning.size());
        EXPECT_EQ(count(second.masters[i].models, "T o"), 0u);
    }
    EXPECT_EQ(*zvuserdata::string(*reopened.font()->glyphForName("o.round"), "ZelvarName"),
              "o.round");
}

TEST(Session, InterpolatedAndLinkedMastersKeepTheirHostKerning) {
    ClosesDocuments closing;
    BundleWithoutFeed bundle;
    GSFontBuilder b;
    setUpDemoFont(b).master("Linked", 500, 700, {400});
    b.masterUserData(1, "ZelvarIsInterpolated", PlistValue(1));
    b.masterParameter(3, "Link Metrics With First Master", PlistValue(1));
    b.kern("T", "o", -55, 1).kern("A", "V", -77, 1).kern("T", "o", -66, 3);
    GSDocument &doc = b.open("Four");
    GSFont &font = *doc.font();
    const auto regular = hostKerning(font, "m1"), linked = hostKerning(font, "m3");
    ZVsession session(doc, serial());
    runToTheEnd(session);
    ZVDataToGlyphs &bridge = *session.bridge();
    ASSERT_EQ(bridge.get_zvfont()->masters[1].status, ZVfont::interpolated);
    EXPECT_EQ(hostKerning(font, "m1"), regular);
    EXPECT_EQ(hostKerning(font, "m3"), linked);

    // Regular interpolated no more: the engine kerns it and writes it. Interpolated again, it
    // keeps the kerning it had; the lists go.
    doc.windowController()->setSelectedFontMaster(font.fontMasters()[1]);
    bridge.getUiState();
    bridge.toggleInterpolateCurrentMaster();
    ASSERT_EQ(bridge.get_zvfont()->masters[1].status, ZVfont::kerned);
    const auto kerned = hostKerning(font, "m1");
    EXPECT_NE(kerned, regular);
    EXPECT_NE(font.fontMasters()[1]->userDataForKey("ZelvarModels"), nullptr);
    bridge.toggleInterpolateCurrentMaster();
    EXPECT_EQ(bridge.get_zvfont()->masters[1].status, ZVfont::interpolated);
    EXPECT_EQ(hostKerning(font, "m1"), kerned);
    EXPECT_EQ(font.fontMasters()[1]->userDataForKey("ZelvarModels"), nullptr);
    bridge.setRequiredText();
    bridge.zvfontToGlyphs();
    EXPECT_EQ(hostKerning(font, "m1"), kerned);
    // Showing the linked master writes nothing either.
    doc.windowController()->setSelectedFontMaster(font.fontMasters()[3]);
    bridge.getUiState();
    bridge.setRequiredText();
    bridge.zvfontToGlyphs();
    EXPECT_EQ(hostKerning(font, "m3"), linked);
    EXPECT_EQ(hostKerning(font, "m1"), kerned);
    NSRunLoop::mainRunLoop().drain();
}

TEST(Session, StoredStateThatCannotBeUsedIsReportedUnderItsMaster) {
    ClosesDocuments closing;
    BundleWithoutFeed bundle;
    GSFontBuilder b;
    setUpDemoFont(b);
    b.masterUserData(2, "ZelvarModels", PlistValue("n n")); // no list
    GSDocument &doc = b.open("Unreadable");
    ZVsession session(doc, serial());
    runToTheEnd(session);
    EXPECT_EQ(session.road(), "stored");
    const std::string report = reportOf(session);
    const std::string said = "\nBold (m2), untouched\n  could not use: Could not read the "
                             "stored “ZelvarModels” of the master Bold: it is not a list of pairs. "
                             "It counts as empty.\n";
    EXPECT_NE(report.find(said), std::string::npos) << report;
    // It stays for the designer to see; the other masters run as before.
    EXPECT_EQ(*doc.font()->fontMasters()[2]->userDataForKey("ZelvarModels"), PlistValue("n n"));
    EXPECT_EQ(session.bridge()->masterNotices().size(), 1u);
}

TEST(Session, MastersMarkedFromEachOtherKeepAndKernWithTheirOwnModels) {
    ClosesDocuments closing;
    BundleWithoutFeed bundle;
    zvtest::TempFolder folder;
    GSFontBuilder b;
    setUpDemoFont(b);
    b.masterUserData(0, "ZelvarAutokernedFrom", pairList({"", "Bold"}));
    b.masterUserData(2, "ZelvarAutokernedFrom", pairList({"", "Light"}));
    GSDocument &doc = b.open("Loop");
    ZVsession session(doc, serial());
    runToTheEnd(session);
    const std::string report = reportOf(session);
    for (const char *said :
         {"\nLight (m0), kerned\n  could not use: Light could not take its kerning from Bold, "
          "which takes its kerning from Light. It keeps its own models and pairs.\n  models: 7",
          "\nBold (m2), kerned\n  could not use: Bold could not take its kerning from Light, "
          "which takes its kerning from Bold. It keeps its own models and pairs.\n  models: 7"})
        EXPECT_NE(report.find(said), std::string::npos) << report;
    const ZVstoredState state = storedState(*doc.font());
    for (int m : {0, 2}) {
        SCOPED_TRACE(m);
        EXPECT_EQ(state.masters[static_cast<std::size_t>(m)].models.size(), 7u);
        EXPECT_NEAR(state.masters[static_cast<std::size_t>(m)].kerning.at({"T", "o"}), -80, 1);
        EXPECT_EQ(doc.font()->fontMasters()[static_cast<std::size_t>(m)]->userDataForKey(
                      "ZelvarAutokernedFrom"),
                  nullptr);
    }
    // Saved and opened again, both run on their own models without a word.
    GSDocument &reopened = saveAndReopen(doc, folder.path() / "loop.json");
    ZVsession again(reopened, serial());
    runToTheEnd(again);
    EXPECT_TRUE(again.bridge()->masterNotices().empty());
    EXPECT_EQ(storedStateDifferences(state, storedState(*reopened.font())),
              std::vector<std::string>{});
}

TEST(Session, AMasterWithNothingToMeasureDoesNotStartAndKeepsItsKerning) {
    // Every glyph of Bold without width, or too wide to measure, in a font kerned before and in
    // one set up earlier: Bold does not start and says why, the others run.
    using Font = zvtesting::GSFontBuilder &(*)(zvtesting::GSFontBuilder &);
    const struct {
        Font font;
        const char *road;
        const char *bold; // Bold's state in the report
    } cases[] = {{preKernedFont, "re-work", "untouched"},
                 {[](GSFontBuilder &b) -> GSFontBuilder & {
                      return setUpDemoFont(b).kern("A", "V", -90, 2).kern("H", "o", -4, 2);
                  },
                  "stored", "with stored models"}};
    for (const auto &c : cases)
        for (const double width : {0.0, 20000.0}) {
            SCOPED_TRACE(std::string(c.road) + " " + std::to_string(width));
            ClosesDocuments closing;
            BundleWithoutFeed bundle;
            GSFontBuilder b;
            c.font(b);
            for (GSGlyph *g : b.font().glyphs())
                g->layerWithId("m2")->setWidth(width);
            GSDocument &doc = b.open("Flat");
            const auto before = hostKerning(*doc.font(), "m2");
            const PlistValue *models = doc.font()->fontMasters()[2]->userDataForKey("ZelvarModels");
            const std::optional<PlistValue> modelsBefore =
                models ? std::optional<PlistValue>(*models) : std::nullopt;
            ZVsession session(doc, serial());
            runToTheEnd(session);
            EXPECT_EQ(session.road(), c.road);
            EXPECT_EQ(hostKerning(*doc.font(), "m2"), before);
            models = doc.font()->fontMasters()[2]->userDataForKey("ZelvarModels");
            EXPECT_EQ(models ? std::optional<PlistValue>(*models) : std::nullopt, modelsBefore);
            EXPECT_EQ(session.bridge()->get_zvfont()->masters[0].status, ZVfont::kerned);
            EXPECT_NE(session.bridge()->get_zvfont()->masters[2].status, ZVfont::kerned);
            const std::string said =
                "\nBold (m2), " + std::string(c.bold) +
                "\n  could not use: Bold does not start: none of its glyphs "
                "can be measured (each has no width, no outline, or is too large). Its kerning is "
                "left as it is.\n";
            EXPECT_NE(reportOf(session).find(said), std::string::npos) << reportOf(session);
        }
}

TEST(Session, AFontNeverKernedStartsFromPairsThatNeedNoKerning) {
    ClosesDocuments closing;
    BundleWithoutFeed bundle;
    // Two masters of the demo letters without kerning.
    auto bare = [](GSFontBuilder &builder) -> GSFontBuilder & {
        builder.master("Light", 500, 700, {100}).master("Bold", 500, 700, {700});
        addDemoGlyphs(builder);
        return builder;
    };
    GSFontBuilder b;
    {
        GSDocument &doc = bare(b).open("Bare");
        ZVsessionOptions few = serial();
        few.pairs = "nn oo HH";
        ZVsession session(doc, few);
        EXPECT_EQ(session.activate(), "Please type at least 10 pairs\nthat do NOT need kerning.");
    }
    GSFontBuilder c;
    GSDocument &doc = bare(c).open("Bare2");
    ZVsessionOptions options = serial();
    options.pairs = "nnn ooo HHH non ono HOH OOO /l/l/l IIH";
    ZVsession session(doc, options);
    runToTheEnd(session);
    EXPECT_EQ(session.road(), "pairs");
    const std::set<std::string> typed = {"n n", "o o", "H H", "n o", "o n", "H O", "O H",
                                         "O O", "l l", "I I", "I H"};
    const ZVstoredState state = storedState(*doc.font());
    for (const ZVstoredState::Master &m : state.masters) {
        SCOPED_TRACE(m.name);
        EXPECT_FALSE(m.models.empty());
        for (const std::string &model : m.models) {
            EXPECT_TRUE(typed.count(model)) << model; // the first models: typed pairs at 0
            EXPECT_EQ(m.kerning.at({model.substr(0, model.find(' ')),
                                    model.substr(model.find(' ') + 1)}),
                      0);
        }
    }
    EXPECT_EQ(state.version, "1.31");
}

TEST(Session, StoredStatesDifferInWhatTheFontGivesBack) {
    ZVstoredState base;
    base.masters = {{"Regular", {"T o", "V a"}, {"o o"}, {}, {{{"T", "o"}, -80.0}}}};
    base.groups["zero"] = {"NoKerning", "NoKerning"};
    base.version = "1.31";
    struct Case {
        const char *what;
        std::function<void(ZVstoredState &)> change;
        std::vector<std::string> differences;
    } cases[] = {
        {"nothing", [](ZVstoredState &) {}, {}},
        {"models in another order",
         [](ZVstoredState &s) { s.masters[0].models = {"V a", "T o"}; }, {}},
        {"a model less", [](ZVstoredState &s) { s.masters[0].models.pop_back(); },
         {"Regular: models"}},
        {"a model twice", [](ZVstoredState &s) { s.masters[0].models.push_back("T o"); },
         {"Regular: models"}},
        {"an independent pair", [](ZVstoredState &s) { s.masters[0].independents.clear(); },
         {"Regular: independent pairs"}},
        {"a user-set autopair",
         [](ZVstoredState &s) { s.masters[0].userSetAutopairs = {"A V"}; },
         {"Regular: user-set autopairs"}},
        {"a value and a new pair",
         [](ZVstoredState &s) {
             s.masters[0].kerning[{"T", "o"}] = -81;
             s.masters[0].kerning[{"A", "V"}] = -90;
         },
         {"Regular: kerning (2 pairs)"}},
        {"groups", [](ZVstoredState &s) { s.groups.clear(); }, {"groups"}},
        {"version", [](ZVstoredState &s) { s.version = std::nullopt; }, {"version"}},
        {"masters", [](ZVstoredState &s) { s.masters.push_back(s.masters[0]); }, {"masters"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZVstoredState changed = base;
        c.change(changed);
        EXPECT_EQ(storedStateDifferences(base, changed), c.differences);
    }
}
