// Graphs kept by what they are made of, so that the mix search builds each model pair's graph
// under a mix once: the passes of one search, the refits after an edit and the starting mixes
// of every search ask for the same ones again.
#pragma once

#include "engine/model/ZVgraph.h"

#include <cstddef>

namespace zvgraphcache {

/// The graph of a measurement under a mix, as ZVgraph(source, mix) builds it. Kept by the
/// source's stamp and the mix's four weights (all the construction reads), so a measurement
/// taken again in place never meets an old graph; sources without a stamp are not kept. Safe
/// to call from several threads.
ZVgraph graph(const ZVsource &source, const ZVmix &mix);

/// Drops every kept graph.
void clear();
/// Bytes of breadths the cache may hold before it forgets its older half.
void set_capacity(std::size_t bytes);

} // namespace zvgraphcache
