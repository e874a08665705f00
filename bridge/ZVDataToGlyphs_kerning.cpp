// The engine's kerning into the host: whole masters, single pairs, the live preview and the erase,
// each marked as the bridge's own write.
#include "bridge/ZVDataToGlyphs.h"

#include "platform/NSRunLoop.h"

#include <algorithm>

ZVDataToGlyphs::ZVDataToGlyphs() = default;

ZVDataToGlyphs::ZVDataToGlyphs(GSFont *font) : ZVDataFromGlyphs(font) {}

std::shared_ptr<ZVDataToGlyphs> ZVDataToGlyphs::writerForFont(const GSFont *font) {
    return std::dynamic_pointer_cast<ZVDataToGlyphs>(bridgeForFont(font));
}

void ZVDataToGlyphs::unignoreObserversAfterDelay() {
    std::shared_ptr<bool> flag = ignoreObservers_;
    NSRunLoop::mainRunLoop().perform([flag] { *flag = false; });
}

std::optional<int> ZVDataToGlyphs::writtenValue(const ZVsimplepair &record, double unitsPerEm,
                                                ZVbeyondAnEm *beyond) {
    // The engine's rounding with a least magnitude of 2; a pair the designer set is rounded to
    // the nearest whole number and always written, unless it is an em or more.
    const float v = (record.properties.c & 0x02) ? round_half_away(record.value)
                                                 : round_pair_value(record, 2.0f);
    if (beyondAnEm(v, unitsPerEm)) {
        if (beyond)
            beyond->add(record.indices);
        return std::nullopt;
    }
    if (v == 0 && !(record.properties.c & 0x06))
        return std::nullopt;
    return static_cast<int>(v);
}

const ZVbeyondAnEm &ZVDataToGlyphs::pairsBeyondAnEm(const std::string &masterId) const {
    static const ZVbeyondAnEm none;
    const auto it = beyondAnEm_.find(masterId);
    return it == beyondAnEm_.end() ? none : it->second;
}

GSKerningDictionary &ZVDataToGlyphs::writableKerning() {
    GSFont *font = gsfont();
#if ZV_HOST_VERSION == 2
    GSKerningDictionary *kerning = font->kerning();
#else
    GSKerningDictionary *kerning = font->kerningLTR();
#endif
    return kerning ? *kerning : font->ensureKerning();
}

void ZVDataToGlyphs::writeMasterKerning(const GSMasterKerning &kerning,
                                        const std::string &toMaster) {
    if (!gsfont())
        return;
    setIgnore_observers(true);
    // The master's kerning is replaced whole: none of it is the lists' own any more.
    writtenPairs_.erase(toMaster);
    writableKerning().refillMaster(toMaster, [&](GSMasterKerning &master) {
        for (const auto &[left, row] : kerning) {
            GSKerningRow &into =
                master.setObject(GSKerningRow::dictionaryWithCapacity(row.count()), left);
            for (const auto &[right, value] : row)
                into.setObject(value, right);
        }
    });
    unignoreObserversAfterDelay();
}

bool ZVDataToGlyphs::holdsKerningFor(const std::string &masterId) const {
    const GSFont *font = gsfont();
    if (isStartingUp(masterId) || (font && whyMasterDoesNotStart(font->fontMasterForId(masterId))))
        return false; // starting, or never to start: nothing of the engine's is its kerning
    // Linked metrics, interpolated, not kerned yet, or waiting for a source: the host's kerning
    // is the master's. So is it for a master without models, whose engine holds only its
    // independent pairs: writing those would erase the rest.
    for (const ZVfont &m : get_zvfont()->masters)
        if (m.name == masterId)
            return (m.status == ZVfont::kerned || m.status == ZVfont::engine_taken_over) &&
                   m.has_models();
    return false;
}

namespace {

bool startsWith(const std::string &s, const std::string &prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

bool hasGroupEntries(const GSMasterKerning &kerning) {
    for (const auto &[left, row] : kerning) {
        if (startsWith(left, GSLeftGroupPrefix))
            return true;
        for (const auto &entry : row)
            if (startsWith(entry.first, GSRightGroupPrefix))
                return true;
    }
    return false;
}

/// What the master's kerning-group entries give a glyph pair, or nullptr.
const double *groupValue(const GSFont &font, const GSMasterKerning &kerning,
                         const std::string &leftId, const std::string &rightId) {
    const GSGlyph *l = font.glyphForId(leftId), *r = font.glyphForId(rightId);
    return l && r ? GSGroupKerningValue(kerning, leftId, rightId, l->rightKerningGroup(),
                                        r->leftKerningGroup())
                  : nullptr;
}

} // namespace

ZVkerningwrite
ZVDataToGlyphs::writeSimplepairsGrouped(const std::vector<std::vector<ZVsimplepair>> &pairs,
                                        const std::string &toMaster) {
    ZVkerningwrite counts;
    GSFont *font = gsfont();
    if (!font || !holdsKerningFor(toMaster))
        return counts;
    setIgnore_observers(true);
    const PLXlibNamespaceForZV::ZVglyphsinfo &info = get_zvfont()->glyphsinfo;
    const std::vector<std::string> &ids = info._id_for_index;
    auto idOf = [&](std::uint16_t i) -> const std::string * {
        return i < ids.size() && !ids[i].empty() ? &ids[i] : nullptr;
    };
    const double unitsPerEm = font->unitsPerEm();
    ZVbeyondAnEm &beyond = beyondAnEm_[toMaster] = ZVbeyondAnEm();
    std::map<ZVglyph_pair, int> before;
    before.swap(writtenPairs_[toMaster]);
    std::map<ZVglyph_pair, int> &written = writtenPairs_[toMaster];
    // An entry this bridge wrote whose pair the engine no longer holds, unchanged since.
    auto stale = [&](std::uint16_t left, const std::string &rightKey, double value) {
        if (before.empty() || left == PLXlibNamespaceForZV::ZV_NO_GLYPH)
            return false;
        const auto it = before.find({left, info.index_for_id(rightKey)});
        return it != before.end() && it->second == value;
    };
    writableKerning().updateMaster(toMaster, [&](GSMasterKerning &master) {
        GSMasterKerning old = std::move(master);
        master = GSMasterKerning::dictionaryWithCapacity(std::max(old.count(), pairs.size()));
        const bool groups = hasGroupEntries(old);
        std::vector<bool> heldLeft(pairs.size(), false);
        std::vector<std::uint16_t> heldRight;
        // Left glyphs in ascending index, right glyphs in each list's order (ascending index), so
        // that a saved font is the same from one write to the next. A left glyph keeps its row
        // even when none of its records is written.
        for (std::size_t left = 0; left < pairs.size(); ++left) {
            const std::vector<ZVsimplepair> &list = pairs[left];
            const std::string *leftId = idOf(static_cast<std::uint16_t>(left));
            if (list.empty() || !leftId)
                continue;
            heldLeft[left] = true;
            const GSKerningRow *oldRow = old.objectForKey(*leftId);
            GSKerningRow &row = master.setObject(
                GSKerningRow::dictionaryWithCapacity(list.size() + (oldRow ? oldRow->count() : 0)),
                *leftId);
            heldRight.clear();
            for (const ZVsimplepair &r : list) {
                const std::string *rightId = idOf(r.indices.second);
                if (!rightId)
                    continue;
                heldRight.push_back(r.indices.second);
                std::optional<int> v = writtenValue(r, unitsPerEm, &beyond);
                // Where the rule writes nothing, a kerning group must not give the pair a value.
                if (!v && groups)
                    if (const double *g = groupValue(*font, old, *leftId, *rightId); g && *g != 0)
                        v = 0;
                const bool had = oldRow && oldRow->objectForKey(*rightId);
                if (v) {
                    row.setObject(*v, *rightId);
                    written[r.indices] = *v;
                    ++counts.written;
                    counts.replaced += had;
                } else if (had) {
                    ++counts.removed;
                }
            }
            if (!oldRow)
                continue;
            std::sort(heldRight.begin(), heldRight.end());
            for (const auto &[right, value] : *oldRow) {
                const std::uint16_t r = info.index_for_id(right);
                if (r != PLXlibNamespaceForZV::ZV_NO_GLYPH &&
                    std::binary_search(heldRight.begin(), heldRight.end(), r))
                    continue;
                if (stale(static_cast<std::uint16_t>(left), right, value)) {
                    ++counts.removed;
                    continue;
                }
                row.setObject(value, right);
                ++counts.kept;
            }
        }
        // Every other row as it was, but for the bridge's own entries the engine no longer holds.
        for (auto &[key, oldRow] : old) {
            const std::uint16_t left = info.index_for_id(key);
            if (left < heldLeft.size() && heldLeft[left])
                continue;
            GSKerningRow row = GSKerningRow::dictionaryWithCapacity(oldRow.count());
            bool removedAny = false;
            for (const auto &[right, value] : oldRow) {
                if (stale(left, right, value)) {
                    ++counts.removed;
                    removedAny = true;
                    continue;
                }
                row.setObject(value, right);
                ++counts.kept;
            }
            if (!row.empty() || !removedAny)
                master.setObject(std::move(row), key);
        }
    });
    lastWrites_[toMaster] = counts;
    unignoreObserversAfterDelay();
    return counts;
}

const ZVkerningwrite *ZVDataToGlyphs::lastKerningWrite(const std::string &masterId) const {
    const auto it = lastWrites_.find(masterId);
    return it == lastWrites_.end() ? nullptr : &it->second;
}

void ZVDataToGlyphs::zvfontToGlyphs() {
    GSFont *font = gsfont();
    if (!font || !hasRunningMaster())
        return;
    GSFontMaster *master = currentMaster();
    if (!holdsKerningFor(master->id())) {
        // The host keeps its kerning, but the lists are the engine's all the same: a master
        // whose models were all handed back must not bring them back at the next opening.
        writeAllCustomPairsToMaster(master);
        return;
    }
    setIgnore_observers(true);
    font->disableUpdateInterface();
    writeSimplepairsGrouped(get_zvfont()->get_single_master_flat_kerning(master->id()).lists,
                            master->id());
    const GSWindowController *wc = windowController();
    if (GSEditViewController *tab = wc ? wc->activeEditViewController() : nullptr) {
        tab->forceRedraw();
        tab->updatePreview();
#if ZV_HOST_VERSION == 2
        tab->updateFormatBar();
#endif
    }
    writeAllCustomPairsToMaster(master);
    font->enableUpdateInterface();
    unignoreObserversAfterDelay();
}

void ZVDataToGlyphs::singlePairToGlyphs(const ZVsimplepair *pair) {
    GSFont *font = gsfont();
    const GSFontMaster *master = currentMaster();
    const std::vector<std::string> &ids = get_zvfont()->glyphsinfo._id_for_index;
    // The whole-master write's guard: linked, interpolated and other masters whose kerning the
    // engine does not make keep the host's.
    if (!font || !master || !pair || pair->indices.first >= ids.size() ||
        pair->indices.second >= ids.size() || !holdsKerningFor(master->id()))
        return;
    const std::string &left = ids[pair->indices.first], &right = ids[pair->indices.second];
    if (left.empty() || right.empty())
        return;
    setIgnore_observers(true);
    font->disableUpdateInterface();
    const float value = round_pair_value(*pair, 2.0f);
    const float written = beyondAnEm(value, font->unitsPerEm()) ? 0.f : value;
    font->setKerningForFontMasterID(master->id(), left, right, written, 0);
    writtenPairs_[master->id()][pair->indices] = static_cast<int>(written);
    font->enableUpdateInterface();
    unignoreObserversAfterDelay();
}

void ZVDataToGlyphs::setPairValueToGlyphs(double value) {
    GSFont *font = gsfont();
    if (!font)
        return;
    // Each value goes into the left layer's master: only one whose kerning the engine makes.
    auto preview = [&](GSLayer *left, GSLayer *right) {
        if (left && holdsKerningFor(left->associatedMasterId()))
            setSinglePairValue(value, left, right);
    };
    setIgnore_observers(true);
    font->disableUpdateInterface();
    if (pairFirstLayer() && pairSecondLayer()) {
        preview(pairFirstLayer(), pairSecondLayer());
    } else {
        for (const ZVglyph_pair &p : *currentPairs())
            preview(layerForZvIndex(p.first), layerForZvIndex(p.second));
    }
    font->enableUpdateInterface();
    unignoreObserversAfterDelay();
}

void ZVDataToGlyphs::setSinglePairValue(double value, GSLayer *forLayer, GSLayer *toLayer) {
    if (!forLayer || !toLayer)
        return;
#if ZV_HOST_VERSION == 2
    forLayer->setDisableUpdates();
    forLayer->setRightKerning(value, toLayer);
    forLayer->setEnableUpdates();
#else
    forLayer->stopUpdates();
    forLayer->setNextKerning(value, toLayer, 0);
    forLayer->startUpdates();
#endif
}

void ZVDataToGlyphs::removeAllKerning() {
    GSFont *font = gsfont();
    if (!font)
        return;
    setIgnore_observers(true);
#if ZV_HOST_VERSION == 2
    GSKerningDictionary *kerning = font->kerning();
#else
    GSKerningDictionary *kerning = font->kerningForDirection(0);
#endif
    if (kerning)
        kerning->removeAllObjects();
    writtenPairs_.clear();
    unignoreObserversAfterDelay();
}
