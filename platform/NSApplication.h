// The application: its main menu, the key window, the event being handled, local event monitors
// and modal runs.
#pragma once

#include "platform/NSEvent.h"
#include "platform/NSMenu.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class NSWindow;

/// What a modal run answers (the platform's values).
using NSModalResponse = long;
constexpr NSModalResponse NSModalResponseStop = -1000;

/// A modal run found nothing left to do and nobody stopped it (on the platform it would hang).
struct ModalStuck : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// The one application object (`NSApp()`). Main thread only. Tests may reset it by assigning a
/// fresh one while no event or modal run is being handled.
class NSApplication {
  public:
    static NSApplication &sharedApplication();

    std::shared_ptr<NSMenu> mainMenu;
    /// The window taking the keyboard (nullptr for none of ours).
    NSWindow *keyWindow = nullptr;
    /// The event being handled, or the last one handled.
    std::optional<NSEvent> currentEvent;
    /// The modifier keys held down now.
    NSEventModifierFlags modifierFlags = 0;
    /// Events waiting for a control's tracking loop (the rest of a slider drag).
    std::deque<NSEvent> pendingEvents;

    struct LocalMonitor {
        NSEventMonitor token;
        NSEventMask mask = 0;
        NSEvent::MonitorHandler handler;
        bool removed = false;
    };
    /// The local event monitors in the order they were installed.
    std::vector<std::shared_ptr<LocalMonitor>> localMonitors;
    std::uint64_t lastMonitorId = 0;

    /// Scripts for the coming modal runs, first one first: each is called with the run's window
    /// once the window shows, and plays what the person does there.
    std::deque<std::function<void(NSWindow &)>> modalScripts;
    struct ModalRun {
        NSWindow *window = nullptr;
        bool stopped = false;
    };
    /// The modal runs going on, innermost last.
    std::vector<ModalRun> modalRuns;

    /// Takes the first waiting event of a kind in `mask`; nothing when none waits.
    std::optional<NSEvent> nextEventMatchingMask(NSEventMask mask);
    /// Passes an event through the local monitors of its kind, in order, each seeing what the one
    /// before answered; answers the event to dispatch, or nothing when a monitor swallowed it.
    /// A monitor removed meanwhile is skipped; one installed meanwhile waits for the next event.
    std::optional<NSEvent> runLocalMonitors(const NSEvent &event);

    /// Shows `window` (key when it can be), calls the next modal script with it (if any), then
    /// turns the main run loop until `stopModal`. Throws ModalStuck when a turn finds nothing to
    /// do before a stop and no worker has promised a post (NSRunLoop::PostPromise),
    /// std::logic_error off the main thread. Answers NSModalResponseStop.
    NSModalResponse runModalForWindow(NSWindow &window);
    /// Ends the innermost modal run after the current step; outside a modal run it does nothing.
    void stopModal();
    /// The window of the innermost modal run, or nullptr.
    NSWindow *modalWindow() const;

    /// Forgets a window that is being destroyed.
    void windowWillGo(const NSWindow *window);
};

/// The application object.
inline NSApplication &NSApp() { return NSApplication::sharedApplication(); }
