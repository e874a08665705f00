// The designer's edits of one master: pairs become models, independent pairs or autokerned
// pairs, glyphs change, and the last step can be undone.
#include "engine/font/ZVfont.h"

#include <algorithm>
#include <cmath>

using PLXlibNamespaceForZV::PLXglyph;
using PLXlibNamespaceForZV::ZV_NO_GLYPH;
using PLXlibNamespaceForZV::ZV_NO_INK;
using PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP;
using PLXlibNamespaceForZV::ZVglyph;
using PLXlibNamespaceForZV::ZVprofile;

namespace {

const std::vector<ZVglyph_pair> kNoPairs;

bool real_glyphs(ZVglyph_pair p) { return p.first < ZV_NO_GLYPH && p.second < ZV_NO_GLYPH; }

void shift_profile(ZVprofile &p, double d) {
    if (p.empty())
        return;
    for (double &v : p.depths)
        if (v != ZV_NO_INK)
            v += d;
    p.min_depth += d;
    p.max_depth += d;
}

std::vector<ZVsimplepair>::iterator find_in(std::vector<ZVsimplepair> &list, ZVglyph_pair p) {
    return std::find_if(list.begin(), list.end(),
                        [&](const ZVsimplepair &s) { return s.indices == p; });
}

void erase_swapping_last(std::vector<ZVsimplepair> &list, std::vector<ZVsimplepair>::iterator it) {
    *it = list.back();
    list.pop_back();
}

} // namespace

bool ZVfont::kernable(ZVglyph_pair pair) const {
    if (pair.first >= glyphs.glyphs.size() || pair.second >= glyphs.glyphs.size())
        return false;
    const ZVglyph &l = glyphs.glyphs[pair.first], &r = glyphs.glyphs[pair.second];
    return l.tracking_group[1] != ZV_NO_KERNING_GROUP &&
           r.tracking_group[0] != ZV_NO_KERNING_GROUP && !l.right.empty() && !r.left.empty() &&
           std::min(l.width, r.width) > 0;
}

ZVsimplepair ZVfont::frame_record(ZVglyph_pair pair) {
    ZVsimplepair r = lookup(pair);
    // Undo finds a record by its glyphs, so a pair without record keeps its own.
    if (r.indices != pair) {
        r = no_pair_record();
        r.indices = pair;
    }
    return r;
}

void ZVfont::merge_source_feedbacks() {
    models.models_feedbacks.list.clear();
    models.models_feedbacks.merge(models.feedbacks);
}

const ZVsimplepair &ZVfont::set_required_text(const std::vector<std::uint16_t> &run) {
    if (!cache.valid)
        refill_cache();
    change_ = no_pair_record();
    if (has_models() && autopairs)
        change_ = autopairs->set_visible_text(run, models, glyphs, cache);
    // A pair autokerned now may be one whose record the window holds.
    if (change_.properties.kind() != ZV_AUTOKERNED)
        details_memo.clear();
    return change_;
}

std::vector<ZVsimplepair> ZVfont::pairs_for_glyph(std::uint16_t glyph, std::int8_t side) {
    if (!autopairs)
        return {};
    std::vector<ZVsimplepair> list =
        autopairs->pairs_for_glyph(glyph, side, models, glyphs, cache, independents);
    for (ZVsimplepair &p : list) {
        p.value = static_cast<float>(p.value * unit_factor());
        p.value_min = static_cast<float>(p.value_min * unit_factor());
        p.value_max = static_cast<float>(p.value_max * unit_factor());
        p.value = round_pair_value(p, 2.0f);
    }
    return list;
}

void ZVfont::set_tracking_group(std::uint16_t glyph, std::int8_t side, std::int16_t group) {
    details_memo.clear();
    undo_stack.clear();
    if (glyph >= glyphs.glyphs.size() || side < 0 || side > 1)
        return;
    std::int16_t &stored = glyphs.glyphs[glyph].tracking_group[static_cast<std::size_t>(side)];
    if (!(group == 0 && stored == 1))
        stored = group;
    group = stored;
    const bool no_kerning = group == ZV_NO_KERNING_GROUP;
    auto set_in_autopairs = [&] {
        if (!autopairs)
            return;
        for (ZVautopair &r : autopairs->records) {
            if (side == 1 && r.indices.first == glyph)
                r.left_group = group;
            else if (side == 0 && r.indices.second == glyph)
                r.right_group = group;
        }
    };
    if (!has_models()) {
        // The records keep their groups right for the time the master gets models.
        set_in_autopairs();
        return;
    }
    size_tracking_vectors();
    // The source pairs' own update removes the No-kerning pairs and re-sorts.
    if (models.set_tracking_group(glyph, side, group)) {
        models.models_feedbacks.merge(models.feedbacks);
        reset_modelpairs();
        if (no_kerning && autopairs)
            autopairs->set_tracking_group_and_rekern(glyph, side, group, models, glyphs, cache);
        else
            set_in_autopairs();
        cache.valid = false;
        return;
    }
    if (autopairs)
        autopairs->set_tracking_group_and_rekern(glyph, side, group, models, glyphs, cache);
    if (no_kerning)
        cache.valid = false;
}

void ZVfont::update_glyph_shape(PLXglyph &outline, std::uint16_t glyph) {
    details_memo.clear();
    undo_stack.clear();
    if (glyph >= glyphs.glyphs.size() || unit_scale <= 0)
        return;
    outline.scale_by(unit_scale);
    glyphs.rebuild_glyph(glyph, outline);
    if (!has_models())
        return;
    models.models_feedbacks.list.clear();
    if (!models.update_glyph_shape(glyph, glyphs)) {
        models.models_feedbacks.merge(models.feedbacks);
        if (autopairs)
            autopairs->update_glyph_shape_and_rekern(glyph, glyphs, models, cache);
        return;
    }
    reset_modelpairs();
    models.models_feedbacks.merge(models.feedbacks);
    if (autopairs)
        autopairs->remove_sources_for_glyph(glyph);
    refill_cache();
}

void ZVfont::adjust_sidebearing(std::uint16_t glyph, std::int8_t side, double delta) {
    if (delta == 0 || glyph >= glyphs.glyphs.size())
        return;
    details_memo.clear();
    undo_stack.clear();
    const double d = delta * unit_scale;
    ZVglyph &g = glyphs.glyphs[glyph];
    if (d != 0) {
        shift_profile(side == 0 ? g.left : g.right, d);
        shift_profile(side == 0 ? g.left_zone : g.right_zone, d);
    }
    g.width = static_cast<float>(g.width + d);
    // Model pair i is built from source pair i: after the re-sort they must be built again.
    if (models.adjust_sidebearing(glyph, side, d))
        reset_modelpairs();
    if (autopairs)
        autopairs->update_glyph_shape_and_rekern(glyph, glyphs, models, cache);
    models.add_to_cache(cache);
}

int ZVfont::autospace(std::uint16_t glyph, std::int8_t side,
                      const std::vector<std::uint16_t> &partners) {
    if (!autopairs)
        return 0;
    const int shift = autopairs->autospacing_adjustment(glyph, side, partners, models, glyphs);
    adjust_sidebearing(glyph, side, shift);
    return shift;
}

void ZVfont::set_models(const std::vector<ZVglyph_pair> &pairs, bool set_to_zero) {
    undo_stack.emplace_back();
    for (const ZVglyph_pair &pair : pairs) {
        freshen_cache();
        const ZVsimplepair r = frame_record(pair);
        undo_stack.back().push_back(r);
        const int kind = r.properties.kind();
        if (kind == ZV_MODEL) {
            if (set_to_zero && r.value != 0) {
                models.update_value({pair.first, pair.second, 0.f}, glyphs);
                reset_modelpairs();
                merge_source_feedbacks();
            }
            continue;
        }
        float value = 0;
        if (!set_to_zero && kind == ZV_INDEPENDENT)
            value = static_cast<float>(r.value * unit_scale);
        else if (!set_to_zero && kind == ZV_USER_SET_AUTO)
            value = static_cast<float>(round_pair_value(r, 2.0f) * unit_scale);
        if (!kernable(pair) || status == engine_taken_over) {
            // As set_value does: a pair that cannot be a model is fixed at its value instead,
            // at 0 when set to zero.
            if (kind == ZV_INDEPENDENT) {
                if (auto it = find_in(independents, pair); it != independents.end() && set_to_zero)
                    it->value = it->value_min = it->value_max = 0;
            } else if (real_glyphs(pair)) {
                if (autopairs)
                    autopairs->deactivate_pair(pair);
                ZVsimplepair p;
                p.indices = pair;
                p.value = p.value_min = p.value_max = set_to_zero ? 0.f : round_pair_value(r, 2.0f);
                p.frequency = ZV_UNKNOWN_FREQUENCY;
                p.properties.set_kind(ZV_INDEPENDENT);
                independents.push_back(p);
            }
            continue;
        }
        if (kind == ZV_INDEPENDENT) {
            if (auto it = find_in(independents, pair); it != independents.end())
                independents.erase(it);
        } else if (autopairs) {
            autopairs->deactivate_pair(pair);
        }
        if (real_glyphs(pair)) {
            models.add_pair_as_model({pair.first, pair.second, value}, glyphs);
            reset_modelpairs();
        }
    }
    refill_cache();
}

void ZVfont::add_models(std::vector<ZVminipair> pairs, bool flag) {
    details_memo.clear();
    std::vector<ZVsimplepair> dropped;
    std::vector<ZVminipair> kept;
    for (ZVminipair &m : pairs) {
        if (!kernable({m.left, m.right})) {
            ZVsimplepair p;
            p.indices = {m.left, m.right};
            p.value = m.value;
            p.frequency = ZV_UNKNOWN_FREQUENCY;
            dropped.push_back(p);
            continue;
        }
        m.value = static_cast<float>(m.value * unit_scale);
        kept.push_back(m);
    }
    if (!dropped.empty())
        add_typed_feedback(feedbacks, ZVfeedback::no_kerning_models_removed, dropped);
    models.add_models(kept, glyphs, flag);
    reset_modelpairs();
    for (const ZVminipair &m : kept) {
        const ZVglyph_pair pair{m.left, m.right};
        if (!models.contains(pair))
            continue; // not measurable: it stays whatever it was
        if (autopairs)
            autopairs->deactivate_pair(pair);
        if (auto it = find_in(independents, pair); it != independents.end())
            erase_swapping_last(independents, it);
    }
    cache.valid = false;
}

bool ZVfont::any_value_contradictions(std::vector<ZVminipair> models_given,
                                      const std::vector<ZVminipair> &independents_given) const {
    for (ZVminipair &m : models_given)
        m.value = static_cast<float>(m.value * unit_scale);
    if (models.any_value_contradictions(models_given))
        return true;
    for (const ZVminipair &m : independents_given)
        for (const ZVsimplepair &p : independents)
            if (p.indices == ZVglyph_pair{m.left, m.right} && p.value != m.value)
                return true;
    return false;
}

const std::vector<ZVglyph_pair> &ZVfont::get_user_set_autos() const {
    return autopairs ? autopairs->user_set_pairs : kNoPairs;
}

void ZVfont::set_value(ZVglyph_pair pair, float value) {
    freshen_cache();
    const ZVsimplepair r = frame_record(pair);
    details_memo.clear();
    undo_stack.push_back({r});
    const int kind = r.properties.kind();
    if (kind == ZV_MODEL && status != engine_taken_over) {
        if (std::fabs(r.value - value) < ZV_TOLERANCE)
            return;
        models.update_value({pair.first, pair.second, static_cast<float>(value * unit_scale)},
                            glyphs);
        reset_modelpairs();
        merge_source_feedbacks();
        refill_cache();
        return;
    }
    if (kind == ZV_INDEPENDENT) {
        if (auto it = find_in(independents, pair); it != independents.end()) {
            it->value = it->value_min = it->value_max = value;
            const ZVsimplepair entry = *it;
            freshen_cache();
            cache.add_sourcepair(entry, false);
        }
        return;
    }
    if (autopairs)
        autopairs->deactivate_pair(pair);
    if (status != engine_taken_over && kernable(pair)) {
        if (real_glyphs(pair)) {
            models.add_pair_as_model(
                {pair.first, pair.second, static_cast<float>(value * unit_scale)}, glyphs);
            reset_modelpairs();
        }
        refill_cache();
        return;
    }
    if (!real_glyphs(pair))
        return;
    ZVsimplepair p;
    p.indices = pair;
    p.value = p.value_min = p.value_max = value;
    p.frequency = ZV_UNKNOWN_FREQUENCY;
    p.properties.set_kind(ZV_INDEPENDENT);
    independents.push_back(p);
    cache.add_sourcepair(p, false);
}

ZVsimplepair ZVfont::set_autos(const std::vector<ZVglyph_pair> &pairs) {
    details_memo.clear();
    undo_stack.emplace_back();
    for (const ZVglyph_pair &pair : pairs) {
        freshen_cache();
        undo_stack.back().push_back(frame_record(pair));
    }
    if (!autopairs)
        return no_pair_record();
    ZVsimplepair r = autopairs->set_autos(pairs, cache, independents, glyphs, models);
    if (!cache.valid) {
        refill_cache();
        return whole_kerning_record();
    }
    r.value = static_cast<float>(r.value * unit_factor());
    r.value_min = static_cast<float>(r.value_min * unit_factor());
    r.value_max = static_cast<float>(r.value_max * unit_factor());
    return r;
}

void ZVfont::remove_unset_auto(ZVglyph_pair pair) {
    sort_cache();
    const ZVsimplepair *r = cache.find(pair);
    if (!r || r->frequency != ZV_UNKNOWN_FREQUENCY)
        return;
    cache.remove_pair(pair);
    if (autopairs)
        autopairs->deactivate_pair(pair);
}

void ZVfont::unset_user_set_auto(ZVglyph_pair pair) {
    details_memo.clear();
    undo_stack.clear();
    remove_unset_auto(pair);
}

void ZVfont::set_independent_pair(ZVglyph_pair pair) {
    if (!real_glyphs(pair) || find_in(independents, pair) != independents.end())
        return;
    const ZVsimplepair r = frame_record(pair);
    undo_stack.push_back({r});
    ZVsimplepair p;
    p.indices = pair;
    p.value = p.value_min = p.value_max = round_pair_value(r, 2.0f);
    p.frequency = ZV_UNKNOWN_FREQUENCY;
    p.properties.set_kind(ZV_INDEPENDENT);
    independents.push_back(p);
    if (models.remove_pair(pair, false)) {
        reset_modelpairs();
        refill_cache();
        return;
    }
    if (autopairs)
        autopairs->deactivate_pair(pair);
    cache.add_sourcepair(p, false);
    details_memo.clear();
}

void ZVfont::add_independent_pairs(const std::vector<ZVminipair> &pairs, bool overwrite) {
    details_memo.clear();
    for (const ZVminipair &m : pairs) {
        const ZVglyph_pair pair{m.left, m.right};
        if (models.contains(pair))
            continue;
        if (auto it = find_in(independents, pair); it != independents.end()) {
            if (overwrite)
                it->value = it->value_min = it->value_max = m.value;
            continue;
        }
        ZVsimplepair p;
        p.indices = pair;
        p.value = p.value_min = p.value_max = m.value;
        p.frequency = ZV_UNKNOWN_FREQUENCY;
        p.properties.set_kind(ZV_INDEPENDENT);
        independents.push_back(p);
        if (autopairs)
            autopairs->deactivate_pair(pair);
    }
    cache.valid = false;
}

void ZVfont::undo() {
    if (undo_stack.empty())
        return;
    // A copy: the refills below may append removed models to the top frame.
    const std::size_t depth = undo_stack.size();
    const std::vector<ZVsimplepair> frame = undo_stack.back();
    for (ZVsimplepair r : frame) {
        const ZVglyph_pair pair = r.indices;
        const int kind = r.properties.kind();
        if (kind == ZV_MODEL) {
            const float v = round_pair_value(r, ZV_NO_VALUE);
            r.value = r.value_min = r.value_max = static_cast<float>(v * unit_scale);
        }
        freshen_cache();
        const ZVsimplepair c = frame_record(pair);
        const int now = c.properties.kind();
        if (now == kind) {
            if (kind == ZV_INDEPENDENT) {
                if (auto it = find_in(independents, pair); it != independents.end()) {
                    it->value = r.value;
                    it->value_min = r.value_min;
                    it->value_max = r.value_max;
                    it->frequency = r.frequency;
                    it->properties = r.properties;
                }
            } else if (kind == ZV_MODEL) {
                models.update_value({pair.first, pair.second, r.value}, glyphs);
                reset_modelpairs();
                merge_source_feedbacks();
            }
            continue;
        }
        if (now == ZV_INDEPENDENT) {
            if (auto it = find_in(independents, pair); it != independents.end())
                erase_swapping_last(independents, it);
        } else if (now == ZV_MODEL) {
            if (models.remove_pair(pair, false))
                reset_modelpairs();
        } else if (kind != ZV_USER_SET_AUTO && autopairs) {
            autopairs->deactivate_pair(pair);
        }
        if (kind == ZV_USER_SET_AUTO) {
            if (autopairs)
                autopairs->set_autos({pair}, cache, independents, glyphs, models);
        } else if (kind == ZV_INDEPENDENT) {
            independents.push_back(r);
        } else if (kind == ZV_AUTOKERNED) {
            remove_unset_auto(pair); // without emptying the undo stack being walked
        } else if (real_glyphs(pair)) {
            models.add_pair_as_model({pair.first, pair.second, r.value}, glyphs);
            reset_modelpairs();
        }
    }
    cache.valid = false;
    details_memo.clear();
    // The frame this step started with; a refill may have pushed nothing, only appended.
    if (undo_stack.size() >= depth)
        undo_stack.erase(undo_stack.begin() + static_cast<std::ptrdiff_t>(depth) - 1);
}
