// The pair tab's range: a pair's span snapped to the slider's step, and the slider's ticks.
#pragma once

#include "engine/model/ZVsimplepair.h"

/// Rounds value_min and value_max upwards to whole steps of `tickToTick` from the value (a bound
/// within the tolerance of a step stays on it) and widens the range to hold the value.
void snapPairRange(ZVUIpair &pair, double tickToTick);

/// The slider's tick marks over a range.
struct ZVSliderTicks {
    long count = 0;          ///< tick marks, ends included
    bool valuesOnly = false; ///< the knob stops only on tick marks
    bool operator==(const ZVSliderTicks &) const = default;
};

/// One tick per step while there are at most 53 of them (the knob then stops only on them when
/// the step is one unit); a wider range gets 53 ticks and free values. Counted in double, so a
/// range of any width gives a count in range.
ZVSliderTicks sliderTicks(double min, double max, double tickToTick);
