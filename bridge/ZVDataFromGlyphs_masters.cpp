// The engine's glyph table, the composites' pairs, the stored special spacing groups and one
// engine master per host master.
#include "bridge/ZVDataFromGlyphs.h"

#include "bridge/ZVOutlineConversion.h"
#include "bridge/ZVUserData.h"
#include "host/GSGlyphsInfo.h"

#include <algorithm>
#include <cctype>
#include <limits>

using namespace PLXlibNamespaceForZV;

namespace {

constexpr std::size_t kMaxGlyphs = 65534;

// The host's hexadecimal scan of a Unicode string: blanks, an optional "0x", the leading hex
// digits; UINT32_MAX when they overflow, 0 when there are none.
std::uint32_t scanHex(const std::string &s) {
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X'))
        i += 2;
    std::uint64_t v = 0;
    for (; i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i])));
        v = v * 16 + static_cast<std::uint64_t>(c <= '9' ? c - '0' : c - 'a' + 10);
        if (v > std::numeric_limits<std::uint32_t>::max())
            return std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(v);
}

std::uint8_t categoryByte(const GSGlyph &g) {
    const std::string category = g.category().value_or("");
    const std::string sub = g.subCategory().value_or("");
    if (category == "Letter") {
#if ZV_HOST_VERSION == 2
        return sub == "Uppercase"   ? ZV_UPPERCASE
               : sub == "Lowercase" ? ZV_LOWERCASE
                                    : ZV_OTHER_LETTER;
#else
        return g.case_() == GSUppercase   ? ZV_UPPERCASE
               : g.case_() == GSLowercase ? ZV_LOWERCASE
                                          : ZV_OTHER_LETTER;
#endif
    }
    if (category == "Number")
        return sub == "Decimal Digit" ? ZV_DIGIT : ZV_OTHER;
    if (category == "Symbol")
        return sub == "Currency" ? ZV_CURRENCY : ZV_OTHER_SYMBOL;
    return ZV_OTHER;
}

double xHeightOf(const GSFontMaster &m) {
#if ZV_HOST_VERSION == 2
    return m.xHeight();
#else
    return m.defaultXHeight();
#endif
}

double capHeightOf(const GSFontMaster &m) {
#if ZV_HOST_VERSION == 2
    return m.capHeight();
#else
    return m.defaultCapHeight();
#endif
}

// Heights go to the engine as whole numbers, truncated toward zero (within the int range).
int truncatedHeight(double v) {
    if (!(v > -2e9 && v < 2e9))
        return 0;
    return static_cast<int>(v);
}

} // namespace

GSLayer *ZVDataFromGlyphs::layerOfMaster(const GSGlyph *glyph, const std::string &masterId) {
    if (!glyph)
        return nullptr;
#if ZV_HOST_VERSION == 2
    return glyph->layerForKey(masterId);
#else
    return glyph->layerForId(masterId);
#endif
}

void ZVDataFromGlyphs::initGlyphsinfo() {
    const GSFont *font = gsfont();
    if (!font)
        return;
    ZVglyphsinfo &info = zvfont_.glyphsinfo;
    std::vector<const GSGlyph *> list;
    if (info.size() > 0) {
        // A rebuild keeps the table's order: the glyphs of its names, an empty place for each
        // name this font lacks; glyphs the table never had are left out.
        list.reserve(info.size());
        for (const std::string &name : info._glyph_name_for_index)
            list.push_back(font->glyphForName(name));
    } else {
        for (const GSGlyph *g : font->glyphs())
            list.push_back(g);
    }
    if (list.size() > kMaxGlyphs)
        list.resize(kMaxGlyphs);
    info.set_glyphs_count(static_cast<unsigned short>(list.size()));
    for (const GSGlyph *g : list) {
        ZVglyph_category c;
        c.category = ZV_OTHER;
        if (!g) {
            info.push_back("", "", c, "", "");
            continue;
        }
        if (const std::optional<std::string> u = g->unicode())
            if (const std::uint32_t value = scanHex(*u)) {
                c.unicode = value;
                c.flags = ZV_HAS_UNICODE;
            }
        c.category = categoryByte(*g);
        info.push_back(g->id(), g->name(), c, nominalScriptForGlyph(g), nominalCategoryForGlyph(g));
    }
}

std::string ZVDataFromGlyphs::nominalScriptForGlyph(const GSGlyph *glyph) {
    if (!glyph || !glyph->script())
        return "";
    return GSGlyphsInfo::scriptTagForScript(*glyph->script()).value_or(*glyph->script());
}

std::string ZVDataFromGlyphs::nominalCategoryForGlyph(const GSGlyph *glyph) {
    if (!glyph || !glyph->category())
        return "other";
    if (*glyph->category() == "Letter" && glyph->subCategory())
        return *glyph->subCategory();
    return *glyph->category();
}

void ZVDataFromGlyphs::addPairsForCompositesPairs() {
    const GSFont *font = gsfont();
    if (!font)
        return;
    std::vector<ZVglyph_pair> &pairs = zvfont_.features.composites_pairs;
    for (const GSGlyph *g : font->glyphs())
        for (const GSLayer *layer : g->layers()) {
            if (!layer->isMasterLayer() || !layer->hasAlignedWidth())
                continue;
            std::uint16_t previous = ZV_NO_GLYPH;
            for (const GSComponent *c : layer->components()) {
                if (c->shouldAttach())
                    continue; // a mark on the glyph before it: the pair goes on past it
                if (c->position().y != 0) {
                    previous = ZV_NO_GLYPH;
                    continue;
                }
                const GSGlyph *base = c->component();
                const std::uint16_t current = base ? zvIndexForId(base->id()) : ZV_NO_GLYPH;
                if (previous != ZV_NO_GLYPH && current != ZV_NO_GLYPH)
                    pairs.push_back({previous, current});
                previous = current;
            }
        }
}

std::optional<std::string> ZVDataFromGlyphs::storedTrackingGroupforGlyph(const GSGlyph *glyph,
                                                                         const std::string &side) {
    if (!glyph)
        return std::nullopt;
    const PlistValue *stored = glyph->userDataForKey(zvuserdata::kSpecialSpacing);
    const PlistDictionary *groups = stored ? stored->asDictionary() : nullptr;
    const PlistValue *entry = groups ? groups->objectForKey(side) : nullptr;
    const std::string *name = entry ? entry->asString() : nullptr;
    // An empty name is the standard group, as a side without entry.
    if (!name || name->empty())
        return std::nullopt;
    return *name;
}

void ZVDataFromGlyphs::trackingGroupsFromGlyhpsToZV() {
    const GSFont *font = gsfont();
    if (!font)
        return;
    for (const GSGlyph *g : font->glyphs())
        for (std::int8_t side = 0; side < 2; ++side) {
            const std::optional<std::string> group =
                storedTrackingGroupforGlyph(g, side == 0 ? "L" : "R");
            if (!group)
                continue;
            if (*group == zvuserdata::kNoKerning)
                zvfont_.set_tracking_group_index(g->id(), side, ZV_NO_KERNING_GROUP);
            else
                zvfont_.set_tracking_group(g->id(), side, *group);
        }
}

bool ZVDataFromGlyphs::anyLinkedMetricsForMaster(const GSFontMaster *master) const {
    const GSFont *font = master ? master->font() : nullptr;
    if (!font)
        return false;
    const std::vector<GSFontMaster *> masters = font->fontMasters();
    if (master != masters.front())
        if (const PlistValue *v = master->customValueForKey("Link Metrics With First Master"))
            if (zvuserdata::integerValue(*v) == 1)
                return true;
    // Linked only to another master of the font: not to itself, not to an id that names none.
    if (const PlistValue *v = master->customValueForKey("Link Metrics With Master"))
        if (const std::string *id = v->asString())
            return *id != master->id() && font->fontMasterForId(*id) != nullptr;
    return false;
}

PLXglyph ZVDataFromGlyphs::engineOutline(GSLayer *layer, const std::string &masterId) {
    ZVconvertedLayer converted = convert_GSLayer(layer, 0);
    const std::string name = layer && layer->parent() ? layer->parent()->name() : std::string();
    std::erase_if(emptiedOutlines_, [&](const ZVemptiedOutline &e) {
        return e.master_id == masterId && e.glyph_name == name;
    });
    if (!converted.refusal.empty())
        emptiedOutlines_.push_back({masterId, name, std::move(converted.refusal)});
    return std::move(converted.glyph);
}

std::vector<PLXglyph> ZVDataFromGlyphs::outlinesForMaster(const GSFontMaster *master) {
    std::vector<PLXglyph> out;
    if (!master || !gsfont())
        return out;
    const std::size_t n = zvfont_.glyphsinfo.size();
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const GSGlyph *g = glyphForZvIndex(static_cast<std::uint16_t>(i));
        if (GSLayer *layer = layerOfMaster(g, master->id())) {
            out.push_back(engineOutline(layer, master->id()));
            continue;
        }
        // An empty place of the table, or a glyph without a layer for the master.
        PLXglyph empty(1, 0, 0);
        if (g) {
            empty.id = g->id();
            empty.name = g->name();
        }
        out.push_back(std::move(empty));
    }
    return out;
}

void ZVDataFromGlyphs::initMaster(GSFontMaster *master) {
    if (!master || !gsfont())
        return;
    const std::string &id = master->id();
    if (anyLinkedMetricsForMaster(master)) {
        zvfont_.add_linked_metrics_master(id);
        for (const std::string *key :
             {&zvuserdata::kIsInterpolated, &zvuserdata::kAutokernedFrom, &zvuserdata::kModels,
              &zvuserdata::kIndependentPairs, &zvuserdata::kUserSetAutopairs})
            removeMasterUserData(master, *key);
        return;
    }
    noteUnreadableLists(master);
    std::vector<PLXglyph> outlines = outlinesForMaster(master);
    const int xHeight = truncatedHeight(xHeightOf(*master));
    const int capHeight = truncatedHeight(capHeightOf(*master));
    if (font_is_untouched_) {
        const std::map<ZVglyph_pair, float> existing = existingKerningFromMaster(master);
        const auto kerned = std::count_if(existing.begin(), existing.end(),
                                          [](const auto &e) { return e.second != 0; });
        if (kerned >= 10)
            is_pre_kerned_ = true;
        zvfont_.add_untouched_master(id, outlines, capHeight, xHeight, existing);
    } else {
        if (master->userDataForKey(zvuserdata::kIsInterpolated)) {
            const std::vector<std::pair<double, std::string>> coeffs = coeffsForMaster(master);
            if (!coeffs.empty()) {
                // Its kerning comes from the others: its own glyphs are never measured.
                zvfont_.add_interpolated_master(id, outlines, capHeight, xHeight, coeffs);
                return;
            }
            removeMasterUserData(master, zvuserdata::kIsInterpolated);
        }
        const std::vector<ZVminipair> independents =
            readCustomPairsFromMaster(master, zvuserdata::kIndependentPairs);
        if (isAutokernedMaster(master))
            zvfont_.add_autokerned_master(id, outlines, independents, capHeight, xHeight);
        else
            zvfont_.add_self_kerned_master(id, outlines,
                                           readCustomPairsFromMaster(master, zvuserdata::kModels),
                                           independents, capHeight, xHeight);
    }
    noteNothingToMeasure(master);
}

void ZVDataFromGlyphs::noteNothingToMeasure(const GSFontMaster *master) {
    const ZVfont &engine = zvfont_.masters.back(); // the one just added
    if (engine.status == ZVfont::linked_metrics)
        return; // kept by the engine already (no usable x-height), it never starts
    const bool measurable =
        std::any_of(engine.glyphs.glyphs.begin(), engine.glyphs.glyphs.end(), [](const ZVglyph &g) {
            return g.width > 0 && !g.left.empty() && !g.right.empty();
        });
    if (measurable)
        return;
    // Started, it would autokern nothing and write that over the master's kerning.
    const std::string why = master->name() + " does not start: none of its glyphs can be measured "
                                             "(each has no width, no outline, or is too large). "
                                             "Its kerning is left as it is.";
    doesNotStart_[master->id()] = why;
    addMasterNotice(master, why);
}
