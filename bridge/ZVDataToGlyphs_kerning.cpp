// The engine's kerning into the host: whole masters, single pairs, the live preview and the erase,
// each marked as the bridge's own write.
#include "bridge/ZVDataToGlyphs.h"

#include "platform/NSRunLoop.h"

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

void ZVDataToGlyphs::writeSimplepairsGrouped(const std::vector<std::vector<ZVsimplepair>> &pairs,
                                             const std::string &toMaster) {
    GSFont *font = gsfont();
    if (!font || !holdsKerningFor(toMaster))
        return;
    setIgnore_observers(true);
    const std::vector<std::string> &ids = get_zvfont()->glyphsinfo._id_for_index;
    auto idOf = [&](std::uint16_t i) -> const std::string * {
        return i < ids.size() && !ids[i].empty() ? &ids[i] : nullptr;
    };
    const double unitsPerEm = font->unitsPerEm();
    ZVbeyondAnEm &beyond = beyondAnEm_[toMaster] = ZVbeyondAnEm();
    writableKerning().refillMaster(toMaster, [&](GSMasterKerning &master) {
        // Left glyphs in ascending index, right glyphs in each list's order (ascending index), so
        // that a saved font is the same from one write to the next. A left glyph keeps its row
        // even when none of its records is written.
        for (std::size_t left = 0; left < pairs.size(); ++left) {
            const std::vector<ZVsimplepair> &list = pairs[left];
            const std::string *leftId = idOf(static_cast<std::uint16_t>(left));
            if (list.empty() || !leftId)
                continue;
            GSKerningRow &row =
                master.setObject(GSKerningRow::dictionaryWithCapacity(list.size()), *leftId);
            for (const ZVsimplepair &r : list)
                if (const std::string *rightId = idOf(r.indices.second))
                    if (const std::optional<int> v = writtenValue(r, unitsPerEm, &beyond))
                        row.setObject(*v, *rightId);
        }
    });
    unignoreObserversAfterDelay();
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
    font->setKerningForFontMasterID(master->id(), left, right,
                                    beyondAnEm(value, font->unitsPerEm()) ? 0.f : value, 0);
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
    unignoreObserversAfterDelay();
}
