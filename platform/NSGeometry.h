// Window frames in screen points.
#pragma once

/// A rectangle in screen points, y growing upwards: the lower-left corner (x, y), then the size.
/// (The host's NSPoint lives with the font geometry, so the origin is spelled out here.)
struct NSRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const NSRect &) const = default;
};
