// The canonical text of JSON strings and numbers in font files (see FONT_JSON.md): the bytes
// Python's json module writes, so that files from the importer and from the model compare equal.
#pragma once

#include <string>
#include <string_view>

namespace zvjson {

/// Appends a quoted string: raw UTF-8, with `"`, `\`, \n \r \t \b \f and other control characters
/// escaped (\u00xx in lower-case hex).
void appendString(std::string &out, std::string_view s);
/// Appends a real as Python's repr(float) does (shortest round trip: "3.0", "0.1", "1e-05").
void appendReal(std::string &out, double v);
/// Appends a model number: a whole value below 2^53 in magnitude as an integer, else as a real.
void appendModelNumber(std::string &out, double v);

} // namespace zvjson
