// The autokerned pairs of one master: a record for every frequent pair, the visible text the
// designer looks at, and the lists that the suggestions and selections walk.
#pragma once

#include "engine/geometry/ZVglyphs.h"
#include "engine/geometry/ZVglyphsinfo.h"
#include "engine/model/ZVautopair.h"
#include "engine/model/ZVcache.h"
#include "engine/model/ZVfeatures.h"
#include "engine/model/ZVmodels.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

/// Told between the rounds of a long autokerning how many of its pairs are done, of how many.
using ZVkerning_progress = std::function<void(std::size_t done, std::size_t total)>;

/// Index of a visible pair that has no record.
inline constexpr std::uint32_t ZV_NO_RECORD = 0xFFFFFFFF;

/// The record that stands for a change of the whole kerning (several pairs changed).
ZVsimplepair whole_kerning_record();
/// The record that stands for no change (kind 0, no glyphs).
ZVsimplepair no_pair_record();

/// Whether a comes first when fewer pairs are kept: fixed pairs, user-set ones, then by
/// frequency (higher first), value and glyph pair.
bool compare_candidates_by_properties_then_frequency(const ZVsimplepair &a, const ZVsimplepair &b);
/// Whether a comes first in a list by value: lower value, lower frequency, then glyph pair.
bool compare_simplepairs_by_value(const ZVsimplepair &a, const ZVsimplepair &b);

/// A bounded set of candidates kept as unlike one another as their weights allow.
struct ZVdiverse_selection {
    std::vector<ZVcandidate> members;
    int capacity = 0;                 ///< the most members kept
    int seen = 0;                     ///< candidates offered
    std::vector<double> similarities; ///< upper triangle of same-group member similarities
    std::size_t dimension = 0;        ///< member count when the selection filled
};

/// Similarity of two candidates' graphs: 0 across groups, ZV_IDENTICAL_SIMILARITY for equal
/// graphs, else 1 / their dissimilarity.
double candidate_similarity(const ZVcandidate &a, const ZVcandidate &b);

/// Bytes of measurements all masters of a font may keep together (each master keeps an equal
/// share, see ZVfontMM::initial_processing): 1152 MB, three masters of 384 MB, or
/// ZV_KEPT_BUDGET_MB megabytes when the environment gives it.
std::size_t default_kept_budget();
/// Sets the budget of fonts started from now on (0: keep no measurement between rounds).
void set_default_kept_budget(std::size_t bytes);

class ZVautopairs {
  public:
    using records_type = std::vector<ZVautopair>;

    records_type records;                                ///< ascending glyph pairs, unique
    std::vector<std::uint16_t> visible_text;             ///< the glyph run shown to the designer
    std::map<ZVglyph_pair, std::uint32_t> visible_pairs; ///< record index, ZV_NO_RECORD if none
    std::vector<std::uint32_t> candidates;    ///< records of known frequency, most frequent first
    std::vector<std::uint32_t> suggestions;   ///< records the model suggestions score
    std::vector<std::uint32_t> diverse;       ///< the refused suggestions (fixed selection members)
    std::vector<ZVglyph_pair> user_set_pairs; ///< pairs the designer asked to be autokerned

    ZVautopairs() = default;
    /// One record per frequent pair of the expansion; active (kind 1) unless a source pair, an
    /// independent pair, or without depth. Nothing is autokerned yet.
    ZVautopairs(const ZVmodels &models, const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                const std::vector<ZVsimplepair> &independents,
                const std::vector<ZVminipair> &stored_user_set, const ZVfeatures &features,
                const PLXlibNamespaceForZV::ZVglyphsinfo &table);

    /// The record of a pair, records.end() when there is none.
    records_type::iterator find_pair(ZVglyph_pair pair);
    /// The kerned pairs of one side of a glyph (side 1: g on the left) as the dialog lists
    /// them, engine units, ascending value: models, independent pairs, then the most telling
    /// autokerned pairs with frequencies weighted by how unlike the listed ones they are.
    std::vector<ZVsimplepair> pairs_for_glyph(std::uint16_t g, std::int8_t side, ZVmodels &models,
                                              const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                              const ZVcache &cache,
                                              const std::vector<ZVsimplepair> &independents);

    // Visible text and rekerning.

    /// Takes the glyph run shown and autokerns its new pairs into the cache. Returns the cache
    /// record (font units) of the one pair newly autokerned, the whole-kerning record when
    /// several were, else a record of kind 0.
    ZVsimplepair set_visible_text(const std::vector<std::uint16_t> &text, ZVmodels &models,
                                  const PLXlibNamespaceForZV::ZVglyphs &glyphs, ZVcache &cache);
    /// Makes a pair visible and autokerns it into the cache; true when it was autokerned.
    bool set_visible_pair(ZVglyph_pair pair, const ZVmix &mix,
                          const std::vector<ZVmodelpair> &modelpairs,
                          const PLXlibNamespaceForZV::ZVglyphs &glyphs, ZVcache &cache);
    /// Autokerns every visible pair with a record into the cache again.
    void autokern_visible(ZVmodels &models, const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                          ZVcache &cache);
    /// Autokerns every autokernable record into the cache, visible or not (the final kerning);
    /// `progress`, when set, hears how far it is.
    void autokern_every_pair(ZVmodels &models, const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                             ZVcache &cache, const ZVkerning_progress &progress = {});
    /// Hands pairs to autokerning (kind 1), taking them out of the models and the independent
    /// pairs. A pair without record gets one when visible, or when keep_kerned asks to keep a
    /// former model kerned. Returns the head (engine units) of the one pair autokerned, the
    /// whole-kerning record when several were, else a record of kind 0.
    ZVsimplepair set_autos(const std::vector<ZVglyph_pair> &pairs, ZVcache &cache,
                           std::vector<ZVsimplepair> &independents,
                           const PLXlibNamespaceForZV::ZVglyphs &glyphs, ZVmodels &models,
                           bool keep_kerned = false);
    /// Takes a pair out of autokerning (kind 0) and forgets its measurements.
    void deactivate_pair(ZVglyph_pair pair);
    /// Gives a glyph side (side 1: its right side) a tracking group and rekerns its visible
    /// pairs.
    void set_tracking_group_and_rekern(std::uint16_t glyph, std::int8_t side, std::int16_t group,
                                       ZVmodels &models,
                                       const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                       ZVcache &cache);
    /// Forgets the measurements of a glyph's pairs after an outline edit and rekerns its
    /// visible pairs; a glyph without outline loses its cache entries.
    void update_glyph_shape_and_rekern(std::uint16_t glyph,
                                       const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                       ZVmodels &models, ZVcache &cache);
    /// Forgets the measurements of every pair holding the glyph.
    void remove_sources_for_glyph(std::uint16_t glyph);
    /// What a pair would get if autokerned now (engine units); both glyphs 65535 when the set
    /// has no record of it.
    ZVsimplepair autokerned_pair(ZVglyph_pair pair, const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                 const ZVmix &mix,
                                 const std::vector<ZVmodelpair> &modelpairs) const;
    /// Whole font units by which a glyph side (side != 0: the glyph on the left) should move so
    /// that its pairs with the partners fit the models best.
    int autospacing_adjustment(std::uint16_t glyph, std::int8_t side,
                               const std::vector<std::uint16_t> &partners, ZVmodels &models,
                               const PLXlibNamespaceForZV::ZVglyphs &glyphs) const;
    /// Bytes the records keep (the records and their measurements).
    std::size_t kept_bytes() const;
    /// Most bytes of measurements the records keep after keep_within_budget.
    std::size_t kept_budget = default_kept_budget();
    /// Brings the measurements the records keep within kept_budget: when over it, drops every
    /// measurement of the records least recently read or measured (in record order among
    /// equals) until a quarter of the budget is free again. Dropped measurements are measured
    /// again, bit for bit, when read. Called between the rounds of autokerning, so that the
    /// same work drops the same measurements.
    void keep_within_budget();
    /// The type-22 message listing the active pairs added for composite glyphs.
    ZVfeedback added_composites_pairs() const;

    // Diverse selection, suggestions, initial models and changes.

    /// Offers a candidate to a selection; it joins, replaces the most redundant member, or is
    /// dropped.
    static void add_diverse_candidate(ZVdiverse_selection &selection, ZVcandidate c);
    /// Offers candidates in order, as add_diverse_candidate one after another does, with their
    /// similarities to the members measured side by side on the worker pool.
    static void add_diverse_candidates(ZVdiverse_selection &selection,
                                       std::vector<ZVcandidate> batch);
    /// Fills the suggestion list with the most diverse frequent pairs beside the model pairs;
    /// favoured pairs are replaced less readily.
    void init_diverse_selection(const PLXlibNamespaceForZV::ZVglyphs &glyphs, ZVmodels &models,
                                const std::set<ZVglyph_pair> &favoured);
    /// Type-9 messages for the autokerned pairs that would teach the models most.
    ZVfeedbacks model_suggestions(ZVmodels &models, const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                  const std::set<ZVglyph_pair> &favoured);
    /// The first models of a master that has kerning, picked from it (values as the map's,
    /// engine units).
    std::vector<ZVminipair> auto_pick_initial_models(const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                                     const std::map<ZVglyph_pair, float> &existing);
    /// The most telling pairs whose autokerned value moved against the previous values (engine
    /// units) and glyphs; at most 50.
    std::vector<ZVsimplepair> changes(const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                      ZVmodels &models,
                                      const std::map<ZVglyph_pair, float> &previous,
                                      const PLXlibNamespaceForZV::ZVglyphs &previous_glyphs);
    /// Adds the most urgent pairs of the existing kerning (engine units) as models: with flag
    /// false pairs in special groups, else pairs of letters.
    void quick_add_to_models(const PLXlibNamespaceForZV::ZVglyphs &glyphs, ZVmodels &models,
                             const std::map<ZVglyph_pair, float> &existing, bool flag);

  private:
    /// Enters a pair into the visible pairs; the index of its record when it is new there and
    /// autokernable, else ZV_NO_RECORD.
    std::uint32_t enter_visible_pair(ZVglyph_pair pair,
                                     const PLXlibNamespaceForZV::ZVglyphs &glyphs);
    /// Autokerns the records (on the worker pool) and writes them into the cache in order.
    void autokern_into_cache(const std::vector<std::uint32_t> &indices, const ZVmix &mix,
                             const std::vector<ZVmodelpair> &modelpairs,
                             const PLXlibNamespaceForZV::ZVglyphs &glyphs, ZVcache &cache,
                             const ZVkerning_progress &progress = {});
    records_type::iterator lower_bound(ZVglyph_pair pair);
    records_type::const_iterator lower_bound(ZVglyph_pair pair) const;
    std::uint32_t insert_record(records_type::iterator at, ZVglyph_pair pair);

    std::uint32_t budget_round_ = 0;
};
