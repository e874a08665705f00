// Documents, windows, edit tabs and the temporary data that holds plug-in objects.
#include "host/GSFontJSON.h"
#include "host/GSUnicodeText.h"
#include "host/testing/GSFontBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

// A, V and the unencoded a.alt (index 2), shown as U+F0002 outside the BMP.
GSFontBuilder smallFont(const std::string &family = "Small") {
    GSFontBuilder b(family);
    b.master("Regular").master("Bold", 520, 710);
    b.glyph("A").unicode("0041");
    b.glyph("V").unicode("0056");
    b.glyph("a.alt");
    b.glyph("emoji").unicode("1F600");
    return b;
}

// Records what it saw when the font's temporary data let go of it.
struct Probe : GSTempObject {
    int removals = 0;
    bool fontWasOpen = false;
    bool *destroyed = nullptr;
    void removedFromTempData(GSFont &font) override {
        ++removals;
        fontWasOpen = font.parent() != nullptr;
    }
    ~Probe() override {
        if (destroyed)
            *destroyed = true;
    }
};

std::vector<std::string> names(const std::vector<GSLayer *> &layers) {
    std::vector<std::string> out;
    for (const GSLayer *l : layers)
        out.push_back(!l                                       ? "-"
                      : l->layerKind() == GSLayerKind::Control ? "\\n"
                                                               : l->parent()->name());
    return out;
}

} // namespace

TEST(GSApplication, OpensDocumentsInOrderAndClosesThemDroppingPluginDataFirst) {
    ClosesDocuments closing;
    GSApplication &app = GSApplication::sharedApplication();
    GSDocument &one = smallFont("One").open("One");
    GSDocument &two = smallFont("Two").open("Two");
    ASSERT_EQ(app.fontDocuments(), (std::vector<GSDocument *>{&one, &two}));
    EXPECT_EQ(app.currentFontDocument(), &two);
    EXPECT_EQ(one.font()->parent(), &one);
    EXPECT_EQ(one.selectedFontMaster(), one.font()->fontMasters()[0]);

    auto probe = std::make_shared<Probe>();
    bool destroyed = false;
    probe->destroyed = &destroyed;
    two.font()->setTempData(probe, "ZVData");
    EXPECT_EQ(two.font()->tempDataObjectForKey("ZVData"), probe);
    app.closeDocument(&two);
    // The bridge let go while the font was still open; the shared handle keeps it alive.
    EXPECT_EQ(probe->removals, 1);
    EXPECT_TRUE(probe->fontWasOpen);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(app.fontDocuments(), (std::vector<GSDocument *>{&one}));
    EXPECT_EQ(app.currentFontDocument(), &one);
    probe.reset();
    EXPECT_TRUE(destroyed);
    app.closeDocument(&two); // no longer open: nothing happens
}

TEST(GSApplication, OpensJSONFilesUnderTheirFileName) {
    ClosesDocuments closing;
    const std::string path = testing::TempDir() + "Family-Regular.json";
    ASSERT_TRUE(writeFontJSONFile(*smallFont().build(), path, nullptr));
    std::string error;
    GSDocument *doc =
        GSApplication::sharedApplication().openDocumentWithContentsOfFile(path, &error);
    ASSERT_NE(doc, nullptr) << error;
    EXPECT_EQ(doc->displayName(), "Family-Regular");
    EXPECT_EQ(doc->font()->countOfGlyphs(), 4u);
    EXPECT_EQ(GSApplication::sharedApplication().openDocumentWithContentsOfFile(
                  testing::TempDir() + "missing.json", &error),
              nullptr);
    EXPECT_NE(error.find("missing.json"), std::string::npos);
    std::remove(path.c_str());
}

TEST(GSFontTempData, ReplacingOrClosingTellsTheObjectOnce) {
    auto font = smallFont().build();
    auto first = std::make_shared<Probe>(), second = std::make_shared<Probe>();
    font->setTempData(first, "ZVData");
    font->setTempData(first, "ZVData"); // the same object again: it stays
    EXPECT_EQ(first->removals, 0);
    font->setTempData(second, "ZVData");
    EXPECT_EQ(first->removals, 1);
    EXPECT_EQ(font->tempDataObjectForKey("ZVData"), second);
    EXPECT_EQ(font->tempDataObjectForKey("other"), nullptr);
    font->tempData().setObject(PlistValue("a value"), "kept beside");
    font.reset();
    EXPECT_EQ(second->removals, 1);
    EXPECT_FALSE(second->fontWasOpen);
}

TEST(GSFontCharacters, EncodedGlyphsShowTheirValueUnencodedOnesAPrivateCharacter) {
    auto font = smallFont().build();
    const GSGlyph *alt = font->glyphForName("a.alt");
    struct Case {
        const char *glyph;
        char32_t c;
    } cases[] = {{"A", U'A'}, {"a.alt", 0xF0002}, {"emoji", 0x1F600}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.glyph);
        EXPECT_EQ(font->characterForGlyph(font->glyphForName(c.glyph)), c.c);
        EXPECT_EQ(font->glyphForCharacter(c.c), font->glyphForName(c.glyph));
    }
    EXPECT_EQ(font->glyphForCharacter(0xF0000), nullptr); // index 0 is A, which is encoded
    EXPECT_EQ(font->glyphForCharacter(0xF0009), nullptr);
    EXPECT_EQ(font->characterForGlyph(nullptr), 0u);
    EXPECT_EQ(font->indexOfGlyph(alt), 2u);
    std::string expected = "AV";
    appendUTF8(expected, 0xF0002);
    expected += "/x /";
    EXPECT_EQ(font->charStringFromDisplayString("A/V/a.alt /x /"), expected);
    // A value that is no Unicode scalar counts as unencoded.
    font->glyphForName("V")->setUnicodes({"D800"});
    EXPECT_EQ(font->characterForGlyph(font->glyphForName("V")), 0xF0001u);
}

TEST(GSEditView, LayersFollowTheTextAndTheSelectedMaster) {
    ClosesDocuments closing;
    GSDocument &doc = smallFont().open().tab("A/a.alt\nV?").master(1);
    GSEditViewController *tab = doc.windowController()->activeEditViewController();
    ASSERT_NE(tab, nullptr);
    const auto layers = tab->allLayers();
    EXPECT_EQ(names(layers), (std::vector<std::string>{"A", "a.alt", "\\n", "V", "-"}));
    EXPECT_EQ(layers[0]->associatedMasterId(), "m1");
    EXPECT_STREQ(layers[2]->className(), "GSControlLayer");
    EXPECT_EQ(tab->allLayers()[2], layers[2]); // a line break keeps its layer
    // a.alt takes two UTF-16 units; the cursor starts at the end.
    EXPECT_EQ(tab->graphicView()->string().size(), 6u);
    EXPECT_EQ(tab->graphicView()->selectedRange(), (NSRange{6, 0}));
    EXPECT_EQ(tab->graphicView()->cachedLayerSelectionRange(), (NSRange{5, 0}));
}

TEST(GSGraphicView, TextAndLayerSelectionsStayConsistentAcrossSurrogatePairs) {
    GSGraphicView v;
    std::string text = "A";
    appendUTF8(text, 0xF0002);
    text += "V";
    v.setDisplayString(text); // units: A, high, low, V
    struct Case {
        bool inLayers;
        NSRange set, units, layers;
    } cases[] = {
        {true, {1, 1}, {1, 2}, {1, 1}},   {true, {2, 0}, {3, 0}, {2, 0}},
        {false, {2, 1}, {1, 2}, {1, 1}}, // a bound inside the pair moves to its start
        {false, {3, 1}, {3, 1}, {2, 1}},  {true, {9, 3}, {4, 0}, {3, 0}},
        {false, {0, 99}, {0, 4}, {0, 3}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.set.location << "+" << c.set.length);
        if (c.inLayers)
            v.setCachedLayerSelectionRange(c.set);
        else
            v.setSelectedRange(c.set);
        EXPECT_EQ(v.selectedRange(), c.units);
        EXPECT_EQ(v.cachedLayerSelectionRange(), c.layers);
    }
}

TEST(GSWindowController, SelectedLayersComeFromTheTabOrTheOverview) {
    ClosesDocuments closing;
    zvtesting::DocumentBuilder doc =
        smallFont().open().tools({"GlyphsToolSelect", "GlyphsToolText"});
    GSWindowController *wc = doc.document().windowController();
    GSFont *font = doc.document().font();
    EXPECT_EQ(wc->activeEditViewController(), nullptr);
    EXPECT_TRUE(wc->selectedLayers().empty());
    wc->setSelectedLayers({font->glyphForName("V")->layers()[0]});
    EXPECT_EQ(names(wc->selectedLayers()), (std::vector<std::string>{"V"}));

    doc.textTool().tab("AV\nA");
    EXPECT_EQ(wc->selectedToolIndex(), 1u);
    struct Case {
        NSRange layers;
        std::vector<std::string> selected;
    } cases[] = {
        {{1, 0}, {"V"}},                  // a cursor selects the layer after it
        {{4, 0}, {"A"}},                  // at the end, the last layer
        {{0, 4}, {"A", "V", "\\n", "A"}}, // a line break as a control layer
    };
    for (const Case &c : cases) {
        wc->activeEditViewController()->graphicView()->setCachedLayerSelectionRange(c.layers);
        EXPECT_EQ(names(wc->selectedLayers()), c.selected);
    }
    doc.tool("NoSuchTool");
    EXPECT_EQ(wc->selectedToolIndex(), 2u);
}
