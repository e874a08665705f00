// The engine's messages to the designer: what happened, how pressing it is, which pairs it is
// about; and the ordered list of pending messages with the dismissed ones.
#pragma once

#include "engine/model/ZVsimplepair.h"

#include <list>
#include <span>
#include <vector>

struct ZVfeedback {
    enum feedback_type : int {
        none = 0,
        too_few_unkerned_pairs = 1,
        starting_up = 2,
        linked_metrics = 3,
        autokerned_from_this_font = 4,
        autokerned_from_other_font = 5,
        interpolated = 6,
        no_models = 7,
        unused_8 = 8,
        suggested_model = 9,
        tighter_than = 10,
        similar_models = 11,
        unused_12 = 12,
        reworking_existing = 13,
        more_models_wanted = 14,
        reworked_changes = 15,
        engine_running = 16,
        pairs_rejected = 17,
        model_status_removed = 18,
        model_identical = 19,
        no_kerning_models_removed = 20,
        newer_version = 21,
        composite_pairs_added = 22,
    };

    int type = none;
    double urgency = 0; ///< larger is more urgent
    std::vector<ZVsimplepair> pairs;
    /// Type 10: nonzero when the first pair is the tighter one; type 18: wording index.
    int pair_is_too_tight = 0;

    /// Whether this listed feedback stands for f: same type and the same glyph pairs, or a type-10
    /// comparison of two pairs seen from the other side.
    bool matches(const ZVfeedback &f) const;
};

class ZVfeedbacks {
  public:
    std::list<ZVfeedback> list; ///< pending messages; references stay valid across edits
    std::vector<ZVfeedback> dismissed;

    /// The feedback that says nothing.
    static const ZVfeedback empty_feedback;

    /// Erases the first listed feedback that matches f.
    void remove(const ZVfeedback &f);
    /// Inserts a copy of f at its place (types 13 and up after the others; by urgency within
    /// the lower types); refuses type 0 and dismissed feedbacks.
    void add(const ZVfeedback &f);
    /// Moves every feedback of other here, each replacing an older matching one.
    void merge(ZVfeedbacks &other);
    /// Drops suggestions, comparisons and similar-model messages.
    void erase_types_9_to_11();
};

/// Adds {type, urgency 0, pairs}.
void add_typed_feedback(ZVfeedbacks &list, int type, std::span<const ZVsimplepair> pairs);
/// Adds {type, urgency, pairs}.
void append_feedback(ZVfeedbacks &list, int type, std::span<const ZVsimplepair> pairs,
                     double urgency);
/// Adds f unless a matching feedback is listed; then only raises that one's urgency and keeps
/// the list sorted by urgency.
void add_feedback_unique(ZVfeedbacks &list, const ZVfeedback &f);
/// The first pairs of the removal messages: type 19 as user-set autopairs (kind 1), type 18 as
/// independent pairs (kind 2) fixed at their value.
std::vector<ZVsimplepair> collect_removed_model_pairs(const ZVfeedbacks &list);
