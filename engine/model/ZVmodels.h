// The models of one master: the source pairs with the fitted mix, its tracking, the model pairs
// under it, and the search that finds the mix which explains the models best.
#pragma once

#include "engine/model/ZVfeedback.h"
#include "engine/model/ZVmix.h"
#include "engine/model/ZVmodelpairs.h"
#include "engine/model/ZVsourcepairs.h"

#include <cstdint>
#include <vector>

/// One alternative fit: its mix and the model pairs under it.
struct ZValternative {
    ZVmixmanager mix;
    std::vector<ZVmodelpair> modelpairs;
};

class ZVmodels : public ZVsourcepairs {
  public:
    ZVmodelpairs modelpairs;         ///< the model pairs under the current mix; empty until fitted
    ZVmodelpairs second_modelpairs;  ///< a companion set with advanced row limits (suggestions)
    ZVmixmanager mix;                ///< the current mix and its tracking
    std::vector<ZVmixmanager> mixes; ///< the mixes evaluated by the last search
    std::int16_t highest_tracking_group = 0;
    ZVfeedbacks models_feedbacks;        ///< the models' messages
    std::vector<float> tracking_values;  ///< per-group tracking kept with the models
    std::vector<float> tracking_singles; ///< per-group single-group tracking kept with the models
    /// The starting mixes' comparisons of the last search, for the next one (after a removal or
    /// an edit most couples are unchanged).
    ZVkept_outcomes starting_outcomes;
    /// The comparisons of every mix the last search walked (and of the fit it chose), for the
    /// next one.
    ZVsearch_outcomes search_outcomes;

    /// The 35 starting mixes of the search, built once.
    static const std::vector<ZVmixmanager> initial_vertices;

    ZVmodels() = default;
    /// Unfitted models from the designer's pairs.
    explicit ZVmodels(const std::vector<ZVminipair> &models);

    /// Fits the mix, the tracking and the model pairs, dropping or reporting the models that
    /// cannot be reconciled. Returns at once when the model pairs exist.
    void determine_mix_and_modelpairs(bool soften);
    /// The search over the four weights (a simplex from the 35 starting mixes).
    void find_mix(bool second);
    /// The 35 starting mixes, evaluated; near-identical models found on the way are merged.
    std::vector<ZVmixmanager> evaluated_initial_vertices(bool weighted);
    /// Type-10 messages for the mismatches met between the current mix and the inconsistent
    /// mixes near it.
    ZVfeedbacks close_mismatches(bool near_check);
    /// The type-18 message naming the model to give up (its first pair).
    ZVfeedback close_mismatch_for_removal();
    /// Adds one model to fitted models without a new search, when it fits.
    void quick_add(const ZVminipair &pair, const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// Refits and removes models until no suggestion or comparison message is left.
    void tidy_up();
    /// Other consistent fits far from the current one, in order of selection.
    std::vector<ZValternative> alternative_solutions() const;

    /// Moves every weight of mix the fraction f toward other's.
    static void move_mix_towards(ZVmix &mix, const ZVmix &other, double f);
    /// Whether an evaluated mix other than a (and of non-zero cost) lies between a and b.
    static bool other_mix_in_between(const ZVmix &a, const std::vector<ZVmixmanager> &mixes,
                                     const ZVmix &b);
    /// Weighted squared distance between two mixes' weights.
    static double mix_distance(const ZVmix &a, const ZVmix &b);

  private:
    void evaluate(ZVmixmanager &candidate, bool weighted, ZVcouple_outcomes *kept = nullptr) const;
    void merge_feedback(const ZVfeedback &f);
    void grow_tracking(ZVtracking &t) const;
    void remove_as_given_up(const ZVmodelpairs &failed);
};
