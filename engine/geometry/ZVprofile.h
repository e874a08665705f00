// One side of one glyph: per row, the distance of the outline from that side.
#pragma once

#include "engine/geometry/ZVrasterization.h"

#include <cstdint>
#include <vector>

namespace PLXlibNamespaceForZV {

/// Per-row distances of one glyph side, in engine units. Row r lies at height first_row + r.
/// The empty profile has no rows, min_depth ZV_NO_INK and max_depth -ZV_NO_INK.
struct ZVprofile {
    double min_depth = ZV_NO_INK;  ///< smallest distance over the rows with ink
    double max_depth = -ZV_NO_INK; ///< largest distance over the rows with ink
    std::vector<double> depths;    ///< one distance per row, ZV_NO_INK for a row without ink
    /// Per row, the nearest higher row with a strictly smaller distance; the row count if none.
    std::vector<std::int32_t> next_closer_above;
    /// Per row, the nearest lower row with a strictly smaller distance; -1 if none.
    std::vector<std::int32_t> next_closer_below;
    std::int32_t first_row = 0; ///< height of row 0

    std::size_t rows() const { return depths.size(); }
    bool empty() const { return depths.empty(); }
    /// Takes the rows of one side of a raster and their summary distances.
    void set_depths(const std::vector<double> &raster_side, std::int32_t offset);
    /// Fills next_closer_above and next_closer_below, in one pass each.
    void finalize();
};

/// Mean squared difference of two profiles over their shared rows, distances capped at cap.
/// 2^30 when they share no row; 0 when a row outside the shared range comes closer than cap.
double side_profile_difference(const ZVprofile &a, const ZVprofile &b, double cap);

} // namespace PLXlibNamespaceForZV
