// Activation: from a font bound to the dialog to a font whose masters all run in the engine. The
// steps that must let the window show a message first follow each other after a delay of 0; each
// goes on only while the bridge it began with is still the dialog's.

#include "plugin/ZelvarFromDialog.h"

#include "bridge/ZVResources.h"
#include "host/GSDocument.h"
#include "host/GSFont.h"
#include "host/GSWindowController.h"

void ZelvarFromDialog::activateZV() {
    if (!zvdata())
        return;
    zvWindow()->setIgnoreTextFields(true);
    if (const std::optional<std::string> message = zvdata()->inspectGSFont()) {
        messageLabel->setStringValue(*message);
        return;
    }
    for (NSButton *b : {activateZVbutton, eraseExisting, reuseExisting, startUpButton})
        b->setHidden(true);
    if (!zvdata()->font_is_untouched())
        messageLabel->setStringValue("Starting up ...");
    afterDelay([this, bridge = zvdata()] {
        if (bridge == zvdata())
            activateZV_2();
    });
}

void ZelvarFromDialog::activateZV_2() {
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    if (!bridge || !bridge->gsfont())
        return;
    bridge->initZVfont();
    if (!bridge->font_is_untouched()) {
        bridge->initNonAutokerning();
        if (!checkForFail()) {
            showMasterNotices();
            activateZV_3();
        }
        return;
    }
    if (checkForFail())
        return;
    showMasterNotices(); // before the designer chooses what becomes of the kerning
    if (bridge->is_pre_kerned()) {
        messageLabel->setStringValue("This font already has kerning. Would you like to ...");
        // Re-working is the choice that keeps what the font has.
        eraseExisting->setState(NSControlStateValueOff);
        reuseExisting->setState(NSControlStateValueOn);
        for (NSButton *b : {eraseExisting, reuseExisting, startUpButton})
            b->setHidden(false);
    } else {
        askForUnkernedPairs();
    }
    const std::string groups = ZVpathForResource("default_groups", "txt");
    if (!groups.empty())
        bridge->get_zvfont()->set_default_tracking_groups(groups);
}

bool ZelvarFromDialog::checkForFail() {
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    if (bridge->anyMasterCanStart())
        return false;
    messageLabel->setStringValue(bridge->whyNoMasterStarts());
    zvdata()->setCurrentMaster(nullptr);
    setZvdata(nullptr);
    return true;
}

void ZelvarFromDialog::askForUnkernedPairs() {
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    if (!bridge)
        return;
    for (NSButton *b : {eraseExisting, reuseExisting, startUpButton})
        b->setHidden(true);
    resetCurrentFeedback();
    _currentFeedback.type = ZVfeedback::too_few_unkerned_pairs;
    setFeedback();
    // A tab to type into: a new one unless the tab in front holds no pairs yet.
    const GSWindowController *window = bridge->windowController();
    if (!window || !window->activeEditViewController() ||
        (engineReady() && !bridge->get_zvfont()->pairs_in_text(bridge->textInTab()).empty()))
        bridge->addPairsToNewTab({});
    activateZVbutton->setEnabled(enoughUnkernedPairs());
}

void ZelvarFromDialog::startZelvarButtonPushed(const void *) {
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    if (!bridge || !bridge->gsfont())
        return;
    ZVfontMM *mm = bridge->get_zvfont();
    if (mm->masters.empty()) {
        activateZV();
        return;
    }
    if (!engineReady())
        return;
    if (_currentFeedback.type == ZVfeedback::too_few_unkerned_pairs && !enoughUnkernedPairs())
        return;
    mm->set_initial_unkerned_pairs(bridge->textInTab());
    if (bridge->font_is_untouched()) {
        bridge->setFont_is_untouched(false);
        resetCurrentFeedback();
        _currentFeedback.type = ZVfeedback::starting_up;
        setFeedback();
        bridge->writeAllTrackingGroups();
        afterDelay([this, bridge] {
            if (bridge == zvdata())
                activateZV_3();
        });
    } else {
        startUpMaster(bridge->currentMaster());
        bridge->setCurrentMasterHasChanged(true);
        updateDialogAndGlyphsKerning();
    }
}

void ZelvarFromDialog::eraseExistingPushed(const void *) {
    reuseExisting->setState(NSControlStateValueOff);
}

void ZelvarFromDialog::reuseExistingPushed(const void *) {
    eraseExisting->setState(NSControlStateValueOff);
}

void ZelvarFromDialog::startUpButtonPushed(const void *) {
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    if (!bridge || !bridge->gsfont())
        return;
    if (eraseExisting->state == NSControlStateValueOn) {
        bridge->eraseExistingKerning();
        askForUnkernedPairs();
    } else {
        bridge->writeAllTrackingGroups();
        activateZV_3();
    }
}

void ZelvarFromDialog::activateZV_3() {
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    if (!bridge || !bridge->gsfont())
        return;
    for (NSButton *b : {eraseExisting, reuseExisting, startUpButton, activateZVbutton})
        b->setHidden(true);
    if (bridge->font_is_untouched()) {
        _currentFeedback.type = ZVfeedback::reworking_existing;
        messageLabel->setStringValue("Re-working the existing kerning ...");
    }
    auto run = std::make_shared<StartUpRun>();
    run->bridge = bridge;
    startUpRun(run, bridge->currentMaster());
    glyphLPairs->menu->setDelegate(this);
    glyphRPairs->menu->setDelegate(this);
    populateTrackingGroupPopUps();
    updateCompareToPopUp();
}
