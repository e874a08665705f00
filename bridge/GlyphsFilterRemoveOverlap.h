// The host's overlap-removal filter, as the outline conversion of the version-2 build calls it.
#pragma once

#include "host/GSLayer.h"

#include <string>

/// Stand-in for the host's filter class "GlyphsFilterRemoveOverlap". The stand-in leaves the
/// outline as it is: the engine's rasterization measures the outer extent of each row, which
/// overlapping contours do not change.
class GlyphsFilterRemoveOverlap {
  public:
    /// Removes overlaps on `layer` (here: leaves it unchanged); answers YES.
    bool removeOverlapFromLayer(GSLayer *layer, bool checkSelection, std::string *error) const {
        (void)layer;
        (void)checkSelection;
        (void)error;
        return true;
    }
};
