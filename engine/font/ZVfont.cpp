// Construction and moving of a master, and the cache access that editing and queries share.
#include "engine/font/ZVfont.h"

#include <algorithm>
#include <cmath>

using PLXlibNamespaceForZV::PLXglyph;
using PLXlibNamespaceForZV::ZVglyphs;
using PLXlibNamespaceForZV::ZVglyphsinfo;

namespace {

bool by_right(const ZVsimplepair &a, const ZVsimplepair &b) {
    return a.indices.second < b.indices.second;
}

} // namespace

ZVfont::ZVfont() { cache.sorted = true; }

ZVfont::ZVfont(const std::string &id, master_status s, std::vector<PLXglyph> &outlines,
               const ZVglyphsinfo &table, const std::vector<ZVminipair> &pairs, int cap_height,
               int x_height)
    : name(id), status(s) {
    cache.sorted = true;
    // A master without a usable x-height cannot be measured: scaling by it would put infinities
    // into every profile, so it is kept like a linked-metrics master.
    if (status == linked_metrics || x_height <= 0) {
        if (x_height <= 0)
            status = linked_metrics;
        return;
    }
    // One list per glyph of the table, so that every glyph index the engine meets has a list
    // even when fewer outlines were given.
    cache.lists.assign(std::max(table.size(), outlines.size()), {});
    cache.valid = true;
    unit_scale = 225.0 / x_height;
    cache.scale = 1.0 / unit_scale;
    glyphs =
        ZVglyphs(outlines, table, unit_scale, static_cast<int>(std::ceil(cap_height * unit_scale)));
    independents.reserve(pairs.size());
    for (const ZVminipair &m : pairs) {
        ZVsimplepair p;
        p.indices = {m.left, m.right};
        p.value = p.value_min = p.value_max = m.value;
        p.frequency = ZV_UNKNOWN_FREQUENCY;
        p.properties.set_kind(ZV_INDEPENDENT);
        independents.push_back(p);
    }
}

ZVfont::ZVfont(const std::string &id, std::vector<PLXglyph> &outlines, const ZVglyphsinfo &table,
               std::vector<ZVminipair> &model_pairs,
               const std::vector<ZVminipair> &independent_pairs, int cap_height, int x_height)
    : ZVfont(id, self_kerned, outlines, table, independent_pairs, cap_height, x_height) {
    if (status == linked_metrics)
        return;
    for (ZVminipair &m : model_pairs)
        m.value = static_cast<float>(m.value * unit_scale);
    static_cast<ZVsourcepairs &>(models) = ZVsourcepairs(model_pairs);
    // The independent list wins: a pair is never a model and an independent pair at once.
    for (const ZVminipair &m : independent_pairs)
        if (models.remove_pair({m.left, m.right}, false))
            models.sort_pairs();
    if (!has_models()) {
        status = untouched;
        cache.valid = false;
    }
}

void ZVfont::sort_cache() {
    if (cache.sorted)
        return;
    for (auto &list : cache.lists)
        std::sort(list.begin(), list.end(), by_right);
    cache.sorted = true;
}

void ZVfont::freshen_cache() {
    if (status != interpolated && (!cache.valid || glyphs.glyphs.empty()))
        refill_cache();
    else
        sort_cache();
}

ZVsimplepair ZVfont::lookup(ZVglyph_pair pair) {
    // A search by halves needs sorted lists.
    sort_cache();
    if (const ZVsimplepair *p = cache.find(pair))
        return *p;
    return no_pair_record();
}
