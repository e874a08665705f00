#include "engine/model/ZVfeedback.h"

#include <algorithm>

const ZVfeedback ZVfeedbacks::empty_feedback{};

bool ZVfeedback::matches(const ZVfeedback &f) const {
    if (type != f.type)
        return false;
    if (pairs.size() == f.pairs.size() &&
        std::equal(
            pairs.begin(), pairs.end(), f.pairs.begin(),
            [](const ZVsimplepair &a, const ZVsimplepair &b) { return a.indices == b.indices; }))
        return true;
    return type == tighter_than && pairs.size() == 2 && f.pairs.size() == 2 &&
           pair_is_too_tight != f.pair_is_too_tight && pairs[0].indices == f.pairs[1].indices &&
           pairs[1].indices == f.pairs[0].indices;
}

void ZVfeedbacks::remove(const ZVfeedback &f) {
    const auto it =
        std::find_if(list.begin(), list.end(), [&](const ZVfeedback &e) { return e.matches(f); });
    if (it != list.end())
        list.erase(it);
}

void ZVfeedbacks::add(const ZVfeedback &f) {
    if (f.type == ZVfeedback::none)
        return;
    for (const auto &d : dismissed)
        if (d.matches(f))
            return;
    const int t = f.type;
    // Walk from the end toward the front; the feedback goes right after the one the walk stops at.
    auto place = list.begin();
    for (auto it = list.end(); it != list.begin();) {
        --it;
        const ZVfeedback &e = *it;
        bool stop;
        if (t >= 13) {
            stop = e.type < t;
        } else if (e.type > 12) {
            continue;
        } else if ((e.type == ZVfeedback::tighter_than) == (t == ZVfeedback::tighter_than)) {
            stop = f.urgency > e.urgency;
        } else {
            stop = t > e.type;
        }
        if (stop) {
            place = std::next(it);
            break;
        }
    }
    // A status message standing last gives way to the next message that goes to the end.
    if (place == list.end() && !list.empty() && list.back().type >= 14 && list.back().type <= 17) {
        list.pop_back();
        place = list.end();
    }
    list.insert(place, f);
}

void ZVfeedbacks::merge(ZVfeedbacks &other) {
    for (const auto &f : other.list) {
        if (f.type == ZVfeedback::none)
            continue;
        remove(f);
        add(f);
    }
    other.list.clear();
}

void ZVfeedbacks::erase_types_9_to_11() {
    list.remove_if([](const ZVfeedback &f) { return f.type >= 9 && f.type <= 11; });
}

void add_typed_feedback(ZVfeedbacks &list, int type, std::span<const ZVsimplepair> pairs) {
    append_feedback(list, type, pairs, 0);
}

void append_feedback(ZVfeedbacks &list, int type, std::span<const ZVsimplepair> pairs,
                     double urgency) {
    ZVfeedback f;
    f.type = type;
    f.urgency = urgency;
    f.pairs.assign(pairs.begin(), pairs.end());
    list.add(f);
}

void add_feedback_unique(ZVfeedbacks &list, const ZVfeedback &f) {
    if (list.list.empty()) {
        list.add(f);
        return;
    }
    const auto it = std::find_if(list.list.begin(), list.list.end(),
                                 [&](const ZVfeedback &e) { return e.matches(f); });
    if (it == list.list.end()) {
        list.add(f);
        return;
    }
    it->urgency = std::max(it->urgency, f.urgency);
    list.list.sort([](const ZVfeedback &a, const ZVfeedback &b) { return a.urgency < b.urgency; });
}

std::vector<ZVsimplepair> collect_removed_model_pairs(const ZVfeedbacks &list) {
    std::vector<ZVsimplepair> result;
    for (const auto &f : list.list) {
        if (f.pairs.empty())
            continue;
        if (f.type == ZVfeedback::model_identical) {
            ZVsimplepair p = f.pairs.front();
            p.properties.set_kind(ZV_USER_SET_AUTO);
            result.push_back(p);
        } else if (f.type == ZVfeedback::model_status_removed) {
            ZVsimplepair p = f.pairs.front();
            p.properties.set_kind(ZV_INDEPENDENT);
            p.value_min = p.value_max = p.value;
            result.push_back(p);
        }
    }
    return result;
}
