// The headless re-work road: the engine takes over a font that already has kerning, as the
// plug-in's activation does ("re-work the existing kerning"), and reports per master what it
// did and how far its kerning lies from the font's. Progress goes to standard error; --help lists
// the options.
#include "ZVcommandLine.h"
#include "ZVreport.h"
#include "ZVrework.h"

#include "engine/model/ZVautopairs.h"
#include "host/GSFontJSON.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>

namespace {

void report(ZVreworkRoad &road, const ZVreworkMaster &m, double units_per_em) {
    ZVfontMM &mm = road.mm();
    const ZVfont &f = mm.get_master(m.id);
    std::printf("\n%s (%s)\n", m.name.c_str(), m.id.c_str());
    const std::vector<ZVglyph_pair> models = mm.get_models(m.id);
    std::printf("  models picked: %zu", models.size());
    for (std::size_t i = 0; i < models.size(); ++i)
        std::printf("%s%s", i == 0 ? "  " : " ", ZVpairName(mm, models[i]).c_str());
    std::printf("\n  messages: %zu\n", f.feedbacks.list.size());
    for (const ZVfeedback &fb : f.feedbacks.list)
        std::printf("    - %s\n", ZVmessageWords(fb, *road.bridge,
                                                 road.bridge->gsfont()->fontMasterForId(m.id),
                                                 "      ")
                                      .c_str());
    const std::map<ZVglyph_pair, int> now = written_kerning(road, m.id);
    std::size_t kerned = 0;
    for (const auto &[pair, v] : now)
        kerned += v != 0;
    const ZVkerningDistance d = ZVkerningDistanceOf(m.existing, now, units_per_em);
    std::printf("  kerned pairs: %zu (of %zu written), existing kerned pairs: %zu\n", kerned,
                now.size(), m.existing.size());
    std::printf("  against the existing kerning: %zu pairs compared, mean |difference| %.2f "
                "units, %.1f%% within %.0f units\n",
                d.compared, d.meanDifference, d.percentWithin, d.tolerance);
    if (f.autopairs && !f.autopairs->records.empty())
        std::printf("  measurements kept: %.1f KB per frequent pair\n",
                    static_cast<double>(f.autopairs->kept_bytes()) / 1024.0 /
                        static_cast<double>(f.autopairs->records.size()));
    std::printf("  time: %.0f ms (start-up %.0f ms, kerning the frequent pairs %.0f ms)\n", m.ms,
                m.start_up_ms, m.ms - m.start_up_ms);
}

} // namespace

int main(int argc, char **argv) {
    std::string font_path = std::string(ZV_SAMPLES_DIR) + "/Lato.json";
    std::string bundle = ZV_BUNDLE_DIR;
    std::string out, dump;
    bool serial = false;
    ZVcommandLine line("zelvar_rework",
                       "Re-works the kerning a JSON font holds, as the plug-in does for a font it "
                       "never touched, with the engine alone, and prints per master its models, "
                       "messages and how far the new kerning lies from the font's.",
                       [&] { return ZVpluginVersionText(bundle); });
    line.fontArgument(font_path);
    line.option("--write", "OUT.json",
                "saves the font with the engine's kerning written over its own to OUT.json (the "
                "pairs the engine holds no value for keep theirs)",
                out);
    line.option("--dump", "STATE.txt",
                "writes every master's whole engine state as text (numbers in hexadecimal), to "
                "compare two runs with cmp",
                dump);
    line.flag("--serial", "runs the masters one at a time (else on worker threads)", serial);
    line.bundleOption(bundle);
    if (const std::optional<int> status = line.parse(argc, argv))
        return *status;
    const bool threads = !serial;
    if (line.refusesFont(font_path))
        return 1;
    ZVprogress progress(stderr);
    std::string error;
    // A place the font cannot be saved to is said now, not after every master has been re-worked.
    if (!out.empty() && !canWriteFontJSONFile(out, &error)) {
        std::fprintf(stderr, "zelvar_rework: %s\n", error.c_str());
        return 1;
    }
    std::optional<ZVreworkRoad> road = load_rework_road(font_path, bundle, error, &progress);
    if (!road) {
        std::fprintf(stderr, "zelvar_rework: %s\n", error.c_str());
        return 1;
    }
    if (!road->frequencies_from_file)
        std::printf("Note: no pair frequencies in the plug-in bundle %s; the font's own kerned "
                    "pairs of printable ASCII characters stand in for the frequent pairs, all with "
                    "one frequency.\n",
                    bundle.c_str());
    for (const GSFontMaster *m : road->font().fontMasters())
        if (const std::optional<std::string> why = road->bridge->whyMasterDoesNotStart(m))
            std::printf("%s\n", why->c_str());
    if (road->masters.empty()) {
        std::printf("%s has no master the engine can measure.\n", font_path.c_str());
        return 0;
    }
    std::printf("%s: %zu glyphs, %zu masters, %zu frequent pairs; loaded in %.0f ms\n",
                road->font().familyName().c_str(), road->mm().glyphsinfo.size(),
                road->masters.size(), road->frequent.size(), road->load_ms);
    for (const ZVemptiedOutline &e : road->bridge->emptiedOutlines()) {
        const GSFontMaster *m = road->font().fontMasterForId(e.master_id);
        std::printf("Left out (measured as an empty glyph, never kerned): %s in %s: %s\n",
                    e.glyph_name.c_str(), m ? m->name().c_str() : e.master_id.c_str(),
                    e.reason.c_str());
    }
    const auto start = std::chrono::steady_clock::now();
    run_rework_road(*road, threads, &progress);
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (const ZVreworkMaster &m : road->masters)
        report(*road, m, road->font().unitsPerEm());
    std::printf("\nAll masters %s: %.0f ms (%u cores)\n", threads ? "in parallel" : "one by one",
                wall, std::thread::hardware_concurrency());
    std::printf("Measurements and comparisons kept within %.0f MB for the font's %zu masters; "
                "%llu dropped measurements measured again\n",
                static_cast<double>(default_kept_budget()) / (1 << 20), road->mm().masters.size(),
                static_cast<unsigned long long>(ZVsource::measured_again_count()));
    if (!out.empty()) {
        std::vector<std::size_t> kept;
        if (!write_rework_road(*road, out, error, &kept)) {
            std::fprintf(stderr, "zelvar_rework: %s\n", error.c_str());
            return 1;
        }
        std::printf("Kerning written to %s; the font's entries left as they were (pairs the "
                    "engine holds no value for):",
                    out.c_str());
        for (std::size_t i = 0; i < kept.size(); ++i)
            std::printf("%s %s %zu", i ? "," : "", road->masters[i].name.c_str(), kept[i]);
        std::printf("\n");
    }
    if (!dump.empty()) {
        if (!dump_rework_road(*road, dump, error)) {
            std::fprintf(stderr, "zelvar_rework: %s\n", error.c_str());
            return 1;
        }
        std::printf("Engine state written to %s\n", dump.c_str());
    }
    return 0;
}
