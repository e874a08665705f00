#include "plugin/ZVGroupedKerningWriter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

using PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP;
using PLXlibNamespaceForZV::ZVglyphsinfo;

namespace {

bool startsWith(const std::string &s, const std::string &prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

ZVglyphorder glyphOrderForFont(const GSFont &font, const ZVglyphsinfo &info) {
    ZVglyphorder order;
    const std::vector<GSGlyph *> glyphs = font.glyphs();
    std::unordered_map<std::string, std::uint16_t> position;
    order.names.reserve(glyphs.size());
    for (std::size_t i = 0; i < glyphs.size() && i < 65535; ++i) {
        order.names.push_back(glyphs[i]->name());
        position.emplace(glyphs[i]->id(), static_cast<std::uint16_t>(i));
    }
    order.glyph_id.assign(info.size(), 65535);
    order.groupable.assign(info.size(), 0);
    for (std::size_t g = 0; g < info.size(); ++g) {
        if (const auto it = position.find(info._id_for_index[g]); it != position.end())
            order.glyph_id[g] = it->second;
        const auto index = static_cast<std::uint16_t>(g);
        order.groupable[g] = static_cast<std::uint8_t>(
            (info.tracking_group(index, 0) != ZV_NO_KERNING_GROUP ? 1 : 0) |
            (info.tracking_group(index, 1) != ZV_NO_KERNING_GROUP ? 2 : 0));
    }
    return order;
}

void applyKerningGroups(GSFont &font, const ZVkerninggroups &groups, const ZVglyphsinfo &info) {
    const auto nameOf = [](const std::vector<ZVkerninggroup> &all,
                           const std::vector<std::int32_t> &of,
                           std::uint16_t g) -> std::optional<std::string> {
        if (g >= of.size() || of[g] < 0)
            return std::nullopt;
        return all[static_cast<std::size_t>(of[g])].name;
    };
    for (GSGlyph *glyph : font.glyphs()) {
        const std::uint16_t g = info.index_for_id(glyph->id());
        glyph->setRightKerningGroup(nameOf(groups.right_sides, groups.right_side_of, g));
        glyph->setLeftKerningGroup(nameOf(groups.left_sides, groups.left_side_of, g));
    }
}

GSMasterKerning groupedMasterKerning(const ZVwrittenkerning &kerning, const ZVkerninggroups &groups,
                                     const ZVglyphsinfo &info) {
    GSMasterKerning out;
    const auto id = [&](std::uint16_t g) -> const std::string * {
        return g < info.size() ? &info._id_for_index[g] : nullptr;
    };
    GSKerningRow *row = nullptr;
    std::uint16_t rowGlyph = 65535;
    for (const ZVkerningentry &e : kerning.glyph_entries) {
        const std::string *left = id(e.pair.first), *right = id(e.pair.second);
        if (!left || !right)
            continue;
        if (!row || e.pair.first != rowGlyph) {
            row = out.objectForKey(*left);
            if (!row)
                row = &out.setObject(GSKerningRow{}, *left);
            rowGlyph = e.pair.first;
        }
        row->setObject(static_cast<double>(e.value), *right);
    }
    for (const ZVclassentry &c : kerning.class_entries) {
        if (c.left_group >= groups.right_sides.size() || c.right_group >= groups.left_sides.size())
            continue;
        const std::string left = GSLeftGroupPrefix + groups.right_sides[c.left_group].name;
        GSKerningRow *groupRow = out.objectForKey(left);
        if (!groupRow)
            groupRow = &out.setObject(GSKerningRow{}, left);
        groupRow->setObject(static_cast<double>(c.value),
                            GSRightGroupPrefix + groups.left_sides[c.right_group].name);
    }
    return out;
}

namespace {

/// A master's kerning as the host applies it: every glyph pair (font positions) an entry reaches,
/// with its effective value under the glyphs' current groups, and the entries that name neither a
/// glyph nor a group of the font, as they are.
struct EffectiveKerning {
    std::map<std::pair<std::size_t, std::size_t>, double> pairs;
    GSMasterKerning untouched;
    bool any_group = false; ///< some entry names a kerning group
};

EffectiveKerning effectiveKerning(const GSFont &font, const std::string &masterId) {
    EffectiveKerning out;
    const GSMasterKerning *kerning = font.masterKerning(masterId, 0);
    if (!kerning)
        return out;
    const std::vector<GSGlyph *> glyphs = font.glyphs();
    std::unordered_map<const GSGlyph *, std::size_t> position;
    std::unordered_map<std::string, std::vector<std::size_t>> leftGroups, rightGroups;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        position.emplace(glyphs[i], i);
        if (glyphs[i]->rightKerningGroup())
            leftGroups[GSLeftGroupPrefix + *glyphs[i]->rightKerningGroup()].push_back(i);
        if (glyphs[i]->leftKerningGroup())
            rightGroups[GSRightGroupPrefix + *glyphs[i]->leftKerningGroup()].push_back(i);
    }
    // The glyphs a key reaches; `kept` is set for a key that names neither a group nor a glyph.
    const auto reach = [&](const std::string &key, const std::string &prefix,
                           const std::unordered_map<std::string, std::vector<std::size_t>> &groups,
                           bool &kept) -> std::vector<std::size_t> {
        kept = false;
        if (startsWith(key, prefix)) {
            out.any_group = true;
            const auto it = groups.find(key);
            return it == groups.end() ? std::vector<std::size_t>{} : it->second;
        }
        if (const GSGlyph *g = font.glyphForId(key))
            return {position.at(g)};
        kept = true;
        return {};
    };
    for (const auto &[left, row] : *kerning) {
        bool leftKept = false;
        const std::vector<std::size_t> lefts = reach(left, GSLeftGroupPrefix, leftGroups, leftKept);
        for (const auto &[right, value] : row) {
            bool rightKept = false;
            const std::vector<std::size_t> rights =
                reach(right, GSRightGroupPrefix, rightGroups, rightKept);
            if (leftKept || rightKept) {
                GSKerningRow *keptRow = out.untouched.objectForKey(left);
                if (!keptRow)
                    keptRow = &out.untouched.setObject(GSKerningRow{}, left);
                keptRow->setObject(value, right);
                continue;
            }
            for (std::size_t l : lefts)
                for (std::size_t r : rights)
                    out.pairs.emplace(std::make_pair(l, r), 0.0);
        }
    }
    for (auto &[pair, value] : out.pairs)
        value = font.kerningForFontMasterIDFirstGlyph(masterId, glyphs[pair.first],
                                                      glyphs[pair.second], 0);
    return out;
}

} // namespace

ZVfontkerning fontKerningPairs(const GSFont &font, const std::string &masterId,
                               const ZVglyphsinfo &info) {
    EffectiveKerning effective = effectiveKerning(font, masterId);
    const std::vector<GSGlyph *> glyphs = font.glyphs();
    ZVfontkerning out;
    for (const auto &[pair, value] : effective.pairs) {
        const std::uint16_t l = info.index_for_id(glyphs[pair.first]->id());
        const std::uint16_t r = info.index_for_id(glyphs[pair.second]->id());
        if (value == GSNoKerningValue || l == PLXlibNamespaceForZV::ZV_NO_GLYPH ||
            r == PLXlibNamespaceForZV::ZV_NO_GLYPH) {
            continue;
        }
        out.pairs.emplace_back(ZVglyph_pair{l, r}, static_cast<std::int32_t>(std::lround(value)));
    }
    std::sort(out.pairs.begin(), out.pairs.end());
    out.untouched = std::move(effective.untouched);
    return out;
}

bool expandGroupKerning(GSFont &font, const std::string &masterId) {
    EffectiveKerning effective = effectiveKerning(font, masterId);
    if (!effective.any_group)
        return false;
    const std::vector<GSGlyph *> glyphs = font.glyphs();
    GSMasterKerning out;
    GSKerningRow *row = nullptr;
    std::size_t rowGlyph = glyphs.size();
    for (const auto &[pair, value] : effective.pairs) {
        if (value == GSNoKerningValue)
            continue;
        if (!row || pair.first != rowGlyph) {
            row = &out.setObject(GSKerningRow{}, glyphs[pair.first]->id());
            rowGlyph = pair.first;
        }
        row->setObject(value, glyphs[pair.second]->id());
    }
    addEntries(out, effective.untouched);
    font.ensureKerning().setObject(std::move(out), masterId);
    return true;
}

void addEntries(GSMasterKerning &into, const GSMasterKerning &entries) {
    for (const auto &[left, row] : entries) {
        GSKerningRow *to = into.objectForKey(left);
        if (!to)
            to = &into.setObject(GSKerningRow{}, left);
        for (const auto &[right, value] : row)
            to->setObject(value, right);
    }
}
