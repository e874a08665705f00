// Synchronous notifications by name.
#pragma once

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

/// A notification: its name and the object it is about (empty for none). Objects are held as
/// pointers (a font, a document, a control), compared by identity.
struct NSNotification {
    std::string name;
    std::any object;
};

/// Delivers each posted notification at once to the observers of its name, in the order they
/// registered. Main thread only: a call from another thread throws std::logic_error.
class NSNotificationCenter {
  public:
    using Handler = std::function<void(const NSNotification &)>;

    /// One registration; `removed` is set when it is removed while a delivery is going on.
    struct Registration {
        const void *observer = nullptr;
        std::string name;
        Handler handler;
        bool removed = false;
    };

    /// The application's centre.
    static NSNotificationCenter &defaultCenter();

    /// `handler` receives every notification named `name`, whatever its object.
    void addObserver(const void *observer, Handler handler, std::string name);
    /// Removes every registration of `observer`. Removing an observer that is not registered does
    /// nothing; one removed during a delivery receives nothing more from it.
    void removeObserver(const void *observer);
    /// Delivers to the registrations present when the post began (a registration added during the
    /// delivery waits for the next post).
    void postNotification(const NSNotification &notification);
    void postNotificationName(std::string name, std::any object = {});

    /// The registrations in order.
    std::vector<std::shared_ptr<Registration>> registrations;
};
