// Reading the pair-frequencies file: how often two characters meet in running text, turned into
// the font's frequent glyph pairs and the fraction features' partner lists.
#include "engine/font/ZVfontMM.h"
#include "engine/geometry/ZVtextresource.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using PLXlibNamespaceForZV::ZV_NO_GLYPH;

namespace {

constexpr char32_t kOneHalf = 0x00BD, kSuperscriptN = 0x207F, kFractionSlash = 0x2044;

/// The code points of one line; nothing when its bytes are not valid UTF-8.
std::optional<std::u32string> decode_utf8(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int n;
        char32_t c;
        if (b < 0x80) {
            n = 0;
            c = b;
        } else if (b >= 0xC2 && b < 0xE0) {
            n = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b < 0xF0) {
            n = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b < 0xF5) {
            n = 3;
            c = b & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + static_cast<std::size_t>(n) >= s.size() && n > 0)
            return std::nullopt; // cut off at the end of the line
        for (int k = 1; k <= n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((t & 0xC0) != 0x80)
                return std::nullopt;
            c = (c << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
        if ((n == 2 && c < 0x800) || (n == 3 && (c < 0x10000 || c > 0x10FFFF)) ||
            (c >= 0xD800 && c <= 0xDFFF))
            return std::nullopt;
        out.push_back(c);
        i += static_cast<std::size_t>(n) + 1;
    }
    return out;
}

/// The frequency text read as a standard string-to-integer conversion reads it (leading white
/// space, a sign, digits up to the first other character); nothing when it holds no number or
/// one outside the 32-bit signed range.
std::optional<std::int32_t> read_integer(std::u32string_view t) {
    std::size_t i = 0;
    while (i < t.size() && (t[i] == ' ' || (t[i] >= '\t' && t[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        negative = t[i++] == '-';
    std::int64_t v = 0;
    std::size_t digits = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++digits) {
        v = v * 10 + (t[i] - '0');
        if (v > (std::int64_t{1} << 32))
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    if (negative)
        v = -v;
    if (v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

void add_partner(ZVfeatures &features, std::string_view tag, bool right_side, std::uint16_t glyph,
                 std::uint16_t frequency) {
    if (glyph == ZV_NO_GLYPH)
        return;
    for (ZVfeature &f : features.features)
        if (f.tag == tag) {
            (right_side ? f.right_partners : f.left_partners).push_back({glyph, frequency});
            return;
        }
}

} // namespace

void ZVfontMM::load_pair_frequencies(const char *path) {
    if (!features.indices_with_frequency.empty() || pair_frequencies_read_)
        return;
    pair_frequencies_read_ = true;
    const auto glyph_of = glyphsinfo.index_for_unicodes();
    const auto lookup = [&](char32_t c) {
        const auto it = glyph_of.find(static_cast<std::uint32_t>(c));
        return it == glyph_of.end() ? ZV_NO_GLYPH : it->second;
    };
    // A file that cannot be read to its end counts as missing: no half-read list of pairs.
    const std::optional<std::string> bytes =
        PLXlibNamespaceForZV::read_text_resource(path ? path : "");
    const std::string_view all = bytes ? std::string_view(*bytes) : std::string_view();
    for (std::size_t start = 0; start < all.size();) {
        const std::size_t end = std::min(all.find('\n', start), all.size());
        const std::string_view line = all.substr(start, end - start);
        start = end + 1;
        const std::optional<std::u32string> text = decode_utf8(line);
        if (!text || text->size() < 4 || (*text)[0] == U' ' || (*text)[2] != U' ')
            continue;
        const char32_t lc = (*text)[0], rc = (*text)[1];
        const std::uint16_t l = lookup(lc), r = lookup(rc);
        if (l == ZV_NO_GLYPH || r == ZV_NO_GLYPH)
            continue;
        const std::optional<std::int32_t> number =
            read_integer(std::u32string_view(*text).substr(3));
        if (!number)
            continue;
        auto frequency = static_cast<std::uint16_t>(static_cast<std::uint32_t>(*number) & 0xFFFF);
        if (frequency == 0)
            frequency = 1; // a pair that is listed occurs
        if (lc == kOneHalf)
            add_partner(features, "dnom", true, r, frequency);
        if (lc == kSuperscriptN)
            add_partner(features, "sups", true, r, frequency);
        if (rc == kOneHalf)
            add_partner(features, "numr", false, l, frequency);
        if (rc == kSuperscriptN)
            add_partner(features, "sups", false, l, frequency);
        features.indices_with_frequency.push_back({{l, r}, frequency});
    }
    if (const std::uint16_t slash = lookup(kFractionSlash); slash != ZV_NO_GLYPH) {
        add_partner(features, "numr", true, slash, 250);
        add_partner(features, "dnom", false, slash, 250);
    }
    features.indices_with_frequency.shrink_to_fit();
}
