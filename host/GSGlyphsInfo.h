// The host's glyph database, as far as the bridge asks it.
#pragma once

#include <optional>
#include <string>

/// Script knowledge of the host's glyph database.
class GSGlyphsInfo {
  public:
    /// The OpenType script tag of a host script name ("latin" → "latn"), or nullopt.
    static std::optional<std::string> scriptTagForScript(const std::string &script);
};
