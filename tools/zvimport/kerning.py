"""Existing kerning of a compiled font, flattened to glyph-to-glyph pairs.

The GPOS `kern` feature is read as a shaping engine applies it to a pair of glyphs: its lookups
all apply, one after the other, so their values add up; within one lookup the first subtable that
matches the pair decides. A format 1 subtable matches only the pairs it lists, a format 2
subtable matches every pair whose first glyph it covers (class 0 of the second glyph included,
usually with a zero value), so it hides that first glyph from the subtables after it. The old
`kern` table is read only when the font has no GPOS `kern` feature.
"""

EXTENSION_TYPE = 9
PAIR_TYPE = 2


class KerningError(ValueError):
    """A kerning table the importer cannot read; the message names the place."""


def _x_advance(value_record):
    return getattr(value_record, "XAdvance", 0) or 0 if value_record is not None else 0


def unwrap_lookup_subtables(lookup, extension_type):
    """Answers (type, subtables) of a lookup with extension subtables replaced by what they carry."""
    if lookup.LookupType != extension_type:
        return lookup.LookupType, list(lookup.SubTable)
    subtables = [s.ExtSubTable for s in lookup.SubTable]
    types = {s.ExtensionLookupType for s in lookup.SubTable}
    if len(types) != 1:
        raise KerningError(f"extension lookup mixes subtable types {sorted(types)}")
    return types.pop(), subtables


def _class_members(class_def, glyph_order, class_count):
    """Answers class -> glyph names of a class definition; class 0 holds every unlisted glyph."""
    classes = class_def.classDefs if class_def is not None else {}
    members = [[] for _ in range(class_count)]
    for name in glyph_order:
        c = classes.get(name, 0)
        if c < class_count:
            members[c].append(name)
    return members


def lookup_pairs(subtables, glyph_order):
    """Answers {(left, right): value} of one pair adjustment lookup, first matching subtable wins."""
    values = {}
    claimed_pairs = set()
    claimed_firsts = set()  # first glyphs taken by a class subtable for every second glyph
    for index, subtable in enumerate(subtables):
        coverage = subtable.Coverage.glyphs
        if subtable.Format == 1:
            for first, pair_set in zip(coverage, subtable.PairSet):
                if first in claimed_firsts:
                    continue
                for record in pair_set.PairValueRecord:
                    key = (first, record.SecondGlyph)
                    if key in claimed_pairs:
                        continue
                    claimed_pairs.add(key)
                    values[key] = _x_advance(record.Value1)
        elif subtable.Format == 2:
            class1 = subtable.ClassDef1.classDefs if subtable.ClassDef1 is not None else {}
            seconds = _class_members(subtable.ClassDef2, glyph_order, subtable.Class2Count)
            for first in coverage:
                if first in claimed_firsts:
                    continue
                c1 = class1.get(first, 0)
                if c1 >= subtable.Class1Count:
                    continue  # an out-of-range class does not match
                claimed_firsts.add(first)
                row = subtable.Class1Record[c1].Class2Record
                for c2, record in enumerate(row):
                    value = _x_advance(record.Value1)
                    if value == 0:
                        continue
                    for second in seconds[c2]:
                        key = (first, second)
                        if key not in claimed_pairs:
                            values[key] = value
        else:
            raise KerningError(f"pair adjustment subtable {index} has unknown format {subtable.Format}")
    return values


def gpos_kern_lookup_indices(font):
    """Answers the sorted indices of the GPOS lookups of the `kern` feature, or None without one."""
    if "GPOS" not in font:
        return None
    table = font["GPOS"].table
    if table.FeatureList is None or table.LookupList is None:
        return None
    indices = set()
    found = False
    for record in table.FeatureList.FeatureRecord:
        if record.FeatureTag == "kern":
            found = True
            indices.update(record.Feature.LookupListIndex)
    return sorted(indices) if found else None


def skipped_glyphs(font, lookup_flag, mark_filtering_set=None):
    """Answers the glyphs a lookup steps over (its flags against GDEF's glyph classes): a pair
    listed with such a glyph never forms, since the lookup pairs the glyphs around it instead."""
    if "GDEF" not in font or not lookup_flag & 0xFF1E:
        return set()
    gdef = font["GDEF"].table
    classes = gdef.GlyphClassDef.classDefs if gdef.GlyphClassDef is not None else {}
    attach = gdef.MarkAttachClassDef.classDefs if getattr(gdef, "MarkAttachClassDef", None) else {}
    sets = gdef.MarkGlyphSetsDef.Coverage if getattr(gdef, "MarkGlyphSetsDef", None) else []
    skipped = set()
    for name, c in classes.items():
        if (c == 1 and lookup_flag & 0x2) or (c == 2 and lookup_flag & 0x4):
            skipped.add(name)
        elif c == 3:
            if lookup_flag & 0x8:
                skipped.add(name)
            elif lookup_flag & 0x10 and mark_filtering_set is not None and mark_filtering_set < len(sets):
                if name not in sets[mark_filtering_set].glyphs:
                    skipped.add(name)
            elif lookup_flag & 0xFF00 and attach.get(name, 0) != lookup_flag >> 8:
                skipped.add(name)
    return skipped


def _gpos_kerning(font, indices, glyph_order):
    lookups = font["GPOS"].table.LookupList.Lookup
    total = {}
    for i in indices:
        if i >= len(lookups):
            raise KerningError(f"GPOS feature 'kern' names lookup {i} of {len(lookups)}")
        lookup_type, subtables = unwrap_lookup_subtables(lookups[i], EXTENSION_TYPE)
        if lookup_type != PAIR_TYPE:
            continue  # other positioning (marks, contextual) is not pair kerning
        skipped = skipped_glyphs(font, lookups[i].LookupFlag, getattr(lookups[i], "MarkFilteringSet", None))
        for (left, right), value in lookup_pairs(subtables, glyph_order).items():
            if left not in skipped and right not in skipped:
                total[(left, right)] = total.get((left, right), 0) + value
    return total


def _kern_table_kerning(font):
    total = {}
    for subtable in font["kern"].kernTables:
        coverage = getattr(subtable, "coverage", 1)
        if getattr(subtable, "format", 0) != 0 or not hasattr(subtable, "kernTable"):
            continue  # only format 0 holds plain pairs
        # Apple's and Microsoft's headers code the flags differently.
        if getattr(subtable, "apple", False):
            if coverage & 0xE0:  # vertical, cross-stream or variation subtables
                continue
            override = False
        else:
            if not coverage & 0x01 or coverage & 0x06:  # not horizontal, minimum or cross-stream
                continue
            override = bool(coverage & 0x08)  # replaces what the subtables before gave
        for key, value in subtable.kernTable.items():
            total[key] = value if override else total.get(key, 0) + value
    return total


def font_kerning(font):
    """Answers the font's kerning as [(left name, right name, value)] in glyph order, zeros left out."""
    order = font.getGlyphOrder()
    indices = gpos_kern_lookup_indices(font)
    if indices is not None:
        total = _gpos_kerning(font, indices, order)
    elif "kern" in font:
        total = _kern_table_kerning(font)
    else:
        total = {}
    rank = {name: i for i, name in enumerate(order)}
    pairs = [(l, r, v) for (l, r), v in total.items() if v != 0 and l in rank and r in rank]
    pairs.sort(key=lambda p: (rank[p[0]], rank[p[1]]))
    return pairs
