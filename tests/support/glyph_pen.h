// Drawing glyph outlines in code, for tests, benchmarks and the demo font.
#pragma once

#include "engine/geometry/PLXglyph.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace zvtest {

using PLXlibNamespaceForZV::PLXglyph;
using PLXlibNamespaceForZV::PLXpoint;

/// A one-master glyph with no contours yet, unscaled.
inline PLXglyph make_glyph(const std::string &id, const std::string &name, double width) {
    PLXglyph g(1, 0, 0);
    g.id = id;
    g.name = name;
    g.masters[0].advance.x = width;
    return g;
}

/// Draws closed contours into master 0 of a glyph, as a font editor's pen would. A contour whose
/// last point comes back onto its first keeps the last one, so every contour ends on-curve.
class GlyphPen {
  public:
    explicit GlyphPen(PLXglyph &glyph) : glyph_(glyph) {}
    ~GlyphPen() { close(); }

    GlyphPen &move_to(double x, double y) {
        close();
        glyph_.masters[0].contours.emplace_back();
        glyph_.contours_number = static_cast<std::uint16_t>(glyph_.masters[0].contours.size());
        open_ = true;
        return add(x, y, 4);
    }
    GlyphPen &line_to(double x, double y) { return add(x, y, 4); }
    /// A cubic segment.
    GlyphPen &curve_to(double x1, double y1, double x2, double y2, double x, double y) {
        add(x1, y1, 3);
        add(x2, y2, 3);
        return add(x, y, 4);
    }
    /// A quadratic run: off-curve points marked as the host marks them before conversion (type 3
    /// leading into a type 5 end), then turned quadratic by detect_square_beziers on close().
    GlyphPen &qcurve_to(const std::vector<std::pair<double, double>> &off, double x, double y) {
        for (const auto &[ox, oy] : off)
            add(ox, oy, 3);
        return add(x, y, 5);
    }
    void close() {
        if (!open_)
            return;
        open_ = false;
        auto &pts = glyph_.masters[0].contours.back().points;
        if (pts.size() > 1 && pts.back().x == pts.front().x && pts.back().y == pts.front().y)
            pts.erase(pts.begin());
        glyph_.masters[0].contours.back().detect_square_beziers();
    }

  private:
    GlyphPen &add(double x, double y, std::uint32_t type) {
        PLXpoint p;
        p.x = x;
        p.y = y;
        p.type = type;
        glyph_.masters[0].contours.back().points.push_back(p);
        return *this;
    }

    PLXglyph &glyph_;
    bool open_ = false;
};

/// A rectangle, counter-clockwise.
inline void add_rect(PLXglyph &g, double x0, double y0, double x1, double y1) {
    GlyphPen(g).move_to(x0, y0).line_to(x1, y0).line_to(x1, y1).line_to(x0, y1);
}

/// An ellipse drawn with four cubic quarter arcs.
inline void add_ellipse(PLXglyph &g, double cx, double cy, double rx, double ry) {
    constexpr double k = 0.5522847498; // control-point distance of a cubic quarter circle
    GlyphPen pen(g);
    pen.move_to(cx + rx, cy)
        .curve_to(cx + rx, cy + k * ry, cx + k * rx, cy + ry, cx, cy + ry)
        .curve_to(cx - k * rx, cy + ry, cx - rx, cy + k * ry, cx - rx, cy)
        .curve_to(cx - rx, cy - k * ry, cx - k * rx, cy - ry, cx, cy - ry)
        .curve_to(cx + k * rx, cy - ry, cx + rx, cy - k * ry, cx + rx, cy);
}

} // namespace zvtest
