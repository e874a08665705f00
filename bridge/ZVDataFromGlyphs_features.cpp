// The font's substitutions as the engine needs them: the instances' "Rename Glyphs" parameters
// and the compiled GSUB table, read into feature records, and the glyph flags they give.
#include "bridge/ZVDataFromGlyphs.h"

#include "bridge/ZVOTFeatures.h"

#include <algorithm>
#include <cstdio>

using namespace PLXlibNamespaceForZV;

namespace {

// Trims blanks and line ends.
std::string trimmed(const std::string &s) {
    const char *space = " \t\n\r\f\v";
    const std::size_t a = s.find_first_not_of(space);
    if (a == std::string::npos)
        return "";
    return s.substr(a, s.find_last_not_of(space) - a + 1);
}

std::vector<std::string> split(const std::string &s, char c) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t at = s.find(c); at != std::string::npos; at = s.find(c, start)) {
        out.push_back(s.substr(start, at - start));
        start = at + 1;
    }
    out.push_back(s.substr(start));
    return out;
}

bool covers(const GSOTCoverage &coverage, const std::string &name) {
    return std::find(coverage.glyphNames.begin(), coverage.glyphNames.end(), name) !=
           coverage.glyphNames.end();
}

void appendAll(std::vector<ZVsinglesub> &to, const std::vector<ZVsinglesub> &from) {
    to.insert(to.end(), from.begin(), from.end());
}

// Adds all four lists and the lookups of `from` to `to`.
void merge(ZVfeature &to, const ZVfeature &from) {
    appendAll(to.substitutions, from.substitutions);
    appendAll(to.left_substitutions, from.left_substitutions);
    appendAll(to.right_substitutions, from.right_substitutions);
    to.pair_substitutions.insert(to.pair_substitutions.end(), from.pair_substitutions.begin(),
                                 from.pair_substitutions.end());
    to.lookups.insert(from.lookups.begin(), from.lookups.end());
}

// A position of a context rule seen as the right glyph of a pair (nothing before it).
void contributeAsRightGlyph(ZVfeature &result, const ZVfeature &position) {
    appendAll(result.right_substitutions, position.substitutions);
    appendAll(result.right_substitutions, position.right_substitutions);
    result.lookups.insert(position.lookups.begin(), position.lookups.end());
}

// A position of a context rule seen as the left glyph of a pair (nothing after it).
void contributeAsLeftGlyph(ZVfeature &result, const ZVfeature &position) {
    appendAll(result.left_substitutions, position.substitutions);
    appendAll(result.left_substitutions, position.left_substitutions);
    result.lookups.insert(position.lookups.begin(), position.lookups.end());
}

// Pair substitutions of two neighbouring positions that both substitute.
void addNeighbourPairs(ZVfeature &result, const std::vector<ZVfeature> &positions) {
    for (std::size_t p = 0; p + 1 < positions.size(); ++p)
        for (const ZVsinglesub &ab : positions[p].substitutions)
            for (const ZVsinglesub &cd : positions[p + 1].substitutions)
                result.pair_substitutions.push_back(
                    {ab.source, cd.source, ab.substitute, cd.substitute});
}

template <class T, class Less> void sortUnique(std::vector<T> &v, Less less) {
    std::sort(v.begin(), v.end(), less);
    v.erase(std::unique(v.begin(), v.end(),
                        [&](const T &a, const T &b) { return !less(a, b) && !less(b, a); }),
            v.end());
}

void clean(ZVfeature &f) {
    const auto singleLess = [](const ZVsinglesub &a, const ZVsinglesub &b) {
        return std::pair(a.source, a.substitute) < std::pair(b.source, b.substitute);
    };
    for (std::vector<ZVsinglesub> *list :
         {&f.substitutions, &f.left_substitutions, &f.right_substitutions}) {
        std::erase_if(*list, [](const ZVsinglesub &s) { return s.source == s.substitute; });
        sortUnique(*list, singleLess);
    }
    std::erase_if(f.pair_substitutions, [](const ZVpairsub &s) {
        return s.left == s.left_substitute && s.right == s.right_substitute;
    });
    sortUnique(f.pair_substitutions, [](const ZVpairsub &a, const ZVpairsub &b) {
        return std::tuple(a.left, a.right, a.left_substitute, a.right_substitute) <
               std::tuple(b.left, b.right, b.left_substitute, b.right_substitute);
    });
}

} // namespace

void ZVDataFromGlyphs::initOTFeatures() {
    const GSFont *font = gsfont();
    if (!font)
        return;
    std::vector<ZVfeature> &features = zvfont_.features.features;

    // "Rename Glyphs" ("new=old" lines) of every instance.
    int i = 0;
    for (const GSInstance &instance : font->instances()) {
        int j = 0;
        for (const GSCustomParameter &param : instance.customParameters()) {
            if (param.name() != "Rename Glyphs")
                continue;
#if ZV_HOST_VERSION == 2
            const PlistValue &value = param.propertyListValue();
#else
            if (!param.active())
                continue;
            const PlistValue &value = param.value();
#endif
            char tag[32];
            std::snprintf(tag, sizeof tag, "Rename%i-%i", i, j);
            ZVfeature &target = find_or_add_feature(features, tag);
            const PlistArray *lines = value.asArray();
            if (!lines)
                continue; // not counted: the next list of the instance lands here too
            for (const PlistValue &line : *lines) {
                const std::string *text = line.asString();
                const std::vector<std::string> parts =
                    text ? split(*text, '=') : std::vector<std::string>{};
                if (parts.size() != 2)
                    continue;
                const std::uint16_t renamed = zvIndexForGlyphName(trimmed(parts[0]));
                const std::uint16_t original = zvIndexForGlyphName(trimmed(parts[1]));
                if (renamed == ZV_NO_GLYPH || original == ZV_NO_GLYPH)
                    continue;
                target.substitutions.push_back({original, renamed});
            }
            ++j;
        }
        ++i;
    }

    // The compiled GSUB table: every record of a tag (one per script and language) into one
    // feature.
    const GSCompiledFontSource *source = font->compositorFont()->source();
    const GSOTTableEntry *entry = source ? source->tableForKey("GSUB") : nullptr;
    if (const GSOTGSUBTable *gsub = entry ? entry->table() : nullptr) {
        const std::vector<GSOTLookup> &lookups = gsub->lookupList.lookups;
        for (const GSOTFeatureRecord &record : gsub->featureList.featureRecords) {
            // The target is found again after each read: a read never appends to the list, but
            // the reference must not outlive another find_or_add_feature.
            find_or_add_feature(features, record.featureTag);
            const NSIndexSet &indexes = record.feature.lookupListIndexes;
            for (std::size_t k = indexes.firstIndex(); k != NSNotFound;
                 k = indexes.indexGreaterThanIndex(k)) {
                if (k >= lookups.size())
                    continue;
                const ZVfeature f = featureFromLookupIndex(static_cast<std::uint16_t>(k), lookups);
                merge(find_or_add_feature(features, record.featureTag), f);
            }
        }
    }

    // Small capitals from capitals also reach everything small capitals do.
    auto byTag = [&](const char *tag) -> ZVfeature * {
        for (ZVfeature &f : features)
            if (f.tag == tag)
                return &f;
        return nullptr;
    };
    if (ZVfeature *smcp = byTag("smcp"))
        if (ZVfeature *c2sc = byTag("c2sc"))
            merge(*c2sc, ZVfeature(*smcp));

    for (ZVfeature &f : features)
        clean(f);
    std::stable_sort(features.begin(), features.end(), compare_features_by_lookups);

    // Flags, feature after feature: a substitute marked reachable passes the mark on through the
    // features after it.
    std::vector<ZVglyph_category> &categories = zvfont_.glyphsinfo._category_for_index;
    for (const ZVfeature &f : features) {
        for (const std::vector<ZVsinglesub> *list :
             {&f.substitutions, &f.left_substitutions, &f.right_substitutions})
            for (const ZVsinglesub &s : *list)
                set_glyph_flags_from_feature(f, categories, s.source, s.substitute);
        for (const ZVpairsub &p : f.pair_substitutions) {
            set_glyph_flags_from_feature(f, categories, p.left, p.left_substitute);
            set_glyph_flags_from_feature(f, categories, p.right, p.right_substitute);
        }
    }
    for (const ZVglyph_pair &p : zvfont_.features.composites_pairs)
        for (const std::uint16_t g : {p.first, p.second})
            if (g < categories.size())
                categories[g].flags |= ZV_COMPOSITES_PAIR_MEMBER;
}

std::optional<ZVfeature> ZVDataFromGlyphs::nestedLookup(std::size_t n,
                                                        const std::vector<GSOTLookup> &lookups,
                                                        const GSOTCoverage *coverage) {
    // A lookup that names itself, directly or through others, is not read again.
    if (n >= lookups.size() || lookupsBeingRead_.count(static_cast<std::uint16_t>(n)))
        return std::nullopt;
    const auto index = static_cast<std::uint16_t>(n);
    lookupsBeingRead_.insert(index);
    ZVfeature f = featureFromLookup(lookups[n], lookups, coverage);
    lookupsBeingRead_.erase(index);
    f.lookups.insert(index);
    return f;
}

ZVfeature ZVDataFromGlyphs::featureFromLookupIndex(std::uint16_t index,
                                                   const std::vector<GSOTLookup> &allLookups) {
    return nestedLookup(index, allLookups, nullptr).value_or(ZVfeature{});
}

ZVfeature ZVDataFromGlyphs::featureFromLookup(const GSOTLookup &lookup,
                                              const std::vector<GSOTLookup> &allLookups,
                                              const GSOTCoverage *coverage) {
    switch (lookup.lookupType) {
    case 1:
        return featureFromOTSingleSubst(lookup.subTables, coverage);
    case 3:
        return featureFromOTAlternateSubst(lookup.subTables);
    case 4:
        return featureFromOTLigatureSubst(lookup.subTables);
    case 5:
        return featureFromOTContextSubst(lookup.subTables, allLookups);
    case 6:
        return featureFromOTChainContextSubst(lookup.subTables, allLookups);
    default:
        return {}; // multiple, extension, reverse chaining and unknown types add nothing
    }
}

ZVfeature ZVDataFromGlyphs::featureFromOTSingleSubst(const std::vector<GSOTSubtable> &subtables,
                                                     const GSOTCoverage *coverage) {
    ZVfeature f;
    for (const GSOTSubtable &st : subtables)
        for (const auto &[from, to] : st.mapping) {
            if ((coverage && !covers(*coverage, from)) || to == from)
                continue;
            const std::uint16_t s = zvIndexForGlyphName(from), t = zvIndexForGlyphName(to);
            if (s != ZV_NO_GLYPH && t != ZV_NO_GLYPH)
                f.substitutions.push_back({s, t});
        }
    return f;
}

ZVfeature
ZVDataFromGlyphs::featureFromOTAlternateSubst(const std::vector<GSOTSubtable> &subtables) {
    ZVfeature f;
    for (const GSOTSubtable &st : subtables)
        for (const auto &[from, alternates] : st.sequences)
            for (const std::string &to : alternates) {
                if (to == from)
                    continue;
                const std::uint16_t s = zvIndexForGlyphName(from), t = zvIndexForGlyphName(to);
                if (s != ZV_NO_GLYPH && t != ZV_NO_GLYPH)
                    f.substitutions.push_back({s, t});
            }
    return f;
}

ZVfeature ZVDataFromGlyphs::featureFromOTLigatureSubst(const std::vector<GSOTSubtable> &subtables) {
    ZVfeature f;
    for (const GSOTSubtable &st : subtables)
        for (const auto &[firstName, ligatures] : st.ligatures)
            for (const GSOTLigature &lig : ligatures) {
                const std::uint16_t L = zvIndexForGlyphName(lig.ligGlyphName);
                if (L == ZV_NO_GLYPH)
                    continue;
                const std::uint16_t F = zvIndexForGlyphName(firstName);
                // A ligature of one glyph has no last component after the first.
                const std::uint16_t T = lig.components.empty()
                                            ? ZV_NO_GLYPH
                                            : zvIndexForGlyphName(lig.components.back());
                if (T != ZV_NO_GLYPH && T != L)
                    f.left_substitutions.push_back({T, L});
                if (F != ZV_NO_GLYPH && F != L)
                    f.right_substitutions.push_back({F, L});
            }
    return f;
}

ZVfeature
ZVDataFromGlyphs::featureFromSubstLookupRecords(const std::vector<GSOTSubstLookupRecord> &records,
                                                const std::vector<GSOTLookup> &lookups,
                                                const GSOTCoverage *inputCoverage) {
    ZVfeature result;
    for (const GSOTSubstLookupRecord &r : records)
        if (const std::optional<ZVfeature> f =
                nestedLookup(r.lookupListIndex, lookups, inputCoverage))
            merge(result, *f);
    return result;
}

std::vector<ZVfeature>
ZVDataFromGlyphs::positionFeatures(const std::vector<GSOTCoverage> &inputCoverages,
                                   const std::vector<GSOTSubstLookupRecord> &records,
                                   const std::vector<GSOTLookup> &lookups) {
    std::vector<ZVfeature> positions(inputCoverages.size());
    for (const GSOTSubstLookupRecord &r : records) {
        if (r.sequenceIndex >= positions.size())
            continue; // a place the rule does not have
        if (std::optional<ZVfeature> f =
                nestedLookup(r.lookupListIndex, lookups, &inputCoverages[r.sequenceIndex]))
            positions[r.sequenceIndex] = std::move(*f); // a later record for the place replaces
    }
    return positions;
}

ZVfeature ZVDataFromGlyphs::featureFromOTContextSubst(const std::vector<GSOTSubtable> &subtables,
                                                      const std::vector<GSOTLookup> &lookups) {
    ZVfeature result;
    for (const GSOTSubtable &st : subtables) {
        if (st.format == 1) {
            for (const GSOTSubRuleSet &set : st.subRuleSets)
                for (const GSOTSubRule &rule : set.subRules) {
                    const ZVfeature f =
                        featureFromSubstLookupRecords(rule.substLookupRecords, lookups, nullptr);
                    contributeAsRightGlyph(result, f);
                    contributeAsLeftGlyph(result, f);
                }
        } else if (st.format == 3) {
            const std::vector<GSOTCoverage> &inputs =
                st.inputCoverages.empty() ? st.coverages : st.inputCoverages;
            const std::vector<ZVfeature> positions =
                positionFeatures(inputs, st.substLookupRecords, lookups);
            if (positions.empty())
                continue;
            contributeAsRightGlyph(result, positions.front());
            contributeAsLeftGlyph(result, positions.back());
            addNeighbourPairs(result, positions);
        }
        // Format 2 (by glyph classes) is not read.
    }
    return result;
}

ZVfeature
ZVDataFromGlyphs::featureFromOTChainContextSubst(const std::vector<GSOTSubtable> &subtables,
                                                 const std::vector<GSOTLookup> &lookups) {
    ZVfeature result;
    for (const GSOTSubtable &st : subtables) {
        if (st.format == 1) {
            for (const GSOTChainSubRuleSet &set : st.chainSubRuleSets)
                for (const GSOTChainSubRule &rule : set.chainSubRules) {
                    const ZVfeature f = featureFromSubstLookupRecords(rule.substLookupRecords,
                                                                      lookups, &st.coverage);
                    const std::uint16_t b = rule.backtracks.empty()
                                                ? ZV_NO_GLYPH
                                                : zvIndexForGlyphName(rule.backtracks.front());
                    const std::uint16_t l = rule.lookAheads.empty()
                                                ? ZV_NO_GLYPH
                                                : zvIndexForGlyphName(rule.lookAheads.front());
                    add_substitutions_after_glyph(result, b, f);
                    add_substitutions_before_glyph(result, f, l);
                }
        } else if (st.format == 3) {
            const std::vector<ZVfeature> positions =
                positionFeatures(st.inputCoverages, st.substLookupRecords, lookups);
            if (positions.empty())
                continue;
            addNeighbourPairs(result, positions);
            if (!st.backtrackCoverages.empty()) {
                for (const std::string &name : st.backtrackCoverages.front().glyphNames)
                    add_substitutions_after_glyph(result, zvIndexForGlyphName(name),
                                                  positions.front());
            } else {
                contributeAsRightGlyph(result, positions.front());
            }
            if (!st.lookAheadCoverages.empty()) {
                for (const std::string &name : st.lookAheadCoverages.front().glyphNames)
                    add_substitutions_before_glyph(result, positions.back(),
                                                   zvIndexForGlyphName(name));
            } else {
                contributeAsLeftGlyph(result, positions.back());
            }
        }
    }
    return result;
}
