// The engine's own final kerning of the sample family as feature files, for test_kerning_size.py
// to compile with fontTools and compare: the sample's kerning re-worked as the plug-in does it,
// every master finalized with every relevant pair, and the finalisation's plan written flat and
// with rebuilt groups, unlimited and at half its size.
//
//   kerning_sample_cases OUT_DIR [FONT.json]
//   kerning_sample_cases --tolerances [FONT.json]
//
// OUT_DIR gets glyph_order.txt (one name a line), one .fea file per case, per master
// targets_<master>.txt ("left right value kept", kept 1 for a target never dropped) and
// font_<master>.txt ("left right value": the master's own pairs without a target), and cases.json
// describing every case and the rebuilt groups. With --tolerances it prints, for several grouping
// tolerances, each master's sizes and how far the class values of pairs without a target lie from
// what the engine gives them.
#include "ZVrework.h"
#include "plugin/ZVFinalizeRun.h"
#include "plugin/ZVGroupedKerningWriter.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

namespace {

struct Writer {
    const ZVfinalplan &plan;
    std::string dir;

    const std::string &name(std::uint16_t g) const {
        return plan.order.names[plan.order.glyph_id[g]];
    }

    void feature_file(const std::string &file, const ZVwrittenkerning &k, bool grouped) const {
        std::ofstream out(dir + "/" + file);
        const auto classes = [&](const char *prefix, const std::vector<ZVkerninggroup> &all) {
            for (const ZVkerninggroup &g : all) {
                out << "@" << prefix << "_" << g.name << " = [";
                for (std::size_t i = 0; i < g.members.size(); ++i)
                    out << (i ? " " : "") << name(g.members[i]);
                out << "];\n";
            }
        };
        if (grouped) {
            classes("L", plan.groups.right_sides);
            classes("R", plan.groups.left_sides);
        }
        out << "feature kern {\n";
        for (const ZVkerningentry &e : k.glyph_entries)
            out << "pos " << name(e.pair.first) << " " << name(e.pair.second) << " " << e.value
                << ";\n";
        for (const ZVclassentry &c : k.class_entries)
            out << "pos @L_" << plan.groups.right_sides[c.left_group].name << " @R_"
                << plan.groups.left_sides[c.right_group].name << " " << c.value << ";\n";
        out << "} kern;\n";
    }

    std::string entry(const ZVkerningentry &e) const {
        std::ostringstream o;
        o << "[\"" << name(e.pair.first) << "\",\"" << name(e.pair.second) << "\"," << e.pair.first
          << "," << e.pair.second << "," << e.value << "," << e.weight << "," << e.frequency << ","
          << (e.never_dropped ? 1 : 0) << "," << (e.from_font ? 1 : 0) << "]";
        return o.str();
    }

    /// One case's JSON object; a limited case lists every entry it could write (in file order)
    /// and the dropped ones.
    std::string case_json(const std::string &id, const std::string &kind,
                          const ZVfinalmasterplan &m, const ZVwrittenkerning *all) const {
        const ZVkerningfit &fit = m.fit;
        std::ostringstream j;
        j << "{\"name\":\"" << id << "\",\"master\":\"" << m.report.id << "\",\"kind\":\"" << kind
          << "\",\"grouped\":" << (m.grouped ? "true" : "false") << ",\"limit\":" << m.report.limit
          << ",\"estimate\":" << fit.size.bytes
          << ",\"over_limit\":" << (fit.over_limit ? "true" : "false")
          << ",\"glyph_entries\":" << fit.kept.glyph_entries.size()
          << ",\"class_entries\":" << fit.kept.class_entries.size()
          << ",\"untargeted\":" << fit.kept.untargeted_pairs;
        if (all) {
            j << ",\"entries\":[";
            for (std::size_t i = 0; i < all->glyph_entries.size(); ++i)
                j << (i ? "," : "") << entry(all->glyph_entries[i]);
            j << "],\"dropped\":[";
            for (std::size_t i = 0; i < fit.dropped.size(); ++i)
                j << (i ? "," : "") << entry(fit.dropped[i]);
            j << "]";
        }
        j << "}";
        return j.str();
    }

    std::string groups_json(const std::vector<ZVkerninggroup> &groups) const {
        std::ostringstream j;
        j << "[";
        for (std::size_t i = 0; i < groups.size(); ++i) {
            j << (i ? "," : "") << "[";
            for (std::size_t k = 0; k < groups[i].members.size(); ++k)
                j << (k ? "," : "") << "\"" << name(groups[i].members[k]) << "\"";
            j << "]";
        }
        return j.str() + "]";
    }
};

/// Everything a limited plan could have written: its kept and dropped entries.
ZVwrittenkerning all_entries(const ZVkerningfit &fit) {
    ZVwrittenkerning k = fit.kept;
    k.glyph_entries.insert(k.glyph_entries.end(), fit.dropped.begin(), fit.dropped.end());
    std::sort(k.glyph_entries.begin(), k.glyph_entries.end(),
              [](const ZVkerningentry &a, const ZVkerningentry &b) { return a.pair < b.pair; });
    return k;
}

/// A limited plan's kerning with the last dropped entry written again.
ZVwrittenkerning one_fewer_dropped(const ZVkerningfit &fit) {
    ZVwrittenkerning k = fit.kept;
    if (!fit.dropped.empty()) {
        k.glyph_entries.push_back(fit.dropped.back());
        std::sort(k.glyph_entries.begin(), k.glyph_entries.end(),
                  [](const ZVkerningentry &a, const ZVkerningentry &b) { return a.pair < b.pair; });
    }
    return k;
}

/// Per master, what the finalisation's targets must be: the frequent pairs the master can kern
/// and what the designer set.
std::vector<std::set<ZVglyph_pair>> expected_targets(ZVfontMM &mm,
                                                     const std::vector<std::size_t> &order) {
    std::vector<std::set<ZVglyph_pair>> out;
    for (std::size_t i : order) {
        const ZVfont &m = mm.masters[i];
        std::set<ZVglyph_pair> &want = out.emplace_back();
        for (const ZVautopair &r : m.autopairs->records)
            if (r.is_autokernable(m.glyphs))
                want.insert(r.indices);
        for (const ZVglyph_pair &p : mm.get_models(m.name))
            want.insert(p);
        for (const ZVglyph_pair &p : mm.get_independents(m.name))
            want.insert(p);
        for (const ZVglyph_pair &p : mm.get_user_set_autos(m.name))
            want.insert(p);
    }
    return out;
}

/// The table of grouping tolerances: sizes, and the class values given to pairs without a target
/// against what the engine gives those pairs.
void tolerance_table(ZVreworkRoad &road, const std::vector<ZVfinalmaster> &computed) {
    ZVfontMM &mm = road.mm();
    std::printf("tolerance (per 1000 em) | master | grouped B | flat B | ratio | class pairs | "
                "glyph pairs | untargeted | engine-kernable untargeted | mean |class - engine| | "
                "within 10\n");
    for (double per_1000 : {0.0, 2.0, 4.0, 8.0, 12.0, 16.0}) {
        // The plan reads the tolerance from the font: scale it through a copy of the targets.
        const double tolerance = per_1000 * road.font().unitsPerEm() / 1000.0;
        const ZVglyphorder order = glyphOrderForFont(road.font(), mm.glyphsinfo);
        std::vector<std::vector<ZVkerningtarget>> all;
        for (const ZVfinalmaster &m : computed)
            all.push_back(m.targets);
        const ZVkerninggroups groups = make_kerning_groups(all, order, tolerance);
        for (const ZVfinalmaster &m : computed) {
            const ZVfontkerning had = fontKerningPairs(road.font(), m.id, mm.glyphsinfo);
            std::size_t replaced = 0;
            const std::vector<ZVkerningtarget> others =
                pairs_without_target(had.pairs, m.targets, replaced);
            ZVfontpairs counts;
            const ZVwrittenkerning flat =
                final_master_kerning(m.targets, others, nullptr, tolerance, counts);
            const ZVwrittenkerning grouped =
                final_master_kerning(m.targets, others, &groups, tolerance, counts);
            const std::size_t flat_size = kerning_size(flat, ZVkerninggroups{}, order).bytes;
            const std::size_t grouped_size = kerning_size(grouped, groups, order).bytes;
            // The pairs without a target or a value of their own that class pairs give a value.
            std::set<ZVglyph_pair> known;
            for (const ZVkerningtarget &t : m.targets)
                known.insert(t.pair);
            for (const ZVkerningtarget &t : others)
                known.insert(t.pair);
            ZVfont &f = mm.get_master(m.id);
            f.models.determine_mix_and_modelpairs(false);
            std::size_t untargeted = 0, kernable = 0, within = 0;
            double sum = 0;
            for (const ZVclassentry &c : grouped.class_entries)
                for (std::uint16_t l : groups.right_sides[c.left_group].members)
                    for (std::uint16_t r : groups.left_sides[c.right_group].members) {
                        if (known.count({l, r}))
                            continue;
                        ++untargeted;
                        // Every seventh, so that the table stays quick on large groups.
                        if (untargeted % 7 != 0 || !f.kernable({l, r}))
                            continue;
                        ZVsimplepair e = f.models.if_autokerned(
                            {l, r}, f.models.mix, f.models.modelpairs.pairs, f.glyphs);
                        e.value = static_cast<float>(e.value * f.unit_factor());
                        e.value_min = static_cast<float>(e.value_min * f.unit_factor());
                        e.value_max = static_cast<float>(e.value_max * f.unit_factor());
                        const int engine =
                            ZVDataToGlyphs::writtenValue(e, road.font().unitsPerEm()).value_or(0);
                        const double d = std::abs(static_cast<double>(c.value) - engine);
                        ++kernable;
                        sum += d;
                        within += d <= 10;
                    }
            const GSFontMaster *master = road.font().fontMasterForId(m.id);
            std::printf("%g | %s | %zu | %zu | %.3f | %zu | %zu | %zu | %zu | %.1f | %.1f%%\n",
                        per_1000, master ? master->name().c_str() : m.id.c_str(), grouped_size,
                        flat_size, static_cast<double>(grouped_size) / flat_size,
                        grouped.class_entries.size(), grouped.glyph_entries.size(), untargeted,
                        kernable, kernable ? sum / kernable : 0.0,
                        kernable ? 100.0 * within / kernable : 0.0);
        }
        std::printf("%g: %zu right-side and %zu left-side groups\n", per_1000,
                    groups.right_sides.size(), groups.left_sides.size());
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::cerr << "usage: kerning_sample_cases OUT_DIR [FONT.json]\n"
                     "       kerning_sample_cases --tolerances [FONT.json]\n";
        return 2;
    }
    const std::string dir = argv[1];
    const bool table = dir == "--tolerances";
    const std::string font_path = argc > 2 ? argv[2] : std::string(ZV_SAMPLES_DIR) + "/Lato.json";
    std::string error;
    std::optional<ZVreworkRoad> road = load_rework_road(font_path, ZV_BUNDLE_DIR, error);
    if (!road) {
        std::cerr << "kerning_sample_cases: " << error << "\n";
        return 1;
    }
    run_rework_road(*road, true);
    ZVfontMM &mm = road->mm();
    const std::vector<std::size_t> order = mastersToFinalize(mm);
    const std::vector<std::set<ZVglyph_pair>> expected = expected_targets(mm, order);
    const std::vector<ZVpair_frequency> frequent = mm.get_expanded_pairs();
    std::vector<ZVfinalmaster> computed;
    for (std::size_t i : order)
        computed.push_back(computeFinalMaster(mm, i, frequent));
    if (table) {
        tolerance_table(*road, computed);
        return 0;
    }

    const PLXlibNamespaceForZV::ZVglyphsinfo &info = mm.glyphsinfo;
    const std::vector<std::size_t> none(computed.size(), 0);
    const ZVfinalplan flat = planFinalKerning(road->font(), info, computed, false, none);
    const ZVfinalplan grouped = planFinalKerning(road->font(), info, computed, true, none);
    std::vector<std::size_t> half_flat, half_grouped;
    for (std::size_t m = 0; m < computed.size(); ++m) {
        half_flat.push_back(flat.masters[m].report.size / 2);
        half_grouped.push_back(grouped.masters[m].report.size / 2);
    }
    const ZVfinalplan flat_half = planFinalKerning(road->font(), info, computed, false, half_flat);
    const ZVfinalplan grouped_half =
        planFinalKerning(road->font(), info, computed, true, half_grouped);

    const Writer w{grouped, dir};
    {
        std::ofstream out(dir + "/glyph_order.txt");
        for (const std::string &n : grouped.order.names)
            out << n << "\n";
    }
    std::vector<std::string> cases, checks;
    for (std::size_t m = 0; m < computed.size(); ++m) {
        const ZVfinalmasterplan &g = grouped.masters[m];
        const std::string &id = g.report.id;
        std::set<ZVglyph_pair> got;
        {
            std::ofstream out(dir + "/targets_" + id + ".txt");
            for (const ZVkerningtarget &t : g.targets) {
                out << w.name(t.pair.first) << " " << w.name(t.pair.second) << " " << t.value << " "
                    << (is_never_dropped(t) ? 1 : 0) << "\n";
                got.insert(t.pair);
            }
        }
        {
            std::ofstream out(dir + "/font_" + id + ".txt");
            for (const ZVkerningtarget &t : g.others)
                out << w.name(t.pair.first) << " " << w.name(t.pair.second) << " " << t.value
                    << "\n";
        }
        checks.push_back("{\"master\":\"" + id + "\",\"targets\":" + std::to_string(got.size()) +
                         ",\"expected_targets\":" + std::to_string(expected[m].size()) +
                         ",\"targets_as_expected\":" + (got == expected[m] ? "true" : "false") +
                         "}");
        for (const auto &[kind, whole, half] :
             {std::tuple{std::string("flat"), &flat, &flat_half},
              std::tuple{std::string("grouped"), &grouped, &grouped_half}}) {
            const ZVfinalmasterplan &u = whole->masters[m], &h = half->masters[m];
            const std::string name = kind + "_" + id;
            const Writer wu{*whole, dir};
            wu.feature_file(name + ".fea", u.fit.kept, u.grouped);
            cases.push_back(wu.case_json(name, kind, u, nullptr));
            const ZVwrittenkerning every = all_entries(h.fit);
            wu.feature_file("half_" + name + ".fea", h.fit.kept, h.grouped);
            wu.feature_file("half_" + name + "_shorter.fea", one_fewer_dropped(h.fit), h.grouped);
            cases.push_back(wu.case_json("half_" + name, kind, h, &every));
            std::cout << g.report.name << " " << kind << ": " << u.report.size << " B, "
                      << u.report.glyph_pairs << " glyph pairs, " << u.report.class_pairs
                      << " class pairs" << (u.report.written_flat ? " (written flat)" : "")
                      << "; at " << h.report.limit << " B " << h.report.size << " B with "
                      << h.report.dropped << " dropped\n";
        }
    }
    std::cout << "groups: " << grouped.groups.right_sides.size() << " right sides, "
              << grouped.groups.left_sides.size() << " left sides\n";
    std::ofstream out(dir + "/cases.json");
    out << "{\"tolerance\":" << grouped.tolerance << ",\"min_shared\":" << ZV_GROUPING_MIN_SHARED
        << ",\"right_side_groups\":" << w.groups_json(grouped.groups.right_sides)
        << ",\"left_side_groups\":" << w.groups_json(grouped.groups.left_sides) << ",\"masters\":[";
    for (std::size_t i = 0; i < checks.size(); ++i)
        out << (i ? "," : "") << checks[i];
    out << "],\"cases\":[\n";
    for (std::size_t i = 0; i < cases.size(); ++i)
        out << cases[i] << (i + 1 < cases.size() ? ",\n" : "\n");
    out << "]}\n";
    return 0;
}
