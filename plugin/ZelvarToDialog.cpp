#include "plugin/ZelvarToDialog.h"

#include "host/GSDocument.h"
#include "host/GSFont.h"
#include "host/GSWindowController.h"
#include "platform/NSRunLoop.h"
#include "plugin/ZVFinalizeWindowController.h"

ZelvarToDialog::ZelvarToDialog() : NSWindowController(ZVDialogNibName) {
    registerZVDialogLayout();
    _colorNone = NSColor::colorWithHue(0, 0, 0, 0);
    _colorGreen = NSColor::colorWithHue(0.3, 1.0, 0.65, 1.0);
    _colorYellow = NSColor::colorWithHue(0.12, 1.0, 1.0, 1.0);
    _colorRed = NSColor::colorWithHue(0, 1.0, 0.92, 1.0);
}

ZelvarToDialog::~ZelvarToDialog() = default;

ZVWindow *ZelvarToDialog::zvWindow() { return static_cast<ZVWindow *>(window()); }

void ZelvarToDialog::setZvdata(std::shared_ptr<ZVDataToGlyphs> bridge) {
    if (observedFont_) {
        // A font closed since keeps no observers: only a bridge still attached reaches it.
        if (_zvdata && _zvdata->gsfont() == observedFont_)
            observedFont_->removeObserver(kerningObservation_);
        observedFont_ = nullptr;
        kerningObservation_ = 0;
    }
    _zvdata = std::move(bridge);
    if (_zvdata && _zvdata->gsfont()) {
        observedFont_ = _zvdata->gsfont();
        kerningObservation_ =
            observedFont_->addObserver("kerning", [this] { observeValueForKeyPath("kerning"); });
    }
}

void ZelvarToDialog::afterDelay(std::function<void()> step) {
    NSRunLoop::mainRunLoop().perform([alive = std::weak_ptr<int>(alive_), step = std::move(step)] {
        if (alive.lock())
            step();
    });
}

void ZelvarToDialog::resetCurrentFeedback() {
    _currentFeedback.type = 0;
    _currentFeedback.urgency = 0;
    _currentFeedback.pairs.clear();
    _currentFeedback.pairs.shrink_to_fit();
    _currentFeedback.pair_is_too_tight = 0;
}

void ZelvarToDialog::resetUIPair() {
    restorePreviewedPair();
    uipair = ZVUIpair{};
}

bool ZelvarToDialog::isMasterInactiveType(int type) {
    switch (type) {
    case ZVfeedback::too_few_unkerned_pairs:
    case ZVfeedback::starting_up:
    case ZVfeedback::linked_metrics:
    case ZVfeedback::autokerned_from_other_font:
    case ZVfeedback::interpolated:
    case ZVfeedback::reworking_existing:
        return true;
    default:
        return false;
    }
}

const char *ZelvarToDialog::updatePageURL() { return "https://updates.zelvar.invalid/update/"; }

bool ZelvarToDialog::engineReady() const {
    // The finalisation's worker owns the engine until the run ends.
    if (finalizeWindowController && finalizeWindowController->isRunning())
        return false;
    if (!_zvdata || !_zvdata->gsfont() || !_zvdata->hasRunningMaster() ||
        currentMasterIsStarting())
        return false;
    const ZVfontMM *mm = _zvdata->get_zvfont();
    return mm->masters[static_cast<std::size_t>(mm->current_master_index)].started_up();
}

void ZelvarToDialog::hideControls(bool hide) {
    if (hide) {
        messageDot->setFillColor(_colorNone);
        messageCloseButton->setHidden(true);
        messageShowButton->setHidden(true);
        messageTryAgain->setHidden(true);
        hidePairInfo(true);
        hideGlyphInfo(true);
    }
    for (NSBox *line : {separatorLine0, separatorLine1, separatorLine2})
        line->setHidden(hide);
    hideFontInfo(hide);
    compareToPopUp->setHidden(hide);
    finalizeButton->setHidden(hide);
}

void ZelvarToDialog::deactivateDialog() {
    if (_zvdata)
        _zvdata->setCurrentMaster(nullptr);
    messageLabel->setStringValue("Zelvar is currently not running.");
    hideControls(true);
    if (_zvdata) {
        // Left disabled by another font's wait for pairs it would be stuck.
        activateZVbutton->setEnabled(true);
        activateZVbutton->setHidden(false);
    }
    gearMenu->setHidden(true);
}

void ZelvarToDialog::setEditingEnabled(bool enabled) {
    pairType->setEnabled(enabled);
    pairValueTextField->setEnabled(enabled);
    pairValueSlider->setEnabled(enabled);
    glyphLSB->setEnabled(enabled);
    glyphRSB->setEnabled(enabled);
    glyphKerningTypeL->setEnabled(enabled);
    glyphKerningTypeR->setEnabled(enabled);
    if (enabled) {
        updateGlyphTab();
    } else {
        glyphTrackingGroupPopUpL->setEnabled(false);
        glyphTrackingGroupPopUpR->setEnabled(false);
    }
    finalizeButton->setEnabled(enabled && !(_zvdata && _zvdata->anyMasterStartingUp()));
}

void ZelvarToDialog::zvfontToGlyphsAndDialog() {
    if (!engineReady()) {
        hideControls(true);
        return;
    }
    _zvdata->zvfontToGlyphs();
    getAndSetFeedbackDismissCurrent(false);
    updatePairTabDetails();
    updateGlyphTab();
    updateFontTab();
    // Masters still starting are passed over: their state is the workers' until they end.
    finalizeButton->setEnabled(!_zvdata->anyMasterStartingUp() &&
                               _zvdata->get_zvfont()->can_be_finalized());
}

void ZelvarToDialog::glyphsUiUpdate(const NSNotification &notification) {
    if (!_zvdata || !_zvdata->gsfont())
        return;
    if (_currentFeedback.type == ZVfeedback::too_few_unkerned_pairs) {
        _zvdata->setCurrentMasterHasChanged(false);
        _zvdata->getUiState();
        if (!_zvdata->currentMasterHasChanged()) {
            activateZVbutton->setEnabled(enoughUnkernedPairs());
            return;
        }
    }
    if (_zvdata->font_is_untouched() || !_zvdata->currentMaster())
        return;
    const GSFont *font = nullptr;
#if ZV_HOST_VERSION == 2
    if (auto f = std::any_cast<GSFont *>(&notification.object))
        font = *f;
#else
    if (auto w = std::any_cast<GSWindowController *>(&notification.object); w && *w)
        font = (*w)->representedObject();
#endif
    if (font && font == _zvdata->gsfont())
        updateDialogAndGlyphsKerning();
}

bool ZelvarToDialog::enoughUnkernedPairs() const {
    if (!engineReady())
        return false;
    return _zvdata->get_zvfont()->pairs_in_text(_zvdata->textInTab()).size() >= 10;
}

void ZelvarToDialog::updateDialogAndGlyphsKerning() {
    if (!_zvdata)
        return;
    _zvdata->getUiState();
    if (!engineReady()) {
        // The re-working message freezes the dialog; a master still starting says so; anything
        // else keeps its message (the engine has no master to ask).
        if (_currentFeedback.type == ZVfeedback::reworking_existing)
            return;
        if (currentMasterIsStarting()) {
            resetCurrentFeedback();
            _currentFeedback.type = ZVfeedback::starting_up;
            setFeedback();
        }
        hideControls(true);
        return;
    }
    ZVfontMM *mm = _zvdata->get_zvfont();
    const bool masterChanged = _zvdata->currentMasterHasChanged();
    if (masterChanged) {
        if (!mm->can_be_modified("")) {
            _zvdata->setIgnore_observers(true);
        } else {
            // Back on a master the engine runs: host edits count again once this turn is over.
            afterDelay([bridge = _zvdata] { bridge->unignoreObservers(); });
        }
        if (_currentFeedback.type == ZVfeedback::reworking_existing)
            return;
        getAndSetFeedbackDismissCurrent(false);
        if (_currentFeedback.type != ZVfeedback::starting_up)
            updateGearMenu();
        if (isMasterInactiveType(_currentFeedback.type)) {
            hideControls(true);
            return;
        }
        hideControls(false);
        _zvdata->setRequiredText();
        updateFontTab();
    } else if (!isMasterInactiveType(_currentFeedback.type)) {
        _zvdata->setRequiredText();
    }
    if (isMasterInactiveType(_currentFeedback.type))
        return;
    if (_zvdata->pairsHaveChanged()) {
        updatePairTabComplete();
        _zvdata->setPairsHaveChanged(false);
    }
    if (_zvdata->selectionHasChanged()) {
        updateGlyphTab();
        _zvdata->setSelectionHasChanged(false);
    }
}

void ZelvarToDialog::getAndSetFeedbackDismissCurrent(bool dismiss) {
    if (!engineReady()) {
        hideControls(true);
        return;
    }
    if (!dismiss) {
        _currentFeedback.type = 0;
        _currentFeedback.urgency = 0;
        _currentFeedback.pairs.clear();
        _currentFeedback.pair_is_too_tight = 0;
    }
    _zvdata->get_zvfont()->next_feedback(_currentFeedback, "");
    setFeedback();
}
