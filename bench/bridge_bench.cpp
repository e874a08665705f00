// The bridge on the sample family: the engine build (whole and per step), the host state read on
// every interface update with a 1000-glyph tab, and an outline edit of a base glyph with many
// composites. The sample path can be overridden with ZV_SAMPLE=path/to/font.json.
#include "bridge/ZVDataFromGlyphs.h"
#include "bridge/ZVResources.h"
#include "host/GSApplication.h"
#include "platform/NSBundle.h"

#include "base_glyph.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <thread>

namespace {

std::string samplePath() {
    const char *env = std::getenv("ZV_SAMPLE");
    return env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
}

// The sample open as a document, once per program, with the build's plug-in bundle.
GSDocument *sampleDocument() {
    static GSDocument *doc = [] {
        NSBundle::registerBundleForClass(ZVPluginClassName,
                                         NSBundle::bundleWithPath(ZV_BUNDLE_DIR));
        return GSApplication::sharedApplication().openDocumentWithContentsOfFile(samplePath(),
                                                                                 nullptr);
    }();
    return doc;
}

// The sample's master of the benchmark's argument, or nullptr (the run is skipped).
const GSFontMaster *argumentMaster(benchmark::State &state) {
    GSDocument *doc = sampleDocument();
    const auto i = static_cast<std::size_t>(state.range(0));
    if (!doc || i >= doc->font()->countOfFontMasters()) {
        state.SkipWithError("the sample family is missing");
        return nullptr;
    }
    state.SetLabel(doc->font()->fontMasters()[i]->name());
    return doc->font()->fontMasters()[i];
}

void counters(benchmark::State &state) {
    state.counters["cores"] = std::thread::hardware_concurrency();
}

void BM_InitZVfont(benchmark::State &state) {
    GSDocument *doc = sampleDocument();
    if (!doc) {
        state.SkipWithError("the sample family is missing");
        return;
    }
    for (auto _ : state) {
        auto bridge = std::make_unique<ZVDataFromGlyphs>(doc->font());
        bridge->inspectGSFont();
        bridge->initZVfont();
        benchmark::DoNotOptimize(bridge->get_zvfont()->masters.data());
        state.PauseTiming(); // the engine is freed outside the measurement
        bridge.reset();
        state.ResumeTiming();
    }
    counters(state);
}

void BM_GlyphTable(benchmark::State &state) {
    GSDocument *doc = sampleDocument();
    if (!doc) {
        state.SkipWithError("the sample family is missing");
        return;
    }
    ZVDataFromGlyphs bridge(doc->font());
    for (auto _ : state) {
        bridge.get_zvfont()->glyphsinfo = {};
        bridge.initGlyphsinfo();
        benchmark::DoNotOptimize(bridge.get_zvfont()->glyphsinfo.size());
    }
    counters(state);
}

void BM_Substitutions(benchmark::State &state) {
    GSDocument *doc = sampleDocument();
    if (!doc) {
        state.SkipWithError("the sample family is missing");
        return;
    }
    ZVDataFromGlyphs bridge(doc->font());
    bridge.initGlyphsinfo();
    bridge.addPairsForCompositesPairs();
    const PLXlibNamespaceForZV::ZVglyphsinfo table = bridge.get_zvfont()->glyphsinfo;
    for (auto _ : state) {
        state.PauseTiming();
        bridge.get_zvfont()->features.features.clear();
        bridge.get_zvfont()->glyphsinfo._category_for_index = table._category_for_index;
        state.ResumeTiming();
        bridge.initOTFeatures();
        benchmark::DoNotOptimize(bridge.get_zvfont()->features.features.data());
    }
    counters(state);
}

// Arg: master index.
void BM_MasterOutlines(benchmark::State &state) {
    const GSFontMaster *master = argumentMaster(state);
    if (!master)
        return;
    ZVDataFromGlyphs bridge(master->font());
    bridge.initGlyphsinfo();
    for (auto _ : state) {
        auto outlines = bridge.outlinesForMaster(master);
        benchmark::DoNotOptimize(outlines.data());
    }
    counters(state);
}

// Arg: master index. Its existing kerning read on the frequent pairs (an untouched font's).
void BM_MasterExistingKerning(benchmark::State &state) {
    const GSFontMaster *master = argumentMaster(state);
    if (!master)
        return;
    ZVDataFromGlyphs bridge(master->font());
    bridge.inspectGSFont();
    bridge.initZVfont();
    for (auto _ : state) {
        auto existing = bridge.existingKerningFromMaster(master);
        benchmark::DoNotOptimize(existing.size());
    }
    counters(state);
}

// The state read on every host interface update, with a tab of 1000 glyphs and the cursor moving
// between two places (so that the pair at the cursor changes each time).
void BM_UiStateAndTabText(benchmark::State &state) {
    GSDocument *doc = sampleDocument();
    if (!doc) {
        state.SkipWithError("the sample family is missing");
        return;
    }
    GSWindowController *wc = doc->windowController();
    std::string text;
    const std::string letters = "Hamburgefonstiv AVATARS Typewriter 0123456789 ";
    for (std::size_t i = 0; text.size() < 1000; ++i)
        text += letters[i % letters.size()];
    GSEditViewController *tab = wc->addTabWithString(text);
    for (std::size_t i = 0; i < wc->toolInstances().size(); ++i)
        if (wc->toolInstances()[i].className == "GlyphsToolText")
            wc->setSelectedToolIndex(i);
    auto bridge = std::make_shared<ZVDataFromGlyphs>(doc->font());
    doc->font()->setTempData(bridge, ZVDataFromGlyphs::ZVDataKey);
    bridge->inspectGSFont();
    bridge->initZVfont();
    std::size_t n = 0, cursor = 0;
    for (auto _ : state) {
        cursor = cursor == 500 ? 501 : 500;
        tab->graphicView()->setCachedLayerSelectionRange({cursor, 0});
        bridge->getUiState();
        n += bridge->textInTab().size();
    }
    benchmark::DoNotOptimize(n);
    state.counters["tab_glyphs"] = static_cast<double>(tab->allLayers().size());
    counters(state);
    doc->font()->setTempData(nullptr, ZVDataFromGlyphs::ZVDataKey);
    wc->setActiveEditViewController(nullptr);
}

// An outline edit of the base glyph that the most composites of the first master draw: the glyph
// and every composite are converted and measured again (the master untouched: profiles only).
void BM_OutlineEditOfABaseGlyph(benchmark::State &state) {
    GSDocument *doc = sampleDocument();
    if (!doc) {
        state.SkipWithError("the sample family is missing");
        return;
    }
    GSFont *font = doc->font();
    const std::string masterId = font->fontMasters()[0]->id();
    const auto [base, users] = mostUsedBaseGlyph(*font, masterId);
    auto bridge = std::make_shared<ZVDataFromGlyphs>(font);
    font->setTempData(bridge, ZVDataFromGlyphs::ZVDataKey);
    bridge->inspectGSFont();
    bridge->initZVfont();
    GSLayer *layer = base->layerWithId(masterId);
    for (auto _ : state)
        bridge->updateZvfontWithModifiedLayer(layer);
    state.SetLabel(base->name());
    state.counters["composites"] = static_cast<double>(users);
    counters(state);
    font->setTempData(nullptr, ZVDataFromGlyphs::ZVDataKey);
}

} // namespace

BENCHMARK(BM_InitZVfont)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GlyphTable)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Substitutions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MasterOutlines)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MasterExistingKerning)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UiStateAndTabText)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OutlineEditOfABaseGlyph)->Unit(benchmark::kMillisecond);
