"""The sample family: the importer run on Debian's Lato files reproduces samples/ byte for byte,
and every contour of Lato's outlines comes out exactly."""

import json
import os
import subprocess
import sys
import unittest

from fontTools.ttLib import TTFont

import fixtures
from test_outlines import assert_same_outline

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SAMPLE = os.path.join(ROOT, "samples", "Lato.json")
IMPORTER = os.path.join(ROOT, "tools", "import_font.py")


def first_difference(a, b):
    n = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    return f"first difference at byte {n}: sample {a[max(0, n - 60):n + 60]!r} vs import {b[max(0, n - 60):n + 60]!r}"


@unittest.skipUnless(fixtures.lato_available(), "fonts-lato is not installed")
class Sample(unittest.TestCase):
    def test_importer_reproduces_the_sample_byte_for_byte(self):
        run = subprocess.run(
            [sys.executable, IMPORTER, "--latin-subset", "-o", "-"] + fixtures.LATO_MASTERS,
            capture_output=True,
            check=False,
        )
        self.assertEqual(run.returncode, 0, run.stderr.decode())
        self.assertEqual(run.stderr, b"")
        with open(SAMPLE, "rb") as handle:
            expected = handle.read()
        if run.stdout != expected:
            self.fail(first_difference(expected, run.stdout))

    def test_every_lato_contour_converts_exactly(self):
        for path in fixtures.LATO_MASTERS:
            font = TTFont(path)
            for name in font.getGlyphOrder():
                if not font["glyf"][name].isComposite():
                    assert_same_outline(self, font, name)

    def test_sample_is_consistent(self):
        with open(SAMPLE, encoding="utf-8") as handle:
            data = json.load(handle)
        names = [g["name"] for g in data["glyphs"]]
        ids = [g["id"] for g in data["glyphs"]]
        self.assertEqual((len(set(names)), len(set(ids))), (len(names), len(ids)))
        self.assertEqual([m["name"] for m in data["masters"]], ["Hairline", "Regular", "Black"])
        by_code = {int(u, 16): g["name"] for g in data["glyphs"] for u in g["unicodes"]}
        # Latin letters, and the quotes, dashes, ellipsis and euro Latin text is set with.
        for code in list(range(0x41, 0x5B)) + list(range(0xC0, 0x100)) + list(range(0x100, 0x180)) + [
                0x2018, 0x2019, 0x201C, 0x201D, 0x2013, 0x2014, 0x2026, 0x20AC]:
            self.assertIn(code, by_code, f"U+{code:04X}")
        for glyph in data["glyphs"]:
            for layer in glyph["layers"]:
                for shape in layer["shapes"]:
                    if "ref" in shape:
                        self.assertIn(shape["ref"], names, glyph["name"])
                    else:
                        self.assertNotEqual(shape["nodes"][-1][2], "A", glyph["name"])
        for table in data["kerning"].values():
            for left, rights in table.items():
                self.assertIn(left, ids)
                self.assertTrue(set(rights) <= set(ids))
        lookups = len(data["gsub"]["lookups"])
        self.assertTrue(all(i < lookups for f in data["gsub"]["features"] for i in f["lookups"]))


if __name__ == "__main__":
    unittest.main()
