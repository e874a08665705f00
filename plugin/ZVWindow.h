// The dialog's window: a palette beside the document window that takes the keyboard only when a
// field of it is clicked.
#pragma once

#include "platform/NSWindow.h"

class ZVWindow : public NSWindow {
  public:
    bool _canBecomeKey = false;
    bool _ignoreTextFields = false;

    /// Both answer canBecomeKey: the dialog keeps it NO, so a click on the palette leaves the
    /// keyboard with the document.
    bool canBecomeKeyWindow() const override { return _canBecomeKey; }
    bool canBecomeMainWindow() const override { return _canBecomeKey; }
    /// The palette is dragged by its background.
    bool isMovableByWindowBackground() const override { return true; }

    bool canBecomeKey() const { return _canBecomeKey; }
    void setCanBecomeKey(bool can) { _canBecomeKey = can; }
    /// YES makes the dialog's text-field actions do nothing (the plug-in is changing a field, or
    /// has handed the keyboard back to the document); a click into a stepping field clears it.
    bool ignoreTextFields() const { return _ignoreTextFields; }
    void setIgnoreTextFields(bool ignore) { _ignoreTextFields = ignore; }
};
