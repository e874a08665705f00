// Glyph outlines for all masters: contours of typed points, the master's advance and its
// design-space coordinates. Plain value types; copies are deep.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace PLXlibNamespaceForZV {

class ZVrasterization;

/// Point types as the outline library codes them.
enum PLXpoint_type : std::uint32_t {
    PLX_QUADRATIC_OFFCURVE = 2,
    PLX_CUBIC_OFFCURVE = 3,
    PLX_ONCURVE = 4,
    PLX_QUADRATIC_ONCURVE = 5, ///< an on-curve point that ends a quadratic run
};

/// One outline point, in stored coordinates (host coordinates divided by the glyph's scale).
struct PLXpoint {
    double x = 0;
    double y = 0;
    double aux_x = 0; ///< carried with the point, unused by the library
    double aux_y = 0; ///< carried with the point, unused by the library
    std::uint32_t type = PLX_ONCURVE;
    std::uint8_t tag = 0; ///< carried with the point, unused by the library
    bool selected = false;
};

/// A closed contour: the point after the last is the first.
class PLXcontour {
  public:
    std::vector<PLXpoint> points;

    /// Turns the cubic off-curve run that leads into a quadratic on-curve point (type 5) into a
    /// quadratic run. Walks from the last point to the first and does not wrap around.
    void detect_square_beziers();
};

/// One master of a glyph.
struct PLXmaster {
    std::vector<PLXcontour> contours;
    std::vector<double> coords; ///< design-space coordinates; [0] is the weight axis value
    PLXpoint advance;           ///< x is the advance width, y the height (contour -1)
    std::uint64_t index = 0;    ///< the master's position in its glyph's master vector
};

/// A glyph's outlines for all its masters. Contour index -1 addresses the master's advance.
class PLXglyph {
  public:
    std::string id;   ///< the host's glyph id
    std::string name; ///< the glyph name
    std::uint16_t contours_number = 0;
    std::vector<PLXmaster> masters;
    /// Stored coordinates are host coordinates divided by scale; 0 means "unscaled".
    double scale = 0;

    PLXglyph() = default;
    /// `masters` masters with `contours` empty contours each; the scale is given as an integer.
    PLXglyph(std::uint64_t masters, std::uint64_t contours, std::uint64_t scale);
    PLXglyph(const PLXglyph &) = default;
    PLXglyph &operator=(const PLXglyph &) = default;
    /// A moved-from glyph keeps empty strings and no masters.
    PLXglyph(PLXglyph &&other) noexcept;
    PLXglyph &operator=(PLXglyph &&other) noexcept;
    ~PLXglyph() = default;

    /// x of point p of contour c in host units; c < 0 gives the advance width. p wraps around the
    /// contour; a contour that is missing or has no points reads 0.
    double get_x(std::size_t m, int c, std::uint32_t p) const;
    /// y of point p of contour c in host units; c < 0 (the advance) and missing points read 0.
    double get_y(std::size_t m, int c, std::uint32_t p) const;
    /// Sets x in host units; c < 0 sets the advance width (rounded, see the source). Grows the
    /// contour and point vectors as needed.
    void set_x(std::size_t m, int c, std::uint32_t p, double value);
    /// Sets y in host units, only for an existing contour; grows its point vector as needed.
    void set_y(std::size_t m, int c, std::uint32_t p, double value);
    /// The type of a point (c < 0: the advance point); grows the vectors as needed.
    std::uint32_t &point_type(std::size_t m, int c, std::uint32_t p);
    /// The selection flag of a point (c < 0: the advance point); grows the vectors as needed.
    bool &selected(std::size_t m, int c, std::uint32_t p);
    /// Point count of contour c; 0 for a missing contour.
    std::uint32_t points_number(std::size_t m, int c) const;
    /// The design-space coordinates of master m; throws std::out_of_range("vector") past the end.
    std::vector<double> &coords(std::size_t m);
    /// Whether a later master's weight differs from the first master's.
    bool has_multiple_weight_masters() const;
    std::uint32_t get_masters_number() const;
    std::uint16_t get_contours_number() const;
    /// Empties every contour of every master; the contours themselves stay.
    void clear_points();
    /// Multiplies the first master's points, advance width and height by f, in place.
    void scale_by(double f);
    /// Runs PLXcontour::detect_square_beziers on every contour of every master.
    void detect_square_beziers();
    /// The side extents of the first master (empty when the glyph has no master).
    ZVrasterization rasterized() const;

  private:
    PLXpoint &grown_point(std::size_t m, int c, std::uint32_t p);
    /// The point read by get_x/get_y (c < 0: the advance), nullptr for a missing one.
    const PLXpoint *point_at(std::size_t m, int c, std::uint32_t p) const;
};

} // namespace PLXlibNamespaceForZV
