#include "engine/model/ZVtracking_solver.h"
#include "tracking_system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr double e = 1.0 / 8192;

struct Added {
    short g1, g2, g3, g4;
    double m;
    bool positive;
};

ZVtracking_solver solved(std::size_t n, float t1, float t2, const std::vector<Added> &adds,
                         double step) {
    ZVtracking_solver s(n, t1, t2);
    for (const Added &a : adds)
        s.add(a.g1, a.g2, a.g3, a.g4, a.m, a.positive);
    s.solve(step);
    return s;
}

// The combined tracking of two unknowns over a bound vector, as the solver reads a pair.
double combined(int x, int y, const std::vector<float> &v, std::size_t n) {
    if (x == 0)
        return 0;
    if (static_cast<std::size_t>(x) >= n)
        return v[x];
    const double vx = v[x], vy = v[y];
    if (vx == 0)
        return vy;
    const double r = vy / vx;
    return r >= 1 ? vy + 0.25 * vx : r > 0 ? vx + 0.25 * vy : vx + vy;
}

// Two unknowns t2, t3 that each must exceed the other: the bounds creep toward each other by
// about 2 per pass and keep changing for far more than 100 passes.
const std::vector<Added> kRatchet = {{2, 0, 3, 0, 1, true}, {3, 0, 2, 0, 1, true}};

} // namespace

TEST(ZVtracking_solver, ConstructionFixesTheConstantsAndTheCapitals) {
    for (std::size_t n : {2u, 3u, 5u}) {
        SCOPED_TRACE(n);
        const ZVtracking_solver s(n, 4.5f, 7.25f);
        const auto &L = s.lower_bounds.values, &U = s.upper_bounds.values;
        ASSERT_EQ(L.size(), 2 * n);
        ASSERT_EQ(U.size(), 2 * n);
        EXPECT_TRUE(s.lower_bounds.singles.empty() && s.upper_bounds.singles.empty());
        EXPECT_EQ(s.lower_bounds.compare_all, 0);
        EXPECT_EQ(s.n, n);
        for (std::size_t g = 0; g < 2 * n; ++g) {
            SCOPED_TRACE(g);
            if (g == 0 || g == n) {
                EXPECT_EQ(L[g], 0.f);
                EXPECT_EQ(U[g], 0.f);
            } else if (g == 1 || g == n + 1) {
                EXPECT_EQ(L[g], g == 1 ? 4.5f : 7.25f);
                EXPECT_EQ(U[g], L[g]);
            } else {
                EXPECT_EQ(L[g], -500.f);
                EXPECT_EQ(U[g], 500.f);
            }
        }
    }
    const ZVtracking_solver empty;
    EXPECT_EQ(empty.n, 0u);
    EXPECT_TRUE(empty.lower_bounds.values.empty() && empty.constraints.empty());
}

TEST(ZVtracking_solver, AddOrientsTheConstraintAndFoldsTheCapitalsIntoTheMargin) {
    // n = 4: unknown 1 is t1 = 3, unknown 5 is t2 = 10.
    struct Case {
        Added in;
        ZVtracking_solver::constraint out;
    } cases[] = {
        {{3, 2, 6, 0, 12, true}, {3, 2, 6, 0, 12}},   {{3, 2, 6, 0, -12, false}, {6, 0, 3, 2, 12}},
        {{2, 1, 0, 0, 12, true}, {2, 0, 0, 0, 9}},    // t1 on the a side
        {{3, 0, 2, 1, 12, true}, {3, 0, 2, 0, 15}},   // t1 on the b side
        {{5, 0, 7, 0, 12, true}, {0, 0, 7, 0, 2}},    // t2 on the a side
        {{5, 0, 3, 1, -12, false}, {3, 0, 0, 0, 19}}, // reversed: t1 and t2 change sides
        {{1, 1, 5, 0, 0, true}, {0, 0, 0, 0, 4}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.in.g1 << "," << c.in.g2 << " vs " << c.in.g3 << ","
                                        << c.in.g4 << " m=" << c.in.m);
        ZVtracking_solver s(4, 3.f, 10.f);
        s.add(c.in.g1, c.in.g2, c.in.g3, c.in.g4, c.in.m, c.in.positive);
        ASSERT_EQ(s.constraints.size(), 1u);
        const auto &got = s.constraints[0];
        EXPECT_EQ(got.a1, c.out.a1);
        EXPECT_EQ(got.a2, c.out.a2);
        EXPECT_EQ(got.b1, c.out.b1);
        EXPECT_EQ(got.b2, c.out.b2);
        EXPECT_EQ(got.margin, c.out.margin);
    }
}

TEST(ZVtracking_solver, AddDropsConstraintsItCannotRead) {
    const Added unreadable[] = {
        {-1, 0, 2, 0, 5, true},    {2, 0, 0, -3, 5, true},  {8, 0, 2, 0, 5, true},
        {2, 0, 32767, 0, 5, true}, {2, 0, 3, 0, NAN, true}, {2, 0, 3, 0, INFINITY, false},
    };
    ZVtracking_solver s(4, 0.f, 0.f);
    for (const Added &a : unreadable)
        s.add(a.g1, a.g2, a.g3, a.g4, a.m, a.positive);
    EXPECT_TRUE(s.constraints.empty());
    s.add(7, 0, 2, 0, 5, true); // the highest unknown, 2n - 1, is readable
    EXPECT_EQ(s.constraints.size(), 1u);

    // Constraints stored by hand are checked again before they are used.
    s.constraints.push_back({9, 0, 0, 0, 5});
    s.constraints.push_back({2, 0, 40000, 3, 5});
    s.solve(50);
    EXPECT_EQ(s.lower_bounds.values.size(), 8u);

    ZVtracking_solver none; // no unknowns: every index is outside
    none.add(0, 0, 0, 0, 1, true);
    EXPECT_TRUE(none.constraints.empty());
    none.solve(50);
    EXPECT_TRUE(none.lower_bounds.values.empty());
}

TEST(ZVtracking_solver, SolvePutsTheLowerBoundsWhereTheFixingRuleGives) {
    // n = 3: t2 is unknown 2, s2 unknown 5; n = 4: t2, t3 are 2, 3, and s2, s3 are 6, 7.
    struct Case {
        const char *name;
        std::size_t n;
        float t1, t2;
        std::vector<Added> adds;
        double step;
        std::vector<std::pair<int, double>> expected; // unknown, L = U
    } cases[] = {
        {"t2 >= 10, fixed a step above",
         3,
         0,
         0,
         {{2, 0, 0, 0, 10, true}},
         50,
         {{2, 60 + e}, {5, 0}}},
        {"t2 >= 10, small step", 3, 0, 0, {{2, 0, 0, 0, 10, true}}, 0.75, {{2, 10.75 + e}, {5, 0}}},
        {"a negative step counts as none",
         3,
         0,
         0,
         {{2, 0, 0, 0, 10, true}},
         -10,
         {{2, 10 + e}, {5, 0}}},
        {"t2 <= -10, negative step",
         3,
         0,
         0,
         {{0, 0, 2, 0, 10, true}},
         -10,
         {{2, -10 - e}, {5, 0}}},
        {"t2 <= -10, fixed a step below",
         3,
         0,
         0,
         {{0, 0, 2, 0, 10, true}},
         50,
         {{2, -60 - e}, {5, 0}}},
        {"t2 <= -10 given reversed",
         3,
         0,
         0,
         {{2, 0, 0, 0, -10, false}},
         50,
         {{2, -60 - e}, {5, 0}}},
        {"t2 >= 600 stops at the upper bound",
         3,
         0,
         0,
         {{2, 0, 0, 0, 600, true}},
         50,
         {{2, 500}, {5, 0}}},
        {"t2 >= 10 and t2 <= 5 keep the raised lower bound",
         3,
         0,
         0,
         {{2, 0, 0, 0, 10, true}, {0, 0, 2, 0, -5, true}},
         50,
         {{2, 10 + e}, {5, 0}}},
        {"t2 + t1 >= 10 with t1 = 4", 3, 4, 0, {{2, 1, 0, 0, 10, true}}, 50, {{2, 56 + e}, {5, 0}}},
        {"t2 - t1 >= 10 with t1 = 4", 3, 4, 0, {{2, 0, 1, 0, 10, true}}, 50, {{2, 64 + e}, {5, 0}}},
        {"s2 >= 10 is fixed before the wider t2",
         3,
         0,
         0,
         {{5, 0, 0, 0, 10, true}},
         50,
         {{2, 0}, {5, 60 + e}}},
        {"s2 - s1 >= 10 with s1 = 3", 3, 0, 3, {{5, 0, 4, 0, 10, true}}, 50, {{2, 0}, {5, 63 + e}}},
        {"t2 - t3 >= 10: t2 at 0 first, then t3 below",
         4,
         0,
         0,
         {{2, 0, 3, 0, 10, true}},
         50,
         {{2, 0}, {3, -60 - e}, {6, 0}, {7, 0}}},
        {"chain t2 >= 10, t3 - t2 >= 5",
         4,
         0,
         0,
         {{2, 0, 0, 0, 10, true}, {3, 0, 2, 0, 5, true}},
         50,
         {{2, 60 + e}, {3, 115 + 2 * e}, {6, 0}, {7, 0}}},
        {"chain t2 >= 10, t3 - t2 >= 5, small step",
         4,
         0,
         0,
         {{2, 0, 0, 0, 10, true}, {3, 0, 2, 0, 5, true}},
         0.75,
         {{2, 10.75 + e}, {3, 16.5 + 2 * e}, {6, 0}, {7, 0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ZVtracking_solver s = solved(c.n, c.t1, c.t2, c.adds, c.step);
        for (const auto &[g, value] : c.expected) {
            SCOPED_TRACE(g);
            EXPECT_EQ(s.lower_bounds.values[g], static_cast<float>(value));
            EXPECT_EQ(s.upper_bounds.values[g], static_cast<float>(value));
        }
        EXPECT_EQ(s.lower_bounds.values[1], c.t1);
        EXPECT_EQ(s.lower_bounds.values[c.n + 1], c.t2);
        EXPECT_EQ(s.lower_bounds.values[c.n], 0.f);
        EXPECT_EQ(s.upper_bounds.values[c.n], 0.f);
    }
}

TEST(ZVtracking_solver, TwoUnknownsOnASideShareTheShortfall) {
    // n = 4: t2, t3 are unknowns 2, 3 and s2, s3 are 6, 7; every unknown ends fixed.
    struct Case {
        const char *name;
        std::vector<Added> adds;
        double step;
        double t2, t3, s2; // L = U
    } cases[] = {
        {"t3 with t2 >= 10",
         {{3, 2, 0, 0, 10, true}},
         50,
         58.000099182128906,
         58.000099182128906,
         0},
        {"t3 with t2 <= -10",
         {{0, 0, 3, 2, 10, true}},
         50,
         -58.000099182128906,
         -58.000099182128906,
         0},
        {"t3 with t2 >= 10, t2 <= -20: opposite signs",
         {{3, 2, 0, 0, 10, true}, {0, 0, 2, 0, 20, true}},
         50,
         -20 - e,
         80 + 2 * e,
         0},
        {"t3 with t2 <= -10, t2 >= 20: opposite signs",
         {{0, 0, 3, 2, 10, true}, {2, 0, 0, 0, 20, true}},
         50,
         20 + e,
         -80 - 2 * e,
         0},
        {"t3 >= 5, t3 with t2 >= 100: t2 rises through 0",
         {{3, 0, 0, 0, 5, true}, {3, 2, 0, 0, 100, true}},
         50,
         126,
         131 + e,
         0},
        {"t3 <= -5, t3 with t2 <= -100: t2 falls through 0",
         {{0, 0, 3, 0, 5, true}, {0, 0, 3, 2, 100, true}},
         50,
         -126,
         -131 - e,
         0},
        {"s2 - (t3 with t2) >= 30", {{6, 0, 3, 2, 30, true}}, 0.75, 0, 0, 30.75 + e},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ZVtracking_solver s = solved(4, 0, 0, c.adds, c.step);
        const auto &L = s.lower_bounds.values, &U = s.upper_bounds.values;
        const double expected[8] = {0, 0, c.t2, c.t3, 0, 0, c.s2, 0};
        for (int g : {2, 3, 6, 7}) {
            SCOPED_TRACE(g);
            EXPECT_EQ(L[g], static_cast<float>(expected[g]));
            EXPECT_EQ(U[g], static_cast<float>(expected[g]));
        }
    }
}

TEST(ZVtracking_solver, AnUnknownOnBothSidesLeavesTheOtherUnknownToCloseTheGap) {
    // Moving the shared unknown shifts both sides alike, so only the other one closes the gap;
    // the shared one is never pushed and ends fixed at 0 between its bounds.
    struct Case {
        const char *name;
        Added add;
        double t2, t3; // L = U
    } cases[] = {
        {"(t3 with t2) - t2 >= 300", {3, 2, 2, 0, 300, true}, 0, 350 + e},
        {"(t3 with t2) - t3 >= 300", {3, 2, 3, 0, 300, true}, 350 + e, 0},
        {"t3 - (t3 with t2) >= 300", {3, 0, 3, 2, 300, true}, -350 - e, 0},
        {"t2 - (t3 with t2) >= 300", {2, 0, 3, 2, 300, true}, 0, -350 - e},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ZVtracking_solver s = solved(4, 0, 0, {c.add}, 50);
        const auto &L = s.lower_bounds.values, &U = s.upper_bounds.values;
        EXPECT_EQ(L[2], static_cast<float>(c.t2));
        EXPECT_EQ(U[2], L[2]);
        EXPECT_EQ(L[3], static_cast<float>(c.t3));
        EXPECT_EQ(U[3], L[3]);
        EXPECT_GE(combined(c.add.g1, c.add.g2, L, 4) - combined(c.add.g3, c.add.g4, L, 4), 300);
    }
}

TEST(ZVtracking_solver, TwoGroupsLeaveTheBoundsAsConstructed) {
    ZVtracking_solver s(2, 6.f, 9.f);
    const ZVtracking_solver fresh = s;
    s.add(1, 0, 0, 0, 40, true);
    s.add(3, 0, 2, 0, -40, true); // 2 = n is the constant 0
    s.add(2, 0, 0, 0, 40, true);
    s.solve(50);
    EXPECT_EQ(s.lower_bounds.values, fresh.lower_bounds.values);
    EXPECT_EQ(s.upper_bounds.values, fresh.upper_bounds.values);
}

TEST(ZVtracking_solver, UpToFiftyTwoGroupsEveryUntouchedUnknownIsFixedAtZero) {
    // Even when the ratchet keeps the first 100 passes narrowing, the last 100 passes fix one
    // unknown each, enough for the 2(n - 2) unknowns of 52 groups: no single value is left for
    // the fallback from its group value.
    for (std::size_t n : {3u, 4u, 20u, 52u}) {
        for (bool ratchet : {false, true}) {
            SCOPED_TRACE(testing::Message() << "n=" << n << " ratchet=" << ratchet);
            const ZVtracking_solver s =
                solved(n, 2, 5, ratchet ? kRatchet : std::vector<Added>{}, 50);
            const auto &L = s.lower_bounds.values, &U = s.upper_bounds.values;
            for (std::size_t g = 2; g < 2 * n; ++g) {
                if (g == n || g == n + 1)
                    continue;
                SCOPED_TRACE(g);
                EXPECT_EQ(L[g], U[g]) << "every unknown ends fixed";
                if (!ratchet || (g != 2 && g != 3)) {
                    EXPECT_EQ(L[g], 0.f);
                }
            }
        }
    }
}

TEST(ZVtracking_solver, SingleValuesLeftOpenAfterTheLastPassFollowTheirGroup) {
    // 120 groups are more unknowns than the last 100 passes can fix: the last groups stay
    // open at -500 and their single values become 1.25 times that.
    const std::size_t n = 120;
    const ZVtracking_solver s = solved(n, 0, 0, kRatchet, 50);
    const auto &L = s.lower_bounds.values, &U = s.upper_bounds.values;
    const std::size_t last = n - 1;
    EXPECT_EQ(L[last], -500.f);
    EXPECT_EQ(U[last], 500.f);
    EXPECT_EQ(L[n + last], -625.f);
    EXPECT_EQ(U[n + last], 500.f);
    // Group 4 was fixed at 0, its single was not.
    EXPECT_EQ(L[4], 0.f);
    EXPECT_EQ(U[4], 0.f);
    EXPECT_EQ(L[n + 4], 0.f);
    EXPECT_EQ(U[n + 4], 500.f);
    EXPECT_EQ(L[n + 3], static_cast<float>(1.25 * L[3]));
}

TEST(ZVtracking_solver, RealisticSystemsEndFiniteWithinBoundsAndRepeatable) {
    struct Case {
        std::size_t n;
        std::size_t count;
        unsigned seed;
        double step;
    } cases[] = {{3, 40, 1, 50},
                 {8, 300, 2, 50},
                 {20, 2000, 3, 50},
                 {20, 2000, 3, 0.75},
                 {52, 3000, 4, 0.75}};
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "n=" << c.n << " seed=" << c.seed);
        ZVtracking_solver a(c.n, 4.f, 11.f), b(c.n, 4.f, 11.f);
        zvtest::add_tracking_system(a, c.count, c.seed);
        zvtest::add_tracking_system(b, c.count, c.seed);
        ASSERT_EQ(a.constraints.size(), c.count);
        a.solve(c.step);
        b.solve(c.step);
        EXPECT_EQ(a.lower_bounds.values, b.lower_bounds.values);
        EXPECT_EQ(a.upper_bounds.values, b.upper_bounds.values);
        const auto &L = a.lower_bounds.values, &U = a.upper_bounds.values;
        for (std::size_t g = 2; g < 2 * c.n; ++g) {
            if (g == c.n || g == c.n + 1)
                continue;
            SCOPED_TRACE(g);
            ASSERT_TRUE(std::isfinite(L[g]) && std::isfinite(U[g]));
            EXPECT_GE(L[g], -500.f);
            EXPECT_LE(U[g], 500.f);
            EXPECT_EQ(L[g], U[g]) << "at most 52 groups: every unknown ends fixed";
        }
        EXPECT_EQ(L[1], 4.f);
        EXPECT_EQ(L[c.n + 1], 11.f);
    }
}
