#include "engine/model/ZVpair.h"

#include "engine/model/ZVmodelpair.h"

#include <algorithm>
#include <cmath>

namespace {

// Offsets that make a comparison unusable: the model sits in more custom groups than the pair.
constexpr double kUnusable = 214748368.0;

struct Groups {
    int lo, hi;
};

Groups ordered(int g, int h) { return {std::min(g, h), std::max(g, h)}; }

std::int16_t low_group(ZVpacked_groups p) { return static_cast<std::int16_t>(p & 0xFFFF); }
std::int16_t high_group(ZVpacked_groups p) { return static_cast<std::int16_t>(p >> 16); }

int custom_sides(int g1, int g2) { return (g1 >= 2) + (g2 >= 2); }

} // namespace

double combined_tracking(const ZVtracking &t, int g, int h) {
    const Groups a = ordered(g, h);
    if (a.lo == a.hi)
        return t.single(a.lo);
    if (a.lo == 1 || a.hi == 1)
        return static_cast<double>(t.value(a.lo)) + t.value(a.hi);
    const double x = t.value(a.lo), y = t.value(a.hi);
    if (x == 0)
        return y;
    const double r = y / x;
    if (r >= 1)
        return y + 0.25 * x;
    if (r > 0)
        return x + 0.25 * y;
    return x + y;
}

double custom_tracking(const ZVtracking &t, int g1, int g2) {
    const bool c1 = g1 >= 2, c2 = g2 >= 2;
    if (c1 && c2)
        return combined_tracking(t, g1, g2);
    if (c1)
        return t.value(g1);
    if (c2)
        return t.value(g2);
    return 0;
}

double pair_tracking_correction(const ZVtracking &t, ZVpacked_groups pair, ZVpacked_groups model) {
    const int g1 = low_group(pair), g2 = high_group(pair);
    const int h1 = low_group(model), h2 = high_group(model);
    if (h1 == 1 && h2 == 1 && g1 + g2 == 1)
        return -t.single(1);
    if (g1 == 1 && g2 == 1 && h1 + h2 == 1)
        return t.single(1);
    Groups a = ordered(g1, g2), b = ordered(h1, h2);
    if (a.lo + b.lo == 1 && a.hi == b.hi && a.hi >= 2)
        a.hi = b.hi = 0;
    return combined_tracking(t, a.lo, a.hi) - combined_tracking(t, b.lo, b.hi);
}

void ZVpair::update_properties_from_glyphs(const PLXlibNamespaceForZV::ZVglyph &left,
                                           const PLXlibNamespaceForZV::ZVglyph &right) {
    left_group = left.tracking_group[1];
    right_group = right.tracking_group[0];
    depth = std::min(left.depth(), right.depth());
    if (!(depth > 0))
        properties.set_kind(ZV_AUTOKERNED);
}

void ZVpair::adjust_values(const ZVmodelpair &model, const ZVgraph &graph,
                           const ZVtracking &tracking, std::vector<float> &estimates, bool direct) {
    if (graph.breadths.empty() || model.graph.breadths.empty())
        return;
    const int g1 = left_group, g2 = right_group;
    const int h1 = model.left_group, h2 = model.right_group;
    double lo_off = 0, hi_off = 0;
    if (!direct) {
        const bool same_groups = (g1 == h1 && g2 == h2) || (g1 == h2 && g2 == h1);
        if (!same_groups && !tracking.values.empty()) {
            if (custom_sides(h1, h2) > custom_sides(g1, g2)) {
                lo_off = -kUnusable;
                hi_off = kUnusable;
            } else {
                // How much looser the model's tracking is than the pair's: the pair may be up to
                // that much tighter than the model (or, when negative, that much looser).
                const double c = pair_tracking_correction(tracking, model.groups(), groups());
                if (c > 0)
                    hi_off = c;
                if (c < 0)
                    lo_off = c;
                const bool unshared =
                    h1 >= 2 ? (h1 != g1 && h1 != g2) || h2 >= 2 : h2 >= 2 && h2 != g1 && h2 != g2;
                if (unshared) {
                    // A model in a custom group the pair does not share widens the offsets.
                    const double X = custom_tracking(tracking, h1, h2);
                    const double Y = custom_tracking(tracking, g1, g2);
                    if (X > Y) {
                        hi_off = std::max(hi_off, combined_tracking(tracking, h1, h2));
                    } else if (X < Y) {
                        double Z = 0.75 * (2 * X - Y);
                        if (X * Z < 0)
                            Z = 0;
                        double U = 0;
                        if (h1 == 1 && h2 == 1)
                            U = tracking.single(1);
                        else if (h1 == 1 || h2 == 1)
                            U = tracking.value(1);
                        lo_off = std::min(lo_off, U + Z - combined_tracking(tracking, g1, g2));
                    }
                }
            }
        }
        if (properties.kind() == ZV_MODEL) {
            if (g1 < 2 && g2 < 2 && (h1 >= 2 || h2 >= 2))
                return;
            if (lo_off < 0)
                lo_off *= 256;
            if (hi_off > 0)
                hi_off *= 256;
            if (lo_off < -150 && hi_off > 150)
                return;
        } else if (lo_off == -kUnusable && hi_off == kUnusable) {
            return;
        }
    }

    const auto [lo, hi, mean_lo, mean_hi] = graph.compare(model.graph, lo_off, hi_off);
    const double v = value, m = model.value, t = ZV_TOLERANCE;
    // A pair follows a model kerned tighter than itself only partly.
    float A = static_cast<float>(v - mean_hi);
    if (m <= -t && m < A) {
        const double u = 0.7777777777777777 * m + A;
        A = static_cast<float>(u >= 0 ? u : (A - m) * 0.5625 + m);
    }
    float B = static_cast<float>(v - mean_lo);
    if (B <= -t && B < m)
        B = static_cast<float>(m >= 0 ? 0.625 * B : (B - m) * 0.625 + m);
    float C = static_cast<float>(v - hi);
    if (m <= -t && m < C) {
        const double u = 1.2857142857142856 * m + C;
        C = static_cast<float>(u >= 0 ? u : (C - m) * 0.4375 + m);
    }
    value_min = std::max(value_min, C);
    float E = static_cast<float>(v - lo);
    if (!direct) {
        if (E <= -t && E < m)
            E = static_cast<float>(m >= 0 ? 0.4375 * E : (E - m) * 0.4375 + m);
    } else if (v < 0 && v < m) {
        E = static_cast<float>(E + (std::min(m, 0.0) - v) * 1.2857142857142856);
    }
    value_max = std::min(value_max, E);
    if (!direct && B >= value_max && A <= value_min)
        return; // the model adds nothing inside the interval
    estimates.push_back(A);
    estimates.push_back(B);
}
