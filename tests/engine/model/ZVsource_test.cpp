#include "demo_font.h"
#include "engine/model/ZVprofileconnector.h"
#include "engine/model/ZVsource.h"

#include "profile_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace PLXlibNamespaceForZV;
using zvtest::add_rect;
using zvtest::brute_force_closest;
using zvtest::GlyphPen;
using zvtest::mirrored;

namespace {

struct Demo {
    zvtest::DemoFont font = zvtest::make_demo_font();
    ZVglyphs glyphs = zvtest::build_glyphs(font);
    const ZVglyph &operator[](const char *name) const {
        return glyphs.glyphs.at(font.info.index_for_glyph_name(name));
    }
    unsigned n() const { return static_cast<unsigned>(glyphs.max_width); }
};

const Demo &demo() {
    static const Demo d;
    return d;
}

// The nearest couple of ink rows of two facing sides, the left one shifted by value.

ZVsource measure(const ZVglyph &l, const ZVglyph &r, float value, unsigned n) {
    ZVsource s;
    s.update_from_glyphs(l, r, n, value);
    return s;
}

// One glyph drawn as a single bar [x0, x1] x [0, 700].
ZVglyph bar_glyph(double x0, double x1, double width) {
    ZVglyphsinfo info;
    info.set_glyphs_count(1);
    ZVglyph_category c;
    c.category = ZV_OTHER;
    info.push_back("b", "bar", c, "", "");
    std::vector<PLXglyph> outlines{zvtest::make_glyph("b", "bar", width)};
    add_rect(outlines[0], x0, 0, x1, 700);
    return ZVglyphs(outlines, info, 1.0, 700).glyphs[0];
}

} // namespace

TEST(ZVsource, ClosestDistanceIsTheNearestRowCouple) {
    const Demo &d = demo();
    const char *pairs[][2] = {{"T", "o"},      {"A", "V"},          {"V", "A"},
                              {"n", "n"},      {"o", "o"},          {"l", "parenright"},
                              {"T", "period"}, {"quoteright", "A"}, {"parenleft", "T"},
                              {"p", "comma"}};
    for (const auto &[l, r] : pairs) {
        for (float value : {-60.f, -20.f, 0.f, 15.f, 40.f}) {
            SCOPED_TRACE(testing::Message() << l << "+" << r << " at " << value);
            const ZVsource s = measure(d[l], d[r], value, d.n());
            EXPECT_NEAR(s.closest, brute_force_closest(d[l].right, d[r].left, value), 1e-9);
        }
    }
}

TEST(ZVsource, BarsAtKnownGapsDifferByTheGap) {
    // Two bars sharing every ink row: the gap is the closest distance, at every value.
    const ZVglyph left = bar_glyph(100, 200, 260), right = bar_glyph(40, 140, 200);
    const unsigned n = 400;
    for (float value : {-40.f, 0.f, 7.5f, 30.f}) {
        SCOPED_TRACE(value);
        const double g = measure(left, right, value, n).closest;
        EXPECT_DOUBLE_EQ(g, 60 + 40 + value);
        EXPECT_DOUBLE_EQ(measure(left, right, value + 12.25f, n).closest - g, 12.25);
    }
}

TEST(ZVsource, ClosestGrowsWithTheValueButNoFaster) {
    const Demo &d = demo();
    const char *pairs[][2] = {{"T", "o"}, {"A", "V"}, {"o", "period"}, {"quoteright", "A"}};
    for (const auto &[l, r] : pairs) {
        SCOPED_TRACE(testing::Message() << l << "+" << r);
        double previous = -1;
        for (float value = -80; value <= 60; value += 5) {
            const double c = measure(d[l], d[r], value, d.n()).closest;
            if (previous >= 0) {
                EXPECT_GE(c, previous - 1e-9);
                EXPECT_LE(c - previous, 5 + 1e-9);
            }
            previous = c;
        }
    }
}

TEST(ZVsource, MirroredPairMeasuresAlike) {
    // (X, Y) mirrored is (mirror Y, mirror X): the same facing sides, swapped.
    const Demo &d = demo();
    const char *pairs[][2] = {{"T", "o"}, {"p", "V"}, {"comma", "quoteright"}, {"A", "one"}};
    for (const auto &[l, r] : pairs) {
        SCOPED_TRACE(testing::Message() << l << "+" << r);
        const ZVsource a = measure(d[l], d[r], 0, d.n());
        const ZVsource b = measure(mirrored(d[r]), mirrored(d[l]), 0, d.n());
        EXPECT_EQ(a.closest, b.closest);
        ASSERT_EQ(a.rows.size(), b.rows.size());
        ASSERT_EQ(a.variant_rows.size(), b.variant_rows.size());
        for (std::size_t k = 0; k < a.rows.size(); ++k)
            for (int e = 0; e < 5; ++e)
                EXPECT_NEAR(a.rows[k][e], b.rows[k][e], 1e-9 * (1 + std::fabs(a.rows[k][e])));
        for (std::size_t k = 0; k < a.variant_rows.size(); ++k)
            for (int e = 0; e < 10; ++e)
                EXPECT_NEAR(a.variant_rows[k][e], b.variant_rows[k][e],
                            1e-9 * (1 + std::fabs(a.variant_rows[k][e])));
    }
}

TEST(ZVsource, ShellsAndZoneProfiles) {
    const Demo &d = demo();
    const ZVsource To = measure(d["T"], d["o"], 0, d.n());
    EXPECT_TRUE(To.variant_rows.empty()) << "capital then lowercase never uses zones";
    EXPECT_EQ(To.closest_variant, -1073741824.0);
    const auto shells = static_cast<std::size_t>(d.n() - std::trunc(4 * To.closest));
    EXPECT_EQ(To.rows.size(), shells) << "one record per quarter unit up to the search width";
    // Cumulative characteristics never shrink shell to shell.
    for (std::size_t k = 1; k < To.rows.size(); ++k)
        EXPECT_GE(To.rows[k][0], To.rows[k - 1][0]);

    const ZVsource pp = measure(d["p"], d["p"], 0, d.n());
    ASSERT_FALSE(pp.variant_rows.empty()) << "a descender zones lowercase pairs";
    EXPECT_TRUE(pp.rows.empty());
    EXPECT_FALSE(pp.variant_pair);
    EXPECT_GE(pp.closest_variant, pp.closest);
    const ZVsource pc = measure(d["p"], d["comma"], 0, d.n());
    EXPECT_TRUE(pc.variant_pair) << "a punctuation partner";
}

// Measured again with the zone profiles, the all-rows measure counts its shells from the
// source's closest distance (that of the main profiles), where the graph places every shell.
TEST(ZVsource, ZoneMeasureCountsShellsFromTheSourceClosest) {
    const Demo &d = demo();
    bool apart = false; // some pair whose zone closest lies a shell or more away
    for (const auto &[l, r] : {std::pair{"comma", "p"}, {"p", "parenright"}, {"l", "p"},
                               {"p", "p"}, {"parenleft", "p"}}) {
        SCOPED_TRACE(std::string(l) + "+" + r);
        const ZVglyph &L = d[l], &R = d[r];
        const ZVsource s = measure(L, R, 0, d.n());
        ASSERT_FALSE(s.variant_rows.empty());
        apart = apart || s.closest_variant - s.closest >= 0.25;
        ZVprofile a = L.right_zone.empty() ? L.right : L.right_zone;
        ZVprofile b = R.left_zone.empty() ? R.left : R.left_zone;
        ZVsource from_source;
        from_source.closest = s.closest;
        const std::vector<ZVtriple> total = from_source.determine_characteristics_total(a, b, d.n());
        // The zone measure has the shells of its own nearest-partner measure; the records past
        // them repeat its last one.
        const auto zone_shells = static_cast<std::size_t>(d.n() - std::trunc(4 * s.closest_variant));
        for (std::size_t k = 0; k < std::min(total.size(), zone_shells); ++k) {
            ASSERT_EQ(s.variant_rows[k][7], total[k].a) << "shell " << k;
            ASSERT_EQ(s.variant_rows[k][8], total[k].b) << "shell " << k;
        }
    }
    EXPECT_TRUE(apart);
}

TEST(ZVsource, EmptySideGivesNoShells) {
    const Demo &d = demo();
    for (float value : {-10.f, 0.f, 10.f}) {
        const ZVsource s = measure(d["space"], d["o"], value, d.n());
        EXPECT_TRUE(s.rows.empty());
        EXPECT_TRUE(s.variant_rows.empty());
        EXPECT_TRUE(measure(d["o"], d["space"], value, d.n()).empty());
    }
}

TEST(ZVsource, OverlapCountsAsTouching) {
    const Demo &d = demo();
    const ZVsource s = measure(d["H"], d["H"], -200, d.n());
    EXPECT_EQ(s.closest, 0);
    ASSERT_FALSE(s.rows.empty());
    EXPECT_GT(s.rows[0][0], 0) << "the touching rows fill the first shell";
}

TEST(ZVprofileconnector, InklessRowsNeverLinkAndCompetitorsYield) {
    ZVprofile a, b;
    a.set_depths({5, ZV_NO_INK, 4, 6}, 0);
    b.set_depths({10, 10, ZV_NO_INK}, 10); // no shared rows: links go diagonally
    a.finalize();
    b.finalize();
    ZVprofileconnector ca(a, 1), cb(b, 0);
    EXPECT_EQ(ca.pending[1], 0);
    EXPECT_EQ(ZVprofileconnector::set_up_horizontals_and_eliminate_overlap(ca, cb), -1);
    ZVprofileconnector::find_partners(ca, cb);
    EXPECT_EQ(ca.partners[1].row, -1);
    EXPECT_EQ(cb.partners[2].row, -1);
    // Rows 0 and 2 of a compete for b's row 0; the nearer (dy 8, gap 14) keeps it.
    EXPECT_EQ(cb.partners[0].row, 2);
    EXPECT_DOUBLE_EQ(cb.partners[0].distance, 64 + 196);
    EXPECT_EQ(ca.partners[0].row, -1);
    EXPECT_EQ(cb.partners[1].row, 3);
    EXPECT_DOUBLE_EQ(cb.partners[1].distance, 64 + 256);
}

TEST(ZVprofileconnector, OverlapMovesIntoTheFirstProfile) {
    ZVprofile a, b;
    a.set_depths({-30, 4}, 0);
    b.set_depths({10, 10}, 0);
    ZVprofileconnector ca(a, 1), cb(b, 0);
    EXPECT_EQ(ZVprofileconnector::set_up_horizontals_and_eliminate_overlap(ca, cb), 1);
    EXPECT_EQ(ca.depths[0], -50) << "the overlap of 20 moved into the first profile";
    EXPECT_EQ(cb.depths[0], 10);
    EXPECT_EQ(ca.partners[0].distance, 0);
    EXPECT_EQ(ca.partners[1].distance, 196);
}
