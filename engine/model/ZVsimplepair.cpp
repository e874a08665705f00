#include "engine/model/ZVsimplepair.h"

#include <cmath>
#include <string>
#include <unordered_map>

float round_half_away(float v) {
    // Just below one half in single precision, so that 0.49999997 itself rounds to 0.
    return std::trunc(v + (v >= 0 ? 0.49999997f : -0.49999997f));
}

double rounding_cost(double c, double X, double lo, double hi) {
    // Moving toward zero is cheaper; leaving the pair's bounds costs four times the excess.
    double d;
    if (X > c) {
        d = X - c;
        if (c >= 0)
            d *= 0.75;
        if (c < lo) {
            d += 4 * (lo - c);
            const double z = std::min(lo, 0.0);
            if (z - c > ZV_TOLERANCE)
                d += 4 * (z - c);
        }
    } else {
        d = c - X;
        if (c <= 0)
            d *= 0.5;
        if (c > hi)
            d += 4 * (c - hi);
    }
    return d;
}

float round_pair_value(const ZVsimplepair &pair, float min_magnitude) {
    const float x = pair.value;
    if (x == 0)
        return 0;
    double up = std::ceil(x), down = std::floor(x);
    if (min_magnitude != ZV_NO_VALUE) {
        if (pair.properties.c & 2) // fixed by the designer: nearest whole value
            return round_half_away(x);
        const double m = min_magnitude;
        if (x >= 0) {
            up = std::max(up, std::ceil(m));
            down = down >= m ? down : 0;
        } else {
            down = std::min(down, std::floor(-m));
            up = up <= -m ? up : 0;
        }
    }
    auto cost = [&](double c) { return rounding_cost(c, x, pair.value_min, pair.value_max); };
    return static_cast<float>(cost(up) >= cost(down) ? down : up);
}

std::vector<std::uint16_t> make_glyph_index_map(const PLXlibNamespaceForZV::ZVglyphs &a,
                                                const PLXlibNamespaceForZV::ZVglyphs &b) {
    std::unordered_map<std::string, std::uint16_t> first_in_b;
    for (std::size_t i = 0; i < b.glyphs.size(); ++i)
        first_in_b.emplace(b.glyphs[i].name, static_cast<std::uint16_t>(i));
    std::vector<std::uint16_t> map;
    map.reserve(a.glyphs.size());
    for (const auto &glyph : a.glyphs) {
        const auto it = glyph.name.empty() ? first_in_b.end() : first_in_b.find(glyph.name);
        map.push_back(it == first_in_b.end() ? std::uint16_t{65535} : it->second);
    }
    return map;
}
