// The sample family's existing kerning as finalisation targets: every kerned pair of each master
// at frequency 1, with the glyph table and glyph order of the font.
#pragma once

#include "bridge_glyph_table.h"
#include "host/GSFontJSON.h"
#include "plugin/ZVGroupedKerningWriter.h"

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvtest {

struct SampleKerningTargets {
    std::unique_ptr<GSFont> font;
    PLXlibNamespaceForZV::ZVglyphsinfo info;
    ZVglyphorder order;
    std::vector<std::string> master_ids;
    std::vector<std::vector<ZVkerningtarget>> targets; ///< per master, ascending pairs
};

/// Reads a JSON font (the sample family by default) and turns its kerning into targets.
inline SampleKerningTargets sample_kerning_targets(std::string path = {}) {
    if (path.empty())
        path = std::string(ZV_SAMPLES_DIR) + "/Lato.json";
    GSFontReadResult read = readFontJSONFile(path);
    if (!read)
        throw std::runtime_error(path + ": " + read.error);
    SampleKerningTargets s;
    s.font = std::move(read.font);
    s.info = bridge_glyph_table(*s.font);
    s.order = glyphOrderForFont(*s.font, s.info);
    for (const GSFontMaster *master : s.font->fontMasters()) {
        s.master_ids.push_back(master->id());
        std::vector<ZVkerningtarget> &targets = s.targets.emplace_back();
        const GSMasterKerning *kerning = s.font->masterKerning(master->id(), 0);
        if (!kerning)
            continue;
        for (const auto &[left, row] : *kerning)
            for (const auto &[right, value] : row) {
                const std::uint16_t l = s.info.index_for_id(left), r = s.info.index_for_id(right);
                if (l == PLXlibNamespaceForZV::ZV_NO_GLYPH ||
                    r == PLXlibNamespaceForZV::ZV_NO_GLYPH)
                    continue;
                ZVkerningtarget t;
                t.pair = {l, r};
                t.value = static_cast<std::int32_t>(std::lround(value));
                t.frequency = 1;
                targets.push_back(t);
            }
        std::sort(
            targets.begin(), targets.end(),
            [](const ZVkerningtarget &a, const ZVkerningtarget &b) { return a.pair < b.pair; });
    }
    return s;
}

} // namespace zvtest
