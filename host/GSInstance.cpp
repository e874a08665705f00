#include "host/GSInstance.h"

#include "host/GSFont.h"

#include <algorithm>
#include <cmath>

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
    auto value = [](const std::vector<double> &v, std::size_t k) {
        return k < v.size() ? v[k] : 0.0;
    };
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
    std::size_t axis = axes;
    for (std::size_t k = 0; k < axes && axis == axes; ++k)
        for (const GSFontMaster *m : masters)
            if (value(m->axesValueList(), k) != value(masters.front()->axesValueList(), k)) {
                axis = k;
                break;
            }
    if (axis == axes)
        return; // every master sits at one place, and the instance elsewhere
    std::vector<const GSFontMaster *> sorted = masters;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const GSFontMaster *a, const GSFontMaster *b) {
                         return value(a->axesValueList(), axis) < value(b->axesValueList(), axis);
                     });
    const double p = value(axes_, axis);
    // The masters around p; outside the range, the two nearest distinct ones (extrapolation).
    const GSFontMaster *lo = nullptr, *hi = nullptr;
    for (const GSFontMaster *m : sorted)
        if (value(m->axesValueList(), axis) <= p)
            lo = m;
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it)
        if (value((*it)->axesValueList(), axis) >= p)
            hi = *it;
    auto distinctNeighbour = [&](const GSFontMaster *m, bool upwards) -> const GSFontMaster * {
        const double v = value(m->axesValueList(), axis);
        if (upwards) {
            for (const GSFontMaster *c : sorted)
                if (value(c->axesValueList(), axis) > v)
                    return c;
        } else {
            for (auto it = sorted.rbegin(); it != sorted.rend(); ++it)
                if (value((*it)->axesValueList(), axis) < v)
                    return *it;
        }
        return nullptr;
    };
    if (!lo) {
        lo = hi;
        hi = distinctNeighbour(lo, true);
    } else if (!hi) {
        hi = lo;
        lo = distinctNeighbour(hi, false);
    } else if (lo == hi || value(lo->axesValueList(), axis) == value(hi->axesValueList(), axis)) {
        interpolations_.setObject(1.0, lo->id());
        return;
    }
    if (!lo || !hi)
        return;
    const double a = value(lo->axesValueList(), axis), b = value(hi->axesValueList(), axis);
    const double wHi = (p - a) / (b - a);
    const double wLo = 1.0 - wHi;
    // Enumerate in font order of the masters.
    for (const GSFontMaster *m : font_->fontMasters()) {
        if (m == lo && wLo != 0)
            interpolations_.setObject(wLo, m->id());
        if (m == hi && wHi != 0)
            interpolations_.setObject(wHi, m->id());
    }
}
