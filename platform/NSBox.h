// Boxes: separator lines, coloured shapes and titled groups.
#pragma once

#include "platform/NSColor.h"
#include "platform/NSView.h"

#include <optional>
#include <string>

enum class NSBoxType {
    Primary,   ///< a titled group of views
    Separator, ///< a line
    Custom,    ///< a shape filled with `fillColor`
};

class NSBox : public NSView {
  public:
    NSBox() = default;
    explicit NSBox(NSBoxType type, std::string t = {}) : boxType(type), title(std::move(t)) {}

    NSBoxType boxType = NSBoxType::Primary;
    std::string title;
    /// The fill of a custom box (none: not filled).
    std::optional<NSColor> fillColor;

    void setBoxType(NSBoxType t) { boxType = t; }
    void setTitle(std::string t) { title = std::move(t); }
    void setFillColor(NSColor c) { fillColor = c; }
};
