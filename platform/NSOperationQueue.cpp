#include "platform/NSOperationQueue.h"

#include "platform/NSRunLoop.h"

#include <algorithm>
#include <stdexcept>

// What a queue shares with its operations (which wake it when they finish) and with the blocks it
// posts to the main run loop. Lock order: a queue's mutex before an operation's, never the other
// way round.
struct NSOperationQueueCore : std::enable_shared_from_this<NSOperationQueueCore> {
    explicit NSOperationQueueCore(bool onMain) : onMainRunLoop(onMain) {}

    const bool onMainRunLoop;
    mutable std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::shared_ptr<NSOperation>> pending;   // added, not started, in order added
    std::vector<std::shared_ptr<NSOperation>> executing; // started (or posted), not finished
    int maxConcurrent = 1;
    bool suspended = false;
    bool stopping = false;
    std::vector<std::thread> workers;

    // Drops operations that finished without starting (cancelled). Mutex held.
    void pruneLocked() {
        const auto n = pending.size();
        std::erase_if(pending, [](const auto &op) { return op->isFinished(); });
        if (pending.size() != n)
            changed.notify_all();
    }

    // The ready operation that starts next: highest priority, then first added. Mutex held.
    std::shared_ptr<NSOperation> takeReadyLocked() {
        if (suspended || stopping)
            return nullptr;
        if (!onMainRunLoop && executing.size() >= static_cast<std::size_t>(maxConcurrent))
            return nullptr;
        auto best = pending.end();
        int bestPriority = 0;
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            if (!(*it)->isReady())
                continue;
            const int p = (*it)->queuePriority();
            if (best == pending.end() || p > bestPriority) { // ties keep the earlier one
                best = it;
                bestPriority = p;
            }
        }
        if (best == pending.end())
            return nullptr;
        std::shared_ptr<NSOperation> op = *best;
        pending.erase(best);
        executing.push_back(op);
        return op;
    }

    void finishedRunning(const std::shared_ptr<NSOperation> &op) {
        std::lock_guard lock(mutex);
        std::erase(executing, op);
        changed.notify_all();
    }

    // Something may have become ready or finished: worker threads look again; the main queue
    // posts what is ready to the main run loop.
    void wake() {
        if (!onMainRunLoop) {
            std::lock_guard lock(mutex);
            changed.notify_all();
            return;
        }
        std::vector<std::shared_ptr<NSOperation>> ready;
        {
            std::lock_guard lock(mutex);
            pruneLocked();
            while (auto op = takeReadyLocked())
                ready.push_back(std::move(op));
        }
        for (auto &op : ready)
            NSRunLoop::mainRunLoop().perform([core = shared_from_this(), op] {
                op->run();
                core->finishedRunning(op);
            });
    }

    void ensureWorkersLocked() {
        if (onMainRunLoop)
            return;
        while (workers.size() < static_cast<std::size_t>(maxConcurrent))
            workers.emplace_back([this] { workerLoop(); });
    }

    void workerLoop() {
        std::unique_lock lock(mutex);
        for (;;) {
            pruneLocked();
            if (auto op = takeReadyLocked()) {
                lock.unlock();
                op->run();
                lock.lock();
                std::erase(executing, op);
                changed.notify_all();
                continue;
            }
            if (stopping)
                return;
            changed.wait(lock);
        }
    }
};

// ---- NSOperation

std::shared_ptr<NSOperation> NSOperation::blockOperationWithBlock(std::function<void()> block) {
    return std::make_shared<NSOperation>(std::move(block));
}

void NSOperation::addDependency(const std::shared_ptr<NSOperation> &op) {
    if (!op || op.get() == this)
        return;
    {
        std::lock_guard lock(mutex_);
        if (!queue_.expired() || state_ != State::Pending)
            throw std::logic_error("NSOperation: a dependency added after the operation was queued");
        dependencies_.push_back(op);
    }
    std::lock_guard lock(op->mutex_);
    op->dependents_.push_back(weak_from_this());
}

std::vector<std::shared_ptr<NSOperation>> NSOperation::dependencies() const {
    std::lock_guard lock(mutex_);
    return dependencies_;
}

void NSOperation::setQueuePriority(int priority) {
    std::lock_guard lock(mutex_);
    priority_ = priority;
}

int NSOperation::queuePriority() const {
    std::lock_guard lock(mutex_);
    return priority_;
}

void NSOperation::cancel() {
    std::unique_lock lock(mutex_);
    cancelled_ = true;
    if (state_ == State::Pending)
        finishLocked(lock);
}

bool NSOperation::isCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool NSOperation::isExecuting() const {
    std::lock_guard lock(mutex_);
    return state_ == State::Executing;
}

bool NSOperation::isFinished() const {
    std::lock_guard lock(mutex_);
    return state_ == State::Finished;
}

bool NSOperation::isReady() const {
    for (const auto &dep : dependencies())
        if (!dep->isFinished())
            return false;
    return true;
}

void NSOperation::waitUntilFinished() const {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return state_ == State::Finished; });
}

void NSOperation::run() {
    std::function<void()> block;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::Pending)
            return; // cancelled before it started
        state_ = State::Executing;
        block = std::move(block_);
    }
    if (block)
        block();
    block = nullptr; // what the block holds goes before anyone learns it finished
    std::unique_lock lock(mutex_);
    finishLocked(lock);
}

void NSOperation::finishLocked(std::unique_lock<std::mutex> &lock) {
    state_ = State::Finished;
    std::function<void()> dropped = std::move(block_); // released outside the lock
    std::vector<std::weak_ptr<NSOperation>> dependents = dependents_;
    std::shared_ptr<NSOperationQueueCore> own = queue_.lock();
    lock.unlock();
    finished_.notify_all();
    dropped = nullptr;
    for (const auto &weak : dependents)
        if (auto dependent = weak.lock()) {
            std::shared_ptr<NSOperationQueueCore> queue;
            {
                std::lock_guard dl(dependent->mutex_);
                queue = dependent->queue_.lock();
            }
            if (queue)
                queue->wake();
        }
    if (own)
        own->wake();
}

// ---- NSOperationQueue

NSOperationQueue::NSOperationQueue() : NSOperationQueue(false) {}

NSOperationQueue::NSOperationQueue(bool onMainRunLoop)
    : core_(std::make_shared<NSOperationQueueCore>(onMainRunLoop)) {
    core_->maxConcurrent = onMainRunLoop ? 1 : std::max(1u, std::thread::hardware_concurrency());
}

NSOperationQueue::~NSOperationQueue() {
    std::vector<std::shared_ptr<NSOperation>> pending;
    {
        std::lock_guard lock(core_->mutex);
        core_->stopping = true;
        pending = core_->pending;
    }
    for (auto &op : pending)
        op->cancel();
    {
        std::lock_guard lock(core_->mutex);
        core_->changed.notify_all();
    }
    for (auto &t : core_->workers)
        t.join();
}

NSOperationQueue &NSOperationQueue::mainQueue() {
    static NSOperationQueue queue(true);
    return queue;
}

void NSOperationQueue::setMaxConcurrentOperationCount(int count) {
    std::lock_guard lock(core_->mutex);
    if (core_->onMainRunLoop)
        return; // the main queue runs one operation at a time, on the main thread
    core_->maxConcurrent = std::max(1, count);
    if (!core_->workers.empty())
        core_->ensureWorkersLocked();
    core_->changed.notify_all();
}

int NSOperationQueue::maxConcurrentOperationCount() const {
    std::lock_guard lock(core_->mutex);
    return core_->maxConcurrent;
}

void NSOperationQueue::addOperation(const std::shared_ptr<NSOperation> &op) {
    {
        std::lock_guard lock(core_->mutex);
        {
            std::lock_guard opLock(op->mutex_);
            if (!op->queue_.expired() || op->state_ == NSOperation::State::Executing)
                throw std::logic_error("NSOperationQueue: the operation is already in a queue");
            op->queue_ = core_;
        }
        core_->pending.push_back(op);
        core_->ensureWorkersLocked();
    }
    core_->wake();
}

void NSOperationQueue::addOperationWithBlock(std::function<void()> block) {
    addOperation(NSOperation::blockOperationWithBlock(std::move(block)));
}

void NSOperationQueue::setSuspended(bool suspended) {
    {
        std::lock_guard lock(core_->mutex);
        core_->suspended = suspended;
    }
    core_->wake();
}

bool NSOperationQueue::isSuspended() const {
    std::lock_guard lock(core_->mutex);
    return core_->suspended;
}

void NSOperationQueue::cancelAllOperations() {
    std::vector<std::shared_ptr<NSOperation>> all;
    {
        std::lock_guard lock(core_->mutex);
        all = core_->pending;
        all.insert(all.end(), core_->executing.begin(), core_->executing.end());
    }
    for (auto &op : all)
        op->cancel();
}

void NSOperationQueue::waitUntilAllOperationsAreFinished() {
    if (core_->onMainRunLoop)
        throw std::logic_error("NSOperationQueue: waiting for the main queue would never end");
    std::unique_lock lock(core_->mutex);
    for (;;) {
        core_->pruneLocked();
        if (core_->pending.empty() && core_->executing.empty())
            return;
        if (core_->executing.empty() && core_->suspended)
            throw std::logic_error("NSOperationQueue: waiting for a suspended queue");
        core_->changed.wait(lock);
    }
}

std::size_t NSOperationQueue::operationCount() const {
    std::lock_guard lock(core_->mutex);
    std::size_t n = core_->executing.size();
    for (const auto &op : core_->pending)
        n += !op->isFinished();
    return n;
}
