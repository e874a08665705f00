#include "host/GSGlyphsInfo.h"

#include <array>
#include <utility>

std::optional<std::string> GSGlyphsInfo::scriptTagForScript(const std::string &script) {
    static constexpr std::array<std::pair<const char *, const char *>, 24> tags{{
        {"latin", "latn"},     {"greek", "grek"},      {"cyrillic", "cyrl"}, {"arabic", "arab"},
        {"hebrew", "hebr"},    {"armenian", "armn"},   {"georgian", "geor"}, {"thai", "thai"},
        {"lao", "lao "},       {"devanagari", "deva"}, {"bengali", "beng"},  {"gurmukhi", "guru"},
        {"gujarati", "gujr"},  {"tamil", "taml"},      {"telugu", "telu"},   {"kannada", "knda"},
        {"malayalam", "mlym"}, {"khmer", "khmr"},      {"han", "hani"},      {"hangul", "hang"},
        {"kana", "kana"},      {"ethiopic", "ethi"},   {"coptic", "copt"},   {"math", "math"},
    }};
    for (const auto &[name, tag] : tags)
        if (script == name)
            return std::string(tag);
    return std::nullopt;
}
