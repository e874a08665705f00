"""Reads the files of one family, one per master, into the importer's model."""

import contextlib
import os
import sys

from fontTools.pens.boundsPen import BoundsPen
from fontTools.ttLib import TTFont, TTLibError

from . import gsub as gsubreader
from .glyphinfo import classify
from .kerning import font_kerning
from .model import Font, Glyph, Master
from .names import derived_names
from .outlines import layer_for_glyph


class FontImportError(ValueError):
    """A file that cannot be imported; the message names the file and the place."""


# Glyph indices are 16 bits in the engine, 65535 meaning none.
MAX_GLYPHS = 65534


@contextlib.contextmanager
def _reading(path, what):
    """Turns any failure of fontTools on a broken table into an error naming the file and place."""
    try:
        yield
    except FontImportError:
        raise
    except Exception as error:  # fontTools raises many kinds (struct.error, AssertionError, ...)
        raise FontImportError(f"{path}: {what}: {type(error).__name__}: {error}") from error


def _name(font, *ids):
    table = font["name"] if "name" in font else None
    for name_id in ids:
        value = table.getDebugName(name_id) if table is not None else None
        if value:
            return value
    return None


def _common_prefix_words(names):
    words = [n.split() for n in names]
    prefix = []
    for group in zip(*words):
        if len(set(group)) != 1:
            break
        prefix.append(group[0])
    return " ".join(prefix)


def _measured_top(font, glyph_name):
    """Answers the top of a glyph's outline, or None when the font lacks it or it is empty."""
    glyph_set = font.getGlyphSet()
    if glyph_name not in glyph_set:
        return None
    pen = BoundsPen(glyph_set)
    glyph_set[glyph_name].draw(pen)
    return pen.bounds[3] if pen.bounds else None


def _glyph_for_char(font, char):
    return font.getBestCmap().get(ord(char)) if font.getBestCmap() else None


def _master(font, name):
    os2 = font["OS/2"] if "OS/2" in font else None
    x_height = getattr(os2, "sxHeight", 0) if os2 is not None and os2.version >= 2 else 0
    cap_height = getattr(os2, "sCapHeight", 0) if os2 is not None and os2.version >= 2 else 0
    # Old OS/2 versions have no heights; measure them as a font editor does, from x and H.
    if not x_height:
        x_height = _measured_top(font, _glyph_for_char(font, "x") or "x") or 0
    if not cap_height:
        cap_height = _measured_top(font, _glyph_for_char(font, "H") or "H") or 0
    if os2 is not None:
        ascender, descender = os2.sTypoAscender, os2.sTypoDescender
    else:
        ascender, descender = font["hhea"].ascent, font["hhea"].descent
    weight = os2.usWeightClass if os2 is not None else 400
    return Master(name, weight, x_height, cap_height, ascender, descender)


def _open(path):
    try:
        font = TTFont(path, lazy=False)
        font.getGlyphOrder()
        return font
    except (TTLibError, OSError, AssertionError, KeyError, ValueError, EOFError) as error:
        raise FontImportError(f"{path}: not a readable OpenType/TrueType file ({error})") from error
    except Exception as error:  # a table directory or glyph order fontTools cannot decode
        raise FontImportError(f"{path}: not a readable OpenType/TrueType file ({type(error).__name__})") from error


def variable_font_note(font, path):
    """Answers what to tell of a variable font (fontTools reads its default instance only), or
    None for a static font."""
    if "fvar" not in font:
        return None
    fvar = font["fvar"]
    default = {a.axisTag: a.defaultValue for a in fvar.axes}
    where = ", ".join(f"{tag} {value:g}" for tag, value in default.items())
    named = ""
    for instance in fvar.instances:
        if instance.coordinates == default:
            name = _name(font, instance.subfamilyNameID)
            named = f" \"{name}\"" if name else ""
            break
    ranges = ", ".join(f"{a.axisTag} {a.minValue:g}-{a.maxValue:g}" for a in fvar.axes)
    return (f"{path} is a variable font ({ranges}); only its default instance{named} ({where}) "
            "is imported, as one master")


def read_family(paths, rename_synthetic=True):
    """Answers the model of a family from its files, one master per file in the order given."""
    if not paths:
        raise FontImportError("no font files given")
    fonts = [_open(p) for p in paths]
    for font, path in zip(fonts, paths):
        with _reading(path, "variations (fvar)"):
            note = variable_font_note(font, path)
        if note:
            print(f"import_font: note: {note}", file=sys.stderr)
    names = []  # (family, full, style) per file
    for font, path in zip(fonts, paths):
        with _reading(path, "names (name)"):
            names.append((_name(font, 16, 1), _name(font, 4), _name(font, 17, 2)))
    family = names[0][0] or "Untitled"
    if len(fonts) > 1:
        family = _common_prefix_words([n[0] or family for n in names]) or family
    masters = []
    for font, path, (_, full, style) in zip(fonts, paths, names):
        # The master is named by what its full name adds to the family ("Lato Black" -> "Black"),
        # else by its style name, else by its file.
        full = full or ""
        name = full[len(family):].strip() if full.startswith(family) else ""
        name = name or style or os.path.splitext(os.path.basename(path))[0]
        with _reading(path, "master metrics (OS/2, hhea)"):
            masters.append(_master(font, name))
    upms = []
    for font, path in zip(fonts, paths):
        with _reading(path, "font header (head)"):
            upms.append(font["head"].unitsPerEm)
        if not 16 <= upms[-1] <= 16384:
            raise FontImportError(f"{path}: units per em {upms[-1]} outside 16 to 16384")
        if upms[-1] != upms[0]:
            raise FontImportError(f"{path}: units per em {upms[-1]} differ from {upms[0]}")
    upm = upms[0]

    # The family's glyphs: the first file's order, then glyphs only later files have.
    order, seen = [], set()
    for font in fonts:
        for name in font.getGlyphOrder():
            if name not in seen:
                seen.add(name)
                order.append(name)
    if len(order) > MAX_GLYPHS:
        raise FontImportError(f"{paths[0]}: {len(order)} glyphs, more than the font model's {MAX_GLYPHS}")
    unicodes = {}
    for font, path in zip(fonts, paths):
        with _reading(path, "character map (cmap)"):
            cmap = font.getBestCmap() or {}
        for code, name in sorted(cmap.items()):
            unicodes.setdefault(name, [])
            if code not in unicodes[name]:
                unicodes[name].append(code)
    with _reading(paths[0], "substitutions (GSUB)"):
        gsub = gsubreader.read_gsub(fonts[0])
    if gsub is not None and len(fonts) > 1:
        for font, path in zip(fonts[1:], paths[1:]):
            with _reading(path, "substitutions (GSUB)"):
                if gsubreader.read_gsub(font) != gsub:
                    print(f"import_font: warning: {path}: GSUB differs from {paths[0]}'s, which is used",
                          file=sys.stderr)
    renames = {}
    # Names made up from glyph indices only name the same glyph in every master when the glyph
    # orders agree.
    same_order = all(f.getGlyphOrder() == fonts[0].getGlyphOrder() for f in fonts[1:])
    if rename_synthetic and gsub is not None and same_order:
        with _reading(paths[0], "glyph names (post)"):
            renames = derived_names(fonts[0], gsub)

    glyphs = []
    names_in = [set(font.getGlyphOrder()) for font in fonts]
    for index, name in enumerate(order):
        layers = {}
        for m, (font, path) in enumerate(zip(fonts, paths)):
            if name in names_in[m]:
                with _reading(path, f"glyph '{name}'"):
                    layers[m] = layer_for_glyph(font, name)
        codes = sorted(unicodes.get(name, []))
        new_name = renames.get(name, name)
        glyphs.append(Glyph(new_name, codes, classify(new_name, codes), layers, id=f"g{index}"))
    kerning = []
    for font, path in zip(fonts, paths):
        with _reading(path, "kerning (GPOS, kern)"):
            kerning.append(font_kerning(font))
    result = Font(
        family_name=family,
        units_per_em=upm,
        masters=masters,
        glyphs=glyphs,
        kerning=kerning,
        gsub=gsub,
    )
    if renames:
        rename_everywhere(result, renames)
    return result


def rename_everywhere(font, renames):
    """Applies glyph renames to components, kerning and GSUB (glyph names are their references)."""
    def r(name):
        return renames.get(name, name)

    for glyph in font.glyphs:
        for layer in glyph.layers.values():
            for component in layer.components:
                component.base = r(component.base)
    font.kerning = [[(r(a), r(b), v) for a, b, v in pairs] for pairs in font.kerning]
    if font.gsub is not None:
        font.gsub = _rename_tree(font.gsub, r)


def _rename_tree(value, r, key=None):
    if isinstance(value, dict):
        if key in _NAME_KEYED:
            return {r(k): _rename_tree(v, r, _GLYPH) for k, v in value.items()}
        return {k: _rename_tree(v, r, k) for k, v in value.items()}
    if isinstance(value, list):
        return [_rename_tree(v, r, key) for v in value]
    if isinstance(value, str) and key not in _TEXT_KEYS:
        return r(value)
    return value


# Dictionaries whose keys are glyph names, and string values that are not glyph names.
_NAME_KEYED = {"mapping", "ligatures"}
_TEXT_KEYS = {"tag"}
_GLYPH = object()  # context of the values of a name-keyed dictionary
