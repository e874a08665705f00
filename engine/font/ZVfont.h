// The kerning engine of one font master: its glyph records, models, autokerned and independent
// pairs, messages, finished pair values (font units) and undo history.
#pragma once

#include "engine/geometry/PLXglyph.h"
#include "engine/geometry/ZVglyphs.h"
#include "engine/geometry/ZVglyphsinfo.h"
#include "engine/model/ZVautopairs.h"
#include "engine/model/ZVcache.h"
#include "engine/model/ZVfeatures.h"
#include "engine/model/ZVfeedback.h"
#include "engine/model/ZVmodels.h"
#include "engine/model/ZVsimplepair.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class ZVfont {
  public:
    /// What kind of master this is and how far the engine has processed it.
    enum master_status : std::uint32_t {
        linked_metrics = 0,
        untouched = 1,
        self_kerned = 2,
        being_processed = 3,
        kerned = 4,
        interpolated = 5,
        autokerned_from_other = 6,
        engine_taken_over = 7,
    };

    std::string name;                             ///< the host's id of the master
    PLXlibNamespaceForZV::ZVglyphs glyphs;        ///< glyph records, engine units
    ZVmodels models;                              ///< source pairs, model pairs, tracking
    std::unique_ptr<ZVautopairs> autopairs;       ///< null until the first initial_processing
    /// Bytes this master may keep of its records' measurements and its search's comparisons: its
    /// share of the font's budget (see ZVfontMM::initial_processing), shared out between the two
    /// at every initial_processing.
    std::size_t kept_budget = default_kept_budget();
    std::vector<ZVsimplepair> independents;       ///< pairs fixed by the designer, font units
    ZVfeedbacks feedbacks;                        ///< messages waiting for the window
    ZVcache cache;                                ///< finished pair values, font units
    double unit_scale = -1.0;                     ///< font units to engine units: 225 / x-height
    std::map<ZVglyph_pair, float> existing_pairs; ///< the host's kerning before, font units
    std::vector<std::vector<ZVsimplepair>> undo_stack; ///< earlier states, font units
    std::vector<std::pair<double, std::string>> interpolation_sources; ///< (weight, master id)
    master_status status = linked_metrics;
    /// Pair records computed for the window, in order, by the pair asked for.
    std::vector<std::pair<ZVglyph_pair, ZVUIpair>> details_memo;
    /// The glyph pairs of a taken-over engine's model pairs, in this master's glyph indices.
    std::vector<ZVglyph_pair> taken_over_modelpairs;

    /// An empty master: no glyphs, unit numbers -1, a sorted, invalid cache, status 0.
    ZVfont();
    /// A master of the given status; the pairs become independent pairs (font units). A master
    /// of status 0, or one whose x-height is not positive, gets no glyphs and no cache lists.
    ZVfont(const std::string &id, master_status status,
           std::vector<PLXlibNamespaceForZV::PLXglyph> &outlines,
           const PLXlibNamespaceForZV::ZVglyphsinfo &table, const std::vector<ZVminipair> &pairs,
           int cap_height, int x_height);
    /// A master with stored models (rescaled in place to engine units) and independent pairs
    /// (font units): status 2, or 1 when every model is also an independent pair.
    ZVfont(const std::string &id, std::vector<PLXlibNamespaceForZV::PLXglyph> &outlines,
           const PLXlibNamespaceForZV::ZVglyphsinfo &table, std::vector<ZVminipair> &model_pairs,
           const std::vector<ZVminipair> &independent_pairs, int cap_height, int x_height);
    /// Member by member (masters are moved when the manager's vector grows).
    ZVfont(ZVfont &&other) noexcept = default;
    ZVfont &operator=(ZVfont &&other) noexcept = default;
    ZVfont(const ZVfont &) = delete;
    ZVfont &operator=(const ZVfont &) = delete;
    ~ZVfont() = default;

    /// Engine units to font units: x-height / 225 (-1 in a master without glyphs).
    double unit_factor() const { return cache.scale; }
    /// Whether every cache list is sorted by second glyph.
    bool cache_sorted() const { return cache.sorted; }
    /// Whether the cache reflects the current models.
    bool cache_valid() const { return cache.valid; }
    /// Whether the models hold source pairs or model pairs.
    bool has_models() const { return models.size() != 0 || !models.modelpairs.empty(); }

    // Start-up across threads.

    /// Whether this master's first processing of a start-up has ended (acquire).
    bool started_up() const { return started_up_.done.load(std::memory_order_acquire); }
    /// Marks the master as started up or not (release).
    void set_started_up(bool done) { started_up_.done.store(done, std::memory_order_release); }

    // Processing.

    /// The first run of the engine over the master; first_time queues every model suggestion.
    void initial_processing(const PLXlibNamespaceForZV::ZVglyphsinfo &table,
                            const std::vector<ZVminipair> &user_set_autos,
                            const ZVfeatures &features, bool first_time);
    /// Measures the models against the glyphs again and fits them.
    void prepare_engine();
    /// First models of a master without models, picked from its existing kerning.
    void auto_pick_models();
    /// Rebuilds the finished pair values from the models, autopairs and independent pairs.
    void refill_cache();
    /// The final kerning: refill_cache with every autokernable frequent pair kerned, not only
    /// the visible ones; `progress`, when set, hears how many of them are done.
    void refill_cache_with_every_pair(const ZVkerning_progress &progress = {});

    // Cache access shared by the editing operations and queries.

    /// Refills a stale cache (not for an interpolated master) or sorts an unsorted one.
    void freshen_cache();
    /// The cache record of a pair (sorting the lists first when needed); the no-pair record
    /// (glyphs 65535, all else 0) when there is none.
    ZVsimplepair lookup(ZVglyph_pair pair);

    // Editing (values in and out in font units; sides 0 left, 1 right).

    /// Takes the glyph run the designer sees; returns what changed (kind 0: nothing; glyphs
    /// 65535: the whole kerning; else the one pair).
    const ZVsimplepair &set_required_text(const std::vector<std::uint16_t> &run);
    /// The kerned pairs of one side of a glyph, font units, values rounded.
    std::vector<ZVsimplepair> pairs_for_glyph(std::uint16_t glyph, std::int8_t side);
    /// Gives a glyph side a tracking group (-1: No kerning) and rekerns what it touches.
    void set_tracking_group(std::uint16_t glyph, std::int8_t side, std::int16_t group);
    /// Takes a glyph's edited outline (font units; scaled to engine units in place).
    void update_glyph_shape(PLXlibNamespaceForZV::PLXglyph &outline, std::uint16_t glyph);
    /// Moves a glyph side by delta font units; the models facing it keep their distance.
    void adjust_sidebearing(std::uint16_t glyph, std::int8_t side, double delta);
    /// Moves a glyph side so that its pairs with the partners fit the models; the shift applied
    /// (whole font units).
    int autospace(std::uint16_t glyph, std::int8_t side,
                  const std::vector<std::uint16_t> &partners);
    /// Makes the pairs models (at 0 when asked), keeping an undo frame.
    void set_models(const std::vector<ZVglyph_pair> &pairs, bool set_to_zero);
    /// Adds stored models (font units); with flag known models take the new values.
    void add_models(std::vector<ZVminipair> pairs, bool flag);
    /// Whether stored models (font units) or independent pairs disagree with this master's.
    bool any_value_contradictions(std::vector<ZVminipair> models_given,
                                  const std::vector<ZVminipair> &independents_given) const;
    /// The pairs the designer asked to be autokerned (empty before the first run).
    const std::vector<ZVglyph_pair> &get_user_set_autos() const;
    /// Gives a pair a value, making it a model or an independent pair; keeps an undo frame.
    void set_value(ZVglyph_pair pair, float value);
    /// Hands pairs to autokerning; returns what changed, font units. Keeps an undo frame.
    ZVsimplepair set_autos(const std::vector<ZVglyph_pair> &pairs);
    /// Drops a user-set autopair of no known frequency from the cache and from autokerning.
    void unset_user_set_auto(ZVglyph_pair pair);
    /// Fixes a pair at its current value, rounded; keeps an undo frame.
    void set_independent_pair(ZVglyph_pair pair);
    /// Adds stored independent pairs (font units); with overwrite known ones take the values.
    void add_independent_pairs(const std::vector<ZVminipair> &pairs, bool overwrite);
    /// Restores the pairs of the last editing step that kept an undo frame.
    void undo();
    /// Whether a pair can be kerned at all: no side in No kerning, both glyphs with an outline
    /// profile, the narrower glyph of positive width.
    bool kernable(ZVglyph_pair pair) const;

    // Takeover, interpolation and changes.

    /// Keeps this master's glyphs and takes over the other master's trained engine; the own
    /// models become user-set autopairs. Leaves the cache stale.
    void set_engine(const ZVfont &other);
    /// With sources: an interpolated master (status 5). Empty: ends the interpolation, building
    /// models from it when the master has none (status 4). Masters whose start-up has not
    /// ended are not read.
    void set_interpolated(const std::vector<std::pair<double, std::string>> &sources,
                          const std::vector<ZVfont> &masters);
    /// A pair's value in engine units, from the cache as it stands or else autokerned.
    float get_value_unscaled(ZVglyph_pair pair) const;
    /// Turns a taken-over engine into models of this master's own (status 4).
    void un_autokern();
    /// One changed pair: its new value and the difference from the previous one, font units.
    struct change {
        ZVglyph_pair indices{0, 0};
        float value = 0;
        float difference = 0;
    };
    /// The most telling pairs whose kerning differs from previous (font units; empty: the
    /// existing kerning), largest decrease first.
    std::vector<change> changes(const std::map<ZVglyph_pair, float> &previous,
                                const PLXlibNamespaceForZV::ZVglyphs &other_glyphs);

    // Messages and pair details.

    /// Takes the message the window showed last and gives the one to show now; other
    /// masters' models are favoured in new suggestions.
    void next_feedback(ZVfeedback &feedback, const std::vector<ZVfont> &masters);
    /// The window's record of a pair (font units); valid until the next call or edit.
    const ZVUIpair &get_pair_details(ZVglyph_pair pair);
    /// The value the pair would get if autokerned, font units, rounded.
    float if_autokerned(ZVglyph_pair pair);
    /// Queues the message about a newer stored version (21) or added composite pairs (22).
    void generate_version_related_feedback(int type);

  private:
    void refill(bool every_pair, const ZVkerning_progress &progress);
    void sort_cache();
    /// The cache record for an undo frame: the no-pair record carries the pair's glyphs.
    ZVsimplepair frame_record(ZVglyph_pair pair);
    void remove_unset_auto(ZVglyph_pair pair);
    void merge_source_feedbacks();
    ZVsimplepair change_;
    void size_tracking_vectors();
    void reset_modelpairs();
    /// An atomic flag that moves with its master (the value is carried over).
    struct startup_flag {
        std::atomic<bool> done{true};
        startup_flag() = default;
        startup_flag(startup_flag &&o) noexcept : done(o.done.load(std::memory_order_acquire)) {}
        startup_flag &operator=(startup_flag &&o) noexcept {
            done.store(o.done.load(std::memory_order_acquire), std::memory_order_release);
            return *this;
        }
    };
    // A master outside a start-up is always readable; begin_start_up clears the flag.
    startup_flag started_up_;
};
