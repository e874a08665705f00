// A pair's spacing graph under a mix: the breadth (engine units) at which each successive unit
// of visible white between the two glyphs is reached. Pairs spaced alike have graphs that
// coincide after a shift.
#pragma once

#include "engine/model/ZVmix.h"
#include "engine/model/ZVsource.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

/// Marks a row limit that is not set.
inline constexpr std::int32_t ZV_UNLIMITED_ROW = 1073741823;
/// A breadth of a row the graph does not have.
inline constexpr double ZV_MISSING_BREADTH = 1073741824.0;

/// The state and results of a comparison of two graphs (offsets: this minus the other).
struct ZVcomparison {
    float first = 0;           ///< min of the two graphs' first breadths
    double lo = 1073741824.0;  ///< lowest offset found
    double hi = -1073741824.0; ///< highest offset found
    double mean_lo = 1073741824.0;
    double mean_hi = -1073741824.0;
    double offset_lo = 0; ///< added to every lower value
    double offset_hi = 0; ///< added to every upper value
    double d = 0;         ///< smoothed difference
    double sum = 0;
    double count = 0;
    double pa = 0, pb = 0; ///< smoothed breadths of the two graphs
};

class ZVgraph {
  public:
    /// Breadth at which unit j + 1 of the mixed amount is reached; [0] is the closest distance.
    std::vector<float> breadths;
    // Row limits of the comparisons (ZV_UNLIMITED_ROW when unset).
    std::int32_t min_index = ZV_UNLIMITED_ROW;       ///< a-limit: rows bounding the lower offset
    std::int32_t max_index = ZV_UNLIMITED_ROW;       ///< b-limit: rows bounding the upper offset
    std::int32_t min_index_peak = ZV_UNLIMITED_ROW;  ///< rows bounding the lower mean
    std::int32_t max_index_peak = ZV_UNLIMITED_ROW;  ///< rows bounding the upper mean
    std::int32_t min_limit_index = ZV_UNLIMITED_ROW; ///< second a-limit
    std::int32_t max_limit_index = ZV_UNLIMITED_ROW; ///< second b-limit
    std::uint16_t min_rows = 0; ///< times compared as the first graph of a required breadth
    std::uint16_t max_rows = 0; ///< times compared as the second graph
    std::uint32_t reserved = 0;

    ZVgraph() = default;
    /// The graph of a measurement under a mix (the mix's third weight is squared in the copy).
    ZVgraph(const ZVsource &source, ZVmix mix);

    /// Breadth of row i, ZV_MISSING_BREADTH beyond the end.
    double at(std::size_t i) const {
        return i < breadths.size() ? breadths[i] : ZV_MISSING_BREADTH;
    }

    /// {lo, hi, mean_lo, mean_hi}: the offsets (this minus b) within b's row limits.
    std::array<double, 4> compare(const ZVgraph &b, double offset_lo, double offset_hi) const;
    /// (x, y, z): x the offset by which this pair contradicts b (0 within 1/8192); for two_way,
    /// y the mean shortfall and z the first breadth.
    std::array<double, 3> inconsistency(const ZVgraph &b, bool two_way,
                                        std::pair<double, double> offsets) const;
    /// How different two pairs are: 0 for identical graphs.
    double dissimilarity(const ZVgraph &b) const;
    /// base plus the sum of 1/dissimilarity over the k most similar others; the largest double
    /// when one is identical or the sum reaches limit (limit 0: none).
    double similarity_sum(const std::vector<ZVgraph> &others, unsigned k, double base,
                          double limit) const;
    /// Records from which row the difference between a (widened by margin) and b is decisive.
    static void update_required_breadth(ZVgraph &a, ZVgraph &b, double margin, bool first_flag,
                                        bool second_flag);
};

/// Compares a against b within both graphs' limits, continuing from the record.
void compare_graph_profiles(ZVcomparison &record, const ZVgraph &a, const ZVgraph &b);
/// One-sided comparison of raw breadths without limits; stops once the upper values reach 0.
void compare_breadth_ranges(ZVcomparison &record, std::span<const float> a,
                            std::span<const float> b);
/// One two-way comparison of a batch: graph a against graph b with offsets (lower, upper).
struct ZVgraph_couple {
    const ZVgraph *a = nullptr;
    const ZVgraph *b = nullptr;
    std::pair<double, double> offsets{0, 0};
};
/// a->inconsistency(*b, true, offsets) of every couple, into out (one result per couple): the
/// same results, several couples side by side.
void two_way_inconsistencies(std::span<const ZVgraph_couple> couples, std::array<double, 3> *out);

/// The mixed amounts of all shells of a source (with its shell records) under the weights (w2
/// already squared): mixed_source_value of every shell, bit for bit, two shells at a time.
void mixed_source_values(const ZVsource &source, const std::array<double, 4> &weights,
                         std::vector<double> &out);
/// The mixed amount of a source's shell k under the weights (w2 already squared).
double mixed_source_value(const ZVsource &source, std::size_t k,
                          const std::array<double, 4> &weights);
