#include "platform/GSSteppingTextField.h"

#include "platform/NumberText.h"

namespace {
constexpr double kNoValue = 1073741824.0; // 2^30
}

double GSSteppingTextField::doubleValue() const {
    return wholeNumber(stringValue()).value_or(kNoValue);
}

void GSSteppingTextField::stepBy(double delta) {
    beginEditing();
    setDoubleValue(wholeNumber(stringValue()).value_or(0.0) + delta);
}

void GSSteppingTextField::endEditing() {
    if (commitEditing())
        sendAction();
}
