#include "plugin/ZVPairRange.h"

#include <cmath>

void snapPairRange(ZVUIpair &pair, double t) {
    const double v = pair.value;
    // Both bounds are rounded upwards to a step; a bound within the tolerance of a step (float
    // noise, or exactly on it) stays on that step, so an exact limit is not passed by one step.
    pair.value_min = static_cast<float>(v + std::ceil((pair.value_min - v) / t - ZV_TOLERANCE) * t);
    pair.value_max = static_cast<float>(v + std::ceil((pair.value_max - v) / t - ZV_TOLERANCE) * t);
    if (pair.value < pair.value_min)
        pair.value_min = pair.value;
    if (pair.value_max < pair.value)
        pair.value_max = pair.value;
}

ZVSliderTicks sliderTicks(double min, double max, double t) {
    ZVSliderTicks ticks;
    ticks.valuesOnly = t == 1.0;
    double k = std::trunc((max - min) / t);
    if (k >= 53) {
        k = 52;
        ticks.valuesOnly = false;
    }
    ticks.count = static_cast<long>(k) + 1;
    return ticks;
}
