// The spacing model's hot path: measuring pairs, building their graphs, comparing graphs.
#include "demo_font.h"
#include "engine/model/ZVgraph.h"
#include "engine/model/ZVsource.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace PLXlibNamespaceForZV;

namespace {

struct Master {
    ZVglyphs glyphs = zvtest::build_glyphs(zvtest::make_synthetic_font(400));
    std::vector<std::pair<std::uint16_t, std::uint16_t>> pairs;
    Master() {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> pick(0, static_cast<int>(glyphs.glyphs.size()) - 1);
        pairs.resize(10000);
        for (auto &p : pairs)
            p = {static_cast<std::uint16_t>(pick(rng)), static_cast<std::uint16_t>(pick(rng))};
    }
};

const Master &master() {
    static const Master m;
    return m;
}

ZVmix mix() {
    ZVmix m;
    m.weights = {0.3, 0.4, 0.5, 0.2};
    return m;
}

void BM_MeasurePair(benchmark::State &state) {
    const Master &m = master();
    const float value = static_cast<float>(state.range(0));
    const auto n = static_cast<unsigned>(m.glyphs.max_width);
    ZVsource source;
    std::size_t i = 0;
    for (auto _ : state) {
        const auto &[l, r] = m.pairs[i++ % m.pairs.size()];
        source.update_from_glyphs(m.glyphs.glyphs[l], m.glyphs.glyphs[r], n, value);
        benchmark::DoNotOptimize(source.closest);
    }
    state.SetLabel("per source");
}
BENCHMARK(BM_MeasurePair)->Arg(0)->Arg(-40)->Arg(20)->Unit(benchmark::kMicrosecond);

void BM_BuildGraph(benchmark::State &state) {
    const Master &m = master();
    ZVsource source;
    source.update_from_glyphs(m.glyphs.glyphs[m.pairs[0].first], m.glyphs.glyphs[m.pairs[0].second],
                              static_cast<unsigned>(m.glyphs.max_width), 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(ZVgraph(source, mix()).breadths.data());
}
BENCHMARK(BM_BuildGraph)->Unit(benchmark::kMicrosecond);

void BM_CompareGraphs(benchmark::State &state) {
    const Master &m = master();
    std::vector<ZVgraph> graphs;
    for (int k = 0; k < 64; ++k) {
        ZVsource source;
        source.update_from_glyphs(m.glyphs.glyphs[m.pairs[k].first],
                                  m.glyphs.glyphs[m.pairs[k].second],
                                  static_cast<unsigned>(m.glyphs.max_width), 0);
        graphs.emplace_back(source, mix());
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const ZVgraph &a = graphs[i % 64], &b = graphs[(i * 7 + 3) % 64];
        benchmark::DoNotOptimize(a.compare(b, 0, 0));
        ++i;
    }
}
BENCHMARK(BM_CompareGraphs);

} // namespace
