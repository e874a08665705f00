"""Category, subcategory, case and script of a glyph, as a font editor's glyph database gives them.

Encoded glyphs are classified from the Unicode data of their first code point. Unencoded glyphs
are classified from their name: the part before the first dot names the base character (an AGL
name, `uniXXXX` or `uXXXXX`), parts joined by underscores make a ligature, and the suffixes after
the dot adjust the result (`.sc` small capitals, `.sups` and friends minor forms).
"""

import unicodedata

from fontTools import agl
from fontTools import unicodedata as ftunicodedata

from .model import GlyphInfo

SMALL_CAP_SUFFIXES = {"sc", "smcp", "c2sc", "small"}
MINOR_SUFFIXES = {"sups", "superior", "sinf", "inferior", "subs", "numr", "dnom", "ordn"}
# Glyphs that only exist for the font's machinery: the editor files them as separators.
SPECIAL_NAMES = {".notdef", ".null", "NULL", "nonmarkingreturn", "CR"}


def script_of(char):
    """Answers the host script name of a character ("latin"), None for common and inherited ones."""
    code = ftunicodedata.script(char)
    if code in ("Zyyy", "Zinh", "Zzzz"):
        return None
    return ftunicodedata.script_name(code).lower()


def _is_super_or_sub(char):
    return unicodedata.decomposition(char).startswith(("<super>", "<sub>"))


def _name(char):
    return unicodedata.name(char, "")


def info_for_char(char):
    """Answers the classification of one encoded character."""
    gc = unicodedata.category(char)
    cp = ord(char)
    name = _name(char)
    script = script_of(char)
    major = gc[0]
    if "APOSTROPHE" in name or "QUOTATION" in name or cp in (0x22, 0x27):
        return GlyphInfo("Punctuation", "Quote", None, None)
    if major == "L":
        # Spacing accents of the modifier letters block are accents for the editor, not letters.
        if gc == "Lm" and 0x02B0 <= cp <= 0x02FF and not _is_super_or_sub(char):
            return GlyphInfo("Mark", "Spacing", None, None)
        if gc == "Lu" or gc == "Lt":
            return GlyphInfo("Letter", "Uppercase", "upper", script)
        if gc == "Ll":
            if "SMALL CAPITAL" in name:
                return GlyphInfo("Letter", "Smallcaps", "smallCaps", script)
            return GlyphInfo("Letter", "Lowercase", "lower", script)
        if gc == "Lm" or _is_super_or_sub(char):
            return GlyphInfo("Letter", "Modifier", "minor", script)
        return GlyphInfo("Letter", None, None, script)
    if major == "M":
        sub = {"Mn": "Nonspacing", "Mc": "Spacing Combining", "Me": "Enclosing"}[gc]
        return GlyphInfo("Mark", sub, None, script)
    if major == "N":
        if gc == "Nd":
            return GlyphInfo("Number", "Decimal Digit", None, None)
        if unicodedata.decomposition(char).startswith("<fraction>") or "FRACTION" in name:
            return GlyphInfo("Number", "Fraction", None, None)
        if _is_super_or_sub(char):
            return GlyphInfo("Number", "Small", "minor", None)
        return GlyphInfo("Number", None, None, script)
    if major == "P":
        if gc == "Pd":
            return GlyphInfo("Punctuation", "Dash", None, None)
        if gc in ("Ps", "Pe"):
            return GlyphInfo("Punctuation", "Parenthesis", None, None)
        if gc in ("Pi", "Pf"):
            return GlyphInfo("Punctuation", "Quote", None, None)
        return GlyphInfo("Punctuation", None, None, script)
    if major == "S":
        if gc == "Sc":
            return GlyphInfo("Symbol", "Currency", None, None)
        if gc == "Sk":
            return GlyphInfo("Mark", "Spacing", None, None)
        if gc == "Sm":
            return GlyphInfo("Symbol", "Arrow" if "ARROW" in name else "Math", None, None)
        return GlyphInfo("Symbol", "Arrow" if "ARROW" in name else None, None, script)
    if major == "Z":
        return GlyphInfo("Separator", "Space" if gc == "Zs" else None, None, None)
    if cp == 0x00AD:  # soft hyphen: format control, drawn as a hyphen
        return GlyphInfo("Punctuation", "Dash", None, None)
    if gc == "Cc":
        return GlyphInfo("Separator", "Control", None, None)
    if gc == "Cf":
        return GlyphInfo("Separator", "Format", None, script)
    return GlyphInfo()  # private use and unassigned code points say nothing


def _ligature_info(chars):
    infos = [info_for_char(c) for c in chars]
    scripts = {i.script for i in infos if i.script}
    script = scripts.pop() if len(scripts) == 1 else None
    if all(i.category == "Letter" for i in infos):
        cases = {i.case for i in infos}
        case = cases.pop() if len(cases) == 1 else None
        return GlyphInfo("Letter", "Ligature", case, script)
    first = infos[0]
    return GlyphInfo(first.category, "Ligature" if first.category else None, None, script)


def _apply_suffixes(info, suffixes):
    for suffix in suffixes:
        if suffix in SMALL_CAP_SUFFIXES and info.category == "Letter":
            info.case = "smallCaps"
            if info.subcategory in ("Uppercase", "Lowercase", None):
                info.subcategory = "Smallcaps"
        elif suffix in MINOR_SUFFIXES:
            info.case = "minor" if info.category in ("Letter", "Number") else info.case
            if info.category == "Number":
                info.subcategory = "Small"
    return info


def base_chars_for_name(name):
    """Answers the characters a glyph name stands for ("f_i.alt" -> "fi"), "" when it names none."""
    base = name.split(".", 1)[0] if not name.startswith(".") else name
    if not base:
        return ""
    parts = base.split("_")
    return "".join(agl.toUnicode(part) for part in parts) if all(parts) else ""


def classify(name, unicodes):
    """Answers the classification of a glyph from its first code point, or from its name."""
    if name in SPECIAL_NAMES:
        return GlyphInfo("Separator", None, None, None)
    if unicodes:
        info = info_for_char(chr(unicodes[0]))
        # An encoded ligature (U+FB01) is still a ligature.
        decomposition = unicodedata.decomposition(chr(unicodes[0]))
        if info.category == "Letter" and decomposition.startswith("<compat>") and (
            "LIGATURE" in _name(chr(unicodes[0]))
        ):
            info = _ligature_info([chr(int(h, 16)) for h in decomposition.split()[1:]])
        return info
    suffixes = [s.lower() for s in name.split(".")[1:]] if not name.startswith(".") else []
    chars = base_chars_for_name(name)
    if not chars:
        return GlyphInfo()
    if len(chars) == 1 and "_" not in name.split(".", 1)[0]:
        info = info_for_char(chars)
    else:
        info = _ligature_info(chars)
    return _apply_suffixes(info, suffixes)
