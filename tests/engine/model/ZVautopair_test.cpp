#include "engine/model/ZVautopair.h"
#include "model_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>

using zvtest::demo_glyphs;
using zvtest::fitted_demo_models;

namespace {

ZVautopair bare(float lo, float hi, float depth) {
    ZVautopair a;
    a.value_min = lo;
    a.value_max = hi;
    a.depth = depth;
    return a;
}

ZVautopair demo_pair(const char *l, const char *r, std::uint16_t frequency = 500) {
    const auto &d = demo_glyphs();
    ZVsimplepair head;
    head.indices = {d.index(l), d.index(r)};
    head.frequency = frequency;
    head.properties.set_kind(ZV_USER_SET_AUTO);
    return ZVautopair(head, d[l], d[r], d.n());
}

const std::vector<ZVmodelpair> &models() { return fitted_demo_models().modelpairs.pairs; }
const ZVmix &mix() { return fitted_demo_models().mix; }

} // namespace

TEST(ZVautopair, CalculateValueFromEstimates) {
    struct Case {
        const char *what;
        float lo, hi, depth;
        std::vector<float> estimates;
        float value, value_min, value_max;
    };
    const std::vector<Case> cases = {
        {"no estimates: the bounds stand for them", -10, 20, 100, {}, 0, -10, 20},
        {"crossed bounds give the lower one", 5, 3, 100, {1, 2}, 5, 5, 3},
        {"the floor at half the depth", -80, -90, 100, {}, -50, -50, -50},
        {"a positive lower estimate is softened",
         0,
         1073741824.f,
         100,
         {10},
         std::sqrt(14.35546875f),
         0,
         1073741824.f},
        {"lower estimate at the lower bound", 9, 1073741824.f, 100, {10}, 9, 9, 1073741824.f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZVautopair a = bare(c.lo, c.hi, c.depth);
        std::vector<float> e = c.estimates;
        a.calculate_value(e);
        EXPECT_FLOAT_EQ(a.value, c.value);
        EXPECT_FLOAT_EQ(a.value_min, c.value_min);
        EXPECT_FLOAT_EQ(a.value_max, c.value_max);
    }
}

TEST(ZVautopair, KneeAndRelativeDifference) {
    ZVgraph g;
    g.breadths = {10, 20, 25, 30, 60, 100};
    // s k - b[k] at slope 16.875: 0-10, 16.9-20, 33.8-25, 50.6-30 (best), 67.5-60, 84.4-100.
    EXPECT_EQ(graph_knee_index(g, 16.875), 3u);
    EXPECT_EQ(g.reserved, 3u);
    g.breadths = {0, 0};
    EXPECT_EQ(graph_knee_index(g, 1), 3u) << "a cached knee is not scanned again";

    EXPECT_DOUBLE_EQ(relative_difference(4, 8), 2);
    EXPECT_DOUBLE_EQ(relative_difference(-4, 8), 12);
    EXPECT_DOUBLE_EQ(relative_difference(0, 8), 8);
}

TEST(ZVautopair, AutokerningSettlesWithinBoundsMeasuringEachValueOnce) {
    const auto &g = demo_glyphs().glyphs;
    for (const auto &[l, r] : std::vector<std::pair<const char *, const char *>>{
             {"T", "n"}, {"V", "n"}, {"o", "p"}, {"l", "o"}, {"A", "V"}, {"H", "n"}}) {
        SCOPED_TRACE(std::string(l) + r);
        ZVautopair a = demo_pair(l, r);
        a.autokerned(mix(), models(), g);
        EXPECT_LE(a.value_min, a.value_max);
        // The value is a whole value tried, moved at most a quarter unit toward the models'
        // value, which lies within the bounds: it stays within three quarters of a unit.
        EXPECT_GE(a.value, a.value_min - 0.75 * g.scale);
        EXPECT_LE(a.value, a.value_max + 0.75 * g.scale);
        EXPECT_LE(a.sources.size(), 17u);
        for (std::size_t i = 0; i < a.sources.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_NE(a.sources[i].value, a.sources[j].value);
        // Within a quarter unit of a whole font unit.
        const double units = a.value / g.scale;
        EXPECT_LE(std::fabs(units - std::round(units)), 0.25 + 1e-4);
    }
}

// Autokerning worked on a copy and adopted by the record leaves it as autokerning it in place:
// the head, what was read, and every measurement with the same storage (the measurement budget
// counts the bytes held, the kept-memory figure the list's capacity too). Twice: from a fresh
// record holding one measurement in full, then again from its nearest measured value.
TEST(ZVautopair, AComputationOnACopyAdoptedIsAsOneInPlace) {
    const auto &g = demo_glyphs().glyphs;
    auto same = [](const ZVautopair &a, const ZVautopair &b) {
        EXPECT_EQ(std::bit_cast<std::uint32_t>(a.value), std::bit_cast<std::uint32_t>(b.value));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(a.value_min),
                  std::bit_cast<std::uint32_t>(b.value_min));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(a.value_max),
                  std::bit_cast<std::uint32_t>(b.value_max));
        EXPECT_EQ(a.touched, b.touched);
        ASSERT_EQ(a.sources.size(), b.sources.size());
        EXPECT_EQ(a.sources.capacity(), b.sources.capacity());
        for (std::size_t i = 0; i < a.sources.size(); ++i) {
            const ZVsource &x = a.sources[i], &y = b.sources[i];
            EXPECT_EQ(x.value, y.value) << i;
            EXPECT_EQ(x.closest, y.closest) << i;
            EXPECT_EQ(x.expanded(), y.expanded()) << i;
            EXPECT_EQ(x.heap_bytes(), y.heap_bytes()) << i;
            EXPECT_EQ(ZVgraph(x, mix()).breadths, ZVgraph(y, mix()).breadths) << i;
        }
    };
    for (const auto &[l, r] : std::vector<std::pair<const char *, const char *>>{
             {"T", "n"}, {"V", "n"}, {"o", "p"}, {"A", "V"}}) {
        SCOPED_TRACE(std::string(l) + r);
        ZVautopair in_place = demo_pair(l, r), adopted = demo_pair(l, r);
        ASSERT_TRUE(adopted.sources.front().expanded());
        for (const int reuse : {0, 1}) {
            in_place.graph_from_autokerned(mix(), models(), g, reuse);
            ZVautopair copy = adopted;
            copy.graph_from_autokerned(mix(), models(), g, reuse);
            adopted.adopt(std::move(copy));
            same(in_place, adopted);
        }
        EXPECT_GT(in_place.sources.size(), 1u) << "values beyond the first were measured";
    }
}

TEST(ZVautopair, AModelPairAutokernedComesBackNearItsValue) {
    const auto &g = demo_glyphs().glyphs;
    ZVautopair a = demo_pair("T", "o");
    a.autokerned(mix(), models(), g);
    EXPECT_NEAR(a.value, -45, 2 * g.scale);
    // Reused from the measurements: nothing new measured on the second pass.
    const std::size_t measured = a.sources.size();
    a.graph_from_autokerned(mix(), models(), g, 1);
    EXPECT_LE(a.sources.size(), measured + 1);
}

TEST(ZVautopair, ZeroFromTheModelsReturnsAtOnce) {
    ZVautopair a = demo_pair("n", "v");
    a.value = 12;
    a.graph_from_autokerned(mix(), {}, demo_glyphs().glyphs, 0);
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(a.sources.size(), 1u) << "only the source at 0";
}

TEST(ZVautopair, DeviationOfAModelIsItsDistance) {
    ZVautopair a = demo_pair("T", "o");
    const auto &g = demo_glyphs().glyphs;
    const double x = 3 * g.scale;
    EXPECT_NEAR(a.deviation_for_value(mix(), models(), g, 3), -45 - x, 1e-4);
}

TEST(ZVautopair, CompareToAlternativeRestoresTheRecord) {
    ZVautopair a = demo_pair("V", "n");
    a.value = 7;
    a.value_min = 1;
    a.value_max = 9;
    const double d = a.compare_to_alternative(mix(), models(), demo_glyphs().glyphs, 4, 1.125);
    EXPECT_GE(d, 0);
    EXPECT_EQ(a.value, 7);
    EXPECT_EQ(a.value_min, 1);
    EXPECT_EQ(a.value_max, 9);
}

TEST(ZVautopair, UrgencyInUntrackedGroupsIsMagnified) {
    const auto &g = demo_glyphs().glyphs;
    ZVautopair a = demo_pair("n", "p");
    ZVautopair b = a;
    const double u = a.potential_model_urgency_special_spaced(mix(), models(), g, 10);
    b.graph_from_autokerned(mix(), models(), g, 0);
    EXPECT_NEAR(u, 1024 * 1.75 * std::fabs(10 - b.value), 1e-3) << "n and p are letters";
}

TEST(ZVautopair, CandidatesAndTheirWeights) {
    const auto &d = demo_glyphs();
    const auto &g = d.glyphs;
    ZVautopair no = demo_pair("n", "o");
    const auto c = no.as_candidate(g, false, false);
    ASSERT_TRUE(c);
    const double filter = passes_glyph_class_filter(g, no.indices) ? 20.0 / 21 : 1.0;
    EXPECT_DOUBLE_EQ(c->first_weight, 16.0 / 17 * filter);
    EXPECT_DOUBLE_EQ(c->second_weight, 1.0 / (500.0 * 500.0));
    EXPECT_EQ(c->index, -1);

    EXPECT_FALSE(demo_pair("n", "period").as_candidate(g, true, false)) << "letters only";
    EXPECT_FALSE(demo_pair("n", "period").as_candidate(g, false, true))
        << "a symbol outside a custom group";
    EXPECT_FALSE(demo_pair("n", "space").as_candidate(g, false, false)) << "no outline";

    for (std::uint16_t f : {std::uint16_t{36831}, std::uint16_t{36833}}) {
        ZVautopair a = demo_pair("n", "o", f);
        EXPECT_FALSE(a.as_suggestion_candidate(mix(), g));
        // Marker frequencies squared overflow 32 bits; in double they do not.
        EXPECT_DOUBLE_EQ(a.as_candidate(g, false, false)->second_weight, 1.0 / (double(f) * f));
    }
    ZVautopair zero = demo_pair("n", "o", 0);
    EXPECT_DOUBLE_EQ(zero.as_candidate(g, false, false)->second_weight, 1.0);

    ZVautopair m = demo_pair("H", "O");
    const auto mc = m.as_model_candidate(mix(), g, false);
    ASSERT_TRUE(mc);
    EXPECT_GT(mc->graph.breadths.size(), 2u);
    EXPECT_EQ(mc->graph.min_index, static_cast<std::int32_t>(mc->graph.reserved));
    EXPECT_EQ(mc->graph.max_index_peak, mc->graph.min_index);
    EXPECT_LT(mc->second_weight, 1.0 / (500.0 * 500.0));
}

TEST(ZVautopair, GlyphClassFilter) {
    const auto &d = demo_glyphs();
    struct Case {
        const char *l, *r;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"I", "O", false},
        {"O", "I", false},
        {"O", "l", false},
        {"l", "o", false},
        {"H", "o", d["o"].symmetric},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.l) + c.r);
        EXPECT_EQ(passes_glyph_class_filter(d.glyphs, {d.index(c.l), d.index(c.r)}), c.expected);
    }
}

TEST(ZVautopair, XShiftAgainstTheSameGlyphsIsSmall) {
    const auto &d = demo_glyphs();
    ZVautopair a = demo_pair("V", "n");
    a.autokerned(mix(), models(), d.glyphs);
    const float before = a.value;
    const double shift = a.x_shift(mix(), d.glyphs, {d["V"], d["n"]});
    EXPECT_NEAR(shift, 0, 1.0 * d.glyphs.scale);
    EXPECT_NEAR(a.value, before - shift, 1e-4);
}

TEST(ZVautopair, IfAutokernedOfSourceAndOtherPairs) {
    const auto &d = demo_glyphs();
    const ZVmodels &m = fitted_demo_models();
    const ZVsimplepair own =
        m.if_autokerned({d.index("T"), d.index("o")}, mix(), models(), d.glyphs);
    EXPECT_EQ(own.properties.kind(), ZV_USER_SET_AUTO);
    EXPECT_LE(own.value_min, own.value_max);
    EXPECT_NEAR(own.value, -45, 2 * d.glyphs.scale);

    const ZVsimplepair other =
        m.if_autokerned({d.index("V"), d.index("n")}, mix(), models(), d.glyphs);
    ZVautopair a = demo_pair("V", "n", ZV_UNKNOWN_FREQUENCY);
    a.autokerned(mix(), models(), d.glyphs);
    EXPECT_EQ(other.value, a.value);
    EXPECT_EQ(other.frequency, ZV_UNKNOWN_FREQUENCY);
    EXPECT_EQ(m.if_autokerned({9999, 1}, mix(), models(), d.glyphs).value, 0);
}
