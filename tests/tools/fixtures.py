"""Small fonts built in code for the importer's tests, compiled and read back like real files."""

import io
import os
import sys

from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont
from fontTools.ttLib.tables import ttProgram
from fontTools.ttLib.tables._g_l_y_f import Glyph, GlyphCoordinates

TOOLS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools")
sys.path.insert(0, os.path.abspath(TOOLS))

LATO = "/usr/share/fonts/truetype/lato"
LATO_MASTERS = [os.path.join(LATO, f"Lato-{style}.ttf") for style in ("Hairline", "Regular", "Black")]


def rectangle(pen, x0, y0, x1, y1):
    pen.moveTo((x0, y0))
    pen.lineTo((x0, y1))
    pen.lineTo((x1, y1))
    pen.lineTo((x1, y0))
    pen.closePath()


def raw_tt_glyph(contours):
    """Answers a TrueType glyph of contours given as [(x, y, on_curve)] exactly in file order."""
    glyph = Glyph()
    points = [p for contour in contours for p in contour]
    glyph.numberOfContours = len(contours)
    glyph.coordinates = GlyphCoordinates([(x, y) for x, y, _ in points])
    glyph.flags = bytearray(1 if on else 0 for _, _, on in points)
    ends, n = [], 0
    for contour in contours:
        n += len(contour)
        ends.append(n - 1)
    glyph.endPtsOfContours = ends
    glyph.program = ttProgram.Program()
    glyph.program.fromBytecode(b"")
    return glyph


def _reload(font):
    data = io.BytesIO()
    font.save(data)
    data.seek(0)
    return TTFont(data)


def _common(fb, order, cmap, widths, weight, x_height, cap_height, os2_version, style, lsb=None):
    # The left side bearing must be the outline's xMin, as in a real font: fontTools draws
    # TrueType glyphs shifted by the difference.
    fb.setupCharacterMap(cmap)
    fb.setupHorizontalMetrics({name: (widths.get(name, 500), (lsb or {}).get(name, 0)) for name in order})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": "Fixture", "styleName": style})
    os2 = {"usWeightClass": weight, "version": os2_version}
    if os2_version >= 2:
        os2.update(sxHeight=x_height, sCapHeight=cap_height)
    fb.setupOS2(**os2)


def tt_font(glyphs, cmap=None, widths=None, features=None, weight=400, x_height=500, cap_height=700,
            os2_version=4, keep_names=True, style="Regular", extra=None):
    """Answers a compiled TrueType font: `glyphs` maps names (in order) to a drawing function of a
    pen, or to a ready glyph; `features` is feature code compiled into GPOS/GSUB."""
    order = list(glyphs)
    fb = FontBuilder(1000, isTTF=True)
    fb.setupGlyphOrder(order)
    built = {}
    for name, draw in glyphs.items():
        if isinstance(draw, Glyph):
            built[name] = draw
        else:
            pen = TTGlyphPen(built)
            if draw is not None:
                draw(pen)
            built[name] = pen.glyph()
    fb.setupGlyf(built)
    glyf = fb.font["glyf"]
    lsb = {}
    for name in order:
        glyf[name].recalcBounds(glyf)
        lsb[name] = getattr(glyf[name], "xMin", 0)
    _common(fb, order, cmap or {}, widths or {}, weight, x_height, cap_height, os2_version, style, lsb)
    fb.setupPost(keepGlyphNames=keep_names)
    if features:
        addOpenTypeFeaturesFromString(fb.font, features)
    if extra:
        extra(fb.font)
    return _reload(fb.font)


def cff_font(glyphs, cmap=None, widths=None, style="Regular"):
    """Answers a compiled CFF font; `glyphs` maps names to a drawing function of a pen."""
    order = list(glyphs)
    widths = widths or {}
    fb = FontBuilder(1000, isTTF=False)
    fb.setupGlyphOrder(order)
    charstrings = {}
    for name, draw in glyphs.items():
        pen = T2CharStringPen(widths.get(name, 500), None)
        if draw is not None:
            draw(pen)
        charstrings[name] = pen.getCharString()
    fb.setupCFF("Fixture-Regular", {"FullName": "Fixture Regular"}, charstrings, {})
    _common(fb, order, cmap or {}, widths, 400, 500, 700, 4, style)
    fb.setupPost()
    return _reload(fb.font)


def lato_available():
    """Answers whether Debian's Lato files the sample is made from are installed."""
    return all(os.path.exists(path) for path in LATO_MASTERS)


def wrap_in_extension(table_tag, lookup_index):
    """Answers a font edit that moves one lookup's subtables into extension subtables (feature
    code's `useExtension` is not honoured by this fontTools)."""
    from fontTools.ttLib.tables import otTables

    def wrap(font):
        lookup = font[table_tag].table.LookupList.Lookup[lookup_index]
        make = otTables.ExtensionPos if table_tag == "GPOS" else otTables.ExtensionSubst
        wrapped = []
        for subtable in lookup.SubTable:
            extension = make()
            extension.Format, extension.ExtensionLookupType, extension.ExtSubTable = 1, lookup.LookupType, subtable
            wrapped.append(extension)
        lookup.SubTable, lookup.LookupType = wrapped, 9 if table_tag == "GPOS" else 7

    return wrap
