// The kerning engine of one open font: one master engine per font master, and what all masters
// share (the glyph table, the substitution features and the pair frequencies).
#pragma once

#include "engine/font/ZVfont.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

class ZVfontMM {
  public:
    std::vector<ZVfont> masters;            ///< one per font master, in the font's order
    std::int16_t current_master_index = -1; ///< the master shown in the window; -1 none
    ZVfeatures features;                    ///< substitutions, pair frequencies, composite pairs
    PLXlibNamespaceForZV::ZVglyphsinfo glyphsinfo; ///< the font's glyph table

    ZVfontMM() = default;
    ZVfontMM(ZVfontMM &&) = default;
    ZVfontMM &operator=(ZVfontMM &&) = default;
    ZVfontMM(const ZVfontMM &) = delete;
    ZVfontMM &operator=(const ZVfontMM &) = delete;

    /// Index of a master: the empty id is the current master (the first when there is none);
    /// any other id the first master of that name, else the first master; -1 with no masters.
    int master_index(const std::string &id) const;

    // Building the masters (outlines in font units, scaled in place).

    /// A master that takes its metrics from another: no glyphs, no pairs.
    void add_linked_metrics_master(const std::string &id);
    /// A master the engine has not kerned; existing is its kerning (font units).
    void add_untouched_master(const std::string &id,
                              std::vector<PLXlibNamespaceForZV::PLXglyph> &outlines, int cap_height,
                              int x_height, const std::map<ZVglyph_pair, float> &existing);
    /// A master interpolated from others (weight, master id).
    void add_interpolated_master(const std::string &id,
                                 std::vector<PLXlibNamespaceForZV::PLXglyph> &outlines,
                                 int cap_height, int x_height,
                                 const std::vector<std::pair<double, std::string>> &sources);
    /// A master autokerned from another; the pairs become independent pairs (font units).
    void add_autokerned_master(const std::string &id,
                               std::vector<PLXlibNamespaceForZV::PLXglyph> &outlines,
                               const std::vector<ZVminipair> &pairs, int cap_height, int x_height);
    /// A master with stored models and independent pairs (font units).
    void add_self_kerned_master(const std::string &id,
                                std::vector<PLXlibNamespaceForZV::PLXglyph> &outlines,
                                std::vector<ZVminipair> models,
                                const std::vector<ZVminipair> &independents, int cap_height,
                                int x_height);

    // Managing.

    /// Makes the first master of that name current; -1 when none has it.
    void set_current_master(const std::string &id);
    /// The number of masters whose cache is valid (masters still starting up not counted).
    int number_of_kerned_masters() const;
    /// Reads the default groups file into the table and hands the groups to every master.
    void set_default_tracking_groups(const std::string &path);
    /// Every untouched master's existing kerning becomes the pairs of the run, at 0.
    void set_initial_unkerned_pairs(const std::vector<std::uint16_t> &run);
    /// Fixes, before worker threads start masters in this order (current master first), each
    /// master's first-time flag as a serial run would, and clears their started-up flags.
    void begin_start_up(const std::vector<std::string> &order);
    /// The first-time flag begin_start_up fixed for master i: -1 none pending, else 0 or 1.
    std::int8_t start_up_first_time(std::size_t i) const {
        return i < startup_first_time_.size() ? startup_first_time_[i] : -1;
    }
    /// The first run of the engine over a master; may run on a worker thread, one per master,
    /// after begin_start_up.
    void initial_processing(const std::string &id, const std::vector<ZVminipair> &user_set_autos);
    /// The pairs the run forms over the current master's glyphs with outlines.
    std::set<ZVglyph_pair> pairs_in_text(const std::vector<std::uint16_t> &run) const;
    /// The frequent pairs, expanded through the substitution features.
    std::vector<ZVpair_frequency> get_expanded_pairs();
    /// Reads the pair-frequencies file (UTF-8) once per manager into the features.
    void load_pair_frequencies(const char *path);
    /// The last master, whose cache is its flat kerning.
    const ZVfont &last_master_as_cache() const { return masters.back(); }
    /// Removes the last master.
    void pop_last_master() {
        if (!masters.empty())
            masters.pop_back();
    }

    // Forwarding to one master.

    void set_interpolated(const std::vector<std::pair<double, std::string>> &sources,
                          const std::string &id);
    ZVfont &get_master(const std::string &id);
    const ZVfont &get_master(const std::string &id) const;
    bool is_interpolated(const std::string &id) const;
    bool has_linked_metrics(const std::string &id) const;
    void set_existing_pairs(const std::map<ZVglyph_pair, float> &pairs, const std::string &id);
    void prepare_engine(const std::string &id);
    void un_autokern(const std::string &id);
    void set_models(const std::vector<ZVglyph_pair> &pairs, bool set_to_zero,
                    const std::string &id);
    ZVsimplepair set_autos(const std::vector<ZVglyph_pair> &pairs, const std::string &id);
    void unset_user_set_auto(ZVglyph_pair pair, const std::string &id);
    void set_independent_pair(ZVglyph_pair pair, const std::string &id);
    void set_value(ZVglyph_pair pair, float value, const std::string &id);
    ZVsimplepair set_required_text(const std::vector<std::uint16_t> &run, const std::string &id);
    void undo(const std::string &id);
    void next_feedback(ZVfeedback &feedback, const std::string &id);
    /// The glyph is found by the outline's host id; an unknown id changes nothing.
    void update_glyph_shape(PLXlibNamespaceForZV::PLXglyph &outline, const std::string &id);
    /// The glyph is found by its host id; an unknown id changes nothing.
    void adjust_sidebearing(const std::string &glyph_id, std::int8_t side, double delta,
                            const std::string &id);

    // Queries (ZVfontMM_queries.cpp).

    bool can_have_models(const std::string &id) const;
    bool can_be_modified(const std::string &id) const;
    /// Whether some started master may be edited and holds model pairs.
    bool can_be_finalized() const;
    bool can_undo(const std::string &id) const;
    /// Whether a removal message waits behind the last message.
    bool any_remaining_removals(const std::string &id) const;
    std::vector<ZVglyph_pair> get_models(const std::string &id) const;
    std::size_t get_number_of_models(const std::string &id) const;
    std::vector<ZVglyph_pair> get_independents(const std::string &id) const;
    std::size_t get_number_of_independents(const std::string &id) const;
    const std::vector<ZVglyph_pair> &get_user_set_autos(const std::string &id) const;
    std::size_t get_number_of_user_set_autos(const std::string &id) const;
    std::string get_special_spacing_info(const std::string &group_name) const;
    /// The models of a group ("" all, with (65535, 65535) between the negative, zero and
    /// positive runs), in display order.
    std::vector<ZVglyph_pair> get_models_for_display(const std::string &group_name,
                                                     const std::string &id);
    /// A pair's cache record, value rounded (font units); the no-pair record when none.
    ZVsimplepair get_pair(ZVglyph_pair pair, const std::string &id);
    /// The window's record for a selection of at least one pair.
    ZVUIpair get_pair_details(const std::vector<ZVglyph_pair> &pairs, const std::string &id);
    /// The value a pair would get if autokerned; 0 for the empty id without a current master.
    float if_autokerned(ZVglyph_pair pair, const std::string &id);
    std::vector<ZVsimplepair> pairs_for_glyph(const std::string &glyph_id, std::int8_t side,
                                              const std::string &id);
    /// Gives a glyph side a group by name in the table and every master; false when nothing
    /// changed.
    bool set_tracking_group(const std::string &glyph_id, std::int8_t side,
                            const std::string &group_name);
    /// The same by group number.
    bool set_tracking_group_index(const std::string &glyph_id, std::int8_t side,
                                  std::int16_t group);
    /// The shift applied to a glyph side (whole font units); 0 for an unknown glyph.
    int autospace(const std::string &glyph_id, std::int8_t side,
                  const std::vector<std::string> &partner_ids, const std::string &id);
    bool any_value_contradictions(const std::vector<ZVminipair> &models,
                                  const std::vector<ZVminipair> &independents,
                                  const std::string &id) const;
    void add_models_and_independents(const std::vector<ZVminipair> &models,
                                     const std::vector<ZVminipair> &independents, bool flag,
                                     const std::string &id);
    /// Empty source: the target only gets status 7. Else the target takes over the other
    /// manager's master's engine (status 7).
    void set_engine(const std::string &target_id, ZVfontMM &other, const std::string &source_id);
    void generate_version_related_feedback(int type);
    std::vector<ZVfont::change> changes(const std::string &id, ZVfontMM &other,
                                        const std::string &other_id);
    std::vector<ZVfont::change> changes_from_existing(const std::string &id);
    /// The master's finished kerning: one list per first glyph, font units, sorted by second
    /// glyph (an interpolated master's as it stands).
    const ZVcache &get_single_master_flat_kerning(const std::string &id);

  private:
    ZVfont &at(const std::string &id);
    const ZVfont &at(const std::string &id) const;
    bool first_time_for(const std::string &id) const;
    void add_master(ZVfont &&master);
    /// Per master: -1 no start-up pending, else the fixed first-time flag.
    std::vector<std::int8_t> startup_first_time_;
    ZVfont none_; ///< answers for a manager without masters
    bool pair_frequencies_read_ = false;
};
