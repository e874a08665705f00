#include "engine/model/ZVsource.h"

#include "engine/model/ZVprofileconnector.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <stdexcept>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

using PLXlibNamespaceForZV::ZV_NO_INK;
using PLXlibNamespaceForZV::ZVglyph;
using PLXlibNamespaceForZV::ZVprofile;

namespace {

// Shells are quarter units. A search width is a few thousand shells; more only comes from a
// broken glyph set and would allocate without bound.
constexpr std::int64_t kMaxShells = 1 << 16;

struct Shells {
    std::int64_t end;   // E: one past the last shell, counted from distance 0
    std::int64_t first; // F: the shell of the closest distance
    std::size_t count() const { return static_cast<std::size_t>(end - first); }
};

Shells shells_for(double closest, unsigned n) {
    const auto first = static_cast<std::int64_t>(std::trunc(4 * closest));
    std::int64_t end = std::max(static_cast<std::int64_t>(std::trunc(4 * closest + 10)),
                                static_cast<std::int64_t>(n));
    end = std::min(end, first + kMaxShells);
    return {end, first};
}

ZVprofile shifted(const ZVprofile &p, float value) {
    ZVprofile s = p;
    for (double &d : s.depths)
        if (d != ZV_NO_INK)
            d += value;
    s.min_depth += value;
    s.max_depth += value;
    return s;
}

// The rows' squares given, for a caller that adds the same rows again and again.
void add_to_bin(ZVbin &bin, std::int64_t row_a, std::int64_t row_a2, std::int64_t row_b,
                std::int64_t row_b2) {
    bin.count += 1;
    bin.sum_a += row_a;
    bin.squares_a += row_a2;
    bin.sum_b += row_b;
    bin.squares_b += row_b2;
}

void add_to_bin(ZVbin &bin, std::int64_t row_a, std::int64_t row_b) {
    add_to_bin(bin, row_a, row_a * row_a, row_b, row_b * row_b);
}

// The histogram of the nearest-partner measure (a: the left glyph's profile, shifted); writes
// the closest distance.
std::vector<ZVbin> picked_bins(const ZVprofile &a, const ZVprofile &b, unsigned n, double &closest);
// The histogram of the all-rows measure against a closest distance; gives overlap back to both
// sides.
std::vector<ZVbin> total_bins(ZVprofile &a, ZVprofile &b, unsigned n, double closest);

// The shell records of one couple of profiles from its two histograms (the resampling reads
// nothing else).
std::vector<std::array<double, 5>> shell_records(const std::vector<ZVbin> &picked,
                                                 const std::vector<ZVbin> &total) {
    const auto P = resample_profile_sequence(picked, 0, 0, true);
    const auto T = resample_profile_sequence(total, 0, 0, false);
    const std::size_t k = std::min(P.size(), T.size());
    std::vector<std::array<double, 5>> rows(k);
    for (std::size_t i = 0; i < k; ++i)
        rows[i] = {P[i].a, P[i].b, T[i].a, T[i].b, (P[i].c + T[i].c) / 2};
    return rows;
}

// The main and zone records side by side. The shell counts differ when the closest distances
// do; the shorter measure's characteristics are cumulative, so its last shell stands for those
// beyond its end.
std::vector<std::array<double, 10>>
variant_records(const std::vector<std::array<double, 5>> &main,
                const std::vector<std::array<double, 5>> &zone) {
    const std::size_t k = std::max(main.size(), zone.size());
    std::vector<std::array<double, 10>> rows(k);
    for (std::size_t i = 0; i < k; ++i) {
        const auto &m = main[std::min(i, main.size() - 1)];
        const auto &z = zone[std::min(i, zone.size() - 1)];
        std::copy(m.begin(), m.end(), rows[i].begin());
        std::copy(z.begin(), z.end(), rows[i].begin() + 5);
    }
    return rows;
}

struct Measure {
    std::vector<std::array<double, 5>> rows;
    std::vector<ZVbin> picked, total;
    double closest = 0;
};

// Both measures of one couple of facing profiles (a: the left glyph's right side, shifted).
// The all-rows measure counts its shells from the source's closest distance, the main
// profiles' one (source_closest): the graph places every shell of a record from it. Without
// it (the main measurement itself) that is the couple's own closest distance.
Measure measure(const ZVprofile &a, const ZVprofile &b, unsigned n,
                std::optional<double> source_closest = std::nullopt) {
    Measure m;
    m.picked = picked_bins(a, b, n, m.closest);
    ZVprofile ta = a, tb = b;
    m.total = total_bins(ta, tb, n, source_closest.value_or(m.closest));
    m.rows = shell_records(m.picked, m.total);
    return m;
}

// Histograms packed as varints: the bin count, then per bin its count; after a 0 count, how
// many more empty bins follow; after any other, its four sums zigzag-coded as the differences
// from the last non-empty bin's (neighbouring shells hold similar rows). Integers, so they come
// back exactly.
std::uint8_t *put_varint(std::uint8_t *out, std::uint64_t v) {
    while (v >= 0x80) {
        *out++ = static_cast<std::uint8_t>(v | 0x80);
        v >>= 7;
    }
    *out++ = static_cast<std::uint8_t>(v);
    return out;
}

std::uint8_t *put_signed(std::uint8_t *out, std::int64_t v) {
    return put_varint(out,
                      (static_cast<std::uint64_t>(v) << 1) ^ static_cast<std::uint64_t>(v >> 63));
}

std::uint64_t get_varint(const std::uint8_t *&p) {
    std::uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
        const std::uint8_t byte = *p++;
        v |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return v;
    }
}

std::int64_t get_signed(const std::uint8_t *&p) {
    const std::uint64_t v = get_varint(p);
    return static_cast<std::int64_t>(v >> 1) ^ -static_cast<std::int64_t>(v & 1);
}

// The most bytes put_bins writes for a histogram of count bins.
std::size_t packed_bound(std::size_t count) { return 10 + count * (5 + 4 * 10); }

// Writes into room for packed_bound bytes; returns the end of what it wrote.
std::uint8_t *put_bins(std::uint8_t *out, const std::vector<ZVbin> &bins) {
    out = put_varint(out, bins.size());
    ZVbin last;
    for (std::size_t i = 0; i < bins.size();) {
        const ZVbin &b = bins[i];
        out = put_varint(out, b.count);
        if (b.count == 0) {
            std::size_t end = i + 1;
            while (end < bins.size() && bins[end].count == 0)
                ++end;
            out = put_varint(out, end - i - 1);
            i = end;
            continue;
        }
        out = put_signed(out, b.sum_a - last.sum_a);
        out = put_signed(out, b.squares_a - last.squares_a);
        out = put_signed(out, b.sum_b - last.sum_b);
        out = put_signed(out, b.squares_b - last.squares_b);
        last = b;
        ++i;
    }
    return out;
}

// The packed form of the histograms: their number, then each one.
void pack_histograms(std::vector<std::uint8_t> &packed,
                     std::initializer_list<const std::vector<ZVbin> *> histograms) {
    std::size_t room = 1;
    for (const std::vector<ZVbin> *bins : histograms)
        room += packed_bound(bins->size());
    thread_local std::vector<std::uint8_t> buffer;
    if (buffer.size() < room)
        buffer.resize(room);
    std::uint8_t *out = buffer.data();
    *out++ = static_cast<std::uint8_t>(histograms.size());
    for (const std::vector<ZVbin> *bins : histograms)
        out = put_bins(out, *bins);
    packed.assign(buffer.data(), out);
    packed.shrink_to_fit();
}

void get_bins(const std::uint8_t *&p, std::vector<ZVbin> &bins) {
    bins.assign(get_varint(p), ZVbin());
    ZVbin last;
    for (std::size_t i = 0; i < bins.size();) {
        ZVbin &b = bins[i];
        b.count = static_cast<std::uint32_t>(get_varint(p));
        if (b.count == 0) {
            i += 1 + get_varint(p); // the bins are already empty
            continue;
        }
        b.sum_a = last.sum_a + get_signed(p);
        b.squares_a = last.squares_a + get_signed(p);
        b.sum_b = last.sum_b + get_signed(p);
        b.squares_b = last.squares_b + get_signed(p);
        last = b;
        ++i;
    }
}

std::atomic<std::uint64_t> next_stamp{1};
std::atomic<std::uint64_t> measured_again{0};

} // namespace

std::vector<ZVtriple> resample_profile_sequence(const std::vector<ZVbin> &bins, double,
                                                std::int64_t, bool both_sides) {
    std::vector<ZVtriple> triples;
    triples.reserve(bins.size());
    // Each shell includes everything nearer: the counts and sums accumulate over the bins.
    double N = 0, Sa = 0, Qa = 0, Sb = 0, Qb = 0;
    double Sn = 0, SSa = 0, SSb = 0, SQa = 0, SQb = 0, SNp = 0;
    double p = 0;
    for (const ZVbin &bin : bins) {
        N += bin.count;
        Sa += static_cast<double>(bin.sum_a);
        Qa += static_cast<double>(bin.squares_a);
        Sb += static_cast<double>(bin.sum_b);
        Qb += static_cast<double>(bin.squares_b);
        if (N == 0) {
            triples.push_back({0, 0, 0});
            continue;
        }
        // A row of unit height spreads by a twelfth around its centre.
        double n = N, sa = Sa, sb = Sb, qa = Qa + N / 12, qb = Qb + N / 12;
        if (both_sides) {
            n *= 0.5, sa *= 0.5, sb *= 0.5, qa *= 0.5, qb *= 0.5;
        }
        Sn += n;
        SSa += sa;
        SSb += sb;
        SQa += qa;
        SQb += qb;
        SNp += n * p;
        const double r = std::sqrt(Sn / 4) / 16;
        const double a = n + r;
        const double V = SQa + SQb - (SSa * SSa + SSb * SSb) / Sn;
        const double W = (p + 1) - SNp / Sn;
        const double b = std::cbrt((6 * V) / (2 * W)) + r;
        const double m = std::min(a, b);
        double c = 0.375 * ((SSa + SSb) / (2 * Sn) - (sa + sb) / (2 * n));
        c = std::min(std::max(c, -0.75 * m), 0.75 * m);
        triples.push_back({a, b, c});
        p += 1;
    }
    return triples;
}

namespace {

std::vector<ZVbin> picked_bins(const ZVprofile &a, const ZVprofile &b, unsigned n,
                               double &closest) {
    // a is the left glyph's profile; the nearer (then smaller, then lower) profile goes first.
    bool a_first;
    if (a.min_depth != b.min_depth)
        a_first = a.min_depth < b.min_depth;
    else if (a.rows() != b.rows())
        a_first = a.rows() < b.rows();
    else if (a.first_row != b.first_row)
        a_first = a.first_row < b.first_row;
    else
        a_first = !a.empty() && !b.empty() && a.depths[0] < b.depths[0];
    ZVprofileconnector first(a_first ? a : b, 1);
    ZVprofileconnector second(a_first ? b : a, 0);
    ZVprofileconnector::set_up_horizontals_and_eliminate_overlap(first, second);
    ZVprofileconnector::find_partners(first, second);

    double best = ZV_NO_PARTNER_DISTANCE;
    for (const auto *c : {&first, &second})
        for (const auto &link : c->partners)
            best = std::min(best, link.distance);
    closest = std::sqrt(best);

    const Shells shells = shells_for(closest, n);
    std::vector<ZVbin> bins(shells.count());
    const double radius = (static_cast<double>(bins.size()) + 4 * closest) / 4 - 0.125;
    const double radius2 = radius * radius;
    for (const auto *c : {&first, &second}) {
        const ZVprofileconnector &other = c == &first ? second : first;
        for (std::size_t i = 0; i < c->partners.size(); ++i) {
            const ZVrowpartner &link = c->partners[i];
            if (link.row < 0 || link.distance > radius2)
                continue;
            const auto bin =
                static_cast<std::int64_t>((std::sqrt(link.distance) - closest) * 4 + 0.5);
            if (bin < 0 || bin >= static_cast<std::int64_t>(bins.size()))
                continue; // a link exactly at the radius lies past the last shell
            add_to_bin(bins[bin], c->first_row + static_cast<std::int64_t>(i),
                       other.first_row + static_cast<std::int64_t>(link.row));
        }
    }
    return bins;
}

} // namespace

std::vector<ZVtriple> ZVsource::determine_characteristics_picked(ZVprofile a, ZVprofile b,
                                                                 unsigned n, double &closest) {
    const std::vector<ZVbin> bins = picked_bins(a, b, n, closest);
    return resample_profile_sequence(bins, closest, shells_for(closest, n).end, true);
}

namespace {

// One row of a against the taking part rows of b in the all-rows measure.
struct AllRows {
    const double *depth_b = nullptr, *row_b = nullptr;
    std::size_t m = 0;
    double da = 0, ya = 0;    // the row of a: depth and height
    double E = 0, d_max2 = 0; // shell end, square of the farthest distance kept
    double closest = 0;
    std::int64_t nbins = 0;
};

// The shell of one couple, or -1 when it is not counted.
inline std::int32_t all_rows_shell(const AllRows &j, std::size_t q) {
    const double g = j.da + j.depth_b[q];
    if (g > j.E)
        return -1;
    const double dy = j.ya - j.row_b[q];
    double d;
    if (g <= 0) {
        d = std::fabs(dy);
    } else {
        const double d2 = dy * dy + g * g;
        if (d2 >= j.d_max2)
            return -1;
        d = std::sqrt(d2);
    }
    const auto bin = static_cast<std::int64_t>((d - j.closest) * 4 + 0.5);
    return bin < 0 || bin >= j.nbins ? -1 : static_cast<std::int32_t>(bin);
}

// Every lane takes the same operations in the same order as all_rows_shell (no fused
// multiply-add), so the shells are the same. A lane whose distance is not a number truncates
// to the most negative integer and is dropped, as in the scalar form.
#if defined(__x86_64__)
__attribute__((target("avx2"))) void all_rows_shells_avx2(const AllRows &j, std::int32_t *out) {
    const __m256d da = _mm256_set1_pd(j.da), ya = _mm256_set1_pd(j.ya), E = _mm256_set1_pd(j.E);
    const __m256d d_max2 = _mm256_set1_pd(j.d_max2), closest = _mm256_set1_pd(j.closest);
    const __m256d four = _mm256_set1_pd(4), half = _mm256_set1_pd(0.5);
    const __m256d zero = _mm256_setzero_pd(), sign = _mm256_set1_pd(-0.0);
    const __m128i nbins = _mm_set1_epi32(static_cast<std::int32_t>(j.nbins));
    std::size_t q = 0;
    for (; q + 4 <= j.m; q += 4) {
        const __m256d g = _mm256_add_pd(da, _mm256_loadu_pd(j.depth_b + q));
        const __m256d dy = _mm256_sub_pd(ya, _mm256_loadu_pd(j.row_b + q));
        const __m256d d2 = _mm256_add_pd(_mm256_mul_pd(dy, dy), _mm256_mul_pd(g, g));
        const __m256d touching = _mm256_cmp_pd(g, zero, _CMP_LE_OQ);
        const __m256d d =
            _mm256_blendv_pd(_mm256_sqrt_pd(d2), _mm256_andnot_pd(sign, dy), touching);
        const __m256d keep =
            _mm256_and_pd(_mm256_cmp_pd(g, E, _CMP_NGT_UQ),
                          _mm256_or_pd(touching, _mm256_cmp_pd(d2, d_max2, _CMP_NGE_UQ)));
        const __m128i bin = _mm256_cvttpd_epi32(
            _mm256_add_pd(_mm256_mul_pd(_mm256_sub_pd(d, closest), four), half));
        // Lanes kept and within [0, nbins): the 64-bit keep mask narrowed to 32 bits.
        const __m128i keep32 = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(
            _mm256_castpd_si256(keep), _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0)));
        const __m128i inside =
            _mm_and_si128(_mm_cmpgt_epi32(bin, _mm_set1_epi32(-1)), _mm_cmpgt_epi32(nbins, bin));
        const __m128i ok = _mm_and_si128(keep32, inside);
        _mm_storeu_si128(
            reinterpret_cast<__m128i *>(out + q),
            _mm_or_si128(_mm_and_si128(ok, bin), _mm_andnot_si128(ok, _mm_set1_epi32(-1))));
    }
    for (; q < j.m; ++q)
        out[q] = all_rows_shell(j, q);
}

bool has_avx2() {
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
}
#endif

void all_rows_shells(const AllRows &j, std::int32_t *out) {
#if defined(__x86_64__)
    if (has_avx2())
        return all_rows_shells_avx2(j, out);
#endif
    for (std::size_t q = 0; q < j.m; ++q)
        out[q] = all_rows_shell(j, q);
}

std::vector<ZVbin> total_bins(ZVprofile &a, ZVprofile &b, unsigned n, double closest) {
    const std::int64_t lo = std::max(a.first_row, b.first_row);
    const std::int64_t hi =
        std::min<std::int64_t>(a.first_row + static_cast<std::int64_t>(a.rows()),
                               b.first_row + static_cast<std::int64_t>(b.rows()));
    if (a.min_depth + b.min_depth < 0) {
        // Overlapping rows give half of the overlap back to each side.
        for (std::int64_t y = lo; y < hi; ++y) {
            double &da = a.depths[y - a.first_row];
            double &db = b.depths[y - b.first_row];
            const double sum = da + db;
            if (sum < 0) {
                da -= sum / 2;
                db -= sum / 2;
                a.max_depth = std::max(a.max_depth, da);
                b.max_depth = std::max(b.max_depth, db);
            }
        }
    }

    const Shells shells = shells_for(closest, n);
    std::vector<ZVbin> bins(shells.count());
    AllRows job;
    job.E = static_cast<double>(shells.end);
    job.closest = closest;
    job.nbins = static_cast<std::int64_t>(bins.size());
    // Distances whose shell lies outside [0, nbins) are dropped before their square root.
    const double d_max = closest + (static_cast<double>(job.nbins) - 0.5) / 4;
    job.d_max2 = d_max * d_max;
    // The rows of b that take part: those of every group of three with a row nearer than the
    // shell end. Couples are counted into integer sums, so the order they are met in is free.
    thread_local std::vector<double> depth_b, row_b;
    depth_b.clear();
    row_b.clear();
    double b_min = PLXlibNamespaceForZV::ZV_NO_INK;
    const auto nb = static_cast<std::int64_t>(b.rows());
    for (std::int64_t g0 = 0; g0 < nb; g0 += 3) {
        const std::int64_t g1 = std::min(g0 + 3, nb);
        bool all_far = true;
        for (std::int64_t q = g0; q < g1; ++q)
            all_far = all_far && b.depths[q] >= job.E;
        if (all_far)
            continue;
        for (std::int64_t q = g0; q < g1; ++q) {
            depth_b.push_back(b.depths[q]);
            row_b.push_back(static_cast<double>(b.first_row + q));
            b_min = std::min(b_min, b.depths[q]);
        }
    }
    job.depth_b = depth_b.data();
    job.row_b = row_b.data();
    job.m = depth_b.size();
    if (job.m == 0)
        return bins;
    thread_local std::vector<std::int32_t> shell;
    shell.resize(job.m);
    // The heights of b's rows and their squares, as add_to_bin takes them.
    thread_local std::vector<std::int64_t> y_b, y_b2;
    y_b.resize(job.m);
    y_b2.resize(job.m);
    for (std::size_t q = 0; q < job.m; ++q) {
        y_b[q] = static_cast<std::int64_t>(row_b[q]);
        y_b2[q] = y_b[q] * y_b[q];
    }
    for (std::size_t i = 0; i < a.rows(); ++i) {
        job.da = a.depths[i];
        // Sums only grow: every couple of this row lies beyond the shell end too.
        if (job.da + b_min > job.E)
            continue;
        const std::int64_t ya = a.first_row + static_cast<std::int64_t>(i);
        const std::int64_t ya2 = ya * ya;
        job.ya = static_cast<double>(ya);
        all_rows_shells(job, shell.data());
        for (std::size_t q = 0; q < job.m; ++q)
            if (shell[q] >= 0)
                add_to_bin(bins[static_cast<std::size_t>(shell[q])], y_b[q], y_b2[q], ya, ya2);
    }
    return bins;
}

} // namespace

std::vector<ZVtriple> ZVsource::determine_characteristics_total(ZVprofile &a, ZVprofile &b,
                                                                unsigned n) const {
    const std::vector<ZVbin> bins = total_bins(a, b, n, closest);
    a = ZVprofile();
    b = ZVprofile();
    return resample_profile_sequence(bins, closest, shells_for(closest, n).end, false);
}

void ZVsource::update_from_glyphs(const ZVglyph &left, const ZVglyph &right, unsigned n,
                                  float value_) {
    value = value_;
    rows.clear();
    variant_rows.clear();
    closest = 0;
    closest_variant = -1073741824.0;
    variant_pair = false;
    packed_.clear();
    packed_shells_ = 0;
    width_ = n;
    dropped_ = false;
    stamp_ = next_stamp.fetch_add(1, std::memory_order_relaxed);
    if (left.right.empty() || right.left.empty())
        return;

    Measure main = measure(shifted(left.right, value), right.left, n);
    closest = main.closest;

    const int u = left.category.category, w = right.category.category;
    const bool letters_across_case = (u == 0 && w == 1) || (u == 1 && w == 0);
    const bool zone_left = !letters_across_case && !left.right_zone.empty();
    const bool zone_right = !letters_across_case && !right.left_zone.empty();
    if (!zone_left && !zone_right) {
        rows = std::move(main.rows);
        pack_histograms(packed_, {&main.picked, &main.total});
        packed_shells_ = static_cast<std::uint32_t>(rows.size());
        return;
    }
    variant_pair = u >= 3 || w >= 3;
    Measure zone = measure(shifted(zone_left ? left.right_zone : left.right, value),
                           zone_right ? right.left_zone : right.left, n, closest);
    closest_variant = zone.closest;
    variant_rows = variant_records(main.rows, zone.rows);
    pack_histograms(packed_, {&main.picked, &main.total, &zone.picked, &zone.total});
    packed_shells_ = static_cast<std::uint32_t>(variant_rows.size());
}

void ZVsource::pack() {
    if (packed_.empty())
        return; // nothing to rebuild the records from
    std::vector<std::array<double, 5>>().swap(rows);
    std::vector<std::array<double, 10>>().swap(variant_rows);
}

std::size_t ZVsource::drop() {
    if (packed_.empty())
        return 0; // nothing it could be measured again from, or nothing measured
    const std::size_t bytes = heap_bytes();
    std::vector<std::array<double, 5>>().swap(rows);
    std::vector<std::array<double, 10>>().swap(variant_rows);
    std::vector<std::uint8_t>().swap(packed_);
    dropped_ = true;
    return bytes;
}

void ZVsource::measure_again(const ZVglyph &left, const ZVglyph &right) {
    if (!dropped_)
        return;
    update_from_glyphs(left, right, width_, value);
    measured_again.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t ZVsource::measured_again_count() {
    return measured_again.load(std::memory_order_relaxed);
}

const ZVsource &ZVsource::with_shells(ZVsource &scratch) const {
    if (dropped_)
        throw std::logic_error("the shell records of a dropped measurement were read before it "
                               "was measured again");
    if (expanded())
        return *this;
    scratch.value = value;
    scratch.closest = closest;
    scratch.closest_variant = closest_variant;
    scratch.variant_pair = variant_pair;
    scratch.packed_shells_ = 0;
    scratch.width_ = width_;
    scratch.dropped_ = false;
    scratch.packed_.clear();
    scratch.stamp_ = stamp_;
    scratch.rows.clear();
    scratch.variant_rows.clear();
    thread_local std::vector<ZVbin> picked, total;
    const std::uint8_t *p = packed_.data();
    const std::uint8_t histograms = *p++;
    get_bins(p, picked);
    get_bins(p, total);
    std::vector<std::array<double, 5>> main = shell_records(picked, total);
    if (histograms == 2) {
        scratch.rows = std::move(main);
        return scratch;
    }
    get_bins(p, picked);
    get_bins(p, total);
    scratch.variant_rows = variant_records(main, shell_records(picked, total));
    return scratch;
}

const ZVsource &ZVsource::with_shells_recent() const {
    if (expanded() || dropped_) {
        thread_local ZVsource scratch; // a dropped source throws, as with_shells says
        return with_shells(scratch);
    }
    // A stamp stands for one measurement: every source carrying it holds the same records.
    struct Recent {
        std::array<ZVsource, ZV_RECENT_UNPACKED> kept;
        std::size_t next = 0;
    };
    thread_local Recent recent;
    for (const ZVsource &k : recent.kept)
        if (k.stamp_ == stamp_)
            return k;
    ZVsource &slot = recent.kept[recent.next];
    recent.next = (recent.next + 1) % ZV_RECENT_UNPACKED;
    return with_shells(slot);
}
