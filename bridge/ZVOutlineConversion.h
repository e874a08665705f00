// Conversion between a host layer (one glyph in one master) and the engine's PLXglyph.
#pragma once

#include "engine/geometry/PLXglyph.h"
#include "host/GSLayer.h"

/// A one-master PLXglyph of the layer's outline with components decomposed, in font units
/// divided by `scale` (0: unscaled), named after the layer's glyph (empty id and name without one).
PLXlibNamespaceForZV::PLXglyph create_PLXglyph_from_GSLayer(GSLayer *layer, double scale);
/// Copies the layer's contours, node types and advance width into master slot `master` of
/// `glyph`, then marks quadratic runs. A master slot the glyph does not have is left alone.
void write_GSLayer_to_PLXglyph(GSLayer *layer, PLXlibNamespaceForZV::PLXglyph &glyph, short master);
/// Moves the layer's nodes to the points of master `master` (host units).
void read_coordinates_from_PLXglyph(const PLXlibNamespaceForZV::PLXglyph &glyph, GSLayer *layer,
                                    short master);
/// Sets the layer's advance width, node positions and anchors from master `master`.
void read_from_PLXglyph(const PLXlibNamespaceForZV::PLXglyph &glyph, GSLayer *layer, short master);
