// What the headless commands print of the engine's work: pairs by glyph names, the engine's
// messages in words, and how far new kerning lies from the kerning a font held before.
#pragma once

#include "engine/font/ZVfontMM.h"

#include <cmath>
#include <cstddef>
#include <map>
#include <string>

/// "left/right" by the engine's glyph names ("-" for an index it lacks).
inline std::string ZVpairName(const ZVfontMM &mm, ZVglyph_pair p) {
    const auto &names = mm.glyphsinfo._glyph_name_for_index;
    auto name = [&](std::uint16_t g) { return g < names.size() ? names[g] : std::string("-"); };
    return name(p.first) + "/" + name(p.second);
}

/// What an engine message says, in a few words (the window shows it in full, with its pairs).
inline const char *ZVmessageWords(int type) {
    switch (type) {
    case ZVfeedback::too_few_unkerned_pairs:
        return "too few pairs that need no kerning";
    case ZVfeedback::starting_up:
        return "starting up";
    case ZVfeedback::linked_metrics:
        return "linked metrics";
    case ZVfeedback::autokerned_from_this_font:
    case ZVfeedback::autokerned_from_other_font:
        return "autokerned from another master";
    case ZVfeedback::interpolated:
        return "interpolated";
    case ZVfeedback::no_models:
        return "no models: autokerning not active";
    case ZVfeedback::suggested_model:
        return "suggested model";
    case ZVfeedback::tighter_than:
        return "seems tighter than";
    case ZVfeedback::similar_models:
        return "seems very similar to";
    case ZVfeedback::reworking_existing:
        return "re-working the existing kerning";
    case ZVfeedback::more_models_wanted:
        return "some models picked, more wanted";
    case ZVfeedback::reworked_changes:
        return "the kerning was re-worked (changes to show)";
    case ZVfeedback::engine_running:
        return "the engine is running";
    case ZVfeedback::pairs_rejected:
        return "pairs rejected as contradicting others";
    case ZVfeedback::model_status_removed:
        return "model status removed";
    case ZVfeedback::model_identical:
        return "model removed as identical to another";
    case ZVfeedback::no_kerning_models_removed:
        return "models with no-kerning glyphs removed";
    case ZVfeedback::newer_version:
        return "last edited with a newer version";
    case ZVfeedback::composite_pairs_added:
        return "additional pairs that impact composite glyphs";
    }
    return "unknown message";
}

/// How far new kerning lies from the kerning before, over every pair either holds (a pair missing
/// from one counts as 0): the mean absolute difference and the share within 10 units per 1000 em.
struct ZVkerningDistance {
    std::size_t compared = 0;
    double meanDifference = 0; ///< font units
    double percentWithin = 0;  ///< of the pairs compared
    double tolerance = 0;      ///< font units
};

template <class Value>
ZVkerningDistance ZVkerningDistanceOf(const std::map<ZVglyph_pair, float> &before,
                                      const std::map<ZVglyph_pair, Value> &now,
                                      double unitsPerEm) {
    std::map<ZVglyph_pair, std::pair<double, double>> both;
    for (const auto &[pair, v] : before)
        both[pair].first = v;
    for (const auto &[pair, v] : now)
        both[pair].second = static_cast<double>(v);
    ZVkerningDistance d;
    d.tolerance = 10.0 * unitsPerEm / 1000.0;
    d.compared = both.size();
    if (both.empty())
        return d;
    double sum = 0;
    std::size_t within = 0;
    for (const auto &[pair, v] : both) {
        const double difference = std::fabs(v.first - v.second);
        sum += difference;
        within += difference <= d.tolerance;
    }
    const double n = static_cast<double>(both.size());
    d.meanDifference = sum / n;
    d.percentWithin = 100.0 * static_cast<double>(within) / n;
    return d;
}
