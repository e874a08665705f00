// The pair tab's range and ticks as a table of cases.
#include "plugin/ZVPairRange.h"
#include "plugin/ZVText.h"

#include <gtest/gtest.h>

TEST(ZVPairRange, TheSliderTicks) {
    struct Case {
        const char *what;
        double min, max, step;
        ZVSliderTicks ticks;
    } cases[] = {
        {"one unit, a span of 20: a tick per unit, values only", -10, 10, 1, {21, true}},
        {"52 steps still get a tick each", 0, 52, 1, {53, true}},
        {"60 steps: 53 ticks, free values", 0, 60, 1, {53, false}},
        {"a two-unit step: never values only", -20, 20, 2, {21, false}},
        {"an empty span: one tick", 5, 5, 1, {1, true}},
        {"a range far beyond any count of ticks", -1e30, 1e30, 1, {53, false}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(sliderTicks(c.min, c.max, c.step), c.ticks);
    }
}

TEST(ZVPairRange, TheRangeIsSnappedToStepsAndHoldsTheValue) {
    struct Case {
        const char *what;
        float value, min, max;
        double step;
        float snappedMin, snappedMax;
    } cases[] = {
        // Both bounds are rounded upwards: the lower one inwards, the upper one outwards.
        {"bounds between steps", 0, -10.5f, 9.5f, 1, -10, 10},
        {"bounds a hair off a step stay on it", 0, -10.00001f, 9.99999f, 1, -10, 10},
        {"bounds on steps stay", 0, -10, 10, 1, -10, 10},
        {"steps counted from the value", 0.25f, -3.f, 3.f, 2, -1.75f, 4.25f},
        {"a value below the range widens it", -30, -20, 10, 1, -30, 10},
        {"a value above the range widens it", 30, -20, 10, 1, -20, 30},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ZVUIpair p;
        p.value = c.value;
        p.value_min = c.min;
        p.value_max = c.max;
        snapPairRange(p, c.step);
        EXPECT_FLOAT_EQ(p.value_min, c.snappedMin);
        EXPECT_FLOAT_EQ(p.value_max, c.snappedMax);
        EXPECT_EQ(p.value, c.value);
    }
}

TEST(ZVText, PlacesAreFilledLiterally) {
    EXPECT_EQ(fillIn("%@ seems tighter than %@.", {"A%@V", "%i"}), "A%@V seems tighter than %i.");
    EXPECT_EQ(fillIn("Auto = %i", {"-12"}), "Auto = -12");
    EXPECT_EQ(fillIn("%@ and %@", {"A"}), "A and ");
    EXPECT_EQ(fillIn("100% sure %@", {"x"}), "100% sure x");
}
