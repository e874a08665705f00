// The pair tab's actions: the pair's kind, its value typed, stepped or dragged, and the jump to a
// limiting pair. Every engine call works on the current master; without one that has started, an
// action does nothing.

#include "plugin/ZelvarFromDialog.h"

#include "host/GSDocument.h"
#include "host/GSFont.h"
#include "host/GSWindowController.h"
#include "platform/NSApplication.h"

#include <cmath>

std::vector<ZVglyph_pair> ZelvarFromDialog::currentPairs() const {
    return zvdata() ? *zvdata()->currentPairs() : std::vector<ZVglyph_pair>{};
}

void ZelvarFromDialog::giveKeyboardToDocument() {
    if (GSWindowController *window = zvdata() ? zvdata()->windowController() : nullptr)
        window->window()->makeKeyWindow();
}

void ZelvarFromDialog::pairTypeSelected(NSSegmentedControl *sender) {
    if (!engineReady())
        return;
    switch (sender->selectedSegment()) {
    case 0: {
        const int setToZero =
            NSEvent::currentModifierFlags() == NSEventModifierFlagOption ? 1 : 0;
        pairType->setSelected(true, 0);
        afterDelay([this, setToZero] { pairModelSelectedSetValueToZero(setToZero); });
        break;
    }
    case 1:
        pairAutoSelected();
        break;
    case 2:
        for (const ZVglyph_pair &pair : currentPairs())
            zvdata()->get_zvfont()->set_independent_pair(pair, "");
        zvfontToGlyphsAndDialog();
        break;
    default:
        break;
    }
}

void ZelvarFromDialog::pairModelSelectedSetValueToZero(int setToZero) {
    if (!engineReady())
        return;
    zvdata()->get_zvfont()->set_models(currentPairs(), setToZero == 1, "");
    zvfontToGlyphsAndDialog();
}

void ZelvarFromDialog::pairAutoSelected() {
    if (pairType->isSelectedForSegment(0) || pairType->isSelectedForSegment(1) ||
        pairType->isSelectedForSegment(2)) {
        for (long s = 0; s < 3; ++s)
            pairType->setSelected(s == 1, s);
    }
    afterDelay([this] { pairAutoSelected_2(); });
}

void ZelvarFromDialog::pairAutoSelected_2() {
    if (!engineReady())
        return;
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    ZVfontMM *mm = bridge->get_zvfont();
    const std::vector<ZVglyph_pair> pairs = currentPairs();
    bridge->setPairsHaveChanged(true);
    if (!pairType->isSelectedForSegment(1)) {
        for (const ZVglyph_pair &pair : pairs)
            mm->unset_user_set_auto(pair, "");
        zvfontToGlyphsAndDialog();
        return;
    }
    const ZVsimplepair r = mm->set_autos(pairs, "");
    if (pairs.size() != 1 || (r.indices.first == 65535 && r.indices.second == 65535)) {
        zvfontToGlyphsAndDialog();
        return;
    }
    // One pair: only it is written, not the whole kerning.
    const GSDocument *document = bridge->gsfont()->parent();
    if (document)
        bridge->writeAllCustomPairsToMaster(document->selectedFontMaster());
    bridge->singlePairToGlyphs(&r);
    getAndSetFeedbackDismissCurrent(false);
    updatePairTabDetails();
    updateGlyphTab();
    updateFontTab();
    if (GSWindowController *window = bridge->windowController())
        if (GSEditViewController *view = window->activeEditViewController()) {
            view->forceRedraw();
            view->updatePreview();
#if ZV_HOST_VERSION == 2
            view->updateFormatBar();
#endif
        }
}

void ZelvarFromDialog::kerningSliderMoved(NSSlider *sender) {
    if (!engineReady())
        return;
    const double v = std::round(sender->doubleValue()); // halves away from zero
    if (zvdata()->tick_to_tick() != 1.0)
        sender->setDoubleValue(v);
    pairValueTextField->setIntegerValue(static_cast<long>(v));
    zvdata()->setPairValueToGlyphs(v);
    pairValueTextField->abortEditing();
}

void ZelvarFromDialog::kerningSliderMovedEnd(const NSNotification &notification) {
    const auto slider = std::any_cast<ZVSlider *>(&notification.object);
    if (!slider || *slider != pairValueSlider || !engineReady())
        return;
    const float v = pairValueTextField->floatValue();
    pairValueSlider->setDoubleValue(v);
    for (const ZVglyph_pair &pair : currentPairs())
        zvdata()->get_zvfont()->set_value(pair, v, "");
    zvfontToGlyphsAndDialog();
}

void ZelvarFromDialog::pairValueTextFieldEdited(NSTextField *sender) {
    auto *field = dynamic_cast<ZVSteppingTextField *>(sender);
    if (!field || zvWindow()->ignoreTextFields() || !zvdata() || !zvdata()->gsfont() ||
        !zvdata()->currentMaster() || !engineReady())
        return;
    if (field->stringValue().empty()) {
        zvWindow()->setIgnoreTextFields(true);
        pairAutoSelected();
        return;
    }
    const double value = field->doubleValue();
    if (!field->finishedEditing()) {
        // Stepping: a preview in the host only.
        pairValueSlider->setDoubleValue(value);
        zvdata()->setPairValueToGlyphs(value);
        return;
    }
    if (value == static_cast<double>(ZV_NO_VALUE)) {
        // Not a number: nothing changes, and the field shows the pair's value again.
        field->setIntegerValue(static_cast<long>(uipair.value));
        return;
    }
    zvWindow()->setIgnoreTextFields(true);
    for (const ZVglyph_pair &pair : currentPairs())
        zvdata()->get_zvfont()->set_value(pair, static_cast<float>(value), "");
    giveKeyboardToDocument();
    zvfontToGlyphsAndDialog();
}

void ZelvarFromDialog::influencerClicked(ZVInfluencerField *sender) {
    if (!zvdata() || !zvdata()->gsfont())
        return;
    const ZVglyph_pair pair = sender->indices();
    if (pair.first >= 65535)
        return;
    zvdata()->addStringToTab(zvdata()->stringForZvIndices(&pair), true, &pair, false);
}
