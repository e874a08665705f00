// The window's gestures on the sample family after the re-work (three masters, 727 glyphs), as a
// designer plays them: undoing a change of a pair's kind, switching master and dismissing the
// message the other master shows, comparing with another open document, naming a new special
// spacing group, closing and reopening the window. Each round times the gesture alone, on the
// main thread, after untimed gestures that bring the window back to where the gesture starts;
// "wait_ms" counts what the host then runs until nothing is left (masters starting up in the
// background, the window answering meanwhile). Heavy: the re-work runs once first (a minute or
// more). The sample path can be overridden with ZV_SAMPLE=path/to/font.json.
#include "ZVdesigner.h"

#include "bridge/ZVResources.h"
#include "host/GSApplication.h"
#include "host/GSFontJSON.h"
#include "platform/NSBundle.h"
#include "plugin/ZelvarPlugin.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace {

constexpr const char *kSetUp = "open-dialog\nwait\nclick reuseExisting\nclick startUpButton\nwait\n"
                               "dismiss\nline AV\nwait\ndocument Second\nwait\ndocument first\n"
                               "wait\n";

struct Session {
    std::unique_ptr<ZVdesigner> designer;
    std::ostringstream transcript;
    std::string error;
};

Session &session() {
    static Session s;
    static const bool ready = [] {
        NSBundle::registerBundleForClass(ZVPluginClassName,
                                         NSBundle::bundleWithPath(ZV_BUNDLE_DIR));
        GSApplication::installMainMenu();
        GSApplication &app = GSApplication::sharedApplication();
        const char *env = std::getenv("ZV_SAMPLE");
        static const std::string path = env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
        GSDocument *document = app.openDocumentWithContentsOfFile(path, &s.error);
        if (!document)
            return false;
        ZVdesignerOptions options;
        options.times = false;
        options.openCopy = [&app](const std::string &name) -> GSDocument * {
            GSFontReadResult read = readFontJSONFile(path);
            if (!read)
                throw std::runtime_error(read.error);
            return app.openDocument(std::move(read.font), name);
        };
        s.designer = std::make_unique<ZVdesigner>(*document, s.transcript, options);
        if (!s.designer->run(kSetUp, &s.error)) {
            s.designer.reset();
            return false;
        }
        return true;
    }();
    (void)ready;
    return s;
}

/// Plays `before` untimed, `gesture` timed, then waits untimed (counted in "wait_ms").
void play(benchmark::State &state, const std::string &before, const std::string &gesture) {
    Session &s = session();
    if (!s.designer) {
        state.SkipWithError(("the sample could not be set up: " + s.error).c_str());
        return;
    }
    double waited = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!before.empty() && !s.designer->run(before, &s.error)) {
            state.SkipWithError(s.error.c_str());
            return;
        }
        state.ResumeTiming();
        if (!s.designer->run(gesture, &s.error)) {
            state.SkipWithError(s.error.c_str());
            return;
        }
        state.PauseTiming();
        const auto t0 = std::chrono::steady_clock::now();
        s.designer->run("wait\n", &s.error);
        waited += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                      .count();
        s.transcript.str({}); // nothing of it is read
        state.ResumeTiming();
    }
    state.counters["wait_ms"] = benchmark::Counter(waited, benchmark::Counter::kAvgIterations);
}

void BM_GestureUndoPairKind(benchmark::State &state) {
    play(state, "dismiss\nsegment pairType 0 +option\nwait\n", "choose gearMenu Undo\n");
}
BENCHMARK(BM_GestureUndoPairKind)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

// The other master's message dismissed just after switching to it: the engine chooses that
// master's suggestions again.
void BM_GestureSwitchMasterAndDismiss(benchmark::State &state) {
    play(state, "master Regular\nwait\nmaster Hairline\nwait\n",
         "master Regular\nclick messageCloseButton\n");
}
BENCHMARK(BM_GestureSwitchMasterAndDismiss)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4)
    ->UseRealTime();

void BM_GestureCompare(benchmark::State &state) {
    play(state, "", "choose compareToPopUp Second\n");
}
BENCHMARK(BM_GestureCompare)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

void BM_GestureNewGroup(benchmark::State &state) {
    play(state, "master Hairline\nwait\nline n-\nwait\ndismiss\nname-group Hyphens\n",
         "choose glyphTrackingGroupPopUpR New group…\n");
}
BENCHMARK(BM_GestureNewGroup)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

void BM_GestureReopen(benchmark::State &state) { play(state, "", "close\nopen-dialog\n"); }
BENCHMARK(BM_GestureReopen)->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();

} // namespace
