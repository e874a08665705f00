#include "engine/model/ZVsourcepairs.h"

#include "engine/model/ZVautopair.h"
#include "engine/model/ZVmodelpair.h"

#include <algorithm>
#include <cmath>

using PLXlibNamespaceForZV::ZVglyphs;

namespace {

constexpr double kDefaultPriority = 1.0 / 65536;   // 2^-16
constexpr double kNewModelPriority = 1.0 / 262144; // 2^-18: a model just added, never removed
constexpr std::size_t kMaxRetries = 6;

bool glyphs_known(const ZVglyphs &glyphs, ZVglyph_pair pair) {
    return pair.first < glyphs.glyphs.size() && pair.second < glyphs.glyphs.size();
}

unsigned unit_count(const ZVglyphs &glyphs) {
    return static_cast<unsigned>(std::max(glyphs.max_width, 0));
}

bool same_measurement(const ZVsource &packed_a, const ZVsource &packed_b) {
    ZVsource scratch_a, scratch_b;
    const ZVsource &a = packed_a.with_shells(scratch_a), &b = packed_b.with_shells(scratch_b);
    return std::fabs(a.closest - b.closest) <= 0.125 && a.rows == b.rows &&
           a.variant_rows == b.variant_rows;
}

} // namespace

bool compare_sourcepairs(const ZVsourcepair &a, const ZVsourcepair &b) {
    if (a.value != b.value)
        return a.value < b.value;
    if (a.left_group != b.left_group)
        return a.left_group < b.left_group;
    if (a.right_group != b.right_group)
        return a.right_group < b.right_group;
    if (a.depth != b.depth)
        return a.depth < b.depth;
    const std::size_t sa = a.current_source().shells(), sb = b.current_source().shells();
    if (sa != sb)
        return sa < sb;
    return a.indices < b.indices;
}

ZVsourcepairs::ZVsourcepairs(const std::vector<ZVminipair> &models) {
    std::set<ZVglyph_pair> seen;
    for (const ZVminipair &m : models) {
        if (!seen.insert({m.left, m.right}).second)
            continue;
        ZVsourcepair p;
        p.indices = {m.left, m.right};
        p.value = p.value_min = p.value_max = m.value;
        p.frequency = ZV_UNKNOWN_FREQUENCY;
        p.properties.set_kind(ZV_MODEL);
        pairs.push_back(std::move(p));
    }
    sort_pairs();
}

void ZVsourcepairs::sort_pairs() { std::sort(pairs.begin(), pairs.end(), compare_sourcepairs); }

const ZVsourcepair *ZVsourcepairs::find(ZVglyph_pair pair) const {
    const auto it = std::find_if(pairs.begin(), pairs.end(),
                                 [&](const ZVsourcepair &p) { return p.indices == pair; });
    return it == pairs.end() ? nullptr : &*it;
}

bool ZVsourcepairs::contains(ZVglyph_pair pair) const { return find(pair) != nullptr; }

double ZVsourcepairs::get_priority(ZVglyph_pair pair) const {
    const ZVsourcepair *p = find(pair);
    return p ? p->priority : kDefaultPriority;
}

void ZVsourcepairs::clear_priorities() {
    for (auto &p : pairs)
        p.priority = kDefaultPriority;
}

bool ZVsourcepairs::any_value_contradictions(const std::vector<ZVminipair> &list) const {
    for (const ZVsourcepair &p : pairs) {
        const auto it = std::find_if(list.begin(), list.end(), [&](const ZVminipair &m) {
            return m.left == p.indices.first && m.right == p.indices.second;
        });
        if (it != list.end() && it->value != p.value)
            return true;
    }
    return false;
}

void ZVsourcepairs::add_models(const std::vector<ZVminipair> &list, const ZVglyphs &glyphs,
                               bool update) {
    for (const ZVminipair &m : list) {
        if (!contains({m.left, m.right}))
            add_pair_as_model(m, glyphs);
        else if (update)
            update_value(m, glyphs);
    }
}

bool ZVsourcepairs::add_pair_as_model(const ZVminipair &entry, const ZVglyphs &glyphs) {
    const ZVglyph_pair pair{entry.left, entry.right};
    if (!glyphs_known(glyphs, pair))
        return false;
    ZVsimplepair head;
    head.indices = pair;
    head.value = entry.value;
    head.frequency = ZV_UNKNOWN_FREQUENCY;
    ZVsourcepair record(head, glyphs.glyphs[pair.first], glyphs.glyphs[pair.second],
                        unit_count(glyphs));
    if (!record.measurable())
        return false;
    record.properties.set_kind(ZV_MODEL);
    record.value_min = record.value_max = record.value;
    pairs.push_back(std::move(record));

    const auto was = removed.find(pair);
    if (was == removed.end()) {
        pairs.back().priority = kNewModelPriority;
        sort_pairs();
        return true;
    }
    // Entered again after a removal: confirming the old value ranks it last (strongest),
    // a new value first.
    const auto it = std::find(retries.begin(), retries.end(), pair);
    if (it != retries.end())
        retries.erase(it);
    if (was->second == entry.value) {
        if (retries.size() >= kMaxRetries)
            retries.erase(retries.begin());
        retries.push_back(pair);
    } else {
        if (retries.size() >= kMaxRetries)
            retries.pop_back();
        retries.insert(retries.begin(), pair);
    }
    apply_retries();
    sort_pairs();
    return true;
}

void ZVsourcepairs::update_value(const ZVminipair &entry, const ZVglyphs &glyphs) {
    const ZVglyph_pair pair{entry.left, entry.right};
    const auto it = std::find_if(pairs.begin(), pairs.end(),
                                 [&](const ZVsourcepair &p) { return p.indices == pair; });
    if (it == pairs.end() || it->value == entry.value || !glyphs_known(glyphs, pair))
        return;
    it->value = it->value_min = it->value_max = entry.value;
    if (it->sources.empty())
        it->sources.emplace_back();
    it->sources.front().update_from_glyphs(glyphs.glyphs[pair.first], glyphs.glyphs[pair.second],
                                           unit_count(glyphs), entry.value);
    const auto r = std::find(retries.begin(), retries.end(), pair);
    if (r != retries.end())
        retries.erase(r);
    sort_pairs();
}

void ZVsourcepairs::apply_retries() {
    for (auto &p : pairs) {
        p.priority = kDefaultPriority;
        const auto it = std::find(retries.begin(), retries.end(), p.indices);
        if (it != retries.end())
            p.priority = std::ldexp(1.0, -8 + 8 * static_cast<int>(it - retries.begin()));
    }
}

bool ZVsourcepairs::remove_pair(ZVglyph_pair pair, bool remember) {
    const auto it = std::find_if(pairs.begin(), pairs.end(),
                                 [&](const ZVsourcepair &p) { return p.indices == pair; });
    if (it == pairs.end())
        return false;
    if (remember)
        removed[pair] = it->value;
    pairs.erase(it);
    return true;
}

ZVfeedback ZVsourcepairs::remove_one_pair(std::size_t a, std::size_t b) {
    if (a >= pairs.size() || b >= pairs.size() || a == b)
        return ZVfeedbacks::empty_feedback;
    const double pa = pairs[a].priority, pb = pairs[b].priority;
    // A model just added stays in preference to an older one; otherwise the lower priority
    // yields, b on a tie.
    const bool remove_b = pb != kNewModelPriority && (pa == kNewModelPriority || pa >= pb);
    const std::size_t gone = remove_b ? b : a, kept = remove_b ? a : b;
    ZVfeedback f;
    f.type = ZVfeedback::model_identical;
    f.pairs = {pairs[gone], pairs[kept]};
    pairs.erase(pairs.begin() + static_cast<std::ptrdiff_t>(gone));
    return f;
}

std::pair<ZVsimplepair, ZVsimplepair> ZVsourcepairs::get_two_simplepairs(std::size_t a,
                                                                         std::size_t b) const {
    if (pairs[a].priority < pairs[b].priority)
        return {pairs[a], pairs[b]};
    return {pairs[b], pairs[a]};
}

bool ZVsourcepairs::set_tracking_group(std::uint16_t glyph, int side, std::int16_t group) {
    bool matched = false;
    for (auto &p : pairs) {
        if (side == 1 && p.indices.first == glyph) {
            p.left_group = group;
            matched = true;
        } else if (side != 1 && p.indices.second == glyph) {
            p.right_group = group;
            matched = true;
        }
    }
    if (!matched)
        return false;
    if (group == PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP)
        remove_no_kerning_pairs();
    sort_pairs();
    return true;
}

void ZVsourcepairs::remove_no_kerning_pairs() {
    auto no_kerning = [](const ZVsourcepair &p) {
        return p.left_group == PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP ||
               p.right_group == PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP;
    };
    ZVfeedback f;
    f.type = ZVfeedback::no_kerning_models_removed;
    for (const auto &p : pairs)
        if (no_kerning(p))
            f.pairs.push_back(p);
    if (f.pairs.empty())
        return;
    feedbacks.remove(f);
    feedbacks.add(f);
    std::erase_if(pairs, no_kerning);
}

bool ZVsourcepairs::adjust_sidebearing(std::uint16_t glyph, int side, double delta) {
    bool changed = false;
    for (auto &p : pairs) {
        const bool facing = side == 1 ? p.indices.first == glyph : p.indices.second == glyph;
        if (!facing)
            continue;
        float v = static_cast<float>(p.value - delta);
        if (std::fabs(v) < ZV_TOLERANCE)
            v = 0;
        p.value = p.value_min = p.value_max = v;
        if (!p.sources.empty())
            p.sources.front().value = v;
        changed = true;
    }
    if (changed)
        sort_pairs();
    return changed;
}

std::vector<ZVsimplepair> ZVsourcepairs::update_glyphs(const ZVglyphs &glyphs) {
    const unsigned n = unit_count(glyphs);
    std::vector<ZVsourcepair> kept;
    std::vector<ZVsimplepair> refused;
    kept.reserve(pairs.size());
    for (auto &p : pairs) {
        if (!glyphs_known(glyphs, p.indices)) {
            refused.push_back(p);
            continue;
        }
        const auto &left = glyphs.glyphs[p.indices.first];
        const auto &right = glyphs.glyphs[p.indices.second];
        p.update_properties_from_glyphs(left, right);
        // A source pair holds one measurement, at its current value.
        p.sources.assign(1, ZVsource());
        p.sources.front().update_from_glyphs(left, right, n, p.value);
        if (p.measurable())
            kept.push_back(std::move(p));
    }
    pairs = std::move(kept);
    remove_no_kerning_pairs();
    sort_pairs();
    return refused;
}

bool ZVsourcepairs::update_glyph_shape(std::uint16_t glyph, const ZVglyphs &glyphs) {
    const unsigned n = unit_count(glyphs);
    bool changed = false;
    for (auto &p : pairs) {
        if ((p.indices.first != glyph && p.indices.second != glyph) ||
            !glyphs_known(glyphs, p.indices))
            continue;
        if (p.sources.empty())
            p.sources.emplace_back();
        ZVsource fresh;
        fresh.update_from_glyphs(glyphs.glyphs[p.indices.first], glyphs.glyphs[p.indices.second], n,
                                 p.value);
        changed = changed || !same_measurement(fresh, p.sources.front());
        p.sources.front() = std::move(fresh);
    }
    return changed;
}

std::vector<ZVsimplepair> ZVsourcepairs::to_simple(std::int16_t group) const {
    std::vector<ZVsimplepair> result;
    for (const auto &p : pairs)
        if (group < 2 || p.left_group == group || p.right_group == group)
            result.push_back(p);
    return result;
}

std::vector<ZVglyph_pair> ZVsourcepairs::to_indices() const {
    std::vector<ZVglyph_pair> result;
    result.reserve(pairs.size());
    for (const auto &p : pairs)
        result.push_back(p.indices);
    return result;
}

std::set<ZVglyph_pair> ZVsourcepairs::indices_set() const {
    std::set<ZVglyph_pair> result;
    for (const auto &p : pairs)
        result.insert(p.indices);
    return result;
}

void ZVsourcepairs::add_to_cache(ZVcache &cache) const {
    for (const auto &p : pairs)
        cache.add_sourcepair(p, true);
}

ZVUIpair ZVsourcepairs::min_max_span_info(ZVglyph_pair pair, const ZVmix &mix,
                                          const std::vector<ZVmodelpair> &models) const {
    const ZVsourcepair *p = find(pair);
    return p ? p->min_max_span_info(mix, models) : ZVUIpair();
}

ZVsimplepair ZVsourcepairs::if_autokerned(ZVglyph_pair pair, const ZVmix &mix,
                                          const std::vector<ZVmodelpair> &models,
                                          const ZVglyphs &glyphs) const {
    if (const ZVsourcepair *p = find(pair))
        return p->if_autokerned(mix, models, glyphs);
    ZVsimplepair head;
    head.indices = pair;
    head.frequency = ZV_UNKNOWN_FREQUENCY;
    head.properties.set_kind(ZV_USER_SET_AUTO);
    if (pair.first >= glyphs.glyphs.size() || pair.second >= glyphs.glyphs.size())
        return head; // an unknown glyph is never kerned
    ZVautopair t(head, glyphs.glyphs[pair.first], glyphs.glyphs[pair.second],
                 static_cast<unsigned>(glyphs.max_width));
    t.autokerned(mix, models, glyphs);
    return t;
}
