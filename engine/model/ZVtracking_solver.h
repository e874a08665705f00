// Tracking of the custom spacing groups from inequalities between model pairs, found by interval
// narrowing: a lower and an upper bound per unknown, tightened constraint by constraint until
// nothing moves, then the narrowest free unknown is fixed and the narrowing repeats.
#pragma once

#include "engine/model/ZVmix.h"

#include <cstddef>
#include <cstdint>
#include <vector>

/// Solver over 2n unknowns (engine units): g < n is the group value t[g] of a pair of two
/// different groups, n + g the single value s[g] of a pair with both glyphs in group g. Unknowns 0
/// and n are the constant 0; 1 and n + 1 hold the fixed capitals tracking. Results are read from
/// the lower bounds.
class ZVtracking_solver {
  public:
    /// combined(a1, a2) - combined(b1, b2) >= margin (engine units), fixed unknowns folded into
    /// the margin; an index of 0 names no unknown.
    struct constraint {
        std::uint16_t a1 = 0;
        std::uint16_t a2 = 0;
        std::uint16_t b1 = 0;
        std::uint16_t b2 = 0;
        double margin = 0;
    };

    ZVtracking lower_bounds;             ///< values: the 2n lower bounds; singles stay empty
    ZVtracking upper_bounds;             ///< values: the 2n upper bounds; singles stay empty
    std::uint64_t n = 0;                 ///< number of tracking groups
    std::vector<constraint> constraints; ///< in the order they were added

    /// No groups, no unknowns, no constraints.
    ZVtracking_solver() = default;
    /// 2n unknowns in [-500, 500]; the constants 0 and n at 0, unknown 1 fixed at t1 (capitals
    /// group value) and n + 1 at t2 (capitals single value).
    ZVtracking_solver(std::size_t n, float t1, float t2);

    /// Adds combined(g1, g2) - combined(g3, g4) >= m when positive, else the reverse with -m.
    /// Drops it when an index lies outside 0 .. 2n-1 or the margin is not finite.
    void add(short g1, short g2, short g3, short g4, double m, bool positive);
    /// Narrows and fixes the unknowns for at most 200 passes; a fixed value moves at most step
    /// (engine units) from the end of its interval nearer 0.
    void solve(double step);
};
