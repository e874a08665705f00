// Per-glyph side profiles of one master, and the font's search width derived from them.
#pragma once

#include "engine/geometry/PLXglyph.h"
#include "engine/geometry/ZVglyphsinfo.h"
#include "engine/geometry/ZVprofile.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace PLXlibNamespaceForZV {

/// The engine's record of one glyph in one master. Distances in engine units.
struct ZVglyph {
    float width = 0; ///< advance width
    ZVglyph_category category{0, 0, ZV_OTHER, 0};
    bool symmetric = false; ///< the left and right profiles are alike
    std::string name;
    ZVprofile left, right;           ///< distance of the outline from each side, per row
    ZVprofile left_zone, right_zone; ///< the same, deepened outside the zone; empty if unchanged
    /// [0] left side, [1] right side: 0 standard, 1 capitals/figures/currency, -1 No kerning,
    /// k >= 2 the glyph table's custom group k.
    std::array<std::int16_t, 2> tracking_group{0, 0};

    /// The glyph's depth as pairs see it: its advance width, engine units.
    float depth() const { return width; }
    /// Profile of one side (0 left, 1 right).
    const ZVprofile &profile(int side) const { return side == 0 ? left : right; }
};

class ZVglyphs {
  public:
    std::vector<ZVglyph> glyphs; ///< one record per glyph of the table, by glyph index
    /// Search width in engine units: four times the width that covers most glyph pairs.
    std::int32_t max_width = 0;
    double scale = 0;             ///< engine units per font unit
    std::int32_t zone_height = 0; ///< zone height for uppercase letters, engine units

    ZVglyphs() = default;
    /// Builds every record. The outlines are scaled by `scale` in place: callers hand over
    /// outlines in font units and get them back in engine units.
    ZVglyphs(std::vector<PLXglyph> &outlines, const ZVglyphsinfo &info, double scale,
             int zone_height);

    /// Quantile q over the records with rows on that side of min(width, the side's max_depth).
    double max_x_median(signed char side, double q) const;
    /// Quantile q over the records with rows of the deepest distance inside the side's valley.
    double max_x_in_valley_median(signed char side, double q) const;

    /// Width and both side profiles from an outline already in engine units.
    static void build_profiles(ZVglyph &glyph, const PLXglyph &outline);
    /// Default tracking groups of a glyph, overridden by the table's custom groups.
    static std::array<std::int16_t, 2> tracking_groups_for(const ZVglyphsinfo &info,
                                                           std::uint16_t index,
                                                           const ZVglyph_category &category);
    /// Symmetry test with the given cap, zone profiles and finalize, for a record with rows.
    void finish_glyph(ZVglyph &glyph, double symmetry_cap) const;
    /// Rebuilds one record's width and profiles from its edited outline (engine units); the
    /// tracking groups, name and category stay.
    void rebuild_glyph(std::uint16_t index, const PLXglyph &outline);

  private:
    void build_zone_profiles(ZVglyph &glyph) const;
};

} // namespace PLXlibNamespaceForZV
