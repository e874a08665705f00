// The measurement of one glyph pair at one kerning value: how close the facing outlines come,
// and how much of the two sides lies within each quarter-unit shell of distance beyond that.
#pragma once

#include "engine/geometry/ZVglyphs.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

/// Characteristics of one distance shell: spread-weighted amount (a), vertical spread (b) and
/// balance (c) of the rows within it.
struct ZVtriple {
    double a = 0, b = 0, c = 0;
};

/// One distance shell of a histogram: how many row couples fall in it and the sums of their row
/// heights (signed, so that descender rows never wrap) and squared heights, per side.
struct ZVbin {
    std::uint32_t count = 0;
    std::int64_t sum_a = 0, squares_a = 0;
    std::int64_t sum_b = 0, squares_b = 0;
};

/// How many unpacked measurements each thread keeps at hand (see ZVsource::with_shells_recent).
inline constexpr std::size_t ZV_RECENT_UNPACKED = 8;

class ZVsource {
  public:
    float value = 0;    ///< the kerning value measured, engine units
    double closest = 0; ///< closest distance of the main profiles, engine units
    /// Closest distance with the zone profiles; -2^30 when they are not used.
    double closest_variant = -1073741824.0;
    bool variant_pair = false; ///< zone profiles used and a glyph is not a letter (category >= 3)
    /// Per shell k (distance closest + k/4): {P.a, P.b, T.a, T.b, (P.c + T.c) / 2} of the
    /// nearest-partner (P) and all-rows (T) measures; empty when zone profiles are used, or
    /// while the measurement is packed.
    std::vector<std::array<double, 5>> rows;
    /// Per shell: the five values of the main profiles, then those of the zone profiles.
    std::vector<std::array<double, 10>> variant_rows;

    /// Measures the pair (left, right) kerned by value, keeping at least n shells. The shell
    /// records come with their histograms packed beside them.
    void update_from_glyphs(const PLXlibNamespaceForZV::ZVglyph &left,
                            const PLXlibNamespaceForZV::ZVglyph &right, unsigned n, float value);
    /// The nearest-partner measure of two facing profiles (a is the left glyph's, shifted);
    /// writes their closest distance.
    static std::vector<ZVtriple> determine_characteristics_picked(PLXlibNamespaceForZV::ZVprofile a,
                                                                  PLXlibNamespaceForZV::ZVprofile b,
                                                                  unsigned n, double &closest);
    /// The all-rows measure of two facing profiles against this source's closest distance.
    /// Gives overlap back to both sides and empties both profiles.
    std::vector<ZVtriple> determine_characteristics_total(PLXlibNamespaceForZV::ZVprofile &a,
                                                          PLXlibNamespaceForZV::ZVprofile &b,
                                                          unsigned n) const;
    /// Number of shell records, whichever kind the source holds, packed or not.
    std::size_t shells() const {
        return std::max({rows.size(), variant_rows.size(), std::size_t{packed_shells_}});
    }
    bool empty() const { return shells() == 0; }

    /// Drops the shell records, keeping the packed histograms they are rebuilt from (a source
    /// without them, such as one whose records were set by hand, keeps its records).
    void pack();
    /// Whether the shell records are held (not packed).
    bool expanded() const { return packed_shells_ == 0 || !rows.empty() || !variant_rows.empty(); }
    /// This source with its shell records: itself when expanded, else scratch filled from the
    /// packed histograms, bit for bit as measured. A dropped source has none to give: that
    /// throws std::logic_error (measure it again first).
    const ZVsource &with_shells(ZVsource &scratch) const;
    /// The same from a small store of the measurements this thread unpacked last (found by
    /// stamp), so that a measurement read under one mix after another is unpacked once. The
    /// reference holds until this thread unpacks ZV_RECENT_UNPACKED other measurements.
    const ZVsource &with_shells_recent() const;
    /// Forgets the shell records and their histograms, keeping what the measurement is known
    /// by (value, closest distances, shell count) and the search width it was taken with, so
    /// that measuring the same glyphs again gives it back bit for bit. Returns the bytes freed;
    /// 0 for a source that could not be measured again the same way (records set by hand, no
    /// outline).
    std::size_t drop();
    /// Whether the source was dropped and must be measured again before its records are read.
    bool dropped() const { return dropped_; }
    /// Measures a dropped source again from the glyphs it was measured from, with its own
    /// search width and value. The measurement gets a new stamp.
    void measure_again(const PLXlibNamespaceForZV::ZVglyph &left,
                       const PLXlibNamespaceForZV::ZVglyph &right);
    /// How many dropped measurements were measured again so far, in the whole process.
    static std::uint64_t measured_again_count();
    /// Bytes held by the packed histograms.
    std::size_t packed_bytes() const { return packed_.size(); }
    /// Bytes the source holds on the heap (shell records and packed histograms).
    std::size_t heap_bytes() const {
        return rows.capacity() * sizeof(rows[0]) +
               variant_rows.capacity() * sizeof(variant_rows[0]) + packed_.capacity();
    }
    /// Identifies the measurement: a new number whenever the source is measured (copies share
    /// it), so that what is derived from a measurement can be kept and found again.
    std::uint64_t stamp() const { return stamp_; }

  private:
    // The histograms of the measures as varints: main picked, main total, then (with zone
    // profiles) zone picked and zone total.
    std::vector<std::uint8_t> packed_;
    std::uint32_t packed_shells_ = 0; // shells the packed histograms stand for
    std::uint32_t width_ = 0;         // search width measured with
    bool dropped_ = false;
    std::uint64_t stamp_ = 0;
};

/// Cumulative characteristics, one triple per bin, of a histogram of couple distances.
/// both_sides: every couple was counted from both of its rows.
std::vector<ZVtriple> resample_profile_sequence(const std::vector<ZVbin> &bins, double closest,
                                                std::int64_t shell_end, bool both_sides);
