// The compiled substitution table (GSUB) in the host's object form, and the compiled font that
// carries it. Plain values with public members named as the host answers them.
#pragma once

#include "host/MGOrderedDictionary.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

/// The not-found marker of index sets.
constexpr std::size_t NSNotFound = static_cast<std::size_t>(-1);

/// An ascending set of indices walked with firstIndex / indexGreaterThanIndex.
class NSIndexSet {
  public:
    NSIndexSet() = default;
    NSIndexSet(std::initializer_list<std::size_t> l) : s_(l) {}
    void addIndex(std::size_t i) { s_.insert(i); }
    std::size_t count() const { return s_.size(); }
    /// The smallest index, or NSNotFound.
    std::size_t firstIndex() const { return s_.empty() ? NSNotFound : *s_.begin(); }
    /// The smallest index above i, or NSNotFound.
    std::size_t indexGreaterThanIndex(std::size_t i) const {
        auto it = s_.upper_bound(i);
        return it == s_.end() ? NSNotFound : *it;
    }
    /// The indices in ascending order.
    const std::set<std::size_t> &indices() const { return s_; }
    bool operator==(const NSIndexSet &) const = default;

  private:
    std::set<std::size_t> s_;
};

/// A coverage: glyph names in coverage order.
struct GSOTCoverage {
    std::vector<std::string> glyphNames;
    bool operator==(const GSOTCoverage &) const = default;
};

/// Apply lookup `lookupListIndex` at input position `sequenceIndex`.
struct GSOTSubstLookupRecord {
    std::uint16_t sequenceIndex = 0;
    std::uint16_t lookupListIndex = 0;
    bool operator==(const GSOTSubstLookupRecord &) const = default;
};

/// One ligature: the glyph it makes and its components after the first.
struct GSOTLigature {
    std::string ligGlyphName;
    std::vector<std::string> components;
    bool operator==(const GSOTLigature &) const = default;
};

/// A context rule (format 1): the input glyphs after the first and what to apply.
struct GSOTSubRule {
    std::vector<std::string> input;
    std::vector<GSOTSubstLookupRecord> substLookupRecords;
    bool operator==(const GSOTSubRule &) const = default;
};
struct GSOTSubRuleSet {
    std::vector<GSOTSubRule> subRules;
    bool operator==(const GSOTSubRuleSet &) const = default;
};

/// A chaining context rule (format 1). Backtracks are listed nearest to the input first.
struct GSOTChainSubRule {
    std::vector<std::string> backtracks;
    std::vector<std::string> input;
    std::vector<std::string> lookAheads;
    std::vector<GSOTSubstLookupRecord> substLookupRecords;
    bool operator==(const GSOTChainSubRule &) const = default;
};
struct GSOTChainSubRuleSet {
    std::vector<GSOTChainSubRule> chainSubRules;
    bool operator==(const GSOTChainSubRuleSet &) const = default;
};

/// One subtable; which members mean something depends on the lookup type and the format:
/// type 1 `mapping`; types 2 and 3 `sequences` (source → substitutes or alternates); type 4
/// `ligatures`; type 5 `format` with `coverage` + `subRuleSets` (1) or `coverages` +
/// `substLookupRecords` (3); type 6 `format` with `coverage` + `chainSubRuleSets` (1) or the three
/// coverage lists + `substLookupRecords` (3). Format 2 subtables carry only their format.
struct GSOTSubtable {
    MGOrderedDictionary<std::string> mapping;
    MGOrderedDictionary<std::vector<std::string>> sequences;
    MGOrderedDictionary<std::vector<GSOTLigature>> ligatures;
    int format = 0;
    GSOTCoverage coverage;
    std::vector<GSOTSubRuleSet> subRuleSets;
    std::vector<GSOTChainSubRuleSet> chainSubRuleSets;
    std::vector<GSOTCoverage> coverages; ///< context format 3: the input coverages
    std::vector<GSOTCoverage> backtrackCoverages;
    std::vector<GSOTCoverage> inputCoverages;
    std::vector<GSOTCoverage> lookAheadCoverages;
    std::vector<GSOTSubstLookupRecord> substLookupRecords;
    bool operator==(const GSOTSubtable &) const = default;
};

/// One lookup: its type (1 to 8; extension lookups are unwrapped) and subtables.
struct GSOTLookup {
    int lookupType = 0;
    std::vector<GSOTSubtable> subTables;
    bool operator==(const GSOTLookup &) const = default;
};

/// The feature a record points to: its lookup list indices.
struct GSOTFeature {
    NSIndexSet lookupListIndexes;
    bool operator==(const GSOTFeature &) const = default;
};

/// One FeatureList record: tag and feature (a tag recurs for other scripts and languages).
struct GSOTFeatureRecord {
    std::string featureTag;
    GSOTFeature feature;
    bool operator==(const GSOTFeatureRecord &) const = default;
};

struct GSOTFeatureList {
    std::vector<GSOTFeatureRecord> featureRecords;
    bool operator==(const GSOTFeatureList &) const = default;
};
struct GSOTLookupList {
    std::vector<GSOTLookup> lookups;
    bool operator==(const GSOTLookupList &) const = default;
};

/// The GSUB table.
struct GSOTGSUBTable {
    GSOTFeatureList featureList;
    GSOTLookupList lookupList;
    bool operator==(const GSOTGSUBTable &) const = default;
};

/// A compiled table as the compiled font hands it out.
struct GSOTTableEntry {
    std::shared_ptr<GSOTGSUBTable> gsub;
    /// The parsed table.
    const GSOTGSUBTable *table() const { return gsub.get(); }
};

/// The compiled font's tables by tag.
class GSCompiledFontSource {
  public:
    /// The table of that tag ("GSUB"), or nullptr.
    const GSOTTableEntry *tableForKey(const std::string &tag) const {
        auto it = tables_.find(tag);
        return it == tables_.end() ? nullptr : &it->second;
    }
    void setTable(const std::string &tag, GSOTTableEntry entry) { tables_[tag] = std::move(entry); }
    void removeTable(const std::string &tag) { tables_.erase(tag); }

  private:
    std::map<std::string, GSOTTableEntry> tables_;
};

/// The font the host compiles for text layout.
class GSCompositorFont {
  public:
    /// The compiled source with its tables.
    const GSCompiledFontSource *source() const { return &source_; }
    GSCompiledFontSource &mutableSource() { return source_; }

  private:
    GSCompiledFontSource source_;
};
