// The about window: the plug-in's version and what the update check found, with a link to the
// update page when there is something to do.
#pragma once

#include "platform/NSTextField.h"
#include "platform/NSWindowController.h"

/// The window layout of the about window.
inline constexpr const char *AboutZVNibName = "AboutZV";
/// Registers the "AboutZV" layout (once; the controller does it as it is made).
void registerAboutZVLayout();

class AboutZVController : public NSWindowController, public NSWindowDelegate {
  public:
    AboutZVController();

    NSTextField *versionField = nullptr;
    NSTextField *versionStatusField = nullptr;

    /// The version, and the update status from the shared version checker.
    void windowDidLoad() override;
    /// Ends the modal run.
    void windowWillClose(const NSNotification &notification) override;
};
