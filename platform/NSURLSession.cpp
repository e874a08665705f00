#include "platform/NSURLSession.h"

#include "platform/URLLoading.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

void zv_url_loading::initialise() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Shared by the task object and its transfer thread, so that the thread never touches the task
// itself (the task may go while its completion runs).
struct NSURLSessionDataTask::State {
    std::string url;
    NSURLSessionConfiguration configuration;
    NSURLSessionDataTaskCompletion completion;

    std::mutex mutex;               // guards the three below
    bool cancelled = false;         //
    CURLM *multi = nullptr;         // the running transfer, to wake it on cancel
    std::thread::id transferThread; //
    std::mutex completionMutex;     // held while the completion runs

    // What arrives, on the transfer thread only.
    std::string body;
    std::size_t received = 0; // header and body bytes, to see progress
    bool tooLarge = false;

    void transfer();
};

namespace {

std::size_t onBody(char *data, std::size_t size, std::size_t n, void *user) {
    auto *s = static_cast<NSURLSessionDataTask::State *>(user);
    const std::size_t bytes = size * n;
    s->received += bytes;
    const std::size_t limit = s->configuration.maximumResponseSize;
    if (limit != 0 && s->body.size() + bytes > limit) {
        s->tooLarge = true;
        return 0; // stops the transfer
    }
    s->body.append(data, bytes);
    return bytes;
}

std::size_t onHeader(char *, std::size_t size, std::size_t n, void *user) {
    static_cast<NSURLSessionDataTask::State *>(user)->received += size * n;
    return size * n;
}

} // namespace

void NSURLSessionDataTask::State::transfer() {
    using clock = std::chrono::steady_clock;
    CURLM *m = curl_multi_init();
    CURL *easy = curl_easy_init();
    {
        std::lock_guard lock(mutex);
        multi = m;
    }
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A cancelled transfer must not wait for a name lookup still running to end.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,file");
    // Redirects are followed as a browser would, but never into a file.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Zelvar");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_multi_add_handle(m, easy);

    CURLcode result = CURLE_OK;
    bool stalled = false, tooLong = false, cancelledNow = false;
    std::size_t seen = 0;
    const auto started = clock::now();
    auto lastProgress = started;
    for (int running = 1;;) {
        curl_multi_perform(m, &running);
        int left = 0;
        while (CURLMsg *msg = curl_multi_info_read(m, &left))
            if (msg->msg == CURLMSG_DONE)
                result = msg->data.result;
        {
            std::lock_guard lock(mutex);
            cancelledNow = cancelled;
        }
        if (cancelledNow || !running)
            break;
        const auto now = clock::now();
        if (received != seen) {
            seen = received;
            lastProgress = now;
        }
        const auto idle = now - lastProgress, taken = now - started;
        if (idle >= configuration.timeoutIntervalForRequest) {
            stalled = true;
            break;
        }
        // A server that sends a byte now and then must not keep the transfer alive for ever.
        if (taken >= configuration.timeoutIntervalForResource) {
            tooLong = true;
            break;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::min(configuration.timeoutIntervalForRequest - idle,
                     configuration.timeoutIntervalForResource - taken));
        curl_multi_poll(m, nullptr, 0,
                        static_cast<int>(std::min<long long>(wait.count() + 1, 1000)), nullptr);
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    {
        std::lock_guard lock(mutex);
        multi = nullptr;
    }
    curl_multi_remove_handle(m, easy);
    curl_easy_cleanup(easy);
    curl_multi_cleanup(m);

    std::optional<std::string> data, error;
    if (tooLarge)
        error = "the answer is larger than " + std::to_string(configuration.maximumResponseSize) +
                " bytes";
    else if (stalled)
        error = "no progress for " +
                std::to_string(configuration.timeoutIntervalForRequest.count()) + " ms";
    else if (tooLong)
        error = "the transfer took longer than " +
                std::to_string(configuration.timeoutIntervalForResource.count()) + " ms";
    else if (result != CURLE_OK)
        error = curl_easy_strerror(result);
    else
        data = std::move(body);

    std::lock_guard running(completionMutex);
    {
        std::lock_guard lock(mutex);
        if (cancelled)
            return;
    }
    if (completion)
        completion(std::move(data), status, std::move(error));
    completion = nullptr; // what it captured goes now, on this thread
}

void NSURLSessionDataTask::resume() {
    std::lock_guard lock(state_->mutex);
    if (thread_.joinable() || state_->cancelled)
        return;
    thread_ = std::thread([state = state_] { state->transfer(); });
    state_->transferThread = thread_.get_id();
}

void NSURLSessionDataTask::cancel() {
    bool fromTransfer;
    {
        std::lock_guard lock(state_->mutex);
        state_->cancelled = true;
        if (state_->multi)
            curl_multi_wakeup(state_->multi);
        fromTransfer = std::this_thread::get_id() == state_->transferThread;
    }
    // A completion already running ends before cancel returns (unless it is the caller).
    if (!fromTransfer)
        std::lock_guard wait(state_->completionMutex);
}

NSURLSessionDataTask::~NSURLSessionDataTask() {
    cancel();
    if (!thread_.joinable())
        return;
    if (std::this_thread::get_id() == thread_.get_id())
        thread_.detach(); // the completion dropped the task; the thread ends on its own
    else
        thread_.join();
}

std::shared_ptr<NSURLSession>
NSURLSession::sessionWithConfiguration(const NSURLSessionConfiguration &configuration) {
    zv_url_loading::initialise();
    return std::make_shared<NSURLSession>(configuration);
}

std::shared_ptr<NSURLSessionDataTask>
NSURLSession::dataTaskWithURL(const NSURL &url, NSURLSessionDataTaskCompletion completion) {
    auto state = std::make_shared<NSURLSessionDataTask::State>();
    state->url = url.absoluteString();
    state->configuration = configuration_;
    state->completion = std::move(completion);
    return std::make_shared<NSURLSessionDataTask>(std::move(state));
}
