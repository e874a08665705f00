// Kerning groups rebuilt from the kerning itself: glyph sides whose kerning is alike share a group,
// and each master writes one value per group pair with glyph–glyph exceptions, so that every
// target still comes out exactly.
#pragma once

#include "plugin/ZVfinalkerning.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// Tolerance of the grouping in units per 1000 em: two sides whose targets differ by at most this
/// on every shared partner are alike. Of 0, 2, 4 and 8, the one that gave the sample family's
/// masters their smallest kerning.
inline constexpr double ZV_GROUPING_TOLERANCE = 8.0;
/// The fewest partners two sides must share, each targeted with both, to be alike.
inline constexpr std::size_t ZV_GROUPING_MIN_SHARED = 3;

/// One kerning group of glyph sides.
struct ZVkerninggroup {
    std::string name;                   ///< the glyph name of its first member in glyph order
    std::vector<std::uint16_t> members; ///< engine glyph indices, in glyph order; at least two
};

/// One grouping for the whole font. A right side belongs in the glyph's right kerning group (it
/// faces the right partner, so the group stands on the left of a pair), a left side in its left
/// kerning group.
struct ZVkerninggroups {
    std::vector<ZVkerninggroup> right_sides; ///< in glyph order of their first members
    std::vector<ZVkerninggroup> left_sides;
    std::vector<std::int32_t> right_side_of; ///< per engine glyph index: its group, -1 none
    std::vector<std::int32_t> left_side_of;
};

/// Whether two sides sharing `shared` partners (each targeted with both) have the evidence to be
/// alike: at least ZV_GROUPING_MIN_SHARED, and at least a quarter of the partners of the side
/// with fewer targeted partners.
bool enough_evidence(std::size_t shared, std::size_t smaller_side_partners);

/// Groups the sides of the glyphs from the targets of every written master. Two sides are alike
/// when they share enough partners targeted with both (enough_evidence; partners counted once
/// over the masters) and in every master their targets differ by at most `tolerance` font units
/// on each of them. In decreasing summed weight (ties: glyph order) each side joins the first
/// group all of whose members it is alike with, else starts one; groups of one are dropped.
/// Sides without a target, not groupable, or of glyphs outside the font stay out.
ZVkerninggroups make_kerning_groups(const std::vector<std::vector<ZVkerningtarget>> &masters,
                                    const ZVglyphorder &order, double tolerance);

/// The tolerance in font units for a font of `units_per_em`.
double grouping_tolerance(std::uint32_t units_per_em);

/// One master's kerning under the groups. Each group pair takes the value its targets carry with
/// the most frequency (ties: smaller magnitude, then smaller value; 0 writes nothing); a target
/// the group pair does not give exactly becomes a glyph–glyph entry (an exception), as does every
/// target with an ungrouped side that writes something.
ZVwrittenkerning grouped_kerning(const std::vector<ZVkerningtarget> &targets,
                                 const ZVkerninggroups &groups);

/// One master's final kerning before the size fit: its targets flat (`groups` null) or under the
/// groups, and the font's own pairs without a target (`others`, pairs_without_target). Each of
/// those stays as an entry, but one that a written class pair covers stays (as an exception) only
/// when its value differs from the class pair's by more than `tolerance`; else it is left to the
/// class pair. They weigh 1 × the change their removal makes and may be dropped.
ZVwrittenkerning final_master_kerning(const std::vector<ZVkerningtarget> &targets,
                                      const std::vector<ZVkerningtarget> &others,
                                      const ZVkerninggroups *groups, double tolerance,
                                      ZVfontpairs &counts);
