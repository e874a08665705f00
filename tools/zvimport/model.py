"""The importer's own picture of a font, independent of the JSON layout it is written in."""

from dataclasses import dataclass, field
from typing import Optional

# Node kinds as read from the font files; the writer maps them to the host's node type codes.
LINE = "line"          # on-curve node ending a straight segment
CURVE = "curve"        # on-curve node ending a cubic segment (CFF)
QCURVE = "qcurve"      # on-curve node ending a run of quadratic off-curve nodes (TrueType)
OFFCURVE = "offcurve"  # off-curve (control) node


@dataclass
class Node:
    x: float
    y: float
    kind: str


@dataclass
class Path:
    nodes: list  # of Node; closed paths always end with an on-curve node
    closed: bool = True


@dataclass
class Component:
    base: str  # glyph name of the referenced glyph
    x: float = 0
    y: float = 0
    # 2x2 matrix (xx, xy, yx, yy) when the component is scaled or rotated, else None
    transform: Optional[tuple] = None


@dataclass
class Layer:
    width: float
    paths: list = field(default_factory=list)
    components: list = field(default_factory=list)


@dataclass
class GlyphInfo:
    category: Optional[str] = None
    subcategory: Optional[str] = None
    case: Optional[str] = None      # "upper", "lower", "smallCaps", "minor" or None
    script: Optional[str] = None    # host script name ("latin"), None when common to all


@dataclass
class Glyph:
    name: str
    unicodes: list  # of int, the first is the glyph's main code point
    info: GlyphInfo
    layers: dict = field(default_factory=dict)  # master index -> Layer
    id: str = ""  # stable id: from the glyph's place in the family's full glyph order


@dataclass
class Master:
    name: str
    weight: float      # weight axis value (OS/2 usWeightClass)
    x_height: float
    cap_height: float
    ascender: float
    descender: float


@dataclass
class Font:
    family_name: str
    units_per_em: int
    masters: list          # of Master
    glyphs: list           # of Glyph, in font order
    kerning: list          # per master: list of (left name, right name, value) in glyph order
    gsub: Optional[dict]   # see gsub.py, None when the fonts have no GSUB
