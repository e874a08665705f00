#!/usr/bin/python3
"""Builds resources/pair_frequencies.txt: how often two characters stand side by side in text.

The counts come from text shipped in Debian's packages (pinned below), fetched with
`apt-get download` into a temporary directory and unpacked with `dpkg-deb -x`; nothing downloaded
is kept. Every text is first brought to typeset form for its language (its own quotation marks,
apostrophes, dashes and ellipses), then every ordered pair of adjacent printable, non-space
characters is counted. Letters of two scripts are never paired, and a language counts only letters
of its own script. Words set in capitals are simulated by counting each text once more in capitals
(and once with every word capitalised), weighted down. Figures with figures and punctuation come
from the texts and from generated number formats (years, prices, times, dates, 1,000.00 ...).

Each (language, source) count is normalised to a share, sources are mixed within a language, the
languages are mixed by weight (English heaviest), and the most frequent pairs are kept and scaled
logarithmically into 1 ... 32768, below the engine's marker values (36830 and up) and small enough
that the engine's frequency x 65535 stays inside signed 32 bits.

Usage: tools/make_pair_frequencies.py [--debs DIR] [--output FILE]
  --debs DIR  read the pinned .deb files from DIR instead of downloading them (they must match).
Needs: apt-get and dpkg-deb (Debian bookworm's archive for the pinned versions).
"""

import argparse
import collections
import gzip
import math
import os
import random
import re
import struct
import subprocess
import sys
import tempfile
import unicodedata
import xml.etree.ElementTree as ET
import zlib

# Source packages, pinned: the output changes only when this list or the counting changes.
PACKAGES = {
    "dasher-data": "5.0.0~beta~repack2-4",
    "gnome-user-docs": "43.0-2",
    "r-cran-janeaustenr": "1.0.0-1",
    "onboard-data": "1.4.1-5",
    "fortunes": "1:1.99.1-7.3",
    "fortunes-de": "0.35-1",
    "fortunes-es": "1.36",
    "fortunes-it": "1.99-4.1",
    "fortunes-br": "20220821",
    "fortunes-pl": "0.0.20130525-3",
    "fortunes-cs": "2.0.9-1.1",
    "fortunes-ru": "1.52-3.1",
    "fortunes-bg": "1.4",
}

# Relative weight of each language in the mix (a text in that language is read with this share).
LANGUAGE_WEIGHTS = {
    "en": 30.0, "de": 9.0, "fr": 9.0, "es": 8.0, "it": 6.0, "pt": 5.0, "nl": 4.0, "pl": 4.0,
    "ru": 5.0, "cs": 2.5, "sv": 2.0, "da": 1.5, "nb": 1.5, "fi": 1.5, "hu": 2.0, "ro": 2.0,
    "el": 2.0, "uk": 2.0, "tr": 1.5, "ca": 1.0, "hr": 1.0, "sl": 0.7, "sk": 0.7, "bg": 1.0,
    "sr": 0.7, "lt": 0.5, "lv": 0.5, "gl": 0.5, "eu": 0.3, "sq": 0.3, "cy": 0.3, "ga": 0.3,
}
# The generated figures, as a share of the whole mix.
FIGURES_WEIGHT = 1.2

# Weight of each kind of source within a language: running prose counts most; help pages are
# prose with many interface names; word counts carry no punctuation and no sentence starts.
SOURCE_WEIGHTS = {"prose": 1.0, "help": 0.7, "quotes": 0.8, "words": 0.35}

# Simulated settings in capitals and in capitalised words, relative to the text itself.
ALL_CAPS_WEIGHT = 0.04
CAPITALISED_WEIGHT = 0.05

KEPT_PAIRS = 12000
MAX_FREQUENCY = 32768  # frequency x 65535 must fit in signed 32 bits; markers start at 36830

LATIN, GREEK, CYRILLIC = "LATIN", "GREEK", "CYRILLIC"
SCRIPT_OF_LANGUAGE = collections.defaultdict(lambda: LATIN, el=GREEK, ru=CYRILLIC, uk=CYRILLIC,
                                             bg=CYRILLIC, sr=CYRILLIC)

# (primary open, primary close, secondary open, secondary close) quotation marks per language.
QUOTES = {
    "en": "“”‘’", "de": "„“‚‘", "fr": "«»“”", "es": "«»“”", "it": "«»“”", "pt": "“”‘’",
    "nl": "“”‘’", "pl": "„”«»", "cs": "„“‚‘", "sk": "„“‚‘", "sv": "””’’", "fi": "””’’",
    "da": "»«›‹", "nb": "«»‘’", "hu": "„”»«", "ro": "„”«»", "hr": "„”‘’", "sl": "„“‚‘",
    "ca": "«»“”", "tr": "“”‘’", "el": "«»“”", "ru": "«»„“", "uk": "«»„“", "bg": "„“‚‘",
    "sr": "„”‘’", "lt": "„“‚‘", "lv": "«»„“", "gl": "«»“”", "eu": "«»“”", "sq": "«»“”",
    "cy": "‘’“”", "ga": "“”‘’",
}
NARROW_NBSP = "\u202f"

# Characters of markup and code rather than of typeset text.
EXCLUDED = set("\\^_`|~{}<>=")

# dasher-data training texts (the "C" and "LC" files repeat others in another case).
DASHER_TEXTS = {
    "training_english_GB.txt": "en", "training_german_DE.txt": "de",
    "training_french_FR.txt": "fr", "training_spanish_ES.txt": "es",
    "training_italian_IT.txt": "it", "training_portuguese_BR.txt": "pt",
    "training_dutch_NL.txt": "nl", "training_polish_PL.txt": "pl",
    "training_russian_RU.txt": "ru", "training_czech_CS.txt": "cs",
    "training_swedish_SE.txt": "sv", "training_danish_DK.txt": "da",
    "training_finnish_FI.txt": "fi", "training_hungarian_HU.txt": "hu",
    "training_greek_GR.txt": "el", "training_turkish_TR.txt": "tr",
    "training_basque_ES.txt": "eu", "training_albanian_SQ.txt": "sq",
    "training_welsh_GB.txt": "cy",
}

# gnome-user-docs help directories per language.
HELP_LANGUAGES = {
    "C": "en", "de": "de", "fr": "fr", "es": "es", "it": "it", "pt": "pt", "pt_BR": "pt",
    "nl": "nl", "pl": "pl", "ru": "ru", "cs": "cs", "sv": "sv", "da": "da", "fi": "fi",
    "hu": "hu", "ro": "ro", "el": "el", "uk": "uk", "tr": "tr", "ca": "ca", "hr": "hr",
    "sl": "sl", "sr": "sr", "lt": "lt", "lv": "lv", "gl": "gl",
}

# onboard-data word counts per language.
WORD_COUNTS = {
    "en_GB.lm": "en", "en_US.lm": "en", "de_DE.lm": "de", "fr_FR.lm": "fr", "es_ES.lm": "es",
    "it_IT.lm": "it", "pt_PT.lm": "pt", "pt_BR.lm": "pt", "nl_NL.lm": "nl", "pl_PL.lm": "pl",
    "ru_RU.lm": "ru", "da_DK.lm": "da", "sv_SE.lm": "sv", "ro_RO.lm": "ro", "tr_TR.lm": "tr",
    "el_GR.lm": "el", "bg_BG.lm": "bg", "ga_IE.lm": "ga",
}

# fortunes-* packages and the language of their quotations.
FORTUNES = {
    "fortunes": "en", "fortunes-de": "de", "fortunes-es": "es", "fortunes-it": "it",
    "fortunes-br": "pt", "fortunes-pl": "pl", "fortunes-cs": "cs", "fortunes-ru": "ru",
    "fortunes-bg": "bg",
}


def fail(message):
    sys.exit(f"make_pair_frequencies: {message}")


def deb_file_name(package, version):
    """The file name apt-get download gives a package (the epoch's colon escaped)."""
    return f"{package}_{version.replace(':', '%3a')}_all.deb"


def fetch_and_unpack(work, debs):
    """Unpacks every pinned package into work/<package>; downloads them unless debs is given."""
    if debs is None:
        debs = os.path.join(work, "debs")
        os.makedirs(debs)
        specs = [f"{p}={v}" for p, v in PACKAGES.items()]
        result = subprocess.run(["apt-get", "download", *specs], cwd=debs)
        if result.returncode != 0:
            fail("apt-get download failed (run apt-get update, or pass --debs)")
    for package, version in PACKAGES.items():
        deb = os.path.join(debs, deb_file_name(package, version))
        if not os.path.isfile(deb):
            fail(f"{deb} is missing (the pinned version is {version})")
        subprocess.run(["dpkg-deb", "-x", deb, os.path.join(work, package)], check=True)


# --- Reading the texts -------------------------------------------------------------------------


def read_utf8(path):
    with open(path, "rb") as f:
        return f.read().decode("utf-8", errors="replace")


def dasher_texts(root):
    folder = os.path.join(root, "usr/share/dasher")
    for name, language in sorted(DASHER_TEXTS.items()):
        yield language, "prose", read_utf8(os.path.join(folder, name))


# Mallard elements whose text is code, file names or commands, not prose.
MALLARD_SKIPPED = {"info", "code", "screen", "cmd", "sys", "file", "var", "input", "output",
                   "media", "email", "links"}
MALLARD_BLOCKS = {"p", "title", "desc", "item", "td", "th", "em"}


def mallard_text(path):
    """The prose of one help page, one block element a line."""
    try:
        tree = ET.parse(path)
    except ET.ParseError:
        return ""
    parts = []

    def walk(element):
        tag = element.tag.rsplit("}", 1)[-1]
        if tag in MALLARD_SKIPPED:
            return
        if element.text:
            parts.append(element.text)
        for child in element:
            walk(child)
            if child.tail:
                parts.append(child.tail)
        if tag in MALLARD_BLOCKS:
            parts.append("\n")

    walk(tree.getroot())
    return re.sub(r"[ \t]*\n[ \t]*(?=\S)", " ", "".join(parts))


def help_texts(root):
    base = os.path.join(root, "usr/share/help")
    for folder, language in sorted(HELP_LANGUAGES.items()):
        pages = []
        if not os.path.isdir(os.path.join(base, folder)):
            fail(f"gnome-user-docs has no help in {folder}")
        for guide in sorted(os.listdir(os.path.join(base, folder))):
            guide_dir = os.path.join(base, folder, guide)
            for name in sorted(os.listdir(guide_dir)):
                if name.endswith(".page"):
                    pages.append(mallard_text(os.path.join(guide_dir, name)))
        yield language, "help", "\n".join(pages)


class RReader:
    """Just enough of R's XDR serialisation to read character vectors."""

    def __init__(self, data):
        self.data, self.at, self.refs = data, 0, []

    def int(self):
        value = struct.unpack_from(">i", self.data, self.at)[0]
        self.at += 4
        return value

    def item(self):
        flags = self.int()
        kind, has_attributes, has_tag = flags & 0xFF, flags & (1 << 9), flags & (1 << 10)
        if kind in (254, 253, 252, 251, 250, 249, 248, 247, 246, 242):  # special constants
            return None
        if kind == 255:  # reference to an earlier symbol
            return self.refs[(flags >> 8) - 1]
        if kind == 1:  # symbol
            value = self.item()
            self.refs.append(value)
            return value
        if kind == 9:  # string
            length = self.int()
            if length < 0:
                return None
            raw = self.data[self.at:self.at + length]
            self.at += length
            latin1 = flags & (1 << 14) == 0 and flags & (1 << 2)
            return raw.decode("latin-1" if latin1 else "utf-8", errors="replace")
        if kind == 2:  # pair list
            if has_attributes:
                self.item()
            tag = self.item() if has_tag else None
            return (tag, self.item(), self.item())
        if kind in (16, 19, 20):  # character vector, list, expression
            value = [self.item() for _ in range(self.int())]
        elif kind in (10, 13):
            count = self.int()
            value = list(struct.unpack_from(f">{count}i", self.data, self.at))
            self.at += 4 * count
        elif kind == 14:
            count = self.int()
            value = list(struct.unpack_from(f">{count}d", self.data, self.at))
            self.at += 8 * count
        else:
            fail(f"R data: unexpected type {kind} at byte {self.at}")
        if has_attributes:
            self.item()
        return value

    def top(self):
        if self.data[:2] != b"X\n":
            fail("R data: not in XDR format")
        self.at = 2
        version = self.int()
        self.int()
        self.int()
        if version == 3:
            length = self.int()  # then the native encoding's name
            self.at += length
        return self.item()


def austen_texts(root):
    data = os.path.join(root, "usr/lib/R/site-library/janeaustenr/data")
    with open(os.path.join(data, "Rdata.rdx"), "rb") as f:
        index = RReader(gzip.decompress(f.read())).top()
    with open(os.path.join(data, "Rdata.rdb"), "rb") as f:
        db = f.read()
    books = []
    for offset, length in index[0]:
        lines = RReader(zlib.decompress(db[offset + 4:offset + length])).top()
        # Gutenberg marks italics with underscores.
        books.append("\n".join(line or "" for line in lines).replace("_", ""))
    yield "en", "prose", "\n".join(books)


def fortune_texts(root):
    for package, language in sorted(FORTUNES.items()):
        base = os.path.join(root, package, "usr/share/games/fortunes")
        files = []
        for folder, dirs, names in os.walk(base):
            dirs.sort()
            for name in sorted(names):
                path = os.path.join(folder, name)
                if (os.path.islink(path) or name.endswith((".dat", ".u8")) or "ascii" in name
                        or name in ("art", "asciiart")):
                    continue
                files.append(read_utf8(path))
        text = "\n".join(files)
        text = re.sub(r"(?m)^%$", "\n", text)
        yield package, language, text


def word_counts(root):
    """(language, {word: count}) from the 1-gram sections of onboard's language models."""
    base = os.path.join(root, "usr/share/onboard/models")
    for name, language in sorted(WORD_COUNTS.items()):
        counts = {}
        in_unigrams = False
        for line in read_utf8(os.path.join(base, name)).split("\n"):
            if line.startswith("\\"):
                in_unigrams = line == "\\1-grams:"
                continue
            fields = line.split(" ", 1)
            if in_unigrams and len(fields) == 2 and fields[0].isdigit() and "<" not in fields[1]:
                counts[fields[1]] = counts.get(fields[1], 0) + int(fields[0])
        yield language, counts


# --- Typeset form ------------------------------------------------------------------------------

OPENING_CONTEXT = r"(?:^|(?<=[\s(\[{—–-]))"


def typeset(text, language):
    """The text as it would be typeset in the language: quotes, apostrophes, dashes, ellipses."""
    text = unicodedata.normalize("NFC", text.replace("\r", ""))
    text = text.replace("\u00a0", " ")
    q_open, q_close, s_open, s_close = QUOTES[language]
    text = re.sub(r"\.\.+", "…", text)  # two dots in casual text mean an ellipsis too
    text = text.replace("``", '"').replace("''", '"')
    # Straight double quotes: opening after a space or bracket, else closing.
    text = re.sub(OPENING_CONTEXT + '"', q_open, text, flags=re.M)
    text = text.replace('"', q_close)
    # Apostrophes inside and at the end of words; a quote opening before a letter.
    text = re.sub(r"(?<=\w)['´](?=\w)", "’", text)
    text = re.sub(OPENING_CONTEXT + r"'(?=\d\d)", "’", text, flags=re.M)  # ’90s
    text = re.sub(OPENING_CONTEXT + "'", s_open, text, flags=re.M)
    text = text.replace("'", s_close if language in ("en", "de", "cs", "sk", "sl", "bg") else "’")
    # Dashes: English closes the em dash up; the others set a spaced en dash (Russian an em dash).
    if language == "en":
        text = re.sub(r"(?<=\S)[ \t]*---?[ \t]*(?=\S)", "—", text)
        text = re.sub(r"(?<=\S) - (?=\S)", " – ", text)
        text = re.sub(r"---?", "—", text)
    else:
        dash = "—" if SCRIPT_OF_LANGUAGE[language] == CYRILLIC else "–"
        text = re.sub(r"(?<=\S)[ \t]*---?[ \t]*(?=\S)", f" {dash} ", text)
        text = re.sub(r"(?<=\S) - (?=\S)", f" {dash} ", text)
        text = re.sub(r"---?", dash, text)
    if language == "fr":
        # French sets a thin space inside guillemets and before ; : ! ?
        text = re.sub(r"«\s*", "«" + NARROW_NBSP, text)
        text = re.sub(r"\s*»", NARROW_NBSP + "»", text)
        text = re.sub(r"(?<=\w)\s*([;:!?])", NARROW_NBSP + r"\1", text)
    return text


def in_capitals(text, language):
    """The text as set in capitals."""
    upper = text.upper()
    if language == "el":  # Greek capitals drop the accents and breathings, keep the diaeresis
        decomposed = unicodedata.normalize("NFD", upper)
        upper = unicodedata.normalize("NFC", re.sub("[\u0301\u0313\u0314\u0342]", "", decomposed))
    return upper


def capitalised(text):
    """The text with every word's first letter a capital (headings, names)."""
    return re.sub(r"(?<![\w’'])(\w)", lambda m: m.group(1).upper(), text)


# --- Counting ----------------------------------------------------------------------------------

_character_class = {}


def character_class(c):
    """LATIN, GREEK or CYRILLIC for a letter, "other" for a counted non-letter, None to skip."""
    known = _character_class.get(c)
    if known is not None or c in _character_class:
        return known
    category = unicodedata.category(c)
    result = None
    if c in EXCLUDED or category[0] in "ZCM":
        result = None
    elif category[0] == "L":
        script = unicodedata.name(c, "").split(" ")[0]
        result = script if script in (LATIN, GREEK, CYRILLIC) else None
    elif category[0] in "NPS":
        result = "other"
    _character_class[c] = result
    return result


def pair_allowed(a, b, script):
    ca, cb = character_class(a), character_class(b)
    if ca is None or cb is None:
        return False
    return ca in (script, "other") and cb in (script, "other")


def count_text(text):
    return collections.Counter(zip(text, text[1:]))


def add_counts(target, counts, weight, script):
    for (a, b), n in counts.items():
        if pair_allowed(a, b, script):
            target[a + b] = target.get(a + b, 0.0) + n * weight


def count_with_settings(target, text, language):
    script = SCRIPT_OF_LANGUAGE[language]
    add_counts(target, count_text(text), 1.0, script)
    add_counts(target, count_text(in_capitals(text, language)), ALL_CAPS_WEIGHT, script)
    add_counts(target, count_text(capitalised(text)), CAPITALISED_WEIGHT, script)


def count_words(counts, language):
    script = SCRIPT_OF_LANGUAGE[language]
    result = {}
    for word, n in counts.items():
        # The words carry no quotes to pair up: only apostrophes, dashes and dots to typeset.
        word = re.sub(r"\.\.+", "…", re.sub("--+", "–", word.replace("'", "’").replace('"', "")))
        for form, weight in ((word, 1.0), (in_capitals(word, language), ALL_CAPS_WEIGHT),
                             (capitalised(word), CAPITALISED_WEIGHT)):
            for a, b in zip(form, form[1:]):
                if pair_allowed(a, b, script):
                    result[a + b] = result.get(a + b, 0.0) + n * weight
    return result


# --- Generated figures -------------------------------------------------------------------------


def figures_text(rng, count):
    """Number formats as they appear in running text (English and continental conventions)."""

    def digits(n):
        return str(rng.randrange(10 ** (n - 1) if n > 1 else 0, 10 ** n))

    def thousands(value, sep):
        return f"{value:,}".replace(",", sep)

    formats = [
        lambda: str(rng.randrange(1800, 2031)),  # year
        lambda: f"{rng.randrange(1800, 2031)}–{rng.randrange(0, 100):02d}",
        lambda: f"{rng.randrange(1900, 2000)}–{rng.randrange(1900, 2031)}",
        lambda: f"the {rng.randrange(181, 203)}0s",
        lambda: f"’{rng.randrange(0, 10)}0s",
        lambda: digits(rng.randrange(1, 4)),
        lambda: digits(rng.randrange(1, 3)),
        lambda: f"${rng.randrange(1, 1000)}.{rng.randrange(100):02d}",
        lambda: f"${thousands(rng.randrange(1000, 10 ** 7), ',')}",
        lambda: f"£{rng.randrange(1, 500)}",
        lambda: f"€{rng.randrange(1, 500)}",
        lambda: f"{rng.randrange(1, 500)},{rng.randrange(100):02d} €",
        lambda: f"{thousands(rng.randrange(1000, 10 ** 7), '.')},{rng.randrange(100):02d}",
        lambda: f"{thousands(rng.randrange(1000, 10 ** 7), ',')}.{rng.randrange(100):02d}",
        lambda: thousands(rng.randrange(1000, 10 ** 6), ","),
        lambda: thousands(rng.randrange(1000, 10 ** 6), NARROW_NBSP),
        lambda: f"{rng.randrange(0, 24)}:{rng.randrange(60):02d}",
        lambda: f"{rng.randrange(1, 13)}:{rng.randrange(60):02d} {rng.choice(['a.m.', 'p.m.'])}",
        lambda: f"{rng.randrange(1, 13)}{rng.choice(['am', 'pm'])}",
        lambda: f"{rng.randrange(1, 29)}.{rng.randrange(1, 13)}.{rng.randrange(1950, 2031)}",
        lambda: f"{rng.randrange(1, 29):02d}/{rng.randrange(1, 13):02d}/{rng.randrange(1950, 2031)}",
        lambda: f"{rng.randrange(1950, 2031)}-{rng.randrange(1, 13):02d}-{rng.randrange(1, 29):02d}",
        lambda: f"{rng.randrange(0, 100)}.{rng.randrange(0, 10)}",
        lambda: f"{rng.randrange(0, 100)},{rng.randrange(0, 10)}",
        lambda: f"{rng.randrange(1, 100)}%",
        lambda: f"{rng.randrange(1, 100)} %",
        lambda: f"{rng.randrange(1, 100)}{rng.choice(['st', 'nd', 'rd', 'th'])}",
        lambda: f"{rng.randrange(1, 32)}.",
        lambda: f"No. {rng.randrange(1, 100)}",
        lambda: f"pp. {rng.randrange(1, 300)}–{rng.randrange(300, 600)}",
        lambda: f"#{rng.randrange(1, 100)}",
        lambda: f"+{rng.randrange(1, 100)}",
        lambda: f"−{rng.randrange(1, 100)}",
        lambda: f"{rng.randrange(1, 10)}½",
        lambda: f"{rng.randrange(1, 100)}×{rng.randrange(1, 100)}",
        lambda: f"{rng.randrange(1, 1000)} km",
        lambda: f"{rng.randrange(1, 100)}°",
        lambda: f"+{rng.randrange(1, 100)} {digits(3)} {digits(4)}",
    ]
    before = ["", "", "", "", "(", "“", "["]
    after = ["", "", "", ",", ".", ";", ":", ")", "”", "?", "!", "]"]
    pieces = []
    for _ in range(count):
        number, closing = rng.choice(formats)(), rng.choice(after)
        if number.endswith(".") and closing == ".":  # "a.m." ends a sentence with its own dot
            closing = ""
        pieces.append(rng.choice(before) + number + closing)
    return " ".join(pieces)


# --- Mixing and scaling ------------------------------------------------------------------------


def normalised(counts):
    total = sum(counts.values())
    return {pair: n / total for pair, n in counts.items()} if total > 0 else {}


def build(root):
    per_language = collections.defaultdict(dict)  # language -> source kind -> counts
    provenance = []

    def add(language, kind, counts):
        target = per_language[language].setdefault(kind, {})
        for pair, n in normalised(counts).items():
            target[pair] = target.get(pair, 0.0) + n

    texts = [(lang, kind, text, "dasher-data") for lang, kind, text in dasher_texts(
        os.path.join(root, "dasher-data"))]
    texts += [(lang, kind, text, "gnome-user-docs") for lang, kind, text in help_texts(
        os.path.join(root, "gnome-user-docs"))]
    texts += [(lang, kind, text, "r-cran-janeaustenr") for lang, kind, text in austen_texts(
        os.path.join(root, "r-cran-janeaustenr"))]
    texts += [(lang, "quotes", text, package) for package, lang, text in fortune_texts(root)]
    for language, kind, text, package in texts:
        counts = {}
        count_with_settings(counts, typeset(text, language), language)
        add(language, kind, counts)
        provenance.append((package, language, len(text)))
    for language, words in word_counts(os.path.join(root, "onboard-data")):
        add(language, "words", count_words(words, language))
        provenance.append(("onboard-data", language, len(words)))

    total = {}
    weight_sum = sum(LANGUAGE_WEIGHTS[lang] for lang in per_language) + FIGURES_WEIGHT
    for language in sorted(per_language):
        mixed = {}
        for kind in sorted(per_language[language]):
            # A source kind met in several packages of one language counts once in the mix.
            share = normalised(per_language[language][kind])
            for pair, n in share.items():
                mixed[pair] = mixed.get(pair, 0.0) + n * SOURCE_WEIGHTS[kind]
        for pair, n in normalised(mixed).items():
            total[pair] = total.get(pair, 0.0) + n * LANGUAGE_WEIGHTS[language] / weight_sum
    figures = {}
    add_counts(figures, count_text(figures_text(random.Random(7), 60000)), 1.0, LATIN)
    for pair, n in normalised(figures).items():
        total[pair] = total.get(pair, 0.0) + n * FIGURES_WEIGHT / weight_sum
    return total, provenance


def scaled(total):
    """The kept pairs with frequencies 1 ... MAX_FREQUENCY, most frequent first (ties by pair)."""
    ranked = sorted(total.items(), key=lambda item: (-item[1], item[0]))[:KEPT_PAIRS]
    top, bottom = ranked[0][1], ranked[-1][1]
    span = math.log(top / bottom)
    result = []
    for pair, share in ranked:
        frequency = 1 + round((MAX_FREQUENCY - 1) * math.log(share / bottom) / span)
        result.append((pair, frequency))
    result.sort(key=lambda item: (-item[1], item[0]))
    return result


def header(provenance):
    languages = collections.defaultdict(set)
    for package, language, _ in provenance:
        languages[package].add(language)
    lines = [
        "Zelvar pair frequencies: how often two characters stand side by side in running text.",
        "Made by tools/make_pair_frequencies.py; do not edit by hand.",
        "Format: a line of two characters, a space and the frequency (1 ... 32768, higher is more",
        "frequent); lines starting with a space, like these, are comments.",
        "Sources (Debian packages, bookworm):",
    ]
    for package, version in PACKAGES.items():
        lines.append(f"  {package} {version}: {', '.join(sorted(languages[package]))}")
    lines += [
        "Counting: each text in typeset form for its language (quotation marks, apostrophes,",
        "dashes, ellipses); ordered pairs of adjacent printable non-space characters; letters of",
        "one script only (Latin, Greek or Cyrillic, the language's own); capitals simulated by",
        f"counting each text in capitals (x{ALL_CAPS_WEIGHT}) and with words capitalised "
        f"(x{CAPITALISED_WEIGHT});",
        "generated number formats for figures. Each source's counts are shares; sources mixed",
        f"within a language ({', '.join(f'{k} {v}' for k, v in SOURCE_WEIGHTS.items())}),",
        "languages by weight: " + ", ".join(f"{k} {v:g}" for k, v in LANGUAGE_WEIGHTS.items()
                                             if any(k in found for found in languages.values())),
        f"figures {FIGURES_WEIGHT:g}. The {KEPT_PAIRS} most frequent pairs are kept and scaled",
        f"logarithmically into 1 ... {MAX_FREQUENCY}; sorted by frequency, then by pair.",
    ]
    out = []
    for line in lines:
        out.append(" " + line)
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--debs", help="folder holding the pinned .deb files")
    here = os.path.dirname(os.path.abspath(__file__))
    parser.add_argument("--output", default=os.path.join(here, "..", "resources",
                                                        "pair_frequencies.txt"))
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="zv-pairfreq-") as work:
        fetch_and_unpack(work, os.path.abspath(args.debs) if args.debs else None)
        total, provenance = build(work)
    lines = header(provenance) + [f"{pair} {frequency}" for pair, frequency in scaled(total)]
    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    print(f"wrote {len(lines)} lines to {args.output}")


if __name__ == "__main__":
    main()
