// Stored pair lists, existing kerning and host edits of kerning.
#include "bridge/ZVDataFromGlyphs.h"

#include "bridge/ZVUserData.h"
#include "platform/NSAlert.h"
#include "version/ZVVersionChecker.h"

using namespace PLXlibNamespaceForZV;

namespace {

// The host answers at least 2^63 for a pair without kerning; anything above a million is none.
constexpr double kNoKerningAbove = 1000000.0;

double kerningOf(const GSFont &font, const std::string &masterId, const GSGlyph *left,
                 const GSGlyph *right) {
    return font.kerningForFontMasterIDFirstGlyph(masterId, left, right, 0);
}

// Font units of `from` in font units of `to`.
double unitsRatio(const GSFont &to, const GSFont &from) {
    return from.unitsPerEm() == 0 ? 1.0 : static_cast<double>(to.unitsPerEm()) / from.unitsPerEm();
}

// A stored text as a message quotes it: at most about forty bytes, cut between characters.
std::string quoted(const std::string &text) {
    constexpr std::size_t kLongest = 40;
    if (text.size() <= kLongest)
        return "“" + text + "”";
    std::size_t end = kLongest;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end; // not inside a UTF-8 sequence
    return "“" + text.substr(0, end) + "…”";
}

} // namespace

bool ZVDataFromGlyphs::glyph(const GSGlyph *glyph, const std::string &hasStoredGlyphName) {
    const std::string *stored = glyph ? zvuserdata::string(*glyph, zvuserdata::kName) : nullptr;
    return stored && *stored == hasStoredGlyphName;
}

GSGlyph *ZVDataFromGlyphs::glyphForStoredName(const GSFont *font, const std::string &name) {
    if (!font)
        return nullptr;
    GSGlyph *named = font->glyphForName(name);
    if (glyph(named, name))
        return named;
    // The glyph that carried the name when the list was stored, renamed since.
    for (GSGlyph *g : font->glyphs())
        if (glyph(g, name))
            return g;
    return named;
}

std::uint16_t ZVDataFromGlyphs::zvIndexForGlyphNameInUserData(const std::string &name) const {
    const GSGlyph *g = glyphForStoredName(gsfont(), name);
    return g ? zvIndexForId(g->id()) : ZV_NO_GLYPH;
}

std::vector<ZVminipair>
ZVDataFromGlyphs::readCustomPairsFromMaster(const GSFontMaster *master,
                                            const std::string &userDictKey) const {
    std::vector<ZVminipair> out;
    const GSFont *font = gsfont();
    const PlistArray *list = master ? zvuserdata::array(*master, userDictKey) : nullptr;
    const GSFont *masterFont = master ? master->font() : nullptr;
    if (!font || !list || list->empty() || !masterFont)
        return out;
    out.reserve(list->size());
    const bool own = masterFont == font;
    const double scale = own ? 1.0 : unitsRatio(*font, *masterFont);
    for (const PlistValue &entry : *list) {
        // Anything but two glyph names is no pair: "A V 1e30" must not become a model A V.
        const auto names = zvuserdata::pairEntry(entry);
        if (!names)
            continue;
        const std::string &leftName = names->first, &rightName = names->second;
        const std::uint16_t left = zvIndexForGlyphNameInUserData(leftName);
        const std::uint16_t right = zvIndexForGlyphNameInUserData(rightName);
        if (left == ZV_NO_GLYPH || right == ZV_NO_GLYPH)
            continue;
        float value = 0;
        if (userDictKey != zvuserdata::kUserSetAutopairs) {
            // Another font's list names its glyphs by that font's own stored names.
            const GSGlyph *l =
                own ? glyphForZvIndex(left) : glyphForStoredName(masterFont, leftName);
            const GSGlyph *r =
                own ? glyphForZvIndex(right) : glyphForStoredName(masterFont, rightName);
            if (!l || !r)
                continue;
            const double v = kerningOf(*masterFont, master->id(), l, r);
            value = v > kNoKerningAbove ? 0.f : static_cast<float>(v * scale);
        }
        out.push_back({left, right, value});
    }
    return out;
}

std::vector<ZVpair_frequency> ZVDataFromGlyphs::frequentPairs() {
    return zvfont_.get_expanded_pairs();
}

std::map<ZVglyph_pair, float>
ZVDataFromGlyphs::existingKerningFromMaster(const GSFontMaster *master) {
    std::map<ZVglyph_pair, float> out;
    const GSFont *font = gsfont();
    const GSFont *masterFont = master ? master->font() : nullptr;
    if (!font || !masterFont)
        return out;
    const GSMasterKerning *kerning = masterFont->masterKerning(master->id(), 0);
    if (!kerning || kerning->count() == 0)
        return out;
    const bool own = masterFont == font;
    if (!own) {
        const bool counterpart =
            font->countOfFontMasters() == 1 || masterWithName(master->name(), font) != nullptr;
        if (!counterpart)
            return out;
    }
    const double scale = own ? 1.0 : unitsRatio(*font, *masterFont);
    const std::vector<std::string> &names = zvfont_.glyphsinfo._glyph_name_for_index;
    auto glyphAt = [&](std::uint16_t i) -> const GSGlyph * {
        if (own)
            return glyphForZvIndex(i);
        return i < names.size() ? masterFont->glyphForName(names[i]) : nullptr;
    };
    for (const auto &[pair, frequency] : frequentPairs()) {
        const GSGlyph *l = glyphAt(pair.first);
        const GSGlyph *r = glyphAt(pair.second);
        if (!l || !r)
            continue;
        const double v = kerningOf(*masterFont, master->id(), l, r);
        if (v > kNoKerningAbove)
            continue;
        out.emplace(pair, static_cast<float>(v * scale)); // the first value stays
    }
    return out;
}

bool ZVDataFromGlyphs::updateValueFromGlyphsToZV(const ZVsimplepair *p) {
    const GSFont *font = gsfont();
    const GSFontMaster *master = currentMaster();
    if (!p || !font || !hasRunningMaster())
        return false;
    const std::uint8_t kind = p->properties.kind();
    if (kind == ZV_AUTOKERNED)
        return false;
    const GSGlyph *left = glyphForZvIndex(p->indices.first);
    const GSGlyph *right = glyphForZvIndex(p->indices.second);
    if (!left || !right)
        return false;
    const double v = font->kerningForFontMasterIDLeftKey(master->id(), left->id(), right->id(), 0);
    const float written = round_pair_value(*p, 2.0f);
    const bool userSetAtZero = kind == ZV_USER_SET_AUTO && written == 0;
    if (v <= kNoKerningAbove) {
        if (!userSetAtZero && v == static_cast<double>(written))
            return false;
        zvfont_.set_value(p->indices, static_cast<float>(v), master->id());
        return true;
    }
    // The designer deleted the pair in the host: it goes back to autokerning.
    if (userSetAtZero)
        return false;
    zvfont_.set_autos({p->indices}, master->id());
    return true;
}

void ZVDataFromGlyphs::noteUnreadableLists(const GSFontMaster *master) {
    for (const std::string *key :
         {&zvuserdata::kModels, &zvuserdata::kIndependentPairs, &zvuserdata::kUserSetAutopairs}) {
        const PlistValue *value = master->userDataForKey(*key);
        if (!value)
            continue;
        const std::string where = "the stored " + quoted(*key) + " of the master " + master->name();
        const PlistArray *list = value->asArray();
        if (!list) {
            addMasterNotice(master, "Could not read " + where +
                                        ": it is not a list of pairs. It counts as empty.");
            continue;
        }
        std::size_t unreadable = 0;
        const std::string *example = nullptr;
        for (const PlistValue &entry : *list)
            if (!zvuserdata::pairEntry(entry)) {
                ++unreadable;
                if (!example)
                    example = entry.asString();
            }
        if (unreadable == 0)
            continue;
        const std::string such = example ? ", such as " + quoted(*example) : "";
        addMasterNotice(master, unreadable == 1
                                    ? "Could not read an entry of " + where + such +
                                          ": an entry is two glyph names. It was left out."
                                    : "Could not read " + std::to_string(unreadable) +
                                          " entries of " + where + such +
                                          ": an entry is two glyph names. They were left out.");
    }
}

void ZVDataFromGlyphs::addModelsAndIndependentsFromMaster(GSFontMaster *source) {
    const GSFont *font = gsfont();
    if (!font || !source || !source->font() || !hasRunningMaster())
        return;
    const std::string &id = currentMaster()->id();
    const std::vector<ZVminipair> models = readCustomPairsFromMaster(source, zvuserdata::kModels);
    const std::vector<ZVminipair> independents =
        readCustomPairsFromMaster(source, zvuserdata::kIndependentPairs);
    if (!zvfont_.any_value_contradictions(models, independents, id)) {
        zvfont_.add_models_and_independents(models, independents, false, id);
        return;
    }
    const bool own = source->font() == font;
    NSAlert alert;
    alert.setMessageText("Some pairs already exist in the current " +
                         std::string(own ? "master" : "font") +
                         ".\nWould you like to keep the values for these pairs, or use the "
                         "values from " +
                         (own ? source->name() : std::string("the other font")) + "?");
    alert.setIcon(ZVVersionChecker::zv()->pluginLogo());
    alert.addButtonWithTitle("Keep");
    alert.addButtonWithTitle("Update");
    alert.addButtonWithTitle("Cancel");
    const long answer = alert.runModal();
    if (answer == NSAlert::NSAlertFirstButtonReturn || answer == NSAlert::NSAlertSecondButtonReturn)
        zvfont_.add_models_and_independents(models, independents,
                                            answer == NSAlert::NSAlertSecondButtonReturn, id);
}
