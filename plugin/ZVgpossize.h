// The size of the kerning a master ships: the length of the GPOS table that fontTools' feature
// compiler (feaLib) builds from the master's kerning alone, estimated without building it.
//
// The kerning is one `kern` feature: `pos a b v;` per glyph–glyph entry and `pos @L @R v;` per
// class–class entry. feaLib makes one pair-positioning lookup of it: one format 1 subtable of all
// glyph pairs, then one format 2 subtable of all class pairs. The serializer stores identical
// tables once, and when a 16-bit offset overflows it stops sharing, halves subtables and moves the
// lookup into extension subtables, compiling again until everything fits. The estimate replays
// those rules on the table layout, so it follows the compiler's own sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// One glyph–glyph entry: glyph ids in the font's glyph order, value in font units.
struct ZVgposglyphpair {
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    std::int32_t value = 0;
};

/// One class–class entry: indices into the left and right classes, value in font units.
struct ZVgposclasspair {
    std::uint32_t left = 0;
    std::uint32_t right = 0;
    std::int32_t value = 0;
};

/// One master's kerning as the feature file states it.
struct ZVgposkerning {
    std::vector<ZVgposglyphpair> glyph_pairs; ///< each glyph pair at most once
    /// Class members as glyph ids in ascending glyph order; a class of the left glyph (its right
    /// side) and of the right glyph. Classes of one side are disjoint.
    std::vector<std::vector<std::uint16_t>> left_classes, right_classes;
    std::vector<ZVgposclasspair> class_pairs; ///< each class pair at most once
};

/// What the compiler would make of the kerning.
struct ZVgpossize {
    std::size_t bytes = 0;     ///< length of the GPOS table; 0 when there is no kerning
    std::size_t subtables = 0; ///< pair-positioning subtables after splitting
    bool extension = false;    ///< the lookup had to move into extension subtables
    bool fits = true;          ///< false: an offset overflows whatever is split (no table)
};

/// The GPOS size of a master's kerning. `glyph_names` is the font's glyph order (glyph id →
/// name); names break ties between classes of equal size as the compiler does.
ZVgpossize estimate_gpos_size(const ZVgposkerning &kerning,
                              const std::vector<std::string> &glyph_names);
