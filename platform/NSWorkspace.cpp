#include "platform/NSWorkspace.h"

#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char **environ;

NSWorkspace &NSWorkspace::sharedWorkspace() {
    static NSWorkspace workspace;
    return workspace;
}

bool NSWorkspace::openURL(const NSURL &url) { return open(url, std::nullopt); }

void NSWorkspace::openURL(const NSURL &url, const NSWorkspaceOpenConfiguration &configuration,
                          const std::function<void(bool)> &completionHandler) {
    const bool handed = open(url, configuration.activates);
    if (completionHandler)
        completionHandler(handed);
}

bool NSWorkspace::open(const NSURL &url, std::optional<bool> activates) {
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({url.absoluteString(), activates});
        if (!opensURLs_)
            return false;
    }
    // The URL is one argument of xdg-open; no shell ever sees it.
    std::string program = "xdg-open";
    std::string argument = url.absoluteString();
    char *argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0)
        return false;
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach(); // no zombie left behind
    return true;
}

void NSWorkspace::setOpensURLs(bool on) {
    std::lock_guard lock(mutex_);
    opensURLs_ = on;
}

std::vector<NSWorkspace::Request> NSWorkspace::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void NSWorkspace::clearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}
