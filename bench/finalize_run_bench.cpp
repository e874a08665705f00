// The finalisation run on the sample family: the whole run as the finalize window makes it (the
// sample's kerning re-worked and its masters started, then every master finalized with every
// relevant pair kerned, one master after the other, and all three written with groups rebuilt),
// with the longest wait between two reports of progress; on masters started and kerned as the
// designer's session does (every frequent pair kerned), each master finalized and refilled, the
// write of all three (groups rebuilt, no limit) with the ratio of the grouped to the flat size,
// and a refresh of the dialog's glyph tab with one glyph's pair menus. The sample path can be
// overridden with ZV_SAMPLE=path/to/font.json.
#include "ZVsession.h"

#include "bridge/ZVResources.h"
#include "host/GSApplication.h"
#include "host/GSDocument.h"
#include "host/GSWindowController.h"
#include "platform/NSAlert.h"
#include "platform/NSBundle.h"
#include "platform/NSRunLoop.h"
#include "plugin/ZVFinalizeRun.h"
#include "plugin/ZelvarPlugin.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

std::string samplePath() {
    const char *env = std::getenv("ZV_SAMPLE");
    return env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
}

/// The sample opened as a new document, its masters started (its kerning re-worked), and, when
/// asked, every frequent pair shown and kerned; nullptr when it cannot start.
std::unique_ptr<ZVsession> startSample(bool kernEveryMaster) {
    NSBundle::registerBundleForClass(ZVPluginClassName, NSBundle::bundleWithPath(ZV_BUNDLE_DIR));
    NSAlertScript::answerLastButton(nullptr);
    GSApplication::installMainMenu();
    GSDocument *doc =
        GSApplication::sharedApplication().openDocumentWithContentsOfFile(samplePath(), nullptr);
    if (!doc)
        return nullptr;
    ZVsessionOptions options;
    auto s = std::make_unique<ZVsession>(*doc, options);
    if (s->activate() || !s->waitForStartUp(std::chrono::hours(1)))
        return nullptr;
    if (kernEveryMaster)
        s->kernEveryMaster();
    return s;
}

/// The sample open, its masters started and kerned, once per program (nullptr: not available).
ZVsession *startedSample() {
    static std::unique_ptr<ZVsession> session = startSample(true);
    return session.get();
}

void counters(benchmark::State &state) {
    state.counters["cores"] = std::thread::hardware_concurrency();
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// The whole run of the finalize window on the sample as the designer leaves it after starting it
// (only the pairs the start-up shows kerned): each master finalized with every relevant pair
// kerned, one after the other on the engine's pool, then the three written with groups rebuilt.
// One iteration: a run changes the engine. The longest wait between two reports of progress (the
// window's label) is given in seconds.
void BM_FinalizeThreeMastersWithEveryPair(benchmark::State &state) {
    std::unique_ptr<ZVsession> s = startSample(false);
    if (!s) {
        state.SkipWithError("the sample family could not be started");
        return;
    }
    ZVfontMM &engine = *s->bridge()->get_zvfont();
    std::size_t targets = 0, written = 0;
    double longestWait = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        Clock::time_point last = start;
        const auto heard = [&] {
            longestWait = std::max(longestWait, secondsSince(last));
            last = Clock::now();
        };
        const std::vector<ZVpair_frequency> frequent = engine.get_expanded_pairs();
        std::vector<ZVfinalmaster> computed;
        for (std::size_t i : mastersToFinalize(engine)) {
            heard(); // the window names the master it starts
            computed.push_back(computeFinalMaster(engine, i, frequent,
                                                  [&](std::size_t, std::size_t) { heard(); }));
            targets += computed.back().targets.size();
        }
        heard();
        const ZVfinalwrite w = writeFinalKerning(*s->bridge(), computed, true, 0);
        heard();
        for (const ZVfinalreport &r : w.masters)
            written += r.glyph_pairs + r.class_pairs;
        state.counters["masters"] = static_cast<double>(computed.size());
        state.counters["wall_s"] = secondsSince(start);
    }
    state.counters["targets"] = static_cast<double>(targets);
    state.counters["entries"] = static_cast<double>(written);
    state.counters["longest_wait_s"] = longestWait;
    counters(state);
    s->close();
}
BENCHMARK(BM_FinalizeThreeMastersWithEveryPair)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

void BM_FinalizeAndRefillMaster(benchmark::State &state) {
    ZVsession *s = startedSample();
    if (!s) {
        state.SkipWithError("the sample family could not be started");
        return;
    }
    ZVfontMM &engine = *s->bridge()->get_zvfont();
    const auto i = static_cast<std::size_t>(state.range(0));
    if (i >= engine.masters.size()) {
        state.SkipWithError("no such master");
        return;
    }
    state.SetLabel(s->font().fontMasters()[i]->name());
    const std::vector<ZVpair_frequency> frequent = engine.get_expanded_pairs();
    std::size_t targets = 0;
    for (auto _ : state) {
        const ZVfinalmaster m = computeFinalMaster(engine, i, frequent);
        targets = m.targets.size();
        state.counters["finalized"] = m.finalized;
    }
    state.counters["targets"] = static_cast<double>(targets);
    counters(state);
}
BENCHMARK(BM_FinalizeAndRefillMaster)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_WriteThreeMastersGrouped(benchmark::State &state) {
    ZVsession *s = startedSample();
    if (!s) {
        state.SkipWithError("the sample family could not be started");
        return;
    }
    ZVfontMM &engine = *s->bridge()->get_zvfont();
    const std::vector<ZVpair_frequency> frequent = engine.get_expanded_pairs();
    std::vector<ZVfinalmaster> computed;
    for (std::size_t i : mastersToFinalize(engine))
        computed.push_back(computeFinalMaster(engine, i, frequent));
    ZVfinalwrite written;
    for (auto _ : state) {
        written = writeFinalKerning(*s->bridge(), computed, state.range(0) != 0, 0);
        state.PauseTiming();
        NSRunLoop::mainRunLoop().drain();
        state.ResumeTiming();
    }
    std::size_t size = 0, flat = 0, pairs = 0;
    for (const ZVfinalreport &r : written.masters) {
        size += r.size;
        flat += r.flat_size;
        pairs += r.glyph_pairs + r.class_pairs;
    }
    state.SetLabel(state.range(0) ? "groups rebuilt" : "flat");
    state.counters["entries"] = static_cast<double>(pairs);
    state.counters["bytes"] = static_cast<double>(size);
    state.counters["ratio"] = flat ? static_cast<double>(size) / static_cast<double>(flat) : 1.0;
    counters(state);
}
BENCHMARK(BM_WriteThreeMastersGrouped)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GlyphTabRefresh(benchmark::State &state) {
    ZVsession *s = startedSample();
    if (!s) {
        state.SkipWithError("the sample family could not be started");
        return;
    }
    static std::unique_ptr<ZelvarPlugin> plugin = [s] {
        auto p = std::make_unique<ZelvarPlugin>();
        p->loadPlugin();
        p->showDialog(nullptr);
        NSRunLoop::mainRunLoop().drain();
        // The dialog shows the session's font, whose masters have started (the dialog, which
        // did not start them, left the font's bridge without a current master).
        p->setZvdata(s->bridge());
        GSFontMaster *first = s->font().fontMasters()[0];
        s->bridge()->setCurrentMaster(first);
        s->bridge()->get_zvfont()->set_current_master(first->id());
        return p;
    }();
    GSWindowController &w =
        *GSApplication::sharedApplication().currentFontDocument()->windowController();
    w.typeText("\nAV");
    w.selectLayerRange(w.activeEditViewController()->allLayers().size() - 2, 1);
    NSRunLoop::mainRunLoop().drain();
    plugin->zvdata()->getUiState();
    GSGlyph *glyph = s->font().glyphForName("A");
    for (auto _ : state) {
        plugin->updateGlyphTab();
        plugin->pairsToPopUp(plugin->glyphLPairs, glyph, 0);
        plugin->pairsToPopUp(plugin->glyphRPairs, glyph, 1);
    }
    const long pairs =
        plugin->glyphLPairs->numberOfItems() + plugin->glyphRPairs->numberOfItems() - 2;
    if (pairs <= 0)
        state.SkipWithError("the dialog shows no pairs: its engine is not ready");
    state.counters["pairs"] = static_cast<double>(pairs);
    counters(state);
}
BENCHMARK(BM_GlyphTabRefresh)->Unit(benchmark::kMillisecond);

} // namespace
