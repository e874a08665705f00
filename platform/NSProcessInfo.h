// What the process knows about the system it runs on: the operating system's version, which the
// stand-in lets tests and commands set (a current system by default).
#pragma once

#include <compare>
#include <mutex>

struct NSOperatingSystemVersion {
    long majorVersion = 0;
    long minorVersion = 0;
    long patchVersion = 0;
    auto operator<=>(const NSOperatingSystemVersion &) const = default;
};

class NSProcessInfo {
  public:
    static NSProcessInfo &processInfo();

    NSOperatingSystemVersion operatingSystemVersion() const;
    /// Whether the system is `version` or later.
    bool isOperatingSystemAtLeastVersion(const NSOperatingSystemVersion &version) const;
    /// Makes the process run as if on system `version`.
    void setOperatingSystemVersion(const NSOperatingSystemVersion &version);

  private:
    mutable std::mutex mutex_;
    NSOperatingSystemVersion version_{14, 0, 0};
};
