// The visible text of an autopair set and the rekerning that edits call for.
#include "engine/model/ZVautopairs.h"

#include "engine/model/ZVparallel.h"
#include "engine/model/ZVsharedmeasurements.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <optional>

using PLXlibNamespaceForZV::ZVglyph;
using PLXlibNamespaceForZV::ZVglyphs;

namespace {

const ZVglyph *glyph_at(const ZVglyphs &glyphs, std::uint16_t g) {
    return g < glyphs.glyphs.size() ? &glyphs.glyphs[g] : nullptr;
}

// Whether the glyphs allow the pair to be kerned at all: no No-kerning side, both outlined,
// some depth.
bool kernable_glyphs(const ZVglyphs &glyphs, ZVglyph_pair p) {
    const ZVglyph *l = glyph_at(glyphs, p.first), *r = glyph_at(glyphs, p.second);
    return l && r && l->tracking_group[1] != -1 && r->tracking_group[0] != -1 && !l->left.empty() &&
           !r->left.empty() && std::min(l->depth(), r->depth()) > 0;
}

void remove_independent(std::vector<ZVsimplepair> &independents, ZVglyph_pair p) {
    const auto it = std::find_if(independents.begin(), independents.end(),
                                 [&](const ZVsimplepair &s) { return s.indices == p; });
    if (it == independents.end())
        return;
    *it = independents.back();
    independents.pop_back();
}

// Counts the pairs autokerned by one operation and remembers the last of them.
struct Kerned {
    int count = 0;
    ZVsimplepair last;
    void add(const ZVsimplepair &p) {
        ++count;
        last = p;
    }
};

} // namespace

ZVsimplepair ZVautopairs::set_visible_text(const std::vector<std::uint16_t> &text, ZVmodels &models,
                                           const ZVglyphs &glyphs, ZVcache &cache) {
    models.determine_mix_and_modelpairs(false);
    const std::vector<std::uint16_t> &V = visible_text;
    std::vector<ZVglyph_pair> shown; // the pairs to make visible, in text order
    bool walk_all = true;
    if (!text.empty() && !V.empty()) {
        if (text.size() <= V.size() && std::equal(text.begin(), text.end(), V.begin())) {
            walk_all = false;
        } else if (text.size() == V.size() + 1 && std::equal(V.begin(), V.end(), text.begin())) {
            shown.push_back({text[text.size() - 2], text.back()});
            walk_all = false;
        }
    }
    visible_text = text;
    if (walk_all) {
        std::uint16_t previous = 65535;
        for (const std::uint16_t g : visible_text) {
            shown.push_back({previous, g});
            previous = g;
        }
    }
    std::vector<std::uint32_t> kern;
    for (const ZVglyph_pair &p : shown)
        if (const std::uint32_t i = enter_visible_pair(p, glyphs); i != ZV_NO_RECORD)
            kern.push_back(i);
    autokern_into_cache(kern, models.mix, models.modelpairs.pairs, glyphs, cache);
    Kerned kerned;
    for (const std::uint32_t i : kern)
        if (const ZVsimplepair *c = cache.find(records[i].indices))
            kerned.add(*c);
    if (kerned.count == 0)
        return no_pair_record();
    return kerned.count == 1 ? kerned.last : whole_kerning_record();
}

std::uint32_t ZVautopairs::enter_visible_pair(ZVglyph_pair p, const ZVglyphs &glyphs) {
    if (p.first == 65535 || p.second == 65535)
        return ZV_NO_RECORD;
    const auto [slot, inserted] = visible_pairs.emplace(p, ZV_NO_RECORD);
    if (!inserted)
        return ZV_NO_RECORD;
    const auto it = lower_bound(p);
    if (it == records.end() || it->indices != p)
        return ZV_NO_RECORD;
    slot->second = static_cast<std::uint32_t>(it - records.begin());
    return it->is_autokernable(glyphs) ? slot->second : ZV_NO_RECORD;
}

void ZVautopairs::autokern_into_cache(const std::vector<std::uint32_t> &indices, const ZVmix &mix,
                                      const std::vector<ZVmodelpair> &modelpairs,
                                      const ZVglyphs &glyphs, ZVcache &cache,
                                      const ZVkerning_progress &progress) {
    // Each record is autokerned on its own; the cache takes them in the given order. Rounds of
    // a fixed size keep the measurements within the budget as they are taken.
    // Pairs whose glyphs face each other with the same sides as another pair's take that
    // pair's measurements instead of measuring them again.
    constexpr std::size_t kRound = 1024;
    std::optional<ZVsharedmeasurements> shared;
    if (indices.size() > 1) {
        std::vector<ZVglyph_pair> pairs;
        pairs.reserve(indices.size());
        for (const std::uint32_t i : indices)
            pairs.push_back(records[i].indices);
        shared.emplace(glyphs, pairs);
    }
    ZVsharedmeasurements *share = shared ? &*shared : nullptr;
    for (std::size_t from = 0; from < indices.size(); from += kRound) {
        const std::size_t n = std::min(kRound, indices.size() - from);
        zvparallel::for_each(n, [&](std::size_t k) {
            records[indices[from + k]].autokerned(mix, modelpairs, glyphs, share);
        });
        keep_within_budget();
        if (progress)
            progress(from + n, indices.size());
    }
    for (const std::uint32_t i : indices)
        cache.add_sourcepair(records[i], true); // a pair seen before keeps one entry
}

bool ZVautopairs::set_visible_pair(ZVglyph_pair p, const ZVmix &mix,
                                   const std::vector<ZVmodelpair> &modelpairs,
                                   const ZVglyphs &glyphs, ZVcache &cache) {
    const std::uint32_t i = enter_visible_pair(p, glyphs);
    if (i == ZV_NO_RECORD)
        return false;
    autokern_into_cache({i}, mix, modelpairs, glyphs, cache);
    return true;
}

void ZVautopairs::autokern_visible(ZVmodels &models, const ZVglyphs &glyphs, ZVcache &cache) {
    if (records.empty())
        return;
    models.determine_mix_and_modelpairs(false);
    std::vector<std::uint32_t> kern;
    for (const auto &[pair, index] : visible_pairs)
        if (index != ZV_NO_RECORD && records[index].is_autokernable(glyphs))
            kern.push_back(index);
    autokern_into_cache(kern, models.mix, models.modelpairs.pairs, glyphs, cache);
}

void ZVautopairs::autokern_every_pair(ZVmodels &models, const ZVglyphs &glyphs, ZVcache &cache,
                                      const ZVkerning_progress &progress) {
    if (records.empty())
        return;
    models.determine_mix_and_modelpairs(false);
    std::vector<std::uint32_t> kern;
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].is_autokernable(glyphs))
            kern.push_back(static_cast<std::uint32_t>(i));
    autokern_into_cache(kern, models.mix, models.modelpairs.pairs, glyphs, cache, progress);
}

std::uint32_t ZVautopairs::insert_record(records_type::iterator at, ZVglyph_pair pair) {
    const auto index = static_cast<std::uint32_t>(at - records.begin());
    ZVsimplepair head;
    head.indices = pair;
    head.frequency = ZV_UNKNOWN_FREQUENCY;
    records.insert(at, ZVautopair(head));
    // Every index from the insertion point on names the record one place further up.
    auto shift = [&](std::uint32_t &i) {
        if (i != ZV_NO_RECORD && i >= index)
            ++i;
    };
    for (auto &[p, i] : visible_pairs)
        shift(i);
    for (std::uint32_t &i : candidates)
        shift(i);
    for (std::uint32_t &i : suggestions)
        shift(i);
    for (std::uint32_t &i : diverse)
        shift(i);
    return index;
}

ZVsimplepair ZVautopairs::set_autos(const std::vector<ZVglyph_pair> &pairs, ZVcache &cache,
                                    std::vector<ZVsimplepair> &independents, const ZVglyphs &glyphs,
                                    ZVmodels &models, bool keep_kerned) {
    Kerned kerned;
    for (const ZVglyph_pair &p : pairs) {
        if (!kernable_glyphs(glyphs, p)) {
            remove_independent(independents, p);
            cache.remove_pair(p);
            continue;
        }
        auto r = find_pair(p);
        if (r == records.end()) {
            const auto v = visible_pairs.find(p);
            const bool visible = v != visible_pairs.end();
            if (!visible && !keep_kerned)
                continue;
            const std::uint32_t index = insert_record(lower_bound(p), p);
            if (visible)
                v->second = index;
            r = records.begin() + index;
        } else if (r->properties.kind() == ZV_USER_SET_AUTO) {
            continue;
        }
        if (r->frequency == ZV_UNKNOWN_FREQUENCY &&
            std::find(user_set_pairs.begin(), user_set_pairs.end(), p) == user_set_pairs.end())
            user_set_pairs.push_back(p);
        r->activate(glyphs);
        if (models.remove_pair(p, false)) {
            // The fit no longer holds: rebuilt from the remaining models when next needed.
            models.modelpairs = ZVmodelpairs();
            models.second_modelpairs = ZVmodelpairs();
            models.mixes.clear();
            r->properties.set_kind(ZV_USER_SET_AUTO);
            cache.valid = false;
            continue;
        }
        remove_independent(independents, p);
        if (!cache.valid)
            continue;
        if (r->is_autokernable(glyphs)) {
            models.determine_mix_and_modelpairs(false);
            r->autokerned(models.mix, models.modelpairs.pairs, glyphs);
            cache.add_sourcepair(*r, true);
            kerned.add(*r);
        } else {
            cache.remove_pair(p);
        }
    }
    if (kerned.count == 0)
        return no_pair_record();
    return kerned.count == 1 ? kerned.last : whole_kerning_record();
}

void ZVautopairs::deactivate_pair(ZVglyph_pair p) {
    const auto r = find_pair(p);
    if (r == records.end())
        return;
    if (r->frequency == ZV_UNKNOWN_FREQUENCY) {
        const auto u = std::find(user_set_pairs.begin(), user_set_pairs.end(), p);
        if (u != user_set_pairs.end())
            user_set_pairs.erase(u);
    }
    r->properties.set_kind(ZV_AUTOKERNED);
    r->sources.clear();
}

void ZVautopairs::set_tracking_group_and_rekern(std::uint16_t glyph, std::int8_t side,
                                                std::int16_t group, ZVmodels &models,
                                                const ZVglyphs &glyphs, ZVcache &cache) {
    models.determine_mix_and_modelpairs(false);
    auto set_group = [&](ZVautopair &r) {
        if (side == 1)
            r.left_group = group;
        else
            r.right_group = group;
    };
    auto rekern = [&](ZVautopair &r) {
        set_group(r);
        if (r.properties.kind() == ZV_AUTOKERNED) {
            if (group == -1) {
                // A former model stays kerned: active again, with the glyphs' depth (a source
                // pair's record never had it), and in the group just given.
                const ZVsimplepair *c = cache.find(r.indices);
                if (c && c->properties.kind() == ZV_MODEL) {
                    r.activate(glyphs);
                    set_group(r);
                }
            }
            return;
        }
        if (group != -1 && !r.is_not_to_be_autokerned(glyphs) && visible_pairs.count(r.indices) &&
            cache.valid) {
            r.autokerned(models.mix, models.modelpairs.pairs, glyphs);
            cache.add_sourcepair(r, true);
        }
    };
    if (side == 1) {
        for (auto it = lower_bound({glyph, 0}); it != records.end() && it->indices.first == glyph;
             ++it)
            rekern(*it);
    } else {
        for (ZVautopair &r : records)
            if (r.indices.second == glyph)
                rekern(r);
    }
}

void ZVautopairs::update_glyph_shape_and_rekern(std::uint16_t glyph, const ZVglyphs &glyphs,
                                                ZVmodels &models, ZVcache &cache) {
    models.determine_mix_and_modelpairs(false);
    const ZVglyph *g = glyph_at(glyphs, glyph);
    const bool outlined = g && !g->left.empty();
    for (ZVautopair &r : records) {
        if (r.indices.first != glyph && r.indices.second != glyph)
            continue;
        r.sources.clear();
        if (!outlined)
            cache.remove_pair(r.indices);
        else if (r.is_autokernable(glyphs) && visible_pairs.count(r.indices)) {
            r.autokerned(models.mix, models.modelpairs.pairs, glyphs);
            cache.add_sourcepair(r, true);
        }
    }
}

void ZVautopairs::remove_sources_for_glyph(std::uint16_t glyph) {
    for (ZVautopair &r : records)
        if (r.indices.first == glyph || r.indices.second == glyph)
            r.sources.clear();
}

ZVsimplepair ZVautopairs::autokerned_pair(ZVglyph_pair p, const ZVglyphs &glyphs, const ZVmix &mix,
                                          const std::vector<ZVmodelpair> &modelpairs) const {
    const auto it = lower_bound(p);
    if (it == records.end() || it->indices != p) {
        ZVsimplepair none;
        none.indices = {65535, 65535};
        return none;
    }
    ZVautopair copy = *it;
    copy.autokerned(mix, modelpairs, glyphs);
    return copy;
}

int ZVautopairs::autospacing_adjustment(std::uint16_t glyph, std::int8_t side,
                                        const std::vector<std::uint16_t> &partners,
                                        ZVmodels &models, const ZVglyphs &glyphs) const {
    models.determine_mix_and_modelpairs(false);
    const ZVglyph *g = glyph_at(glyphs, glyph);
    if (partners.empty() || !g)
        return 0;
    const ZVmix &mix = models.mix;
    const std::vector<ZVmodelpair> &mp = models.modelpairs.pairs;
    const int limit = -static_cast<int>(0.5 * g->depth());
    // Trial shifts beyond the search width can change nothing the measurements see.
    const double widest = glyphs.scale > 0 ? glyphs.max_width / glyphs.scale : 0;
    int k = 0, result = 0;
    double best = DBL_MAX, plus = 0, minus = 0, s0 = 0;
    bool first = true;
    auto evaluate = [&] {
        plus = minus = 0;
        for (const std::uint16_t q : partners) {
            ZVsimplepair head;
            head.indices = side != 0 ? ZVglyph_pair{glyph, q} : ZVglyph_pair{q, glyph};
            head.frequency = ZV_UNKNOWN_FREQUENCY;
            if (!glyph_at(glyphs, q))
                continue;
            ZVautopair t(head);
            const double d = t.deviation_for_value(mix, mp, glyphs, static_cast<float>(k));
            plus += std::max(d, 0.0);
            minus -= std::min(d, 0.0);
        }
        if (first) {
            s0 = plus;
            first = false;
        }
        const double total = plus + minus;
        if (total < best)
            result = k;
        best = std::min(best, total);
    };
    evaluate();
    while (k >= 0) {
        if (minus >= best) {
            if (s0 >= best)
                return result;
            k = 0;
            break;
        }
        if (k + 1 > widest)
            return result;
        ++k;
        evaluate();
    }
    for (;;) {
        if (plus >= best || k - 1 <= limit)
            return result;
        --k;
        evaluate();
    }
}

std::size_t ZVautopairs::kept_bytes() const {
    std::size_t bytes = records.capacity() * sizeof(ZVautopair);
    for (const ZVautopair &r : records) {
        bytes += r.sources.capacity() * sizeof(ZVsource);
        for (const ZVsource &s : r.sources)
            bytes += s.heap_bytes();
    }
    return bytes;
}

namespace {

std::atomic<std::size_t> &kept_budget_setting() {
    static std::atomic<std::size_t> bytes = [] {
        const char *mb = std::getenv("ZV_KEPT_BUDGET_MB");
        return mb && *mb ? static_cast<std::size_t>(std::strtoull(mb, nullptr, 10)) << 20
                         : std::size_t{1152} << 20;
    }();
    return bytes;
}

} // namespace

std::size_t default_kept_budget() { return kept_budget_setting().load(std::memory_order_relaxed); }

void set_default_kept_budget(std::size_t bytes) {
    kept_budget_setting().store(bytes, std::memory_order_relaxed);
}

void ZVautopairs::keep_within_budget() {
    ++budget_round_;
    std::size_t bytes = 0;
    for (ZVautopair &r : records) {
        if (r.touched) {
            r.last_used = budget_round_;
            r.touched = false;
        }
        for (const ZVsource &s : r.sources)
            bytes += s.heap_bytes();
    }
    if (bytes <= kept_budget)
        return;
    std::vector<std::uint32_t> order;
    for (std::size_t i = 0; i < records.size(); ++i)
        if (!records[i].sources.empty())
            order.push_back(static_cast<std::uint32_t>(i));
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return records[a].last_used < records[b].last_used;
    });
    const std::size_t target = kept_budget - kept_budget / 4;
    for (const std::uint32_t i : order) {
        if (bytes <= target)
            break;
        for (ZVsource &s : records[i].sources)
            bytes -= s.drop();
    }
}

ZVfeedback ZVautopairs::added_composites_pairs() const {
    ZVfeedback f;
    f.type = ZVfeedback::composite_pairs_added;
    for (const ZVautopair &r : records)
        if (r.properties.kind() != ZV_AUTOKERNED && r.left_group != -1 && r.right_group != -1 &&
            r.frequency == ZV_COMPOSITES_FREQUENCY)
            f.pairs.push_back(r);
    return f;
}
