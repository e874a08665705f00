// Windows.
#pragma once

#include "platform/NSGeometry.h"
#include "platform/NSNotificationCenter.h"
#include "platform/NSView.h"

#include <memory>
#include <string>

/// Told about a window's life.
class NSWindowDelegate {
  public:
    virtual ~NSWindowDelegate() = default;
    /// The window is about to close (notification "NSWindowWillCloseNotification", object the
    /// window).
    virtual void windowWillClose(const NSNotification &notification);
};

class NSWindowController;

/// A window: a content view holding the window's views, shown or not; at most one window of the
/// application is key (takes the keyboard). Main thread only.
class NSWindow {
  public:
    NSWindow();
    NSWindow(const NSWindow &) = delete;
    NSWindow &operator=(const NSWindow &) = delete;
    virtual ~NSWindow();

    std::string title;
    NSRect frame;
    long level = 0;
    bool visible = false;
    std::unique_ptr<NSView> contentView;
    NSWindowDelegate *delegate = nullptr;
    /// The controller that loaded the window (nullptr for none).
    NSWindowController *windowController = nullptr;
    /// The view that takes the keyboard when the window is key (nullptr: the window itself).
    NSView *firstResponder = nullptr;

    /// Whether the window may take the keyboard.
    virtual bool canBecomeKeyWindow() const { return true; }
    virtual bool canBecomeMainWindow() const { return true; }
    virtual bool isMovableByWindowBackground() const { return false; }

    bool isVisible() const { return visible; }
    bool isKeyWindow() const;
    void setTitle(std::string t) { title = std::move(t); }
    void setLevel(long l) { level = l; }
    void setFrame(NSRect f) { frame = f; }
    /// Moves the window; its size stays.
    void setFrameOrigin(double x, double y);
    void setDelegate(NSWindowDelegate *d) { delegate = d; }
    /// Replaces the content view; the views of the old one leave the window.
    void setContentView(std::unique_ptr<NSView> view);

    /// Makes the window key when it can become key.
    void makeKeyWindow();
    /// Shows the window and makes it key when it can become key.
    void makeKeyAndOrderFront();
    /// Shows the window.
    void orderFront() { visible = true; }
    /// Hides the window.
    void orderOut();
    /// Tells the delegate, then hides the window.
    void close();
    /// Makes a view of this window (or nullptr) the first responder; answers NO for a view of
    /// another window.
    bool makeFirstResponder(NSView *view);
};
