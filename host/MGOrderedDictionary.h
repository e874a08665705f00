// The host's name for the insertion-ordered dictionary it keeps kerning and user data in.
#pragma once

#include "platform/OrderedDictionary.h"

/// String-keyed dictionary that enumerates in insertion order; replacing a value keeps its place.
template <class V> using MGOrderedDictionary = OrderedDictionary<V>;
