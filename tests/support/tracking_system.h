// Tracking-solver systems shaped like the ones the tracking determination builds from model
// pairs: pairs of groups 0, 1 and custom groups, margins from a hidden true tracking, and a few
// contradictory margins.
#pragma once

#include "engine/model/ZVtracking_solver.h"

#include <algorithm>
#include <cstddef>
#include <random>
#include <utility>
#include <vector>

namespace zvtest {

/// Adds `count` constraints over the solver's n groups (n >= 3), deterministic for a seed.
inline void add_tracking_system(ZVtracking_solver &solver, std::size_t count, unsigned seed) {
    const int n = static_cast<int>(solver.n);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    auto pick_group = [&] {
        const double u = unit(rng);
        if (u < 0.5)
            return 0;
        if (u < 0.7)
            return 1;
        return 2 + static_cast<int>(unit(rng) * (n - 2)) % (n - 2);
    };
    // The hidden tracking: group and single values per group.
    std::vector<double> t(n, 0.0), s(n, 0.0);
    t[1] = solver.lower_bounds.values[1];
    s[1] = solver.lower_bounds.values[n + 1];
    for (int g = 2; g < n; ++g) {
        t[g] = -25.0 + 50.0 * unit(rng);
        s[g] = 1.25 * t[g] - 3.0 + 6.0 * unit(rng);
    }
    auto tracking = [&](int l, int r) {
        const int a = std::min(l, r), b = std::max(l, r);
        if (a == b)
            return a == 0 ? 0.0 : s[a];
        if (a == 1 || b == 1)
            return t[a] + t[b];
        if (t[a] == 0)
            return t[b];
        const double q = t[b] / t[a];
        if (q >= 1)
            return t[b] + 0.25 * t[a];
        if (q > 0)
            return t[a] + 0.25 * t[b];
        return t[a] + t[b];
    };
    // The solver's two unknowns of a pair, larger index first.
    auto unknowns = [&](int l, int r) {
        if (l == r && l != 0)
            return std::pair<short, short>(static_cast<short>(n + l), 0);
        return std::pair<short, short>(static_cast<short>(std::max(l, r)),
                                       static_cast<short>(std::min(l, r)));
    };
    std::size_t added = 0;
    while (added < count) {
        const int jl = pick_group(), jr = pick_group(), kl = pick_group(), kr = pick_group();
        const std::pair<int, int> j{std::min(jl, jr), std::max(jl, jr)};
        const std::pair<int, int> k{std::min(kl, kr), std::max(kl, kr)};
        if (j == k || (j.second < 2 && k.second < 2))
            continue;
        double m = (tracking(jl, jr) - tracking(kl, kr)) * (0.3 + 0.7 * unit(rng));
        if (unit(rng) < 0.05)
            m = -30.0 + 60.0 * unit(rng);
        if (m == 0)
            continue;
        const auto [a1, a2] = unknowns(jl, jr);
        const auto [b1, b2] = unknowns(kl, kr);
        solver.add(a1, a2, b1, b2, m, m > 0);
        ++added;
    }
}

} // namespace zvtest
