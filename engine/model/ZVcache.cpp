#include "engine/model/ZVcache.h"

#include <algorithm>

namespace {

bool by_right(const ZVsimplepair &a, const ZVsimplepair &b) {
    return a.indices.second < b.indices.second;
}

} // namespace

void ZVcache::scale_record(ZVsimplepair &pair) const {
    pair.value = static_cast<float>(pair.value * scale);
    pair.value_min = static_cast<float>(pair.value_min * scale);
    pair.value_max = static_cast<float>(pair.value_max * scale);
}

ZVsimplepair &ZVcache::add_simplepair(const ZVsimplepair &pair, bool scale_values) {
    if (pair.indices.first >= lists.size()) {
        scratch_ = pair;
        return scratch_;
    }
    auto &list = lists[pair.indices.first];
    ZVsimplepair &stored = list.emplace_back(pair);
    if (scale_values) {
        scale_record(stored);
        if (stored.properties.kind() == ZV_MODEL) {
            const float whole = round_half_away(stored.value);
            stored.value = stored.value_min = stored.value_max = whole;
        }
    }
    sorted = false;
    return stored;
}

void ZVcache::add_sourcepair(const ZVsimplepair &pair, bool scale_values) {
    if (pair.indices.first >= lists.size())
        return;
    auto &list = lists[pair.indices.first];
    if (!sorted)
        std::sort(list.begin(), list.end(), by_right);
    const auto it = std::lower_bound(list.begin(), list.end(), pair, by_right);
    if (it != list.end() && it->indices == pair.indices) {
        it->value = pair.value;
        it->value_min = pair.value_min;
        it->value_max = pair.value_max;
        it->frequency = pair.frequency;
        it->properties = pair.properties;
        if (scale_values)
            scale_record(*it);
        return;
    }
    ZVsimplepair &stored = list.emplace_back(pair);
    if (scale_values)
        scale_record(stored);
    if (sorted)
        std::sort(list.begin(), list.end(), by_right);
}

bool ZVcache::remove_pair(ZVglyph_pair pair) {
    if (pair.first >= lists.size())
        return false;
    auto &list = lists[pair.first];
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const ZVsimplepair &p) { return p.indices == pair; });
    if (it == list.end())
        return false;
    *it = list.back();
    list.pop_back();
    sorted = false;
    return true;
}

const ZVsimplepair *ZVcache::find(ZVglyph_pair pair) const {
    if (pair.first >= lists.size())
        return nullptr;
    const auto &list = lists[pair.first];
    if (sorted) { // only a sorted list may be searched by halves
        const ZVsimplepair key{pair, 0, 0, 0, 0, {}};
        const auto it = std::lower_bound(list.begin(), list.end(), key, by_right);
        return it != list.end() && it->indices == pair ? &*it : nullptr;
    }
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const ZVsimplepair &p) { return p.indices == pair; });
    return it == list.end() ? nullptr : &*it;
}
