#include "platform/NSURLSession.h"

#include "loopback_http_server.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

using namespace std::chrono_literals;
using zvtest::LoopbackHTTPServer;
using zvtest::TempFolder;

namespace {

// What a completion received, and whether it ran on the transfer thread.
struct Outcome {
    std::optional<std::string> data;
    long status = -1;
    std::optional<std::string> error;
    bool offTheCallingThread = false;
};

// Runs one task to its end (at most 10 s) and answers what its completion got.
std::optional<Outcome> fetch(const std::string &address, NSURLSessionConfiguration config = {}) {
    const auto url = NSURL::URLWithString(address);
    if (!url)
        return std::nullopt;
    std::mutex m;
    std::condition_variable cv;
    std::optional<Outcome> got;
    const auto caller = std::this_thread::get_id();
    auto task = NSURLSession::sessionWithConfiguration(config)->dataTaskWithURL(
        *url, [&](std::optional<std::string> data, long status, std::optional<std::string> error) {
            std::lock_guard lock(m);
            got = Outcome{std::move(data), status, std::move(error),
                          std::this_thread::get_id() != caller};
            cv.notify_all();
        });
    task->resume();
    std::unique_lock lock(m);
    cv.wait_for(lock, 10s, [&] { return got.has_value(); });
    return got;
}
} // namespace

TEST(NSURL, OnlyWellFormedHttpHttpsAndFileURLs) {
    const struct {
        const char *text;
        bool valid;
    } cases[] = {
        {"https://updates.zelvar.invalid/feed/zelvar", true},
        {"http://127.0.0.1:8080/feed?x=1", true},
        {"HTTPS://Example.invalid/", true},
        {"file:///tmp/feed.plist", true},
        {"ftp://example.invalid/feed", false},
        {"javascript:alert(1)", false},
        {"http://", false},
        {"http:///path", false},
        {"https://exa mple.invalid/", false},
        {"https://example.invalid/\n", false},
        {"example.invalid/feed", false},
        {"", false},
        {"not a url", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(NSURL::URLWithString(c.text).has_value(), c.valid);
    }
    EXPECT_TRUE(NSURL::URLWithString("HTTPS://Example.invalid/")->isWebURL());
    EXPECT_TRUE(NSURL::URLWithString("file:///tmp/x")->isFileURL());
}

// A data task hands over the body with the status, or no body with what went wrong; always on
// the transfer thread.
TEST(NSURLSession, DataTasksAnswerDataStatusOrError) {
    NSURLSessionConfiguration small;
    small.maximumResponseSize = 10;
    {
        LoopbackHTTPServer server({200, {}, "feed body"});
        auto got = fetch(server.url(), small); // 9 bytes: within the bound
        ASSERT_TRUE(got);
        EXPECT_EQ(got->data, "feed body");
        EXPECT_EQ(got->status, 200);
        EXPECT_FALSE(got->error);
        EXPECT_TRUE(got->offTheCallingThread);
        EXPECT_EQ(server.requestPaths(), std::vector<std::string>{"/feed"});
    }
    {
        LoopbackHTTPServer server({404, {}, "<html>not here</html>"});
        auto got = fetch(server.url());
        ASSERT_TRUE(got);
        EXPECT_EQ(got->status, 404); // the body of an error page still arrives; the caller decides
        EXPECT_EQ(got->data, "<html>not here</html>");
    }
    {
        LoopbackHTTPServer server({200, {}, "eleven byte"});
        auto got = fetch(server.url(), small);
        ASSERT_TRUE(got);
        EXPECT_FALSE(got->data);
        EXPECT_EQ(got->error, "the answer is larger than 10 bytes");
    }
    {
        LoopbackHTTPServer server({200, {}, "a body cut short", false, 4});
        auto got = fetch(server.url());
        ASSERT_TRUE(got);
        EXPECT_FALSE(got->data);
        EXPECT_TRUE(got->error);
    }
    {
        std::string refused;
        {
            LoopbackHTTPServer gone({});
            refused = gone.url();
        }
        auto got = fetch(refused);
        ASSERT_TRUE(got);
        EXPECT_FALSE(got->data);
        EXPECT_TRUE(got->error);
    }
    {
        // A redirect may lead to another web address, never into a local file.
        LoopbackHTTPServer server({302, {{"Location", "file:///etc/hostname"}}, ""});
        auto got = fetch(server.url());
        ASSERT_TRUE(got);
        EXPECT_FALSE(got->data);
        EXPECT_TRUE(got->error);
    }
}

TEST(NSURLSession, FileURLsGoThroughTheSameRoad) {
    TempFolder dir;
    const auto file = dir.path() / "feed.plist";
    std::ofstream(file) << "0123456789";
    auto got = fetch("file://" + file.string());
    ASSERT_TRUE(got);
    EXPECT_EQ(got->data, "0123456789");
    EXPECT_EQ(got->status, 0);
    NSURLSessionConfiguration small;
    small.maximumResponseSize = 9;
    got = fetch("file://" + file.string(), small);
    ASSERT_TRUE(got);
    EXPECT_FALSE(got->data);
    got = fetch("file://" + (dir.path() / "missing.plist").string());
    ASSERT_TRUE(got);
    EXPECT_FALSE(got->data);
    EXPECT_TRUE(got->error);
}

// An answer that makes no progress for the request's timeout counts as failed.
TEST(NSURLSession, AStalledAnswerFails) {
    LoopbackHTTPServer server({200, {}, "late", true});
    NSURLSessionConfiguration quick;
    quick.timeoutIntervalForRequest = 200ms;
    auto got = fetch(server.url(), quick);
    server.release();
    ASSERT_TRUE(got);
    EXPECT_FALSE(got->data);
    EXPECT_EQ(got->error, "no progress for 200 ms");
    EXPECT_EQ(NSURLSessionConfiguration::defaultSessionConfiguration().timeoutIntervalForRequest,
              60s);
}

// An answer that keeps making progress, but too slowly, fails once the whole transfer has taken
// the resource timeout, though no single wait reached the request's timeout.
TEST(NSURLSession, ATransferThatTakesTooLongFails) {
    LoopbackHTTPServer::Answer slow{200, {}, std::string(100, 'x')};
    slow.trickle = 50ms; // five seconds for the whole body
    LoopbackHTTPServer server(slow);
    NSURLSessionConfiguration bounded;
    bounded.timeoutIntervalForRequest = 2s;
    bounded.timeoutIntervalForResource = 300ms;
    auto got = fetch(server.url(), bounded);
    ASSERT_TRUE(got);
    EXPECT_FALSE(got->data);
    EXPECT_EQ(got->error, "the transfer took longer than 300 ms");
    EXPECT_EQ(NSURLSessionConfiguration::defaultSessionConfiguration().timeoutIntervalForResource,
              std::chrono::hours(24 * 7));
}

// Cancelling never waits for the network, and no completion runs afterwards.
TEST(NSURLSession, CancelEndsTheTransferWithoutWaitingOrCalling) {
    LoopbackHTTPServer server({200, {}, "never read", true});
    std::atomic<bool> called = false;
    auto task = NSURLSession::sessionWithConfiguration({})->dataTaskWithURL(
        *NSURL::URLWithString(server.url()),
        [&](std::optional<std::string>, long, std::optional<std::string>) { called = true; });
    task->resume();
    ASSERT_TRUE(server.waitForRequests(1));
    task->cancel();
    task.reset(); // joins the transfer thread while the server still holds its answer
    server.release();
    EXPECT_FALSE(called);
}
