// A tiny HTTP server on 127.0.0.1 for the URL-loading tests: it listens on a free port, answers
// every request with one canned answer, and can hold the answer back until the test releases it
// cut the body short, or send it slowly. It never reaches beyond loopback and stops when it goes.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zvtest {

class LoopbackHTTPServer {
  public:
    struct Answer {
        int status = 200;
        std::vector<std::pair<std::string, std::string>> headers;
        std::string body;
        bool hold = false;                        ///< wait for release() before answering
        std::size_t cutAfter = std::string::npos; ///< send this many body bytes, then close
        std::chrono::milliseconds trickle{0};     ///< send the body a byte at a time, this apart
    };

    explicit LoopbackHTTPServer(Answer answer) : answer_(std::move(answer)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0; // a free port
        socklen_t len = sizeof addr;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) ||
            ::listen(listener_, 8) ||
            ::getsockname(listener_, reinterpret_cast<sockaddr *>(&addr), &len))
            throw std::runtime_error("the loopback server cannot listen");
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { serve(); });
    }

    ~LoopbackHTTPServer() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            released_ = true;
        }
        changed_.notify_all();
        thread_.join();
        ::close(listener_);
    }

    /// An address on this server.
    std::string url(const std::string &path = "/feed") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int port() const { return port_; }

    /// Lets held answers go.
    void release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
    }
    /// Waits (at most `limit`) until `n` requests have arrived.
    bool waitForRequests(std::size_t n,
                         std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return paths_.size() >= n; });
    }
    /// The paths requested so far, in order.
    std::vector<std::string> requestPaths() const {
        std::lock_guard lock(mutex_);
        return paths_;
    }

  private:
    void serve() {
        while (!stopping()) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                continue;
            handle(client);
            ::close(client);
        }
    }

    bool stopping() {
        std::lock_guard lock(mutex_);
        return stopping_;
    }

    void handle(int client) {
        std::string request;
        char buf[4096];
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 &&
               std::chrono::steady_clock::now() < deadline && !stopping()) {
            pollfd p{client, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = ::recv(client, buf, sizeof buf, 0);
            if (n <= 0)
                return;
            request.append(buf, static_cast<std::size_t>(n));
        }
        const std::size_t start = request.find(' ');
        const std::size_t end = request.find(' ', start + 1);
        {
            std::unique_lock lock(mutex_);
            paths_.push_back(
                start == std::string::npos ? request : request.substr(start + 1, end - start - 1));
            changed_.notify_all();
            if (answer_.hold)
                changed_.wait(lock, [&] { return released_; });
            if (stopping_)
                return;
        }
        std::string head = "HTTP/1.1 " + std::to_string(answer_.status) + " Canned\r\n";
        head +=
            "Content-Length: " + std::to_string(answer_.body.size()) + "\r\nConnection: close\r\n";
        for (const auto &[name, value] : answer_.headers)
            head += name + ": " + value + "\r\n";
        head += "\r\n";
        sendAll(client, head);
        const std::string body = answer_.body.substr(0, answer_.cutAfter);
        if (answer_.trickle.count() == 0) {
            sendAll(client, body);
            return;
        }
        for (const char c : body) {
            if (stopping() || ::send(client, &c, 1, MSG_NOSIGNAL) != 1)
                return;
            std::this_thread::sleep_for(answer_.trickle);
        }
    }

    static void sendAll(int fd, const std::string &s) {
        for (std::size_t sent = 0; sent < s.size();) {
            const ssize_t n = ::send(fd, s.data() + sent, s.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += static_cast<std::size_t>(n);
        }
    }

    Answer answer_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    bool released_ = false;
    std::vector<std::string> paths_;
};

} // namespace zvtest
