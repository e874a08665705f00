#include "plugin/ZVFinalizeRun.h"

#include "plugin/ZVGroupedKerningWriter.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace {

bool hasFinalizableModels(const ZVfont &m) {
    return m.started_up() &&
           (m.status == ZVfont::kerned || m.status == ZVfont::engine_taken_over) &&
           !m.models.modelpairs.empty();
}

bool isInterpolatedMaster(const ZVfont &m) {
    return m.started_up() && m.status == ZVfont::interpolated;
}

// No limit of an em here: the run applies it when it writes, knowing the font (withinAnEm).
constexpr double kAnyValue = 0;

ZVkerningtarget targetOf(const ZVsimplepair &r) {
    ZVkerningtarget t;
    t.pair = r.indices;
    const std::optional<int> v = ZVDataToGlyphs::writtenValue(r, kAnyValue);
    t.value = v.value_or(0);
    t.keeps_zero = v && *v == 0;
    t.frequency = r.frequency;
    t.never_dropped = r.properties.kind() != ZV_AUTOKERNED;
    return t;
}

/// Flat records that the whole-master writer writes exactly as the entries' values.
std::vector<std::vector<ZVsimplepair>> flatRecords(const ZVwrittenkerning &kerning,
                                                   std::size_t glyphCount) {
    std::vector<std::vector<ZVsimplepair>> lists(glyphCount);
    for (const ZVkerningentry &e : kerning.glyph_entries) {
        if (e.pair.first >= glyphCount)
            continue;
        ZVsimplepair r;
        r.indices = e.pair;
        r.value = static_cast<float>(e.value);
        r.value_min = ZV_NO_LOWER_BOUND;
        r.value_max = ZV_NO_VALUE;
        // Set by the designer as far as the writer goes: written as the whole number it is.
        r.properties.c = 0x02;
        lists[e.pair.first].push_back(r);
    }
    return lists;
}

// A master's targets without those of an em or more, which are never written: they are left
// unkerned and added to `beyond`.
std::vector<ZVkerningtarget> withinAnEm(const std::vector<ZVkerningtarget> &targets,
                                        double unitsPerEm, ZVbeyondAnEm &beyond) {
    std::vector<ZVkerningtarget> kept;
    kept.reserve(targets.size());
    for (const ZVkerningtarget &t : targets) {
        if (ZVDataToGlyphs::beyondAnEm(t.value, unitsPerEm))
            beyond.add(t.pair);
        else
            kept.push_back(t);
    }
    return kept;
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

std::vector<ZVkerningtarget> kerningTargets(const ZVcache &flatKerning) {
    std::vector<ZVkerningtarget> targets;
    for (const std::vector<ZVsimplepair> &list : flatKerning.lists)
        for (const ZVsimplepair &r : list)
            targets.push_back(targetOf(r));
    std::sort(targets.begin(), targets.end(),
              [](const ZVkerningtarget &a, const ZVkerningtarget &b) { return a.pair < b.pair; });
    return targets;
}

ZVfinalmaster computeFinalMaster(ZVfontMM &engine, std::size_t master,
                                 const std::vector<ZVpair_frequency> &frequentPairs) {
    ZVfont &m = engine.masters.at(master);
    ZVfinalmaster out;
    out.id = m.name;
    if (m.status != ZVfont::interpolated) {
        // The tracking the designer reviewed stays as it is (no softening), and the messages of
        // the tracking are of no use any more.
        out.finalized = m.models.modelpairs.finalize(m.models.mix, false, nullptr);
        if (out.finalized)
            m.refill_cache();
        else
            m.freshen_cache();
        out.targets = kerningTargets(m.cache);
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
        out.targets.push_back(targetOf(r));
    }
    std::sort(out.targets.begin(), out.targets.end(),
              [](const ZVkerningtarget &a, const ZVkerningtarget &b) { return a.pair < b.pair; });
    return out;
}

ZVfinalwrite writeFinalKerning(ZVDataToGlyphs &bridge, const std::vector<ZVfinalmaster> &masters,
                               bool regenerateGroups, std::size_t limit) {
    ZVfinalwrite out;
    GSFont *font = bridge.gsfont();
    if (!font)
        return out;
    const PLXlibNamespaceForZV::ZVglyphsinfo &info = bridge.get_zvfont()->glyphsinfo;
    const ZVglyphorder order = glyphOrderForFont(*font, info);
    // Every change below is the run's own (group kerning expanded in masters it does not write,
    // new groups, the masters written): none of it reaches the engine as the designer's edit.
    bridge.setIgnore_observers(true);
    font->disableUpdateInterface();

    std::vector<ZVbeyondAnEm> beyond(masters.size());
    std::vector<std::vector<ZVkerningtarget>> targets;
    for (std::size_t i = 0; i < masters.size(); ++i)
        targets.push_back(withinAnEm(masters[i].targets, font->unitsPerEm(), beyond[i]));

    ZVkerninggroups groups;
    if (regenerateGroups) {
        const std::vector<std::vector<ZVkerningtarget>> &all = targets;
        std::set<std::string> written;
        for (const ZVfinalmaster &m : masters)
            written.insert(m.id);
        groups = make_kerning_groups(all, order, grouping_tolerance(font->unitsPerEm()));
        // A master not written keeps the kerning it has: its group entries become glyph pairs
        // under the groups that are about to go.
        for (const GSFontMaster *master : font->fontMasters())
            if (!written.count(master->id()))
                expandGroupKerning(*font, master->id());
        applyKerningGroups(*font, groups, info);
        out.right_side_groups = groups.right_sides.size();
        out.left_side_groups = groups.left_sides.size();
    }

    for (std::size_t i = 0; i < masters.size(); ++i) {
        const ZVfinalmaster &m = masters[i];
        ZVfinalreport r;
        r.id = m.id;
        r.beyond_em = beyond[i].count;
        for (const ZVglyph_pair &p : beyond[i].first)
            r.beyond_em_named.push_back(info._glyph_name_for_index.at(p.first) + "/" +
                                        info._glyph_name_for_index.at(p.second));
        if (const GSFontMaster *master = font->fontMasterForId(m.id))
            r.name = master->name();
        r.interpolated = m.interpolated;
        r.finalized = m.finalized;
        r.limit = limit;
        const ZVwrittenkerning flat = flat_kerning(targets[i]);
        r.flat_size = kerning_size(flat, ZVkerninggroups{}, order).bytes;
        const ZVkerningfit fit =
            regenerateGroups
                ? fit_kerning_size(grouped_kerning(targets[i], groups), groups, order, limit)
                : fit_kerning_size(flat, groups, order, limit);
        r.glyph_pairs = fit.kept.glyph_entries.size();
        r.class_pairs = fit.kept.class_entries.size();
        r.untargeted = fit.kept.untargeted_pairs;
        r.dropped = fit.dropped.size();
        r.size = fit.size.bytes;
        r.over_limit = fit.over_limit;
        if (!regenerateGroups && !m.interpolated)
            bridge.writeSimplepairsGrouped(flatRecords(fit.kept, info._id_for_index.size()), m.id);
        else
            bridge.writeMasterKerning(groupedMasterKerning(fit.kept, groups, info), m.id);
        out.masters.push_back(std::move(r));
    }
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
                                                 : "not finalized (kerning as it stood)";
        std::string limit = r.limit ? std::to_string(r.limit) + " B" : "no limit";
        std::snprintf(line, sizeof line,
                      "%s: %s; %zu glyph pairs and %zu class pairs written, %zu dropped; "
                      "%zu B against %s%s; %.3f of flat (%zu B)\n",
                      r.name.c_str(), state.c_str(), r.glyph_pairs, r.class_pairs, r.dropped,
                      r.size, limit.c_str(), r.over_limit ? " (over the limit)" : "",
                      r.flat_size ? static_cast<double>(r.size) / r.flat_size : 1.0, r.flat_size);
        text += line;
        if (r.beyond_em)
            text += "  " + beyondAnEmText(r) + "\n";
    }
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
