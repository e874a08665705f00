#include "ZVprogress.h"

#include <unistd.h>

namespace {

std::string seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, s < 10 ? "%.1f s" : "%.0f s", s);
    return text;
}

} // namespace

std::string ZVsecondsText(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", ms / 1000);
    return text;
}

ZVprogress::ZVprogress(std::FILE *out) : ZVprogress(out, out && ::isatty(::fileno(out))) {}

ZVprogress::ZVprogress(std::FILE *out, bool live) : out_(out), live_(live) {
    thread_ = std::thread([this] { run(); });
}

ZVprogress::~ZVprogress() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        clearLiveLocked();
    }
    wake_.notify_all();
    thread_.join();
}

void ZVprogress::clearLiveLocked() {
    if (!liveShown_)
        return;
    std::fputs("\r\033[K", out_);
    liveShown_ = false;
}

std::string ZVprogress::stepTextLocked() const {
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began_).count();
    std::string text = what_;
    if (detail_)
        if (const std::string d = detail_(); !d.empty())
            text += ": " + d;
    return text + " (" + seconds(s) + ")";
}

void ZVprogress::line(const std::string &text) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!out_)
        return;
    clearLiveLocked();
    std::fprintf(out_, "%s\n", text.c_str());
    std::fflush(out_);
}

std::unique_ptr<ZVprogress::Step> ZVprogress::step(std::string what,
                                                   std::function<std::string()> detail) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        inStep_ = true;
        what_ = std::move(what);
        detail_ = std::move(detail);
        began_ = lastQuiet_ = std::chrono::steady_clock::now();
    }
    wake_.notify_all();
    return std::unique_ptr<Step>(new Step(*this));
}

ZVprogress::Step::~Step() {
    const std::lock_guard<std::mutex> lock(progress_.mutex_);
    progress_.inStep_ = false;
    progress_.detail_ = nullptr; // what it reads may go with the step
    progress_.clearLiveLocked();
    if (progress_.out_)
        std::fflush(progress_.out_);
}

double ZVprogress::Step::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - progress_.began_)
        .count();
}

void ZVprogress::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, kLiveEvery);
        if (stopping_ || !inStep_ || !out_)
            continue;
        const auto now = std::chrono::steady_clock::now();
        if (live_) {
            std::fprintf(out_, "\r\033[K%s", stepTextLocked().c_str());
            liveShown_ = true;
            std::fflush(out_);
        } else if (now - lastQuiet_ >= kQuietEvery) {
            lastQuiet_ = now;
            std::fprintf(out_, "%s\n", stepTextLocked().c_str());
            std::fflush(out_);
        }
    }
}
