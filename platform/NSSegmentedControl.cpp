#include "platform/NSSegmentedControl.h"

#include <stdexcept>

NSSegmentedControl::Segment &NSSegmentedControl::at(long segment) {
    if (segment < 0 || segment >= segmentCount())
        throw std::out_of_range("segment " + std::to_string(segment) + " of a control with " +
                                std::to_string(segmentCount()) + " segments");
    return segments[static_cast<std::size_t>(segment)];
}

const NSSegmentedControl::Segment &NSSegmentedControl::at(long segment) const {
    return const_cast<NSSegmentedControl *>(this)->at(segment);
}

void NSSegmentedControl::setSegmentCount(long n) {
    segments.resize(static_cast<std::size_t>(std::max(0L, n)));
    if (lastSelectedSegment >= segmentCount())
        lastSelectedSegment = -1;
}

void NSSegmentedControl::setLabel(std::string label, long segment) {
    at(segment).label = std::move(label);
}
const std::string &NSSegmentedControl::labelForSegment(long segment) const {
    return at(segment).label;
}
void NSSegmentedControl::setSelected(bool selected, long segment) {
    if (selected && trackingMode == NSSegmentSwitchTracking::SelectOne) {
        setSelectedSegment(segment);
        return;
    }
    at(segment).selected = selected;
}
bool NSSegmentedControl::isSelectedForSegment(long segment) const { return at(segment).selected; }
void NSSegmentedControl::setEnabledForSegment(bool e, long segment) { at(segment).enabled = e; }
bool NSSegmentedControl::isEnabledForSegment(long segment) const { return at(segment).enabled; }
void NSSegmentedControl::setToolTipForSegment(std::string tip, long segment) {
    at(segment).toolTip = std::move(tip);
}
const std::string &NSSegmentedControl::toolTipForSegment(long segment) const {
    return at(segment).toolTip;
}

void NSSegmentedControl::setSelectedSegment(long segment) {
    if (segment == -1) {
        for (Segment &other : segments)
            other.selected = false;
        lastSelectedSegment = -1;
        return;
    }
    Segment &s = at(segment);
    if (trackingMode == NSSegmentSwitchTracking::SelectOne)
        for (Segment &other : segments)
            other.selected = false;
    s.selected = true;
    lastSelectedSegment = segment;
}

void NSSegmentedControl::segmentClicked(long segment) {
    Segment &s = at(segment);
    if (trackingMode == NSSegmentSwitchTracking::SelectAny) {
        s.selected = !s.selected;
        lastSelectedSegment = segment;
    } else {
        setSelectedSegment(segment);
    }
}
