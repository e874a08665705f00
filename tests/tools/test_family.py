"""Reading a family: masters and their metrics, glyphs across masters, the written file, and
files that cannot be imported."""

import json
import os
import subprocess
import sys
import tempfile
import unittest

import fixtures
from zvimport import fontjson, subset
from zvimport.family import FontImportError, read_family

IMPORTER = os.path.join(fixtures.TOOLS, "import_font.py")


def square(pen):
    fixtures.rectangle(pen, 0, 0, 100, 100)


class Files(unittest.TestCase):
    def saved(self, font=None, data=None):
        handle, path = tempfile.mkstemp(suffix=".ttf")
        os.close(handle)
        self.addCleanup(os.remove, path)
        if font is not None:
            font.save(path)
        else:
            with open(path, "wb") as out:
                out.write(data)
        return path


class Masters(Files):
    def glyphs(self):
        return {
            ".notdef": None,
            "H": lambda pen: fixtures.rectangle(pen, 0, 0, 100, 710),
            "x": lambda pen: fixtures.rectangle(pen, 0, 0, 100, 515),
        }

    def test_heights_and_weight_come_from_os2(self):
        font = fixtures.tt_font(self.glyphs(), cmap={0x48: "H", 0x78: "x"}, weight=900, x_height=520, cap_height=720)
        master = read_family([self.saved(font)]).masters[0]
        self.assertEqual((master.x_height, master.cap_height, master.weight), (520, 720, 900))

    def test_heights_are_measured_from_x_and_H_without_them_in_os2(self):
        font = fixtures.tt_font(self.glyphs(), cmap={0x48: "H", 0x78: "x"}, os2_version=1)
        master = read_family([self.saved(font)]).masters[0]
        self.assertEqual((master.x_height, master.cap_height), (515, 710))

    def test_masters_are_named_by_style_and_glyphs_keep_the_layers_they_have(self):
        light = fixtures.tt_font({".notdef": None, "a": square}, cmap={0x61: "a"}, weight=300, style="Light")
        bold = fixtures.tt_font({".notdef": None, "a": square, "b": square}, cmap={0x61: "a", 0x62: "b"},
                                weight=700, style="Bold")
        font = read_family([self.saved(light), self.saved(bold)])
        self.assertEqual((font.family_name, [m.name for m in font.masters]), ("Fixture", ["Light", "Bold"]))
        self.assertEqual([(g.name, g.id, sorted(g.layers)) for g in font.glyphs],
                         [(".notdef", "g0", [0, 1]), ("a", "g1", [0, 1]), ("b", "g2", [1])])
        data = json.loads(fontjson.dumps(font))
        self.assertEqual([m["axesValues"] for m in data["masters"]], [[300], [700]])
        self.assertEqual([layer["layerId"] for layer in data["glyphs"][2]["layers"]], ["m1"])

    def test_a_variable_font_is_named_with_the_instance_imported(self):
        from fontTools.fontBuilder import FontBuilder

        def variable(font):
            FontBuilder(font=font).setupFvar(
                [("wght", 100, 400, 900, "Weight"), ("wdth", 75, 100, 100, "Width")],
                [{"location": {"wght": 100, "wdth": 100}, "stylename": "Thin"},
                 {"location": {"wght": 400, "wdth": 100}, "stylename": "Regular"}])

        cases = [
            ("static", None, ""),
            ("variable", variable, 'is a variable font (wght 100-900, wdth 75-100); only its default '
                                   'instance "Regular" (wght 400, wdth 100) is imported, as one master'),
        ]
        for what, extra, note in cases:
            with self.subTest(what):
                path = self.saved(fixtures.tt_font(self.glyphs(), cmap={0x48: "H", 0x78: "x"}, extra=extra))
                run = subprocess.run([sys.executable, IMPORTER, "-o", "-", path], capture_output=True, text=True,
                                     check=False)
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(run.stderr, f"import_font: note: {path} {note}\n" if note else "")
                self.assertEqual(len(json.loads(run.stdout)["masters"]), 1)


class Subset(Files):
    def test_keeps_what_latin_code_points_reach_with_their_kerning_and_substitutions(self):
        def composite(pen):
            pen.addComponent("a", (1, 0, 0, 1, 0, 0))
            pen.addComponent("ring", (1, 0, 0, 1, 0, 500))

        glyphs = {".notdef": None, "alpha": square, "a": square, "ring": square, "aring": composite, "f": square,
                  "i": square, "f_i": square, "a.sc": square, "a.sc.alt": square, "alpha.sc": square,
                  "lambda": square, "f_lambda": square, "quoteright": square, "endash": square, "Euro": square,
                  "minus": square, "arrowright": square, "uni2028": square}
        # Latin text's quotes, dashes, currency signs and minus are kept; an arrow is not.
        cmap = {0x61: "a", 0xE5: "aring", 0x66: "f", 0x69: "i", 0x3B1: "alpha", 0x3BB: "lambda", 0x2019: "quoteright",
                0x2013: "endash", 0x20AC: "Euro", 0x2212: "minus", 0x2192: "arrowright", 0x2028: "uni2028"}
        features = """
        feature smcp { sub a by a.sc; sub alpha by alpha.sc; } smcp;
        feature salt { sub a.sc by a.sc.alt; } salt;
        feature liga { sub f i by f_i; sub f lambda by f_lambda; } liga;
        feature kern { pos f i -10; pos a alpha -20; pos a.sc a.sc.alt -5; } kern;
        """
        font = read_family([self.saved(fixtures.tt_font(glyphs, cmap=cmap, features=features))])
        subset.restrict(font)
        self.assertEqual(
            [g.name for g in font.glyphs],
            [".notdef", "a", "ring", "aring", "f", "i", "f_i", "a.sc", "a.sc.alt", "quoteright", "endash", "Euro",
             "minus"],
        )
        self.assertEqual(font.kerning, [[("f", "i", -10), ("a.sc", "a.sc.alt", -5)]])
        mappings = [s["mapping"] for lookup in font.gsub["lookups"] if lookup["type"] == 1 for s in lookup["subtables"]]
        self.assertEqual(mappings, [{"a": "a.sc"}, {"a.sc": "a.sc.alt"}])
        data = json.loads(fontjson.dumps(font))
        self.assertEqual([g["id"] for g in data["glyphs"]][7:9], ["g8", "g9"])  # ids survive the subset


class Writing(unittest.TestCase):
    def test_model_numbers_are_written_in_canonical_form(self):
        for value, text in [(600, "600"), (600.0, "600"), (-0.0, "0"), (12.5, "12.5"), (1e-05, "1e-05")]:
            with self.subTest(value):
                self.assertEqual(json.dumps(fontjson.number(value)), text)

    def test_numbers_the_file_cannot_hold_are_refused_naming_the_glyph(self):
        font = read_family([_save(self, fixtures.tt_font({".notdef": None, "a": square}, cmap={0x61: "a"}))])
        font.glyphs[1].layers[0].width = 3e7
        with self.assertRaisesRegex(ValueError, "glyph 'a': number 30000000.0 outside"):
            fontjson.dumps(font)

    def test_file_is_one_line_with_keys_in_the_format_order(self):
        font = read_family([_save(self, fixtures.tt_font({".notdef": None, "a": square}, cmap={0x61: "a"}))])
        text = fontjson.dumps(font)
        self.assertEqual(text.count("\n"), 1)
        self.assertTrue(text.endswith("}\n"))
        data = json.loads(text)
        self.assertEqual(
            list(data),
            ["format", "formatVersion", "familyName", "unitsPerEm", "featureCodeCompiles", "axes", "userData",
             "customParameters", "masters", "glyphs", "kerning", "instances", "gsub"],
        )
        self.assertEqual(data["glyphs"][1]["layers"][0]["shapes"][0]["nodes"][-1], [100, 0, "L"])
        self.assertIsNone(data["kerning"])


def _save(test, font):
    handle, path = tempfile.mkstemp(suffix=".ttf")
    os.close(handle)
    test.addCleanup(os.remove, path)
    font.save(path)
    return path


class BadFiles(Files):
    def test_broken_files_are_refused_naming_the_file(self):
        good = self.saved(fixtures.tt_font({".notdef": None, "a": square}, cmap={0x61: "a"}))
        with open(good, "rb") as handle:
            data = handle.read()
        cases = [("truncated", data[: len(data) // 3]), ("not a font", b"hello, world\n"), ("empty", b"")]
        for name, content in cases:
            with self.subTest(name):
                path = self.saved(data=content)
                with self.assertRaises(FontImportError) as raised:
                    read_family([path])
                self.assertIn(path, str(raised.exception))

    def test_masters_of_different_units_per_em_are_refused(self):
        a = fixtures.tt_font({".notdef": None})
        b = fixtures.tt_font({".notdef": None})
        b["head"].unitsPerEm = 2048
        with self.assertRaisesRegex(FontImportError, "units per em 2048"):
            read_family([self.saved(a), self.saved(b)])

    def test_help_describes_the_command(self):
        run = subprocess.run([sys.executable, IMPORTER, "--help"], capture_output=True, text=True, check=False)
        self.assertEqual(run.returncode, 0)
        self.assertIn("Imports OpenType/TrueType files of one family", run.stdout)
        self.assertIn("--latin-subset", run.stdout)

    def test_command_reports_the_error_and_writes_nothing(self):
        bad = self.saved(data=b"not a font")
        out = os.path.join(tempfile.mkdtemp(), "out.json")
        run = subprocess.run([sys.executable, IMPORTER, "-o", out, bad], capture_output=True, text=True, check=False)
        self.assertEqual(run.returncode, 1)
        self.assertIn(f"import_font: {bad}: not a readable", run.stderr)
        self.assertFalse(os.path.exists(out))
        os.rmdir(os.path.dirname(out))


if __name__ == "__main__":
    unittest.main()
