#include "platform_fixture.h"

#include "platform/Gestures.h"
#include "platform/NumberText.h"

#include <functional>

using namespace gesture;
using zvtesting::PlatformTest;
using zvtesting::TestWindow;

namespace {

using Gestures = PlatformTest;

/// A palette window that takes the keyboard only when a control asks for it.
class PaletteWindow : public NSWindow {
  public:
    bool canBecomeKey = false;
    bool canBecomeKeyWindow() const override { return canBecomeKey; }
};

/// A field that, when clicked, lets its palette take the keyboard for a moment.
class PaletteField : public GSSteppingTextField {
  public:
    void mouseDown(const NSEvent &) override {
        auto &palette = static_cast<PaletteWindow &>(*window);
        palette.canBecomeKey = true;
        palette.makeKeyWindow();
        palette.canBecomeKey = false;
    }
};

} // namespace

TEST_F(Gestures, AreRefusedWhereAPersonCouldNotMakeThem) {
    NSWindow other;
    other.setTitle("Other");
    struct Case {
        const char *what;
        std::function<void(TestWindow &)> setUp;
        std::function<void(TestWindow &)> gesture;
        const char *why;
    };
    const Case cases[] = {
        {"hidden button", [](TestWindow &t) { t.button->setHidden(true); },
         [](TestWindow &t) { click(*t.button); }, "it is hidden"},
        {"button in a hidden group", [](TestWindow &t) { t.group->setHidden(true); },
         [](TestWindow &t) { click(*t.inner); }, "it is hidden"},
        {"disabled button", [](TestWindow &t) { t.button->setEnabled(false); },
         [](TestWindow &t) { click(*t.button); }, "it is disabled"},
        {"window not shown", [](TestWindow &t) { t.window->orderOut(); },
         [](TestWindow &t) { click(*t.checkbox); }, "is not shown"},
        {"window behind a modal run",
         [&other](TestWindow &) {
             NSApp().modalRuns.push_back({&other, false});
         },
         [](TestWindow &t) { click(*t.button); }, "waits behind the modal window \"Other\""},
        {"disabled segment", [](TestWindow &t) { t.segments->setEnabledForSegment(false, 1); },
         [](TestWindow &t) { clickSegment(*t.segments, 1); }, "the segment is disabled"},
        {"segment past the end", [](TestWindow &) {},
         [](TestWindow &t) { clickSegment(*t.segments, 3); }, "has 3 segments"},
        {"hidden item", [](TestWindow &t) { t.popUp->itemWithTag(2)->setHidden(true); },
         [](TestWindow &t) { choose(*t.popUp, {"Item 2"}); }, "item \"Item 2\" is hidden"},
        {"disabled item by tag", [](TestWindow &t) { t.popUp->itemWithTag(3)->setEnabled(false); },
         [](TestWindow &t) { chooseTag(*t.popUp, 3); }, "item \"Item 3\" is disabled"},
        {"missing item", [](TestWindow &) {}, [](TestWindow &t) { choose(*t.popUp, {"Item 9"}); },
         "no item \"Item 9\""},
        {"disabled pop-up", [](TestWindow &t) { t.popUp->setEnabled(false); },
         [](TestWindow &t) { openMenu(*t.popUp); }, "it is disabled"},
        {"disabled slider", [](TestWindow &t) { t.slider->setEnabled(false); },
         [](TestWindow &t) {
             drag(*t.slider, {5, 6});
         },
         "it is disabled"},
        {"typing before a click", [](TestWindow &) {},
         [](TestWindow &t) { typeText(*t.field, "12"); }, "not the first responder"},
        {"typing into a label", [](TestWindow &t) { t.window->makeFirstResponder(t.label); },
         [](TestWindow &t) { typeText(*t.label, "12"); }, "not editable"},
        {"typing into a window without the keyboard",
         [](TestWindow &t) {
             t.window->makeFirstResponder(t.field);
             NSApp().keyWindow = nullptr;
         },
         [](TestWindow &t) { typeText(*t.field, "12"); }, "is not the key window"},
        {"stepping a hidden field",
         [](TestWindow &t) {
             t.window->makeFirstResponder(t.field);
             t.field->setHidden(true);
         },
         [](TestWindow &t) { arrowStep(*t.field, 1); }, "it is hidden"},
        {"closing a window not shown", [](TestWindow &t) { t.window->orderOut(); },
         [](TestWindow &t) { closeWindow(*t.window); }, "is not shown"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        TestWindow t;
        c.setUp(t);
        try {
            c.gesture(t);
            ADD_FAILURE() << "the gesture was not refused";
        } catch (const GestureRefused &e) {
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
        }
        EXPECT_TRUE(t.log.empty()) << "an action was sent";
        EXPECT_EQ(t.checkbox->state, NSControlStateValueOff);
    }
}

TEST_F(Gestures, SetTheCurrentEventAndFlagsBeforeTheActionRuns) {
    TestWindow t;
    NSEventModifierFlags seen = 0;
    long stateSeen = -5;
    t.checkbox->setAction([&](NSControl *sender) {
        seen = NSEvent::currentModifierFlags();
        stateSeen = static_cast<NSButton *>(sender)->state;
    });
    click(*t.checkbox, NSEventModifierFlagOption);
    EXPECT_EQ(seen, NSEventModifierFlagOption);
    EXPECT_EQ(stateSeen, NSControlStateValueOn) << "the box is on when its action runs";
    ASSERT_TRUE(NSApp().currentEvent);
    EXPECT_EQ(NSApp().currentEvent->type, NSEventType::LeftMouseDown);
    EXPECT_EQ(NSApp().currentEvent->modifierFlags, NSEventModifierFlagOption);

    // The next gesture without keys clears them; a second click turns the box off.
    click(*t.checkbox);
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(stateSeen, NSControlStateValueOff);
    clickSegment(*t.segments, 0, NSEventModifierFlagCommand);
    EXPECT_EQ(NSEvent::currentModifierFlags(), NSEventModifierFlagCommand);
}

TEST_F(Gestures, APaletteTakesTheKeyboardOnlyWhenAFieldAsksForIt) {
    NSWindow document;
    document.makeKeyAndOrderFront();
    PaletteWindow palette;
    palette.orderFront();
    NSButton *button = palette.contentView->add<NSButton>("button", "OK");
    PaletteField *field = palette.contentView->add<PaletteField>("field");

    click(*button);
    EXPECT_TRUE(document.isKeyWindow()) << "a click on a palette control keeps the keyboard away";
    EXPECT_THROW(typeText(*field, "5"), GestureRefused);

    click(*field);
    EXPECT_TRUE(palette.isKeyWindow());
    EXPECT_FALSE(palette.canBecomeKeyWindow());
    EXPECT_EQ(palette.firstResponder, field);
    typeAndCommit(*field, "5");
    EXPECT_EQ(field->integerValue(), 5);

    click(*static_cast<NSView *>(document.contentView.get()));
    EXPECT_TRUE(document.isKeyWindow()) << "the next document click takes the keyboard back";
}

TEST_F(Gestures, SegmentsInSelectAnyModeToggle) {
    TestWindow t;
    clickSegment(*t.segments, 1);
    clickSegment(*t.segments, 2);
    EXPECT_TRUE(t.segments->isSelectedForSegment(1));
    EXPECT_TRUE(t.segments->isSelectedForSegment(2));
    EXPECT_EQ(t.segments->selectedSegment(), 2);
    clickSegment(*t.segments, 1);
    EXPECT_FALSE(t.segments->isSelectedForSegment(1)) << "a second click turns it off";
    EXPECT_EQ(t.segments->selectedSegment(), 1) << "and it is still the selected segment";
    EXPECT_EQ(t.log, (std::vector<std::string>{"segments", "segments", "segments"}));

    t.segments->setTrackingMode(NSSegmentSwitchTracking::SelectOne);
    clickSegment(*t.segments, 0);
    EXPECT_TRUE(t.segments->isSelectedForSegment(0));
    EXPECT_FALSE(t.segments->isSelectedForSegment(2));
    EXPECT_THROW(t.segments->setLabel("x", 5), std::out_of_range);
}

TEST_F(Gestures, ASliderDragSendsContinuousActionsThenEnds) {
    /// Posts "SliderDidEnd" once the drag is over, as a slider that reports its end does.
    struct EndingSlider : NSSlider {
        void mouseDown(const NSEvent &event) override {
            NSSlider::mouseDown(event);
            NSNotificationCenter::defaultCenter().postNotificationName("SliderDidEnd", this);
        }
    };
    TestWindow t;
    auto *slider = t.window->contentView->add<EndingSlider>("ending");
    slider->setMinValue(-10);
    slider->setMaxValue(10);
    std::vector<std::string> events;
    slider->setAction([&](NSControl *s) { events.push_back(numberText(s->doubleValue())); });
    NSNotificationCenter::defaultCenter().addObserver(
        &events,
        [&](const NSNotification &n) {
            EXPECT_EQ(std::any_cast<EndingSlider *>(n.object), slider);
            events.push_back("end");
        },
        "SliderDidEnd");

    // The knob stays inside the range; a position that does not move it sends nothing.
    drag(*slider, {2, 4.5, 4.5, 30});
    EXPECT_EQ(events, (std::vector<std::string>{"2", "4.5", "10", "end"}));
    EXPECT_EQ(slider->doubleValue(), 10);
    EXPECT_TRUE(NSApp().pendingEvents.empty());

    // With tick values only the knob stops on the 21 ticks.
    events.clear();
    slider->setNumberOfTickMarks(21);
    slider->setAllowsTickMarkValuesOnly(true);
    drag(*slider, {3.4, -3.6});
    EXPECT_EQ(events, (std::vector<std::string>{"3", "-4", "end"}));

    // A slider that is not continuous sends its action once, at the end.
    events.clear();
    slider->setContinuous(false);
    drag(*slider, {1, 2, 5});
    EXPECT_EQ(events, (std::vector<std::string>{"5", "end"}));
}

TEST_F(Gestures, ASteppingFieldEditsUntilCommitAbortOrEnd) {
    TestWindow t;
    GSSteppingTextField &f = *t.field;
    f.setIntegerValue(3);
    std::vector<std::string> seen; // value and editing flag at each action
    f.setAction([&](NSControl *) {
        seen.push_back(f.stringValue() + (f._isEditing ? " editing" : " done"));
    });

    click(f);
    typeText(f, "12");
    EXPECT_TRUE(f._isEditing);
    EXPECT_TRUE(seen.empty()) << "typing alone sends nothing";
    commit(f);
    arrowStep(f, 1);
    arrowStep(f, -1, NSEventModifierFlagShift);
    EXPECT_EQ(seen, (std::vector<std::string>{"12 done", "13 editing", "3 editing"}));

    // An abort keeps the stepped value; typing that is aborted goes back to it.
    EXPECT_TRUE(f.abortEditing());
    EXPECT_FALSE(f._isEditing);
    typeText(f, "12a");
    EXPECT_EQ(f.doubleValue(), 1073741824.0) << "a text not wholly a number has no value";
    EXPECT_TRUE(f.abortEditing());
    EXPECT_EQ(f.stringValue(), "3");
    EXPECT_FALSE(f.abortEditing());

    // A value set during an edit leaves the edit going and is what an abort returns to.
    typeText(f, "40");
    f.setIntegerValue(7);
    EXPECT_TRUE(f._isEditing);
    f.abortEditing();
    EXPECT_EQ(f.stringValue(), "7");

    // endEditing commits a typed value like Return, and does nothing without an edit.
    seen.clear();
    f.endEditing();
    typeText(f, "-5");
    f.endEditing();
    f.endEditing();
    EXPECT_EQ(seen, (std::vector<std::string>{"-5 done"}));

    // Stepping a text that is not a number starts from 0.
    typeText(f, "");
    arrowStep(f, 1);
    EXPECT_EQ(f.stringValue(), "1");
}

TEST_F(Gestures, ChoosingSendsTheItemsActionOrTheButtons) {
    TestWindow t;
    std::vector<std::string> chosen;
    t.popUp->itemWithTag(2)->setAction([&](NSMenuItem *item) { chosen.push_back(item->title); });
    choose(*t.popUp, {"Item 2"});
    chooseTag(*t.popUp, 3);
    EXPECT_EQ(chosen, std::vector<std::string>{"Item 2"});
    EXPECT_EQ(t.log, std::vector<std::string>{"popUp"});
    EXPECT_EQ(t.popUp->selectedTag(), 3);

    // A pull-down button keeps no selection; items of submenus are reached by their path.
    NSPopUpButton *gear = t.window->contentView->add<NSPopUpButton>("gear", true);
    gear->addItemWithTitle("Gear");
    NSMenuItem *masters = gear->addItemWithTitle("Masters");
    masters->setSubmenu(std::make_shared<NSMenu>());
    masters->submenu->addItemWithTitle("Bold",
                                       [&](NSMenuItem *item) { chosen.push_back(item->title); });
    choose(*gear, {"Masters", "Bold"});
    EXPECT_EQ(chosen.back(), "Bold");
    EXPECT_EQ(gear->selectedItem(), nullptr);
    EXPECT_THROW(choose(*gear, {"Gear", "Bold"}), GestureRefused);
}

TEST_F(Gestures, AMenuIsFilledByItsDelegateAsItOpens) {
    /// Fills a menu that holds only its title item, as a list of pairs filled on demand.
    struct Filler : NSMenuDelegate {
        int opened = 0;
        void menuWillOpen(NSMenu *menu) override {
            ++opened;
            if (menu->numberOfItems() == 1)
                menu->addItemWithTitle("A V");
        }
    };
    TestWindow t;
    Filler filler;
    t.popUp->removeAllItems();
    t.popUp->addItemWithTitle("Pairs");
    t.popUp->menu->setDelegate(&filler);
    EXPECT_EQ(openMenu(*t.popUp).numberOfItems(), 2);
    choose(*t.popUp, {"A V"});
    EXPECT_EQ(filler.opened, 2);
    EXPECT_EQ(t.popUp->titleOfSelectedItem(), "A V");

    // The main menu lies outside any window.
    NSMenu main("Main");
    int shown = 0;
    NSMenuItem *plugins = main.addItemWithTitle("Plugins");
    plugins->setSubmenu(std::make_shared<NSMenu>("Plugins"));
    plugins->submenu->addItemWithTitle("Zelvar", [&](NSMenuItem *) { ++shown; });
    choose(main, {"Plugins", "Zelvar"});
    EXPECT_EQ(shown, 1);
}

TEST_F(Gestures, PopUpItemsFollowThePlatformsRules) {
    NSPopUpButton p;
    p.addItemWithTitle("A");
    EXPECT_EQ(p.indexOfSelectedItem(), 0) << "the first item is selected";
    p.addItemWithTitle("B")->setTag(4);
    p.addItemWithTitle("A");
    EXPECT_EQ(p.numberOfItems(), 2) << "an item of the same title goes first";
    EXPECT_EQ(p.itemAtIndex(1)->title, "A");
    EXPECT_FALSE(p.selectItemWithTag(9));
    EXPECT_EQ(p.selectedItem(), nullptr);
    EXPECT_TRUE(p.selectItemWithTag(4));
    p.removeItemAtIndex(0);
    EXPECT_EQ(p.selectedItem(), nullptr) << "a removed item is no longer selected";
    EXPECT_EQ(p.selectedTag(), -1);

    auto item = std::make_shared<NSMenuItem>("C");
    p.menu->addItem(item);
    NSMenu other;
    EXPECT_THROW(other.addItem(item), std::invalid_argument);
}
