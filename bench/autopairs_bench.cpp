// Autokerning on the sample family's Regular master: every frequent pair once, one typed glyph,
// the listed pairs of o and the model suggestions, with 10 zero pairs and 60 models fitted. The
// master's first 6000 kerned pairs stand for its frequent pairs.
#include "engine/model/ZVautopairs.h"
#include "sample_master.h"

#include <benchmark/benchmark.h>

#include <algorithm>

using namespace PLXlibNamespaceForZV;

namespace {

constexpr std::size_t kFrequentPairs = 6000;

struct Master {
    const zvtest::SampleMaster &sample = zvtest::sample_master();
    const ZVglyphs &glyphs = sample.glyphs;
    ZVfeatures features;
    ZVmodels models;
    ZVautopairs set;
    ZVcache cache;

    Master() {
        for (const ZVminipair &k : sample.kerning) {
            if (features.indices_with_frequency.size() == kFrequentPairs)
                break;
            features.indices_with_frequency.push_back({{k.left, k.right}, 1000});
        }
        const std::vector<ZVminipair> list = zvtest::sample_models(sample, 60);
        models = ZVmodels(list);
        models.update_glyphs(glyphs);
        models.determine_mix_and_modelpairs(true);
        set = ZVautopairs(models, glyphs, {}, {}, features, sample.info);
        cache.lists.resize(glyphs.glyphs.size());
        cache.scale = 1 / sample.unit_scale;
        cache.valid = true;
    }
};

Master &master() {
    static Master m;
    return m;
}

void BM_AutokernEveryFrequentPair(benchmark::State &state) {
    Master &m = master();
    const auto &mix = m.models.mix;
    const auto &mp = m.models.modelpairs.pairs;
    std::int64_t pairs = 0, measured = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ZVautopairs set = m.set; // fresh records, nothing measured
        state.ResumeTiming();
        for (ZVautopair &r : set.records) {
            if (!r.is_autokernable(m.glyphs))
                continue;
            r.autokerned(mix, mp, m.glyphs);
            ++pairs;
            measured += static_cast<std::int64_t>(r.sources.size());
        }
        benchmark::DoNotOptimize(set.records.data());
    }
    state.SetItemsProcessed(pairs);
    state.counters["models"] = static_cast<double>(mp.size());
    state.counters["measured_per_pair"] =
        static_cast<double>(measured) / std::max<double>(1, pairs);
}
BENCHMARK(BM_AutokernEveryFrequentPair)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_TypeOneGlyph(benchmark::State &state) {
    Master &m = master();
    ZVautopairs set = m.set;
    // A text along frequent pairs, so that each typed glyph forms a pair with a record.
    std::vector<std::uint16_t> text;
    std::vector<ZVglyph_pair> chain;
    for (std::uint32_t i : set.candidates)
        chain.push_back(set.records[i].indices);
    std::size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const ZVglyph_pair p = chain[next++ % chain.size()];
        set.visible_pairs.erase(p);
        text = {p.first};
        set.set_visible_text(text, m.models, m.glyphs, m.cache);
        text.push_back(p.second);
        state.ResumeTiming();
        benchmark::DoNotOptimize(set.set_visible_text(text, m.models, m.glyphs, m.cache));
    }
}
BENCHMARK(BM_TypeOneGlyph)->Unit(benchmark::kMillisecond);

void BM_PairsForGlyph(benchmark::State &state) {
    Master &m = master();
    const auto side = static_cast<std::int8_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        ZVautopairs set = m.set;
        state.ResumeTiming();
        benchmark::DoNotOptimize(
            set.pairs_for_glyph(m.sample.index("o"), side, m.models, m.glyphs, m.cache, {}));
    }
}
BENCHMARK(BM_PairsForGlyph)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ModelSuggestions(benchmark::State &state) {
    Master &m = master();
    for (auto _ : state) {
        state.PauseTiming();
        ZVautopairs set = m.set;
        ZVmodels models = m.models;
        state.ResumeTiming();
        benchmark::DoNotOptimize(set.model_suggestions(models, m.glyphs, {}));
    }
}
BENCHMARK(BM_ModelSuggestions)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
