// A pair whose value the designer gave, with its measurement.
#pragma once

#include "engine/model/ZVpair.h"
#include "engine/model/ZVsource.h"

#include <vector>

class ZVmodelpair;

class ZVsourcepair : public ZVpair {
  public:
    /// Measurements of the pair; a source pair holds one, at its value.
    std::vector<ZVsource> sources;

    ZVsourcepair() = default;
    /// The head's pair and value, with groups and depth from the glyphs, measured at its value
    /// keeping at least n shells.
    ZVsourcepair(const ZVsimplepair &head, const PLXlibNamespaceForZV::ZVglyph &left,
                 const PLXlibNamespaceForZV::ZVglyph &right, unsigned n);

    /// The current measurement (the last); an empty source when there is none.
    const ZVsource &current_source() const;
    /// Whether the current measurement has shells.
    bool measurable() const { return !current_source().empty(); }
    /// The span of values the pair can take against the model pairs, for the dialog.
    ZVUIpair min_max_span_info(const ZVmix &mix, const std::vector<ZVmodelpair> &models) const;
    /// The record the pair would get if it were autokerned (a user-set autopair), engine units.
    ZVsimplepair if_autokerned(const ZVmix &mix, const std::vector<ZVmodelpair> &models,
                               const PLXlibNamespaceForZV::ZVglyphs &glyphs) const;
};
