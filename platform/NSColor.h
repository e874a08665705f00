// Colours as the windows set them.
#pragma once

/// A colour by hue, saturation, brightness and alpha, each between 0 and 1.
struct NSColor {
    double hue = 0;
    double saturation = 0;
    double brightness = 0;
    double alpha = 0;

    static NSColor colorWithHue(double hue, double saturation, double brightness, double alpha) {
        return {hue, saturation, brightness, alpha};
    }
    bool operator==(const NSColor &) const = default;
};
