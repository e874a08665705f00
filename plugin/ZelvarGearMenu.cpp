// The font tab's lists, the comparison list, the gear menu and the dialog's two windows: the
// about window and the finalize window, whose confirmed run closes the dialog.

#include "plugin/ZelvarFromDialog.h"

#include "bridge/ZVUserData.h"
#include "host/GSApplication.h"
#include "host/GSDocument.h"
#include "platform/NSApplication.h"
#include "platform/NSURL.h"
#include "platform/NSWorkspace.h"
#include "plugin/AboutZVController.h"
#include "plugin/ZVFinalizeWindowController.h"

namespace {

/// The address of the user manual.
constexpr const char *kManualURL = "https://zelvar.invalid/manual/";

std::shared_ptr<NSMenuItem> menuItem(const std::string &title, std::any object,
                                     NSMenuItemAction action) {
    auto item = std::make_shared<NSMenuItem>(title, std::move(action));
    item->setRepresentedObject(std::move(object));
    return item;
}

/// An item for another open font that calls `action` of the bridge with that font.
std::shared_ptr<NSMenuItem> fontItem(const GSDocument &document,
                                     const std::shared_ptr<ZVDataToGlyphs> &bridge,
                                     void (ZVDataToGlyphs::*action)(GSFont *)) {
    std::weak_ptr<ZVDataToGlyphs> weak = bridge;
    return menuItem(document.displayName(), document.font(), [weak, action](NSMenuItem *s) {
        if (auto b = weak.lock())
            ((*b).*action)(std::any_cast<GSFont *>(s->representedObject));
    });
}

GSDocument *documentOf(const GSFont *font) {
    for (GSDocument *d : GSApplication::sharedApplication().fontDocuments())
        if (d->font() == font)
            return d;
    return nullptr;
}

/// Whether any glyph of the font has a stored special spacing group on either side.
bool hasSpecialSpacing(const GSFont &font) {
    for (const GSGlyph *g : font.glyphs())
        if (ZVDataFromGlyphs::storedTrackingGroupforGlyph(g, "L") ||
            ZVDataFromGlyphs::storedTrackingGroupforGlyph(g, "R"))
            return true;
    return false;
}

} // namespace

void ZelvarToDialog::updateCompareToPopUp() {
    compareToPopUp->setEnabled(false);
    compareToPopUp->removeAllItems();
    compareToPopUp->addItemWithTitle("Compare to ...");
    if (!_zvdata)
        return;
    for (GSDocument *d : GSApplication::sharedApplication().fontDocuments()) {
        GSFont *font = d->font();
        if (!font || font == _zvdata->gsfont())
            continue;
        // A font the plug-in runs is not offered.
        const std::shared_ptr<ZVDataFromGlyphs> other = ZVDataFromGlyphs::bridgeForFont(font);
        if (other && other->currentMaster())
            continue;
        compareToPopUp->menu->addItem(fontItem(*d, _zvdata, &ZVDataToGlyphs::compareToFont));
        compareToPopUp->setEnabled(true);
    }
}

void ZelvarToDialog::updateGearMenu() {
    NSMenuItem *addFrom = gearMenu->itemWithTag(1);
    NSMenuItem *syncFrom = gearMenu->itemWithTag(2);
    NSMenuItem *interpolate = gearMenu->itemWithTag(3);
    NSMenuItem *autokern = gearMenu->itemWithTag(4);
    for (NSMenuItem *item : {addFrom, autokern, syncFrom}) {
        item->submenu->removeAllItems();
        item->setEnabled(false);
    }
    if (!_zvdata || !_zvdata->gsfont())
        return;
    GSFont *font = _zvdata->gsfont();
    GSFontMaster *current = _zvdata->currentMaster();
    // Refreshed for a running master, the menu is there (also back from a font not running).
    if (current)
        gearMenu->setHidden(false);
    ZVfontMM &engine = *_zvdata->get_zvfont();
    const std::string currentId = current ? current->id() : std::string();
    const ZVfont &master = engine.get_master(currentId);
    const bool autokerned = ZVDataFromGlyphs::isAutokernedMaster(current);

    // A master that does not start (nothing to measure) takes no source, nor lends.
    if (master.status != ZVfont::linked_metrics && current &&
        !_zvdata->whyMasterDoesNotStart(current)) {
        const GSFontMaster *source = _zvdata->autokerningSourceForMaster(current);
        for (GSDocument *d : GSApplication::sharedApplication().fontDocuments()) {
            GSFont *other = d->font();
            if (!other)
                continue;
            for (GSFontMaster *m : other->fontMasters()) {
                if (m == current || !ZVDataFromGlyphs::anyModelsInMaster(m))
                    continue;
                const std::string title =
                    other == font ? m->name() : d->displayName() + " " + m->name();
                if (master.status == ZVfont::kerned) {
                    addFrom->submenu->addItem(
                        menuItem(title, m, [this](NSMenuItem *s) { addModelsAndIndependents(s); }));
                    addFrom->setEnabled(true);
                }
                // A master of this font lends an engine only when that engine has models; one
                // still starting up belongs to its worker and is not offered yet.
                const bool lends = other != font || (!_zvdata->isStartingUp(m) &&
                                                     !_zvdata->whyMasterDoesNotStart(m) &&
                                                     engine.get_number_of_models(m->id()) > 0);
                if (master.status != ZVfont::interpolated && lends) {
                    auto item = menuItem(title, m, [this](NSMenuItem *s) { autokernFrom(s); });
                    item->setState(m == source ? NSControlStateValueOn : NSControlStateValueOff);
                    autokern->submenu->addItem(item);
                    autokern->setEnabled(true);
                }
            }
        }
        if (autokerned) {
            autokern->setState(NSControlStateValueOn);
            autokern->setAction([this](NSMenuItem *s) { autokernFrom(s); });
            autokern->setEnabled(true);
        } else {
            autokern->setState(NSControlStateValueOff);
            autokern->setAction({});
        }
    }

    for (GSDocument *d : GSApplication::sharedApplication().fontDocuments()) {
        GSFont *other = d->font();
        if (!other || other == font || !hasSpecialSpacing(*other))
            continue;
        syncFrom->submenu->addItem(fontItem(*d, _zvdata, &ZVDataToGlyphs::syncKerningTypes));
        syncFrom->setEnabled(true);
    }

    interpolate->setEnabled(_zvdata->currentMasterIsInterpolatable() && !autokerned);
    interpolate->setState(master.status == ZVfont::interpolated ? NSControlStateValueOn
                                                                : NSControlStateValueOff);
    gearMenuUndoItem->setEnabled(engine.can_undo(currentId));
}

void ZelvarToDialog::addModelsAndIndependents(NSMenuItem *item) {
    if (!engineReady())
        return;
    _zvdata->addModelsAndIndependentsFromMaster(
        std::any_cast<GSFontMaster *>(item->representedObject));
    zvfontToGlyphsAndDialog();
}

void ZelvarToDialog::autokernFrom(NSMenuItem *item) {
    if (!_zvdata || !_zvdata->currentMaster() || _zvdata->anyMasterStartingUp())
        return;
    GSFontMaster *current = _zvdata->currentMaster();
    GSFontMaster *const *source = std::any_cast<GSFontMaster *>(&item->representedObject);
    if (item->state == NSControlStateValueOn || !source) {
        // The item that stands for the autokerning itself (or a chosen source again) ends it.
        if (ZVDataFromGlyphs::isAutokernedMaster(current) ||
            _zvdata->get_zvfont()->get_master(current->id()).status == ZVfont::engine_taken_over)
            _zvdata->unAutokernCurrentMaster();
        item->setState(NSControlStateValueOff);
    } else {
        _zvdata->autokernMaster(current, *source);
        showMasterNotices(); // a source that could not lend says why
        // Stored only when the master did end autokerned (a source of this font without models
        // lends nothing).
        if (_zvdata->get_zvfont()->get_master(current->id()).status == ZVfont::engine_taken_over) {
            const GSDocument *sourceDocument = documentOf((*source)->font());
            const std::string document = (*source)->font() == current->font() || !sourceDocument
                                             ? ""
                                             : sourceDocument->displayName();
            const std::string name = (*source)->name() == current->name() ? "" : (*source)->name();
            current->setUserData(PlistValue(PlistArray{PlistValue(document), PlistValue(name)}),
                                 zvuserdata::kAutokernedFrom);
            item->setState(NSControlStateValueOn);
        }
    }
    hideControls(false);
    zvfontToGlyphsAndDialog();
    updateDialogAndGlyphsKerning();
}

void ZelvarFromDialog::fontShowModelsButtonPressed(const void *) {
    if (!engineReady())
        return;
    zvdata()->addPairsToNewTab(zvdata()->get_zvfont()->get_models_for_display("", ""));
}

void ZelvarFromDialog::fontShowUserSetAutosButtonPressed(const void *) {
    if (!engineReady())
        return;
    zvdata()->addPairsToNewTab(zvdata()->get_zvfont()->get_user_set_autos(""));
}

void ZelvarFromDialog::fontShowIndependentsButtonPressed(const void *) {
    if (!engineReady())
        return;
    zvdata()->addPairsToNewTab(zvdata()->get_zvfont()->get_independents(""));
}

void ZelvarFromDialog::undo(const void *) {
    if (!engineReady())
        return;
    zvdata()->get_zvfont()->undo("");
    zvfontToGlyphsAndDialog();
}

void ZelvarFromDialog::interpolateMaster(const void *) {
    if (!zvdata() || !zvdata()->currentMaster() || zvdata()->anyMasterStartingUp())
        return;
    zvdata()->toggleInterpolateCurrentMaster();
    updateDialogAndGlyphsKerning();
}

void ZelvarFromDialog::about_zv(const void *) {
    AboutZVController about;
    NSApp().runModalForWindow(*about.window());
}

void ZelvarFromDialog::openUserManual(const void *) {
    NSWorkspaceOpenConfiguration configuration;
    configuration.setActivates(true);
    NSWorkspace::sharedWorkspace().openURL(*NSURL::URLWithString(kManualURL), configuration, {});
}

void ZelvarFromDialog::zelvarButtonPushed(const void *) {
    if (finalizeWindowController || !zvdata() || !zvdata()->gsfont() ||
        zvdata()->anyMasterStartingUp())
        return;
    finalizeWindowController = std::make_shared<ZVFinalizeWindowController>();
    finalizeWindowController->setZvdata(zvdata());
    NSApp().runModalForWindow(*finalizeWindowController->window());
    const bool confirmed = finalizeWindowController->confirmed_by_user();
    const bool aborted = finalizeWindowController->wasAborted();
    // Released first: a master still being computed is waited for.
    finalizeWindowController.reset();
    if (confirmed)
        closeDialog(this);
    else if (aborted)
        zvfontToGlyphsAndDialog();
}
