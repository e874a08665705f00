#include "engine/model/ZVautopairs.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

using PLXlibNamespaceForZV::ZVglyphs;

namespace {

bool by_pair(const ZVautopair &a, ZVglyph_pair p) { return a.indices < p; }

std::uint16_t side_glyph(const ZVsimplepair &p, std::int8_t side) {
    return side == 1 ? p.indices.first : p.indices.second;
}

// Engine units from font units; the markers of missing bounds stay markers.
float to_engine(float v, double scale) {
    return std::fabs(v) >= ZV_NO_VALUE ? v : static_cast<float>(v * scale);
}

} // namespace

ZVsimplepair whole_kerning_record() {
    ZVsimplepair p;
    p.indices = {65535, 65535};
    p.properties.set_kind(ZV_USER_SET_AUTO);
    return p;
}

ZVsimplepair no_pair_record() {
    ZVsimplepair p;
    p.indices = {65535, 65535};
    return p;
}

bool compare_candidates_by_properties_then_frequency(const ZVsimplepair &a, const ZVsimplepair &b) {
    const bool a2 = a.properties.kind() & 2, b2 = b.properties.kind() & 2;
    if (a2 != b2)
        return a2;
    const bool a1 = a.properties.kind() & 1, b1 = b.properties.kind() & 1;
    if (a1 != b1)
        return a1;
    if (a.frequency != b.frequency)
        return a.frequency > b.frequency;
    if (a.value != b.value)
        return a.value < b.value;
    return a.indices < b.indices;
}

bool compare_simplepairs_by_value(const ZVsimplepair &a, const ZVsimplepair &b) {
    if (a.value != b.value)
        return a.value < b.value;
    if (a.frequency != b.frequency)
        return a.frequency < b.frequency;
    return a.indices < b.indices;
}

ZVautopairs::ZVautopairs(const ZVmodels &models, const ZVglyphs &glyphs,
                         const std::vector<ZVsimplepair> &independents,
                         const std::vector<ZVminipair> &stored_user_set, const ZVfeatures &features,
                         const PLXlibNamespaceForZV::ZVglyphsinfo &table) {
    const std::set<ZVglyph_pair> sources = models.indices_set();
    std::set<ZVglyph_pair> fixed;
    for (const ZVsimplepair &p : independents)
        fixed.insert(p.indices);
    for (const ZVminipair &m : stored_user_set) {
        const ZVglyph_pair p{m.left, m.right};
        if (m.left == 65535 || m.right == 65535 || sources.count(p) || fixed.count(p))
            continue;
        user_set_pairs.push_back(p);
    }
    const std::vector<ZVpair_frequency> expanded =
        expand_pair_frequencies(features, user_set_pairs, table);
    records.reserve(expanded.size());
    std::vector<std::pair<std::uint16_t, std::uint32_t>> by_frequency;
    for (const auto &[pair, frequency] : expanded) {
        ZVsimplepair head;
        head.indices = pair;
        head.frequency = frequency;
        ZVautopair &r = records.emplace_back(head);
        if (!sources.count(pair) && !fixed.count(pair))
            r.activate(glyphs);
        if (frequency < ZV_MARKER_FREQUENCIES)
            by_frequency.emplace_back(frequency, static_cast<std::uint32_t>(records.size() - 1));
    }
    std::sort(by_frequency.begin(), by_frequency.end(),
              [](const auto &a, const auto &b) { return a > b; });
    candidates.reserve(by_frequency.size());
    for (const auto &[f, i] : by_frequency)
        candidates.push_back(i);
}

ZVautopairs::records_type::iterator ZVautopairs::lower_bound(ZVglyph_pair pair) {
    return std::lower_bound(records.begin(), records.end(), pair, by_pair);
}

ZVautopairs::records_type::const_iterator ZVautopairs::lower_bound(ZVglyph_pair pair) const {
    return std::lower_bound(records.begin(), records.end(), pair, by_pair);
}

ZVautopairs::records_type::iterator ZVautopairs::find_pair(ZVglyph_pair pair) {
    const auto v = visible_pairs.find(pair);
    if (v != visible_pairs.end())
        return v->second == ZV_NO_RECORD ? records.end()
                                         : records.begin() + static_cast<std::ptrdiff_t>(v->second);
    const auto it = lower_bound(pair);
    return it != records.end() && it->indices == pair ? it : records.end();
}

std::vector<ZVsimplepair>
ZVautopairs::pairs_for_glyph(std::uint16_t g, std::int8_t side, ZVmodels &models,
                             const ZVglyphs &glyphs, const ZVcache &cache,
                             const std::vector<ZVsimplepair> &independents) {
    models.determine_mix_and_modelpairs(false);
    const std::vector<ZVmodelpair> &modelpairs = models.modelpairs.pairs;
    std::vector<ZVsimplepair> result;
    std::vector<ZVgraph> graphs;
    // The model pairs of another master's engine are not this master's models.
    if (models.size() > 0) {
        for (const ZVmodelpair &m : modelpairs) {
            if (side_glyph(m, side) != g)
                continue;
            result.push_back(m);
            graphs.push_back(m.graph);
        }
    }
    for (const ZVsimplepair &p : independents) {
        if (side_glyph(p, side) != g)
            continue;
        ZVsimplepair e = p;
        e.value = to_engine(p.value, glyphs.scale);
        e.value_min = to_engine(p.value_min, glyphs.scale);
        e.value_max = to_engine(p.value_max, glyphs.scale);
        result.push_back(e);
    }
    const std::size_t L = std::max<std::size_t>(result.size() + 15, 30);
    result.reserve(8 * L);
    graphs.reserve(8 * L);
    for (const std::uint32_t i : candidates) {
        if (result.size() >= 8 * L)
            break;
        ZVautopair &r = records[i];
        if (side_glyph(r, side) != g || r.is_not_to_be_autokerned(glyphs))
            continue;
        ZVgraph graph = r.graph_from_autokerned(models.mix, modelpairs, glyphs, 0);
        if (!(r.properties.kind() & 2)) {
            ZVsimplepair scaled = r;
            scaled.value = static_cast<float>(r.value * cache.scale);
            scaled.value_min = static_cast<float>(r.value_min * cache.scale);
            scaled.value_max = static_cast<float>(r.value_max * cache.scale);
            if (round_pair_value(scaled, 2.0f) == 0)
                continue;
        }
        const double s = graph.similarity_sum(graphs, 16, 1.0, 15.0);
        if (s >= 15.0)
            continue;
        graphs.push_back(std::move(graph));
        ZVsimplepair head = r;
        const double weighted = std::sqrt(static_cast<double>(std::uint64_t{r.frequency} * 65535));
        head.frequency = static_cast<std::uint16_t>(std::min(65535.0, std::floor(weighted / s)));
        result.push_back(head);
    }
    if (result.size() > L) {
        std::nth_element(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(L - 1),
                         result.end(), compare_candidates_by_properties_then_frequency);
        result.resize(L);
    }
    std::sort(result.begin(), result.end(), compare_simplepairs_by_value);
    return result;
}
