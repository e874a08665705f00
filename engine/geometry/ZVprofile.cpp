#include "engine/geometry/ZVprofile.h"

#include <algorithm>

namespace PLXlibNamespaceForZV {

void ZVprofile::set_depths(const std::vector<double> &raster_side, std::int32_t offset) {
    depths = raster_side;
    first_row = offset;
    min_depth = ZV_NO_INK;
    max_depth = -ZV_NO_INK;
    for (double d : depths) {
        if (d == ZV_NO_INK)
            continue;
        min_depth = std::min(min_depth, d);
        max_depth = std::max(max_depth, d);
    }
}

void ZVprofile::finalize() {
    const auto n = static_cast<std::int32_t>(depths.size());
    next_closer_above.assign(n, n);
    next_closer_below.assign(n, -1);
    // A monotonic stack of rows whose distances strictly increase away from the row in hand
    // gives each row its nearest strictly closer neighbour in linear time.
    std::vector<std::int32_t> stack;
    stack.reserve(n);
    for (std::int32_t k = n - 1; k >= 0; --k) {
        while (!stack.empty() && depths[stack.back()] >= depths[k])
            stack.pop_back();
        if (!stack.empty())
            next_closer_above[k] = stack.back();
        stack.push_back(k);
    }
    stack.clear();
    for (std::int32_t k = 0; k < n; ++k) {
        while (!stack.empty() && depths[stack.back()] >= depths[k])
            stack.pop_back();
        if (!stack.empty())
            next_closer_below[k] = stack.back();
        stack.push_back(k);
    }
}

double side_profile_difference(const ZVprofile &a, const ZVprofile &b, double cap) {
    const std::int64_t a_end = a.first_row + static_cast<std::int64_t>(a.rows());
    const std::int64_t b_end = b.first_row + static_cast<std::int64_t>(b.rows());
    const std::int64_t lo = std::max<std::int64_t>(a.first_row, b.first_row);
    const std::int64_t hi = std::min(a_end, b_end);
    if (lo >= hi)
        return 1073741824.0;
    auto closer_outside = [&](const ZVprofile &p) {
        for (std::size_t i = 0; i < p.rows(); ++i) {
            const std::int64_t y = p.first_row + static_cast<std::int64_t>(i);
            if ((y < lo || y >= hi) && p.depths[i] < cap)
                return true;
        }
        return false;
    };
    if (closer_outside(a) || closer_outside(b))
        return 0;
    double sum = 0;
    for (std::int64_t y = lo; y < hi; ++y) {
        const double da = std::min(a.depths[y - a.first_row], cap);
        const double db = std::min(b.depths[y - b.first_row], cap);
        sum += (da - db) * (da - db);
    }
    return sum / static_cast<double>(hi - lo);
}

} // namespace PLXlibNamespaceForZV
