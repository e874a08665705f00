// UTF-8 checks shared by the property-list reader and writer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zv_utf8 {

/// The length of the well-formed UTF-8 sequence that starts at `s[i]`, or 0 when the bytes there
/// are not one (a stray continuation byte, an overlong form, a surrogate, beyond U+10FFFF, cut).
inline std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned c = byte(i);
    if (c < 0x80)
        return 1;
    std::size_t n;
    unsigned lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0)
            lo = 0xA0; // no overlong forms
        if (c == 0xED)
            hi = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F; // nothing past U+10FFFF
    } else
        return 0;
    if (i + n > s.size() || byte(i + 1) < lo || byte(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    return n;
}

/// The offset of the first byte that is not well-formed UTF-8, or npos.
inline std::size_t firstInvalid(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = sequenceLength(s, i);
        if (n == 0)
            return i;
        i += n;
    }
    return std::string_view::npos;
}

/// Appends the UTF-8 form of the code point `cp` (at most U+10FFFF, no surrogate).
inline void append(std::string &out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace zv_utf8
