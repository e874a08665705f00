#include "platform/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

template <class F> std::string shortest(F v) {
    if (v == 0)
        return "0";
    if (std::isnan(v))
        return "nan";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

/// Reads [sign] digits [. digits] from `pos`; answers the value and moves `pos` past it, or
/// nothing (and leaves `pos`) when no digit is there.
std::optional<double> scanNumber(std::string_view s, std::size_t &pos) {
    std::size_t i = pos;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    const std::size_t digitsStart = i;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    std::size_t digits = i - digitsStart;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fractionStart = ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        digits += i - fractionStart;
    }
    if (digits == 0)
        return std::nullopt;
    // from_chars takes no leading '+'.
    std::size_t from = pos + (s[pos] == '+' ? 1 : 0);
    double v = 0;
    std::from_chars(s.data() + from, s.data() + i, v);
    pos = i;
    return v;
}

} // namespace

std::string numberText(double v) { return shortest(v); }
std::string numberText(float v) { return shortest(v); }

double leadingNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    return scanNumber(text, pos).value_or(0.0);
}

std::optional<double> wholeNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    const std::optional<double> v = scanNumber(text, pos);
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    if (!v || pos != text.size())
        return std::nullopt;
    return v;
}

long truncatedInteger(double v) {
    if (std::isnan(v))
        return 0;
    constexpr double top = 9223372036854775807.0; // 2^63, the first double above the bound
    if (v >= top)
        return std::numeric_limits<long>::max();
    if (v <= -top)
        return std::numeric_limits<long>::min();
    return static_cast<long>(v);
}
