// A master that takes over another master's engine, is interpolated from other masters, or
// becomes independent again; and the list of its kerning changes.
#include "engine/font/ZVfont.h"

#include <algorithm>
#include <cmath>

using PLXlibNamespaceForZV::ZV_NO_GLYPH;
using PLXlibNamespaceForZV::ZVglyphs;

namespace {

const ZVfont *find_master(const std::vector<ZVfont> &masters, const std::string &id) {
    for (const ZVfont &m : masters)
        if (m.name == id)
            return &m;
    return masters.empty() ? nullptr : &masters.front();
}

bool is_independent(const std::vector<ZVsimplepair> &list, ZVglyph_pair p) {
    return std::any_of(list.begin(), list.end(),
                       [&](const ZVsimplepair &s) { return s.indices == p; });
}

} // namespace

void ZVfont::set_engine(const ZVfont &other) {
    undo_stack.clear();
    for (auto &list : cache.lists)
        list.clear();
    cache.sorted = true;
    details_memo.clear(); // the other master's records describe its own pairs
    if (autopairs && models.size() != 0)
        autopairs->set_autos(models.to_indices(), cache, independents, glyphs, models);
    if (&other != this)
        models = other.models;
    const std::vector<std::uint16_t> map = make_glyph_index_map(other.glyphs, glyphs);
    if (models.size() != 0) {
        models.determine_mix_and_modelpairs(false);
        static_cast<ZVsourcepairs &>(models) = ZVsourcepairs();
        models.models_feedbacks.list.clear();
    }
    taken_over_modelpairs.clear();
    for (const ZVmodelpair &p : models.modelpairs.pairs) {
        const std::uint16_t l = p.indices.first < map.size() ? map[p.indices.first] : ZV_NO_GLYPH;
        const std::uint16_t r = p.indices.second < map.size() ? map[p.indices.second] : ZV_NO_GLYPH;
        if (l != ZV_NO_GLYPH && r != ZV_NO_GLYPH)
            taken_over_modelpairs.push_back({l, r});
    }
    cache.lists.assign(glyphs.glyphs.size(), {});
    // A valid empty cache would erase the master's kerning at the next whole-master write.
    cache.valid = false;
}

void ZVfont::set_interpolated(const std::vector<std::pair<double, std::string>> &sources,
                              const std::vector<ZVfont> &masters) {
    undo_stack.clear();
    for (auto &list : cache.lists)
        list.clear();
    cache.sorted = true;
    cache.valid = false;
    details_memo.clear();
    if (!sources.empty()) {
        interpolation_sources = sources;
        status = interpolated;
        return;
    }
    if (!has_models() && !interpolation_sources.empty()) {
        size_tracking_vectors();
        const auto largest = std::max_element(
            interpolation_sources.begin(), interpolation_sources.end(),
            [](const auto &a, const auto &b) { return a < b; }); // ties: the greater id
        const ZVfont *base = find_master(masters, largest->second);
        if (base && base->started_up()) {
            // Every value first: a source may be this master itself.
            std::vector<ZVminipair> built;
            for (const ZVsourcepair &p : base->models.pairs) {
                if (p.indices.first >= ZV_NO_GLYPH || p.indices.second >= ZV_NO_GLYPH ||
                    !kernable(p.indices))
                    continue;
                double v = 0;
                for (const auto &[weight, id] : interpolation_sources) {
                    const ZVfont *m = find_master(masters, id);
                    if (m && m->started_up())
                        v += weight * m->get_value_unscaled(p.indices);
                }
                built.push_back({p.indices.first, p.indices.second, static_cast<float>(v)});
            }
            for (const ZVminipair &m : built)
                models.add_pair_as_model(m, glyphs);
            reset_modelpairs();
        }
    }
    interpolation_sources.clear();
    if (autopairs)
        for (const ZVsourcepair &p : models.pairs)
            autopairs->deactivate_pair(p.indices);
    status = kerned;
}

float ZVfont::get_value_unscaled(ZVglyph_pair pair) const {
    if (const ZVsimplepair *c = cache.find(pair); c && c->properties.kind() != ZV_AUTOKERNED)
        return static_cast<float>(c->value * unit_scale);
    if (!autopairs)
        return 0;
    return autopairs->autokerned_pair(pair, glyphs, models.mix, models.modelpairs.pairs).value;
}

void ZVfont::un_autokern() {
    std::vector<ZVminipair> kept;
    if (autopairs) {
        for (const ZVglyph_pair &p : taken_over_modelpairs) {
            if (!kernable(p) || is_independent(independents, p))
                continue;
            models.determine_mix_and_modelpairs(false);
            const ZVsimplepair r =
                autopairs->autokerned_pair(p, glyphs, models.mix, models.modelpairs.pairs);
            if (r.indices.first < ZV_NO_GLYPH)
                kept.push_back({p.first, p.second, round_pair_value(r, 2.0f)});
        }
    }
    models = ZVmodels();
    taken_over_modelpairs.clear();
    size_tracking_vectors();
    for (const ZVminipair &m : kept)
        if (!is_independent(independents, {m.left, m.right}))
            models.add_pair_as_model(m, glyphs);
    reset_modelpairs();
    models.determine_mix_and_modelpairs(false);
    models.retries.clear();
    models.removed.clear();
    models.models_feedbacks.list.clear();
    if (autopairs)
        for (const ZVsourcepair &p : models.pairs)
            autopairs->deactivate_pair(p.indices);
    refill_cache();
    undo_stack.clear();
    status = kerned;
}

std::vector<ZVfont::change> ZVfont::changes(const std::map<ZVglyph_pair, float> &previous,
                                            const ZVglyphs &other_glyphs) {
    std::map<ZVglyph_pair, float> copy = previous.empty() ? existing_pairs : previous;
    for (auto &[pair, value] : copy)
        value = static_cast<float>(value * unit_scale);
    std::vector<change> result;
    if (!autopairs)
        return result;
    for (ZVsimplepair r : autopairs->changes(glyphs, models, copy, other_glyphs)) {
        r.value = static_cast<float>(r.value * unit_factor());
        r.value_min = static_cast<float>(r.value_min * unit_factor());
        r.value_max = static_cast<float>(r.value_max * unit_factor());
        const float now = round_pair_value(r, 2.0f);
        const auto it = copy.find(r.indices);
        const float before = it == copy.end() ? 0.f : static_cast<float>(it->second / unit_scale);
        if (std::fabs(now - before) >= ZV_TOLERANCE)
            result.push_back({r.indices, now, now - before});
    }
    std::sort(result.begin(), result.end(), [](const change &a, const change &b) {
        if (a.difference != b.difference)
            return a.difference < b.difference;
        if (a.value != b.value)
            return a.value < b.value;
        return a.indices < b.indices;
    });
    return result;
}
