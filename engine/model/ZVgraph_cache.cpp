#include "engine/model/ZVgraph_cache.h"

#include "engine/model/ZVkept.h"

#include <vector>

namespace zvgraphcache {
namespace {

// Graph breadths by (measurement stamp, the mix's four weights).
ZVkept<5, std::vector<float>> &graphs() {
    static ZVkept<5, std::vector<float>> kept(256u << 20);
    return kept;
}

} // namespace

ZVgraph graph(const ZVsource &source, const ZVmix &mix) {
    if (source.stamp() == 0)
        return ZVgraph(source, mix);
    using Kept = ZVkept<5, std::vector<float>>;
    const Kept::Key k{source.stamp(), Kept::word(mix.weights[0]), Kept::word(mix.weights[1]),
                      Kept::word(mix.weights[2]), Kept::word(mix.weights[3])};
    ZVgraph g;
    if (std::optional<std::vector<float>> b = graphs().find(k)) {
        g.breadths = std::move(*b);
        return g;
    }
    g = ZVgraph(source, mix);
    graphs().keep(k, g.breadths);
    return g;
}

void clear() { graphs().clear(); }

void set_capacity(std::size_t bytes) { graphs().set_capacity(bytes); }

} // namespace zvgraphcache
