// The font's substitution features and the expansion of character-pair frequencies into the
// frequent glyph pairs that kerning must cover, each with a derived frequency.
#pragma once

#include "engine/geometry/ZVglyphsinfo.h"
#include "engine/model/ZVsimplepair.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

/// One single substitution: source glyph to substitute glyph.
struct ZVsinglesub {
    std::uint16_t source = 0;
    std::uint16_t substitute = 0;
};

/// One pair substitution: the pair (left, right) becomes (left_substitute, right_substitute).
struct ZVpairsub {
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    std::uint16_t left_substitute = 0;
    std::uint16_t right_substitute = 0;
};

/// A glyph and the frequency with which it stands beside a feature's substitutes.
using ZVpartner = std::pair<std::uint16_t, std::uint16_t>;
/// A glyph pair and its frequency.
using ZVpair_frequency = std::pair<ZVglyph_pair, std::uint16_t>;

/// One substitution feature of the font (one record per tag).
struct ZVfeature {
    std::vector<ZVsinglesub> substitutions;       ///< anywhere; sorted by source, substitute
    std::vector<ZVsinglesub> left_substitutions;  ///< on the left glyph of a pair
    std::vector<ZVsinglesub> right_substitutions; ///< on the right glyph of a pair
    std::vector<ZVpairsub> pair_substitutions;    ///< sorted by (left, right)
    std::vector<ZVpartner> left_partners;         ///< glyphs standing left of the substitutes
    std::vector<ZVpartner> right_partners;        ///< glyphs standing right of them
    std::string tag;
    std::set<std::uint16_t> lookups; ///< lookup indices that contributed
};

/// The substitutions, pair frequencies and composite pairs of a font.
struct ZVfeatures {
    std::vector<ZVfeature> features;                      ///< in the order they were read
    std::vector<ZVpair_frequency> indices_with_frequency; ///< from the pair-frequency file
    std::vector<ZVglyph_pair> composites_pairs;           ///< pairs formed inside composites
};

/// Pair to frequency while expanding; 0 means not set yet.
using ZVfrequency_map = std::map<ZVglyph_pair, std::uint16_t>;

/// Follows the pair substitutions from a pair until none applies or the walk comes back to a
/// pair it saw (then the last new pair stands). The list must be sorted by (left, right).
void expand_pair_with_members(ZVglyph_pair &pair, const std::vector<ZVpairsub> &subs);

/// Offers a frequency (raised to at least 16) to a pair packed as left | right << 16; the map
/// keeps the largest offer, and a pair that gets its first value joins the work list.
void add_frequent_pair(std::uint32_t packed, std::uint16_t frequency, ZVfrequency_map &map,
                       std::vector<ZVglyph_pair> &work);

/// Every frequent glyph pair with its frequency, sorted by (left, right): the file's pairs,
/// the composites' pairs (36831), the extra pairs (36833; 36832 when also composite) and the
/// pairs the features derive from them. Removes from extra every pair known before it.
std::vector<ZVpair_frequency>
expand_pair_frequencies(const ZVfeatures &features, std::vector<ZVglyph_pair> &extra,
                        const PLXlibNamespaceForZV::ZVglyphsinfo &table);
