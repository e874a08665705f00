// The designer's model pairs of one master seen through one mix: built, compared couple by
// couple, scored, and used to derive the per-group tracking.
#pragma once

#include "engine/model/ZVfeedback.h"
#include "engine/model/ZVmix.h"
#include "engine/model/ZVmodelpair.h"
#include "engine/model/ZVsourcepairs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <utility>
#include <vector>

/// "No mismatching couple" from mismatching_pairs_quick.
inline constexpr std::uint64_t ZV_NO_MISMATCH = ~std::uint64_t{0};

/// The glyph pair packed as left | right << 16, as the influencer fields hold it.
inline std::uint32_t pack_pair(ZVglyph_pair p) {
    return p.first | (static_cast<std::uint32_t>(p.second) << 16);
}

/// The two-way comparisons of one evaluation of a model set under a mix, with all they depend
/// on: the mix (weights, tracking, weighting) and, per pair, its measurement's stamp, glyphs,
/// value, groups and priority. A later evaluation under the same mix takes the outcome of every
/// couple whose two pairs are unchanged (in the same order) instead of comparing them again.
struct ZVcouple_outcomes {
    struct Pair {
        std::uint64_t stamp = 0; ///< 0: a measurement that is never matched
        std::uint32_t glyphs = 0;
        std::uint32_t value = 0; ///< the value's bits
        std::int16_t left_group = 0, right_group = 0;
        std::uint64_t priority = 0; ///< the priority's bits
        bool operator==(const Pair &) const = default;
    };
    struct Outcome {
        bool compared = false;
        double m = 0, s = 0, f = 0;
    };
    bool filled = false;
    bool weighted = false;
    std::array<std::uint64_t, 4> weights{}; ///< the weights' bits
    std::uint8_t compare_all = 0;
    std::vector<std::uint32_t> values, singles; ///< the tracking's bits
    std::vector<Pair> pairs;
    /// Couple (j, k), j < k, at k (k - 1) / 2 + j.
    std::vector<Outcome> outcomes;

    std::size_t heap_bytes() const {
        return (values.capacity() + singles.capacity()) * sizeof(std::uint32_t) +
               pairs.capacity() * sizeof(Pair) + outcomes.capacity() * sizeof(Outcome);
    }
};

/// The outcomes of the starting mixes' evaluations, kept by the models for the next search; a
/// copy of the models starts without them.
struct ZVkept_outcomes {
    std::vector<ZVcouple_outcomes> slots;
    ZVkept_outcomes() = default;
    ZVkept_outcomes(const ZVkept_outcomes &) {}
    ZVkept_outcomes(ZVkept_outcomes &&) = default;
    ZVkept_outcomes &operator=(const ZVkept_outcomes &) {
        slots.clear();
        return *this;
    }
    ZVkept_outcomes &operator=(ZVkept_outcomes &&) = default;
};

/// One evaluation of a mix: the mix (its costs and worst couple are written), weighted or not,
/// and the kept outcomes to take from and refill (none: compare every couple).
struct ZVmix_evaluation {
    ZVmixmanager *mix = nullptr;
    bool weighted = false;
    ZVcouple_outcomes *kept = nullptr;
};

/// The outcomes of every mix one search evaluated, for the next search: a refit after a model
/// was added or removed walks many of the same mixes again, on a set that differs by one pair.
/// Kept by the mix's weights and weighting (a slot under other tracking serves nothing but is
/// refilled), within a budget of bytes for this search's slots and the last one's together. A
/// copy of the models starts without them, under the same budget.
class ZVsearch_outcomes {
  public:
    /// Most bytes kept when nobody sets a budget: a whole search of the sample's largest model
    /// sets, and the last one.
    static constexpr std::size_t default_budget = std::size_t{128} << 20;

    ZVsearch_outcomes() = default;
    ZVsearch_outcomes(const ZVsearch_outcomes &o) : budget_(o.budget_) {}
    ZVsearch_outcomes(ZVsearch_outcomes &&) = default;
    ZVsearch_outcomes &operator=(const ZVsearch_outcomes &o) {
        last_.clear();
        now_.clear();
        bytes_ = 0;
        budget_ = o.budget_;
        return *this;
    }
    ZVsearch_outcomes &operator=(ZVsearch_outcomes &&) = default;

    /// Keeps at most this many bytes from now on (0: keep nothing, compare every couple). What
    /// is already kept beyond it goes.
    void set_budget(std::size_t bytes);
    std::size_t budget() const { return budget_; }
    /// Bytes the kept outcomes hold.
    std::size_t heap_bytes() const;

    /// The slot of a mix in the search under way, with what the last search (or this one) kept
    /// under it; none when the budget is spent (compare every couple). pairs: the set's size.
    ZVcouple_outcomes *slot(const ZVmix &mix, bool weighted, std::size_t pairs);
    /// The search under way is over: its slots serve the next one.
    void end_search();

  private:
    using Key = std::array<std::uint64_t, 5>;
    std::map<Key, ZVcouple_outcomes> last_, now_;
    std::size_t bytes_ = 0; ///< the bytes now_'s slots take for their couples and pairs
    std::size_t budget_ = default_budget;
};

class ZVmodelpairs {
  public:
    /// Element i is built from source pair i.
    std::vector<ZVmodelpair> pairs;
    /// Mismatches counted by the last worst_mismatches on pairs of priority above 2^-16.
    std::uint16_t last_mismatch_count = 0;
    /// The removal message of the worst mismatching pair met by the last worst_mismatches,
    /// even one naming only that pair (type 0 when no pair mismatched).
    ZVfeedback last_worst_feedback;

    /// (j, i), j < i model-pair indices, to a sum of squared dissimilarities.
    using similar_models = std::map<std::pair<std::uint16_t, std::uint16_t>, double>;

    ZVmodelpairs() = default;
    /// Builds one model pair per source pair under the mix and compares every couple, writing
    /// the mix's costs and worst couple.
    /// With kept: the couples of unchanged pairs take the outcomes kept from an evaluation under
    /// the same mix, and kept then holds this evaluation's.
    ZVmodelpairs(const ZVsourcepairs &sources, ZVmixmanager &mix, bool weighted,
                 ZVcouple_outcomes *kept = nullptr);

    /// The sets of several evaluations of the same source pairs, one per evaluation in order,
    /// each as the constructor builds it; built together in one loop on the worker pool.
    static std::vector<ZVmodelpairs>
    evaluate_together(const ZVsourcepairs &sources, std::span<const ZVmix_evaluation> evaluations);

    std::size_t size() const { return pairs.size(); }
    bool empty() const { return pairs.empty(); }

    /// Enters the near-duplicate couples (same groups, values within 8/7, dissimilarity < 20).
    void init_similar_models(similar_models &map) const;
    /// Adds this mix's squared dissimilarities; drops couples no longer near (above 20).
    void apply_similar_models(similar_models &map) const;
    /// Advances every pair's row limits a little toward the 0.8 quantile of breadths.
    void bump_up_max_breadths_a_bit();
    /// Adds one new source pair to a fitted set; leaves the set empty when the pair contradicts
    /// the models or the tracking fails.
    void quick_add(ZVglyph_pair glyphs, const ZVsourcepairs &sources, ZVmixmanager &mix);
    /// Removal messages for the worst mismatching pairs (all of them with the remove loop).
    /// Leaves the set empty.
    ZVfeedbacks worst_mismatches(const ZVtracking &tracking, bool remove_loop, bool second_pass);
    /// Scores every pair's mismatches with the others and keeps only the mismatching ones.
    void determine_mismatching_pairs(const ZVtracking &tracking, bool alternative);
    /// Takes the source pairs' values for the pairs holding the glyph (side 1: as left glyph).
    void update_values(std::uint16_t glyph, std::int8_t side, const ZVsourcepairs &sources);
    /// Type-10 messages for models whose required breadths look suspicious.
    ZVfeedbacks suspicious_req_breadths() const;
    /// Type-10 messages for couples whose mean breadths are out of balance.
    ZVfeedbacks imbalances(const ZVtracking &tracking) const;
    /// On a mix without mismatch: the tracking and the required breadths; false otherwise.
    bool finalize(ZVmixmanager &mix, bool soften, ZVfeedbacks *feedbacks);

    /// Quantile q of the breadths at the pairs' row limits; seeded with twenty values of 70.
    static float modelpairs_value_quantile(const ZVmodelpairs &set, bool seed, double q);
    /// Advances every pair's limits toward the 0.9 quantile and raises the peaks.
    static void advance_modelpair_breadth_indices(ZVmodelpairs &set);
    /// Advances a graph's limits by at most 8 rows while the breadths grow slowly.
    static void bump_up_graph_max_breadths(ZVgraph &graph, float limit);

    // Tracking determination.

    /// Derives the capitals and custom-group tracking; true when the models are consistent
    /// under it.
    bool determine_tracking(ZVmixmanager &mix, bool soften, ZVfeedbacks *feedbacks);
    /// Recomputes the row limits of every couple (mode 0: plain pairs, 1: all, 2: plain pairs,
    /// then each plain pair against each special one).
    void update_required_breadths(const ZVtracking &tracking, int mode);
    /// The row limits of one couple j < k, offset by d.
    void update_required_breadths_between_modelpairs(std::size_t j, std::size_t k, double d);
    /// Sets t[1] and s[1] from statistics of the model pairs; returns type-10 messages.
    ZVfeedbacks determine_UC_tracking(ZVtracking &tracking) const;
    /// (accumulated value, lower median offset, count) of the offsets of one mode.
    static std::array<double, 3> median_tracking_adjustment(ZVmodelpairs &set, int mode);
    /// Pulls tracking values beyond +-80 (+-160 for singles) back, and caps the capitals'.
    static void soften_tracking_extremes(ZVtracking &tracking);
    /// Solves the custom groups' tracking from the mismatching couples.
    void determine_custom_tracking(ZVtracking &tracking, double step) const;
    /// (k << 32) | j of the first mismatching couple, ZV_NO_MISMATCH when none.
    std::uint64_t mismatching_pairs_quick(const ZVtracking &tracking) const;
};

/// Group tracking difference of two pairs: pair_tracking_correction of their groups.
double group_tracking_difference(const ZVtracking &tracking, const ZVpair &p, const ZVpair &q);
/// A pair with a side in a custom group (2 or more).
bool has_special_group(const ZVpair &p);
/// Same group class: the unordered couples of groups with 1 counted as 0 are equal.
bool same_group_class(const ZVpair &a, const ZVpair &b);
/// The same groups, straight or crosswise.
bool same_groups(const ZVpair &a, const ZVpair &b);
