// Progress bars.
#pragma once

#include "platform/NSView.h"

/// A progress bar: `value` between `minValue` and `maxValue`, or an indeterminate one.
class NSProgressIndicator : public NSView {
  public:
    double minValue = 0;
    double maxValue = 100;
    double value = 0;
    bool indeterminate = true;
    bool animating = false;

    double doubleValue() const { return value; }
    void setDoubleValue(double v) { value = v; }
    void incrementBy(double delta) { value += delta; }
    void setMinValue(double v) { minValue = v; }
    void setMaxValue(double v) { maxValue = v; }
    void setIndeterminate(bool i) { indeterminate = i; }
    void startAnimation() { animating = true; }
    void stopAnimation() { animating = false; }
};
