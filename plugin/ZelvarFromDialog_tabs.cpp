// What the designer does in the glyph tab, the font tab and the gear menu. The controls are laid
// out and wired; what each does comes with those tabs' own work.

#include "plugin/ZelvarFromDialog.h"

void ZelvarFromDialog::sidebearingEdited(ZVSteppingTextField *) {}
bool ZelvarFromDialog::confirmSpecialSpacingForLetterIfNecessary() { return false; }
void ZelvarFromDialog::editedKerningType(NSPopUpButton *, NSPopUpButton *, int) {}
void ZelvarFromDialog::glyphLTrackingGroupEdited(const void *) {}
void ZelvarFromDialog::glyphRTrackingGroupEdited(const void *) {}
std::optional<std::string> ZelvarFromDialog::getNewGroupName() { return std::nullopt; }
void ZelvarFromDialog::fontShowModelsButtonPressed(const void *) {}
void ZelvarFromDialog::fontShowUserSetAutosButtonPressed(const void *) {}
void ZelvarFromDialog::fontShowIndependentsButtonPressed(const void *) {}
void ZelvarFromDialog::undo(const void *) {}
void ZelvarFromDialog::interpolateMaster(const void *) {}
void ZelvarFromDialog::about_zv(const void *) {}
void ZelvarFromDialog::openUserManual(const void *) {}
void ZelvarFromDialog::zelvarButtonPushed(const void *) {}
