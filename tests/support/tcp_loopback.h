// Loopback TCP sockets for tests that read the connection table: listeners and connected
// pairs on 127.0.0.1, closed when they go out of scope.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <utility>

namespace orv::test {

class Sock {
  public:
    Sock() = default;
    explicit Sock(int fd) : fd_(fd) {}
    ~Sock() { Close(); }
    Sock(Sock&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    Sock& operator=(Sock&& o) noexcept {
        if (this != &o) {
            Close();
            fd_ = std::exchange(o.fd_, -1);
        }
        return *this;
    }
    int fd() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    // The bound port, host order (0 when unknown).
    std::uint16_t Port() const {
        sockaddr_in a{};
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return 0;
        return ntohs(a.sin_port);
    }

  private:
    int fd_ = -1;
};

// A listener on `addr` and `port` (host order; port 0: one the kernel picks).
inline Sock Listen(std::uint32_t addr = INADDR_LOOPBACK, std::uint16_t port = 0,
                   int backlog = 128) {
    Sock s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s.ok())
        return s;
    int one = 1;
    ::setsockopt(s.fd(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(addr);
    if (::bind(s.fd(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(s.fd(), backlog) != 0)
        s.Close();
    return s;
}

// Both ends of one connection to `port` on 127.0.0.1, accepted from `listener`.
struct Conn {
    Sock client;
    Sock server;
    bool ok() const { return client.ok() && server.ok(); }
};

inline Conn Connect(const Sock& listener, std::uint16_t port) {
    Conn c;
    c.client = Sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!c.client.ok())
        return c;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(c.client.fd(), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        c.client.Close();
        return c;
    }
    c.server = Sock(::accept4(listener.fd(), nullptr, nullptr, SOCK_CLOEXEC));
    return c;
}

// Polls `pred` until it holds or `timeout` passes; answers its last value.
template <typename Pred>
bool WaitFor(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (pred())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return pred();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace orv::test
