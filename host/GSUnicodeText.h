// Text conversions between the UTF-8 the plug-in hands over and the UTF-16 the edit view keeps.
#pragma once

#include <string>

/// Appends the UTF-8 form of one code point; a value that is no Unicode scalar (a surrogate, or
/// above U+10FFFF) appends U+FFFD.
void appendUTF8(std::string &out, char32_t c);
/// The code points of UTF-8 text; each byte that starts no valid sequence gives U+FFFD.
std::u32string decodeUTF8(const std::string &text);
/// UTF-8 to UTF-16 (invalid bytes become U+FFFD).
std::u16string utf16FromUTF8(const std::string &text);
/// UTF-16 to UTF-8 (an unpaired surrogate becomes U+FFFD).
std::string utf8FromUTF16(const std::u16string &text);
/// The code points of UTF-16 text (an unpaired surrogate gives U+FFFD).
std::u32string decodeUTF16(const std::u16string &text);
