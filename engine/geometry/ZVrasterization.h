// Horizontal scan of one outline master: per row, how far the outline reaches in from the left
// edge (x = 0) and from the right edge (the advance width).
#pragma once

#include "engine/geometry/PLXglyph.h"

#include <cstdint>
#include <vector>

namespace PLXlibNamespaceForZV {

/// Marks a row that no part of the outline reaches (2^29 - 1).
inline constexpr double ZV_NO_INK = 536870911.0;

class ZVrasterization {
  public:
    /// Per row, the smallest x at which the outline crosses it, in stored outline units.
    std::vector<double> left;
    /// Per row, the advance width minus the largest crossing x, in stored outline units.
    std::vector<double> right;
    /// Floor of the master's lowest y: row r lies at height offset + r.
    std::int32_t offset = 0;

    /// An empty profile: no rows, offset 0.
    ZVrasterization() = default;
    /// Scans one master. Row count is a multiple of 3; rows without ink hold ZV_NO_INK.
    explicit ZVrasterization(const PLXmaster &master);

    /// Scans one closed contour whose points are in outline coordinates.
    void rasterize_contour(const PLXcontour &contour);
    /// Samples a straight segment at the row centres; y relative to offset. Subtracts 0.5 from
    /// start.y in place.
    void rasterize_line(PLXpoint &start, const PLXpoint &delta);
    /// A quadratic segment, split until its chord is flat; y relative to offset.
    void rasterize_curve_sq(PLXpoint &p0, PLXpoint &p1, PLXpoint &p2);
    /// A cubic segment, split until its chord is flat; y relative to offset.
    void rasterize_curve_cub(PLXpoint &p0, PLXpoint &p1, PLXpoint &p2, PLXpoint &p3);

    /// Bare coordinates, as the curve splitting uses them.
    struct Vec2 {
        double x, y;
    };

  private:
    void apply(std::int64_t row, double x);
    void chord(Vec2 start, Vec2 end);
    void curve_sq(Vec2 p0, Vec2 p1, Vec2 p2);
    void curve_cub(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3);
};

} // namespace PLXlibNamespaceForZV
