#include "platform/NSRunLoop.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {
// Static initialisation runs on the thread the process started on, before main().
const std::thread::id mainThreadId = std::this_thread::get_id();
} // namespace

NSRunLoop &NSRunLoop::mainRunLoop() {
    static NSRunLoop loop;
    return loop;
}

bool NSRunLoop::isMainThread() { return std::this_thread::get_id() == mainThreadId; }

void NSRunLoop::requireMainThread(const char *what) const {
    if (!isMainThread())
        throw std::logic_error(std::string("NSRunLoop: ") + what + " called off the main thread");
}

void NSRunLoop::perform(std::function<void()> block) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(block));
    }
    posted_.notify_all();
}

std::size_t NSRunLoop::runOneTurn() {
    requireMainThread("runOneTurn");
    std::deque<std::function<void()>> turn;
    {
        std::lock_guard lock(mutex_);
        turn.swap(queue_);
    }
    std::size_t ran = 0;
    while (!turn.empty()) {
        std::function<void()> block = std::move(turn.front());
        turn.pop_front();
        ++ran;
        try {
            block();
        } catch (...) {
            // Keep what the turn had not reached, ahead of what the turn queued, then report.
            std::lock_guard lock(mutex_);
            queue_.insert(queue_.begin(), std::make_move_iterator(turn.begin()),
                          std::make_move_iterator(turn.end()));
            throw;
        }
    }
    return ran;
}

void NSRunLoop::drain(std::size_t maxTurns) {
    for (std::size_t turn = 0; turn < maxTurns; ++turn)
        if (runOneTurn() == 0)
            return;
    if (pendingCount() != 0)
        throw std::logic_error("NSRunLoop: still busy after " + std::to_string(maxTurns) +
                               " turns (" + std::to_string(pendingCount()) + " blocks queued)");
}

bool NSRunLoop::runUntil(const std::function<bool()> &condition,
                         std::chrono::milliseconds timeout) {
    requireMainThread("runUntil");
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        runOneTurn();
        if (condition())
            return true;
        std::unique_lock lock(mutex_);
        // Wake for a post, and now and then to look at the condition (a worker may change
        // state without posting anything).
        const auto wake =
            std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
        posted_.wait_until(lock, wake, [&] { return !queue_.empty(); });
        if (queue_.empty() && std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            return condition();
        }
    }
}

std::size_t NSRunLoop::pendingCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

NSRunLoop::PostPromise::PostPromise(NSRunLoop &loop) : loop_(loop) {
    std::lock_guard lock(loop_.mutex_);
    ++loop_.promises_;
}

NSRunLoop::PostPromise::~PostPromise() {
    {
        std::lock_guard lock(loop_.mutex_);
        --loop_.promises_;
    }
    loop_.posted_.notify_all();
}

bool NSRunLoop::waitForPromisedPost() {
    requireMainThread("waitForPromisedPost");
    std::unique_lock lock(mutex_);
    posted_.wait(lock, [&] { return !queue_.empty() || promises_ == 0; });
    return !queue_.empty();
}
