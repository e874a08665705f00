#include "bridge/ZVOTFeatures.h"

#include <algorithm>

using namespace PLXlibNamespaceForZV;

ZVfeature &find_or_add_feature(std::vector<ZVfeature> &features, const std::string &tag) {
    for (ZVfeature &f : features)
        if (f.tag == tag)
            return f;
    ZVfeature &f = features.emplace_back();
    f.tag = tag;
    return f;
}

void add_substitutions_after_glyph(ZVfeature &target, std::uint16_t g, const ZVfeature &nested) {
    for (const std::vector<ZVsinglesub> *list :
         {&nested.substitutions, &nested.right_substitutions})
        for (const ZVsinglesub &s : *list) {
            if (g == ZV_NO_GLYPH)
                target.right_substitutions.push_back(s);
            else
                target.pair_substitutions.push_back({g, s.source, g, s.substitute});
        }
    target.lookups.insert(nested.lookups.begin(), nested.lookups.end());
}

void add_substitutions_before_glyph(ZVfeature &target, const ZVfeature &nested, std::uint16_t g) {
    for (const std::vector<ZVsinglesub> *list : {&nested.substitutions, &nested.left_substitutions})
        for (const ZVsinglesub &s : *list) {
            if (g == ZV_NO_GLYPH)
                target.left_substitutions.push_back(s);
            else
                target.pair_substitutions.push_back({s.source, g, s.substitute, g});
        }
    target.lookups.insert(nested.lookups.begin(), nested.lookups.end());
}

void set_glyph_flags_from_feature(const ZVfeature &feature,
                                  std::vector<ZVglyph_category> &categories, std::uint16_t source,
                                  std::uint16_t substitute) {
    if (source >= categories.size() || substitute >= categories.size())
        return;
    const std::string &tag = feature.tag;
    ZVglyph_category &s = categories[source];
    ZVglyph_category &t = categories[substitute];
    if (tag == "lnum")
        s.flags |= ZV_LNUM_SOURCE;
    else if (tag == "onum")
        s.flags |= ZV_ONUM_SOURCE;
    else if (tag == "pnum")
        s.flags |= ZV_PNUM_SOURCE;
    if (!(s.flags & (ZV_HAS_UNICODE | ZV_REACHABLE_SUBSTITUTE | ZV_COMPOSITES_PAIR_MEMBER)))
        return;
    t.flags |= ZV_REACHABLE_SUBSTITUTE;
    if (tag == "smcp" || tag == "c2sc")
        t.flags |= ZV_SMALLCAP_SUBSTITUTE;
    else if (tag == "lnum")
        t.flags |= ZV_LNUM_SUBSTITUTE;
    else if (tag == "onum")
        t.flags |= ZV_ONUM_SUBSTITUTE;
    else if (tag == "tnum")
        t.flags |= ZV_TNUM_SUBSTITUTE;
    else if (tag == "sinf" || tag == "dnom" || tag == "numr" || tag == "subs" || tag == "sups")
        t.category = std::max<std::uint8_t>(t.category, ZV_OTHER_LETTER);
}

bool compare_features_by_lookups(const ZVfeature &a, const ZVfeature &b) {
    return std::lexicographical_compare(a.lookups.begin(), a.lookups.end(), b.lookups.begin(),
                                        b.lookups.end());
}
