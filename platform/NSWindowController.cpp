#include "platform/NSWindowController.h"

#include <stdexcept>

std::map<std::string, LayoutBuilder> &layoutRegistry() {
    static std::map<std::string, LayoutBuilder> registry;
    return registry;
}

void registerLayout(const std::string &name, LayoutBuilder builder) {
    layoutRegistry()[name] = std::move(builder);
}

std::shared_ptr<NSWindow> loadLayout(const std::string &name, NSWindowController &owner) {
    const auto it = layoutRegistry().find(name);
    if (it == layoutRegistry().end() || !it->second)
        throw std::runtime_error("no window layout named \"" + name + "\" is registered");
    std::shared_ptr<NSWindow> window = it->second(owner);
    if (!window)
        throw std::runtime_error("the window layout \"" + name + "\" made no window");
    return window;
}

NSWindowController::~NSWindowController() {
    if (loadedWindow && loadedWindow->windowController == this)
        loadedWindow->windowController = nullptr;
}

NSWindow *NSWindowController::window() {
    if (!loadedWindow) {
        loadedWindow = loadLayout(windowNibName, *this);
        loadedWindow->windowController = this;
        windowDidLoad();
    }
    return loadedWindow.get();
}

void NSWindowController::showWindow() { window()->makeKeyAndOrderFront(); }

void NSWindowController::close() {
    if (loadedWindow)
        loadedWindow->close();
}
