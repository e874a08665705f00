// The host's numeric field (side bearings, a pair's value): typed into or stepped with the arrow
// keys.
#pragma once

#include "platform/NSTextField.h"

/// A numeric text field. Typing or stepping puts it into an edit that lasts until it is
/// committed, aborted or ended (`endEditing`). A text that is not wholly a number has the value
/// 2^30, the system's "no value".
class GSSteppingTextField : public NSTextField {
  public:
    GSSteppingTextField() {
        editable = true;
        selectable = true;
    }

    /// Whether an edit goes on (the host's own flag).
    bool _isEditing = false;

    /// The number the text is, or 2^30 when it is not wholly a number.
    double doubleValue() const override;
    /// One step of the arrow keys: the value moves by `delta` (a text that is not a number steps
    /// from 0) and the field is in an edit. The caller sends the action.
    void stepBy(double delta);
    /// Ends an edit going on as a commit would: the typed value stays and the action is sent.
    /// Nothing happens without an edit.
    void endEditing();

    void textDidBeginEditing() override { _isEditing = true; }
    void textDidEndEditing() override { _isEditing = false; }
};
