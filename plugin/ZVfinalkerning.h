// The kerning a finalisation writes, as plain data: per master the value every pair must come
// out as (its targets), and the entries that one master writes to get there.
#pragma once

#include "engine/model/ZVsimplepair.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// What one pair of a master must come out as.
struct ZVkerningtarget {
    ZVglyph_pair pair{0, 0};     ///< engine glyph indices (left, right)
    std::int32_t value = 0;      ///< whole font units
    std::uint16_t frequency = 0; ///< the pair's frequency, or a frequency marker
    bool never_dropped = false;  ///< a model, an independent pair or a user-set autopair
    bool keeps_zero = false;     ///< a zero value is written, not left out
};

/// One glyph–glyph entry to write, with what its removal would cost.
struct ZVkerningentry {
    ZVglyph_pair pair{0, 0};     ///< engine glyph indices
    std::int32_t value = 0;      ///< font units
    std::int64_t weight = 0;     ///< counted frequency × |the change its removal makes|
    std::uint32_t frequency = 0; ///< counted frequency (markers count 1)
    bool never_dropped = false;
    bool from_font = false; ///< the font's own pair, without a target
};

/// One group–group entry: indices into the right-side and left-side groups, font units.
struct ZVclassentry {
    std::uint32_t left_group = 0;  ///< the left glyph's right-side group
    std::uint32_t right_group = 0; ///< the right glyph's left-side group
    std::int32_t value = 0;
};

/// What one master writes.
struct ZVwrittenkerning {
    std::vector<ZVkerningentry> glyph_entries; ///< ascending (left, right)
    std::vector<ZVclassentry> class_entries;   ///< ascending (left group, right group)
    /// Pairs inside written class pairs that have no target of their own and so take the class
    /// pair's value.
    std::size_t untargeted_pairs = 0;
};

/// The font's glyphs as the finalisation needs them, by engine glyph index.
struct ZVglyphorder {
    std::vector<std::string> names;      ///< glyph names by glyph id (the font's glyph order)
    std::vector<std::uint16_t> glyph_id; ///< per engine glyph index; 65535: not in the font
    /// Per engine glyph index: bit 0 its left side, bit 1 its right side may join a kerning group.
    std::vector<std::uint8_t> groupable;
};

/// The frequency a pair weighs with: its count, or 1 for a frequency marker.
std::uint32_t counted_frequency(std::uint16_t frequency);

/// Whether a target stays whatever the size: flagged, or a pair formed inside composites.
bool is_never_dropped(const ZVkerningtarget &target);

/// Flat kerning: one glyph–glyph entry per target that writes something (a value other than 0,
/// or a kept zero), weighing counted frequency × |value|.
ZVwrittenkerning flat_kerning(const std::vector<ZVkerningtarget> &targets);

/// What a finalisation does with the kerning a master had: the pairs with a target get the
/// engine's value; each pair without one is kept (as it was, or as an exception to its class
/// pair) or left to its class pair.
struct ZVfontpairs {
    std::size_t kept = 0;
    std::size_t replaced = 0;
    std::size_t removed = 0;
};

/// The kerning a master had (glyph pairs with their effective values, ascending pairs) less the
/// pairs that have a target (ascending): each as a target of frequency ZV_UNKNOWN_FREQUENCY that
/// keeps its zero. `replaced` counts the pairs that have a target.
std::vector<ZVkerningtarget>
pairs_without_target(const std::vector<std::pair<ZVglyph_pair, std::int32_t>> &font_pairs,
                     const std::vector<ZVkerningtarget> &targets, std::size_t &replaced);
