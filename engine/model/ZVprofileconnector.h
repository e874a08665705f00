// Links the rows of one glyph side to the rows of the facing side: every row with ink gets at
// most one partner, the nearest one available.
#pragma once

#include "engine/geometry/ZVprofile.h"

#include <cstdint>
#include <vector>

/// Squared distance of a row without partner.
inline constexpr double ZV_NO_PARTNER_DISTANCE = 144115187538984960.0;

/// A row's link: the partner row in the other connector's profile (-1 = none) and the squared
/// Euclidean distance to it (engine units squared).
struct ZVrowpartner {
    std::int32_t row = -1;
    double distance = ZV_NO_PARTNER_DISTANCE;
};

class ZVprofileconnector : public PLXlibNamespaceForZV::ZVprofile {
  public:
    std::vector<ZVrowpartner> partners; ///< one per row
    std::vector<std::uint8_t> pending;  ///< 1 while a row with ink is still to be (re)linked
    std::uint32_t side = 0;             ///< 1 for the connector built first; orders the search
    /// What spares a seek that cannot change anything. Per row: the last clear of its link
    /// (counted by clears), and, after a seek of the row that changed nothing, the facing
    /// rows it considered and the other connector's clear count then (idle_clears 0: none).
    std::vector<std::uint32_t> cleared_at, idle_clears;
    std::vector<std::int32_t> idle_lo, idle_hi;
    std::vector<std::uint32_t> block_cleared; ///< the latest clear per block of rows
    std::uint32_t clears = 0;                 ///< links of this connector cleared so far

    ZVprofileconnector() = default;
    /// Copies the profile; no row has a partner; every row with ink is pending.
    ZVprofileconnector(const PLXlibNamespaceForZV::ZVprofile &profile, std::uint32_t side);

    /// Links every row present in both profiles to its level partner; an overlap is moved into
    /// a's distance and counts as gap 0. Returns a's index of the last row linked (-1: none).
    static int set_up_horizontals_and_eliminate_overlap(ZVprofileconnector &a,
                                                        ZVprofileconnector &b);
    /// One round in which a's pending rows seek nearer partners in b, visited upward (direction
    /// false) or downward. Returns whether any link changed.
    static bool find_partners_round(ZVprofileconnector &a, ZVprofileconnector &b, bool direction);
    /// Rounds in the cycle (a, b, up), (b, a, down), (a, b, down), (b, a, up) until one changes
    /// nothing.
    static void find_partners(ZVprofileconnector &a, ZVprofileconnector &b);
};
