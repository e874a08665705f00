// The designer's dismissal of a message on the sample family after the re-work road: the message
// shown is the last one the master holds, so the engine chooses its model suggestions again (the
// diverse selection over the frequent pairs, then their scores). Each round dismisses the message
// the previous one left, as a designer clicking "Ignore" again and again does. Heavy: the road
// runs once first (a minute or more). The sample path can be overridden with
// ZV_SAMPLE=path/to/font.json.
#include "ZVrework.h"
#include "engine/font/ZVfontMM.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <thread>

namespace {

ZVreworkRoad *reworked(std::string &error) {
    static std::optional<ZVreworkRoad> road = [&] {
        const char *env = std::getenv("ZV_SAMPLE");
        const std::string path = env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
        std::optional<ZVreworkRoad> r = load_rework_road(path, ZV_BUNDLE_DIR, error);
        if (r)
            run_rework_road(*r, true);
        return r;
    }();
    return road ? &*road : nullptr;
}

void BM_DismissLastMessageAfterRework(benchmark::State &state) {
    std::string error;
    ZVreworkRoad *road = reworked(error);
    if (!road) {
        state.SkipWithError(error.c_str());
        return;
    }
    ZVfontMM &mm = road->mm();
    const std::string id = road->masters.front().id;
    ZVfont &master = mm.get_master(id);
    ZVfeedback shown;
    std::size_t suggestions = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Only the message shown is left, so that dismissing it empties the list.
        if (!master.feedbacks.list.empty()) {
            master.feedbacks.list.resize(1);
            shown = master.feedbacks.list.front();
        }
        state.ResumeTiming();
        mm.next_feedback(shown, id);
        suggestions = master.feedbacks.list.size();
    }
    state.counters["suggestions"] = static_cast<double>(suggestions);
    state.counters["models"] = static_cast<double>(master.models.modelpairs.size());
    state.counters["cores"] = std::thread::hardware_concurrency();
}
BENCHMARK(BM_DismissLastMessageAfterRework)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8)
    ->UseRealTime();

} // namespace
