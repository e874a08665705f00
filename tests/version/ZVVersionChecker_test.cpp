#include "version/ZVVersionChecker.h"

#include "platform/NSAlert.h"
#include "platform/NSBundle.h"
#include "platform/NSProcessInfo.h"
#include "platform/NSPropertyListSerialization.h"
#include "platform/NSRunLoop.h"
#include "platform/NSUserDefaults.h"
#include "platform/NSWorkspace.h"

#include "loopback_http_server.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using zvtest::LoopbackHTTPServer;

namespace {

// The version-3 build asks for the feed address with "g3" appended.
#if ZV_HOST_VERSION >= 3
const std::string kSuffix = "g3";
#else
const std::string kSuffix = "";
#endif

const char *const kMessage = "A new version of Zelvar is available!";

PlistDictionary dict(std::initializer_list<std::pair<const char *, PlistValue>> entries) {
    PlistDictionary d;
    for (const auto &[k, v] : entries)
        d.setObject(v, k);
    return d;
}

std::string plistText(const PlistValue &v) {
    return NSPropertyListSerialization::dataWithPropertyList(v);
}

// A feed that announces `build` (with display version `display`, a product page on the web).
std::string feed(const std::string &build, const std::string &display = "1.1") {
    return plistText(
        PlistValue(dict({{"ZelvarVersion", PlistValue(build)},
                         {"CFBundleShortVersionString", PlistValue(display)},
                         {"productPageURL", PlistValue("https://zelvar.invalid/download")}})));
}

// `text` padded with blanks to `size` bytes.
std::string padded(std::string text, std::size_t size) {
    text.resize(size, ' ');
    return text;
}

class VersionCheckerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char *xdg = std::getenv("XDG_CONFIG_HOME"))
            savedXDG = xdg;
        ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        NSUserDefaults::resetStandardUserDefaults();
        ZVVersionChecker::resetSharedInstance();
        NSAlertScript::reset();
        NSWorkspace::sharedWorkspace().clearRequests();
        NSProcessInfo::processInfo().setOperatingSystemVersion({14, 0, 0});
        NSRunLoop::mainRunLoop().drain();
    }

    void TearDown() override {
        ZVVersionChecker::resetSharedInstance();
        NSRunLoop::mainRunLoop().drain();
        EXPECT_EQ(NSAlertScript::unusedAnswers(), 0u) << "an expected alert was not shown";
        NSAlertScript::reset();
        NSBundle::registerBundleForClass("ZelvarPlugin", nullptr);
        NSUserDefaults::resetStandardUserDefaults();
        if (savedXDG)
            ::setenv("XDG_CONFIG_HOME", savedXDG->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
    }

    // Makes the plug-in bundle (version 1.0, build 100 unless `info` says otherwise) and registers
    // it as the one holding ZelvarPlugin.
    void installBundle(PlistDictionary info) {
        const fs::path bundle = dir / "Zelvar.bundle";
        fs::create_directories(bundle / "Contents" / "Resources");
        fs::copy_file(ZV_LOGO_PATH, bundle / "Contents" / "Resources" / "ZV-logo.png",
                      fs::copy_options::overwrite_existing);
        std::ofstream(bundle / "Contents" / "Info.plist") << plistText(PlistValue(info));
        NSBundle::registerBundleForClass("ZelvarPlugin", NSBundle::bundleWithPath(bundle.string()));
    }
    void installBundleWithFeed(const std::string &feedURL) {
        installBundle(dict({{"CFBundleVersion", PlistValue("100")},
                            {"CFBundleShortVersionString", PlistValue("1.0")},
                            {"UpdateFeedURL", PlistValue(feedURL)}}));
    }
    // A feed file; answers the address to put in the bundle (without the generation's suffix).
    std::string writeFeedFile(const std::string &body) {
        std::ofstream(dir / ("feed" + kSuffix), std::ios::binary) << body;
        return "file://" + (dir / "feed").string();
    }

    // Waits for the check to end without running the main queue, so that an alert stays queued.
    static void waitForTheCheck(const ZVVersionChecker &checker) {
        for (int i = 0; i < 10000 && !checker.checkHasEnded(); ++i)
            std::this_thread::sleep_for(1ms);
        ASSERT_TRUE(checker.checkHasEnded());
    }
    // Starts the check and lets it end, then runs the main queue (where its alert shows).
    void checkAndDrain() {
        auto checker = ZVVersionChecker::zv();
        checker->loadAndCheck();
        waitForTheCheck(*checker);
        NSRunLoop::mainRunLoop().drain();
    }

    // A new process with the same defaults folder: a fresh checker and fresh defaults.
    void newProcess() {
        ZVVersionChecker::resetSharedInstance();
        NSUserDefaults::resetStandardUserDefaults();
        NSAlertScript::reset();
        NSWorkspace::sharedWorkspace().clearRequests();
    }

    std::vector<std::string> skipList() {
        std::vector<std::string> out;
        if (auto list = NSUserDefaults::standardUserDefaults().arrayForKey("ZelvarskippedVersions"))
            for (const PlistValue &v : *list)
                out.push_back(v.asString() ? *v.asString() : "(not a string)");
        return out;
    }

    zvtest::TempFolder folder;
    const fs::path dir = folder.path();
    std::optional<std::string> savedXDG;
};

} // namespace

// The local bundle is build "100", version "1.0"; each feed gives the state after the check.
TEST_F(VersionCheckerTest, FeedsGiveTheStateTheAlertAndTheSkipList) {
    enum Road { File, Web, Web404, Refused };
    const std::string big = padded(feed("101"), ZVVersionChecker::kMaximumFeedSize);
    const struct Case {
        const char *name;
        Road road;
        std::string body;
        std::vector<std::string> skipped;
        bool outdated;
        std::optional<std::string> onServer;
        bool alert;
    } cases[] = {
        {"older build on the server", File, feed("99", "0.99"), {}, false, "0.99", false},
        {"same build", File, feed("100", "1.0"), {}, false, "1.0", false},
        {"newer build", File, feed("101"), {}, true, "1.1", true},
        {"newer build over http", Web, feed("101"), {}, true, "1.1", true},
        {"newer build, skipped", File, feed("101"), {"99", "101"}, true, "1.1", false},
        {"skip list compares text exactly", File, feed("101"), {"0101"}, true, "1.1", true},
        {"build with blanks, sign and tail", File, feed(" +101beta"), {}, true, "1.1", true},
        {"build beyond 64 bits", File, feed("99999999999999999999999"), {}, true, "1.1", true},
        {"no ZelvarVersion",
         File,
         plistText(PlistValue(dict({{"CFBundleShortVersionString", PlistValue("2.0")}}))),
         {},
         false,
         "2.0",
         false},
        {"build of the wrong type",
         File,
         plistText(PlistValue(dict({{"ZelvarVersion", PlistValue(101)},
                                    {"CFBundleShortVersionString", PlistValue("1.1")}}))),
         {},
         false,
         std::nullopt,
         false},
        {"page of the wrong type",
         File,
         plistText(PlistValue(
             dict({{"ZelvarVersion", PlistValue("101")}, {"productPageURL", PlistValue(true)}}))),
         {},
         false,
         std::nullopt,
         false},
        {"an array",
         File,
         plistText(PlistValue(PlistArray{PlistValue("101")})),
         {},
         false,
         std::nullopt,
         false},
        {"not a plist", File, "ZelvarVersion = 101", {}, false, std::nullopt, false},
        {"a plist under a 404", Web404, feed("101"), {}, false, std::nullopt, false},
        {"a refused connection", Refused, "", {}, false, std::nullopt, false},
        {"a body of 1 MiB", Web, big, {}, true, "1.1", true},
        {"a body over 1 MiB", Web, big + " ", {}, false, std::nullopt, false},
        {"a file over 1 MiB", File, big + " ", {}, false, std::nullopt, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "config"); // each case starts without stored defaults
        newProcess();
        if (!c.skipped.empty()) {
            PlistArray list;
            for (const std::string &s : c.skipped)
                list.push_back(PlistValue(s));
            NSUserDefaults::standardUserDefaults().setObject(PlistValue(list),
                                                             "ZelvarskippedVersions");
        }
        std::optional<LoopbackHTTPServer> server;
        std::string address;
        if (c.road == File) {
            address = writeFeedFile(c.body);
        } else {
            server.emplace(LoopbackHTTPServer::Answer{c.road == Web404 ? 404 : 200, {}, c.body});
            address = server->url("/feed");
            if (c.road == Refused)
                server.reset(); // nobody listens there any more
        }
        installBundleWithFeed(address);
        if (c.alert)
            NSAlertScript::expect(kMessage, "Remind me later");
        checkAndDrain();
        auto checker = ZVVersionChecker::zv();
        EXPECT_EQ(checker->isOutdated(), c.outdated);
        EXPECT_EQ(checker->displayVersionOnServer(), c.onServer);
        EXPECT_EQ(NSAlertScript::log().size(), c.alert ? 1u : 0u);
        EXPECT_EQ(skipList(), c.skipped); // "Remind me later" changes nothing
        EXPECT_EQ(checker->displayVersionCurrent(), "1.0");
        EXPECT_EQ(NSAlertScript::unusedAnswers(), 0u);
    }
}

// The three buttons: open the page (with activates), append the build to the skip list, nothing.
TEST_F(VersionCheckerTest, TheAlertsButtons) {
    const std::string page = "https://zelvar.invalid/download";
    installBundleWithFeed(writeFeedFile(feed("101")));

    NSAlertScript::expect(kMessage, "Go to download page");
    checkAndDrain();
    EXPECT_EQ(NSWorkspace::sharedWorkspace().requests(),
              (std::vector<NSWorkspace::Request>{{page, true}}));
    EXPECT_TRUE(skipList().empty());

    // Two processes each skip a build: both stay, in order.
    newProcess();
    NSAlertScript::expect(kMessage, "Skip this version");
    checkAndDrain();
    EXPECT_EQ(skipList(), std::vector<std::string>{"101"});
    newProcess();
    writeFeedFile(feed("102"));
    NSAlertScript::expect(kMessage, "Skip this version");
    checkAndDrain();
    EXPECT_EQ(skipList(), (std::vector<std::string>{"101", "102"}));
    EXPECT_TRUE(NSWorkspace::sharedWorkspace().requests().empty());

    newProcess();
    writeFeedFile(feed("103"));
    NSAlertScript::expect(kMessage, "Remind me later");
    checkAndDrain();
    EXPECT_EQ(skipList(), (std::vector<std::string>{"101", "102"}));
    EXPECT_TRUE(NSWorkspace::sharedWorkspace().requests().empty());
}

// Before 10.15 the version-2 build opens the page plainly; the version-3 build always passes the
// configuration that activates the browser.
TEST_F(VersionCheckerTest, ThePageOpensAsTheSystemAllows) {
    NSProcessInfo::processInfo().setOperatingSystemVersion({10, 14, 6});
    installBundleWithFeed(writeFeedFile(feed("101")));
    NSAlertScript::expect(kMessage, "Go to download page");
    checkAndDrain();
    const std::optional<bool> activates =
        ZV_HOST_VERSION >= 3 ? std::optional<bool>(true) : std::nullopt;
    EXPECT_EQ(NSWorkspace::sharedWorkspace().requests(),
              (std::vector<NSWorkspace::Request>{{"https://zelvar.invalid/download", activates}}));
}

TEST_F(VersionCheckerTest, OnlyAWebPageIsOpened) {
    for (const char *pageURL : {"file:///etc/passwd", "javascript:alert(1)", "not a url"}) {
        SCOPED_TRACE(pageURL);
        newProcess();
        installBundleWithFeed(writeFeedFile(plistText(PlistValue(dict(
            {{"ZelvarVersion", PlistValue("101")}, {"productPageURL", PlistValue(pageURL)}})))));
        NSAlertScript::expect(kMessage, "Go to download page");
        checkAndDrain();
        EXPECT_TRUE(NSWorkspace::sharedWorkspace().requests().empty());
    }
    // Without a display version on the server the alert names the build.
    EXPECT_EQ(NSAlertScript::log().at(0).informative.substr(0, 12), "Version 101 ");
}

// The check runs on the transfer thread: loadAndCheck returns while the server still holds its
// answer; the version-3 build asks with "g3"; a second call sends nothing, even after a failure.
TEST_F(VersionCheckerTest, CheckRunsInTheBackgroundOncePerProcess) {
    LoopbackHTTPServer server({404, {}, feed("101"), true});
    installBundleWithFeed(server.url("/feed"));
    auto checker = ZVVersionChecker::zv();
    checker->loadAndCheck();
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_FALSE(checker->checkHasEnded());
    EXPECT_FALSE(checker->displayVersionOnServer());
    EXPECT_EQ(checker->displayVersionCurrent(), "1.0"); // read before the request went out
    ASSERT_NE(checker->pluginLogo(), nullptr);
    EXPECT_EQ(checker->pluginLogo()->name(), "ZV-logo");
    server.release();
    ASSERT_TRUE(NSRunLoop::mainRunLoop().runUntil([&] { return checker->checkHasEnded(); }, 10s));
    EXPECT_EQ(server.requestPaths(), std::vector<std::string>{"/feed" + kSuffix});

    checker->loadAndCheck(); // the first check failed (404); still no second request
    EXPECT_FALSE(server.waitForRequests(2, 300ms));
    EXPECT_FALSE(checker->isOutdated());
}

// A bundle without a display version does not check again at every opening of the window.
TEST_F(VersionCheckerTest, ABundleWithoutDisplayVersionChecksOnce) {
    LoopbackHTTPServer server({200, {}, feed("99")});
    installBundle(dict({{"CFBundleVersion", PlistValue("100")},
                        {"UpdateFeedURL", PlistValue(server.url("/feed"))}}));
    checkAndDrain();
    auto checker = ZVVersionChecker::zv();
    EXPECT_FALSE(checker->displayVersionCurrent());
    checker->loadAndCheck();
    EXPECT_FALSE(server.waitForRequests(2, 300ms));
    EXPECT_EQ(server.requestPaths().size(), 1u);
}

// No address, or one that is no http, https or file URL: nothing is sent, the feed stays unread.
TEST_F(VersionCheckerTest, AMissingOrMalformedAddressSendsNothing) {
    LoopbackHTTPServer server({200, {}, feed("101")});
    const std::string hostAndPort = "127.0.0.1:" + std::to_string(server.port());
    const std::optional<PlistValue> addresses[] = {
        std::nullopt,
        PlistValue("not a url"),
        PlistValue("ftp://" + hostAndPort + "/feed"),
        PlistValue("http://"),
        PlistValue("http:///feed"),
        PlistValue("http://" + hostAndPort + "/fe ed"),
        PlistValue(42),
    };
    for (const auto &address : addresses) {
        SCOPED_TRACE(address && address->asString() ? *address->asString()
                                                    : "(none or not a string)");
        newProcess();
        PlistDictionary info = dict({{"CFBundleVersion", PlistValue("100")},
                                     {"CFBundleShortVersionString", PlistValue("1.0")}});
        if (address)
            info.setObject(*address, "UpdateFeedURL");
        installBundle(info);
        auto checker = ZVVersionChecker::zv();
        checker->loadAndCheck();
        EXPECT_TRUE(checker->checkHasEnded()); // at once: nothing was sent
        EXPECT_EQ(checker->displayVersionCurrent(), "1.0");
        EXPECT_FALSE(checker->displayVersionOnServer());
        EXPECT_FALSE(checker->isOutdated());
    }
    EXPECT_FALSE(server.waitForRequests(1, 300ms));
}

// A checker that goes (a test's reset, the process's end) cancels its transfer without waiting
// for the server, and nothing of it runs afterwards.
TEST_F(VersionCheckerTest, AGoingCheckerCancelsItsTransfer) {
    LoopbackHTTPServer server({200, {}, feed("101"), true});
    installBundleWithFeed(server.url("/feed"));
    std::weak_ptr<ZVVersionChecker> weak = ZVVersionChecker::zv();
    weak.lock()->loadAndCheck();
    ASSERT_TRUE(server.waitForRequests(1));
    ZVVersionChecker::resetSharedInstance(); // returns while the server still holds the answer
    EXPECT_TRUE(weak.expired());
    server.release();
    NSRunLoop::mainRunLoop().drain();
    EXPECT_TRUE(NSAlertScript::log().empty());
    EXPECT_TRUE(skipList().empty());
}

// An alert queued by a checker that has gone before the main queue reached it is not shown.
TEST_F(VersionCheckerTest, AnAlertOfAGoneCheckerIsNotShown) {
    installBundleWithFeed(writeFeedFile(feed("101")));
    auto checker = ZVVersionChecker::zv();
    checker->loadAndCheck();
    waitForTheCheck(*checker);
    EXPECT_EQ(NSRunLoop::mainRunLoop().pendingCount(), 1u);
    checker.reset();
    ZVVersionChecker::resetSharedInstance();
    NSRunLoop::mainRunLoop().drain();
    EXPECT_TRUE(NSAlertScript::log().empty());
}

// The shared checker is made once, whichever thread asks first.
TEST_F(VersionCheckerTest, TheSharedCheckerIsMadeOnce) {
    std::vector<std::shared_ptr<ZVVersionChecker>> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = ZVVersionChecker::zv(); });
    for (auto &t : threads)
        t.join();
    for (const auto &checker : seen)
        EXPECT_EQ(checker, ZVVersionChecker::zv());
}

// Run under ThreadSanitizer: the main thread reads the properties while the handler writes them.
TEST_F(VersionCheckerTest, PropertiesAreReadWhileTheHandlerWritesThem) {
    LoopbackHTTPServer server({200, {}, feed("101")});
    installBundleWithFeed(server.url("/feed"));
    NSAlertScript::expect(kMessage, "Remind me later");
    auto checker = ZVVersionChecker::zv();
    checker->loadAndCheck();
    int reads = 0;
    while (!checker->checkHasEnded()) {
        (void)checker->displayVersionOnServer();
        (void)checker->isOutdated();
        (void)checker->displayVersionCurrent();
        (void)checker->pluginLogo();
        ++reads;
        std::this_thread::yield();
    }
    NSRunLoop::mainRunLoop().drain();
    EXPECT_GT(reads, 0);
    EXPECT_TRUE(checker->isOutdated());
    EXPECT_EQ(checker->displayVersionOnServer(), "1.1");
}

// The whole road: the feed announces a newer build; once the main queue drains the alert shows,
// word for word; "Skip this version" stores the build, and the next process shows nothing for it.
TEST_F(VersionCheckerTest, ScenarioSkipAnAnnouncedBuild) {
    LoopbackHTTPServer server({200, {{"Content-Type", "application/xml"}}, feed("120", "1.2")});
    installBundleWithFeed(server.url("/zelvar/feed"));
    NSAlertScript::expect(kMessage, "Skip this version");
    auto checker = ZVVersionChecker::zv();
    checker->loadAndCheck();
    waitForTheCheck(*checker);
    EXPECT_TRUE(NSAlertScript::log().empty()); // queued, not shown yet
    NSRunLoop::mainRunLoop().drain();
    const std::vector<NSAlertScript::Record> shown = {{
        kMessage,
        "Version 1.2 of Zelvar is now available for download.\nYou have version 1.0.\n"
        "Would you like to download the update now?",
        "ZV-logo",
        {"Go to download page", "Skip this version", "Remind me later"},
        "Skip this version",
    }};
    EXPECT_EQ(NSAlertScript::log(), shown);
    EXPECT_EQ(skipList(), std::vector<std::string>{"120"});
    EXPECT_TRUE(NSWorkspace::sharedWorkspace().requests().empty());

    newProcess(); // no alert is scripted: one would fail the test
    checkAndDrain();
    EXPECT_TRUE(ZVVersionChecker::zv()->isOutdated());
    EXPECT_TRUE(NSAlertScript::log().empty());
    EXPECT_EQ(server.requestPaths(), std::vector<std::string>(2, "/zelvar/feed" + kSuffix));
}
