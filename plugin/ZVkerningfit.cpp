#include "plugin/ZVkerningfit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <tuple>

namespace {

constexpr std::uint16_t kNoGlyphId = 65535;

/// A master's kerning in glyph ids, its class part made once; glyph entries are chosen per call.
class Measure {
  public:
    Measure(const ZVwrittenkerning &kerning, const ZVkerninggroups &groups,
            const ZVglyphorder &order)
        : kerning_(kerning), order_(order) {
        const auto classes = [&](const std::vector<ZVkerninggroup> &from) {
            std::vector<std::vector<std::uint16_t>> out;
            out.reserve(from.size());
            for (const ZVkerninggroup &g : from) {
                std::vector<std::uint16_t> ids;
                for (std::uint16_t member : g.members)
                    if (const std::uint16_t id = glyph_id(member); id != kNoGlyphId)
                        ids.push_back(id);
                std::sort(ids.begin(), ids.end());
                out.push_back(std::move(ids));
            }
            return out;
        };
        gpos_.left_classes = classes(groups.right_sides);
        gpos_.right_classes = classes(groups.left_sides);
        for (const ZVclassentry &c : kerning.class_entries)
            if (c.left_group < gpos_.left_classes.size() &&
                c.right_group < gpos_.right_classes.size())
                gpos_.class_pairs.push_back({c.left_group, c.right_group, c.value});
    }

    /// The size with the glyph entries for which `keep(index)` holds.
    template <class Keep> ZVgpossize operator()(Keep keep) {
        gpos_.glyph_pairs.clear();
        for (std::size_t i = 0; i < kerning_.glyph_entries.size(); ++i) {
            const ZVkerningentry &e = kerning_.glyph_entries[i];
            const std::uint16_t l = glyph_id(e.pair.first), r = glyph_id(e.pair.second);
            if (l != kNoGlyphId && r != kNoGlyphId && keep(i))
                gpos_.glyph_pairs.push_back({l, r, e.value});
        }
        return estimate_gpos_size(gpos_, order_.names);
    }

  private:
    std::uint16_t glyph_id(std::uint16_t g) const {
        return g < order_.glyph_id.size() ? order_.glyph_id[g] : kNoGlyphId;
    }
    const ZVwrittenkerning &kerning_;
    const ZVglyphorder &order_;
    ZVgposkerning gpos_;
};

} // namespace

ZVgpossize kerning_size(const ZVwrittenkerning &kerning, const ZVkerninggroups &groups,
                        const ZVglyphorder &order) {
    return Measure(kerning, groups, order)([](std::size_t) { return true; });
}

std::size_t kerning_size_limit(double kilobytes) {
    if (!(kilobytes > 0) || !std::isfinite(kilobytes))
        return 0;
    const double bytes = std::floor(kilobytes * 1000);
    if (bytes >= static_cast<double>(std::numeric_limits<std::size_t>::max()))
        return std::numeric_limits<std::size_t>::max();
    return bytes < 1 ? 1 : static_cast<std::size_t>(bytes);
}

ZVkerningfit fit_kerning_size(ZVwrittenkerning kerning, const ZVkerninggroups &groups,
                              const ZVglyphorder &order, std::size_t limit) {
    const std::vector<ZVkerningentry> &entries = kerning.glyph_entries;
    // The drop order of the entries that may go: lightest first.
    std::vector<std::size_t> order_of_drop;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (!entries[i].never_dropped)
            order_of_drop.push_back(i);
    std::sort(order_of_drop.begin(), order_of_drop.end(), [&](std::size_t a, std::size_t b) {
        const ZVkerningentry &x = entries[a], &y = entries[b];
        return std::tie(x.weight, x.frequency, x.pair) < std::tie(y.weight, y.frequency, y.pair);
    });
    constexpr std::size_t kKept = std::numeric_limits<std::size_t>::max();
    std::vector<std::size_t> rank(entries.size(), kKept);
    for (std::size_t k = 0; k < order_of_drop.size(); ++k)
        rank[order_of_drop[k]] = k;

    Measure measure(kerning, groups, order);
    const auto size_without = [&](std::size_t prefix) {
        return measure([&](std::size_t i) { return rank[i] == kKept || rank[i] >= prefix; });
    };
    const auto fits = [&](const ZVgpossize &s) { return s.fits && s.bytes <= limit; };

    ZVkerningfit out;
    std::size_t prefix = 0;
    out.size = size_without(0);
    if (limit != 0 && !fits(out.size)) {
        const std::size_t all = order_of_drop.size();
        ZVgpossize at_all = size_without(all);
        if (!fits(at_all)) {
            out.over_limit = true;
            prefix = all;
            out.size = at_all;
        } else {
            // The size shrinks as entries go: search the shortest prefix that fits.
            std::size_t too_short = 0, enough = all;
            while (enough - too_short > 1) {
                const std::size_t mid = too_short + (enough - too_short) / 2;
                ZVgpossize s = size_without(mid);
                if (fits(s)) {
                    enough = mid;
                    at_all = s;
                } else {
                    too_short = mid;
                }
            }
            prefix = enough;
            out.size = at_all;
        }
    }
    out.kept.class_entries = std::move(kerning.class_entries);
    out.kept.untargeted_pairs = kerning.untargeted_pairs;
    for (std::size_t k = 0; k < prefix; ++k)
        out.dropped.push_back(entries[order_of_drop[k]]);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (rank[i] == kKept || rank[i] >= prefix)
            out.kept.glyph_entries.push_back(entries[i]);
    return out;
}
