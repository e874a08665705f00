"""Glyph names for fonts that carry none.

A TrueType font with a format 3 `post` table stores no glyph names; fontTools then names encoded
glyphs from the character map and calls the others `glyph00238`. Such a name says nothing about
the glyph, so its category would be lost. A font editor importing such a font names the glyph
after what the font's substitutions make of it: the tabular form of `one` becomes `one.tf`, the
ligature of `f` and `i` becomes `f_i`.
"""

import re

SYNTHETIC = re.compile(r"^glyph\d{5}$")

# Feature tag -> suffix of the substitute's name.
SUFFIXES = {
    "smcp": "sc", "c2sc": "sc", "tnum": "tf", "pnum": "pf", "onum": "osf", "lnum": "lf",
    "sups": "sups", "subs": "subs", "sinf": "sinf", "numr": "numr", "dnom": "dnom",
    "case": "case", "ordn": "ordn", "salt": "salt", "locl": "locl", "calt": "calt",
    "ccmp": "ccmp", "zero": "zero", "frac": "frac", "hist": "hist", "titl": "titl",
}


def _suffix(tag):
    if re.fullmatch(r"ss\d\d|cv\d\d", tag):
        return tag
    return SUFFIXES.get(tag, tag.strip())



def derived_names(font, gsub):
    """Answers {synthetic name: derived name} for the font's nameless glyphs that its GSUB reaches."""
    if "post" not in font or font["post"].formatType != 3:
        return {}
    order = font.getGlyphOrder()
    taken = set(order)
    renames = {}

    def named(name):
        return renames.get(name, name)

    def give(target, wanted):
        if target in renames or not SYNTHETIC.match(target):
            return False
        candidate, n = wanted, 1
        while candidate in taken:
            n += 1
            candidate = f"{wanted}.{n}"
        taken.add(candidate)
        renames[target] = candidate
        return True

    def known(name):
        return not SYNTHETIC.match(name) or name in renames

    # A chain (one -> one.tf -> one.tf.osf) names one step per pass.
    for _ in range(8):
        changed = False
        for feature in gsub["features"]:
            suffix = _suffix(feature["tag"])
            for index in feature["lookups"]:
                lookup = gsub["lookups"][index]
                for subtable in lookup["subtables"]:
                    if lookup["type"] in (1, 3):
                        for source, out in subtable["mapping"].items():
                            if not known(source):
                                continue
                            outs = [out] if isinstance(out, str) else out
                            for k, target in enumerate(outs):
                                extra = "" if k == 0 else str(k + 1)
                                changed |= give(target, f"{named(source)}.{suffix}{extra}")
                    elif lookup["type"] == 4:
                        for first, ligatures in subtable["ligatures"].items():
                            for ligature in ligatures:
                                parts = [first] + ligature["components"]
                                if all(known(p) for p in parts):
                                    wanted = "_".join(named(p).split(".")[0] for p in parts)
                                    if feature["tag"] not in ("liga", "dlig", "rlig", "ccmp"):
                                        wanted += "." + suffix
                                    changed |= give(ligature["ligGlyphName"], wanted)
        if not changed:
            break
    return renames
