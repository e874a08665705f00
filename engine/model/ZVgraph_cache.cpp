#include "engine/model/ZVgraph_cache.h"

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace zvgraphcache {
namespace {

struct Key {
    std::uint64_t stamp;
    std::array<std::uint64_t, 4> weights; // the bits of the doubles: equal only when identical
    bool operator==(const Key &) const = default;
};

struct KeyHash {
    // splitmix64's finalizer over the five words.
    static std::uint64_t mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t operator()(const Key &k) const {
        std::uint64_t h = mix(k.stamp);
        for (const std::uint64_t w : k.weights)
            h = mix(h ^ w);
        return static_cast<std::size_t>(h);
    }
};

using Map = std::unordered_map<Key, std::vector<float>, KeyHash>;

// Two generations per shard: when the newer fills, it becomes the older and the older is
// forgotten; a hit in the older moves the graph back into the newer.
struct Shard {
    std::mutex m;
    Map fresh, old;
    std::size_t fresh_bytes = 0;
};

constexpr std::size_t kShards = 32;
std::array<Shard, kShards> shards;
std::atomic<std::size_t> capacity{256u << 20};

Key key_of(const ZVsource &s, const ZVmix &mix) {
    Key k{s.stamp(), {}};
    for (int i = 0; i < 4; ++i)
        std::memcpy(&k.weights[static_cast<std::size_t>(i)],
                    &mix.weights[static_cast<std::size_t>(i)], sizeof(double));
    return k;
}

} // namespace

ZVgraph graph(const ZVsource &source, const ZVmix &mix) {
    if (source.stamp() == 0)
        return ZVgraph(source, mix);
    const Key k = key_of(source, mix);
    Shard &shard = shards[(KeyHash{}(k) >> 58) % kShards];
    ZVgraph g;
    {
        std::lock_guard<std::mutex> lock(shard.m);
        if (const auto it = shard.fresh.find(k); it != shard.fresh.end()) {
            g.breadths = it->second;
            return g;
        }
        if (const auto it = shard.old.find(k); it != shard.old.end()) {
            g.breadths = it->second;
            shard.fresh_bytes += g.breadths.size() * sizeof(float);
            shard.fresh.emplace(k, std::move(it->second));
            shard.old.erase(it);
            return g;
        }
    }
    g = ZVgraph(source, mix);
    const std::size_t bytes = g.breadths.size() * sizeof(float) + 64;
    std::lock_guard<std::mutex> lock(shard.m);
    if (shard.fresh.count(k))
        return g; // built by another thread meanwhile (the same graph)
    if (shard.fresh_bytes + bytes > capacity.load(std::memory_order_relaxed) / (2 * kShards)) {
        shard.old = std::move(shard.fresh);
        shard.fresh = Map();
        shard.fresh_bytes = 0;
    }
    shard.fresh.emplace(k, g.breadths);
    shard.fresh_bytes += bytes;
    return g;
}

void clear() {
    for (Shard &s : shards) {
        std::lock_guard<std::mutex> lock(s.m);
        s.fresh.clear();
        s.old.clear();
        s.fresh_bytes = 0;
    }
}

void set_capacity(std::size_t bytes) { capacity.store(bytes, std::memory_order_relaxed); }

} // namespace zvgraphcache
