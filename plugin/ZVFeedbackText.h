// The words of the engine's messages as the dialog's message area shows them.
#pragma once

#include "bridge/ZVDataFromGlyphs.h"
#include "engine/model/ZVfeedback.h"

#include <optional>
#include <string>
#include <vector>

/// The text of message `f` (\n a line break; "" for the types that say nothing). Pairs are named
/// by the bridge's safe pair texts ("" for a pair the message lacks). `autokernedFrom` is the
/// master's stored autokerning source [document name, master name] for types 4 and 5; type 5 asks
/// for the source's document when no open document has that name, else says the source cannot be
/// found (the dialog first tries to resolve it).
std::string ZVfeedbackText(const ZVfeedback &f, const ZVDataFromGlyphs &bridge,
                           const std::optional<std::vector<std::string>> &autokernedFrom);
