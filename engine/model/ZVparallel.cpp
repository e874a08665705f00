#include "engine/model/ZVparallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zvparallel {
namespace {

// One loop: items are claimed in chunks through `next`; the caller waits until `done` reaches n.
struct Job {
    const std::function<void(std::size_t)> *body = nullptr;
    std::size_t n = 0, grain = 1;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::mutex m;
    std::condition_variable finished;

    // Runs chunks until none is left; true when this call finished the last item.
    void work() {
        for (;;) {
            const std::size_t first = next.fetch_add(grain, std::memory_order_relaxed);
            if (first >= n)
                return;
            const std::size_t last = std::min(n, first + grain);
            for (std::size_t i = first; i < last; ++i)
                (*body)(i);
            if (done.fetch_add(last - first, std::memory_order_acq_rel) + (last - first) == n) {
                std::lock_guard<std::mutex> lock(m);
                finished.notify_all();
            }
        }
    }
    bool exhausted() const { return next.load(std::memory_order_relaxed) >= n; }
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
        }
        wake_.notify_all();
        for (std::thread &t : threads_)
            t.join();
    }

    // Wakes as many workers as the job has chunks beyond the caller's first.
    void submit(const std::shared_ptr<Job> &job) {
        {
            std::lock_guard<std::mutex> lock(m_);
            jobs_.push_back(job);
        }
        const std::size_t chunks = (job->n + job->grain - 1) / job->grain;
        const std::size_t helpers = std::min(chunks - 1, threads_.size());
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
    void run() {
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock<std::mutex> lock(m_);
                wake_.wait(lock, [&] {
                    while (!jobs_.empty() && jobs_.front()->exhausted())
                        jobs_.pop_front();
                    return stop_ || !jobs_.empty();
                });
                if (stop_)
                    return;
                job = jobs_.front();
            }
            job->work();
        }
    }

    std::mutex m_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Job>> jobs_;
    std::vector<std::thread> threads_;
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
    Pool &p = the_pool(t);
    auto job = std::make_shared<Job>();
    job->body = &body;
    job->n = n;
    job->grain = grain;
    p.submit(job);
    job->work();
    p.retire(job);
    std::unique_lock<std::mutex> lock(job->m);
    job->finished.wait(lock, [&] { return job->done.load(std::memory_order_acquire) == n; });
}

} // namespace zvparallel
