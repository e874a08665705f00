#include "host/GSInstance.h"

#include "host/GSFont.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

namespace {

using Point = std::vector<double>;

// A place's value on axis `k`; axes beyond its list count as 0.
double value(const std::vector<double> &v, std::size_t k) { return k < v.size() ? v[k] : 0.0; }

double distance(const Point &a, const Point &b) {
    double d = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        d += (a[k] - b[k]) * (a[k] - b[k]);
    return std::sqrt(d);
}

// The barycentric weights of `p` in the simplex of `corners` (k + 1 points of k dimensions), or
// nothing when the simplex is flat.
std::optional<std::vector<double>> barycentric(const std::vector<const Point *> &corners,
                                               const Point &p) {
    const std::size_t k = p.size();
    // Solve [c1 - c0 ... ck - c0] x = p - c0 by elimination with partial pivoting.
    std::vector<std::vector<double>> a(k, std::vector<double>(k + 1));
    for (std::size_t r = 0; r < k; ++r) {
        for (std::size_t c = 0; c < k; ++c)
            a[r][c] = (*corners[c + 1])[r] - (*corners[0])[r];
        a[r][k] = p[r] - (*corners[0])[r];
    }
    for (std::size_t c = 0; c < k; ++c) {
        std::size_t pivot = c;
        for (std::size_t r = c + 1; r < k; ++r)
            if (std::abs(a[r][c]) > std::abs(a[pivot][c]))
                pivot = r;
        if (std::abs(a[pivot][c]) < 1e-9) // coordinates are normalised to about 1
            return std::nullopt;
        std::swap(a[c], a[pivot]);
        for (std::size_t r = 0; r < k; ++r)
            if (r != c) {
                const double f = a[r][c] / a[c][c];
                for (std::size_t j = c; j <= k; ++j)
                    a[r][j] -= f * a[c][j];
            }
    }
    std::vector<double> w(k + 1);
    for (std::size_t c = 0; c < k; ++c)
        w[c + 1] = a[c][k] / a[c][c];
    w[0] = 1.0 - std::accumulate(w.begin() + 1, w.end(), 0.0);
    return w;
}

} // namespace

// Places every master and the instance in the space the masters span, each axis scaled to the
// masters' extent on it (so that no axis counts more for its units), then weighs the masters of
// one simplex of that space: the simplex that holds the instance and whose corners lie nearest to
// it, or, when none holds it (outside the masters), the one whose corners lie nearest
// (extrapolation). Among equal simplices the first in font order wins. A master of weight 1 at
// the instance's place, a point between two masters and a place in a triangle of three all come
// out as the ordinary linear weights.
std::vector<double> GSInstance::simplexWeights(const std::vector<const GSFontMaster *> &masters,
                                               std::size_t axes) const {
    std::vector<Point> points(masters.size());
    Point place;
    for (std::size_t k = 0; k < axes; ++k) {
        double lo = value(masters.front()->axesValueList(), k), hi = lo;
        for (const GSFontMaster *m : masters) {
            lo = std::min(lo, value(m->axesValueList(), k));
            hi = std::max(hi, value(m->axesValueList(), k));
        }
        if (hi == lo)
            continue; // an axis on which the masters agree places nothing
        for (std::size_t i = 0; i < masters.size(); ++i)
            points[i].push_back((value(masters[i]->axesValueList(), k) - lo) / (hi - lo));
        place.push_back((value(axes_, k) - lo) / (hi - lo));
    }
    std::vector<double> weights(masters.size(), 0.0);
    // An orthonormal basis of the space the masters span (Gram-Schmidt on their differences from
    // the first), so that masters on a line or a plane across the axes are weighed in it.
    std::vector<Point> basis;
    for (const Point &q : points) {
        Point d(place.size());
        for (std::size_t k = 0; k < d.size(); ++k)
            d[k] = q[k] - points.front()[k];
        for (const Point &e : basis) {
            const double dot = std::inner_product(d.begin(), d.end(), e.begin(), 0.0);
            for (std::size_t k = 0; k < d.size(); ++k)
                d[k] -= dot * e[k];
        }
        const double norm = std::sqrt(std::inner_product(d.begin(), d.end(), d.begin(), 0.0));
        if (norm > 1e-9) {
            for (double &x : d)
                x /= norm;
            basis.push_back(std::move(d));
        }
    }
    if (basis.empty())
        return weights; // every master sits at one place, and the instance elsewhere
    const Point origin = points.front();
    const auto inBasis = [&](const Point &q) {
        Point out;
        for (const Point &e : basis) {
            double dot = 0;
            for (std::size_t k = 0; k < q.size(); ++k)
                dot += (q[k] - origin[k]) * e[k];
            out.push_back(dot);
        }
        return out;
    };
    for (Point &q : points)
        q = inBasis(q);
    place = inBasis(place);

    // The simplices are drawn from the masters nearest the instance, so that a family of many
    // masters does not make the search grow without bound.
    const std::size_t corners = basis.size() + 1;
    std::vector<std::size_t> near(masters.size());
    std::iota(near.begin(), near.end(), 0);
    std::stable_sort(near.begin(), near.end(), [&](std::size_t a, std::size_t b) {
        return distance(points[a], place) < distance(points[b], place);
    });
    near.resize(std::min<std::size_t>(near.size(), std::max<std::size_t>(corners, 12)));
    std::sort(near.begin(), near.end()); // font order again, for the ties
    if (near.size() < corners)
        return weights;

    struct Best {
        bool holds = false;
        double spread = 0;
        std::vector<std::size_t> chosen;
        std::vector<double> w;
    };
    std::optional<Best> best;
    std::vector<std::size_t> pick(corners);
    std::iota(pick.begin(), pick.end(), 0);
    for (;;) {
        std::vector<const Point *> simplex;
        for (std::size_t i : pick)
            simplex.push_back(&points[near[i]]);
        if (std::optional<std::vector<double>> w = barycentric(simplex, place)) {
            const bool holds = std::all_of(w->begin(), w->end(), [](double x) { return x > -1e-12; });
            double spread = 0;
            for (const Point *q : simplex)
                spread += distance(*q, place);
            if (!best || (holds && !best->holds) ||
                (holds == best->holds && spread < best->spread - 1e-12)) {
                std::vector<std::size_t> chosen;
                for (std::size_t i : pick)
                    chosen.push_back(near[i]);
                best = Best{holds, spread, std::move(chosen), std::move(*w)};
            }
        }
        // The next choice of corners, in lexicographic order.
        std::size_t i = corners;
        while (i > 0 && pick[i - 1] == near.size() - corners + i - 1)
            --i;
        if (i == 0)
            break;
        ++pick[i - 1];
        for (std::size_t j = i; j < corners; ++j)
            pick[j] = pick[j - 1] + 1;
    }
    if (!best)
        return weights;
    for (std::size_t c = 0; c < corners; ++c)
        weights[best->chosen[c]] = std::abs(best->w[c]) < 1e-12 ? 0.0 : best->w[c];
    return weights;
}

void GSInstance::updateInterpolationValues() {
    interpolations_.removeAllObjects();
    if (!font_)
        return;
    std::vector<std::string> disabled;
    if (const PlistValue *v = customValueIn(params_, "Disable Masters"))
        if (const PlistArray *names = v->asArray())
            for (const PlistValue &n : *names)
                if (const std::string *s = n.asString())
                    disabled.push_back(*s);
    std::vector<const GSFontMaster *> masters;
    for (const GSFontMaster *m : font_->fontMasters())
        if (std::find(disabled.begin(), disabled.end(), m->name()) == disabled.end())
            masters.push_back(m);
    if (masters.empty())
        return;
    std::size_t axes = axes_.size();
    for (const GSFontMaster *m : masters)
        axes = std::max(axes, m->axesValueList().size());
    for (const GSFontMaster *m : masters) {
        bool same = true;
        for (std::size_t k = 0; k < axes; ++k)
            same = same && value(m->axesValueList(), k) == value(axes_, k);
        if (same) {
            interpolations_.setObject(1.0, m->id());
            return;
        }
    }
    const std::vector<double> weights = simplexWeights(masters, axes);
    for (std::size_t i = 0; i < masters.size(); ++i) // in font order; zero weights left out
        if (weights[i] != 0)
            interpolations_.setObject(weights[i], masters[i]->id());
}
