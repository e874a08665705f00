// One pool of worker threads for the whole engine, shared by every master: loops over
// independent items run on it, the calling thread taking part, and results are written to
// per-item slots that the caller reduces in a fixed order, so that a threaded run gives the
// same bits as a serial one.
#pragma once

#include <cstddef>
#include <functional>

namespace zvparallel {

/// Runs body(i) for every i in [0, n), on the pool's workers and the calling thread, and returns
/// when all have run. Items are handed out in chunks of `grain`. A body may itself call for_each
/// (the caller of a nested loop works on it too, so nothing waits on a busy pool). Bodies must
/// not throw.
void for_each(std::size_t n, const std::function<void(std::size_t)> &body, std::size_t grain = 1);

/// Runs first(i) for every i in [0, n), then second(k) for every k in [0, m), as one loop on the
/// pool: no second item starts before every first item has ended, and the workers are called
/// once for both. For a step whose second part reads everything the first part made (graphs,
/// then the comparisons between them). Bodies must not throw.
void for_each_then(std::size_t n, const std::function<void(std::size_t)> &first, std::size_t m,
                   const std::function<void(std::size_t)> &second);

/// Number of threads a loop may use (workers plus the caller); 1 runs every loop serially. The
/// environment variable ZV_THREADS sets it at start (0 or unset: the machine's cores).
std::size_t threads();
/// Sets the number of threads loops may use from now on: 0 for the machine's cores, 1 for none
/// but the caller. Not to be called while a loop runs.
void set_threads(std::size_t n);

} // namespace zvparallel
