#include "engine/model/ZVprofileconnector.h"

#include <algorithm>

using PLXlibNamespaceForZV::ZV_NO_INK;

namespace {

// The gap sum of two rows without ink on one side lies above this.
constexpr double kNoInkGap = 268435455.5;

// Every change replaces two links by a strictly shorter one, so the rounds end by themselves
// on any sane glyph set, which never comes near this cap. It is no part of the partner search:
// only a guard, so that a broken profile (such as distances that are not numbers) cannot hold
// a measurement forever.
constexpr int kMaxCycles = 100000;

// Rows per block of the clear record: a block tells whether any of its rows was cleared since.
constexpr std::int64_t kBlock = 16;

void reset_idle_record(ZVprofileconnector &c) {
    const std::size_t n = c.depths.size();
    c.cleared_at.assign(n, 0);
    c.idle_clears.assign(n, 0);
    c.idle_lo.assign(n, 0);
    c.idle_hi.assign(n, -1);
    c.block_cleared.assign((n + kBlock - 1) / kBlock, 0);
    c.clears = 0;
}

// A link of c cleared: its row may now take a farther partner, and a seek its way may find one.
void note_cleared(ZVprofileconnector &c, std::int64_t row) {
    c.partners[row] = ZVrowpartner{};
    if (c.idle_clears.empty())
        return;
    const std::uint32_t t = ++c.clears;
    c.cleared_at[row] = t;
    c.block_cleared[row / kBlock] = t;
    c.idle_clears[row] = 0;
}

// Whether any row of c in [lo, hi] was cleared after the clear count since.
bool cleared_since(const ZVprofileconnector &c, std::int64_t lo, std::int64_t hi,
                   std::uint32_t since) {
    for (std::int64_t k = lo / kBlock; k <= hi / kBlock && lo <= hi; ++k)
        if (c.block_cleared[k] > since) {
            const std::int64_t from = std::max(lo, k * kBlock);
            const std::int64_t to = std::min(hi, k * kBlock + kBlock - 1);
            for (std::int64_t q = from; q <= to; ++q)
                if (c.cleared_at[q] > since)
                    return true;
        }
    return false;
}

} // namespace

ZVprofileconnector::ZVprofileconnector(const PLXlibNamespaceForZV::ZVprofile &profile,
                                       std::uint32_t side_)
    : ZVprofile(profile), partners(profile.depths.size()), pending(profile.depths.size()),
      side(side_) {
    for (std::size_t i = 0; i < depths.size(); ++i)
        pending[i] = depths[i] != ZV_NO_INK;
}

int ZVprofileconnector::set_up_horizontals_and_eliminate_overlap(ZVprofileconnector &a,
                                                                 ZVprofileconnector &b) {
    const std::int64_t lo = std::max(a.first_row, b.first_row);
    const std::int64_t hi =
        std::min<std::int64_t>(a.first_row + static_cast<std::int64_t>(a.rows()),
                               b.first_row + static_cast<std::int64_t>(b.rows()));
    int last = -1;
    for (std::int64_t y = lo; y < hi; ++y) {
        const auto ia = static_cast<std::size_t>(y - a.first_row);
        const auto ib = static_cast<std::size_t>(y - b.first_row);
        double g = a.depths[ia] + b.depths[ib];
        if (g > kNoInkGap)
            continue;
        if (g < 0) {
            a.depths[ia] += g;
            g = 0;
        }
        a.partners[ia] = {static_cast<std::int32_t>(ib), g * g};
        b.partners[ib] = {static_cast<std::int32_t>(ia), g * g};
        last = static_cast<int>(ia);
    }
    return last;
}

bool ZVprofileconnector::find_partners_round(ZVprofileconnector &a, ZVprofileconnector &b,
                                             bool direction) {
    const auto na = static_cast<std::int64_t>(a.rows());
    const auto nb = static_cast<std::int64_t>(b.rows());
    // The round's new pending flags, in a buffer kept by the thread (rounds run by the
    // thousand; a swap below hands its storage to a and a's old one back here).
    thread_local std::vector<std::uint8_t> fresh;
    fresh.assign(static_cast<std::size_t>(na), 0);
    bool changed = false, marked = false;
    // No row of b lies nearer horizontally than its smallest distance: a walk may end as soon as
    // the height difference with that gap reaches the best link, which is when a walk on the
    // height difference alone could first accept nothing either.
    double b_min = PLXlibNamespaceForZV::ZV_NO_INK;
    for (double d : b.depths)
        b_min = std::min(b_min, d);
    // Only the rounds of find_partners keep the record: it must see every change of a link.
    const bool spare = a.idle_clears.size() == a.depths.size() &&
                       b.idle_clears.size() == b.depths.size() && !a.depths.empty() &&
                       !b.depths.empty();

    auto seek = [&](std::int64_t r) {
        // A seek that changed nothing changes nothing again while the row keeps its link (or
        // only a nearer one) and no row it considered lost its link: every row it considers
        // holds a partner at most as far, and the walks end where they ended.
        if (spare && a.idle_clears[r] != 0 &&
            !cleared_since(b, a.idle_lo[r], a.idle_hi[r], a.idle_clears[r] - 1))
            return;
        const double ga = a.depths[r];
        const std::int64_t yr = a.first_row + r;
        const std::int64_t level = yr - b.first_row; // b's row at r's height
        double best = a.partners[r].distance;
        std::int64_t best_q = -1;
        const double g_min = std::max(ga + b_min, 0.0);
        const double g_min2 = g_min * g_min;
        std::int64_t lo = nb, hi = -1; // the rows considered
        auto consider = [&](std::int64_t q, double dy2) {
            lo = std::min(lo, q);
            hi = std::max(hi, q);
            const double g = std::max(ga + b.depths[q], 0.0);
            const double d = dy2 + g * g;
            if (d < best && d < b.partners[q].distance) {
                best = d;
                best_q = q;
            }
        };
        // Each walk jumps to the next row that comes closer, passing over rows without ink and
        // rows no nearer than one already seen, and ends once the height difference alone is
        // as far as the best link found.
        auto walk_down = [&] {
            for (std::int64_t q = std::min(level, nb - 1); q >= 0; q = b.next_closer_below[q]) {
                const double dy = static_cast<double>(level - q);
                if (dy * dy + g_min2 >= best)
                    break;
                consider(q, dy * dy);
            }
        };
        auto walk_up = [&] {
            for (std::int64_t q = std::max<std::int64_t>(level, 0); q < nb;
                 q = b.next_closer_above[q]) {
                const double dy = static_cast<double>(q - level);
                if (dy * dy + g_min2 >= best)
                    break;
                consider(q, dy * dy);
            }
        };
        if (a.side == 1) {
            walk_up();
            walk_down();
        } else {
            walk_down();
            walk_up();
        }
        if (best_q < 0) {
            if (!spare)
                return;
            a.idle_clears[r] = b.clears + 1;
            a.idle_lo[r] = static_cast<std::int32_t>(lo);
            a.idle_hi[r] = static_cast<std::int32_t>(hi);
            return;
        }
        if (spare)
            a.idle_clears[r] = 0;
        const std::int32_t p = a.partners[r].row;
        if (p >= 0) {
            note_cleared(b, p);
            b.pending[p] = 1;
        }
        const std::int32_t other = b.partners[best_q].row;
        if (other >= 0) {
            note_cleared(a, other);
            fresh[other] = 1;
            marked = true;
        }
        changed = true;
        a.partners[r] = {static_cast<std::int32_t>(best_q), best};
        b.partners[best_q] = {static_cast<std::int32_t>(r), best};
    };

    if (!direction) {
        for (std::int64_t r = 0; r < na; ++r)
            if (a.pending[r])
                seek(r);
    } else {
        for (std::int64_t r = na - 1; r >= 0; --r)
            if (a.pending[r])
                seek(r);
    }
    if (marked)
        a.pending.swap(fresh);
    return changed;
}

void ZVprofileconnector::find_partners(ZVprofileconnector &a, ZVprofileconnector &b) {
    reset_idle_record(a);
    reset_idle_record(b);
    for (int cycle = 0; cycle < kMaxCycles; ++cycle) {
        if (!find_partners_round(a, b, false) || !find_partners_round(b, a, true) ||
            !find_partners_round(a, b, true) || !find_partners_round(b, a, false))
            return;
    }
}
