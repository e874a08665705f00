#include "platform/NSSlider.h"

#include "platform/NSApplication.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cmath>

void NSSlider::setDoubleValue(double v) {
    value = minValue <= maxValue ? std::clamp(v, minValue, maxValue) : v;
}

std::string NSSlider::stringValue() const { return numberText(value); }
void NSSlider::setStringValue(std::string s) { setDoubleValue(leadingNumber(s)); }

double NSSlider::closestTickMarkValueToValue(double v) const {
    if (numberOfTickMarks <= 0)
        return v;
    if (numberOfTickMarks == 1)
        return (minValue + maxValue) / 2;
    const double step = (maxValue - minValue) / static_cast<double>(numberOfTickMarks - 1);
    if (step == 0)
        return minValue;
    const double i = std::clamp(std::round((v - minValue) / step), 0.0,
                                static_cast<double>(numberOfTickMarks - 1));
    return minValue + i * step;
}

void NSSlider::track(double pointerValue) {
    setDoubleValue(allowsTickMarkValuesOnly ? closestTickMarkValueToValue(pointerValue)
                                            : pointerValue);
}

void NSSlider::mouseDown(const NSEvent &event) {
    NSApplication &app = NSApp();
    track(event.pointerValue);
    if (continuous)
        sendAction();
    while (std::optional<NSEvent> next =
               app.nextEventMatchingMask(NSEventMaskLeftMouseDragged | NSEventMaskLeftMouseUp)) {
        app.currentEvent = *next;
        if (next->type == NSEventType::LeftMouseUp)
            break;
        const double before = value;
        track(next->pointerValue);
        if (continuous && value != before)
            sendAction();
    }
    if (!continuous)
        sendAction();
}
