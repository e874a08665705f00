// The shapes of a layer: paths of typed nodes and components, plus anchors.
#pragma once

#include "host/GSGeometry.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class GSLayer;
class GSGlyph;

/// Node types as the host codes them; any type other than off-curve is an on-curve node.
enum GSNodeType : char {
    GSOffcurve = 'A', ///< a control point
    GSQCurve = '$',   ///< on-curve, ends a quadratic (TrueType) run
    GSCurve = 'C',    ///< on-curve, ends a cubic curve
    GSLine = 'L',     ///< on-curve, ends a straight segment
};

/// One node of a path: a position in font units and a type character.
class GSNode {
  public:
    GSNode() = default;
    GSNode(NSPoint position, char type) : position_(position), type_(type) {}
    /// The node's position in font units.
    NSPoint position() const { return position_; }
    void setPosition(NSPoint p) { position_ = p; }
    /// The host's type character ('A' off-curve, '$' quadratic end, others on-curve).
    char type() const { return type_; }
    void setType(char t) { type_ = t; }
    bool operator==(const GSNode &) const = default;

  private:
    NSPoint position_;
    char type_ = GSLine;
};

/// A shape of a layer: a path or a component.
class GSShape {
  public:
    virtual ~GSShape() = default;
    /// A deep copy.
    virtual std::unique_ptr<GSShape> clone() const = 0;
    /// Moves the shape by (dx, dy) font units.
    virtual void moveBy(double dx, double dy) = 0;
    /// Whether `other` is the same kind of shape with equal contents.
    virtual bool isEqual(const GSShape &other) const = 0;
    /// The layer holding the shape (kept by the layer), or nullptr.
    GSLayer *parent() const { return parent_; }
    void setParent(GSLayer *layer) { parent_ = layer; }

  private:
    GSLayer *parent_ = nullptr;
};

/// A contour of nodes. A closed path runs from its first node to its last and back.
class GSPath : public GSShape {
  public:
    GSPath() = default;
    GSPath(std::vector<GSNode> nodes, bool closed) : nodes_(std::move(nodes)), closed_(closed) {}
    std::unique_ptr<GSShape> clone() const override { return std::make_unique<GSPath>(*this); }
    void moveBy(double dx, double dy) override;
    bool isEqual(const GSShape &other) const override;

    /// Number of nodes.
    std::size_t countOfNodes() const { return nodes_.size(); }
    /// Node i, or nullptr past the end.
    GSNode *nodeAtIndex(std::size_t i) { return i < nodes_.size() ? &nodes_[i] : nullptr; }
    const GSNode *nodeAtIndex(std::size_t i) const {
        return i < nodes_.size() ? &nodes_[i] : nullptr;
    }
    /// The nodes in order.
    std::vector<GSNode> &nodes() { return nodes_; }
    const std::vector<GSNode> &nodes() const { return nodes_; }
    bool closed() const { return closed_; }
    void setClosed(bool c) { closed_ = c; }
    /// The box of the drawn outline (curve extrema included), in font units.
    GSBounds bounds() const;
    /// The path mapped by t.
    GSPath transformed(const NSAffineTransformStruct &t) const;

  private:
    std::vector<GSNode> nodes_;
    bool closed_ = true;
};

/// A reference to another glyph's outline of the same master, placed by a transform.
class GSComponent : public GSShape {
  public:
    GSComponent() = default;
    GSComponent(std::string componentName, NSAffineTransformStruct transform = {})
        : name_(std::move(componentName)), transform_(transform) {}
    std::unique_ptr<GSShape> clone() const override { return std::make_unique<GSComponent>(*this); }
    void moveBy(double dx, double dy) override {
        transform_.tX += dx;
        transform_.tY += dy;
    }
    bool isEqual(const GSShape &other) const override;

    /// The referenced glyph's name.
    const std::string &componentName() const { return name_; }
    /// The offset of the component in font units.
    NSPoint position() const { return {transform_.tX, transform_.tY}; }
    void setPosition(NSPoint p) {
        transform_.tX = p.x;
        transform_.tY = p.y;
    }
    /// The full placement transform.
    const NSAffineTransformStruct &transformStruct() const { return transform_; }
    void setTransformStruct(const NSAffineTransformStruct &t) { transform_ = t; }
    /// Whether the component is kept out of automatic alignment.
    bool disableAlignment() const { return disableAlignment_; }
    void setDisableAlignment(bool d) { disableAlignment_ = d; }

    /// The referenced glyph in the font of the holding layer's glyph, or nullptr.
    GSGlyph *component() const;
    /// The referenced glyph's layer matching the holding layer (same layer id, else the layer of
    /// the same master), or nullptr.
    const GSLayer *componentLayer() const;
    /// Whether the referenced glyph attaches by anchor: its matching layer has an anchor whose
    /// name starts with "_" (a mark that sits on the glyph before it).
    bool shouldAttach() const;

  private:
    std::string name_;
    NSAffineTransformStruct transform_;
    bool disableAlignment_ = false;
};

/// A named point of a layer, in font units.
struct GSAnchor {
    std::string name;
    NSPoint position;
    bool operator==(const GSAnchor &) const = default;
};
