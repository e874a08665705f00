// The headless road: builds the glyph table and side profiles of a font and prints a summary.
//
// Usage: zelvar [default_groups.txt]
#include "demo_font.h"
#include "engine/geometry/ZVglyphs.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

using namespace PLXlibNamespaceForZV;

int main(int argc, char **argv) {
    const std::string groups_path =
        argc > 1 ? argv[1] : std::string(ZV_RESOURCES_DIR) + "/default_groups.txt";

    zvtest::DemoFont font = zvtest::make_demo_font();
    const auto start = std::chrono::steady_clock::now();
    font.info.set_default_tracking_groups(groups_path);
    const double unit_scale = 225.0 / font.x_height; // the engine measures an x-height as 225
    const int zone_height = static_cast<int>(std::ceil(font.cap_height * unit_scale));
    const ZVglyphs glyphs(font.outlines, font.info, unit_scale, zone_height);
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

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
