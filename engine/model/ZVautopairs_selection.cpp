// The diverse selections of an autopair set: model suggestions, initial models, changes and the
// quick addition of models.
#include "engine/model/ZVautopairs.h"

#include "engine/model/ZVparallel.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <set>

using PLXlibNamespaceForZV::ZVglyph;
using PLXlibNamespaceForZV::ZVglyphs;

namespace {

const ZVglyph *glyph_at(const ZVglyphs &glyphs, std::uint16_t g) {
    return g < glyphs.glyphs.size() ? &glyphs.glyphs[g] : nullptr;
}

bool has_char(const ZVglyph &g) {
    return (g.category.flags & PLXlibNamespaceForZV::ZV_HAS_UNICODE) != 0;
}
bool upper_char(const ZVglyph &g) {
    return has_char(g) && g.category.unicode >= 'A' && g.category.unicode <= 'Z';
}
bool lower_char(const ZVglyph &g) {
    return has_char(g) && g.category.unicode >= 'a' && g.category.unicode <= 'z';
}

void offer(ZVcandidate &m, double s) {
    if (s > m.max_similarity) {
        m.second_similarity = m.max_similarity;
        m.max_similarity = s;
    } else if (s > m.second_similarity) {
        m.second_similarity = s;
    }
}

// Larger is more redundant: (k1, k2) compared in order.
std::pair<double, double> key(const ZVcandidate &m) {
    const double a = m.max_similarity, b = m.second_similarity, t = m.similarity_to_new;
    if (t <= a)
        return {a * m.first_weight, m.second_weight * std::max(b, t)};
    return {t * m.first_weight, a * m.second_weight};
}

std::size_t triangle(std::size_t i, std::size_t j, std::size_t n) {
    return j - (i + 2) * (i + 1) / 2 + n * i;
}

double &stored(ZVdiverse_selection &s, std::size_t i, std::size_t j) {
    return s.similarities[i < j ? triangle(i, j, s.dimension) : triangle(j, i, s.dimension)];
}

// Each member's two largest similarities to the members of its groups, side by side: a member
// not fixed starts again and takes those of the members before it, then of the members after it
// that are not fixed; a fixed member keeps what it had and takes those of the members after it
// that are not fixed (the offers a pass over every couple, in order, makes to it).
void refresh_largest(ZVdiverse_selection &s) {
    auto &m = s.members;
    zvparallel::for_each(
        m.size(),
        [&](std::size_t i) {
            ZVcandidate &c = m[i];
            if (!c.fixed) {
                c.max_similarity = c.second_similarity = 0;
                for (std::size_t j = 0; j < i; ++j)
                    if (m[j].groups == c.groups)
                        offer(c, stored(s, j, i));
            }
            for (std::size_t j = i + 1; j < m.size(); ++j)
                if (!m[j].fixed && m[j].groups == c.groups)
                    offer(c, stored(s, i, j));
        },
        16);
}

ZVcandidate fixed_member(const ZVmodelpair &m) {
    ZVcandidate c;
    c.first_weight = c.second_weight = 1.0;
    const std::int16_t lo = std::min(m.left_group, m.right_group);
    const std::int16_t hi = std::max(m.left_group, m.right_group);
    c.groups = {static_cast<std::uint16_t>(lo), static_cast<std::uint16_t>(hi)};
    c.fixed = 1;
    c.graph = m.graph;
    return c;
}

// Records changed by a walk get their values back afterwards.
struct SavedValues {
    struct Entry {
        std::uint32_t index;
        float value, value_min, value_max;
    };
    std::vector<Entry> entries;
    void save(std::uint32_t i, const ZVautopair &r) {
        entries.push_back({i, r.value, r.value_min, r.value_max});
    }
    void restore(std::vector<ZVautopair> &records) const {
        for (const Entry &e : entries) {
            records[e.index].value = e.value;
            records[e.index].value_min = e.value_min;
            records[e.index].value_max = e.value_max;
        }
    }
};

double side_shift(const PLXlibNamespaceForZV::ZVprofile &a,
                  const PLXlibNamespaceForZV::ZVprofile &b) {
    constexpr double none = 1073741824.0;
    if (a.first_row != b.first_row || a.rows() != b.rows() || a.rows() == 0)
        return none;
    double lo = 0, hi = 0;
    bool any = false;
    for (std::size_t r = 0; r < a.rows(); ++r) {
        if (a.depths[r] == PLXlibNamespaceForZV::ZV_NO_INK &&
            b.depths[r] == PLXlibNamespaceForZV::ZV_NO_INK)
            continue;
        const double d = a.depths[r] - b.depths[r];
        lo = any ? std::min(lo, d) : d;
        hi = any ? std::max(hi, d) : d;
        any = true;
        if (hi - lo > 0.75)
            return none;
    }
    return any ? (hi + lo) * 0.5 : none; // no inked row tells nothing
}

// Candidates made side by side a chunk at a time: as many keep every worker busy, and the
// similarities of a chunk to the members stay small.
constexpr std::size_t kDiverseChunk = 256;

// The candidates that were made, in order.
std::vector<ZVcandidate> present(std::vector<std::optional<ZVcandidate>> &made) {
    std::vector<ZVcandidate> out;
    out.reserve(made.size());
    for (std::optional<ZVcandidate> &c : made)
        if (c)
            out.push_back(std::move(*c));
    return out;
}

} // namespace

double candidate_similarity(const ZVcandidate &a, const ZVcandidate &b) {
    if (a.groups != b.groups)
        return 0;
    ZVcomparison rec;
    compare_graph_profiles(rec, a.graph, b.graph);
    const double D = std::max(std::fabs(rec.lo), std::fabs(rec.hi)) + (rec.hi - rec.lo);
    return D == 0 ? ZV_IDENTICAL_SIMILARITY : 1 / D;
}

namespace {

// Offers c to the selection; similarity(j) gives c's similarity to member j for every member
// the selection holds when c is offered. Returns the member index c took, or -1 when dropped.
template <class Similarity>
std::ptrdiff_t offer_candidate(ZVdiverse_selection &sel, ZVcandidate &c, Similarity similarity) {
    ++sel.seen;
    set_breadth_indices(c.graph, graph_knee_index(c.graph, 16.875));
    c.max_similarity = c.second_similarity = 0;
    auto &m = sel.members;
    for (std::size_t j = 0; j < m.size(); ++j) {
        const double s = similarity(j);
        offer(c, s);
        m[j].similarity_to_new = s;
        if (s == ZV_IDENTICAL_SIMILARITY && m[j].first_weight <= c.first_weight)
            return -1;
    }
    if (static_cast<int>(m.size()) < sel.capacity) {
        m.push_back(std::move(c));
        if (static_cast<int>(m.size()) == sel.capacity) {
            const std::size_t n = m.size();
            sel.dimension = n;
            sel.similarities.assign(n * (n - 1) / 2, 0.0);
            // Each member's row of similarities on its own, side by side.
            zvparallel::for_each(n - 1, [&](std::size_t k) {
                const std::size_t i = k + 1;
                if (m[i].fixed)
                    return;
                for (std::size_t j = 0; j < i; ++j)
                    if (m[j].groups == m[i].groups)
                        stored(sel, j, i) = candidate_similarity(m[j], m[i]);
            });
            refresh_largest(sel);
        }
        return static_cast<std::ptrdiff_t>(m.size() - 1);
    }
    if (m.empty())
        return -1;
    std::size_t w = 0;
    for (std::size_t i = 1; i < m.size(); ++i)
        if (!m[i].fixed && (m[w].fixed || key(m[i]) > key(m[w])))
            w = i;
    if (m[w].fixed)
        return -1;
    if (!c.fixed && !(key(m[w]) > key(c)))
        return -1;
    m[w] = std::move(c);
    // The new member's similarities to the members of its groups, side by side.
    std::vector<std::size_t> alike;
    for (std::size_t j = 0; j < m.size(); ++j)
        if (j != w && m[j].groups == m[w].groups && !(m[j].fixed && m[w].fixed))
            alike.push_back(j);
    zvparallel::for_each(
        alike.size(),
        [&](std::size_t k) {
            const std::size_t a = std::min(alike[k], w), b = std::max(alike[k], w);
            stored(sel, a, b) = candidate_similarity(m[a], m[b]);
        },
        8);
    refresh_largest(sel);
    return static_cast<std::ptrdiff_t>(w);
}

} // namespace

void ZVautopairs::add_diverse_candidate(ZVdiverse_selection &sel, ZVcandidate c) {
    offer_candidate(sel, c, [&](std::size_t j) { return candidate_similarity(c, sel.members[j]); });
}

void ZVautopairs::add_diverse_candidates(ZVdiverse_selection &sel, std::vector<ZVcandidate> batch) {
    // The similarities of every candidate to the members as they stand, side by side.
    const std::size_t n = sel.members.size();
    std::vector<double> similar(batch.size() * n);
    zvparallel::for_each(batch.size(), [&](std::size_t k) {
        ZVcandidate &c = batch[k];
        set_breadth_indices(c.graph, graph_knee_index(c.graph, 16.875)); // as offered
        for (std::size_t j = 0; j < n; ++j)
            similar[k * n + j] = candidate_similarity(c, sel.members[j]);
    });
    // The candidate of the batch each member now is (-1: one of the members measured above).
    // Once a candidate joins, the later candidates of its groups are measured against it side by
    // side; the rest (other groups, or too few to share out) when asked.
    std::vector<std::ptrdiff_t> holds(n, -1);
    std::vector<std::vector<double>> later(batch.size());
    constexpr std::size_t kFewest = 8;
    std::vector<std::size_t> alike;
    for (std::size_t k = 0; k < batch.size(); ++k) {
        ZVcandidate &c = batch[k];
        const std::ptrdiff_t at = offer_candidate(sel, c, [&](std::size_t j) {
            const std::ptrdiff_t h = holds[j];
            if (h < 0)
                return similar[k * n + j];
            const std::vector<double> &v = later[static_cast<std::size_t>(h)];
            return v.empty() ? candidate_similarity(c, sel.members[j])
                             : v[k - static_cast<std::size_t>(h) - 1];
        });
        if (at < 0)
            continue;
        const auto a = static_cast<std::size_t>(at);
        if (a >= holds.size())
            holds.resize(a + 1, -1);
        holds[a] = static_cast<std::ptrdiff_t>(k);
        const ZVcandidate &member = sel.members[a];
        alike.clear();
        for (std::size_t q = k + 1; q < batch.size(); ++q)
            if (batch[q].groups == member.groups)
                alike.push_back(q);
        if (alike.size() < kFewest)
            continue;
        std::vector<double> &v = later[k];
        v.assign(batch.size() - k - 1, 0.0); // 0 across groups, as candidate_similarity says
        zvparallel::for_each(alike.size(), [&](std::size_t q) {
            v[alike[q] - k - 1] = candidate_similarity(batch[alike[q]], member);
        });
    }
}

void ZVautopairs::init_diverse_selection(const ZVglyphs &glyphs, ZVmodels &models,
                                         const std::set<ZVglyph_pair> &favoured) {
    ZVdiverse_selection sel;
    sel.capacity = 220;
    sel.members.reserve(220);
    models.determine_mix_and_modelpairs(false);
    const ZVmix mix = models.mix;
    for (const ZVmodelpair &m : models.modelpairs.pairs) {
        sel.members.push_back(fixed_member(m));
        ++sel.capacity;
    }
    // A refused pair is a fixed member already; offered again, its graph (measured at the value
    // the scoring left) need not equal the member's, and it would take the place of a new pair.
    const std::set<std::uint32_t> refused(diverse.begin(), diverse.end());
    // The refused pairs' graphs side by side (one after another should a pair be there twice),
    // joined in the order they were refused.
    std::vector<std::optional<ZVcandidate>> refused_made(diverse.size());
    const auto make_refused = [&](std::size_t k) {
        if (diverse[k] < records.size())
            refused_made[k] = records[diverse[k]].as_suggestion_candidate(mix, glyphs);
    };
    if (refused.size() == diverse.size())
        zvparallel::for_each(diverse.size(), make_refused);
    else
        for (std::size_t k = 0; k < diverse.size(); ++k)
            make_refused(k);
    for (ZVcandidate &c : present(refused_made)) {
        // Its own weights stay: an equal candidate then yields to it, so a refused pair is not
        // suggested again.
        c.index = -1;
        c.fixed = 1;
        sel.members.push_back(std::move(c));
        ++sel.capacity;
    }
    const int limit = std::min<int>(3600, 40 + 40 * static_cast<int>(models.modelpairs.size()));
    // The candidates' graphs (and the measurements they need) are made side by side on the pool,
    // a chunk at a time, and offered in the walk's order. A chunk holds no more records than the
    // walk may still offer, so no record past the walk's end is measured or changed.
    std::vector<std::uint32_t> chunk;
    std::size_t next = 0;
    while (sel.seen <= limit && next < candidates.size()) {
        const std::size_t room =
            std::min(static_cast<std::size_t>(limit + 1 - sel.seen), kDiverseChunk);
        chunk.clear();
        while (chunk.size() < room && next < candidates.size()) {
            const std::uint32_t i = candidates[next++];
            if (!refused.count(i))
                chunk.push_back(i);
        }
        std::vector<std::optional<ZVcandidate>> made(chunk.size());
        zvparallel::for_each(chunk.size(), [&](std::size_t k) {
            std::optional<ZVcandidate> &c = made[k] =
                records[chunk[k]].as_suggestion_candidate(mix, glyphs);
            if (!c)
                return;
            c->index = static_cast<std::int32_t>(chunk[k]);
            if (favoured.count(records[chunk[k]].indices))
                c->first_weight *= 0.0625;
        });
        add_diverse_candidates(sel, present(made));
    }
    suggestions.clear();
    for (const ZVcandidate &m : sel.members)
        if (m.index != -1)
            suggestions.push_back(static_cast<std::uint32_t>(m.index));
}

ZVfeedbacks ZVautopairs::model_suggestions(ZVmodels &models, const ZVglyphs &glyphs,
                                           const std::set<ZVglyph_pair> &favoured) {
    ZVfeedbacks list;
    models.determine_mix_and_modelpairs(false);
    if (models.modelpairs.empty())
        return list;
    init_diverse_selection(glyphs, models, favoured);
    models.determine_mix_and_modelpairs(false);
    const ZVmix &mix = models.mix;
    const std::vector<ZVmodelpair> &mp = models.modelpairs.pairs;
    if (models.second_modelpairs.empty()) {
        models.second_modelpairs = models.modelpairs;
        ZVmodelpairs::advance_modelpair_breadth_indices(models.second_modelpairs);
    }
    const std::vector<ZValternative> alternatives = models.alternative_solutions();
    // Every suggested record is scored on its own (side by side), each score taking its terms in
    // the same order. One record's terms on one thread: its measurements, read under one fit
    // after another, stay unpacked at hand.
    std::vector<double> score(suggestions.size(), 0.0);
    zvparallel::for_each(suggestions.size(), [&](std::size_t k) {
        ZVautopair &r = records[suggestions[k]];
        double &s = score[k];
        s = r.uncertainty(mix, mp, glyphs);
        s += r.compare_to_alternative(mix, models.second_modelpairs.pairs, glyphs, 4.0, 1.125);
        for (const ZValternative &alt : alternatives)
            s += r.compare_to_alternative(alt.mix, alt.modelpairs, glyphs, 1.5, 1.8);
    });
    const int n = static_cast<int>(mp.size());
    const double f = n < 40 ? std::pow(2.0, (40 - n) * -0.23446525363702297) : 1.0;
    const double q = std::sqrt(f);
    for (std::size_t k = 0; k < suggestions.size(); ++k) {
        const ZVautopair &r = records[suggestions[k]];
        double &s = score[k];
        s *= 1 + r.frequency * 2.1719653571525567e-6;
        if (favoured.count(r.indices))
            s *= 4.0;
        const ZVglyph *L = glyph_at(glyphs, r.indices.first),
                      *R = glyph_at(glyphs, r.indices.second);
        const bool same_case =
            L && R && ((upper_char(*L) && upper_char(*R)) || (lower_char(*L) && lower_char(*R)));
        if (!same_case)
            s *= 0.75 * q;
        if (r.left_group > 1 || r.right_group >= 2)
            s *= f;
        if (passes_glyph_class_filter(glyphs, r.indices) || r.indices.first == r.indices.second)
            s *= 1.5;
        else
            s *= q;
    }
    for (std::size_t k = 0; k < suggestions.size(); ++k) {
        if (score[k] < 5 * f * f)
            continue;
        const ZVsimplepair head = records[suggestions[k]];
        append_feedback(list, ZVfeedback::suggested_model, std::span(&head, 1), score[k]);
    }
    return list;
}

std::vector<ZVminipair>
ZVautopairs::auto_pick_initial_models(const ZVglyphs &glyphs,
                                      const std::map<ZVglyph_pair, float> &existing) {
    const std::size_t n = existing.size(), t = records.size() / 10;
    int capacity = 16;
    if (n <= 16 || (n <= 60 && t >= n))
        capacity = static_cast<int>(n);
    else if (n > 60 && t >= n)
        capacity = 60;
    ZVdiverse_selection sel;
    sel.capacity = capacity;
    sel.members.reserve(static_cast<std::size_t>(capacity));
    ZVmix mix;
    mix.values = {0, 214748368.f};
    mix.singles = {0, 429496736.f};
    mix.compare_all = 0;
    mix.weights = {0.75, 0.375, 0.25, 0.5};

    SavedValues saved;
    std::size_t absent = 0;
    for (std::size_t k = 0; k < candidates.size() && sel.seen <= 300; ++k) {
        const std::uint32_t i = candidates[k];
        ZVautopair &r = records[i];
        saved.save(i, r);
        const auto it = existing.find(r.indices);
        if (it != existing.end()) {
            r.value = it->second;
        } else {
            r.value = 0;
            const bool skip = t >= n || absent >= k - k / 10 + 5;
            ++absent;
            if (skip)
                continue;
        }
        std::optional<ZVcandidate> c = r.as_model_candidate(mix, glyphs, t < n);
        if (!c)
            continue;
        c->index = static_cast<std::int32_t>(i);
        add_diverse_candidate(sel, std::move(*c));
    }
    std::vector<ZVminipair> picked;
    for (const ZVcandidate &m : sel.members) {
        const ZVautopair &r = records[static_cast<std::size_t>(m.index)];
        const auto it = existing.find(r.indices);
        picked.push_back(
            {r.indices.first, r.indices.second, it != existing.end() ? it->second : r.value});
    }
    saved.restore(records);
    return picked;
}

std::vector<ZVsimplepair> ZVautopairs::changes(const ZVglyphs &glyphs, ZVmodels &models,
                                               const std::map<ZVglyph_pair, float> &previous,
                                               const ZVglyphs &previous_glyphs) {
    const int capacity = static_cast<int>(std::min<std::size_t>(previous.size(), 50));
    if (capacity == 0)
        return {};
    models.determine_mix_and_modelpairs(false);
    const std::vector<std::uint16_t> counterpart = make_glyph_index_map(glyphs, previous_glyphs);
    constexpr double none = 1073741824.0;
    std::array<std::vector<double>, 2> shift;
    for (int side = 0; side < 2; ++side) {
        shift[side].assign(glyphs.glyphs.size(), none);
        for (std::size_t g = 0; g < glyphs.glyphs.size(); ++g) {
            const std::uint16_t p = counterpart[g];
            if (p == 65535 || p >= previous_glyphs.glyphs.size())
                continue;
            shift[side][g] =
                side_shift(glyphs.glyphs[g].profile(side), previous_glyphs.glyphs[p].profile(side));
        }
    }
    ZVdiverse_selection sel;
    sel.capacity = capacity;
    sel.members.reserve(static_cast<std::size_t>(capacity));
    const ZVmix &mix = models.mix;
    const std::vector<ZVmodelpair> &mp = models.modelpairs.pairs;
    SavedValues saved;
    constexpr int kSeen = 1200;
    const std::size_t walk = std::min<std::size_t>(candidates.size(), 5000);
    // Side by side a chunk at a time, offered in the walk's order; a chunk holds no more records
    // than the walk may still offer (see init_diverse_selection).
    std::vector<std::uint32_t> chunk;
    std::size_t k = 0;
    while (k < walk && sel.seen <= kSeen) {
        const std::size_t room =
            std::min(static_cast<std::size_t>(kSeen + 1 - sel.seen), kDiverseChunk);
        chunk.clear();
        for (; chunk.size() < room && k < walk; ++k) {
            const std::uint32_t i = candidates[k];
            const ZVautopair &r = records[i];
            if (r.is_not_to_be_autokerned(glyphs) || counterpart[r.indices.first] == 65535 ||
                counterpart[r.indices.second] == 65535)
                continue;
            saved.save(i, r);
            chunk.push_back(i);
        }
        std::vector<std::optional<ZVcandidate>> made(chunk.size());
        zvparallel::for_each(chunk.size(), [&](std::size_t q) {
            ZVautopair &r = records[chunk[q]];
            const auto [l, rr] = r.indices;
            const auto it = previous.find(r.indices);
            const float before = it == previous.end() ? 0.f : it->second;
            double e = shift[1][l] + shift[0][rr];
            if (e > 536870912.0) {
                r.value = before;
                e = r.x_shift(mix, glyphs,
                              {previous_glyphs.glyphs[counterpart[l]],
                               previous_glyphs.glyphs[counterpart[rr]]});
            }
            r.value = static_cast<float>(before - e);
            made[q] = r.as_changes_candidate(mix, mp, glyphs);
            if (made[q])
                made[q]->index = static_cast<std::int32_t>(chunk[q]);
        });
        add_diverse_candidates(sel, present(made));
    }
    std::vector<ZVsimplepair> result;
    result.reserve(sel.members.size());
    for (const ZVcandidate &m : sel.members)
        result.push_back(records[static_cast<std::size_t>(m.index)]);
    saved.restore(records);
    return result;
}

void ZVautopairs::quick_add_to_models(const ZVglyphs &glyphs, ZVmodels &models,
                                      const std::map<ZVglyph_pair, float> &existing, bool flag) {
    const std::size_t limit = flag ? 50 : models.size() + 35;
    const std::size_t keep = flag ? 1200 : 800;
    std::vector<std::pair<double, std::uint32_t>> entries;
    for (const std::uint32_t i : candidates) {
        ZVautopair &r = records[i];
        const ZVglyph *L = glyph_at(glyphs, r.indices.first),
                      *R = glyph_at(glyphs, r.indices.second);
        if (!L || !R)
            continue;
        if (!flag) {
            r.refresh_properties(glyphs);
            if (r.is_not_to_be_autokerned(glyphs))
                continue;
            const int a = r.left_group, b = r.right_group;
            if (!((a >= 2) != (b >= 2) || (a == b && a >= 2)))
                continue;
        } else {
            const bool ascii_right = upper_char(*R) || lower_char(*R);
            if (!((upper_char(*L) && ascii_right) || (lower_char(*L) && lower_char(*R))))
                continue;
        }
        const double f = r.frequency;
        double u = f;
        if (passes_glyph_class_filter(glyphs, r.indices))
            u = 2 * f;
        else if (r.indices.first == r.indices.second)
            u = 1.5 * f;
        entries.emplace_back(u, i);
    }
    std::sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) { return a > b; });
    if (entries.size() > keep)
        entries.resize(keep);

    // A candidate's urgency against the models as they stand (it autokerns the record).
    auto urgency = [&](ZVautopair &r, float target) {
        const std::vector<ZVmodelpair> &mp = models.modelpairs.pairs;
        if (!flag)
            return r.potential_model_urgency_special_spaced(models.mix, mp, glyphs, target);
        r.graph_from_autokerned(models.mix, mp, glyphs, 0);
        return 3 * std::fabs(target - r.value) +
               std::max(0.0, static_cast<double>(r.value_max) - r.value_min);
    };
    auto target_of = [&](const ZVautopair &r) {
        const auto it = existing.find(r.indices);
        return it == existing.end() ? 0.f : it->second;
    };
    // The candidates are taken one after the other, each against the models the previous ones
    // left; most are not added, so the models stay as they are for many candidates in a row.
    // The next few to be evaluated are therefore evaluated together under the current models:
    // the first on its record, the others on copies. Walking on, each copy whose candidate comes
    // next is adopted by its record; when a candidate is added the models change and the
    // copies left are thrown away, so every record ends as the serial walk leaves it.
    struct Ahead {
        std::size_t position = 0;
        std::optional<ZVautopair> copy; // none: evaluated on the record itself
        double u = 0;
    };
    std::vector<Ahead> ahead;
    std::size_t next_ahead = 0;
    auto evaluate_from = [&](std::size_t q, double T) {
        ahead.clear();
        next_ahead = 0;
        const std::size_t wanted = std::max<std::size_t>(zvparallel::threads(), 1);
        for (std::size_t p = q; p < entries.size() && ahead.size() < wanted; ++p) {
            const ZVautopair &r = records[entries[p].second];
            if (entries[p].first < T || r.is_not_to_be_autokerned(glyphs))
                continue;
            if (p == q)
                ahead.push_back({p, std::nullopt, 0});
            else if (!r.has_dropped_source()) // one with dropped measurements waits its turn
                ahead.push_back({p, r, 0});
        }
        zvparallel::for_each(ahead.size(), [&](std::size_t k) {
            Ahead &a = ahead[k];
            ZVautopair &r = records[entries[a.position].second];
            a.u = urgency(a.copy ? *a.copy : r, target_of(r));
        });
    };

    double T = 60.0;
    bool stop = false;
    while (!stop) {
        double best = 0;
        for (std::size_t q = 0; q < entries.size(); ++q) {
            auto &[u, i] = entries[q];
            if (u < T) {
                best = std::max(best, u);
                continue;
            }
            ZVautopair &r = records[i];
            if (r.is_not_to_be_autokerned(glyphs))
                continue;
            const float target = target_of(r);
            models.determine_mix_and_modelpairs(false);
            while (next_ahead < ahead.size() && ahead[next_ahead].position < q)
                ++next_ahead;
            if (next_ahead >= ahead.size() || ahead[next_ahead].position != q)
                evaluate_from(q, T);
            Ahead &a = ahead[next_ahead++];
            if (a.copy)
                r.adopt(std::move(*a.copy));
            u = a.u;
            if (u < T) {
                best = std::max(best, u);
                continue;
            }
            ahead.clear(); // evaluated under the models as they were
            u = 0;
            models.quick_add({r.indices.first, r.indices.second, target}, glyphs);
            if (models.modelpairs.empty())
                models.determine_mix_and_modelpairs(true);
            if (models.size() >= limit) {
                models.tidy_up();
                if (models.size() >= limit) {
                    stop = true;
                    break;
                }
            }
        }
        ahead.clear();
        if (stop)
            break;
        models.tidy_up();
        T = 0.875 * best;
        if (!(T > 1.0))
            break;
    }
    // The next determination rebuilds the fit from the models as they now are.
    models.modelpairs = ZVmodelpairs();
    models.second_modelpairs = ZVmodelpairs();
    models.mixes.clear();
}
