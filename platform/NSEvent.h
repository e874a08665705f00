// Input events, their modifier flags, and the application's local event monitors.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class NSWindow;

/// The kinds of events the windows see (the platform's numbers).
enum class NSEventType : int {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    LeftMouseDragged = 6,
    KeyDown = 10,
    FlagsChanged = 12,
};

/// A set of event kinds: bit n stands for the kind numbered n.
using NSEventMask = std::uint64_t;
constexpr NSEventMask NSEventMaskFromType(NSEventType type) {
    return NSEventMask{1} << static_cast<int>(type);
}
constexpr NSEventMask NSEventMaskLeftMouseUp = NSEventMaskFromType(NSEventType::LeftMouseUp);
constexpr NSEventMask NSEventMaskLeftMouseDragged =
    NSEventMaskFromType(NSEventType::LeftMouseDragged);
constexpr NSEventMask NSEventMaskKeyDown = NSEventMaskFromType(NSEventType::KeyDown);
constexpr NSEventMask NSEventMaskFlagsChanged = NSEventMaskFromType(NSEventType::FlagsChanged);

/// The modifier keys held down, one bit each (the platform's values).
using NSEventModifierFlags = std::uint64_t;
constexpr NSEventModifierFlags NSEventModifierFlagShift = 0x20000;
constexpr NSEventModifierFlags NSEventModifierFlagControl = 0x40000;
constexpr NSEventModifierFlags NSEventModifierFlagOption = 0x80000;
constexpr NSEventModifierFlags NSEventModifierFlagCommand = 0x100000;

/// Virtual key codes of the keys the gestures press.
constexpr unsigned short kVK_Return = 36;
constexpr unsigned short kVK_DownArrow = 125;
constexpr unsigned short kVK_UpArrow = 126;

/// The token of a local event monitor, kept to remove it; 0 means none.
struct NSEventMonitor {
    std::uint64_t id = 0;
    explicit operator bool() const { return id != 0; }
    bool operator==(const NSEventMonitor &) const = default;
};

/// One input event.
struct NSEvent {
    NSEventType type = NSEventType::LeftMouseDown;
    /// The modifier keys held down when the event happened.
    NSEventModifierFlags modifierFlags = 0;
    /// Key events: the characters typed.
    std::string characters;
    /// Key events: the virtual key code.
    unsigned short keyCode = 0;
    /// Mouse events over a slider: the value under the pointer, in the slider's units (nothing
    /// is drawn, so positions are given as values).
    double pointerValue = 0;
    /// The window the event is for (nullptr for keys, which go to whatever holds the keyboard).
    NSWindow *window = nullptr;

    /// A monitor sees an event before it is dispatched and answers the event to dispatch (the
    /// same or another one), or nothing to swallow it.
    using MonitorHandler = std::function<std::optional<NSEvent>(const NSEvent &)>;
    /// Installs a monitor for the events of the kinds in `mask`; monitors run in the order they
    /// were installed.
    static NSEventMonitor addLocalMonitorForEventsMatchingMask(NSEventMask mask,
                                                               MonitorHandler handler);
    /// Removes a monitor; an unknown or already removed token does nothing.
    static void removeMonitor(NSEventMonitor monitor);
    /// The modifier keys held down now (the platform's class method `modifierFlags`; an event's
    /// own flags are its member of that name).
    static NSEventModifierFlags currentModifierFlags();
};
