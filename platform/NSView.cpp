#include "platform/NSView.h"

bool NSView::isHiddenOrHasHiddenAncestor() const {
    for (const NSView *v = this; v; v = v->superview)
        if (v->hidden)
            return true;
    return false;
}

NSView *NSView::addSubview(std::unique_ptr<NSView> view) {
    NSView *raw = view.get();
    raw->superview = this;
    raw->setWindowOfTree(window);
    subviews.push_back(std::move(view));
    return raw;
}

void NSView::mouseDown(const NSEvent &) {}

void NSView::setWindowOfTree(NSWindow *w) {
    window = w;
    for (const auto &v : subviews)
        v->setWindowOfTree(w);
}
