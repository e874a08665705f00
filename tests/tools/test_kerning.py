"""Kerning: GPOS pair adjustments flattened as a shaping engine applies them, the old `kern`
table, and a hand-checked table of Lato's pairs in each master."""

import json
import os
import unittest

from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables._k_e_r_n import KernTable_format_0

import fixtures
from zvimport.kerning import font_kerning

GLYPHS = ["A", "V", "W", "T", "o", "comma", "acutecomb"]


def kerned_font(features, extra=None):
    glyphs = {".notdef": None}
    glyphs.update({name: (lambda pen: fixtures.rectangle(pen, 0, 0, 100, 100)) for name in GLYPHS})
    return fixtures.tt_font(glyphs, features=features, extra=extra)


def pairs(font):
    return {(left, right): value for left, right, value in font_kerning(font)}


class GposPairs(unittest.TestCase):
    def test_first_matching_subtable_wins_and_lookups_add_up(self):
        cases = [
            # (name, feature code, pair, expected value or None for no kerning)
            ("glyph pair before its class pair",
             "feature kern { pos A V -50; pos [A] [V W] -30; } kern;", ("A", "V"), -50),
            ("class pair where no glyph pair is listed",
             "feature kern { pos A V -50; pos [A] [V W] -30; } kern;", ("A", "W"), -30),
            ("class 0 of an earlier class subtable hides a later one",
             "feature kern { pos [A] [W] -10; subtable; pos [A] [V] -20; } kern;", ("A", "V"), None),
            ("first glyph not covered by the earlier class subtable",
             "feature kern { pos [T] [W] -10; subtable; pos [A] [V] -20; } kern;", ("A", "V"), -20),
            ("two lookups add up",
             "lookup K1 { pos A V -50; } K1; lookup K2 { pos A V -5; } K2;"
             "feature kern { lookup K1; lookup K2; } kern;", ("A", "V"), -55),
            ("values that add up to zero leave no pair",
             "lookup K1 { pos A V -5; } K1; lookup K2 { pos A V 5; } K2;"
             "feature kern { lookup K1; lookup K2; } kern;", ("A", "V"), None),
            ("pairs outside the kern feature are not kerning",
             "feature dist { pos A V -50; } dist;", ("A", "V"), None),
        ]
        for name, code, pair, expected in cases:
            with self.subTest(name):
                self.assertEqual(pairs(kerned_font(code)).get(pair), expected)

    def test_extension_lookups_are_resolved(self):
        code = (
            "lookup K0 { pos A V -5; } K0; lookup K1 { pos [T] [o] -40; } K1;"
            "feature kern { lookup K0; lookup K1; } kern;"
        )
        font = kerned_font(code, extra=fixtures.wrap_in_extension("GPOS", 1))
        self.assertEqual(font["GPOS"].table.LookupList.Lookup[1].LookupType, 9)
        self.assertEqual(pairs(font), {("A", "V"): -5, ("T", "o"): -40})

    def test_a_lookup_ignoring_marks_never_pairs_a_mark(self):
        code = (
            "table GDEF { GlyphClassDef [A V], , [acutecomb], ; } GDEF;"
            "lookup K1 { lookupflag IgnoreMarks; pos A acutecomb -30; pos A V -20; } K1;"
            "feature kern { lookup K1; } kern;"
        )
        self.assertEqual(pairs(kerned_font(code)), {("A", "V"): -20})

    def test_pairs_come_in_glyph_order(self):
        code = "feature kern { pos V A -1; pos A W -2; pos A V -3; } kern;"
        self.assertEqual(font_kerning(kerned_font(code)), [("A", "V", -3), ("A", "W", -2), ("V", "A", -1)])


def with_kern_table(*tables):
    """Answers a font edit adding an old `kern` table of (coverage, {pair: value}) subtables."""

    def add(font):
        kern = newTable("kern")
        kern.version, kern.kernTables = 0, []
        for coverage, table in tables:
            subtable = KernTable_format_0()
            subtable.version, subtable.coverage, subtable.kernTable = 0, coverage, dict(table)
            kern.kernTables.append(subtable)
        font["kern"] = kern

    return add


class OldKernTable(unittest.TestCase):
    def test_kern_table_is_read_without_a_gpos_kern_feature(self):
        font = kerned_font(None, extra=with_kern_table((1, {("A", "V"): -70, ("T", "o"): 0})))
        self.assertEqual(pairs(font), {("A", "V"): -70})

    def test_subtables_add_up_unless_they_override_and_cross_stream_ones_are_not_kerning(self):
        font = kerned_font(
            None,
            extra=with_kern_table(
                (1, {("A", "V"): -70, ("T", "o"): -20}),
                (1, {("A", "V"): -5}),
                (1 | 8, {("T", "o"): -30}),
                (1 | 4, {("A", "W"): -50}),
            ),
        )
        self.assertEqual(pairs(font), {("A", "V"): -75, ("T", "o"): -30})

    def test_gpos_kern_feature_takes_precedence_over_the_kern_table(self):
        font = kerned_font("feature kern { pos T o -40; } kern;", extra=with_kern_table((1, {("A", "V"): -70})))
        self.assertEqual(pairs(font), {("T", "o"): -40})


# Checked by hand in the fonts' GPOS lookup 0 (class subtable 3 in Hairline, 4 in the others)
# and in their old `kern` tables, which agree for these pairs.
LATO_PAIRS = {
    "Hairline": {("T", "o"): -253, ("A", "V"): -92, ("V", "comma"): -172},
    "Regular": {("T", "o"): -244, ("A", "V"): -108, ("V", "comma"): -151},
    "Black": {("T", "o"): -237, ("A", "V"): -122, ("V", "comma"): -134},
}


def fonttools_pair_value(font, left, right):
    """The pair's value read straight from fontTools' objects: per `kern` lookup the first pair
    subtable that covers the left glyph and (for format 1) lists the pair, summed over lookups."""
    gpos = font["GPOS"].table
    records = [r for r in gpos.FeatureList.FeatureRecord if r.FeatureTag == "kern"]
    indices = sorted({i for r in records for i in r.Feature.LookupListIndex})
    total = 0
    for i in indices:
        for subtable in gpos.LookupList.Lookup[i].SubTable:
            if left not in subtable.Coverage.glyphs:
                continue
            if subtable.Format == 1:
                pair_set = subtable.PairSet[subtable.Coverage.glyphs.index(left)]
                found = [r for r in pair_set.PairValueRecord if r.SecondGlyph == right]
                if not found:
                    continue
                total += found[0].Value1.XAdvance
            else:
                c1 = subtable.ClassDef1.classDefs.get(left, 0)
                c2 = subtable.ClassDef2.classDefs.get(right, 0)
                value = subtable.Class1Record[c1].Class2Record[c2].Value1
                total += getattr(value, "XAdvance", 0) or 0
            break
    return total


@unittest.skipUnless(fixtures.lato_available(), "fonts-lato is not installed")
class LatoKerning(unittest.TestCase):
    def test_hand_checked_pairs_match_fonttools_and_the_importer_in_each_master(self):
        for path in fixtures.LATO_MASTERS:
            style = os.path.basename(path)[len("Lato-"):-len(".ttf")]
            font = TTFont(path)
            imported = pairs(font)
            old_kern = font["kern"].kernTables[0].kernTable
            for (left, right), value in LATO_PAIRS[style].items():
                with self.subTest(style=style, pair=(left, right)):
                    self.assertEqual(fonttools_pair_value(font, left, right), value)
                    self.assertEqual(old_kern[(left, right)], value)
                    self.assertEqual(imported[(left, right)], value)

    def test_sample_holds_the_same_pairs_by_glyph_id(self):
        sample = os.path.join(os.path.dirname(__file__), "..", "..", "samples", "Lato.json")
        with open(sample, encoding="utf-8") as handle:
            data = json.load(handle)
        ids = {g["name"]: g["id"] for g in data["glyphs"]}
        for master in data["masters"]:
            for (left, right), value in LATO_PAIRS[master["name"]].items():
                with self.subTest(master=master["name"], pair=(left, right)):
                    self.assertEqual(data["kerning"][master["id"]][ids[left]][ids[right]], value)


if __name__ == "__main__":
    unittest.main()
