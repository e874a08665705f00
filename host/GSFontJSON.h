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
/// Writes the canonical text to a file, replacing it whole: a new file beside it, synced, then
/// renamed over it, so that the old file stays as it was when anything fails (a full disk, the
/// process stopped). Answers false with the system's reason in `error`:
/// "out.json: cannot be written: No space left on device".
bool writeFontJSONFile(const GSFont &font, const std::string &path, std::string *error);
/// Whether writeFontJSONFile could write `path` now (its folder takes a new file, and the path
/// names no folder); for checking a target before minutes of work. `error` as above.
bool canWriteFontJSONFile(const std::string &path, std::string *error);
