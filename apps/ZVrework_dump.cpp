// A text dump of every master's engine state after the road, numbers in hexadecimal floating
// point, so that two builds or two runs (serial, threaded) can be compared bit for bit with diff.
#include "ZVrework.h"

#include "engine/model/ZVautopairs.h"

#include <cinttypes>
#include <cstdio>

namespace {

// FNV-1a over the bytes of a measurement's shell records: equal hashes for equal shells.
struct Hash {
    std::uint64_t h = 14695981039346656037ull;
    void add(const void *data, std::size_t n) {
        const auto *p = static_cast<const unsigned char *>(data);
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ p[i]) * 1099511628211ull;
    }
};

void put_simple(std::FILE *out, const ZVsimplepair &p) {
    std::fprintf(out, "%u,%u v=%a [%a,%a] f=%u k=%u", p.indices.first, p.indices.second, p.value,
                 p.value_min, p.value_max, p.frequency, p.properties.c);
}

void put_pair(std::FILE *out, const ZVpair &p) {
    put_simple(out, p);
    std::fprintf(out, " g=%d,%d d=%a pr=%a", p.left_group, p.right_group, p.depth, p.priority);
}

void put_source(std::FILE *out, const ZVsource &s) {
    Hash h;
    for (const auto &row : s.rows)
        h.add(row.data(), sizeof(row));
    for (const auto &row : s.variant_rows)
        h.add(row.data(), sizeof(row));
    std::fprintf(out, "    source v=%a c=%a cv=%a vp=%d shells=%zu,%zu hash=%016" PRIx64 "\n",
                 s.value, s.closest, s.closest_variant, s.variant_pair ? 1 : 0, s.rows.size(),
                 s.variant_rows.size(), h.h);
}

void put_graph(std::FILE *out, const ZVgraph &g) {
    Hash h;
    h.add(g.breadths.data(), g.breadths.size() * sizeof(float));
    std::fprintf(out, "    graph n=%zu hash=%016" PRIx64 " limits=%d,%d,%d,%d,%d,%d rows=%u,%u r=%u\n",
                 g.breadths.size(), h.h, g.min_index, g.max_index, g.min_index_peak,
                 g.max_index_peak, g.min_limit_index, g.max_limit_index, g.min_rows, g.max_rows,
                 g.reserved);
}

void put_mix(std::FILE *out, const char *label, const ZVmixmanager &m) {
    std::fprintf(out, "  %s w=%a,%a,%a,%a t=", label, m.weights[0], m.weights[1], m.weights[2],
                 m.weights[3]);
    for (float v : m.values)
        std::fprintf(out, "%a,", v);
    std::fprintf(out, " s=");
    for (float v : m.singles)
        std::fprintf(out, "%a,", v);
    std::fprintf(out, " all=%u fixed=%u cost=%a cost2=%a overlap=%a n=%d worst=", m.compare_all,
                 m.tracking_fixed, m.cost, m.cost2, m.overlap_sum, m.comparisons);
    put_simple(out, m.worst_first);
    std::fprintf(out, " / ");
    put_simple(out, m.worst_second);
    std::fprintf(out, "\n");
}

void put_feedbacks(std::FILE *out, const char *label, const ZVfeedbacks &list) {
    std::fprintf(out, "  %s %zu (dismissed %zu)\n", label, list.list.size(),
                 list.dismissed.size());
    for (const ZVfeedback &f : list.list) {
        std::fprintf(out, "    type %d urgency %a tight %d:", f.type, f.urgency,
                     f.pair_is_too_tight);
        for (const ZVsimplepair &p : f.pairs) {
            std::fprintf(out, " ");
            put_simple(out, p);
        }
        std::fprintf(out, "\n");
    }
}

void put_modelpairs(std::FILE *out, const char *label, const ZVmodelpairs &set) {
    std::fprintf(out, "  %s %zu\n", label, set.pairs.size());
    for (const ZVmodelpair &m : set.pairs) {
        std::fprintf(out, "   ");
        put_pair(out, m);
        std::fprintf(out, " infl=%08x,%08x mismatch=%a/%u tight=%u loose=%u\n", m.influencer_min,
                     m.influencer_max, m.mismatch, m.mismatch_count, m.too_tight, m.too_loose);
        put_graph(out, m.graph);
    }
}

void dump_master(std::FILE *out, const ZVfont &f) {
    std::fprintf(out, "master %s status %u unit_scale %a\n", f.name.c_str(),
                 static_cast<unsigned>(f.status), f.unit_scale);
    const ZVmodels &m = f.models;
    std::fprintf(out, "  source pairs %zu\n", m.pairs.size());
    for (const ZVsourcepair &p : m.pairs) {
        std::fprintf(out, "   ");
        put_pair(out, p);
        std::fprintf(out, "\n");
        for (const ZVsource &s : p.sources)
            put_source(out, s);
    }
    std::fprintf(out, "  retries");
    for (const ZVglyph_pair &p : m.retries)
        std::fprintf(out, " %u,%u", p.first, p.second);
    std::fprintf(out, "\n  removed");
    for (const auto &[p, v] : m.removed)
        std::fprintf(out, " %u,%u=%a", p.first, p.second, v);
    std::fprintf(out, "\n");
    put_mix(out, "mix", m.mix);
    std::fprintf(out, "  evaluated mixes %zu\n", m.mixes.size());
    for (const ZVmixmanager &e : m.mixes)
        put_mix(out, " ", e);
    put_modelpairs(out, "model pairs", m.modelpairs);
    put_modelpairs(out, "second model pairs", m.second_modelpairs);
    std::fprintf(out, "  highest group %d tracking", m.highest_tracking_group);
    for (float v : m.tracking_values)
        std::fprintf(out, " %a", v);
    std::fprintf(out, " /");
    for (float v : m.tracking_singles)
        std::fprintf(out, " %a", v);
    std::fprintf(out, "\n");
    put_feedbacks(out, "source feedbacks", m.feedbacks);
    put_feedbacks(out, "models feedbacks", m.models_feedbacks);
    put_feedbacks(out, "feedbacks", f.feedbacks);

    std::fprintf(out, "  independents %zu\n", f.independents.size());
    for (const ZVsimplepair &p : f.independents) {
        std::fprintf(out, "   ");
        put_simple(out, p);
        std::fprintf(out, "\n");
    }
    if (f.autopairs) {
        const ZVautopairs &a = *f.autopairs;
        std::fprintf(out, "  autopairs %zu visible %zu\n", a.records.size(),
                     a.visible_pairs.size());
        for (const ZVautopair &r : a.records) {
            std::fprintf(out, "   ");
            put_pair(out, r);
            std::fprintf(out, " sources %zu\n", r.sources.size());
            for (const ZVsource &s : r.sources)
                put_source(out, s);
        }
        for (const auto *list : {&a.candidates, &a.suggestions, &a.diverse}) {
            std::fprintf(out, "  list");
            for (std::uint32_t i : *list)
                std::fprintf(out, " %u", i);
            std::fprintf(out, "\n");
        }
        std::fprintf(out, "  user-set");
        for (const ZVglyph_pair &p : a.user_set_pairs)
            std::fprintf(out, " %u,%u", p.first, p.second);
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "  cache sorted %d valid %d scale %a\n", f.cache.sorted, f.cache.valid,
                 f.cache.scale);
    for (const auto &list : f.cache.lists)
        for (const ZVsimplepair &p : list) {
            std::fprintf(out, "   ");
            put_simple(out, p);
            std::fprintf(out, "\n");
        }
    std::fprintf(out, "  undo frames %zu existing pairs %zu\n", f.undo_stack.size(),
                 f.existing_pairs.size());
}

} // namespace

bool dump_rework_road(const ZVreworkRoad &road, const std::string &path, std::string &error) {
    std::FILE *out = std::fopen(path.c_str(), "w");
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    for (const ZVfont &f : road.mm.masters)
        dump_master(out, f);
    const bool ok = std::fclose(out) == 0;
    if (!ok)
        error = "cannot write " + path;
    return ok;
}
