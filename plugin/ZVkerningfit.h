// The kerning size limit: a master's written kerning measured as the GPOS table it compiles to,
// and the lightest entries dropped until it fits.
#pragma once

#include "plugin/ZVfinalkerning.h"
#include "plugin/ZVgpossize.h"
#include "plugin/ZVkerninggroups.h"

#include <cstddef>
#include <vector>

/// What the size limit leaves of one master's kerning.
struct ZVkerningfit {
    ZVwrittenkerning kept;               ///< what to write
    std::vector<ZVkerningentry> dropped; ///< the entries left out, lightest first
    ZVgpossize size;                     ///< the size of what is kept
    bool over_limit = false; ///< without every entry that may go the size still exceeds the limit
};

/// The GPOS size of a master's written kerning (groups as classes, the font's glyph order).
ZVgpossize kerning_size(const ZVwrittenkerning &kerning, const ZVkerninggroups &groups,
                        const ZVglyphorder &order);

/// The size limit in bytes from the finalize window's field in kB; 0 (no limit) when the field
/// is not a positive number.
std::size_t kerning_size_limit(double kilobytes);

/// Fits a master's kerning into `limit` bytes (0: no limit). Group–group entries and entries that
/// are never dropped stay; the others go in increasing weight (ties: lower counted frequency,
/// then glyph indices), the shortest such prefix that brings the size to the limit. When even
/// all of them cannot, all go and `over_limit` is set.
ZVkerningfit fit_kerning_size(ZVwrittenkerning kerning, const ZVkerninggroups &groups,
                              const ZVglyphorder &order, std::size_t limit);
