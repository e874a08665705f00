// The string-to-number rule of the system's strings.
#pragma once

#include <cstdint>
#include <string_view>

/// The integer value of `s` as the system's strings read it: leading blanks (spaces and tabs)
/// skipped, an optional sign, then the leading decimal digits; no digits give 0; values beyond
/// 64 bits saturate at the nearest bound. Whatever follows the digits is ignored.
std::int64_t NSStringIntegerValue(std::string_view s);
