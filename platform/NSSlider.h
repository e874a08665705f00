// Sliders.
#pragma once

#include "platform/NSControl.h"

/// A slider between `minValue` and `maxValue`. Its value is kept inside the range; with
/// `allowsTickMarkValuesOnly` a drag stops only on tick marks.
class NSSlider : public NSControl {
  public:
    NSSlider() { continuous = true; }

    double minValue = 0;
    double maxValue = 1;
    double value = 0;
    /// Tick marks spread evenly from minValue to maxValue (0: none; 1: one in the middle).
    long numberOfTickMarks = 0;
    bool allowsTickMarkValuesOnly = false;

    void setMinValue(double v) { minValue = v; }
    void setMaxValue(double v) { maxValue = v; }
    void setNumberOfTickMarks(long n) { numberOfTickMarks = n; }
    void setAllowsTickMarkValuesOnly(bool b) { allowsTickMarkValuesOnly = b; }

    double doubleValue() const override { return value; }
    /// Sets the value, pinned to the range.
    void setDoubleValue(double v) override;
    std::string stringValue() const override;
    void setStringValue(std::string s) override;
    /// The tick mark nearest to `v` (`v` itself without tick marks).
    double closestTickMarkValueToValue(double v) const;

    /// Tracks a drag: the knob goes to the pointer, then follows each dragged event the
    /// application holds until the mouse goes up. A continuous slider sends its action at the
    /// first position and at each change; any other slider once, when the mouse goes up.
    void mouseDown(const NSEvent &event) override;

  private:
    /// Moves the knob as the pointer does (snapped to ticks when asked, pinned to the range).
    void track(double pointerValue);
};
