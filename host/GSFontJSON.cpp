// The reader: a SAX pass builds ordered property-list values (the generic JSON tree keeps key
// order and refuses duplicates), then a checked walk turns them into the model.
#include "host/GSFontJSON.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr double kMaxModelNumber = 1e7;
constexpr std::size_t kMaxDepth = 64;
constexpr std::size_t kMaxGlyphs = 65534;

struct ReadError {
    std::string message;
};

[[noreturn]] void fail(const std::string &path, const std::string &what) {
    throw ReadError{path + ": " + what};
}

// Builds a PlistValue tree; keeps the JSON path of the current place for messages.
class TreeBuilder : public nlohmann::json_sax<nlohmann::json> {
  public:
    PlistValue root;
    std::string error;

    bool null() override { return add(PlistValue()); }
    bool boolean(bool v) override { return add(PlistValue(v)); }
    bool number_integer(number_integer_t v) override {
        return add(PlistValue(static_cast<std::int64_t>(v)));
    }
    bool number_unsigned(number_unsigned_t v) override {
        if (v > static_cast<number_unsigned_t>(INT64_MAX))
            return refuse("integer out of range");
        return add(PlistValue(static_cast<std::int64_t>(v)));
    }
    bool number_float(number_float_t v, const string_t &text) override {
        if (text.find_first_of(".eE") == string_t::npos)
            return refuse("integer out of range");
        if (!std::isfinite(v))
            return refuse("number out of range");
        return add(PlistValue(static_cast<double>(v)));
    }
    bool string(string_t &v) override { return add(PlistValue(std::move(v))); }
    bool binary(binary_t &) override { return refuse("binary values are not JSON"); }
    bool start_object(std::size_t) override { return open(PlistValue::dictionary()); }
    bool key(string_t &k) override {
        Frame &f = stack_.back();
        f.key = std::move(k);
        f.hasKey = true;
        return true;
    }
    bool end_object() override {
        if (const std::string *dup = stack_.back().dict->duplicateKey()) {
            stack_.back().hasKey = false;
            return refuse("duplicate key \"" + *dup + "\"");
        }
        return close();
    }
    bool start_array(std::size_t) override { return open(PlistValue::array()); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t position, const std::string &,
                     const nlohmann::detail::exception &ex) override {
        if (error.empty()) {
            std::string what = ex.what();
            const auto colon = what.rfind(": ");
            error = path() + " (byte " + std::to_string(position) + "): invalid JSON: " +
                    (colon == std::string::npos ? what : what.substr(colon + 2));
        }
        return false;
    }

  private:
    struct Frame {
        PlistArray *array = nullptr;
        PlistDictionary *dict = nullptr;
        std::string key;
        bool hasKey = false;
    };
    std::vector<Frame> stack_;
    bool done_ = false;

    std::string path() const {
        // Every frame but the innermost already holds the container being filled; the innermost
        // is about to take the value at hand.
        std::string p = "$";
        for (std::size_t i = 0; i < stack_.size(); ++i) {
            const Frame &f = stack_[i];
            if (f.array)
                p += "[" + std::to_string(f.array->size() - (i + 1 < stack_.size() ? 1 : 0)) + "]";
            else if (f.hasKey)
                p += "." + f.key;
        }
        return p;
    }
    bool refuse(const std::string &what) {
        if (error.empty())
            error = path() + ": " + what;
        return false;
    }
    PlistValue *place(PlistValue v) {
        if (stack_.empty()) {
            if (done_) {
                refuse("more than one value");
                return nullptr;
            }
            done_ = true;
            root = std::move(v);
            return &root;
        }
        Frame &f = stack_.back();
        if (f.array) {
            f.array->push_back(std::move(v));
            return &f.array->back();
        }
        // Keys are checked for repeats when the object closes (cheaper than an index per object).
        f.dict->appendUnchecked(f.key, std::move(v));
        return &f.dict->entryAtIndexMutable(f.dict->count() - 1).second;
    }
    bool add(PlistValue v) { return place(std::move(v)) != nullptr; }
    bool open(PlistValue v) {
        if (stack_.size() >= kMaxDepth)
            return refuse("nested deeper than " + std::to_string(kMaxDepth) + " levels");
        PlistValue *at = place(std::move(v));
        if (!at)
            return false;
        stack_.push_back(Frame{at->asArray(), at->asDictionary(), {}, false});
        return true;
    }
    bool close() {
        stack_.pop_back();
        return true;
    }
};

// Checked access to the generic tree, each step carrying its JSON path.
struct Node {
    const PlistValue &v;
    std::string path;

    const PlistDictionary &object(std::initializer_list<const char *> keys) const {
        const PlistDictionary *d = v.asDictionary();
        if (!d)
            fail(path, "expected an object");
        for (const char *k : keys)
            if (!d->objectForKey(k))
                fail(path, std::string("missing key \"") + k + "\"");
        if (d->count() != keys.size())
            for (const auto &[k, unused] : *d) {
                bool known = false;
                for (const char *want : keys)
                    known = known || k == want;
                if (!known)
                    fail(path + "." + k, "unknown key");
            }
        return *d;
    }
    Node operator[](const char *key) const {
        const PlistDictionary *d = v.asDictionary();
        const PlistValue *e = d ? d->objectForKey(key) : nullptr;
        if (!e)
            fail(path, std::string("missing key \"") + key + "\"");
        return {*e, path + "." + key};
    }
    const PlistArray &array() const {
        const PlistArray *a = v.asArray();
        if (!a)
            fail(path, "expected an array");
        return *a;
    }
    Node at(std::size_t i) const {
        return {(*v.asArray())[i], path + "[" + std::to_string(i) + "]"};
    }
    const std::string &string() const {
        const std::string *s = v.asString();
        if (!s)
            fail(path, "expected a string");
        return *s;
    }
    const std::string &nonEmptyString() const {
        const std::string &s = string();
        if (s.empty())
            fail(path, "expected a non-empty string");
        return s;
    }
    std::optional<std::string> nullableString() const {
        if (v.isNull())
            return std::nullopt;
        if (!v.asString())
            fail(path, "expected a string or null");
        return *v.asString();
    }
    bool boolean() const {
        const bool *b = v.asBool();
        if (!b)
            fail(path, "expected true or false");
        return *b;
    }
    std::int64_t integer(std::int64_t lo, std::int64_t hi) const {
        const std::int64_t *i = v.asInteger();
        if (!i)
            fail(path, "expected an integer");
        if (*i < lo || *i > hi)
            fail(path, "integer " + std::to_string(*i) + " outside " + std::to_string(lo) + " to " +
                           std::to_string(hi));
        return *i;
    }
    double number() const {
        double d = 0;
        if (!v.numberValue(d))
            fail(path, "expected a number");
        if (!(std::abs(d) <= kMaxModelNumber))
            fail(path, "number out of range (magnitude above 1e7)");
        return d;
    }
    std::vector<double> numbers() const {
        std::vector<double> out;
        const PlistArray &a = array();
        for (std::size_t i = 0; i < a.size(); ++i)
            out.push_back(at(i).number());
        return out;
    }
    std::vector<std::string> strings() const {
        std::vector<std::string> out;
        const PlistArray &a = array();
        for (std::size_t i = 0; i < a.size(); ++i)
            out.push_back(at(i).string());
        return out;
    }
};

bool isUnicodeHex(const std::string &s) {
    if (s.size() < 4 || s.size() > 6)
        return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return std::stoul(s, nullptr, 16) <= 0x10FFFF;
}

PlistDictionary dictionaryOf(const Node &n) {
    const PlistDictionary *d = n.v.asDictionary();
    if (!d)
        fail(n.path, "expected an object");
    return *n.v.deepCopy().asDictionary();
}

std::vector<GSCustomParameter> readParameters(const Node &n) {
    std::vector<GSCustomParameter> out;
    for (std::size_t i = 0; i < n.array().size(); ++i) {
        const Node p = n.at(i);
        p.object({"name", "value", "active"});
        GSCustomParameter param(p["name"].string(), p["value"].v.deepCopy());
        param.setActive(p["active"].boolean());
        out.push_back(std::move(param));
    }
    return out;
}

NSPoint readPoint(const Node &x, const Node &y) { return {x.number(), y.number()}; }

std::unique_ptr<GSShape> readShape(const Node &n) {
    const PlistDictionary *d = n.v.asDictionary();
    if (d && d->objectForKey("nodes")) {
        n.object({"closed", "nodes"});
        std::vector<GSNode> nodes;
        const Node list = n["nodes"];
        nodes.reserve(list.array().size());
        for (std::size_t i = 0; i < list.array().size(); ++i) {
            const Node node = list.at(i);
            if (node.array().size() != 3)
                fail(node.path, "expected [x, y, type]");
            const std::string &t = node.at(2).string();
            if (t.size() != 1 ||
                (t[0] != GSOffcurve && t[0] != GSCurve && t[0] != GSQCurve && t[0] != GSLine))
                fail(node.at(2).path, "unknown node type \"" + t + "\" (expected A, C, $ or L)");
            nodes.emplace_back(readPoint(node.at(0), node.at(1)), t[0]);
        }
        return std::make_unique<GSPath>(std::move(nodes), n["closed"].boolean());
    }
    if (d && d->objectForKey("ref")) {
        n.object({"ref", "transform", "disableAlignment"});
        const std::vector<double> t = n["transform"].numbers();
        if (t.size() != 6)
            fail(n["transform"].path, "expected six numbers");
        auto c = std::make_unique<GSComponent>(
            n["ref"].nonEmptyString(), NSAffineTransformStruct{t[0], t[1], t[2], t[3], t[4], t[5]});
        c->setDisableAlignment(n["disableAlignment"].boolean());
        return c;
    }
    fail(n.path, "expected a path (with \"nodes\") or a component (with \"ref\")");
}

struct ComponentUse {
    std::string ref;
    std::string path;
    std::size_t glyph;  // index of the glyph whose layer holds the component
    std::string master; // the layer's master: a component is drawn from that master's layer
    bool drawnFrom;     // whether the holding layer is one that components draw (a master layer)
};

void readGlyph(const Node &n, GSFont &font, std::unordered_set<std::string> &masterIds,
               std::vector<ComponentUse> &uses) {
    n.object({"id", "name", "unicodes", "category", "subCategory", "case", "script",
              "leftKerningGroup", "rightKerningGroup", "userData", "layers"});
    auto g = std::make_unique<GSGlyph>();
    g->setId(n["id"].nonEmptyString());
    g->setName(n["name"].nonEmptyString());
    if (font.glyphForId(g->id()))
        fail(n["id"].path, "repeated glyph id \"" + g->id() + "\"");
    if (font.glyphForName(g->name()))
        fail(n["name"].path, "repeated glyph name \"" + g->name() + "\"");
    std::vector<std::string> unicodes = n["unicodes"].strings();
    for (std::size_t i = 0; i < unicodes.size(); ++i)
        if (!isUnicodeHex(unicodes[i]))
            fail(n["unicodes"].at(i).path,
                 "expected upper-case hex of a code point, at least four digits");
    g->setUnicodes(std::move(unicodes));
    g->setCategory(n["category"].nullableString());
    g->setSubCategory(n["subCategory"].nullableString());
    g->setCase(static_cast<int>(n["case"].integer(0, 4)));
    g->setScript(n["script"].nullableString());
    g->setLeftKerningGroup(n["leftKerningGroup"].nullableString());
    g->setRightKerningGroup(n["rightKerningGroup"].nullableString());
    g->userData().all() = dictionaryOf(n["userData"]);

    const Node layers = n["layers"];
    std::vector<std::pair<std::unique_ptr<GSLayer>, std::string>> backgrounds;
    std::set<std::string> layerIds;
    for (std::size_t i = 0; i < layers.array().size(); ++i) {
        const Node l = layers.at(i);
        l.object({"layerId", "associatedMasterId", "kind", "name", "width", "shapes", "anchors"});
        auto layer = std::make_unique<GSLayer>();
        layer->setLayerId(l["layerId"].nonEmptyString());
        layer->setAssociatedMasterId(l["associatedMasterId"].string());
        if (!masterIds.count(layer->associatedMasterId()))
            fail(l["associatedMasterId"].path, "names no master");
        const std::string &kind = l["kind"].string();
        if (kind == "master") {
            layer->setLayerKind(GSLayerKind::Master);
            if (layer->layerId() != layer->associatedMasterId())
                fail(l["layerId"].path, "a master layer's id must be its master's id");
        } else if (kind == "layer") {
            layer->setLayerKind(GSLayerKind::NonMaster);
        } else if (kind == "background") {
            layer->setLayerKind(GSLayerKind::Background);
        } else {
            fail(l["kind"].path, "expected \"master\", \"layer\" or \"background\"");
        }
        layer->setName(l["name"].string());
        layer->setWidth(l["width"].number());
        const Node shapes = l["shapes"];
        for (std::size_t s = 0; s < shapes.array().size(); ++s) {
            auto shape = readShape(shapes.at(s));
            if (auto c = dynamic_cast<GSComponent *>(shape.get()))
                uses.push_back({c->componentName(), shapes.at(s).path, font.countOfGlyphs(),
                                layer->associatedMasterId(), kind == "master"});
            layer->addShape(std::move(shape));
        }
        const Node anchors = l["anchors"];
        for (std::size_t a = 0; a < anchors.array().size(); ++a) {
            const Node an = anchors.at(a);
            an.object({"name", "x", "y"});
            const std::string &name = an["name"].string();
            if (layer->anchorForName(name))
                fail(an["name"].path, "repeated anchor name \"" + name + "\"");
            layer->setAnchor(name, readPoint(an["x"], an["y"]));
        }
        const std::string key = (kind == "background" ? "background:" : "") + layer->layerId();
        if (!layerIds.insert(key).second)
            fail(l["layerId"].path, "repeated layer id \"" + layer->layerId() + "\"");
        if (kind == "background")
            backgrounds.emplace_back(std::move(layer), l.path);
        else
            g->addLayer(std::move(layer));
    }
    for (auto &[bg, path] : backgrounds) {
        GSLayer *owner = g->layerWithId(bg->associatedMasterId());
        if (!owner || !owner->isMasterLayer())
            fail(path, "a background needs its master's layer");
        GSLayer &target = owner->background();
        target = *bg;
    }
    font.addGlyph(std::move(g));
}

void checkComponentCycles(const GSFont &font, const std::vector<const ComponentUse *> &uses);

// Refuses components naming no glyph and components that reach their own glyph again. A
// component is drawn from the referenced glyph's master layer of the same master, so cycles are
// looked for within each master and only through master layers: glyphs that use each other in
// different masters are fine, and so is a background or other layer that holds a component of
// its own glyph (it draws the glyph's master layer, which nothing leads back from).
void checkComponents(const GSFont &font, const std::vector<ComponentUse> &uses) {
    for (const ComponentUse &u : uses) {
        if (!font.glyphForName(u.ref))
            fail(u.path + ".ref", "component names no glyph \"" + u.ref + "\"");
    }
    std::map<std::string, std::vector<const ComponentUse *>> by_master;
    for (const ComponentUse &u : uses)
        if (u.drawnFrom)
            by_master[u.master].push_back(&u);
    for (const auto &[master, master_uses] : by_master)
        checkComponentCycles(font, master_uses);
}

void checkComponentCycles(const GSFont &font, const std::vector<const ComponentUse *> &uses) {
    std::unordered_map<std::string, std::vector<const ComponentUse *>> edges; // glyph → uses in it
    const auto glyphs = font.glyphs();
    for (const ComponentUse *u : uses)
        edges[glyphs[u->glyph]->name()].push_back(u);
    enum Color { White, Grey, Black };
    std::unordered_map<std::string, Color> color;
    // Iterative depth-first search, so that a long chain of components cannot exhaust the stack.
    for (const GSGlyph *start : glyphs) {
        if (color[start->name()] != White)
            continue;
        struct Step {
            std::string glyph;
            std::size_t next = 0;
        };
        std::vector<Step> stack{{start->name()}};
        std::vector<std::string> trail{start->name()};
        color[start->name()] = Grey;
        while (!stack.empty()) {
            Step &top = stack.back();
            const auto &out = edges[top.glyph];
            if (top.next == out.size()) {
                color[top.glyph] = Black;
                stack.pop_back();
                trail.pop_back();
                continue;
            }
            const ComponentUse *use = out[top.next++];
            const Color c = color[use->ref];
            if (c == Grey) {
                std::string cycle;
                bool on = false;
                for (const std::string &name : trail) {
                    on = on || name == use->ref;
                    if (on)
                        cycle += name + " → ";
                }
                fail(use->path, "component cycle " + cycle + use->ref);
            }
            if (c == White) {
                color[use->ref] = Grey;
                stack.push_back({use->ref});
                trail.push_back(use->ref);
            }
        }
    }
}

GSOTCoverage readCoverage(const Node &n) { return GSOTCoverage{n.strings()}; }

std::vector<GSOTCoverage> readCoverages(const Node &n) {
    std::vector<GSOTCoverage> out;
    for (std::size_t i = 0; i < n.array().size(); ++i)
        out.push_back(readCoverage(n.at(i)));
    return out;
}

std::vector<GSOTSubstLookupRecord> readRecords(const Node &n, std::size_t lookupCount) {
    std::vector<GSOTSubstLookupRecord> out;
    for (std::size_t i = 0; i < n.array().size(); ++i) {
        const Node r = n.at(i);
        r.object({"sequenceIndex", "lookupListIndex"});
        GSOTSubstLookupRecord rec;
        rec.sequenceIndex = static_cast<std::uint16_t>(r["sequenceIndex"].integer(0, 65535));
        rec.lookupListIndex = static_cast<std::uint16_t>(
            r["lookupListIndex"].integer(0, static_cast<std::int64_t>(lookupCount) - 1));
        out.push_back(rec);
    }
    return out;
}

// The dictionary a node holds; refuses any other value.
const PlistDictionary &objectAt(const Node &m) {
    const PlistDictionary *d = m.v.asDictionary();
    if (!d)
        fail(m.path, "expected an object");
    return *d;
}

GSOTSubtable readSubtable(const Node &n, int type, std::size_t lookupCount) {
    GSOTSubtable st;
    if (type == 1) {
        n.object({"mapping"});
        const Node m = n["mapping"];
        for (const auto &[k, value] : objectAt(m))
            st.mapping.setObject(Node{value, m.path + "." + k}.string(), k);
        return st;
    }
    if (type == 2 || type == 3) {
        n.object({"mapping"});
        const Node m = n["mapping"];
        for (const auto &[k, value] : objectAt(m))
            st.sequences.setObject(Node{value, m.path + "." + k}.strings(), k);
        return st;
    }
    if (type == 4) {
        n.object({"ligatures"});
        const Node m = n["ligatures"];
        for (const auto &[k, value] : objectAt(m)) {
            const Node set{value, m.path + "." + k};
            std::vector<GSOTLigature> ligs;
            for (std::size_t i = 0; i < set.array().size(); ++i) {
                const Node lig = set.at(i);
                lig.object({"ligGlyphName", "components"});
                ligs.push_back({lig["ligGlyphName"].string(), lig["components"].strings()});
            }
            st.ligatures.setObject(std::move(ligs), k);
        }
        return st;
    }
    if (type == 8) {
        n.object({});
        return st;
    }
    // Context (5) and chaining context (6).
    const PlistDictionary *d = n.v.asDictionary();
    if (!d || !d->objectForKey("format"))
        fail(n.path, "expected an object with \"format\"");
    st.format = static_cast<int>(n["format"].integer(1, 3));
    if (st.format == 2) {
        n.object({"format"});
        return st;
    }
    if (type == 5 && st.format == 1) {
        n.object({"format", "coverage", "subRuleSets"});
        st.coverage = readCoverage(n["coverage"]);
        const Node sets = n["subRuleSets"];
        for (std::size_t i = 0; i < sets.array().size(); ++i) {
            GSOTSubRuleSet set;
            const Node rules = sets.at(i);
            for (std::size_t j = 0; j < rules.array().size(); ++j) {
                const Node r = rules.at(j);
                r.object({"input", "substLookupRecords"});
                set.subRules.push_back(
                    {r["input"].strings(), readRecords(r["substLookupRecords"], lookupCount)});
            }
            st.subRuleSets.push_back(std::move(set));
        }
    } else if (type == 5) {
        n.object({"format", "inputCoverages", "substLookupRecords"});
        st.coverages = readCoverages(n["inputCoverages"]);
        st.inputCoverages = st.coverages;
        st.substLookupRecords = readRecords(n["substLookupRecords"], lookupCount);
    } else if (st.format == 1) {
        n.object({"format", "coverage", "chainSubRuleSets"});
        st.coverage = readCoverage(n["coverage"]);
        const Node sets = n["chainSubRuleSets"];
        for (std::size_t i = 0; i < sets.array().size(); ++i) {
            GSOTChainSubRuleSet set;
            const Node rules = sets.at(i);
            for (std::size_t j = 0; j < rules.array().size(); ++j) {
                const Node r = rules.at(j);
                r.object({"backtracks", "input", "lookAheads", "substLookupRecords"});
                set.chainSubRules.push_back({r["backtracks"].strings(), r["input"].strings(),
                                             r["lookAheads"].strings(),
                                             readRecords(r["substLookupRecords"], lookupCount)});
            }
            st.chainSubRuleSets.push_back(std::move(set));
        }
    } else {
        n.object({"format", "backtrackCoverages", "inputCoverages", "lookAheadCoverages",
                  "substLookupRecords"});
        st.backtrackCoverages = readCoverages(n["backtrackCoverages"]);
        st.inputCoverages = readCoverages(n["inputCoverages"]);
        st.lookAheadCoverages = readCoverages(n["lookAheadCoverages"]);
        st.substLookupRecords = readRecords(n["substLookupRecords"], lookupCount);
    }
    return st;
}

std::shared_ptr<GSOTGSUBTable> readGSUB(const Node &n) {
    n.object({"features", "lookups"});
    auto table = std::make_shared<GSOTGSUBTable>();
    const Node lookups = n["lookups"];
    const std::size_t count = lookups.array().size();
    if (count > 65535)
        fail(lookups.path, "more than 65535 lookups");
    const Node features = n["features"];
    for (std::size_t i = 0; i < features.array().size(); ++i) {
        const Node f = features.at(i);
        f.object({"tag", "lookups"});
        GSOTFeatureRecord rec;
        rec.featureTag = f["tag"].string();
        const Node idx = f["lookups"];
        for (std::size_t j = 0; j < idx.array().size(); ++j)
            rec.feature.lookupListIndexes.addIndex(static_cast<std::size_t>(
                idx.at(j).integer(0, static_cast<std::int64_t>(count) - 1)));
        table->featureList.featureRecords.push_back(std::move(rec));
    }
    for (std::size_t i = 0; i < count; ++i) {
        const Node l = lookups.at(i);
        l.object({"type", "subtables"});
        GSOTLookup lookup;
        lookup.lookupType = static_cast<int>(l["type"].integer(1, 8));
        if (lookup.lookupType == 7)
            fail(l["type"].path, "extension lookups (type 7) must be unwrapped");
        const Node subs = l["subtables"];
        for (std::size_t j = 0; j < subs.array().size(); ++j)
            lookup.subTables.push_back(readSubtable(subs.at(j), lookup.lookupType, count));
        table->lookupList.lookups.push_back(std::move(lookup));
    }
    return table;
}

std::unique_ptr<GSFont> readFont(const PlistValue &rootValue) {
    const Node root{rootValue, "$"};
    root.object({"format", "formatVersion", "familyName", "unitsPerEm", "featureCodeCompiles",
                 "axes", "userData", "customParameters", "masters", "glyphs", "kerning",
                 "instances", "gsub"});
    if (root["format"].string() != "zelvar-font")
        fail(root["format"].path, "expected \"zelvar-font\"");
    root["formatVersion"].integer(1, 1);
    auto font = std::make_unique<GSFont>();
    font->setFamilyName(root["familyName"].string());
    font->setUnitsPerEm(static_cast<std::uint32_t>(root["unitsPerEm"].integer(16, 16384)));
    font->setFeatureCodeCompiles(root["featureCodeCompiles"].boolean());
    std::vector<GSAxis> axes;
    const Node axesNode = root["axes"];
    for (std::size_t i = 0; i < axesNode.array().size(); ++i) {
        const Node a = axesNode.at(i);
        a.object({"name", "tag"});
        axes.push_back({a["name"].string(), a["tag"].string()});
    }
    font->setAxes(axes);
    font->userData().all() = dictionaryOf(root["userData"]);
    font->customParameters() = readParameters(root["customParameters"]);

    auto checkAxes = [&](const Node &n, const std::vector<double> &v) {
        if (v.size() != axes.size())
            fail(n.path, "expected one value per axis (" + std::to_string(axes.size()) + ")");
    };
    std::unordered_set<std::string> masterIds;
    const Node masters = root["masters"];
    for (std::size_t i = 0; i < masters.array().size(); ++i) {
        const Node m = masters.at(i);
        m.object({"id", "name", "xHeight", "capHeight", "ascender", "descender", "axesValues",
                  "customParameters", "userData"});
        auto master = std::make_unique<GSFontMaster>();
        master->setId(m["id"].nonEmptyString());
        if (!masterIds.insert(master->id()).second)
            fail(m["id"].path, "repeated master id \"" + master->id() + "\"");
        master->setName(m["name"].string());
        master->setXHeight(m["xHeight"].number());
        master->setCapHeight(m["capHeight"].number());
        master->setAscender(m["ascender"].number());
        master->setDescender(m["descender"].number());
        master->setAxesValues(m["axesValues"].numbers());
        checkAxes(m["axesValues"], master->axesValueList());
        master->customParameters() = readParameters(m["customParameters"]);
        master->userData().all() = dictionaryOf(m["userData"]);
        font->addFontMaster(std::move(master));
    }

    const Node glyphs = root["glyphs"];
    if (glyphs.array().size() > kMaxGlyphs)
        fail(glyphs.path, "more than " + std::to_string(kMaxGlyphs) + " glyphs");
    std::vector<ComponentUse> uses;
    for (std::size_t i = 0; i < glyphs.array().size(); ++i)
        readGlyph(glyphs.at(i), *font, masterIds, uses);
    checkComponents(*font, uses);

    const Node kerning = root["kerning"];
    if (!kerning.v.isNull()) {
        const PlistDictionary *byMaster = kerning.v.asDictionary();
        if (!byMaster)
            fail(kerning.path, "expected an object or null");
        auto &store = font->ensureKerning().silentStorage();
        for (const auto &[masterId, masterValue] : *byMaster) {
            const Node m{masterValue, kerning.path + "." + masterId};
            if (!masterIds.count(masterId))
                fail(m.path, "kerning for a master id that names no master");
            const PlistDictionary *rows = m.v.asDictionary();
            if (!rows)
                fail(m.path, "expected an object");
            GSMasterKerning mk = GSMasterKerning::dictionaryWithCapacity(rows->count());
            // The bulk of a file: values are checked in place, and a path is made only for an
            // error.
            for (const auto &[left, rowValue] : *rows) {
                const PlistDictionary *values = rowValue.asDictionary();
                if (!values)
                    fail(m.path + "." + left, "expected an object");
                GSKerningRow row = GSKerningRow::dictionaryWithCapacity(values->count());
                for (const auto &[right, value] : *values) {
                    double v = 0;
                    if (!value.numberValue(v) || !(std::abs(v) <= kMaxModelNumber))
                        Node{value, m.path + "." + left + "." + right}
                            .number(); // reports the fault
                    row.setObject(v, right);
                }
                mk.setObject(std::move(row), left);
            }
            store.setObject(std::move(mk), masterId);
        }
    }

    const Node instances = root["instances"];
    for (std::size_t i = 0; i < instances.array().size(); ++i) {
        const Node n = instances.at(i);
        n.object({"name", "axesValues", "customParameters"});
        GSInstance inst;
        inst.setName(n["name"].string());
        inst.setAxesValues(n["axesValues"].numbers());
        checkAxes(n["axesValues"], inst.axesValueList());
        inst.customParameters() = readParameters(n["customParameters"]);
        inst.setFont(font.get());
        font->instances().push_back(std::move(inst));
    }

    const Node gsub = root["gsub"];
    if (!gsub.v.isNull())
        font->mutableCompositorFont().mutableSource().setTable("GSUB",
                                                               GSOTTableEntry{readGSUB(gsub)});
    return font;
}

} // namespace

GSFontReadResult readFontJSON(std::string_view text) {
    GSFontReadResult result;
    TreeBuilder builder;
    const bool parsed = nlohmann::json::sax_parse(text.begin(), text.end(), &builder);
    if (!parsed) {
        result.error = builder.error.empty() ? "$: invalid JSON" : builder.error;
        return result;
    }
    try {
        result.font = readFont(builder.root);
    } catch (const ReadError &e) {
        result.error = e.message;
    }
    return result;
}

GSFontReadResult readFontJSONFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        GSFontReadResult r;
        r.error = path + ": cannot be opened";
        return r;
    }
    std::ostringstream text;
    text << in.rdbuf();
    GSFontReadResult r = readFontJSON(text.str());
    if (!r)
        r.error = path + ": " + r.error;
    return r;
}
