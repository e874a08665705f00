#include "engine/model/ZVparallel.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace zvparallel {
namespace {

// A hint to the core that this thread is waiting in a loop.
inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#else
    std::this_thread::yield();
#endif
}

// How long a thread with nothing to do keeps looking before it sleeps: a fit's evaluations come
// one after another a few hundred microseconds apart, and waking a sleeping thread costs about
// as much as the work it is woken for.
constexpr auto kSpin = std::chrono::microseconds(50);

// Calls until() repeatedly, relaxing between calls, for at most kSpin; true when it held.
template <class Until> bool spin(Until until) {
    const auto end = std::chrono::steady_clock::now() + kSpin;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (until())
                return true;
            relax();
        }
        if (std::chrono::steady_clock::now() >= end)
            return false;
    }
}

// One loop: items are claimed in chunks through `next`; the caller waits until `done` reaches n.
// Items below `first` form a first phase: no later item starts before they have all ended.
struct Job {
    const std::function<void(std::size_t)> *body = nullptr;
    std::size_t n = 0, grain = 1, first = 0;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> first_done{0};
    std::mutex m;
    std::condition_variable finished;

    // Runs chunks until none is left.
    void work() {
        for (;;) {
            const std::size_t from = next.fetch_add(grain, std::memory_order_relaxed);
            if (from >= n)
                return;
            const std::size_t to = std::min(n, from + grain);
            std::size_t i = from;
            if (i < first) {
                const std::size_t end = std::min(to, first);
                for (; i < end; ++i)
                    (*body)(i);
                first_done.fetch_add(end - from, std::memory_order_acq_rel);
            }
            if (i < to) {
                // Every item of the first phase was claimed before this one: those not ended
                // yet are running on other threads.
                while (first_done.load(std::memory_order_acquire) != first)
                    if (!spin([&] { return first_done.load(std::memory_order_acquire) == first; }))
                        std::this_thread::yield();
                for (; i < to; ++i)
                    (*body)(i);
            }
            if (done.fetch_add(to - from, std::memory_order_acq_rel) + (to - from) == n) {
                std::lock_guard<std::mutex> lock(m);
                finished.notify_all();
            }
        }
    }
    bool exhausted() const { return next.load(std::memory_order_relaxed) >= n; }
    bool ended() const { return done.load(std::memory_order_acquire) == n; }
};

class Pool {
  public:
    explicit Pool(std::size_t workers) {
        for (std::size_t i = 0; i < workers; ++i)
            threads_.emplace_back([this] { run(); });
    }
    ~Pool() {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
            submitted_.fetch_add(1, std::memory_order_release);
        }
        wake_.notify_all();
        for (std::thread &t : threads_)
            t.join();
    }

    // Wakes as many sleeping workers as the job has chunks beyond the caller's first; workers
    // still looking for work find it without being woken.
    void submit(const std::shared_ptr<Job> &job) {
        std::size_t sleeping;
        {
            std::lock_guard<std::mutex> lock(m_);
            jobs_.push_back(job);
            submitted_.fetch_add(1, std::memory_order_release);
            sleeping = sleeping_;
        }
        const std::size_t chunks = (job->n + job->grain - 1) / job->grain;
        const std::size_t helpers = std::min(chunks - 1, sleeping);
        if (helpers == threads_.size())
            wake_.notify_all();
        else
            for (std::size_t i = 0; i < helpers; ++i)
                wake_.notify_one();
    }
    void retire(const std::shared_ptr<Job> &job) {
        std::lock_guard<std::mutex> lock(m_);
        const auto it = std::find(jobs_.begin(), jobs_.end(), job);
        if (it != jobs_.end())
            jobs_.erase(it);
    }

  private:
    // The first job with items left (dropping exhausted ones), or none; with the lock held.
    std::shared_ptr<Job> front() {
        while (!jobs_.empty() && jobs_.front()->exhausted())
            jobs_.pop_front();
        return jobs_.empty() ? nullptr : jobs_.front();
    }

    void run() {
        for (;;) {
            std::shared_ptr<Job> job;
            std::uint64_t seen;
            {
                std::lock_guard<std::mutex> lock(m_);
                if (stop_)
                    return;
                seen = submitted_.load(std::memory_order_relaxed);
                job = front();
            }
            if (job) {
                job->work();
                continue;
            }
            // Nothing to do: look out for a new loop a little while before sleeping.
            if (spin([&] { return submitted_.load(std::memory_order_acquire) != seen; }))
                continue;
            std::unique_lock<std::mutex> lock(m_);
            ++sleeping_;
            wake_.wait(lock, [&] { return stop_ || front() != nullptr; });
            --sleeping_;
            if (stop_)
                return;
        }
    }

    std::mutex m_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Job>> jobs_;
    std::vector<std::thread> threads_;
    std::atomic<std::uint64_t> submitted_{0}; // loops submitted so far (and the stop)
    std::size_t sleeping_ = 0;                // workers waiting on wake_
    bool stop_ = false;
};

std::size_t machine_threads() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

// The environment's ZV_THREADS, when set to a number, chooses the count before any call does.
std::size_t from_environment() {
    const char *v = std::getenv("ZV_THREADS");
    return v ? static_cast<std::size_t>(std::strtoul(v, nullptr, 10)) : 0;
}

std::atomic<std::size_t> wanted{from_environment()}; // 0: the machine's cores
std::mutex pool_mutex;
std::unique_ptr<Pool> pool;
std::size_t pool_threads = 0;

Pool &the_pool(std::size_t n) {
    std::lock_guard<std::mutex> lock(pool_mutex);
    if (!pool || pool_threads != n) {
        pool.reset();
        pool = std::make_unique<Pool>(n - 1);
        pool_threads = n;
    }
    return *pool;
}

// Runs the job on the pool with the caller taking part, and returns when every item has run.
void run_on_pool(std::size_t t, const std::shared_ptr<Job> &job) {
    Pool &p = the_pool(t);
    p.submit(job);
    job->work();
    p.retire(job);
    // The last items are running on workers and end soon.
    if (spin([&] { return job->ended(); }))
        return;
    std::unique_lock<std::mutex> lock(job->m);
    job->finished.wait(lock, [&] { return job->ended(); });
}

} // namespace

std::size_t threads() {
    const std::size_t n = wanted.load(std::memory_order_relaxed);
    return n == 0 ? machine_threads() : n;
}

void set_threads(std::size_t n) { wanted.store(n, std::memory_order_relaxed); }

void for_each(std::size_t n, const std::function<void(std::size_t)> &body, std::size_t grain) {
    const std::size_t t = threads();
    grain = std::max<std::size_t>(grain, 1);
    if (t <= 1 || n <= grain) {
        for (std::size_t i = 0; i < n; ++i)
            body(i);
        return;
    }
    auto job = std::make_shared<Job>();
    job->body = &body;
    job->n = n;
    job->grain = grain;
    run_on_pool(t, job);
}

void for_each_then(std::size_t n, const std::function<void(std::size_t)> &first, std::size_t m,
                   const std::function<void(std::size_t)> &second) {
    const std::size_t t = threads();
    if (t <= 1 || n + m <= 1) {
        for (std::size_t i = 0; i < n; ++i)
            first(i);
        for (std::size_t k = 0; k < m; ++k)
            second(k);
        return;
    }
    const std::function<void(std::size_t)> body = [&](std::size_t i) {
        if (i < n)
            first(i);
        else
            second(i - n);
    };
    auto job = std::make_shared<Job>();
    job->body = &body;
    job->n = n + m;
    job->first = n;
    run_on_pool(t, job);
}

} // namespace zvparallel
