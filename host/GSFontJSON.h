// Reading and writing a whole font as one JSON file (the format is in FONT_JSON.md).
#pragma once

#include "host/GSFont.h"

#include <memory>
#include <string>
#include <string_view>

/// A font read from a file, or the reason why none was: "$.glyphs[3].name: expected a string".
struct GSFontReadResult {
    std::unique_ptr<GSFont> font;
    std::string error;
    explicit operator bool() const { return font != nullptr; }
};

/// Reads a font from JSON text. Bad or hostile input gives an error naming the JSON path.
GSFontReadResult readFontJSON(std::string_view text);
/// Reads a font from a file; an unreadable file is an error naming the file.
GSFontReadResult readFontJSONFile(const std::string &path);
/// The canonical text of the font (one line and a line end).
std::string writeFontJSON(const GSFont &font);
/// Writes the canonical text to a file; answers false with a reason in `error` on failure.
bool writeFontJSONFile(const GSFont &font, const std::string &path, std::string *error);
