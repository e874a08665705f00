// Modal alerts. Nobody sits at the screen here: an alert takes its answer from a script that the
// test or the headless command sets up, and every alert shown is logged with its texts, icon,
// buttons and answer.
#pragma once

#include "platform/NSImage.h"
#include "platform/NSTextField.h"

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class NSAlert {
  public:
    /// What runModal answers: 1000 for the first button, 1001 for the second, and so on.
    enum ModalResponse : long {
        NSAlertFirstButtonReturn = 1000,
        NSAlertSecondButtonReturn = 1001,
        NSAlertThirdButtonReturn = 1002,
    };

    void setMessageText(std::string text) { messageText_ = std::move(text); }
    const std::string &messageText() const { return messageText_; }
    void setInformativeText(std::string text) { informativeText_ = std::move(text); }
    const std::string &informativeText() const { return informativeText_; }
    void setIcon(std::shared_ptr<NSImage> icon) { icon_ = std::move(icon); }
    const std::shared_ptr<NSImage> &icon() const { return icon_; }
    /// A text field shown under the texts (the alert does not own it), the initial first
    /// responder when `setInitialFirstResponder` says so.
    void setAccessoryView(NSTextField *view) { accessoryView_ = view; }
    NSTextField *accessoryView() const { return accessoryView_; }
    /// Adds a button after the others.
    void addButtonWithTitle(std::string title) { buttons_.push_back(std::move(title)); }
    /// The button titles, first to last. An alert shown without buttons has one, "OK".
    const std::vector<std::string> &buttons() const { return buttons_; }

    /// Shows the alert on the main thread and answers 1000 + the position of the chosen button.
    /// Throws std::logic_error off the main thread, and, unless the script answers the last button
    /// of every alert, when the alert is unscripted or not the one the script expects next.
    long runModal();

  private:
    std::string messageText_;
    std::string informativeText_;
    std::shared_ptr<NSImage> icon_;
    std::vector<std::string> buttons_;
    NSTextField *accessoryView_ = nullptr;
};

/// The answers alerts give, and the log of the alerts shown. Thread-safe.
class NSAlertScript {
  public:
    /// One alert as it was shown and answered.
    struct Record {
        std::string message;
        std::string informative;
        std::string icon; ///< the icon's resource name, empty without icon
        std::vector<std::string> buttons;
        std::string answer; ///< the title of the button chosen
        bool operator==(const Record &) const = default;
    };

    /// The next alert must show `message`; it is answered with the button titled `button`.
    static void expect(std::string message, std::string button);
    /// The same for an alert with a text field, into which `typed` is typed before the answer.
    static void expect(std::string message, std::string button, std::string typed);
    /// Headless commands: every alert is answered with its last button (the one that changes
    /// nothing) and printed to `out`. A null stream goes back to scripted answers.
    static void answerLastButton(std::ostream *out);
    /// The alerts shown since the last reset, in order.
    static std::vector<Record> log();
    /// Scripted answers not used yet.
    static std::size_t unusedAnswers();
    /// Forgets the script, the log and the headless mode.
    static void reset();
};
