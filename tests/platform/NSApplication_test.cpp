#include "platform_fixture.h"

#include "platform/Gestures.h"
#include "platform/NSRunLoop.h"

#include <chrono>
#include <memory>
#include <thread>

using zvtesting::PlatformTest;

namespace {

using ModalRuns = PlatformTest;
using EventMonitors = PlatformTest;

/// Ends the modal run when its window closes, as the about window does.
struct StopOnClose : NSWindowDelegate {
    void windowWillClose(const NSNotification &) override { NSApp().stopModal(); }
};

} // namespace

TEST_F(ModalRuns, RunTheScriptThenTurnTheRunLoopUntilStopped) {
    NSWindow document;
    document.makeKeyAndOrderFront();
    NSWindow dialog;
    dialog.setTitle("Finalize");
    NSButton *cancel = dialog.contentView->add<NSButton>("cancel", "Cancel");
    std::vector<std::string> steps;
    // Cancel stops the run a turn later, after what was queued before it.
    cancel->setAction([&](NSControl *) {
        NSRunLoop::mainRunLoop().perform([&] { steps.push_back("queued before"); });
        NSRunLoop::mainRunLoop().perform([&] {
            steps.push_back("stop");
            NSApp().stopModal();
        });
    });
    NSApp().modalScripts.push_back([&](NSWindow &w) {
        steps.push_back("script");
        EXPECT_EQ(&w, &dialog);
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(w.isKeyWindow());
        EXPECT_EQ(NSApp().modalWindow(), &dialog);
        EXPECT_THROW(gesture::click(*document.contentView), gesture::GestureRefused);
        gesture::click(*cancel);
    });

    EXPECT_EQ(NSApp().runModalForWindow(dialog), NSModalResponseStop);
    EXPECT_EQ(steps, (std::vector<std::string>{"script", "queued before", "stop"}));
    EXPECT_EQ(NSApp().modalWindow(), nullptr);
    EXPECT_TRUE(NSApp().modalScripts.empty());

    // A window that stops the run as it closes, closed by its close button.
    StopOnClose stopper;
    dialog.setDelegate(&stopper);
    NSApp().modalScripts.push_back([](NSWindow &w) { gesture::closeWindow(w); });
    EXPECT_EQ(NSApp().runModalForWindow(dialog), NSModalResponseStop);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ModalRuns, FailWhenIdleWithoutAStop) {
    NSWindow about;
    about.setTitle("About Zelvar");
    // A stop outside any run does nothing, so it cannot end the next run early.
    NSApp().stopModal();
    NSApp().modalScripts.push_back(
        [](NSWindow &) { NSRunLoop::mainRunLoop().perform([] { /* nothing stops */ }); });
    try {
        NSApp().runModalForWindow(about);
        ADD_FAILURE() << "the run ended without a stop";
    } catch (const ModalStuck &e) {
        EXPECT_STREQ(e.what(), "modal stuck: the modal run of window \"About Zelvar\" has "
                               "nothing left to do and nothing stopped it");
    }
    EXPECT_EQ(NSApp().modalWindow(), nullptr) << "the failed run has ended";
    EXPECT_EQ(NSRunLoop::mainRunLoop().pendingCount(), 0u);
}

TEST_F(ModalRuns, AStopEndsTheInnermostRun) {
    NSWindow outer, inner;
    std::vector<std::string> steps;
    NSApp().modalScripts.push_back([&](NSWindow &) {
        NSRunLoop::mainRunLoop().perform([&] {
            steps.push_back("inner ended " + std::to_string(NSApp().runModalForWindow(inner)));
            EXPECT_EQ(NSApp().modalWindow(), &outer);
            NSApp().stopModal();
        });
    });
    NSApp().modalScripts.push_back([](NSWindow &) { NSApp().stopModal(); });
    NSApp().runModalForWindow(outer);
    EXPECT_EQ(steps, std::vector<std::string>{"inner ended -1000"});
}

TEST_F(EventMonitors, RunInOrderAndMaySwallow) {
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

    // A key typed into a field passes the monitors too; a swallowed one changes nothing.
    NSEvent::addLocalMonitorForEventsMatchingMask(NSEventMaskKeyDown,
                                                  [](const NSEvent &e) -> std::optional<NSEvent> {
                                                      if (e.characters == "q")
                                                          return std::nullopt;
                                                      return e;
                                                  });
    zvtesting::TestWindow t;
    gesture::click(*t.field);
    gesture::typeText(*t.field, "q");
    EXPECT_EQ(t.field->stringValue(), "");
    gesture::typeText(*t.field, "7");
    EXPECT_EQ(t.field->stringValue(), "7");
}

// A worker that has promised a post keeps the run waiting for it instead of finding it idle; once
// the promise is kept and nothing stops the run, it is stuck again.
TEST_F(ModalRuns, WaitForAWorkersPromisedPost) {
    NSWindow finalize;
    finalize.setTitle("Finalize");
    std::thread worker;
    std::vector<std::string> steps;
    NSApp().modalScripts.push_back([&](NSWindow &) {
        auto promise = std::make_shared<NSRunLoop::PostPromise>(NSRunLoop::mainRunLoop());
        worker = std::thread([&steps, promise]() mutable {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            NSRunLoop::mainRunLoop().perform([&steps] {
                steps.push_back("posted");
                NSApp().stopModal();
            });
            promise.reset();
        });
    });
    EXPECT_EQ(NSApp().runModalForWindow(finalize), NSModalResponseStop);
    worker.join();
    EXPECT_EQ(steps, std::vector<std::string>{"posted"});

    NSApp().modalScripts.push_back([&](NSWindow &) {
        auto promise = std::make_shared<NSRunLoop::PostPromise>(NSRunLoop::mainRunLoop());
        worker = std::thread([promise]() mutable { promise.reset(); });
    });
    EXPECT_THROW(NSApp().runModalForWindow(finalize), ModalStuck);
    worker.join();
}
