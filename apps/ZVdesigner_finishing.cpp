// The designer's script after the kerning is done: the finalize window (the size limit, the
// kerning groups rebuilt or kept, the run with its report per master) and the about window, and
// the script that takes a font from its models to its final kerning.
#include "ZVdesigner.h"

#include "platform/Describe.h"
#include "platform/Gestures.h"
#include "platform/NSAlert.h"
#include "platform/NSApplication.h"
#include "platform/NSRunLoop.h"
#include "plugin/AboutZVController.h"
#include "plugin/ZVFinalizeWindowController.h"
#include "plugin/ZelvarPlugin.h"

#include <chrono>
#include <ostream>
#include <stdexcept>

namespace {

struct FinishingError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace

bool ZVdesigner::playFinishing(const std::string &verb, const std::vector<std::string> &args) {
    if (verb == "name-group") {
        // The next new-group prompt is answered OK with this name typed in.
        if (args.size() != 1)
            throw FinishingError("\"name-group\" takes one name");
        NSAlertScript::expect("Create new special spacing group named:", "OK", args[0]);
        return true;
    }
    if (verb == "about") {
        if (!args.empty())
            throw FinishingError("\"about\" takes no arguments");
        NSApp().modalScripts.push_back([this](NSWindow &window) {
            out_ << describe(window);
            gesture::closeWindow(window);
        });
        gesture::choose(*plugin_->gearMenu, {"About Zelvar"});
        return true;
    }
    if (verb != "finalize")
        return false;
    // finalize [LIMIT-IN-KB | none] [keep-groups]
    std::string limit;
    bool keepGroups = false;
    for (const std::string &a : args) {
        if (a == "keep-groups")
            keepGroups = true;
        else if (limit.empty())
            limit = a;
        else
            throw FinishingError("\"finalize\" takes a limit in kB (or none) and keep-groups");
    }
    std::optional<ZVfinalwrite> report;
    std::string failure;
    NSApp().modalScripts.push_back([&](NSWindow &window) {
        ZVFinalizeWindowController &w = *plugin_->finalizeWindowController;
        if (!limit.empty()) {
            gesture::click(*w.kerningSizeTextField);
            gesture::typeText(*w.kerningSizeTextField, limit == "none" ? "" : limit);
        }
        if (keepGroups == (w.regenerateGroupsCheckbox->state == NSControlStateValueOn))
            gesture::click(*w.regenerateGroupsCheckbox);
        out_ << describe(window);
        gesture::click(*w.zelvarButton);
        // The run goes on in the window's modal run; its progress is shown as it moves.
        std::string shown;
        NSRunLoop &loop = NSRunLoop::mainRunLoop();
        const bool ended = loop.runUntil(
            [&] {
                if (options_.progress && w.progressLabel->stringValue() != shown) {
                    shown = w.progressLabel->stringValue();
                    options_.progress->line(shown);
                }
                return !w.isRunning();
            },
            std::chrono::hours(1));
        if (!ended)
            failure = "the finalisation did not end";
        else if (w.confirmed_by_user())
            report = w.lastWrite();
    });
    gesture::click(*plugin_->finalizeButton);
    if (!failure.empty())
        throw FinishingError(failure);
    if (!report)
        throw FinishingError("the finalisation wrote nothing");
    out_ << describeFinalWrite(*report);
    return true;
}

std::string ZVdesigner::finishingScript() {
    return "# The glyph tab: one glyph's side bearings and pairs; a right side bearing typed in.\n"
           "select 1 1\n"
           "wait\n"
           "dump\n"
           "enter glyphRSB 95\n"
           "wait\n"
           "kerning A V\n"
           "# Special spacing for a letter asks first (cancelled: nothing changes).\n"
           "line nH\n"
           "wait\n"
           "answer Do you really want to set special spacing for this letter? => Cancel\n"
           "choose glyphKerningTypeR Special spacing\n"
           "wait\n"
           "dump\n"
           "# The hyphen (in Dashes) gets a special spacing group of its own on its right side.\n"
           "line n-\n"
           "wait\n"
           "name-group Hyphens\n"
           "choose glyphTrackingGroupPopUpR New group…\n"
           "wait\n"
           "dump\n"
           "# The gear menu and the comparison with the other document.\n"
           "choose compareToPopUp Second\n"
           "wait\n"
           "# The final kerning within 64 kB, groups rebuilt: a size the kerning a designer ships\n"
           "# can meet; a master above it loses its lightest pairs, never what the designer set.\n"
           "# A master that still needs attention is named in an alert.\n"
           "answer Some masters need your attention. => OK\n"
           "finalize 64\n"
           "# About Zelvar.\n"
           "open-dialog\n"
           "wait\n"
           "about\n";
}
