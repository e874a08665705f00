#include "engine/geometry/ZVrasterization.h"

#include <algorithm>
#include <cmath>

namespace PLXlibNamespaceForZV {

namespace {

// A glyph at engine scale spans about a thousand rows; a span beyond this comes only from a
// broken outline, and would otherwise allocate without bound.
constexpr double kMaxRows = 1 << 20;

// Curves are split until the chord is flat (|dx| / 2 + |dy| < 0.3). On sane outlines that takes
// about a dozen halvings; the cap only stops a broken outline with a huge x extent from hanging.
constexpr int kMaxSplitDepth = 20;

// Written as "not at least 0.3" so that a chord that is not a number counts as flat.
// The curve splitting works on bare coordinates: the point records carry more than it needs.
using Vec2 = ZVrasterization::Vec2;

Vec2 vec(const PLXpoint &p) { return {p.x, p.y}; }
Vec2 mid(Vec2 a, Vec2 b) { return {(a.x + b.x) * 0.5, (a.y + b.y) * 0.5}; }

// Written as "not at least 0.3" so that a chord that is not a number counts as flat.
bool is_flat(Vec2 start, Vec2 end) {
    return !(std::fabs(end.x - start.x) * 0.5 + std::fabs(end.y - start.y) >= 0.3);
}

// ceil and floor to whole rows. The library calls are not inlined on baseline x86-64 and sit on
// the hottest path, so values in the range of rows take a conversion instead.
std::int64_t ceil_row(double v) {
    if (std::fabs(v) < 4503599627370496.0) { // 2^52
        const auto t = static_cast<std::int64_t>(v);
        return t + (static_cast<double>(t) < v);
    }
    return static_cast<std::int64_t>(std::ceil(v));
}

std::int64_t floor_row(double v) {
    if (std::fabs(v) < 4503599627370496.0) {
        const auto t = static_cast<std::int64_t>(v);
        return t - (static_cast<double>(t) > v);
    }
    return static_cast<std::int64_t>(std::floor(v));
}

PLXpoint midpoint(const PLXpoint &a, const PLXpoint &b) {
    PLXpoint m;
    m.x = (a.x + b.x) * 0.5;
    m.y = (a.y + b.y) * 0.5;
    return m;
}

PLXpoint delta_of(const PLXpoint &from, const PLXpoint &to) {
    PLXpoint d;
    d.x = to.x - from.x;
    d.y = to.y - from.y;
    return d;
}

} // namespace

ZVrasterization::ZVrasterization(const PLXmaster &master) {
    // Vertical bounds over every point of every non-empty contour.
    bool found = false;
    double ymin = 0, ymax = 0;
    for (const auto &contour : master.contours) {
        for (const auto &point : contour.points) {
            if (!std::isfinite(point.y))
                return; // a broken outline has no rows
            if (!found) {
                ymin = ymax = point.y;
                found = true;
            } else if (point.y > ymax) {
                ymax = point.y;
            } else if (point.y < ymin) {
                ymin = point.y;
            }
        }
    }
    const double span = std::ceil(ymax) + 1 - std::floor(ymin);
    if (!std::isfinite(span) || span > kMaxRows || std::fabs(ymin) > kMaxRows)
        return;
    offset = static_cast<std::int32_t>(std::floor(ymin));
    const int n = static_cast<int>(span);
    if (n < 2)
        return;

    const std::size_t rows = static_cast<std::size_t>((n + 2) / 3) * 3;
    const double width = master.advance.x;
    left.assign(rows, ZV_NO_INK);
    right.assign(rows, width - ZV_NO_INK);
    for (const auto &contour : master.contours)
        rasterize_contour(contour);
    for (double &r : right)
        r = width - r;
}

void ZVrasterization::apply(std::int64_t row, double x) {
    if (row < 0 || static_cast<std::uint64_t>(row) >= left.size())
        return;
    if (x < left[row])
        left[row] = x;
    if (x > right[row])
        right[row] = x;
}

void ZVrasterization::rasterize_contour(const PLXcontour &contour) {
    const auto &pts = contour.points;
    const std::size_t n = pts.size();
    if (n == 0 || left.empty())
        return;
    auto at = [&](std::size_t i) {
        PLXpoint p = pts[i % n];
        p.y -= offset;
        return p;
    };
    for (std::size_t i = 0; i < n; ++i) {
        if (pts[i].type < PLX_ONCURVE)
            continue;
        PLXpoint p = at(i);
        PLXpoint a = at(i + 1);
        if (a.type == PLX_QUADRATIC_OFFCURVE) {
            PLXpoint c = a;
            PLXpoint b = at(i + 2);
            // Between two quadratic off-curve points lies an implied on-curve point.
            while (b.type < PLX_ONCURVE) {
                PLXpoint m = midpoint(c, b);
                rasterize_curve_sq(p, c, m);
                p = m;
                c = b;
                ++i;
                b = at(i + 2);
            }
            rasterize_curve_sq(p, c, b);
        } else if (a.type == PLX_CUBIC_OFFCURVE) {
            PLXpoint b = at(i + 2);
            PLXpoint d = at(i + 3);
            rasterize_curve_cub(p, a, b, d);
        } else {
            const PLXpoint delta = delta_of(p, a);
            rasterize_line(p, delta);
        }
    }
}

void ZVrasterization::rasterize_curve_sq(PLXpoint &p0, PLXpoint &p1, PLXpoint &p2) {
    curve_sq(vec(p0), vec(p1), vec(p2));
}

void ZVrasterization::rasterize_curve_cub(PLXpoint &p0, PLXpoint &p1, PLXpoint &p2, PLXpoint &p3) {
    curve_cub(vec(p0), vec(p1), vec(p2), vec(p3));
}

void ZVrasterization::chord(Vec2 start, Vec2 end) {
    PLXpoint s;
    s.x = start.x;
    s.y = start.y;
    PLXpoint d;
    d.x = end.x - start.x;
    d.y = end.y - start.y;
    rasterize_line(s, d);
}

// Both curve walks split at t = 0.5 (de Casteljau) until the chord is flat, drawing the half at
// the start first. The pending second halves wait on a stack as deep as the split limit.
void ZVrasterization::curve_sq(Vec2 p0, Vec2 p1, Vec2 p2) {
    struct Piece {
        Vec2 p1, p2;
        int depth;
    };
    Piece pending[kMaxSplitDepth + 1];
    int top = 0;
    int depth = 0;
    while (true) {
        if (is_flat(p0, p2) || depth >= kMaxSplitDepth) {
            chord(p0, p2);
            if (top == 0)
                return;
            --top;
            p0 = p2;
            p1 = pending[top].p1;
            p2 = pending[top].p2;
            depth = pending[top].depth;
            continue;
        }
        const Vec2 a = mid(p0, p1), b = mid(p1, p2);
        const Vec2 m = mid(a, b);
        pending[top++] = {b, p2, depth + 1};
        p1 = a;
        p2 = m;
        ++depth;
    }
}

void ZVrasterization::curve_cub(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3) {
    struct Piece {
        Vec2 p1, p2, p3;
        int depth;
    };
    Piece pending[kMaxSplitDepth + 1];
    int top = 0;
    int depth = 0;
    while (true) {
        if (is_flat(p0, p3) || depth >= kMaxSplitDepth) {
            chord(p0, p3);
            if (top == 0)
                return;
            --top;
            p0 = p3;
            p1 = pending[top].p1;
            p2 = pending[top].p2;
            p3 = pending[top].p3;
            depth = pending[top].depth;
            continue;
        }
        const Vec2 a = mid(p0, p1), b = mid(p1, p2), c = mid(p2, p3);
        const Vec2 ab = mid(a, b), bc = mid(b, c);
        const Vec2 m = mid(ab, bc);
        pending[top++] = {bc, c, p3, depth + 1};
        p1 = a;
        p2 = ab;
        p3 = m;
        ++depth;
    }
}

void ZVrasterization::rasterize_line(PLXpoint &start, const PLXpoint &delta) {
    if (delta.y == 0 || !std::isfinite(delta.y))
        return;
    start.y -= 0.5;
    const double y0 = start.y;
    const double y1 = y0 + delta.y;
    const std::int64_t a = ceil_row(y0);
    const std::int64_t b = ceil_row(y1);
    const std::int64_t first = delta.y > 0 ? a : b;
    const std::int64_t last = delta.y > 0 ? floor_row(y1) : floor_row(y0);
    if (first <= last) {
        const double slope = delta.x / delta.y;
        double x = (static_cast<double>(first) - y0) * slope + start.x;
        // Each crossing sampled at a row centre marks its own row and the row above.
        const std::int64_t end =
            std::min<std::int64_t>(last, static_cast<std::int64_t>(left.size()));
        for (std::int64_t r = first; r <= end; ++r) {
            apply(r, x);
            apply(r + 1, x);
            x += slope;
        }
    }
    // The segment's end points mark the rows that contain them.
    apply(a, start.x);
    apply(b, start.x + delta.x);
}

} // namespace PLXlibNamespaceForZV
