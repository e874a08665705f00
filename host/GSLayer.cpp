#include "host/GSLayer.h"

#include "host/GSFont.h"
#include "host/GSGlyph.h"

#include <algorithm>

namespace {

// Components nest at most this deep in a decomposed copy; deeper ones stay components.
constexpr int kMaxComponentDepth = 32;
// A one-level decomposition stops expanding once the layer holds this many shapes, so that
// components that multiply through a cycle cannot exhaust memory over repeated passes.
constexpr std::size_t kMaxShapes = 65536;

std::unique_ptr<GSShape> transformedShape(const GSShape &shape, const NSAffineTransformStruct &t) {
    if (auto path = dynamic_cast<const GSPath *>(&shape))
        return std::make_unique<GSPath>(path->transformed(t));
    auto comp = static_cast<const GSComponent *>(&shape);
    auto copy = std::make_unique<GSComponent>(*comp);
    copy->setTransformStruct(t.compose(comp->transformStruct()));
    return copy;
}

std::size_t nodesOf(const GSShape &shape) {
    auto path = dynamic_cast<const GSPath *>(&shape);
    return path ? path->countOfNodes() : 0;
}

// Appends the shapes of `src`, mapped by t, with resolvable components replaced by their outlines.
// `drawing` holds the layers being expanded, so that a cycle ends as a kept component; `nodes`
// counts what was appended, and nothing more is taken once it passes the budget.
void decomposeInto(const GSLayer &src, const NSAffineTransformStruct &t,
                   std::vector<const GSLayer *> &drawing,
                   std::vector<std::unique_ptr<GSShape>> &out, std::size_t &nodes) {
    for (const auto &shape : src.allShapes()) {
        if (nodes > GSLayer::kMaxDecomposedNodes)
            return;
        auto comp = dynamic_cast<const GSComponent *>(shape.get());
        const GSLayer *base = comp ? comp->componentLayer() : nullptr;
        const bool cyclic =
            base && std::find(drawing.begin(), drawing.end(), base) != drawing.end();
        if (!base || cyclic || static_cast<int>(drawing.size()) > kMaxComponentDepth) {
            nodes += nodesOf(*shape);
            out.push_back(transformedShape(*shape, t));
            continue;
        }
        drawing.push_back(base);
        decomposeInto(*base, t.compose(comp->transformStruct()), drawing, out, nodes);
        drawing.pop_back();
    }
}

} // namespace

GSLayer::GSLayer(const GSLayer &o)
    : layerId_(o.layerId_), associatedMasterId_(o.associatedMasterId_), name_(o.name_),
      kind_(o.kind_), width_(o.width_), anchors_(o.anchors_), hints_(o.hints_) {
    for (const auto &s : o.shapes_)
        addShape(s->clone());
    if (o.background_)
        background_ = std::make_unique<GSLayer>(*o.background_);
}

GSLayer &GSLayer::operator=(const GSLayer &o) {
    if (this == &o)
        return *this;
    GSLayer copy(o);
    layerId_ = std::move(copy.layerId_);
    associatedMasterId_ = std::move(copy.associatedMasterId_);
    name_ = std::move(copy.name_);
    kind_ = copy.kind_;
    width_ = copy.width_;
    shapes_.clear();
    for (auto &s : copy.shapes_)
        addShape(std::move(s));
    anchors_ = std::move(copy.anchors_);
    background_ = std::move(copy.background_);
    hints_ = std::move(copy.hints_);
    return *this;
}

GSLayer::~GSLayer() = default;

GSFont *GSLayer::font() const { return parent_ ? parent_->parent() : nullptr; }

const char *GSLayer::className() const {
    switch (kind_) {
    case GSLayerKind::Control:
        return "GSControlLayer";
    case GSLayerKind::Background:
        return "GSBackgroundLayer";
    default:
        return "GSLayer";
    }
}

std::size_t GSLayer::countOfNodes() const {
    std::size_t n = 0;
    for (const auto &s : shapes_)
        n += nodesOf(*s);
    return n;
}

GSLayer &GSLayer::background() {
    if (!background_) {
        background_ = std::make_unique<GSLayer>();
        background_->kind_ = GSLayerKind::Background;
        background_->layerId_ = layerId_;
        background_->associatedMasterId_ = associatedMasterId_;
        background_->width_ = width_;
    }
    background_->parent_ = parent_;
    return *background_;
}

void GSLayer::addShape(std::unique_ptr<GSShape> shape) {
    shape->setParent(this);
    shapes_.push_back(std::move(shape));
}

std::size_t GSLayer::countOfPaths() const {
    return static_cast<std::size_t>(
        std::count_if(shapes_.begin(), shapes_.end(), [](const auto &s) {
            return dynamic_cast<const GSPath *>(s.get()) != nullptr;
        }));
}

std::vector<GSComponent *> GSLayer::components() const {
    std::vector<GSComponent *> out;
    for (const auto &s : shapes_)
        if (auto c = dynamic_cast<GSComponent *>(s.get()))
            out.push_back(c);
    return out;
}

std::size_t GSLayer::countOfComponents() const { return shapes_.size() - countOfPaths(); }

GSAnchor *GSLayer::anchorForName(const std::string &name) {
    for (GSAnchor &a : anchors_)
        if (a.name == name)
            return &a;
    return nullptr;
}

void GSLayer::setAnchor(const std::string &name, NSPoint position) {
    if (GSAnchor *a = anchorForName(name))
        a->position = position;
    else
        anchors_.push_back({name, position});
}

GSBounds GSLayer::bounds() const {
    GSBounds box;
    const auto decomposed = copyDecomposedLayer();
    for (const auto &s : decomposed->shapes_)
        if (auto p = dynamic_cast<const GSPath *>(s.get()))
            box.add(p->bounds());
    return box;
}

double GSLayer::LSB() const {
    const GSBounds b = bounds();
    return b.empty() ? 0.0 : b.minX;
}

double GSLayer::RSB() const {
    const GSBounds b = bounds();
    return b.empty() ? 0.0 : width_ - b.maxX;
}

void GSLayer::setLSB(double v) {
    const GSBounds b = bounds();
    if (b.empty())
        return;
    const double dx = v - b.minX;
    for (auto &s : shapes_)
        s->moveBy(dx, 0);
    for (GSAnchor &a : anchors_)
        a.position.x += dx;
    width_ += dx;
}

void GSLayer::setRSB(double v) {
    const GSBounds b = bounds();
    if (b.empty())
        return;
    width_ = b.maxX + v;
}

bool GSLayer::hasAlignedWidth() const {
    const auto comps = components();
    return !comps.empty() && countOfPaths() == 0 &&
           std::none_of(comps.begin(), comps.end(),
                        [](const GSComponent *c) { return c->disableAlignment(); });
}

std::unique_ptr<GSLayer> GSLayer::copyDecomposedLayer() const {
    auto copy = std::make_unique<GSLayer>();
    copy->layerId_ = layerId_;
    copy->associatedMasterId_ = associatedMasterId_;
    copy->name_ = name_;
    copy->kind_ = kind_;
    copy->width_ = width_;
    copy->anchors_ = anchors_;
    std::vector<const GSLayer *> drawing{this};
    std::vector<std::unique_ptr<GSShape>> shapes;
    std::size_t nodes = 0;
    decomposeInto(*this, NSAffineTransformStruct{}, drawing, shapes, nodes);
    for (auto &s : shapes)
        copy->addShape(std::move(s));
    return copy;
}

bool GSLayer::shapesEqual(const GSLayer &o) const {
    if (shapes_.size() != o.shapes_.size())
        return false;
    for (std::size_t i = 0; i < shapes_.size(); ++i)
        if (!shapes_[i]->isEqual(*o.shapes_[i]))
            return false;
    return true;
}

void GSLayer::writeKerningTo(double value, const GSLayer *other) {
    GSFont *f = font();
    if (!f || !other || !other->parent())
        return;
    f->setKerningForFontMasterID(associatedMasterId_, parent_->id(), other->parent()->id(), value,
                                 0);
}

#if ZV_HOST_VERSION == 2
std::vector<GSPath *> GSLayer::paths() const {
    std::vector<GSPath *> out;
    for (const auto &s : shapes_)
        if (auto p = dynamic_cast<GSPath *>(s.get()))
            out.push_back(p);
    return out;
}

GSPath *GSLayer::pathAtIndex(std::size_t i) const {
    for (const auto &s : shapes_)
        if (auto p = dynamic_cast<GSPath *>(s.get()); p && i-- == 0)
            return p;
    return nullptr;
}

void GSLayer::setRightKerning(double value, const GSLayer *other) { writeKerningTo(value, other); }
#else
GSShape *GSLayer::objectInShapesAtIndex(std::size_t i) const {
    return i < shapes_.size() ? shapes_[i].get() : nullptr;
}

void GSLayer::decomposeComponents() {
    std::vector<std::unique_ptr<GSShape>> out;
    std::size_t remaining = shapes_.size();
    std::size_t nodes = countOfNodes();
    for (auto &shape : shapes_) {
        --remaining;
        auto comp = dynamic_cast<GSComponent *>(shape.get());
        const GSLayer *base = comp ? comp->componentLayer() : nullptr;
        const std::size_t added = base ? base->countOfNodes() : 0;
        if (!base || out.size() + remaining + base->shapes_.size() > kMaxShapes ||
            nodes > kMaxDecomposedNodes) {
            out.push_back(std::move(shape));
            continue;
        }
        nodes += added;
        for (const auto &s : base->shapes_)
            out.push_back(transformedShape(*s, comp->transformStruct()));
    }
    shapes_.clear();
    for (auto &s : out)
        addShape(std::move(s));
}

bool GSLayer::flattenOutlinesRemoveOverlap(bool, const std::vector<std::string> &, const GSLayer *,
                                           const void *, std::string *) {
    return true;
}

void GSLayer::setNextKerning(double value, const GSLayer *other, int direction) {
    if (direction == 0)
        writeKerningTo(value, other);
}
#endif
