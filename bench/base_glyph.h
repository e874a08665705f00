// The base glyph that the most composites of a master draw: where an outline or side-bearing
// edit costs the most.
#pragma once

#include "host/GSFont.h"

#include <cstddef>
#include <string>

struct MostUsedBaseGlyph {
    GSGlyph *glyph = nullptr;
    std::size_t composites = 0; ///< the glyphs that draw it in that master
};

inline MostUsedBaseGlyph mostUsedBaseGlyph(GSFont &font, const std::string &masterId) {
    MostUsedBaseGlyph most;
    for (GSGlyph *g : font.glyphs()) {
        const std::size_t u = font.glyphsContainingComponentWithName(g->name(), masterId).size();
        if (u > most.composites)
            most = {g, u};
    }
    return most;
}
