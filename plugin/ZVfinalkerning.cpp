#include "plugin/ZVfinalkerning.h"

#include <algorithm>
#include <cstdlib>

std::uint32_t counted_frequency(std::uint16_t frequency) {
    return frequency < ZV_MARKER_FREQUENCIES ? frequency : 1u;
}

bool is_never_dropped(const ZVkerningtarget &target) {
    return target.never_dropped || target.frequency == ZV_COMPOSITES_FREQUENCY ||
           target.frequency == ZV_COMPOSITES_USER_FREQUENCY;
}

ZVwrittenkerning flat_kerning(const std::vector<ZVkerningtarget> &targets) {
    ZVwrittenkerning out;
    out.glyph_entries.reserve(targets.size());
    for (const ZVkerningtarget &t : targets) {
        if (t.value == 0 && !t.keeps_zero)
            continue;
        const std::uint32_t f = counted_frequency(t.frequency);
        out.glyph_entries.push_back({t.pair, t.value,
                                     static_cast<std::int64_t>(f) * std::abs(t.value), f,
                                     is_never_dropped(t)});
    }
    std::sort(out.glyph_entries.begin(), out.glyph_entries.end(),
              [](const ZVkerningentry &a, const ZVkerningentry &b) { return a.pair < b.pair; });
    return out;
}

std::vector<ZVkerningtarget>
pairs_without_target(const std::vector<std::pair<ZVglyph_pair, std::int32_t>> &font_pairs,
                     const std::vector<ZVkerningtarget> &targets, std::size_t &replaced) {
    std::vector<ZVkerningtarget> out;
    std::size_t t = 0;
    for (const auto &[pair, value] : font_pairs) {
        while (t < targets.size() && targets[t].pair < pair)
            ++t;
        if (t < targets.size() && targets[t].pair == pair) {
            ++replaced;
            continue;
        }
        ZVkerningtarget o;
        o.pair = pair;
        o.value = value;
        o.frequency = ZV_UNKNOWN_FREQUENCY;
        o.keeps_zero = true;
        out.push_back(o);
    }
    return out;
}
