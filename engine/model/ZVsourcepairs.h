// The pairs whose values the designer gave (models and fixed pairs) of one master, with their
// measurements, priorities, the pairs the engine removed, and the master's feedback list.
#pragma once

#include "engine/geometry/ZVglyphs.h"
#include "engine/model/ZVcache.h"
#include "engine/model/ZVfeedback.h"
#include "engine/model/ZVsourcepair.h"

#include <cstdint>
#include <map>
#include <set>
#include <vector>

class ZVmodelpair;

/// Whether a comes before b: by value, groups, depth, measurement size, then glyph pair.
bool compare_sourcepairs(const ZVsourcepair &a, const ZVsourcepair &b);

class ZVsourcepairs {
  public:
    std::vector<ZVsourcepair> pairs; ///< kept in compare_sourcepairs order
    /// Pairs entered again after the engine removed them (at most 6); later is stronger.
    std::vector<ZVglyph_pair> retries;
    std::map<ZVglyph_pair, float> removed; ///< value of each pair when it was removed
    ZVfeedbacks feedbacks;

    ZVsourcepairs() = default;
    /// One unmeasured model per distinct pair (the first value of a repeated pair).
    explicit ZVsourcepairs(const std::vector<ZVminipair> &models);

    std::size_t size() const { return pairs.size(); }
    void sort_pairs();
    bool contains(ZVglyph_pair pair) const;
    /// Priority of a source pair (the default priority when absent).
    double get_priority(ZVglyph_pair pair) const;
    void clear_priorities();
    /// Whether some source pair stands in the list (first occurrence) with another value.
    bool any_value_contradictions(const std::vector<ZVminipair> &list) const;
    /// Adds the new pairs as models; known ones take the new value when update is set.
    void add_models(const std::vector<ZVminipair> &list,
                    const PLXlibNamespaceForZV::ZVglyphs &glyphs, bool update);
    /// Adds one model, measured; a pair that cannot be measured, or names a glyph outside the
    /// glyph set, is not added (false). A pair entered again after its removal gains priority.
    bool add_pair_as_model(const ZVminipair &entry, const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// Gives a known pair a new value and measures it again.
    void update_value(const ZVminipair &entry, const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// Priorities from the retry list (2^-8 x 256^position), the default for the others.
    void apply_retries();
    /// Erases a pair, remembering its value when asked; false when absent.
    bool remove_pair(ZVglyph_pair pair, bool remember);
    /// Erases the one of two pairs that yields and returns the type-19 message [removed, kept].
    ZVfeedback remove_one_pair(std::size_t a, std::size_t b);
    /// The two pairs as records, the one with the lower priority first (b first on a tie).
    std::pair<ZVsimplepair, ZVsimplepair> get_two_simplepairs(std::size_t a, std::size_t b) const;
    /// Sets the group of a glyph's side (1: its right side) in every pair facing it; No kerning
    /// removes those pairs. False when no pair holds the glyph there.
    bool set_tracking_group(std::uint16_t glyph, int side, std::int16_t group);
    /// Removes every pair with a side in No kerning, with one type-20 message listing them.
    void remove_no_kerning_pairs();
    /// The kerning of every pair facing the glyph's side absorbs a side-bearing change.
    bool adjust_sidebearing(std::uint16_t glyph, int side, double delta);
    /// Groups, depth and a new measurement for every pair; unmeasurable pairs are dropped.
    /// Returns the pairs refused because a glyph index lies outside the glyph set (a caller's
    /// fault, such as glyph tables out of step), so that no model is lost unseen.
    std::vector<ZVsimplepair> update_glyphs(const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// Measures every pair holding the glyph again; true when a measurement changed.
    bool update_glyph_shape(std::uint16_t glyph, const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// The pairs as records: all for a group below 2, else those with the group on a side.
    std::vector<ZVsimplepair> to_simple(std::int16_t group) const;
    std::vector<ZVglyph_pair> to_indices() const;
    std::set<ZVglyph_pair> indices_set() const;
    /// Every pair into the cache, in font units.
    void add_to_cache(ZVcache &cache) const;
    /// The span of a pair's values against the model pairs (an empty record when absent).
    ZVUIpair min_max_span_info(ZVglyph_pair pair, const ZVmix &mix,
                               const std::vector<ZVmodelpair> &models) const;

    /// The record a pair would get if it were autokerned, engine units: a source pair from its
    /// measurements, another pair measured from the glyphs at 0.
    ZVsimplepair if_autokerned(ZVglyph_pair pair, const ZVmix &mix,
                               const std::vector<ZVmodelpair> &models,
                               const PLXlibNamespaceForZV::ZVglyphs &glyphs) const;

  private:
    const ZVsourcepair *find(ZVglyph_pair pair) const;
};
