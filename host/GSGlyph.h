// A glyph of the font: names, Unicode values, classification, kerning groups and layers.
#pragma once

#include "host/GSLayer.h"
#include "host/GSUserData.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GSFont;
class GSUndoManager;

/// Letter case codes of the version-3 host.
enum GSCase : int { GSNoCase = 0, GSUppercase = 1, GSLowercase = 2, GSSmallcaps = 3, GSMinor = 4 };

/// One glyph with its layers (master layers and others; backgrounds hang on their layers).
class GSGlyph : public GSUserDataOwner {
  public:
    GSGlyph();
    ~GSGlyph();
    GSGlyph(const GSGlyph &) = delete;
    GSGlyph &operator=(const GSGlyph &) = delete;

    /// The font holding the glyph, or nullptr.
    GSFont *parent() const { return parent_; }
    /// The host's identifier (unique in the font; the kerning key).
    const std::string &id() const { return id_; }
    /// Changes the id (the font's id index follows).
    void setId(std::string id);
    const std::string &name() const { return name_; }
    /// Renames the glyph (the font's name index follows).
    void setName(std::string name);
    /// The first Unicode value as upper-case hex with at least four digits, or nullopt.
    std::optional<std::string> unicode() const;
    /// Every Unicode value, upper-case hex.
    const std::vector<std::string> &unicodes() const { return unicodes_; }
    /// Sets the Unicode values (the font's Unicode index follows).
    void setUnicodes(std::vector<std::string> u);
    /// The first Unicode value as a code point; 0 when unencoded or not valid hex.
    std::uint32_t unicodeChar() const;
    /// The category ("Letter", "Number", …), or nullopt.
    const std::optional<std::string> &category() const { return category_; }
    void setCategory(std::optional<std::string> c) { category_ = std::move(c); }
    /// The subcategory ("Uppercase", "Decimal Digit", …), or nullopt.
    const std::optional<std::string> &subCategory() const { return subCategory_; }
    void setSubCategory(std::optional<std::string> c) { subCategory_ = std::move(c); }
    /// The lower-case script name ("latin", …), or nullopt.
    const std::optional<std::string> &script() const { return script_; }
    void setScript(std::optional<std::string> s) { script_ = std::move(s); }
    /// The group of the glyph's left side, or nullopt.
    const std::optional<std::string> &leftKerningGroup() const { return leftGroup_; }
    void setLeftKerningGroup(std::optional<std::string> g) { leftGroup_ = std::move(g); }
    /// The group of the glyph's right side, or nullopt.
    const std::optional<std::string> &rightKerningGroup() const { return rightGroup_; }
    void setRightKerningGroup(std::optional<std::string> g) { rightGroup_ = std::move(g); }
    /// The letter case code (GSCase); the same data the version-2 host keeps as subcategory.
    int caseValue() const { return letterCase_; }
    void setCase(int c) { letterCase_ = c; }
#if ZV_HOST_VERSION == 3
    /// The letter case code (GSCase). (`case` itself is a reserved word.)
    int case_() const { return letterCase_; }
#endif

    /// The layers in stored order.
    std::vector<GSLayer *> layers() const;
    /// Adds a layer; the glyph becomes its parent. Answers the stored layer.
    GSLayer &addLayer(std::unique_ptr<GSLayer> layer);
    /// The layer whose layer id is `id`, or nullptr.
    GSLayer *layerWithId(const std::string &id) const;
#if ZV_HOST_VERSION == 2
    /// The layer for a master id (or any layer id), or nullptr.
    GSLayer *layerForKey(const std::string &key) const { return layerWithId(key); }
#else
    /// The layer for a master id (or any layer id), or nullptr.
    GSLayer *layerForId(const std::string &key) const { return layerWithId(key); }
#endif

    /// The glyph's undo manager ("GSUndoManager"), made on first use; its steps are edits of the
    /// glyph's layers.
    GSUndoManager &undoManager();

  private:
    friend class GSFont;
    GSFont *parent_ = nullptr;
    std::string id_;
    std::string name_;
    std::vector<std::string> unicodes_;
    std::optional<std::string> category_, subCategory_, script_, leftGroup_, rightGroup_;
    int letterCase_ = GSNoCase;
    std::size_t fontIndex_ = static_cast<std::size_t>(-1); // position in the font, set by it
    std::vector<std::unique_ptr<GSLayer>> layers_;
    std::unique_ptr<GSUndoManager> undoManager_;
};
