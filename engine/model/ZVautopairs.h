// The autokerned pairs of one master: a record for every frequent pair, the visible text the
// designer looks at, and the lists that the suggestions and selections walk.
#pragma once

#include "engine/geometry/ZVglyphs.h"
#include "engine/geometry/ZVglyphsinfo.h"
#include "engine/model/ZVautopair.h"
#include "engine/model/ZVcache.h"
#include "engine/model/ZVfeatures.h"
#include "engine/model/ZVmodels.h"

#include <cstdint>
#include <map>
#include <vector>

/// Index of a visible pair that has no record.
inline constexpr std::uint32_t ZV_NO_RECORD = 0xFFFFFFFF;

/// Whether a comes first when fewer pairs are kept: fixed pairs, user-set ones, then by
/// frequency (higher first), value and glyph pair.
bool compare_candidates_by_properties_then_frequency(const ZVsimplepair &a, const ZVsimplepair &b);
/// Whether a comes first in a list by value: lower value, lower frequency, then glyph pair.
bool compare_simplepairs_by_value(const ZVsimplepair &a, const ZVsimplepair &b);

class ZVautopairs {
  public:
    using records_type = std::vector<ZVautopair>;

    records_type records;                                ///< ascending glyph pairs, unique
    std::vector<std::uint16_t> visible_text;             ///< the glyph run shown to the designer
    std::map<ZVglyph_pair, std::uint32_t> visible_pairs; ///< record index, ZV_NO_RECORD if none
    std::vector<std::uint32_t> candidates;    ///< records of known frequency, most frequent first
    std::vector<std::uint32_t> suggestions;   ///< records the model suggestions score
    std::vector<std::uint32_t> diverse;       ///< records kept as fixed members of the selection
    std::vector<ZVglyph_pair> user_set_pairs; ///< pairs the designer asked to be autokerned

    ZVautopairs() = default;
    /// One record per frequent pair of the expansion; active (kind 1) unless a source pair, an
    /// independent pair, or without depth. Nothing is autokerned yet.
    ZVautopairs(const ZVmodels &models, const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                const std::vector<ZVsimplepair> &independents,
                const std::vector<ZVminipair> &stored_user_set, const ZVfeatures &features,
                const PLXlibNamespaceForZV::ZVglyphsinfo &table);

    /// The record of a pair, records.end() when there is none.
    records_type::iterator find_pair(ZVglyph_pair pair);
    /// The kerned pairs of one side of a glyph (side 1: g on the left) as the dialog lists
    /// them, engine units, ascending value: models, independent pairs, then the most telling
    /// autokerned pairs with frequencies weighted by how unlike the listed ones they are.
    std::vector<ZVsimplepair> pairs_for_glyph(std::uint16_t g, std::int8_t side, ZVmodels &models,
                                              const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                                              const ZVcache &cache,
                                              const std::vector<ZVsimplepair> &independents);

  private:
    records_type::iterator lower_bound(ZVglyph_pair pair);
};
