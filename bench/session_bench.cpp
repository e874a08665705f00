// The designer's session on the sample family, as the main command runs it: the font opened, the
// engine built, every master started (Arg 1: one at a time; 0: all in parallel on worker threads),
// then every frequent pair of every master kerned and written. Each master's start-up and its
// kerning and writing are counters (seconds). Heavy: minutes and gigabytes; run it alone. The
// sample path can be overridden with ZV_SAMPLE=path/to/font.json.
#include "ZVsession.h"
#include "bridge/ZVResources.h"
#include "host/GSApplication.h"
#include "platform/NSAlert.h"
#include "platform/NSBundle.h"

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace {

void BM_SessionOnSample(benchmark::State &state) {
    NSBundle::registerBundleForClass(ZVPluginClassName, NSBundle::bundleWithPath(ZV_BUNDLE_DIR));
    static std::ostringstream alerts; // answered with their last button, as the command does
    NSAlertScript::answerLastButton(&alerts);
    const char *env = std::getenv("ZV_SAMPLE");
    const std::string path = env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
    GSApplication &app = GSApplication::sharedApplication();
    ZVsessionOptions options;
    options.serial = state.range(0) != 0;
    std::vector<ZVsessionMaster> masters;
    double startUpMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        GSDocument *doc = app.openDocumentWithContentsOfFile(path, nullptr);
        if (!doc) {
            state.SkipWithError("the sample family is missing");
            return;
        }
        state.ResumeTiming();
        {
            ZVsession session(*doc, options);
            if (session.activate()) {
                state.SkipWithError("the sample cannot be kerned");
                return;
            }
            session.waitForStartUp(std::chrono::hours(24));
            session.kernEveryMaster();
            masters = session.masters();
            startUpMs = session.startUpMs();
        }
        state.PauseTiming();
        app.closeDocument(doc);
        state.ResumeTiming();
    }
    for (const ZVsessionMaster &m : masters) {
        std::string key;
        for (char c : m.name)
            if (std::isalnum(static_cast<unsigned char>(c)))
                key += c;
        state.counters[key + "_start_s"] = m.startMs / 1000;
        state.counters[key + "_kern_s"] = m.kernMs / 1000;
    }
    state.counters["all_started_s"] = startUpMs / 1000;
    state.counters["cores"] = std::thread::hardware_concurrency();
    state.SetLabel(options.serial ? "masters one at a time" : "masters in parallel");
}

} // namespace

BENCHMARK(BM_SessionOnSample)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
