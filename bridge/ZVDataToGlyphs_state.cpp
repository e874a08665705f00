// The plug-in's state in the font's user data: the version that last opened the font, the special
// spacing groups of every glyph, every master's pair lists, and the interpolation and autokerning
// marks of the current master.
#include "bridge/ZVDataToGlyphs.h"

#include "bridge/ZVUserData.h"
#include "platform/NSAlert.h"
#include "version/ZVVersionChecker.h"

#include <cctype>

namespace {

// Versions compared as the system compares strings numerically: runs of digits by their value
// (so 1.9 is below 1.31), everything else character by character; a string that ends first is
// the smaller.
int compareVersions(const std::string &a, const std::string &b) {
    auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            // By value without converting, so that no run of digits is too long: leading zeros
            // go, then the longer run is the larger, then the first differing digit decides.
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            if (const int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0)
                return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

// Whether a stored version reads as one: runs of digits joined by single dots ("1.31", "2").
bool isVersionString(const std::string &s) {
    bool digitBefore = false;
    for (const char c : s) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            digitBefore = true;
        else if (c == '.' && digitBefore)
            digitBefore = false;
        else
            return false;
    }
    return digitBefore;
}

const char *sideKey(std::int8_t side) { return side == 0 ? "L" : "R"; }

} // namespace

void ZVDataToGlyphs::updateStoredZelvarVersion() {
    GSFont *font = gsfont();
    const std::optional<std::string> current = ZVVersionChecker::zv()->displayVersionCurrent();
    if (!font || !current)
        return; // an unknown version would replace a known one
    const std::string *storedValue = zvuserdata::string(*font, zvuserdata::kVersion);
    const std::string stored = storedValue ? *storedValue : "0.0";
    const int order = compareVersions(*current, stored);
    if (order == 0)
        return;
    if (storedValue) {
        ZVfontMM &mm = *get_zvfont();
        // Only what reads as a version can be a newer one ("v1.x-beta" is none).
        if (order < 0 && isVersionString(stored) && hasRunningMaster()) {
            const std::string id = currentMaster()->id();
            updateEngineMaster(id, [&mm, id] {
                mm.get_master(id).generate_version_related_feedback(ZVfeedback::newer_version);
            });
        }
        if (compareVersions(stored, "1.31") < 0)
            for (const ZVfont &m : mm.masters) {
                const std::string id = m.name;
                updateEngineMaster(id, [&mm, id] {
                    mm.get_master(id).generate_version_related_feedback(
                        ZVfeedback::composite_pairs_added);
                });
            }
    }
    font->setUserData(PlistValue(*current), zvuserdata::kVersion);
}

void ZVDataToGlyphs::writeTrackingGroupToGlyph(GSGlyph *glyph, std::int8_t side,
                                               const std::string &trackingGroupName) {
    if (!glyph)
        return;
    const std::string key = sideKey(side);
    const PlistValue *stored = glyph->userDataForKey(zvuserdata::kSpecialSpacing);
    if (PlistDictionary *groups = stored ? stored->asDictionary() : nullptr) {
        // Changed in place: the dictionary stays, possibly empty.
        if (trackingGroupName.empty())
            groups->removeObjectForKey(key);
        else
            groups->setObject(PlistValue(trackingGroupName), key);
        return;
    }
    if (trackingGroupName.empty())
        return;
    PlistDictionary groups;
    groups.setObject(PlistValue(trackingGroupName), key);
    glyph->setUserData(PlistValue(std::move(groups)), zvuserdata::kSpecialSpacing);
}

void ZVDataToGlyphs::writeAllTrackingGroups() {
    const GSFont *font = gsfont();
    if (!font)
        return;
    const PLXlibNamespaceForZV::ZVglyphsinfo &info = get_zvfont()->glyphsinfo;
    for (GSGlyph *g : font->glyphs()) {
        const std::uint16_t index = zvIndexForId(g->id());
        if (index == PLXlibNamespaceForZV::ZV_NO_GLYPH || index >= info.custom_tracking_groups.size())
            continue; // a glyph added since the engine was built
        const PLXlibNamespaceForZV::ZVgroup_pair groups = info.custom_tracking_groups[index];
        for (std::int8_t side = 0; side < 2; ++side) {
            const std::int16_t group = side == 0 ? groups.first : groups.second;
            std::string name;
            if (group == PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP)
                name = zvuserdata::kNoKerning;
            else if (group >= 2 && static_cast<std::size_t>(group) < info.tracking_group_names.size())
                name = info.tracking_group_names[static_cast<std::size_t>(group)];
            writeTrackingGroupToGlyph(g, side, name);
        }
    }
}

bool ZVDataToGlyphs::setTrackingGroupForSelectedLayersforSide(std::int8_t side, long withTag,
                                                              const std::string &withGroupName) {
    // A group change rekerns every master; none may be starting up.
    if (!gsfont() || anyMasterStartingUp())
        return false;
    std::string name = withGroupName;
    if (withTag == 2)
        name.clear();
    else if (withTag == 3)
        name = zvuserdata::kNoKerning;
    else if (name.empty())
        return false; // the engine would read no name as no kerning, the font as standard
    ZVfontMM &mm = *get_zvfont();
    bool changed = false;
    for (GSLayer *layer : selectedLayers()) {
        GSGlyph *glyph = layer ? layer->parent() : nullptr;
        if (!glyph)
            continue;
        bool glyphChanged;
        if (withTag == 2)
            glyphChanged = mm.set_tracking_group_index(glyph->id(), side, 0);
        else if (withTag == 3)
            glyphChanged =
                mm.set_tracking_group_index(glyph->id(), side, PLXlibNamespaceForZV::ZV_NO_KERNING_GROUP);
        else
            glyphChanged = mm.set_tracking_group(glyph->id(), side, name);
        if (glyphChanged) {
            changed = true;
            writeTrackingGroupToGlyph(glyph, side, name);
        }
    }
    return changed;
}

void ZVDataToGlyphs::storeGlyphPairs(const std::vector<std::pair<GSGlyph *, GSGlyph *>> &pairs,
                                     GSFontMaster *master, const std::string &key) {
    PlistArray list;
    list.reserve(pairs.size());
    for (const auto &[left, right] : pairs) {
        for (GSGlyph *g : {left, right})
            if (!glyph(g, g->name()))
                g->setUserData(PlistValue(g->name()), zvuserdata::kName);
        list.emplace_back(left->name() + " " + right->name());
    }
    if (list.empty())
        master->removeUserDataForKey(key);
    else
        master->setUserData(PlistValue(std::move(list)), key);
}

void ZVDataToGlyphs::rewriteStoredListsUnderCurrentNames() {
    GSFont *font = gsfont();
    if (!font)
        return;
    // Every list is resolved while all the marks still find their glyphs, and only then are the
    // marks renewed: renaming glyph by glyph would let a name that another glyph gave up (an
    // alternate promoted to "o", two names swapped) take over that glyph's entries.
    struct Stored {
        GSFontMaster *master;
        const std::string *key;
        std::vector<std::pair<GSGlyph *, GSGlyph *>> pairs;
    };
    std::vector<Stored> lists;
    for (GSFontMaster *m : font->fontMasters())
        for (const std::string *key :
             {&zvuserdata::kModels, &zvuserdata::kIndependentPairs, &zvuserdata::kUserSetAutopairs}) {
            // A value that is no list cannot be read: it stays as it is.
            const PlistArray *list = zvuserdata::array(*m, *key);
            if (!list)
                continue;
            Stored s{m, key, {}};
            for (const PlistValue &entry : *list)
                if (const auto names = zvuserdata::pairEntry(entry)) {
                    GSGlyph *left = glyphForStoredName(font, names->first);
                    GSGlyph *right = glyphForStoredName(font, names->second);
                    if (left && right)
                        s.pairs.emplace_back(left, right);
                }
            lists.push_back(std::move(s));
        }
    for (GSGlyph *g : font->glyphs())
        g->removeUserDataForKey(zvuserdata::kName);
    for (const Stored &s : lists)
        storeGlyphPairs(s.pairs, s.master, *s.key);
}

void ZVDataToGlyphs::writeCustomPairs(const std::vector<ZVglyph_pair> &pairs,
                                      GSFontMaster *toUserDictForMaster,
                                      const std::string &withKey) {
    GSFontMaster *master = toUserDictForMaster;
    if (!gsfont() || !master)
        return;
    std::vector<std::pair<GSGlyph *, GSGlyph *>> glyphs;
    glyphs.reserve(pairs.size());
    bool renamed = false;
    for (const ZVglyph_pair &p : pairs) {
        GSGlyph *left = glyphForZvIndex(p.first);
        GSGlyph *right = glyphForZvIndex(p.second);
        if (!left || !right)
            continue;
        for (const GSGlyph *g : {left, right}) {
            const std::string *mark = zvuserdata::string(*g, zvuserdata::kName);
            renamed = renamed || (mark && *mark != g->name());
        }
        glyphs.emplace_back(left, right);
    }
    // A glyph renamed since the lists were stored: the other lists still name it by its mark, so
    // they follow it before the mark changes.
    if (renamed)
        rewriteStoredListsUnderCurrentNames();
    storeGlyphPairs(glyphs, master, withKey);
}

void ZVDataToGlyphs::writeAllCustomPairsToMaster(GSFontMaster *master) {
    if (!gsfont() || !master || isStartingUp(master) || !engineHasMaster(master->id()))
        return;
    const ZVfontMM &mm = *get_zvfont();
    const std::string &id = master->id();
    if (!mm.can_be_modified(id))
        return; // a master the engine does not kern keeps what it has
    writeCustomPairs(mm.get_models(id), master, zvuserdata::kModels);
    writeCustomPairs(mm.get_independents(id), master, zvuserdata::kIndependentPairs);
    writeCustomPairs(mm.get_user_set_autos(id), master, zvuserdata::kUserSetAutopairs);
}

void ZVDataToGlyphs::syncKerningTypes(GSFont *otherFont) {
    GSFont *font = gsfont();
    // A group change rekerns every master; none may be starting up.
    if (!font || !otherFont || anyMasterStartingUp())
        return;
    NSAlert alert;
    alert.setMessageText("This will overwrite the special spacing and no-kerning settings for all "
                         "glyphs in this font.");
    alert.setIcon(ZVVersionChecker::zv()->pluginLogo());
    alert.addButtonWithTitle("OK");
    alert.addButtonWithTitle("Cancel");
    if (alert.runModal() != NSAlert::NSAlertFirstButtonReturn)
        return;
    ZVfontMM &mm = *get_zvfont();
    for (const GSGlyph *other : otherFont->glyphs()) {
        GSGlyph *mine = font->glyphForName(other->name());
        if (!mine)
            continue;
        if (const PlistValue *groups = other->userDataForKey(zvuserdata::kSpecialSpacing))
            mine->setUserData(groups->deepCopy(), zvuserdata::kSpecialSpacing);
        else
            mine->removeUserDataForKey(zvuserdata::kSpecialSpacing);
        // The reload below sets only the sides that name a group: the others go back to the
        // standard group first.
        mm.set_tracking_group_index(mine->id(), 0, 0);
        mm.set_tracking_group_index(mine->id(), 1, 0);
    }
    trackingGroupsFromGlyhpsToZV();
    zvfontToGlyphs();
}

void ZVDataToGlyphs::unAutokernCurrentMaster() {
    GSFontMaster *master = currentMaster();
    if (!gsfont() || !hasRunningMaster())
        return;
    get_zvfont()->un_autokern(master->id());
    master->removeUserDataForKey(zvuserdata::kAutokernedFrom);
    setCurrentMasterHasChanged(true);
}

void ZVDataToGlyphs::toggleInterpolateCurrentMaster() {
    GSFontMaster *master = currentMaster();
    if (!gsfont() || !hasRunningMaster())
        return;
    ZVfontMM &mm = *get_zvfont();
    const std::string &id = master->id();
    if (mm.get_master(id).status != ZVfont::interpolated) {
        const std::vector<std::pair<double, std::string>> coeffs = coeffsForMaster(master);
        if (coeffs.empty())
            return; // nothing to interpolate from: the master stays as it is
        mm.set_interpolated(coeffs, id);
        master->setUserData(PlistValue(1), zvuserdata::kIsInterpolated);
        // Interpolated, it takes its kerning from no source any more.
        for (const std::string *key :
             {&zvuserdata::kModels, &zvuserdata::kIndependentPairs, &zvuserdata::kUserSetAutopairs,
              &zvuserdata::kAutokernedFrom})
            master->removeUserDataForKey(*key);
    } else {
        mm.set_interpolated({}, id);
        master->removeUserDataForKey(zvuserdata::kIsInterpolated);
    }
    setCurrentMasterHasChanged(true);
    zvfontToGlyphs();
    updateInterpolationCoeffs();
}
