#include "engine/model/ZVautopair.h"
#include "engine/model/ZVsharedmeasurements.h"

#include "engine/model/ZVmodelpair.h"
#include "engine/model/ZVsourcepair.h"

#include <algorithm>
#include <cmath>

using PLXlibNamespaceForZV::ZVglyph;
using PLXlibNamespaceForZV::ZVglyphs;

namespace {

const ZVglyph *glyph_at(const ZVglyphs &glyphs, std::uint16_t g) {
    return g < glyphs.glyphs.size() ? &glyphs.glyphs[g] : nullptr;
}

bool has_outline(const ZVglyph *g) { return g && !g->left.empty(); }

bool has_char(const ZVglyph &g) {
    return (g.category.flags & PLXlibNamespaceForZV::ZV_HAS_UNICODE) != 0;
}
bool is_upper_char(const ZVglyph &g) {
    return has_char(g) && g.category.unicode >= 'A' && g.category.unicode <= 'Z';
}
bool is_lower_char(const ZVglyph &g) {
    return has_char(g) && g.category.unicode >= 'a' && g.category.unicode <= 'z';
}
bool is_ascii_letter(const ZVglyph &g) { return is_upper_char(g) || is_lower_char(g); }
bool is_char(const ZVglyph &g, char c) {
    return has_char(g) && g.category.unicode == static_cast<std::uint32_t>(c);
}
bool is_uppercase(const ZVglyph &g) {
    return g.category.category == PLXlibNamespaceForZV::ZV_UPPERCASE;
}
bool is_lowercase(const ZVglyph &g) {
    return g.category.category == PLXlibNamespaceForZV::ZV_LOWERCASE;
}
bool groups_equal(const ZVglyph &g) { return g.tracking_group[0] == g.tracking_group[1]; }

// The (A, M) of a set of estimates: the m-th smallest and the median above it (m = n / 2).
std::pair<float, float> lower_and_median(std::vector<float> &c, float lo, float hi) {
    const std::size_t n = c.size();
    if (n == 0)
        return {lo, hi};
    const std::size_t m = n / 2;
    std::nth_element(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(m), c.end());
    const float median = c[m];
    const float lower =
        n == 1 ? c[0] : *std::max_element(c.begin(), c.begin() + static_cast<std::ptrdiff_t>(m));
    return {lower, median};
}

std::pair<std::uint16_t, std::uint16_t> ordered_groups(std::int16_t a, std::int16_t b) {
    const std::int16_t lo = std::min(a, b), hi = std::max(a, b);
    return {static_cast<std::uint16_t>(lo), static_cast<std::uint16_t>(hi)};
}

} // namespace

std::uint32_t graph_knee_index(ZVgraph &graph, double slope) {
    if (graph.reserved != 0)
        return graph.reserved;
    const auto &b = graph.breadths;
    double best = -1073741824.0;
    std::uint32_t knee = 0;
    for (std::size_t k = b.size(); k-- > 0;) {
        const double sk = slope * static_cast<double>(k);
        if (sk < best + b[0])
            break;
        if (sk - b[k] > best) {
            best = sk - b[k];
            knee = static_cast<std::uint32_t>(k);
        }
    }
    graph.reserved = knee;
    return knee;
}

void set_breadth_indices(ZVgraph &graph, std::uint32_t index) {
    const auto i = static_cast<std::int32_t>(index);
    graph.min_index = graph.max_index = graph.min_index_peak = graph.max_index_peak = i;
}

double relative_difference(double x, double y) {
    double d = std::fabs(x - y);
    if (x != 0 && y != 0 && (x > 0) == (y > 0))
        d *= 1 - std::min(x / y, y / x);
    return d;
}

bool passes_glyph_class_filter(const ZVglyphs &glyphs, ZVglyph_pair pair) {
    const ZVglyph *pl = glyph_at(glyphs, pair.first), *pr = glyph_at(glyphs, pair.second);
    if (!pl || !pr)
        return false;
    const ZVglyph &L = *pl, &R = *pr;
    if (is_char(L, 'I') || is_char(L, 'l') || is_char(R, 'I') ||
        (is_char(R, 'l') && !is_lowercase(L)))
        return false;
    if (is_upper_char(L) && R.symmetric)
        return true;
    if (R.symmetric && groups_equal(R) &&
        ((is_uppercase(L) && !is_lowercase(R)) || (is_lowercase(L) && !is_uppercase(R))))
        return true;
    if (L.symmetric &&
        ((is_uppercase(R) && !is_lowercase(L)) || (is_lowercase(R) && !is_uppercase(L))))
        return groups_equal(L);
    return false;
}

ZVautopair::ZVautopair(const ZVsimplepair &head, const ZVglyph &left, const ZVglyph &right,
                       unsigned search_width)
    : ZVpair(head) {
    sources.emplace_back().update_from_glyphs(left, right, search_width, value);
    update_properties_from_glyphs(left, right);
}

ZVautopair::ZVautopair(const ZVsourcepair &pair) : ZVpair(pair), sources(pair.sources) {}

bool ZVautopair::refresh_properties(const ZVglyphs &glyphs) {
    const ZVglyph *l = glyph_at(glyphs, indices.first), *r = glyph_at(glyphs, indices.second);
    if (!l || !r) {
        properties.set_kind(ZV_AUTOKERNED);
        return false;
    }
    update_properties_from_glyphs(*l, *r);
    return true;
}

bool ZVautopair::is_not_to_be_autokerned(const ZVglyphs &glyphs) const {
    return properties.kind() == ZV_AUTOKERNED || left_group == -1 || right_group == -1 ||
           !has_outline(glyph_at(glyphs, indices.first)) ||
           !has_outline(glyph_at(glyphs, indices.second));
}

bool ZVautopair::is_autokernable(const ZVglyphs &glyphs) const {
    return !is_not_to_be_autokerned(glyphs);
}

void ZVautopair::activate(const ZVglyphs &glyphs) {
    properties.set_kind(ZV_USER_SET_AUTO);
    refresh_properties(glyphs);
}

ZVsource &ZVautopair::source_for_value(const ZVglyphs &glyphs, ZVsharedmeasurements *shared) {
    touched = true;
    const ZVglyph *l = glyph_at(glyphs, indices.first), *r = glyph_at(glyphs, indices.second);
    for (ZVsource &s : sources)
        if (s.value == value) {
            // Dropped only while both glyphs had an outline, and an outline edit forgets the
            // pair's measurements: the same glyphs give the same records.
            if (s.dropped() && l && r)
                s.measure_again(*l, *r);
            return s;
        }
    ZVsource &s = sources.emplace_back();
    if (l && r) {
        const auto n = static_cast<unsigned>(glyphs.max_width);
        if (shared && shared->take(indices, n, value, s))
            return s;
        s.update_from_glyphs(*l, *r, n, value);
        if (shared)
            shared->put(indices, n, value, s);
    } else
        s.value = value;
    return s;
}

bool ZVautopair::has_source_for_value() const {
    return std::any_of(sources.begin(), sources.end(),
                       [&](const ZVsource &s) { return s.value == value; });
}

bool ZVautopair::has_dropped_source() const {
    return std::any_of(sources.begin(), sources.end(),
                       [](const ZVsource &s) { return s.dropped(); });
}

void ZVautopair::adopt(ZVautopair &&worked) {
    static_cast<ZVpair &>(*this) = static_cast<const ZVpair &>(worked);
    touched = worked.touched;
    // A computation only packs the measurements it reads and appends those it takes; what it
    // packed is packed here in place, so that every kept measurement holds the same storage.
    const std::size_t before = std::min(sources.size(), worked.sources.size());
    for (std::size_t k = 0; k < before; ++k)
        if (sources[k].expanded() && !worked.sources[k].expanded())
            sources[k].pack();
    for (std::size_t k = before; k < worked.sources.size(); ++k)
        sources.push_back(std::move(worked.sources[k]));
}

ZVgraph ZVautopair::apply_models(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                 const ZVglyphs &glyphs) {
    std::vector<float> scratch;
    return apply_models(mix, models, glyphs, scratch, nullptr);
}

ZVgraph ZVautopair::apply_models(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                 const ZVglyphs &glyphs, std::vector<float> &candidates,
                                 ZVsharedmeasurements *shared) {
    ZVsource &s = source_for_value(glyphs, shared);
    value_min = ZV_NO_LOWER_BOUND;
    value_max = ZV_NO_VALUE;
    ZVgraph graph(s, mix);
    s.pack(); // kept compact; the records come back from it when needed again
    candidates.clear();
    for (const ZVmodelpair &m : models)
        adjust_values(m, graph, mix, candidates, false);
    calculate_value(candidates);
    return graph;
}

float ZVautopair::autokerning_min(float v) const {
    const double lo = value_min, hi = value_max;
    const double m = 0.875 * std::min<double>(v, hi);
    if (m <= lo)
        return static_cast<float>(lo);
    const double t = lo + 0.1875 * (m - lo);
    return static_cast<float>(t > 0 ? std::sqrt(m * t) : t);
}

float ZVautopair::autokerning_max(float v, float m) const {
    const double lo = value_min, hi = value_max;
    if (v >= hi)
        return static_cast<float>(hi);
    double B = std::max<double>(v, hi + 0.25 * (lo - hi));
    if (m < hi) {
        B = std::max(std::min({0.0, 1.2 * hi, hi + 0.53125 * (lo - hi)}), std::min<double>(m, B));
        B = std::max(B, lo);
    }
    const float hi_less = value_max - 2, m_more = m + 2;
    const double C = std::max({1.75 * hi_less, B, 1.75 * std::min<double>(m_more, hi)});
    return static_cast<float>(C > hi ? hi : C);
}

void ZVautopair::calculate_value(std::vector<float> &candidates) {
    const float lo = value_min, hi = value_max;
    if (static_cast<double>(hi) - lo < ZV_TOLERANCE) {
        value = lo;
    } else {
        const auto [A, M] = lower_and_median(candidates, lo, hi);
        const float r1 = autokerning_min(A), r2 = autokerning_max(A, M);
        value = r1 > 0 ? r1 : std::min(0.f, r2);
    }
    const float f = -0.5f * depth;
    value = std::max(value, f);
    value_min = std::max(value_min, f);
    value_max = std::max(value_max, f);
}

void ZVautopair::take_nearest_source_value() {
    if (sources.empty())
        return;
    const ZVsource *best = &sources.front();
    for (const ZVsource &s : sources)
        if (std::fabs(s.value - value) < std::fabs(best->value - value))
            best = &s;
    value = best->value;
}

void ZVautopair::round_to_whole_units(double unit) {
    ZVsimplepair scaled = *this;
    scaled.value = static_cast<float>(value / unit);
    scaled.value_min = static_cast<float>(value_min / unit);
    scaled.value_max = static_cast<float>(value_max / unit);
    value = static_cast<float>(round_pair_value(scaled, ZV_NO_VALUE) * unit);
}

ZVgraph ZVautopair::graph_from_autokerned(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                          const ZVglyphs &glyphs, int reuse,
                                          ZVsharedmeasurements *shared) {
    const double unit = glyphs.scale;
    if (reuse)
        take_nearest_source_value();
    else
        value = 0;
    std::vector<float> tried;
    tried.reserve(16);
    tried.push_back(value);
    std::vector<float> scratch;
    scratch.reserve(2 * models.size());

    ZVgraph best_graph = apply_models(mix, models, glyphs, scratch, shared);
    if (value == 0)
        return best_graph;
    if (value < -16) {
        value += 0.25f * (-16 - value);
        value = std::min(value, value_max);
    }
    const double h = 0.25 * unit;
    auto moved_toward = [&](float from) {
        return static_cast<float>(from + std::clamp(static_cast<double>(value) - from, -h, h));
    };
    double cost = rounding_cost(tried[0], value, value_min, value_max);
    float best_value = moved_toward(tried[0]);
    float best_min = value_min, best_max = value_max;

    while (tried.size() < 16) {
        if (value != 0)
            round_to_whole_units(unit);
        bool settled = false;
        while (std::find(tried.begin(), tried.end(), value) != tried.end()) {
            const float last = tried.back();
            double step;
            if (last > value + 0.75 * unit)
                step = 1;
            else if (last < value - 0.75 * unit)
                step = -1;
            else {
                settled = true;
                break;
            }
            value = static_cast<float>(std::round(value / unit + step) * unit);
        }
        if (settled)
            break;
        if (reuse && tried.size() >= 4 && !has_source_for_value())
            break;
        tried.push_back(value);
        ZVgraph g = apply_models(mix, models, glyphs, scratch, shared);
        const float last = tried.back();
        const double c = rounding_cost(last, value, value_min, value_max);
        if (c < cost) {
            cost = c;
            best_graph = std::move(g);
            best_value = moved_toward(last);
            best_min = value_min;
            best_max = value_max;
        }
    }
    value = best_value;
    value_min = best_min;
    value_max = best_max;
    return best_graph;
}

ZVautopair &ZVautopair::autokerned(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                   const ZVglyphs &glyphs, ZVsharedmeasurements *shared) {
    graph_from_autokerned(mix, models, glyphs, 0, shared);
    if (value_max < value_min)
        std::swap(value_min, value_max);
    return *this;
}

ZVgraph ZVautopair::graph(const ZVmix &mix, const ZVglyphs &glyphs) {
    take_nearest_source_value();
    if (value != 0)
        round_to_whole_units(glyphs.scale);
    ZVsource &s = source_for_value(glyphs);
    ZVgraph g(s, mix);
    s.pack();
    return g;
}

double ZVautopair::deviation_for_value(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                       const ZVglyphs &glyphs, float v) {
    if (!refresh_properties(glyphs))
        return 0;
    if (left_group == -1)
        left_group = 0;
    if (right_group == -1)
        right_group = 0;
    const float x = static_cast<float>(v * glyphs.scale);
    ZVsource trial;
    trial.update_from_glyphs(glyphs.glyphs[indices.first], glyphs.glyphs[indices.second],
                             static_cast<unsigned>(glyphs.max_width), x);
    const ZVgraph g(trial, mix);
    value = 0;
    value_min = ZV_NO_LOWER_BOUND;
    value_max = ZV_NO_VALUE;
    std::vector<float> candidates;
    for (const ZVmodelpair &m : models) {
        if (m.indices == indices)
            return static_cast<double>(m.value) - x;
        adjust_values(m, g, mix, candidates, false);
    }
    calculate_value(candidates);
    ZVsimplepair scaled = *this;
    const double f = 1.75 / glyphs.scale;
    scaled.value = static_cast<float>(value * f);
    scaled.value_min = static_cast<float>(value_min * f);
    scaled.value_max = static_cast<float>(value_max * f);
    const float r = round_pair_value(scaled, 2.0f);
    if (r > 0)
        return 2.2 * value + 350;
    if (r < 0)
        return 2.2 * value - 300;
    if (value_max < value_min)
        std::swap(value_min, value_max);
    const float lo = value_min, hi = value_max;
    auto [A, M] = lower_and_median(candidates, lo, hi);
    value = (A + M) / 2;
    value = std::clamp(value, lo + 0.125f * (hi - lo), lo + 0.875f * (hi - lo));
    A = std::clamp(A, lo, hi);
    M = std::clamp(M, lo, hi);
    if (A > 0 && value > 0)
        return value + A;
    if (M < 0 && value < 0)
        return value + M;
    return value;
}

std::optional<ZVcandidate> ZVautopair::as_candidate(const ZVglyphs &glyphs, bool letters_only,
                                                    bool special_only_in_groups) {
    const ZVglyph *pl = glyph_at(glyphs, indices.first), *pr = glyph_at(glyphs, indices.second);
    if (!pl || !pr)
        return std::nullopt;
    const ZVglyph &L = *pl, &R = *pr;
    if (letters_only && !(is_ascii_letter(L) && is_ascii_letter(R)))
        return std::nullopt;
    if (special_only_in_groups && ((L.category.category >= 3 && L.tracking_group[1] <= 1) ||
                                   (R.category.category >= 3 && R.tracking_group[0] <= 1)))
        return std::nullopt;
    refresh_properties(glyphs);
    if (!(depth > 0) || is_not_to_be_autokerned(glyphs))
        return std::nullopt;
    double w = 1.0;
    if ((is_upper_char(L) && is_upper_char(R)) || (is_lower_char(L) && is_lower_char(R)))
        w = 16.0 / 17;
    if (passes_glyph_class_filter(glyphs, indices))
        w *= 20.0 / 21;
    else if (indices.first == indices.second)
        w *= 25.0 / 26;
    auto unnamed_letter = [](const ZVglyph &g) {
        return g.category.category <= 2 && !is_ascii_letter(g);
    };
    if (unnamed_letter(L) || unnamed_letter(R))
        w *= 4;
    if (is_lowercase(L) && is_uppercase(R))
        w *= 4;
    ZVcandidate c;
    c.first_weight = w;
    // In double: the marker frequencies squared do not fit 32 bits; 0 counts as 1.
    const double f = std::max<std::uint16_t>(frequency, 1);
    c.second_weight = 1 / (f * f);
    c.groups = ordered_groups(left_group, right_group);
    return c;
}

std::optional<ZVcandidate> ZVautopair::as_model_candidate(const ZVmix &mix, const ZVglyphs &glyphs,
                                                          bool flag) {
    std::optional<ZVcandidate> c = as_candidate(glyphs, flag, flag);
    if (!c)
        return c;
    c->graph = graph(mix, glyphs);
    const auto &b = c->graph.breadths;
    const std::size_t n = b.size();
    if (n < 2)
        return std::nullopt; // no top of profile to walk
    double p = 0, t = b[1];
    for (std::size_t k = n - 2; n > 2 && k >= 1; --k) {
        if (b[k] > b[k + 1] - 4.21875) {
            p = static_cast<double>(k);
            t = b[k + 1];
            break;
        }
    }
    c->second_weight /=
        std::max(0.0, p + 26.666666666666668 - t * 0.23703703703703705) + 13.333333333333334;
    set_breadth_indices(c->graph, graph_knee_index(c->graph, 16.875));
    return c;
}

std::optional<ZVcandidate> ZVautopair::as_suggestion_candidate(const ZVmix &mix,
                                                               const ZVglyphs &glyphs) {
    if (frequency >= ZV_MARKER_FREQUENCIES)
        return std::nullopt;
    std::optional<ZVcandidate> c = as_candidate(glyphs, false, true);
    if (!c)
        return c;
    c->graph = graph(mix, glyphs);
    set_breadth_indices(c->graph, graph_knee_index(c->graph, 16.875));
    const bool a = left_group >= 2, b = right_group >= 2;
    if (a && b)
        c->first_weight *= 8;
    else if (a || b)
        c->first_weight *= 8.0 / 7;
    return c;
}

std::optional<ZVcandidate> ZVautopair::as_changes_candidate(const ZVmix &mix,
                                                            const std::vector<ZVmodelpair> &models,
                                                            const ZVglyphs &glyphs) {
    std::optional<ZVcandidate> c = as_candidate(glyphs, false, false);
    if (!c)
        return c;
    const float old = value;
    c->graph = graph_from_autokerned(mix, models, glyphs, 0);
    const float d = std::fabs(value - old);
    if (0.75 * glyphs.scale > d)
        return std::nullopt;
    c->second_weight /= std::sqrt(d);
    return c;
}

double ZVautopair::x_shift(const ZVmix &mix, const ZVglyphs &glyphs,
                           std::pair<const ZVglyph &, const ZVglyph &> previous) {
    const ZVautopair t(*this, previous.first, previous.second,
                       static_cast<unsigned>(glyphs.max_width));
    ZVsourcepair as_source;
    static_cast<ZVpair &>(as_source) = t;
    as_source.sources = t.sources;
    std::vector<ZVmodelpair> model{ZVmodelpair(as_source, mix)};
    ZVgraph &g = model[0].graph;
    if (g.reserved == 0) {
        std::uint32_t knee = graph_knee_index(g, 2.109375);
        if (knee == 0)
            knee = graph_knee_index(g, 16.875f);
        set_breadth_indices(g, knee);
        g.reserved = knee;
    }
    graph_from_autokerned(mix, model, glyphs, 0);
    return static_cast<double>(model[0].value) - value;
}

double ZVautopair::potential_model_urgency(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                           const ZVglyphs &glyphs, double target) {
    graph_from_autokerned(mix, models, glyphs, 0);
    return 3 * std::fabs(target - value) +
           std::max(0.0, static_cast<double>(value_max) - value_min);
}

double ZVautopair::potential_model_urgency_special_spaced(const ZVmix &mix,
                                                          const std::vector<ZVmodelpair> &models,
                                                          const ZVglyphs &glyphs, double target) {
    graph_from_autokerned(mix, models, glyphs, 0);
    double u = std::fabs(target - value);
    const ZVglyph *l = glyph_at(glyphs, indices.first), *r = glyph_at(glyphs, indices.second);
    if ((l && is_ascii_letter(*l)) || (r && is_ascii_letter(*r)))
        u *= 1.75;
    const int g1 = left_group, g2 = right_group;
    double t;
    if (g1 < 2 && g2 < 2)
        t = 0;
    else if (g1 < 2)
        t = mix.value(g2);
    else if (g2 < 2)
        t = mix.value(g1);
    else if (g1 == g2)
        t = mix.single(g1);
    else {
        double a = mix.value(g2), b = mix.value(g1);
        if (b == 0)
            t = a;
        else {
            const double ratio = a / b;
            if (ratio >= 1)
                b *= 0.25;
            else if (ratio > 0)
                a *= 0.25;
            t = a + b;
        }
    }
    if (t == 0)
        return 1024 * u;
    return std::max(0.0, static_cast<double>(value_max) - value_min) >= 3.0 ? u : 0;
}

double ZVautopair::uncertainty(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                               const ZVglyphs &glyphs) {
    graph_from_autokerned(mix, models, glyphs, 1);
    if (value_min > value_max)
        return 64 * (static_cast<double>(value_min) - value_max);
    const double m =
        std::min(relative_difference(value, value_min), relative_difference(value, value_max));
    const double H = std::min(value_max, 0.f), L = std::min(value_min, 0.f);
    return 2 * m + 0.375 * relative_difference(H, L);
}

double ZVautopair::compare_to_alternative(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                          const ZVglyphs &glyphs, double a, double b) {
    const float v0 = value, lo0 = value_min, hi0 = value_max;
    graph_from_autokerned(mix, models, glyphs, 1);
    const float v = value;
    const double d = relative_difference(v0, v);
    const double factor = (v0 == 0 && v != 0) ? a : (v == 0 && v0 != 0) ? b : 1;
    value = v0;
    value_min = lo0;
    value_max = hi0;
    return d * factor;
}
