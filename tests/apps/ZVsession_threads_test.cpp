// The session with its masters started on worker threads (run under ThreadSanitizer too): the
// current master is refreshed and written on the main thread while the others still start, and a
// close during the start-up leaves no later step touching the font.
#include "session_fixture.h"

#include <condition_variable>
#include <mutex>

using namespace zvsessiontest;
using namespace zvbridgetest;
using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

// Holds workers until it is opened.
class Gate {
  public:
    void open() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        cv_.notify_all();
    }
    /// Waits until open (at most a minute, so that a failing test ends).
    void pass() {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_for(lock, std::chrono::minutes(1), [this] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;
};

// The set-up demo font (stored road), Bold in front: the current master is shown as soon as it
// has started. (Regular has no models: it stays as it is.)
GSDocument &setUpDocument(GSFontBuilder &b, const char *name) {
    setUpDemoFont(b);
    return b.open(name).master(2).textTool().tab("TonoVo");
}

} // namespace

TEST(SessionThreads, TheCurrentMasterIsShownWhileTheOthersStart) {
    ClosesDocuments closing;
    BundleWithoutFeed bundle;
    GSFontBuilder b;
    GSDocument &doc = setUpDocument(b, "Threads");
    GSFont &font = *doc.font();
    Gate others;
    ZVsessionOptions options;
    options.beforeMasterWork = [&](const std::string &id) {
        if (id != "m2")
            others.pass(); // the other masters start once the current one has been written
    };
    ZVsession session(doc, options);
    int writesWhileOthersStart = 0;
    font.addObserver("kerning", [&] {
        if (session.bridge()->isStartingUp("m0") && session.bridge()->isStartingUp("m1"))
            ++writesWhileOthersStart;
        others.open();
    });
    ASSERT_EQ(session.activate(), std::nullopt);
    ASSERT_TRUE(session.waitForStartUp(std::chrono::minutes(5)));
    EXPECT_GT(writesWhileOthersStart, 0);
    EXPECT_EQ(session.startingAtFirstRefresh(), (std::vector<std::string>{"Light", "Regular"}));
    EXPECT_FALSE(session.bridge()->anyMasterStartingUp());
    EXPECT_FALSE(hostKerning(font, "m2").empty());
    session.kernEveryMaster();
    for (const char *m : {"m0", "m2"})
        EXPECT_NE(font.fontMasterForId(m)->userDataForKey("ZelvarModels"), nullptr) << m;
    NSRunLoop::mainRunLoop().drain();
}

TEST(SessionThreads, ACloseDuringTheStartUpLeavesTheFontAlone) {
    ClosesDocuments closing;
    BundleWithoutFeed bundle;
    for (const bool documentCloses : {false, true}) {
        SCOPED_TRACE(documentCloses ? "the document closes too" : "the window closes");
        GSFontBuilder b;
        GSDocument &doc = setUpDocument(b, documentCloses ? "Closing" : "Staying");
        Gate others;
        ZVsessionOptions options;
        options.beforeMasterWork = [&](const std::string &id) {
            if (id != "m2")
                others.pass();
        };
        auto session = std::make_unique<ZVsession>(doc, options);
        ASSERT_EQ(session->activate(), std::nullopt);
        // Until the current master has been shown; the others are held.
        ASSERT_TRUE(NSRunLoop::mainRunLoop().runUntil(
            [&] { return session->startingAtFirstRefresh().has_value(); }, std::chrono::minutes(5)));
        const std::shared_ptr<ZVDataToGlyphs> bridge = session->bridge();
        others.open();
        session->close(); // waits for the masters running; their last steps are still queued
        EXPECT_EQ(bridge->gsfont(), nullptr);
        EXPECT_EQ(ZVDataFromGlyphs::bridgeForFont(doc.font()), nullptr);
        const ZVstoredState atClose = storedState(*doc.font());
        if (documentCloses)
            GSApplication::sharedApplication().closeDocument(&doc); // the font is gone
        NSRunLoop::mainRunLoop().drain();
        session.reset();
        if (!documentCloses) {
            EXPECT_EQ(storedStateDifferences(atClose, storedState(*doc.font())),
                      std::vector<std::string>{});
        }
    }
}
