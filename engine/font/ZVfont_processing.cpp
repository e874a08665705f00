// Running the engine over one master: the first run, the preparation of the models, the first
// models picked from existing kerning, and the rebuilding of the finished pair values.
#include "engine/font/ZVfont.h"

#include <algorithm>

using PLXlibNamespaceForZV::ZVglyphsinfo;

namespace {

/// Marks the master as started up however initial_processing leaves.
struct StartedUpOnExit {
    ZVfont &font;
    ~StartedUpOnExit() { font.set_started_up(true); }
};

} // namespace

void ZVfont::reset_modelpairs() {
    models.modelpairs = ZVmodelpairs();
    models.second_modelpairs = ZVmodelpairs();
    models.mixes.clear();
}

void ZVfont::size_tracking_vectors() {
    int highest = 0;
    for (const auto &g : glyphs.glyphs)
        highest = std::max({highest, static_cast<int>(g.tracking_group[0]),
                            static_cast<int>(g.tracking_group[1])});
    if (models.highest_tracking_group < highest)
        models.highest_tracking_group = static_cast<std::int16_t>(highest);
    // Sized by the models' own highest group, which is at least the glyphs' one: cutting to
    // the glyphs' group alone would drop the tracking of a group the models still name.
    const auto n = static_cast<std::size_t>(std::max<int>(models.highest_tracking_group, 0)) + 1;
    models.tracking_values.resize(n, 0.f);
    models.tracking_singles.resize(n, 0.f);
}

void ZVfont::initial_processing(const ZVglyphsinfo &table,
                                const std::vector<ZVminipair> &user_set_autos,
                                const ZVfeatures &features, bool first_time) {
    StartedUpOnExit done{*this};
    if (status == linked_metrics)
        return; // nothing measured, nothing to run
    const master_status remembered = status;
    status = being_processed;
    if (!autopairs)
        autopairs = std::make_unique<ZVautopairs>(models, glyphs, independents, user_set_autos,
                                                  features, table);
    // The search's kept comparisons and the records' measurements share the master's budget:
    // the comparisons take up to a third of it.
    const std::size_t comparisons = std::min(kept_budget / 3, ZVsearch_outcomes::default_budget);
    models.search_outcomes.set_budget(comparisons);
    autopairs->kept_budget = kept_budget - comparisons;
    prepare_engine();
    if (!has_models()) {
        if (existing_pairs.empty()) {
            status = remembered;
            return;
        }
        auto_pick_models();
        if (!has_models()) {
            status = kerned;
            return;
        }
    }
    refill_cache();
    if (!feedbacks.list.empty()) {
        status = kerned;
        return;
    }
    ZVfeedbacks suggestions = autopairs->model_suggestions(models, glyphs, {});
    for (const ZVfeedback &f : suggestions.list) {
        if (f.type != ZVfeedback::none) {
            feedbacks.remove(f);
            feedbacks.add(f);
        }
        if (!first_time)
            break; // a master kerned after another gets only its best suggestion
    }
    status = kerned;
}

void ZVfont::prepare_engine() {
    models.update_glyphs(glyphs);
    models.models_feedbacks.list.clear();
    models.models_feedbacks.merge(models.feedbacks);
    reset_modelpairs();
    size_tracking_vectors();
    models.determine_mix_and_modelpairs(false);
}

void ZVfont::auto_pick_models() {
    if (!autopairs)
        return;
    const std::size_t A = autopairs->records.size(), E = existing_pairs.size();
    const bool rework = A / 10 < E;
    std::map<ZVglyph_pair, float> map;
    if (rework)
        map = existing_pairs;
    else
        map.swap(existing_pairs);
    for (auto &[pair, value] : map)
        value = static_cast<float>(value * unit_scale);

    const std::vector<ZVminipair> picked = autopairs->auto_pick_initial_models(glyphs, map);
    const bool small_pick = !rework && !map.empty() && picked.size() < 60;
    const int type = rework       ? ZVfeedback::reworked_changes
                     : small_pick ? ZVfeedback::more_models_wanted
                                  : ZVfeedback::engine_running;

    static_cast<ZVsourcepairs &>(models) = ZVsourcepairs(picked);
    models.update_glyphs(glyphs);
    models.models_feedbacks.list.clear();
    models.models_feedbacks.merge(models.feedbacks);
    reset_modelpairs();
    size_tracking_vectors();

    if (rework) {
        autopairs->quick_add_to_models(glyphs, models, map, true);
        autopairs->quick_add_to_models(glyphs, models, map, false);
    } else if (!small_pick) {
        models.tidy_up();
    }
    reset_modelpairs();

    for (const ZVsourcepair &p : models.pairs)
        autopairs->deactivate_pair(p.indices);

    if (small_pick && models.size() != picked.size()) {
        std::vector<ZVsimplepair> rejected;
        for (const ZVminipair &m : picked) {
            if (models.contains({m.left, m.right}))
                continue;
            ZVsimplepair p;
            p.indices = {m.left, m.right};
            p.value = m.value;
            p.frequency = ZV_UNKNOWN_FREQUENCY;
            rejected.push_back(p);
        }
        add_typed_feedback(feedbacks, ZVfeedback::pairs_rejected, rejected);
    } else {
        add_typed_feedback(feedbacks, type, {});
    }
    models.models_feedbacks.list.clear();
    models.retries.clear();
    models.removed.clear();
}

void ZVfont::refill_cache() { refill(false, {}); }

void ZVfont::refill_cache_with_every_pair(const ZVkerning_progress &progress) {
    refill(true, progress);
}

void ZVfont::refill(bool every_pair, const ZVkerning_progress &progress) {
    for (auto &list : cache.lists)
        list.clear();
    cache.sorted = true;
    cache.valid = true;
    details_memo.clear();
    if (!has_models()) {
        // The independent pairs stay in the cache: a whole-master write of this cache would
        // otherwise erase them from the host.
        for (const ZVsimplepair &p : independents)
            cache.add_sourcepair(p, false);
        cache.valid = false;
        return;
    }
    models.determine_mix_and_modelpairs(false);
    for (ZVsimplepair r : collect_removed_model_pairs(models.models_feedbacks)) {
        r.value = static_cast<float>(r.value * unit_factor());
        r.value_min = static_cast<float>(r.value_min * unit_factor());
        r.value_max = static_cast<float>(r.value_max * unit_factor());
        if (!undo_stack.empty()) {
            auto &top = undo_stack.back();
            if (std::none_of(top.begin(), top.end(),
                             [&](const ZVsimplepair &u) { return u.indices == r.indices; })) {
                ZVsimplepair u = r;
                u.properties.set_kind(ZV_MODEL);
                u.value_min = u.value_max = u.value;
                top.push_back(u);
            }
        }
        if (r.properties.kind() == ZV_INDEPENDENT) {
            const bool known =
                std::any_of(independents.begin(), independents.end(),
                            [&](const ZVsimplepair &p) { return p.indices == r.indices; });
            if (!known) {
                r.frequency = ZV_UNKNOWN_FREQUENCY;
                independents.push_back(r);
            }
        } else if (r.properties.kind() == ZV_USER_SET_AUTO && autopairs) {
            autopairs->set_autos({r.indices}, cache, independents, glyphs, models);
        }
    }
    if (autopairs && every_pair)
        autopairs->autokern_every_pair(models, glyphs, cache, progress);
    else if (autopairs)
        autopairs->autokern_visible(models, glyphs, cache);
    feedbacks.erase_types_9_to_11();
    feedbacks.merge(models.models_feedbacks);
    for (const ZVsimplepair &p : independents)
        cache.add_simplepair(p, false);
    models.add_to_cache(cache);
    sort_cache();
    details_memo.clear();
}
