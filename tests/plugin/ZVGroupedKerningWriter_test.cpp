// The finalisation's kerning in the host: groups stored in the glyphs, grouped kerning read back
// through the host's effective lookup, and an unwritten master's kerning kept across new groups.
#include "plugin/ZVGroupedKerningWriter.h"
#include "plugin/ZVkerningfit.h"

#include "bridge_glyph_table.h"
#include "host/testing/GSFontBuilder.h"
#include "sample_kerning_targets.h"

#include <gtest/gtest.h>

#include <map>

using PLXlibNamespaceForZV::ZVglyphsinfo;

namespace {

std::unique_ptr<GSFont> smallFont() {
    zvtesting::GSFontBuilder b;
    b.master("Regular").master("Bold");
    for (const std::string name :
         {"A", "Aacute", "V", "W", "T", "o", "e", "comma", "period", "space"})
        if (name == "o")
            b.glyph(name).groups("old", "old"); // groups of an earlier grouping
        else
            b.glyph(name);
    return b.build();
}

ZVkerningtarget target(const ZVglyphsinfo &info, const char *l, const char *r, std::int32_t v) {
    ZVkerningtarget t;
    t.pair = {info.index_for_glyph_name(l), info.index_for_glyph_name(r)};
    t.value = v;
    t.frequency = 1;
    return t;
}

/// The effective value of a glyph pair; 0 when the host has none.
double effective(const GSFont &font, const std::string &master, const GSGlyph *l,
                 const GSGlyph *r) {
    const double v = font.kerningForFontMasterIDFirstGlyph(master, l, r, 0);
    return v == GSNoKerningValue ? 0 : v;
}

/// Every target of every master comes out through the host's lookup (a target of 0 as nothing
/// or 0).
void expectTargetsInHost(const GSFont &font, const ZVglyphsinfo &info,
                         const std::vector<std::string> &masters,
                         const std::vector<std::vector<ZVkerningtarget>> &targets) {
    for (std::size_t m = 0; m < masters.size(); ++m)
        for (const ZVkerningtarget &t : targets[m]) {
            const GSGlyph *l = font.glyphForId(info._id_for_index[t.pair.first]);
            const GSGlyph *r = font.glyphForId(info._id_for_index[t.pair.second]);
            ASSERT_EQ(effective(font, masters[m], l, r), t.value)
                << masters[m] << " " << l->name() << " " << r->name();
        }
}

} // namespace

TEST(GroupedKerningWriter, GlyphOrderFollowsTheFontAndLeavesNoKerningSidesOut) {
    const std::unique_ptr<GSFont> font = smallFont();
    ZVglyphsinfo info; // a table in another order, without "space"
    for (const char *name : {"o", "A", "V"})
        info.push_back(font->glyphForName(name)->id(), name, {}, "latn", "");
    info.push_back("id-gone", "gone", {}, "latn", "");
    info.assign_tracking_group(2, 1, "No kerning");
    const ZVglyphorder order = glyphOrderForFont(*font, info);
    EXPECT_EQ(order.names.size(), 10u);
    EXPECT_EQ(order.names[5], "o");
    EXPECT_EQ(order.glyph_id, (std::vector<std::uint16_t>{5, 0, 2, 65535}));
    EXPECT_EQ(order.groupable, (std::vector<std::uint8_t>{3, 3, 1, 3}));
}

TEST(GroupedKerningWriter, EveryTargetComesOutThroughTheHostsLookup) {
    const std::unique_ptr<GSFont> font = smallFont();
    ZVglyphsinfo info;
    info = zvtest::bridge_glyph_table(*font);
    const std::vector<std::string> masters{"m0", "m1"};
    // Right sides A and Aacute, left sides V and W, left sides o and e are alike (within 2), each
    // pair of sides on three shared partners.
    const std::vector<std::vector<ZVkerningtarget>> targets{
        {target(info, "A", "V", -80), target(info, "Aacute", "V", -80), target(info, "A", "W", -79),
         target(info, "Aacute", "W", -80), target(info, "A", "T", -20),
         target(info, "Aacute", "T", -20), target(info, "T", "V", -10), target(info, "T", "W", -10),
         target(info, "T", "o", -90), target(info, "T", "e", -90), target(info, "V", "o", -50),
         target(info, "V", "e", -50), target(info, "W", "o", -40), target(info, "W", "e", -40),
         target(info, "V", "comma", -100), target(info, "o", "period", 0),
         target(info, "space", "A", 20)},
        {target(info, "A", "V", -90), target(info, "Aacute", "V", -90), target(info, "A", "W", -90),
         target(info, "Aacute", "W", -89), target(info, "T", "o", -95),
         target(info, "T", "e", -94)},
    };
    const ZVglyphorder order = glyphOrderForFont(*font, info);
    const ZVkerninggroups groups = make_kerning_groups(targets, order, 2.0);
    ASSERT_FALSE(groups.right_sides.empty());
    applyKerningGroups(*font, groups, info);
    EXPECT_EQ(font->glyphForName("Aacute")->rightKerningGroup(), std::optional<std::string>("A"));
    EXPECT_EQ(font->glyphForName("o")->leftKerningGroup(), std::optional<std::string>("o"));
    EXPECT_EQ(font->glyphForName("o")->rightKerningGroup(), std::nullopt); // "old" is cleared
    for (std::size_t m = 0; m < masters.size(); ++m)
        font->ensureKerning().setObject(
            groupedMasterKerning(grouped_kerning(targets[m], groups), groups, info), masters[m]);
    const GSMasterKerning *m0 = font->masterKerning("m0", 0);
    ASSERT_NE(m0, nullptr);
    ASSERT_NE(m0->objectForKey("@MMK_L_A"), nullptr);
    EXPECT_EQ(*m0->objectForKey("@MMK_L_A")->objectForKey("@MMK_R_V"), -80);
    expectTargetsInHost(*font, info, masters, targets);
}

TEST(GroupedKerningWriter, AnUnwrittenMasterKeepsItsKerningAcrossNewGroups) {
    zvtesting::GSFontBuilder b;
    b.master("Regular").master("Bold");
    b.glyph("A").groups("A", "A");
    b.glyph("Aacute").groups("A", "A");
    b.glyph("V").groups("V", "V");
    b.glyph("W").groups("V", "V");
    b.glyph("o").groups("o", "");
    b.glyph("e");
    b.kern("@MMK_L_A", "@MMK_R_V", -80, 1);   // group–group
    b.kern("Aacute", "@MMK_R_V", -70, 1);     // glyph–group
    b.kern("@MMK_L_V", "o", -40, 1);          // group–glyph
    b.kern("W", "o", -35, 1);                 // glyph–glyph exception
    b.kern("@MMK_L_gone", "@MMK_R_V", -9, 1); // a group no glyph has
    b.kern("e", "id-missing", -5, 1);         // a glyph the font lacks
    b.kern("A", "V", -10, 0);
    std::unique_ptr<GSFont> font = b.build();
    const std::vector<GSGlyph *> glyphs = font->glyphs();
    std::map<std::pair<std::string, std::string>, double> before;
    for (const GSGlyph *l : glyphs)
        for (const GSGlyph *r : glyphs)
            before[{l->name(), r->name()}] = effective(*font, "m1", l, r);

    EXPECT_FALSE(expandGroupKerning(*font, "m0")); // glyph–glyph only: nothing to do
    EXPECT_TRUE(expandGroupKerning(*font, "m1"));
    for (GSGlyph *g : glyphs) { // whatever the new groups are
        g->setLeftKerningGroup(std::string("V"));
        g->setRightKerningGroup(std::string("A"));
    }
    for (const GSGlyph *l : glyphs)
        for (const GSGlyph *r : glyphs)
            EXPECT_EQ(effective(*font, "m1", l, r), before.at({l->name(), r->name()}))
                << l->name() << " " << r->name();
    const GSMasterKerning &m1 = *font->masterKerning("m1", 0);
    for (const auto &[left, row] : m1) {
        EXPECT_NE(left[0], '@') << left;
        for (const auto &[right, value] : row)
            EXPECT_NE(right[0], '@') << left << " " << right;
    }
    EXPECT_EQ(m1.objectForKey("id-e")->count(), 1u); // the entry naming a missing glyph stays
    EXPECT_EQ(font->kerningForFontMasterIDLeftKey("m0", "id-A", "id-V", 0), -10);
}

TEST(GroupedKerningWriter, SampleGroupedKerningGivesEveryTargetThroughTheHostsLookup) {
    zvtest::SampleKerningTargets s = zvtest::sample_kerning_targets();
    const ZVkerninggroups groups =
        make_kerning_groups(s.targets, s.order, grouping_tolerance(s.font->unitsPerEm()));
    applyKerningGroups(*s.font, groups, s.info);
    for (std::size_t m = 0; m < s.master_ids.size(); ++m) {
        const ZVkerningfit fit =
            fit_kerning_size(grouped_kerning(s.targets[m], groups), groups, s.order, 0);
        s.font->ensureKerning().setObject(groupedMasterKerning(fit.kept, groups, s.info),
                                          s.master_ids[m]);
    }
    expectTargetsInHost(*s.font, s.info, s.master_ids, s.targets);
}
