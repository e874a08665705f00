// Which side of a comparison the group tracking loosens, asked of every step that compares two
// pairs in different groups. The fixture: n+n (standard group) and its twin, a glyph drawn as n but
// in the capitals group on both sides, with capitals tracked 20 units looser. A twin pair kerned
// v units looser than n+n is spaced exactly like it but v units apart, so the capitals' twin agrees
// with n+n at 20 when its value lies within [20, 40]: never tighter than n+n, and looser by no more
// than the tracking.
#include "engine/model/ZVmodelpairs.h"
#include "model_fixture.h"

#include <gtest/gtest.h>

using zvtest::test_mix;

namespace {

constexpr float kPlain = 20;    // n+n
constexpr float kTracking = 20; // the capitals' single-group tracking

struct Twins {
    zvtest::DemoGlyphs d;
    Twins() {
        PLXlibNamespaceForZV::ZVglyph &twin = d.glyphs.glyphs[d.index("H")];
        twin = d.glyphs.glyphs[d.index("n")];
        twin.tracking_group = {1, 1};
    }
    ZVglyph_pair plain() const { return {d.index("n"), d.index("n")}; }
    ZVglyph_pair capitals() const { return {d.index("H"), d.index("H")}; }
    ZVsourcepairs sources(float capitals_value) const {
        ZVsourcepairs s(
            {{d.index("n"), d.index("n"), kPlain}, {d.index("H"), d.index("H"), capitals_value}});
        s.update_glyphs(d.glyphs);
        return s;
    }
};

const Twins &twins() {
    static const Twins t;
    return t;
}

ZVmixmanager tracked_mix() {
    ZVmixmanager m;
    static_cast<ZVmix &>(m) = test_mix();
    m.values = {0, 0};
    m.singles = {0, kTracking};
    m.compare_all = 1;
    return m;
}

const ZVmodelpair &find(const ZVmodelpairs &set, ZVglyph_pair p) {
    for (const ZVmodelpair &m : set.pairs)
        if (m.indices == p)
            return m;
    throw std::runtime_error("no such model pair");
}

// The capitals' twin too tight, within the tracking, and looser than the tracking allows.
const struct Case {
    float capitals;
    bool consistent;
} kCases[] = {{10, false}, {30, true}, {50, false}};

} // namespace

TEST(TrackingSides, CoupleComparisonsLoosenTheLooserGroup) {
    const Twins &t = twins();
    for (const Case &c : kCases) {
        SCOPED_TRACE(testing::Message() << "capitals' twin at " << c.capitals);
        const ZVsourcepairs sources = t.sources(c.capitals);
        ZVmixmanager mix = tracked_mix();

        const ZVmodelpairs set(sources, mix, false);
        ASSERT_EQ(set.size(), 2u);
        EXPECT_EQ(mix.cost == 0, c.consistent) << "building the set";
        EXPECT_EQ(set.mismatching_pairs_quick(mix) == ZV_NO_MISMATCH, c.consistent)
            << "the quick mismatch search";

        ZVmodelpairs scratch = set;
        scratch.determine_mismatching_pairs(mix, false);
        EXPECT_EQ(scratch.empty(), c.consistent) << "the mismatch scores";

        const ZVmodelpair &capitals = find(set, t.capitals());
        const ZVfeedback removal = capitals.model_removal_feedback(mix, set.pairs);
        EXPECT_EQ(removal.pairs.size() == 1, c.consistent) << "the removal message's pairs";

        ZVmodelpairs one;
        one.pairs.push_back(find(set, t.plain()));
        ZVmixmanager quick = tracked_mix();
        one.quick_add(t.capitals(), sources, quick);
        EXPECT_EQ(!one.empty(), c.consistent) << "adding the twin to the fitted set";

        ZVmodelpairs limits = set;
        limits.update_required_breadths(mix, 1);
        const ZVmodelpair &a = find(limits, t.plain()), &b = find(limits, t.capitals());
        const bool untouched = a.influencer_min == ~0u && a.influencer_max == ~0u &&
                               b.influencer_min == ~0u && b.influencer_max == ~0u;
        EXPECT_EQ(untouched, c.consistent) << "the required breadths";
    }
}

// The bounds a model puts on another pair: n+n against the capitals' twin may be up to the
// tracking tighter than the twin, and the twin against n+n up to the tracking looser.
TEST(TrackingSides, BoundsFromAModelInAnotherGroup) {
    const Twins &t = twins();
    const ZVmix mix = tracked_mix();
    const ZVsourcepairs sources = t.sources(30);
    const ZVsourcepair &plain = *std::find_if(sources.pairs.begin(), sources.pairs.end(),
                                              [&](auto &p) { return p.indices == t.plain(); });
    const ZVsourcepair &capitals =
        *std::find_if(sources.pairs.begin(), sources.pairs.end(),
                      [&](auto &p) { return p.indices == t.capitals(); });
    const struct {
        const ZVsourcepair &pair, &model;
        float lo, hi;
    } cases[] = {{plain, capitals, 30 - kTracking, 30},
                 {capitals, plain, kPlain, kPlain + kTracking}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "pair in groups " << c.pair.left_group);
        ZVpair p = c.pair;
        p.properties.set_kind(ZV_AUTOKERNED);
        p.value_min = ZV_NO_LOWER_BOUND;
        p.value_max = ZV_NO_VALUE;
        std::vector<float> estimates;
        p.adjust_values(ZVmodelpair(c.model, mix), ZVgraph(c.pair.current_source(), mix), mix,
                        estimates, false);
        EXPECT_NEAR(p.value_min, c.lo, 1.5);
        EXPECT_NEAR(p.value_max, c.hi, 1.5);

        // The pair tab's span of a model against the other: the side the tracking loosens is
        // left open (a model follows another group's models only on the other side).
        const ZVUIpair span = c.pair.min_max_span_info(mix, {ZVmodelpair(c.model, mix)});
        if (&c.pair == &plain) {
            EXPECT_NEAR(span.value_max, c.hi, 1.5);
            EXPECT_LT(span.value_min, c.lo - kTracking);
        } else {
            EXPECT_NEAR(span.value_min, c.lo, 1.5);
            EXPECT_GT(span.value_max, c.hi + kTracking);
        }
    }
}
