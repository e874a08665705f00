// Progress of long work on standard error: whole lines as things start and end, and, while a long
// step runs, a live line on a terminal (rewritten twice a second with how far and how long) or a
// line every 30 seconds elsewhere, so that nobody faces a minute of silence.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

/// A duration in milliseconds as the progress lines give it ("12.3 s").
std::string ZVsecondsText(double ms);

class ZVprogress {
  public:
    /// Progress to `out`; a live line only when `out` is a terminal (or when `live` says so).
    explicit ZVprogress(std::FILE *out);
    ZVprogress(std::FILE *out, bool live);
    ~ZVprogress();
    ZVprogress(const ZVprogress &) = delete;
    ZVprogress &operator=(const ZVprogress &) = delete;

    /// Prints one whole line (any thread).
    void line(const std::string &text);

    /// A long step under way: `what`, and what `detail` answers (called on the progress thread,
    /// so it must be safe to call from there), with the time since the step began.
    class Step {
      public:
        ~Step();
        Step(const Step &) = delete;
        Step &operator=(const Step &) = delete;
        /// Seconds since the step began.
        double seconds() const;

      private:
        friend class ZVprogress;
        Step(ZVprogress &progress) : progress_(progress) {}
        ZVprogress &progress_;
    };
    /// Begins a long step; it ends when the returned object goes. One step at a time.
    [[nodiscard]] std::unique_ptr<Step> step(std::string what,
                                             std::function<std::string()> detail = {});

    /// How often a terminal's live line is rewritten, and how often a line is printed elsewhere.
    static constexpr std::chrono::milliseconds kLiveEvery{500}, kQuietEvery{30000};

  private:
    void run();
    void clearLiveLocked();
    std::string stepTextLocked() const;

    std::FILE *out_;
    bool live_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool inStep_ = false;
    bool liveShown_ = false;
    std::string what_;
    std::function<std::string()> detail_;
    std::chrono::steady_clock::time_point began_;
    std::chrono::steady_clock::time_point lastQuiet_;
    std::thread thread_;
};
