// An insertion-ordered dictionary with string keys, as the host keeps kerning and user data.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

/// String-keyed dictionary that enumerates in insertion order; replacing a value keeps its place.
template <class V> class MGOrderedDictionary {
  public:
    using Entry = std::pair<std::string, V>;

    MGOrderedDictionary() = default;
    /// An empty dictionary with room for `capacity` entries.
    static MGOrderedDictionary dictionaryWithCapacity(std::size_t capacity) {
        MGOrderedDictionary d;
        d.entries_.reserve(capacity);
        d.index_.reserve(capacity);
        return d;
    }

    /// Number of entries.
    std::size_t count() const { return entries_.size(); }
    /// Whether there are no entries.
    bool empty() const { return entries_.empty(); }
    /// The value stored under `key`, or nullptr.
    const V *objectForKey(const std::string &key) const {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : &entries_[it->second].second;
    }
    /// The value stored under `key`, or nullptr; changes go into the dictionary.
    V *objectForKey(const std::string &key) {
        auto it = index_.find(key);
        return it == index_.end() ? nullptr : &entries_[it->second].second;
    }
    /// Stores `value` under `key`: a new key goes last, an existing one keeps its place.
    V &setObject(V value, const std::string &key) {
        auto [it, added] = index_.try_emplace(key, entries_.size());
        if (added)
            return entries_.emplace_back(key, std::move(value)).second;
        return entries_[it->second].second = std::move(value);
    }
    /// Removes `key`; answers whether it was there. Later entries keep their order.
    bool removeObjectForKey(const std::string &key) {
        auto it = index_.find(key);
        if (it == index_.end())
            return false;
        const std::size_t at = it->second;
        index_.erase(it);
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
        for (std::size_t i = at; i < entries_.size(); ++i)
            index_[entries_[i].first] = i;
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

    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }
    auto begin() { return entries_.begin(); }
    auto end() { return entries_.end(); }

    /// Equal when both hold the same keys with equal values in the same order.
    bool operator==(const MGOrderedDictionary &o) const { return entries_ == o.entries_; }

  private:
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> index_;
};
