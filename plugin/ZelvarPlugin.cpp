#include "plugin/ZelvarPlugin.h"

#include "host/GSApplication.h"
#include "host/GSDocument.h"
#include "host/GSFont.h"
#include "host/GSLayer.h"
#include "host/GSNotifications.h"
#include "host/GSWindowController.h"
#include "platform/NSApplication.h"
#include "platform/NSRunLoop.h"
#include "platform/NSUndoManager.h"
#include "plugin/ZVText.h"
#include "version/ZVVersionChecker.h"

ZelvarPlugin::ZelvarPlugin() = default;

ZelvarPlugin::~ZelvarPlugin() {
    cancelStartUpRuns();
    if (NSRunLoop::isMainThread())
        NSNotificationCenter::defaultCenter().removeObserver(this);
    NSEvent::removeMonitor(flagsMonitor);
    setZvdata(nullptr);
    if (_zelvarMenuItem && _zelvarMenuItem->menu)
        _zelvarMenuItem->menu->removeItem(_zelvarMenuItem.get());
    if (loadedWindow)
        loadedWindow->setDelegate(nullptr);
}

void ZelvarPlugin::loadPlugin() {
    _optionPressed = false;
    _ctrlPressed = false;
    const std::shared_ptr<NSMenu> mainMenu = NSApp().mainMenu;
    NSMenuItem *host = mainMenu ? mainMenu->itemWithTag(5) : nullptr;
    if (!host || !host->submenu)
        return;
    _zelvarMenuItem = std::make_shared<NSMenuItem>(
        "Zelvar", [this](NSMenuItem *sender) { showDialog(sender); }, "");
    host->submenu->addItem(_zelvarMenuItem);
}

void ZelvarPlugin::showDialog(const void *) {
    if (window()->isVisible())
        return;
    setZvdata(nullptr);
    resetCurrentFeedback();
    resetUIPair();
    ZVVersionChecker::zv()->loadAndCheck();

    showWindow();
    ZVWindow *w = zvWindow();
    w->setCanBecomeKey(false);
    w->setIgnoreTextFields(true);
    w->setLevel(8);
    if (_zelvarMenuItem)
        _zelvarMenuItem->setState(NSControlStateValueOn);
    positionWindow();
    updateActiveFont(nullptr);

    NSNotificationCenter &center = NSNotificationCenter::defaultCenter();
    center.addObserver(
        this, [this](const NSNotification &n) { updateActiveFont(&n); },
        GSDocumentActivateNotification);
    for (const char *name : {GSDocumentWasOpenedNotification, GSDocumentClosingNotification})
        center.addObserver(
            this, [this](const NSNotification &n) { fontWasOpenedOrClosed(n); }, name);
    for (const char *name :
         {NSUndoManagerDidCloseUndoGroupNotification, NSUndoManagerDidUndoChangeNotification,
          NSUndoManagerDidRedoChangeNotification, GSUndoNotification})
        center.addObserver(
            this, [this](const NSNotification &n) { fontWasModified(n); }, name);
    center.addObserver(
        this, [this](const NSNotification &n) { glyphsUiUpdate(n); }, GSUpdateInterface);
    center.addObserver(
        this, [this](const NSNotification &n) { kerningSliderMovedEnd(n); },
        ZVSliderDidEndEditing);

    // Key down and modifier changes (mask 5120); the event always goes on.
    flagsMonitor = NSEvent::addLocalMonitorForEventsMatchingMask(
        NSEventMaskKeyDown | NSEventMaskFlagsChanged,
        [this](const NSEvent &e) { return std::optional<NSEvent>(modifierKeyChanged(e)); });

    if (zvdata())
        activateZV();
}

void ZelvarPlugin::positionWindow() {
    const GSDocument *document = GSApplication::sharedApplication().currentFontDocument();
    if (!document)
        return;
    NSRect frame;
    if (const GSWindowController *controller = document->windowController())
        if (const NSWindow *w = controller->window())
            frame = w->frame;
    const double height = loadedWindow ? loadedWindow->frame.height : 0;
    const double x = frame.x > 244 ? frame.x - 244 : frame.x;
    const double y = frame.y + (frame.height - height) * 0.61;
    window()->setFrameOrigin(x, y);
}

void ZelvarPlugin::updateActiveFont(const NSNotification *notification) {
    GSDocument *document = nullptr;
    if (!notification) {
        document = GSApplication::sharedApplication().currentFontDocument();
    } else if (auto w = std::any_cast<GSWindowController *>(&notification->object); w && *w) {
        document = (*w)->document();
    }
    GSFont *font = document ? document->font() : nullptr;
    if (font) {
        if (zvdata() && zvdata()->gsfont()) {
            // A value typed and not yet committed belongs to the font being left.
            pairValueTextField->endEditing();
            if (zvdata()->gsfont() == font)
                return;
        }
        std::shared_ptr<ZVDataToGlyphs> bridge = std::dynamic_pointer_cast<ZVDataToGlyphs>(
            font->tempDataObjectForKey(ZVDataFromGlyphs::ZVDataKey));
        setZvdata(bridge);
        if (!bridge) {
            bridge = std::make_shared<ZVDataToGlyphs>(font);
            setZvdata(bridge);
            font->setTempData(bridge, ZVDataFromGlyphs::ZVDataKey);
        }
        // The message and the pair belong to the font left behind.
        resetCurrentFeedback();
        resetUIPair();
        if (bridge->currentMaster()) {
            bridge->setCurrentMasterHasChanged(true);
            bridge->setPairsHaveChanged(true);
            bridge->setSelectionHasChanged(true);
            updateCompareToPopUp();
            populateTrackingGroupPopUps();
            updateDialogAndGlyphsKerning();
        } else {
            deactivateDialog();
        }
        return;
    }
    deactivateDialog();
    if (!zvdata())
        return;
    setZvdata(nullptr);
    resetCurrentFeedback();
    resetUIPair();
    activateZVbutton->setHidden(true);
    hideControls(true);
    gearMenu->setHidden(true);
    finalizeButton->setHidden(true);
    closeDialog(nullptr);
}

void ZelvarPlugin::fontWasOpenedOrClosed(const NSNotification &) {
    afterDelay([this] { updateActiveFont(nullptr); });
}

void ZelvarPlugin::fontWasModified(const NSNotification &notification) {
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    if (!bridge || !bridge->currentMaster() || bridge->ignore_observers())
        return;
    const auto manager = std::any_cast<NSUndoManager *>(&notification.object);
    if (!manager || !*manager)
        return;
    const NSUndoManager &undo = **manager;
#if ZV_HOST_VERSION == 2
    if (undo.undoActionName().empty())
        return;
#endif
    if (std::string(undo.className()) != "GSUndoManager")
        return;
    const std::any value = undo.valueForKey("glyph");
    const auto glyph = std::any_cast<GSGlyph *>(&value);
    if (!glyph || !*glyph)
        return;
    const std::vector<GSLayer *> layers = bridge->selectedLayers();
    if (layers.size() != 1)
        return;
    GSLayer *layer = layers.front();
    const GSGlyph *layerGlyph = layer->parent();
    if (!layerGlyph || layerGlyph->name().empty() ||
        std::string(layer->className()) == "GSBackgroundLayer" || layerGlyph != *glyph)
        return;
    bridge->updateZvfontWithModifiedLayer(layer);
    zvfontToGlyphsAndDialog();
}

void ZelvarPlugin::observeValueForKeyPath(const std::string &) {
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    if (!bridge || !bridge->currentMaster() || bridge->ignore_observers())
        return;
    if (currentMasterIsStarting()) {
        // The engine takes the edit once the master has started.
        runOfBoundBridge()->kerningEdited.insert(bridge->currentMaster()->id());
        return;
    }
    if (!engineReady())
        return;
    ZVfontMM *mm = bridge->get_zvfont();
    bool changed = false;
    const std::vector<ZVglyph_pair> pairs = *bridge->currentPairs();
    for (const ZVglyph_pair &pair : pairs) {
        const ZVsimplepair record = mm->get_pair(pair, "");
        if (bridge->updateValueFromGlyphsToZV(&record)) {
            changed = true;
            break;
        }
    }
    if (!changed && bridge->selectedLayers().size() == 1) {
        // Another pair of the master: look for it in the whole kerning. The engine may change as
        // soon as a record is taken, so each goes over as a copy and the walk ends there.
        const ZVcache &flat = mm->get_single_master_flat_kerning("");
        for (std::size_t l = 0; l < flat.lists.size() && !changed; ++l)
            for (std::size_t r = 0; r < flat.lists[l].size(); ++r) {
                const ZVsimplepair record = flat.lists[l][r];
                if (bridge->updateValueFromGlyphsToZV(&record)) {
                    changed = true;
                    break;
                }
            }
    }
    if (changed)
        zvfontToGlyphsAndDialog();
}

void ZelvarPlugin::menuWillOpen(NSMenu *menu) {
    const std::shared_ptr<ZVDataToGlyphs> bridge = zvdata();
    if (!bridge || !menu)
        return;
    NSPopUpButton *popUp = nullptr;
    int side = 0;
    if (glyphLPairs && menu == glyphLPairs->menu.get()) {
        popUp = glyphLPairs;
    } else if (glyphRPairs && menu == glyphRPairs->menu.get()) {
        popUp = glyphRPairs;
        side = 1;
    }
    const std::vector<GSLayer *> layers = bridge->selectedLayers();
    if (!popUp || menu->numberOfItems() != 1 || layers.size() != 1)
        return;
    pairsToPopUp(popUp, layers.front()->parent(), side);
}

NSEvent ZelvarPlugin::modifierKeyChanged(const NSEvent &event) {
    const bool option = (event.modifierFlags & NSEventModifierFlagOption) != 0;
    if (option != _optionPressed) {
        _optionPressed = option;
        pairType->setLabel(option ? "Model = 0" : "Model", 0);
    }
    const bool control = (event.modifierFlags & NSEventModifierFlagControl) != 0;
    if (control == _ctrlPressed)
        return event;
    _ctrlPressed = control;
    if (!control) {
        pairType->setLabel("Auto", 1);
        restorePreviewedPair();
        return event;
    }
    // The preview needs the one pair under the cursor to be the pair shown, a model or a fixed
    // pair, on a master that has started.
    const std::vector<ZVglyph_pair> pairs =
        zvdata() ? *zvdata()->currentPairs() : std::vector<ZVglyph_pair>{};
    if (!(uipair.properties.c & 2) || pairs.size() != 1 || pairs.front() != uipair.indices ||
        !engineReady())
        return event;
    if (uipair.if_autokerned == ZV_NO_VALUE)
        uipair.if_autokerned = zvdata()->get_zvfont()->if_autokerned(uipair.indices, "");
    pairType->setLabel(fillIn("Auto = %i", {std::to_string(static_cast<int>(uipair.if_autokerned))}),
                       1);
    const ZVsimplepair real{uipair.indices, uipair.value,     uipair.value_min,
                            uipair.value_max, uipair.frequency, uipair.properties};
    ZVsimplepair shown = real;
    shown.value = uipair.if_autokerned;
    restorePreviewedPair();
    previewedPair_ = real;
    previewBridge_ = zvdata();
    zvdata()->singlePairToGlyphs(&shown);
    return event;
}

void ZelvarPlugin::closeDialog(const void *) {
    if (closing_)
        return;
    closing_ = true;
    cancelStartUpRuns();
    if (_zelvarMenuItem)
        _zelvarMenuItem->setState(NSControlStateValueOff);
    NSNotificationCenter::defaultCenter().removeObserver(this);
    restorePreviewedPair();
    setZvdata(nullptr);
    resetCurrentFeedback();
    resetUIPair();
    finalizeWindowController.reset();
    for (GSDocument *document : GSApplication::sharedApplication().fontDocuments())
        if (GSFont *font = document->font())
            font->setTempData(nullptr, ZVDataFromGlyphs::ZVDataKey);
    if (loadedWindow)
        loadedWindow->close();
    NSEvent::removeMonitor(flagsMonitor);
    flagsMonitor = {};
    closing_ = false;
}

void ZelvarPlugin::windowWillClose(const NSNotification &) { closeDialog(nullptr); }
