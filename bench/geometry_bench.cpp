// Side profiles of a whole master: what a font's opening costs per master.
#include "demo_font.h"
#include "engine/geometry/ZVglyphs.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace PLXlibNamespaceForZV;

namespace {

void BM_GlyphProfilesPerMaster(benchmark::State &state) {
    const zvtest::DemoFont font = zvtest::make_synthetic_font(static_cast<int>(state.range(0)));
    const double unit_scale = 225.0 / font.x_height;
    const int zone_height = static_cast<int>(std::ceil(font.cap_height * unit_scale));
    std::size_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<PLXglyph> outlines = font.outlines; // the constructor scales them in place
        state.ResumeTiming();
        ZVglyphs glyphs(outlines, font.info, unit_scale, zone_height);
        benchmark::DoNotOptimize(glyphs.max_width);
        rows = 0;
        for (const auto &g : glyphs.glyphs)
            rows += g.left.rows();
    }
    state.counters["glyphs"] = static_cast<double>(state.range(0));
    state.counters["rows_per_glyph"] =
        static_cast<double>(rows) / static_cast<double>(state.range(0));
}
BENCHMARK(BM_GlyphProfilesPerMaster)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_RasterizeGlyph(benchmark::State &state) {
    zvtest::DemoFont font = zvtest::make_synthetic_font(4);
    for (auto &g : font.outlines)
        g.scale_by(225.0 / font.x_height);
    for (auto _ : state)
        for (const auto &g : font.outlines)
            benchmark::DoNotOptimize(g.rasterized().left.data());
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_RasterizeGlyph);

} // namespace
