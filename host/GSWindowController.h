// The controller of a font document's window: its tools, selected master, tabs and selection.
#pragma once

#include "host/GSEditViewController.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class GSDocument;
class GSFontMaster;
class GSLayer;

/// A tool of the window, known by its class name ("GlyphsToolText", …).
struct GSTool {
    std::string className;
};

/// A document window: the tools in toolbar order and the selected one, the master shown, the
/// edit tabs (the active one, or none when the font overview is in front) and the selection.
class GSWindowController {
  public:
    /// The window of `document`, with the host's usual tools (the select tool chosen), the font's
    /// first master selected and no tab.
    explicit GSWindowController(GSDocument &document);
    GSWindowController(const GSWindowController &) = delete;
    GSWindowController &operator=(const GSWindowController &) = delete;
    ~GSWindowController();

    GSDocument *document() const { return document_; }
    /// The tools in toolbar order.
    const std::vector<GSTool> &toolInstances() const { return tools_; }
    /// Replaces the tools by these class names, in order; the selected index stays.
    void setToolClassNames(const std::vector<std::string> &classNames);
    /// The index of the selected tool.
    std::size_t selectedToolIndex() const { return selectedTool_; }
    void setSelectedToolIndex(std::size_t index) { selectedTool_ = index; }

    /// The master the window shows; nullptr for a font without masters.
    GSFontMaster *selectedFontMaster() const { return selectedMaster_; }
    /// Shows another master (one of the document's font; others are ignored).
    void setSelectedFontMaster(GSFontMaster *master);

    /// The selected layers: in an edit tab the layers of its layer selection (a line break
    /// as a control layer), or with an empty selection the layer at the cursor (the last one when
    /// the cursor ends the text); without a tab, the glyphs selected in the font overview.
    std::vector<GSLayer *> selectedLayers() const;
    /// Selects layers in the font overview (read while no tab is active).
    void setSelectedLayers(std::vector<GSLayer *> layers) {
        overviewSelection_ = std::move(layers);
    }

    /// The edit tab in front, or nullptr (the font overview).
    GSEditViewController *activeEditViewController() const { return active_; }
    /// Opens a tab with the display text (glyph names written "/name " become their glyphs) and
    /// brings it to the front, the cursor at the end; answers the tab.
    GSEditViewController *addTabWithString(const std::string &text);
    /// Brings a tab of this window to the front (nullptr: the font overview).
    void setActiveEditViewController(GSEditViewController *tab);
    /// The tabs in the order they were opened.
    std::vector<GSEditViewController *> tabs() const;

  private:
    GSDocument *document_;
    std::vector<GSTool> tools_;
    std::size_t selectedTool_ = 0;
    GSFontMaster *selectedMaster_ = nullptr;
    std::vector<std::unique_ptr<GSEditViewController>> tabs_;
    GSEditViewController *active_ = nullptr;
    std::vector<GSLayer *> overviewSelection_;
};
