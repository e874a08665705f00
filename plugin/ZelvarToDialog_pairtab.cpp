// The pair tab: the pair or pairs under the cursor, their kind, value, range and limiting pairs.

#include "plugin/ZelvarToDialog.h"

#include "host/GSGlyph.h"
#include "host/GSLayer.h"
#include "plugin/ZVPairRange.h"
#include "plugin/ZVText.h"

namespace {

constexpr ZVglyph_pair kNoPair{65535, 65535};

std::uint32_t packed(ZVglyph_pair p) { return std::uint32_t{p.first} | (std::uint32_t{p.second} << 16); }

std::string glyphNameOfLayer(const GSLayer *layer) {
    return layer && layer->parent() ? layer->parent()->name() : std::string();
}

} // namespace

void ZelvarToDialog::updatePairTabComplete() {
    const std::vector<ZVglyph_pair> pairs = _zvdata ? *_zvdata->currentPairs() : std::vector<ZVglyph_pair>{};
    if (pairs.empty()) {
        hidePairInfo(true);
        return;
    }
    if (pairs.size() == 1)
        pairNames->setStringValue(glyphNameOfLayer(_zvdata->pairFirstLayer()) +
                                  "\u200A\u2212\u200A" +
                                  glyphNameOfLayer(_zvdata->pairSecondLayer()));
    else
        pairNames->setStringValue("");
    updatePairTabDetails();
    hidePairInfo(false);
}

void ZelvarToDialog::hidePairInfo(bool hide) {
    pairNames->setHidden(hide);
    pairType->setHidden(hide);
    pairValueTextField->setHidden(hide);
    pairValueInfluencerMin->setHidden(hide);
    pairValueInfluencerMax->setHidden(hide);
    pairValueSlider->setHidden(hide || !((uipair.flags & 8) && uipair.properties.kind() != 0));
    if (hide)
        resetUIPair();
}

void ZelvarToDialog::updatePairTabDetails() {
    if (!_zvdata || _zvdata->currentPairs()->empty())
        return;
    if (!engineReady()) {
        hideControls(true);
        return;
    }
    const std::vector<ZVglyph_pair> pairs = *_zvdata->currentPairs();
    ZVfontMM *mm = _zvdata->get_zvfont();

    // A pair the control key shows autokerned gets its own value back before another takes its
    // place.
    restorePreviewedPair();
    uipair = mm->get_pair_details(pairs, "");
    snapPairRange(uipair, _zvdata->tick_to_tick());
    showUIPair(pairs.size());
}

void ZelvarToDialog::showUIPair(std::size_t pairCount) {
    const double t = _zvdata->tick_to_tick();
    const std::uint8_t flags = uipair.flags;
    for (long s = 0; s < 3; ++s)
        pairType->setSelected((flags >> s) & 1, s);
    pairType->setEnabledForSegment(!(flags & 16), 0);
    pairType->setEnabledForSegment(!(flags & 32), 1);

    for (ZVInfluencerField *field : {pairValueInfluencerMin, pairValueInfluencerMax}) {
        field->setStringValue("");
        field->setToolTip("");
        field->setIndices(kNoPair);
    }

    if ((flags & 8) && uipair.properties.kind() != 0) {
        if (pairCount == 1) {
            pairValueSlider->setMinValue(uipair.value_min);
            pairValueSlider->setMaxValue(uipair.value_max);
            const ZVglyph_pair lower = uipair.influencer_min_indices;
            const ZVglyph_pair upper = uipair.influencer_max_indices;
            pairValueInfluencerMin->setStringValue(_zvdata->stringForInfluencer(packed(lower)));
            pairValueInfluencerMax->setStringValue(_zvdata->stringForInfluencer(packed(upper)));
            if (!ZVDataFromGlyphs::isAutokernedMaster(_zvdata->currentMaster())) {
                const std::string names = pairNames->stringValue();
                if (lower.first < 65535 || lower.second < 65535) {
                    if (lower.first == 65535) {
                        const GSGlyph *g = _zvdata->glyphForZvIndex(lower.second);
                        pairValueInfluencerMin->setToolTip(fillIn(
                            "To avoid clashes, the kerning is limited to half the width of %@.",
                            {g ? g->name() : std::string()}));
                    } else {
                        pairValueInfluencerMin->setToolTip(fillIn(
                            "You cannot set %@ tighter than %i without contradicting %@.",
                            {names, std::to_string(static_cast<long>(uipair.value_min)),
                             pairValueInfluencerMin->stringValue()}));
                    }
                }
                if (upper.first < 65535 || upper.second < 65535)
                    pairValueInfluencerMax->setToolTip(
                        fillIn("You cannot set %@ looser than %i without contradicting %@.",
                               {names, std::to_string(static_cast<long>(uipair.value_max)),
                                pairValueInfluencerMax->stringValue()}));
                pairValueInfluencerMin->setIndices(lower);
                pairValueInfluencerMax->setIndices(upper);
            }
        }
        const ZVSliderTicks ticks = sliderTicks(uipair.value_min, uipair.value_max, t);
        pairValueSlider->setAllowsTickMarkValuesOnly(ticks.valuesOnly);
        pairValueSlider->setNumberOfTickMarks(ticks.count);
        pairValueSlider->setDoubleValue(uipair.value);
        pairValueTextField->setIntegerValue(static_cast<long>(uipair.value));
    } else {
        pairValueTextField->setStringValue("");
        pairValueTextField->setPlaceholderString(
            !(flags & 8) && uipair.properties.kind() != 0 ? "Multiple Values" : "0");
    }
    afterDelay([this] { pairValueTextFieldAbortEditing(); });
}

void ZelvarToDialog::pairValueTextFieldAbortEditing() {
    pairValueTextField->abortEditing();
    if (glyphRSB->finishedEditing())
        glyphRSB->abortEditing();
    if (glyphLSB->finishedEditing())
        glyphLSB->abortEditing();
}

void ZelvarToDialog::restorePreviewedPair() {
    if (!previewedPair_)
        return;
    const ZVsimplepair pair = *previewedPair_;
    previewedPair_.reset();
    const std::shared_ptr<ZVDataToGlyphs> bridge = previewBridge_.lock();
    previewBridge_.reset();
    if (bridge && bridge->gsfont())
        bridge->singlePairToGlyphs(&pair);
}
