// The dialog as the engine and the host show through it: the window's outlets, the refreshes that
// run after every change in the host or the engine, the engine's messages with their words, dot
// and buttons, the pair tab's refresh, and the masters' start-up steps that end on the main
// thread.
#pragma once

#include "bridge/ZVDataToGlyphs.h"
#include "engine/model/ZVfeedback.h"
#include "platform/NSBox.h"
#include "platform/NSButton.h"
#include "platform/NSColor.h"
#include "platform/NSEvent.h"
#include "platform/NSImageView.h"
#include "platform/NSMenu.h"
#include "platform/NSNotificationCenter.h"
#include "platform/NSOperationQueue.h"
#include "platform/NSPopUpButton.h"
#include "platform/NSSegmentedControl.h"
#include "platform/NSTextField.h"
#include "platform/NSWindowController.h"
#include "plugin/ZVControls.h"
#include "plugin/ZVWindow.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class GSFontMaster;
class ZVFinalizeWindowController;

/// The window layout of the dialog.
inline constexpr const char *ZVDialogNibName = "ZVDialog";

/// Registers the "ZVDialog" layout (once; ZelvarToDialog does it as it is made).
void registerZVDialogLayout();

class ZelvarToDialog : public NSWindowController,
                       public NSWindowDelegate,
                       public NSMenuDelegate,
                       public ZVInfluencerTarget {
  public:
    /// `init`: the controller of the "ZVDialog" layout with the four dot colours.
    ZelvarToDialog();
    ~ZelvarToDialog() override;

    // The dot colours.
    NSColor _colorNone, _colorGreen, _colorYellow, _colorRed;

    // Outlets, set by the layout (the window owns the views).
    NSButton *activateZVbutton = nullptr;
    NSBox *separatorLine0 = nullptr, *separatorLine1 = nullptr, *separatorLine2 = nullptr;
    NSBox *messageDot = nullptr;
    NSTextField *messageLabel = nullptr;
    NSButton *messageCloseButton = nullptr;
    NSButton *messageTryAgain = nullptr;
    NSButton *messageShowButton = nullptr;
    NSButton *eraseExisting = nullptr, *reuseExisting = nullptr, *startUpButton = nullptr;
    NSTextField *pairNames = nullptr;
    NSSegmentedControl *pairType = nullptr;
    ZVSteppingTextField *pairValueTextField = nullptr;
    ZVSlider *pairValueSlider = nullptr;
    ZVInfluencerField *pairValueInfluencerMin = nullptr, *pairValueInfluencerMax = nullptr;
    NSTextField *glyphName = nullptr;
    NSImageView *glyphImage = nullptr;
    ZVSteppingTextField *glyphLSB = nullptr, *glyphRSB = nullptr;
    NSPopUpButton *glyphKerningTypeL = nullptr, *glyphKerningTypeR = nullptr;
    NSPopUpButton *glyphTrackingGroupPopUpL = nullptr, *glyphTrackingGroupPopUpR = nullptr;
    NSPopUpButton *glyphLPairs = nullptr, *glyphRPairs = nullptr;
    NSTextField *fontModelsCount = nullptr, *fontModelsLabel = nullptr;
    NSTextField *fontExplicitAutoCount = nullptr, *fontExplicitAutoLabel = nullptr;
    NSTextField *fontIndependentCount = nullptr, *fontIndependentLabel = nullptr;
    NSButton *fontModelsShowButton = nullptr, *fontExplicitAutoShowButton = nullptr,
             *fontIndependentShowButton = nullptr;
    NSPopUpButton *compareToPopUp = nullptr;
    NSPopUpButton *gearMenu = nullptr;
    NSMenuItem *gearMenuUndoItem = nullptr;
    NSButton *finalizeButton = nullptr;

    // State the dialog keeps.

    /// The item the plug-in added to the host's menu; state 1 while the dialog is shown.
    std::shared_ptr<NSMenuItem> _zelvarMenuItem;
    /// The key monitor's token.
    NSEventMonitor flagsMonitor;
    /// The queue of the latest start-up run.
    std::shared_ptr<NSOperationQueue> operationQueue;
    /// The finalize window while it is open.
    std::shared_ptr<ZVFinalizeWindowController> finalizeWindowController;
    /// The message on display.
    ZVfeedback _currentFeedback;
    /// The pair under the cursor as the pair tab shows it (font units).
    ZVUIpair uipair;

    /// The dialog's window (nullptr until loaded).
    ZVWindow *zvWindow();

    /// The bridge of the font shown in the dialog, or nullptr.
    const std::shared_ptr<ZVDataToGlyphs> &zvdata() const { return _zvdata; }
    /// Binds another bridge (nullptr: none), moving the observation of "kerning" to its font.
    void setZvdata(std::shared_ptr<ZVDataToGlyphs> bridge);

    // Refresh and messages.

    /// Hides (or shows) what lies below the message; showing leaves the message buttons and the
    /// pair and glyph tabs to their own refreshes.
    void hideControls(bool hide);
    /// The not-running state: no current master, "Zelvar is currently not running.", the
    /// activate button when a font is bound.
    void deactivateDialog();
    void setEditingEnabled(bool enabled);
    /// After an engine change: writes the current master into the host and refreshes the
    /// message and every tab.
    void zvfontToGlyphsAndDialog();
    /// "GSUpdateInterface".
    void glyphsUiUpdate(const NSNotification &notification);
    /// The main refresh after the host changed.
    void updateDialogAndGlyphsKerning();
    /// Fetches the next message (dismissing the one shown with YES) and shows it.
    void getAndSetFeedbackDismissCurrent(bool dismiss);
    /// Shows _currentFeedback: text, dot, buttons, editing.
    void setFeedback();
    /// Shows, in one alert, what the bridge found since it last showed it and could not use of
    /// the font's stored state (each notice once); nothing when there is nothing new.
    void showMasterNotices();
    /// Message buttons.
    void messageCloseButtonclicked(const void *sender);
    void messageShowButtonClicked(const void *sender);
    void tryAgain(const void *sender);

    // The pair tab's refresh.

    void updatePairTabComplete();
    void updatePairTabDetails();
    /// Shows uipair (its range snapped already) for `pairCount` current pairs.
    void showUIPair(std::size_t pairCount);
    void hidePairInfo(bool hide);
    void pairValueTextFieldAbortEditing();

    // The glyph tab, the font tab and the gear menu (filled with the glyph and font tabs).

    void updateGlyphTab();
    void hideGlyphInfo(bool hide);
    void populateTrackingGroupPopUps();
    void pairsToPopUp(NSPopUpButton *popUp, GSGlyph *glyph, int side);
    void addPairToPopUp(NSPopUpButton *popUp, const ZVsimplepair *pair);
    void hideFontInfo(bool hide);
    void updateFontTab();
    void updateCompareToPopUp();
    void updateGearMenu();
    void addModelsAndIndependents(NSMenuItem *item);
    void autokernFrom(NSMenuItem *item);

    // The masters' start-up.

    /// Starts one master at once on the main thread (the activate button on a font set up
    /// earlier): the bridge's three start-up steps.
    void startUpMaster(GSFontMaster *master);
    /// How many masters start at once (0: as many as the machine has cores; 1: one after
    /// another, in a repeatable order).
    static int maxConcurrentStartUps;

    /// Whether the dialog may call the engine for the current master: a bridge with a font, a
    /// running master, and that master's start-up over.
    bool engineReady() const;
    /// Whether the bound bridge's current master is still starting up.
    bool currentMasterIsStarting() const;
    /// The start-up runs not finished yet (of any font).
    std::size_t startUpRunCount() const { return startUpRuns_.size(); }

    /// A message of one of these types leaves the master inactive (controls hidden).
    static bool isMasterInactiveType(int type);
    /// The update page the "Download update" button opens.
    static const char *updatePageURL();

  protected:
    /// Calls `step` on the main thread after a delay of 0 (performSelector:withObject:afterDelay:),
    /// unless the dialog has gone by then.
    void afterDelay(std::function<void()> step);
    /// Whether the dialog still exists (for steps that outlive it).
    std::weak_ptr<void> lifeToken() const { return alive_; }

    /// The bridge's start-up run of one activation: the masters still starting (host ids), kept
    /// on the main thread until their end steps.
    struct StartUpRun {
        std::shared_ptr<ZVDataToGlyphs> bridge;
        std::set<std::string> starting;
        /// Kerning edits in the host seen for a starting master (replayed once it has started).
        std::set<std::string> kerningEdited;
        std::shared_ptr<NSOperationQueue> queue;
        std::vector<std::shared_ptr<NSOperation>> endOperations;
        std::shared_ptr<NSOperation> finalOperation;
    };
    std::vector<std::shared_ptr<StartUpRun>> startUpRuns_;
    /// The run of the bound bridge, or nullptr.
    StartUpRun *runOfBoundBridge() const;
    /// Starts every master of the run's bridge: the current master first, each on a worker of the
    /// run's queue, its end step and then the run's last step on the main thread.
    void startUpRun(const std::shared_ptr<StartUpRun> &run, GSFontMaster *current);
    /// A master's end step (main thread): the bridge's own, then the dialog's: the master leaves
    /// the starting ones; when it is the current master (and the message is not the re-working
    /// one) the refresh.
    void masterDidStartUp(const std::shared_ptr<StartUpRun> &run, GSFontMaster *master);
    /// The last step of a start-up run, on the main thread once every master has started.
    void finishInitialisation(const std::shared_ptr<StartUpRun> &run);
    /// Cancels every start-up run and waits for the masters that are running.
    void cancelStartUpRuns();

    /// The host's kerning changed (key-value observation of the bound font's "kerning").
    virtual void observeValueForKeyPath(const std::string &keyPath) = 0;

    /// Whether the tab holds at least 10 distinct pairs (the rule of the first start).
    bool enoughUnkernedPairs() const;
    /// Resets the message: type 0, urgency 0, no pairs, pair_is_too_tight 0.
    void resetCurrentFeedback();
    /// Resets uipair: no pair, kind 0, if_autokerned not computed.
    void resetUIPair();
    /// Writes the real value of a pair the control key previews back into the host.
    void restorePreviewedPair();
    /// The pair whose autokerned value the control key shows in the host, or nothing.
    std::optional<ZVsimplepair> previewedPair_;
    std::weak_ptr<ZVDataToGlyphs> previewBridge_;

    /// The bound font's "kerning" observation.
    GSFont *observedFont_ = nullptr;
    int kerningObservation_ = 0;

  private:
    std::shared_ptr<ZVDataToGlyphs> _zvdata;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    /// The master whose source type 5 just tried to resolve (once in a row).
    std::optional<std::string> type5Resolved_;
};
