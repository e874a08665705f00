// The finalize window: the designer's options (a sound when done, rebuilt kerning groups, the
// kerning size limit in kB), and the run that makes the font's final kerning. Each master is
// computed on a serial queue while the window's modal run shows the progress; nothing reaches the
// font until every master is done, then all of it is written at once and the window closes.
// Stopping before the last master writes nothing.
#pragma once

#include "bridge/ZVDataToGlyphs.h"
#include "platform/NSButton.h"
#include "platform/NSOperationQueue.h"
#include "platform/NSProgressIndicator.h"
#include "platform/NSTextField.h"
#include "platform/NSWindowController.h"
#include "plugin/ZVFinalizeRun.h"

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// The window layout of the finalize window.
inline constexpr const char *ZVFinalizeWindowNibName = "ZVFinalizeWindowController";
/// Registers the "ZVFinalizeWindowController" layout (once; the controller does it as it is made).
void registerZVFinalizeWindowLayout();

/// User default: play a sound when the run ends (absent: YES).
inline constexpr const char *ZVPlaySoundDefault = "ZelvarPlaySoundWhenFinished";

class ZVFinalizeWindowController : public NSWindowController, public NSWindowDelegate {
  public:
    ZVFinalizeWindowController();
    /// Waits for a master still being computed.
    ~ZVFinalizeWindowController() override;

    // Outlets, set by the layout.
    NSButton *zelvarButton = nullptr;
    NSButton *cancelButton = nullptr;
    NSButton *abortButton = nullptr;
    NSProgressIndicator *progressBar = nullptr;
    /// Which master the run computes, and how far it is.
    NSTextField *progressLabel = nullptr;
    NSButton *playSoundCheckbox = nullptr;
    NSButton *regenerateGroupsCheckbox = nullptr;
    NSTextField *kbLabel = nullptr, *kerningSizeLabel = nullptr;
    NSTextField *kerningSizeTextField = nullptr;

    const std::shared_ptr<ZVDataToGlyphs> &zvdata() const { return _zvdata; }
    void setZvdata(std::shared_ptr<ZVDataToGlyphs> bridge) { _zvdata = std::move(bridge); }
    bool confirmed_by_user() const { return _confirmed_by_user; }
    void setConfirmed_by_user(bool confirmed) { _confirmed_by_user = confirmed; }
    /// "beep" and "regenerateGroups".
    const std::map<std::string, bool> &options() const { return _options; }
    void setOptions(std::map<std::string, bool> options) { _options = std::move(options); }

    /// Reads the stored settings into the window and the options.
    void windowDidLoad() override;
    void regenerateGroupsClicked(NSButton *sender);
    void beepCheckboxClicked(NSButton *sender);
    void didTapCancelButton(const void *sender);
    /// Ends the modal run; a run going on stops before its next master.
    void windowWillClose(const NSNotification &notification) override;
    /// Starts the run: every control but the stop button disabled, the bar from 0 to the masters
    /// to compute + 1. A limit field that is not empty and not a number of kB refuses the run
    /// with a word in the window.
    void finalizeClicked(const void *sender);
    /// Asks the run to stop before its next master.
    void abortClicked(const void *sender);

    /// Whether a run goes on.
    bool isRunning() const { return running_; }
    /// Whether a run was stopped since the window opened (the engine may have moved on).
    bool wasAborted() const { return aborted_; }
    /// The label and the bar while the master at `step` of the run (from 0) has `done` of its
    /// `total` pairs kerned.
    void showProgress(const std::string &name, std::size_t step, std::size_t done,
                      std::size_t total);
    /// What the completed run wrote.
    const ZVfinalwrite &lastWrite() const { return lastWrite_; }

    /// The limit field's text for a stored limit in bytes: kB with at most three decimals and no
    /// trailing zeros (1500 → "1.5").
    static std::string kilobytesText(std::int64_t bytes);
    /// The limit a field's text asks for in kB: 0 (no limit) for an empty field, nothing for a
    /// text that is not a number of kB at least 0 ("1,5", "50 kB", "-2").
    static std::optional<double> limitInKilobytes(const std::string &text);
    /// A number of pairs with its thousands apart (23271 → "23 271").
    static std::string pairCountText(std::size_t n);

  private:
    std::shared_ptr<ZVDataToGlyphs> _zvdata;
    bool _confirmed_by_user = false;
    std::atomic<bool> _abort_asap{false};
    std::map<std::string, bool> _options;

    bool running_ = false;
    bool aborted_ = false;
    std::vector<std::size_t> order_;
    std::vector<ZVleftout> leftOut_;
    double limitKB_ = 0; ///< the run's limit as the field gave it (0: none)
    std::size_t next_ = 0;
    std::vector<ZVfinalmaster> computed_;
    std::vector<ZVpair_frequency> frequentPairs_;
    std::unique_ptr<NSOperationQueue> queue_;
    ZVfinalwrite lastWrite_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);

    void setControlsRunning(bool running);
    void computeNextMaster();
    void masterComputed(ZVfinalmaster master);
    void writeAndClose();
    void endAbortedRun();
    /// The one alert naming masters left out, not finalized or over the limit (none when all is
    /// well).
    void reportProblems() const;
    /// Stores the limit field for the font (removed when it means no limit).
    void storeLimit() const;
};
