// The spacing model's hot paths on the sample family's Regular master: measuring pairs, building
// their graphs, comparing graphs, and fitting a mix to the designer's models.
#include "engine/model/ZVgraph.h"
#include "engine/model/ZVmodels.h"
#include "engine/model/ZVprofileconnector.h"
#include "engine/model/ZVsource.h"
#include "sample_master.h"

#include <benchmark/benchmark.h>

#include <algorithm>

using zvtest::sample_master;
using zvtest::SampleMaster;

namespace {

// The master's first 10 000 kerned pairs stand for its frequent pairs.
std::vector<ZVglyph_pair> frequent_pairs(const SampleMaster &s) {
    std::vector<ZVglyph_pair> pairs;
    for (const ZVminipair &k : s.kerning) {
        if (pairs.size() == 10000)
            break;
        pairs.push_back({k.left, k.right});
    }
    return pairs;
}

void BM_MeasurePair(benchmark::State &state) {
    const SampleMaster &s = sample_master();
    const auto pairs = frequent_pairs(s);
    const float value = static_cast<float>(state.range(0));
    ZVsource source;
    std::size_t i = 0, packed = 0, shells = 0;
    for (auto _ : state) {
        const ZVglyph_pair p = pairs[i++ % pairs.size()];
        source.update_from_glyphs(s.glyphs.glyphs[p.first], s.glyphs.glyphs[p.second], s.n(),
                                  value);
        benchmark::DoNotOptimize(source.closest);
        packed += source.packed_bytes();
        shells += source.shells();
    }
    state.SetLabel("per source");
    // What a kept measurement costs: bytes of packed histograms per shell record.
    state.counters["packed_bytes_per_shell"] =
        static_cast<double>(packed) / static_cast<double>(std::max<std::size_t>(shells, 1));
}
BENCHMARK(BM_MeasurePair)->Arg(0)->Arg(-40)->Arg(20)->Unit(benchmark::kMicrosecond);

std::vector<ZVsource> some_sources(const SampleMaster &s, std::size_t count) {
    const auto pairs = frequent_pairs(s);
    std::vector<ZVsource> sources(count);
    for (std::size_t k = 0; k < count; ++k)
        sources[k].update_from_glyphs(s.glyphs.glyphs[pairs[k * 37 % pairs.size()].first],
                                      s.glyphs.glyphs[pairs[k * 37 % pairs.size()].second], s.n(),
                                      0);
    return sources;
}

void BM_BuildGraph(benchmark::State &state) {
    const auto sources = some_sources(sample_master(), 64);
    const ZVmix mix = ZVmodels::initial_vertices[12];
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ZVgraph(sources[i++ % sources.size()], mix).breadths.data());
}
BENCHMARK(BM_BuildGraph)->Unit(benchmark::kMicrosecond);

void BM_CompareGraphs(benchmark::State &state) {
    const ZVmix mix = ZVmodels::initial_vertices[12];
    std::vector<ZVgraph> graphs;
    for (const ZVsource &s : some_sources(sample_master(), 64))
        graphs.emplace_back(s, mix);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(graphs[i % 64].compare(graphs[(i * 7 + 3) % 64], 0, 0));
        ++i;
    }
}
BENCHMARK(BM_CompareGraphs)->Iterations(1000000);

void BM_DetermineMix(benchmark::State &state) {
    const SampleMaster &s = sample_master();
    ZVmodels prepared(zvtest::sample_models(s, static_cast<std::size_t>(state.range(0))));
    prepared.update_glyphs(s.glyphs);
    std::size_t kept = 0, evaluated = 0;
    for (auto _ : state) {
        ZVmodels m = prepared;
        m.determine_mix_and_modelpairs(true);
        kept = m.size();
        evaluated = m.mixes.size();
    }
    state.counters["models_kept"] = static_cast<double>(kept);
    state.counters["mixes_last_pass"] = static_cast<double>(evaluated);
}
BENCHMARK(BM_DetermineMix)
    ->Arg(20)
    ->Arg(100)
    ->Arg(300)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_TidyUp(benchmark::State &state) {
    const SampleMaster &s = sample_master();
    std::vector<ZVminipair> models = zvtest::sample_models(s, 20);
    for (const char *g : {"a", "e", "s", "c", "r"}) // five models opened far beyond the others
        models.push_back({s.index("n"), s.index(g), 40});
    ZVmodels prepared(models);
    prepared.update_glyphs(s.glyphs);
    for (auto _ : state) {
        ZVmodels m = prepared;
        m.tidy_up();
        benchmark::DoNotOptimize(m.size());
    }
}
BENCHMARK(BM_TidyUp)->Iterations(1)->Unit(benchmark::kMillisecond);

// The partner search alone (about half of a measurement at value 0): the left glyph's right side
// against the right glyph's left side, as a measurement at value 0 links them.
void BM_FindPartners(benchmark::State &state) {
    const SampleMaster &s = sample_master();
    const auto pairs = frequent_pairs(s);
    std::size_t i = 0;
    for (auto _ : state) {
        const ZVglyph_pair p = pairs[i++ % pairs.size()];
        const auto &a = s.glyphs.glyphs[p.first].right, &b = s.glyphs.glyphs[p.second].left;
        if (a.empty() || b.empty())
            continue;
        ZVprofileconnector first(a, 1), second(b, 0);
        ZVprofileconnector::set_up_horizontals_and_eliminate_overlap(first, second);
        ZVprofileconnector::find_partners(first, second);
        benchmark::DoNotOptimize(first.partners.data());
        benchmark::DoNotOptimize(second.partners.data());
    }
    state.SetLabel("per couple of profiles");
}
BENCHMARK(BM_FindPartners)->Unit(benchmark::kMicrosecond);

} // namespace
