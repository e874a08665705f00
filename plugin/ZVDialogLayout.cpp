// The dialog's window as a layout: every outlet of the dialog, top to bottom in the order a person
// reads them, each control wired to its action on the dialog. The dialog is the window's delegate
// (its close control closes the dialog) and the delegate of the glyph tab's pair menus.

#include "plugin/ZelvarFromDialog.h"

#include <mutex>

namespace {

// What a kind of pair means, on the type segments.
constexpr const char *kModelTip =
    "Model: a pair whose value you set. Zelvar learns the spacing from the models and kerns "
    "every other pair from them.";
constexpr const char *kAutoTip =
    "Auto: Zelvar kerns the pair from the models. Turning it off keeps the value it has.";
constexpr const char *kFixedTip =
    "Fixed: a value you set that Zelvar keeps as it is; it teaches Zelvar nothing.";

NSMenuItem *addItem(NSPopUpButton &popUp, const std::string &title, long tag) {
    auto item = std::make_shared<NSMenuItem>(title);
    item->setTag(tag);
    popUp.menu->addItem(item);
    return item.get();
}

NSMenuItem *addSeparator(NSPopUpButton &popUp, long tag = 0) {
    auto item = NSMenuItem::separatorItem();
    item->setTag(tag);
    popUp.menu->addItem(item);
    return item.get();
}

/// The spacing-type pop-up of one side.
NSPopUpButton *kerningTypePopUp(NSView &root, const std::string &outlet) {
    auto *popUp = root.add<NSPopUpButton>(outlet);
    addItem(*popUp, "Mixed", 1)->setHidden(true);
    addItem(*popUp, "Standard", 2);
    addItem(*popUp, "No kerning", 3);
    addItem(*popUp, "Special spacing", 4);
    addSeparator(*popUp);
    addItem(*popUp, "Show all special spacing groups…", 9);
    popUp->selectItemWithTag(2);
    return popUp;
}

/// The special-spacing-group pop-up of one side; group names go in after the item tagged 7.
NSPopUpButton *trackingGroupPopUp(NSView &root, const std::string &outlet) {
    auto *popUp = root.add<NSPopUpButton>(outlet);
    addItem(*popUp, "Mixed", 1)->setHidden(true);
    addItem(*popUp, "", 5);
    addItem(*popUp, "Choose a group…", 6)->setHidden(true);
    addSeparator(*popUp, 7);
    addItem(*popUp, "New group…", 8);
    addItem(*popUp, "Show glyphs and models...", 10); // named after the group when there is one
    popUp->selectItemWithTag(5);
    popUp->setEnabled(false);
    return popUp;
}

/// A glyph's kerned pairs on one side, filled as the menu opens.
NSPopUpButton *pairsPopUp(NSView &root, const std::string &outlet, NSMenuDelegate *delegate) {
    auto *popUp = root.add<NSPopUpButton>(outlet, true);
    addItem(*popUp, "Pairs", 0);
    popUp->menu->setDelegate(delegate);
    return popUp;
}

std::shared_ptr<NSMenu> submenu(const std::string &title) {
    return std::make_shared<NSMenu>(title);
}

std::shared_ptr<NSWindow> buildDialog(NSWindowController &owner) {
    auto &c = dynamic_cast<ZelvarFromDialog &>(owner);
    auto window = std::make_shared<ZVWindow>();
    window->setTitle("Zelvar");
    window->setFrame({0, 0, 280, 500});
    window->setDelegate(&c);
    NSView &root = *window->contentView;

    // The message: a dot, the text and its buttons; the start button and the choice for a font
    // that has kerning.
    c.messageDot = root.add<NSBox>("messageDot", NSBoxType::Custom);
    c.messageLabel = root.add<NSTextField>("messageLabel", "Zelvar is currently not running.");
    c.messageCloseButton = root.add<NSButton>("messageCloseButton", "Ignore");
    c.messageCloseButton->setAction([&c](NSControl *s) { c.messageCloseButtonclicked(s); });
    c.messageTryAgain = root.add<NSButton>("messageTryAgain", "Try again");
    c.messageTryAgain->setAction([&c](NSControl *s) { c.tryAgain(s); });
    c.messageShowButton = root.add<NSButton>("messageShowButton", "Show");
    c.messageShowButton->setToolTip(
        "Show these pairs in the edit tab (with the command key: in a new tab).");
    c.messageShowButton->setAction([&c](NSControl *s) { c.messageShowButtonClicked(s); });
    c.activateZVbutton = root.add<NSButton>("activateZVbutton", "Start");
    c.activateZVbutton->setAction([&c](NSControl *s) { c.startZelvarButtonPushed(s); });
    c.activateZVbutton->setHidden(true);
    c.eraseExisting =
        root.add<NSButton>("eraseExisting", "Erase it and start afresh", NSButtonType::Switch);
    c.eraseExisting->setAction([&c](NSControl *s) { c.eraseExistingPushed(s); });
    c.reuseExisting =
        root.add<NSButton>("reuseExisting", "Keep it and re-work it", NSButtonType::Switch);
    c.reuseExisting->setState(NSControlStateValueOn);
    c.reuseExisting->setAction([&c](NSControl *s) { c.reuseExistingPushed(s); });
    c.startUpButton = root.add<NSButton>("startUpButton", "Continue");
    c.startUpButton->setAction([&c](NSControl *s) { c.startUpButtonPushed(s); });
    for (NSButton *b : {c.eraseExisting, c.reuseExisting, c.startUpButton})
        b->setHidden(true);

    // The pair under the cursor.
    c.separatorLine0 = root.add<NSBox>("separatorLine0", NSBoxType::Separator);
    c.pairNames = root.add<NSTextField>("pairNames", "");
    c.pairType = root.add<NSSegmentedControl>("pairType");
    c.pairType->setTrackingMode(NSSegmentSwitchTracking::SelectAny);
    c.pairType->setSegmentCount(3);
    c.pairType->setLabel("Model", 0);
    c.pairType->setLabel("Auto", 1);
    c.pairType->setLabel("Fixed", 2);
    c.pairType->setToolTipForSegment(kModelTip, 0);
    c.pairType->setToolTipForSegment(kAutoTip, 1);
    c.pairType->setToolTipForSegment(kFixedTip, 2);
    c.pairType->setAction(
        [&c](NSControl *s) { c.pairTypeSelected(static_cast<NSSegmentedControl *>(s)); });
    c.pairValueTextField = root.add<ZVSteppingTextField>("pairValueTextField");
    c.pairValueTextField->setAction(
        [&c](NSControl *s) { c.pairValueTextFieldEdited(static_cast<NSTextField *>(s)); });
    c.pairValueSlider = root.add<ZVSlider>("pairValueSlider");
    c.pairValueSlider->setAction(
        [&c](NSControl *s) { c.kerningSliderMoved(static_cast<NSSlider *>(s)); });
    c.pairValueInfluencerMin = root.add<ZVInfluencerField>("pairValueInfluencerMin");
    c.pairValueInfluencerMax = root.add<ZVInfluencerField>("pairValueInfluencerMax");

    // The selected glyphs.
    c.separatorLine1 = root.add<NSBox>("separatorLine1", NSBoxType::Separator);
    c.glyphName = root.add<NSTextField>("glyphName", "");
    c.glyphImage = root.add<NSImageView>("glyphImage");
    c.glyphLSB = root.add<ZVSteppingTextField>("glyphLSB");
    c.glyphLSB->setTag(0);
    c.glyphLSB->setAction(
        [&c](NSControl *s) { c.sidebearingEdited(static_cast<ZVSteppingTextField *>(s)); });
    c.glyphRSB = root.add<ZVSteppingTextField>("glyphRSB");
    c.glyphRSB->setTag(1);
    c.glyphRSB->setAction(
        [&c](NSControl *s) { c.sidebearingEdited(static_cast<ZVSteppingTextField *>(s)); });
    c.glyphKerningTypeL = kerningTypePopUp(root, "glyphKerningTypeL");
    c.glyphTrackingGroupPopUpL = trackingGroupPopUp(root, "glyphTrackingGroupPopUpL");
    c.glyphKerningTypeR = kerningTypePopUp(root, "glyphKerningTypeR");
    c.glyphTrackingGroupPopUpR = trackingGroupPopUp(root, "glyphTrackingGroupPopUpR");
    for (NSPopUpButton *p : {c.glyphKerningTypeL, c.glyphTrackingGroupPopUpL})
        p->setAction([&c](NSControl *s) { c.glyphLTrackingGroupEdited(s); });
    for (NSPopUpButton *p : {c.glyphKerningTypeR, c.glyphTrackingGroupPopUpR})
        p->setAction([&c](NSControl *s) { c.glyphRTrackingGroupEdited(s); });
    c.glyphLPairs = pairsPopUp(root, "glyphLPairs", &c);
    c.glyphRPairs = pairsPopUp(root, "glyphRPairs", &c);

    // The current master's lists.
    c.separatorLine2 = root.add<NSBox>("separatorLine2", NSBoxType::Separator);
    c.fontModelsCount = root.add<NSTextField>("fontModelsCount", "0");
    c.fontModelsLabel = root.add<NSTextField>("fontModelsLabel", "Models");
    c.fontModelsShowButton = root.add<NSButton>("fontModelsShowButton", "Show");
    c.fontModelsShowButton->setAction([&c](NSControl *s) { c.fontShowModelsButtonPressed(s); });
    c.fontExplicitAutoCount = root.add<NSTextField>("fontExplicitAutoCount", "0");
    c.fontExplicitAutoLabel = root.add<NSTextField>("fontExplicitAutoLabel", "User-set autopairs");
    c.fontExplicitAutoShowButton = root.add<NSButton>("fontExplicitAutoShowButton", "Show");
    c.fontExplicitAutoShowButton->setAction(
        [&c](NSControl *s) { c.fontShowUserSetAutosButtonPressed(s); });
    c.fontIndependentCount = root.add<NSTextField>("fontIndependentCount", "0");
    c.fontIndependentLabel = root.add<NSTextField>("fontIndependentLabel", "Fixed pairs");
    c.fontIndependentShowButton = root.add<NSButton>("fontIndependentShowButton", "Show");
    c.fontIndependentShowButton->setAction(
        [&c](NSControl *s) { c.fontShowIndependentsButtonPressed(s); });

    // Comparison, the gear menu and the way to the final kerning.
    c.compareToPopUp = root.add<NSPopUpButton>("compareToPopUp");
    addItem(*c.compareToPopUp, "Compare to ...", 0);
    c.compareToPopUp->setEnabled(false);

    c.gearMenu = root.add<NSPopUpButton>("gearMenu", true);
    addItem(*c.gearMenu, "⚙", 0);
    addItem(*c.gearMenu, "Add models and fixed pairs from", 1)
        ->setSubmenu(submenu("Add models and fixed pairs from"));
    addItem(*c.gearMenu, "Autokern from", 4)->setSubmenu(submenu("Autokern from"));
    addItem(*c.gearMenu, "Copy special spacing from", 2)
        ->setSubmenu(submenu("Copy special spacing from"));
    NSMenuItem *interpolate = addItem(*c.gearMenu, "Interpolate this master", 3);
    interpolate->setAction([&c](NSMenuItem *s) { c.interpolateMaster(s); });
    addSeparator(*c.gearMenu);
    c.gearMenuUndoItem = addItem(*c.gearMenu, "Undo", 0);
    c.gearMenuUndoItem->setAction([&c](NSMenuItem *s) { c.undo(s); });
    c.gearMenuUndoItem->setEnabled(false);
    addSeparator(*c.gearMenu);
    addItem(*c.gearMenu, "About Zelvar", 0)->setAction([&c](NSMenuItem *s) { c.about_zv(s); });
    addItem(*c.gearMenu, "User manual", 0)
        ->setAction([&c](NSMenuItem *s) { c.openUserManual(s); });
    for (long tag : {1, 2, 3, 4})
        c.gearMenu->itemWithTag(tag)->setEnabled(false);
    c.gearMenu->setHidden(true);

    c.finalizeButton = root.add<NSButton>("finalizeButton", "Finalize…");
    c.finalizeButton->setAction([&c](NSControl *s) { c.zelvarButtonPushed(s); });
    return window;
}

} // namespace

void registerZVDialogLayout() {
    static std::once_flag once;
    std::call_once(once, [] { registerLayout(ZVDialogNibName, buildDialog); });
}
