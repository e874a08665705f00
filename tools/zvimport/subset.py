"""Restricts a font to the glyphs reachable from a set of code points."""

from . import gsub as gsubreader

# What Latin text is set with: Basic Latin, Latin-1 Supplement and Latin Extended-A; the dashes,
# quotation marks, bullets and ellipsis of General Punctuation (U+2010-U+2027), its per mille,
# primes and single guillemets (U+2030-U+203A); the currency signs (U+20A0-U+20BF, the euro among
# them); the minus sign.
LATIN_RANGES = ((0x0000, 0x017F), (0x2010, 0x2027), (0x2030, 0x203A), (0x20A0, 0x20BF), (0x2212, 0x2212))


def describe(ranges=LATIN_RANGES):
    """Answers the ranges as text: "U+0000-U+017F, U+2212"."""
    return ", ".join(f"U+{lo:04X}" if lo == hi else f"U+{lo:04X}-U+{hi:04X}" for lo, hi in ranges)


def reachable(font, ranges):
    """Answers the names of the glyphs encoded in `ranges`, plus (repeatedly) the glyphs their
    components use and the glyphs GSUB makes of kept glyphs; the first glyph (.notdef) is kept."""
    by_name = {g.name: g for g in font.glyphs}
    kept = {font.glyphs[0].name} if font.glyphs else set()
    for glyph in font.glyphs:
        if any(lo <= u <= hi for u in glyph.unicodes for lo, hi in ranges):
            kept.add(glyph.name)
    while True:
        new = set()
        for name in kept:
            for layer in by_name[name].layers.values():
                new.update(c.base for c in layer.components if c.base in by_name)
        if font.gsub is not None:
            for lookup in font.gsub["lookups"]:
                for subtable in lookup["subtables"]:
                    outputs = gsubreader.substitution_outputs(subtable, lookup["type"], kept)
                    new.update(n for n in outputs if n in by_name)
        if new <= kept:
            return kept
        kept |= new


def restrict(font, ranges=LATIN_RANGES):
    """Drops every glyph not reachable from `ranges`, with its kerning and substitutions."""
    kept = reachable(font, ranges)
    font.glyphs = [g for g in font.glyphs if g.name in kept]
    font.kerning = [[p for p in pairs if p[0] in kept and p[1] in kept] for pairs in font.kerning]
    if font.gsub is not None:
        font.gsub = gsubreader.restrict(font.gsub, kept)
    return font
