// Measurements shared by the pairs of one kerning run whose glyphs face each other with the
// same sides: accented, composite and cross-script twins of a glyph often carry its very
// profile, and a pair of them gives the measurements of its twin pair bit for bit.
#pragma once

#include "engine/geometry/ZVglyphs.h"
#include "engine/model/ZVsimplepair.h"
#include "engine/model/ZVsource.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

class ZVsharedmeasurements {
  public:
    /// Finds, among the pairs about to be measured, those whose measurements other pairs of
    /// the list share. Nothing is measured yet.
    ZVsharedmeasurements(const PLXlibNamespaceForZV::ZVglyphs &glyphs,
                         const std::vector<ZVglyph_pair> &pairs);

    /// Fills s with the measurement of pair at value with search width n when a pair of the
    /// same sides was measured so; false otherwise (measure it, then put it). Thread-safe.
    bool take(ZVglyph_pair pair, unsigned n, float value, ZVsource &s);
    /// Hands a measurement just taken to the other pairs of the same sides. Thread-safe.
    void put(ZVglyph_pair pair, unsigned n, float value, const ZVsource &s);
    /// Measurements waiting for a pair that has not taken them yet.
    std::size_t held() const;

  private:
    struct Key {
        std::uint32_t sides; // the couple of sides, numbered among the shared ones
        std::uint32_t value_bits;
        unsigned n;
        bool operator==(const Key &) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key &k) const {
            return (static_cast<std::size_t>(k.sides) * 0x9E3779B97F4A7C15ULL) ^
                   (static_cast<std::size_t>(k.value_bits) << 1) ^ k.n;
        }
    };
    struct Held {
        ZVsource source;
        std::uint32_t waiting; // pairs of these sides that may still take it
    };
    // A glyph's side class for each side: glyphs whose facing profiles, zone profiles and
    // category bucket are alike share it.
    std::vector<std::uint32_t> left_class_, right_class_;
    // Couples of side classes met by more than one pair: their number and how many pairs.
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::pair<std::uint32_t, std::uint32_t>>
        shared_;
    mutable std::mutex mutex_;
    std::unordered_map<Key, Held, KeyHash> held_;

    bool key_for(ZVglyph_pair pair, unsigned n, float value, Key &key, std::uint32_t &pairs) const;
};
