#include "plugin/ZVkerninggroups.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace {

constexpr std::uint16_t kNoGlyphId = 65535;

/// One target seen from one side: the partner across the pair and the value.
struct Partner {
    std::uint16_t partner = 0;
    std::int32_t value = 0;
};

/// The sides of one orientation (right sides: the left glyphs of pairs; left sides: the right
/// glyphs), each with its targets per master sorted by partner.
class Sides {
  public:
    Sides(const std::vector<std::vector<ZVkerningtarget>> &masters, std::size_t glyphs,
          bool right_sides)
        : begin_(masters.size()), rows_(masters.size()), weight_(glyphs, 0),
          has_target_(glyphs, false) {
        for (std::size_t m = 0; m < masters.size(); ++m) {
            std::vector<std::tuple<std::uint16_t, std::uint16_t, std::int32_t>> seen;
            seen.reserve(masters[m].size());
            for (const ZVkerningtarget &t : masters[m]) {
                const std::uint16_t side = right_sides ? t.pair.first : t.pair.second;
                const std::uint16_t partner = right_sides ? t.pair.second : t.pair.first;
                if (side >= glyphs || partner >= glyphs)
                    continue;
                seen.emplace_back(side, partner, t.value);
                weight_[side] +=
                    static_cast<std::int64_t>(counted_frequency(t.frequency)) * std::abs(t.value);
                has_target_[side] = true;
            }
            std::sort(seen.begin(), seen.end());
            begin_[m].assign(glyphs + 1, 0);
            rows_[m].reserve(seen.size());
            for (const auto &[side, partner, value] : seen) {
                ++begin_[m][side + 1];
                rows_[m].push_back({partner, value});
            }
            for (std::size_t g = 0; g < glyphs; ++g)
                begin_[m][g + 1] += begin_[m][g];
        }
        // Each side's targeted partners, counted once whatever the masters.
        partners_.assign(glyphs, 0);
        std::vector<std::uint16_t> seen_partners;
        for (std::size_t g = 0; g < glyphs; ++g) {
            if (!has_target_[g])
                continue;
            seen_partners.clear();
            for (std::size_t m = 0; m < rows_.size(); ++m)
                for (std::uint32_t i = begin_[m][g]; i < begin_[m][g + 1]; ++i)
                    seen_partners.push_back(rows_[m][i].partner);
            partners_[g] = distinct(seen_partners);
        }
    }

    std::int64_t weight(std::uint16_t side) const { return weight_[side]; }
    bool has_target(std::uint16_t side) const { return has_target_[side]; }

    /// Two sides are alike when they share enough partners targeted with both (at least
    /// ZV_GROUPING_MIN_SHARED, and at least a quarter of the smaller side's targeted partners),
    /// and on each of them their targets differ by at most `tolerance` in every master.
    bool alike(std::uint16_t a, std::uint16_t b, double tolerance) const {
        shared_.clear();
        for (std::size_t m = 0; m < rows_.size(); ++m) {
            const std::vector<Partner> &rows = rows_[m];
            std::uint32_t i = begin_[m][a], j = begin_[m][b];
            const std::uint32_t ie = begin_[m][a + 1], je = begin_[m][b + 1];
            while (i != ie && j != je) {
                if (rows[i].partner < rows[j].partner) {
                    ++i;
                } else if (rows[j].partner < rows[i].partner) {
                    ++j;
                } else {
                    if (std::abs(static_cast<double>(rows[i].value) - rows[j].value) > tolerance)
                        return false;
                    shared_.push_back(rows[i].partner);
                    ++i;
                    ++j;
                }
            }
        }
        return enough_evidence(distinct(shared_), std::min(partners_[a], partners_[b]));
    }

  private:
    /// The number of distinct values (sorts them).
    static std::size_t distinct(std::vector<std::uint16_t> &v) {
        std::sort(v.begin(), v.end());
        return static_cast<std::size_t>(std::unique(v.begin(), v.end()) - v.begin());
    }

    std::vector<std::vector<std::uint32_t>> begin_; ///< [master][side] → first row; one past
    std::vector<std::vector<Partner>> rows_;        ///< [master] rows of all sides
    std::vector<std::int64_t> weight_;
    std::vector<bool> has_target_;
    std::vector<std::size_t> partners_;         ///< per side: its distinct targeted partners
    mutable std::vector<std::uint16_t> shared_; ///< scratch of alike
};

/// The greedy grouping of one orientation; fills `groups` and `group_of`.
void group_sides(const Sides &sides, const ZVglyphorder &order, std::uint8_t groupable_bit,
                 double tolerance, std::vector<ZVkerninggroup> &groups,
                 std::vector<std::int32_t> &group_of) {
    const std::size_t n = order.glyph_id.size();
    const auto glyph_id = [&](std::uint16_t g) { return order.glyph_id[g]; };
    std::vector<std::uint16_t> candidates;
    for (std::size_t g = 0; g < n; ++g) {
        const auto side = static_cast<std::uint16_t>(g);
        if (glyph_id(side) != kNoGlyphId && glyph_id(side) < order.names.size() &&
            g < order.groupable.size() && (order.groupable[g] & groupable_bit) &&
            sides.has_target(side))
            candidates.push_back(side);
    }
    std::sort(candidates.begin(), candidates.end(), [&](std::uint16_t a, std::uint16_t b) {
        if (sides.weight(a) != sides.weight(b))
            return sides.weight(a) > sides.weight(b);
        return std::make_pair(glyph_id(a), a) < std::make_pair(glyph_id(b), b);
    });
    std::vector<std::vector<std::uint16_t>> made;
    for (std::uint16_t side : candidates) {
        bool joined = false;
        for (std::vector<std::uint16_t> &group : made) {
            if (std::all_of(group.begin(), group.end(), [&](std::uint16_t member) {
                    return sides.alike(side, member, tolerance);
                })) {
                group.push_back(side);
                joined = true;
                break;
            }
        }
        if (!joined)
            made.push_back({side});
    }
    const auto in_glyph_order = [&](std::uint16_t a, std::uint16_t b) {
        return std::make_pair(glyph_id(a), a) < std::make_pair(glyph_id(b), b);
    };
    for (std::vector<std::uint16_t> &group : made)
        std::sort(group.begin(), group.end(), in_glyph_order);
    std::erase_if(made, [](const auto &group) { return group.size() < 2; });
    std::sort(made.begin(), made.end(),
              [&](const auto &a, const auto &b) { return in_glyph_order(a.front(), b.front()); });
    group_of.assign(n, -1);
    groups.clear();
    for (std::vector<std::uint16_t> &members : made) {
        for (std::uint16_t g : members)
            group_of[g] = static_cast<std::int32_t>(groups.size());
        groups.push_back({order.names[glyph_id(members.front())], std::move(members)});
    }
}

} // namespace

bool enough_evidence(std::size_t shared, std::size_t smaller_side_partners) {
    return shared >= ZV_GROUPING_MIN_SHARED && 4 * shared >= smaller_side_partners;
}

double grouping_tolerance(std::uint32_t units_per_em) {
    return ZV_GROUPING_TOLERANCE * units_per_em / 1000.0;
}

ZVkerninggroups make_kerning_groups(const std::vector<std::vector<ZVkerningtarget>> &masters,
                                    const ZVglyphorder &order, double tolerance) {
    ZVkerninggroups out;
    const std::size_t n = order.glyph_id.size();
    group_sides(Sides(masters, n, true), order, 2, tolerance, out.right_sides, out.right_side_of);
    group_sides(Sides(masters, n, false), order, 1, tolerance, out.left_sides, out.left_side_of);
    return out;
}

namespace {

std::int32_t group_of(const std::vector<std::int32_t> &of, std::uint16_t g) {
    return g < of.size() ? of[g] : -1;
}

/// The value a written class pair gives a glyph pair, or nullptr.
const std::int32_t *class_value(const ZVwrittenkerning &kerning, const ZVkerninggroups &groups,
                                ZVglyph_pair pair) {
    const std::int32_t l = group_of(groups.right_side_of, pair.first);
    const std::int32_t r = group_of(groups.left_side_of, pair.second);
    if (l < 0 || r < 0)
        return nullptr;
    const ZVclassentry key{static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(r), 0};
    const auto it = std::lower_bound(kerning.class_entries.begin(), kerning.class_entries.end(),
                                     key, [](const ZVclassentry &a, const ZVclassentry &b) {
                                         return std::tie(a.left_group, a.right_group) <
                                                std::tie(b.left_group, b.right_group);
                                     });
    return it != kerning.class_entries.end() && it->left_group == key.left_group &&
                   it->right_group == key.right_group
               ? &it->value
               : nullptr;
}

} // namespace

ZVwrittenkerning grouped_kerning(const std::vector<ZVkerningtarget> &targets,
                                 const ZVkerninggroups &groups) {
    // Votes of the grouped targets: (left group, right group, value) with counted frequency.
    struct Vote {
        std::uint32_t left, right;
        std::int32_t value;
        std::uint32_t frequency;
    };
    std::vector<Vote> votes;
    for (const ZVkerningtarget &t : targets) {
        const std::int32_t l = group_of(groups.right_side_of, t.pair.first);
        const std::int32_t r = group_of(groups.left_side_of, t.pair.second);
        if (l >= 0 && r >= 0)
            votes.push_back({static_cast<std::uint32_t>(l), static_cast<std::uint32_t>(r), t.value,
                             counted_frequency(t.frequency)});
    }
    std::sort(votes.begin(), votes.end(), [](const Vote &a, const Vote &b) {
        return std::tie(a.left, a.right, a.value) < std::tie(b.left, b.right, b.value);
    });

    ZVwrittenkerning out;
    for (std::size_t i = 0; i < votes.size();) {
        std::size_t j = i;
        std::size_t targeted = 0;
        std::int32_t best = 0;
        std::uint64_t best_frequency = 0;
        bool any = false;
        while (j < votes.size() && votes[j].left == votes[i].left &&
               votes[j].right == votes[i].right) {
            std::size_t k = j;
            std::uint64_t frequency = 0;
            while (k < votes.size() && votes[k].left == votes[j].left &&
                   votes[k].right == votes[j].right && votes[k].value == votes[j].value)
                frequency += votes[k++].frequency;
            const std::int32_t v = votes[j].value;
            const auto key = [](std::int32_t x) { return std::make_pair(std::abs(x), x); };
            if (!any || frequency > best_frequency ||
                (frequency == best_frequency && key(v) < key(best))) {
                best = v;
                best_frequency = frequency;
                any = true;
            }
            targeted += k - j;
            j = k;
        }
        if (best != 0) {
            out.class_entries.push_back({votes[i].left, votes[i].right, best});
            out.untargeted_pairs += groups.right_sides[votes[i].left].members.size() *
                                        groups.left_sides[votes[i].right].members.size() -
                                    targeted;
        }
        i = j;
    }

    for (const ZVkerningtarget &t : targets) {
        const std::int32_t *given = class_value(out, groups, t.pair);
        if (given ? t.value == *given : (t.value == 0 && !t.keeps_zero))
            continue;
        const std::uint32_t f = counted_frequency(t.frequency);
        const std::int64_t change =
            std::abs(static_cast<std::int64_t>(t.value) - (given ? *given : 0));
        out.glyph_entries.push_back({t.pair, t.value, f * change, f, is_never_dropped(t)});
    }
    std::sort(out.glyph_entries.begin(), out.glyph_entries.end(),
              [](const ZVkerningentry &a, const ZVkerningentry &b) { return a.pair < b.pair; });
    return out;
}

ZVwrittenkerning final_master_kerning(const std::vector<ZVkerningtarget> &targets,
                                      const std::vector<ZVkerningtarget> &others,
                                      const ZVkerninggroups *groups, double tolerance,
                                      ZVfontpairs &counts) {
    ZVwrittenkerning out = groups ? grouped_kerning(targets, *groups) : flat_kerning(targets);
    const std::size_t targeted = out.glyph_entries.size();
    for (const ZVkerningtarget &o : others) {
        const std::int32_t *given = groups ? class_value(out, *groups, o.pair) : nullptr;
        if (given && out.untargeted_pairs > 0)
            --out.untargeted_pairs; // not untargeted: it had a value of its own
        const std::int64_t change =
            std::abs(static_cast<std::int64_t>(o.value) - (given ? *given : 0));
        if (given && static_cast<double>(change) <= tolerance) {
            ++counts.removed;
            continue;
        }
        ZVkerningentry e{o.pair, o.value, change, counted_frequency(o.frequency), false};
        e.from_font = true;
        out.glyph_entries.push_back(e);
        ++counts.kept;
    }
    if (out.glyph_entries.size() != targeted)
        std::sort(out.glyph_entries.begin(), out.glyph_entries.end(),
                  [](const ZVkerningentry &a, const ZVkerningentry &b) { return a.pair < b.pair; });
    return out;
}
