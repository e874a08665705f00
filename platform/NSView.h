// The base of everything shown in a window: visibility, tooltip and the tree of subviews.
#pragma once

#include "platform/NSEvent.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class NSWindow;

/// A view: it owns its subviews, which are shown in the order they were added (layout order).
/// Main thread only, as every view.
class NSView {
  public:
    NSView() = default;
    NSView(const NSView &) = delete;
    NSView &operator=(const NSView &) = delete;
    virtual ~NSView() = default;

    /// The name of the owner's outlet bound to this view at layout time ("" for none).
    std::string outlet;
    bool hidden = false;
    /// The tooltip ("" for none).
    std::string toolTip;
    NSView *superview = nullptr;
    /// The window showing the view (nullptr until the view is in a window's tree).
    NSWindow *window = nullptr;
    std::vector<std::unique_ptr<NSView>> subviews;

    bool isHidden() const { return hidden; }
    void setHidden(bool h) { hidden = h; }
    /// Whether the view or one of its superviews is hidden (then it is not seen).
    bool isHiddenOrHasHiddenAncestor() const;
    void setToolTip(std::string tip) { toolTip = std::move(tip); }

    /// Adds a subview last; answers it.
    NSView *addSubview(std::unique_ptr<NSView> view);
    /// Makes a view, names it after the owner's outlet (may be "") and adds it last.
    template <class V, class... Args> V *add(std::string outletName, Args &&...args) {
        auto view = std::make_unique<V>(std::forward<Args>(args)...);
        view->outlet = std::move(outletName);
        V *raw = view.get();
        addSubview(std::move(view));
        return raw;
    }

    /// Whether a click makes the view its window's first responder.
    virtual bool acceptsFirstResponder() const { return false; }
    /// A click on the view (the window has made it first responder first when it accepts).
    virtual void mouseDown(const NSEvent &event);

    /// Sets the window of the view and of all its subviews.
    void setWindowOfTree(NSWindow *w);
};
