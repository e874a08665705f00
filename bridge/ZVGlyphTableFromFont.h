// A provisional filler of the engine's glyph table from a host font, used by the main job until
// the bridge reads the glyph table itself (it follows the same classification rules).
#pragma once

#include "engine/geometry/ZVglyphsinfo.h"
#include "host/GSFont.h"

/// Fills `info` with one entry per glyph of `font`, in font order: id, name, Unicode flag,
/// category byte (letters by case, digits, currency and other symbols), OpenType script tag and
/// class text.
void fill_glyph_table_from_font(const GSFont &font, PLXlibNamespaceForZV::ZVglyphsinfo &info);
