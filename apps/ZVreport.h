// What the headless commands print of the engine's work: pairs by glyph names, the engine's
// messages in words, and how far new kerning lies from the kerning a font held before.
#pragma once

#include "bridge/ZVUserData.h"
#include "engine/font/ZVfontMM.h"
#include "host/GSFontMaster.h"
#include "plugin/ZVFeedbackText.h"

#include <cmath>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

/// "left/right" by the engine's glyph names ("-" for an index it lacks).
inline std::string ZVpairName(const ZVfontMM &mm, ZVglyph_pair p) {
    const auto &names = mm.glyphsinfo._glyph_name_for_index;
    auto name = [&](std::uint16_t g) { return g < names.size() ? names[g] : std::string("-"); };
    return name(p.first) + "/" + name(p.second);
}

/// An engine message with its words as the window's message area shows them (a message that
/// shows none says so with its number of pairs), each line break followed by `indent`. `master`
/// is the font master the message belongs to: its autokerning source fills types 4 and 5.
inline std::string ZVmessageWords(const ZVfeedback &f, const ZVDataFromGlyphs &bridge,
                                  const GSFontMaster *master, const std::string &indent) {
    std::optional<std::vector<std::string>> from;
    if (master)
        if (const auto source = zvuserdata::autokerningSource(*master))
            from = std::vector<std::string>{source->first, source->second};
    std::string text = ZVfeedbackText(f, bridge, from);
    if (text.empty())
        text = "(a message without words, " + std::to_string(f.pairs.size()) + " pairs)";
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos;
         at += 1 + indent.size())
        text.insert(at + 1, indent);
    return text;
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
