"""The finalisation's kerning against fontTools, on the engine's own final kerning of the sample
family: its kerning re-worked as the plug-in does it, every master finalized with every relevant
pair, and the plan written flat and with rebuilt groups, unlimited and at half its size, by
kerning_sample_cases. Each case is compiled here with feaLib, measured, and read back as a shaper
applies kerning."""

import json
import os
import subprocess
import sys
import tempfile
import unittest
from collections import defaultdict
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


def read_pairs(path):
    """{(left, right): [value, more fields…]} of a "left right value …" file."""
    with open(path, encoding="utf-8") as f:
        return {(l, r): [int(x) for x in rest] for l, r, *rest in (line.split() for line in f)}


@unittest.skipUnless(CASES_TOOL, "ZV_KERNING_SAMPLE_CASES names no kerning_sample_cases program")
class SampleFinalKerning(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        d = cls.tmp.name
        subprocess.run([CASES_TOOL, d], check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(d, "glyph_order.txt"), encoding="utf-8") as f:
            cls.order = f.read().split("\n")[:-1]
        with open(os.path.join(d, "cases.json"), encoding="utf-8") as f:
            cls.data = json.load(f)
        cls.cases = cls.data["cases"]
        cls.targets, cls.own = {}, {}
        for m in cls.data["masters"]:
            cls.targets[m["master"]] = read_pairs(os.path.join(d, f"targets_{m['master']}.txt"))
            cls.own[m["master"]] = read_pairs(os.path.join(d, f"font_{m['master']}.txt"))
        names = [c["name"] for c in cls.cases] + [c["name"] + "_shorter" for c in cls.cases if c["limit"]]
        with ProcessPoolExecutor(max_workers=min(4, os.cpu_count() or 1)) as pool:
            cls.compiled = dict(pool.map(compile_case, [(d, cls.order, n) for n in names]))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_targets_are_the_frequent_pairs_each_master_can_kern_and_what_the_designer_set(self):
        for m in self.data["masters"]:
            with self.subTest(m["master"]):
                self.assertTrue(m["targets_as_expected"])
                self.assertGreater(m["targets"], 10000)

    def test_estimate_is_never_below_the_compiled_size_and_at_most_3_percent_above(self):
        for case in self.cases:
            with self.subTest(case["name"]):
                size = self.compiled[case["name"]][0]
                self.assertGreater(size, 0)
                self.assertGreaterEqual(case["estimate"], size)
                self.assertLessEqual(case["estimate"], size * 1.03)

    def test_at_half_the_size_the_lightest_shortest_prefix_is_dropped_and_what_the_designer_set_stays(self):
        for case in (c for c in self.cases if c["limit"]):
            with self.subTest(case["name"]):
                self.assertFalse(case["over_limit"])
                self.assertLessEqual(self.compiled[case["name"]][0], case["limit"])
                # Entries: [left, right, left index, right index, value, weight, frequency,
                # never dropped, the font's own].
                droppable = [e for e in case["entries"] if not e[7]]
                droppable.sort(key=lambda e: (e[5], e[6], e[2], e[3]))
                dropped = case["dropped"]
                self.assertGreater(len(dropped), 0)
                self.assertEqual(dropped, droppable[: len(dropped)])
                self.assertGreater(self.compiled[case["name"] + "_shorter"][0], case["limit"])
                shaped = {(l, r): v for l, r, v in self.compiled[case["name"]][1]}
                kept = [p for p, (v, never) in self.targets[case["master"]].items() if never]
                self.assertGreater(len(kept), 0)
                for pair in kept:
                    self.assertEqual(shaped.get(pair, 0), self.targets[case["master"]][pair][0], pair)

    def test_every_kept_target_comes_out_as_the_engine_writes_it(self):
        for case in self.cases:
            with self.subTest(case["name"]):
                shaped = {(l, r): v for l, r, v in self.compiled[case["name"]][1]}
                # A dropped entry falls back by exactly the change it weighs (weight / frequency).
                changed = {(e[0], e[1]): e[5] // e[6] for e in case.get("dropped", [])}
                for pair, (value, _) in self.targets[case["master"]].items():
                    self.assertEqual(abs(shaped.get(pair, 0) - value), changed.get(pair, 0), pair)

    def test_the_fonts_own_pairs_stay_or_are_left_to_a_class_pair_within_the_tolerance(self):
        tolerance = self.data["tolerance"]
        for case in self.cases:
            with self.subTest(case["name"]):
                master = case["master"]
                shaped = {(l, r): v for l, r, v in self.compiled[case["name"]][1]}
                changed = {(e[0], e[1]): e[5] // e[6] for e in case.get("dropped", [])}
                for pair, (value,) in self.own[master].items():
                    got = shaped.get(pair, 0)
                    if pair in changed:
                        self.assertEqual(abs(got - value), changed[pair], pair)
                    elif case["grouped"]:
                        self.assertLessEqual(abs(got - value), tolerance, pair)
                    else:
                        self.assertEqual(got, value, pair)
                extra = [p for p in shaped if p not in self.targets[master] and p not in self.own[master]]
                self.assertEqual(len(extra), case["untargeted"])

    def test_a_grouped_master_is_smaller_than_flat(self):
        for case in (c for c in self.cases if c["kind"] == "grouped" and not c["limit"]):
            with self.subTest(case["name"]):
                flat = self.compiled["flat_" + case["master"]][0]
                grouped = self.compiled[case["name"]][0]
                if case["grouped"]:
                    self.assertLess(grouped, flat)
                else:
                    self.assertEqual(grouped, flat)

    def test_no_group_is_formed_on_fewer_shared_partners_than_the_rule_allows(self):
        tolerance, least = self.data["tolerance"], self.data["min_shared"]
        for side, groups in (("right", self.data["right_side_groups"]), ("left", self.data["left_side_groups"])):
            # Per master, each side's targets by partner.
            rows = []
            for targets in self.targets.values():
                by_side = defaultdict(dict)
                for (l, r), (value, _) in targets.items():
                    s, partner = (l, r) if side == "right" else (r, l)
                    by_side[s][partner] = value
                rows.append(by_side)
            partners = defaultdict(set)
            for by_side in rows:
                for s, row in by_side.items():
                    partners[s].update(row)
            self.assertGreater(len(groups), 0, side)
            for group in groups:
                for i, a in enumerate(group):
                    for b in group[:i]:
                        shared = set()
                        for by_side in rows:
                            common = by_side[a].keys() & by_side[b].keys()
                            for p in common:
                                self.assertLessEqual(abs(by_side[a][p] - by_side[b][p]), tolerance, (side, a, b, p))
                            shared |= common
                        smaller = min(len(partners[a]), len(partners[b]))
                        self.assertGreaterEqual(len(shared), least, (side, a, b))
                        self.assertGreaterEqual(4 * len(shared), smaller, (side, a, b))


if __name__ == "__main__":
    unittest.main()
