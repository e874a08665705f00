#include "platform_fixture.h"

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
