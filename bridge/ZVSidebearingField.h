// What the bridge reads from a side-bearing field of the glyph tab: a number, or a list of glyphs
// to space the side against. The plug-in's numeric fields implement it.
#pragma once

#include <string>

class ZVSidebearingField {
  public:
    virtual ~ZVSidebearingField() = default;
    /// The field's number in font units; a magnitude above 88000 means the field holds a glyph
    /// list instead.
    virtual double doubleValue() const = 0;
    /// The field's text (UTF-8): a glyph list is "/name" parts, or single characters.
    virtual std::string stringValue() const = 0;
};
