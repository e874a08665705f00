#!/usr/bin/python3
"""Imports OpenType/TrueType files of one family, one file per master, into one JSON font file.

    tools/import_font.py -o Family.json Family-Light.ttf Family-Bold.ttf
"""

import argparse
import logging
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from zvimport import fontjson, subset  # noqa: E402
from zvimport.family import read_family  # noqa: E402


def main(argv=None):
    summary, _, example = __doc__.partition("\n")
    parser = argparse.ArgumentParser(description=summary, epilog="example:\n" + example.strip("\n"),
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("fonts", nargs="+", help="font files, one per master, in master order")
    parser.add_argument("-o", "--output", required=True, help="JSON font file to write ('-' for stdout)")
    parser.add_argument(
        "--latin-subset",
        action="store_true",
        help=f"keep only the glyphs reachable from the code points of Latin text ({subset.describe()}), "
        "with substitutes and component bases",
    )
    parser.add_argument(
        "--keep-glyph-names",
        action="store_true",
        help="keep fontTools' glyph00123 names of nameless glyphs instead of names derived from GSUB",
    )
    args = parser.parse_args(argv)
    # fontTools warns about harmless oddities (old creation dates); errors still stop the import.
    logging.getLogger("fontTools").setLevel(logging.ERROR)
    try:
        font = read_family(args.fonts, rename_synthetic=not args.keep_glyph_names)
        if args.latin_subset:
            subset.restrict(font)
        text = fontjson.dumps(font)
    except ValueError as error:
        print(f"import_font: {error}", file=sys.stderr)
        return 1
    if args.output == "-":
        sys.stdout.write(text)
    else:
        with open(args.output, "w", encoding="utf-8", newline="\n") as out:
            out.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
