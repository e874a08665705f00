// Autokerning on a synthetic master: every frequent pair once, one typed glyph, a glyph's
// listed pairs and the model suggestions, with 60 models and 10 zero pairs fitted.
#include "demo_font.h"
#include "engine/model/ZVautopairs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

using namespace PLXlibNamespaceForZV;

namespace {

constexpr int kGlyphs = 300;
constexpr int kFrequentPairs = 6000;

struct Master {
    zvtest::DemoFont font = zvtest::make_synthetic_font(kGlyphs);
    ZVglyphs glyphs = zvtest::build_glyphs(font);
    ZVfeatures features;
    ZVmodels models;
    ZVautopairs set;
    ZVcache cache;

    Master() {
        std::mt19937 rng(11);
        std::uniform_int_distribution<int> pick(0, kGlyphs - 1);
        std::uniform_int_distribution<int> count(20, 30000);
        for (int i = 0; i < kFrequentPairs; ++i)
            features.indices_with_frequency.push_back(
                {{static_cast<std::uint16_t>(pick(rng)), static_cast<std::uint16_t>(pick(rng))},
                 static_cast<std::uint16_t>(count(rng))});
        // Models spaced by one simple rule (a fixed closest distance), so that they agree.
        std::vector<ZVminipair> list;
        const auto n = static_cast<unsigned>(glyphs.max_width);
        for (int i = 0; list.size() < 70; ++i) {
            const auto l = static_cast<std::uint16_t>(pick(rng));
            const auto r = static_cast<std::uint16_t>(pick(rng));
            float value = 0;
            if (list.size() >= 10) {
                ZVsource s;
                s.update_from_glyphs(glyphs.glyphs[l], glyphs.glyphs[r], n, 0);
                value = std::clamp(static_cast<float>(40 - s.closest), -60.f, 20.f);
            }
            list.push_back({l, r, value});
        }
        models = ZVmodels(list);
        models.update_glyphs(glyphs);
        models.determine_mix_and_modelpairs(true);
        set = ZVautopairs(models, glyphs, {}, {}, features, font.info);
        cache.lists.resize(glyphs.glyphs.size());
        cache.scale = font.x_height / 225.0;
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
        benchmark::DoNotOptimize(set.pairs_for_glyph(0, side, m.models, m.glyphs, m.cache, {}));
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
