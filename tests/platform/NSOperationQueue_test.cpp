#include "platform/NSOperationQueue.h"
#include "platform/NSRunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>

using namespace std::chrono_literals;

namespace {

using Op = std::shared_ptr<NSOperation>;

// A one-shot gate: workers wait on it (never for ever) until the test opens it.
class Gate {
  public:
    void open() {
        std::lock_guard lock(m_);
        open_ = true;
        cv_.notify_all();
    }
    bool wait(std::chrono::milliseconds limit = 10s) {
        std::unique_lock lock(m_);
        return cv_.wait_for(lock, limit, [&] { return open_; });
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
};

// What ran, in order; safe to append to from any thread.
class Trace {
  public:
    void add(const std::string &s) {
        std::lock_guard lock(m_);
        text_ += s;
    }
    std::string text() const {
        std::lock_guard lock(m_);
        return text_;
    }

  private:
    mutable std::mutex m_;
    std::string text_;
};

} // namespace

// A serial queue filled while suspended starts its operations by priority, then in the order
// added; a dependency holds an operation back whatever its priority.
TEST(OperationQueue, SerialRunsByPriorityThenOrderAdded) {
    Trace trace;
    NSOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    queue.setSuspended(true);
    struct Case {
        const char *name;
        int priority;
    } cases[] = {{"a", 0}, {"b", NSOperation::NSOperationQueuePriorityVeryHigh},
                 {"c", 0}, {"d", NSOperation::NSOperationQueuePriorityLow},
                 {"e", 8}, {"f", 8}};
    std::vector<Op> ops;
    for (const Case &c : cases) {
        ops.push_back(NSOperation::blockOperationWithBlock([&trace, c] { trace.add(c.name); }));
        ops.back()->setQueuePriority(c.priority);
    }
    ops[5]->addDependency(ops[3]); // f, very high, waits for d, low
    for (const Op &op : ops)
        queue.addOperation(op);
    EXPECT_EQ(queue.operationCount(), 6u);
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(trace.text(), "beacdf");
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST(OperationQueue, SerialNeverRunsTwoAtOnceThreadedDoes) {
    for (const int width : {1, 4}) {
        SCOPED_TRACE(width);
        NSOperationQueue queue;
        queue.setMaxConcurrentOperationCount(width);
        std::atomic<int> running = 0, most = 0;
        Gate fourRunning;
        for (int i = 0; i < 8; ++i)
            queue.addOperationWithBlock([&] {
                const int now = ++running;
                for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);)
                    ;
                if (now == 4)
                    fourRunning.open();
                if (width > 1)
                    fourRunning.wait(); // proves four run side by side
                --running;
            });
        queue.waitUntilAllOperationsAreFinished();
        EXPECT_EQ(most, width);
    }
}

// A cancelled operation never starts and counts as finished for its dependents; cancelling one
// that runs only marks it.
TEST(OperationQueue, CancelledOperationsNeverStartAndReleaseTheirDependents) {
    Trace trace;
    Gate started, release;
    NSOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    Op running = NSOperation::blockOperationWithBlock([&] {
        started.open();
        release.wait();
        trace.add("running ");
    });
    Op cancelled = NSOperation::blockOperationWithBlock([&] { trace.add("cancelled "); });
    Op dependent = NSOperation::blockOperationWithBlock([&] { trace.add("dependent "); });
    dependent->addDependency(cancelled);
    queue.addOperation(running);
    ASSERT_TRUE(started.wait());
    queue.addOperation(cancelled);
    queue.addOperation(dependent);
    running->cancel();
    cancelled->cancel();
    EXPECT_TRUE(cancelled->isFinished());
    EXPECT_TRUE(running->isCancelled());
    EXPECT_TRUE(running->isExecuting());
    release.open();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(trace.text(), "running dependent ");
}

// Closing during a start-up: cancel everything, then wait; the running operation completes and
// the others never start.
TEST(OperationQueue, CancelAllThenWaitLetsTheRunningOneEnd) {
    Trace trace;
    Gate started, release;
    NSOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    queue.addOperationWithBlock([&] {
        started.open();
        release.wait();
        trace.add("a");
    });
    for (const char *name : {"b", "c", "d"})
        queue.addOperationWithBlock([&, name] { trace.add(name); });
    ASSERT_TRUE(started.wait());
    queue.cancelAllOperations();
    release.open();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(trace.text(), "a");
    EXPECT_EQ(queue.operationCount(), 0u);
}

// finishInitialisation's shape: a main-queue operation that depends on every operation of a
// threaded queue runs on the main thread, once, after all of them.
TEST(OperationQueue, MainQueueOperationWaitsForQueueOperations) {
    NSRunLoop &loop = NSRunLoop::mainRunLoop();
    loop.drain();
    std::atomic<int> done = 0;
    int doneWhenFinalRan = -1;
    bool finalOnMain = false;
    NSOperationQueue queue;
    queue.setSuspended(true);
    Op final = NSOperation::blockOperationWithBlock([&] {
        doneWhenFinalRan = done;
        finalOnMain = NSRunLoop::isMainThread();
    });
    for (int i = 0; i < 6; ++i) {
        Op op = NSOperation::blockOperationWithBlock([&] {
            std::this_thread::sleep_for(1ms);
            ++done;
        });
        final->addDependency(op);
        queue.addOperation(op);
    }
    queue.setSuspended(false);
    NSOperationQueue::mainQueue().addOperation(final);
    ASSERT_TRUE(loop.runUntil([&] { return final->isFinished(); }, 10s));
    EXPECT_EQ(doneWhenFinalRan, 6);
    EXPECT_TRUE(finalOnMain);
    loop.drain();
}

TEST(OperationQueue, MainQueueRunsReadyOperationsByPriorityInTurns) {
    NSRunLoop &loop = NSRunLoop::mainRunLoop();
    loop.drain();
    Trace trace;
    NSOperationQueue &main = NSOperationQueue::mainQueue();
    main.setSuspended(true);
    Op low = NSOperation::blockOperationWithBlock([&] { trace.add("low "); });
    low->setQueuePriority(NSOperation::NSOperationQueuePriorityLow);
    Op high = NSOperation::blockOperationWithBlock([&] { trace.add("high "); });
    high->setQueuePriority(NSOperation::NSOperationQueuePriorityVeryHigh);
    main.addOperation(low);
    main.addOperation(high);
    main.addOperationWithBlock([&] { trace.add("normal "); });
    EXPECT_EQ(loop.pendingCount(), 0u); // suspended: nothing reaches the run loop
    main.setSuspended(false);
    EXPECT_EQ(trace.text(), ""); // nothing runs before a turn
    loop.drain();
    EXPECT_EQ(trace.text(), "high normal low ");
    EXPECT_THROW(main.waitUntilAllOperationsAreFinished(), std::logic_error);
}

TEST(OperationQueue, MisuseIsRefused) {
    NSOperationQueue queue, other;
    Op op = NSOperation::blockOperationWithBlock([] {});
    queue.setSuspended(true);
    queue.addOperation(op);
    EXPECT_THROW(other.addOperation(op), std::logic_error);
    EXPECT_THROW(op->addDependency(NSOperation::blockOperationWithBlock([] {})), std::logic_error);
    EXPECT_THROW(queue.waitUntilAllOperationsAreFinished(), std::logic_error); // would never end
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(op->isFinished());
}

// Dropping a queue cancels what has not started and waits for what runs.
TEST(OperationQueue, DestructionCancelsPendingAndWaitsForRunning) {
    Trace trace;
    Gate started;
    {
        NSOperationQueue queue;
        queue.setMaxConcurrentOperationCount(1);
        const auto second = NSOperation::blockOperationWithBlock([&] { trace.add("second"); });
        // The running operation holds on until the destructor has cancelled the pending one (or
        // gives up after a while), so a slow main thread cannot let the second one start first.
        queue.addOperationWithBlock([&, second] {
            started.open();
            for (int i = 0; i < 5000 && !second->isCancelled(); ++i)
                std::this_thread::sleep_for(1ms);
            trace.add("first");
        });
        queue.addOperation(second);
        ASSERT_TRUE(started.wait());
    }
    EXPECT_EQ(trace.text(), "first");
}
