// Text fields: labels, and fields the designer types into.
#pragma once

#include "platform/NSAttributedString.h"
#include "platform/NSControl.h"

#include <optional>
#include <string>

/// A text field. Typing edits it until the edit is committed (its action is then sent) or
/// aborted (its text goes back to its value). Setting the value during an edit keeps the edit
/// going and becomes what an abort returns to.
class NSTextField : public NSControl {
  public:
    NSTextField() = default;
    /// A label (neither editable nor selectable) showing `text`.
    explicit NSTextField(std::string label) : text(std::move(label)) {}

    NSAttributedString text;
    std::string placeholderString;
    bool editable = false;
    bool selectable = false;
    bool allowsEditingTextAttributes = false;
    /// While an edit goes on: the value an abort returns to.
    std::optional<NSAttributedString> valueBeforeEditing;

    std::string stringValue() const override { return text.string(); }
    void setStringValue(std::string s) override {
        setAttributedStringValue(NSAttributedString(std::move(s)));
    }
    const NSAttributedString &attributedStringValue() const { return text; }
    void setAttributedStringValue(NSAttributedString s);
    /// The number the text starts with (0 when none), as the platform reads strings.
    double doubleValue() const override;
    void setDoubleValue(double v) override;
    void setFloatValue(float v) override;
    void setIntegerValue(long v) override;
    void setPlaceholderString(std::string s) { placeholderString = std::move(s); }
    void setEditable(bool e) { editable = e; }
    void setSelectable(bool s) { selectable = s; }
    void setAllowsEditingTextAttributes(bool a) { allowsEditingTextAttributes = a; }

    bool acceptsFirstResponder() const override { return editable || selectable; }
    /// Whether an edit goes on (the platform answers its field editor).
    bool currentEditor() const { return valueBeforeEditing.has_value(); }
    /// Ends an edit, the text going back to the value; answers whether an edit was going on.
    bool abortEditing();
    /// Takes the typed text as the value without ending the edit.
    void validateEditing();

    /// Starts an edit unless one goes on (typing, stepping).
    void beginEditing();
    /// Ends an edit keeping the typed text; answers whether an edit was going on. The caller
    /// sends the action.
    bool commitEditing();
    /// Told when an edit starts and ends, after the field's own state has changed.
    virtual void textDidBeginEditing() {}
    virtual void textDidEndEditing() {}
};
