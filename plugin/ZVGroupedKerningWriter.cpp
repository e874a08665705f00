#include "plugin/ZVGroupedKerningWriter.h"

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

bool expandGroupKerning(GSFont &font, const std::string &masterId) {
    const GSMasterKerning *kerning = font.masterKerning(masterId, 0);
    if (!kerning)
        return false;
    bool any = false;
    for (const auto &[left, row] : *kerning) {
        any = any || startsWith(left, GSLeftGroupPrefix);
        for (const auto &entry : row)
            any = any || startsWith(entry.first, GSRightGroupPrefix);
    }
    if (!any)
        return false;

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
            const auto it = groups.find(key);
            return it == groups.end() ? std::vector<std::size_t>{} : it->second;
        }
        if (const GSGlyph *g = font.glyphForId(key))
            return {position.at(g)};
        kept = true;
        return {};
    };

    std::map<std::pair<std::size_t, std::size_t>, double> expanded;
    GSMasterKerning untouched;
    for (const auto &[left, row] : *kerning) {
        bool leftKept = false;
        const std::vector<std::size_t> lefts = reach(left, GSLeftGroupPrefix, leftGroups, leftKept);
        for (const auto &[right, value] : row) {
            bool rightKept = false;
            const std::vector<std::size_t> rights =
                reach(right, GSRightGroupPrefix, rightGroups, rightKept);
            if (leftKept || rightKept) {
                GSKerningRow *keptRow = untouched.objectForKey(left);
                if (!keptRow)
                    keptRow = &untouched.setObject(GSKerningRow{}, left);
                keptRow->setObject(value, right);
                continue;
            }
            for (std::size_t l : lefts)
                for (std::size_t r : rights)
                    expanded.emplace(std::make_pair(l, r), 0.0);
        }
    }
    for (auto &[pair, value] : expanded)
        value = font.kerningForFontMasterIDFirstGlyph(masterId, glyphs[pair.first],
                                                      glyphs[pair.second], 0);

    GSMasterKerning out;
    GSKerningRow *row = nullptr;
    std::size_t rowGlyph = glyphs.size();
    for (const auto &[pair, value] : expanded) {
        if (value == GSNoKerningValue)
            continue;
        if (!row || pair.first != rowGlyph) {
            row = &out.setObject(GSKerningRow{}, glyphs[pair.first]->id());
            rowGlyph = pair.first;
        }
        row->setObject(value, glyphs[pair.second]->id());
    }
    for (const auto &[left, keptRow] : untouched) {
        GSKerningRow *into = out.objectForKey(left);
        if (!into)
            into = &out.setObject(GSKerningRow{}, left);
        for (const auto &[right, value] : keptRow)
            into->setObject(value, right);
    }
    font.ensureKerning().setObject(std::move(out), masterId);
    return true;
}
