#include "platform/NSString.h"

#include <limits>

std::int64_t NSStringIntegerValue(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    // Accumulate towards the sign's bound so that the most negative value fits.
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    std::int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        const int d = s[i] - '0';
        if (negative) {
            if (v < (lowest + d) / 10)
                return lowest;
            v = v * 10 - d;
        } else {
            if (v > (highest - d) / 10)
                return highest;
            v = v * 10 + d;
        }
    }
    return v;
}
