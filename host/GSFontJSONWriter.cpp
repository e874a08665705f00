// The writer: the canonical bytes of FONT_JSON.md, keys in the documented order.
#include "host/GSFontJSON.h"
#include "host/JSONText.h"
#include "platform/FileContents.h"

namespace {

using zvjson::appendModelNumber;
using zvjson::appendReal;
using zvjson::appendString;

class Writer {
  public:
    std::string out;

    void key(const char *k) {
        comma();
        appendString(out, k);
        out += ':';
        first_ = true; // the value follows without a comma
        pendingValue_ = true;
    }
    void open(char c) {
        comma();
        out += c;
        first_ = true;
    }
    void close(char c) {
        out += c;
        first_ = false;
    }
    void str(std::string_view s) {
        comma();
        appendString(out, s);
        first_ = false;
    }
    void optStr(const std::optional<std::string> &s) {
        if (s)
            str(*s);
        else
            raw("null");
    }
    void num(double v) {
        comma();
        appendModelNumber(out, v);
        first_ = false;
    }
    void integer(std::int64_t v) { raw(std::to_string(v)); }
    void boolean(bool b) { raw(b ? "true" : "false"); }
    void raw(std::string_view s) {
        comma();
        out += s;
        first_ = false;
    }
    void numbers(const std::vector<double> &v) {
        open('[');
        for (double d : v)
            num(d);
        close(']');
    }
    void strings(const std::vector<std::string> &v) {
        open('[');
        for (const std::string &s : v)
            str(s);
        close(']');
    }
    void plist(const PlistValue &v) {
        switch (v.type()) {
        case PlistValue::Type::Null:
            raw("null");
            break;
        case PlistValue::Type::Boolean:
            boolean(*v.asBool());
            break;
        case PlistValue::Type::Integer:
            integer(*v.asInteger());
            break;
        case PlistValue::Type::Real: {
            comma();
            appendReal(out, *v.asReal());
            first_ = false;
            break;
        }
        case PlistValue::Type::String:
            str(*v.asString());
            break;
        case PlistValue::Type::Array:
            open('[');
            for (const PlistValue &e : *v.asArray())
                plist(e);
            close(']');
            break;
        case PlistValue::Type::Dictionary:
            dictionary(*v.asDictionary());
            break;
        }
    }
    void dictionary(const PlistDictionary &d) {
        open('{');
        for (const auto &[k, e] : d) {
            key(k.c_str());
            plist(e);
        }
        close('}');
    }

  private:
    void comma() {
        if (pendingValue_) {
            pendingValue_ = false;
            return;
        }
        if (!first_)
            out += ',';
        first_ = false;
    }
    bool first_ = true;
    bool pendingValue_ = false;
};

void writeParameters(Writer &w, const std::vector<GSCustomParameter> &params) {
    w.open('[');
    for (const GSCustomParameter &p : params) {
        w.open('{');
        w.key("name");
        w.str(p.name());
        w.key("value");
        w.plist(p.storedValue());
        w.key("active");
        w.boolean(p.isActive());
        w.close('}');
    }
    w.close(']');
}

const char *kindName(GSLayerKind k) {
    switch (k) {
    case GSLayerKind::Master:
        return "master";
    case GSLayerKind::Background:
        return "background";
    default:
        return "layer";
    }
}

void writeLayer(Writer &w, const GSLayer &l, GSLayerKind kind) {
    w.open('{');
    w.key("layerId");
    w.str(l.layerId());
    w.key("associatedMasterId");
    w.str(l.associatedMasterId());
    w.key("kind");
    w.str(kindName(kind));
    w.key("name");
    w.str(l.name());
    w.key("width");
    w.num(l.width());
    w.key("shapes");
    w.open('[');
    for (const auto &shape : l.allShapes()) {
        w.open('{');
        if (auto p = dynamic_cast<const GSPath *>(shape.get())) {
            w.key("closed");
            w.boolean(p->closed());
            w.key("nodes");
            w.open('[');
            for (const GSNode &n : p->nodes()) {
                w.open('[');
                w.num(n.position().x);
                w.num(n.position().y);
                w.str(std::string(1, n.type()));
                w.close(']');
            }
            w.close(']');
        } else {
            auto c = static_cast<const GSComponent *>(shape.get());
            const NSAffineTransformStruct &t = c->transformStruct();
            w.key("ref");
            w.str(c->componentName());
            w.key("transform");
            w.numbers({t.m11, t.m12, t.m21, t.m22, t.tX, t.tY});
            w.key("disableAlignment");
            w.boolean(c->disableAlignment());
        }
        w.close('}');
    }
    w.close(']');
    w.key("anchors");
    w.open('[');
    for (const GSAnchor &a : l.anchors()) {
        w.open('{');
        w.key("name");
        w.str(a.name);
        w.key("x");
        w.num(a.position.x);
        w.key("y");
        w.num(a.position.y);
        w.close('}');
    }
    w.close(']');
    w.close('}');
}

void writeCoverages(Writer &w, const std::vector<GSOTCoverage> &cs) {
    w.open('[');
    for (const GSOTCoverage &c : cs)
        w.strings(c.glyphNames);
    w.close(']');
}

void writeRecords(Writer &w, const std::vector<GSOTSubstLookupRecord> &rs) {
    w.open('[');
    for (const GSOTSubstLookupRecord &r : rs) {
        w.open('{');
        w.key("sequenceIndex");
        w.integer(r.sequenceIndex);
        w.key("lookupListIndex");
        w.integer(r.lookupListIndex);
        w.close('}');
    }
    w.close(']');
}

void writeSubtable(Writer &w, const GSOTSubtable &st, int type) {
    w.open('{');
    if (type == 1) {
        w.key("mapping");
        w.open('{');
        for (const auto &[k, v] : st.mapping) {
            w.key(k.c_str());
            w.str(v);
        }
        w.close('}');
    } else if (type == 2 || type == 3) {
        w.key("mapping");
        w.open('{');
        for (const auto &[k, v] : st.sequences) {
            w.key(k.c_str());
            w.strings(v);
        }
        w.close('}');
    } else if (type == 4) {
        w.key("ligatures");
        w.open('{');
        for (const auto &[k, ligs] : st.ligatures) {
            w.key(k.c_str());
            w.open('[');
            for (const GSOTLigature &l : ligs) {
                w.open('{');
                w.key("ligGlyphName");
                w.str(l.ligGlyphName);
                w.key("components");
                w.strings(l.components);
                w.close('}');
            }
            w.close(']');
        }
        w.close('}');
    } else if (type == 5 || type == 6) {
        w.key("format");
        w.integer(st.format);
        if (type == 5 && st.format == 1) {
            w.key("coverage");
            w.strings(st.coverage.glyphNames);
            w.key("subRuleSets");
            w.open('[');
            for (const GSOTSubRuleSet &set : st.subRuleSets) {
                w.open('[');
                for (const GSOTSubRule &r : set.subRules) {
                    w.open('{');
                    w.key("input");
                    w.strings(r.input);
                    w.key("substLookupRecords");
                    writeRecords(w, r.substLookupRecords);
                    w.close('}');
                }
                w.close(']');
            }
            w.close(']');
        } else if (type == 5 && st.format == 3) {
            w.key("inputCoverages");
            writeCoverages(w, st.coverages);
            w.key("substLookupRecords");
            writeRecords(w, st.substLookupRecords);
        } else if (st.format == 1) {
            w.key("coverage");
            w.strings(st.coverage.glyphNames);
            w.key("chainSubRuleSets");
            w.open('[');
            for (const GSOTChainSubRuleSet &set : st.chainSubRuleSets) {
                w.open('[');
                for (const GSOTChainSubRule &r : set.chainSubRules) {
                    w.open('{');
                    w.key("backtracks");
                    w.strings(r.backtracks);
                    w.key("input");
                    w.strings(r.input);
                    w.key("lookAheads");
                    w.strings(r.lookAheads);
                    w.key("substLookupRecords");
                    writeRecords(w, r.substLookupRecords);
                    w.close('}');
                }
                w.close(']');
            }
            w.close(']');
        } else if (st.format == 3) {
            w.key("backtrackCoverages");
            writeCoverages(w, st.backtrackCoverages);
            w.key("inputCoverages");
            writeCoverages(w, st.inputCoverages);
            w.key("lookAheadCoverages");
            writeCoverages(w, st.lookAheadCoverages);
            w.key("substLookupRecords");
            writeRecords(w, st.substLookupRecords);
        }
    }
    w.close('}');
}

} // namespace

std::string writeFontJSON(const GSFont &font) {
    Writer w;
    w.out.reserve(1 << 20);
    w.open('{');
    w.key("format");
    w.str("zelvar-font");
    w.key("formatVersion");
    w.integer(1);
    w.key("familyName");
    w.str(font.familyName());
    w.key("unitsPerEm");
    w.integer(font.unitsPerEm());
    w.key("featureCodeCompiles");
    w.boolean(font.featureCodeCompiles());
    w.key("axes");
    w.open('[');
    for (const GSAxis &a : font.axes()) {
        w.open('{');
        w.key("name");
        w.str(a.name);
        w.key("tag");
        w.str(a.tag);
        w.close('}');
    }
    w.close(']');
    w.key("userData");
    w.dictionary(font.userData().all());
    w.key("customParameters");
    writeParameters(w, font.customParameters());

    w.key("masters");
    w.open('[');
    for (const GSFontMaster *m : font.fontMasters()) {
        w.open('{');
        w.key("id");
        w.str(m->id());
        w.key("name");
        w.str(m->name());
        w.key("xHeight");
        w.num(m->xHeightValue());
        w.key("capHeight");
        w.num(m->capHeightValue());
        w.key("ascender");
        w.num(m->ascender());
        w.key("descender");
        w.num(m->descender());
        w.key("axesValues");
        w.numbers(m->axesValueList());
        w.key("customParameters");
        writeParameters(w, m->customParameters());
        w.key("userData");
        w.dictionary(m->userData().all());
        w.close('}');
    }
    w.close(']');

    w.key("glyphs");
    w.open('[');
    for (const GSGlyph *g : font.glyphs()) {
        w.open('{');
        w.key("id");
        w.str(g->id());
        w.key("name");
        w.str(g->name());
        w.key("unicodes");
        w.strings(g->unicodes());
        w.key("category");
        w.optStr(g->category());
        w.key("subCategory");
        w.optStr(g->subCategory());
        w.key("case");
        w.integer(g->caseValue());
        w.key("script");
        w.optStr(g->script());
        w.key("leftKerningGroup");
        w.optStr(g->leftKerningGroup());
        w.key("rightKerningGroup");
        w.optStr(g->rightKerningGroup());
        w.key("userData");
        w.dictionary(g->userData().all());
        w.key("layers");
        w.open('[');
        for (GSLayer *l : g->layers()) {
            writeLayer(w, *l, l->layerKind());
            if (l->hasBackground())
                writeLayer(w, l->background(), GSLayerKind::Background);
        }
        w.close(']');
        w.close('}');
    }
    w.close(']');

    w.key("kerning");
    if (const GSKerningDictionary *k = font.kerningDictionary()) {
        w.open('{');
        for (const auto &[masterId, rows] : *k) {
            w.key(masterId.c_str());
            w.open('{');
            for (const auto &[left, row] : rows) {
                w.key(left.c_str());
                w.open('{');
                for (const auto &[right, value] : row) {
                    w.key(right.c_str());
                    w.num(value);
                }
                w.close('}');
            }
            w.close('}');
        }
        w.close('}');
    } else {
        w.raw("null");
    }

    w.key("instances");
    w.open('[');
    for (const GSInstance &inst : font.instances()) {
        w.open('{');
        w.key("name");
        w.str(inst.name());
        w.key("axesValues");
        w.numbers(inst.axesValueList());
        w.key("customParameters");
        writeParameters(w, inst.customParameters());
        w.close('}');
    }
    w.close(']');

    w.key("gsub");
    const GSOTTableEntry *entry = font.compositorFont()->source()->tableForKey("GSUB");
    if (const GSOTGSUBTable *t = entry ? entry->table() : nullptr) {
        w.open('{');
        w.key("features");
        w.open('[');
        for (const GSOTFeatureRecord &r : t->featureList.featureRecords) {
            w.open('{');
            w.key("tag");
            w.str(r.featureTag);
            w.key("lookups");
            w.open('[');
            for (std::size_t i : r.feature.lookupListIndexes.indices())
                w.integer(static_cast<std::int64_t>(i));
            w.close(']');
            w.close('}');
        }
        w.close(']');
        w.key("lookups");
        w.open('[');
        for (const GSOTLookup &l : t->lookupList.lookups) {
            w.open('{');
            w.key("type");
            w.integer(l.lookupType);
            w.key("subtables");
            w.open('[');
            for (const GSOTSubtable &st : l.subTables)
                writeSubtable(w, st, l.lookupType);
            w.close(']');
            w.close('}');
        }
        w.close(']');
        w.close('}');
    } else {
        w.raw("null");
    }
    w.close('}');
    w.out += '\n';
    return std::move(w.out);
}

bool writeFontJSONFile(const GSFont &font, const std::string &path, std::string *error) {
    return zv_files::writeFileAtomically(path, writeFontJSON(font), error);
}

bool canWriteFontJSONFile(const std::string &path, std::string *error) {
    return zv_files::checkFileCanBeWritten(path, error);
}
