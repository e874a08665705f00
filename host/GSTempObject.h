// Objects a font's temporary data keeps beside its property-list values.
#pragma once

class GSFont;

/// Base of the objects kept in a font's temporary data (plug-in state that lives while the font
/// is open): held by shared ownership, never saved, dropped when the font closes.
class GSTempObject {
  public:
    virtual ~GSTempObject() = default;
    /// Told on the main thread when `font`'s temporary data lets go of the object (replaced,
    /// removed, or the font closing). Others may still hold it; from then on it must not reach
    /// the font.
    virtual void removedFromTempData(GSFont &font) { (void)font; }
};
