// Writes the sample family's kerning, flat and grouped, unlimited and at half its size, as feature
// files with the size estimates, for test_kerning_size.py to compile with fontTools and compare.
//
//   kerning_sample_cases OUT_DIR [TOLERANCE_PER_1000_EM] [FONT.json]
//
// OUT_DIR gets glyph_order.txt (one name a line), one .fea file per case, targets_<master>.txt
// ("left right value" by glyph name) and cases.json describing every case.
#include "plugin/ZVkerningfit.h"
#include "sample_kerning_targets.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

struct Writer {
    const zvtest::SampleKerningTargets &s;
    std::string dir;

    const std::string &name(std::uint16_t g) const { return s.order.names[s.order.glyph_id[g]]; }

    void feature_file(const std::string &file, const ZVwrittenkerning &k,
                      const ZVkerninggroups &groups) const {
        std::ofstream out(dir + "/" + file);
        const auto classes = [&](const char *prefix, const std::vector<ZVkerninggroup> &all) {
            for (const ZVkerninggroup &g : all) {
                out << "@" << prefix << "_" << g.name << " = [";
                for (std::size_t i = 0; i < g.members.size(); ++i)
                    out << (i ? " " : "") << name(g.members[i]);
                out << "];\n";
            }
        };
        classes("L", groups.right_sides);
        classes("R", groups.left_sides);
        out << "feature kern {\n";
        for (const ZVkerningentry &e : k.glyph_entries)
            out << "pos " << name(e.pair.first) << " " << name(e.pair.second) << " " << e.value
                << ";\n";
        for (const ZVclassentry &c : k.class_entries)
            out << "pos @L_" << groups.right_sides[c.left_group].name << " @R_"
                << groups.left_sides[c.right_group].name << " " << c.value << ";\n";
        out << "} kern;\n";
    }

    /// One case's JSON object; a limited case lists the entries that could go, in file order,
    /// with their weights, and the dropped ones.
    std::string case_json(const std::string &id, const std::string &master, const std::string &kind,
                          std::size_t limit, const ZVkerningfit &fit,
                          const ZVwrittenkerning *all) const {
        std::ostringstream j;
        j << "{\"name\":\"" << id << "\",\"master\":\"" << master << "\",\"kind\":\"" << kind
          << "\",\"limit\":" << limit << ",\"estimate\":" << fit.size.bytes
          << ",\"subtables\":" << fit.size.subtables
          << ",\"extension\":" << (fit.size.extension ? "true" : "false")
          << ",\"over_limit\":" << (fit.over_limit ? "true" : "false")
          << ",\"glyph_entries\":" << fit.kept.glyph_entries.size()
          << ",\"class_entries\":" << fit.kept.class_entries.size()
          << ",\"untargeted\":" << fit.kept.untargeted_pairs;
        if (all) {
            const auto entry = [&](const ZVkerningentry &e) {
                std::ostringstream o;
                o << "[\"" << name(e.pair.first) << "\",\"" << name(e.pair.second) << "\","
                  << e.pair.first << "," << e.pair.second << "," << e.value << "," << e.weight
                  << "," << e.frequency << "," << (e.never_dropped ? 1 : 0) << "]";
                return o.str();
            };
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
};

/// The fit of `k` with one entry fewer dropped than `fit` dropped.
ZVwrittenkerning one_fewer_dropped(const ZVkerningfit &fit) {
    ZVwrittenkerning k = fit.kept;
    if (!fit.dropped.empty()) {
        k.glyph_entries.push_back(fit.dropped.back());
        std::sort(k.glyph_entries.begin(), k.glyph_entries.end(),
                  [](const ZVkerningentry &a, const ZVkerningentry &b) { return a.pair < b.pair; });
    }
    return k;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::cerr << "usage: kerning_sample_cases OUT_DIR [TOLERANCE_PER_1000_EM] [FONT.json]\n";
        return 2;
    }
    const std::string dir = argv[1];
    const double per_1000 = argc > 2 ? std::atof(argv[2]) : ZV_GROUPING_TOLERANCE;
    const zvtest::SampleKerningTargets s = zvtest::sample_kerning_targets(argc > 3 ? argv[3] : "");
    const Writer w{s, dir};
    {
        std::ofstream out(dir + "/glyph_order.txt");
        for (const std::string &n : s.order.names)
            out << n << "\n";
    }
    const ZVkerninggroups none;
    const ZVkerninggroups groups =
        make_kerning_groups(s.targets, s.order, per_1000 * s.font->unitsPerEm() / 1000.0);
    std::vector<std::string> cases;
    for (std::size_t m = 0; m < s.master_ids.size(); ++m) {
        const std::string &id = s.master_ids[m];
        {
            std::ofstream out(dir + "/targets_" + id + ".txt");
            for (const ZVkerningtarget &t : s.targets[m])
                out << w.name(t.pair.first) << " " << w.name(t.pair.second) << " " << t.value
                    << "\n";
        }
        const ZVwrittenkerning flat = flat_kerning(s.targets[m]);
        const ZVwrittenkerning grouped = grouped_kerning(s.targets[m], groups);
        for (const auto &[kind, written, g] :
             {std::tuple{std::string("flat"), &flat, &none},
              std::tuple{std::string("grouped"), &grouped, &groups}}) {
            const ZVkerningfit whole = fit_kerning_size(*written, *g, s.order, 0);
            const std::string name = kind + "_" + id;
            w.feature_file(name + ".fea", whole.kept, *g);
            cases.push_back(w.case_json(name, id, kind, 0, whole, nullptr));

            const std::size_t limit = whole.size.bytes / 2;
            const ZVkerningfit half = fit_kerning_size(*written, *g, s.order, limit);
            w.feature_file("half_" + name + ".fea", half.kept, *g);
            w.feature_file("half_" + name + "_shorter.fea", one_fewer_dropped(half), *g);
            cases.push_back(w.case_json("half_" + name, id, kind, limit, half, written));
            std::cout << id << " " << kind << ": " << whole.size.bytes << " bytes, "
                      << whole.kept.glyph_entries.size() << " glyph pairs, "
                      << whole.kept.class_entries.size() << " class pairs; at " << limit
                      << " bytes " << half.size.bytes << " with " << half.dropped.size()
                      << " dropped\n";
        }
    }
    std::cout << "groups: " << groups.right_sides.size() << " right sides, "
              << groups.left_sides.size() << " left sides\n";
    std::ofstream out(dir + "/cases.json");
    out << "{\"tolerance\":" << per_1000 << ",\"cases\":[\n";
    for (std::size_t i = 0; i < cases.size(); ++i)
        out << cases[i] << (i + 1 < cases.size() ? ",\n" : "\n");
    out << "]}\n";
    return 0;
}
