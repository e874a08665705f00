// The message the window shows for a master, and the record of one selected pair.
#include "engine/font/ZVfont.h"

#include <algorithm>

using PLXlibNamespaceForZV::ZV_NO_GLYPH;

namespace {

constexpr std::uint8_t kModelFlag = 1, kUserSetFlag = 2, kIndependentFlag = 4, kEditableFlag = 8,
                       kCannotBeModel = 16, kCannotBeAutokerned = 32;

} // namespace

void ZVfont::next_feedback(ZVfeedback &feedback, const std::vector<ZVfont> &masters) {
    int by_status = -1;
    switch (status) {
    case linked_metrics:
        by_status = ZVfeedback::linked_metrics;
        break;
    case untouched:
        by_status = ZVfeedback::too_few_unkerned_pairs;
        break;
    case self_kerned:
    case being_processed:
    case autokerned_from_other:
        by_status = ZVfeedback::starting_up;
        break;
    case interpolated:
        by_status = ZVfeedback::interpolated;
        break;
    case engine_taken_over:
        by_status = has_models() ? ZVfeedback::autokerned_from_this_font
                                 : ZVfeedback::autokerned_from_other_font;
        break;
    case kerned:
        if (!has_models())
            by_status = ZVfeedback::no_models;
        break;
    }
    if (by_status >= 0) {
        feedback.type = by_status;
        feedback.urgency = 0;
        feedback.pairs.clear();
        feedback.pair_is_too_tight = 0;
        return;
    }
    if (feedback.type == ZVfeedback::suggested_model && !feedback.pairs.empty() && autopairs) {
        // Refused for good: the next selection keeps it as a fixed member and looks past it.
        const auto it = autopairs->find_pair(feedback.pairs.front().indices);
        if (it != autopairs->records.end()) {
            const auto index = static_cast<std::uint32_t>(it - autopairs->records.begin());
            std::vector<std::uint32_t> &refused = autopairs->diverse;
            if (std::find(refused.begin(), refused.end(), index) == refused.end())
                refused.push_back(index);
        }
    }
    if (feedback.type >= 1 && feedback.type <= 17) {
        const bool known = std::any_of(feedbacks.dismissed.begin(), feedbacks.dismissed.end(),
                                       [&](const ZVfeedback &d) { return d.matches(feedback); });
        if (!known)
            feedbacks.dismissed.push_back(feedback);
    }
    if (feedback.type != ZVfeedback::none)
        feedbacks.remove(feedback);
    if (feedbacks.list.empty() && autopairs) {
        std::set<ZVglyph_pair> favoured;
        for (const ZVfont &m : masters) {
            // A master still starting up on another thread is not read.
            if (&m == this || m.name == name || !m.started_up())
                continue;
            for (const ZVsourcepair &p : m.models.pairs)
                favoured.insert(p.indices);
        }
        for (const ZVfeedback &f : autopairs->model_suggestions(models, glyphs, favoured).list) {
            if (f.type == ZVfeedback::none)
                continue;
            feedbacks.remove(f);
            feedbacks.add(f);
        }
    }
    const ZVfeedback &next =
        feedbacks.list.empty() ? ZVfeedbacks::empty_feedback : feedbacks.list.front();
    feedback.type = next.type;
    feedback.urgency = next.urgency;
    feedback.pairs = next.pairs;
    feedback.pair_is_too_tight = next.pair_is_too_tight;
}

const ZVUIpair &ZVfont::get_pair_details(ZVglyph_pair pair) {
    for (const auto &[asked, record] : details_memo)
        if (asked == pair)
            return record;
    if (status != interpolated)
        freshen_cache();
    const ZVsimplepair c = lookup(pair);
    const std::uint8_t unkernable = kernable(pair) ? 0 : kCannotBeModel | kCannotBeAutokerned;
    ZVUIpair u;
    const int kind = c.properties.kind();
    if (kind == ZV_INDEPENDENT) {
        u.indices = c.indices;
        u.value = round_half_away(c.value);
        u.value_min = c.value_min;
        u.value_max = c.value_max;
        u.frequency = c.frequency;
        u.properties = c.properties;
        u.flags = kIndependentFlag | kEditableFlag | unkernable;
    } else if (kind == ZV_MODEL || kind == ZV_USER_SET_AUTO) {
        models.determine_mix_and_modelpairs(false);
        if (kind == ZV_MODEL) {
            u = models.min_max_span_info(pair, models.mix, models.modelpairs.pairs);
            u.value = round_half_away(static_cast<float>(u.value * unit_factor()));
        } else if (autopairs) {
            if (auto it = autopairs->find_pair(pair); it != autopairs->records.end()) {
                ZVsourcepair sp;
                static_cast<ZVpair &>(sp) = *it;
                sp.sources = {it->source_for_value(glyphs)};
                u = sp.min_max_span_info(models.mix, models.modelpairs.pairs);
            }
            u.value = round_pair_value(c, 2.0f);
        }
        u.value_min = static_cast<float>(u.value_min * unit_factor());
        u.value_max = static_cast<float>(u.value_max * unit_factor());
    } else {
        u.indices = {ZV_NO_GLYPH, ZV_NO_GLYPH};
        u.flags = kEditableFlag | unkernable;
    }
    details_memo.emplace_back(pair, u);
    return details_memo.back().second;
}

float ZVfont::if_autokerned(ZVglyph_pair pair) {
    get_pair_details(pair);
    ZVsimplepair r;
    if (models.contains(pair)) {
        // What the pair would get from the other models alone.
        ZVmodels scratch;
        static_cast<ZVsourcepairs &>(scratch) = models;
        scratch.highest_tracking_group = models.highest_tracking_group;
        scratch.remove_pair(pair, false);
        scratch.determine_mix_and_modelpairs(false);
        r = models.if_autokerned(pair, scratch.mix, scratch.modelpairs.pairs, glyphs);
    } else {
        models.determine_mix_and_modelpairs(false);
        r = models.if_autokerned(pair, models.mix, models.modelpairs.pairs, glyphs);
    }
    r.value = static_cast<float>(r.value * unit_factor());
    r.value_min = static_cast<float>(r.value_min * unit_factor());
    r.value_max = static_cast<float>(r.value_max * unit_factor());
    const float v = round_pair_value(r, 2.0f);
    for (auto &[asked, record] : details_memo)
        if (asked == pair)
            record.if_autokerned = v;
    return v;
}

void ZVfont::generate_version_related_feedback(int type) {
    if (type == ZVfeedback::newer_version) {
        add_typed_feedback(feedbacks, type, {});
    } else if (type == ZVfeedback::composite_pairs_added && autopairs) {
        const ZVfeedback f = autopairs->added_composites_pairs();
        if (f.type != ZVfeedback::none && !f.pairs.empty()) {
            feedbacks.remove(f);
            feedbacks.add(f);
        }
    }
}
