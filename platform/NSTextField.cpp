#include "platform/NSTextField.h"

#include "platform/NumberText.h"

void NSTextField::setAttributedStringValue(NSAttributedString s) {
    if (valueBeforeEditing)
        *valueBeforeEditing = s;
    text = std::move(s);
}

double NSTextField::doubleValue() const { return leadingNumber(stringValue()); }
void NSTextField::setDoubleValue(double v) { setStringValue(numberText(v)); }
void NSTextField::setFloatValue(float v) { setStringValue(numberText(v)); }
void NSTextField::setIntegerValue(long v) { setStringValue(std::to_string(v)); }

bool NSTextField::abortEditing() {
    if (!valueBeforeEditing)
        return false;
    text = std::move(*valueBeforeEditing);
    valueBeforeEditing.reset();
    textDidEndEditing();
    return true;
}

void NSTextField::validateEditing() {
    if (valueBeforeEditing)
        *valueBeforeEditing = text;
}

void NSTextField::beginEditing() {
    if (valueBeforeEditing)
        return;
    valueBeforeEditing = text;
    textDidBeginEditing();
}

bool NSTextField::commitEditing() {
    if (!valueBeforeEditing)
        return false;
    valueBeforeEditing.reset();
    textDidEndEditing();
    return true;
}
