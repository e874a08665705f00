"""Glyph classification from Unicode data and from names, and names for nameless glyphs."""

import unittest

import fixtures
from zvimport import gsub as gsubreader
from zvimport.glyphinfo import classify
from zvimport.names import derived_names

# (glyph name, code points, category, subcategory, case, script)
CASES = [
    ("A", [0x41], "Letter", "Uppercase", "upper", "latin"),
    ("a", [0x61], "Letter", "Lowercase", "lower", "latin"),
    ("eacute", [0xE9], "Letter", "Lowercase", "lower", "latin"),
    ("germandbls", [0xDF], "Letter", "Lowercase", "lower", "latin"),
    ("uni0411", [0x411], "Letter", "Uppercase", "upper", "cyrillic"),
    ("alpha", [0x3B1], "Letter", "Lowercase", "lower", "greek"),
    ("ordfeminine", [0xAA], "Letter", "Modifier", "minor", "latin"),
    ("uni1D00", [0x1D00], "Letter", "Smallcaps", "smallCaps", "latin"),
    ("fi", [0xFB01], "Letter", "Ligature", "lower", "latin"),
    ("one", [0x31], "Number", "Decimal Digit", None, None),
    ("onehalf", [0xBD], "Number", "Fraction", None, None),
    ("twosuperior", [0xB2], "Number", "Small", "minor", None),
    ("comma", [0x2C], "Punctuation", None, None, None),
    ("endash", [0x2013], "Punctuation", "Dash", None, None),
    ("hyphen", [0x2D], "Punctuation", "Dash", None, None),
    ("parenleft", [0x28], "Punctuation", "Parenthesis", None, None),
    ("bracketright", [0x5D], "Punctuation", "Parenthesis", None, None),
    ("quotesingle", [0x27], "Punctuation", "Quote", None, None),
    ("quotedblbase", [0x201E], "Punctuation", "Quote", None, None),
    ("guillemotright", [0xBB], "Punctuation", "Quote", None, None),
    ("dollar", [0x24], "Symbol", "Currency", None, None),
    ("Euro", [0x20AC], "Symbol", "Currency", None, None),
    ("plus", [0x2B], "Symbol", "Math", None, None),
    ("copyright", [0xA9], "Symbol", None, None, None),
    ("space", [0x20], "Separator", "Space", None, None),
    ("nbspace", [0xA0], "Separator", "Space", None, None),
    ("acutecomb", [0x301], "Mark", "Nonspacing", None, None),
    ("acute", [0xB4], "Mark", "Spacing", None, None),
    ("caron", [0x2C7], "Mark", "Spacing", None, None),
    ("uni00AD", [0xAD], "Punctuation", "Dash", None, None),
    ("uni0000", [0x0], "Separator", "Control", None, None),
    # unencoded glyphs, from the name
    ("a.sc", [], "Letter", "Smallcaps", "smallCaps", "latin"),
    ("A.ss01", [], "Letter", "Uppercase", "upper", "latin"),
    ("one.tf", [], "Number", "Decimal Digit", None, None),
    ("one.sups", [], "Number", "Small", "minor", None),
    ("a.sups", [], "Letter", "Lowercase", "minor", "latin"),
    ("f_i", [], "Letter", "Ligature", "lower", "latin"),
    ("f_f_i.alt", [], "Letter", "Ligature", "lower", "latin"),
    ("uni00E9", [], "Letter", "Lowercase", "lower", "latin"),
    ("uni00E9.sc", [], "Letter", "Smallcaps", "smallCaps", "latin"),
    ("u1E9E", [], "Letter", "Uppercase", "upper", "latin"),
    ("u1D400", [], "Letter", "Uppercase", "upper", None),  # mathematical letters belong to no script
    ("parenleft.case", [], "Punctuation", "Parenthesis", None, None),
    (".notdef", [], "Separator", None, None, None),
    ("glyph00238", [], None, None, None, None),
    ("_part.shoulder", [], None, None, None, None),
]


class Classification(unittest.TestCase):
    def test_table_of_cases(self):
        for name, codes, category, subcategory, case, script in CASES:
            with self.subTest(name):
                info = classify(name, codes)
                self.assertEqual(
                    (info.category, info.subcategory, info.case, info.script), (category, subcategory, case, script)
                )


class NamesForNamelessGlyphs(unittest.TestCase):
    def test_substitutes_are_named_after_their_source_and_feature(self):
        glyphs = {".notdef": None, "f": None, "i": None, "one": None, "t1": None, "t2": None, "lig": None}
        features = """
        feature tnum { sub one by t1; } tnum;
        feature onum { sub t1 by t2; } onum;
        feature liga { sub f i by lig; } liga;
        """
        font = fixtures.tt_font(glyphs, cmap={0x66: "f", 0x69: "i", 0x31: "one"}, features=features, keep_names=False)
        order = font.getGlyphOrder()
        renames = derived_names(font, gsubreader.read_gsub(font))
        self.assertEqual(
            {order.index(old): new for old, new in renames.items()}, {4: "one.tf", 5: "one.tf.osf", 6: "f_i"}
        )

    def test_fonts_with_glyph_names_keep_them(self):
        font = fixtures.tt_font({".notdef": None, "one": None, "glyph00002": None},
                                cmap={0x31: "one"}, features="feature tnum { sub one by glyph00002; } tnum;")
        self.assertEqual(derived_names(font, gsubreader.read_gsub(font)), {})


if __name__ == "__main__":
    unittest.main()
