#include "platform/NSWindow.h"

#include "platform/NSApplication.h"

void NSWindowDelegate::windowWillClose(const NSNotification &) {}

NSWindow::NSWindow() : contentView(std::make_unique<NSView>()) {
    contentView->setWindowOfTree(this);
}

NSWindow::~NSWindow() { NSApp().windowWillGo(this); }

bool NSWindow::isKeyWindow() const { return NSApp().keyWindow == this; }

void NSWindow::setFrameOrigin(double x, double y) {
    frame.x = x;
    frame.y = y;
}

void NSWindow::setContentView(std::unique_ptr<NSView> view) {
    if (contentView)
        contentView->setWindowOfTree(nullptr);
    firstResponder = nullptr;
    contentView = std::move(view);
    if (contentView)
        contentView->setWindowOfTree(this);
}

void NSWindow::makeKeyWindow() {
    if (canBecomeKeyWindow())
        NSApp().keyWindow = this;
}

void NSWindow::makeKeyAndOrderFront() {
    orderFront();
    makeKeyWindow();
}

void NSWindow::orderOut() {
    visible = false;
    if (isKeyWindow())
        NSApp().keyWindow = nullptr;
}

void NSWindow::close() {
    if (delegate)
        delegate->windowWillClose(NSNotification{"NSWindowWillCloseNotification", this});
    orderOut();
}

bool NSWindow::makeFirstResponder(NSView *view) {
    if (view && view->window != this)
        return false;
    firstResponder = view;
    return true;
}
