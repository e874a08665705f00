// Fonts of the stand-in host made in a few readable lines, for tests, benchmarks and demos:
//
//   GSFontBuilder b;
//   b.master("Regular", 500, 700).master("Bold", 520, 710);
//   b.glyph("H").unicode("0048").category("Letter", "Uppercase").script("latin").width(600)
//       .rect(50, 0, 150, 700).rect(450, 0, 550, 700);
//   b.glyph("Hbar").component("H").component("bar", 0, 500);
//   b.kern("H", "H", -10);
//   auto font = b.build();
//
// or opened as a document with a tab, the text tool and the cursor after the first glyph:
//
//   zvtesting::ClosesDocuments closing;
//   GSDocument &doc = b.open("Demo").textTool().tab("HH/Hbar").cursor(1);
#pragma once

#include "host/GSApplication.h"
#include "host/GSFont.h"
#include "host/GSWindowController.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zvtesting {

class GSFontBuilder;

/// Closes every open document of the shared application when it goes (put one in each test that
/// opens documents, so that no document outlives its test).
struct ClosesDocuments {
    ClosesDocuments() = default;
    ClosesDocuments(const ClosesDocuments &) = delete;
    ClosesDocuments &operator=(const ClosesDocuments &) = delete;
    ~ClosesDocuments() { GSApplication::sharedApplication().closeAllDocuments(); }
};

/// Sets up an open document's window in a line.
class DocumentBuilder {
  public:
    explicit DocumentBuilder(GSDocument &document) : document_(document) {}
    /// Replaces the window's tools by these class names.
    DocumentBuilder &tools(const std::vector<std::string> &classNames);
    /// Selects the first tool of that class (none: the index past the last tool).
    DocumentBuilder &tool(const std::string &className);
    /// Selects the text tool.
    DocumentBuilder &textTool() { return tool("GlyphsToolText"); }
    /// Shows master `index` of the font.
    DocumentBuilder &master(int index);
    /// Opens a tab with the display text ("/name " for a glyph by name) in front.
    DocumentBuilder &tab(const std::string &text);
    /// Puts the cursor before layer `layer` of the tab in front (no layer selected).
    DocumentBuilder &cursor(std::size_t layer) { return select(layer, 0); }
    /// Selects `count` layers of the tab in front from layer `first`.
    DocumentBuilder &select(std::size_t first, std::size_t count);
    GSDocument &document() { return document_; }
    operator GSDocument &() { return document_; }

  private:
    GSDocument &document_;
};

/// Draws into one glyph: every master layer, or one master after in(index).
class GlyphBuilder {
  public:
    GlyphBuilder(GSFontBuilder &font, GSGlyph &glyph) : font_(font), glyph_(glyph) {}
    /// Sets the Unicode values (upper-case hex, "0041").
    GlyphBuilder &unicode(std::string hex);
    /// Sets category and subcategory; an Uppercase/Lowercase/Smallcaps subcategory sets the case.
    GlyphBuilder &category(std::string category, std::string subCategory = "");
    GlyphBuilder &script(std::string script);
    /// Sets the kerning groups of the left and right side ("" leaves a side without group).
    GlyphBuilder &groups(std::string left, std::string right);
    GlyphBuilder &userData(const std::string &key, PlistValue value);
    /// Later drawing goes only into master `index` (-1: every master again).
    GlyphBuilder &in(int index);
    /// Sets the advance width in font units.
    GlyphBuilder &width(double w);
    /// Adds a closed counter-clockwise rectangle.
    GlyphBuilder &rect(double x0, double y0, double x1, double y1);
    /// Adds a path of (x, y, type) nodes ('L', 'C', 'A', '$').
    GlyphBuilder &path(std::initializer_list<GSNode> nodes, bool closed = true);
    GlyphBuilder &path(const std::vector<GSNode> &nodes, bool closed = true);
    /// Adds a component placed at (dx, dy).
    GlyphBuilder &component(const std::string &name, double dx = 0, double dy = 0);
    /// Adds a component placed by a full transform.
    GlyphBuilder &component(const std::string &name, const NSAffineTransformStruct &t);
    GlyphBuilder &anchor(const std::string &name, double x, double y);
    /// The glyph being built.
    GSGlyph &glyph() { return glyph_; }

  private:
    std::vector<GSLayer *> targets() const;
    GSFontBuilder &font_;
    GSGlyph &glyph_;
    int master_ = -1;
};

/// Builds a font: masters first, then glyphs (each gets one layer per master), kerning and
/// substitutions. Glyph ids are "id-" + name; master ids "m0", "m1", …
class GSFontBuilder {
  public:
    explicit GSFontBuilder(std::string familyName = "Test", std::uint32_t unitsPerEm = 1000);
    /// Adds a master; axis values beyond the font's axes add "Axis n" axes (the first "Weight").
    GSFontBuilder &master(const std::string &name, double xHeight = 500, double capHeight = 700,
                          std::vector<double> axes = {});
    /// Adds a glyph with a master layer (width 500) in every master.
    GlyphBuilder glyph(const std::string &name);
    /// Adds glyph–glyph kerning by glyph names (or group keys starting with "@"), in master
    /// `index`.
    GSFontBuilder &kern(const std::string &left, const std::string &right, double value,
                        int master = 0);
    /// Adds a custom parameter to master `index`.
    GSFontBuilder &masterParameter(int master, const std::string &name, PlistValue value);
    GSFontBuilder &masterUserData(int master, const std::string &key, PlistValue value);
    /// Adds an instance at the given axis values.
    GSFontBuilder &instance(const std::string &name, std::vector<double> axes,
                            std::vector<GSCustomParameter> params = {});
    /// Adds a feature `tag` with one single-substitution lookup.
    GSFontBuilder &
    singleSubstitution(const std::string &tag,
                       std::initializer_list<std::pair<std::string, std::string>> pairs);
    /// Adds a feature `tag` with one ligature lookup making `ligature` from `components`.
    GSFontBuilder &ligature(const std::string &tag, const std::string &ligature,
                            std::vector<std::string> components);
    /// Adds a lookup to the GSUB table and a feature record `tag` for it (empty tag: no record).
    /// Answers the lookup's index.
    std::size_t addLookup(const std::string &tag, GSOTLookup lookup);
    /// The font under construction.
    GSFont &font() { return *font_; }
    /// Hands the font over; the builder is empty afterwards.
    std::unique_ptr<GSFont> build() { return std::move(font_); }
    /// Opens the font in a document of the shared application (in front) under `displayName`;
    /// the builder is empty afterwards.
    DocumentBuilder open(const std::string &displayName = "Test");

  private:
    GSOTGSUBTable &gsub();
    std::unique_ptr<GSFont> font_;
};

} // namespace zvtesting
