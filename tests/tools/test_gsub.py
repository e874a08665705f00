"""GSUB in the model's form: every lookup type by glyph name, extension lookups unwrapped, and
the restriction of a sample to kept glyphs."""

import unittest

import fixtures
from zvimport import gsub as gsubreader

NAMES = ["a", "b", "f", "i", "x", "a.sc", "a.alt", "b.alt", "f_i", "a.alt2"]

FEATURES = """
lookup CH { sub a by a.alt; } CH;
lookup EXT { sub b by b.alt; } EXT;
feature smcp { sub a by a.sc; } smcp;
feature salt { sub a from [a.alt a.alt2]; } salt;
feature liga { sub f i by f_i; } liga;
feature calt { sub x a' lookup CH; } calt;
feature ss01 { lookup EXT; } ss01;
feature ccmp { sub f_i by f i; } ccmp;
"""


def gsub_font():
    glyphs = {".notdef": None}
    glyphs.update({name: (lambda pen: fixtures.rectangle(pen, 0, 0, 100, 100)) for name in NAMES})
    font = fixtures.tt_font(glyphs, features=FEATURES, extra=fixtures.wrap_in_extension("GSUB", 1))
    return font


def lookups_by_feature(gsub):
    return {f["tag"]: [gsub["lookups"][i] for i in f["lookups"]] for f in gsub["features"]}


class ReadGsub(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.font = gsub_font()
        cls.gsub = gsubreader.read_gsub(cls.font)
        cls.by_tag = lookups_by_feature(cls.gsub)

    def test_extension_lookup_is_unwrapped_into_the_lookup_it_carries(self):
        self.assertEqual(self.font["GSUB"].table.LookupList.Lookup[1].LookupType, 7)
        self.assertEqual(self.gsub["lookups"][1], {"type": 1, "subtables": [{"mapping": {"b": "b.alt"}}]})
        self.assertEqual(self.by_tag["ss01"], [self.gsub["lookups"][1]])

    def test_substitutions_by_type(self):
        cases = [
            ("smcp", {"type": 1, "subtables": [{"mapping": {"a": "a.sc"}}]}),
            ("salt", {"type": 3, "subtables": [{"mapping": {"a": ["a.alt", "a.alt2"]}}]}),
            ("liga", {"type": 4, "subtables": [{"ligatures": {"f": [{"ligGlyphName": "f_i", "components": ["i"]}]}}]}),
            ("ccmp", {"type": 2, "subtables": [{"mapping": {"f_i": ["f", "i"]}}]}),
        ]
        for tag, expected in cases:
            with self.subTest(tag):
                self.assertEqual(self.by_tag[tag], [expected])

    def test_chaining_rule_names_its_nested_lookup(self):
        (lookup,) = self.by_tag["calt"]
        self.assertEqual(lookup["type"], 6)
        (rule,) = lookup["subtables"]
        self.assertEqual(
            rule,
            {
                "format": 3,
                "backtrackCoverages": [["x"]],
                "inputCoverages": [["a"]],
                "lookAheadCoverages": [],
                "substLookupRecords": [{"sequenceIndex": 0, "lookupListIndex": 0}],
            },
        )
        self.assertEqual(self.gsub["lookups"][0]["subtables"], [{"mapping": {"a": "a.alt"}}])

    def test_restriction_drops_rules_of_dropped_glyphs_and_keeps_lookup_indices(self):
        kept = {".notdef", "a", "b", "f", "i", "a.sc", "b.alt", "a.alt"}
        restricted = gsubreader.restrict(self.gsub, kept)
        self.assertEqual(len(restricted["lookups"]), len(self.gsub["lookups"]))
        by_tag = lookups_by_feature(restricted)
        self.assertEqual(by_tag["liga"][0]["subtables"], [{"ligatures": {}}])
        self.assertEqual(by_tag["salt"][0]["subtables"], [{"mapping": {}}])
        self.assertEqual(by_tag["smcp"][0]["subtables"], [{"mapping": {"a": "a.sc"}}])
        # x is gone, so the chaining rule can never match
        self.assertEqual(by_tag["calt"][0]["subtables"], [])

    def test_font_without_gsub_has_none(self):
        self.assertIsNone(gsubreader.read_gsub(fixtures.tt_font({".notdef": None})))


class GlyphRules(unittest.TestCase):
    """Context rules listed glyph by glyph (format 1), which feature code makes of several rules."""

    def test_rules_are_kept_per_first_glyph_and_restricted_by_their_glyphs(self):
        glyphs = {".notdef": None}
        glyphs.update({name: None for name in ["a", "b", "x", "y", "a.alt", "b.alt"]})
        features = """
        lookup CH { sub a by a.alt; sub b by b.alt; } CH;
        feature calt { sub x a' lookup CH; sub y a' lookup CH; sub x b' lookup CH; sub a' lookup CH b; } calt;
        feature ss02 { sub a' lookup CH b'; sub b' lookup CH a'; } ss02;
        """
        gsub = gsubreader.read_gsub(fixtures.tt_font(glyphs, features=features))
        record = [{"sequenceIndex": 0, "lookupListIndex": 0}]

        def rule(backtracks=(), look_aheads=()):
            return {"backtracks": list(backtracks), "input": [], "lookAheads": list(look_aheads),
                    "substLookupRecords": record}

        chain = {"format": 1, "coverage": ["a", "b"],
                 "chainSubRuleSets": [[rule(["x"]), rule(["y"]), rule(look_aheads=["b"])], [rule(["x"])]]}
        context = {"format": 1, "coverage": ["a", "b"],
                   "subRuleSets": [[{"input": ["b"], "substLookupRecords": record}],
                                   [{"input": ["a"], "substLookupRecords": record}]]}
        self.assertEqual(gsub["lookups"][1:], [{"type": 6, "subtables": [chain]}, {"type": 5, "subtables": [context]}])

        restricted = gsubreader.restrict(gsub, {"a", "a.alt", "b", "b.alt", "y"})
        self.assertEqual(restricted["lookups"][1]["subtables"][0]["chainSubRuleSets"],
                         [[rule(["y"]), rule(look_aheads=["b"])], []])
        restricted = gsubreader.restrict(gsub, {"a", "a.alt", "x"})
        self.assertEqual(restricted["lookups"][2]["subtables"], [{"format": 1, "coverage": ["a"], "subRuleSets": [[]]}])


if __name__ == "__main__":
    unittest.main()
