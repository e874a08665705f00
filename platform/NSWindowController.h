// Window controllers and the window layouts they load by name.
#pragma once

#include "platform/NSWindow.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

class NSWindowController;

/// Builds a layout's window for its owner: the views in layout order, the owner's outlets, the
/// controls' actions and the delegates.
using LayoutBuilder = std::function<std::shared_ptr<NSWindow>(NSWindowController &owner)>;

/// The application's layouts by name (on the platform, its nib files).
std::map<std::string, LayoutBuilder> &layoutRegistry();
/// Registers a layout; a later registration under the same name replaces it.
void registerLayout(const std::string &name, LayoutBuilder builder);
/// Builds the named layout for `owner`; throws std::runtime_error when no layout has that name
/// or its builder makes no window.
std::shared_ptr<NSWindow> loadLayout(const std::string &name, NSWindowController &owner);

/// Owns a window made from a layout, with itself as the layout's owner.
class NSWindowController {
  public:
    explicit NSWindowController(std::string nibName) : windowNibName(std::move(nibName)) {}
    NSWindowController(const NSWindowController &) = delete;
    NSWindowController &operator=(const NSWindowController &) = delete;
    virtual ~NSWindowController();

    std::string windowNibName;
    std::shared_ptr<NSWindow> loadedWindow;

    /// The window; the first call loads the layout, then calls windowDidLoad.
    NSWindow *window();
    bool isWindowLoaded() const { return loadedWindow != nullptr; }
    /// Called once the layout has been loaded.
    virtual void windowDidLoad() {}
    /// Shows the window (making it key when it can become key).
    void showWindow();
    /// Closes the window when it was loaded.
    void close();
};
