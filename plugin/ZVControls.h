// The dialog's own controls: a slider that reports the end of a drag, a stepping field that tells
// whether an edit is finished, and the clickable fields naming the pairs that limit a value.
#pragma once

#include "platform/GSSteppingTextField.h"
#include "platform/NSSlider.h"
#include "platform/NSTextField.h"

#include <atomic>
#include <cstdint>
#include <utility>

#ifndef ZV_HOST_VERSION
#error "ZV_HOST_VERSION (2 or 3) must be defined by the build"
#endif

/// Posted by a ZVSlider (object: the ZVSlider *) once the mouse goes up after a drag.
inline constexpr const char *ZVSliderDidEndEditing = "ZVSliderDidEndEditing";

/// A slider whose drag ends with ZVSliderDidEndEditing: the continuous action previews, the
/// notification commits.
class ZVSlider : public NSSlider {
  public:
    /// Tracks the drag (returns when the mouse goes up), then posts the notification once.
    void mouseDown(const NSEvent &event) override;
};

/// A numeric field of the dialog (a pair's value, a side bearing).
class ZVSteppingTextField : public GSSteppingTextField {
  public:
    /// The field's own editing flag (kept by the version-3 build).
    bool isEditing = false;
    bool getIsEditing() const { return isEditing; }
    void setIsEditing(bool editing) { isEditing = editing; }

    /// Whether no edit goes on (typing or stepping until commit, abort or endEditing).
    bool finishedEditing() const;

    /// A click lets the palette take the keyboard for this field (the window becomes key, then
    /// refuses the keyboard again for later clicks) and re-enables the field actions. The click
    /// goes no further.
    void mouseDown(const NSEvent &event) override;

#if ZV_HOST_VERSION == 3
    void textDidBeginEditing() override;
    void textDidEndEditing() override;
#endif
};

class ZVInfluencerField;

/// What the window's delegate does when a limiting-pair field is clicked.
class ZVInfluencerTarget {
  public:
    virtual ~ZVInfluencerTarget() = default;
    virtual void influencerClicked(ZVInfluencerField *sender) = 0;
};

/// A label naming a pair that limits a value; a click sends influencerClicked: to the delegate
/// of its window.
class ZVInfluencerField : public NSTextField {
  public:
    using Pair = std::pair<std::uint16_t, std::uint16_t>;

    /// The pair the field names (65535 for a missing glyph); (0, 0) when made.
    Pair indices() const;
    void setIndices(Pair pair);

    void mouseDown(const NSEvent &event) override;

  private:
    // Left in the low 16 bits, right in the high 16 bits, read and written atomically.
    std::atomic<std::uint32_t> indices_{0};
};
