// Opening the sample family: reading the JSON file, and per master the outline conversion plus
// the side profiles. The sample path can be overridden with ZV_SAMPLE=path/to/font.json.
#include "bridge/ZVDataFromGlyphs.h"
#include "engine/geometry/ZVglyphs.h"
#include "host/GSFontJSON.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>

using namespace PLXlibNamespaceForZV;

namespace {

std::string samplePath() {
    const char *env = std::getenv("ZV_SAMPLE");
    return env ? env : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
}

GSFont *sample() {
    static const std::unique_ptr<GSFont> font = readFontJSONFile(samplePath()).font;
    return font.get();
}

// A bridge on the sample with its glyph table, for the outline conversion.
ZVDataFromGlyphs &sampleBridge() {
    static const std::unique_ptr<ZVDataFromGlyphs> bridge = [] {
        auto b = std::make_unique<ZVDataFromGlyphs>(sample());
        b->initGlyphsinfo();
        return b;
    }();
    return *bridge;
}

void BM_LoadSample(benchmark::State &state) {
    if (!sample()) {
        state.SkipWithError("the sample family is missing");
        return;
    }
    for (auto _ : state) {
        GSFontReadResult r = readFontJSONFile(samplePath());
        benchmark::DoNotOptimize(r.font.get());
    }
}
BENCHMARK(BM_LoadSample)->Unit(benchmark::kMillisecond);

void BM_SaveSample(benchmark::State &state) {
    if (!sample()) {
        state.SkipWithError("the sample family is missing");
        return;
    }
    for (auto _ : state) {
        std::string text = writeFontJSON(*sample());
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_SaveSample)->Unit(benchmark::kMillisecond);

// Arg: master index. Conversion alone.
void BM_ConvertMaster(benchmark::State &state) {
    const GSFont *font = sample();
    if (!font || static_cast<std::size_t>(state.range(0)) >= font->countOfFontMasters()) {
        state.SkipWithError("the sample family is missing");
        return;
    }
    const GSFontMaster &master = *font->fontMasters()[static_cast<std::size_t>(state.range(0))];
    for (auto _ : state) {
        auto outlines = sampleBridge().outlinesForMaster(&master);
        benchmark::DoNotOptimize(outlines.data());
    }
    state.SetLabel(master.name());
}
BENCHMARK(BM_ConvertMaster)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// Arg: master index. Conversion plus side profiles, what opening a font costs per master.
void BM_ConvertAndProfilesPerMaster(benchmark::State &state) {
    const GSFont *font = sample();
    if (!font || static_cast<std::size_t>(state.range(0)) >= font->countOfFontMasters()) {
        state.SkipWithError("the sample family is missing");
        return;
    }
    const GSFontMaster &master = *font->fontMasters()[static_cast<std::size_t>(state.range(0))];
    const ZVglyphsinfo &info = sampleBridge().get_zvfont()->glyphsinfo;
    const double unit_scale = 225.0 / master.defaultXHeight();
    const int zone_height = static_cast<int>(std::ceil(master.defaultCapHeight() * unit_scale));
    for (auto _ : state) {
        auto outlines = sampleBridge().outlinesForMaster(&master);
        ZVglyphs glyphs(outlines, info, unit_scale, zone_height);
        benchmark::DoNotOptimize(glyphs.max_width);
    }
    state.SetLabel(master.name());
}
BENCHMARK(BM_ConvertAndProfilesPerMaster)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

} // namespace
