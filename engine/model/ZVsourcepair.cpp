#include "engine/model/ZVsourcepair.h"

#include "engine/model/ZVautopair.h"
#include "engine/model/ZVmodelpair.h"

#include <algorithm>
#include <cmath>

ZVsourcepair::ZVsourcepair(const ZVsimplepair &head, const PLXlibNamespaceForZV::ZVglyph &left,
                           const PLXlibNamespaceForZV::ZVglyph &right, unsigned n)
    : ZVpair(head) {
    update_properties_from_glyphs(left, right);
    sources.emplace_back().update_from_glyphs(left, right, n, value);
}

const ZVsource &ZVsourcepair::current_source() const {
    static const ZVsource empty;
    return sources.empty() ? empty : sources.back();
}

ZVUIpair ZVsourcepair::min_max_span_info(const ZVmix &mix,
                                         const std::vector<ZVmodelpair> &models) const {
    static const ZVsource no_source;
    const ZVsource *source = sources.empty() ? &no_source : &sources.front();
    for (const ZVsource &s : sources)
        if (std::fabs(s.value - value) < std::fabs(source->value - value))
            source = &s;

    ZVpair w = *this;
    w.value = source->value;
    w.value_min = ZV_NO_LOWER_BOUND;
    w.value_max = ZV_NO_VALUE;
    const ZVgraph graph(*source, mix);
    const double own_tracking = custom_tracking(mix, left_group, right_group);
    const ZVmodelpair *lower = nullptr, *upper = nullptr;
    std::vector<float> scratch;
    for (const ZVmodelpair &m : models) {
        if (m.indices == indices)
            continue;
        const float before_min = w.value_min, before_max = w.value_max;
        w.adjust_values(m, graph, mix, scratch, false);
        scratch.clear();
        // A model in a more strongly tracked group does not limit the span.
        if (custom_tracking(mix, m.left_group, m.right_group) <= own_tracking) {
            if (w.value_min != before_min)
                lower = &m;
            if (w.value_max != before_max)
                upper = &m;
        } else {
            w.value_min = before_min;
            w.value_max = before_max;
        }
    }

    float lo = w.value_min, hi = w.value_max;
    if (hi < lo) {
        // Crossed bounds: the model that set the upper bound now limits the lower one.
        std::swap(lo, hi);
        std::swap(lower, upper);
    }
    if (properties.kind() == ZV_USER_SET_AUTO) {
        lo = std::min(lo, value_min);
        hi = std::max(hi, value_max);
    }
    const float v = value, f = -0.5f * depth;
    lo = std::max(lo, f);
    hi = std::max(hi, f);
    lo = std::max(lo, v - 105);
    hi = std::min(hi, v + 105);
    // A bound widened to hold the pair's own value is set by no model (nor by the clash limit).
    const bool lo_widened = v < lo;
    if (lo_widened) {
        lo = v;
        lower = nullptr;
    }
    if (v > hi) {
        hi = v;
        upper = nullptr;
    }

    ZVUIpair info;
    info.indices = indices;
    info.value = v;
    info.value_min = lo;
    info.value_max = hi;
    info.frequency = frequency;
    info.properties = properties;
    if (lo == f && !lo_widened)
        info.influencer_min_indices = {65534, 65534};
    else if (lower)
        info.influencer_min_indices = lower->indices;
    if (upper)
        info.influencer_max_indices = upper->indices;
    info.if_autokerned = ZV_NO_VALUE;
    static constexpr std::uint8_t kind_flag[4] = {0, 2, 4, 1};
    info.flags = static_cast<std::uint8_t>(8 + kind_flag[properties.kind()]);
    return info;
}

ZVsimplepair ZVsourcepair::if_autokerned(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                         const PLXlibNamespaceForZV::ZVglyphs &glyphs) const {
    ZVautopair copy(*this);
    copy.properties.set_kind(ZV_USER_SET_AUTO);
    copy.autokerned(mix, models, glyphs);
    return copy;
}
