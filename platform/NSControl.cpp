#include "platform/NSControl.h"

#include "platform/NumberText.h"

void NSControl::sendAction() {
    if (action)
        action(this);
}

long NSControl::integerValue() const { return truncatedInteger(doubleValue()); }
