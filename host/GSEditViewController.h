// An edit tab of a document window and the view that shows its text as glyph layers.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#ifndef ZV_HOST_VERSION
#error "ZV_HOST_VERSION (2 or 3) must be defined by the build"
#endif

class GSWindowController;
class GSLayer;

/// A range of text units or layers: a start and a length.
struct NSRange {
    std::size_t location = 0;
    std::size_t length = 0;
    bool operator==(const NSRange &) const = default;
};

/// The view of an edit tab: its text in UTF-16 (ranges in UTF-16 units, as the host's) and the
/// selection, kept both in text units (selectedRange) and in layers (cachedLayerSelectionRange):
/// every character is one layer, so setting either sets the other.
class GSGraphicView {
  public:
    /// The text in UTF-16.
    const std::u16string &string() const { return text_; }
    /// Replaces the text; the selection is kept within it.
    void setString(std::u16string text);
    /// The text in UTF-8.
    std::string displayString() const;
    /// Replaces the text by UTF-8 text.
    void setDisplayString(const std::string &utf8);

    /// The selection in UTF-16 units.
    NSRange selectedRange() const { return selected_; }
    /// Selects a range of UTF-16 units: kept within the text, a bound inside a surrogate pair
    /// moved to the pair's start.
    void setSelectedRange(NSRange range);
    /// The selection in layers (characters).
    NSRange cachedLayerSelectionRange() const { return layerSelected_; }
    /// Selects a range of layers, kept within the text.
    void setCachedLayerSelectionRange(NSRange range);

  private:
    // The UTF-16 offset of the character (layer) i; the text's length past the end.
    std::size_t unitOfLayer(std::size_t layer) const;
    // The character (layer) holding UTF-16 unit u; the layer count past the end.
    std::size_t layerOfUnit(std::size_t unit) const;
    std::u16string text_;
    NSRange selected_;
    NSRange layerSelected_;
};

/// An edit tab. Its layers follow the text and the window's selected master.
class GSEditViewController {
  public:
    explicit GSEditViewController(GSWindowController &window);
    GSEditViewController(const GSEditViewController &) = delete;
    GSEditViewController &operator=(const GSEditViewController &) = delete;
    ~GSEditViewController();

    GSGraphicView *graphicView() { return &view_; }
    const GSGraphicView *graphicView() const { return &view_; }
    /// One entry per character of the text: the selected master's layer of the glyph the
    /// character shows (GSFont::glyphForCharacter), a control layer for a line break, nullptr for
    /// a character of no glyph (or a glyph without a layer for the master).
    std::vector<GSLayer *> allLayers() const;

    /// Redraws the tab (counted for tests).
    void forceRedraw() { ++redraws_; }
    /// Updates the preview below the tab (counted).
    void updatePreview() { ++previews_; }
#if ZV_HOST_VERSION == 2
    /// Updates the format bar (counted).
    void updateFormatBar() { ++formatBars_; }
#endif
    int forceRedrawCount() const { return redraws_; }
    int updatePreviewCount() const { return previews_; }
    int updateFormatBarCount() const { return formatBars_; }

  private:
    GSWindowController *window_;
    GSGraphicView view_;
    // The line breaks' layers, reused in text order so that they keep their identity.
    mutable std::vector<std::unique_ptr<GSLayer>> controlLayers_;
    int redraws_ = 0, previews_ = 0, formatBars_ = 0;
};
