#include "host/GSUnicodeText.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isScalar(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

} // namespace

void appendUTF8(std::string &out, char32_t c) {
    if (!isScalar(c))
        c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::u32string decodeUTF8(const std::string &s) {
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int n = -1;
        char32_t c = 0;
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
        }
        bool ok = n >= 0 && i + static_cast<std::size_t>(n) < s.size() + (n == 0 ? 1 : 0);
        for (int k = 1; ok && k <= n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            ok = (t & 0xC0) == 0x80;
            c = (c << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are no UTF-8.
        ok = ok && !(n == 2 && c < 0x800) && !(n == 3 && c < 0x10000) && isScalar(c);
        if (!ok) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        out.push_back(c);
        i += static_cast<std::size_t>(n) + 1;
    }
    return out;
}

std::u16string utf16FromUTF8(const std::string &text) {
    std::u16string out;
    out.reserve(text.size());
    for (char32_t c : decodeUTF8(text)) {
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        }
    }
    return out;
}

std::u32string decodeUTF16(const std::u16string &s) {
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char32_t u = s[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] < 0xE000) {
            out.push_back(0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00));
            ++i;
        } else {
            out.push_back(u >= 0xD800 && u < 0xE000 ? kReplacement : u);
        }
    }
    return out;
}

std::string utf8FromUTF16(const std::u16string &text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : decodeUTF16(text))
        appendUTF8(out, c);
    return out;
}
