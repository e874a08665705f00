#include "platform/NSProcessInfo.h"

NSProcessInfo &NSProcessInfo::processInfo() {
    static NSProcessInfo info;
    return info;
}

NSOperatingSystemVersion NSProcessInfo::operatingSystemVersion() const {
    std::lock_guard lock(mutex_);
    return version_;
}

bool NSProcessInfo::isOperatingSystemAtLeastVersion(const NSOperatingSystemVersion &v) const {
    return operatingSystemVersion() >= v;
}

void NSProcessInfo::setOperatingSystemVersion(const NSOperatingSystemVersion &v) {
    std::lock_guard lock(mutex_);
    version_ = v;
}
