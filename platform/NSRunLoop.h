// The main thread's run loop: calls performed after a delay of 0 and blocks that other threads post
// to the main queue wait here, first in first out, until the main thread runs a turn. Tests and
// headless commands drive it themselves: one turn, until idle, or until a condition holds while
// workers run.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class NSRunLoop {
  public:
    /// The run loop of the main thread (the thread the process started on).
    static NSRunLoop &mainRunLoop();
    /// Whether the calling thread is the main thread.
    static bool isMainThread();

    /// Queues `block` to run on a later turn, after everything queued before it; any thread may
    /// call this (performSelector:withObject:afterDelay: with a delay of 0, or the main queue).
    void perform(std::function<void()> block);

    /// Runs, on the main thread, what was queued before this turn began; what those blocks queue
    /// waits for the next turn. Answers how many blocks ran.
    std::size_t runOneTurn();
    /// Runs turns until nothing is queued; throws std::logic_error when blocks are still queued
    /// after `maxTurns` turns (something keeps queueing itself).
    void drain(std::size_t maxTurns = 1000);
    /// Runs turns, and between them waits for blocks that other threads post, until `condition`
    /// holds (answers true) or `timeout` has passed (answers false).
    bool runUntil(const std::function<bool()> &condition, std::chrono::milliseconds timeout);

    /// Number of blocks waiting for a turn.
    std::size_t pendingCount() const;

    /// Work on another thread that will post to this loop when it ends (a window waiting for a
    /// background run): while one is held, a turn with nothing to do waits for the post instead
    /// of finding the loop idle. Release it once the post is made (or will never be).
    class PostPromise {
      public:
        explicit PostPromise(NSRunLoop &loop);
        ~PostPromise();
        PostPromise(const PostPromise &) = delete;
        PostPromise &operator=(const PostPromise &) = delete;

      private:
        NSRunLoop &loop_;
    };
    /// On the main thread, with nothing queued: waits while a promise is held and nothing has been
    /// posted. Answers whether something waits for a turn now.
    bool waitForPromisedPost();

  private:
    NSRunLoop() = default;
    void requireMainThread(const char *what) const;

    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
    std::size_t promises_ = 0;
};
