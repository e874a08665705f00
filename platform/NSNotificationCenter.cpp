#include "platform/NSNotificationCenter.h"

#include "platform/NSRunLoop.h"

#include <algorithm>
#include <stdexcept>

namespace {
void requireMainThread(const char *what) {
    if (!NSRunLoop::isMainThread())
        throw std::logic_error(std::string("NSNotificationCenter: ") + what +
                               " called off the main thread");
}
} // namespace

NSNotificationCenter &NSNotificationCenter::defaultCenter() {
    static NSNotificationCenter center;
    return center;
}

void NSNotificationCenter::addObserver(const void *observer, Handler handler, std::string name) {
    requireMainThread("addObserver");
    registrations.push_back(std::make_shared<Registration>(
        Registration{observer, std::move(name), std::move(handler), false}));
}

void NSNotificationCenter::removeObserver(const void *observer) {
    requireMainThread("removeObserver");
    std::erase_if(registrations, [observer](const std::shared_ptr<Registration> &r) {
        if (r->observer != observer)
            return false;
        r->removed = true;
        return true;
    });
}

void NSNotificationCenter::postNotification(const NSNotification &notification) {
    requireMainThread("postNotification");
    // The snapshot keeps each handler alive while it runs, even if it removes itself.
    const std::vector<std::shared_ptr<Registration>> snapshot = registrations;
    for (const std::shared_ptr<Registration> &r : snapshot)
        if (!r->removed && r->name == notification.name && r->handler)
            r->handler(notification);
}

void NSNotificationCenter::postNotificationName(std::string name, std::any object) {
    postNotification(NSNotification{std::move(name), std::move(object)});
}
