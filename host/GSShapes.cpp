#include "host/GSShapes.h"

#include "host/GSFont.h"
#include "host/GSGlyph.h"
#include "host/GSLayer.h"

#include <cmath>

namespace {

// Extremum parameters of one coordinate of a quadratic Bezier a-c-b inside (0, 1).
void quadExtrema(double a, double c, double b, std::vector<double> &ts) {
    const double d = a - 2 * c + b;
    if (d != 0) {
        const double t = (a - c) / d;
        if (t > 0 && t < 1)
            ts.push_back(t);
    }
}

// Extremum parameters of one coordinate of a cubic Bezier inside (0, 1): roots of its derivative.
void cubicExtrema(double p0, double p1, double p2, double p3, std::vector<double> &ts) {
    const double a = -p0 + 3 * p1 - 3 * p2 + p3;
    const double b = 2 * (p0 - 2 * p1 + p2);
    const double c = p1 - p0;
    auto keep = [&](double t) {
        if (t > 0 && t < 1)
            ts.push_back(t);
    };
    if (std::abs(a) < 1e-12) {
        if (b != 0)
            keep(-c / b);
        return;
    }
    const double disc = b * b - 4 * a * c;
    if (disc < 0)
        return;
    const double r = std::sqrt(disc);
    keep((-b + r) / (2 * a));
    keep((-b - r) / (2 * a));
}

void addQuad(NSPoint a, NSPoint c, NSPoint b, GSBounds &box) {
    std::vector<double> ts;
    quadExtrema(a.x, c.x, b.x, ts);
    quadExtrema(a.y, c.y, b.y, ts);
    for (double t : ts) {
        const double u = 1 - t;
        box.add(NSPoint{u * u * a.x + 2 * u * t * c.x + t * t * b.x,
                        u * u * a.y + 2 * u * t * c.y + t * t * b.y});
    }
    box.add(b);
}

void addCubic(NSPoint p0, NSPoint p1, NSPoint p2, NSPoint p3, GSBounds &box) {
    std::vector<double> ts;
    cubicExtrema(p0.x, p1.x, p2.x, p3.x, ts);
    cubicExtrema(p0.y, p1.y, p2.y, p3.y, ts);
    for (double t : ts) {
        const double u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        box.add(NSPoint{a * p0.x + b * p1.x + c * p2.x + d * p3.x,
                        a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    box.add(p3);
}

NSPoint mid(NSPoint a, NSPoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }

// A quadratic spline from `start` through the control points `offs` to `end`, with the implied
// on-curve points halfway between neighbouring control points.
void addQuadSpline(NSPoint start, const std::vector<NSPoint> &offs, NSPoint end, GSBounds &box) {
    NSPoint from = start;
    for (std::size_t i = 0; i < offs.size(); ++i) {
        const NSPoint to = i + 1 < offs.size() ? mid(offs[i], offs[i + 1]) : end;
        addQuad(from, offs[i], to, box);
        from = to;
    }
}

} // namespace

void GSPath::moveBy(double dx, double dy) {
    for (GSNode &n : nodes_)
        n.setPosition({n.position().x + dx, n.position().y + dy});
}

bool GSPath::isEqual(const GSShape &other) const {
    auto o = dynamic_cast<const GSPath *>(&other);
    return o && o->closed_ == closed_ && o->nodes_ == nodes_;
}

GSPath GSPath::transformed(const NSAffineTransformStruct &t) const {
    GSPath p(nodes_, closed_);
    for (GSNode &n : p.nodes_)
        n.setPosition(t.apply(n.position()));
    return p;
}

GSBounds GSPath::bounds() const {
    GSBounds box;
    const std::size_t n = nodes_.size();
    if (n == 0)
        return box;
    std::size_t first_on = n;
    for (std::size_t i = 0; i < n; ++i)
        if (nodes_[i].type() != GSOffcurve) {
            first_on = i;
            break;
        }
    if (first_on == n) {
        // A contour of control points only: a closed quadratic ring (TrueType) whose on-curve
        // points all lie halfway between neighbouring control points.
        for (std::size_t i = 0; i < n; ++i) {
            const NSPoint c = nodes_[i].position();
            const NSPoint a = mid(nodes_[(i + n - 1) % n].position(), c);
            const NSPoint b = mid(c, nodes_[(i + 1) % n].position());
            box.add(a);
            addQuad(a, c, b, box);
        }
        return box;
    }
    // Walk the segments that end at each on-curve node, starting after the first one.
    NSPoint prev = nodes_[first_on].position();
    box.add(prev);
    std::vector<NSPoint> offs;
    const std::size_t steps = closed_ ? n : n - 1 - first_on;
    for (std::size_t k = 1; k <= steps; ++k) {
        const GSNode &node = nodes_[(first_on + k) % n];
        if (!closed_ && first_on + k >= n)
            break;
        if (node.type() == GSOffcurve) {
            offs.push_back(node.position());
            continue;
        }
        const NSPoint end = node.position();
        if (offs.empty())
            box.add(end);
        else if (node.type() == GSQCurve || offs.size() == 1)
            addQuadSpline(prev, offs, end, box);
        else if (offs.size() == 2)
            addCubic(prev, offs[0], offs[1], end, box);
        else {
            for (NSPoint p : offs) // not a curve the host draws: the control hull bounds it
                box.add(p);
            box.add(end);
        }
        offs.clear();
        prev = end;
    }
    if (!closed_)
        for (NSPoint p : offs) // trailing control points of an open path
            box.add(p);
    return box;
}

bool GSComponent::isEqual(const GSShape &other) const {
    auto o = dynamic_cast<const GSComponent *>(&other);
    return o && o->name_ == name_ && o->transform_ == transform_ &&
           o->disableAlignment_ == disableAlignment_;
}

GSGlyph *GSComponent::component() const {
    GSFont *font = parent() ? parent()->font() : nullptr;
    return font ? font->glyphForName(name_) : nullptr;
}

const GSLayer *GSComponent::componentLayer() const {
    const GSGlyph *glyph = component();
    if (!glyph)
        return nullptr;
    const GSLayer *owner = parent();
    if (const GSLayer *same = glyph->layerWithId(owner->layerId()))
        return same;
    return glyph->layerWithId(owner->associatedMasterId());
}

bool GSComponent::shouldAttach() const {
    const GSLayer *layer = componentLayer();
    if (!layer)
        return false;
    for (const GSAnchor &a : layer->anchors())
        if (!a.name.empty() && a.name[0] == '_')
            return true;
    return false;
}
