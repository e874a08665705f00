#include "plugin/ZVFinalizeWindowController.h"

#include "bridge/ZVUserData.h"
#include "platform/NSAlert.h"
#include "platform/NSApplication.h"
#include "platform/NSRunLoop.h"
#include "platform/NSSound.h"
#include "platform/NSUserDefaults.h"
#include "platform/NumberText.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <mutex>

namespace {

std::shared_ptr<NSWindow> buildFinalizeWindow(NSWindowController &owner) {
    auto &c = dynamic_cast<ZVFinalizeWindowController &>(owner);
    auto window = std::make_shared<NSWindow>();
    window->setTitle("Finalize kerning");
    window->setFrame({0, 0, 360, 200});
    window->setDelegate(&c);
    NSView &root = *window->contentView;

    root.add<NSTextField>("explanation",
                          "Zelvar writes the final kerning of every master into the font.");
    c.kerningSizeLabel = root.add<NSTextField>("kerningSizeLabel", "Kerning size limit");
    c.kerningSizeTextField = root.add<NSTextField>("kerningSizeTextField", "");
    c.kerningSizeTextField->setEditable(true);
    c.kerningSizeTextField->setPlaceholderString("No limit");
    c.kbLabel = root.add<NSTextField>("kbLabel", "kB");
    c.playSoundCheckbox =
        root.add<NSButton>("playSoundCheckbox", "Play a sound when done", NSButtonType::Switch);
    c.playSoundCheckbox->setAction(
        [&c](NSControl *s) { c.beepCheckboxClicked(static_cast<NSButton *>(s)); });
    c.regenerateGroupsCheckbox = root.add<NSButton>("regenerateGroupsCheckbox",
                                                    "Rebuild kerning groups", NSButtonType::Switch);
    c.regenerateGroupsCheckbox->setAction(
        [&c](NSControl *s) { c.regenerateGroupsClicked(static_cast<NSButton *>(s)); });
    c.progressBar = root.add<NSProgressIndicator>("progressBar");
    c.progressBar->setIndeterminate(false);
    c.progressLabel = root.add<NSTextField>("progressLabel", "");
    c.cancelButton = root.add<NSButton>("cancelButton", "Cancel");
    c.cancelButton->setAction([&c](NSControl *s) { c.didTapCancelButton(s); });
    c.abortButton = root.add<NSButton>("abortButton", "Stop");
    c.abortButton->setAction([&c](NSControl *s) { c.abortClicked(s); });
    c.abortButton->setEnabled(false);
    c.zelvarButton = root.add<NSButton>("zelvarButton", "Finalize");
    c.zelvarButton->setAction([&c](NSControl *s) { c.finalizeClicked(s); });
    return window;
}

/// A stored YES: a boolean true or the number 1.
bool isYes(const PlistValue &v) {
    if (const bool *b = v.asBool())
        return *b;
    double d = 0;
    return v.numberValue(d) && d == 1;
}

} // namespace

void registerZVFinalizeWindowLayout() {
    static std::once_flag once;
    std::call_once(once, [] { registerLayout(ZVFinalizeWindowNibName, buildFinalizeWindow); });
}

ZVFinalizeWindowController::ZVFinalizeWindowController()
    : NSWindowController(ZVFinalizeWindowNibName) {
    registerZVFinalizeWindowLayout();
}

ZVFinalizeWindowController::~ZVFinalizeWindowController() {
    _abort_asap = true;
    // The queue waits for a master being computed; its post then finds nothing alive.
    alive_.reset();
    queue_.reset();
}

std::string ZVFinalizeWindowController::kilobytesText(std::int64_t bytes) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", static_cast<double>(bytes) * 0.001);
    std::string s = text;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

void ZVFinalizeWindowController::windowDidLoad() {
    _confirmed_by_user = false;
    _abort_asap = false;
    const std::optional<PlistValue> beepDefault =
        NSUserDefaults::standardUserDefaults().objectForKey(ZVPlaySoundDefault);
    const bool beep = !beepDefault || isYes(*beepDefault);
    playSoundCheckbox->setState(beep ? NSControlStateValueOn : NSControlStateValueOff);
    bool regenerate = true;
    if (GSFont *font = _zvdata ? _zvdata->gsfont() : nullptr) {
        if (const PlistValue *v = font->userDataForKey(zvuserdata::kRegenerateGroups))
            regenerate = isYes(*v);
        if (const PlistValue *v = font->userDataForKey(zvuserdata::kKerningWeightLimit))
            kerningSizeTextField->setStringValue(kilobytesText(zvuserdata::integerValue(*v)));
    }
    regenerateGroupsCheckbox->setState(regenerate ? NSControlStateValueOn : NSControlStateValueOff);
    _options = {{"beep", beep}, {"regenerateGroups", regenerate}};
}

void ZVFinalizeWindowController::regenerateGroupsClicked(NSButton *sender) {
    _options["regenerateGroups"] = sender->state == NSControlStateValueOn;
}

void ZVFinalizeWindowController::beepCheckboxClicked(NSButton *sender) {
    const bool on = sender->state == NSControlStateValueOn;
    _options["beep"] = on;
    NSUserDefaults::standardUserDefaults().setBool(on, ZVPlaySoundDefault);
}

void ZVFinalizeWindowController::didTapCancelButton(const void *) {
    NSApp().stopModal();
    close();
}

void ZVFinalizeWindowController::windowWillClose(const NSNotification &) {
    if (running_) {
        // Closed while computing: the run stops where it is and writes nothing.
        _abort_asap = true;
        running_ = false;
        aborted_ = true;
    }
    NSApp().stopModal();
}

void ZVFinalizeWindowController::setControlsRunning(bool running) {
    for (NSControl *c :
         std::initializer_list<NSControl *>{zelvarButton, cancelButton, playSoundCheckbox,
                                            regenerateGroupsCheckbox, kerningSizeTextField})
        c->setEnabled(!running);
    abortButton->setEnabled(running);
}

void ZVFinalizeWindowController::finalizeClicked(const void *) {
    if (running_ || !_zvdata || !_zvdata->gsfont())
        return;
    ZVfontMM &engine = *_zvdata->get_zvfont();
    order_ = mastersToFinalize(engine);
    leftOut_ = mastersLeftOut(engine, _zvdata->gsfont());
    if (order_.empty()) {
        std::string why = "Finalizing needs a master that Zelvar kerns from models.";
        for (const ZVleftout &m : leftOut_)
            why += "\n• " + m.name + ": " + m.reason + ".";
        NSAlert alert;
        alert.setMessageText("There is nothing to finalize yet.");
        alert.setInformativeText(why);
        alert.runModal();
        return;
    }
    kerningSizeTextField->validateEditing();
    const std::string field = kerningSizeTextField->stringValue();
    const std::optional<double> kb = limitInKilobytes(field);
    if (!kb) {
        // A limit the designer typed and the run cannot read is never taken for no limit.
        progressLabel->setStringValue("The kerning size limit \"" + field +
                                      "\" is not a number of kB: type one such as 1.5, or "
                                      "leave the field empty for no limit.");
        return;
    }
    limitKB_ = *kb;
    _abort_asap = false;
    running_ = true;
    next_ = 0;
    computed_.clear();
    frequentPairs_.clear();
    for (std::size_t i : order_)
        if (engine.masters[i].status == ZVfont::interpolated) {
            frequentPairs_ = engine.get_expanded_pairs();
            break;
        }
    setControlsRunning(true);
    progressBar->setMinValue(0);
    progressBar->setMaxValue(static_cast<double>(order_.size() + 1));
    progressBar->setDoubleValue(0);
    progressBar->startAnimation();
    queue_ = std::make_unique<NSOperationQueue>();
    queue_->setMaxConcurrentOperationCount(1);
    computeNextMaster();
}

void ZVFinalizeWindowController::abortClicked(const void *) {
    if (running_)
        _abort_asap = true;
}

void ZVFinalizeWindowController::computeNextMaster() {
    if (_abort_asap) {
        endAbortedRun();
        return;
    }
    if (next_ == order_.size()) {
        writeAndClose();
        return;
    }
    const std::size_t master = order_[next_++];
    ZVfontMM *engine = _zvdata->get_zvfont();
    const GSFontMaster *shown = _zvdata->gsfont()->fontMasterForId(engine->masters[master].name);
    const std::string name = shown ? shown->name() : engine->masters[master].name;
    const bool interpolated = engine->masters[master].status == ZVfont::interpolated;
    progressLabel->setStringValue(interpolated ? "Interpolating " + name + "…"
                                               : "Kerning " + name + "…");
    // The bridge stays alive with the worker; the window's modal run waits for its post.
    auto promise = std::make_shared<NSRunLoop::PostPromise>(NSRunLoop::mainRunLoop());
    std::weak_ptr<int> alive = alive_;
    const std::size_t step = next_ - 1;
    // Between the engine's rounds the window hears how far the master is.
    ZVkerning_progress progress = [this, alive, name, step](std::size_t done, std::size_t total) {
        NSOperationQueue::mainQueue().addOperationWithBlock([this, alive, name, step, done, total] {
            if (alive.lock() && running_)
                showProgress(name, step, done, total);
        });
    };
    queue_->addOperationWithBlock(
        [this, engine, master, alive, promise, progress, bridge = _zvdata]() mutable {
            ZVfinalmaster done = computeFinalMaster(*engine, master, frequentPairs_, progress);
            NSOperationQueue::mainQueue().addOperationWithBlock(
                [this, alive, done = std::move(done)]() mutable {
                    if (alive.lock())
                        masterComputed(std::move(done));
                });
            promise.reset();
        });
}

std::string ZVFinalizeWindowController::pairCountText(std::size_t n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0)
            out += ' ';
        out += digits[i];
    }
    return out;
}

void ZVFinalizeWindowController::showProgress(const std::string &name, std::size_t step,
                                              std::size_t done, std::size_t total) {
    progressLabel->setStringValue("Kerning " + name + ": " + pairCountText(done) + " of " +
                                  pairCountText(total) + " pairs");
    if (total)
        progressBar->setDoubleValue(static_cast<double>(step) +
                                    static_cast<double>(done) / static_cast<double>(total));
}

void ZVFinalizeWindowController::masterComputed(ZVfinalmaster master) {
    if (!running_)
        return;
    computed_.push_back(std::move(master));
    progressBar->setDoubleValue(static_cast<double>(computed_.size()));
    computeNextMaster();
}

void ZVFinalizeWindowController::endAbortedRun() {
    running_ = false;
    aborted_ = true;
    computed_.clear();
    progressBar->stopAnimation();
    progressBar->setDoubleValue(0);
    progressLabel->setStringValue("Stopped: nothing was written.");
    setControlsRunning(false);
}

std::optional<double> ZVFinalizeWindowController::limitInKilobytes(const std::string &text) {
    if (text.find_first_not_of(" \t") == std::string::npos)
        return 0.0;
    const std::optional<double> kb = wholeNumber(text);
    if (!kb || *kb < 0)
        return std::nullopt;
    return *kb;
}

void ZVFinalizeWindowController::storeLimit() const {
    GSFont *font = _zvdata->gsfont();
    if (kerning_size_limit(limitKB_) == 0) {
        font->removeUserDataForKey(zvuserdata::kKerningWeightLimit);
        return;
    }
    const double bytes = std::round(limitKB_ * 1000);
    const double top = static_cast<double>(std::numeric_limits<std::int64_t>::max());
    font->setUserData(PlistValue(bytes >= top ? std::numeric_limits<std::int64_t>::max()
                                              : static_cast<std::int64_t>(bytes)),
                      zvuserdata::kKerningWeightLimit);
}

void ZVFinalizeWindowController::reportProblems() const {
    std::string lines;
    for (const ZVleftout &m : lastWrite_.left_out)
        lines += "• " + m.name + ": not finalized: " + m.reason + ".\n";
    for (const ZVfinalreport &r : lastWrite_.masters) {
        if (!r.finalized)
            lines += "• " + r.name +
                     ": its models could not be finalized; its pairs were kerned with the tracking "
                     "as it stood.\n";
        if (r.over_limit)
            lines += "• " + r.name + ": its kerning takes " + kilobytesText(r.size) +
                     " kB, more than the limit of " + kilobytesText(r.limit) +
                     " kB, even with every pair that may go left out.\n";
        if (r.beyond_em)
            lines += "• " + r.name + ": " + beyondAnEmText(r) + ".\n";
    }
    if (lines.empty())
        return;
    lines.pop_back();
    NSAlert alert;
    alert.setMessageText("Some masters need your attention.");
    alert.setInformativeText(lines);
    alert.addButtonWithTitle("OK");
    alert.runModal();
}

void ZVFinalizeWindowController::writeAndClose() {
    running_ = false;
    const std::size_t limit = kerning_size_limit(limitKB_);
    progressLabel->setStringValue("Writing the kerning…");
    lastWrite_ = writeFinalKerning(*_zvdata, computed_, _options["regenerateGroups"], limit);
    lastWrite_.left_out.insert(lastWrite_.left_out.begin(), leftOut_.begin(), leftOut_.end());
    progressBar->setDoubleValue(progressBar->maxValue);
    progressBar->stopAnimation();
    storeLimit();
    if (_options["beep"])
        NSBeep();
    _confirmed_by_user = true;
    reportProblems();
    NSApp().stopModal();
    close();
}
