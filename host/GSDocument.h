// An open font document: the font, the name the window shows and the window's controller.
#pragma once

#include "host/GSFont.h"

#include <memory>
#include <string>

class GSWindowController;

/// A font open in a window. The document owns its font and its window controller; it is the
/// font's parent while open.
class GSDocument {
  public:
    /// Opens `font` under `displayName`, with a window controller whose selected master is the
    /// font's first.
    GSDocument(std::unique_ptr<GSFont> font, std::string displayName);
    GSDocument(const GSDocument &) = delete;
    GSDocument &operator=(const GSDocument &) = delete;
    ~GSDocument();

    GSFont *font() const { return font_.get(); }
    /// The name the window's title shows (for a file: its name without folder and extension).
    const std::string &displayName() const { return displayName_; }
    /// The controller of the document's window.
    GSWindowController *windowController() const { return windowController_.get(); }
    /// The master selected in the document's window.
    GSFontMaster *selectedFontMaster() const;

  private:
    std::unique_ptr<GSFont> font_;
    std::string displayName_;
    std::unique_ptr<GSWindowController> windowController_;
};
