// The engine's messages as the message area shows them, and its three buttons.

#include "plugin/ZelvarToDialog.h"

#include "host/GSDocument.h"
#include "host/GSFont.h"
#include "platform/NSAlert.h"
#include "platform/NSApplication.h"
#include "platform/NSProcessInfo.h"
#include "platform/NSWorkspace.h"
#include "plugin/ZVFeedbackText.h"
#include "version/ZVVersionChecker.h"

void ZelvarToDialog::setFeedback() {
    messageCloseButton->setTitle("Ignore");
    messageDot->setFillColor(_colorGreen);
    messageTryAgain->setHidden(true);

    const ZVfeedback &f = _currentFeedback;
    if (f.type != ZVfeedback::autokerned_from_other_font)
        type5Resolved_.reset();
    const auto from = _zvdata ? _zvdata->currentMasterAutokernedFrom() : std::nullopt;
    const std::string document = from && !from->empty() ? from->front() : std::string();
    if (f.type == ZVfeedback::autokerned_from_other_font && _zvdata &&
        _zvdata->openedFontWithFileName(document)) {
        // The source font is open: settle the sources again, once in a row per master (a source
        // that still cannot lend its engine would bring this message back for ever), and never
        // while masters of the font start.
        GSFontMaster *current = _zvdata->currentMaster();
        const std::string id = current ? current->id() : std::string();
        if (type5Resolved_ != id && !runOfBoundBridge()) {
            type5Resolved_ = id;
            _zvdata->initAutokernedFrom();
            showMasterNotices();
            // Found, or given up (a source that cannot lend: the master runs on its own now).
            if (current && (_zvdata->autokerningSourceForMaster(current) ||
                            !ZVDataFromGlyphs::isAutokernedMaster(current))) {
                afterDelay([this] { updateDialogAndGlyphsKerning(); });
                return;
            }
        }
    }

    switch (f.type) {
    case ZVfeedback::too_few_unkerned_pairs:
    case ZVfeedback::starting_up:
    case ZVfeedback::linked_metrics:
    case ZVfeedback::autokerned_from_this_font:
    case ZVfeedback::autokerned_from_other_font:
    case ZVfeedback::interpolated:
        messageDot->setFillColor(_colorNone);
        break;
    case ZVfeedback::no_models:
        messageDot->setFillColor(_colorRed);
        break;
    case ZVfeedback::suggested_model:
        messageCloseButton->setTitle("Next");
        break;
    case ZVfeedback::tighter_than:
    case ZVfeedback::similar_models:
        messageDot->setFillColor(_colorYellow);
        break;
    case ZVfeedback::more_models_wanted:
    case ZVfeedback::reworked_changes:
    case ZVfeedback::engine_running:
        messageCloseButton->setTitle("OK");
        break;
    case ZVfeedback::pairs_rejected:
    case ZVfeedback::composite_pairs_added:
        messageDot->setFillColor(_colorYellow);
        messageCloseButton->setTitle("OK");
        break;
    case ZVfeedback::model_status_removed:
        messageDot->setFillColor(_colorRed);
        messageCloseButton->setTitle("OK");
        messageTryAgain->setTitle("Try again");
        messageTryAgain->setHidden(!_zvdata || _zvdata->get_zvfont()->any_remaining_removals(""));
        break;
    case ZVfeedback::model_identical:
    case ZVfeedback::no_kerning_models_removed:
        messageDot->setFillColor(_colorRed);
        messageCloseButton->setTitle("OK");
        break;
    case ZVfeedback::newer_version:
        messageDot->setFillColor(_colorRed);
        messageCloseButton->setTitle("OK");
        messageTryAgain->setTitle("Download update");
        messageTryAgain->setHidden(false);
        break;
    default:
        break;
    }

    messageLabel->setStringValue(_zvdata ? ZVfeedbackText(f, *_zvdata, from) : std::string());
    // A master of a running font that does not start says why instead of what its status would
    // ask for (pairs to type, a start-up to wait for); the font's own wait for pairs stays.
    const std::optional<std::string> doesNotStart =
        _zvdata && !_zvdata->font_is_untouched()
            ? _zvdata->whyMasterDoesNotStart(_zvdata->currentMaster())
            : std::nullopt;
    if (doesNotStart)
        messageLabel->setStringValue(*doesNotStart);
    messageCloseButton->setHidden(f.type < ZVfeedback::suggested_model);
    messageShowButton->setHidden(f.pairs.empty() && f.type != ZVfeedback::reworked_changes);
    activateZVbutton->setHidden(f.type != ZVfeedback::too_few_unkerned_pairs || doesNotStart);
    if (f.type == ZVfeedback::too_few_unkerned_pairs)
        activateZVbutton->setEnabled(enoughUnkernedPairs());
    setEditingEnabled(f.type < ZVfeedback::reworking_existing);
}

void ZelvarToDialog::showMasterNotices() {
    if (!_zvdata)
        return;
    const std::vector<ZVmasterNotice> notices = _zvdata->takeNewMasterNotices();
    if (notices.empty())
        return;
    std::string text;
    for (const ZVmasterNotice &n : notices)
        text += (text.empty() ? "" : "\n\n") + n.text;
    NSAlert alert;
    alert.setMessageText("Zelvar could not use everything this font stores.");
    alert.setInformativeText(text);
    alert.setIcon(ZVVersionChecker::zv()->pluginLogo());
    alert.addButtonWithTitle("OK");
    alert.runModal();
}

void ZelvarToDialog::messageCloseButtonclicked(const void *) {
    if (!engineReady())
        return;
    getAndSetFeedbackDismissCurrent(true);
}

void ZelvarToDialog::messageShowButtonClicked(const void *sender) {
    if (!engineReady())
        return;
    ZVfontMM *mm = _zvdata->get_zvfont();
    if (_currentFeedback.type == ZVfeedback::reworked_changes) {
        const GSDocument *document = _zvdata->gsfont()->parent();
        const std::optional<std::string> changes = _zvdata->stringFromChanges(
            mm->changes_from_existing(""), document ? document->selectedFontMaster() : nullptr);
        // No changes: no tab, the message goes all the same.
        if (changes) {
            const ZVglyph_pair none{65535, 65535};
            _zvdata->addStringToTab(*changes, false, &none, true);
        }
        messageCloseButtonclicked(sender);
        return;
    }
    if (_currentFeedback.pairs.empty())
        return;
    const NSApplication &app = NSApp();
    const bool newTab =
        app.currentEvent && app.currentEvent->modifierFlags == NSEventModifierFlagCommand;
    const ZVglyph_pair last = _currentFeedback.pairs.back().indices;
    _zvdata->addWrappedPairsToTab(_currentFeedback.pairs, &last, newTab);
}

void ZelvarToDialog::tryAgain(const void *) {
    if (!engineReady())
        return;
    ZVfontMM *mm = _zvdata->get_zvfont();
    if (_currentFeedback.type == ZVfeedback::newer_version) {
        const NSURL url = *NSURL::URLWithString(updatePageURL());
        NSWorkspaceOpenConfiguration configuration;
        configuration.setActivates(true);
#if ZV_HOST_VERSION == 2
        if (!NSProcessInfo::processInfo().isOperatingSystemAtLeastVersion({10, 15, 0}))
            NSWorkspace::sharedWorkspace().openURL(url);
        else
#endif
            NSWorkspace::sharedWorkspace().openURL(url, configuration, nullptr);
    } else if (!_currentFeedback.pairs.empty()) {
        mm->set_models({_currentFeedback.pairs.front().indices}, false, "");
    }
    mm->next_feedback(_currentFeedback, "");
    zvfontToGlyphsAndDialog();
}
