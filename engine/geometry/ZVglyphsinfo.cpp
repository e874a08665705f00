#include "engine/geometry/ZVglyphsinfo.h"

#include <algorithm>

namespace PLXlibNamespaceForZV {

namespace {

constexpr std::uint16_t kFlagLowByteTabular = 63;

// Group 1 lists as the standard group.
std::int16_t listed_group(std::int16_t g) { return g == 1 ? 0 : g; }

} // namespace

void ZVglyphsinfo::set_glyphs_count(unsigned short n) {
    custom_tracking_groups.assign(n, ZVgroup_pair{0, 0});
    // A table that is filled again must not keep ids pointing at indices of the old fill.
    _index_for_id.clear();
    _id_for_index.clear();
    _id_for_index.reserve(n);
    _glyph_name_for_index.clear();
    _glyph_name_for_index.reserve(n);
    _category_for_index.clear();
    _category_for_index.reserve(n);
    _script_for_index.clear();
    _script_for_index.reserve(n);
    subcategory_int_for_index.clear();
    subcategory_int_for_index.reserve(n);
    int_for_script["DFLT"] = 1;
    int_for_script["latn"] = 2;
}

void ZVglyphsinfo::push_back(const std::string &id, const std::string &name,
                             const ZVglyph_category &category, const std::string &script,
                             const std::string &subcategory) {
    const auto index = static_cast<std::uint16_t>(_id_for_index.size());
    _index_for_id[id] = index;
    _id_for_index.push_back(id);
    _glyph_name_for_index.push_back(name);
    _category_for_index.push_back(category);
    if (custom_tracking_groups.size() < _id_for_index.size())
        custom_tracking_groups.resize(_id_for_index.size(), ZVgroup_pair{0, 0});

    std::uint8_t script_code;
    if (category.category == ZV_DIGIT || script.empty() || script == "math") {
        script_code = 1;
    } else if (script == "cyrl" || script == "grek") {
        script_code = 2;
    } else {
        auto it = int_for_script.find(script);
        if (it == int_for_script.end())
            it = int_for_script.emplace(script, int_for_script.size() + 1).first;
        script_code = it->second;
    }
    _script_for_index.push_back(script_code);

    std::uint8_t class_code;
    if (category.category == ZV_LOWERCASE) {
        class_code = 2;
    } else if (category.category == ZV_UPPERCASE) {
        class_code = 1;
    } else {
        auto it = int_for_subcat.find(subcategory);
        if (it == int_for_subcat.end())
            it = int_for_subcat.emplace(subcategory, int_for_subcat.size() + 1 + 2).first;
        class_code = it->second;
    }
    subcategory_int_for_index.push_back(class_code);
}

std::uint16_t ZVglyphsinfo::index_for_id(const std::string &id) const {
    const auto it = _index_for_id.find(id);
    return it == _index_for_id.end() ? ZV_NO_GLYPH : it->second;
}

std::uint16_t ZVglyphsinfo::index_for_glyph_name(const std::string &name) const {
    const auto it = std::find(_glyph_name_for_index.begin(), _glyph_name_for_index.end(), name);
    if (it == _glyph_name_for_index.end())
        return ZV_NO_GLYPH;
    return static_cast<std::uint16_t>(it - _glyph_name_for_index.begin());
}

std::uint16_t ZVglyphsinfo::glyph_index_for_unicode(unsigned int u) const {
    for (std::size_t i = 0; i < _category_for_index.size(); ++i) {
        const auto &c = _category_for_index[i];
        if ((c.flags & ZV_HAS_UNICODE) && c.unicode == u)
            return static_cast<std::uint16_t>(i);
    }
    return ZV_NO_GLYPH;
}

std::unordered_map<std::uint32_t, std::uint16_t> ZVglyphsinfo::index_for_unicodes() const {
    std::unordered_map<std::uint32_t, std::uint16_t> result;
    for (std::size_t i = 0; i < _category_for_index.size(); ++i) {
        const auto &c = _category_for_index[i];
        if (c.flags & ZV_HAS_UNICODE)
            result.emplace(c.unicode, static_cast<std::uint16_t>(i)); // keeps the first
    }
    return result;
}

bool ZVglyphsinfo::set_OT_tabular_glyphs() {
    bool any = false;
    const std::size_t n = std::min(_category_for_index.size(), custom_tracking_groups.size());
    for (std::size_t i = 0; i < n; ++i) {
        if ((_category_for_index[i].flags & 0xFF) > kFlagLowByteTabular) {
            custom_tracking_groups[i] = {ZV_NO_KERNING_GROUP, ZV_NO_KERNING_GROUP};
            any = true;
        }
    }
    return any;
}

void ZVglyphsinfo::set_tabular_figures() {
    const std::size_t n = std::min(_category_for_index.size(), custom_tracking_groups.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto &c = _category_for_index[i];
        if ((c.flags & ZV_HAS_UNICODE) && c.unicode >= '0' && c.unicode <= '9')
            custom_tracking_groups[i] = {ZV_NO_KERNING_GROUP, ZV_NO_KERNING_GROUP};
    }
}

std::uint16_t ZVglyphsinfo::assign_tracking_group(std::uint16_t glyph, int side,
                                                  const std::string &name) {
    if (glyph >= custom_tracking_groups.size() || (side != 0 && side != 1))
        return ZV_NO_GLYPH;
    std::int16_t group;
    if (name.empty() || name == "No kerning") {
        group = ZV_NO_KERNING_GROUP;
    } else {
        // Custom groups start at 2, whatever state the name list is in.
        if (tracking_group_names.size() < 2)
            tracking_group_names.resize(2);
        const auto it =
            std::find(tracking_group_names.begin() + 2, tracking_group_names.end(), name);
        if (it == tracking_group_names.end()) {
            group = static_cast<std::int16_t>(tracking_group_names.size());
            tracking_group_names.push_back(name);
        } else {
            group = static_cast<std::int16_t>(it - tracking_group_names.begin());
        }
    }
    std::int16_t &stored =
        side == 0 ? custom_tracking_groups[glyph].first : custom_tracking_groups[glyph].second;
    if (stored == group)
        return ZV_NO_GLYPH;
    stored = group;
    return glyph;
}

std::int16_t ZVglyphsinfo::tracking_group(std::uint16_t glyph, int side) const {
    if (glyph >= custom_tracking_groups.size())
        return 0;
    return side == 0 ? custom_tracking_groups[glyph].first : custom_tracking_groups[glyph].second;
}

std::string ZVglyphsinfo::get_special_spacing_group(short group) const {
    std::string both, left_only, right_only;
    for (std::size_t i = 0; i < _glyph_name_for_index.size(); ++i) {
        const auto g = static_cast<std::uint16_t>(i);
        const std::int16_t l = listed_group(tracking_group(g, 0));
        const std::int16_t r = listed_group(tracking_group(g, 1));
        std::string *list = nullptr;
        if (l == group && r == group)
            list = &both;
        else if (l == group)
            list = &left_only;
        else if (r == group)
            list = &right_only;
        if (list) {
            list->push_back('/');
            list->append(_glyph_name_for_index[i]);
        }
    }
    if (both.empty() && left_only.empty() && right_only.empty())
        return std::string();

    std::string result;
    if (group == 0)
        result = "Standard kerning\n";
    else if (group == ZV_NO_KERNING_GROUP)
        result = "No kerning\n";
    else if (group >= 0 && static_cast<std::size_t>(group) < tracking_group_names.size())
        result = tracking_group_names[group] + "\n";
    else
        result = "\n";
    for (const std::string *list : {&both, &left_only, &right_only})
        if (!list->empty())
            result += *list + "\n";
    result += "\n";
    return result;
}

std::string ZVglyphsinfo::get_special_spacing_info(const std::string &name) const {
    if (name.empty()) {
        std::string all = get_special_spacing_group(0) + get_special_spacing_group(-1);
        for (std::size_t k = 2; k < tracking_group_names.size(); ++k)
            all += get_special_spacing_group(static_cast<short>(k));
        return all;
    }
    if (tracking_group_names.empty())
        return get_special_spacing_group(0);
    const auto it = std::find(tracking_group_names.begin(), tracking_group_names.end(), name);
    if (it == tracking_group_names.end())
        return std::string();
    return get_special_spacing_group(static_cast<short>(it - tracking_group_names.begin()));
}

} // namespace PLXlibNamespaceForZV
