#include "bridge/ZVUserData.h"

#include <cctype>
#include <cmath>

namespace zvuserdata {

std::optional<std::pair<std::string, std::string>> pairEntry(const PlistValue &entry) {
    const std::string *text = entry.asString();
    const std::size_t blank = text ? text->find(' ') : std::string::npos;
    if (blank == std::string::npos || blank == 0 || blank + 1 == text->size() ||
        text->find(' ', blank + 1) != std::string::npos)
        return std::nullopt;
    return std::make_pair(text->substr(0, blank), text->substr(blank + 1));
}

std::int64_t integerValue(const PlistValue &value) {
    if (const std::int64_t *i = value.asInteger())
        return *i;
    if (const double *d = value.asReal())
        return std::isfinite(*d) && std::fabs(*d) < 9.2e18 ? static_cast<std::int64_t>(*d) : 0;
    if (const bool *b = value.asBool())
        return *b ? 1 : 0;
    if (const std::string *s = value.asString()) {
        std::size_t i = 0;
        while (i < s->size() && std::isspace(static_cast<unsigned char>((*s)[i])))
            ++i;
        bool negative = false;
        if (i < s->size() && ((*s)[i] == '+' || (*s)[i] == '-'))
            negative = (*s)[i++] == '-';
        std::int64_t v = 0;
        for (; i < s->size() && std::isdigit(static_cast<unsigned char>((*s)[i])); ++i) {
            if (v > (INT64_MAX - 9) / 10)
                return negative ? INT64_MIN : INT64_MAX;
            v = v * 10 + ((*s)[i] - '0');
        }
        return negative ? -v : v;
    }
    return 0;
}

} // namespace zvuserdata
