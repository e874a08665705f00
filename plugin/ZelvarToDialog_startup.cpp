// The masters' start-up: the engine's first pass over each master runs on a worker; everything
// else, before and after, on the main thread, where the dialog keeps the masters still starting.

#include "plugin/ZelvarToDialog.h"

#include "host/GSFont.h"
#include "host/GSFontMaster.h"


int ZelvarToDialog::maxConcurrentStartUps = 0;

ZelvarToDialog::StartUpRun *ZelvarToDialog::runOfBoundBridge() const {
    if (!_zvdata)
        return nullptr;
    for (const auto &run : startUpRuns_)
        if (run->bridge == _zvdata)
            return run.get();
    return nullptr;
}

bool ZelvarToDialog::currentMasterIsStarting() const {
    const StartUpRun *run = runOfBoundBridge();
    const GSFontMaster *master = _zvdata ? _zvdata->currentMaster() : nullptr;
    return run && master && run->starting.count(master->id()) > 0;
}

void ZelvarToDialog::startUpMaster(GSFontMaster *master) {
    if (!_zvdata || !master)
        return;
    // On the main thread the bridge's last step follows at once.
    _zvdata->beginInitialAutokerning({master});
    _zvdata->initalAutokerningForMaster(master);
}

void ZelvarToDialog::startUpRun(const std::shared_ptr<StartUpRun> &run, GSFontMaster *current) {
    const std::shared_ptr<ZVDataToGlyphs> &bridge = run->bridge;
    // The masters that start (linked ones have nothing to start), the current master first.
    const std::vector<GSFontMaster *> order =
        bridge->beginInitialAutokerning(bridge->gsfont()->fontMasters());

    run->queue = std::make_shared<NSOperationQueue>();
    if (maxConcurrentStartUps > 0)
        run->queue->setMaxConcurrentOperationCount(maxConcurrentStartUps);
    run->queue->setSuspended(true);
    const std::weak_ptr<void> alive = lifeToken();
    const std::weak_ptr<StartUpRun> weakRun = run;
    run->finalOperation = NSOperation::blockOperationWithBlock([this, alive, weakRun] {
        const std::shared_ptr<StartUpRun> r = weakRun.lock();
        if (alive.lock() && r)
            finishInitialisation(r);
    });
    for (GSFontMaster *master : order) {
        // The worker touches only the bridge it was given (kept alive by the operation); the
        // bridge posts its own last step to the main queue before the operation ends, so that
        // step runs before the dialog's.
        auto start = NSOperation::blockOperationWithBlock(
            [bridge, master] { bridge->initalAutokerningForMaster(master); });
        if (master == current)
            start->setQueuePriority(NSOperation::NSOperationQueuePriorityVeryHigh);
        auto end = NSOperation::blockOperationWithBlock([this, alive, weakRun, master] {
            const std::shared_ptr<StartUpRun> r = weakRun.lock();
            if (alive.lock() && r)
                masterDidStartUp(r, master);
        });
        end->addDependency(start);
        run->finalOperation->addDependency(end);
        run->endOperations.push_back(end);
        run->starting.insert(master->id());
        run->queue->addOperation(start);
        NSOperationQueue::mainQueue().addOperation(end);
    }
    startUpRuns_.push_back(run);
    operationQueue = run->queue;
    run->queue->setSuspended(false);
    NSOperationQueue::mainQueue().addOperation(run->finalOperation);
}

void ZelvarToDialog::masterDidStartUp(const std::shared_ptr<StartUpRun> &run,
                                      GSFontMaster *master) {
    const std::shared_ptr<ZVDataToGlyphs> bridge = run->bridge;
    const std::string id = master->id();
    run->starting.erase(id);
    const bool edited = run->kerningEdited.erase(id) > 0;
    // A refresh posted for a bridge the dialog has let go of does nothing.
    if (bridge != zvdata() || master != bridge->currentMaster())
        return;
    if (edited)
        observeValueForKeyPath("kerning");
    if (_currentFeedback.type != ZVfeedback::reworking_existing) {
        bridge->setCurrentMasterHasChanged(true);
        updateDialogAndGlyphsKerning();
    }
}

void ZelvarToDialog::finishInitialisation(const std::shared_ptr<StartUpRun> &run) {
    const std::shared_ptr<ZVDataToGlyphs> bridge = run->bridge;
    std::erase(startUpRuns_, run);
    if (bridge != zvdata()) {
        // The dialog shows another font now: only the font's own state is settled.
        bridge->updateStoredZelvarVersion();
        bridge->initAutokernedFrom();
        return;
    }
    if (_currentFeedback.type == ZVfeedback::reworking_existing)
        resetCurrentFeedback();
    bridge->setCurrentMasterHasChanged(true);
    bridge->updateStoredZelvarVersion();
    bridge->initAutokernedFrom();
    showMasterNotices();
    updateDialogAndGlyphsKerning();
    gearMenu->setHidden(false);
}

void ZelvarToDialog::cancelStartUpRuns() {
    const std::vector<std::shared_ptr<StartUpRun>> runs = std::move(startUpRuns_);
    startUpRuns_.clear();
    for (const auto &run : runs) {
        if (run->queue)
            run->queue->cancelAllOperations();
        for (const auto &end : run->endOperations)
            end->cancel();
        if (run->finalOperation)
            run->finalOperation->cancel();
    }
    // A master already running finishes first; nothing after it runs.
    for (const auto &run : runs)
        if (run->queue)
            run->queue->waitUntilAllOperationsAreFinished();
    operationQueue.reset();
}
