#include "engine/model/ZVsharedmeasurements.h"

#include <cstring>
#include <functional>

using PLXlibNamespaceForZV::ZVglyph;
using PLXlibNamespaceForZV::ZVglyphs;
using PLXlibNamespaceForZV::ZVprofile;

namespace {

bool same_profile(const ZVprofile &a, const ZVprofile &b) {
    return a.first_row == b.first_row && a.depths == b.depths && a.min_depth == b.min_depth &&
           a.max_depth == b.max_depth && a.next_closer_above == b.next_closer_above &&
           a.next_closer_below == b.next_closer_below;
}

std::size_t profile_hash(const ZVprofile &p) {
    std::size_t h = std::hash<std::int64_t>()(p.first_row) ^ p.depths.size();
    for (const double d : p.depths) {
        std::uint64_t u;
        std::memcpy(&u, &d, sizeof u);
        h = (h ^ u) * 0x100000001B3ULL;
    }
    return h;
}

// A measurement reads the category only as: lowercase, uppercase, another letter, or no letter.
int category_bucket(const ZVglyph &g) {
    const int c = g.category.category;
    return c == 0 || c == 1 ? c : c >= 3 ? 3 : 2;
}

// Numbers the glyphs by their side (profile and zone profile) and category bucket: glyphs with
// the same number measure alike on that side.
std::vector<std::uint32_t> side_classes(const ZVglyphs &glyphs, bool right) {
    const std::size_t count = glyphs.glyphs.size();
    std::vector<std::uint32_t> cls(count);
    std::unordered_multimap<std::size_t, std::uint32_t> seen; // hash -> first glyph alike
    for (std::size_t g = 0; g < count; ++g) {
        const ZVglyph &x = glyphs.glyphs[g];
        const ZVprofile &p = right ? x.right : x.left;
        const ZVprofile &z = right ? x.right_zone : x.left_zone;
        const std::size_t h = (profile_hash(p) * 31 + profile_hash(z)) * 7 +
                              static_cast<std::size_t>(category_bucket(x));
        cls[g] = static_cast<std::uint32_t>(g);
        const auto [from, to] = seen.equal_range(h);
        for (auto it = from; it != to; ++it) {
            const ZVglyph &y = glyphs.glyphs[it->second];
            if (category_bucket(x) == category_bucket(y) &&
                same_profile(p, right ? y.right : y.left) &&
                same_profile(z, right ? y.right_zone : y.left_zone)) {
                cls[g] = it->second;
                break;
            }
        }
        if (cls[g] == g)
            seen.emplace(h, static_cast<std::uint32_t>(g));
    }
    return cls;
}

} // namespace

ZVsharedmeasurements::ZVsharedmeasurements(const ZVglyphs &glyphs,
                                           const std::vector<ZVglyph_pair> &pairs)
    : left_class_(side_classes(glyphs, false)), right_class_(side_classes(glyphs, true)) {
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> count;
    for (const ZVglyph_pair &p : pairs)
        if (p.first < right_class_.size() && p.second < left_class_.size())
            ++count[{right_class_[p.first], left_class_[p.second]}];
    std::uint32_t number = 0;
    for (const auto &[sides, pairs_of] : count)
        if (pairs_of > 1)
            shared_.emplace(sides, std::make_pair(number++, pairs_of));
}

bool ZVsharedmeasurements::key_for(ZVglyph_pair pair, unsigned n, float value, Key &key,
                                   std::uint32_t &pairs) const {
    if (pair.first >= right_class_.size() || pair.second >= left_class_.size())
        return false;
    const auto it = shared_.find({right_class_[pair.first], left_class_[pair.second]});
    if (it == shared_.end())
        return false;
    key.sides = it->second.first;
    std::memcpy(&key.value_bits, &value, sizeof key.value_bits);
    key.n = n;
    pairs = it->second.second;
    return true;
}

bool ZVsharedmeasurements::take(ZVglyph_pair pair, unsigned n, float value, ZVsource &s) {
    Key key;
    std::uint32_t pairs;
    if (!key_for(pair, n, value, key, pairs))
        return false;
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = held_.find(key);
    if (it == held_.end())
        return false;
    if (--it->second.waiting == 0) {
        s = std::move(it->second.source);
        held_.erase(it);
    } else {
        s = it->second.source;
    }
    return true;
}

void ZVsharedmeasurements::put(ZVglyph_pair pair, unsigned n, float value, const ZVsource &s) {
    Key key;
    std::uint32_t pairs;
    if (!key_for(pair, n, value, key, pairs))
        return;
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto [it, inserted] = held_.try_emplace(key, Held{s, pairs - 1});
    // Measured here at the same time as by another pair of the same sides: one wait less.
    if (!inserted && --it->second.waiting == 0)
        held_.erase(it);
}

std::size_t ZVsharedmeasurements::held() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return held_.size();
}
