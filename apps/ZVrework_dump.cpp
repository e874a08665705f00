// A dump of every master's engine state after the road, for comparing two builds or two runs
// (serial, threaded) bit for bit with diff.
#include "ZVrework.h"

#include "engine/font/ZVfont_state.h"

#include <cstdio>

bool dump_rework_road(const ZVreworkRoad &road, const std::string &path, std::string &error) {
    std::FILE *out = std::fopen(path.c_str(), "w");
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    for (const ZVfont &f : road.mm().masters) {
        const std::string text = engine_state(f);
        std::fwrite(text.data(), 1, text.size(), out);
    }
    const bool ok = std::fclose(out) == 0;
    if (!ok)
        error = "cannot write " + path;
    return ok;
}
