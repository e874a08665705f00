// Numbers as controls show and read them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

/// The shortest text that reads back as `v` ("12", "-0.5", "1e+21"); -0 shows as "0".
std::string numberText(double v);
/// The same for a single-precision value, so that 0.1f shows as "0.1".
std::string numberText(float v);
/// The number a text starts with, as the platform's strings read it: leading blanks, an optional
/// sign, digits with an optional fraction; 0 when the text does not start with a number.
double leadingNumber(std::string_view text);
/// The number when the whole text is one (blanks around it allowed), else nothing.
std::optional<double> wholeNumber(std::string_view text);
/// `v` truncated toward zero into a long, saturating at its bounds (NaN gives 0).
long truncatedInteger(double v);
