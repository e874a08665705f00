// Push buttons and check boxes.
#pragma once

#include "platform/NSControl.h"

#include <string>

/// Button states (the platform's values).
constexpr long NSControlStateValueMixed = -1;
constexpr long NSControlStateValueOff = 0;
constexpr long NSControlStateValueOn = 1;

enum class NSButtonType {
    MomentaryPushIn, ///< a push button: a click sends the action
    Switch,          ///< a check box: a click turns it on or off, then sends the action
};

class NSButton : public NSControl {
  public:
    NSButton() = default;
    explicit NSButton(std::string t, NSButtonType type = NSButtonType::MomentaryPushIn)
        : title(std::move(t)), buttonType(type) {}

    std::string title;
    NSButtonType buttonType = NSButtonType::MomentaryPushIn;
    long state = NSControlStateValueOff;

    void setTitle(std::string t) { title = std::move(t); }
    void setButtonType(NSButtonType t) { buttonType = t; }
    void setState(long s) { state = s; }

    /// A check box changes state (off or mixed → on, on → off); then the action is sent.
    void mouseDown(const NSEvent &event) override;
};
