// A master's output: one list of pair records per left glyph, in font units.
#pragma once

#include "engine/model/ZVsimplepair.h"

#include <vector>

class ZVcache {
  public:
    /// One list per left glyph index, sized to the glyph count.
    std::vector<std::vector<ZVsimplepair>> lists;
    bool sorted = false; ///< every list is in ascending order of the right glyph
    bool valid = false;  ///< the lists reflect the master's current models (kept by the font)
    double scale = -1;   ///< engine units to font units: x-height / 225; -1 until set

    /// Appends a record to its left glyph's list, scaled to font units when asked (models are
    /// then rounded to whole units). A left glyph outside the lists stores nothing and gives a
    /// scratch record outside the cache.
    ZVsimplepair &add_simplepair(const ZVsimplepair &pair, bool scale_values);
    /// Inserts or overwrites the record of the same pair in its left glyph's list.
    void add_sourcepair(const ZVsimplepair &pair, bool scale_values);

    /// Removes the first record of the pair from its left glyph's list (the list's last record
    /// takes its place, so the lists are no longer sorted); false when there is none.
    bool remove_pair(ZVglyph_pair pair);
    /// The record of a pair, nullptr when the cache has none.
    const ZVsimplepair *find(ZVglyph_pair pair) const;

  private:
    void scale_record(ZVsimplepair &pair) const;
    ZVsimplepair scratch_;
};
