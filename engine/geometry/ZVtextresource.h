// Reading one of the plug-in's text resources (the default groups, the pair frequencies).
#pragma once

#include <optional>
#include <string>

namespace PLXlibNamespaceForZV {

/// The bytes of a text resource file; nothing when the path names no regular file or the file
/// cannot be read to its end (no permission, a read error half-way). Its readers take nothing
/// as a missing file, which is silently ignored. Never throws but for exhausted memory.
std::optional<std::string> read_text_resource(const std::string &path);

} // namespace PLXlibNamespaceForZV
