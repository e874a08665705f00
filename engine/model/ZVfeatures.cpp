#include "engine/model/ZVfeatures.h"

#include <algorithm>
#include <cmath>

namespace {

using namespace PLXlibNamespaceForZV;

bool pairsub_less(const ZVpairsub &a, const ZVpairsub &b) {
    return std::pair(a.left, a.right) < std::pair(b.left, b.right);
}

const ZVpairsub *find_pairsub(const std::vector<ZVpairsub> &subs, ZVglyph_pair p) {
    const ZVpairsub key{p.first, p.second, 0, 0};
    const auto it = std::lower_bound(subs.begin(), subs.end(), key, pairsub_less);
    if (it == subs.end() || it->left != p.first || it->right != p.second)
        return nullptr;
    return &*it;
}

// The first substitute of a glyph in a list sorted by source; the glyph itself when none.
bool substitute_of(const std::vector<ZVsinglesub> &subs, std::uint16_t g, std::uint16_t &out) {
    const auto it =
        std::lower_bound(subs.begin(), subs.end(), g,
                         [](const ZVsinglesub &s, std::uint16_t v) { return s.source < v; });
    if (it == subs.end() || it->source != g) {
        out = g;
        return false;
    }
    out = it->substitute;
    return true;
}

std::uint32_t pack(ZVglyph_pair p) {
    return p.first | (static_cast<std::uint32_t>(p.second) << 16);
}

std::uint16_t ceil_share(double factor, std::uint16_t frequency) {
    return static_cast<std::uint16_t>(std::ceil(factor * frequency));
}

const ZVglyph_category *category_of(const ZVglyphsinfo &table, std::uint16_t g) {
    return g < table._category_for_index.size() ? &table._category_for_index[g] : nullptr;
}

bool is_digit_char(const ZVglyphsinfo &table, std::uint16_t g) {
    const ZVglyph_category *c = category_of(table, g);
    return c && (c->flags & ZV_HAS_UNICODE) && c->unicode >= '0' && c->unicode <= '9';
}

// Lowercase letters and glyphs that are small capitals or old-style figures have no case form.
bool unfit_for_case(const ZVglyphsinfo &table, std::uint16_t g) {
    const ZVglyph_category *c = category_of(table, g);
    if (!c)
        return false;
    return c->category == ZV_LOWERCASE ||
           (c->flags & (ZV_SMALLCAP_SUBSTITUTE | ZV_LNUM_SOURCE | ZV_ONUM_SUBSTITUTE));
}

bool tag_in(const std::string &tag, std::initializer_list<const char *> tags) {
    return std::any_of(tags.begin(), tags.end(), [&](const char *t) { return tag == t; });
}

class Expansion {
  public:
    Expansion(const ZVfeatures &features, const ZVglyphsinfo &table)
        : features_(features), table_(table) {}

    std::vector<ZVpair_frequency> run(std::vector<ZVglyph_pair> &extra) {
        for (const auto &[pair, frequency] : features_.indices_with_frequency) {
            // A stored 0 would read as "not set": it counts as the rarest pair instead.
            map_[pair] = std::max<std::uint16_t>(frequency, 1);
            work_.push_back(pair);
        }
        for (const ZVglyph_pair &p : features_.composites_pairs) {
            std::uint16_t &v = map_[p];
            if (v == 0) {
                v = ZV_COMPOSITES_FREQUENCY;
                work_.push_back(p);
            }
        }
        std::vector<ZVglyph_pair> unknown;
        for (const ZVglyph_pair &p : extra) {
            std::uint16_t &v = map_[p];
            if (v == 0) {
                v = ZV_UNKNOWN_FREQUENCY;
                work_.push_back(p);
                unknown.push_back(p);
            } else if (v == ZV_COMPOSITES_FREQUENCY) {
                v = ZV_COMPOSITES_USER_FREQUENCY;
            }
        }
        extra = std::move(unknown);
        for (const ZVfeature &f : features_.features)
            if (!tag_in(f.tag, {"tnum", "aalt", "ccmp", "ordn", "frac", "fwid"}))
                apply(f);
        std::vector<ZVpair_frequency> result;
        result.reserve(map_.size());
        for (const auto &entry : map_)
            result.push_back(entry);
        return result;
    }

  private:
    std::uint16_t frequency(ZVglyph_pair p) const {
        const auto it = map_.find(p);
        return it == map_.end() ? 0 : it->second;
    }

    void offer(ZVglyph_pair p, std::uint16_t f) { add_frequent_pair(pack(p), f, map_, work_); }

    void through_members(const ZVfeature &f, ZVglyph_pair &p) const {
        if (!f.pair_substitutions.empty())
            expand_pair_with_members(p, f.pair_substitutions);
    }

    void apply(const ZVfeature &f) {
        if (!f.substitutions.empty()) {
            apply_substitutions(f);
            for (const ZVsinglesub &s : f.substitutions) {
                for (const ZVpartner &g : f.left_partners)
                    offer({g.first, s.substitute}, 50);
                for (const ZVpartner &g : f.right_partners)
                    offer({s.substitute, g.first}, 50);
            }
        }
        if (!f.pair_substitutions.empty()) {
            for (std::size_t i = 0; i < work_.size(); ++i) {
                const ZVglyph_pair p = work_[i];
                const std::uint16_t share = ceil_share(0.75, frequency(p));
                const ZVpairsub key{p.first, p.second, 0, 0};
                auto [lo, hi] = std::equal_range(f.pair_substitutions.begin(),
                                                 f.pair_substitutions.end(), key, pairsub_less);
                for (auto it = lo; it != hi; ++it) {
                    ZVglyph_pair q{it->left_substitute, it->right_substitute};
                    expand_pair_with_members(q, f.pair_substitutions);
                    offer(q, share);
                }
            }
        }
        // One side's substitutions: the pairs so far with the source on that side.
        auto substitute_side = [&](const std::vector<ZVsinglesub> &subs, bool left) {
            for (const ZVsinglesub &s : subs) {
                const std::size_t n = work_.size();
                for (std::size_t i = 0; i < n; ++i) {
                    const ZVglyph_pair p = work_[i];
                    if ((left ? p.first : p.second) != s.source)
                        continue;
                    ZVglyph_pair q = left ? ZVglyph_pair{s.substitute, p.second}
                                          : ZVglyph_pair{p.first, s.substitute};
                    through_members(f, q);
                    offer(q, ceil_share(0.75, frequency(p)));
                }
            }
        };
        substitute_side(f.left_substitutions, true);
        substitute_side(f.right_substitutions, false);
    }

    void apply_substitutions(const ZVfeature &f) {
        const bool digits_only = tag_in(f.tag, {"dnom", "numr", "sups", "subs", "sinf"});
        const double factor = f.tag.size() > 1 && f.tag.substr(1) == "num" ? 0.75 : 0.25;
        const bool case_forms = f.tag == "case";
        const std::size_t n = work_.size();
        for (std::size_t i = 0; i < n; ++i) {
            const ZVglyph_pair p = work_[i];
            if (digits_only && !(is_digit_char(table_, p.first) && is_digit_char(table_, p.second)))
                continue;
            ZVglyph_pair q;
            const bool l = substitute_of(f.substitutions, p.first, q.first);
            const bool r = substitute_of(f.substitutions, p.second, q.second);
            if (!l && !r)
                continue;
            through_members(f, q);
            if (case_forms && (unfit_for_case(table_, q.first) || unfit_for_case(table_, q.second)))
                continue;
            std::uint16_t value = ceil_share(factor, frequency(p));
            if (digits_only && value >= 51)
                value = 50;
            offer(q, value);
        }
    }

    const ZVfeatures &features_;
    const ZVglyphsinfo &table_;
    ZVfrequency_map map_;
    std::vector<ZVglyph_pair> work_;
};

} // namespace

void expand_pair_with_members(ZVglyph_pair &pair, const std::vector<ZVpairsub> &subs) {
    std::vector<ZVglyph_pair> visited{pair};
    for (;;) {
        const ZVpairsub *s = find_pairsub(subs, pair);
        if (!s)
            return;
        pair = {s->left_substitute, s->right_substitute};
        if (std::find(visited.begin(), visited.end(), pair) != visited.end()) {
            pair = visited.back();
            return;
        }
        visited.push_back(pair);
    }
}

void add_frequent_pair(std::uint32_t packed, std::uint16_t frequency, ZVfrequency_map &map,
                       std::vector<ZVglyph_pair> &work) {
    const std::uint16_t f = frequency < 17 ? 16 : frequency;
    const ZVglyph_pair p{static_cast<std::uint16_t>(packed & 0xFFFF),
                         static_cast<std::uint16_t>(packed >> 16)};
    std::uint16_t &v = map[p];
    if (v == 0) {
        v = f;
        work.push_back(p);
    } else if (f > v) {
        v = f;
    }
}

std::vector<ZVpair_frequency>
expand_pair_frequencies(const ZVfeatures &features, std::vector<ZVglyph_pair> &extra,
                        const PLXlibNamespaceForZV::ZVglyphsinfo &table) {
    return Expansion(features, table).run(extra);
}
