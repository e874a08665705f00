#include "demo_font.h"
#include "engine/model/ZVsharedmeasurements.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace PLXlibNamespaceForZV;

namespace {

// The demo font with twins appended: "o" again, and "o" again as another category.
struct Twins {
    zvtest::DemoFont font = zvtest::make_demo_font();
    ZVglyphs glyphs = zvtest::build_glyphs(font);
    std::uint16_t T = index("T"), o = index("o"), e = index("e"), twin = 0, other_kind = 0;
    Twins() {
        twin = add(glyphs.glyphs[o], glyphs.glyphs[o].category.category);
        other_kind = add(glyphs.glyphs[o], 4);
    }
    std::uint16_t index(const char *name) const {
        return static_cast<std::uint16_t>(font.info.index_for_glyph_name(name));
    }
    std::uint16_t add(ZVglyph g, int category) {
        g.category.category = static_cast<decltype(g.category.category)>(category);
        glyphs.glyphs.push_back(g);
        return static_cast<std::uint16_t>(glyphs.glyphs.size() - 1);
    }
    unsigned n() const { return static_cast<unsigned>(glyphs.max_width); }
    ZVsource measured(ZVglyph_pair p, float value) const {
        ZVsource s;
        s.update_from_glyphs(glyphs.glyphs[p.first], glyphs.glyphs[p.second], n(), value);
        return s;
    }
};

bool same_bits(const ZVsource &a, const ZVsource &b) {
    return std::memcmp(&a.closest, &b.closest, sizeof a.closest) == 0 &&
           std::memcmp(&a.closest_variant, &b.closest_variant, sizeof a.closest) == 0 &&
           a.rows == b.rows && a.variant_rows == b.variant_rows && a.stamp() == b.stamp() &&
           a.packed_bytes() == b.packed_bytes();
}

} // namespace

TEST(ZVsharedmeasurements, TwinSidesShareOnlyTheSameMeasurement) {
    const Twins t;
    const std::vector<ZVglyph_pair> pairs{
        {t.T, t.o}, {t.T, t.twin}, {t.T, t.other_kind}, {t.T, t.e}, {t.o, t.T}};
    ZVsharedmeasurements shared(t.glyphs, pairs);
    const ZVsource first = t.measured({t.T, t.o}, -20);
    ZVsource s;
    EXPECT_FALSE(shared.take({t.T, t.o}, t.n(), -20, s)) << "nothing measured yet";
    shared.put({t.T, t.o}, t.n(), -20, first);
    struct Case {
        ZVglyph_pair pair;
        unsigned n;
        float value;
        bool shared;
    } cases[] = {
        {{t.T, t.twin}, t.n(), -20, true},        // the same sides
        {{t.T, t.twin}, t.n(), -20.25f, false},   // another value
        {{t.T, t.twin}, t.n() + 1, -20, false},   // another search width
        {{t.T, t.other_kind}, t.n(), -20, false}, // another category bucket
        {{t.T, t.e}, t.n(), -20, false},          // another profile
        {{t.o, t.T}, t.n(), -20, false},          // no twin among the pairs
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.pair.first << "+" << c.pair.second << " at " << c.value
                                        << " width " << c.n);
        ZVsource got;
        ASSERT_EQ(shared.take(c.pair, c.n, c.value, got), c.shared);
        if (c.shared) {
            EXPECT_TRUE(same_bits(got, first));
            EXPECT_EQ(got.rows, t.measured(c.pair, c.value).rows);
            EXPECT_EQ(got.closest, t.measured(c.pair, c.value).closest);
        }
    }
    // Both pairs of the twin sides had their measurement: it is no longer held.
    EXPECT_EQ(shared.held(), 0u);
}

TEST(ZVsharedmeasurements, MeasuredTwiceAtOnceHoldsNothingAfterwards) {
    const Twins t;
    const std::vector<ZVglyph_pair> pairs{{t.T, t.o}, {t.T, t.twin}};
    ZVsharedmeasurements shared(t.glyphs, pairs);
    // Both pairs measured before either handed its measurement over.
    shared.put({t.T, t.o}, t.n(), 0, t.measured({t.T, t.o}, 0));
    EXPECT_EQ(shared.held(), 1u);
    shared.put({t.T, t.twin}, t.n(), 0, t.measured({t.T, t.twin}, 0));
    EXPECT_EQ(shared.held(), 0u);
}
