// Reading the compiled substitutions into feature records, and the glyph flags they give.
#include "bridge/ZVOTFeatures.h"
#include "bridge_fixture.h"

#include <gtest/gtest.h>

using namespace PLXlibNamespaceForZV;
using namespace zvbridgetest;
using zvtesting::GSFontBuilder;

namespace {

using Singles = std::vector<std::pair<std::string, std::string>>;
using Quads = std::vector<std::vector<std::string>>;

GSOTLookup single(const Singles &pairs) {
    GSOTLookup l;
    l.lookupType = 1;
    GSOTSubtable st;
    for (const auto &[from, to] : pairs)
        st.mapping.setObject(to, from);
    l.subTables.push_back(st);
    return l;
}

GSOTSubstLookupRecord record(std::uint16_t sequence, std::uint16_t lookup) {
    return {sequence, lookup};
}

// Chaining context, format 3: backtrack, input and look-ahead coverages, and the records.
GSOTLookup chain3(std::vector<std::vector<std::string>> backtrack,
                  std::vector<std::vector<std::string>> input,
                  std::vector<std::vector<std::string>> lookAhead,
                  std::vector<GSOTSubstLookupRecord> records) {
    GSOTLookup l;
    l.lookupType = 6;
    GSOTSubtable st;
    st.format = 3;
    for (auto &c : backtrack)
        st.backtrackCoverages.push_back({c});
    for (auto &c : input)
        st.inputCoverages.push_back({c});
    for (auto &c : lookAhead)
        st.lookAheadCoverages.push_back({c});
    st.substLookupRecords = std::move(records);
    l.subTables.push_back(st);
    return l;
}

// Glyphs a b c x (encoded), a.sc a.sc.alt f i f_i one one.lf one.tf one.os (unencoded unless
// said), A, superscript s.
GSFontBuilder featureFont() {
    GSFontBuilder b;
    b.master("Regular");
    for (const char *n : {"a", "b", "c", "x", "f", "i"})
        b.glyph(n).unicode(std::string("00") + std::to_string(60 + (n[0] - 'a'))); // any code
    b.glyph("A").unicode("0041").category("Letter", "Uppercase");
    for (const char *n : {"a.sc", "a.sc.alt", "f_i", "one.lf", "one.tf", "one.os", "b.alt"})
        b.glyph(n).category("Letter", "Lowercase");
    b.glyph("one").unicode("0031").category("Number", "Decimal Digit");
    b.glyph("s.sups").category("Letter", "Lowercase");
    b.glyph("A.sups").category("Symbol");
    return b;
}

struct Read {
    std::unique_ptr<GSFont> font;
    std::unique_ptr<ZVDataFromGlyphs> bridge;
    std::uint16_t operator()(const std::string &name) const {
        return bridge->zvIndexForGlyphName(name);
    }
    const ZVfeature *feature(const std::string &tag) const {
        for (const ZVfeature &f : bridge->get_zvfont()->features.features)
            if (f.tag == tag)
                return &f;
        return nullptr;
    }
    Singles names(const std::vector<ZVsinglesub> &subs) const {
        Singles out;
        const auto &n = bridge->get_zvfont()->glyphsinfo._glyph_name_for_index;
        for (const ZVsinglesub &s : subs)
            out.emplace_back(n[s.source], n[s.substitute]);
        return out;
    }
    Quads names(const std::vector<ZVpairsub> &subs) const {
        Quads out;
        const auto &n = bridge->get_zvfont()->glyphsinfo._glyph_name_for_index;
        for (const ZVpairsub &s : subs)
            out.push_back({n[s.left], n[s.right], n[s.left_substitute], n[s.right_substitute]});
        return out;
    }
    std::uint16_t flags(const std::string &name) const {
        return bridge->get_zvfont()->glyphsinfo._category_for_index[(*this)(name)].flags;
    }
};

Read read(GSFontBuilder &b) {
    Read r;
    r.font = b.build();
    r.bridge = std::make_unique<ZVDataFromGlyphs>(r.font.get());
    r.bridge->initGlyphsinfo();
    r.bridge->addPairsForCompositesPairs();
    r.bridge->initOTFeatures();
    return r;
}

} // namespace

TEST(BridgeSubstitutions, SingleSubstitutionsMergePerTagAndDropNoOps) {
    GSFontBuilder b = featureFont();
    b.addLookup("smcp", single({{"a", "a.sc"}, {"b", "b"}, {"a", "nosuch"}}));
    b.addLookup("smcp", single({{"a", "a.sc"}})); // the same tag for another script
    const Read r = read(b);
    const ZVfeature *smcp = r.feature("smcp");
    ASSERT_NE(smcp, nullptr);
    EXPECT_EQ(r.names(smcp->substitutions), (Singles{{"a", "a.sc"}}));
    EXPECT_EQ(smcp->lookups, (std::set<std::uint16_t>{0, 1}));
    EXPECT_EQ(r.bridge->get_zvfont()->features.features.size(), 1u);
}

TEST(BridgeSubstitutions, SmallCapitalsFromCapitalsReachWhatSmallCapitalsDo) {
    for (const bool both : {false, true}) {
        SCOPED_TRACE(both);
        GSFontBuilder b = featureFont();
        b.addLookup("c2sc", single({{"A", "a.sc"}}));
        if (both)
            b.addLookup("smcp", single({{"a", "a.sc"}}));
        const Read r = read(b);
        const ZVfeature *c2sc = r.feature("c2sc");
        ASSERT_NE(c2sc, nullptr);
        const Singles expected =
            both ? Singles{{"a", "a.sc"}, {"A", "a.sc"}} : Singles{{"A", "a.sc"}};
        EXPECT_EQ(r.names(c2sc->substitutions), expected);
        EXPECT_EQ(c2sc->lookups.size(), both ? 2u : 1u);
    }
}

TEST(BridgeSubstitutions, LigaturesSubstituteEitherSideOfAPair) {
    GSFontBuilder b = featureFont();
    b.ligature("liga", "f_i", {"f", "i"});
    GSOTLookup lonely;
    lonely.lookupType = 4;
    GSOTSubtable st;
    st.ligatures.setObject({GSOTLigature{"b.alt", {}}}, "b"); // no component after the first
    lonely.subTables.push_back(st);
    b.addLookup("dlig", lonely);
    const Read r = read(b);
    EXPECT_EQ(r.names(r.feature("liga")->left_substitutions), (Singles{{"i", "f_i"}}));
    EXPECT_EQ(r.names(r.feature("liga")->right_substitutions), (Singles{{"f", "f_i"}}));
    EXPECT_TRUE(r.feature("dlig")->left_substitutions.empty());
    EXPECT_EQ(r.names(r.feature("dlig")->right_substitutions), (Singles{{"b", "b.alt"}}));
}

TEST(BridgeSubstitutions, ChainingRulesWithAndWithoutNeighbours) {
    struct Case {
        const char *what;
        std::vector<std::vector<std::string>> backtrack, lookAhead;
        Singles right, left;
        Quads pairs;
    } cases[] = {
        {"after x", {{"x"}}, {}, {}, {{"a", "b"}}, {{"x", "a", "x", "b"}}},
        {"before c", {}, {{"c"}}, {{"a", "b"}}, {}, {{"a", "c", "b", "c"}}},
        {"no neighbours", {}, {}, {{"a", "b"}}, {{"a", "b"}}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        GSFontBuilder b = featureFont();
        b.addLookup("", single({{"a", "b"}}));
        b.addLookup("calt", chain3(c.backtrack, {{"a"}}, c.lookAhead, {record(0, 0)}));
        const Read r = read(b);
        const ZVfeature *calt = r.feature("calt");
        EXPECT_EQ(r.names(calt->right_substitutions), c.right);
        EXPECT_EQ(r.names(calt->left_substitutions), c.left);
        EXPECT_EQ(r.names(calt->pair_substitutions), c.pairs);
        EXPECT_EQ(calt->lookups, (std::set<std::uint16_t>{0, 1}));
    }

    // Format 1: a rule's first backtrack glyph; the coverage limits the single substitution, by
    // glyph name.
    GSFontBuilder b = featureFont();
    b.addLookup("", single({{"a", "b"}, {"c", "b"}}));
    GSOTLookup l;
    l.lookupType = 6;
    GSOTSubtable st;
    st.format = 1;
    st.coverage.glyphNames = {std::string("a")};
    st.chainSubRuleSets.push_back({{GSOTChainSubRule{{"x", "c"}, {}, {}, {record(0, 0)}}}});
    l.subTables.push_back(st);
    b.addLookup("calt", l);
    const Read r = read(b);
    EXPECT_EQ(r.names(r.feature("calt")->pair_substitutions), (Quads{{"x", "a", "x", "b"}}));
}

TEST(BridgeSubstitutions, NeighbouringContextPositionsMakePairs) {
    GSFontBuilder b = featureFont();
    b.addLookup("", single({{"a", "a.sc"}}));
    b.addLookup("", single({{"b", "b.alt"}}));
    GSOTLookup l;
    l.lookupType = 5;
    GSOTSubtable st;
    st.format = 3;
    st.coverages = {GSOTCoverage{{"a"}}, GSOTCoverage{{"b"}}};
    st.substLookupRecords = {record(0, 0), record(1, 1), record(2, 0)}; // the last: no position
    l.subTables.push_back(st);
    b.addLookup("ss01", l);
    const Read r = read(b);
    const ZVfeature *f = r.feature("ss01");
    EXPECT_EQ(r.names(f->pair_substitutions), (Quads{{"a", "b", "a.sc", "b.alt"}}));
    EXPECT_EQ(r.names(f->right_substitutions), (Singles{{"a", "a.sc"}}));
    EXPECT_EQ(r.names(f->left_substitutions), (Singles{{"b", "b.alt"}}));
}

TEST(BridgeSubstitutions, LookupsThatNameThemselvesAreReadOnce) {
    // Lookup 0 applies itself and lookup 1; lookup 1 applies lookup 2, which applies lookup 1
    // again; a record names a lookup that does not exist. Reading ends, with what a font without
    // the cycles would give.
    GSFontBuilder b = featureFont();
    auto context = [](std::vector<GSOTSubstLookupRecord> records) {
        GSOTLookup l;
        l.lookupType = 5;
        GSOTSubtable st;
        st.format = 1;
        st.subRuleSets.push_back({{GSOTSubRule{{}, std::move(records)}}});
        l.subTables.push_back(st);
        return l;
    };
    b.addLookup("calt", context({record(0, 0), record(0, 1), record(0, 77)}));
    b.addLookup("", context({record(0, 2)}));
    b.addLookup("", context({record(0, 1), record(0, 3)}));
    b.addLookup("", single({{"a", "b"}}));
    const Read r = read(b);
    const ZVfeature *calt = r.feature("calt");
    EXPECT_EQ(r.names(calt->right_substitutions), (Singles{{"a", "b"}}));
    EXPECT_EQ(r.names(calt->left_substitutions), (Singles{{"a", "b"}}));
    EXPECT_EQ(calt->lookups, (std::set<std::uint16_t>{0, 1, 2, 3}));
}

TEST(BridgeSubstitutions, FlagsFollowReachableGlyphsThroughTheFeatures) {
    GSFontBuilder b = featureFont();
    b.addLookup("smcp", single({{"a", "a.sc"}}));
    b.addLookup("salt", single({{"a.sc", "a.sc.alt"}, {"one.os", "one.tf"}}));
    b.addLookup("onum", single({{"one", "one.os"}}));
    b.addLookup("lnum", single({{"one.os", "one.lf"}}));
    b.addLookup("sups", single({{"A", "A.sups"}, {"x", "s.sups"}}));
    b.addLookup("pnum", single({{"b", "c"}}));
    b.glyph("comp").component("f").component("i"); // f and i become composites' pair members
    const Read r = read(b);
    EXPECT_EQ(r.flags("a.sc"), ZV_REACHABLE_SUBSTITUTE | ZV_SMALLCAP_SUBSTITUTE);
    EXPECT_EQ(r.flags("a.sc.alt"), ZV_REACHABLE_SUBSTITUTE); // salt sorts after smcp
    EXPECT_EQ(r.flags("one"), ZV_HAS_UNICODE | ZV_ONUM_SOURCE);
    EXPECT_EQ(r.flags("one.os"), ZV_REACHABLE_SUBSTITUTE | ZV_ONUM_SUBSTITUTE | ZV_LNUM_SOURCE);
    EXPECT_EQ(r.flags("one.lf"), ZV_REACHABLE_SUBSTITUTE | ZV_LNUM_SUBSTITUTE);
    // one.os is reached only by onum, which sorts after salt: salt saw it unreachable.
    EXPECT_EQ(r.flags("one.tf"), 0);
    EXPECT_EQ(r.flags("b"), ZV_HAS_UNICODE | ZV_PNUM_SOURCE);
    EXPECT_EQ(r.flags("f"), ZV_HAS_UNICODE | ZV_COMPOSITES_PAIR_MEMBER);
    const auto &cat = r.bridge->get_zvfont()->glyphsinfo._category_for_index;
    EXPECT_EQ(cat[r("s.sups")].category, ZV_OTHER_LETTER); // a lower-case letter no more
    EXPECT_EQ(cat[r("A.sups")].category, ZV_OTHER_SYMBOL); // already above
}

TEST(BridgeSubstitutions, RenameParametersComeFirst) {
    GSFontBuilder b = featureFont();
    b.addLookup("salt", single({{"a", "a.sc"}}));
    std::vector<GSCustomParameter> params;
    params.emplace_back("Rename Glyphs",
                        PlistValue(PlistArray{PlistValue(" b.alt = b "), PlistValue("x=y=z"),
                                              PlistValue("a.sc=nosuch")}));
    params.emplace_back("Rename Glyphs", PlistValue("not a list")); // does not count
    params.emplace_back("Rename Glyphs", PlistValue(PlistArray{PlistValue("one.lf=one")}));
    GSCustomParameter off("Rename Glyphs", PlistValue(PlistArray{PlistValue("one.tf=one")}));
    off.setActive(false);
    params.push_back(off);
    b.instance("Bold", {}, params);
    const Read r = read(b);
    const auto &features = r.bridge->get_zvfont()->features.features;
    ASSERT_GE(features.size(), 2u);
    EXPECT_EQ(features[0].tag, "Rename0-0");
    EXPECT_EQ(r.names(features[0].substitutions), (Singles{{"b", "b.alt"}}));
    EXPECT_EQ(features[1].tag, "Rename0-1");
    // The version-2 host reads an inactive parameter too.
    if (ZV_HOST_VERSION == 2) {
        ASSERT_EQ(features.size(), 4u);
        EXPECT_EQ(r.names(features[1].substitutions), (Singles{{"one", "one.lf"}}));
        EXPECT_EQ(features[2].tag, "Rename0-2");
    } else {
        ASSERT_EQ(features.size(), 3u);
        EXPECT_EQ(r.names(features[1].substitutions), (Singles{{"one", "one.lf"}}));
    }
    EXPECT_EQ(features.back().tag, "salt");
}

TEST(BridgeSubstitutions, FeaturesSortByTheirLookups) {
    ZVfeature a, b, c, empty;
    a.lookups = {1, 4};
    b.lookups = {1, 4, 5};
    c.lookups = {2};
    EXPECT_TRUE(compare_features_by_lookups(empty, a));
    EXPECT_TRUE(compare_features_by_lookups(a, b)); // a proper prefix first
    EXPECT_TRUE(compare_features_by_lookups(b, c));
    EXPECT_FALSE(compare_features_by_lookups(c, a));
    EXPECT_FALSE(compare_features_by_lookups(a, a));
}
