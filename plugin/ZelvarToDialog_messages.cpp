// The engine's messages as the message area shows them, and its three buttons.

#include "plugin/ZelvarToDialog.h"

#include "host/GSDocument.h"
#include "host/GSFont.h"
#include "platform/NSApplication.h"
#include "platform/NSProcessInfo.h"
#include "platform/NSWorkspace.h"
#include "plugin/ZVText.h"

std::string ZelvarToDialog::pairText(std::size_t i) const {
    if (!_zvdata || i >= _currentFeedback.pairs.size())
        return {};
    return _zvdata->safeStringForPair(&_currentFeedback.pairs[i].indices);
}

void ZelvarToDialog::setFeedback() {
    messageCloseButton->setTitle("Ignore");
    messageDot->setFillColor(_colorGreen);
    messageTryAgain->setHidden(true);

    const ZVfeedback &f = _currentFeedback;
    if (f.type != ZVfeedback::autokerned_from_other_font)
        type5Resolved_.reset();
    const std::size_t n = f.pairs.size();
    const std::string a = pairText(0), b = pairText(1), c = pairText(2);
    std::string text;
    switch (f.type) {
    case ZVfeedback::too_few_unkerned_pairs:
        text = "Please type at least 10 pairs\nthat do NOT need kerning.";
        messageDot->setFillColor(_colorNone);
        break;
    case ZVfeedback::starting_up:
        text = "Starting up ...";
        messageDot->setFillColor(_colorNone);
        break;
    case ZVfeedback::linked_metrics:
        text = "This master has linked metrics.";
        messageDot->setFillColor(_colorNone);
        break;
    case ZVfeedback::autokerned_from_this_font: {
        messageDot->setFillColor(_colorNone);
        const auto from = _zvdata ? _zvdata->currentMasterAutokernedFrom() : std::nullopt;
        const std::string document = from && from->size() > 0 ? (*from)[0] : std::string();
        const std::string master = from && from->size() > 1 ? (*from)[1] : std::string();
        if (document.empty())
            text = fillIn("This master is autokerned from %@.", {master});
        else if (master.empty())
            text = fillIn("This master is autokerned from %@.", {document});
        else
            text = fillIn("This master is autokerned from %@ (%@).", {document, master});
        break;
    }
    case ZVfeedback::autokerned_from_other_font: {
        messageDot->setFillColor(_colorNone);
        const auto from = _zvdata ? _zvdata->currentMasterAutokernedFrom() : std::nullopt;
        const std::string document = from && from->size() > 0 ? (*from)[0] : std::string();
        const std::string master = from && from->size() > 1 ? (*from)[1] : std::string();
        if (!_zvdata || !_zvdata->openedFontWithFileName(document)) {
            text = fillIn("To autokern this master, please open %@. Note: you can use the (···) "
                          "menu to change the autokerning source.",
                          {document});
            break;
        }
        // The source font is open: settle the sources again, once in a row per master (a source
        // that still cannot lend its engine would bring this message back for ever).
        GSFontMaster *current = _zvdata->currentMaster();
        const std::string id = current ? current->id() : std::string();
        if (type5Resolved_ != id && !runOfBoundBridge()) {
            type5Resolved_ = id;
            for (GSFontMaster *m : _zvdata->gsfont()->fontMasters())
                _zvdata->initAutokernedMaster(m);
            if (current && _zvdata->autokerningSourceForMaster(current)) {
                afterDelay([this] { updateDialogAndGlyphsKerning(); });
                return;
            }
        }
        text = fillIn("Couldn’t find %@ to autokern this master. Note: you can use the (···) menu "
                      "to change the autokerning source.",
                      {master});
        break;
    }
    case ZVfeedback::interpolated:
        text = "The kerning for this master will be interpolated.";
        messageDot->setFillColor(_colorNone);
        break;
    case ZVfeedback::no_models:
        text = "Autokerning not active.\nPlease set some models.";
        messageDot->setFillColor(_colorRed);
        break;
    case ZVfeedback::suggested_model:
        text = fillIn("Suggested model:\n%@", {a});
        messageCloseButton->setTitle("Next");
        break;
    case ZVfeedback::tighter_than:
        messageDot->setFillColor(_colorYellow);
        if (f.pair_is_too_tight != 0) {
            if (n == 2)
                text = fillIn("%@ seems tighter than %@.", {a, b});
            else if (n == 3)
                text = fillIn("%@ seems tighter than %@ and %@.", {a, b, c});
            else
                text = fillIn("%@ seems tighter than %@ and others.", {a, b});
        } else {
            if (n == 2)
                text = fillIn("%@ seems tighter than %@.", {b, a});
            else if (n == 3)
                text = fillIn("%@ and %@ seem tighter than %@.", {b, c, a});
            else
                text = fillIn("%@ and others seem tighter than %@.", {b, a});
        }
        break;
    case ZVfeedback::similar_models:
        text = fillIn("%@ seems very similar to %@.", {a, b});
        messageDot->setFillColor(_colorYellow);
        break;
    case ZVfeedback::more_models_wanted:
        text = "Zelvar has picked some models\nbut we should probably add more.";
        messageCloseButton->setTitle("OK");
        break;
    case ZVfeedback::reworked_changes:
        text = "Zelvar has re-worked the kerning. Klick the arrow to show the changes.";
        messageCloseButton->setTitle("OK");
        break;
    case ZVfeedback::engine_running:
        text = "The autokerning engine\nis running!";
        messageCloseButton->setTitle("OK");
        break;
    case ZVfeedback::pairs_rejected:
        text = "Note: Some pairs were rejected\nas they were contradicting others.";
        messageDot->setFillColor(_colorYellow);
        messageCloseButton->setTitle("OK");
        break;
    case ZVfeedback::model_status_removed: {
        const char *relation = f.pair_is_too_tight == -1  ? "contradicting"
                               : f.pair_is_too_tight == 0 ? "too loose compared to"
                                                          : "too tight compared to";
        if (n == 3)
            text = fillIn("Removed model status for %@\nas it is %@ %@ and %@.", {a, relation, b, c});
        else if (n == 2)
            text = fillIn("Removed model status for %@\nas it is %@ %@.", {a, relation, b});
        else
            text = fillIn("Removed model status for %@\nas it is %@ other models.", {a, relation});
        messageDot->setFillColor(_colorRed);
        messageCloseButton->setTitle("OK");
        messageTryAgain->setTitle("Try again");
        messageTryAgain->setHidden(!_zvdata || _zvdata->get_zvfont()->any_remaining_removals(""));
        break;
    }
    case ZVfeedback::model_identical:
        text = fillIn("Removed model %@\nas it is identical to %@.", {a, b});
        messageDot->setFillColor(_colorRed);
        messageCloseButton->setTitle("OK");
        break;
    case ZVfeedback::no_kerning_models_removed:
        text = "Removed models that include no-kerning glyphs.";
        messageDot->setFillColor(_colorRed);
        messageCloseButton->setTitle("OK");
        break;
    case ZVfeedback::newer_version:
        text = "Warning: This file was last edited with a newer version of Zelvar.";
        messageDot->setFillColor(_colorRed);
        messageCloseButton->setTitle("OK");
        messageTryAgain->setTitle("Download update");
        messageTryAgain->setHidden(false);
        break;
    case ZVfeedback::composite_pairs_added:
        text = "This version of Zelvar autokerns additional pairs that impact composite glyphs.";
        messageDot->setFillColor(_colorYellow);
        messageCloseButton->setTitle("OK");
        break;
    default: // 0, 8, 12, 13 and anything above 22 say nothing
        break;
    }

    messageLabel->setStringValue(text);
    messageCloseButton->setHidden(f.type < ZVfeedback::suggested_model);
    messageShowButton->setHidden(f.pairs.empty() && f.type != ZVfeedback::reworked_changes);
    activateZVbutton->setHidden(f.type != ZVfeedback::too_few_unkerned_pairs);
    if (f.type == ZVfeedback::too_few_unkerned_pairs)
        activateZVbutton->setEnabled(enoughUnkernedPairs());
    setEditingEnabled(f.type < ZVfeedback::reworking_existing);
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
