// An insertion-ordered dictionary with string keys: property-list dictionaries, and the host's
// kerning and user data (which the host calls MGOrderedDictionary).
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

/// String-keyed dictionary that enumerates in insertion order; replacing a value keeps its place.
template <class V> class OrderedDictionary {
  public:
    using Entry = std::pair<std::string, V>;

    OrderedDictionary() = default;
    /// An empty dictionary with room for `capacity` entries.
    static OrderedDictionary dictionaryWithCapacity(std::size_t capacity) {
        OrderedDictionary d;
        d.entries_.reserve(capacity);
        if (capacity > kLinear)
            d.index_.reserve(capacity);
        return d;
    }

    /// Number of entries.
    std::size_t count() const { return entries_.size(); }
    /// Whether there are no entries.
    bool empty() const { return entries_.empty(); }
    /// The value stored under `key`, or nullptr.
    const V *objectForKey(const std::string &key) const {
        const std::size_t at = find(key);
        return at == npos ? nullptr : &entries_[at].second;
    }
    /// The value stored under `key`, or nullptr; changes go into the dictionary.
    V *objectForKey(const std::string &key) {
        const std::size_t at = find(key);
        return at == npos ? nullptr : &entries_[at].second;
    }
    /// Stores `value` under `key`: a new key goes last, an existing one keeps its place.
    V &setObject(V value, const std::string &key) {
        bool added = false;
        V &slot = slotFor(key, added);
        slot = std::move(value);
        return slot;
    }
    /// Stores `value` under a new `key` and answers it; answers nullptr (storing nothing) when the
    /// key is already there.
    V *addObjectIfAbsent(V value, const std::string &key) {
        bool added = false;
        V &slot = slotFor(key, added);
        if (!added)
            return nullptr;
        slot = std::move(value);
        return &slot;
    }
    /// Appends an entry without looking for its key or indexing it: for a reader that checks
    /// uniqueness itself (see hasDuplicateKey) and then only enumerates. Lookups stay correct,
    /// searching in order until the next setObject indexes the dictionary.
    void appendUnchecked(std::string key, V value) {
        entries_.emplace_back(std::move(key), std::move(value));
    }
    /// A key that occurs twice, or nullptr.
    const std::string *duplicateKey() const {
        if (entries_.size() <= kLinear) {
            for (std::size_t i = 0; i < entries_.size(); ++i)
                for (std::size_t j = i + 1; j < entries_.size(); ++j)
                    if (entries_[i].first == entries_[j].first)
                        return &entries_[j].first;
            return nullptr;
        }
        std::vector<const std::string *> keys;
        keys.reserve(entries_.size());
        for (const Entry &e : entries_)
            keys.push_back(&e.first);
        std::sort(keys.begin(), keys.end(),
                  [](const std::string *a, const std::string *b) { return *a < *b; });
        for (std::size_t i = 1; i < keys.size(); ++i)
            if (*keys[i] == *keys[i - 1])
                return keys[i];
        return nullptr;
    }
    /// Removes `key`; answers whether it was there. Later entries keep their order.
    bool removeObjectForKey(const std::string &key) {
        const std::size_t at = find(key);
        if (at == npos)
            return false;
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
        rebuildIndex();
        return true;
    }
    /// Removes every entry.
    void removeAllObjects() {
        entries_.clear();
        index_.clear();
    }
    /// Keys in order.
    std::vector<std::string> allKeys() const {
        std::vector<std::string> keys;
        keys.reserve(entries_.size());
        for (const Entry &e : entries_)
            keys.push_back(e.first);
        return keys;
    }
    /// Entry i in insertion order (i < count()).
    const Entry &entryAtIndex(std::size_t i) const { return entries_[i]; }
    /// Entry i with a changeable value (i < count()); the key must stay.
    Entry &entryAtIndexMutable(std::size_t i) { return entries_[i]; }

    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }
    auto begin() { return entries_.begin(); }
    auto end() { return entries_.end(); }

    /// Equal when both hold the same keys with equal values in the same order.
    bool operator==(const OrderedDictionary &o) const { return entries_ == o.entries_; }

  private:
    // Small dictionaries (most user data, every object of a font file) are searched in order;
    // larger ones keep a hash index.
    static constexpr std::size_t kLinear = 8;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t find(const std::string &key) const {
        if (index_.empty()) {
            for (std::size_t i = 0; i < entries_.size(); ++i)
                if (entries_[i].first == key)
                    return i;
            return npos;
        }
        auto it = index_.find(key);
        return it == index_.end() ? npos : it->second;
    }
    // The value slot of `key`, appended (default-made) when new.
    V &slotFor(const std::string &key, bool &added) {
        if (!index_.empty()) {
            auto [it, fresh] = index_.try_emplace(key, entries_.size());
            added = fresh;
            if (!fresh)
                return entries_[it->second].second;
            return entries_.emplace_back(key, V{}).second;
        }
        if (entries_.size() >= kLinear) { // about to outgrow the ordered search
            rebuildIndex();
            if (!index_.empty())
                return slotFor(key, added);
        }
        const std::size_t at = find(key);
        added = at == npos;
        if (!added)
            return entries_[at].second;
        return entries_.emplace_back(key, V{}).second;
    }
    void rebuildIndex() {
        index_.clear();
        if (entries_.size() <= kLinear)
            return;
        index_.reserve(entries_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i)
            index_.emplace(entries_[i].first, i);
    }
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> index_;
};
