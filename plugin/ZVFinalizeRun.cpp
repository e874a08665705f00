#include "plugin/ZVFinalizeRun.h"

#include "plugin/ZVGroupedKerningWriter.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

/// Kerned from models: a kerned master's source pairs (its model pairs may have been discarded
/// by an edit; the run rebuilds them), a taken-over engine's model pairs (it has no source pairs).
bool kernedFromModels(const ZVfont &m) {
    return (m.status == ZVfont::kerned && m.models.size() != 0) ||
           (m.status == ZVfont::engine_taken_over && !m.models.modelpairs.empty());
}

bool hasFinalizableModels(const ZVfont &m) { return m.started_up() && kernedFromModels(m); }

/// Why a master with models is not finalized (empty: it is, or it has no models).
std::string leftOutReason(const ZVfont &m) {
    if (!m.has_models() || m.status == ZVfont::interpolated)
        return {};
    if (!m.started_up())
        return "it was still starting";
    if (kernedFromModels(m))
        return {};
    switch (m.status) {
    case ZVfont::self_kerned:
        return "Zelvar has not kerned it yet";
    case ZVfont::being_processed:
        return "it was still being kerned";
    case ZVfont::autokerned_from_other:
        return "it waits for the master it is autokerned from";
    case ZVfont::engine_taken_over:
        return "the engine it took over has no fitted models";
    default:
        return "Zelvar does not kern it";
    }
}

std::size_t entryCount(const GSMasterKerning &kerning) {
    std::size_t n = 0;
    for (const auto &[left, row] : kerning)
        n += row.count();
    return n;
}

std::string masterName(const GSFont *font, const std::string &id) {
    const GSFontMaster *master = font ? font->fontMasterForId(id) : nullptr;
    return master ? master->name() : id;
}

bool isInterpolatedMaster(const ZVfont &m) {
    return m.started_up() && m.status == ZVfont::interpolated;
}

// No limit of an em here: the run applies it when it writes, knowing the font (withinAnEm).
constexpr double kAnyValue = 0;

/// A record as a target; `userSet` (sorted) holds the pairs the designer handed to autokerning.
ZVkerningtarget targetOf(const ZVsimplepair &r, const std::vector<ZVglyph_pair> &userSet) {
    ZVkerningtarget t;
    t.pair = r.indices;
    const std::optional<int> v = ZVDataToGlyphs::writtenValue(r, kAnyValue);
    t.value = v.value_or(0);
    t.keeps_zero = v && *v == 0;
    t.frequency = r.frequency;
    // What the designer set stays whatever the size: models, independent pairs and user-set
    // autopairs. Every pair the engine kerns on its own (kind 1 too) may go.
    const std::uint8_t kind = r.properties.kind();
    t.never_dropped = kind == ZV_MODEL || kind == ZV_INDEPENDENT ||
                      std::binary_search(userSet.begin(), userSet.end(), r.indices);
    return t;
}

// A master's targets with those of an em or more, which are never written, made pairs left
// unkerned (value 0: the font's own value for them goes too); they are added to `beyond`.
std::vector<ZVkerningtarget> withinAnEm(std::vector<ZVkerningtarget> targets, double unitsPerEm,
                                        ZVbeyondAnEm &beyond) {
    for (ZVkerningtarget &t : targets)
        if (ZVDataToGlyphs::beyondAnEm(t.value, unitsPerEm)) {
            beyond.add(t.pair);
            t.value = 0;
            t.keeps_zero = false;
        }
    return targets;
}

} // namespace

std::vector<std::size_t> mastersToFinalize(const ZVfontMM &engine) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < engine.masters.size(); ++i)
        if (hasFinalizableModels(engine.masters[i]))
            order.push_back(i);
    for (std::size_t i = 0; i < engine.masters.size(); ++i)
        if (isInterpolatedMaster(engine.masters[i]))
            order.push_back(i);
    return order;
}

std::vector<ZVleftout> mastersLeftOut(const ZVfontMM &engine, const GSFont *font) {
    std::vector<ZVleftout> out;
    for (const ZVfont &m : engine.masters)
        if (std::string reason = leftOutReason(m); !reason.empty())
            out.push_back({m.name, masterName(font, m.name), std::move(reason)});
    return out;
}

std::vector<ZVkerningtarget> kerningTargets(const ZVcache &flatKerning,
                                            std::vector<ZVglyph_pair> userSetAutopairs) {
    std::sort(userSetAutopairs.begin(), userSetAutopairs.end());
    std::vector<ZVkerningtarget> targets;
    for (const std::vector<ZVsimplepair> &list : flatKerning.lists)
        for (const ZVsimplepair &r : list)
            targets.push_back(targetOf(r, userSetAutopairs));
    std::sort(targets.begin(), targets.end(),
              [](const ZVkerningtarget &a, const ZVkerningtarget &b) { return a.pair < b.pair; });
    return targets;
}

ZVfinalmaster computeFinalMaster(ZVfontMM &engine, std::size_t master,
                                 const std::vector<ZVpair_frequency> &frequentPairs,
                                 const ZVkerning_progress &progress) {
    ZVfont &m = engine.masters.at(master);
    ZVfinalmaster out;
    out.id = m.name;
    if (m.status != ZVfont::interpolated) {
        // An edit (a special spacing group, in every master) may have discarded the fitted
        // model pairs; only the current master rebuilds them at once.
        if (m.models.modelpairs.empty() && m.models.size() != 0)
            m.models.determine_mix_and_modelpairs(false);
        if (m.models.modelpairs.empty()) {
            out.finalized = out.fitted = false;
            return out;
        }
        // The tracking the designer reviewed stays as it is (no softening), and the messages of
        // the tracking are of no use any more. Models that do not finalize keep the tracking
        // they have; every pair is kerned either way, as the glyph tab shows it.
        out.finalized = m.models.modelpairs.finalize(m.models.mix, false, nullptr);
        m.refill_cache_with_every_pair(progress);
        out.targets = kerningTargets(m.cache, m.get_user_set_autos());
        return out;
    }
    out.interpolated = true;
    std::vector<std::pair<double, const ZVfont *>> sources;
    for (const auto &[weight, id] : m.interpolation_sources)
        for (const ZVfont &s : engine.masters)
            if (s.name == id) {
                sources.emplace_back(weight, &s);
                break;
            }
    std::set<ZVglyph_pair> seen;
    for (const auto &[pair, frequency] : frequentPairs) {
        if (!m.kernable(pair) || !seen.insert(pair).second)
            continue;
        double sum = 0;
        for (const auto &[weight, source] : sources)
            sum += weight * source->get_value_unscaled(pair);
        ZVsimplepair r;
        r.indices = pair;
        r.value = static_cast<float>(m.unit_factor() * sum);
        r.value_min = ZV_NO_LOWER_BOUND;
        r.value_max = ZV_NO_VALUE;
        r.frequency = frequency;
        out.targets.push_back(targetOf(r, {}));
    }
    std::sort(out.targets.begin(), out.targets.end(),
              [](const ZVkerningtarget &a, const ZVkerningtarget &b) { return a.pair < b.pair; });
    return out;
}

ZVfinalplan planFinalKerning(const GSFont &font, const PLXlibNamespaceForZV::ZVglyphsinfo &info,
                             const std::vector<ZVfinalmaster> &masters, bool regenerateGroups,
                             const std::vector<std::size_t> &limits) {
    ZVfinalplan plan;
    plan.order = glyphOrderForFont(font, info);
    plan.tolerance = grouping_tolerance(font.unitsPerEm());
    std::vector<ZVbeyondAnEm> beyond(masters.size());
    std::vector<std::vector<ZVkerningtarget>> targets;
    for (std::size_t i = 0; i < masters.size(); ++i)
        targets.push_back(withinAnEm(masters[i].targets, font.unitsPerEm(), beyond[i]));
    if (regenerateGroups) {
        std::vector<std::vector<ZVkerningtarget>> all;
        for (std::size_t i = 0; i < masters.size(); ++i)
            if (masters[i].fitted)
                all.push_back(targets[i]);
        plan.groups = make_kerning_groups(all, plan.order, plan.tolerance);
    }
    const ZVkerninggroups none;
    for (std::size_t i = 0; i < masters.size(); ++i) {
        const ZVfinalmaster &m = masters[i];
        if (!m.fitted) {
            plan.left_out.push_back(
                {m.id, masterName(&font, m.id), "its models could not be fitted together"});
            continue;
        }
        ZVfinalmasterplan &mp = plan.masters.emplace_back();
        ZVfinalreport &r = mp.report;
        r.id = m.id;
        r.name = masterName(&font, m.id);
        r.beyond_em = beyond[i].count;
        for (const ZVglyph_pair &p : beyond[i].first)
            r.beyond_em_named.push_back(info._glyph_name_for_index.at(p.first) + "/" +
                                        info._glyph_name_for_index.at(p.second));
        r.interpolated = m.interpolated;
        r.finalized = m.finalized;
        r.limit = i < limits.size() ? limits[i] : 0;
        // The kerning is written whole: the pairs with a target get the engine's value, the
        // master's other pairs (as the host applies them under the groups they have now) stay,
        // flat, or are left to their class pairs where those give them within the tolerance.
        ZVfontkerning had = fontKerningPairs(font, m.id, info);
        mp.targets = std::move(targets[i]);
        std::size_t replaced = 0;
        mp.others = pairs_without_target(had.pairs, mp.targets, replaced);
        ZVfontpairs flatCounts, groupedCounts;
        const ZVwrittenkerning flat =
            final_master_kerning(mp.targets, mp.others, nullptr, plan.tolerance, flatCounts);
        r.flat_size = kerning_size(flat, none, plan.order).bytes;
        ZVwrittenkerning grouped;
        if (regenerateGroups) {
            grouped = final_master_kerning(mp.targets, mp.others, &plan.groups, plan.tolerance,
                                           groupedCounts);
            // Groups that do not make this master's kerning smaller are not used in it.
            r.written_flat = kerning_size(grouped, plan.groups, plan.order).bytes >= r.flat_size;
        }
        mp.grouped = regenerateGroups && !r.written_flat;
        mp.fit = mp.grouped ? fit_kerning_size(std::move(grouped), plan.groups, plan.order, r.limit)
                            : fit_kerning_size(flat, none, plan.order, r.limit);
        r.glyph_pairs = mp.fit.kept.glyph_entries.size();
        r.class_pairs = mp.fit.kept.class_entries.size();
        r.untargeted = mp.fit.kept.untargeted_pairs;
        r.dropped = mp.fit.dropped.size();
        r.size = mp.fit.size.bytes;
        r.over_limit = mp.fit.over_limit;
        r.font_pairs = mp.grouped ? groupedCounts : flatCounts;
        r.font_pairs.replaced = replaced;
        for (const ZVkerningentry &e : mp.fit.dropped)
            r.font_pairs.kept -= e.from_font;
        r.font_pairs.kept += entryCount(had.untouched);
        mp.untouched = std::move(had.untouched);
    }
    return plan;
}

ZVfinalwrite writeFinalKerning(ZVDataToGlyphs &bridge, const std::vector<ZVfinalmaster> &masters,
                               bool regenerateGroups, std::size_t limit) {
    ZVfinalwrite out;
    GSFont *font = bridge.gsfont();
    if (!font)
        return out;
    const PLXlibNamespaceForZV::ZVglyphsinfo &info = bridge.get_zvfont()->glyphsinfo;
    const ZVfinalplan plan = planFinalKerning(*font, info, masters, regenerateGroups,
                                              std::vector<std::size_t>(masters.size(), limit));
    // Every change below is the run's own (group kerning expanded in masters it does not write,
    // new groups, the masters written): none of it reaches the engine as the designer's edit.
    bridge.setIgnore_observers(true);
    font->disableUpdateInterface();
    if (regenerateGroups) {
        // A master not written keeps the kerning it has: its group entries become glyph pairs
        // under the groups that are about to go.
        std::set<std::string> written;
        for (const ZVfinalmasterplan &m : plan.masters)
            written.insert(m.report.id);
        for (const GSFontMaster *master : font->fontMasters())
            if (!written.count(master->id()))
                expandGroupKerning(*font, master->id());
        applyKerningGroups(*font, plan.groups, info);
        out.right_side_groups = plan.groups.right_sides.size();
        out.left_side_groups = plan.groups.left_sides.size();
    }
    const ZVkerninggroups none;
    for (const ZVfinalmasterplan &m : plan.masters) {
        GSMasterKerning kerning =
            groupedMasterKerning(m.fit.kept, m.grouped ? plan.groups : none, info);
        addEntries(kerning, m.untouched);
        bridge.writeMasterKerning(kerning, m.report.id);
        out.masters.push_back(m.report);
    }
    out.left_out = plan.left_out;
    bridge.writeAllTrackingGroups();
    font->enableUpdateInterface();
    bridge.unignoreObserversAfterDelay();
    return out;
}

std::string describeFinalWrite(const ZVfinalwrite &write) {
    std::string text;
    char line[512];
    for (const ZVfinalreport &r : write.masters) {
        const std::string state = r.interpolated ? "interpolated"
                                  : r.finalized  ? "finalized"
                                                 : "not finalized (tracking as it stood)";
        std::string limit = r.limit ? std::to_string(r.limit) + " B" : "no limit";
        std::snprintf(line, sizeof line,
                      "%s: %s; %zu glyph pairs and %zu class pairs written, %zu dropped; "
                      "%zu B against %s%s; %.3f of flat (%zu B)%s\n",
                      r.name.c_str(), state.c_str(), r.glyph_pairs, r.class_pairs, r.dropped,
                      r.size, limit.c_str(), r.over_limit ? " (over the limit)" : "",
                      r.flat_size ? static_cast<double>(r.size) / r.flat_size : 1.0, r.flat_size,
                      r.written_flat ? "; written flat, the groups would not make it smaller" : "");
        text += line;
        if (r.beyond_em)
            text += "  " + beyondAnEmText(r) + "\n";
        const ZVfontpairs &f = r.font_pairs;
        if (f.kept + f.replaced + f.removed) {
            std::snprintf(line, sizeof line,
                          "%s: of its kerning before, %zu pairs kept, %zu replaced by the "
                          "engine's, %zu left to their class pairs\n",
                          r.name.c_str(), f.kept, f.replaced, f.removed);
            text += line;
        }
    }
    for (const ZVleftout &m : write.left_out)
        text += m.name + ": not finalized: " + m.reason + "\n";
    if (write.right_side_groups + write.left_side_groups)
        text += std::to_string(write.right_side_groups) + " right-side and " +
                std::to_string(write.left_side_groups) + " left-side kerning groups\n";
    return text;
}

std::string beyondAnEmText(const ZVfinalreport &report) {
    std::string text = std::to_string(report.beyond_em) +
                       (report.beyond_em == 1 ? " pair" : " pairs") +
                       " kerned by an em or more left unkerned (";
    for (std::size_t i = 0; i < report.beyond_em_named.size(); ++i)
        text += (i ? ", " : "") + report.beyond_em_named[i];
    if (report.beyond_em > report.beyond_em_named.size())
        text += ", …";
    return text + ")";
}
