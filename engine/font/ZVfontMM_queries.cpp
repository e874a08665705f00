// The manager's questions about one master, its display lists, the edits with logic of their
// own, and the finished kerning the host writes.
#include "engine/font/ZVfontMM.h"

#include <algorithm>

using PLXlibNamespaceForZV::ZV_NO_GLYPH;
using PLXlibNamespaceForZV::ZVglyph;

namespace {

int sign_of(float v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

} // namespace

bool ZVfontMM::can_have_models(const std::string &id) const {
    return at(id).status == ZVfont::kerned;
}

bool ZVfontMM::can_be_modified(const std::string &id) const {
    const auto s = at(id).status;
    return s == ZVfont::kerned || s == ZVfont::engine_taken_over;
}

bool ZVfontMM::can_be_finalized() const {
    for (const ZVfont &m : masters)
        if (m.started_up() &&
            (m.status == ZVfont::kerned || m.status == ZVfont::engine_taken_over) &&
            !m.models.modelpairs.empty())
            return true;
    return false;
}

bool ZVfontMM::can_undo(const std::string &id) const { return !at(id).undo_stack.empty(); }

bool ZVfontMM::any_remaining_removals(const std::string &id) const {
    const auto &list = at(id).feedbacks.list;
    if (list.size() < 2)
        return false;
    const int t = std::prev(list.end(), 2)->type;
    return t == ZVfeedback::model_status_removed || t == ZVfeedback::model_identical ||
           t == ZVfeedback::no_kerning_models_removed;
}

std::vector<ZVglyph_pair> ZVfontMM::get_models(const std::string &id) const {
    return at(id).models.to_indices();
}
std::size_t ZVfontMM::get_number_of_models(const std::string &id) const {
    return at(id).models.size();
}
std::vector<ZVglyph_pair> ZVfontMM::get_independents(const std::string &id) const {
    std::vector<ZVglyph_pair> out;
    for (const ZVsimplepair &p : at(id).independents)
        out.push_back(p.indices);
    return out;
}
std::size_t ZVfontMM::get_number_of_independents(const std::string &id) const {
    return at(id).independents.size();
}
const std::vector<ZVglyph_pair> &ZVfontMM::get_user_set_autos(const std::string &id) const {
    return at(id).get_user_set_autos();
}
std::size_t ZVfontMM::get_number_of_user_set_autos(const std::string &id) const {
    return get_user_set_autos(id).size();
}
std::string ZVfontMM::get_special_spacing_info(const std::string &group_name) const {
    return glyphsinfo.get_special_spacing_info(group_name);
}

std::vector<ZVglyph_pair> ZVfontMM::get_models_for_display(const std::string &group_name,
                                                           const std::string &id) {
    ZVfont &m = at(id);
    int group = 65535;
    if (!group_name.empty()) {
        const auto &names = glyphsinfo.tracking_group_names;
        group = static_cast<int>(std::find(names.begin(), names.end(), group_name) - names.begin());
    }
    std::vector<ZVsimplepair> list =
        m.models.to_simple(static_cast<std::int16_t>(group >= 65535 ? 0 : group));
    for (ZVsimplepair &p : list) {
        p.properties.set_kind(ZV_MODEL);
        p.value_min = p.value_max = p.value;
    }
    const auto glyph = [&](std::uint16_t g) -> const ZVglyph * {
        return g < m.glyphs.glyphs.size() ? &m.glyphs.glyphs[g] : nullptr;
    };
    // Letters by kind (flag word times category byte); special groups after them.
    const auto keys = [&](const ZVsimplepair &p) {
        const ZVglyph *l = glyph(p.indices.first), *r = glyph(p.indices.second);
        const int lg = l ? l->tracking_group[1] : 0, rg = r ? r->tracking_group[0] : 0;
        const auto kind_key = [](const ZVglyph *g) {
            return g ? static_cast<long>(g->category.flags) * g->category.category : 0L;
        };
        const bool plain = lg < 2 && rg < 2;
        const long left = plain ? kind_key(l) : 16 + std::max(lg, rg);
        const long right = plain ? kind_key(r) : 16 + std::min(lg, rg);
        return std::tuple(sign_of(p.value), left, right, l ? l->category.unicode : 0u,
                          r ? r->category.unicode : 0u);
    };
    std::stable_sort(list.begin(), list.end(), [&](const ZVsimplepair &a, const ZVsimplepair &b) {
        return keys(a) < keys(b);
    });
    std::vector<ZVglyph_pair> out;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (group == 65535 && i > 0 && sign_of(list[i].value) > sign_of(list[i - 1].value))
            out.push_back({ZV_NO_GLYPH, ZV_NO_GLYPH});
        out.push_back(list[i].indices);
    }
    return out;
}

ZVsimplepair ZVfontMM::get_pair(ZVglyph_pair pair, const std::string &id) {
    ZVfont &m = at(id);
    if (m.status != ZVfont::interpolated)
        m.freshen_cache();
    ZVsimplepair r = m.lookup(pair);
    r.value = round_pair_value(r, 2.0f);
    return r;
}

ZVUIpair ZVfontMM::get_pair_details(const std::vector<ZVglyph_pair> &pairs, const std::string &id) {
    ZVfont &m = at(id);
    if (pairs.empty())
        return ZVUIpair();
    ZVUIpair u = m.get_pair_details(pairs.front());
    for (std::size_t i = 1; i < pairs.size(); ++i) {
        if (m.status != ZVfont::interpolated)
            m.freshen_cache();
        ZVsimplepair r = m.lookup(pairs[i]);
        const float v = round_pair_value(r, 2.0f);
        u.indices = {ZV_NO_GLYPH, ZV_NO_GLYPH};
        switch (r.properties.kind()) {
        case ZV_MODEL:
            u.flags |= 1;
            break;
        case ZV_USER_SET_AUTO:
            u.flags |= 2;
            break;
        case ZV_INDEPENDENT:
            u.flags |= 4;
            break;
        default:
            break;
        }
        if ((u.flags & 8) && v != u.value)
            u.flags &= static_cast<std::uint8_t>(~8);
    }
    if (u.flags & 8) {
        u.value_min = std::min(u.value_min, u.value);
        u.value_max = std::max(u.value_max, u.value);
        if (u.value_max - u.value_min < 2) {
            u.value_min = u.value - 1;
            u.value_max = u.value + 1;
        }
    }
    if (m.status == ZVfont::engine_taken_over)
        u.flags |= 16;
    if (u.influencer_min_indices == ZVglyph_pair{65534, 65534}) {
        const ZVglyph_pair p = pairs.front();
        std::uint16_t g = ZV_NO_GLYPH;
        if (p.first < m.glyphs.glyphs.size() && p.second < m.glyphs.glyphs.size())
            g = m.glyphs.glyphs[p.first].width < m.glyphs.glyphs[p.second].width ? p.first
                                                                                 : p.second;
        u.influencer_min_indices = {ZV_NO_GLYPH, g};
    }
    return u;
}

float ZVfontMM::if_autokerned(ZVglyph_pair pair, const std::string &id) {
    if (masters.empty() ||
        (id.empty() && (current_master_index < 0 ||
                        static_cast<std::size_t>(current_master_index) >= masters.size())))
        return 0;
    return at(id).if_autokerned(pair);
}

std::vector<ZVsimplepair> ZVfontMM::pairs_for_glyph(const std::string &glyph_id, std::int8_t side,
                                                    const std::string &id) {
    const std::uint16_t g = glyphsinfo.index_for_id(glyph_id);
    if (g == ZV_NO_GLYPH)
        return {};
    return at(id).pairs_for_glyph(g, side);
}

bool ZVfontMM::set_tracking_group(const std::string &glyph_id, std::int8_t side,
                                  const std::string &group_name) {
    const std::uint16_t g = glyphsinfo.index_for_id(glyph_id);
    if (g == ZV_NO_GLYPH || glyphsinfo.assign_tracking_group(g, side, group_name) == ZV_NO_GLYPH)
        return false;
    for (ZVfont &m : masters)
        m.set_tracking_group(g, side, glyphsinfo.tracking_group(g, side));
    return true;
}

bool ZVfontMM::set_tracking_group_index(const std::string &glyph_id, std::int8_t side,
                                        std::int16_t group) {
    const std::uint16_t g = glyphsinfo.index_for_id(glyph_id);
    if (g == ZV_NO_GLYPH || side < 0 || side > 1 || glyphsinfo.tracking_group(g, side) == group)
        return false;
    if (glyphsinfo.custom_tracking_groups.size() <= g)
        glyphsinfo.custom_tracking_groups.resize(glyphsinfo.size(), {0, 0});
    auto &stored = glyphsinfo.custom_tracking_groups[g];
    (side == 0 ? stored.first : stored.second) = group;
    for (ZVfont &m : masters)
        m.set_tracking_group(g, side, group);
    return true;
}

int ZVfontMM::autospace(const std::string &glyph_id, std::int8_t side,
                        const std::vector<std::string> &partner_ids, const std::string &id) {
    const std::uint16_t g = glyphsinfo.index_for_id(glyph_id);
    if (g == ZV_NO_GLYPH)
        return 0;
    std::vector<std::uint16_t> partners;
    for (const std::string &p : partner_ids)
        partners.push_back(glyphsinfo.index_for_id(p));
    return at(id).autospace(g, side, partners);
}

bool ZVfontMM::any_value_contradictions(const std::vector<ZVminipair> &models,
                                        const std::vector<ZVminipair> &independents,
                                        const std::string &id) const {
    return at(id).any_value_contradictions(models, independents);
}

void ZVfontMM::add_models_and_independents(const std::vector<ZVminipair> &models,
                                           const std::vector<ZVminipair> &independents, bool flag,
                                           const std::string &id) {
    ZVfont &m = at(id);
    m.add_models(models, flag);
    m.add_independent_pairs(independents, flag);
}

void ZVfontMM::set_engine(const std::string &target_id, ZVfontMM &other,
                          const std::string &source_id) {
    ZVfont &target = at(target_id);
    if (source_id.empty()) {
        target.status = ZVfont::engine_taken_over;
        return;
    }
    if (&other != this)
        glyphsinfo.tracking_group_names = other.glyphsinfo.tracking_group_names;
    target.set_engine(other.at(source_id));
    // So that the master reads as taken over, and can be edited and turned back.
    target.status = ZVfont::engine_taken_over;
}

void ZVfontMM::generate_version_related_feedback(int type) {
    if (type == ZVfeedback::newer_version) {
        if (current_master_index >= 0 &&
            static_cast<std::size_t>(current_master_index) < masters.size())
            masters[static_cast<std::size_t>(current_master_index)]
                .generate_version_related_feedback(type);
        return;
    }
    for (ZVfont &m : masters)
        m.generate_version_related_feedback(type);
}

std::vector<ZVfont::change> ZVfontMM::changes(const std::string &id, ZVfontMM &other,
                                              const std::string &other_id) {
    const ZVfont &o = other.at(other_id);
    // Copies: the other master may be this one.
    const std::map<ZVglyph_pair, float> previous = o.existing_pairs;
    const PLXlibNamespaceForZV::ZVglyphs glyphs = o.glyphs;
    return at(id).changes(previous, glyphs);
}

std::vector<ZVfont::change> ZVfontMM::changes_from_existing(const std::string &id) {
    return changes(id, *this, at(id).name);
}

const ZVcache &ZVfontMM::get_single_master_flat_kerning(const std::string &id) {
    ZVfont &m = at(id);
    if (m.status == ZVfont::interpolated)
        return m.cache;
    if (m.cache_valid() && !m.glyphs.glyphs.empty())
        m.freshen_cache(); // sorts only
    else
        m.refill_cache();
    return m.cache;
}
