#include "platform/whois.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/resolver.h"

namespace orv::net {

namespace {

using Clock = std::chrono::steady_clock;

// strerror_r comes in two shapes (GNU returns the text, POSIX fills the buffer).
[[maybe_unused]] const char* PickText(const char* gnu, const char*) {
    return gnu;
}
[[maybe_unused]] const char* PickText(int, const char* buf) {
    return buf;
}

std::string ErrorText(int err) {
    char buf[256] = {};
    return PickText(strerror_r(err, buf, sizeof buf), buf);
}

std::string Duration(std::chrono::milliseconds t) {
    auto ms = t.count();
    if (ms % 1000 == 0)
        return std::to_string(ms / 1000) + " s";
    return std::to_string(ms) + " ms";
}

std::string Size(std::size_t bytes) {
    if (bytes != 0 && bytes % (1u << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes != 0 && bytes % (1u << 10) == 0)
        return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

// Owns the query's socket; the connection counts as open while it lives.
class Socket {
  public:
    explicit Socket(std::atomic<bool>& connected) : connected_(connected) {}
    ~Socket() { Close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool Open() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        return fd_ >= 0;
    }
    void Close() {
        connected_.store(false, std::memory_order_release);
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    void MarkConnected() { connected_.store(true, std::memory_order_release); }
    int fd() const { return fd_; }

  private:
    std::atomic<bool>& connected_;
    int fd_ = -1;
};

enum class Wait { Ready, Woken, TimedOut, Failed };

// Waits until `fd` has `events`, the wake-up descriptor fires, or `idle` passes.
Wait WaitFor(int fd, short events, int wakeFd, std::chrono::milliseconds idle) {
    const auto deadline = Clock::now() + idle;
    for (;;) {
        auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() < 0)
            left = std::chrono::milliseconds(0);
        pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
        int timeout = left.count() > 0x7fffffff ? 0x7fffffff : static_cast<int>(left.count());
        int n = ::poll(fds, 2, timeout);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Wait::Failed;
        }
        if (fds[1].revents)
            return Wait::Woken;
        if (fds[0].revents)
            return Wait::Ready;
        if (Clock::now() >= deadline)
            return Wait::TimedOut;
    }
}

WhoisReply Fail(WhoisStatus status, std::string error, std::string text = {}) {
    WhoisReply r;
    r.status = status;
    r.error = std::move(error);
    r.text = std::move(text);
    return r;
}

WhoisReply StoppedReply(std::string text = {}) {
    return Fail(WhoisStatus::Stopped, "Stopped", std::move(text));
}

}  // namespace

WhoisClient::WhoisClient() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WhoisClient::~WhoisClient() {
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

void WhoisClient::CloseConnection() {
    stopped_.store(true, std::memory_order_release);
    if (wakeFd_ >= 0) {
        std::uint64_t one = 1;
        // The counter only has to become non-zero; a full counter is readable already.
        [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
    }
}

WhoisReply WhoisClient::QueryDomain(const std::string& query) {
    if (StopRequested())
        return StoppedReply();
    if (wakeFd_ < 0)
        return Fail(WhoisStatus::SocketError, "Cannot create a wake-up descriptor");
    if (host_.empty())
        return Fail(WhoisStatus::ResolveFailed, "No whois server given");

    auto entry = gethostbyname(host_);
    if (StopRequested())
        return StoppedReply();
    if (!entry || entry->addresses.empty())
        return Fail(WhoisStatus::ResolveFailed,
                    "Cannot resolve the whois server \"" + host_ + "\"");

    Socket sock(connected_);
    const std::string where = host_ + " port " + std::to_string(port_);
    WhoisReply failure;
    for (InAddr addr : entry->addresses) {
        sock.Close();
        const std::string target =
            host_ + " (" + inet_ntoa(addr) + ") port " + std::to_string(port_);
        if (!sock.Open())
            return Fail(WhoisStatus::SocketError, "Cannot open a socket: " + ErrorText(errno));
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port_);
        sa.sin_addr.s_addr = addr;
        int err = 0;
        if (::connect(sock.fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
            err = errno;
            if (err == EINPROGRESS) {
                switch (WaitFor(sock.fd(), POLLOUT, wakeFd_, idleTimeout_)) {
                    case Wait::Woken:
                        return StoppedReply();
                    case Wait::TimedOut:
                        failure =
                            Fail(WhoisStatus::TimedOut, "No connection to " + target + " within " +
                                                            Duration(idleTimeout_));
                        continue;
                    case Wait::Failed:
                        return Fail(WhoisStatus::SocketError,
                                    "Waiting for " + target + " failed: " + ErrorText(errno));
                    case Wait::Ready: {
                        socklen_t len = sizeof err;
                        if (::getsockopt(sock.fd(), SOL_SOCKET, SO_ERROR, &err, &len) != 0)
                            err = errno;
                        break;
                    }
                }
            }
        }
        if (err != 0) {
            failure = Fail(WhoisStatus::ConnectFailed,
                           "Cannot connect to " + target + ": " + ErrorText(err));
            continue;
        }
        failure = {};
        break;
    }
    if (failure.status != WhoisStatus::Ok)
        return failure;
    sock.MarkConnected();
    // A Stop that came while the connection was being set up.
    if (StopRequested())
        return StoppedReply();

    const std::string request = query + "\r\n";
    std::size_t sent = 0;
    while (sent < request.size()) {
        ssize_t n = ::send(sock.fd(), request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n >= 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return Fail(WhoisStatus::SocketError,
                        "Sending the query to " + where + " failed: " + ErrorText(errno));
        switch (WaitFor(sock.fd(), POLLOUT, wakeFd_, idleTimeout_)) {
            case Wait::Woken:
                return StoppedReply();
            case Wait::TimedOut:
                return Fail(WhoisStatus::TimedOut,
                            "The server " + where + " took no query for " + Duration(idleTimeout_));
            case Wait::Failed:
                return Fail(WhoisStatus::SocketError,
                            "Waiting for " + where + " failed: " + ErrorText(errno));
            case Wait::Ready:
                break;
        }
    }

    std::string text;
    std::vector<char> buf(16 * 1024);
    for (;;) {
        switch (WaitFor(sock.fd(), POLLIN, wakeFd_, idleTimeout_)) {
            case Wait::Woken:
                return StoppedReply(std::move(text));
            case Wait::TimedOut:
                return Fail(WhoisStatus::TimedOut,
                            "No answer from " + where + " for " + Duration(idleTimeout_),
                            std::move(text));
            case Wait::Failed:
                return Fail(WhoisStatus::SocketError,
                            "Waiting for " + where + " failed: " + ErrorText(errno),
                            std::move(text));
            case Wait::Ready:
                break;
        }
        ssize_t n = ::recv(sock.fd(), buf.data(), buf.size(), 0);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
                continue;
            return Fail(WhoisStatus::SocketError,
                        "Connection to " + where + " broken: " + ErrorText(errno), std::move(text));
        }
        const std::size_t room = maxReply_ - text.size();
        const auto got = static_cast<std::size_t>(n);
        text.append(buf.data(), got < room ? got : room);
        if (got > room)
            return Fail(WhoisStatus::TooLong,
                        "Reply longer than " + Size(maxReply_) + ": the rest was not read",
                        std::move(text));
    }
    WhoisReply ok;
    ok.text = std::move(text);
    return ok;
}

}  // namespace orv::net
