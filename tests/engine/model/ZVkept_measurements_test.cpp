// A master keeps its measurements within a budget: a dropped measurement is measured again when
// read, and gives back exactly the records it had, so a pair kerned from it kerns the same.
#include "engine/model/ZVautopair.h"
#include "engine/model/ZVmodels.h"
#include "model_fixture.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <stdexcept>

using zvtest::demo_glyphs;
using zvtest::fitted_demo_models;

namespace {

template <class T> bool same_bits(const std::vector<T> &a, const std::vector<T> &b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Everything a graph or the engine's state reads of a measurement, bit for bit.
void expect_same_measurement(const ZVsource &a, const ZVsource &b) {
    ZVsource sa, sb;
    const ZVsource &ea = a.with_shells(sa), &eb = b.with_shells(sb);
    EXPECT_TRUE(same_bits(ea.rows, eb.rows));
    EXPECT_TRUE(same_bits(ea.variant_rows, eb.variant_rows));
    EXPECT_TRUE(same_bits(a.closest, b.closest));
    EXPECT_TRUE(same_bits(a.closest_variant, b.closest_variant));
    EXPECT_EQ(a.value, b.value);
    EXPECT_EQ(a.variant_pair, b.variant_pair);
    EXPECT_EQ(a.shells(), b.shells());
}

ZVautopair demo_pair(const char *l, const char *r) {
    const auto &d = demo_glyphs();
    ZVsimplepair head;
    head.indices = {d.index(l), d.index(r)};
    head.frequency = 500;
    head.properties.set_kind(ZV_USER_SET_AUTO);
    ZVautopair a(head);
    a.activate(d.glyphs);
    return a;
}

const char *const kPairs[][2] = {{"T", "o"}, {"p", "p"}, {"A", "V"}, {"o", "v"},
                                 {"V", "A"}, {"n", "n"}, {"parenleft", "T"}};

} // namespace

TEST(KeptMeasurements, ADroppedMeasurementComesBackBitForBit) {
    const auto &d = demo_glyphs();
    for (const auto &[l, r] : kPairs)
        for (const float v : {0.f, -40.f, 12.5f})
            // The glyphs' width now and a wider one: measuring again keeps the width it had.
            for (const unsigned width : {d.n(), d.n() + 333}) {
                SCOPED_TRACE(std::string(l) + "/" + r + " at " + std::to_string(v) + " width " +
                             std::to_string(width));
                ZVsource kept;
                kept.update_from_glyphs(d[l], d[r], width, v);
                for (const bool packed : {false, true}) {
                    ZVsource s = kept;
                    if (packed)
                        s.pack();
                    EXPECT_GT(s.drop(), 0u);
                    EXPECT_TRUE(s.dropped());
                    EXPECT_EQ(s.heap_bytes(), 0u);
                    EXPECT_EQ(s.shells(), kept.shells()) << "the order of pairs reads it";
                    ZVsource scratch;
                    EXPECT_THROW(s.with_shells(scratch), std::logic_error);
                    s.measure_again(d[l], d[r]);
                    EXPECT_FALSE(s.dropped());
                    EXPECT_NE(s.stamp(), kept.stamp()) << "graphs kept of it are not reused";
                    expect_same_measurement(s, kept);
                    const ZVmix &mix = ZVmodels::initial_vertices[7];
                    EXPECT_TRUE(same_bits(ZVgraph(s, mix).breadths, ZVgraph(kept, mix).breadths));
                }
            }
}

TEST(KeptMeasurements, KeepsWhatCannotBeMeasuredAgain) {
    ZVsource by_hand;
    by_hand.rows.assign(4, {0.9, 0.9, 0.9, 0.9, 0});
    EXPECT_EQ(by_hand.drop(), 0u);
    EXPECT_FALSE(by_hand.dropped());
    EXPECT_EQ(by_hand.rows.size(), 4u);

    const auto &d = demo_glyphs();
    ZVsource empty;
    empty.update_from_glyphs(d["space"], d["o"], d.n(), 0);
    EXPECT_EQ(empty.drop(), 0u);
    EXPECT_FALSE(empty.dropped());
}

// Two twins kerned alike, one losing every measurement between the steps, must kern alike with
// the models fitted and with a second set of models, from 0 and from the nearest measured value.
TEST(KeptMeasurements, ARecordMeasuredAgainKernsAsOneThatKeptItsMeasurements) {
    const auto &d = demo_glyphs();
    const ZVmodels &fitted = fitted_demo_models();
    const std::vector<ZVmodelpair> &models = fitted.modelpairs.pairs;
    const std::vector<ZVmodelpair> fewer(models.begin(), models.begin() + models.size() / 2);
    const ZVmix &other_mix = ZVmodels::initial_vertices[3];
    for (const auto &[l, r] : kPairs) {
        SCOPED_TRACE(std::string(l) + "/" + r);
        ZVautopair kept = demo_pair(l, r), dropped = demo_pair(l, r);
        auto drop_all = [&] {
            for (ZVsource &s : dropped.sources)
                s.drop();
        };
        auto expect_same = [&](const ZVgraph &a, const ZVgraph &b) {
            EXPECT_EQ(kept.value, dropped.value);
            EXPECT_EQ(kept.value_min, dropped.value_min);
            EXPECT_EQ(kept.value_max, dropped.value_max);
            EXPECT_TRUE(same_bits(a.breadths, b.breadths));
            ASSERT_EQ(kept.sources.size(), dropped.sources.size());
            for (std::size_t i = 0; i < kept.sources.size(); ++i)
                if (!dropped.sources[i].dropped())
                    expect_same_measurement(kept.sources[i], dropped.sources[i]);
        };
        expect_same(kept.graph_from_autokerned(fitted.mix, models, d.glyphs, 0),
                    dropped.graph_from_autokerned(fitted.mix, models, d.glyphs, 0));
        EXPECT_FALSE(dropped.sources.empty());
        drop_all();
        expect_same(kept.graph_from_autokerned(other_mix, fewer, d.glyphs, 0),
                    dropped.graph_from_autokerned(other_mix, fewer, d.glyphs, 0));
        drop_all();
        expect_same(kept.graph_from_autokerned(fitted.mix, models, d.glyphs, 1),
                    dropped.graph_from_autokerned(fitted.mix, models, d.glyphs, 1));
        drop_all();
        expect_same(kept.graph(fitted.mix, d.glyphs), dropped.graph(fitted.mix, d.glyphs));
        EXPECT_TRUE(kept.touched && dropped.touched);
    }
}
