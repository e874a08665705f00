#include "engine/geometry/ZVglyphs.h"

#include "engine/geometry/ZVrasterization.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace PLXlibNamespaceForZV {

namespace {

// Lowercase letters are zoned by the x-height, which is 225 engine units by construction.
constexpr int kLowercaseZone = 225;

// k-th smallest value with k = count x q truncated; 0 for no values.
double quantile(std::vector<double> values, double q) {
    if (values.empty())
        return 0;
    const auto k = static_cast<std::size_t>(static_cast<unsigned>(values.size() * q));
    if (k == 0)
        return *std::min_element(values.begin(), values.end());
    if (k >= values.size() - 1)
        return *std::max_element(values.begin(), values.end());
    std::nth_element(values.begin(), values.begin() + k, values.end());
    return values[k];
}

std::int32_t saturated_int(double v) {
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (!(v >= lo))
        return std::numeric_limits<std::int32_t>::min();
    if (v > hi)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

// The deepest distance between the profile's outer slopes: the rows from the first that goes
// deeper than the row below it, up to (not including) the row below the last that comes closer.
double valley_depth(const ZVprofile &p) {
    const auto &d = p.depths;
    const std::size_t n = d.size();
    std::size_t a = n;
    for (std::size_t i = 1; i < n; ++i)
        if (d[i] > d[i - 1]) {
            a = i;
            break;
        }
    std::size_t b = 0;
    for (std::size_t i = n; i-- > 1;)
        if (d[i] < d[i - 1]) {
            b = i;
            break;
        }
    if (b == 0 || a >= b - 1)
        return p.min_depth;
    std::size_t deepest = a;
    for (std::size_t i = a + 1; i < b - 1; ++i)
        if (d[i] > d[deepest])
            deepest = i;
    return d[deepest];
}

} // namespace

ZVglyphs::ZVglyphs(std::vector<PLXglyph> &outlines, const ZVglyphsinfo &info, double scale_,
                   int zone_height_)
    : scale(scale_), zone_height(zone_height_) {
    for (auto &outline : outlines)
        outline.scale_by(scale);
    glyphs.assign(info._id_for_index.size(), ZVglyph());

    for (const auto &outline : outlines) {
        const std::uint16_t index = info.index_for_id(outline.id);
        if (index == ZV_NO_GLYPH || index >= glyphs.size())
            continue;
        ZVglyph &glyph = glyphs[index];
        glyph.name = outline.name;
        if (index < info._category_for_index.size())
            glyph.category = info._category_for_index[index];
        build_profiles(glyph, outline);
        glyph.tracking_group = tracking_groups_for(info, index, glyph.category);
    }

    const double vL = max_x_in_valley_median(0, 0.93), mL = max_x_median(0, 0.85);
    const double vR = max_x_in_valley_median(1, 0.93), mR = max_x_median(1, 0.85);
    max_width = saturated_int(std::trunc(std::max(mL, vL) + std::max(mR, vR)) * 1.25);

    const double cap = max_width * 1.25;
    for (auto &glyph : glyphs)
        if (!glyph.left.empty())
            finish_glyph(glyph, cap);

    max_width = saturated_int(static_cast<double>(max_width) * 4);
}

void ZVglyphs::build_profiles(ZVglyph &glyph, const PLXglyph &outline) {
    const double outline_scale = outline.scale != 0 ? outline.scale : 1.0;
    const double advance = outline.masters.empty() ? 0 : outline.masters[0].advance.x;
    glyph.width = static_cast<float>(outline_scale * advance);
    const ZVrasterization raster = outline.rasterized();
    glyph.left = ZVprofile();
    glyph.right = ZVprofile();
    if (raster.left.empty())
        return;
    glyph.left.set_depths(raster.left, raster.offset);
    glyph.right.set_depths(raster.right, raster.offset);
}

std::array<std::int16_t, 2> ZVglyphs::tracking_groups_for(const ZVglyphsinfo &info,
                                                          std::uint16_t index,
                                                          const ZVglyph_category &category) {
    std::int16_t group = 0;
    if (category.category == ZV_UPPERCASE)
        group = 1;
    else if (category.flags & (ZV_LNUM_SUBSTITUTE | ZV_ONUM_SOURCE))
        group = 1; // lining figure
    else if (category.flags & (ZV_LNUM_SOURCE | ZV_ONUM_SUBSTITUTE))
        group = 0; // old-style figure
    else if (category.category == ZV_DIGIT || category.category == ZV_CURRENCY)
        group = 1;
    std::array<std::int16_t, 2> groups{group, group};
    for (int side = 0; side < 2; ++side) {
        const std::int16_t custom = info.tracking_group(index, side);
        if (custom > 1 || custom == ZV_NO_KERNING_GROUP)
            groups[side] = custom;
    }
    return groups;
}

void ZVglyphs::finish_glyph(ZVglyph &glyph, double symmetry_cap) const {
    glyph.symmetric = side_profile_difference(glyph.left, glyph.right, symmetry_cap) < 1.25;
    build_zone_profiles(glyph);
    glyph.left.finalize();
    glyph.right.finalize();
    glyph.left_zone.finalize();
    glyph.right_zone.finalize();
}

void ZVglyphs::build_zone_profiles(ZVglyph &glyph) const {
    glyph.left_zone = ZVprofile();
    glyph.right_zone = ZVprofile();
    int zone;
    if (glyph.category.category == ZV_LOWERCASE)
        zone = kLowercaseZone;
    else if (glyph.category.category == ZV_UPPERCASE)
        zone = zone_height;
    else
        return;
    for (int side = 0; side < 2; ++side) {
        ZVprofile copy = glyph.profile(side);
        bool changed = false;
        for (std::size_t i = 0; i < copy.depths.size(); ++i) {
            double &d = copy.depths[i];
            if (d == ZV_NO_INK)
                continue;
            const std::int64_t y = copy.first_row + static_cast<std::int64_t>(i);
            if (y <= -1)
                d += static_cast<double>(-y);
            else if (y > zone)
                d += static_cast<double>(y - zone);
            else
                continue;
            changed = true;
            copy.max_depth = std::max(copy.max_depth, d);
        }
        if (changed)
            (side == 0 ? glyph.left_zone : glyph.right_zone) = std::move(copy);
    }
}

void ZVglyphs::rebuild_glyph(std::uint16_t index, const PLXglyph &outline) {
    if (index >= glyphs.size())
        return;
    ZVglyph &glyph = glyphs[index];
    build_profiles(glyph, outline);
    glyph.symmetric = false;
    glyph.left_zone = ZVprofile();
    glyph.right_zone = ZVprofile();
    // The stored search width is four times the one the symmetry cap was taken from.
    if (!glyph.left.empty())
        finish_glyph(glyph, max_width * 0.3125);
}

double ZVglyphs::max_x_median(signed char side, double q) const {
    std::vector<double> values;
    values.reserve(glyphs.size());
    // Only glyphs with ink on that side: a blank glyph (a space, an empty unencoded glyph) says
    // nothing about how deep the sides of a font are, and counted as a marker it pulled the
    // quantile down, so that adding blank glyphs shrank the search width and moved the kerning.
    for (const auto &glyph : glyphs) {
        const ZVprofile &p = glyph.profile(side);
        if (!p.empty())
            values.push_back(std::min<double>(glyph.width, p.max_depth));
    }
    return quantile(std::move(values), q);
}

double ZVglyphs::max_x_in_valley_median(signed char side, double q) const {
    std::vector<double> values;
    values.reserve(glyphs.size());
    for (const auto &glyph : glyphs) {
        const ZVprofile &p = glyph.profile(side);
        if (p.empty())
            continue;
        const double v = valley_depth(p);
        if (v != ZV_NO_INK)
            values.push_back(v);
    }
    return quantile(std::move(values), q);
}

} // namespace PLXlibNamespaceForZV
