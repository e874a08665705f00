#include "plugin/ZVgpossize.h"

#include <algorithm>
#include <numeric>
#include <unordered_map>

// The layout follows the OpenType GPOS format (header 1.0, one script DFLT/dflt, one feature, one
// lookup of type 2, or of type 9 when extended) and fontTools' serializer (otBase.OTTableWriter):
// tables are nodes, identical tables below a lookup are stored once, the node order is the
// serializer's, and an offset that does not fit in 16 bits is resolved the way
// otTables.fixSubTableOverFlows / fixLookupOverFlows resolve it.

namespace {

constexpr std::size_t kMaxOffset16 = 65535;
/// Every overflow changes the tables; this bounds the rounds for input the rules cannot fit.
constexpr int kMaxRounds = 100000;

enum class Kind : std::uint8_t {
    Header,
    LookupList,
    Lookup,
    PairPos,
    Extension,
    Coverage,
    PairSet,
    ClassDef,
};

void put16(std::string &s, unsigned v) {
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
    s.push_back(static_cast<char>(v & 0xFF));
}

/// A Coverage table's bytes (glyph ids ascending), in the smaller format as fontTools picks it.
std::string coverage_bytes(const std::vector<std::uint16_t> &glyphs) {
    std::size_t ranges = 0;
    for (std::size_t i = 0; i < glyphs.size(); ++i)
        if (i == 0 || glyphs[i] != glyphs[i - 1] + 1)
            ++ranges;
    std::string s;
    if (ranges * 3 < glyphs.size()) {
        put16(s, 2);
        put16(s, static_cast<unsigned>(ranges));
        for (std::size_t i = 0, index = 0; i < glyphs.size();) {
            std::size_t j = i + 1;
            while (j < glyphs.size() && glyphs[j] == glyphs[j - 1] + 1)
                ++j;
            put16(s, glyphs[i]);
            put16(s, glyphs[j - 1]);
            put16(s, static_cast<unsigned>(index));
            index += j - i;
            i = j;
        }
    } else {
        put16(s, 1);
        put16(s, static_cast<unsigned>(glyphs.size()));
        for (std::uint16_t g : glyphs)
            put16(s, g);
    }
    return s;
}

/// A ClassDef table's bytes from (glyph id, class ≠ 0) sorted by glyph id, in the format
/// fontTools picks (format 2 only when strictly smaller).
std::string classdef_bytes(const std::vector<std::pair<std::uint16_t, std::uint32_t>> &classes) {
    std::string s;
    if (classes.empty()) {
        put16(s, 2);
        put16(s, 0);
        return s;
    }
    std::size_t ranges = 0;
    for (std::size_t i = 0; i < classes.size(); ++i)
        if (i == 0 || classes[i].first != classes[i - 1].first + 1 ||
            classes[i].second != classes[i - 1].second)
            ++ranges;
    const std::size_t first = classes.front().first;
    const std::size_t count = classes.back().first - first + 1;
    if (ranges * 3 < count + 1) {
        put16(s, 2);
        put16(s, static_cast<unsigned>(ranges));
        for (std::size_t i = 0; i < classes.size();) {
            std::size_t j = i + 1;
            while (j < classes.size() && classes[j].first == classes[j - 1].first + 1 &&
                   classes[j].second == classes[i].second)
                ++j;
            put16(s, classes[i].first);
            put16(s, classes[j - 1].first);
            put16(s, classes[i].second);
            i = j;
        }
    } else {
        put16(s, 1);
        put16(s, static_cast<unsigned>(first));
        put16(s, static_cast<unsigned>(count));
        std::vector<std::uint32_t> values(count, 0);
        for (const auto &[glyph, c] : classes)
            values[glyph - first] = c;
        for (std::uint32_t c : values)
            put16(s, c);
    }
    return s;
}

/// One pair-positioning subtable while the overflow rules reshape the lookup.
struct Subtable {
    int format = 1;
    bool inner_unshared = false;          ///< the subtable's own tables are not shared
    bool wrapper_unshared = false;        ///< set on its extension wrapper (shares nothing anyway)
    std::vector<std::uint32_t> pair_sets; ///< format 1: indices of the pair sets, in coverage order
    std::vector<std::uint16_t> coverage;  ///< format 2: the first glyphs covered
    std::vector<std::pair<std::uint16_t, std::uint32_t>> class_def1; ///< format 2, class ≠ 0
    std::uint32_t class1_count = 0;
};

struct Node {
    Kind kind = Kind::Header;
    std::uint32_t size = 0;
    int subtable = -1;
    bool extension = false; ///< its subtree is shared and placed apart (an extension wrapper)
    std::vector<std::uint32_t> children;
    std::vector<std::uint8_t> offset_sizes;
};

/// The kerning turned into the compiler's tables.
struct Layout {
    // Format 1: one pair set per first glyph, ascending.
    std::vector<std::uint16_t> first_glyphs;
    std::vector<std::string> pair_set_bytes;
    // Format 2.
    bool has_classes = false;
    std::vector<std::uint16_t> class_coverage;
    std::vector<std::pair<std::uint16_t, std::uint32_t>> class_def1, class_def2;
    std::uint32_t class1_count = 0, class2_count = 0;
    std::string class_def2_bytes;
};

Layout make_layout(const ZVgposkerning &k, const std::vector<std::string> &names) {
    Layout out;
    std::vector<ZVgposglyphpair> pairs = k.glyph_pairs;
    const auto by_glyphs = [](const ZVgposglyphpair &a, const ZVgposglyphpair &b) {
        return a.left != b.left ? a.left < b.left : a.right < b.right;
    };
    if (!std::is_sorted(pairs.begin(), pairs.end(), by_glyphs))
        std::stable_sort(pairs.begin(), pairs.end(), by_glyphs);
    // The first statement of a glyph pair wins, as in the compiler.
    pairs.erase(std::unique(pairs.begin(), pairs.end(),
                            [](const auto &a, const auto &b) {
                                return a.left == b.left && a.right == b.right;
                            }),
                pairs.end());
    for (std::size_t i = 0; i < pairs.size();) {
        std::size_t j = i;
        while (j < pairs.size() && pairs[j].left == pairs[i].left)
            ++j;
        std::string s;
        s.push_back('S');
        put16(s, static_cast<unsigned>(j - i));
        for (std::size_t p = i; p < j; ++p) {
            put16(s, pairs[p].right);
            put16(s, static_cast<std::uint16_t>(static_cast<std::int16_t>(pairs[p].value)));
        }
        out.first_glyphs.push_back(pairs[i].left);
        out.pair_set_bytes.push_back(std::move(s));
        i = j;
    }

    if (k.class_pairs.empty())
        return out;
    out.has_classes = true;
    std::vector<bool> left_used(k.left_classes.size()), right_used(k.right_classes.size());
    for (const ZVgposclasspair &p : k.class_pairs) {
        if (p.left < left_used.size())
            left_used[p.left] = true;
        if (p.right < right_used.size())
            right_used[p.right] = true;
    }
    // Class numbers as the compiler gives them: larger classes first, equal sizes by their
    // member names in descending order; the first left class is class 0 and is not stored.
    const auto ordered = [&](const std::vector<std::vector<std::uint16_t>> &classes,
                             const std::vector<bool> &used) {
        std::vector<std::uint32_t> order;
        for (std::uint32_t c = 0; c < classes.size(); ++c)
            if (used[c] && !classes[c].empty())
                order.push_back(c);
        const auto name = [&](std::uint16_t g) -> const std::string & {
            static const std::string none;
            return g < names.size() ? names[g] : none;
        };
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            const auto &x = classes[a], &y = classes[b];
            if (x.size() != y.size())
                return x.size() > y.size();
            return std::lexicographical_compare(
                y.begin(), y.end(), x.begin(), x.end(),
                [&](std::uint16_t p, std::uint16_t q) { return name(p) < name(q); });
        });
        return order;
    };
    const std::vector<std::uint32_t> left = ordered(k.left_classes, left_used);
    const std::vector<std::uint32_t> right = ordered(k.right_classes, right_used);
    for (std::uint32_t id = 0; id < left.size(); ++id)
        for (std::uint16_t g : k.left_classes[left[id]]) {
            out.class_coverage.push_back(g);
            if (id != 0)
                out.class_def1.emplace_back(g, id);
        }
    for (std::uint32_t id = 0; id < right.size(); ++id)
        for (std::uint16_t g : k.right_classes[right[id]])
            out.class_def2.emplace_back(g, id + 1);
    std::sort(out.class_coverage.begin(), out.class_coverage.end());
    out.class_coverage.erase(std::unique(out.class_coverage.begin(), out.class_coverage.end()),
                             out.class_coverage.end());
    std::sort(out.class_def1.begin(), out.class_def1.end());
    std::sort(out.class_def2.begin(), out.class_def2.end());
    out.class1_count = static_cast<std::uint32_t>(left.size());
    out.class2_count = static_cast<std::uint32_t>(right.size() + 1);
    out.class_def2_bytes = 'C' + classdef_bytes(out.class_def2);
    return out;
}

/// Builds the serializer's node graph for one compile round, identical tables merged.
class Graph {
  public:
    Graph(const Layout &layout, const std::vector<Subtable> &subtables, bool extension)
        : layout_(layout) {
        const std::uint32_t root = add(Kind::Header, 10);
        const std::uint32_t script_list = add(Kind::Header, 8);
        const std::uint32_t script = add(Kind::Header, 4);
        link(script, add(Kind::Header, 8), 2); // LangSys with the one feature
        link(script_list, script, 2);
        const std::uint32_t feature_list = add(Kind::Header, 8);
        link(feature_list, add(Kind::Header, 6), 2);
        const std::uint32_t lookup_list = add(Kind::LookupList, 4);
        const std::uint32_t lookup =
            add(Kind::Lookup, static_cast<std::uint32_t>(6 + 2 * subtables.size()));
        link(root, script_list, 2);
        link(root, feature_list, 2);
        link(root, lookup_list, 2);
        link(lookup_list, lookup, 2);
        Scope global;
        for (std::size_t i = 0; i < subtables.size(); ++i) {
            if (extension) {
                const std::uint32_t wrapper = add(Kind::Extension, 8);
                nodes_[wrapper].extension = true;
                Scope own; // an extension's tables are shared only below it
                link(wrapper, subtable(subtables[i], static_cast<int>(i), own), 4);
                link(lookup, wrapper, 2);
            } else {
                link(lookup, subtable(subtables[i], static_cast<int>(i), global), 2);
            }
        }
        root_ = root;
    }

    /// Node order and positions as the serializer lays them out; answers the table length.
    std::size_t lay_out() {
        std::vector<std::uint32_t> tables, ext_tables;
        std::vector<char> done(nodes_.size(), 0);
        gather(root_, &tables, &ext_tables, done);
        std::reverse(tables.begin(), tables.end());
        std::reverse(ext_tables.begin(), ext_tables.end());
        order_ = std::move(tables);
        order_.insert(order_.end(), ext_tables.begin(), ext_tables.end());
        pos_.assign(nodes_.size(), 0);
        std::size_t pos = 0;
        for (std::uint32_t n : order_) {
            pos_[n] = pos;
            pos += nodes_[n].size;
        }
        return pos;
    }

    /// The first 16-bit offset that does not fit, in the order the serializer writes them:
    /// {table, child}; {-1, -1} when all fit.
    std::pair<int, int> first_overflow() const {
        for (std::uint32_t n : order_) {
            const Node &node = nodes_[n];
            for (std::size_t c = 0; c < node.children.size(); ++c) {
                if (node.offset_sizes[c] != 2)
                    continue;
                const std::size_t from = pos_[n], to = pos_[node.children[c]];
                if (to < from || to - from > kMaxOffset16)
                    return {static_cast<int>(n), static_cast<int>(c)};
            }
        }
        return {-1, -1};
    }

    const Node &node(int n) const { return nodes_[n]; }

  private:
    using Scope = std::unordered_map<std::string, std::uint32_t>;

    std::uint32_t add(Kind kind, std::uint32_t size) {
        nodes_.push_back(Node{kind, size, -1, false, {}, {}});
        return static_cast<std::uint32_t>(nodes_.size() - 1);
    }
    void link(std::uint32_t parent, std::uint32_t child, std::uint8_t offset_size) {
        nodes_[parent].children.push_back(child);
        nodes_[parent].offset_sizes.push_back(offset_size);
    }
    /// A leaf table under a parent: merged with an equal one unless the parent shares nothing.
    std::uint32_t leaf(Kind kind, const std::string &bytes, std::size_t size, Scope &scope,
                       bool unshared) {
        if (!unshared)
            if (const auto it = scope.find(bytes); it != scope.end())
                return it->second;
        const std::uint32_t n = add(kind, static_cast<std::uint32_t>(size));
        if (!unshared)
            scope.emplace(bytes, n);
        return n;
    }
    std::uint32_t subtable(const Subtable &s, int index, Scope &scope) {
        const bool unshared = s.inner_unshared;
        std::uint32_t n;
        if (s.format == 1) {
            n = add(Kind::PairPos, static_cast<std::uint32_t>(10 + 2 * s.pair_sets.size()));
            std::vector<std::uint16_t> glyphs;
            glyphs.reserve(s.pair_sets.size());
            for (std::uint32_t p : s.pair_sets)
                glyphs.push_back(layout_.first_glyphs[p]);
            const std::string cov = 'V' + coverage_bytes(glyphs);
            link(n, leaf(Kind::Coverage, cov, cov.size() - 1, scope, unshared), 2);
            for (std::uint32_t p : s.pair_sets) {
                const std::string &set = layout_.pair_set_bytes[p];
                link(n, leaf(Kind::PairSet, set, set.size() - 1, scope, unshared), 2);
            }
        } else {
            const std::size_t class2 = layout_.class2_count;
            n = add(Kind::PairPos, static_cast<std::uint32_t>(16 + 2 * s.class1_count * class2));
            const std::string cov = 'V' + coverage_bytes(s.coverage);
            const std::string def1 = 'C' + classdef_bytes(s.class_def1);
            const std::string &def2 = layout_.class_def2_bytes;
            link(n, leaf(Kind::Coverage, cov, cov.size() - 1, scope, unshared), 2);
            link(n, leaf(Kind::ClassDef, def1, def1.size() - 1, scope, unshared), 2);
            link(n, leaf(Kind::ClassDef, def2, def2.size() - 1, scope, unshared), 2);
        }
        nodes_[n].subtable = index;
        return n;
    }
    /// The serializer's gathering: children last to first, each table after its subtables, so
    /// that reversed, a shared table sits after its last parent; extension subtrees go apart.
    void gather(std::uint32_t n, std::vector<std::uint32_t> *tables,
                std::vector<std::uint32_t> *ext_tables, std::vector<char> &done) {
        done[n] = 1;
        std::vector<std::uint32_t> *own = tables;
        std::vector<char> fresh;
        std::vector<char> *d = &done;
        if (nodes_[n].extension) {
            tables = ext_tables;
            ext_tables = nullptr;
            fresh.assign(nodes_.size(), 0);
            d = &fresh;
        }
        const Node &node = nodes_[n];
        for (std::size_t c = node.children.size(); c-- > 0;)
            if (!(*d)[node.children[c]])
                gather(node.children[c], tables, ext_tables, *d);
        own->push_back(n);
    }

    const Layout &layout_;
    std::vector<Node> nodes_;
    std::uint32_t root_ = 0;
    std::vector<std::uint32_t> order_;
    std::vector<std::size_t> pos_;
};

/// Halves a subtable as fontTools' splitPairPos does; false when it cannot be split.
bool split(std::vector<Subtable> &subtables, std::size_t index) {
    Subtable &old = subtables[index];
    Subtable added;
    added.format = old.format;
    if (old.format == 1) {
        if (old.pair_sets.size() < 2)
            return false;
        const std::size_t keep = old.pair_sets.size() / 2;
        added.pair_sets.assign(old.pair_sets.begin() + static_cast<std::ptrdiff_t>(keep),
                               old.pair_sets.end());
        old.pair_sets.resize(keep);
    } else {
        if (old.class1_count < 2)
            return false;
        const std::uint32_t keep = old.class1_count / 2;
        // The first half keeps class 0 and the classes below `keep`; the second half renumbers
        // from `keep`, which becomes its class 0.
        std::vector<std::pair<std::uint16_t, std::uint32_t>> kept;
        std::vector<std::uint16_t> moved;
        for (const auto &[glyph, c] : old.class_def1) {
            if (c < keep) {
                kept.emplace_back(glyph, c);
            } else {
                moved.push_back(glyph);
                if (c > keep)
                    added.class_def1.emplace_back(glyph, c - keep);
            }
        }
        std::vector<std::uint16_t> stays;
        for (std::uint16_t g : old.coverage)
            if (!std::binary_search(moved.begin(), moved.end(), g))
                stays.push_back(g);
            else
                added.coverage.push_back(g);
        old.coverage = std::move(stays);
        old.class_def1 = std::move(kept);
        added.class1_count = old.class1_count - keep;
        old.class1_count = keep;
        old.inner_unshared = true; // both halves would share the second class table
    }
    subtables.insert(subtables.begin() + static_cast<std::ptrdiff_t>(index) + 1, added);
    return true;
}

} // namespace

ZVgpossize estimate_gpos_size(const ZVgposkerning &kerning,
                              const std::vector<std::string> &glyph_names) {
    const Layout layout = make_layout(kerning, glyph_names);
    std::vector<Subtable> subtables;
    if (!layout.first_glyphs.empty()) {
        Subtable s;
        s.pair_sets.resize(layout.first_glyphs.size());
        std::iota(s.pair_sets.begin(), s.pair_sets.end(), 0u);
        subtables.push_back(std::move(s));
    }
    if (layout.has_classes) {
        Subtable s;
        s.format = 2;
        s.coverage = layout.class_coverage;
        s.class_def1 = layout.class_def1;
        s.class1_count = layout.class1_count;
        subtables.push_back(std::move(s));
    }
    ZVgpossize result;
    if (subtables.empty())
        return result; // no lookup, no table
    bool extension = false;
    for (int round = 0; round < kMaxRounds; ++round) {
        Graph graph(layout, subtables, extension);
        const std::size_t bytes = graph.lay_out();
        const auto [table, child] = graph.first_overflow();
        if (table < 0) {
            result.bytes = bytes;
            result.subtables = subtables.size();
            result.extension = extension;
            return result;
        }
        (void)child;
        const Node &at = graph.node(table);
        if (at.kind == Kind::PairPos) {
            Subtable &s = subtables[static_cast<std::size_t>(at.subtable)];
            bool &unshared = extension ? s.wrapper_unshared : s.inner_unshared;
            if (!unshared) {
                unshared = true; // first try: stop sharing its tables
                continue;
            }
            if (split(subtables, static_cast<std::size_t>(at.subtable)))
                continue;
        }
        if ((at.kind == Kind::PairPos || at.kind == Kind::Lookup) && !extension) {
            extension = true;
            continue;
        }
        break; // nothing left to try: the compiler gives up too
    }
    result.fits = false;
    result.subtables = subtables.size();
    result.extension = extension;
    return result;
}
