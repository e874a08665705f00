#include "bridge/ZVOutlineConversion.h"

#include "bridge/GlyphsFilterRemoveOverlap.h"
#include "host/GSFont.h"
#include "host/GSGlyph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

using PLXlibNamespaceForZV::PLXglyph;

namespace {

// The scale as the glyph constructor takes it: truncated toward zero; a negative or non-finite
// scale (never passed by the callers) counts as 0, since converting it would be undefined.
std::uint64_t scaleAsInteger(double scale) {
    if (!(scale >= 1) || scale >= 1.8e19)
        return 0;
    return static_cast<std::uint64_t>(scale);
}

bool validMaster(const PLXglyph &glyph, short master) {
    return master >= 0 && static_cast<std::size_t>(master) < glyph.masters.size();
}

std::uint32_t pointType(char nodeType) {
    if (nodeType == GSOffcurve)
        return PLXlibNamespaceForZV::PLX_CUBIC_OFFCURVE;
    if (nodeType == GSQCurve)
        return PLXlibNamespaceForZV::PLX_QUADRATIC_ONCURVE;
    return PLXlibNamespaceForZV::PLX_ONCURVE;
}

// Writes one path into contour c of master m, last node first so that each vector grows once.
void writePath(const GSPath &path, PLXglyph &glyph, std::size_t m, int c) {
    const double s = glyph.scale != 0 ? glyph.scale : 1.0;
    for (std::size_t j = path.countOfNodes(); j-- > 0;) {
        const GSNode &node = *path.nodeAtIndex(j);
        const auto p = static_cast<std::uint32_t>(j);
        glyph.point_type(m, c, p) = pointType(node.type());
        auto &point = glyph.masters[m].contours[static_cast<std::size_t>(c)].points[p];
        point.x = node.position().x / s;
        point.y = node.position().y / s;
    }
}

// The path shapes of a layer by contour index: in version 2 the paths in order; in version 3
// every shape, with nullptr where a shape is no path.
std::vector<const GSPath *> contourShapes(const GSLayer &layer) {
    std::vector<const GSPath *> out;
#if ZV_HOST_VERSION == 2
    for (const GSPath *p : layer.paths())
        out.push_back(p);
#else
    for (std::size_t i = 0; i < layer.countOfShapes(); ++i)
        out.push_back(dynamic_cast<const GSPath *>(layer.objectInShapesAtIndex(i)));
#endif
    return out;
}

// Node positions from master m into the layer's paths, by contour index.
void readCoordinates(const PLXglyph &glyph, const std::vector<GSPath *> &paths, std::size_t m) {
    const auto &contours = glyph.masters[m].contours;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!paths[i] || contours.size() <= i || contours[i].points.empty())
            continue;
        const auto count = static_cast<std::uint32_t>(contours[i].points.size());
        for (std::uint32_t j = 0; j < count; ++j)
            if (GSNode *node = paths[i]->nodeAtIndex(j))
                node->setPosition({glyph.get_x(m, static_cast<int>(i), j),
                                   glyph.get_y(m, static_cast<int>(i), j)});
    }
}

std::vector<GSPath *> mutablePaths(GSLayer &layer) {
    std::vector<GSPath *> out;
#if ZV_HOST_VERSION == 2
    out = layer.paths();
#else
    for (std::size_t i = 0; i < layer.countOfShapes(); ++i)
        out.push_back(dynamic_cast<GSPath *>(layer.objectInShapesAtIndex(i)));
#endif
    return out;
}

} // namespace

PLXglyph create_PLXglyph_from_GSLayer(GSLayer *layer, double scale) {
    return convert_GSLayer(layer, scale).glyph;
}

ZVconvertedLayer convert_GSLayer(GSLayer *layer, double scale) {
    ZVconvertedLayer out{PLXglyph(1, 0, scaleAsInteger(scale)), {}};
    if (!layer)
        return out;
    if (const GSGlyph *g = layer->parent(); g && !g->name().empty()) {
        out.glyph.name = g->name();
        out.glyph.id = g->id();
    }
    const GSFont *font = layer->font();
    const double limit = 16.0 * (font ? font->unitsPerEm() : 1000);
    if (!(std::fabs(layer->width()) <= limit)) {
        out.refusal = "advance width beyond 16 em";
        return out;
    }
    std::unique_ptr<GSLayer> copy = layer->copyDecomposedLayer();
    if (copy->countOfNodes() > GSLayer::kMaxDecomposedNodes) {
        out.refusal = "more than 2^20 nodes with its components";
        return out;
    }
#if ZV_HOST_VERSION == 2
    copy->setWidth(layer->width());
    GlyphsFilterRemoveOverlap().removeOverlapFromLayer(copy.get(), false, nullptr);
    PLXglyph glyph(1, copy->countOfPaths(), scaleAsInteger(scale));
#else
    // Components can remain after the decomposed copy (nested through glyphs the copy could not
    // reach); repeat the one-level decomposition, bounded, and stop once a pass changes nothing,
    // so that a missing or cyclic component cannot keep it going.
    copy->setParent(layer->parent());
    for (int pass = 0; pass < 16 && copy->countOfComponents() > 0; ++pass) {
        const GSLayer before(*copy);
        copy->decomposeComponents();
        if (copy->shapesEqual(before) || copy->countOfNodes() > GSLayer::kMaxDecomposedNodes)
            break;
    }
    copy->setParent(nullptr);
    if (copy->countOfNodes() > GSLayer::kMaxDecomposedNodes) {
        out.refusal = "more than 2^20 nodes with its components";
        return out;
    }
    copy->flattenOutlinesRemoveOverlap(false, copy->hints(), nullptr, nullptr, nullptr);
    PLXglyph glyph(1, copy->countOfShapes(), scaleAsInteger(scale));
#endif
    for (const auto &shape : copy->allShapes())
        if (auto path = dynamic_cast<const GSPath *>(shape.get()))
            for (const GSNode &n : path->nodes())
                if (!(std::fabs(n.position().x) <= limit && std::fabs(n.position().y) <= limit)) {
                    out.refusal = "outline beyond 16 em";
                    return out;
                }
    write_GSLayer_to_PLXglyph(copy.get(), glyph, 0);
    glyph.name = std::move(out.glyph.name);
    glyph.id = std::move(out.glyph.id);
    out.glyph = std::move(glyph);
    return out;
}

void write_GSLayer_to_PLXglyph(GSLayer *layer, PLXglyph &glyph, short master) {
    if (!layer || !validMaster(glyph, master))
        return;
    const auto m = static_cast<std::size_t>(master);
    const std::vector<const GSPath *> shapes = contourShapes(*layer);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::uint16_t>(shapes.size()), glyph.contours_number);
    for (std::size_t c = n; c-- > 0;) {
        if (shapes[c]) {
            writePath(*shapes[c], glyph, m, static_cast<int>(c));
            continue;
        }
        // A component left over (version 3): its contour stays empty.
        auto &contours = glyph.masters[m].contours;
        if (contours.size() <= c)
            contours.resize(c + 1);
        contours[c].points.clear();
    }
    glyph.set_x(m, -1, 0, layer->width());
    glyph.detect_square_beziers();
}

void read_coordinates_from_PLXglyph(const PLXglyph &glyph, GSLayer *layer, short master) {
    if (!layer || !validMaster(glyph, master))
        return;
#if ZV_HOST_VERSION == 2
    layer->setDisableUpdates();
#else
    layer->stopUpdates();
#endif
    readCoordinates(glyph, mutablePaths(*layer), static_cast<std::size_t>(master));
#if ZV_HOST_VERSION == 2
    layer->setEnableUpdates();
#else
    layer->startUpdates();
#endif
}

void read_from_PLXglyph(const PLXglyph &glyph, GSLayer *layer, short master) {
    if (!layer || !validMaster(glyph, master))
        return;
    const auto m = static_cast<std::size_t>(master);
    const auto comps = layer->components();
    const bool noneAligned = std::all_of(
        comps.begin(), comps.end(), [](const GSComponent *c) { return c->disableAlignment(); });
    if (noneAligned && layer->width() != 0)
        layer->setWidth(glyph.get_x(m, -1, 0));
    read_coordinates_from_PLXglyph(glyph, layer, master);
    if (glyph.contours_number > 0) {
        const int last = glyph.contours_number - 1;
        std::vector<std::string> names;
        for (const GSAnchor &a : layer->anchors())
            names.push_back(a.name);
        std::sort(names.begin(), names.end());
        const std::size_t n = std::min<std::size_t>(names.size(), glyph.points_number(m, last));
        for (std::size_t k = 0; k < n; ++k)
            layer->anchorForName(names[k])->position = {
                glyph.get_x(m, last, static_cast<std::uint32_t>(k)),
                glyph.get_y(m, last, static_cast<std::uint32_t>(k))};
    }
    layer->setNeedUpdateMetrics();
}
