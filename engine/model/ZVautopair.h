// One automatically kerned pair of a master: its measurements at every value tried, the value
// the model pairs give it, and its views as a candidate of the diverse selections.
#pragma once

#include "engine/geometry/ZVglyphs.h"
#include "engine/model/ZVgraph.h"
#include "engine/model/ZVmix.h"
#include "engine/model/ZVpair.h"
#include "engine/model/ZVsource.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class ZVmodelpair;
class ZVsharedmeasurements;
class ZVsourcepair;

/// Largest similarity a candidate can have: that of two identical graphs.
inline constexpr double ZV_IDENTICAL_SIMILARITY = 4.2535293329816107e37;

/// One pair as a member (or applicant) of a diverse selection.
struct ZVcandidate {
    double max_similarity = 0;    ///< largest similarity to a member
    double second_similarity = 0; ///< second largest similarity to a member
    double similarity_to_new = 0; ///< scratch: similarity to the candidate being added
    double first_weight = 1;      ///< factor on the largest similarity (glyph classes)
    double second_weight = 1;     ///< factor on the second similarity (rarity of the pair)
    std::int32_t index = -1;      ///< record index in the autopair set; -1 for none
    std::pair<std::uint16_t, std::uint16_t> groups{0, 0}; ///< tracking groups, smaller first
    std::uint8_t fixed = 0;                               ///< never replaced
    ZVgraph graph;
};

/// The knee of a graph's breadths for a slope (cached in the graph's last field when not 0).
std::uint32_t graph_knee_index(ZVgraph &graph, double slope);
/// Sets the four comparison row limits of a graph to one row.
void set_breadth_indices(ZVgraph &graph, std::uint32_t index);
/// |x - y|, shrunk by the ratio of the two when both have the same sign.
double relative_difference(double x, double y);
/// Whether the pair (left, right) is of a kind whose spacing tells much (round or straight
/// sides in matching groups), and not an I or l pair.
bool passes_glyph_class_filter(const PLXlibNamespaceForZV::ZVglyphs &glyphs, ZVglyph_pair pair);

class ZVautopair : public ZVpair {
  public:
    /// One measurement per value tried, each at a distinct value. A measurement may have been
    /// dropped to keep the master within its budget (see ZVautopairs::keep_within_budget); it
    /// is measured again, bit for bit, when read.
    std::vector<ZVsource> sources;
    /// Set whenever a measurement is read or taken; the master's budget keeper turns it into
    /// last_used.
    bool touched = false;
    /// The budget keeper's round in which the record's measurements were last read or taken.
    std::uint32_t last_used = 0;

    ZVautopair() = default;
    /// A bare record: the head's fields, groups 0, no depth, no sources.
    explicit ZVautopair(const ZVsimplepair &head) : ZVpair(head) {}
    /// The head measured at its value from the two glyphs, with groups and depth from them.
    ZVautopair(const ZVsimplepair &head, const PLXlibNamespaceForZV::ZVglyph &left,
               const PLXlibNamespaceForZV::ZVglyph &right, unsigned search_width);
    /// A source pair's head and measurements.
    explicit ZVautopair(const ZVsourcepair &pair);

    /// Inactive, in No kerning, or a glyph without outline.
    bool is_not_to_be_autokerned(const PLXlibNamespaceForZV::ZVglyphs &glyphs) const;
    /// Active, in no No-kerning group, and both glyphs with an outline.
    bool is_autokernable(const PLXlibNamespaceForZV::ZVglyphs &glyphs) const;
    /// Groups and depth from the current glyphs; false when a glyph is unknown.
    bool refresh_properties(const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// Makes the record active (kind 1) with groups and depth from the current glyphs; a pair
    /// without depth stays inactive. Every road that activates a record goes through here, so
    /// no active record keeps the unset depth (-2^30) a record is built with.
    void activate(const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// The measurement at the current value, measured now when there is none or it was
    /// dropped.
    /// A measurement that pairs of the same sides took already comes from shared.
    ZVsource &source_for_value(const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                               ZVsharedmeasurements *shared = nullptr);
    bool has_source_for_value() const;

    /// Whether a measurement was dropped (reading it measures it again).
    bool has_dropped_source() const;
    /// Takes over what a computation on a copy of this record wrote (the copy made when the
    /// record had no dropped measurement): the head's values, the measurements it packed and
    /// those it took (appended in order, so that the measurement list grows as it would have in
    /// place), and that they were read. The record then is as if the computation had run on it.
    void adopt(ZVautopair &&worked);

    /// Autokerns the record (from 0) and puts its bounds in order.
    ZVautopair &autokerned(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                           const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                           ZVsharedmeasurements *shared = nullptr);
    /// Iterates value, rounding and models until the value settles (at most 16 trials); starts
    /// from the nearest measured value with reuse, else from 0. Returns the chosen value's graph.
    ZVgraph graph_from_autokerned(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                  const PLXlibNamespaceForZV::ZVglyphs &glyphs, int reuse,
                                  ZVsharedmeasurements *shared = nullptr);
    /// Bounds from every model at the current value, then the value they imply; the graph.
    ZVgraph apply_models(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                         const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// The value within [value_min, value_max] that the candidate estimates imply, floored at
    /// half the depth (engine units). Reorders the estimates.
    void calculate_value(std::vector<float> &candidates);
    /// How badly the pair kerned by v whole units fits the models (autospacing).
    double deviation_for_value(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                               const PLXlibNamespaceForZV::ZVglyphs &glyphs, float v);
    /// The graph at the nearest measured value, rounded to whole units.
    ZVgraph graph(const ZVmix &mix, const PLXlibNamespaceForZV::ZVglyphs &glyphs);

    /// The pair as a candidate, with its first and second weights; none when not kernable or
    /// filtered out.
    std::optional<ZVcandidate> as_candidate(const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                            bool letters_only, bool special_only_in_groups);
    /// Candidate for the initial models, with its graph and knee.
    std::optional<ZVcandidate>
    as_model_candidate(const ZVmix &mix, const PLXlibNamespaceForZV::ZVglyphs &glyphs, bool flag);
    /// Candidate for the model suggestions (pairs of known frequency only).
    std::optional<ZVcandidate>
    as_suggestion_candidate(const ZVmix &mix, const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// Candidate for the changes list: none unless autokerning moves it 0.75 units or more.
    std::optional<ZVcandidate> as_changes_candidate(const ZVmix &mix,
                                                    const std::vector<ZVmodelpair> &models,
                                                    const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// How far this pair moves (engine units) when (G1, G2) at this pair's value is the only
    /// model. Keeps the new value.
    double
    x_shift(const ZVmix &mix, const PLXlibNamespaceForZV::ZVglyphs &glyphs,
            std::pair<const PLXlibNamespaceForZV::ZVglyph &, const PLXlibNamespaceForZV::ZVglyph &>
                previous);
    /// How much making this pair a model at target would teach the models.
    double potential_model_urgency(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                   const PLXlibNamespaceForZV::ZVglyphs &glyphs, double target);
    /// The same for pairs of special tracking groups.
    double potential_model_urgency_special_spaced(const ZVmix &mix,
                                                  const std::vector<ZVmodelpair> &models,
                                                  const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                                  double target);
    /// How loosely the models pin this pair's value.
    double uncertainty(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                       const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// How differently another fit kerns this pair, weighted a (from 0) or b (to 0); the value
    /// and bounds are kept.
    double compare_to_alternative(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                                  const PLXlibNamespaceForZV::ZVglyphs &glyphs, double a, double b);
    /// The cautious lower value from an estimate v within the bounds.
    float autokerning_min(float v) const;
    /// The cautious upper value from the lower estimate v and the median m within the bounds.
    float autokerning_max(float v, float m) const;

  private:
    ZVgraph apply_models(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                         const PLXlibNamespaceForZV::ZVglyphs &glyphs, std::vector<float> &scratch,
                         ZVsharedmeasurements *shared);
    void take_nearest_source_value();
    void round_to_whole_units(double unit);
};
