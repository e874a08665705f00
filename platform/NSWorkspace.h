// Opening web pages. The workspace records every URL it is asked to open; it hands one to the
// desktop (xdg-open) only when the application has turned that on, never in tests.
#pragma once

#include "platform/NSURL.h"

#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

/// How a URL is to be opened (the variant of openURL that takes a configuration).
struct NSWorkspaceOpenConfiguration {
    bool activates = true; ///< bring the opening application to the front
    void setActivates(bool a) { activates = a; }
};

class NSWorkspace {
  public:
    static NSWorkspace &sharedWorkspace();

    /// One request to open a URL: its text, and the configuration's activates flag (nothing for
    /// the plain openURL).
    struct Request {
        std::string url;
        std::optional<bool> activates;
        bool operator==(const Request &) const = default;
    };

    /// Opens `url` (the plain variant). Answers whether it was handed on (or recorded only).
    bool openURL(const NSURL &url);
    /// Opens `url` with `configuration`; the completion, if any, gets whether it was handed on.
    void openURL(const NSURL &url, const NSWorkspaceOpenConfiguration &configuration,
                 const std::function<void(bool)> &completionHandler);

    /// Whether URLs go to xdg-open (off unless the application turns it on).
    void setOpensURLs(bool on);
    /// The requests since the last clearRequests(), in order.
    std::vector<Request> requests() const;
    void clearRequests();

  private:
    bool open(const NSURL &url, std::optional<bool> activates);

    mutable std::mutex mutex_;
    bool opensURLs_ = false;
    std::vector<Request> requests_;
};
