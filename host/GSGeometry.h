// Points, rectangles and affine transforms in font units (y grows upwards).
#pragma once

#include <algorithm>
#include <limits>

/// A point in font units.
struct NSPoint {
    double x = 0;
    double y = 0;
    bool operator==(const NSPoint &) const = default;
};

/// An axis-aligned box in font units; the default box is empty (contains nothing).
struct GSBounds {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();

    /// Whether the box holds no point.
    bool empty() const { return minX > maxX; }
    /// Grows the box to hold p.
    void add(NSPoint p) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    /// Grows the box to hold b.
    void add(const GSBounds &b) {
        if (b.empty())
            return;
        add(NSPoint{b.minX, b.minY});
        add(NSPoint{b.maxX, b.maxY});
    }
};

/// x' = m11 x + m21 y + tX, y' = m12 x + m22 y + tY (the host's transform struct order).
struct NSAffineTransformStruct {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, tX = 0, tY = 0;

    /// The image of p.
    NSPoint apply(NSPoint p) const {
        return {m11 * p.x + m21 * p.y + tX, m12 * p.x + m22 * p.y + tY};
    }
    /// The transform that applies `inner` first, then this one.
    NSAffineTransformStruct compose(const NSAffineTransformStruct &inner) const {
        return {m11 * inner.m11 + m21 * inner.m12,    m12 * inner.m11 + m22 * inner.m12,
                m11 * inner.m21 + m21 * inner.m22,    m12 * inner.m21 + m22 * inner.m22,
                m11 * inner.tX + m21 * inner.tY + tX, m12 * inner.tX + m22 * inner.tY + tY};
    }
    bool operator==(const NSAffineTransformStruct &) const = default;
};
