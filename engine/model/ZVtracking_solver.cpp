#include "engine/model/ZVtracking_solver.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kLowest = -500.0f;
constexpr float kHighest = 500.0f;
// A bound must clear its target by more than the engine's "no difference" tolerance.
constexpr double kEpsilon = 1.0 / 8192;
constexpr double kNoWidth = 1073741824.0;
// Passes that may only narrow before every further pass also fixes an unknown, and the limit.
constexpr std::size_t kNarrowingPasses = 100;
constexpr std::size_t kMaxPasses = 200;

// The tracking of a pair from its two unknowns (x, y), as the group rule combines two group
// values: the larger dominates when both share a sign, opposite signs add.
double combined(std::uint16_t x, std::uint16_t y, const std::vector<float> &v, std::uint64_t n) {
    if (x == 0)
        return 0;
    const double vx = v[x];
    if (x >= n)
        return vx;
    const double vy = v[y];
    if (vx == 0)
        return vy;
    const double r = vy / vx;
    if (r >= 1)
        return vy + 0.25 * vx;
    if (r > 0)
        return vx + 0.25 * vy;
    return vx + vy;
}

void store_max(float &bound, double candidate) {
    bound = static_cast<float>(std::max(static_cast<double>(bound), candidate));
}

void store_min(float &bound, double candidate) {
    bound = static_cast<float>(std::min(static_cast<double>(bound), candidate));
}

void add_to(float &bound, double amount) { bound = static_cast<float>(bound + amount); }

// Raises the lower bounds of the a side so that it can reach the b side's lowest value.
void raise_a_side(const ZVtracking_solver::constraint &c, std::vector<float> &L,
                  const std::vector<float> &U, std::uint64_t n) {
    const std::uint16_t a1 = c.a1, a2 = c.a2;
    const double need = combined(c.b1, c.b2, L, n) + c.margin;
    if (a2 == 0) {
        const float raised = static_cast<float>(need + kEpsilon);
        if (raised > L[a1])
            L[a1] = raised;
    } else {
        const double u1 = U[a1], u2 = U[a2];
        store_max(L[a1], need + kEpsilon - u2);
        store_max(L[a2], need + kEpsilon - u1);
        const double have = combined(a1, a2, L, n);
        if (have < need) {
            const double shortfall = need - have + kEpsilon;
            if (a1 == c.b1 || a1 == c.b2) {
                // a1 moves both sides alike: only a2 can close the gap.
                add_to(L[a2], shortfall);
            } else if (a2 == c.b1 || a2 == c.b2) {
                add_to(L[a1], shortfall);
            } else {
                const double delta = std::min(0.5 * shortfall + 5.0, shortfall);
                const bool opposite = (L[a1] < 0 && L[a2] >= 0) || (L[a2] < 0 && L[a1] >= 0);
                if (opposite) {
                    // Opposite signs add, so bringing the negative one toward 0 is enough.
                    const std::uint16_t g = L[a1] < 0 ? a1 : a2;
                    add_to(L[g], delta);
                    L[g] = std::min(L[g], 0.0f);
                    L[g] = std::min(L[g], U[g]);
                } else {
                    add_to(L[a1], 0.8 * delta);
                    add_to(L[a2], 0.8 * delta);
                }
            }
        }
    }
    L[a1] = std::min(L[a1], U[a1]);
    if (a2 != 0)
        L[a2] = std::min(L[a2], U[a2]);
}

// Lowers the upper bounds of the b side so that it stays below the a side's highest value.
void lower_b_side(const ZVtracking_solver::constraint &c, const std::vector<float> &L,
                  std::vector<float> &U, std::uint64_t n) {
    const std::uint16_t b1 = c.b1, b2 = c.b2;
    const double cap = combined(c.a1, c.a2, U, n) - c.margin;
    if (b2 == 0) {
        const float lowered = static_cast<float>(cap - kEpsilon);
        if (lowered < U[b1])
            U[b1] = lowered;
    } else {
        const double l1 = L[b1], l2 = L[b2];
        store_min(U[b1], cap - kEpsilon - l2);
        store_min(U[b2], cap - kEpsilon - l1);
        const double have = combined(b1, b2, U, n);
        if (have > cap) {
            const double over = cap - have - kEpsilon; // negative
            if (b1 == c.a1 || b1 == c.a2) {
                add_to(U[b2], over);
            } else if (b2 == c.a1 || b2 == c.a2) {
                add_to(U[b1], over);
            } else {
                const double delta = std::max(0.5 * over - 5.0, over);
                const bool opposite = (U[b1] > 0 && U[b2] <= 0) || (U[b2] > 0 && U[b1] <= 0);
                if (opposite) {
                    const std::uint16_t g = U[b1] > 0 ? b1 : b2;
                    add_to(U[g], delta);
                    U[g] = std::max(U[g], 0.0f);
                    U[g] = std::max(U[g], L[g]);
                } else {
                    add_to(U[b1], 0.8 * delta);
                    add_to(U[b2], 0.8 * delta);
                }
            }
        }
    }
    U[b1] = std::max(U[b1], L[b1]);
    if (b2 != 0)
        U[b2] = std::max(U[b2], L[b2]);
}

} // namespace

ZVtracking_solver::ZVtracking_solver(std::size_t groups, float t1, float t2) : n(groups) {
    std::vector<float> &L = lower_bounds.values;
    std::vector<float> &U = upper_bounds.values;
    L.assign(2 * groups, kLowest);
    U.assign(2 * groups, kHighest);
    if (groups == 0)
        return;
    L[0] = U[0] = 0;
    L[groups] = U[groups] = 0;
    // With a single group, unknown 1 is the constant n and there is no n + 1.
    if (groups >= 2) {
        L[1] = U[1] = t1;
        L[groups + 1] = U[groups + 1] = t2;
    }
}

void ZVtracking_solver::add(short g1, short g2, short g3, short g4, double m, bool positive) {
    const short given[4] = {g1, g2, g3, g4};
    for (short g : given)
        if (g < 0 || static_cast<std::uint64_t>(g) >= 2 * n)
            return;
    std::uint16_t idx[4];
    if (positive) {
        idx[0] = g1, idx[1] = g2, idx[2] = g3, idx[3] = g4;
    } else {
        idx[0] = g3, idx[1] = g4, idx[2] = g1, idx[3] = g2;
        m = -m;
    }
    // The capitals tracking is known: its share of each side becomes part of the margin.
    double fixed[2] = {0, 0};
    for (int i = 0; i < 4; ++i) {
        if (n >= 2 && (idx[i] == 1 || idx[i] == n + 1)) {
            fixed[i / 2] += lower_bounds.values[idx[i]];
            idx[i] = 0;
        }
    }
    const double margin = m - fixed[0] + fixed[1];
    if (!std::isfinite(margin))
        return;
    constraints.push_back({idx[0], idx[1], idx[2], idx[3], margin});
}

void ZVtracking_solver::solve(double step) {
    std::vector<float> &L = lower_bounds.values;
    std::vector<float> &U = upper_bounds.values;
    const std::size_t count = 2 * n;
    if (L.size() != count || U.size() != count)
        return;
    // A negative step would fix an unknown outside its own interval.
    if (!(step > 0))
        step = 0;
    std::vector<float> previous_lower(count), previous_upper(count);
    std::size_t last_fixed = count; // none
    for (std::size_t r = 0; r < kMaxPasses; ++r) {
        std::copy(L.begin(), L.end(), previous_lower.begin());
        std::copy(U.begin(), U.end(), previous_upper.begin());
        for (const constraint &c : constraints) {
            if (c.a1 >= count || c.a2 >= count || c.b1 >= count || c.b2 >= count)
                continue;
            if (c.a1 != 0)
                raise_a_side(c, L, U, n);
            if (c.b1 != 0)
                lower_b_side(c, L, U, n);
        }
        const bool changed = L != previous_lower || U != previous_upper;
        if (changed && r < kNarrowingPasses)
            continue;

        // Fix the narrowest free unknown (the first on a tie), never the one fixed last.
        std::size_t chosen = count;
        double narrowest = kNoWidth;
        for (std::size_t g = 2; g < count; ++g) {
            if (g == last_fixed)
                continue;
            const double width = static_cast<double>(U[g]) - L[g];
            if (width != 0 && width < narrowest) {
                narrowest = width;
                chosen = g;
            }
        }
        if (chosen == count)
            break;
        const double l = L[chosen], u = U[chosen];
        double v = 0;
        if (l < 0 && u <= 0)
            v = std::max((l + u) / 2, u - step);
        else if (l >= 0)
            v = std::min((l + u) / 2, l + step);
        L[chosen] = U[chosen] = static_cast<float>(v);
        last_fixed = chosen;
    }

    // A single value nothing constrained follows its group value.
    for (std::size_t g = 2; g < n; ++g) {
        if (L[n + g] == kLowest && U[n + g] == kHighest)
            L[n + g] = static_cast<float>(1.25 * L[g]);
    }
}
