// Every glyph's outline in one master, converted for the engine.
#pragma once

#include "engine/geometry/PLXglyph.h"
#include "host/GSFont.h"

#include <vector>

/// One PLXglyph per glyph of the font, in font order, from each glyph's layer for `master`
/// (font units, unscaled). A glyph without a layer for the master gives an empty one-master glyph
/// at its place, so that the vector lines up with the glyph table.
std::vector<PLXlibNamespaceForZV::PLXglyph> outlines_for_master(const GSFont &font,
                                                                const GSFontMaster &master);
