// The font engine: the re-work road on the sample family (per master and all masters at once),
// the start-up of its masters alone,
// one value set on a model of a master with 100 models and 500 visible pairs, one typed glyph.
#include "ZVrework.h"
#include "demo_font.h"
#include "engine/font/ZVfontMM.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <thread>

using namespace PLXlibNamespaceForZV;

namespace {

void BM_ReworkSample(benchmark::State &state) {
    const bool threads = state.range(0) != 0;
    std::vector<double> per_master;
    std::size_t pairs = 0, kept = 0, masters = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string error;
        std::optional<ZVreworkRoad> road =
            load_rework_road(std::string(ZV_SAMPLES_DIR) + "/Lato.json", ZV_BUNDLE_DIR, error);
        if (!road) {
            state.SkipWithError(error.c_str());
            return;
        }
        state.ResumeTiming();
        run_rework_road(*road, threads);
        per_master.clear();
        for (const ZVreworkMaster &m : road->masters)
            per_master.push_back(m.ms);
        pairs = road->frequent.size();
        kept = masters = 0;
        for (const ZVfont &f : road->mm().masters)
            if (f.autopairs) {
                kept += f.autopairs->kept_bytes();
                ++masters;
            }
    }
    for (std::size_t i = 0; i < per_master.size(); ++i)
        state.counters["master" + std::to_string(i) + "_ms"] = per_master[i];
    state.counters["frequent_pairs"] = static_cast<double>(pairs);
    // What the autopairs keep, per frequent pair and master, in kilobytes.
    state.counters["kept_KB_per_pair"] =
        static_cast<double>(kept) / 1024.0 /
        static_cast<double>(std::max<std::size_t>(pairs * masters, 1));
    state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_ReworkSample)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// The re-work start-up alone (models picked from the existing kerning, the mix fitted, the first
// suggestions): one master of the sample (0 Hairline, 1 Regular, 2 Black) with the engine's pool
// to itself, or 3: all three at once on worker threads, as the plug-in's activation starts them.
// The wall time is what the designer waits before the window answers; the CPU time is the whole
// process's.
void BM_ReworkStartUp(benchmark::State &state) {
    const auto which = static_cast<std::size_t>(state.range(0));
    std::vector<double> per_master;
    std::size_t models = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string error;
        std::optional<ZVreworkRoad> road =
            load_rework_road(std::string(ZV_SAMPLES_DIR) + "/Lato.json", ZV_BUNDLE_DIR, error);
        if (!road || road->masters.size() != 3) {
            state.SkipWithError(road ? "the sample has not three masters" : error.c_str());
            return;
        }
        if (which < 3)
            road->masters = {road->masters[which]};
        state.ResumeTiming();
        run_rework_road(*road, true, nullptr, true);
        per_master.clear();
        models = 0;
        for (const ZVreworkMaster &m : road->masters) {
            per_master.push_back(m.start_up_ms);
            models += road->mm().get_master(m.id).models.size();
        }
    }
    for (std::size_t i = 0; i < per_master.size(); ++i)
        state.counters["start_up" + std::to_string(i) + "_ms"] = per_master[i];
    state.counters["models"] = static_cast<double>(models);
}
BENCHMARK(BM_ReworkStartUp)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

constexpr int kGlyphs = 300;
constexpr std::size_t kCandidateModels = 205;

/// A synthetic master with 100 agreeing models and 500 visible pairs, processed.
struct Kerned {
    zvtest::DemoFont font = zvtest::make_synthetic_font(kGlyphs);
    ZVfont master;
    std::vector<ZVglyph_pair> models;
    std::vector<std::uint16_t> run;

    Kerned() {
        std::mt19937 rng(5);
        std::uniform_int_distribution<int> pick(0, kGlyphs - 1);
        ZVfeatures features;
        for (int i = 0; i < 3000; ++i)
            features.indices_with_frequency.push_back(
                {{static_cast<std::uint16_t>(pick(rng)), static_cast<std::uint16_t>(pick(rng))},
                 static_cast<std::uint16_t>(20 + i % 20000)});
        const ZVglyphs glyphs = zvtest::build_glyphs(font);
        const auto n = static_cast<unsigned>(glyphs.max_width);
        const double to_font = font.x_height / 225.0;
        std::vector<ZVminipair> list;
        // The fit gives up some of them; about 100 remain.
        while (list.size() < kCandidateModels) {
            const auto l = static_cast<std::uint16_t>(pick(rng));
            const auto r = static_cast<std::uint16_t>(pick(rng));
            ZVsource s;
            s.update_from_glyphs(glyphs.glyphs[l], glyphs.glyphs[r], n, 0);
            // One simple rule (a fixed closest distance), so that the models agree.
            const float v = std::clamp(static_cast<float>(40 - s.closest), -60.f, 20.f);
            list.push_back({l, r, static_cast<float>(std::round(v * to_font))});
        }
        std::vector<PLXglyph> outlines = font.outlines;
        master = ZVfont("m", outlines, font.info, list, {}, font.cap_height, font.x_height);
        master.initial_processing(font.info, {}, features, true);
        for (const ZVsourcepair &p : master.models.pairs)
            models.push_back(p.indices);
        for (int i = 0; i < 500; ++i) {
            const auto &p = features.indices_with_frequency[static_cast<std::size_t>(i)].first;
            run.insert(run.end(), {p.first, p.second, ZV_NO_GLYPH});
        }
        master.set_required_text(run);
    }
};

Kerned &kerned() {
    static Kerned k;
    return k;
}

// Values set on the models in turn, two units up or down.
void set_values(benchmark::State &state, Kerned &k) {
    std::size_t i = 0;
    for (auto _ : state) {
        const ZVglyph_pair p = k.models[i++ % k.models.size()];
        k.master.set_value(p, k.master.lookup(p).value + ((i & 1) ? 2.f : -2.f));
        benchmark::DoNotOptimize(k.master.cache.lists.data());
    }
}

// Glyphs typed at the end of the visible text.
void type_glyphs(benchmark::State &state, Kerned &k) {
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> pick(0, kGlyphs - 1);
    std::vector<std::uint16_t> run = k.run;
    for (auto _ : state) {
        run.push_back(static_cast<std::uint16_t>(pick(rng)));
        benchmark::DoNotOptimize(k.master.set_required_text(run));
    }
}

void BM_SetValueOnModel(benchmark::State &state) {
    Kerned &k = kerned();
    set_values(state, k);
    state.counters["models"] = static_cast<double>(k.master.models.size());
    state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_SetValueOnModel)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_TypeOneGlyphInMaster(benchmark::State &state) { type_glyphs(state, kerned()); }
BENCHMARK(BM_TypeOneGlyphInMaster)->Unit(benchmark::kMillisecond);

// The same edits in a master whose budget keeps no measurement (ZVautopairs::kept_budget 0):
// each round of autokerning ends with every measurement dropped, so an edit measures again
// what it reads. Against BM_SetValueOnModel and BM_TypeOneGlyphInMaster this is the most an
// edit can pay for keeping a master within its budget.
// A kerned master made with the given budget for its measurements (0: none kept).
std::unique_ptr<Kerned> kerned_with_budget(std::size_t bytes) {
    const std::size_t budget = default_kept_budget();
    set_default_kept_budget(bytes);
    auto made = std::make_unique<Kerned>();
    set_default_kept_budget(budget);
    return made;
}

Kerned &kerned_nothing_kept() {
    static Kerned *k = kerned_with_budget(0).release();
    return *k;
}

Kerned &kerned_for(const benchmark::State &state) {
    return state.range(0) ? kerned_nothing_kept() : kerned();
}

void measured_again_counter(benchmark::State &state, std::uint64_t before) {
    state.counters["measured_again_per_edit"] =
        static_cast<double>(ZVsource::measured_again_count() - before) /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

void BM_SetValueKeptOrNot(benchmark::State &state) {
    const std::uint64_t before = ZVsource::measured_again_count();
    set_values(state, kerned_for(state));
    measured_again_counter(state, before);
}
BENCHMARK(BM_SetValueKeptOrNot)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_TypeOneGlyphKeptOrNot(benchmark::State &state) {
    const std::uint64_t before = ZVsource::measured_again_count();
    type_glyphs(state, kerned_for(state));
    measured_again_counter(state, before);
}
BENCHMARK(BM_TypeOneGlyphKeptOrNot)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// An outline edit (the glyph's own outline given again) of a glyph of the visible text.
void BM_OutlineEditKeptOrNot(benchmark::State &state) {
    Kerned &k = kerned_for(state);
    const std::uint64_t before = ZVsource::measured_again_count();
    const std::uint16_t glyph = k.run.front();
    for (auto _ : state) {
        PLXglyph outline = k.font.outlines[glyph];
        k.master.update_glyph_shape(outline, glyph);
        benchmark::DoNotOptimize(k.master.cache.lists.data());
    }
    measured_again_counter(state, before);
}
BENCHMARK(BM_OutlineEditKeptOrNot)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

// After every frequent pair was shown and kerned once (as the main command does), in a master
// that kept that kerning's measurements (first argument 0) and in one that dropped them all (1):
// a frequent pair typed again (second argument 0), or a value set on a model (1), which
// autokerns every visible pair again and so measures again what was dropped.
void BM_AfterKerningEveryFrequentPair(benchmark::State &state) {
    static std::vector<std::unique_ptr<Kerned>> masters(2);
    std::unique_ptr<Kerned> &k = masters[static_cast<std::size_t>(state.range(0))];
    std::vector<ZVglyph_pair> frequent;
    if (!k)
        k = kerned_with_budget(state.range(0) ? 0 : default_kept_budget());
    std::vector<std::uint16_t> all;
    for (const ZVautopair &r : k->master.autopairs->records) {
        frequent.push_back(r.indices);
        all.insert(all.end(), {r.indices.first, r.indices.second, ZV_NO_GLYPH});
    }
    k->master.set_required_text(all);
    const std::uint64_t before = ZVsource::measured_again_count();
    if (state.range(1)) {
        set_values(state, *k);
    } else {
        std::size_t i = 0;
        for (auto _ : state) {
            const ZVglyph_pair p = frequent[i++ % frequent.size()];
            benchmark::DoNotOptimize(k->master.set_required_text({p.first, p.second}));
        }
    }
    measured_again_counter(state, before);
    state.counters["visible_pairs"] =
        static_cast<double>(k->master.autopairs->visible_pairs.size());
}
BENCHMARK(BM_AfterKerningEveryFrequentPair)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

} // namespace
