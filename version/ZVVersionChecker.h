// The plug-in's own versions and logo, and the check of the update feed for a newer build.
#pragma once

#include "platform/NSImage.h"
#include "platform/NSURLSession.h"
#include "platform/PlistValue.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class ZVVersionChecker : public std::enable_shared_from_this<ZVVersionChecker> {
  public:
    /// The process's checker, made on first use (thread-safe).
    static std::shared_ptr<ZVVersionChecker> zv();
    /// Lets the process's checker go (tests): its transfer is cancelled and no handler of it runs
    /// afterwards; the next zv() makes a new checker, which checks again.
    static void resetSharedInstance();

    /// Starts the update check, once per process: reads the plug-in bundle's versions and logo,
    /// then asks the feed named by its "UpdateFeedURL" on a transfer thread and returns at once.
    /// A missing or malformed feed address sends nothing. When the feed announces a newer build
    /// that was not skipped, the update alert is queued on the main queue.
    void loadAndCheck();

    /// The bundle's image "ZV-logo"; nullptr until loadAndCheck.
    std::shared_ptr<NSImage> pluginLogo() const;
    void setPluginLogo(std::shared_ptr<NSImage> logo);
    /// The bundle's "CFBundleShortVersionString"; nothing until loadAndCheck, or without one.
    std::optional<std::string> displayVersionCurrent() const;
    void setDisplayVersionCurrent(std::optional<std::string> version);
    /// The feed's "CFBundleShortVersionString"; nothing until the feed has been read.
    std::optional<std::string> displayVersionOnServer() const;
    void setDisplayVersionOnServer(std::optional<std::string> version);
    /// Whether the feed announces a newer build than the bundle's; NO until the feed was read.
    bool isOutdated() const { return isOutdated_; }
    void setIsOutdated(bool outdated) { isOutdated_ = outdated; }

    /// Whether the check is over: nothing was sent, or the feed's answer (or failure) has been
    /// handled (an alert it called for is queued by then).
    bool checkHasEnded() const { return checkEnded_; }

    /// Use zv(); the checker must be owned by a shared pointer.
    ZVVersionChecker() = default;
    /// Cancels a running transfer without waiting for the network.
    ~ZVVersionChecker();
    ZVVersionChecker(const ZVVersionChecker &) = delete;
    ZVVersionChecker &operator=(const ZVVersionChecker &) = delete;

    /// The largest feed read, in bytes; a longer answer counts as failed.
    static constexpr std::size_t kMaximumFeedSize = 1 << 20;
    /// The longest the whole transfer of the feed may take; a slower answer counts as failed,
    /// so that a server sending a byte now and then does not keep it for as long as the host runs.
    static constexpr std::chrono::seconds kFeedTimeLimit{60};

  private:
    void handleFeed(std::optional<std::string> data, long statusCode, bool fileURL,
                    const std::optional<std::string> &bundleBuild);
    static void showUpdateAlert(const std::weak_ptr<ZVVersionChecker> &checker,
                                const std::optional<std::string> &productPageURL,
                                std::optional<PlistArray> skipped, const std::string &serverBuild);

    mutable std::mutex mutex_; // guards the three properties below and the task
    std::shared_ptr<NSImage> pluginLogo_;
    std::optional<std::string> displayVersionCurrent_;
    std::optional<std::string> displayVersionOnServer_;
    std::shared_ptr<NSURLSessionDataTask> task_;
    std::atomic<bool> isOutdated_ = false;
    std::atomic<bool> checkStarted_ = false;
    std::atomic<bool> checkEnded_ = false;
};
