// A bounded store of results kept by exactly what they were computed from: keys are words (the
// bits of the numbers, so that only identical inputs meet), values are copied in and out. Two
// generations per shard: when the newer fills it becomes the older and the older is forgotten; a
// hit in the older moves the value back. Safe to use from several threads.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>

template <std::size_t Words, class Value> class ZVkept {
  public:
    using Key = std::array<std::uint64_t, Words>;

    /// bytes_of(value) estimates what a value holds; capacity is the total for both generations.
    explicit ZVkept(std::size_t capacity) : capacity_(capacity) {}

    std::optional<Value> find(const Key &k) {
        Shard &s = shard(k);
        std::lock_guard<std::mutex> lock(s.m);
        if (const auto it = s.fresh.find(k); it != s.fresh.end())
            return it->second;
        if (const auto it = s.old.find(k); it != s.old.end()) {
            Value v = it->second;
            s.fresh_bytes += bytes_of(v);
            s.fresh.emplace(k, std::move(it->second));
            s.old.erase(it);
            return v;
        }
        return std::nullopt;
    }

    void keep(const Key &k, const Value &v) {
        Shard &s = shard(k);
        const std::size_t bytes = bytes_of(v);
        std::lock_guard<std::mutex> lock(s.m);
        if (s.fresh.count(k))
            return; // kept by another thread meanwhile: the same value
        if (s.fresh_bytes + bytes > capacity_.load(std::memory_order_relaxed) / (2 * kShards)) {
            s.old = std::move(s.fresh);
            s.fresh = Map();
            s.fresh_bytes = 0;
        }
        s.fresh.emplace(k, v);
        s.fresh_bytes += bytes;
    }

    void clear() {
        for (Shard &s : shards_) {
            std::lock_guard<std::mutex> lock(s.m);
            s.fresh.clear();
            s.old.clear();
            s.fresh_bytes = 0;
        }
    }

    void set_capacity(std::size_t bytes) { capacity_.store(bytes, std::memory_order_relaxed); }

    /// The key word of a double: its bits.
    static std::uint64_t word(double x) {
        std::uint64_t w;
        std::memcpy(&w, &x, sizeof w);
        return w;
    }

  private:
    static constexpr std::size_t kShards = 32;

    struct Hash {
        // splitmix64's finalizer over the words.
        static std::uint64_t mix(std::uint64_t z) {
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return z ^ (z >> 31);
        }
        std::size_t operator()(const Key &k) const {
            std::uint64_t h = 0;
            for (const std::uint64_t w : k)
                h = mix(h ^ w);
            return static_cast<std::size_t>(h);
        }
    };
    using Map = std::unordered_map<Key, Value, Hash>;
    struct Shard {
        std::mutex m;
        Map fresh, old;
        std::size_t fresh_bytes = 0;
    };

    static std::size_t bytes_of(const Value &v) {
        if constexpr (requires { v.size(); })
            return v.size() * sizeof(v[0]) + 96;
        else
            return sizeof(Value) + 96;
    }
    Shard &shard(const Key &k) { return shards_[(Hash{}(k) >> 58) % kShards]; }

    std::array<Shard, kShards> shards_;
    std::atomic<std::size_t> capacity_;
};
