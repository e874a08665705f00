"""Writes the importer's model as a JSON font file in its canonical bytes (see host/FONT_JSON.md)."""

import json
import math

from .model import CURVE, LINE, OFFCURVE, QCURVE

NODE_TYPES = {OFFCURVE: "A", CURVE: "C", QCURVE: "$", LINE: "L"}
CASES = {None: 0, "upper": 1, "lower": 2, "smallCaps": 3, "minor": 4}


# The reader refuses larger model numbers; no font coordinate comes near.
MAX_MAGNITUDE = 1e7


class FontJSONError(ValueError):
    """A value the file format cannot hold; the message names the place."""


def number(value):
    """Answers a model number in its canonical form: whole values as integers."""
    value = float(value)
    if not math.isfinite(value) or abs(value) > MAX_MAGNITUDE:
        raise FontJSONError(f"number {value!r} outside the file's range of +-{MAX_MAGNITUDE:g}")
    return int(value) if value.is_integer() else value


def master_id(index):
    """Answers the id of the master at `index` in file order."""
    return f"m{index}"


def _master(index, master):
    return {
        "id": master_id(index),
        "name": master.name,
        "xHeight": number(master.x_height),
        "capHeight": number(master.cap_height),
        "ascender": number(master.ascender),
        "descender": number(master.descender),
        "axesValues": [number(master.weight)],
        "customParameters": [],
        "userData": {},
    }


def _shapes(layer):
    shapes = [
        {"closed": path.closed, "nodes": [[number(n.x), number(n.y), NODE_TYPES[n.kind]] for n in path.nodes]}
        for path in layer.paths
    ]
    for component in layer.components:
        a, b, c, d = component.transform or (1, 0, 0, 1)
        shapes.append(
            {
                "ref": component.base,
                "transform": [number(v) for v in (a, b, c, d, component.x, component.y)],
                "disableAlignment": False,
            }
        )
    return shapes


def _glyph(glyph, masters):
    layers = []
    for m, master in enumerate(masters):
        layer = glyph.layers.get(m)
        if layer is None:
            continue
        layers.append(
            {
                "layerId": master_id(m),
                "associatedMasterId": master_id(m),
                "kind": "master",
                "name": master.name,
                "width": number(layer.width),
                "shapes": _shapes(layer),
                "anchors": [],
            }
        )
    info = glyph.info
    return {
        "id": glyph.id,
        "name": glyph.name,
        "unicodes": [f"{u:04X}" for u in glyph.unicodes],
        "category": info.category,
        "subCategory": info.subcategory,
        "case": CASES[info.case],
        "script": info.script,
        "leftKerningGroup": None,
        "rightKerningGroup": None,
        "userData": {},
        "layers": layers,
    }


def _kerning(font):
    rank = {g.name: i for i, g in enumerate(font.glyphs)}
    ids = {g.name: g.id for g in font.glyphs}
    result = {}
    for m, pairs in enumerate(font.kerning):
        pairs = sorted((p for p in pairs if p[0] in rank and p[1] in rank), key=lambda p: (rank[p[0]], rank[p[1]]))
        if not pairs:
            continue
        table = {}
        for left, right, value in pairs:
            table.setdefault(ids[left], {})[ids[right]] = number(value)
        result[master_id(m)] = table
    return result or None


def _checked(place, make, *args):
    try:
        return make(*args)
    except FontJSONError as error:
        raise FontJSONError(f"{place}: {error}") from error


def font_object(font):
    """Answers the font as nested dicts with keys in the file's order."""
    return {
        "format": "zelvar-font",
        "formatVersion": 1,
        "familyName": font.family_name,
        "unitsPerEm": font.units_per_em,
        "featureCodeCompiles": True,
        "axes": [{"name": "Weight", "tag": "wght"}],
        "userData": {},
        "customParameters": [],
        "masters": [_checked(f"master '{m.name}'", _master, i, m) for i, m in enumerate(font.masters)],
        "glyphs": [_checked(f"glyph '{g.name}'", _glyph, g, font.masters) for g in font.glyphs],
        "kerning": _checked("kerning", _kerning, font),
        "instances": [
            {"name": m.name, "axesValues": [number(m.weight)], "customParameters": []} for m in font.masters
        ],
        "gsub": font.gsub,
    }


def dumps(font):
    """Answers the canonical text of the font's JSON file."""
    return json.dumps(font_object(font), ensure_ascii=False, allow_nan=False, separators=(",", ":")) + "\n"
