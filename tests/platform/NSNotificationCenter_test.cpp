#include "platform_fixture.h"

#include "platform/Gestures.h"

using zvtesting::PlatformTest;

namespace {
using Notifications = PlatformTest;
}

TEST_F(Notifications, ReachObserversAtOnceInRegistrationOrder) {
    NSNotificationCenter center;
    std::vector<std::string> calls;
    int a = 0, b = 0, c = 0;
    center.addObserver(
        &b, [&](const NSNotification &) { calls.push_back("b"); }, "Changed");
    center.addObserver(
        &a, [&](const NSNotification &) { calls.push_back("a"); }, "Changed");
    center.addObserver(
        &c, [&](const NSNotification &) { calls.push_back("c"); }, "Other");
    int font = 0;
    center.addObserver(
        &a,
        [&](const NSNotification &n) {
            calls.push_back(std::any_cast<int *>(n.object) == &font ? "a sees the font" : "?");
        },
        "Changed");

    center.postNotificationName("Changed", &font);
    EXPECT_EQ(calls, (std::vector<std::string>{"b", "a", "a sees the font"}));

    // Removing an observer takes all its registrations; unknown observers change nothing.
    calls.clear();
    center.removeObserver(&a);
    center.removeObserver(&a);
    center.removeObserver(&calls);
    center.postNotificationName("Changed");
    center.postNotificationName("Other");
    EXPECT_EQ(calls, (std::vector<std::string>{"b", "c"}));
}

TEST_F(Notifications, DeliveryRunsOverASnapshotAndSkipsWhatWasRemoved) {
    NSNotificationCenter center;
    std::vector<std::string> calls;
    int first = 0, second = 0, third = 0, late = 0;
    // The first observer removes itself and the second, and registers a new one.
    center.addObserver(
        &first,
        [&](const NSNotification &) {
            calls.push_back("first");
            center.removeObserver(&first);
            center.removeObserver(&second);
            center.addObserver(
                &late, [&](const NSNotification &) { calls.push_back("late"); }, "Go");
        },
        "Go");
    center.addObserver(
        &second, [&](const NSNotification &) { calls.push_back("second"); }, "Go");
    center.addObserver(
        &third, [&](const NSNotification &) { calls.push_back("third"); }, "Go");

    center.postNotificationName("Go");
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "third"}));
    calls.clear();
    center.postNotificationName("Go");
    EXPECT_EQ(calls, (std::vector<std::string>{"third", "late"}));
}

TEST_F(Notifications, ANestedPostIsDeliveredAtOnce) {
    NSNotificationCenter &center = NSNotificationCenter::defaultCenter();
    std::vector<std::string> calls;
    int o = 0;
    center.addObserver(
        &o,
        [&](const NSNotification &) {
            calls.push_back("outer");
            center.postNotificationName("Inner");
            calls.push_back("outer done");
        },
        "Outer");
    center.addObserver(
        &o, [&](const NSNotification &) { calls.push_back("inner"); }, "Inner");
    center.postNotificationName("Outer");
    EXPECT_EQ(calls, (std::vector<std::string>{"outer", "inner", "outer done"}));
}

TEST_F(Notifications, EventMonitorsRunInOrderAndMaySwallow) {
    std::vector<std::string> calls;
    const NSEventMonitor keys = NSEvent::addLocalMonitorForEventsMatchingMask(
        NSEventMaskKeyDown, [&](const NSEvent &e) -> std::optional<NSEvent> {
            calls.push_back("keys " + e.characters);
            NSEvent changed = e;
            changed.characters += "!";
            return changed;
        });
    NSEventMonitor both;
    both = NSEvent::addLocalMonitorForEventsMatchingMask(
        NSEventMaskKeyDown | NSEventMaskFlagsChanged,
        [&](const NSEvent &e) -> std::optional<NSEvent> {
            calls.push_back("both " + e.characters);
            if (e.characters == "q!")
                return std::nullopt;
            if (e.type == NSEventType::FlagsChanged)
                NSEvent::removeMonitor(both); // removal during dispatch
            return e;
        });

    const std::optional<NSEvent> passed = gesture::keyDown("a", NSEventModifierFlagControl);
    ASSERT_TRUE(passed);
    EXPECT_EQ(passed->characters, "a!") << "each monitor sees what the one before answered";
    EXPECT_EQ(passed->modifierFlags, NSEventModifierFlagControl);
    EXPECT_FALSE(gesture::keyDown("q")) << "swallowed";
    EXPECT_TRUE(gesture::flagsChanged(NSEventModifierFlagOption));
    EXPECT_EQ(NSEvent::currentModifierFlags(), NSEventModifierFlagOption);
    gesture::flagsChanged(0);
    EXPECT_EQ(calls, (std::vector<std::string>{"keys a", "both a!", "keys q", "both q!", "both "}));

    NSEvent::removeMonitor(keys);
    NSEvent::removeMonitor(keys);
    NSEvent::removeMonitor(NSEventMonitor{});
    EXPECT_TRUE(NSApp().localMonitors.empty());
}
