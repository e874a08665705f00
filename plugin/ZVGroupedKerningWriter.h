// The host side of the finalisation's kerning: the font's glyph order for the size estimate, the
// rebuilt kerning groups stored in the glyphs, a master's grouped kerning as the host keeps it,
// and the expansion that keeps an unwritten master's kerning when the groups change.
#pragma once

#include "engine/geometry/ZVglyphsinfo.h"
#include "host/GSFont.h"
#include "plugin/ZVfinalkerning.h"
#include "plugin/ZVkerninggroups.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

/// The font's glyph order (names by position), each engine glyph's position in it, and which
/// sides may join a kerning group (not in the No-kerning group).
ZVglyphorder glyphOrderForFont(const GSFont &font, const PLXlibNamespaceForZV::ZVglyphsinfo &info);

/// Stores the groups in the glyphs: a right-side group in `rightKerningGroup`, a left-side group
/// in `leftKerningGroup`; every other glyph side loses its kerning group.
void applyKerningGroups(GSFont &font, const ZVkerninggroups &groups,
                        const PLXlibNamespaceForZV::ZVglyphsinfo &info);

/// A master's written kerning as the host's kerning dictionary: glyph–glyph entries keyed by
/// host glyph ids (left glyphs in engine order), then group–group entries keyed "@MMK_L_" and
/// "@MMK_R_" with the group names.
GSMasterKerning groupedMasterKerning(const ZVwrittenkerning &kerning, const ZVkerninggroups &groups,
                                     const PLXlibNamespaceForZV::ZVglyphsinfo &info);

/// A master's kerning as the host applies it, in engine glyph indices.
struct ZVfontkerning {
    /// Every glyph pair some entry reaches, with its effective value (whole units) under the
    /// glyphs' current groups; ascending pairs.
    std::vector<std::pair<ZVglyph_pair, std::int32_t>> pairs;
    /// The entries that name neither a glyph nor a group of the font, as they are.
    GSMasterKerning untouched;
};

/// The kerning a master has now, as the host applies it.
ZVfontkerning fontKerningPairs(const GSFont &font, const std::string &masterId,
                               const PLXlibNamespaceForZV::ZVglyphsinfo &info);

/// Adds entries to a master's kerning dictionary (an entry under the same keys is replaced).
void addEntries(GSMasterKerning &into, const GSMasterKerning &entries);

/// Replaces every entry of a master that names a kerning group by glyph–glyph entries holding the
/// effective values of the glyph pairs it reached under the glyphs' current groups, so that the
/// master's kerning stays as it is whatever groups the glyphs get next. Left glyphs and right
/// glyphs follow the font's order; entries naming neither a group nor a glyph of the font stay.
/// Answers whether the master had group entries.
bool expandGroupKerning(GSFont &font, const std::string &masterId);
