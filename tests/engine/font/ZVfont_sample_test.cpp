// The sample family as a three-master font: self-kerned, untouched with existing kerning, and
// interpolated from the other two.
#include "bridge/ZVDataFromGlyphs.h"
#include "engine/font/ZVfontMM.h"
#include "font_fixture.h"
#include "host/GSFontJSON.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

using zvtest::flat;

namespace {

using PLXlibNamespaceForZV::PLXglyph;
using PLXlibNamespaceForZV::ZV_NO_GLYPH;

/// Pair frequencies of a few hundred letter pairs, written as the shipped file's format.
std::string small_frequencies() {
    const std::string path = testing::TempDir() + "sample_frequencies.txt";
    std::ofstream out(path, std::ios::binary);
    out << " letters of a short text\n";
    const std::string lower = "aenost", upper = "ATVO";
    int f = 900;
    for (char l : lower)
        for (char r : lower)
            out << l << r << ' ' << (f = f > 40 ? f - 3 : 900) << '\n';
    for (char l : upper)
        for (char r : lower + ".")
            out << l << r << ' ' << (f = f > 40 ? f - 5 : 700) << '\n';
    return path;
}

struct Sample {
    std::unique_ptr<GSFont> font;
    ZVfontMM mm;
    std::vector<std::string> ids; // Hairline, Regular, Black as the file orders them
};

Sample build_sample() {
    Sample s;
    GSFontReadResult read = readFontJSONFile(std::string(ZV_SAMPLES_DIR) + "/Lato.json");
    if (!read)
        throw std::runtime_error(read.error);
    s.font = std::move(read.font);
    const GSFont &font = *s.font;
    ZVDataFromGlyphs bridge(s.font.get());
    bridge.initGlyphsinfo();
    s.mm.glyphsinfo = bridge.get_zvfont()->glyphsinfo;
    s.mm.load_pair_frequencies(small_frequencies().c_str());
    const std::vector<ZVpair_frequency> frequent = s.mm.get_expanded_pairs();
    const std::vector<GSGlyph *> glyphs = font.glyphs();
    std::vector<const GSFontMaster *> masters;
    for (const GSFontMaster *m : font.fontMasters())
        masters.push_back(m);
    std::map<std::string, std::map<ZVglyph_pair, float>> existing;
    for (const GSFontMaster *m : masters)
        for (const auto &[p, freq] : frequent) {
            const double v = font.kerningForFontMasterIDFirstGlyph(m->id(), glyphs[p.first],
                                                                   glyphs[p.second], 0);
            if (v <= 1000000.0)
                existing[m->id()][p] = static_cast<float>(v);
        }
    std::vector<std::pair<double, std::string>> sources;
    for (const GSFontMaster *m : masters) {
        s.ids.push_back(m->id());
        std::vector<PLXglyph> outlines = bridge.outlinesForMaster(m);
        const int cap = static_cast<int>(m->defaultCapHeight()),
                  x = static_cast<int>(m->defaultXHeight());
        if (m->name() == "Regular") {
            // Models: the first forty kerned frequent pairs of the master, at their values.
            std::vector<ZVminipair> models;
            for (const auto &[p, v] : existing[m->id()])
                if (models.size() < 25 && v != 0)
                    models.push_back({p.first, p.second, v});
            s.mm.add_self_kerned_master(m->id(), outlines, models, {}, cap, x);
            sources.emplace_back(0.5, m->id());
        } else if (m->name() == "Black") {
            s.mm.add_untouched_master(m->id(), outlines, cap, x, existing[m->id()]);
            sources.emplace_back(0.5, m->id());
        } else {
            s.mm.add_interpolated_master(m->id(), outlines, cap, x, {});
        }
    }
    for (ZVfont &m : s.mm.masters)
        if (m.status == ZVfont::interpolated)
            m.interpolation_sources = sources;
    s.mm.set_default_tracking_groups(std::string(ZV_RESOURCES_DIR) + "/default_groups.txt");
    return s;
}

std::vector<std::uint16_t> visible_run(ZVfontMM &mm) {
    std::vector<std::uint16_t> run;
    for (const auto &[p, f] : mm.get_expanded_pairs()) {
        run.push_back(p.first);
        run.push_back(p.second);
        run.push_back(ZV_NO_GLYPH);
    }
    return run;
}

/// Starts the two kerned masters, Regular first, serially or each on its own thread.
void start(Sample &s, bool threads) {
    std::vector<std::string> order;
    for (const ZVfont &m : s.mm.masters)
        if (m.status != ZVfont::interpolated)
            order.push_back(m.name);
    std::stable_sort(order.begin(), order.end(), [&](const std::string &a, const std::string &) {
        return s.mm.get_master(a).status == ZVfont::self_kerned;
    });
    s.mm.set_current_master(order.front());
    s.mm.begin_start_up(order);
    const std::vector<std::uint16_t> run = visible_run(s.mm);
    auto work = [&](const std::string &id) {
        s.mm.initial_processing(id, {});
        s.mm.set_required_text(run, id);
    };
    if (!threads) {
        for (const std::string &id : order)
            work(id);
        return;
    }
    std::vector<std::thread> workers;
    for (const std::string &id : order)
        workers.emplace_back(work, id);
    for (std::thread &t : workers)
        t.join();
}

} // namespace

TEST(FontSample, ThreeMastersBuildProcessAndRepeat) {
    Sample serial = build_sample();
    start(serial, false);
    ASSERT_EQ(serial.mm.masters.size(), 3u);
    for (const ZVfont &m : serial.mm.masters) {
        SCOPED_TRACE(m.name);
        ASSERT_FALSE(m.glyphs.glyphs.empty());
        EXPECT_TRUE(m.status == ZVfont::kerned || m.status == ZVfont::interpolated);
    }
    std::size_t kerned_masters = 0;
    for (const std::string &id : serial.ids) {
        const bool interpolated = serial.mm.is_interpolated(id);
        const auto list = flat(serial.mm, id);
        EXPECT_EQ(list.empty(), interpolated);
        kerned_masters += !interpolated && list.size() > 30;
        if (!interpolated) {
            EXPECT_GT(serial.mm.get_number_of_models(id), 5u);
        }
    }
    EXPECT_EQ(kerned_masters, 2u);

    // The same input gives the same kerning with the masters on threads.
    Sample threaded = build_sample();
    start(threaded, true);
    for (const std::string &id : serial.ids) {
        SCOPED_TRACE(id);
        EXPECT_EQ(flat(serial.mm, id), flat(threaded.mm, id));
    }
}
