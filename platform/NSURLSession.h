// URL loading with libcurl: a data task fetches one http, https or file URL on a transfer thread
// of its own and hands (data, status, error) to its completion there.
#pragma once

#include "platform/NSURL.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

struct NSURLSessionConfiguration {
    /// A transfer that receives nothing for this long fails.
    std::chrono::milliseconds timeoutIntervalForRequest{60000};
    /// A transfer that has not ended this long after it started fails, however steadily it
    /// receives (a week by default, as the system's).
    std::chrono::milliseconds timeoutIntervalForResource{std::chrono::hours(24 * 7)};
    /// A body longer than this many bytes fails the transfer as it arrives (0: no bound).
    std::size_t maximumResponseSize = 0;

    static NSURLSessionConfiguration defaultSessionConfiguration() { return {}; }
};

/// Called once on the transfer thread: the body and the HTTP status (0 for a file URL), or no
/// body and what went wrong (the address could not be reached, the file could not be read, the
/// transfer stalled, took too long or grew too large).
using NSURLSessionDataTaskCompletion = std::function<void(
    std::optional<std::string> data, long statusCode, std::optional<std::string> error)>;

class NSURLSessionDataTask {
  public:
    /// Starts the transfer (once; later calls do nothing).
    void resume();
    /// Stops the transfer without waiting for the network. Once cancel returns, the completion
    /// is neither running (unless cancel was called from it) nor ever called.
    void cancel();
    /// Cancels, and ends the transfer thread.
    ~NSURLSessionDataTask();

    struct State;
    explicit NSURLSessionDataTask(std::shared_ptr<State> state) : state_(std::move(state)) {}
    NSURLSessionDataTask(const NSURLSessionDataTask &) = delete;
    NSURLSessionDataTask &operator=(const NSURLSessionDataTask &) = delete;

  private:
    std::shared_ptr<State> state_;
    std::thread thread_;
};

class NSURLSession {
  public:
    /// A session whose tasks follow `configuration`.
    static std::shared_ptr<NSURLSession>
    sessionWithConfiguration(const NSURLSessionConfiguration &configuration);
    /// A task (not yet started) that fetches `url` and calls `completion`.
    std::shared_ptr<NSURLSessionDataTask>
    dataTaskWithURL(const NSURL &url, NSURLSessionDataTaskCompletion completion);

    explicit NSURLSession(const NSURLSessionConfiguration &c) : configuration_(c) {}
    const NSURLSessionConfiguration &configuration() const { return configuration_; }

  private:
    NSURLSessionConfiguration configuration_;
};
