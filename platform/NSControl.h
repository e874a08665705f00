// Controls: views that are enabled or not, carry a tag and send an action.
#pragma once

#include "platform/NSView.h"

#include <functional>
#include <string>

class NSControl;
/// What a control does when used; bound at layout time (the target is captured).
using NSControlAction = std::function<void(NSControl *sender)>;

/// A control. The value accessors are the platform's; each kind of control keeps its value in
/// its own way.
class NSControl : public NSView {
  public:
    bool enabled = true;
    long tag = 0;
    NSControlAction action;
    /// Whether the action is sent while the control is being used (a slider while dragged).
    bool continuous = false;

    bool isEnabled() const { return enabled; }
    void setEnabled(bool e) { enabled = e; }
    void setTag(long t) { tag = t; }
    void setAction(NSControlAction a) { action = std::move(a); }
    void setContinuous(bool c) { continuous = c; }
    /// Sends the action with this control as sender (nothing without an action).
    void sendAction();

    virtual std::string stringValue() const { return {}; }
    virtual void setStringValue(std::string) {}
    virtual double doubleValue() const { return 0; }
    virtual void setDoubleValue(double) {}
    virtual void setFloatValue(float v) { setDoubleValue(v); }
    float floatValue() const { return static_cast<float>(doubleValue()); }
    /// The value truncated toward zero (saturating).
    long integerValue() const;
    virtual void setIntegerValue(long v) { setDoubleValue(static_cast<double>(v)); }
};
