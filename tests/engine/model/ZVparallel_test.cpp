// The worker pool runs every item of every loop exactly once, whatever loops the other threads
// submit meanwhile and in whatever order the workers serve them (run under ThreadSanitizer by
// tools/test.sh).
#include "engine/model/ZVparallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Sets the pool's size for one test and restores the machine's default afterwards.
struct PoolOfSize {
    explicit PoolOfSize(std::size_t n) { zvparallel::set_threads(n); }
    ~PoolOfSize() { zvparallel::set_threads(0); }
};

// A two-phase loop of n first and m second items: each runs once, and every second item finds
// every first item ended.
void expect_phases_in_order(std::size_t n, std::size_t m) {
    std::vector<std::atomic<int>> first(n), second(m);
    std::atomic<std::size_t> first_ended{0}, early{0};
    zvparallel::for_each_then(
        n,
        [&](std::size_t i) {
            first[i].fetch_add(1, std::memory_order_relaxed);
            first_ended.fetch_add(1, std::memory_order_release);
        },
        m,
        [&](std::size_t k) {
            second[k].fetch_add(1, std::memory_order_relaxed);
            if (first_ended.load(std::memory_order_acquire) != n)
                early.fetch_add(1, std::memory_order_relaxed);
        });
    EXPECT_EQ(early.load(), 0u) << "second items started before the first ended (" << n << ", " << m
                                << ")";
    for (std::size_t i = 0; i < n; ++i)
        ASSERT_EQ(first[i].load(), 1) << "first item " << i << " of " << n;
    for (std::size_t k = 0; k < m; ++k)
        ASSERT_EQ(second[k].load(), 1) << "second item " << k << " of " << m;
}

// Runs a loop of n items (each a nested loop of `inner` items when inner > 0) and checks that
// every item and nested item ran exactly once.
void expect_every_item_once(std::size_t n, std::size_t inner, std::size_t grain) {
    std::vector<std::atomic<int>> runs(n * (inner + 1));
    zvparallel::for_each(
        n,
        [&](std::size_t i) {
            runs[i * (inner + 1)].fetch_add(1, std::memory_order_relaxed);
            if (inner > 0)
                zvparallel::for_each(inner, [&](std::size_t k) {
                    runs[i * (inner + 1) + 1 + k].fetch_add(1, std::memory_order_relaxed);
                });
        },
        grain);
    for (std::size_t i = 0; i < runs.size(); ++i)
        ASSERT_EQ(runs[i].load(), 1) << "item " << i << " of a loop of " << n << " (" << inner
                                     << " nested, grain " << grain << ")";
}

} // namespace

TEST(WorkerPool, RunsEveryItemOnceWhileOtherThreadsSubmitLoopsOfEverySize) {
    PoolOfSize pool(4);
    // Large loops keep the workers busy while small ones keep arriving from other threads.
    struct Load {
        std::size_t n, inner, grain, repeats;
    };
    const std::vector<Load> loads = {
        {4000, 0, 16, 3}, // a master kerning its pairs
        {7, 0, 1, 300},   // a fit's small steps, one after the other
        {35, 5, 1, 40},   // nested loops
        {1, 0, 1, 200},   // loops too small to share
        {64, 0, 64, 100}, // one chunk only
    };
    std::vector<std::thread> threads;
    for (const Load &l : loads)
        threads.emplace_back([l] {
            for (std::size_t r = 0; r < l.repeats; ++r)
                expect_every_item_once(l.n, l.inner, l.grain);
        });
    for (std::thread &t : threads)
        t.join();
}

TEST(WorkerPool, TwoPhaseLoopsEndTheirFirstPhaseFirst) {
    PoolOfSize pool(4);
    // A master's loops run beside, so that workers come and go between chunks.
    std::atomic<bool> busy{true};
    std::thread other([&] {
        while (busy.load())
            expect_every_item_once(2000, 0, 16);
    });
    const std::vector<std::pair<std::size_t, std::size_t>> shapes = {
        {0, 0}, {0, 5}, {5, 0}, {1, 1}, {3, 200}, {200, 3}, {64, 64}, {35 * 40, 35 * 40}};
    for (int repeat = 0; repeat < 30; ++repeat)
        for (const auto &[n, m] : shapes)
            expect_phases_in_order(n, m);
    busy.store(false);
    other.join();
}

TEST(WorkerPool, RunsLoopsOnTheCallerAloneWithoutWorkers) {
    PoolOfSize pool(1);
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> elsewhere{0};
    zvparallel::for_each(100, [&](std::size_t) {
        if (std::this_thread::get_id() != caller)
            elsewhere.fetch_add(1);
    });
    EXPECT_EQ(elsewhere.load(), 0);
    expect_every_item_once(50, 3, 2);
    zvparallel::for_each_then(
        3,
        [&](std::size_t) {
            if (std::this_thread::get_id() != caller)
                elsewhere.fetch_add(1);
        },
        3,
        [&](std::size_t) {
            if (std::this_thread::get_id() != caller)
                elsewhere.fetch_add(1);
        });
    EXPECT_EQ(elsewhere.load(), 0);
    expect_phases_in_order(40, 40);
}
