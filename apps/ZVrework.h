// The re-work road without the plug-in's window: a JSON font opened as a document, a bridge bound
// to it builds the engine as the plug-in's activation does for a font that already has kerning
// ("re-work the existing kerning"), the engine runs on every master, and the new kerning is
// written back.
#pragma once

#include "ZVprogress.h"
#include "bridge/ZVDataToGlyphs.h"
#include "engine/font/ZVfontMM.h"
#include "host/GSFont.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// One master as the road saw it.
struct ZVreworkMaster {
    std::string id, name;
    std::map<ZVglyph_pair, float> existing; ///< its kerning on the frequent pairs, font units
    double ms = 0;                          ///< wall time of its start-up and kerning
    double start_up_ms = 0;                 ///< of which its start-up (models, mix, suggestions)
};

struct ZVreworkRoad {
    std::shared_ptr<GSDocument> document;     ///< open in the shared application while the road is
    std::shared_ptr<ZVDataToGlyphs> bridge;   ///< the font's bridge, kept under "ZVData"
    std::vector<ZVreworkMaster> masters;      ///< in font order, the masters the engine kerns
    std::vector<ZVglyph_pair> frequent;       ///< the pairs the engine kerns
    bool frequencies_from_file = false;       ///< false: the font's own kerned pairs stood in
    double load_ms = 0;

    GSFont &font() const { return *document->font(); }
    ZVfontMM &mm() const { return *bridge->get_zvfont(); }
};

/// Opens the font, binds a bridge to it and builds the engine with the resources of the plug-in
/// bundle at `bundle_path` (registered for the bridge): the start-up checks, the glyph table,
/// substitutions, pair frequencies, one master per font master with its existing kerning on the
/// frequent pairs, the default groups. Nothing with the error when the font cannot be read (the
/// reader's message, naming the file) or the engine cannot start on it (the start-up message).
/// The opening and the engine's build are shown on `progress` when given.
std::optional<ZVreworkRoad> load_rework_road(const std::string &font_path,
                                             const std::string &bundle_path, std::string &error,
                                             ZVprogress *progress = nullptr);

/// Runs every master's first processing (the current master first), on worker threads when
/// asked, then makes every frequent pair visible and settles autokerning sources; fills each
/// master's time. Each master's start and end, and how many have started, are shown on
/// `progress` when given. With `start_up_only` the masters stop after their first processing
/// (what the designer waits for before the window answers).
void run_rework_road(ZVreworkRoad &road, bool threads, ZVprogress *progress = nullptr,
                     bool start_up_only = false);

/// The whole number the host receives for a record, or nothing when it is not written.
std::optional<int> written_kerning_value(const ZVsimplepair &record, double units_per_em);

/// Every master's flat kerning as whole numbers, keyed by glyph pair.
std::map<ZVglyph_pair, int> written_kerning(ZVreworkRoad &road, const std::string &master_id);

/// Writes every master's whole engine state as text (numbers in hexadecimal floating point),
/// so that two runs can be compared bit for bit; false with the error when it cannot write.
bool dump_rework_road(const ZVreworkRoad &road, const std::string &path, std::string &error);

/// Writes every master's kerning into the font as the plug-in does (the engine's pairs over the
/// font's own kerning, which stays where the engine holds no value) and saves the font; `kept`
/// gets, per master in road order, the font's entries left as they were.
bool write_rework_road(ZVreworkRoad &road, const std::string &path, std::string &error,
                       std::vector<std::size_t> *kept = nullptr);
