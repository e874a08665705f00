// The finalisation's kerning on the sample family's three masters (their existing kerning as
// targets): the grouping, and each master's grouped kerning fitted into half its size.
#include "plugin/ZVkerningfit.h"
#include "sample_kerning_targets.h"

#include <benchmark/benchmark.h>

namespace {

const zvtest::SampleKerningTargets &sample() {
    static const zvtest::SampleKerningTargets s = zvtest::sample_kerning_targets();
    return s;
}

double tolerance() { return grouping_tolerance(sample().font->unitsPerEm()); }

void BM_GroupAndFitThreeMasters(benchmark::State &state) {
    const auto &s = sample();
    std::vector<std::size_t> limits;
    const ZVkerninggroups groups = make_kerning_groups(s.targets, s.order, tolerance());
    for (const auto &targets : s.targets)
        limits.push_back(kerning_size(grouped_kerning(targets, groups), groups, s.order).bytes / 2);
    std::size_t written = 0;
    for (auto _ : state) {
        const ZVkerninggroups g = make_kerning_groups(s.targets, s.order, tolerance());
        for (std::size_t m = 0; m < s.targets.size(); ++m) {
            const ZVkerningfit fit =
                fit_kerning_size(grouped_kerning(s.targets[m], g), g, s.order, limits[m]);
            written += fit.kept.glyph_entries.size();
        }
        benchmark::DoNotOptimize(written);
    }
}
BENCHMARK(BM_GroupAndFitThreeMasters)->Unit(benchmark::kMillisecond);

void BM_GroupThreeMasters(benchmark::State &state) {
    const auto &s = sample();
    for (auto _ : state)
        benchmark::DoNotOptimize(make_kerning_groups(s.targets, s.order, tolerance()));
}
BENCHMARK(BM_GroupThreeMasters)->Unit(benchmark::kMillisecond);

void BM_FlatSizeOneMaster(benchmark::State &state) {
    const auto &s = sample();
    const ZVwrittenkerning flat = flat_kerning(s.targets[1]);
    const ZVkerninggroups none;
    for (auto _ : state)
        benchmark::DoNotOptimize(kerning_size(flat, none, s.order));
}
BENCHMARK(BM_FlatSizeOneMaster)->Unit(benchmark::kMillisecond);

void BM_FlatFitThreeMastersAtHalf(benchmark::State &state) {
    const auto &s = sample();
    const ZVkerninggroups none;
    std::vector<ZVwrittenkerning> flat;
    std::vector<std::size_t> limits;
    for (const auto &targets : s.targets) {
        flat.push_back(flat_kerning(targets));
        limits.push_back(kerning_size(flat.back(), none, s.order).bytes / 2);
    }
    for (auto _ : state)
        for (std::size_t m = 0; m < flat.size(); ++m)
            benchmark::DoNotOptimize(fit_kerning_size(flat[m], none, s.order, limits[m]));
}
BENCHMARK(BM_FlatFitThreeMastersAtHalf)->Unit(benchmark::kMillisecond);

} // namespace
