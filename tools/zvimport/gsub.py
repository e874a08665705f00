"""The compiled GSUB table in the font model's form: feature records and lookups by glyph name.

Extension lookups are unwrapped into the lookup they carry, so that no substitution hides behind
type 7. Class-based context rules (format 2) and reverse chaining lookups are kept as empty
placeholders so that every lookup keeps its index.
"""

EXTENSION_TYPE = 7


class GsubError(ValueError):
    """A GSUB table the importer cannot read; the message names the place."""


def _records(records):
    return [{"sequenceIndex": r.SequenceIndex, "lookupListIndex": r.LookupListIndex} for r in records or []]


def _coverage(coverage):
    return list(coverage.glyphs) if coverage is not None else []


def _context(subtable, place):
    if subtable.Format == 1:
        sets = []
        for rule_set in subtable.SubRuleSet or []:
            rules = rule_set.SubRule if rule_set is not None else []
            sets.append(
                [{"input": list(r.Input), "substLookupRecords": _records(r.SubstLookupRecord)} for r in rules]
            )
        return {"format": 1, "coverage": _coverage(subtable.Coverage), "subRuleSets": sets}
    if subtable.Format == 2:
        return {"format": 2}
    if subtable.Format == 3:
        return {
            "format": 3,
            "inputCoverages": [_coverage(c) for c in subtable.Coverage],
            "substLookupRecords": _records(subtable.SubstLookupRecord),
        }
    raise GsubError(f"{place}: context subtable of unknown format {subtable.Format}")


def _chain_context(subtable, place):
    if subtable.Format == 1:
        sets = []
        for rule_set in subtable.ChainSubRuleSet or []:
            rules = rule_set.ChainSubRule if rule_set is not None else []
            sets.append(
                [
                    {
                        "backtracks": list(r.Backtrack),
                        "input": list(r.Input),
                        "lookAheads": list(r.LookAhead),
                        "substLookupRecords": _records(r.SubstLookupRecord),
                    }
                    for r in rules
                ]
            )
        return {"format": 1, "coverage": _coverage(subtable.Coverage), "chainSubRuleSets": sets}
    if subtable.Format == 2:
        return {"format": 2}
    if subtable.Format == 3:
        return {
            "format": 3,
            "backtrackCoverages": [_coverage(c) for c in subtable.BacktrackCoverage],
            "inputCoverages": [_coverage(c) for c in subtable.InputCoverage],
            "lookAheadCoverages": [_coverage(c) for c in subtable.LookAheadCoverage],
            "substLookupRecords": _records(subtable.SubstLookupRecord),
        }
    raise GsubError(f"{place}: chaining context subtable of unknown format {subtable.Format}")


def _subtable(lookup_type, subtable, place):
    if lookup_type == 1:
        return {"mapping": dict(subtable.mapping)}
    if lookup_type == 2:
        return {"mapping": {k: list(v) for k, v in subtable.mapping.items()}}
    if lookup_type == 3:
        return {"mapping": {k: list(v) for k, v in subtable.alternates.items()}}
    if lookup_type == 4:
        return {
            "ligatures": {
                first: [{"ligGlyphName": l.LigGlyph, "components": list(l.Component)} for l in ligatures]
                for first, ligatures in subtable.ligatures.items()
            }
        }
    if lookup_type == 5:
        return _context(subtable, place)
    if lookup_type == 6:
        return _chain_context(subtable, place)
    if lookup_type == 8:
        return {}
    raise GsubError(f"{place}: unknown lookup type {lookup_type}")


def _lookup(lookup, index):
    place = f"GSUB lookup {index}"
    lookup_type = lookup.LookupType
    subtables = list(lookup.SubTable)
    if lookup_type == EXTENSION_TYPE:
        types = {s.ExtensionLookupType for s in subtables}
        if len(types) > 1:
            raise GsubError(f"{place}: extension subtables of different types {sorted(types)}")
        lookup_type = types.pop() if types else 1
        subtables = [s.ExtSubTable for s in subtables]
        if lookup_type == EXTENSION_TYPE:
            raise GsubError(f"{place}: an extension lookup carries another extension")
    return {
        "type": lookup_type,
        "subtables": [_subtable(lookup_type, s, f"{place} subtable {i}") for i, s in enumerate(subtables)],
    }


def read_gsub(font):
    """Answers {"features": [...], "lookups": [...]} of the font's GSUB table, or None without one."""
    if "GSUB" not in font:
        return None
    table = font["GSUB"].table
    lookups = table.LookupList.Lookup if table.LookupList is not None else []
    result_lookups = [_lookup(lookup, i) for i, lookup in enumerate(lookups)]
    features = []
    for record in table.FeatureList.FeatureRecord if table.FeatureList is not None else []:
        indices = sorted(record.Feature.LookupListIndex)
        for i in indices:
            if i >= len(lookups):
                raise GsubError(f"GSUB feature '{record.FeatureTag}' names lookup {i} of {len(lookups)}")
        features.append({"tag": record.FeatureTag, "lookups": indices})
    for i, lookup in enumerate(result_lookups):
        for record in _all_records(lookup):
            if record["lookupListIndex"] >= len(lookups):
                raise GsubError(f"GSUB lookup {i}: a rule names lookup {record['lookupListIndex']}")
    return {"features": features, "lookups": result_lookups}


def _all_records(lookup):
    for subtable in lookup["subtables"]:
        yield from subtable.get("substLookupRecords", [])
        for rule_set in subtable.get("subRuleSets", []) + subtable.get("chainSubRuleSets", []):
            for rule in rule_set:
                yield from rule["substLookupRecords"]


def substitution_outputs(subtable, lookup_type, kept):
    """Answers the glyphs a subtable can produce from input glyphs that are all in `kept`."""
    if lookup_type in (1, 2, 3):
        for source, out in subtable["mapping"].items():
            if source in kept:
                yield from ([out] if isinstance(out, str) else out)
    elif lookup_type == 4:
        for first, ligatures in subtable["ligatures"].items():
            for ligature in ligatures:
                if first in kept and all(c in kept for c in ligature["components"]):
                    yield ligature["ligGlyphName"]


def restrict(gsub, kept):
    """Answers a copy of the GSUB object with every glyph outside `kept` left out; lookups keep
    their indices, rules and coverage entries that name a dropped glyph go."""
    def names(seq):
        return [n for n in seq if n in kept]

    def all_kept(seq):
        return all(n in kept for n in seq)

    lookups = []
    for lookup in gsub["lookups"]:
        t = lookup["type"]
        subtables = []
        for s in lookup["subtables"]:
            if t == 1:
                s = {"mapping": {k: v for k, v in s["mapping"].items() if k in kept and v in kept}}
            elif t in (2, 3):
                s = {"mapping": {k: v for k, v in s["mapping"].items() if k in kept and all_kept(v)}}
            elif t == 4:
                ligatures = {}
                for first, records in s["ligatures"].items():
                    records = [
                        r for r in records if first in kept and r["ligGlyphName"] in kept and all_kept(r["components"])
                    ]
                    if records:
                        ligatures[first] = records
                s = {"ligatures": ligatures}
            elif s.get("format") == 1:
                key = "subRuleSets" if t == 5 else "chainSubRuleSets"
                pairs = [
                    (g, [r for r in rules if all_kept(r["input"]) and all_kept(r.get("backtracks", []))
                         and all_kept(r.get("lookAheads", []))])
                    for g, rules in zip(s["coverage"], s[key])
                    if g in kept
                ]
                s = {"format": 1, "coverage": [g for g, _ in pairs], key: [rules for _, rules in pairs]}
            elif s.get("format") == 3:
                s = dict(s)
                for key in ("backtrackCoverages", "inputCoverages", "lookAheadCoverages"):
                    if key in s:
                        s[key] = [names(c) for c in s[key]]
                coverages = s.get("backtrackCoverages", []) + s["inputCoverages"] + s.get("lookAheadCoverages", [])
                if any(not c for c in coverages):
                    continue  # a position no kept glyph can fill: the rule never matches
                # keep the key order of the format
                if t == 5:
                    s = {
                        "format": 3,
                        "inputCoverages": s["inputCoverages"],
                        "substLookupRecords": s["substLookupRecords"],
                    }
            subtables.append(s)
        lookups.append({"type": t, "subtables": subtables})
    return {"features": gsub["features"], "lookups": lookups}
