// What a person does with the windows, played by tests. Each gesture sets the application's
// current event and modifier flags, and is refused (GestureRefused) where a person could not
// do it: a hidden or disabled control or item, a window not shown, a window behind a modal run,
// or keys typed into a field that does not hold the keyboard.
#pragma once

#include "platform/NSEvent.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class NSMenu;
class NSPopUpButton;
class NSSegmentedControl;
class NSSlider;
class NSTextField;
class GSSteppingTextField;
class NSView;
class NSWindow;

namespace gesture {

/// A gesture a person could not make; the message says why.
struct GestureRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// Clicks a view (a button, a check box, a text field…): the window becomes key when it can,
/// the view becomes first responder when it accepts, then the view handles the mouse-down.
void click(NSView &view, NSEventModifierFlags flags = 0);
/// Types `text` into a field that holds the keyboard (first responder of the key window),
/// replacing its text; the key event passes the local monitors first.
void typeText(NSTextField &field, const std::string &text, NSEventModifierFlags flags = 0);
/// Presses Return in a field that holds the keyboard: the edit ends and the action is sent.
void commit(NSTextField &field, NSEventModifierFlags flags = 0);
/// typeText, then commit.
void typeAndCommit(NSTextField &field, const std::string &text, NSEventModifierFlags flags = 0);
/// Presses the up (`direction` > 0) or down arrow in a stepping field that holds the keyboard:
/// the value moves by 1 (10 with shift) and the action is sent while the edit goes on.
void arrowStep(GSSteppingTextField &field, int direction, NSEventModifierFlags flags = 0);
/// Drags a slider: the mouse goes down at the first position, moves through the others and
/// goes up at the last.
void drag(NSSlider &slider, const std::vector<double> &positions, NSEventModifierFlags flags = 0);
/// Clicks a segment.
void clickSegment(NSSegmentedControl &control, long segment, NSEventModifierFlags flags = 0);
/// Opens a pop-up button's menu (its delegate is told) and answers it, as the person sees it.
NSMenu &openMenu(NSPopUpButton &popUp, NSEventModifierFlags flags = 0);
/// Opens a pop-up button and chooses the item at the end of `titles`, each title after the
/// first naming an item of the submenu of the one before.
void choose(NSPopUpButton &popUp, const std::vector<std::string> &titles,
            NSEventModifierFlags flags = 0);
/// Opens a pop-up button and chooses its first item with the tag.
void chooseTag(NSPopUpButton &popUp, long tag, NSEventModifierFlags flags = 0);
/// Chooses an item of a menu outside any window (the main menu), by the same path of titles.
void choose(NSMenu &menu, const std::vector<std::string> &titles, NSEventModifierFlags flags = 0);
/// A key pressed with the modifier keys `flags`: it passes the local monitors; answers the
/// event that goes on to whatever holds the keyboard (nothing when a monitor swallowed it).
std::optional<NSEvent> keyDown(const std::string &characters, NSEventModifierFlags flags = 0,
                               unsigned short keyCode = 0);
/// The modifier keys change to `flags` (pressed or released); the event passes the monitors.
std::optional<NSEvent> flagsChanged(NSEventModifierFlags flags);
/// Clicks a window's close button.
void closeWindow(NSWindow &window);

} // namespace gesture
