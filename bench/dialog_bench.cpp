// The dialog on the sample family, started from ten pairs that need no kerning, with a tab whose
// pairs are kerned: the whole refresh after typing one more glyph whose pairs are already kerned
// (the host's interface update through the dialog), and its parts one by one: the host state read
// by the bridge, the engine's pass over the tab's text, the host write of one pair, the pair
// tab's refresh, and one dump of the window. The sample path can be overridden with
// ZV_SAMPLE=path/to/font.json.
#include "ZVdesigner.h"

#include "bridge/ZVResources.h"
#include "host/GSApplication.h"
#include "host/GSEditViewController.h"
#include "host/GSFont.h"
#include "host/GSWindowController.h"
#include "platform/Describe.h"
#include "platform/NSBundle.h"
#include "plugin/ZelvarPlugin.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <sstream>

namespace {

// The tab typed before the measured glyph: ten pairs needing no kerning, a line of pairs that
// need it, and the cursor between the "T" and "o" of a last line, so that one more "o" makes only
// pairs the engine has kerned ("To" and "oo") and puts "oo" under the cursor.
constexpr const char *kSetUp = "open-dialog\nwait\nclick eraseExisting\nclick startUpButton\n"
                               "type HIHnHOHlnno\nwait\nclick activateZVbutton\nwait\n"
                               "dismiss\ntype \\nAVAToVoToo\nwait\nline To\nwait\n";

struct Session {
    GSDocument *document = nullptr;
    std::unique_ptr<ZVdesigner> designer;
    std::string error;
};

Session &session() {
    static Session s = [] {
        Session s;
        NSBundle::registerBundleForClass(ZVPluginClassName, NSBundle::bundleWithPath(ZV_BUNDLE_DIR));
        GSApplication::installMainMenu();
        const char *env = std::getenv("ZV_SAMPLE");
        const std::string path = env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
        s.document = GSApplication::sharedApplication().openDocumentWithContentsOfFile(path, &s.error);
        if (!s.document)
            return s;
        static std::ostringstream transcript;
        s.designer = std::make_unique<ZVdesigner>(*s.document, transcript, ZVdesignerOptions{});
        if (!s.designer->run(kSetUp, &s.error))
            s.designer.reset();
        return s;
    }();
    return s;
}

ZelvarPlugin *plugin(benchmark::State &state) {
    Session &s = session();
    if (!s.designer) {
        state.SkipWithError(("the sample could not be set up: " + s.error).c_str());
        return nullptr;
    }
    return &s.designer->plugin();
}

/// Types "o" at the cursor (a refresh runs), then, untimed, takes it away again
/// without telling anyone, so that every round types the same glyph into the same text.
void typeOneGlyph(benchmark::State &state, GSWindowController &w) {
    GSGraphicView &view = *w.activeEditViewController()->graphicView();
    const std::u16string before = view.string();
    const NSRange cursor = view.selectedRange();
    w.typeText("o");
    state.PauseTiming();
    view.setString(before);
    view.setSelectedRange(cursor);
    state.ResumeTiming();
}

void BM_DialogRefreshAfterTypingAKernedGlyph(benchmark::State &state) {
    ZelvarPlugin *p = plugin(state);
    if (!p)
        return;
    GSWindowController &w = *session().document->windowController();
    for (auto _ : state)
        typeOneGlyph(state, w);
}
BENCHMARK(BM_DialogRefreshAfterTypingAKernedGlyph)->Unit(benchmark::kMicrosecond);

void BM_DialogRefreshPart_HostStateRead(benchmark::State &state) {
    ZelvarPlugin *p = plugin(state);
    if (!p)
        return;
    for (auto _ : state)
        p->zvdata()->getUiState();
}
BENCHMARK(BM_DialogRefreshPart_HostStateRead)->Unit(benchmark::kMicrosecond);

void BM_DialogRefreshPart_Engine(benchmark::State &state) {
    ZelvarPlugin *p = plugin(state);
    if (!p)
        return;
    ZVDataToGlyphs &bridge = *p->zvdata();
    const std::vector<std::uint16_t> text = bridge.textInTab();
    const std::string master = bridge.currentMaster()->id();
    for (auto _ : state)
        benchmark::DoNotOptimize(bridge.get_zvfont()->set_required_text(text, master));
}
BENCHMARK(BM_DialogRefreshPart_Engine)->Unit(benchmark::kMicrosecond);

void BM_DialogRefreshPart_HostWriteOfOnePair(benchmark::State &state) {
    ZelvarPlugin *p = plugin(state);
    if (!p)
        return;
    ZVDataToGlyphs &bridge = *p->zvdata();
    const ZVsimplepair pair = bridge.get_zvfont()->get_pair(
        {bridge.zvIndexForGlyphName("o"), bridge.zvIndexForGlyphName("o")}, "");
    for (auto _ : state)
        bridge.singlePairToGlyphs(&pair);
}
BENCHMARK(BM_DialogRefreshPart_HostWriteOfOnePair)->Unit(benchmark::kMicrosecond);

void BM_DialogRefreshPart_PairTab(benchmark::State &state) {
    ZelvarPlugin *p = plugin(state);
    if (!p)
        return;
    for (auto _ : state)
        p->updatePairTabComplete();
}
BENCHMARK(BM_DialogRefreshPart_PairTab)->Unit(benchmark::kMicrosecond);

void BM_DialogDump(benchmark::State &state) {
    ZelvarPlugin *p = plugin(state);
    if (!p)
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(describe(*p->window()));
}
BENCHMARK(BM_DialogDump)->Unit(benchmark::kMicrosecond);

} // namespace
