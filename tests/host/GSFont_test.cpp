#include "host/testing/GSFontBuilder.h"

#include <gtest/gtest.h>

#include <map>

using zvtesting::GSFontBuilder;

namespace {

// A, V, o with groups: A's right side and V's left side are "A"/"V" groups.
std::unique_ptr<GSFont> kernedFont() {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("A").groups("A", "A");
    b.glyph("Aacute").groups("A", "A");
    b.glyph("V").groups("V", "V");
    b.glyph("T"); // no groups
    b.glyph("o").groups("o", "o");
    b.kern("A", "V", -80);               // glyph–glyph
    b.kern("Aacute", "@MMK_R_V", -60);   // glyph–group
    b.kern("@MMK_L_A", "o", -20);        // group–glyph
    b.kern("@MMK_L_A", "@MMK_R_V", -70); // group–group
    b.kern("@MMK_L_A", "@MMK_R_o", 0);   // a stored zero is kerning
    return b.build();
}

} // namespace

TEST(GSFontKerning, EffectiveLookupTriesGlyphThenGroupKeys) {
    const auto font = kernedFont();
    const GSFont &f = *font;
    struct Case {
        const char *left, *right;
        double value;
    } cases[] = {
        {"A", "V", -80},      {"Aacute", "V", -60},         {"A", "o", -20},
        {"Aacute", "o", -20}, {"V", "A", GSNoKerningValue}, {"T", "o", GSNoKerningValue},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.left) + " " + c.right);
        EXPECT_EQ(f.kerningForFontMasterIDFirstGlyph("m0", f.glyphForName(c.left),
                                                     f.glyphForName(c.right), 0),
                  c.value);
    }
    // The group–group value shows once the glyph–glyph and glyph–group keys are gone.
    f.kerningDictionary()->removeValue("m0", "id-A", "id-V");
    EXPECT_EQ(f.kerningForFontMasterIDFirstGlyph("m0", f.glyphForName("A"), f.glyphForName("V"), 0),
              -70);
    EXPECT_EQ(f.kerningForFontMasterIDFirstGlyph("m1", f.glyphForName("A"), f.glyphForName("V"), 0),
              GSNoKerningValue);
    EXPECT_EQ(f.kerningForFontMasterIDFirstGlyph("m0", nullptr, f.glyphForName("V"), 0),
              GSNoKerningValue);

    EXPECT_EQ(f.kerningForFontMasterIDLeftKey("m0", "@MMK_L_A", "@MMK_R_o", 0), 0);
    EXPECT_EQ(f.kerningForFontMasterIDLeftKey("m0", "id-Aacute", "id-V", 0), GSNoKerningValue);
    EXPECT_EQ(GSNoKerningValue, 9223372036854775808.0);
}

TEST(GSFontKerning, WritesNotifyObserversBeforeReturning) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("A");
    auto font = b.build();
    EXPECT_EQ(font->kerningDictionary(), nullptr); // a font may have no kerning at all
    EXPECT_EQ(font->masterKerning("m0", 0), nullptr);

    int calls = 0;
    const int token = font->addObserver("kerning", [&] { ++calls; });
    font->addObserver("other", [] { FAIL() << "only kerning observers are told"; });
    font->setKerningForFontMasterID("m0", "id-A", "id-A", 5, 0);
    EXPECT_EQ(calls, 1);
    ASSERT_NE(font->kerningDictionary(), nullptr);
    GSMasterKerning replacement;
    replacement.setObject(GSKerningRow{}, "id-A");
    font->kerningDictionary()->setObject(replacement, "m0");
    EXPECT_EQ(calls, 2);
    font->kerningDictionary()->removeAllObjects();
    EXPECT_EQ(calls, 3);
    // A whole master refilled: added when absent, emptied in place when present; one change.
    auto fill = [](double v) {
        return [v](GSMasterKerning &k) { k.setObject(GSKerningRow{}, "id-A").setObject(v, "id-A"); };
    };
    font->kerningDictionary()->refillMaster("m0", fill(3));
    const GSMasterKerning *m0 = font->masterKerning("m0", 0);
    font->kerningDictionary()->refillMaster("m0", fill(4));
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(font->masterKerning("m0", 0), m0);
    EXPECT_EQ(m0->count(), 1u);
    EXPECT_EQ(font->kerningForFontMasterIDLeftKey("m0", "id-A", "id-A", 0), 4);
    font->removeObserver(token);
    font->setKerningForFontMasterID("m0", "id-A", "id-A", 5, 0);
    EXPECT_EQ(calls, 5);
#if ZV_HOST_VERSION == 2
    EXPECT_EQ(font->kerning(), font->kerningDictionary());
#else
    EXPECT_EQ(font->kerningLTR(), font->kerningDictionary());
    EXPECT_EQ(font->kerningForDirection(0), font->kerningDictionary());
#endif
}

TEST(GSFontKerning, LayerKerningWritesBetweenTheLayersGlyphs) {
    GSFontBuilder b;
    b.master("Regular").master("Bold");
    b.glyph("T");
    b.glyph("o");
    auto font = b.build();
    GSLayer *t = font->glyphForName("T")->layers()[1], *o = font->glyphForName("o")->layers()[1];
#if ZV_HOST_VERSION == 2
    t->setRightKerning(-40, o);
#else
    t->setNextKerning(-40, o, 0);
#endif
    EXPECT_EQ(font->kerningForFontMasterIDLeftKey("m1", "id-T", "id-o", 0), -40);
    EXPECT_EQ(font->kerningForFontMasterIDLeftKey("m0", "id-T", "id-o", 0), GSNoKerningValue);
}

TEST(GSFont, LookupsAndGenerationNames) {
    GSFontBuilder b;
    b.master("Regular", 510, 720, {400}).master("Bold", 530, 730, {700});
    b.glyph("A").unicode("0041").category("Letter", "Uppercase").script("latin");
    b.glyph("acutecomb");
    b.glyph("Aacute").unicode("00C1").component("A").component("acutecomb", 100, 0);
    b.masterParameter(1, "Link Metrics With First Master", PlistValue(1));
    auto font = b.build();
    EXPECT_EQ(font->glyphForUnicode("00C1")->name(), "Aacute");
    EXPECT_EQ(font->glyphForId("id-A")->name(), "A");
    EXPECT_EQ(font->glyphForUnicode("0042"), nullptr);
    const auto users = font->glyphsContainingComponentWithName("A", "m1");
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0]->name(), "Aacute");
    EXPECT_EQ(
        *font->fontMasters()[1]->customValueForKey("Link Metrics With First Master")->asInteger(),
        1);
    EXPECT_EQ(font->fontMasters()[0]->customValueForKey("Link Metrics With First Master"), nullptr);
    font->glyphForName("A")->setName("A.alt");
    EXPECT_EQ(font->glyphForName("A"), nullptr);
    EXPECT_NE(font->glyphForName("A.alt"), nullptr);

    const GSFontMaster &bold = *font->fontMasters()[1];
    const GSGlyph &a = *font->glyphForName("A.alt");
    EXPECT_EQ(a.unicodeChar(), 0x41u);
#if ZV_HOST_VERSION == 2
    EXPECT_EQ(bold.xHeight(), 530);
    EXPECT_EQ(bold.capHeight(), 730);
    EXPECT_EQ(bold.weightValue(), 700);
    EXPECT_EQ(bold.widthValue(), 0);
    EXPECT_EQ(a.layerForKey("m1"), a.layers()[1]);
    EXPECT_EQ(*a.subCategory(), "Uppercase");
#else
    EXPECT_EQ(bold.defaultXHeight(), 530);
    EXPECT_EQ(bold.defaultCapHeight(), 730);
    EXPECT_EQ(bold.axesValues(), std::vector<double>{700});
    EXPECT_EQ(a.layerForId("m1"), a.layers()[1]);
    EXPECT_EQ(a.case_(), GSUppercase);
#endif
}

// The name index stays true whatever the order of renames, also while two glyphs briefly share
// a name (the first in font order answers then).
TEST(GSFont, NameIndexFollowsRenamesInAnyOrder) {
    GSFontBuilder b;
    b.master("Regular");
    b.glyph("o");
    b.glyph("o.ss01");
    b.glyph("o.old");
    auto font = b.build();
    GSGlyph *o = font->glyphForName("o"), *ss01 = font->glyphForName("o.ss01");
    o->setName("o.ss01"); // a swap: each takes the other's name
    EXPECT_EQ(font->glyphForName("o.ss01"), o);
    ss01->setName("o");
    EXPECT_EQ(font->glyphForName("o"), ss01);
    EXPECT_EQ(font->glyphForName("o.ss01"), o);
    ss01->setName("o.ss01"); // and back, the other way round
    EXPECT_EQ(font->glyphForName("o.ss01"), o);
    o->setName("o");
    EXPECT_EQ(font->glyphForName("o"), o);
    EXPECT_EQ(font->glyphForName("o.ss01"), ss01);
    // An alternate promoted: o goes to o.old's name, o.old to o's.
    GSGlyph *old = font->glyphForName("o.old");
    old->setName("o");
    EXPECT_EQ(font->glyphForName("o"), o);
    o->setName("o.old");
    EXPECT_EQ(font->glyphForName("o"), old);
    EXPECT_EQ(font->glyphForName("o.old"), o);
}

TEST(GSInstance, InterpolationWeighsTheMastersAroundItsPlace) {
    GSFontBuilder b;
    b.master("Light", 500, 700, {100})
        .master("Regular", 500, 700, {400})
        .master("Black", 500, 700, {900});
    auto font = b.build();
    struct Case {
        double weight;
        std::vector<std::string> disabled;
        std::vector<std::pair<std::string, double>> expected;
    } cases[] = {
        {400, {}, {{"m1", 1.0}}},
        {400, {"Regular"}, {{"m0", 0.625}, {"m2", 0.375}}},
        {250, {}, {{"m0", 0.5}, {"m1", 0.5}}},
        {1000, {"Regular"}, {{"m0", -0.125}, {"m2", 1.125}}}, // outside: extrapolated
        {400, {"Light", "Regular", "Black"}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.weight);
        GSInstance inst;
        inst.setFont(font.get());
#if ZV_HOST_VERSION == 2
        inst.setInterpolationWeight(c.weight);
#else
        inst.setAxesValues({c.weight});
#endif
        PlistArray names;
        for (const std::string &n : c.disabled)
            names.push_back(PlistValue(n));
        inst.customParameters().emplace_back("Disable Masters", PlistValue(names));
        inst.updateInterpolationValues();
        const auto &w = inst.instanceInterpolations();
        ASSERT_EQ(w.count(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            EXPECT_EQ(w.entryAtIndex(i).first, c.expected[i].first);
            EXPECT_NEAR(w.entryAtIndex(i).second, c.expected[i].second, 1e-12);
        }
    }
}

// Weight × width: four corners and a middle master. The weights come from all axes: they place
// the instance where it is, from the masters of the nearest enclosing triangle, or, outside the
// masters, by extrapolation from the nearest triangle.
TEST(GSInstance, InterpolationWeighsEveryAxis) {
    GSFontBuilder b;
    b.master("A", 500, 700, {100, 75}).master("B", 500, 700, {700, 75});
    b.master("C", 500, 700, {100, 125}).master("D", 500, 700, {700, 125});
    b.master("M", 500, 700, {400, 100});
    auto font = b.build();
    const auto weights = [&](std::vector<double> place, std::vector<std::string> disabled) {
        GSInstance inst;
        inst.setFont(font.get());
#if ZV_HOST_VERSION == 2
        inst.setInterpolationWeight(place[0]);
        inst.setInterpolationWidth(place[1]);
#else
        inst.setAxesValues(place);
#endif
        PlistArray names;
        for (const std::string &n : disabled)
            names.push_back(PlistValue(n));
        inst.customParameters().emplace_back("Disable Masters", PlistValue(names));
        inst.updateInterpolationValues();
        std::map<std::string, double> w;
        for (std::size_t i = 0; i < inst.instanceInterpolations().count(); ++i)
            w.insert(inst.instanceInterpolations().entryAtIndex(i));
        return w;
    };
    struct Case {
        std::vector<double> place;
        std::map<std::string, double> expected;
    } cases[] = {
        {{400, 100}, {{"m4", 1}}},                           // at a master: that master alone
        {{250, 87.5}, {{"m0", 0.5}, {"m4", 0.5}}},           // halfway from A to M
        {{400, 87.5}, {{"m0", 0.25}, {"m1", 0.25}, {"m4", 0.5}}}, // inside A B M
        {{400, 75}, {{"m0", 0.5}, {"m1", 0.5}}},             // on the edge A B
        {{-50, 62.5}, {{"m0", 1.5}, {"m4", -0.5}}},          // beyond A, away from M
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.place));
        const auto w = weights(c.place, {});
        ASSERT_EQ(w.size(), c.expected.size());
        for (const auto &[id, value] : c.expected)
            EXPECT_NEAR(w.count(id) ? w.at(id) : 1e9, value, 1e-12) << id;
    }
    // Each master interpolated from the other four, at its own place: corners by extrapolation,
    // the middle one from two opposite corners, always at the right place on both axes.
    for (const GSFontMaster *m : font->fontMasters()) {
        SCOPED_TRACE(m->name());
        const auto w = weights(m->axesValueList(), {m->name()});
        EXPECT_GE(w.size(), 2u);
        EXPECT_EQ(w.count(m->id()), 0u);
        double sum = 0, weight = 0, width = 0;
        for (const auto &[id, value] : w) {
            const GSFontMaster *contributor = font->fontMasterForId(id);
            ASSERT_NE(contributor, nullptr);
            sum += value;
            weight += value * contributor->axesValueList()[0];
            width += value * contributor->axesValueList()[1];
        }
        EXPECT_NEAR(sum, 1, 1e-12);
        EXPECT_NEAR(weight, m->axesValueList()[0], 1e-9);
        EXPECT_NEAR(width, m->axesValueList()[1], 1e-9);
    }
}
