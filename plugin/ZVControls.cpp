#include "plugin/ZVControls.h"

#include "platform/NSNotificationCenter.h"
#include "plugin/ZVWindow.h"

void ZVSlider::mouseDown(const NSEvent &event) {
    NSSlider::mouseDown(event);
    NSNotificationCenter::defaultCenter().postNotificationName(ZVSliderDidEndEditing, this);
}

bool ZVSteppingTextField::finishedEditing() const {
#if ZV_HOST_VERSION == 2
    return !_isEditing;
#else
    return !isEditing;
#endif
}

void ZVSteppingTextField::mouseDown(const NSEvent &) {
    auto *palette = dynamic_cast<ZVWindow *>(window);
    if (!palette)
        return;
    palette->setCanBecomeKey(true);
    palette->makeKeyWindow();
    palette->setCanBecomeKey(false);
    palette->setIgnoreTextFields(false);
}

#if ZV_HOST_VERSION == 3
void ZVSteppingTextField::textDidBeginEditing() {
    GSSteppingTextField::textDidBeginEditing();
    isEditing = true;
}

void ZVSteppingTextField::textDidEndEditing() {
    GSSteppingTextField::textDidEndEditing();
    isEditing = false;
}
#endif

ZVInfluencerField::Pair ZVInfluencerField::indices() const {
    const std::uint32_t packed = indices_.load();
    return {static_cast<std::uint16_t>(packed & 0xFFFF), static_cast<std::uint16_t>(packed >> 16)};
}

void ZVInfluencerField::setIndices(Pair pair) {
    indices_.store(std::uint32_t{pair.first} | (std::uint32_t{pair.second} << 16));
}

void ZVInfluencerField::mouseDown(const NSEvent &) {
    if (!window)
        return;
    if (auto *target = dynamic_cast<ZVInfluencerTarget *>(window->delegate))
        target->influencerClicked(this);
}
