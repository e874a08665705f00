#include "engine/model/ZVgraph.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cmath>
#include <limits>

namespace {

constexpr double kBig = 1073741824.0;

// Bounds the breadth vector reserved up front; a sane graph holds a few hundred breadths.
constexpr double kMaxReserve = 1 << 20;

// The limited-slope smoothing and running mean shared by every comparison. Breadths follow a
// decrease at once but an increase only by half plus 1/8 and at most 56 per row; the mean takes
// raw differences for the first 19 rows and the smoothed difference after.
void step(ZVcomparison &r, double a, double b) {
    r.pa += std::min({0.5 * (a - r.pa) + 0.125, a - r.pa, 56.0});
    r.pb += std::min({0.5 * (b - r.pb) + 0.125, b - r.pb, 56.0});
    const double up = r.pa - b, down = a - r.pb;
    if (r.d < up)
        r.d = up;
    else
        r.d = std::min(r.d, down);
    r.count += 1;
    r.sum += r.count < 20 ? a - b : r.d;
}

double breadth(std::span<const float> g, std::size_t i) { return i < g.size() ? g[i] : kBig; }

// Starts a comparison at row 0 of both graphs.
void start(ZVcomparison &r, double a0, double b0) {
    r.first = static_cast<float>(std::min(a0, b0));
    r.pa = a0;
    r.pb = b0;
    r.d = a0 - b0;
    r.sum = 0;
    r.count = 0;
}

double mix_record(const double *e, double w1, double w2, double w3) {
    const double B = (1 - w2) * e[0] + w2 * e[1];
    const double T = (1 - w2) * e[2] + w2 * e[3];
    return w3 * e[4] + B + w1 * (1.25 * std::sqrt(std::max(T, 0.0)) - B);
}

std::uint16_t saturated_increment(std::uint16_t v) { return v == 65535 ? v : v + 1; }

// Keeps the two largest of (first, second, candidate): the largest in first.
void keep_two_largest(std::int32_t &first, std::int32_t &second, std::int32_t candidate) {
    std::int32_t v[3] = {first, second, candidate};
    std::sort(v, v + 3, std::greater<>());
    first = v[0];
    second = v[1];
}

} // namespace

double mixed_source_value(const ZVsource &source, std::size_t k, const std::array<double, 4> &w) {
    double v;
    if (!source.variant_rows.empty()) {
        const auto &e = source.variant_rows[std::min(k, source.variant_rows.size() - 1)];
        const double v_main = mix_record(e.data(), w[1], w[2], w[3]);
        const double v_zone = mix_record(e.data() + 5, w[1], w[2], w[3]);
        const double q = (1 - w[0]) * (1 - w[0]);
        v = source.variant_pair ? 0.25 * (1 - q) * v_main + (1 - 0.25 * (1 - q)) * v_zone
                                : (1 - q) * v_main + q * v_zone;
    } else if (!source.rows.empty()) {
        v = mix_record(source.rows[std::min(k, source.rows.size() - 1)].data(), w[1], w[2], w[3]);
    } else {
        return 0;
    }
    return v <= 0 ? 0 : 6.09164300459433 * std::sqrt(v + 4) - 12.18328600918866;
}

namespace {

// The mixed amounts of every shell of a source, as mixed_source_value gives them one by one:
// the same operations in the same order with the weights' factors taken once, two shells at a
// time where the processor has two-lane doubles (every lane rounds as the scalar operation
// does; no fused multiply-add is formed).
class Mixer {
  public:
    Mixer(const ZVsource &source, const std::array<double, 4> &w)
        : w1_(w[1]), w2_(w[2]), w3_(w[3]), u2_(1 - w[2]) {
        const double q = (1 - w[0]) * (1 - w[0]);
        if (source.variant_pair) {
            main_ = 0.25 * (1 - q);
            zone_ = 1 - 0.25 * (1 - q);
        } else {
            main_ = 1 - q;
            zone_ = q;
        }
    }

    void amounts(const ZVsource &source, std::vector<double> &out) const {
        const bool variant = !source.variant_rows.empty();
        const std::size_t n = variant ? source.variant_rows.size() : source.rows.size();
        out.resize(n);
        if (n == 0)
            return;
        const double *base =
            variant ? source.variant_rows.front().data() : source.rows.front().data();
        const std::size_t stride = variant ? 10 : 5;
        std::size_t k = 0;
#if defined(__SSE2__)
        for (; k + 1 < n; k += 2) {
            const double *a = base + k * stride, *b = a + stride;
            __m128d v = record2(a, b);
            if (variant)
                v = _mm_add_pd(_mm_mul_pd(_mm_set1_pd(main_), v),
                               _mm_mul_pd(_mm_set1_pd(zone_), record2(a + 5, b + 5)));
            const __m128d r = _mm_sub_pd(_mm_mul_pd(_mm_set1_pd(6.09164300459433),
                                                    _mm_sqrt_pd(_mm_add_pd(v, _mm_set1_pd(4.0)))),
                                         _mm_set1_pd(12.18328600918866));
            _mm_storeu_pd(out.data() + k, _mm_andnot_pd(_mm_cmple_pd(v, _mm_setzero_pd()), r));
        }
#endif
        for (; k < n; ++k) {
            const double *e = base + k * stride;
            double v = record(e);
            if (variant)
                v = main_ * v + zone_ * record(e + 5);
            out[k] = v <= 0 ? 0 : 6.09164300459433 * std::sqrt(v + 4) - 12.18328600918866;
        }
    }

  private:
    double record(const double *e) const {
        const double B = u2_ * e[0] + w2_ * e[1];
        const double T = u2_ * e[2] + w2_ * e[3];
        return w3_ * e[4] + B + w1_ * (1.25 * std::sqrt(std::max(T, 0.0)) - B);
    }
#if defined(__SSE2__)
    __m128d record2(const double *a, const double *b) const {
        auto lanes = [&](int i) { return _mm_set_pd(b[i], a[i]); };
        const __m128d u2 = _mm_set1_pd(u2_), w2 = _mm_set1_pd(w2_);
        const __m128d B = _mm_add_pd(_mm_mul_pd(u2, lanes(0)), _mm_mul_pd(w2, lanes(1)));
        const __m128d T = _mm_add_pd(_mm_mul_pd(u2, lanes(2)), _mm_mul_pd(w2, lanes(3)));
        // max(0, T) keeps T unless 0 > T, as std::max(T, 0.0) does (a NaN or -0 stays).
        const __m128d root = _mm_sqrt_pd(_mm_max_pd(_mm_setzero_pd(), T));
        const __m128d inner = _mm_sub_pd(_mm_mul_pd(_mm_set1_pd(1.25), root), B);
        return _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(w3_), lanes(4)), B),
                          _mm_mul_pd(_mm_set1_pd(w1_), inner));
    }
#endif
    double w1_, w2_, w3_, u2_, main_ = 0, zone_ = 0;
};

} // namespace

void mixed_source_values(const ZVsource &source, const std::array<double, 4> &weights,
                         std::vector<double> &out) {
    Mixer(source, weights).amounts(source, out);
}

ZVgraph::ZVgraph(const ZVsource &packed_or_not, ZVmix mix) {
    thread_local std::vector<double> amount;
    const ZVsource &source = packed_or_not.with_shells_recent();
    mix.weights[2] *= mix.weights[2];
    const std::size_t R = source.shells();
    if (R == 0)
        return;
    mixed_source_values(source, mix.weights, amount);

    // Breadth j is a quarter of the integral of position (quarter units) over the j-th unit of
    // amount: the mean position at which that unit of white lies.
    auto walk = [&](auto emit) {
        double x = 4 * source.closest, prev = 0, level = 1, acc = 0;
        for (std::size_t k = 0; k < R; ++k, x += 1) {
            const double v = std::max(amount[k], prev);
            if (v < level) {
                acc += (v - prev) * (x + 0.5);
            } else {
                // The amount rises linearly from prev at x to v at x + 1.
                const double s = 1 / (v - prev);
                acc += (level - prev) * (x + s * (level - prev) / 2);
                while (level <= v) {
                    emit(static_cast<float>(acc / 4));
                    const double crossed = level;
                    level += 1;
                    acc = level <= v ? x + s * (level - 0.5 - prev)
                                     : (v - crossed) * (x + s * ((v + crossed) / 2 - prev));
                }
            }
            prev = v;
        }
    };
    // The breadths number at most the largest amount: written into a buffer of that size, the
    // walk holds its sums in registers.
    const double most = *std::max_element(amount.begin(), amount.end());
    if (most >= 0 && most < kMaxReserve) {
        thread_local std::vector<float> buffer;
        buffer.resize(static_cast<std::size_t>(most) + 1);
        float *out = buffer.data();
        std::size_t count = 0;
        walk([&](float b) { out[count++] = b; });
        breadths.assign(out, out + count);
    } else {
        walk([&](float b) { breadths.push_back(b); });
    }
    if (breadths.size() >= 2) {
        double c = source.closest;
        if (c < source.closest_variant) {
            const double q = (1 - mix.weights[0]) * (1 - mix.weights[0]);
            c = source.closest_variant + q * (c - source.closest_variant);
        }
        breadths[0] = static_cast<float>(std::min<double>(c, breadths[1]));
    }
}

std::array<double, 4> ZVgraph::compare(const ZVgraph &b, double offset_lo, double offset_hi) const {
    ZVcomparison r;
    start(r, at(0), b.at(0));
    double lo = r.d + offset_lo, hi = r.d + offset_hi;
    double mean_lo = kBig, mean_hi = -kBig;
    const std::int64_t rows =
        static_cast<std::int64_t>(std::max(breadths.size(), b.breadths.size()));
    const std::int64_t n = std::min<std::int64_t>(
        rows, static_cast<std::int64_t>(std::max(b.min_index_peak, b.max_index_peak)) + 1);
    for (std::int64_t i = 0; i < n; ++i) {
        step(r, at(i), b.at(i));
        const double mean = r.sum / r.count;
        if (i <= b.min_index_peak)
            mean_lo = std::min(mean_lo, mean + offset_lo);
        if (i <= b.max_index_peak)
            mean_hi = std::max(mean_hi, mean + offset_hi);
        if (i <= b.min_index)
            lo = std::min({lo, r.d + offset_lo, mean_lo});
        if (i <= b.max_index)
            hi = std::max({hi, r.d + offset_hi, mean_hi});
    }
    return {lo, hi, mean_lo, mean_hi};
}

void compare_graph_profiles(ZVcomparison &r, const ZVgraph &a, const ZVgraph &b) {
    start(r, a.at(0), b.at(0));
    r.lo = std::min(r.lo, r.d + r.offset_lo);
    r.hi = std::max(r.hi, r.d + r.offset_hi);
    const std::int64_t m1 = std::min(a.max_index_peak, b.min_index_peak);
    const std::int64_t m2 = std::min(b.max_index_peak, a.min_index_peak);
    const std::int64_t lo_limit = std::min(a.max_index, b.min_index);
    const std::int64_t hi_limit = std::min(b.max_index, a.min_index);
    const std::int64_t rows =
        static_cast<std::int64_t>(std::max(a.breadths.size(), b.breadths.size()));
    const std::int64_t n = std::min(rows, std::max(m1, m2) + 1);
    for (std::int64_t i = 0; i < n; ++i) {
        step(r, a.at(i), b.at(i));
        const double mean = r.sum / r.count;
        if (i <= m1)
            r.mean_lo = std::min(r.mean_lo, mean + r.offset_lo);
        if (i <= m2)
            r.mean_hi = std::max(r.mean_hi, mean + r.offset_hi);
        if (i <= lo_limit)
            r.lo = std::min({r.lo, r.d + r.offset_lo, r.mean_lo});
        if (i <= hi_limit)
            r.hi = std::max({r.hi, r.d + r.offset_hi, r.mean_hi});
    }
}

void compare_breadth_ranges(ZVcomparison &r, std::span<const float> a, std::span<const float> b) {
    start(r, breadth(a, 0), breadth(b, 0));
    r.lo = std::min(r.lo, r.d + r.offset_lo);
    r.hi = std::max(r.hi, r.d + r.offset_hi);
    if (r.hi >= 0) {
        r.mean_hi = 0;
        return;
    }
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        step(r, breadth(a, i), breadth(b, i));
        r.mean_hi = std::max(r.mean_hi, r.sum / r.count + r.offset_hi);
        r.hi = std::max({r.hi, r.d + r.offset_hi, r.mean_hi});
        if (r.hi >= 0 && r.mean_hi >= 0)
            return;
    }
}

namespace {

// What a two-way comparison reads of compare_breadth_ranges started with offsets (0, upper).
struct Range {
    double hi, mean_hi;
    float first;
};

[[maybe_unused]] Range breadth_range(std::span<const float> a, std::span<const float> b,
                                     double upper) {
    ZVcomparison r;
    r.offset_hi = upper;
    compare_breadth_ranges(r, a, b);
    return {r.hi, r.mean_hi, r.first};
}

#if defined(__SSE2__)
// compare_breadth_ranges of many couples, two at a time in the two lanes of each register:
// every lane performs the scalar operations in their order (min and max as std::min and
// std::max choose), and when its comparison would have returned, the lane takes up the next
// couple.
void breadth_ranges_2(std::size_t count, const std::span<const float> *a,
                      const std::span<const float> *b, const double *upper, Range *out) {
    auto at = [](std::span<const float> g, std::size_t i) {
        return i < g.size() ? static_cast<double>(g[i]) : kBig;
    };
    auto select = [](__m128d mask, __m128d yes, __m128d no) {
        return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
    };
    auto get = [](__m128d v, int l) {
        double x[2];
        _mm_storeu_pd(x, v);
        return x[l];
    };
    auto put = [](__m128d v, int l, double x) {
        double y[2];
        _mm_storeu_pd(y, v);
        y[l] = x;
        return _mm_loadu_pd(y);
    };
    // Per lane: the couple (none when idle), its row, its row count.
    std::size_t couple[2] = {count, count}, row[2] = {0, 0}, rows[2] = {0, 0};
    __m128d pa = _mm_setzero_pd(), pb = pa, d = pa, sum = pa, hi = pa, mean_hi = pa, off = pa,
            seen = pa;
    std::size_t next = 0;
    const __m128d half = _mm_set1_pd(0.5), eighth = _mm_set1_pd(0.125), cap = _mm_set1_pd(56.0),
                  twenty = _mm_set1_pd(20.0), one = _mm_set1_pd(1.0);
    // Starts the next couple that does not end at its first row in lane l; false when none.
    auto load = [&](int l) {
        while (next < count) {
            const std::size_t q = next++;
            const double a0 = at(a[q], 0), b0 = at(b[q], 0);
            out[q].first = static_cast<float>(std::min(a0, b0));
            const double d0 = a0 - b0;
            const double h = std::max(-kBig, d0 + upper[q]);
            if (h >= 0) {
                out[q].hi = h;
                out[q].mean_hi = 0;
                continue;
            }
            couple[l] = q;
            row[l] = 0;
            rows[l] = std::max(a[q].size(), b[q].size());
            pa = put(pa, l, a0);
            pb = put(pb, l, b0);
            d = put(d, l, d0);
            sum = put(sum, l, 0);
            seen = put(seen, l, 0);
            hi = put(hi, l, h);
            mean_hi = put(mean_hi, l, -kBig);
            off = put(off, l, upper[q]);
            return true;
        }
        couple[l] = count;
        return false;
    };
    auto finish = [&](int l) {
        out[couple[l]].hi = get(hi, l);
        out[couple[l]].mean_hi = get(mean_hi, l);
    };
    load(0);
    load(1);
    while (couple[0] < count || couple[1] < count) {
        // A lane past its couple's rows has ended it; an idle lane computes on what it holds.
        for (int l = 0; l < 2; ++l)
            while (couple[l] < count && row[l] >= rows[l]) {
                finish(l);
                load(l);
            }
        if (couple[0] >= count && couple[1] >= count)
            break;
        const std::size_t q0 = couple[0] < count ? couple[0] : couple[1];
        const std::size_t q1 = couple[1] < count ? couple[1] : couple[0];
        const __m128d A = _mm_set_pd(at(a[q1], row[1]), at(a[q0], row[0]));
        const __m128d B = _mm_set_pd(at(b[q1], row[1]), at(b[q0], row[0]));
        const __m128d ta = _mm_sub_pd(A, pa), tb = _mm_sub_pd(B, pb);
        pa = _mm_add_pd(pa,
                        _mm_min_pd(cap, _mm_min_pd(ta, _mm_add_pd(_mm_mul_pd(half, ta), eighth))));
        pb = _mm_add_pd(pb,
                        _mm_min_pd(cap, _mm_min_pd(tb, _mm_add_pd(_mm_mul_pd(half, tb), eighth))));
        const __m128d up = _mm_sub_pd(pa, B), down = _mm_sub_pd(A, pb);
        d = select(_mm_cmplt_pd(d, up), up, _mm_min_pd(down, d));
        seen = _mm_add_pd(seen, one);
        sum = _mm_add_pd(sum, select(_mm_cmplt_pd(seen, twenty), _mm_sub_pd(A, B), d));
        mean_hi = _mm_max_pd(_mm_add_pd(_mm_div_pd(sum, seen), off), mean_hi);
        hi = _mm_max_pd(mean_hi, _mm_max_pd(_mm_add_pd(d, off), hi));
        const int ended = _mm_movemask_pd(_mm_and_pd(_mm_cmpge_pd(hi, _mm_setzero_pd()),
                                                     _mm_cmpge_pd(mean_hi, _mm_setzero_pd())));
        for (int l = 0; l < 2; ++l) {
            if (couple[l] >= count)
                continue;
            ++row[l];
            if (ended & (1 << l)) {
                finish(l);
                load(l);
            }
        }
    }
}
#endif

// Ranges of several couples: two side by side where the processor has two-lane doubles.
void breadth_ranges(std::size_t count, const std::span<const float> *a,
                    const std::span<const float> *b, const double *upper, Range *out) {
#if defined(__SSE2__)
    breadth_ranges_2(count, a, b, upper, out);
#else
    for (std::size_t q = 0; q < count; ++q)
        out[q] = breadth_range(a[q], b[q], upper[q]);
#endif
}

} // namespace

void two_way_inconsistencies(std::span<const ZVgraph_couple> couples, std::array<double, 3> *out) {
    const double t = ZV_TOLERANCE;
    const std::size_t n = couples.size();
    thread_local std::vector<std::span<const float>> a, b;
    thread_local std::vector<double> upper;
    thread_local std::vector<Range> first, second;
    thread_local std::vector<std::size_t> again;
    a.resize(n);
    b.resize(n);
    upper.resize(n);
    first.resize(n);
    for (std::size_t q = 0; q < n; ++q) {
        a[q] = couples[q].a->breadths;
        b[q] = couples[q].b->breadths;
        upper[q] = couples[q].offsets.second;
    }
    breadth_ranges(n, a.data(), b.data(), upper.data(), first.data());
    again.clear();
    for (std::size_t q = 0; q < n; ++q) {
        if (first[q].hi < -t) {
            out[q] = {first[q].hi, 0, 0};
            continue;
        }
        a[again.size()] = couples[q].b->breadths;
        b[again.size()] = couples[q].a->breadths;
        upper[again.size()] = -couples[q].offsets.first;
        again.push_back(q);
    }
    second.resize(again.size());
    breadth_ranges(again.size(), a.data(), b.data(), upper.data(), second.data());
    for (std::size_t k = 0; k < again.size(); ++k) {
        const std::size_t q = again[k];
        const Range &r1 = first[q], &r2 = second[k];
        if (r2.hi < -t) {
            out[q] = {-r2.hi, 0, 0};
            continue;
        }
        double y = std::min(r2.mean_hi, 0.0);
        if (y == 0)
            y = -std::min(0.0, r1.mean_hi);
        out[q] = {0, y, std::max<double>(r1.first, r2.first)};
    }
}

std::array<double, 3> ZVgraph::inconsistency(const ZVgraph &b, bool two_way,
                                             std::pair<double, double> offsets) const {
    const double t = ZV_TOLERANCE;
    if (!two_way) {
        ZVcomparison r;
        r.offset_lo = offsets.first;
        r.offset_hi = offsets.second;
        compare_graph_profiles(r, *this, b);
        double x = r.lo > t ? r.lo : 0;
        if (r.hi < -t)
            x = r.hi;
        return {x, 0, 0};
    }
    ZVcomparison r1;
    r1.offset_hi = offsets.second;
    compare_breadth_ranges(r1, breadths, b.breadths);
    if (r1.hi < -t)
        return {r1.hi, 0, 0};
    ZVcomparison r2;
    r2.offset_hi = -offsets.first;
    compare_breadth_ranges(r2, b.breadths, breadths);
    if (r2.hi < -t)
        return {-r2.hi, 0, 0};
    double y = std::min(r2.mean_hi, 0.0);
    if (y == 0)
        y = -std::min(0.0, r1.mean_hi);
    return {0, y, std::max<double>(r1.first, r2.first)};
}

double ZVgraph::dissimilarity(const ZVgraph &b) const {
    ZVcomparison r;
    compare_graph_profiles(r, *this, b);
    return std::max(std::fabs(r.lo), std::fabs(r.hi)) + (r.hi - r.lo);
}

double ZVgraph::similarity_sum(const std::vector<ZVgraph> &others, unsigned k, double base,
                               double limit) const {
    constexpr double kMax = std::numeric_limits<double>::max();
    if (others.empty())
        return base;
    std::vector<double> dis;
    dis.reserve(others.size());
    double s = base;
    for (const ZVgraph &other : others) {
        const double d = dissimilarity(other);
        if (d == 0)
            return kMax;
        dis.push_back(d);
        const double sim = 1 / d;
        if (dis.size() <= k) {
            s += sim;
            if (limit != 0 && s >= limit)
                return kMax;
        } else if (limit != 0 && sim >= limit) {
            return kMax;
        }
    }
    if (dis.size() <= k)
        return s;
    std::partial_sort(dis.begin(), dis.begin() + k, dis.end());
    double sum = base;
    for (unsigned i = 0; i < k; ++i)
        sum += 1 / dis[i];
    return sum;
}

void ZVgraph::update_required_breadth(ZVgraph &a, ZVgraph &b, double margin, bool first_flag,
                                      bool second_flag) {
    if (a.breadths.empty() || b.breadths.empty())
        return;
    const double thr = (!first_flag && second_flag) ? 0.3125 : 0.125;
    const double t0 = !first_flag ? thr : 0;
    const double m = std::max(margin, 0.0) + ZV_TOLERANCE;
    const double d0 = (a.at(0) + m) - b.at(0);
    if (d0 > 0)
        return;

    ZVcomparison r;
    start(r, a.at(0) + m, b.at(0));
    double mn = d0, mx = d0, best_mean = -kBig, best_ratio = -1;
    std::int32_t r_mean = -1, r_a = -1, r_b = -1, r_last = -1, r_m = -1;
    const std::size_t rows = std::max(a.breadths.size(), b.breadths.size());
    for (std::size_t i = 0; i < rows; ++i) {
        step(r, a.at(i) + m, b.at(i));
        const double mean = r.sum / r.count;
        const auto row = static_cast<std::int32_t>(i);
        if (mean > best_mean) {
            best_mean = mean;
            r_mean = row;
        }
        mn = std::min({mn, r.d, kBig});
        mx = std::max({mx, r.d, best_mean});
        const double ratio = mn == 0 ? 0 : mx / -mn;
        if (ratio > best_ratio) {
            if (r_a < 0 && ratio > t0)
                r_a = row;
            best_ratio = ratio;
            if (r_b < 0 && best_ratio > (first_flag ? 0 : 0.3125))
                r_b = row;
            r_last = row;
        }
        if (r_m < 0 && mean >= 0)
            r_m = row;
    }
    if (r_a < 0)
        r_a = r_last;
    if (r_b < 0)
        r_b = r_last;
    if (r_m < 0)
        r_m = r_mean;

    a.min_rows = saturated_increment(a.min_rows);
    keep_two_largest(a.min_index, a.min_limit_index, r_a);
    b.max_rows = saturated_increment(b.max_rows);
    keep_two_largest(b.max_index, b.max_limit_index, r_b);
    a.min_index_peak = std::max(a.min_index_peak, r_m);
    b.max_index_peak = std::max(b.max_index_peak, r_m);
}
