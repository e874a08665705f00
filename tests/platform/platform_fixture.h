// A fresh application and notification centre for every test, and a small window with one
// control of each kind whose actions are logged.
#pragma once

#include "platform/GSSteppingTextField.h"
#include "platform/NSApplication.h"
#include "platform/NSBox.h"
#include "platform/NSButton.h"
#include "platform/NSNotificationCenter.h"
#include "platform/NSPopUpButton.h"
#include "platform/NSSegmentedControl.h"
#include "platform/NSSlider.h"
#include "platform/NSWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zvtesting {

class PlatformTest : public ::testing::Test {
  protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        NSApp() = NSApplication();
        NSNotificationCenter::defaultCenter() = NSNotificationCenter();
    }
};

/// A shown, key window: a button, a check box, a label, a stepping field, a slider, three
/// segments (select-any), a pop-up with tags 1 to 3 and a group view holding a second button.
/// Every action appends "<outlet>" to `log`.
struct TestWindow {
    std::shared_ptr<NSWindow> window = std::make_shared<NSWindow>();
    std::vector<std::string> log;
    NSButton *button;
    NSButton *checkbox;
    NSTextField *label;
    GSSteppingTextField *field;
    NSSlider *slider;
    NSSegmentedControl *segments;
    NSPopUpButton *popUp;
    NSView *group;
    NSButton *inner;

    TestWindow() {
        window->setTitle("Test");
        NSView &root = *window->contentView;
        button = root.add<NSButton>("button", "Start");
        checkbox = root.add<NSButton>("checkbox", "Erase", NSButtonType::Switch);
        label = root.add<NSTextField>("label", "Hello");
        field = root.add<GSSteppingTextField>("field");
        slider = root.add<NSSlider>("slider");
        slider->setMinValue(0);
        slider->setMaxValue(20);
        segments = root.add<NSSegmentedControl>("segments");
        segments->setSegmentCount(3);
        segments->setTrackingMode(NSSegmentSwitchTracking::SelectAny);
        popUp = root.add<NSPopUpButton>("popUp");
        for (long tag = 1; tag <= 3; ++tag)
            popUp->addItemWithTitle("Item " + std::to_string(tag))->setTag(tag);
        group = root.add<NSView>("group");
        inner = group->add<NSButton>("inner", "Inner");
        for (NSControl *c : std::vector<NSControl *>{button, checkbox, label, field, slider,
                                                     segments, popUp, inner})
            c->setAction([this](NSControl *sender) { log.push_back(sender->outlet); });
        window->makeKeyAndOrderFront();
    }
};

} // namespace zvtesting
