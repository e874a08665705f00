// One glyph in one master: width, shapes (paths and components in one list) and anchors.
#pragma once

#include "host/GSShapes.h"

#include <memory>
#include <string>
#include <vector>

#ifndef ZV_HOST_VERSION
#error "ZV_HOST_VERSION (2 or 3) must be defined by the build"
#endif

class GSGlyph;
class GSFont;

/// What a layer stands for.
enum class GSLayerKind {
    Master,     ///< the glyph's outline in a master
    NonMaster,  ///< an extra layer associated with a master
    Background, ///< the background of a master layer
    Control,    ///< an edit-view placeholder (a line break); never in a font file
};

/// A glyph's drawing in one master. Coordinates are font units; y grows upwards.
class GSLayer {
  public:
    GSLayer() = default;
    /// A deep copy; the copy has no parent glyph.
    GSLayer(const GSLayer &other);
    GSLayer &operator=(const GSLayer &other);
    ~GSLayer();

    /// The glyph holding the layer, or nullptr.
    GSGlyph *parent() const { return parent_; }
    /// The font of the parent glyph, or nullptr.
    GSFont *font() const;
    const std::string &layerId() const { return layerId_; }
    void setLayerId(std::string id) { layerId_ = std::move(id); }
    /// The id of the master the layer belongs to.
    const std::string &associatedMasterId() const { return associatedMasterId_; }
    void setAssociatedMasterId(std::string id) { associatedMasterId_ = std::move(id); }
    const std::string &name() const { return name_; }
    void setName(std::string n) { name_ = std::move(n); }
    GSLayerKind layerKind() const { return kind_; }
    /// The host class the layer stands for: "GSControlLayer" (a line break in the edit view),
    /// "GSBackgroundLayer" or "GSLayer".
    const char *className() const;
    void setLayerKind(GSLayerKind k) { kind_ = k; }
    /// Whether this is a master's own layer of its glyph.
    bool isMasterLayer() const { return kind_ == GSLayerKind::Master; }
    /// The background layer (a master layer has one once asked for).
    GSLayer &background();
    /// Whether a background has been made.
    bool hasBackground() const { return background_ != nullptr; }

    /// Advance width in font units.
    double width() const { return width_; }
    void setWidth(double w) { width_ = w; }

    /// Every shape in drawing order.
    const std::vector<std::unique_ptr<GSShape>> &allShapes() const { return shapes_; }
    /// Appends a shape; the layer becomes its parent.
    void addShape(std::unique_ptr<GSShape> shape);
    /// Removes every shape.
    void removeAllShapes() { shapes_.clear(); }
    /// Number of paths among the shapes.
    std::size_t countOfPaths() const;
    /// The components in order.
    std::vector<GSComponent *> components() const;
    /// Number of components among the shapes.
    std::size_t countOfComponents() const;

    /// Number of anchors.
    std::size_t countOfAnchors() const { return anchors_.size(); }
    /// The anchors in stored order (the host keys them by name).
    const std::vector<GSAnchor> &anchors() const { return anchors_; }
    /// The anchor of that name, or nullptr.
    GSAnchor *anchorForName(const std::string &name);
    /// Adds an anchor, or moves the one of that name.
    void setAnchor(const std::string &name, NSPoint position);

    /// The box of the outline with components decomposed, in font units (empty for no outline).
    GSBounds bounds() const;
    /// Left side bearing: the outline's left edge; 0 for a layer without outline.
    double LSB() const;
    /// Right side bearing: width minus the outline's right edge; 0 for a layer without outline.
    double RSB() const;
    /// Moves the outline (shapes and anchors) so that the left side bearing becomes v; the right
    /// side bearing stays. Nothing happens to a layer without outline.
    void setLSB(double v);
    /// Changes the width so that the right side bearing becomes v (not for a layer without
    /// outline).
    void setRSB(double v);
    /// Whether the width follows the components: the layer has components, no paths and no
    /// component kept out of alignment.
    bool hasAlignedWidth() const;

    /// A copy whose components are replaced by their transformed outlines, recursively. A
    /// component that names no glyph, would draw a layer it is already drawn from (a cycle) or
    /// nests deeper than 32 levels stays a component. The copy stops taking shapes once it holds
    /// more than kMaxDecomposedNodes nodes, so a small font cannot make it exhaust memory. The
    /// copy has no parent glyph.
    std::unique_ptr<GSLayer> copyDecomposedLayer() const;
    /// The node count beyond which decomposition stops.
    static constexpr std::size_t kMaxDecomposedNodes = std::size_t{1} << 20;
    /// The number of nodes of the layer's paths.
    std::size_t countOfNodes() const;
    /// Whether both layers hold equal shapes in the same order.
    bool shapesEqual(const GSLayer &other) const;

    /// Marks the metrics as stale (the stand-in computes them on demand).
    void setNeedUpdateMetrics() { ++metricsUpdates_; }
    /// How many times setNeedUpdateMetrics was called.
    int metricsUpdateRequests() const { return metricsUpdates_; }
    /// Depth of suspended updates (0 when updates run).
    int updatesSuspended() const { return updatesSuspended_; }

#if ZV_HOST_VERSION == 2
    /// The paths in order.
    std::vector<GSPath *> paths() const;
    /// Path i, or nullptr past the end.
    GSPath *pathAtIndex(std::size_t i) const;
    /// Suspends interface updates for the layer.
    void setDisableUpdates() { ++updatesSuspended_; }
    /// Resumes interface updates for the layer.
    void setEnableUpdates() {
        if (updatesSuspended_ > 0)
            --updatesSuspended_;
    }
    /// Sets the kerning from this layer's glyph to `other`'s glyph in this layer's master.
    void setRightKerning(double value, const GSLayer *other);
#else
    /// Every shape in drawing order (paths and components).
    const std::vector<std::unique_ptr<GSShape>> &shapes() const { return shapes_; }
    /// Number of shapes.
    std::size_t countOfShapes() const { return shapes_.size(); }
    /// Shape i, or nullptr past the end.
    GSShape *objectInShapesAtIndex(std::size_t i) const;
    /// Gives the layer a parent glyph (nullptr takes it away); the glyph does not hold the layer.
    void setParent(GSGlyph *glyph) { parent_ = glyph; }
    /// Replaces each component that can be resolved by its glyph's shapes, one level deep (nested
    /// components stay components). Stops expanding once the layer holds 65536 shapes or more
    /// than kMaxDecomposedNodes nodes.
    void decomposeComponents();
    /// Stand-in for the host's outline flattening (smart and corner shapes): leaves the outline as
    /// it is, since the stand-in has no such shapes.
    void flattenOutlines() {}
    /// Stand-in for flattening with overlap removal: leaves the outline as it is; answers YES.
    bool flattenOutlinesRemoveOverlap(bool removeOverlap, const std::vector<std::string> &origHints,
                                      const GSLayer *secondaryPath, const void *extraHandles,
                                      std::string *error);
    /// The layer's hints (the stand-in keeps none).
    const std::vector<std::string> &hints() const { return hints_; }
    /// Suspends interface updates for the layer.
    void stopUpdates() { ++updatesSuspended_; }
    /// Resumes interface updates for the layer.
    void startUpdates() {
        if (updatesSuspended_ > 0)
            --updatesSuspended_;
    }
    /// Sets the kerning from this layer's glyph to `other`'s glyph in this layer's master.
    void setNextKerning(double value, const GSLayer *other, int direction);
#endif

  private:
    friend class GSGlyph;
    void setOwner(GSGlyph *glyph) { parent_ = glyph; }
    void writeKerningTo(double value, const GSLayer *other);

    GSGlyph *parent_ = nullptr;
    std::string layerId_;
    std::string associatedMasterId_;
    std::string name_;
    GSLayerKind kind_ = GSLayerKind::Master;
    double width_ = 0;
    std::vector<std::unique_ptr<GSShape>> shapes_;
    std::vector<GSAnchor> anchors_;
    std::unique_ptr<GSLayer> background_;
    std::vector<std::string> hints_;
    int updatesSuspended_ = 0;
    int metricsUpdates_ = 0;
};
