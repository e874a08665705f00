// The plug-in's state in the font's user data: the keys and how their values are read. A value
// of the wrong shape reads as absent, so a damaged font never stops the plug-in.
#pragma once

#include "host/GSUserData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvuserdata {

// Font level.
inline const std::string kVersion = "ZelvarVersion";
inline const std::string kRegenerateGroups = "ZelvarRegenerateGroups";
inline const std::string kKerningWeightLimit = "ZelvarKerningWeightLimit";
// Master level: three pair lists ("left right" glyph names), the autokerning source
// [document name or "", master name or ""] and the interpolation mark.
inline const std::string kModels = "ZelvarModels";
inline const std::string kIndependentPairs = "ZelvarIndependentPairs";
inline const std::string kUserSetAutopairs = "ZelvarUserSetAutopairs";
inline const std::string kAutokernedFrom = "ZelvarAutokernedFrom";
inline const std::string kIsInterpolated = "ZelvarIsInterpolated";
// Glyph level: the name a stored pair list last used, and the special spacing groups
// {"L": group, "R": group} ("NoKerning" for no kerning).
inline const std::string kName = "ZelvarName";
inline const std::string kSpecialSpacing = "ZelvarSpecialSpacing";
inline const std::string kNoKerning = "NoKerning";

/// The array stored under `key`, or nullptr when there is none (or another kind of value).
inline const PlistArray *array(const GSUserDataOwner &owner, const std::string &key) {
    const PlistValue *v = owner.userDataForKey(key);
    return v ? v->asArray() : nullptr;
}

/// The number of entries of the array stored under `key` (0 when there is none).
inline std::size_t count(const GSUserDataOwner &owner, const std::string &key) {
    const PlistArray *a = array(owner, key);
    return a ? a->size() : 0;
}

/// The string stored under `key`, or nullptr.
inline const std::string *string(const GSUserDataOwner &owner, const std::string &key) {
    const PlistValue *v = owner.userDataForKey(key);
    return v ? v->asString() : nullptr;
}

/// The two strings of an autokerning source ([document name, master name]); nothing unless the
/// value is an array of exactly two strings.
inline std::optional<std::pair<std::string, std::string>>
autokerningSource(const GSUserDataOwner &master) {
    const PlistArray *a = array(master, kAutokernedFrom);
    if (!a || a->size() != 2 || !(*a)[0].asString() || !(*a)[1].asString())
        return std::nullopt;
    return std::make_pair(*(*a)[0].asString(), *(*a)[1].asString());
}

/// The two glyph names of a stored pair list's entry: a string of exactly two names separated by
/// one blank ("left right"); nothing for any other entry.
std::optional<std::pair<std::string, std::string>> pairEntry(const PlistValue &entry);

/// The integer a value stands for, as the host's integerValue reads it: a number truncated, a
/// boolean 0 or 1, a string's leading integer; 0 for anything else.
std::int64_t integerValue(const PlistValue &value);

} // namespace zvuserdata
