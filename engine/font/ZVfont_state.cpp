// A text picture of one master's whole engine state, numbers in hexadecimal floating point:
// two states are the same, bit for bit, exactly when their pictures are equal.
#include "engine/font/ZVfont_state.h"

#include "engine/model/ZVparallel.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

namespace {

// Appends printf-style text.
[[gnu::format(printf, 2, 3)]] void put(std::string &out, const char *format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
        return;
    }
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(big.data(), big.size(), format, args);
    va_end(args);
    out.append(big.data(), static_cast<std::size_t>(n));
}

// FNV-1a over the bytes of a measurement's shell records: equal hashes for equal shells.
struct Hash {
    std::uint64_t h = 14695981039346656037ull;
    void add(const void *data, std::size_t n) {
        const auto *p = static_cast<const unsigned char *>(data);
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ p[i]) * 1099511628211ull;
    }
};

void put_simple(std::string &out, const ZVsimplepair &p) {
    put(out, "%u,%u v=%a [%a,%a] f=%u k=%u", p.indices.first, p.indices.second, p.value,
        p.value_min, p.value_max, p.frequency, p.properties.c);
}

void put_pair(std::string &out, const ZVpair &p) {
    put_simple(out, p);
    put(out, " g=%d,%d d=%a pr=%a", p.left_group, p.right_group, p.depth, p.priority);
}

void put_source(std::string &out, const ZVsource &s) {
    Hash h;
    ZVsource scratch;
    const ZVsource &e = s.with_shells(scratch);
    for (const auto &row : e.rows)
        h.add(row.data(), sizeof(row));
    for (const auto &row : e.variant_rows)
        h.add(row.data(), sizeof(row));
    put(out, "    source v=%a c=%a cv=%a vp=%d shells=%zu,%zu hash=%016" PRIx64 "\n", s.value,
        s.closest, s.closest_variant, s.variant_pair ? 1 : 0, e.rows.size(), e.variant_rows.size(),
        h.h);
}

void put_graph(std::string &out, const ZVgraph &g) {
    Hash h;
    h.add(g.breadths.data(), g.breadths.size() * sizeof(float));
    put(out, "    graph n=%zu hash=%016" PRIx64 " limits=%d,%d,%d,%d,%d,%d rows=%u,%u r=%u\n",
        g.breadths.size(), h.h, g.min_index, g.max_index, g.min_index_peak, g.max_index_peak,
        g.min_limit_index, g.max_limit_index, g.min_rows, g.max_rows, g.reserved);
}

void put_mix(std::string &out, const char *label, const ZVmixmanager &m) {
    put(out, "  %s w=%a,%a,%a,%a t=", label, m.weights[0], m.weights[1], m.weights[2],
        m.weights[3]);
    for (float v : m.values)
        put(out, "%a,", v);
    put(out, " s=");
    for (float v : m.singles)
        put(out, "%a,", v);
    put(out, " all=%u fixed=%u cost=%a cost2=%a overlap=%a n=%d worst=", m.compare_all,
        m.tracking_fixed, m.cost, m.cost2, m.overlap_sum, m.comparisons);
    put_simple(out, m.worst_first);
    put(out, " / ");
    put_simple(out, m.worst_second);
    put(out, "\n");
}

void put_feedbacks(std::string &out, const char *label, const ZVfeedbacks &list) {
    put(out, "  %s %zu (dismissed %zu)\n", label, list.list.size(), list.dismissed.size());
    for (const ZVfeedback &f : list.list) {
        put(out, "    type %d urgency %a tight %d:", f.type, f.urgency, f.pair_is_too_tight);
        for (const ZVsimplepair &p : f.pairs) {
            put(out, " ");
            put_simple(out, p);
        }
        put(out, "\n");
    }
}

void put_modelpairs(std::string &out, const char *label, const ZVmodelpairs &set) {
    put(out, "  %s %zu\n", label, set.pairs.size());
    for (const ZVmodelpair &m : set.pairs) {
        put(out, "   ");
        put_pair(out, m);
        put(out, " infl=%08x,%08x mismatch=%a/%u tight=%u loose=%u\n", m.influencer_min,
            m.influencer_max, m.mismatch, m.mismatch_count, m.too_tight, m.too_loose);
        put_graph(out, m.graph);
    }
}

} // namespace

std::string engine_state(const ZVfont &f) {
    std::string out;
    put(out, "master %s status %u unit_scale %a\n", f.name.c_str(), static_cast<unsigned>(f.status),
        f.unit_scale);
    const ZVmodels &m = f.models;
    put(out, "  source pairs %zu\n", m.pairs.size());
    for (const ZVsourcepair &p : m.pairs) {
        put(out, "   ");
        put_pair(out, p);
        put(out, "\n");
        for (const ZVsource &s : p.sources)
            put_source(out, s);
    }
    put(out, "  retries");
    for (const ZVglyph_pair &p : m.retries)
        put(out, " %u,%u", p.first, p.second);
    put(out, "\n  removed");
    for (const auto &[p, v] : m.removed)
        put(out, " %u,%u=%a", p.first, p.second, v);
    put(out, "\n");
    put_mix(out, "mix", m.mix);
    put(out, "  evaluated mixes %zu\n", m.mixes.size());
    for (const ZVmixmanager &e : m.mixes)
        put_mix(out, " ", e);
    put_modelpairs(out, "model pairs", m.modelpairs);
    put_modelpairs(out, "second model pairs", m.second_modelpairs);
    put(out, "  highest group %d tracking", m.highest_tracking_group);
    for (float v : m.tracking_values)
        put(out, " %a", v);
    put(out, " /");
    for (float v : m.tracking_singles)
        put(out, " %a", v);
    put(out, "\n");
    put_feedbacks(out, "source feedbacks", m.feedbacks);
    put_feedbacks(out, "models feedbacks", m.models_feedbacks);
    put_feedbacks(out, "feedbacks", f.feedbacks);

    put(out, "  independents %zu\n", f.independents.size());
    for (const ZVsimplepair &p : f.independents) {
        put(out, "   ");
        put_simple(out, p);
        put(out, "\n");
    }
    if (f.autopairs) {
        const ZVautopairs &a = *f.autopairs;
        put(out, "  autopairs %zu visible %zu\n", a.records.size(), a.visible_pairs.size());
        // A measurement dropped to keep the budget is measured again (on the pool: there may
        // be many) for its hash, from the glyphs it was measured from.
        std::vector<std::string> parts(a.records.size());
        zvparallel::for_each(a.records.size(), [&](std::size_t i) {
            const ZVautopair &r = a.records[i];
            std::string &o = parts[i];
            put(o, "   ");
            put_pair(o, r);
            put(o, " sources %zu\n", r.sources.size());
            const std::size_t n = f.glyphs.glyphs.size();
            for (const ZVsource &s : r.sources) {
                if (!s.dropped() || r.indices.first >= n || r.indices.second >= n) {
                    put_source(o, s);
                    continue;
                }
                ZVsource again = s;
                again.measure_again(f.glyphs.glyphs[r.indices.first],
                                    f.glyphs.glyphs[r.indices.second]);
                put_source(o, again);
            }
        });
        for (std::string &part : parts) {
            out += part;
            std::string().swap(part);
        }
        for (const auto *list : {&a.candidates, &a.suggestions, &a.diverse}) {
            put(out, "  list");
            for (std::uint32_t i : *list)
                put(out, " %u", i);
            put(out, "\n");
        }
        put(out, "  user-set");
        for (const ZVglyph_pair &p : a.user_set_pairs)
            put(out, " %u,%u", p.first, p.second);
        put(out, "\n");
    }
    put(out, "  cache sorted %d valid %d scale %a\n", f.cache.sorted, f.cache.valid, f.cache.scale);
    for (const auto &list : f.cache.lists)
        for (const ZVsimplepair &p : list) {
            put(out, "   ");
            put_simple(out, p);
            put(out, "\n");
        }
    put(out, "  undo frames %zu existing pairs %zu\n", f.undo_stack.size(),
        f.existing_pairs.size());
    return out;
}
