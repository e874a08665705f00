// One master of the sample family (samples/Lato.json) as the engine sees it: the glyph table,
// the side profiles at engine scale and the master's professional kerning as glyph pairs.
#pragma once

#include "bridge/ZVDataFromGlyphs.h"
#include "engine/geometry/ZVglyphs.h"
#include "engine/model/ZVsimplepair.h"
#include "host/GSFontJSON.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvtest {

struct SampleMaster {
    PLXlibNamespaceForZV::ZVglyphsinfo info;
    PLXlibNamespaceForZV::ZVglyphs glyphs;
    double unit_scale = 0;                     ///< engine units per font unit (225 / x-height)
    std::vector<ZVminipair> kerning;           ///< the master's kerning, font units, file order
    std::map<ZVglyph_pair, float> kerning_map; ///< the same, by glyph pair

    /// The glyph index of a name; throws when the sample lacks it (a test fixture error).
    std::uint16_t index(const std::string &name) const {
        const std::uint16_t i = info.index_for_glyph_name(name);
        if (i == PLXlibNamespaceForZV::ZV_NO_GLYPH)
            throw std::runtime_error("sample has no glyph " + name);
        return i;
    }
    const PLXlibNamespaceForZV::ZVglyph &operator[](const std::string &name) const {
        return glyphs.glyphs[index(name)];
    }
    unsigned n() const { return static_cast<unsigned>(glyphs.max_width); }
    /// The kerning of a pair in engine units (0 when it has none).
    float kerning_engine(const std::string &l, const std::string &r) const {
        const auto it = kerning_map.find({index(l), index(r)});
        return it == kerning_map.end() ? 0.f : static_cast<float>(it->second * unit_scale);
    }
};

/// Loads a master of the sample family once per program ("Hairline", "Regular", "Black").
inline const SampleMaster &sample_master(const std::string &name = "Regular") {
    static std::map<std::string, SampleMaster> loaded;
    if (const auto it = loaded.find(name); it != loaded.end())
        return it->second;
    const GSFontReadResult read = readFontJSONFile(std::string(ZV_SAMPLES_DIR) + "/Lato.json");
    if (!read)
        throw std::runtime_error(read.error);
    const GSFont &font = *read.font;
    SampleMaster s;
    ZVDataFromGlyphs bridge(read.font.get());
    bridge.initGlyphsinfo();
    s.info = bridge.get_zvfont()->glyphsinfo;
    for (const GSFontMaster *master : font.fontMasters()) {
        if (master->name() != name)
            continue;
        std::vector<PLXlibNamespaceForZV::PLXglyph> outlines = bridge.outlinesForMaster(master);
        s.unit_scale = 225.0 / master->defaultXHeight();
        s.glyphs = PLXlibNamespaceForZV::ZVglyphs(
            outlines, s.info, s.unit_scale,
            static_cast<int>(std::ceil(master->defaultCapHeight() * s.unit_scale)));
        if (const GSMasterKerning *kerning = font.masterKerning(master->id(), 0)) {
            for (const auto &[left, row] : *kerning) {
                const std::uint16_t l = s.info.index_for_id(left);
                for (const auto &[right, value] : row) {
                    const std::uint16_t r = s.info.index_for_id(right);
                    if (l == PLXlibNamespaceForZV::ZV_NO_GLYPH ||
                        r == PLXlibNamespaceForZV::ZV_NO_GLYPH)
                        continue;
                    s.kerning.push_back({l, r, static_cast<float>(value)});
                    s.kerning_map[{l, r}] = static_cast<float>(value);
                }
            }
        }
    }
    if (s.glyphs.glyphs.empty())
        throw std::runtime_error("sample has no master " + name);
    return loaded.emplace(name, std::move(s)).first->second;
}

/// Ten pairs that need no kerning, then n models spread evenly over the master's kerning of basic
/// Latin glyphs (engine units).
inline std::vector<ZVminipair> sample_models(const SampleMaster &s, std::size_t n) {
    std::vector<ZVminipair> models;
    for (const auto &[l, r] : std::vector<std::pair<const char *, const char *>>{{"n", "n"},
                                                                                 {"o", "o"},
                                                                                 {"H", "H"},
                                                                                 {"n", "o"},
                                                                                 {"o", "n"},
                                                                                 {"l", "l"},
                                                                                 {"i", "i"},
                                                                                 {"m", "n"},
                                                                                 {"u", "n"},
                                                                                 {"H", "O"}})
        models.push_back({s.index(l), s.index(r), 0});
    std::vector<ZVminipair> kerned;
    for (const ZVminipair &k : s.kerning) {
        const auto &a = s.info._category_for_index[k.left],
                   &b = s.info._category_for_index[k.right];
        if ((a.flags & PLXlibNamespaceForZV::ZV_HAS_UNICODE) &&
            (b.flags & PLXlibNamespaceForZV::ZV_HAS_UNICODE) && a.unicode > 32 && a.unicode < 128 &&
            b.unicode > 32 && b.unicode < 128)
            kerned.push_back({k.left, k.right, static_cast<float>(k.value * s.unit_scale)});
    }
    const std::size_t step = std::max<std::size_t>(kerned.size() / std::max<std::size_t>(n, 1), 1);
    for (std::size_t i = 0; i < n && i * step < kerned.size(); ++i)
        models.push_back(kerned[i * step]);
    return models;
}

} // namespace zvtest
