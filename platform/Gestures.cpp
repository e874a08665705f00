#include "platform/Gestures.h"

#include "platform/GSSteppingTextField.h"
#include "platform/NSApplication.h"
#include "platform/NSButton.h"
#include "platform/NSPopUpButton.h"
#include "platform/NSSegmentedControl.h"
#include "platform/NSSlider.h"
#include "platform/NSWindow.h"

namespace gesture {
namespace {

std::string quoted(const std::string &s) { return "\"" + s + "\""; }

/// How a refusal names a view: its outlet, else its title or text.
std::string nameOf(const NSView &view) {
    if (!view.outlet.empty())
        return "'" + view.outlet + "'";
    if (auto b = dynamic_cast<const NSButton *>(&view))
        return "button " + quoted(b->title);
    if (auto t = dynamic_cast<const NSTextField *>(&view))
        return "field " + quoted(t->stringValue());
    return "a view without outlet";
}

std::string nameOf(const NSWindow &window) { return "window " + quoted(window.title); }

[[noreturn]] void refuse(const std::string &what, const std::string &why) {
    throw GestureRefused("cannot " + what + ": " + why);
}

/// Refuses a gesture on a window that is not shown or waits behind a modal run.
void checkWindow(const NSWindow &window, const std::string &what) {
    if (!window.isVisible())
        refuse(what, "its " + nameOf(window) + " is not shown");
    const NSWindow *modal = NSApp().modalWindow();
    if (modal && modal != &window)
        refuse(what, "its " + nameOf(window) + " waits behind the modal " + nameOf(*modal));
}

/// Refuses a gesture on a view that a person cannot reach.
void checkReachable(const NSView &view, const std::string &what) {
    if (!view.window)
        refuse(what, "it is in no window");
    checkWindow(*view.window, what);
    if (view.isHiddenOrHasHiddenAncestor())
        refuse(what, "it is hidden");
    if (auto c = dynamic_cast<const NSControl *>(&view); c && !c->isEnabled())
        refuse(what, "it is disabled");
}

/// Refuses keys typed into a field that does not hold the keyboard.
void checkKeyboard(const NSTextField &field, const std::string &what) {
    checkReachable(field, what);
    if (!field.editable)
        refuse(what, "it is not editable");
    if (!field.window->isKeyWindow())
        refuse(what, "its " + nameOf(*field.window) + " is not the key window");
    if (field.window->firstResponder != &field)
        refuse(what, "it is not the first responder (click it first)");
}

NSEvent setCurrent(NSEvent event) {
    NSApplication &app = NSApp();
    app.modifierFlags = event.modifierFlags;
    app.currentEvent = event;
    return event;
}

NSEvent mouseEvent(NSEventType type, NSEventModifierFlags flags, NSWindow *window,
                   double pointerValue = 0) {
    NSEvent e;
    e.type = type;
    e.modifierFlags = flags;
    e.window = window;
    e.pointerValue = pointerValue;
    return e;
}

/// A key press passes the monitors; answers whether it goes on.
bool pressKey(const std::string &characters, unsigned short keyCode, NSEventModifierFlags flags) {
    return keyDown(characters, flags, keyCode).has_value();
}

/// The first item titled `title` that is not hidden, else the first one titled so.
NSMenuItem *itemTitled(const NSMenu &menu, const std::string &title) {
    NSMenuItem *found = nullptr;
    for (const auto &item : menu.items)
        if (item->title == title) {
            if (!item->hidden)
                return item.get();
            if (!found)
                found = item.get();
        }
    return found;
}

/// Refuses an item a person cannot choose.
void checkItem(const NSMenuItem &item, const std::string &what) {
    if (item.hidden)
        refuse(what, "item " + quoted(item.title) + " is hidden");
    if (!item.enabled)
        refuse(what, "item " + quoted(item.title) + " is disabled");
    if (item.separator)
        refuse(what, "it is a separator");
}

void openMenuOnly(NSMenu &menu) {
    if (menu.delegate)
        menu.delegate->menuWillOpen(&menu);
}

/// Follows the path of titles from an opened menu, opening submenus on the way; answers the
/// chosen item.
NSMenuItem &walk(NSMenu &top, const std::vector<std::string> &titles, const std::string &what) {
    if (titles.empty())
        refuse(what, "no item named");
    NSMenu *menu = &top;
    NSMenuItem *item = nullptr;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        if (i > 0) {
            if (!item->submenu)
                refuse(what, "item " + quoted(item->title) + " has no submenu");
            menu = item->submenu.get();
            openMenuOnly(*menu);
        }
        item = itemTitled(*menu, titles[i]);
        if (!item)
            refuse(what, "no item " + quoted(titles[i]));
        checkItem(*item, what);
    }
    return *item;
}

/// Picks an item of a pop-up button's opened menu.
void pick(NSPopUpButton &popUp, NSMenuItem &item) {
    if (!popUp.pullsDown)
        popUp.selectItem(&item);
    if (item.action)
        item.action(&item);
    else
        popUp.sendAction();
}

} // namespace

void click(NSView &view, NSEventModifierFlags flags) {
    const std::string what = "click " + nameOf(view);
    checkReachable(view, what);
    NSWindow &window = *view.window;
    const NSEvent event = setCurrent(mouseEvent(NSEventType::LeftMouseDown, flags, &window));
    if (!window.isKeyWindow())
        window.makeKeyWindow();
    if (view.acceptsFirstResponder())
        window.makeFirstResponder(&view);
    view.mouseDown(event);
}

void typeText(NSTextField &field, const std::string &text, NSEventModifierFlags flags) {
    checkKeyboard(field, "type into " + nameOf(field));
    if (!pressKey(text, 0, flags))
        return;
    field.beginEditing();
    field.text = NSAttributedString(text);
}

void commit(NSTextField &field, NSEventModifierFlags flags) {
    checkKeyboard(field, "commit " + nameOf(field));
    if (!pressKey("\r", kVK_Return, flags))
        return;
    field.commitEditing();
    field.sendAction();
}

void typeAndCommit(NSTextField &field, const std::string &text, NSEventModifierFlags flags) {
    typeText(field, text, flags);
    commit(field, flags);
}

void arrowStep(GSSteppingTextField &field, int direction, NSEventModifierFlags flags) {
    checkKeyboard(field, "step " + nameOf(field));
    const bool up = direction > 0;
    if (!pressKey(up ? "\xEF\x9C\x80" : "\xEF\x9C\x81", up ? kVK_UpArrow : kVK_DownArrow, flags))
        return;
    const double step = (flags & NSEventModifierFlagShift) ? 10 : 1;
    field.stepBy(up ? step : -step);
    field.sendAction();
}

void drag(NSSlider &slider, const std::vector<double> &positions, NSEventModifierFlags flags) {
    const std::string what = "drag " + nameOf(slider);
    checkReachable(slider, what);
    if (positions.empty())
        refuse(what, "no position given");
    NSApplication &app = NSApp();
    NSWindow *window = slider.window;
    for (std::size_t i = 1; i < positions.size(); ++i)
        app.pendingEvents.push_back(
            mouseEvent(NSEventType::LeftMouseDragged, flags, window, positions[i]));
    app.pendingEvents.push_back(
        mouseEvent(NSEventType::LeftMouseUp, flags, window, positions.back()));
    const NSEvent down =
        setCurrent(mouseEvent(NSEventType::LeftMouseDown, flags, window, positions.front()));
    slider.mouseDown(down);
    // A tracking loop that stopped early leaves nothing behind for the next gesture.
    std::erase_if(app.pendingEvents, [window](const NSEvent &e) { return e.window == window; });
}

void clickSegment(NSSegmentedControl &control, long segment, NSEventModifierFlags flags) {
    const std::string what = "click segment " + std::to_string(segment) + " of " + nameOf(control);
    checkReachable(control, what);
    if (segment < 0 || segment >= control.segmentCount())
        refuse(what, "the control has " + std::to_string(control.segmentCount()) + " segments");
    if (!control.isEnabledForSegment(segment))
        refuse(what, "the segment is disabled");
    setCurrent(mouseEvent(NSEventType::LeftMouseDown, flags, control.window));
    control.segmentClicked(segment);
    control.sendAction();
}

NSMenu &openMenu(NSPopUpButton &popUp, NSEventModifierFlags flags) {
    checkReachable(popUp, "open " + nameOf(popUp));
    setCurrent(mouseEvent(NSEventType::LeftMouseDown, flags, popUp.window));
    openMenuOnly(*popUp.menu);
    return *popUp.menu;
}

void choose(NSPopUpButton &popUp, const std::vector<std::string> &titles,
            NSEventModifierFlags flags) {
    NSMenu &menu = openMenu(popUp, flags);
    pick(popUp, walk(menu, titles, "choose in " + nameOf(popUp)));
}

void chooseTag(NSPopUpButton &popUp, long tag, NSEventModifierFlags flags) {
    NSMenu &menu = openMenu(popUp, flags);
    const std::string what = "choose tag " + std::to_string(tag) + " in " + nameOf(popUp);
    NSMenuItem *item = menu.itemWithTag(tag);
    if (!item)
        refuse(what, "no item has it");
    checkItem(*item, what);
    pick(popUp, *item);
}

void choose(NSMenu &menu, const std::vector<std::string> &titles, NSEventModifierFlags flags) {
    setCurrent(mouseEvent(NSEventType::LeftMouseDown, flags, nullptr));
    openMenuOnly(menu);
    NSMenuItem &item = walk(menu, titles, "choose in menu " + quoted(menu.title));
    if (item.action)
        item.action(&item);
}

std::optional<NSEvent> keyDown(const std::string &characters, NSEventModifierFlags flags,
                               unsigned short keyCode) {
    NSEvent e;
    e.type = NSEventType::KeyDown;
    e.modifierFlags = flags;
    e.characters = characters;
    e.keyCode = keyCode;
    setCurrent(e);
    return NSApp().runLocalMonitors(e);
}

std::optional<NSEvent> flagsChanged(NSEventModifierFlags flags) {
    NSEvent e;
    e.type = NSEventType::FlagsChanged;
    e.modifierFlags = flags;
    setCurrent(e);
    return NSApp().runLocalMonitors(e);
}

void closeWindow(NSWindow &window) {
    checkWindow(window, "close " + nameOf(window));
    setCurrent(mouseEvent(NSEventType::LeftMouseDown, 0, &window));
    window.close();
}

} // namespace gesture
