#include "ZVrework.h"

#include "bridge/ZVGlyphTableFromFont.h"
#include "bridge/ZVMasterOutlines.h"
#include "engine/model/ZVautopairs.h"
#include "host/GSFontJSON.h"

#include <chrono>
#include <cmath>
#include <filesystem>
#include <set>
#include <thread>

using PLXlibNamespaceForZV::PLXglyph;
using PLXlibNamespaceForZV::ZV_NO_GLYPH;

namespace {

double ms_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

bool usable_x_height(double x) { return x > 0 && x <= 22000; }

} // namespace

std::optional<ZVreworkRoad> load_rework_road(const std::string &font_path,
                                             const std::string &frequencies_path,
                                             const std::string &groups_path, std::string &error) {
    const auto start = std::chrono::steady_clock::now();
    GSFontReadResult read = readFontJSONFile(font_path);
    if (!read) {
        error = read.error;
        return std::nullopt;
    }
    ZVreworkRoad road;
    road.font = std::move(read.font);
    const GSFont &font = *road.font;
    ZVfontMM &mm = road.mm;
    fill_glyph_table_from_font(font, mm.glyphsinfo);

    road.frequencies_from_file = std::filesystem::exists(frequencies_path);
    mm.load_pair_frequencies(road.frequencies_from_file ? frequencies_path.c_str() : nullptr);
    if (mm.features.indices_with_frequency.empty()) {
        // Without counts from running text the font's own kerned pairs of printable ASCII
        // characters stand in, all alike: the whole kerning of a large family is too much.
        road.frequencies_from_file = false;
        const auto ascii = [&](std::uint16_t g) {
            const auto &c = mm.glyphsinfo._category_for_index[g];
            return (c.flags & PLXlibNamespaceForZV::ZV_HAS_UNICODE) && c.unicode > 0x20 &&
                   c.unicode < 0x7F;
        };
        std::set<ZVglyph_pair> pairs;
        for (const GSFontMaster *master : font.fontMasters())
            if (const GSMasterKerning *k = font.masterKerning(master->id(), 0))
                for (const auto &[left, row] : *k)
                    for (const auto &[right, value] : row) {
                        const std::uint16_t l = mm.glyphsinfo.index_for_id(left),
                                            r = mm.glyphsinfo.index_for_id(right);
                        if (l != ZV_NO_GLYPH && r != ZV_NO_GLYPH && ascii(l) && ascii(r))
                            pairs.insert({l, r});
                    }
        for (const ZVglyph_pair &p : pairs)
            mm.features.indices_with_frequency.push_back({p, 100});
    }
    for (const auto &[pair, frequency] : mm.get_expanded_pairs())
        road.frequent.push_back(pair);

    const std::vector<GSGlyph *> glyphs = font.glyphs();
    for (const GSFontMaster *master : font.fontMasters()) {
        if (!usable_x_height(master->defaultXHeight())) {
            mm.add_linked_metrics_master(master->id());
            continue;
        }
        ZVreworkMaster m;
        m.id = master->id();
        m.name = master->name();
        // The existing kerning as the host answers it for each frequent pair (groups included).
        for (const ZVglyph_pair &p : road.frequent) {
            if (p.first >= glyphs.size() || p.second >= glyphs.size())
                continue;
            const double v =
                font.kerningForFontMasterIDFirstGlyph(m.id, glyphs[p.first], glyphs[p.second], 0);
            if (v <= 1000000.0)
                m.existing[p] = static_cast<float>(v);
        }
        std::vector<PLXglyph> outlines = outlines_for_master(font, *master);
        mm.add_untouched_master(m.id, outlines, static_cast<int>(master->defaultCapHeight()),
                                static_cast<int>(master->defaultXHeight()), m.existing);
        road.masters.push_back(std::move(m));
    }
    mm.set_default_tracking_groups(groups_path);
    if (!road.masters.empty())
        mm.set_current_master(road.masters.front().id);
    road.load_ms = ms_since(start);
    return road;
}

void run_rework_road(ZVreworkRoad &road, bool threads) {
    std::vector<std::uint16_t> run;
    for (const ZVglyph_pair &p : road.frequent) {
        run.push_back(p.first);
        run.push_back(p.second);
        run.push_back(ZV_NO_GLYPH);
    }
    std::vector<std::string> order;
    for (const ZVreworkMaster &m : road.masters)
        order.push_back(m.id);
    road.mm.begin_start_up(order);
    auto work = [&](ZVreworkMaster &m) {
        const auto start = std::chrono::steady_clock::now();
        road.mm.initial_processing(m.id, {});
        road.mm.set_required_text(run, m.id);
        m.ms = ms_since(start);
    };
    if (!threads) {
        for (ZVreworkMaster &m : road.masters)
            work(m);
        return;
    }
    std::vector<std::thread> workers;
    for (ZVreworkMaster &m : road.masters)
        workers.emplace_back(work, std::ref(m));
    for (std::thread &t : workers)
        t.join();
}

std::optional<int> written_kerning_value(const ZVsimplepair &r) {
    if (r.properties.c & 0x02)
        return static_cast<int>(round_half_away(r.value));
    const float v = round_pair_value(r, 2.0f);
    if (v == 0 && !(r.properties.c & 0x04))
        return std::nullopt;
    return static_cast<int>(v);
}

std::map<ZVglyph_pair, int> written_kerning(ZVreworkRoad &road, const std::string &master_id) {
    std::map<ZVglyph_pair, int> out;
    for (const auto &list : road.mm.get_single_master_flat_kerning(master_id).lists)
        for (const ZVsimplepair &r : list)
            if (const std::optional<int> v = written_kerning_value(r))
                out[r.indices] = *v;
    return out;
}

bool write_rework_road(ZVreworkRoad &road, const std::string &path, std::string &error) {
    GSKerningDictionary &kerning = road.font->ensureKerning();
    const auto &ids = road.mm.glyphsinfo._id_for_index;
    for (const ZVreworkMaster &m : road.masters) {
        GSMasterKerning master;
        for (const auto &list : road.mm.get_single_master_flat_kerning(m.id).lists) {
            if (list.empty() || list.front().indices.first >= ids.size())
                continue;
            GSKerningRow row;
            for (const ZVsimplepair &r : list)
                if (r.indices.second < ids.size())
                    if (const std::optional<int> v = written_kerning_value(r))
                        row.setObject(*v, ids[r.indices.second]);
            master.setObject(std::move(row), ids[list.front().indices.first]);
        }
        kerning.setObject(std::move(master), m.id);
    }
    return writeFontJSONFile(*road.font, path, &error);
}
