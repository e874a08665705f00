"""The shipped pair-frequency resource: every line is a comment or a pair the engine's loader
counts, with a frequency below the marker values, and the counts look like real text."""

import os
import re
import unicodedata
import unittest

RESOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources",
                        "pair_frequencies.txt")
MAX_FREQUENCY = 36829  # 36830 and up are markers for pairs of no counted frequency


def read_resource():
    with open(RESOURCE, "rb") as f:
        return f.read()


def parse(text):
    """(header lines, [(pair, frequency, line number)]) read the way the engine's loader reads."""
    header, pairs = [], []
    for number, line in enumerate(text.split("\n"), 1):
        if line.startswith(" "):
            header.append(line)
            continue
        if line == "" and number == text.count("\n") + 1:
            continue  # after the final newline
        if len(line) < 4 or line[2] != " ":
            raise AssertionError(f"line {number} is neither a comment nor a pair: {line!r}")
        number_text = line[3:]
        # The loader reads the number like strtol; we ask for the plain form it was written in.
        if not re.fullmatch(r"[1-9][0-9]*", number_text):
            raise AssertionError(f"line {number}: frequency {number_text!r} is not a plain number")
        pairs.append((line[:2], int(number_text), number))
    return header, pairs


class PairFrequencyFileTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.raw = read_resource()
        cls.text = cls.raw.decode("utf-8")  # raises on invalid UTF-8
        cls.header, cls.pairs = parse(cls.text)
        cls.frequency = {pair: f for pair, f, _ in cls.pairs}

    def test_file_form(self):
        self.assertNotIn(b"\r", self.raw)
        self.assertFalse(self.raw.startswith(b"\xef\xbb\xbf"), "no byte-order mark")
        self.assertTrue(self.raw.endswith(b"\n"))
        self.assertGreater(len(self.header), 3, "a header names the sources")
        self.assertTrue(any("onboard-data" in line for line in self.header))
        self.assertTrue(2000 <= len(self.pairs) <= 20000, len(self.pairs))
        # The header comes first, then only pairs.
        last_header = max(number for number, line in enumerate(self.text.split("\n"), 1)
                          if line.startswith(" "))
        self.assertLess(last_header, self.pairs[0][2])

    def test_every_pair_counts(self):
        for pair, frequency, number in self.pairs:
            with self.subTest(line=number, pair=pair):
                self.assertTrue(1 <= frequency <= MAX_FREQUENCY, frequency)
                for c in pair:
                    self.assertTrue(c.isprintable() and not c.isspace(), repr(c))

    def test_pairs_are_unique_and_sorted(self):
        seen = {}
        for pair, _, number in self.pairs:
            self.assertNotIn(pair, seen, f"line {number} repeats line {seen.get(pair)}")
            seen[pair] = number
        keys = [(-f, pair) for pair, f, _ in self.pairs]
        self.assertEqual(keys, sorted(keys), "sorted by frequency, then by pair")

    def test_letters_of_one_script(self):
        def script(c):
            return unicodedata.name(c, "?").split(" ")[0] if c.isalpha() else None

        for pair, _, number in self.pairs:
            scripts = {script(c) for c in pair} - {None}
            with self.subTest(line=number, pair=pair):
                self.assertLessEqual(len(scripts), 1)
                self.assertLessEqual(scripts, {"LATIN", "GREEK", "CYRILLIC"})

    def test_counted_in_typeset_form(self):
        for pair, _, number in self.pairs:
            with self.subTest(line=number, pair=pair):
                self.assertFalse(set(pair) & set("'\"`"), "straight quotes are typeset")
                self.assertNotIn(pair, ("--", ".."), "dashes and ellipses are typeset")
        marks = "".join(pair for pair in self.frequency)
        for mark in "“”‘’„«»–—…":
            with self.subTest(mark=mark):
                self.assertIn(mark, marks)

    def test_common_pairs_rank_as_in_text(self):
        f = self.frequency
        for pair in ["th", "he", "er", "en", "Th", "TH", "e,", "s.", "00", "19", "’s", "“T",
                     "e”", "ст", "Пр", "το", "ΑΙ", "ße", "é,"]:
            with self.subTest(pair=pair):
                self.assertIn(pair, f)
        # (more frequent, less frequent) in any running text
        for more, less in [("th", "qz"), ("th", "Th"), ("Th", "TH"), ("he", "hx"), ("e,", "e;"),
                           ("s.", "s!"), ("00", "0½"), ("in", "ÿz")]:
            with self.subTest(more=more, less=less):
                self.assertGreater(f[more], f.get(less, 0))


if __name__ == "__main__":
    unittest.main()
