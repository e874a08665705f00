#include "host/JSONText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace zvjson {

void appendString(std::string &out, std::string_view s) {
    out += '"';
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

void appendReal(std::string &out, double v) {
    if (!std::isfinite(v)) { // never written by the model; kept readable rather than invalid
        out += "null";
        return;
    }
    if (v == 0) {
        out += std::signbit(v) ? "-0.0" : "0.0";
        return;
    }
    // The shortest round-trip digits, laid out by Python's repr rule: positional notation for
    // decimal exponents from -4 to 15, scientific otherwise.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    std::string sign;
    if (sci.front() == '-') {
        sign = "-";
        sci.remove_prefix(1);
    }
    const std::size_t epos = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, epos))
        if (c != '.')
            digits += c;
    const int exp = std::stoi(std::string(sci.substr(epos + 1)));
    out += sign;
    if (exp >= -4 && exp < 16) {
        if (exp >= 0) {
            const auto whole = static_cast<std::size_t>(exp) + 1;
            if (digits.size() <= whole) {
                out += digits;
                out.append(whole - digits.size(), '0');
                out += ".0";
            } else {
                out += digits.substr(0, whole);
                out += '.';
                out += digits.substr(whole);
            }
        } else {
            out += "0.";
            out.append(static_cast<std::size_t>(-exp - 1), '0');
            out += digits;
        }
        return;
    }
    out += digits[0];
    if (digits.size() > 1) {
        out += '.';
        out += digits.substr(1);
    }
    char ebuf[16];
    std::snprintf(ebuf, sizeof ebuf, "e%c%02d", exp < 0 ? '-' : '+', exp < 0 ? -exp : exp);
    out += ebuf;
}

void appendModelNumber(std::string &out, double v) {
    if (std::isfinite(v) && v == std::trunc(v) && std::abs(v) < 9007199254740992.0) {
        out += std::to_string(static_cast<std::int64_t>(v));
        return;
    }
    appendReal(out, v);
}

} // namespace zvjson
