#include "platform/NSButton.h"

void NSButton::mouseDown(const NSEvent &) {
    if (buttonType == NSButtonType::Switch)
        state = state == NSControlStateValueOn ? NSControlStateValueOff : NSControlStateValueOn;
    sendAction();
}
