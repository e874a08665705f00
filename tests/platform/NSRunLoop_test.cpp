#include "platform/NSRunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

class RunLoopTest : public ::testing::Test {
  protected:
    void SetUp() override { loop.drain(); }
    void TearDown() override { loop.drain(); }
    NSRunLoop &loop = NSRunLoop::mainRunLoop();
};

} // namespace

// A turn runs only what was queued before it began: a block queued by a block of this turn runs
// in the next turn, after everything queued earlier.
TEST_F(RunLoopTest, TurnsRunWhatWasQueuedBeforeThemInOrder) {
    std::string trace;
    loop.perform([&] {
        trace += "write ";
        loop.perform([&] { trace += "clear "; });
    });
    loop.perform([&] { trace += "notification "; });
    EXPECT_EQ(loop.pendingCount(), 2u);
    EXPECT_EQ(loop.runOneTurn(), 2u);
    EXPECT_EQ(trace, "write notification ");
    EXPECT_EQ(loop.pendingCount(), 1u);
    EXPECT_EQ(loop.runOneTurn(), 1u);
    EXPECT_EQ(trace, "write notification clear ");
    EXPECT_EQ(loop.runOneTurn(), 0u);
}

TEST_F(RunLoopTest, DrainFailsLoudlyWhenSomethingKeepsQueueingItself) {
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        loop.perform(again);
    };
    loop.perform(again);
    EXPECT_THROW(loop.drain(50), std::logic_error);
    EXPECT_EQ(runs, 50);
    // Stop it: the queued copy runs once more and queues nothing.
    again = [&] { ++runs; };
    loop.drain();
    EXPECT_EQ(loop.pendingCount(), 0u);
}

// A block that throws leaves the rest of its turn queued, ahead of later blocks, in order.
TEST_F(RunLoopTest, AThrowingBlockKeepsTheRestOfItsTurn) {
    std::string trace;
    loop.perform([&] { trace += "a"; });
    loop.perform([] { throw std::runtime_error("boom"); });
    loop.perform([&] { trace += "b"; });
    EXPECT_THROW(loop.runOneTurn(), std::runtime_error);
    loop.perform([&] { trace += "c"; });
    loop.drain();
    EXPECT_EQ(trace, "abc");
}

TEST_F(RunLoopTest, KnowsTheMainThreadAndRunsOnlyThere) {
    EXPECT_TRUE(NSRunLoop::isMainThread());
    bool onMain = true;
    bool threw = false;
    std::thread([&] {
        onMain = NSRunLoop::isMainThread();
        try {
            loop.runOneTurn();
        } catch (const std::logic_error &) {
            threw = true;
        }
    }).join();
    EXPECT_FALSE(onMain);
    EXPECT_TRUE(threw);
}

// Workers post to the main queue while the main thread waits for a condition; the blocks run on
// the main thread, in the order posted.
TEST_F(RunLoopTest, RunUntilServesWorkersPostsOnTheMainThread) {
    std::vector<int> seen; // touched on the main thread only
    std::atomic<bool> allOnMain = true;
    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            loop.perform([&, i] {
                allOnMain = allOnMain && NSRunLoop::isMainThread();
                seen.push_back(i);
            });
    });
    EXPECT_TRUE(loop.runUntil([&] { return seen.size() == 100; }, 10s));
    worker.join();
    EXPECT_TRUE(allOnMain);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(seen[i], i);
}

TEST_F(RunLoopTest, RunUntilGivesUpAfterItsTimeout) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.runUntil([] { return false; }, 30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}
