// Building the masters of a font, finding them, their start-up and the plain forwards.
#include "engine/font/ZVfontMM.h"

#include <algorithm>

using PLXlibNamespaceForZV::PLXglyph;
using PLXlibNamespaceForZV::ZV_HAS_UNICODE;
using PLXlibNamespaceForZV::ZV_NO_GLYPH;

namespace {

bool runs_no_models(ZVfont::master_status s) {
    return s == ZVfont::linked_metrics || s == ZVfont::untouched || s == ZVfont::interpolated ||
           s == ZVfont::autokerned_from_other || s == ZVfont::engine_taken_over;
}

} // namespace

int ZVfontMM::master_index(const std::string &id) const {
    if (masters.empty())
        return -1;
    if (id.empty())
        return current_master_index >= 0 &&
                       static_cast<std::size_t>(current_master_index) < masters.size()
                   ? current_master_index
                   : 0;
    for (std::size_t i = 0; i < masters.size(); ++i)
        if (masters[i].name == id)
            return static_cast<int>(i);
    return 0;
}

ZVfont &ZVfontMM::at(const std::string &id) {
    const int i = master_index(id);
    return i < 0 ? none_ : masters[static_cast<std::size_t>(i)];
}

const ZVfont &ZVfontMM::at(const std::string &id) const {
    const int i = master_index(id);
    return i < 0 ? none_ : masters[static_cast<std::size_t>(i)];
}

void ZVfontMM::add_master(ZVfont &&master) {
    masters.push_back(std::move(master));
    startup_first_time_.push_back(-1);
}

void ZVfontMM::add_linked_metrics_master(const std::string &id) {
    std::vector<PLXglyph> none;
    add_master(ZVfont(id, ZVfont::linked_metrics, none, glyphsinfo, {}, 0, 0));
}

void ZVfontMM::add_untouched_master(const std::string &id, std::vector<PLXglyph> &outlines,
                                    int cap_height, int x_height,
                                    const std::map<ZVglyph_pair, float> &existing) {
    ZVfont f(id, ZVfont::untouched, outlines, glyphsinfo, {}, cap_height, x_height);
    if (f.status != ZVfont::linked_metrics)
        f.existing_pairs = existing;
    add_master(std::move(f));
}

void ZVfontMM::add_interpolated_master(const std::string &id, std::vector<PLXglyph> &outlines,
                                       int cap_height, int x_height,
                                       const std::vector<std::pair<double, std::string>> &sources) {
    ZVfont f(id, ZVfont::interpolated, outlines, glyphsinfo, {}, cap_height, x_height);
    if (f.status != ZVfont::linked_metrics)
        f.interpolation_sources = sources;
    add_master(std::move(f));
}

void ZVfontMM::add_autokerned_master(const std::string &id, std::vector<PLXglyph> &outlines,
                                     const std::vector<ZVminipair> &pairs, int cap_height,
                                     int x_height) {
    add_master(ZVfont(id, ZVfont::autokerned_from_other, outlines, glyphsinfo, pairs, cap_height,
                      x_height));
}

void ZVfontMM::add_self_kerned_master(const std::string &id, std::vector<PLXglyph> &outlines,
                                      std::vector<ZVminipair> models,
                                      const std::vector<ZVminipair> &independents, int cap_height,
                                      int x_height) {
    add_master(ZVfont(id, outlines, glyphsinfo, models, independents, cap_height, x_height));
}

void ZVfontMM::set_current_master(const std::string &id) {
    current_master_index = -1;
    for (std::size_t i = 0; i < masters.size(); ++i)
        if (masters[i].name == id) {
            current_master_index = static_cast<std::int16_t>(i);
            return;
        }
}

int ZVfontMM::number_of_kerned_masters() const {
    int n = 0;
    for (const ZVfont &m : masters)
        n += m.started_up() && m.cache_valid();
    return n;
}

void ZVfontMM::set_default_tracking_groups(const std::string &path) {
    if (masters.empty())
        return;
    glyphsinfo.set_default_tracking_groups(path);
    if (!glyphsinfo.set_OT_tabular_glyphs()) {
        // Equal-width digits are tabular figures and are not kerned.
        const auto with_glyphs = std::find_if(masters.begin(), masters.end(), [](const ZVfont &m) {
            return !m.glyphs.glyphs.empty();
        });
        if (with_glyphs != masters.end()) {
            bool one_width = true, any = false;
            float width = 0;
            for (const auto &g : with_glyphs->glyphs.glyphs) {
                if (!(g.category.flags & ZV_HAS_UNICODE) || g.category.unicode < '0' ||
                    g.category.unicode > '9')
                    continue;
                if (any && g.width != width)
                    one_width = false;
                width = g.width;
                any = true;
            }
            if (any && one_width)
                glyphsinfo.set_tabular_figures();
        }
    }
    // Table groups read unsigned: No kerning (65535) is among the groups "2 or more".
    for (ZVfont &m : masters)
        for (std::size_t i = 0; i < m.glyphs.glyphs.size(); ++i) {
            auto &g = m.glyphs.glyphs[i];
            if (g.left.empty() && g.right.empty())
                continue;
            const auto index = static_cast<std::uint16_t>(i);
            for (int side = 0; side < 2; ++side) {
                const std::int16_t t = glyphsinfo.tracking_group(index, side);
                if (static_cast<std::uint16_t>(t) >= 2)
                    g.tracking_group[static_cast<std::size_t>(side)] = t;
            }
        }
}

namespace {

// Every pair of neighbours in a glyph run whose glyphs both have an outline in the master; a
// glyph without one (or 65535) breaks the run.
template <class F>
void for_each_pair_of_run(const ZVfont &m, const std::vector<std::uint16_t> &run, F f) {
    std::uint16_t previous = ZV_NO_GLYPH;
    for (const std::uint16_t g : run) {
        if (g >= m.glyphs.glyphs.size() || m.glyphs.glyphs[g].left.empty()) {
            previous = ZV_NO_GLYPH;
            continue;
        }
        if (previous != ZV_NO_GLYPH)
            f(ZVglyph_pair{previous, g});
        previous = g;
    }
}

} // namespace

void ZVfontMM::set_initial_unkerned_pairs(const std::vector<std::uint16_t> &run) {
    for (ZVfont &m : masters) {
        if (m.status != ZVfont::untouched)
            continue;
        m.existing_pairs.clear();
        for_each_pair_of_run(m, run, [&](ZVglyph_pair p) { m.existing_pairs[p] = 0; });
    }
}

std::set<ZVglyph_pair> ZVfontMM::pairs_in_text(const std::vector<std::uint16_t> &run) const {
    std::set<ZVglyph_pair> pairs;
    const ZVfont &m = at("");
    for_each_pair_of_run(m, run, [&](ZVglyph_pair p) { pairs.insert(p); });
    return pairs;
}

bool ZVfontMM::first_time_for(const std::string &id) const {
    for (const ZVfont &m : masters)
        if ((id.empty() || m.name != id) && !runs_no_models(m.status))
            return false;
    return true;
}

void ZVfontMM::begin_start_up(const std::vector<std::string> &order) {
    // Statuses as a serial run would leave them, master after master.
    std::vector<ZVfont::master_status> status;
    for (const ZVfont &m : masters)
        status.push_back(m.status);
    startup_first_time_.assign(masters.size(), -1);
    for (const std::string &id : order) {
        const int i = master_index(id);
        if (i < 0)
            continue;
        bool first = true;
        for (std::size_t j = 0; j < masters.size(); ++j)
            if ((id.empty() || masters[j].name != id) && !runs_no_models(status[j]))
                first = false;
        const ZVfont &m = masters[static_cast<std::size_t>(i)];
        startup_first_time_[static_cast<std::size_t>(i)] = first;
        if (m.status != ZVfont::linked_metrics && (m.has_models() || !m.existing_pairs.empty()))
            status[static_cast<std::size_t>(i)] = ZVfont::kerned;
    }
    for (const std::string &id : order)
        if (const int i = master_index(id); i >= 0)
            masters[static_cast<std::size_t>(i)].set_started_up(false);
}

void ZVfontMM::initial_processing(const std::string &id,
                                  const std::vector<ZVminipair> &user_set_autos) {
    const int i = master_index(id);
    if (i < 0)
        return;
    const auto k = static_cast<std::size_t>(i);
    bool first;
    if (k < startup_first_time_.size() && startup_first_time_[k] >= 0) {
        first = startup_first_time_[k] != 0;
        startup_first_time_[k] = -1; // only this master's thread touches its entry
    } else {
        first = first_time_for(id);
    }
    // One budget for the measurements the masters keep, shared out equally: a family of many
    // masters keeps no more than one of few.
    masters[k].kept_budget = default_kept_budget() / masters.size();
    masters[k].initial_processing(glyphsinfo, user_set_autos, features, first);
}

std::vector<ZVpair_frequency> ZVfontMM::get_expanded_pairs() {
    std::vector<ZVglyph_pair> extra;
    return expand_pair_frequencies(features, extra, glyphsinfo);
}

void ZVfontMM::set_interpolated(const std::vector<std::pair<double, std::string>> &sources,
                                const std::string &id) {
    at(id).set_interpolated(sources, masters);
}
ZVfont &ZVfontMM::get_master(const std::string &id) { return at(id); }
const ZVfont &ZVfontMM::get_master(const std::string &id) const { return at(id); }
bool ZVfontMM::is_interpolated(const std::string &id) const {
    return at(id).status == ZVfont::interpolated;
}
bool ZVfontMM::has_linked_metrics(const std::string &id) const {
    return at(id).status == ZVfont::linked_metrics;
}
void ZVfontMM::set_existing_pairs(const std::map<ZVglyph_pair, float> &pairs,
                                  const std::string &id) {
    at(id).existing_pairs = pairs;
}
void ZVfontMM::prepare_engine(const std::string &id) { at(id).prepare_engine(); }
void ZVfontMM::un_autokern(const std::string &id) { at(id).un_autokern(); }
void ZVfontMM::set_models(const std::vector<ZVglyph_pair> &pairs, bool set_to_zero,
                          const std::string &id) {
    at(id).set_models(pairs, set_to_zero);
}
ZVsimplepair ZVfontMM::set_autos(const std::vector<ZVglyph_pair> &pairs, const std::string &id) {
    return at(id).set_autos(pairs);
}
void ZVfontMM::unset_user_set_auto(ZVglyph_pair pair, const std::string &id) {
    at(id).unset_user_set_auto(pair);
}
void ZVfontMM::set_independent_pair(ZVglyph_pair pair, const std::string &id) {
    at(id).set_independent_pair(pair);
}
void ZVfontMM::set_value(ZVglyph_pair pair, float value, const std::string &id) {
    at(id).set_value(pair, value);
}
ZVsimplepair ZVfontMM::set_required_text(const std::vector<std::uint16_t> &run,
                                         const std::string &id) {
    return at(id).set_required_text(run);
}
void ZVfontMM::undo(const std::string &id) { at(id).undo(); }
void ZVfontMM::next_feedback(ZVfeedback &feedback, const std::string &id) {
    at(id).next_feedback(feedback, masters);
}
void ZVfontMM::update_glyph_shape(PLXglyph &outline, const std::string &id) {
    const std::uint16_t g = glyphsinfo.index_for_id(outline.id);
    if (g != ZV_NO_GLYPH)
        at(id).update_glyph_shape(outline, g);
}
void ZVfontMM::adjust_sidebearing(const std::string &glyph_id, std::int8_t side, double delta,
                                  const std::string &id) {
    const std::uint16_t g = glyphsinfo.index_for_id(glyph_id);
    if (g != ZV_NO_GLYPH)
        at(id).adjust_sidebearing(g, side, delta);
}
