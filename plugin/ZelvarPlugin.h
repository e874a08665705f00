// The plug-in's principal class: the host makes one when it loads the bundle. It adds the menu
// item, opens and places the dialog, binds it to the font of the active document through that
// font's bridge, and turns the host's notifications, its kerning edits and modifier keys into
// refreshes of the engine and the dialog.
#pragma once

#include "plugin/ZelvarFromDialog.h"

#include <cstdint>

class ZelvarPlugin : public ZelvarFromDialog {
  public:
    ZelvarPlugin();
    /// Lets go of everything it registered (notifications, monitor, observation, start-up).
    ~ZelvarPlugin() override;

    bool _optionPressed = false;
    bool _ctrlPressed = false;

    /// The host's plug-in protocol.
    std::uint64_t interfaceVersion() const { return 1; }
    /// Adds "Zelvar" to the submenu of the host's main-menu item with tag 5.
    void loadPlugin();

    /// The menu item: opens the dialog (nothing while it is shown).
    void showDialog(const void *sender);
    /// Places the dialog beside the front document's window.
    void positionWindow();
    /// Binds the dialog to the font of the active document (nullptr: the current document).
    void updateActiveFont(const NSNotification *notification);
    void fontWasOpenedOrClosed(const NSNotification &notification);
    /// An undo step of a glyph: its outline into the engine.
    void fontWasModified(const NSNotification &notification);
    /// Fills a glyph's pair menu as it opens.
    void menuWillOpen(NSMenu *menu) override;
    /// Option relabels the Model segment; control previews the autokerned value of a model or
    /// fixed pair. Answers the event unchanged.
    NSEvent modifierKeyChanged(const NSEvent &event);
    /// Closes the dialog and drops the bridges of every open font.
    void closeDialog(const void *sender) override;
    /// The window's close control.
    void windowWillClose(const NSNotification &notification) override;

  protected:
    void observeValueForKeyPath(const std::string &keyPath) override;

  private:
    bool closing_ = false;
};
