#include "engine/geometry/ZVglyphsinfo.h"

#include <gtest/gtest.h>

using namespace PLXlibNamespaceForZV;

namespace {

ZVglyph_category cat(std::uint8_t category, std::uint32_t unicode = 0, std::uint16_t flags = 0) {
    ZVglyph_category c;
    c.unicode = unicode;
    c.flags = static_cast<std::uint16_t>(flags | (unicode ? ZV_HAS_UNICODE : 0));
    c.category = category;
    return c;
}

// A, B, C, a, zero, one (tabular), hyphen, and an unencoded glyph carrying a stray unicode field.
ZVglyphsinfo small_table() {
    ZVglyphsinfo info;
    info.set_glyphs_count(8);
    info.push_back("id-A", "A", cat(ZV_UPPERCASE, 'A'), "latn", "");
    info.push_back("id-B", "B", cat(ZV_UPPERCASE, 'B'), "latn", "");
    info.push_back("id-C", "C", cat(ZV_UPPERCASE, 'C'), "latn", "");
    info.push_back("id-a", "a", cat(ZV_LOWERCASE, 'a'), "latn", "");
    info.push_back("id-0", "zero", cat(ZV_DIGIT, '0'), "", "Decimal Digit");
    info.push_back("id-1", "one.tf", cat(ZV_DIGIT, 0, ZV_TNUM_SUBSTITUTE), "", "Decimal Digit");
    info.push_back("id-h", "hyphen", cat(ZV_OTHER, '-'), "", "Dash");
    ZVglyph_category stray = cat(ZV_OTHER);
    stray.unicode = 'x';
    info.push_back("id-x", "x.alt", stray, "latn", "");
    return info;
}

} // namespace

TEST(ZVglyphsinfo, LookupsByIdNameAndUnicode) {
    const ZVglyphsinfo info = small_table();
    EXPECT_EQ(info.index_for_id("id-a"), 3);
    EXPECT_EQ(info.index_for_id("missing"), ZV_NO_GLYPH);
    EXPECT_EQ(info.index_for_glyph_name("hyphen"), 6);
    EXPECT_EQ(info.index_for_glyph_name("nope"), ZV_NO_GLYPH);
    EXPECT_EQ(info.glyph_index_for_unicode('0'), 4);
    EXPECT_EQ(info.glyph_index_for_unicode('x'), ZV_NO_GLYPH) << "unicode without its flag";
    const auto map = info.index_for_unicodes();
    EXPECT_EQ(map.size(), 6u);
    EXPECT_EQ(map.at('-'), 6);
}

TEST(ZVglyphsinfo, LowestIndexWinsASharedCodePoint) {
    ZVglyphsinfo info;
    info.set_glyphs_count(3);
    info.push_back("1", "A", cat(ZV_UPPERCASE, 'A'), "latn", "");
    info.push_back("2", "A.alt", cat(ZV_UPPERCASE, 'A'), "latn", "");
    EXPECT_EQ(info.index_for_unicodes().at('A'), 0);
    EXPECT_EQ(info.glyph_index_for_unicode('A'), 0);
}

TEST(ZVglyphsinfo, RepeatedIdPointsAtTheNewestGlyph) {
    ZVglyphsinfo info;
    info.set_glyphs_count(2);
    info.push_back("same", "A", cat(ZV_UPPERCASE), "latn", "");
    info.push_back("same", "B", cat(ZV_UPPERCASE), "latn", "");
    EXPECT_EQ(info.index_for_id("same"), 1);
}

TEST(ZVglyphsinfo, ScriptAndClassCodes) {
    ZVglyphsinfo info;
    info.set_glyphs_count(0);
    struct Case {
        std::uint8_t category;
        const char *script, *subcategory;
        std::uint8_t script_code, class_code;
    } cases[] = {
        {ZV_UPPERCASE, "latn", "", 2, 1},
        {ZV_LOWERCASE, "cyrl", "", 2, 2},
        {ZV_LOWERCASE, "grek", "", 2, 2},
        {ZV_DIGIT, "arab", "Decimal Digit", 1, 3}, // digits share the default script
        {ZV_OTHER, "", "Dash", 1, 4},
        {ZV_OTHER, "math", "Dash", 1, 4},
        {ZV_OTHER_LETTER, "arab", "", 3, 5},
        {ZV_OTHER_LETTER, "hebr", "", 4, 5},
        {ZV_OTHER_LETTER, "arab", "Decimal Digit", 3, 3},
        {ZV_OTHER, "DFLT", "", 1, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.script << "/" << c.subcategory);
        info.push_back("g" + std::to_string(info.size()), "g", cat(c.category), c.script,
                       c.subcategory);
        EXPECT_EQ(info._script_for_index.back(), c.script_code);
        EXPECT_EQ(info.subcategory_int_for_index.back(), c.class_code);
    }
}

TEST(ZVglyphsinfo, PushBackBeyondTheCountGrowsTheGroups) {
    ZVglyphsinfo info;
    info.set_glyphs_count(1);
    info.push_back("1", "A", cat(ZV_UPPERCASE), "latn", "");
    info.push_back("2", "B", cat(ZV_UPPERCASE), "latn", "");
    ASSERT_EQ(info.custom_tracking_groups.size(), 2u);
    EXPECT_EQ(info.assign_tracking_group(1, 1, "Round"), 1);
    EXPECT_EQ(info.tracking_group(1, 1), 2);
}

TEST(ZVglyphsinfo, SetGlyphsCountStartsAFreshTable) {
    ZVglyphsinfo info = small_table();
    info.set_glyphs_count(2);
    EXPECT_EQ(info.size(), 0u);
    EXPECT_EQ(info.index_for_id("id-A"), ZV_NO_GLYPH);
    EXPECT_EQ(info.custom_tracking_groups.size(), 2u);
    EXPECT_EQ(info.int_for_script.at("DFLT"), 1);
    EXPECT_EQ(info.int_for_script.at("latn"), 2);
}

TEST(ZVglyphsinfo, TabularGlyphsGoToNoKerning) {
    ZVglyphsinfo info = small_table();
    EXPECT_TRUE(info.set_OT_tabular_glyphs());
    EXPECT_EQ(info.custom_tracking_groups[5], (ZVgroup_pair{-1, -1}));
    EXPECT_EQ(info.custom_tracking_groups[4], (ZVgroup_pair{0, 0}));
    info.set_tabular_figures();
    EXPECT_EQ(info.custom_tracking_groups[4], (ZVgroup_pair{-1, -1}));
    EXPECT_EQ(info.custom_tracking_groups[0], (ZVgroup_pair{0, 0}));
    ZVglyphsinfo plain;
    plain.set_glyphs_count(1);
    plain.push_back("1", "A", cat(ZV_UPPERCASE, 'A', ZV_SMALLCAP_SUBSTITUTE), "latn", "");
    EXPECT_FALSE(plain.set_OT_tabular_glyphs());
}

TEST(ZVglyphsinfo, AssignTrackingGroupByName) {
    ZVglyphsinfo info = small_table();
    EXPECT_EQ(info.assign_tracking_group(0, 0, "No kerning"), 0);
    EXPECT_EQ(info.tracking_group(0, 0), -1);
    EXPECT_EQ(info.assign_tracking_group(0, 0, ""), ZV_NO_GLYPH) << "already in No kerning";
    EXPECT_EQ(info.tracking_group_names.size(), 2u) << "No kerning adds no name";

    EXPECT_EQ(info.assign_tracking_group(1, 1, "Hook"), 1);
    EXPECT_EQ(info.tracking_group(1, 1), 2) << "the first custom group is 2";
    EXPECT_EQ(info.assign_tracking_group(2, 0, "Hook"), 2);
    EXPECT_EQ(info.tracking_group(2, 0), 2);
    EXPECT_EQ(info.assign_tracking_group(2, 1, "Round"), 2);
    EXPECT_EQ(info.tracking_group(2, 1), 3);
    EXPECT_EQ(info.assign_tracking_group(2, 1, "Round"), ZV_NO_GLYPH);
    EXPECT_EQ(info.tracking_group_names, (std::vector<std::string>{"", "", "Hook", "Round"}));

    EXPECT_EQ(info.assign_tracking_group(200, 0, "Hook"), ZV_NO_GLYPH) << "unknown glyph";
    EXPECT_EQ(info.assign_tracking_group(0, 2, "Hook"), ZV_NO_GLYPH) << "unknown side";
}

TEST(ZVglyphsinfo, CustomGroupsStartAtTwoEvenOnAnEmptyNameList) {
    ZVglyphsinfo info = small_table();
    info.tracking_group_names.clear();
    EXPECT_EQ(info.assign_tracking_group(0, 0, "Hook"), 0);
    EXPECT_EQ(info.tracking_group(0, 0), 2);
}

TEST(ZVglyphsinfo, GroupListing) {
    ZVglyphsinfo info = small_table();
    info.assign_tracking_group(0, 0, "Hook");
    info.assign_tracking_group(0, 1, "Hook");
    info.assign_tracking_group(1, 0, "Hook");
    info.assign_tracking_group(2, 1, "Hook");
    info.assign_tracking_group(6, 0, "No kerning");
    info.assign_tracking_group(6, 1, "No kerning");
    info.custom_tracking_groups[3] = {1, 0}; // group 1 lists as standard

    EXPECT_EQ(info.get_special_spacing_group(2), "Hook\n/A\n/B\n/C\n\n");
    EXPECT_EQ(info.get_special_spacing_group(-1), "No kerning\n/hyphen\n\n");
    EXPECT_EQ(info.get_special_spacing_group(0),
              "Standard kerning\n/a/zero/one.tf/x.alt\n/C\n/B\n\n");
    EXPECT_EQ(info.get_special_spacing_group(7), "") << "a group without members";

    info.assign_tracking_group(4, 0, "Empty later");
    info.assign_tracking_group(4, 0, "");
    EXPECT_EQ(info.get_special_spacing_info(""), info.get_special_spacing_group(0) +
                                                     info.get_special_spacing_group(-1) +
                                                     info.get_special_spacing_group(2))
        << "the overview leaves out a group without members";
    EXPECT_EQ(info.get_special_spacing_info("Hook"), info.get_special_spacing_group(2));
    EXPECT_EQ(info.get_special_spacing_info("Unknown"), "");
    info.tracking_group_names.clear();
    EXPECT_EQ(info.get_special_spacing_info("Hook"), info.get_special_spacing_group(0));
}
