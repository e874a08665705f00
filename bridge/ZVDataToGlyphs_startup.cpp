// The start-up of the masters: a font set up earlier gets its stored lists under current names,
// then each master's first engine pass runs, possibly on a worker thread, between a step before
// and a step after on the main thread.
#include "bridge/ZVDataToGlyphs.h"

#include "bridge/ZVUserData.h"
#include "platform/NSOperationQueue.h"
#include "platform/NSRunLoop.h"

#include <algorithm>
#include <stdexcept>

void ZVDataToGlyphs::initNonAutokerning() {
    GSFont *font = gsfont();
    if (!font)
        return;
    selectTextTool();
    // So that no list keeps a name without its mark, whatever happens to the start-up.
    rewriteStoredListsUnderCurrentNames();
}

void ZVDataToGlyphs::eraseExistingKerning() {
    GSFont *font = gsfont();
    GSKerningDictionary *kerning = font ? font->kerningDictionary() : nullptr;
    if (!kerning)
        return;
    std::vector<std::string> erased;
    for (const auto &[id, pairs] : *kerning)
        if (!whyMasterDoesNotStart(font->fontMasterForId(id)))
            erased.push_back(id);
    if (erased.size() == kerning->count()) {
        removeAllKerning();
        return;
    }
    setIgnore_observers(true);
    for (const std::string &id : erased) {
        kerning->removeObjectForKey(id);
        writtenPairs_.erase(id); // none of the bridge's entries is left there
    }
    unignoreObserversAfterDelay();
}

std::vector<GSFontMaster *>
ZVDataToGlyphs::beginInitialAutokerning(const std::vector<GSFontMaster *> &masters) {
    GSFont *font = gsfont();
    // Fixing the order again would race with the workers of a start-up that still runs.
    if (!font || anyMasterStartingUp())
        return {};
    ZVfontMM &mm = *get_zvfont();
    // The current master first, then font order.
    std::vector<GSFontMaster *> order;
    const GSFontMaster *current = currentMaster();
    for (GSFontMaster *m : font->fontMasters()) {
        if (std::find(masters.begin(), masters.end(), m) == masters.end() ||
            !engineHasMaster(m->id()) || mm.get_master(m->id()).status == ZVfont::linked_metrics ||
            whyMasterDoesNotStart(m))
            continue;
        order.insert(m == current ? order.begin() : order.end(), m);
    }
    std::vector<std::string> ids;
    std::map<const GSFontMaster *, MasterStartUp> startUps;
    for (GSFontMaster *m : order) {
        ids.push_back(m->id());
        startUps[m] = {m->id(), readCustomPairsFromMaster(m, zvuserdata::kUserSetAutopairs),
                       false, {}};
    }
    mm.begin_start_up(ids);
    const std::lock_guard<std::mutex> lock(startUpMutex_);
    startUps_ = std::move(startUps);
    return order;
}

void ZVDataToGlyphs::initalAutokerningForMaster(GSFontMaster *master) {
    std::shared_ptr<ZVDataToGlyphs> self = weak_from_this().lock();
    if (!self)
        throw std::logic_error("a bridge starting masters must be owned by a shared pointer");
    std::string id;
    std::vector<ZVminipair> userSetAutos;
    {
        const std::lock_guard<std::mutex> lock(startUpMutex_);
        const auto it = startUps_.find(master);
        if (it == startUps_.end() || it->second.taken)
            return; // no start-up began for it, or it runs already
        it->second.taken = true;
        id = it->second.id;
        userSetAutos = std::move(it->second.userSetAutos);
    }
    get_zvfont()->initial_processing(id, userSetAutos);
    auto end = [self, master] { self->endInitialAutokerningForMaster(master); };
    if (NSRunLoop::isMainThread())
        end();
    else
        NSOperationQueue::mainQueue().addOperationWithBlock(std::move(end));
}

void ZVDataToGlyphs::endInitialAutokerningForMaster(GSFontMaster *master) {
    std::vector<std::function<void()>> held;
    {
        const std::lock_guard<std::mutex> lock(startUpMutex_);
        const auto it = startUps_.find(master);
        if (it == startUps_.end() || !it->second.taken)
            return;
        held = std::move(it->second.held);
        startUps_.erase(it);
    }
    // A bridge its font has let go reaches nothing of the font any more (the master may be gone).
    if (!gsfont())
        return;
    for (std::function<void()> &update : held)
        update();
    writeAllCustomPairsToMaster(master);
    setFont_is_untouched(false);
}
