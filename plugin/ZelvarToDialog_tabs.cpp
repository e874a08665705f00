// The glyph tab, the font tab and the gear menu as the refreshes call them: the font tab's counts
// and the hiding of both tabs. The glyph tab's contents are in ZelvarGlyphTab.cpp, the comparison
// list and the gear menu in ZelvarGearMenu.cpp.

#include "plugin/ZelvarToDialog.h"

void ZelvarToDialog::hideGlyphInfo(bool hide) {
    glyphName->setHidden(hide);
    glyphImage->setHidden(hide);
    glyphLSB->setHidden(hide);
    glyphRSB->setHidden(hide);
    for (NSPopUpButton *p : {glyphKerningTypeL, glyphKerningTypeR, glyphTrackingGroupPopUpL,
                             glyphTrackingGroupPopUpR, glyphLPairs, glyphRPairs})
        p->setHidden(hide);
}

void ZelvarToDialog::hideFontInfo(bool hide) {
    for (NSView *v : std::initializer_list<NSView *>{
             fontModelsCount, fontModelsLabel, fontModelsShowButton, fontExplicitAutoCount,
             fontExplicitAutoLabel, fontExplicitAutoShowButton, fontIndependentCount,
             fontIndependentLabel, fontIndependentShowButton})
        v->setHidden(hide);
}

void ZelvarToDialog::updateFontTab() {
    if (!_zvdata)
        return;
    _zvdata->setCurrentMasterHasChanged(false);
    if (!engineReady())
        return;
    const ZVfontMM *mm = _zvdata->get_zvfont();
    const std::size_t models = mm->get_number_of_models("");
    fontModelsCount->setIntegerValue(static_cast<long>(models));
    for (NSView *v : std::initializer_list<NSView *>{fontModelsCount, fontModelsLabel,
                                                     fontModelsShowButton})
        v->setHidden(models == 0);
    const std::size_t autos = mm->get_number_of_user_set_autos("");
    fontExplicitAutoCount->setIntegerValue(static_cast<long>(autos));
    fontExplicitAutoLabel->setStringValue(autos == 1 ? "User-set autopair" : "User-set autopairs");
    fontExplicitAutoShowButton->setEnabled(autos != 0);
    const std::size_t independents = mm->get_number_of_independents("");
    fontIndependentCount->setIntegerValue(static_cast<long>(independents));
    fontIndependentShowButton->setEnabled(independents != 0);
    gearMenuUndoItem->setEnabled(mm->can_undo(""));
}

