// A WHOIS server of the test's own on 127.0.0.1, serving one connection after the other on
// its own thread, as the real servers do: it reads the query line, then answers.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tcp_loopback.h"

namespace orv::test {

// A WHOIS server on 127.0.0.1 serving one connection after the other on its own thread. It
// reads the query line, then answers as its mode says.
class TestWhoisServer {
  public:
    enum class Mode {
        Reply,    // sends `text`, then closes
        Silent,   // sends `text`, then keeps the connection open without a word
        Flood,    // sends `text` over and over until the client goes away
        Trickle,  // sends `text`, then a "." every 20 ms until the client goes away
    };

    TestWhoisServer(Mode mode, std::string text)
        : mode_(mode), text_(std::move(text)), listener_(Listen()) {
        if (::pipe(stop_) != 0)
            return;
        thread_ = std::thread([this] { Serve(); });
    }
    ~TestWhoisServer() {
        char c = 0;
        [[maybe_unused]] auto n = ::write(stop_[1], &c, 1);
        if (thread_.joinable())
            thread_.join();
        for (int fd : stop_)
            ::close(fd);
    }

    std::uint16_t port() const { return listener_.Port(); }
    std::vector<std::string> Queries() {
        std::lock_guard lock(m_);
        return queries_;
    }
    // Connections the client closed while the server still held them.
    int ClosedByClient() const { return closedByClient_.load(); }

  private:
    // Waits for `events` on `fd` or for the stop pipe; false on stop.
    bool Wait(int fd, short events) {
        pollfd fds[2] = {{fd, events, 0}, {stop_[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) < 0) {
        }
        return fds[1].revents == 0;
    }

    void Serve() {
        while (Wait(listener_.fd(), POLLIN)) {
            Sock conn(::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!conn.ok())
                continue;
            std::string query;
            char buf[512];
            while (query.find("\r\n") == std::string::npos && Wait(conn.fd(), POLLIN)) {
                ssize_t n = ::recv(conn.fd(), buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                query.append(buf, static_cast<std::size_t>(n));
            }
            {
                std::lock_guard lock(m_);
                queries_.push_back(query);
            }
            if (!text_.empty() && mode_ != Mode::Flood)
                ::send(conn.fd(), text_.data(), text_.size(), MSG_NOSIGNAL);
            if (mode_ == Mode::Silent) {
                if (!Wait(conn.fd(), POLLIN))
                    return;
                if (::recv(conn.fd(), buf, sizeof buf, 0) <= 0)
                    ++closedByClient_;
            }
            if (mode_ == Mode::Flood) {
                while (Wait(conn.fd(), POLLOUT) &&
                       ::send(conn.fd(), text_.data(), text_.size(), MSG_NOSIGNAL) > 0) {
                }
            }
            if (mode_ == Mode::Trickle) {
                pollfd fds[2] = {{conn.fd(), POLLIN, 0}, {stop_[0], POLLIN, 0}};
                // Until the client closes (readable at end of file) or the test ends.
                while (::poll(fds, 2, 20) == 0 && ::send(conn.fd(), ".", 1, MSG_NOSIGNAL) > 0) {
                }
            }
        }
    }

    Mode mode_;
    std::string text_;
    Sock listener_;
    int stop_[2] = {-1, -1};
    std::thread thread_;
    std::mutex m_;
    std::vector<std::string> queries_;
    std::atomic<int> closedByClient_{0};
};

}  // namespace orv::test
