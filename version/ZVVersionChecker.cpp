#include "version/ZVVersionChecker.h"

#include "platform/NSAlert.h"
#include "platform/NSBundle.h"
#include "platform/NSOperationQueue.h"
#include "platform/NSProcessInfo.h"
#include "platform/NSPropertyListSerialization.h"
#include "platform/NSRunLoop.h"
#include "platform/NSString.h"
#include "platform/NSURL.h"
#include "platform/NSUserDefaults.h"
#include "platform/NSWorkspace.h"

#include <algorithm>

#ifndef ZV_HOST_VERSION
#error "ZV_HOST_VERSION must be 2 or 3"
#endif

namespace {

const char *const kSkippedVersionsKey = "ZelvarskippedVersions";
const char *const kServerBuildKey = "ZelvarVersion";

std::mutex sharedMutex;

std::shared_ptr<ZVVersionChecker> &sharedSlot() {
    static std::shared_ptr<ZVVersionChecker> checker;
    return checker;
}

// The string under `key` of `bundle`'s Info.plist, or nothing.
std::optional<std::string> infoString(const NSBundle &bundle, const std::string &key) {
    const PlistValue *v = bundle.objectForInfoDictionaryKey(key);
    if (!v || !v->asString())
        return std::nullopt;
    return *v->asString();
}

} // namespace

std::shared_ptr<ZVVersionChecker> ZVVersionChecker::zv() {
    std::lock_guard lock(sharedMutex);
    static const bool servicesFirst = [] {
        // What the checker's transfer and alert use is made before the checker's slot, so that at
        // the process's end it is still there while the checker cancels its transfer.
        NSRunLoop::mainRunLoop();
        NSOperationQueue::mainQueue();
        NSWorkspace::sharedWorkspace();
        NSProcessInfo::processInfo();
        return true;
    }();
    (void)servicesFirst;
    std::shared_ptr<ZVVersionChecker> &slot = sharedSlot();
    if (!slot)
        slot = std::make_shared<ZVVersionChecker>();
    return slot;
}

void ZVVersionChecker::resetSharedInstance() {
    std::shared_ptr<ZVVersionChecker> gone;
    {
        std::lock_guard lock(sharedMutex);
        gone.swap(sharedSlot());
    }
}

ZVVersionChecker::~ZVVersionChecker() {
    std::shared_ptr<NSURLSessionDataTask> task;
    {
        std::lock_guard lock(mutex_);
        task.swap(task_);
    }
    if (task)
        task->cancel(); // waits only for a handler already running, never for the network
}

std::shared_ptr<NSImage> ZVVersionChecker::pluginLogo() const {
    std::lock_guard lock(mutex_);
    return pluginLogo_;
}

void ZVVersionChecker::setPluginLogo(std::shared_ptr<NSImage> logo) {
    std::lock_guard lock(mutex_);
    pluginLogo_ = std::move(logo);
}

std::optional<std::string> ZVVersionChecker::displayVersionCurrent() const {
    std::lock_guard lock(mutex_);
    return displayVersionCurrent_;
}

void ZVVersionChecker::setDisplayVersionCurrent(std::optional<std::string> version) {
    std::lock_guard lock(mutex_);
    displayVersionCurrent_ = std::move(version);
}

std::optional<std::string> ZVVersionChecker::displayVersionOnServer() const {
    std::lock_guard lock(mutex_);
    return displayVersionOnServer_;
}

void ZVVersionChecker::setDisplayVersionOnServer(std::optional<std::string> version) {
    std::lock_guard lock(mutex_);
    displayVersionOnServer_ = std::move(version);
}

void ZVVersionChecker::loadAndCheck() {
    // Once per process, whatever the bundle holds: a bundle without a display version must not
    // start a new check at every opening of the window.
    if (checkStarted_.exchange(true))
        return;
    const std::shared_ptr<const NSBundle> bundle = NSBundle::bundleForClass("ZelvarPlugin");
    if (!bundle) {
        checkEnded_ = true;
        return;
    }
    const std::optional<std::string> build = infoString(*bundle, "CFBundleVersion");
    setPluginLogo(bundle->imageForResource("ZV-logo"));
    setDisplayVersionCurrent(infoString(*bundle, "CFBundleShortVersionString"));

    // The bundle's address must be a URL itself, before the version-3 build appends "g3" (which
    // would make "http://" a host name).
    std::optional<std::string> address = infoString(*bundle, "UpdateFeedURL");
    std::optional<NSURL> url = address ? NSURL::URLWithString(*address) : std::nullopt;
#if ZV_HOST_VERSION >= 3
    if (url)
        url = NSURL::URLWithString(*address + "g3");
#endif
    if (!url) {
        checkEnded_ = true; // nothing to ask: the feed stays unread
        return;
    }
    NSURLSessionConfiguration configuration =
        NSURLSessionConfiguration::defaultSessionConfiguration();
    configuration.maximumResponseSize = kMaximumFeedSize;
    configuration.timeoutIntervalForResource = kFeedTimeLimit;
    auto session = NSURLSession::sessionWithConfiguration(configuration);
    const bool fileURL = url->isFileURL();
    // The handler may use `this`: the checker cancels the task, and waits for a handler already
    // running, before anything of it goes.
    auto task = session->dataTaskWithURL(
        *url, [this, fileURL, build](std::optional<std::string> data, long statusCode,
                                     std::optional<std::string> /*error*/) {
            handleFeed(std::move(data), statusCode, fileURL, build);
            checkEnded_ = true;
        });
    {
        std::lock_guard lock(mutex_);
        task_ = task;
    }
    task->resume();
}

// Runs on the transfer thread. Anything but a well-formed feed leaves the state as it was.
void ZVVersionChecker::handleFeed(std::optional<std::string> data, long statusCode, bool fileURL,
                                  const std::optional<std::string> &bundleBuild) {
    if (!data)
        return; // no answer: the address could not be reached, or the transfer failed
    if (!fileURL && (statusCode < 200 || statusCode > 299))
        return; // an error page is no feed
    const std::optional<PlistValue> plist =
        NSPropertyListSerialization::propertyListWithData(*data);
    const PlistDictionary *feed = plist ? plist->asDictionary() : nullptr;
    if (!feed)
        return;
    std::optional<std::string> keys[3];
    const char *names[3] = {kServerBuildKey, "CFBundleShortVersionString", "productPageURL"};
    for (int i = 0; i < 3; ++i)
        if (const PlistValue *v = feed->objectForKey(names[i])) {
            if (!v->asString())
                return; // a key of the wrong type makes the whole feed unreadable
            keys[i] = *v->asString();
        }
    const std::optional<std::string> &serverBuild = keys[0];

    setDisplayVersionOnServer(keys[1]);
    const bool outdated = serverBuild && NSStringIntegerValue(bundleBuild.value_or("")) <
                                             NSStringIntegerValue(*serverBuild);
    setIsOutdated(outdated);
    if (!outdated)
        return;
    std::optional<PlistArray> skipped =
        NSUserDefaults::standardUserDefaults().arrayForKey(kSkippedVersionsKey);
    if (skipped && std::any_of(skipped->begin(), skipped->end(), [&](const PlistValue &v) {
            return v.asString() && *v.asString() == *serverBuild;
        }))
        return;
    NSOperationQueue::mainQueue().addOperationWithBlock([checker = weak_from_this(), page = keys[2],
                                                         skipped = std::move(skipped),
                                                         build = *serverBuild]() mutable {
        showUpdateAlert(checker, page, std::move(skipped), build);
    });
}

// Runs on the main thread.
void ZVVersionChecker::showUpdateAlert(const std::weak_ptr<ZVVersionChecker> &weakChecker,
                                       const std::optional<std::string> &productPageURL,
                                       std::optional<PlistArray> skipped,
                                       const std::string &serverBuild) {
    const std::shared_ptr<ZVVersionChecker> checker = weakChecker.lock();
    if (!checker)
        return; // the checker went before the main queue came to its alert
    // A feed without a display version names its build; a bundle without one says so.
    const std::string onServer = checker->displayVersionOnServer().value_or(serverBuild);
    const std::string current = checker->displayVersionCurrent().value_or("unknown");

    NSAlert alert;
    alert.setMessageText("A new version of Zelvar is available!");
    alert.setInformativeText("Version " + onServer +
                             " of Zelvar is now available for download.\nYou have version " +
                             current + ".\nWould you like to download the update now?");
    alert.addButtonWithTitle("Go to download page");
    alert.addButtonWithTitle("Skip this version");
    alert.addButtonWithTitle("Remind me later");
    alert.setIcon(checker->pluginLogo());
    const long answer = alert.runModal();

    if (answer == NSAlert::NSAlertFirstButtonReturn) {
        const std::optional<NSURL> page =
            productPageURL ? NSURL::URLWithString(*productPageURL) : std::nullopt;
        if (!page || !page->isWebURL())
            return; // only a web page is opened
        NSWorkspaceOpenConfiguration configuration;
        configuration.setActivates(true);
#if ZV_HOST_VERSION >= 3
        NSWorkspace::sharedWorkspace().openURL(*page, configuration, nullptr);
#else
        if (NSProcessInfo::processInfo().isOperatingSystemAtLeastVersion({10, 15, 0}))
            NSWorkspace::sharedWorkspace().openURL(*page, configuration, nullptr);
        else
            NSWorkspace::sharedWorkspace().openURL(*page);
#endif
    } else if (answer == NSAlert::NSAlertSecondButtonReturn) {
        PlistArray list = skipped ? std::move(*skipped) : PlistArray{};
        list.push_back(PlistValue(serverBuild));
        NSUserDefaults::standardUserDefaults().setObject(PlistValue(std::move(list)),
                                                         kSkippedVersionsKey);
    }
}
