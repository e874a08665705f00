// The controller of a font document's window: its tools, selected master, tabs and selection.
#pragma once

#include "host/GSEditViewController.h"
#include "platform/NSWindow.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class GSDocument;
class GSFont;
class GSFontMaster;
class GSLayer;

/// A tool of the window, known by its class name ("GlyphsToolText", …).
struct GSTool {
    std::string className;
};

/// A document window: the tools in toolbar order and the selected one, the master shown, the
/// edit tabs (the active one, or none when the font overview is in front) and the selection.
/// What the designer does in the window (typing, moving the cursor, selecting, choosing a master
/// or a tool) posts "GSUpdateInterface"; the setters the code calls post nothing.
class GSWindowController {
  public:
    /// The window of `document`, with the host's usual tools (the select tool chosen), the font's
    /// first master selected and no tab.
    explicit GSWindowController(GSDocument &document);
    GSWindowController(const GSWindowController &) = delete;
    GSWindowController &operator=(const GSWindowController &) = delete;
    ~GSWindowController();

    GSDocument *document() const { return document_; }
    /// The document's window (shown, titled with the document's name; key when it opens).
    NSWindow *window() const { return window_.get(); }
#if ZV_HOST_VERSION == 3
    /// The font the window shows.
    GSFont *representedObject() const;
#endif
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

    /// Whether the layers the designer selects are their master layers' backgrounds (the host's
    /// background editing).
    bool editsBackground() const { return editsBackground_; }

    // What the designer does; each posts "GSUpdateInterface".

    /// Switches background editing on or off.
    void setEditsBackground(bool background);
    /// Types display text at the cursor of the tab in front, replacing the selection (a new tab
    /// when none is in front; "/name " for a glyph by name); the cursor ends after it.
    void typeText(const std::string &text);
    /// Puts the cursor before layer `layer` of the tab in front (nothing selected).
    void moveCursorToLayer(std::size_t layer);
    /// Selects `count` layers of the tab in front from layer `first`.
    void selectLayerRange(std::size_t first, std::size_t count);
    /// Shows another master of the document's font.
    void chooseFontMaster(GSFontMaster *master);
    /// Selects the tool at `index`.
    void chooseTool(std::size_t index);
    /// Brings a tab of this window (nullptr: the font overview) to the front.
    void chooseTab(GSEditViewController *tab);
    /// Posts "GSUpdateInterface" for this window's font.
    void postUpdateInterface() const;

  private:
    GSDocument *document_;
    std::unique_ptr<NSWindow> window_;
    bool editsBackground_ = false;
    std::vector<GSTool> tools_;
    std::size_t selectedTool_ = 0;
    GSFontMaster *selectedMaster_ = nullptr;
    std::vector<std::unique_ptr<GSEditViewController>> tabs_;
    GSEditViewController *active_ = nullptr;
    std::vector<GSLayer *> overviewSelection_;
};
