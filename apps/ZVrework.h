// The re-work road without the host: a JSON font's masters handed to the engine as the plug-in's
// activation hands over a font that already has kerning, the engine run on every master, and
// the new kerning written back.
#pragma once

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
};

struct ZVreworkRoad {
    std::unique_ptr<GSFont> font;
    ZVfontMM mm;
    std::vector<ZVreworkMaster> masters; ///< in font order, usable masters only
    std::vector<ZVglyph_pair> frequent;  ///< the pairs the engine kerns
    bool frequencies_from_file = false;  ///< false: the font's own kerned pairs stood in
    double load_ms = 0;
};

/// Loads the font and builds the engine: glyph table, pair frequencies, one untouched master
/// per usable font master with its existing kerning on the frequent pairs, default groups.
/// Nothing with the error (naming the file) when the font cannot be read.
std::optional<ZVreworkRoad> load_rework_road(const std::string &font_path,
                                             const std::string &frequencies_path,
                                             const std::string &groups_path, std::string &error);

/// Runs every master's first processing (the first master first), on worker threads when asked,
/// then makes every frequent pair visible; fills each master's time.
void run_rework_road(ZVreworkRoad &road, bool threads);

/// The whole number the host receives for a record, or nothing when it is not written.
std::optional<int> written_kerning_value(const ZVsimplepair &record);

/// Every master's flat kerning as whole numbers, keyed by glyph pair.
std::map<ZVglyph_pair, int> written_kerning(ZVreworkRoad &road, const std::string &master_id);

/// Writes every master's whole engine state as text (numbers in hexadecimal floating point),
/// so that two runs can be compared bit for bit; false with the error when it cannot write.
bool dump_rework_road(const ZVreworkRoad &road, const std::string &path, std::string &error);

/// Replaces every master's kerning in the font with the engine's and saves the font.
bool write_rework_road(ZVreworkRoad &road, const std::string &path, std::string &error);
