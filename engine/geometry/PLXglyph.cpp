#include "engine/geometry/PLXglyph.h"

#include "engine/geometry/ZVrasterization.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace PLXlibNamespaceForZV {

namespace {

// Just below one half, so that trunc(v + h) rounds halves away from zero without the
// 0.49999999999999994 + 0.5 rounding trap of a plain +0.5.
constexpr double kBelowHalf = 0.49999999999999994;

double round_half_away(double v) { return std::trunc(v >= 0 ? v + kBelowHalf : v - kBelowHalf); }

} // namespace

void PLXcontour::detect_square_beziers() {
    bool in_quadratic_run = false;
    for (auto it = points.rbegin(); it != points.rend(); ++it) {
        if (it->type == PLX_QUADRATIC_ONCURVE) {
            in_quadratic_run = true;
        } else if (in_quadratic_run && it->type == PLX_CUBIC_OFFCURVE) {
            it->type = PLX_QUADRATIC_OFFCURVE;
        } else {
            in_quadratic_run = false;
        }
    }
}

PLXglyph::PLXglyph(std::uint64_t masters_count, std::uint64_t contours, std::uint64_t scale_)
    : contours_number(static_cast<std::uint16_t>(contours)), scale(static_cast<double>(scale_)) {
    masters.resize(masters_count);
    for (std::uint64_t i = 0; i < masters_count; ++i) {
        masters[i].contours.resize(contours);
        masters[i].index = i;
    }
}

PLXglyph::PLXglyph(PLXglyph &&other) noexcept
    : id(std::exchange(other.id, {})), name(std::exchange(other.name, {})),
      contours_number(other.contours_number), masters(std::exchange(other.masters, {})),
      scale(other.scale) {}

PLXglyph &PLXglyph::operator=(PLXglyph &&other) noexcept {
    if (this != &other) {
        id = std::exchange(other.id, {});
        name = std::exchange(other.name, {});
        contours_number = other.contours_number;
        masters = std::exchange(other.masters, {});
        scale = other.scale;
    }
    return *this;
}

const PLXpoint *PLXglyph::point_at(std::size_t m, int c, std::uint32_t p) const {
    if (m >= masters.size())
        return nullptr;
    const PLXmaster &master = masters[m];
    if (c < 0)
        return &master.advance;
    if (static_cast<std::size_t>(c) >= master.contours.size())
        return nullptr;
    const auto &points = master.contours[c].points;
    const auto n = static_cast<std::uint32_t>(points.size());
    if (n == 0)
        return nullptr;
    // p = -1 read as 32 bits is the last point.
    return &points[static_cast<std::uint32_t>(p + n) % n];
}

double PLXglyph::get_x(std::size_t m, int c, std::uint32_t p) const {
    const PLXpoint *point = point_at(m, c, p);
    if (!point)
        return 0;
    return scale != 0 ? point->x * scale : point->x;
}

double PLXglyph::get_y(std::size_t m, int c, std::uint32_t p) const {
    const PLXpoint *point = c < 0 ? nullptr : point_at(m, c, p);
    if (!point)
        return 0;
    return scale != 0 ? point->y * scale : point->y;
}

PLXpoint &PLXglyph::grown_point(std::size_t m, int c, std::uint32_t p) {
    PLXmaster &master = masters.at(m);
    if (c < 0)
        return master.advance;
    if (master.contours.size() <= static_cast<std::size_t>(c))
        master.contours.resize(static_cast<std::size_t>(c) + 1);
    auto &points = master.contours[c].points;
    if (points.size() <= p)
        points.resize(static_cast<std::size_t>(p) + 1);
    return points[p];
}

void PLXglyph::set_x(std::size_t m, int c, std::uint32_t p, double value) {
    if (m >= masters.size())
        return;
    const double v = value / (scale != 0 ? scale : 1.0);
    if (c < 0) {
        const double r = round_half_away(v);
        // Unscaled widths stay fractional unless they are within rounding noise of a whole number.
        masters[m].advance.x = (scale != 0 || std::fabs(r - v) < 0.01) ? r : v;
        return;
    }
    grown_point(m, c, p).x = v;
}

void PLXglyph::set_y(std::size_t m, int c, std::uint32_t p, double value) {
    if (c < 0 || m >= masters.size() || static_cast<std::size_t>(c) >= masters[m].contours.size())
        return;
    grown_point(m, c, p).y = value / (scale != 0 ? scale : 1.0);
}

std::uint32_t &PLXglyph::point_type(std::size_t m, int c, std::uint32_t p) {
    return grown_point(m, c, p).type;
}

bool &PLXglyph::selected(std::size_t m, int c, std::uint32_t p) {
    return grown_point(m, c, p).selected;
}

std::uint32_t PLXglyph::points_number(std::size_t m, int c) const {
    if (c < 0 || m >= masters.size() || static_cast<std::size_t>(c) >= masters[m].contours.size())
        return 0;
    return static_cast<std::uint32_t>(masters[m].contours[c].points.size());
}

std::vector<double> &PLXglyph::coords(std::size_t m) {
    if (m >= masters.size())
        throw std::out_of_range("vector");
    return masters[m].coords;
}

bool PLXglyph::has_multiple_weight_masters() const {
    if (masters.empty() || masters[0].coords.empty())
        return false;
    const double first = masters[0].coords[0];
    for (std::size_t i = 1; i < masters.size(); ++i) {
        // A master without coordinates counts as equal to the first.
        if (!masters[i].coords.empty() && masters[i].coords[0] != first)
            return true;
    }
    return false;
}

std::uint32_t PLXglyph::get_masters_number() const {
    return static_cast<std::uint32_t>(masters.size());
}

std::uint16_t PLXglyph::get_contours_number() const { return contours_number; }

void PLXglyph::clear_points() {
    for (auto &master : masters)
        for (auto &contour : master.contours)
            contour.points.clear();
}

void PLXglyph::scale_by(double f) {
    if (masters.empty())
        return;
    PLXmaster &master = masters[0];
    for (auto &contour : master.contours) {
        for (auto &point : contour.points) {
            point.x *= f;
            point.y *= f;
        }
    }
    master.advance.x *= f;
    master.advance.y *= f;
}

void PLXglyph::detect_square_beziers() {
    for (auto &master : masters)
        for (auto &contour : master.contours)
            contour.detect_square_beziers();
}

ZVrasterization PLXglyph::rasterized() const {
    if (masters.empty())
        return ZVrasterization();
    return ZVrasterization(masters[0]);
}

} // namespace PLXlibNamespaceForZV
