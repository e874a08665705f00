#include "host/GSFontJSON.h"
#include "host/JSONText.h"
#include "host/testing/GSFontBuilder.h"

#include "file_size_limit.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using zvtesting::GSFontBuilder;

namespace {

// One of everything the file holds.
std::unique_ptr<GSFont> richFont() {
    GSFontBuilder b("Rich \"Family\"", 2048);
    b.master("Light", 480.5, 700, {100}).master("Bold", 500, 720, {700});
    b.font().fontMasters()[0]->setUserData(
        PlistValue(PlistArray{PlistValue("T o"), PlistValue("A V")}), "ZelvarModels");
    b.masterParameter(1, "Link Metrics With Master", PlistValue("m0"));
    b.font().customParameters().emplace_back("Note", PlistValue("é\u00e8\t\x01"));
    PlistDictionary data;
    data.setObject(PlistValue(), "null");
    data.setObject(PlistValue(true), "yes");
    data.setObject(PlistValue(-7), "int");
    data.setObject(PlistValue(3.0), "whole real");
    data.setObject(PlistValue(0.1), "tenth");
    data.setObject(PlistValue(1e-05), "small");
    data.setObject(PlistValue(1e16), "large");
    data.setObject(PlistValue(PlistArray{PlistValue(1), PlistValue(PlistDictionary{})}), "nested");
    b.font().setUserData(PlistValue(data), "ZelvarData");
    b.font().setUserData(PlistValue(12), "ZelvarVersion");

    b.glyph("H")
        .unicode("0048")
        .category("Letter", "Uppercase")
        .script("latin")
        .groups("H", "H")
        .width(1200)
        .rect(100, 0, 300, 1400)
        .rect(900, 0, 1100, 1400)
        .anchor("top", 600, 1400);
    b.glyph("o")
        .unicode("006F")
        .category("Letter", "Lowercase")
        .script("latin")
        .width(1100.25)
        .path({GSNode({550, 0}, '$'), GSNode({1000, 0}, 'A'), GSNode({1000, 500}, 'A'),
               GSNode({550, 1000}, '$'), GSNode({100, 1000}, 'A'), GSNode({100, 0}, 'A')});
    b.glyph("dotaccent")
        .category("Mark", "Nonspacing")
        .anchor("_top", 100, 1400)
        .rect(50, 1500, 150, 1600);
    b.glyph("Hdotaccent")
        .unicode("1E22")
        .category("Letter", "Uppercase")
        .component("H")
        .component("dotaccent", NSAffineTransformStruct{1, 0, 0.2, 1, 500.5, 0});
    b.font().glyphForName("Hdotaccent")->layers()[0]->components()[1]->setDisableAlignment(true);
    b.glyph("f_i")
        .category("Letter", "Ligature")
        .userData("ZelvarSpecialSpacing", PlistValue(PlistDictionary{}));
    GSGlyph &h = *b.font().glyphForName("H");
    h.layers()[0]->background().addShape(
        std::make_unique<GSPath>(std::vector<GSNode>{GSNode({0, 0}, 'L')}, false));
    auto brace = std::make_unique<GSLayer>(*h.layers()[1]);
    brace->setLayerId("brace-1");
    brace->setLayerKind(GSLayerKind::NonMaster);
    brace->setName("{400}");
    h.addLayer(std::move(brace));

    b.kern("o", "H", -10.5)
        .kern("H", "o", -20)
        .kern("@MMK_L_H", "@MMK_R_H", 4, 1)
        .kern("H", "H", 0);
    b.instance("Regular", {400},
               {GSCustomParameter("Rename Glyphs", PlistValue(PlistArray{PlistValue("a=a.alt")}))});
    b.font().instances()[0].customParameters()[0].setActive(false);

    b.singleSubstitution("smcp", {{"o", "H"}, {"H", "o"}});
    b.ligature("liga", "f_i", {"f", "i"});
    GSOTLookup alt;
    alt.lookupType = 3;
    alt.subTables.emplace_back().sequences.setObject({"H", "o"}, "o");
    b.addLookup("aalt", alt);
    GSOTLookup ctx;
    ctx.lookupType = 5;
    GSOTSubtable &f1 = ctx.subTables.emplace_back();
    f1.format = 1;
    f1.coverage.glyphNames = {"o"};
    f1.subRuleSets.push_back({{GSOTSubRule{{"H"}, {{0, 0}, {1, 2}}}}});
    GSOTSubtable &f3 = ctx.subTables.emplace_back();
    f3.format = 3;
    f3.coverages = {{{"o", "H"}}, {{"H"}}};
    f3.substLookupRecords = {{1, 0}};
    ctx.subTables.emplace_back().format = 2;
    b.addLookup("calt", ctx);
    GSOTLookup chain;
    chain.lookupType = 6;
    GSOTSubtable &c1 = chain.subTables.emplace_back();
    c1.format = 1;
    c1.coverage.glyphNames = {"H"};
    c1.chainSubRuleSets.push_back({{GSOTChainSubRule{{"o"}, {}, {"H", "o"}, {{0, 0}}}}});
    GSOTSubtable &c3 = chain.subTables.emplace_back();
    c3.format = 3;
    c3.backtrackCoverages = {{{"o"}}};
    c3.inputCoverages = {{{"H"}}};
    c3.lookAheadCoverages = {};
    c3.substLookupRecords = {{0, 0}};
    const std::size_t chainIndex = b.addLookup("calt", chain);
    GSOTLookup reverse;
    reverse.lookupType = 8;
    reverse.subTables.emplace_back();
    b.addLookup("", reverse);
    // A record naming several lookups, listed ascending in the file.
    GSOTFeatureRecord rec;
    rec.featureTag = "ss01";
    rec.feature.lookupListIndexes = {chainIndex, 0};
    const_cast<GSOTGSUBTable *>(b.font().compositorFont()->source()->tableForKey("GSUB")->table())
        ->featureList.featureRecords.push_back(rec);
    return b.build();
}

std::string smallFontText() {
    GSFontBuilder b;
    b.master("Regular", 500, 700, {400});
    b.glyph("H").unicode("0048").width(600).rect(50, 0, 150, 700).anchor("top", 300, 700);
    b.glyph("Hbar").component("H").component("H", 10, 0);
    b.kern("H", "Hbar", -10);
    b.singleSubstitution("smcp", {{"H", "Hbar"}});
    return writeFontJSON(*b.build());
}

std::string fileText(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string replaced(std::string text, const std::string &from, const std::string &to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

TEST(FontJSON, LoadThenSaveGivesTheSameBytes) {
    const std::string first = writeFontJSON(*richFont());
    const GSFontReadResult read = readFontJSON(first);
    ASSERT_TRUE(read) << read.error;
    EXPECT_EQ(writeFontJSON(*read.font), first);

    const GSFont &f = *read.font;
    // Kerning keeps its stored order, not a sorted one.
    const GSMasterKerning &k = *f.masterKerning("m0", 0);
    EXPECT_EQ(k.allKeys(), (std::vector<std::string>{"id-o", "id-H"}));
    EXPECT_EQ(k.objectForKey("id-H")->allKeys(), (std::vector<std::string>{"id-o", "id-H"}));
    EXPECT_EQ(f.kerningForFontMasterIDLeftKey("m0", "id-o", "id-H", 0), -10.5);
    // Types survive: an integer stays an integer, a whole real a real.
    const PlistDictionary &data = *f.userDataForKey("ZelvarData")->asDictionary();
    EXPECT_NE(data.objectForKey("int")->asInteger(), nullptr);
    EXPECT_NE(data.objectForKey("whole real")->asReal(), nullptr);
    EXPECT_TRUE(f.glyphForName("H")->layers()[0]->hasBackground());
    EXPECT_EQ(f.glyphForName("H")->layers()[2]->layerKind(), GSLayerKind::NonMaster);
    EXPECT_FALSE(f.instances()[0].customParameters()[0].isActive());
    EXPECT_EQ(f.compositorFont()->source()->tableForKey("GSUB")->table()->lookupList.lookups.size(),
              6u);
}

TEST(FontJSON, CanonicalTextIsWhatPythonWrites) {
    const std::string text = writeFontJSON(*richFont());
    ASSERT_EQ(text.back(), '\n');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
    for (
        const char *piece : {
            R"("familyName":"Rich \"Family\"","unitsPerEm":2048,)",
            R"("value":"éè\t\u0001","active":true)",
            R"("whole real":3.0,"tenth":0.1,"small":1e-05,"large":1e+16,)",
            R"("xHeight":480.5,"capHeight":700,)",
            R"("width":1100.25,)",
            R"("transform":[1,0,0.2,1,500.5,0],"disableAlignment":true)",
            R"("kerning":{"m0":{"id-o":{"id-H":-10.5},"id-H":{"id-o":-20,"id-H":0}},"m1":{"@MMK_L_H":{"@MMK_R_H":4}}})",
            R"({"tag":"ss01","lookups":[0,4]})",
            R"("gsub":{"features":[{"tag":"smcp","lookups":[0]})",
        })
        EXPECT_NE(text.find(piece), std::string::npos) << piece;

    struct Case {
        double v;
        const char *real, *model;
    } numbers[] = {
        {0.0, "0.0", "0"},
        {-0.0, "-0.0", "0"},
        {1.5, "1.5", "1.5"},
        {100.0, "100.0", "100"},
        {-40.0, "-40.0", "-40"},
        {0.0001, "0.0001", "0.0001"},
        {0.00001, "1e-05", "1e-05"},
        {1.0 / 3, "0.3333333333333333", "0.3333333333333333"},
        {123456789012345.6, "123456789012345.6", "123456789012345.6"},
        {9999999999999998.0, "9999999999999998.0", "9999999999999998.0"}, // beyond 2^53
        {1e16, "1e+16", "1e+16"},
        {1.5e300, "1.5e+300", "1.5e+300"},
        {-2.5e-7, "-2.5e-07", "-2.5e-07"},
    };
    for (const Case &c : numbers) {
        SCOPED_TRACE(c.real);
        std::string real, model;
        zvjson::appendReal(real, c.v);
        zvjson::appendModelNumber(model, c.v);
        EXPECT_EQ(real, c.real);
        EXPECT_EQ(model, c.model);
    }
}

TEST(FontJSON, TheFormatDocumentsExampleReadsAndWritesUnchanged) {
    const std::string example =
        R"({"format":"zelvar-font","formatVersion":1,"familyName":"Demo","unitsPerEm":1000,)"
        R"("featureCodeCompiles":true,"axes":[{"name":"Weight","tag":"wght"}],"userData":{},)"
        R"("customParameters":[],"masters":[{"id":"m0","name":"Regular","xHeight":500,"capHeight":700,)"
        R"("ascender":750,"descender":-250,"axesValues":[400],"customParameters":[],"userData":{}}],)"
        R"("glyphs":[{"id":"g0","name":"H","unicodes":["0048"],"category":"Letter","subCategory":"Uppercase",)"
        R"("case":1,"script":"latin","leftKerningGroup":"H","rightKerningGroup":"H","userData":{},)"
        R"("layers":[{"layerId":"m0","associatedMasterId":"m0","kind":"master","name":"Regular","width":600,)"
        R"("shapes":[{"closed":true,"nodes":[[50,0,"L"],[150,0,"L"],[150,700,"L"],[50,700,"L"]]}],)"
        R"("anchors":[{"name":"top","x":300,"y":700}]}]}],)"
        R"("kerning":{"m0":{"g0":{"g0":-10}}},"instances":[{"name":"Regular","axesValues":[400],)"
        R"("customParameters":[]}],"gsub":null})"
        "\n";
    const GSFontReadResult read = readFontJSON(example);
    ASSERT_TRUE(read) << read.error;
    EXPECT_EQ(writeFontJSON(*read.font), example);
    // Blanks and 1.0 for a coordinate are read and written canonically.
    const GSFontReadResult loose =
        readFontJSON(replaced(replaced(example, "[50,0,", "[ 50.0 , 0,"), "\n", " \n"));
    ASSERT_TRUE(loose) << loose.error;
    EXPECT_EQ(writeFontJSON(*loose.font), example);
}

TEST(FontJSON, BadAndHostileFilesAreRefusedNamingThePlace) {
    const std::string good = smallFontText();
    ASSERT_TRUE(readFontJSON(good)) << readFontJSON(good).error;
    std::string deep = "[";
    for (int i = 0; i < 100000; ++i)
        deep += "[";
    struct Case {
        const char *what;
        std::string text;
        const char *error;
    } cases[] = {
        {"empty", "", "invalid JSON"},
        {"truncated", good.substr(0, good.size() / 2), "invalid JSON"},
        {"trailing text", good + "{}", "invalid JSON"},
        {"not an object", "[]", "$: expected an object"},
        {"wrong type", replaced(good, R"("unitsPerEm":1000)", R"("unitsPerEm":"1000")"),
         "$.unitsPerEm: expected an integer"},
        {"units per em", replaced(good, R"("unitsPerEm":1000)", R"("unitsPerEm":0)"),
         "$.unitsPerEm: integer 0 outside"},
        {"width as text", replaced(good, R"("width":600)", R"("width":"600")"),
         "$.glyphs[0].layers[0].width: expected a number"},
        {"node type", replaced(good, R"(,"L"])", R"(,"Q"])"),
         "$.glyphs[0].layers[0].shapes[0].nodes[0][2]: unknown node type"},
        {"short node", replaced(good, R"([50,0,"L"])", R"([50,0])"),
         "$.glyphs[0].layers[0].shapes[0].nodes[0]: expected [x, y, type]"},
        {"overflowing real", replaced(good, R"("xHeight":500)", R"("xHeight":1e400)"),
         "$.masters[0].xHeight"},
        {"huge coordinate", replaced(good, R"([50,0,"L"])", R"([5e9,0,"L"])"),
         "nodes[0][0]: number out of range"},
        {"huge integer", replaced(good, R"("case":0)", R"("case":99999999999999999999)"),
         "$.glyphs[0].case: integer out of range"},
        {"huge user integer",
         replaced(good, R"("userData":{})", R"("userData":{"n":-99999999999999999999})"),
         "$.userData.n: integer out of range"},
        {"NaN", replaced(good, R"("xHeight":500)", R"("xHeight":NaN)"), "invalid JSON"},
        {"duplicate key", replaced(good, R"("name":"H",)", R"("name":"H","name":"I",)"),
         "$.glyphs[0]: duplicate key \"name\""},
        {"unknown key", replaced(good, R"("familyName")", R"("familyname":1,"familyName")"),
         "$.familyname: unknown key"},
        {"missing key", replaced(good, R"("familyName":"Test",)", ""),
         "$: missing key \"familyName\""},
        {"repeated glyph name", replaced(good, R"("name":"Hbar")", R"("name":"H")"),
         "$.glyphs[1].name: repeated glyph name"},
        {"missing component", replaced(good, R"("ref":"H")", R"("ref":"X")"),
         "$.glyphs[1].layers[0].shapes[0].ref: component names no glyph"},
        {"unknown master", replaced(good, R"("kerning":{"m0")", R"("kerning":{"m9")"),
         "$.kerning.m9: kerning for a master id that names no master"},
        {"layer master",
         replaced(good, R"("associatedMasterId":"m0")", R"("associatedMasterId":"mX")"),
         "$.glyphs[0].layers[0].associatedMasterId: names no master"},
        {"lookup index", replaced(good, R"("lookups":[0])", R"("lookups":[3])"),
         "$.gsub.features[0].lookups[0]: integer 3 outside"},
        {"bad unicode", replaced(good, R"(["0048"])", R"(["48"])"), "$.glyphs[0].unicodes[0]"},
        {"deep nesting", replaced(good, R"("userData":{})", R"("userData":{"x":)" + deep),
         "nested deeper than 64 levels"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const GSFontReadResult r = readFontJSON(c.text);
        EXPECT_FALSE(r);
        EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    }
}

TEST(FontJSON, ComponentCyclesAreRefused) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("A").component("B");
    b.glyph("B").component("C");
    b.glyph("C").rect(0, 0, 1, 1).component("A", 5, 0);
    const GSFontReadResult r = readFontJSON(writeFontJSON(*b.build()));
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, "$.glyphs[2].layers[0].shapes[1]: component cycle A → B → C → A");
}

TEST(FontJSON, GlyphsMayUseEachOtherInDifferentMasters) {
    // Each master draws a component from its own layer of the referenced glyph: A uses B only in
    // the first master and B uses A only in the second, which is no cycle.
    GSFontBuilder b;
    b.master("Light");
    b.master("Bold");
    b.glyph("A").in(0).component("B").in(1).rect(0, 0, 1, 1);
    b.glyph("B").in(0).rect(0, 0, 1, 1).in(1).component("A");
    const GSFontReadResult r = readFontJSON(writeFontJSON(*b.build()));
    EXPECT_TRUE(r) << r.error;
}

TEST(FontJSON, DamagedFilesNeverCrashTheReader) {
    // Cut, flipped and spliced bytes of a good file: each gives a font or an error, never a crash
    // (the sanitizer build runs this too).
    const std::string good = smallFontText();
    std::uint64_t seed = 0x9E3779B97F4A7C15u;
    auto next = [&] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    const std::string tokens[] = {"{",    "}",      "[",   "]",   ",",       ":", "\"",
                                  "null", "-1e999", "1e7", "0.5", "\\u0000", "é"};
    for (int i = 0; i < 3000; ++i) {
        std::string text = good;
        const int edits = 1 + static_cast<int>(next() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = next() % text.size();
            switch (next() % 3) {
            case 0:
                text[at] = static_cast<char>(next() % 256);
                break;
            case 1:
                text.erase(at, 1 + next() % 8);
                break;
            default:
                text.insert(at, tokens[next() % std::size(tokens)]);
                break;
            }
            if (text.empty())
                text = "{";
        }
        const GSFontReadResult r = readFontJSON(text);
        EXPECT_TRUE(r || !r.error.empty());
        if (r) { // whatever was accepted writes and reads back to the same bytes
            const std::string saved = writeFontJSON(*r.font);
            const GSFontReadResult again = readFontJSON(saved);
            ASSERT_TRUE(again) << again.error;
            EXPECT_EQ(writeFontJSON(*again.font), saved);
        }
    }
}

TEST(FontJSON, SampleFamilyRoundTripsExactly) {
    const char *env = std::getenv("ZV_SAMPLE"); // another family may stand in
    const std::string path = env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        GTEST_SKIP() << "no sample family at " << path;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const GSFontReadResult r = readFontJSON(text);
    ASSERT_TRUE(r) << r.error;
    EXPECT_EQ(r.font->countOfFontMasters(), 3u);
    EXPECT_TRUE(writeFontJSON(*r.font) == text);
}

TEST(FontJSON, ALayerNothingDrawsFromMayHoldItsOwnGlyph) {
    // A background (or other non-master layer) holding a component of its own glyph draws the
    // glyph's master layer, which leads nowhere back: no cycle. The master layer doing so is one.
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("H").rect(0, 0, 100, 700);
    GSLayer &master = *b.font().glyphForName("H")->layers()[0];
    master.background().addShape(std::make_unique<GSComponent>("H"));
    auto alternate = std::make_unique<GSLayer>();
    alternate->setLayerId("alt");
    alternate->setAssociatedMasterId("m0");
    alternate->setLayerKind(GSLayerKind::NonMaster);
    alternate->addShape(std::make_unique<GSComponent>("H"));
    b.font().glyphForName("H")->addLayer(std::move(alternate));
    const std::string text = writeFontJSON(b.font());
    const GSFontReadResult r = readFontJSON(text);
    ASSERT_TRUE(r) << r.error;
    // The background draws H's outline.
    GSLayer &bg = r.font->glyphForName("H")->layers()[0]->background();
    EXPECT_EQ(bg.copyDecomposedLayer()->countOfNodes(), 4u);

    master.addShape(std::make_unique<GSComponent>("H"));
    const GSFontReadResult cyclic = readFontJSON(writeFontJSON(b.font()));
    EXPECT_EQ(cyclic.error, "$.glyphs[0].layers[0].shapes[1]: component cycle H → H");
}

// Saving replaces the whole file or nothing: a write that fails half-way (here at a file size
// limit, as on a full disk) leaves the old file whole, no temporary file behind, and says why.
TEST(FontJSON, SavingReplacesTheWholeFileOrNothing) {
    namespace fs = std::filesystem;
    zvtest::TempFolder dir;
    const fs::path path = dir.path() / "Family.json";
    const auto small = readFontJSON(smallFontText());
    ASSERT_TRUE(small) << small.error;
    const std::string before = writeFontJSON(*small.font), after = writeFontJSON(*richFont());
    std::string error;
    ASSERT_TRUE(writeFontJSONFile(*small.font, path.string(), &error)) << error;
    {
        zvtest::FileSizeLimit limit(before.size() / 2);
        EXPECT_TRUE(canWriteFontJSONFile(path.string(), &error)) << error;
        EXPECT_FALSE(writeFontJSONFile(*richFont(), path.string(), &error));
    }
    EXPECT_EQ(error, path.string() + ": cannot be written: File too large");
    EXPECT_TRUE(fileText(path) == before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    ASSERT_TRUE(writeFontJSONFile(*richFont(), path.string(), &error)) << error;
    EXPECT_TRUE(fileText(path) == after);

    // Places that cannot take the file are refused up front, with the system's reason.
    fs::create_directory(dir.path() / "folder.json");
    const struct {
        fs::path path;
        const char *reason;
    } refused[] = {
        {dir.path() / "none" / "Family.json", "No such file or directory"},
        {dir.path() / "folder.json", "Is a directory"},
        {path / "inside.json", "Not a directory"},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.path.string());
        const std::string expected = c.path.string() + ": cannot be written: " + c.reason;
        EXPECT_FALSE(canWriteFontJSONFile(c.path.string(), &error));
        EXPECT_EQ(error, expected);
        EXPECT_FALSE(writeFontJSONFile(*richFont(), c.path.string(), &error));
        EXPECT_EQ(error, expected);
    }
    EXPECT_TRUE(fileText(path) == after);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}
