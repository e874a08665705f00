"""The kerning size estimate, the size limit and the rebuilt kerning groups against fontTools: the
sample family's kerning (every pair a target at frequency 1), written flat and grouped by
kerning_sample_cases, is compiled here with feaLib and measured and read back as a shaper would."""

import json
import os
import subprocess
import sys
import tempfile
import unittest
from concurrent.futures import ProcessPoolExecutor

from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
from fontTools.fontBuilder import FontBuilder
from fontTools.ttLib import newTable

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from zvimport.kerning import font_kerning  # noqa: E402

CASES_TOOL = os.environ.get("ZV_KERNING_SAMPLE_CASES", "")


def compile_gpos(order, fea_path):
    """Answers (GPOS length, [(left, right, value)] as shaped) of a feature file; (0, []) when it
    makes no GPOS. The pure-Python serializer is the one the estimate follows."""
    font = FontBuilder(1000, isTTF=True).font
    font.setGlyphOrder(order)
    font.cfg["fontTools.ttLib.tables.otBase:USE_HARFBUZZ_REPACKER"] = False
    with open(fea_path, encoding="utf-8") as f:
        addOpenTypeFeaturesFromString(font, f.read(), tables=["GPOS"])
    if "GPOS" not in font:
        return 0, []
    data = font["GPOS"].compile(font)
    table = newTable("GPOS")
    table.decompile(data, font)
    font["GPOS"] = table
    return len(data), font_kerning(font)


def compile_case(args):
    directory, order, name = args
    return name, compile_gpos(order, os.path.join(directory, name + ".fea"))


@unittest.skipUnless(CASES_TOOL, "ZV_KERNING_SAMPLE_CASES names no kerning_sample_cases program")
class SampleKerningSize(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        d = cls.tmp.name
        subprocess.run([CASES_TOOL, d], check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(d, "glyph_order.txt"), encoding="utf-8") as f:
            cls.order = f.read().split("\n")[:-1]
        with open(os.path.join(d, "cases.json"), encoding="utf-8") as f:
            cls.cases = json.load(f)["cases"]
        cls.targets = {}
        for master in {c["master"] for c in cls.cases}:
            with open(os.path.join(d, f"targets_{master}.txt"), encoding="utf-8") as f:
                cls.targets[master] = {(l, r): int(v) for l, r, v in (line.split() for line in f)}
        names = [c["name"] for c in cls.cases] + [c["name"] + "_shorter" for c in cls.cases if c["limit"]]
        with ProcessPoolExecutor(max_workers=min(4, os.cpu_count() or 1)) as pool:
            cls.compiled = dict(pool.map(compile_case, [(d, cls.order, n) for n in names]))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_estimate_is_never_below_the_compiled_size_and_at_most_3_percent_above(self):
        for case in self.cases:
            with self.subTest(case["name"]):
                size = self.compiled[case["name"]][0]
                self.assertGreater(size, 0)
                self.assertGreaterEqual(case["estimate"], size)
                self.assertLessEqual(case["estimate"], size * 1.03)

    def test_at_half_the_size_the_lightest_shortest_prefix_is_dropped(self):
        for case in (c for c in self.cases if c["limit"]):
            with self.subTest(case["name"]):
                self.assertFalse(case["over_limit"])
                self.assertLessEqual(self.compiled[case["name"]][0], case["limit"])
                # Entries: [left, right, left index, right index, value, weight, frequency, kept].
                droppable = [e for e in case["entries"] if not e[7]]
                droppable.sort(key=lambda e: (e[5], e[6], e[2], e[3]))
                dropped = case["dropped"]
                self.assertGreater(len(dropped), 0)
                self.assertEqual(dropped, droppable[: len(dropped)])
                self.assertGreater(self.compiled[case["name"] + "_shorter"][0], case["limit"])

    def test_grouped_kerning_gives_every_kept_target_exactly(self):
        for case in (c for c in self.cases if c["kind"] == "grouped"):
            with self.subTest(case["name"]):
                targets = self.targets[case["master"]]
                shaped = {(l, r): v for l, r, v in self.compiled[case["name"]][1]}
                changed = {(e[0], e[1]): e[5] for e in case.get("dropped", [])}
                for pair, value in targets.items():
                    got = shaped.get(pair, 0)
                    # A dropped exception falls back on its class pair by exactly its weight (×1).
                    self.assertEqual(abs(got - value), changed.get(pair, 0), pair)
                extra = [p for p in shaped if p not in targets]
                self.assertEqual(len(extra), case["untargeted"])

    def test_grouped_kerning_is_at_most_0_55_of_flat(self):
        for master in sorted(self.targets):
            with self.subTest(master):
                flat = self.compiled["flat_" + master][0]
                grouped = self.compiled["grouped_" + master][0]
                self.assertLessEqual(grouped / flat, 0.55)


if __name__ == "__main__":
    unittest.main()
