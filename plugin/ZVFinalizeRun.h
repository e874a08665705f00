// The finalisation run's two halves: each master's final kerning computed in the engine (a worker
// may do it, one master at a time, font order with interpolated masters last), and everything
// written into the font at once on the main thread (the kerning groups, each master's kerning
// fitted to the size limit, the special spacing groups).
#pragma once

#include "bridge/ZVDataToGlyphs.h"
#include "plugin/ZVkerningfit.h"

#include <cstddef>
#include <string>
#include <vector>

/// One master as the run computed it.
struct ZVfinalmaster {
    std::string id;            ///< the host master's id
    bool interpolated = false; ///< its kerning interpolated from its sources
    /// false: the models did not finalize; its pairs are kerned with the tracking as it stood.
    bool finalized = true;
    /// false: its models could not be fitted at all; the master is not written.
    bool fitted = true;
    std::vector<ZVkerningtarget> targets; ///< ascending pairs, whole font units
};

/// A master with models that the run does not finalize, and why.
struct ZVleftout {
    std::string id;
    std::string name;   ///< the master's name in the font (its id when the font has none)
    std::string reason; ///< words, e.g. "it was still starting"
};

/// What the write did to one master.
struct ZVfinalreport {
    std::string id;
    std::string name; ///< the master's name in the font
    bool interpolated = false;
    bool finalized = true;
    std::size_t glyph_pairs = 0; ///< glyph–glyph entries written
    std::size_t class_pairs = 0; ///< group–group entries written
    std::size_t dropped = 0;     ///< entries left out for the size limit
    std::size_t untargeted = 0;  ///< pairs without kerning of their own that take a class value
    std::size_t size = 0;        ///< bytes of the kerning written
    std::size_t flat_size = 0;   ///< bytes the same targets take without groups
    std::size_t limit = 0;       ///< the limit in bytes (0: none)
    bool over_limit = false;     ///< even without every droppable entry above the limit
    /// Groups were rebuilt but this master is written without them: grouped, its kerning would
    /// not be smaller than flat.
    bool written_flat = false;
    /// What became of the master's kerning before: pairs kept (entries naming no glyph of the
    /// font among them), replaced by the engine's value, left to their class pairs.
    ZVfontpairs font_pairs;
    std::size_t beyond_em = 0; ///< pairs left unkerned for being kerned by an em or more
    std::vector<std::string> beyond_em_named; ///< the first few of them, "left/right"
};

/// What the write did to the font.
struct ZVfinalwrite {
    std::vector<ZVfinalreport> masters; ///< in the order computed
    std::size_t right_side_groups = 0;  ///< kerning groups made (0 without new groups)
    std::size_t left_side_groups = 0;
    std::vector<ZVleftout> left_out; ///< masters with models that were not finalized
};

/// One master's final kerning as a run would write it, before anything reaches the font.
struct ZVfinalmasterplan {
    ZVfinalreport report;
    std::vector<ZVkerningtarget> targets; ///< within an em (pairs of an em or more at 0)
    std::vector<ZVkerningtarget> others;  ///< the master's own pairs without a target
    ZVkerningfit fit;                     ///< what is written (glyph and class entries)
    bool grouped = false;                 ///< the class entries name the plan's groups
    GSMasterKerning untouched;            ///< entries naming no glyph of the font, kept
};

/// A whole run's final kerning before it is written.
struct ZVfinalplan {
    ZVkerninggroups groups; ///< rebuilt groups (none without regenerateGroups)
    ZVglyphorder order;
    double tolerance = 0;                   ///< the grouping tolerance in font units
    std::vector<ZVfinalmasterplan> masters; ///< the masters written, in the order computed
    std::vector<ZVleftout> left_out;        ///< masters whose models could not be fitted
};

/// Plans the write of writeFinalKerning without touching the font; `limits` holds one limit in
/// bytes per computed master (0: none).
ZVfinalplan planFinalKerning(const GSFont &font, const PLXlibNamespaceForZV::ZVglyphsinfo &info,
                             const std::vector<ZVfinalmaster> &masters, bool regenerateGroups,
                             const std::vector<std::size_t> &limits);

/// The engine masters a run computes, in the order it computes them: masters kerned from models
/// (kerned with source pairs, or a taken-over engine with its model pairs), whatever state their
/// fitted model pairs are in, in font order; then interpolated masters.
std::vector<std::size_t> mastersToFinalize(const ZVfontMM &engine);

/// The masters with models that a run leaves out (still starting, not kerned yet, …), in font
/// order, with why; names from `font` when given.
std::vector<ZVleftout> mastersLeftOut(const ZVfontMM &engine, const GSFont *font);

/// A master's final targets from its flat kerning: each record's whole value as the kerning
/// writer rounds it (0 for one it leaves out; values of an em or more stay, the write leaves
/// them unkerned) and its frequency. Models, independent pairs and
/// the master's user-set autopairs (`userSetAutopairs`, as the master stores them) are kept
/// whatever the size; every pair the engine kerns on its own may be dropped.
std::vector<ZVkerningtarget> kerningTargets(const ZVcache &flatKerning,
                                            std::vector<ZVglyph_pair> userSetAutopairs);

/// Computes one master (engine only, no host): a master with models rebuilds its model pairs
/// when an edit discarded them (a master whose models cannot be fitted is not written), finalizes
/// them and kerns every frequent pair it can kern besides its models, independent pairs and
/// user-set autopairs (on the engine's pool; `progress`, when set, hears how many of those pairs
/// are done); an interpolated master gets every frequent pair it can kern as the weighted sum of
/// its sources' values (as this run left them). `frequentPairs` is the expanded list.
ZVfinalmaster computeFinalMaster(ZVfontMM &engine, std::size_t master,
                                 const std::vector<ZVpair_frequency> &frequentPairs,
                                 const ZVkerning_progress &progress = {});

/// Writes the run into the font (main thread): with `regenerateGroups` new kerning groups for the
/// whole font (masters not written first keep their kerning as glyph pairs), then per master its
/// whole kerning fitted to `limit` bytes (0: none), then the special spacing groups. A master's
/// pairs with a target get the engine's value; its other pairs keep the value they had, as glyph
/// pairs, but under the new groups a pair whose class pair gives it within the grouping
/// tolerance is left to it; entries naming no glyph of the font stay. A master whose models
/// could not be fitted is not written; it is listed as left out.
ZVfinalwrite writeFinalKerning(ZVDataToGlyphs &bridge, const std::vector<ZVfinalmaster> &masters,
                               bool regenerateGroups, std::size_t limit);

/// The lines of a report, one per master: finalized or not, pairs written and dropped, groups,
/// size against the limit, the ratio to flat kerning; then the masters left out and why.
std::string describeFinalWrite(const ZVfinalwrite &write);
/// "N pairs kerned by an em or more left unkerned (A/B, …)" for a master's report.
std::string beyondAnEmText(const ZVfinalreport &report);
