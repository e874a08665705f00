"""Glyph outlines read exactly from `glyf` (quadratic) or `CFF ` (cubic) into host-style paths.

The engine marks quadratic runs by walking a path backwards from its last node without wrapping
around, so every closed path is written with an on-curve node last: a TrueType contour is rotated
until its last point is on the curve, and a contour without any on-curve point gets the implied
point between its last and first points made explicit, and a repeated start point at the end of
a contour is merged. The on-curve node that ends a run of
quadratic off-curve nodes is a quadratic curve node; off-curve nodes between two such nodes keep
their implied on-curve midpoints, as in TrueType.
"""

from fontTools.pens.recordingPen import RecordingPen

from .model import CURVE, LINE, OFFCURVE, QCURVE, Component, Layer, Node, Path


SCALED_COMPONENT_OFFSET = 0x0800
UNSCALED_COMPONENT_OFFSET = 0x1000


class OutlineError(ValueError):
    """A glyph outline that cannot be represented; the message names the glyph."""


def _number(value):
    """Keeps whole coordinates integral so that the written file does not depend on float printing."""
    value = float(value)
    return int(value) if value.is_integer() else value


def path_from_quadratic_contour(points):
    """Answers the host path of one TrueType contour given as [(x, y, on_curve)] in file order."""
    n = len(points)
    if n == 0:
        return None
    last_on = max((i for i, p in enumerate(points) if p[2]), default=None)
    if last_on is None:
        # All off-curve: the curve passes through the midpoints; the one closing the contour
        # (between the last and the first point) becomes an explicit node.
        (x0, y0, _), (x1, y1, _) = points[-1], points[0]
        points = list(points) + [((x0 + x1) / 2, (y0 + y1) / 2, True)]
    else:
        points = list(points[last_on + 1:]) + list(points[: last_on + 1])
    nodes = []
    previous_on = True  # the node before the first one is the last one, which is on the curve
    for x, y, on in points:
        if on:
            nodes.append(Node(_number(x), _number(y), LINE if previous_on else QCURVE))
        else:
            nodes.append(Node(_number(x), _number(y), OFFCURVE))
        previous_on = bool(on)
    # A contour that repeats its start point at its end closes with a line of no length; the
    # repeated point goes, as a font editor merges it on import (the outline is unchanged).
    while len(nodes) > 1 and nodes[0].kind == LINE and (nodes[0].x, nodes[0].y) == (nodes[-1].x, nodes[-1].y):
        del nodes[0]
    # A contour of one point (TrueType uses them as placeholders) draws nothing.
    if len({(n.x, n.y) for n in nodes}) < 2:
        return None
    return Path(nodes)


def _tt_layer(font, name):
    glyf = font["glyf"]
    glyph = glyf[name]
    width = font["hmtx"][name][0]
    layer = Layer(width=width)
    if glyph.isComposite():
        for component in glyph.components:
            if not hasattr(component, "x"):
                raise OutlineError(
                    f"glyph '{name}': component '{component.glyphName}' is placed by matching "
                    "points, which the importer does not resolve"
                )
            transform = None
            x, y = component.x, component.y
            if hasattr(component, "transform"):
                (xx, xy), (yx, yy) = component.transform
                transform = tuple(_number(round(v, 6)) for v in (xx, xy, yx, yy))
                # Apple's flag: the offset is in the component's scaled space.
                if component.flags & SCALED_COMPONENT_OFFSET and not component.flags & UNSCALED_COMPONENT_OFFSET:
                    x, y = round(xx * x + yx * y, 6), round(xy * x + yy * y, 6)
            layer.components.append(Component(component.glyphName, _number(x), _number(y), transform))
        return layer
    if glyph.numberOfContours <= 0:
        return layer
    coordinates, flags, start = glyph.coordinates, glyph.flags, 0
    for end in glyph.endPtsOfContours:
        points = [(coordinates[i][0], coordinates[i][1], flags[i] & 1) for i in range(start, end + 1)]
        start = end + 1
        path = path_from_quadratic_contour(points)
        if path is not None:
            layer.paths.append(path)
    return layer


def paths_from_cubic_recording(value, name="?"):
    """Answers the host paths of a recorded cubic outline (moveTo, lineTo, curveTo, closePath)."""
    paths, nodes, start = [], None, None
    for op, args in value:
        if op == "moveTo":
            nodes, start = [], args[0]
        elif op == "lineTo":
            nodes.append(Node(_number(args[0][0]), _number(args[0][1]), LINE))
        elif op == "curveTo":
            if len(args) != 3:
                raise OutlineError(f"glyph '{name}': cubic segment with {len(args)} points")
            for x, y in args[:2]:
                nodes.append(Node(_number(x), _number(y), OFFCURVE))
            nodes.append(Node(_number(args[2][0]), _number(args[2][1]), CURVE))
        elif op in ("closePath", "endPath"):
            if nodes is None:
                continue
            sx, sy = _number(start[0]), _number(start[1])
            # The start point is the path's last node: either the last segment already ends
            # there, or the implied closing line is made explicit.
            if not nodes or (nodes[-1].x, nodes[-1].y) != (sx, sy):
                nodes.append(Node(sx, sy, LINE))
            # CFF outlines are closed by definition; a lone moveTo draws nothing.
            if len(nodes) > 1:
                paths.append(Path(nodes))
            nodes = None
        elif op == "qCurveTo":
            raise OutlineError(f"glyph '{name}': quadratic segment in a cubic outline")
    return paths


def _cff_layer(font, name):
    pen = RecordingPen()
    font.getGlyphSet()[name].draw(pen)
    return Layer(width=font["hmtx"][name][0], paths=paths_from_cubic_recording(pen.value, name))


def layer_for_glyph(font, name):
    """Answers the layer of one glyph of a compiled font: its width, paths and components."""
    if "glyf" in font:
        return _tt_layer(font, name)
    if "CFF " in font or "CFF2" in font:
        return _cff_layer(font, name)
    raise OutlineError("the font has neither a 'glyf' nor a 'CFF ' table")
