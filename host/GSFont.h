// The font: masters, glyphs, kerning, instances, user data and the compiled substitution table.
#pragma once

#include "host/GSCustomParameter.h"
#include "host/GSFontMaster.h"
#include "host/GSGlyph.h"
#include "host/GSInstance.h"
#include "host/GSKerning.h"
#include "host/GSOTTables.h"
#include "host/GSTempObject.h"
#include "host/GSUserData.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class GSDocument;

/// A design-space axis of the font.
struct GSAxis {
    std::string name;
    std::string tag;
    bool operator==(const GSAxis &) const = default;
};

/// A whole font. The font owns its masters and glyphs; pointers to them stay valid while they are
/// in the font. Kerning changes are reported to observers of "kerning" synchronously.
class GSFont : public GSUserDataOwner {
  public:
    GSFont();
    GSFont(const GSFont &) = delete;
    GSFont &operator=(const GSFont &) = delete;
    ~GSFont();

    /// The document showing the font, or nullptr (a font that is not open in a window).
    GSDocument *parent() const { return parent_; }
    const std::string &familyName() const { return familyName_; }
    void setFamilyName(std::string n) { familyName_ = std::move(n); }
    /// Font units per em.
    std::uint32_t unitsPerEm() const { return unitsPerEm_; }
    void setUnitsPerEm(std::uint32_t u) { unitsPerEm_ = u; }
    /// Answers YES when the font's feature code compiles; otherwise NO with a reason in `error`.
    bool compileTempFontError(std::string *error) const;
    bool featureCodeCompiles() const { return featuresCompile_; }
    void setFeatureCodeCompiles(bool c) { featuresCompile_ = c; }
    const std::vector<GSAxis> &axes() const { return axes_; }
    void setAxes(std::vector<GSAxis> a) { axes_ = std::move(a); }

    /// The masters in font order.
    std::vector<GSFontMaster *> fontMasters() const;
    std::size_t countOfFontMasters() const { return masters_.size(); }
    /// The master of that id, or nullptr.
    GSFontMaster *fontMasterForId(const std::string &id) const;
    /// Appends a master; the font becomes its owner.
    GSFontMaster &addFontMaster(std::unique_ptr<GSFontMaster> master);

    /// The glyphs in font order.
    std::vector<GSGlyph *> glyphs() const;
    std::size_t countOfGlyphs() const { return glyphs_.size(); }
    /// Appends a glyph; the font becomes its owner. A repeated name or id is the caller's fault:
    /// lookups then find the first.
    GSGlyph &addGlyph(std::unique_ptr<GSGlyph> glyph);
    /// The glyph of that name (the first in font order while two share it), or nullptr; true
    /// after renames in any order.
    GSGlyph *glyphForName(const std::string &name) const;
    /// The glyph of that id, or nullptr.
    GSGlyph *glyphForId(const std::string &id) const;
    /// The first glyph carrying that Unicode value (upper-case hex, "00C4"), or nullptr.
    GSGlyph *glyphForUnicode(const std::string &hex) const;
    /// The glyph's position in font order; SIZE_MAX for a glyph of another font.
    std::size_t indexOfGlyph(const GSGlyph *glyph) const;
    /// The character the edit view shows for the glyph: its first Unicode value, or for an
    /// unencoded glyph (or one whose value is no Unicode scalar) U+F0000 plus its index; 0 for
    /// nullptr or a glyph of another font.
    char32_t characterForGlyph(const GSGlyph *glyph) const;
    /// The glyph the edit view shows for a character (the reverse of characterForGlyph): the first
    /// glyph encoded with it, else the unencoded glyph whose index it carries; nullptr for none.
    GSGlyph *glyphForCharacter(char32_t c) const;
    /// Display text with glyph names written as "/name" (ended by a blank, which is dropped, or by
    /// "/", a line break or the end) turned into the glyphs' characters; a name of no glyph stays
    /// as it is. UTF-8 in and out.
    std::string charStringFromDisplayString(const std::string &text) const;
    /// The glyphs whose layer for the master uses the named glyph as a component, in font order.
    std::vector<GSGlyph *> glyphsContainingComponentWithName(const std::string &name,
                                                             const std::string &masterId) const;

    /// The custom parameters in order.
    std::vector<GSCustomParameter> &customParameters() { return params_; }
    const std::vector<GSCustomParameter> &customParameters() const { return params_; }
    /// The instances in order.
    std::vector<GSInstance> &instances() { return instances_; }
    const std::vector<GSInstance> &instances() const { return instances_; }

    /// Data kept while the font is open and never saved.
    PlistDictionary &tempData() { return tempData_; }
    /// The object kept in the temporary data under `key`, or nullptr.
    std::shared_ptr<GSTempObject> tempDataObjectForKey(const std::string &key) const;
    /// Keeps `object` in the temporary data under `key` (nullptr removes the key). The object the
    /// key held before is told (removedFromTempData) once it is out of the data.
    void setTempData(std::shared_ptr<GSTempObject> object, const std::string &key);

    // Kerning.
#if ZV_HOST_VERSION == 2
    /// Master id → kerning; nullptr when the font has no kerning at all.
    GSKerningDictionary *kerning() const { return kerning_.get(); }
#else
    /// Master id → left-to-right kerning; nullptr when the font has none.
    GSKerningDictionary *kerningLTR() const { return kerning_.get(); }
    /// The kerning of a writing direction (0 left to right; the stand-in has no other).
    GSKerningDictionary *kerningForDirection(int direction) const {
        return direction == 0 ? kerning_.get() : nullptr;
    }
#endif
    /// The kerning dictionary whatever the generation calls it; nullptr when there is none.
    GSKerningDictionary *kerningDictionary() const { return kerning_.get(); }
    /// Makes an empty kerning dictionary when there is none; answers it.
    GSKerningDictionary &ensureKerning();
    /// Drops the kerning dictionary (the font then has no kerning).
    void removeKerningDictionary();
    /// One master's kerning (direction 0), or nullptr.
    const GSMasterKerning *masterKerning(const std::string &masterId, int direction) const;
    /// The effective kerning of a glyph pair: glyph–glyph, then glyph–group, group–glyph,
    /// group–group; GSNoKerningValue when none is stored (or a glyph is missing).
    double kerningForFontMasterIDFirstGlyph(const std::string &masterId, const GSGlyph *first,
                                            const GSGlyph *second, int direction) const;
    /// The value stored under exactly these keys, or GSNoKerningValue.
    double kerningForFontMasterIDLeftKey(const std::string &masterId, const std::string &leftKey,
                                         const std::string &rightKey, int direction) const;
    /// Stores one value (direction 0), making the kerning dictionary when there is none.
    void setKerningForFontMasterID(const std::string &masterId, const std::string &leftKey,
                                   const std::string &rightKey, double value, int direction);

    /// Registers `callback` for changes of `keyPath` ("kerning"); answers a token for removal.
    int addObserver(const std::string &keyPath, std::function<void()> callback);
    void removeObserver(int token);

    /// Suspends interface updates (nested).
    void disableUpdateInterface() { ++interfaceSuspended_; }
    void enableUpdateInterface() {
        if (interfaceSuspended_ > 0)
            --interfaceSuspended_;
    }
    int interfaceUpdatesSuspended() const { return interfaceSuspended_; }

    /// The compiled font with the GSUB table.
    const GSCompositorFont *compositorFont() const { return &compositor_; }
    GSCompositorFont &mutableCompositorFont() { return compositor_; }

  private:
    friend class GSGlyph;
    friend class GSDocument;
    void glyphRenamed(GSGlyph &glyph, const std::string &oldName);
    void reindex();
    void notify(const std::string &keyPath);

    GSDocument *parent_ = nullptr;
    std::string familyName_;
    std::uint32_t unitsPerEm_ = 1000;
    bool featuresCompile_ = true;
    std::vector<GSAxis> axes_;
    std::vector<std::unique_ptr<GSFontMaster>> masters_;
    std::vector<std::unique_ptr<GSGlyph>> glyphs_;
    std::unordered_map<std::string, GSGlyph *> byName_, byId_, byUnicode_;
    std::unordered_map<char32_t, GSGlyph *> byCharacter_;
    std::vector<GSCustomParameter> params_;
    std::vector<GSInstance> instances_;
    PlistDictionary tempData_;
    std::map<std::string, std::shared_ptr<GSTempObject>> tempObjects_;
    std::unique_ptr<GSKerningDictionary> kerning_;
    std::map<int, std::pair<std::string, std::function<void()>>> observers_;
    int nextObserver_ = 1;
    int interfaceSuspended_ = 0;
    GSCompositorFont compositor_;
};
