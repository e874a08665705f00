// Segmented controls.
#pragma once

#include "platform/NSControl.h"

#include <string>
#include <vector>

enum class NSSegmentSwitchTracking {
    SelectOne, ///< a click selects its segment alone
    SelectAny, ///< a click turns its segment on or off, the others staying as they are
};

/// A row of segments. `selectedSegment` is the segment last clicked or selected, whether the
/// click turned it on or off. Segment numbers outside the control throw std::out_of_range.
class NSSegmentedControl : public NSControl {
  public:
    struct Segment {
        std::string label;
        bool selected = false;
        bool enabled = true;
        std::string toolTip;
    };

    std::vector<Segment> segments;
    NSSegmentSwitchTracking trackingMode = NSSegmentSwitchTracking::SelectOne;
    long lastSelectedSegment = -1;

    long segmentCount() const { return static_cast<long>(segments.size()); }
    void setSegmentCount(long n);
    void setTrackingMode(NSSegmentSwitchTracking m) { trackingMode = m; }
    void setLabel(std::string label, long segment);
    const std::string &labelForSegment(long segment) const;
    void setSelected(bool selected, long segment);
    bool isSelectedForSegment(long segment) const;
    void setEnabledForSegment(bool enabled, long segment);
    bool isEnabledForSegment(long segment) const;
    void setToolTipForSegment(std::string toolTip, long segment);
    const std::string &toolTipForSegment(long segment) const;
    /// The segment last clicked or selected (-1 for none).
    long selectedSegment() const { return lastSelectedSegment; }
    /// Selects a segment (alone in select-one mode) and makes it the selected segment; -1
    /// deselects every segment.
    void setSelectedSegment(long segment);

    /// What a click on a segment does before the action is sent: select-any toggles it,
    /// select-one selects it alone; either way it becomes the selected segment.
    void segmentClicked(long segment);

  private:
    Segment &at(long segment);
    const Segment &at(long segment) const;
};
