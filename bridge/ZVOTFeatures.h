// The helpers of the substitution reader that need no bridge: finding a feature by tag, merging
// a nested lookup's substitutions under a known neighbour, the glyph flags a substitution sets,
// and the order of features.
#pragma once

#include "engine/geometry/ZVglyphsinfo.h"
#include "engine/model/ZVfeatures.h"

#include <cstdint>
#include <string>
#include <vector>

/// The first feature of that tag, appended (empty) when there is none. Valid until the next
/// append.
ZVfeature &find_or_add_feature(std::vector<ZVfeature> &features, const std::string &tag);

/// A nested lookup applied to the glyph after g: with g (the neighbour before), its single
/// substitutions become pair substitutions (g, a) → (g, b); without one (65535), they apply to the
/// right glyph of a pair.
void add_substitutions_after_glyph(ZVfeature &target, std::uint16_t g, const ZVfeature &nested);

/// A nested lookup applied to the glyph before g: with g, pair substitutions (a, g) → (b, g);
/// without one (65535), they apply to the left glyph of a pair.
void add_substitutions_before_glyph(ZVfeature &target, const ZVfeature &nested, std::uint16_t g);

/// Flags the glyph table for one substitution source → substitute of the feature: figure-style
/// sources, and substitutes reached from a reachable source (with the feature's own mark; "sinf",
/// "dnom", "numr", "subs" and "sups" substitutes count as other letters at least).
void set_glyph_flags_from_feature(const ZVfeature &feature,
                                  std::vector<PLXlibNamespaceForZV::ZVglyph_category> &categories,
                                  std::uint16_t source, std::uint16_t substitute);

/// Whether a's lookups come before b's, compared as ascending sequences.
bool compare_features_by_lookups(const ZVfeature &a, const ZVfeature &b);
