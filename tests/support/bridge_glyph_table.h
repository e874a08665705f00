// The glyph table the bridge builds from a font, for tests that need only the table.
#pragma once

#include "bridge/ZVDataFromGlyphs.h"

namespace zvtest {

/// The engine's glyph table of `font`, as the bridge fills it when the engine starts.
inline PLXlibNamespaceForZV::ZVglyphsinfo bridge_glyph_table(GSFont &font) {
    ZVDataFromGlyphs bridge(&font);
    bridge.initGlyphsinfo();
    return bridge.get_zvfont()->glyphsinfo;
}

} // namespace zvtest
