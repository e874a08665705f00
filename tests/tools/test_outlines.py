"""Outlines: TrueType contours rotated to end on the curve, implied points, CFF cubics, components."""

import unittest

from fontTools.pens.basePen import BasePen

import fixtures
from zvimport.model import CURVE, LINE, OFFCURVE, QCURVE
from zvimport.outlines import layer_for_glyph


class SegmentPen(BasePen):
    """Records an outline as its elementary segments, quadratic runs split at their implied points,
    one list per contour, so that two drawings of the same outline compare equal up to rotation."""

    def __init__(self):
        super().__init__(None)
        self.contours, self._current = [], None

    def _moveTo(self, pt):
        self._current = []

    def _lineTo(self, pt):
        self._current.append(("line", self._getCurrentPoint(), pt))

    def _qCurveToOne(self, pt1, pt2):
        self._current.append(("quad", self._getCurrentPoint(), pt1, pt2))

    def _curveToOne(self, pt1, pt2, pt3):
        self._current.append(("cubic", self._getCurrentPoint(), pt1, pt2, pt3))

    def _closePath(self):
        if not self._current:
            return  # a contour of one point draws nothing
        start = self._current[0][1] if self._current else None
        if self._current and self._current[-1][-1] != start:
            self._current.append(("line", self._current[-1][-1], start))
        self.contours.append(self._current)


def draw_path(path, pen):
    """Draws a host path by the host's rule: segments end at on-curve nodes, starting after the last."""
    last = path.nodes[-1]
    pen.moveTo((last.x, last.y))
    offs = []
    for node in path.nodes:
        if node.kind == OFFCURVE:
            offs.append((node.x, node.y))
        elif node.kind == QCURVE:
            pen.qCurveTo(*offs, (node.x, node.y))
            offs = []
        elif node.kind == CURVE:
            pen.curveTo(*offs, (node.x, node.y))
            offs = []
        else:
            assert not offs, "off-curve nodes before a line node"
            pen.lineTo((node.x, node.y))
    pen.closePath()


def normalized(value):
    return tuple(tuple(float(c) for c in p) if isinstance(p, tuple) else p for p in value)


def rotations_equal(a, b):
    a, b = [normalized(s) for s in a], [normalized(s) for s in b]
    return len(a) == len(b) and any(a[i:] + a[:i] == b for i in range(max(len(a), 1)))


def assert_same_outline(test, font, name):
    """Checks that the importer's paths of a glyph draw exactly fontTools' outline of it."""
    expected = SegmentPen()
    font.getGlyphSet()[name].draw(expected)
    layer = layer_for_glyph(font, name)
    test.assertEqual(len(layer.paths), len(expected.contours), name)
    for path, contour in zip(layer.paths, expected.contours):
        test.assertNotEqual(path.nodes[-1].kind, OFFCURVE, f"{name}: path ends off the curve")
        for previous, node in zip([path.nodes[-1]] + path.nodes, path.nodes):
            if node.kind in (LINE, QCURVE):
                test.assertEqual(node.kind == QCURVE, previous.kind == OFFCURVE, name)
        ours = SegmentPen()
        draw_path(path, ours)
        test.assertTrue(rotations_equal(ours.contours[0], contour), f"{name}: {ours.contours[0]} != {contour}")


# Contours in file order, (x, y, on-curve).
ENDS_OFF_CURVE = [(100, 0, 1), (300, 0, 1), (400, 100, 0), (400, 300, 0), (300, 400, 1), (100, 400, 0)]
ALL_OFF_CURVE = [(0, 100, 0), (100, 200, 0), (200, 100, 0), (100, 0, 0)]
STARTS_OFF_CURVE = [(0, 0, 0), (200, 0, 1), (200, 200, 1), (0, 200, 1)]


class TrueTypeContours(unittest.TestCase):
    def setUp(self):
        self.font = fixtures.tt_font(
            {
                ".notdef": None,
                "endsoff": fixtures.raw_tt_glyph([ENDS_OFF_CURVE]),
                "alloff": fixtures.raw_tt_glyph([ALL_OFF_CURVE]),
                "startsoff": fixtures.raw_tt_glyph([STARTS_OFF_CURVE]),
                "two": fixtures.raw_tt_glyph([ENDS_OFF_CURVE, ALL_OFF_CURVE]),
            }
        )

    def nodes(self, name, index=0):
        return [(n.x, n.y, n.kind) for n in layer_for_glyph(self.font, name).paths[index].nodes]

    def test_contour_ending_off_curve_is_rotated_to_its_last_on_curve_point(self):
        self.assertEqual(
            self.nodes("endsoff"),
            [(100, 400, OFFCURVE), (100, 0, QCURVE), (300, 0, LINE), (400, 100, OFFCURVE),
             (400, 300, OFFCURVE), (300, 400, QCURVE)],
        )

    def test_all_off_curve_contour_gets_its_closing_implied_point(self):
        self.assertEqual(
            self.nodes("alloff"),
            [(0, 100, OFFCURVE), (100, 200, OFFCURVE), (200, 100, OFFCURVE), (100, 0, OFFCURVE),
             (50, 50, QCURVE)],
        )

    def test_every_contour_draws_the_outline_of_fonttools_pen(self):
        for name in ("endsoff", "alloff", "startsoff", "two"):
            with self.subTest(name):
                assert_same_outline(self, self.font, name)

    def test_repeated_start_point_and_one_point_contours_go(self):
        repeated = [(0, 0, 1), (0, 100, 0), (100, 100, 1), (0, 0, 1)]
        font = fixtures.tt_font({".notdef": None, "g": fixtures.raw_tt_glyph([repeated, [(50, 50, 1)]])})
        (path,) = layer_for_glyph(font, "g").paths
        self.assertEqual(
            [(n.x, n.y, n.kind) for n in path.nodes], [(0, 100, OFFCURVE), (100, 100, QCURVE), (0, 0, LINE)]
        )
        assert_same_outline(self, font, "g")

    def test_odd_implied_point_keeps_its_fraction(self):
        font = fixtures.tt_font({".notdef": None, "g": fixtures.raw_tt_glyph([[(0, 0, 0), (1, 0, 0), (1, 1, 0)]])})
        last = layer_for_glyph(font, "g").paths[0].nodes[-1]
        self.assertEqual((last.x, last.y, last.kind), (0.5, 0.5, QCURVE))


class CubicOutlines(unittest.TestCase):
    def test_cff_curves_end_with_curve_nodes_and_the_start_point_last(self):
        def drop(pen):
            pen.moveTo((100, 0))
            pen.curveTo((200, 0), (300, 100), (300, 200))
            pen.lineTo((100, 200))
            pen.closePath()  # implied closing line back to (100, 0)

        font = fixtures.cff_font({".notdef": None, "drop": drop}, widths={"drop": 420})
        layer = layer_for_glyph(font, "drop")
        self.assertEqual(layer.width, 420)
        self.assertEqual(
            [(n.x, n.y, n.kind) for n in layer.paths[0].nodes],
            [(200, 0, OFFCURVE), (300, 100, OFFCURVE), (300, 200, CURVE), (100, 200, LINE), (100, 0, LINE)],
        )
        assert_same_outline(self, font, "drop")


class Components(unittest.TestCase):
    def test_components_keep_their_offsets_and_transforms(self):
        def composite(pen):
            pen.addComponent("base", (1, 0, 0, 1, 120, -30))
            pen.addComponent("base", (-1, 0, 0, 1, 600, 0))

        def scaled(pen):
            pen.addComponent("base", (0.5, 0, 0, 0.5, 100, 40))

        def apple_offset(font):
            font["glyf"]["scaled"].components[0].flags |= 0x0800  # offset in the scaled space

        font = fixtures.tt_font(
            {".notdef": None, "base": lambda pen: fixtures.rectangle(pen, 0, 0, 100, 100), "comp": composite,
             "scaled": scaled},
            widths={"comp": 640},
            extra=apple_offset,
        )
        layer = layer_for_glyph(font, "comp")
        self.assertEqual((layer.width, layer.paths), (640, []))
        self.assertEqual(
            [(c.base, c.x, c.y, c.transform) for c in layer.components],
            [("base", 120, -30, None), ("base", 600, 0, (-1, 0, 0, 1))],
        )
        (component,) = layer_for_glyph(font, "scaled").components
        self.assertEqual((component.x, component.y, component.transform), (50, 20, (0.5, 0, 0, 0.5)))


if __name__ == "__main__":
    unittest.main()
