// The tracking solver on systems shaped like the ones a master's model pairs produce.
#include "tracking_system.h"

#include <benchmark/benchmark.h>

namespace {

// Arguments: groups, constraints, step x 100.
void BM_TrackingSolve(benchmark::State &state) {
    const auto groups = static_cast<std::size_t>(state.range(0));
    const auto count = static_cast<std::size_t>(state.range(1));
    const double step = static_cast<double>(state.range(2)) / 100;
    ZVtracking_solver system(groups, 4.f, 11.f);
    zvtest::add_tracking_system(system, count, 5);
    for (auto _ : state) {
        ZVtracking_solver s = system;
        s.solve(step);
        benchmark::DoNotOptimize(s.lower_bounds.values.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}
BENCHMARK(BM_TrackingSolve)
    ->Args({20, 2000, 5000})
    ->Args({20, 2000, 75})
    ->Args({8, 300, 5000})
    ->Args({52, 5000, 75})
    ->Unit(benchmark::kMicrosecond);

} // namespace
