// XML property lists: reading into PlistValue and writing one out.
#pragma once

#include "platform/PlistValue.h"

#include <optional>
#include <string>
#include <string_view>

class NSPropertyListSerialization {
  public:
    /// The value of an XML property list in UTF-8: dict, array, string, integer, real, true, false;
    /// a date as its text; data as a null value (read as absent). Anything else gives nothing and,
    /// in `error`, what was wrong and where ("line 3, column 9: ..."): binary and old-style
    /// property lists, a document type with declarations, entities other than XML's own, nesting
    /// deeper than 64 collections, an integer outside 64 bits, text that is not UTF-8, bad XML.
    static std::optional<PlistValue> propertyListWithData(std::string_view data,
                                                          std::string *error = nullptr);

    /// The XML property list of `value`, which reads back as an equal value. Null values are
    /// left out (of dictionaries with their key); bytes that are not UTF-8 are written as U+FFFD.
    static std::string dataWithPropertyList(const PlistValue &value);

    /// The deepest nesting of collections read.
    static constexpr int kMaximumDepth = 64;
};
