// A text picture of one master's whole engine state (models, fit, autopairs with their
// measurements, messages, cache, undo), numbers in hexadecimal floating point, for comparing two
// runs bit for bit.
#pragma once

#include "engine/font/ZVfont.h"

#include <string>

/// The master's state as text; equal texts mean equal states, bit for bit.
std::string engine_state(const ZVfont &master);
