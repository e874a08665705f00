// The read side of the bridge between an open host font and its kerning engine: one object per
// font, kept in the font's temporary data under "ZVData". It builds the engine from the font
// (glyph table, substitutions, outlines, metrics, stored pair lists, existing kerning, masters of
// every kind) and follows what the designer does in the host (master, selection, the pair at the
// text cursor, the tab's text, outline and kerning edits).
//
// Methods keep the host's selector names (first keyword). Everything runs on the main thread
// unless a method says otherwise. Display strings are UTF-8.
#pragma once

#include "engine/font/ZVfontMM.h"
#include "host/GSDocument.h"
#include "host/GSTempObject.h"
#include "host/GSWindowController.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

/// A glyph that reached the engine as an empty outline (never kerned) because it is too large
/// to measure, and why.
struct ZVemptiedOutline {
    std::string master_id;
    std::string glyph_name;
    std::string reason;
};

/// Something of a master that the bridge could not use as the font stores it, in words that name
/// the master (shown by the window, printed by the reports).
struct ZVmasterNotice {
    std::string master_id;
    std::string text;
};

class ZVDataFromGlyphs : public GSTempObject {
  public:
    /// The temporary-data key of a font's bridge.
    static constexpr const char *ZVDataKey = "ZVData";

    /// `init`: a bridge without a font (change flags raised, selection flag clear).
    ZVDataFromGlyphs();
    /// `initWithGSFont:`: a bridge for `font`, with its slider step.
    explicit ZVDataFromGlyphs(GSFont *font);
    ZVDataFromGlyphs(const ZVDataFromGlyphs &) = delete;
    ZVDataFromGlyphs &operator=(const ZVDataFromGlyphs &) = delete;
    /// Touches no host object.
    ~ZVDataFromGlyphs() override;

    /// The bridge kept in the font's temporary data under "ZVData", or nullptr.
    static std::shared_ptr<ZVDataFromGlyphs> bridgeForFont(const GSFont *font);
    /// The font let go of the bridge: it is detached (no font, no master, no layers), and its
    /// later steps do nothing.
    void removedFromTempData(GSFont &font) override;

    // The object and its start-up checks.

    /// The font's document's window controller (looked up on every call); nullptr when the font
    /// has no document.
    GSWindowController *windowController() const;
    /// Stored and never read: the window controller is always the document's.
    void setWindowController(GSWindowController *controller) {
        storedWindowController_ = controller;
    }
    /// Why the engine cannot start on the font, or nothing when it can; also settles whether the
    /// font is untouched.
    std::optional<std::string> inspectGSFont();
    /// Whether the font already carries the plug-in's set-up.
    bool has_zv_set_up() const;
    /// The engine of the font; valid as long as the bridge.
    ZVfontMM *get_zvfont() { return &zvfont_; }
    const ZVfontMM *get_zvfont() const { return &zvfont_; }
    /// Builds the engine from the font, once (a second call returns at once).
    void initZVfont();
    /// Whether the glyph of any selected layer is a letter.
    bool anyLettersSelected() const;
    /// The special spacing group the selected glyphs share on side "L" or "R": nothing when none
    /// of them has one, "" when they differ; glyphs in no kerning are passed over.
    std::optional<std::string> currentTrackingGroupforSide(const std::string &side) const;
    /// Whether there is a master to work on: a current master, an engine with masters, a current
    /// master index among them, and no start-up of that master under way. Callers check it
    /// before engine calls with the empty id.
    bool hasRunningMaster() const;
    /// Whether the master's start-up (its engine's first pass, possibly on a worker thread) has
    /// begun and not yet ended on the main thread. While it runs, nothing on the main thread
    /// touches that master's engine.
    bool isStartingUp(const GSFontMaster *master) const;
    /// The same by the master's host id.
    bool isStartingUp(const std::string &masterId) const;
    /// Whether any master's start-up is under way.
    bool anyMasterStartingUp() const;
    /// The index of the host's text tool among the window's tools (the tool count when there is
    /// none), looked up on every call.
    std::size_t textToolIndex() const;

    /// Slider step in font units: units per em / 1000 (whole part) from 1000 units up, else 1.
    double tick_to_tick() const { return tick_to_tick_; }
    bool font_is_untouched() const { return font_is_untouched_; }
    void setFont_is_untouched(bool untouched) { font_is_untouched_ = untouched; }
    /// Whether a master of an untouched font holds 10 or more kerning pairs other than 0.
    bool is_pre_kerned() const { return is_pre_kerned_; }
    bool selectionHasChanged() const { return selectionHasChanged_; }
    void setSelectionHasChanged(bool changed) { selectionHasChanged_ = changed; }
    GSFontMaster *currentMaster() const { return currentMaster_.load(); }
    void setCurrentMaster(GSFontMaster *master) { currentMaster_.store(master); }
    /// The font, or nullptr once the bridge is detached.
    GSFont *gsfont() const { return gsfont_.load(); }
    bool currentMasterHasChanged() const { return currentMasterHasChanged_; }
    void setCurrentMasterHasChanged(bool changed) { currentMasterHasChanged_ = changed; }
    bool pairsHaveChanged() const { return pairsHaveChanged_; }
    void setPairsHaveChanged(bool changed) { pairsHaveChanged_ = changed; }
    /// The engine glyph pairs under the cursor or the selection.
    const std::vector<ZVglyph_pair> *currentPairs() const { return &currentPairs_; }
    /// The layers of the pair at the text cursor (nullptr when there is none).
    GSLayer *pairFirstLayer() const { return pairFirstLayer_.load(); }
    GSLayer *pairSecondLayer() const { return pairSecondLayer_.load(); }
    /// The selected layers without line breaks.
    std::vector<GSLayer *> selectedLayers() const { return selectedLayers_; }
    /// The glyphs that went to the engine as empty outlines since the engine was built.
    const std::vector<ZVemptiedOutline> &emptiedOutlines() const { return emptiedOutlines_; }
    /// What the bridge could not use since the engine was built (stored pair lists it could not
    /// read, ...), in the order it was found.
    const std::vector<ZVmasterNotice> &masterNotices() const { return notices_; }
    /// The notices found since the last call (the window shows each once).
    std::vector<ZVmasterNotice> takeNewMasterNotices();
    /// Why the master does not start (none of its glyphs can be measured: no width, no outline,
    /// or too large), or nothing when it may. Such a master is never started and its host
    /// kerning is left as it is.
    std::optional<std::string> whyMasterDoesNotStart(const GSFontMaster *master) const;
    /// Whether the engine has a master that is not kept from starting for having nothing to
    /// measure.
    bool anyMasterCanStart() const;
    /// Why the font cannot start when no master can: each master that has nothing to measure
    /// says why, a line each; otherwise "Sorry, could not find any masters that can be kerned."
    std::string whyNoMasterStarts() const;

    // The glyph table and the masters.

    /// Fills the engine's glyph table: the font's glyphs in font order, or on a table that holds
    /// glyphs already, the glyphs of the table's names in table order (an empty place for a name
    /// the font lacks). At most 65534 glyphs.
    void initGlyphsinfo();
    /// The pairs of glyphs that composite glyphs place side by side.
    void addPairsForCompositesPairs();
    /// Every glyph's stored special spacing groups into the engine.
    void trackingGroupsFromGlyhpsToZV();
    /// Whether the master takes its metrics from another master of the font.
    bool anyLinkedMetricsForMaster(const GSFontMaster *master) const;
    /// Appends one engine master for the host master, of the kind its parameters and stored
    /// state give (linked, untouched, interpolated, autokerned from another, self-kerned).
    void initMaster(GSFontMaster *master);
    /// The master's outlines in glyph-table order, in font units: one glyph per table entry, empty
    /// for an empty place, a missing layer or a glyph too large to measure (noted in
    /// emptiedOutlines).
    std::vector<PLXlibNamespaceForZV::PLXglyph> outlinesForMaster(const GSFontMaster *master);
    /// The glyph's OpenType script tag ("latn"), its script name when the host knows no tag, ""
    /// without script.
    static std::string nominalScriptForGlyph(const GSGlyph *glyph);
    /// The glyph's class text: a letter's subcategory, else its category, else "other".
    static std::string nominalCategoryForGlyph(const GSGlyph *glyph);
    /// The group stored for side "L" or "R", or nothing (also for an empty name or a value of
    /// the wrong shape).
    static std::optional<std::string> storedTrackingGroupforGlyph(const GSGlyph *glyph,
                                                                  const std::string &side);

    // Stored pair lists and existing kerning.

    /// A stored pair list of a master (of this font or another) as engine pairs with the host's
    /// values (font units of this font; 0 for "ZelvarUserSetAutopairs" and for pairs without
    /// kerning). Entries naming unknown glyphs are dropped.
    std::vector<ZVminipair> readCustomPairsFromMaster(const GSFontMaster *master,
                                                      const std::string &userDictKey) const;
    /// The engine index of the glyph a stored list names (following "ZelvarName" to a renamed
    /// glyph); 65535 when none.
    std::uint16_t zvIndexForGlyphNameInUserData(const std::string &name) const;
    /// The glyph of `font` a stored list names: the glyph of that name when its "ZelvarName"
    /// agrees, else the first whose "ZelvarName" is the name, else the glyph of that name.
    static GSGlyph *glyphForStoredName(const GSFont *font, const std::string &name);
    /// The master's kerning on the engine's frequent pairs, font units of this font (another
    /// font's master needs a counterpart here: the only master, else one of the same name).
    std::map<ZVglyph_pair, float> existingKerningFromMaster(const GSFontMaster *master);
    /// Takes a host edit of a pair of the current master into the engine; whether it changed.
    bool updateValueFromGlyphsToZV(const ZVsimplepair *pair);
    /// Copies another master's stored models and independent pairs (of this font or another
    /// open font) into the current master; when values clash, an alert asks whether to keep
    /// the current values, take the other master's, or cancel.
    void addModelsAndIndependentsFromMaster(GSFontMaster *source);
    /// `glyph:hasStoredGlyphName:`: whether the glyph's "ZelvarName" is that name.
    static bool glyph(const GSGlyph *glyph, const std::string &hasStoredGlyphName);

    // Autokerned and interpolated masters.

    /// The current master's "ZelvarAutokernedFrom" strings as stored; nothing when absent.
    std::optional<std::vector<std::string>> currentMasterAutokernedFrom() const;
    /// The open master an autokerned master takes its kerning from, or nullptr.
    GSFontMaster *autokerningSourceForMaster(const GSFontMaster *master) const;
    /// The font of the open document of that display name ("" this font), or nullptr.
    GSFont *openedFontWithFileName(const std::string &name) const;
    /// Makes `master` use the engine of `fromMaster`, of this font or another open font. A source
    /// that cannot lend one (without models; a font the engine cannot start on) leaves the master
    /// its own models and lists; its mark goes, and a notice says why.
    void autokernMaster(GSFontMaster *master, GSFontMaster *fromMaster);
    /// Settles one master's stored autokerning source after the engine build.
    void initAutokernedMaster(GSFontMaster *master);
    /// initAutokernedMaster for every master, in font order, once the masters marked from each
    /// other are settled.
    void initAutokernedFrom();
    /// Recomputes every master's interpolation coefficients.
    void updateInterpolationCoeffs();
    /// The master's interpolation coefficients (weight, master id) in master order, recomputed;
    /// empty when fewer than two masters contribute.
    std::vector<std::pair<double, std::string>> coeffsForMaster(const GSFontMaster *master);
    /// Whether the current master may be interpolated (or already is).
    bool currentMasterIsInterpolatable();
    /// Whether the master's "ZelvarAutokernedFrom" holds a source (two strings).
    static bool isAutokernedMaster(const GSFontMaster *master);
    /// Whether the master has stored models.
    static bool anyModelsInMaster(const GSFontMaster *master);
    /// `masterWithName:inFont:`: the first master of that name, or nullptr.
    static GSFontMaster *masterWithName(const std::string &name, const GSFont *inFont);

    // Selection, cursor and index lookups.

    /// Reads the host's master, selection and the pair at the cursor; raises the change flags.
    void getUiState();
    /// The active tab's glyphs: one engine index per layer (65535 for a line break or a place
    /// without glyph); empty without a tab.
    std::vector<std::uint16_t> textInTab() const;
    /// The font's glyph at an engine index, or nullptr.
    GSGlyph *glyphForZvIndex(std::uint16_t index) const;
    /// That glyph's layer for the current master, or nullptr.
    GSLayer *layerForZvIndex(std::uint16_t index) const;
    /// The engine index of a host glyph id ("" none), 65535 when unknown.
    std::uint16_t zvIndexForId(const std::string &id) const;
    /// The engine index of the glyph of that name, 65535 when unknown.
    std::uint16_t zvIndexForGlyphName(const std::string &name) const;
    /// The engine index of a layer's glyph, 65535 for nullptr or a glyph without name.
    std::uint16_t zvIndexForLayer(const GSLayer *layer) const;
    /// The character the host shows for the glyph, as text ("" for nullptr).
    std::string stringForGlyph(const GSGlyph *glyph) const;
    /// The two glyphs' characters; "" for (65535, 65535).
    std::string stringForZvIndices(const ZVglyph_pair *pair) const;
    /// "/left /right " for the host's text; "" when a glyph is missing.
    std::string slashedGlyphNamesForPair(const ZVglyph_pair *pair) const;
    /// The two characters when both can be shown, else "left − right" with hair spaces.
    std::string safeStringForGlyph1st(const GSGlyph *first, const GSGlyph *glyph2nd) const;
    /// safeStringForGlyph1st of the pair's glyphs; "" when one is missing.
    std::string safeStringForPair(const ZVglyph_pair *pair) const;
    /// The text of a pair that limits a value (left index in the low 16 bits): "◀▶" for the edge
    /// of the text, "(…)" for a pair of the source master of an autokerned master.
    std::string stringForInfluencer(std::uint32_t packedPair) const;
    /// The pair among context glyphs chosen by script, category and case; "" when a glyph is
    /// missing.
    std::string wrappedStringForPair(const ZVglyph_pair *pair) const;
    /// Takes an edited master layer's outline into the engine, with every composite that draws
    /// it (directly or through other composites). For a master still starting up, the update is
    /// held and applied when its start-up ends.
    void updateZvfontWithModifiedLayer(GSLayer *layer);
    /// Whether the host can show the glyph as its own character (no mark, no control or private
    /// use character).
    static bool canDisplayUnicodeCharacterForGlyph(const GSGlyph *glyph);

    // OpenType substitutions.

    /// Reads the "Rename Glyphs" parameters and the compiled GSUB table into the engine's
    /// feature records and flags the glyph table.
    void initOTFeatures();
    /// The feature of lookup `index` (no coverage restriction), with the index in its lookups;
    /// empty for an index out of range or a lookup already being read.
    ZVfeature featureFromLookupIndex(std::uint16_t index,
                                     const std::vector<GSOTLookup> &allLookups);
    /// One lookup read by its type, single substitutions limited to `coverage` when given.
    ZVfeature featureFromLookup(const GSOTLookup &lookup, const std::vector<GSOTLookup> &allLookups,
                                const GSOTCoverage *coverage);
    ZVfeature featureFromOTSingleSubst(const std::vector<GSOTSubtable> &subtables,
                                       const GSOTCoverage *coverage);
    ZVfeature featureFromOTAlternateSubst(const std::vector<GSOTSubtable> &subtables);
    ZVfeature featureFromOTLigatureSubst(const std::vector<GSOTSubtable> &subtables);
    ZVfeature featureFromOTContextSubst(const std::vector<GSOTSubtable> &subtables,
                                        const std::vector<GSOTLookup> &lookups);
    ZVfeature featureFromOTChainContextSubst(const std::vector<GSOTSubtable> &subtables,
                                             const std::vector<GSOTLookup> &lookups);
    /// The merged features of the lookups the records name (records naming a lookup out of
    /// range or one already being read are skipped).
    ZVfeature featureFromSubstLookupRecords(const std::vector<GSOTSubstLookupRecord> &records,
                                            const std::vector<GSOTLookup> &lookups,
                                            const GSOTCoverage *inputCoverage);

  protected:
    /// Why a master's x-height keeps the engine from measuring it, as the start-up message: not
    /// defined (not positive, or above 22000), or too small (whole part below 1, or below 1/20
    /// em); nothing when it is usable.
    static std::optional<std::string> xHeightRefusal(const GSFontMaster &master);
    /// Whether a master's x-height lets the engine measure it (xHeightRefusal gives nothing).
    static bool hasUsableXHeight(const GSFontMaster &master);
    /// Whether the engine has a master of exactly this id.
    bool engineHasMaster(const std::string &masterId) const;
    /// Runs `update` of an engine master now, or, while that master starts up, holds it to be
    /// applied in order when its start-up ends (main thread).
    void updateEngineMaster(const std::string &masterId, std::function<void()> update);
    /// Measures anew, in the engine master, every composite that draws `base` in that master
    /// (directly or through other composites), from the host's layers as they are now.
    void remeasureComposites(const GSGlyph *base, const std::string &masterId);
    /// One master's start-up: what its worker needs, and the engine updates held until it ends.
    struct MasterStartUp {
        std::string id;
        std::vector<ZVminipair> userSetAutos;
        bool taken = false; ///< the worker has taken its pairs
        std::vector<std::function<void()>> held;
    };
    /// The start-ups under way, by host master (used as a key only; workers never read the
    /// master). Guarded by startUpMutex_.
    mutable std::mutex startUpMutex_;
    std::map<const GSFontMaster *, MasterStartUp> startUps_;

    /// The glyph's layer for a master (the version-3 host's layerForId:), or nullptr.
    static GSLayer *layerOfMaster(const GSGlyph *glyph, const std::string &masterId);
    /// Whether this bridge is the one kept in its font's "ZVData": only that bridge changes the
    /// font's user data; a second bridge on a font only reads it.
    bool isFontsOwnBridge() const;
    /// Removes a user-data key of a master of the font, in the font's own bridge only.
    void removeMasterUserData(GSFontMaster *master, const std::string &key) const;
    /// The engine's frequent pairs (expanded pair frequencies).
    std::vector<ZVpair_frequency> frequentPairs();
    /// Adds a notice about a master.
    void addMasterNotice(const GSFontMaster *master, std::string text);

  private:
    // The engine's current master: the first of the current master's id (-1: none).
    void findCurrentMasterIndex();
    struct GlyphDescription {
        std::optional<std::string> script, category, subcategory;
    };
    struct PairWrapper {
        std::optional<std::string> stringBefore;
        std::optional<GlyphDescription> firstGlyph, secondGlyph;
        std::optional<std::string> stringAfter;
    };
    // Lookup n read as nested in another (coverage as given), with n in its lookups; nothing for
    // an index out of range or a lookup already being read.
    std::optional<ZVfeature> nestedLookup(std::size_t n, const std::vector<GSOTLookup> &lookups,
                                          const GSOTCoverage *coverage);
    // The features of the input positions of a context rule (format 3).
    std::vector<ZVfeature> positionFeatures(const std::vector<GSOTCoverage> &inputCoverages,
                                            const std::vector<GSOTSubstLookupRecord> &records,
                                            const std::vector<GSOTLookup> &lookups);
    bool wrapperMatches(const GlyphDescription &d, const GSGlyph *g, const std::string &sub) const;
    std::string subcategoryForWrapping(const GSGlyph *g) const;
    // The masters of this font whose autokerning marks lead from `master` back to it, `master`
    // first (only `master` when it names itself); empty when they lead elsewhere. Interpolated
    // masters take their kerning from no source.
    std::vector<GSFontMaster *> autokerningCycle(GSFontMaster *master) const;
    // Settles the loop of marks `master` is in (autokerningCycle): each member keeps its own
    // models. Whether there was one.
    bool settleAutokerningCycle(GSFontMaster *master);
    // A source that cannot lend its engine: the master keeps its own models and stored lists
    // (one still waiting for a source gets them back into the engine), its mark goes, and the
    // notice names the source and why (`why` follows the source's name: ", which has no models").
    void keepOwnModels(GSFontMaster *master, const GSFontMaster *source, const std::string &why);
    // Notes the master just added to the engine when none of its glyphs can be measured: it will
    // not start.
    void noteNothingToMeasure(const GSFontMaster *master);
    // Notes the master's stored pair lists that cannot be read, or not all of them.
    void noteUnreadableLists(const GSFontMaster *master);
    // The layer's outline for the engine, noting a glyph left empty.
    PLXlibNamespaceForZV::PLXglyph engineOutline(GSLayer *layer, const std::string &masterId);

    std::atomic<GSFont *> gsfont_{nullptr};
    double tick_to_tick_ = 1.0;
    bool font_is_untouched_ = true;
    bool is_pre_kerned_ = false;
    ZVfontMM zvfont_;
    std::atomic<GSFontMaster *> currentMaster_{nullptr};
    bool currentMasterHasChanged_ = true;
    std::vector<ZVglyph_pair> currentPairs_;
    bool pairsHaveChanged_ = true;
    std::atomic<GSLayer *> pairFirstLayer_{nullptr}, pairSecondLayer_{nullptr};
    std::vector<GSLayer *> selectedLayers_;
    bool selectionHasChanged_ = false;
    std::vector<PairWrapper> pairWrappers_;
    std::optional<std::map<std::string, std::vector<std::pair<double, std::string>>>>
        interpolationCoeffs_;
    GSWindowController *storedWindowController_ = nullptr;
    std::string controlLayerClass_;
    bool engineBuilt_ = false;
    std::set<std::uint16_t> lookupsBeingRead_;
    std::vector<ZVemptiedOutline> emptiedOutlines_;
    std::vector<ZVmasterNotice> notices_;
    std::size_t noticesTaken_ = 0;
    std::map<std::string, std::string> doesNotStart_; // master id -> why
};
