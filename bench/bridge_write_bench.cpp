// The bridge's writing side on the sample family, its Regular master started as the plug-in starts
// a font whose kerning it re-works: the master's whole kerning written with its stored pair lists,
// one pair written, a tab of 50 glyphs kerned and written as the designer types it, and a side
// bearing of the base glyph most composites draw. The sample path can be overridden with
// ZV_SAMPLE=path/to/font.json. Runs the engine's start-up of one master first (a minute or so).
#include "bridge/ZVDataToGlyphs.h"
#include "bridge/ZVResources.h"
#include "host/GSApplication.h"
#include "platform/NSBundle.h"
#include "platform/NSRunLoop.h"

#include "base_glyph.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

// The sample open as a document with its bridge, once per program: the default groups stored,
// the master of index 1 (or the only one) started and shown, its first frequent pairs kerned; nullptr when the sample is missing.
struct Started {
    GSDocument *doc = nullptr;
    std::shared_ptr<ZVDataToGlyphs> bridge;
    GSFontMaster *master = nullptr;
    std::vector<ZVglyph_pair> frequent;
};

constexpr std::size_t kKerned = 7500;

Started *started() {
    static Started *s = []() -> Started * {
        NSBundle::registerBundleForClass(ZVPluginClassName,
                                         NSBundle::bundleWithPath(ZV_BUNDLE_DIR));
        const char *env = std::getenv("ZV_SAMPLE");
        const std::string path = env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
        auto *r = new Started;
        r->doc = GSApplication::sharedApplication().openDocumentWithContentsOfFile(path, nullptr);
        if (!r->doc)
            return nullptr;
        GSFont *font = r->doc->font();
        r->bridge = std::make_shared<ZVDataToGlyphs>(font);
        font->setTempData(r->bridge, ZVDataFromGlyphs::ZVDataKey);
        if (r->bridge->inspectGSFont())
            return nullptr;
        r->bridge->initZVfont();
        ZVfontMM &mm = *r->bridge->get_zvfont();
        mm.set_default_tracking_groups(ZVpathForResource("default_groups", "txt"));
        r->bridge->writeAllTrackingGroups();
        r->master = font->fontMasters()[font->countOfFontMasters() > 1 ? 1 : 0];
        r->doc->windowController()->setSelectedFontMaster(r->master);
        r->bridge->getUiState();
        for (GSFontMaster *m : r->bridge->beginInitialAutokerning({r->master}))
            r->bridge->initalAutokerningForMaster(m); // on the main thread: it ends at once
        NSRunLoop::mainRunLoop().drain();
        for (const auto &[pair, frequency] : mm.get_expanded_pairs())
            r->frequent.push_back(pair);
        // The first kKerned frequent pairs shown and kerned, as after a designer's first tabs:
        // the master then holds the kerning of some 7000 pairs.
        r->bridge->addPairsToNewTab(std::vector<ZVglyph_pair>(
            r->frequent.begin(),
            r->frequent.begin() + static_cast<std::ptrdiff_t>(std::min(kKerned, r->frequent.size()))));
        NSRunLoop::mainRunLoop().drain();
        r->bridge->getUiState();
        r->bridge->setRequiredText();
        NSRunLoop::mainRunLoop().drain();
        return r;
    }();
    return s;
}

Started *startedOrSkip(benchmark::State &state) {
    Started *s = started();
    if (!s)
        state.SkipWithError("the sample family is missing or cannot be kerned");
    else
        state.SetLabel(s->master->name());
    return s;
}

void counters(benchmark::State &state) {
    state.counters["cores"] = std::thread::hardware_concurrency();
}

// The current master's whole kerning replaced in the host, its pair lists stored.
void BM_WholeMasterWrite(benchmark::State &state) {
    Started *s = startedOrSkip(state);
    if (!s)
        return;
    for (auto _ : state) {
        s->bridge->zvfontToGlyphs();
        state.PauseTiming();
        NSRunLoop::mainRunLoop().drain(); // the delayed clear of the write's flag
        state.ResumeTiming();
    }
    const GSMasterKerning *k = s->doc->font()->masterKerning(s->master->id(), 0);
    std::size_t pairs = 0;
    if (k)
        for (const auto &[left, row] : *k)
            pairs += row.count();
    state.counters["pairs"] = static_cast<double>(pairs);
    counters(state);
}

// One pair of the current master written (a model's: the designer's edit reaching the host).
void BM_SinglePairWrite(benchmark::State &state) {
    Started *s = startedOrSkip(state);
    if (!s)
        return;
    ZVfontMM &mm = *s->bridge->get_zvfont();
    const std::vector<ZVglyph_pair> models = mm.get_models(s->master->id());
    if (models.empty()) {
        state.SkipWithError("the master has no models");
        return;
    }
    const ZVsimplepair pair = mm.get_pair(models.front(), s->master->id());
    for (auto _ : state) {
        s->bridge->singlePairToGlyphs(&pair);
        state.PauseTiming();
        NSRunLoop::mainRunLoop().drain();
        state.ResumeTiming();
    }
    counters(state);
}

// A new tab of 25 frequent pairs (50 glyphs) the engine has not kerned yet, each time: the tab's
// text handed to the engine, its pairs autokerned and written.
void BM_SetRequiredTextOfA50GlyphTab(benchmark::State &state) {
    Started *s = startedOrSkip(state);
    if (!s)
        return;
    if (s->frequent.size() <= kKerned) {
        state.SkipWithError("too few frequent pairs");
        return;
    }
    std::size_t next = 0;
    const std::size_t n = s->frequent.size() - kKerned; // the pairs not kerned yet
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ZVglyph_pair> pairs;
        for (int i = 0; i < 25; ++i, next += 997) // spread over the glyph table
            pairs.push_back(s->frequent[kKerned + next % n]);
        s->bridge->addPairsToNewTab(pairs);
        NSRunLoop::mainRunLoop().drain();
        s->bridge->getUiState();
        state.ResumeTiming();
        s->bridge->setRequiredText();
        state.PauseTiming();
        NSRunLoop::mainRunLoop().drain();
        state.ResumeTiming();
    }
    const std::vector<std::uint16_t> text = s->bridge->textInTab();
    state.counters["tab_glyphs"] = static_cast<double>(
        std::count_if(text.begin(), text.end(),
                      [](std::uint16_t g) { return g != PLXlibNamespaceForZV::ZV_NO_GLYPH; }));
    counters(state);
}

struct NumberField : ZVSidebearingField {
    double value = 0;
    double doubleValue() const override { return value; }
    std::string stringValue() const override { return std::to_string(value); }
};

// The left side bearing of the base glyph that most composites of the master draw, set to two
// numbers in turn: the host's layer, the engine's glyph and every composite measured anew.
void BM_AdjustSidebearingOfABaseGlyph(benchmark::State &state) {
    Started *s = startedOrSkip(state);
    if (!s)
        return;
    GSFont *font = s->doc->font();
    const std::string masterId = s->master->id();
    const auto [base, users] = mostUsedBaseGlyph(*font, masterId);
    GSLayer *layer = base->layerWithId(masterId);
    GSWindowController *wc = s->doc->windowController();
    GSEditViewController *tab = wc->activeEditViewController();
    wc->setActiveEditViewController(nullptr); // the font overview, where the selection is
    wc->setSelectedLayers({layer});
    s->bridge->getUiState();
    const double lsb = layer->LSB();
    NumberField field;
    bool moved = false;
    for (auto _ : state) {
        field.value = moved ? lsb : lsb + 2;
        moved = !moved;
        s->bridge->adjustSidebearing(field, 0);
        state.PauseTiming();
        NSRunLoop::mainRunLoop().drain();
        state.ResumeTiming();
    }
    field.value = lsb;
    s->bridge->adjustSidebearing(field, 0);
    NSRunLoop::mainRunLoop().drain();
    wc->setSelectedLayers({});
    wc->setActiveEditViewController(tab);
    state.SetLabel(s->master->name() + " " + base->name());
    state.counters["composites"] = static_cast<double>(users);
    counters(state);
}

} // namespace

BENCHMARK(BM_WholeMasterWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SinglePairWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetRequiredTextOfA50GlyphTab)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_AdjustSidebearingOfABaseGlyph)->Unit(benchmark::kMillisecond);
