// A designer who follows the engine's suggestions, on the sample family (Arg: the master, in font
// order). The master starts as the designer's default start leaves it (its kerning erased, the
// ten pairs of "HIHnHOHlnno" at 0), then the engine's messages are taken in order: a suggested
// model (a type-9 message) is set to the sample's own value of the pair, any other message is
// closed. After 10, 20, 40 and 80 suggestions the counters give how far the master's kerning lies
// from the sample's own over the frequent pairs (mean |difference| per 1000 em, the share within
// 10 units per 1000 em), the models kept, the "Removed model status" messages (type 18) seen so
// far, and of those the ones about a model the walk had set; a table of the same goes to standard
// output. Heavy (minutes per master): run it alone. ZV_SAMPLE=path/to/font.json walks another
// font.
#include "ZVreport.h"
#include "ZVrework.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

namespace {

constexpr std::array<std::size_t, 4> kCheckpoints{10, 20, 40, 80};
constexpr int kMostMessages = 4000; // a walk that never ends is cut off here

struct Checkpoint {
    std::size_t suggestions = 0;
    double mean_per_1000 = 0, percent_within = 0;
    std::size_t models = 0, removed = 0, removed_set = 0, zero_suggestions = 0;
};

void BM_SuggestionWalk(benchmark::State &state) {
    const char *env = std::getenv("ZV_SAMPLE");
    const std::string path = env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
    std::vector<Checkpoint> table;
    std::string master_name;
    for (auto _ : state) {
        state.PauseTiming();
        std::string error;
        std::optional<ZVreworkRoad> road = load_rework_road(path, ZV_BUNDLE_DIR, error);
        if (!road) {
            state.SkipWithError(error.c_str());
            return;
        }
        const auto at = static_cast<std::size_t>(state.range(0));
        if (at >= road->masters.size()) {
            state.SkipWithError("the font has fewer masters");
            return;
        }
        const ZVreworkMaster &master = road->masters[at];
        master_name = master.name;
        ZVfontMM &mm = road->mm();
        const double units_per_em = road->font().unitsPerEm();
        state.ResumeTiming();

        // The default start: the kerning erased, ten pairs that need none.
        std::vector<std::uint16_t> ten;
        for (char c : std::string("HIHnHOHlnno"))
            ten.push_back(mm.glyphsinfo.index_for_glyph_name(std::string(1, c)));
        mm.set_initial_unkerned_pairs(ten);
        mm.begin_start_up({master.id});
        mm.initial_processing(master.id, {});

        std::vector<std::uint16_t> every_frequent_pair;
        for (const ZVglyph_pair &p : road->frequent)
            every_frequent_pair.insert(every_frequent_pair.end(),
                                       {p.first, p.second, PLXlibNamespaceForZV::ZV_NO_GLYPH});
        auto sample_value = [&](ZVglyph_pair p) {
            const auto it = master.existing.find(p);
            return it == master.existing.end() ? 0.f : it->second;
        };

        table.clear();
        Checkpoint now;
        std::set<ZVglyph_pair> set_by_walk;
        ZVfeedback shown;
        for (int messages = 0; messages < kMostMessages && now.suggestions < kCheckpoints.back();
             ++messages) {
            mm.next_feedback(shown, master.id); // the message before is done with
            if (shown.type == ZVfeedback::none)
                break;
            if (shown.type == ZVfeedback::model_status_removed && !shown.pairs.empty()) {
                ++now.removed;
                now.removed_set += set_by_walk.count(shown.pairs.front().indices);
            }
            if (shown.type != ZVfeedback::suggested_model || shown.pairs.empty())
                continue; // closed with its button
            const ZVglyph_pair pair = shown.pairs.front().indices;
            const float value = sample_value(pair);
            now.zero_suggestions += value == 0;
            mm.set_value(pair, value, master.id);
            set_by_walk.insert(pair);
            ++now.suggestions;
            if (std::find(kCheckpoints.begin(), kCheckpoints.end(), now.suggestions) ==
                kCheckpoints.end())
                continue;
            // Every frequent pair shown, kerned and read as the plug-in writes it; then the
            // visible text is emptied again, so that each edit kerns only the models.
            mm.set_required_text(every_frequent_pair, master.id);
            const ZVkerningDistance d = ZVkerningDistanceOf(
                master.existing, written_kerning(*road, master.id), units_per_em);
            mm.set_required_text({}, master.id);
            now.mean_per_1000 = d.meanDifference * 1000 / units_per_em;
            now.percent_within = d.percentWithin;
            now.models = mm.get_number_of_models(master.id);
            table.push_back(now);
        }
        state.PauseTiming();
        road.reset();
        state.ResumeTiming();
    }
    std::printf("\n%s: suggestions  mean |diff|/1000 em  within 10  models  type-18 (of models "
                "set)  suggested pairs at 0\n",
                master_name.c_str());
    for (const Checkpoint &c : table) {
        std::printf("%s: %11zu  %18.2f  %8.1f%%  %6zu  %7zu (%zu)  %zu\n", master_name.c_str(),
                    c.suggestions, c.mean_per_1000, c.percent_within, c.models, c.removed,
                    c.removed_set, c.zero_suggestions);
        const std::string at = "at" + std::to_string(c.suggestions) + "_";
        state.counters[at + "mean_per_1000"] = c.mean_per_1000;
        state.counters[at + "within_pct"] = c.percent_within;
        state.counters[at + "models"] = static_cast<double>(c.models);
        state.counters[at + "removed"] = static_cast<double>(c.removed);
    }
}
BENCHMARK(BM_SuggestionWalk)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

} // namespace
