// The write side of the bridge: the engine's kerning into the host font (whole masters, single
// pairs, a live preview), the plug-in's stored state in the font's user data (pair lists, special
// spacing groups, interpolation and autokerning marks, the version), the start-up of the masters
// on worker threads, side-bearing edits, and the edit tabs (pair texts, the cursor, the text the
// engine kerns, a comparison with another open font).
//
// Methods keep the host's selector names (first keyword). Everything runs on the main thread
// unless a method says otherwise. The bridge must be owned by a shared pointer (as the font's
// "ZVData" holds it): start-up work and delayed calls keep it alive.
#pragma once

#include "bridge/ZVDataFromGlyphs.h"
#include "bridge/ZVSidebearingField.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// What a whole-master write did to that master's host entries.
struct ZVkerningwrite {
    std::size_t written = 0;  ///< entries of pairs the engine holds a value for
    std::size_t replaced = 0; ///< of those, entries the master had before
    /// Entries taken out: pairs the engine holds a value for that the value rule writes nothing
    /// for, and pairs this bridge wrote earlier whose record the engine holds no more.
    std::size_t removed = 0;
    /// Entries left as they were: pairs the engine holds no value for, kerning-group entries.
    std::size_t kept = 0;
};

/// The pairs a write left unkerned because their kerning was an em or more: how many, and the
/// first few (engine glyph pairs, in the order met).
struct ZVbeyondAnEm {
    static constexpr std::size_t kNamed = 5;
    std::size_t count = 0;
    std::vector<ZVglyph_pair> first;
    void add(ZVglyph_pair pair) {
        ++count;
        if (first.size() < kNamed)
            first.push_back(pair);
    }
};

class ZVDataToGlyphs : public ZVDataFromGlyphs,
                       public std::enable_shared_from_this<ZVDataToGlyphs> {
  public:
    /// `init`: a bridge without a font; its own writes are being made (ignore_observers YES).
    ZVDataToGlyphs();
    /// `initWithGSFont:`.
    explicit ZVDataToGlyphs(GSFont *font);

    /// The write-side bridge kept in the font's "ZVData", or nullptr.
    static std::shared_ptr<ZVDataToGlyphs> writerForFont(const GSFont *font);

    // Kerning into the host.

    /// YES while the bridge's own writes reach the host: observers of the font's kerning and
    /// modifications leave them alone. Every write sets it and clears it one run-loop turn later.
    bool ignore_observers() const { return *ignoreObservers_; }
    void setIgnore_observers(bool ignore) { *ignoreObservers_ = ignore; }
    /// Clears ignore_observers.
    void unignoreObservers() { *ignoreObservers_ = false; }
    /// Clears ignore_observers one run-loop turn after the host's notifications of a write.
    void unignoreObserversAfterDelay();
    /// The whole number the host receives for a flat-kerning record (halves away from zero for a
    /// pair the designer set, else the cheaper of ceiling and floor, never between -2 and 2 but
    /// 0), or nothing when the record is not written. No kerning of an em or more is ever right:
    /// such a record is not written either, and is added to `beyond` when one is given
    /// (`unitsPerEm` 0: no such limit).
    static std::optional<int> writtenValue(const ZVsimplepair &record, double unitsPerEm,
                                           ZVbeyondAnEm *beyond = nullptr);
    /// Whether a whole value is kerning of an em or more (never written).
    static bool beyondAnEm(double value, double unitsPerEm) {
        return unitsPerEm > 0 && (value >= unitsPerEm || value <= -unitsPerEm);
    }
    /// The pairs the last whole-master write of a master left unkerned for being an em or more.
    const ZVbeyondAnEm &pairsBeyondAnEm(const std::string &masterId) const;
    /// Writes a master's flat kerning (one list per left glyph index, each by right glyph index)
    /// over its host kerning: each pair of the lists gets its written value, or loses its entry
    /// where the rule writes nothing (an explicit 0 where a kerning group would give it another
    /// value); an entry this bridge wrote earlier whose pair the lists no longer hold goes too,
    /// when nobody changed it since. Every other entry stays as it is: pairs the engine has no
    /// record of, kerning-group entries. Rows of the lists' left glyphs come first in ascending
    /// index (their pairs first, in list order), then the master's other rows in their order.
    /// Nothing is written for a master the engine holds no kerning for (linked metrics,
    /// interpolated, still starting up, not kerned, or without models): the host keeps its own.
    ZVkerningwrite writeSimplepairsGrouped(const std::vector<std::vector<ZVsimplepair>> &pairs,
                                           const std::string &toMaster);
    /// What the last whole-master write of the lists did to a master; nullptr before one.
    const ZVkerningwrite *lastKerningWrite(const std::string &masterId) const;
    /// Replaces a master's host kerning with whole entries (host glyph ids and kerning-group
    /// keys), marked as the bridge's own write like the writer above; it also writes masters whose
    /// engine holds no kerning of its own (the final kerning of an interpolated master).
    void writeMasterKerning(const GSMasterKerning &kerning, const std::string &toMaster);
    /// Writes the current master's whole kerning, redraws the tab, stores its pair lists.
    void zvfontToGlyphs();
    /// Writes one pair of the current master (written even when its value is 0), when the engine
    /// holds the master's kerning (as for a whole-master write).
    void singlePairToGlyphs(const ZVsimplepair *pair);
    /// Puts one value on the pair at the cursor, or on every current pair (the live preview; the
    /// engine is not told), in masters whose kerning the engine holds.
    void setPairValueToGlyphs(double value);
    /// `setSinglePairValue:forLayer:toLayer:`: one host kerning value between two layers' glyphs,
    /// in the left layer's master.
    void setSinglePairValue(double value, GSLayer *forLayer, GSLayer *toLayer);
    /// Empties the kerning of every master of the font.
    void removeAllKerning();
    /// The designer's choice to erase the font's kerning before autokerning: empties the kerning
    /// of every master but those that do not start, which nothing would kern again.
    void eraseExistingKerning();

    // Stored state.

    /// Stores the plug-in's version in the font; a font last opened by a newer version (a stored
    /// value that reads as a version, digits joined by dots), or by one before 1.31, gets the
    /// matching message. Nothing while the version is unknown.
    void updateStoredZelvarVersion();
    /// Stores every glyph's two special spacing groups from the engine's glyph table.
    void writeAllTrackingGroups();
    /// `writeTrackingGroupToGlyph:side:trackingGroupName:`: side 0 "L", 1 "R"; an empty name is
    /// the standard group (the side's entry goes), "NoKerning" the no-kerning group.
    void writeTrackingGroupToGlyph(GSGlyph *glyph, std::int8_t side,
                                   const std::string &trackingGroupName);
    /// `setTrackingGroupForSelectedLayersforSide:withTag:withGroupName:`: tag 2 the standard
    /// group, 3 no kerning, any other the named group; whether any glyph changed. Refused (NO)
    /// while a master starts up, and for a named group without a name.
    bool setTrackingGroupForSelectedLayersforSide(std::int8_t side, long withTag,
                                                  const std::string &withGroupName);
    /// Before the masters of a font set up earlier start: selects the text tool and rewrites
    /// every master's stored pair lists with the glyphs' current names, their old names' marks
    /// gone.
    void initNonAutokerning();
    /// Rewrites every stored pair list of the font under the glyphs' current names: all of them
    /// are resolved by the old marks first, then every mark is renewed. Entries that name no glyph
    /// go; a value that is no list stays as it is.
    void rewriteStoredListsUnderCurrentNames();
    /// `writeCustomPairs:toUserDictForMaster:withKey:`: a pair list by glyph names, each named
    /// glyph marked with its name ("ZelvarName"); an empty list removes the key.
    void writeCustomPairs(const std::vector<ZVglyph_pair> &pairs, GSFontMaster *toUserDictForMaster,
                          const std::string &withKey);
    /// Stores a master's models, independent pairs and user-set autopairs, when the engine kerns
    /// it (and its start-up has ended).
    void writeAllCustomPairsToMaster(GSFontMaster *master);
    /// After an alert, gives every glyph the special spacing settings of the glyph of the same
    /// name in `otherFont` (the menu item's font), and rekerns. Refused while a master starts up.
    void syncKerningTypes(GSFont *otherFont);
    /// The current master stops taking its kerning from another master.
    void unAutokernCurrentMaster();
    /// Interpolates the current master's kerning from the others, or stops doing so.
    void toggleInterpolateCurrentMaster();

    // Start-up of the masters, in three steps.

    /// Step 1, on the main thread before the masters' work is queued: reads each master's
    /// user-set autopairs and fixes the engine's start-up order (the current master first, then
    /// font order). Masters with linked metrics or nothing to measure, masters the engine lacks
    /// and masters already starting are left out; nothing starts while an earlier start-up runs.
    /// Answers the masters that start, in start order.
    std::vector<GSFontMaster *> beginInitialAutokerning(const std::vector<GSFontMaster *> &masters);
    /// Step 2, on a worker thread (or the main thread): the engine's first pass over a master
    /// that step 1 began. It touches only the engine (the master is a key, never read). When it
    /// ends, step 3 is posted to the main queue (run at once on the main thread).
    void initalAutokerningForMaster(GSFontMaster *master);
    /// Step 3, on the main thread: the master's start-up ends: the updates held meanwhile are
    /// applied, its pair lists stored, and the font is no longer untouched. Nothing reaches a
    /// font the bridge has let go.
    void endInitialAutokerningForMaster(GSFontMaster *master);

    // Side bearings.

    /// `adjustSidebearing:side:`: sets side 0 (left) or 1 (right) of every selected layer to the
    /// field's number, or, when the field holds a glyph list, autospaces each selected master
    /// layer in its own master against those glyphs; the engine follows, composites included.
    void adjustSidebearing(const ZVSidebearingField &field, std::int8_t side);
    /// The host ids of the glyphs a side-bearing field's glyph list names, in order: each
    /// "/"-separated part is a glyph name, or else a character looked up by its code point;
    /// parts that name no glyph are dropped.
    static std::vector<std::string> glyphListPartners(const GSFont &font, const std::string &text);

    // Tabs, comparison and groups.

    /// `addStringToTab:insertAtCursor:moveCursorToPair:newTab:`: text (UTF-8) appended to the
    /// tab, or inserted at the end of the cursor's line; the cursor then goes behind the first
    /// glyph of the last occurrence of the pair (when one of its glyphs is given).
    void addStringToTab(const std::string &text, bool insertAtCursor,
                        const ZVglyph_pair *moveCursorToPair, bool newTab);
    /// `addWrappedPairsToTab:moveCursorToPair:newTab:`: the pairs among context glyphs, after a
    /// line break.
    void addWrappedPairsToTab(const std::vector<ZVsimplepair> &pairs,
                              const ZVglyph_pair *moveCursorToPair, bool newTab);
    /// One pair per line in a new tab.
    void addPairsToNewTab(const std::vector<ZVglyph_pair> &pairs);
    /// A pair of a glyph's pop-up (the menu item's two glyph indices) into the current tab, the
    /// cursor in it.
    void showGlyphPartner(ZVglyph_pair pair);
    /// Selects the host's text tool.
    void selectTextTool();
    /// Hands the active tab's glyphs to the engine, which autokerns the pairs shown, and writes
    /// what changed (one pair or the whole master).
    void setRequiredText();
    /// `stringFromChanges:fontMaster:`: the list of kerning changes as text (one pair and its
    /// whole-number change a line, negative changes first); nothing for an empty list.
    std::optional<std::string> stringFromChanges(const std::vector<ZVfont::change> &changes,
                                                 const GSFontMaster *fontMaster);
    /// `compareMaster:toFont:`: this master's kerning changes against the counterpart master of
    /// another open font; nothing without a counterpart or without kerning there.
    std::optional<std::string> compareMaster(GSFontMaster *master, GSFont *toFont);
    /// The current master compared with another open font (the menu item's font): the changes
    /// into a new tab, or the alert "No kerning changes found." (while the current master is
    /// still starting, an alert saying that the comparison waits for it).
    void compareToFont(GSFont *otherFont);
    /// A special spacing group's members and the current master's models in it, in a new tab.
    void showSpacingGroupAndModelsForGroup(const std::string &group);
    /// Every special spacing group's members in a new tab.
    void showSpacingGroupsOverview();

  private:
    // The master whose kerning a whole-master write may replace: the engine holds kerning for it.
    bool holdsKerningFor(const std::string &masterId) const;
    // The font's left-to-right kerning, made when the font has none.
    GSKerningDictionary &writableKerning();
    // Stores a pair list by the glyphs' current names, each glyph marked with its name; an empty
    // list removes the key.
    void storeGlyphPairs(const std::vector<std::pair<GSGlyph *, GSGlyph *>> &pairs,
                         GSFontMaster *master, const std::string &key);

    // Per master: the pairs the writes of the engine's lists put into the host, with their values.
    std::map<std::string, std::map<ZVglyph_pair, int>> writtenPairs_;
    std::map<std::string, ZVkerningwrite> lastWrites_;
    // Per master id, what its last whole-master write left out for being an em or more.
    std::map<std::string, ZVbeyondAnEm> beyondAnEm_;
    // Shared with the delayed clears, so that a clear never outlives what it clears.
    std::shared_ptr<bool> ignoreObservers_ = std::make_shared<bool>(true);
};
