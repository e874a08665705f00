// The size limit: what flat kerning weighs, the limit read from the window's field, and which
// entries go so that a master's kerning fits.
#include "plugin/ZVkerningfit.h"

#include "kerning_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using zvtest::target;

std::vector<ZVglyph_pair> pairs(const std::vector<ZVkerningentry> &entries) {
    std::vector<ZVglyph_pair> out;
    for (const ZVkerningentry &e : entries)
        out.push_back(e.pair);
    return out;
}

} // namespace

TEST(KerningFit, FlatEntriesWeighFrequencyTimesValue) {
    ZVkerningtarget kept_zero = target(1, 2, 0, 7);
    kept_zero.keeps_zero = true;
    const ZVwrittenkerning w = flat_kerning({target(3, 1, -20, 4), target(1, 3, 0, 9), kept_zero,
                                             target(1, 4, 15, ZV_UNKNOWN_FREQUENCY),
                                             target(2, 1, -6, ZV_COMPOSITES_USER_FREQUENCY)});
    // Sorted by pair; the zero that is not kept is not written.
    ASSERT_EQ(pairs(w.glyph_entries), (std::vector<ZVglyph_pair>{{1, 2}, {1, 4}, {2, 1}, {3, 1}}));
    const std::int64_t weights[] = {0, 15, 6, 80};
    const bool never[] = {false, false, true, false};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(w.glyph_entries[i].weight, weights[i]) << i;
        EXPECT_EQ(w.glyph_entries[i].never_dropped, never[i]) << i;
    }
    EXPECT_TRUE(w.class_entries.empty());
}

TEST(KerningFit, LimitFromTheField) {
    const std::pair<double, std::size_t> cases[] = {
        {1.5, 1500}, {120.25, 120250}, {0.0004, 1}, {0, 0}, {-3, 0}, {NAN, 0}, {INFINITY, 0},
    };
    for (const auto &[field, bytes] : cases)
        EXPECT_EQ(kerning_size_limit(field), bytes) << field;
}

TEST(KerningFit, DropsTheLightestEntriesUntilTheKerningFits) {
    // Forty first glyphs with one pair each, weighing l × frequency: 1, 2, 6 (l = 3, frequency 2),
    // 4, 5, 6 (l = 6), 7, … so that l = 6 goes before l = 3 (the lower frequency first).
    std::vector<ZVkerningtarget> targets;
    for (std::uint16_t l = 1; l <= 40; ++l)
        targets.push_back(target(l, 50, -static_cast<std::int32_t>(l), l == 3 ? 2 : 1));
    targets.push_back(target(41, 50, -1, 1, true)); // light but never dropped
    const ZVglyphorder order = zvtest::numbered_glyphs(60);
    const ZVkerninggroups none;
    const ZVwrittenkerning flat = flat_kerning(targets);
    const std::size_t whole = kerning_size(flat, none, order).bytes;

    const ZVkerningfit unlimited = fit_kerning_size(flat, none, order, 0);
    EXPECT_TRUE(unlimited.dropped.empty());
    EXPECT_EQ(unlimited.size.bytes, whole);
    EXPECT_TRUE(fit_kerning_size(flat, none, order, whole).dropped.empty());

    const std::size_t limit = whole - 60;
    const ZVkerningfit fit = fit_kerning_size(flat, none, order, limit);
    EXPECT_FALSE(fit.over_limit);
    EXPECT_LE(fit.size.bytes, limit);
    EXPECT_EQ(fit.size.bytes, kerning_size(fit.kept, none, order).bytes);
    const std::vector<ZVglyph_pair> lightest{{1, 50}, {2, 50}, {4, 50}, {5, 50}, {6, 50},
                                             {3, 50}, {7, 50}, {8, 50}, {9, 50}, {10, 50}};
    ASSERT_GE(fit.dropped.size(), 6u);
    ASSERT_LE(fit.dropped.size(), lightest.size());
    EXPECT_EQ(pairs(fit.dropped),
              std::vector<ZVglyph_pair>(lightest.begin(), lightest.begin() + fit.dropped.size()));
    EXPECT_EQ(fit.kept.glyph_entries.size() + fit.dropped.size(), flat.glyph_entries.size());
    // One entry fewer would not fit.
    ZVwrittenkerning shorter = fit.kept;
    shorter.glyph_entries.push_back(fit.dropped.back());
    EXPECT_GT(kerning_size(shorter, none, order).bytes, limit);
}

TEST(KerningFit, WhatNeverGoesIsWrittenEvenOverTheLimit) {
    ZVkerninggroups groups;
    groups.right_sides = {{"g1", {1, 2}}};
    groups.left_sides = {{"g5", {5, 6}}};
    groups.right_side_of = {-1, 0, 0, -1, -1, -1, -1, -1};
    groups.left_side_of = {-1, -1, -1, -1, -1, 0, 0, -1};
    const ZVwrittenkerning grouped =
        grouped_kerning({target(1, 5, -30, 3), target(2, 5, -30, 3), target(2, 6, -10, 1),
                         target(1, 7, -12, 1), target(3, 7, -9, 1, true)},
                        groups);
    const ZVkerningfit fit = fit_kerning_size(grouped, groups, zvtest::numbered_glyphs(8), 50);
    EXPECT_TRUE(fit.over_limit);
    EXPECT_GT(fit.size.bytes, 50u);
    // The exception and the ungrouped pair go (lighter first); the group pair and (3, 7) stay.
    EXPECT_EQ(pairs(fit.dropped), (std::vector<ZVglyph_pair>{{1, 7}, {2, 6}}));
    EXPECT_EQ(pairs(fit.kept.glyph_entries), (std::vector<ZVglyph_pair>{{3, 7}}));
    ASSERT_EQ(fit.kept.class_entries.size(), 1u);
    EXPECT_EQ(fit.kept.class_entries[0].value, -30);
}
