#include "platform/NSApplication.h"

#include "platform/NSRunLoop.h"
#include "platform/NSWindow.h"

NSApplication &NSApplication::sharedApplication() {
    static NSApplication app;
    return app;
}

std::optional<NSEvent> NSApplication::nextEventMatchingMask(NSEventMask mask) {
    for (auto it = pendingEvents.begin(); it != pendingEvents.end(); ++it)
        if (mask & NSEventMaskFromType(it->type)) {
            NSEvent event = *it;
            pendingEvents.erase(it);
            return event;
        }
    return std::nullopt;
}

std::optional<NSEvent> NSApplication::runLocalMonitors(const NSEvent &event) {
    const std::vector<std::shared_ptr<LocalMonitor>> snapshot = localMonitors;
    std::optional<NSEvent> current = event;
    for (const std::shared_ptr<LocalMonitor> &m : snapshot) {
        if (m->removed || !(m->mask & NSEventMaskFromType(current->type)) || !m->handler)
            continue;
        current = m->handler(*current);
        if (!current)
            break;
    }
    return current;
}

NSModalResponse NSApplication::runModalForWindow(NSWindow &window) {
    if (!NSRunLoop::isMainThread())
        throw std::logic_error("runModalForWindow called off the main thread");
    const std::size_t depth = modalRuns.size();
    modalRuns.push_back({&window, false});
    // The run ends however it ends (a stop, a failing script, a stuck loop).
    struct EndRun {
        std::vector<ModalRun> &runs;
        std::size_t depth;
        ~EndRun() { runs.resize(depth); }
    } endRun{modalRuns, depth};
    const std::string title = window.title;

    window.makeKeyAndOrderFront();
    if (!modalScripts.empty()) {
        const std::function<void(NSWindow &)> script = std::move(modalScripts.front());
        modalScripts.pop_front();
        if (script)
            script(window);
    }
    NSRunLoop &loop = NSRunLoop::mainRunLoop();
    while (!modalRuns[depth].stopped)
        if (loop.runOneTurn() == 0 && !modalRuns[depth].stopped && !loop.waitForPromisedPost())
            throw ModalStuck("modal stuck: the modal run of window \"" + title +
                             "\" has nothing left to do and nothing stopped it");
    return NSModalResponseStop;
}

void NSApplication::stopModal() {
    if (!modalRuns.empty())
        modalRuns.back().stopped = true;
}

NSWindow *NSApplication::modalWindow() const {
    return modalRuns.empty() ? nullptr : modalRuns.back().window;
}

void NSApplication::windowWillGo(const NSWindow *window) {
    if (keyWindow == window)
        keyWindow = nullptr;
    for (ModalRun &run : modalRuns)
        if (run.window == window)
            run.window = nullptr;
}

NSEventMonitor NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMask mask,
                                                             MonitorHandler handler) {
    NSApplication &app = NSApp();
    const NSEventMonitor token{++app.lastMonitorId};
    app.localMonitors.push_back(std::make_shared<NSApplication::LocalMonitor>(
        NSApplication::LocalMonitor{token, mask, std::move(handler), false}));
    return token;
}

void NSEvent::removeMonitor(NSEventMonitor monitor) {
    std::erase_if(NSApp().localMonitors,
                  [monitor](const std::shared_ptr<NSApplication::LocalMonitor> &m) {
                      if (m->token != monitor)
                          return false;
                      m->removed = true;
                      return true;
                  });
}

NSEventModifierFlags NSEvent::currentModifierFlags() { return NSApp().modifierFlags; }
