#include "ZVrework.h"

#include "bridge/ZVDataToGlyphs.h"
#include "bridge/ZVResources.h"
#include "bridge/ZVUserData.h"
#include "engine/model/ZVautopairs.h"
#include "host/GSApplication.h"
#include "host/GSFontJSON.h"
#include "platform/NSBundle.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <set>
#include <thread>

using PLXlibNamespaceForZV::ZV_NO_GLYPH;

namespace {

double ms_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Without counts from running text the font's own kerned pairs of printable ASCII characters
// stand in, all alike: the whole kerning of a large family is too much.
void font_pairs_as_frequencies(const GSFont &font, ZVfontMM &mm) {
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

} // namespace

std::optional<ZVreworkRoad> load_rework_road(const std::string &font_path,
                                             const std::string &bundle_path, std::string &error,
                                             ZVprogress *progress) {
    const auto start = std::chrono::steady_clock::now();
    if (progress)
        progress->line("Opening " + font_path);
    const std::shared_ptr<const NSBundle> bundle = NSBundle::bundleWithPath(bundle_path);
    NSBundle::registerBundleForClass(ZVPluginClassName, bundle);

    GSApplication &app = GSApplication::sharedApplication();
    GSDocument *opened = app.openDocumentWithContentsOfFile(font_path, &error);
    if (!opened)
        return std::nullopt;
    ZVreworkRoad road;
    road.document = std::shared_ptr<GSDocument>(
        opened, [](GSDocument *d) { GSApplication::sharedApplication().closeDocument(d); });
    road.bridge = std::make_shared<ZVDataToGlyphs>(opened->font());
    opened->font()->setTempData(road.bridge, ZVDataFromGlyphs::ZVDataKey);

    if (const std::optional<std::string> message = road.bridge->inspectGSFont()) {
        error = font_path + ": " + *message;
        return std::nullopt;
    }
    {
        const auto built = std::chrono::steady_clock::now();
        auto step = progress ? progress->step("Building the engine") : nullptr;
        road.bridge->initZVfont();
        if (progress)
            progress->line("Engine built in " + ZVsecondsText(ms_since(built)));
    }
    ZVfontMM &mm = road.mm();
    road.frequencies_from_file = !mm.features.indices_with_frequency.empty();
    if (!road.frequencies_from_file) {
        font_pairs_as_frequencies(road.font(), mm);
        // The existing kerning is read on the frequent pairs: again, now that there are some.
        for (GSFontMaster *m : road.font().fontMasters())
            if (mm.get_master(m->id()).status == ZVfont::untouched)
                mm.set_existing_pairs(road.bridge->existingKerningFromMaster(m), m->id());
    }
    for (const auto &[pair, frequency] : mm.get_expanded_pairs())
        road.frequent.push_back(pair);
    const std::string groups =
        bundle ? bundle->pathForResource("default_groups", "txt").value_or("") : "";
    mm.set_default_tracking_groups(groups);

    for (const GSFontMaster *master : road.font().fontMasters()) {
        const ZVfont &engine = mm.get_master(master->id());
        // A master with nothing to measure is not re-worked: its kerning stays as it is.
        if (engine.name != master->id() || engine.status == ZVfont::linked_metrics ||
            road.bridge->whyMasterDoesNotStart(master))
            continue;
        road.masters.push_back({master->id(), master->name(), engine.existing_pairs, 0});
    }
    road.load_ms = ms_since(start);
    return road;
}

void run_rework_road(ZVreworkRoad &road, bool threads, ZVprogress *progress, bool start_up_only) {
    std::vector<std::uint16_t> run;
    for (const ZVglyph_pair &p : road.frequent) {
        run.push_back(p.first);
        run.push_back(p.second);
        run.push_back(ZV_NO_GLYPH);
    }
    // The current master first, as the activation queues it.
    const GSFontMaster *current = road.bridge->currentMaster();
    std::vector<ZVreworkMaster *> order;
    for (ZVreworkMaster &m : road.masters)
        order.insert(current && m.id == current->id() ? order.begin() : order.end(), &m);
    std::vector<std::string> ids;
    for (const ZVreworkMaster *m : order)
        ids.push_back(m->id);
    ZVfontMM &mm = road.mm();
    mm.begin_start_up(ids);
    std::atomic<int> started{0}, kerned{0};
    const std::size_t total = order.size();
    auto step = progress ? progress->step("Re-working the masters",
                                          [&] {
                                              return std::to_string(started.load()) + " of " +
                                                     std::to_string(total) + " started, " +
                                                     std::to_string(kerned.load()) + " kerned";
                                          })
                         : nullptr;
    const std::string pairs = std::to_string(road.frequent.size()) + " frequent pairs";
    auto work = [&](ZVreworkMaster &m) {
        if (progress)
            progress->line(m.name + ": starting");
        const auto start = std::chrono::steady_clock::now();
        const GSFontMaster *master = road.font().fontMasterForId(m.id);
        mm.initial_processing(
            m.id, road.bridge->readCustomPairsFromMaster(master, zvuserdata::kUserSetAutopairs));
        m.start_up_ms = ms_since(start);
        ++started;
        if (start_up_only) {
            m.ms = m.start_up_ms;
            if (progress)
                progress->line(m.name + ": started in " + ZVsecondsText(m.start_up_ms));
            return;
        }
        if (progress)
            progress->line(m.name + ": started in " + ZVsecondsText(m.start_up_ms) +
                           "; kerning " + pairs);
        mm.set_required_text(run, m.id);
        m.ms = ms_since(start);
        ++kerned;
        if (progress)
            progress->line(m.name + ": kerned in " + ZVsecondsText(m.ms - m.start_up_ms));
    };
    if (!threads) {
        for (ZVreworkMaster *m : order)
            work(*m);
    } else {
        std::vector<std::thread> workers;
        for (ZVreworkMaster *m : order)
            workers.emplace_back(work, std::ref(*m));
        for (std::thread &t : workers)
            t.join();
    }
    step.reset();
    road.bridge->initAutokernedFrom();
}

std::optional<int> written_kerning_value(const ZVsimplepair &r, double units_per_em) {
    return ZVDataToGlyphs::writtenValue(r, units_per_em); // what the plug-in writes into the font
}

std::map<ZVglyph_pair, int> written_kerning(ZVreworkRoad &road, const std::string &master_id) {
    std::map<ZVglyph_pair, int> out;
    const double units_per_em = road.font().unitsPerEm();
    for (const auto &list : road.mm().get_single_master_flat_kerning(master_id).lists)
        for (const ZVsimplepair &r : list)
            if (const std::optional<int> v = written_kerning_value(r, units_per_em))
                out[r.indices] = *v;
    return out;
}

bool write_rework_road(ZVreworkRoad &road, const std::string &path, std::string &error,
                       std::vector<std::size_t> *kept) {
    for (const ZVreworkMaster &m : road.masters) {
        const ZVkerningwrite w = road.bridge->writeSimplepairsGrouped(
            road.mm().get_single_master_flat_kerning(m.id).lists, m.id);
        if (kept)
            kept->push_back(w.kept);
    }
    return writeFontJSONFile(road.font(), path, &error);
}
