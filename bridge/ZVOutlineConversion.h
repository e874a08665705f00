// Conversion between a host layer (one glyph in one master) and the engine's PLXglyph.
#pragma once

#include "engine/geometry/PLXglyph.h"
#include "host/GSLayer.h"

#include <string>

/// A layer converted for the engine, and why it was left empty ("" when it was not).
struct ZVconvertedLayer {
    PLXlibNamespaceForZV::PLXglyph glyph;
    std::string refusal;
};

/// A one-master PLXglyph of the layer's outline with components decomposed, in font units
/// divided by `scale` (0: unscaled), named after the layer's glyph (empty id and name without one).
/// A layer too large to measure (see convert_GSLayer) gives an empty glyph, never kerned.
PLXlibNamespaceForZV::PLXglyph create_PLXglyph_from_GSLayer(GSLayer *layer, double scale);
/// create_PLXglyph_from_GSLayer with the reason when the glyph is left empty: an advance width or
/// an outline point beyond ±16 em, or a decomposed outline of more than 2^20 nodes (the engine
/// would measure such a glyph for hours).
ZVconvertedLayer convert_GSLayer(GSLayer *layer, double scale);
/// Copies the layer's contours, node types and advance width into master slot `master` of
/// `glyph`, then marks quadratic runs. A master slot the glyph does not have is left alone.
void write_GSLayer_to_PLXglyph(GSLayer *layer, PLXlibNamespaceForZV::PLXglyph &glyph, short master);
/// Moves the layer's nodes to the points of master `master` (host units).
void read_coordinates_from_PLXglyph(const PLXlibNamespaceForZV::PLXglyph &glyph, GSLayer *layer,
                                    short master);
/// Sets the layer's advance width, node positions and anchors from master `master`.
void read_from_PLXglyph(const PLXlibNamespaceForZV::PLXglyph &glyph, GSLayer *layer, short master);
