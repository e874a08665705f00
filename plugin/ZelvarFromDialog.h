// What the designer does in the dialog: the activation's steps and buttons, the pair tab's
// actions, and the glyph tab's, font tab's and gear menu's actions.
#pragma once

#include "plugin/ZelvarToDialog.h"

class ZelvarFromDialog : public ZelvarToDialog {
  public:
    // Activation.

    /// Checks the font and starts building the engine (the next step after a delay of 0).
    void activateZV();
    /// Builds the engine; asks how to treat existing kerning or for pairs needing none.
    void activateZV_2();
    /// Whether the engine has no master, or none with something to measure (then the message
    /// says why and the bridge is unbound).
    bool checkForFail();
    /// Asks for at least 10 pairs that need no kerning and gives the designer a tab to type them.
    void askForUnkernedPairs();
    /// The activate button.
    void startZelvarButtonPushed(const void *sender);
    /// The two choices for a font that has kerning (each turns the other off).
    void eraseExistingPushed(const void *sender);
    void reuseExistingPushed(const void *sender);
    /// Goes on with the chosen treatment of the existing kerning.
    void startUpButtonPushed(const void *sender);
    /// Starts every master on a new operation queue, the current master first.
    void activateZV_3();

    // The pair tab.

    void pairTypeSelected(NSSegmentedControl *sender);
    void pairModelSelectedSetValueToZero(int setToZero);
    void pairAutoSelected();
    void pairAutoSelected_2();
    void kerningSliderMoved(NSSlider *sender);
    void kerningSliderMovedEnd(const NSNotification &notification);
    void pairValueTextFieldEdited(NSTextField *sender);
    void influencerClicked(ZVInfluencerField *sender) override;

    // The glyph tab, the font tab and the gear menu.

    void sidebearingEdited(ZVSteppingTextField *sender);
    bool confirmSpecialSpacingForLetterIfNecessary();
    void editedKerningType(NSPopUpButton *type, NSPopUpButton *orTrackingGroup, int forSide);
    void glyphLTrackingGroupEdited(const void *sender);
    void glyphRTrackingGroupEdited(const void *sender);
    std::optional<std::string> getNewGroupName();
    void fontShowModelsButtonPressed(const void *sender);
    void fontShowUserSetAutosButtonPressed(const void *sender);
    void fontShowIndependentsButtonPressed(const void *sender);
    void undo(const void *sender);
    void interpolateMaster(const void *sender);
    void about_zv(const void *sender);
    void openUserManual(const void *sender);
    void zelvarButtonPushed(const void *sender);

    /// Closes the dialog (the plug-in's).
    virtual void closeDialog(const void *sender) = 0;

  protected:
    /// The current pairs of the bound bridge (empty without one).
    std::vector<ZVglyph_pair> currentPairs() const;
    /// Makes the host document's window key again.
    void giveKeyboardToDocument();
};
