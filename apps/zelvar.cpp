// The headless road: loads a font family, converts every glyph of every master, builds each
// master's glyph table and side profiles, and prints a summary per master; --demo does the same
// for the small font drawn in code. --help lists the options.
#include "ZVcommandLine.h"
#include "bridge/ZVDataFromGlyphs.h"
#include "demo_font.h"
#include "engine/geometry/ZVglyphs.h"
#include "host/GSFontJSON.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

using namespace PLXlibNamespaceForZV;

namespace {

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

int runDemo(const std::string &groups_path) {
    zvtest::DemoFont font = zvtest::make_demo_font();
    const auto start = std::chrono::steady_clock::now();
    font.info.set_default_tracking_groups(groups_path);
    const double unit_scale = 225.0 / font.x_height; // the engine measures an x-height as 225
    const int zone_height = static_cast<int>(std::ceil(font.cap_height * unit_scale));
    const ZVglyphs glyphs(font.outlines, font.info, unit_scale, zone_height);
    const double ms = msSince(start);

    std::size_t with_rows = 0, symmetric = 0, min_rows = SIZE_MAX, max_rows = 0;
    for (const ZVglyph &g : glyphs.glyphs) {
        if (g.left.empty())
            continue;
        ++with_rows;
        symmetric += g.symmetric;
        min_rows = std::min(min_rows, g.left.rows());
        max_rows = std::max(max_rows, g.left.rows());
    }
    std::printf("Demo font: %zu glyphs, %zu with outlines, %zu symmetric\n", glyphs.glyphs.size(),
                with_rows, symmetric);
    std::printf("Engine scale %.3f (x-height %d -> 225 units), zone height %d\n", unit_scale,
                font.x_height, zone_height);
    if (with_rows)
        std::printf("Rows per glyph: %zu to %zu\n", min_rows, max_rows);
    std::printf("Search width: %d engine units\n", glyphs.max_width);
    std::printf("Built in %.2f ms\n\n", ms);

    std::printf("%-12s %6s %6s %6s  %s\n", "glyph", "width", "left", "right", "groups L/R");
    for (const ZVglyph &g : glyphs.glyphs) {
        auto depth = [](const ZVprofile &p) { return p.empty() ? 0.0 : p.min_depth; };
        std::printf("%-12s %6.1f %6.1f %6.1f  %d/%d\n", g.name.c_str(), g.width, depth(g.left),
                    depth(g.right), g.tracking_group[0], g.tracking_group[1]);
    }
    std::printf("\nSpecial spacing groups (from %s):\n%s", groups_path.c_str(),
                font.info.get_special_spacing_info("").c_str());
    return 0;
}

int runFont(const std::string &path, const std::string &groups_path) {
    auto start = std::chrono::steady_clock::now();
    const GSFontReadResult read = readFontJSONFile(path);
    if (!read) {
        std::fprintf(stderr, "zelvar: %s\n", read.error.c_str());
        return 1;
    }
    GSFont &font = *read.font;
    std::printf("%s: %zu glyphs, %zu masters, loaded in %.1f ms\n", font.familyName().c_str(),
                font.countOfGlyphs(), font.countOfFontMasters(), msSince(start));

    ZVDataFromGlyphs bridge(&font);
    bridge.initGlyphsinfo();
    ZVglyphsinfo info = bridge.get_zvfont()->glyphsinfo;
    info.set_default_tracking_groups(groups_path);

    std::printf("%-12s %7s %8s %13s %10s %10s\n", "master", "glyphs", "pairs", "search width",
                "convert", "profiles");
    for (const GSFontMaster *master : font.fontMasters()) {
        const double x_height = master->defaultXHeight();
        if (!(x_height > 0 && x_height <= 22000)) {
            std::printf("%-12s x-height %g is not usable; skipped\n", master->name().c_str(),
                        x_height);
            continue;
        }
        start = std::chrono::steady_clock::now();
        std::vector<PLXglyph> outlines = bridge.outlinesForMaster(master);
        const double convert_ms = msSince(start);
        start = std::chrono::steady_clock::now();
        const double unit_scale = 225.0 / x_height; // the engine measures an x-height as 225
        const int zone_height =
            static_cast<int>(std::ceil(master->defaultCapHeight() * unit_scale));
        const ZVglyphs glyphs(outlines, info, unit_scale, zone_height);
        const double profile_ms = msSince(start);

        std::size_t pairs = 0;
        if (const GSMasterKerning *kerning = font.masterKerning(master->id(), 0))
            for (const auto &[left, row] : *kerning)
                pairs += row.count();
        std::printf("%-12s %7zu %8zu %13d %7.1f ms %7.1f ms\n", master->name().c_str(),
                    glyphs.glyphs.size(), pairs, glyphs.max_width, convert_ms, profile_ms);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    std::string font_path, groups_path = std::string(ZV_RESOURCES_DIR) + "/default_groups.txt";
    bool demo = false;
    ZVcommandLine line("zelvar",
                       "Prints per master of a JSON font what the engine measures before any "
                       "kerning: its glyphs, kerning pairs, search width and how long the outlines "
                       "and side profiles took.",
                       [] { return ZVpluginVersionText(ZV_BUNDLE_DIR); });
    line.fontArgument(font_path);
    line.argument("GROUPS.txt",
                  "the special spacing groups to start from (default: resources/default_groups.txt)",
                  groups_path);
    line.flag("--demo", "the small font drawn in code instead of a JSON font (then GROUPS.txt "
                        "comes first)",
              demo);
    if (const std::optional<int> status = line.parse(argc, argv))
        return *status;
    if (demo)
        return runDemo(font_path.empty() ? groups_path : font_path);
    if (font_path.empty()) {
        font_path = std::string(ZV_SAMPLES_DIR) + "/Lato.json";
        if (!std::filesystem::exists(font_path)) {
            std::printf("The sample family %s is not here; showing the demo font instead.\n\n",
                        font_path.c_str());
            return runDemo(groups_path);
        }
    }
    if (line.refusesFont(font_path))
        return 1;
    return runFont(font_path, groups_path);
}
