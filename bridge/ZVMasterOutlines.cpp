#include "bridge/ZVMasterOutlines.h"

#include "bridge/ZVOutlineConversion.h"

using PLXlibNamespaceForZV::PLXglyph;

std::vector<PLXglyph> outlines_for_master(const GSFont &font, const GSFontMaster &master) {
    std::vector<PLXglyph> out;
    const auto glyphs = font.glyphs();
    out.reserve(glyphs.size());
    for (const GSGlyph *g : glyphs) {
#if ZV_HOST_VERSION == 2
        GSLayer *layer = g->layerForKey(master.id());
#else
        GSLayer *layer = g->layerForId(master.id());
#endif
        if (layer) {
            out.push_back(create_PLXglyph_from_GSLayer(layer, 0));
            continue;
        }
        PLXglyph empty(1, 0, 0);
        empty.id = g->id();
        empty.name = g->name();
        out.push_back(std::move(empty));
    }
    return out;
}
