// Message texts with their places filled in.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

/// The text with each "%@" or "%i" replaced, in order, by the next of `args` (a place left over
/// stays empty). The arguments go in literally: a "%" in a glyph name is never read as a place.
std::string fillIn(std::string_view format, std::initializer_list<std::string_view> args);
