// The plain pair records the engine exchanges: pairs handed in, pairs handed back, and the
// dialog's view of one pair; the rounding of values to whole font units.
#pragma once

#include "engine/geometry/ZVglyphs.h"

#include <cstdint>
#include <utility>
#include <vector>

/// A glyph pair (left, right) of glyph indices; ordered left first.
using ZVglyph_pair = std::pair<std::uint16_t, std::uint16_t>;

/// Engine markers.
inline constexpr float ZV_NO_VALUE = 1073741824.0f;        ///< 2^30: no value, no upper bound
inline constexpr float ZV_NO_LOWER_BOUND = -1073741824.0f; ///< -2^30: no lower bound
inline constexpr double ZV_TOLERANCE = 1.0 / 8192;         ///< differences below count as none
/// Frequency markers of pairs that no count of the frequency file stands for.
inline constexpr std::uint16_t ZV_UNKNOWN_FREQUENCY = 36833;         ///< known only as handed over
inline constexpr std::uint16_t ZV_COMPOSITES_FREQUENCY = 36831;      ///< formed inside composites
inline constexpr std::uint16_t ZV_COMPOSITES_USER_FREQUENCY = 36832; ///< and handed over too
/// Frequencies from here up are markers, never counts.
inline constexpr std::uint16_t ZV_MARKER_FREQUENCIES = 36830;

/// Kinds of a pair (bits 0-1 of the properties byte).
enum ZVpair_kind : std::uint8_t {
    ZV_AUTOKERNED = 0,
    ZV_USER_SET_AUTO = 1,
    ZV_INDEPENDENT = 2,
    ZV_MODEL = 3,
};

/// A pair and its value, handed into the engine (engine units).
struct ZVminipair {
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    float value = 0;
};

/// The properties byte of a pair: bits 0-1 its kind, bits 2-7 kept as they are.
struct Properties {
    std::uint8_t c = 0;
    std::uint8_t kind() const { return c & 3; }
    void set_kind(std::uint8_t k) { c = static_cast<std::uint8_t>((c & 0xFC) | (k & 3)); }
};

/// A pair record handed back by the engine: cache, feedback, display, writing.
struct ZVsimplepair {
    ZVglyph_pair indices{0, 0};
    float value = 0;
    float value_min = 0; ///< ZV_NO_LOWER_BOUND where there is no lower bound
    float value_max = 0; ///< ZV_NO_VALUE where there is no upper bound
    std::uint16_t frequency = 0;
    Properties properties;
};

/// The dialog's view of one pair (font units).
struct ZVUIpair {
    ZVglyph_pair indices{65535, 65535};
    float value = 0;
    float value_min = 0;
    float value_max = 0;
    std::uint16_t frequency = 0;
    Properties properties;
    ZVglyph_pair influencer_min_indices{65535, 65535}; ///< model setting value_min; 65535 = none
    ZVglyph_pair influencer_max_indices{65535, 65535}; ///< model setting value_max
    float if_autokerned = ZV_NO_VALUE;                 ///< value if autokerned; 2^30 = not computed
    std::uint8_t flags = 0; ///< six bits: model, user-set, independent, editable,
                            ///< cannot be a model, cannot be autokerned
};

/// v rounded to a whole number, halves away from zero, in single precision.
float round_half_away(float v);

/// The cost of giving a pair whose value is X the value c instead, within bounds [lo, hi].
double rounding_cost(double c, double X, double lo, double hi);

/// A pair's value rounded to whole font units by the cheaper of ceiling and floor. Values whose
/// magnitude would fall below min_magnitude become 0 or the minimum; 2^30 means no minimum.
float round_pair_value(const ZVsimplepair &pair, float min_magnitude);

/// For each glyph of a, the lowest index of b whose glyph has the same name; 65535 when none (or
/// when the name is empty).
std::vector<std::uint16_t> make_glyph_index_map(const PLXlibNamespaceForZV::ZVglyphs &a,
                                                const PLXlibNamespaceForZV::ZVglyphs &b);
