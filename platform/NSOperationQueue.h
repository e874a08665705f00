// Operations and the queues that run them: closures with a priority and dependencies, run on the
// queue's worker threads (or, for the main queue, on the main run loop) once every dependency has
// finished. A cancelled operation that has not started never starts and counts as finished for
// the operations that depend on it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class NSOperationQueue;
struct NSOperationQueueCore;

class NSOperation : public std::enable_shared_from_this<NSOperation> {
  public:
    enum QueuePriority : int {
        NSOperationQueuePriorityVeryLow = -8,
        NSOperationQueuePriorityLow = -4,
        NSOperationQueuePriorityNormal = 0,
        NSOperationQueuePriorityHigh = 4,
        NSOperationQueuePriorityVeryHigh = 8,
    };

    /// An operation that runs `block` once.
    static std::shared_ptr<NSOperation> blockOperationWithBlock(std::function<void()> block);

    /// This operation starts only after `op` has finished (or was cancelled). Dependencies are
    /// set before the operation goes into a queue; later ones throw std::logic_error.
    void addDependency(const std::shared_ptr<NSOperation> &op);
    /// The operations this one waits for.
    std::vector<std::shared_ptr<NSOperation>> dependencies() const;
    /// Among ready operations of one queue the higher priority starts first.
    void setQueuePriority(int priority);
    int queuePriority() const;

    /// Marks the operation cancelled: one that has not started never will, and is finished at
    /// once; a running one sees isCancelled() and finishes normally.
    void cancel();
    bool isCancelled() const;
    bool isExecuting() const;
    bool isFinished() const;
    /// Whether every dependency has finished.
    bool isReady() const;
    /// Blocks until the operation has finished.
    void waitUntilFinished() const;

    explicit NSOperation(std::function<void()> block) : block_(std::move(block)) {}

  private:
    friend class NSOperationQueue;
    friend struct NSOperationQueueCore;
    enum class State { Pending, Executing, Finished };
    // Runs the block unless the operation was cancelled before it started.
    void run();
    // Marks the operation finished and wakes whoever waits for it.
    void finishLocked(std::unique_lock<std::mutex> &lock);

    mutable std::mutex mutex_;
    mutable std::condition_variable finished_;
    std::function<void()> block_;
    State state_ = State::Pending;
    bool cancelled_ = false;
    int priority_ = NSOperationQueuePriorityNormal;
    std::vector<std::shared_ptr<NSOperation>> dependencies_;
    std::vector<std::weak_ptr<NSOperation>> dependents_;
    std::weak_ptr<NSOperationQueueCore> queue_; // set once, when the operation is added
};

class NSOperationQueue {
  public:
    /// A queue that runs up to the machine's core count of operations at a time on threads of
    /// its own.
    NSOperationQueue();
    /// Cancels what has not started, waits for what runs, and ends the queue's threads.
    ~NSOperationQueue();
    NSOperationQueue(const NSOperationQueue &) = delete;
    NSOperationQueue &operator=(const NSOperationQueue &) = delete;

    /// The queue whose operations run on the main thread, each in a turn of the main run loop.
    static NSOperationQueue &mainQueue();

    /// How many operations may run at once; 1 makes the queue serial: one at a time, by priority
    /// and then in the order added, so runs repeat exactly.
    void setMaxConcurrentOperationCount(int count);
    int maxConcurrentOperationCount() const;

    /// Adds `op`; it starts once its dependencies have finished and the queue is not suspended.
    /// An operation belongs to one queue; adding it a second time throws std::logic_error.
    void addOperation(const std::shared_ptr<NSOperation> &op);
    /// Adds an operation that runs `block`.
    void addOperationWithBlock(std::function<void()> block);

    /// A suspended queue starts no operation (those running go on).
    void setSuspended(bool suspended);
    bool isSuspended() const;
    /// Cancels every operation of the queue.
    void cancelAllOperations();
    /// Blocks until every operation of the queue has finished. Throws std::logic_error on the main
    /// queue, and on a suspended queue that still holds operations (it would wait for ever).
    void waitUntilAllOperationsAreFinished();
    /// Operations added and not yet finished.
    std::size_t operationCount() const;

  private:
    explicit NSOperationQueue(bool onMainRunLoop);
    std::shared_ptr<NSOperationQueueCore> core_;
};
