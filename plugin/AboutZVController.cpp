#include "plugin/AboutZVController.h"

#include "platform/NSApplication.h"
#include "plugin/ZelvarToDialog.h"
#include "version/ZVVersionChecker.h"

#include <mutex>

namespace {

std::shared_ptr<NSWindow> buildAboutWindow(NSWindowController &owner) {
    auto &c = dynamic_cast<AboutZVController &>(owner);
    auto window = std::make_shared<NSWindow>();
    window->setTitle("About Zelvar");
    window->setFrame({0, 0, 300, 160});
    window->setDelegate(&c);
    NSView &root = *window->contentView;
    root.add<NSTextField>("name", "Zelvar");
    root.add<NSTextField>("purpose", "Automatic kerning from a few model pairs.");
    c.versionField = root.add<NSTextField>("versionField", "Version");
    c.versionStatusField =
        root.add<NSTextField>("versionStatusField", "You have the latest version.");
    return window;
}

} // namespace

void registerAboutZVLayout() {
    static std::once_flag once;
    std::call_once(once, [] { registerLayout(AboutZVNibName, buildAboutWindow); });
}

AboutZVController::AboutZVController() : NSWindowController(AboutZVNibName) {
    registerAboutZVLayout();
}

void AboutZVController::windowDidLoad() {
    const std::shared_ptr<ZVVersionChecker> checker = ZVVersionChecker::zv();
    versionField->setStringValue("Version " + checker->displayVersionCurrent().value_or(""));
    const bool feedRead = checker->displayVersionOnServer().has_value();
    if (feedRead && !checker->isOutdated())
        return;
    NSAttributedString text;
    text.append({feedRead ? "Update available.\n" : "Failed to contact the update server.\n",
                 false,
                 false,
                 {}});
    text.append({feedRead ? "Go to download page" : "Go to update page", false, false,
                 ZelvarToDialog::updatePageURL()});
    versionStatusField->setSelectable(true);
    versionStatusField->setAllowsEditingTextAttributes(true);
    versionStatusField->setAttributedStringValue(std::move(text));
}

void AboutZVController::windowWillClose(const NSNotification &) { NSApp().stopModal(); }
