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
        fd_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        return static_cast<bool>(fd_);
    }
    void Close() {
        connected_.store(false, std::memory_order_release);
        fd_.reset();
    }
    void MarkConnected() { connected_.store(true, std::memory_order_release); }
    int fd() const { return fd_.get(); }

  private:
    std::atomic<bool>& connected_;
    UniqueFd fd_;
};

enum class Wait { Ready, Woken, TimedOut, PastDeadline, Failed };

// Waits until `fd` has `events`, the wake-up descriptor fires, `idle` passes or `due` comes.
Wait WaitFor(int fd, short events, int wakeFd, std::chrono::milliseconds idle,
             Clock::time_point due = Clock::time_point::max()) {
    const auto idleEnd = Clock::now() + idle;
    const auto end = idleEnd < due ? idleEnd : due;
    for (;;) {
        const auto now = Clock::now();
        if (now >= due)
            return Wait::PastDeadline;
        auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
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
        if (Clock::now() >= due)
            return Wait::PastDeadline;
        if (Clock::now() >= idleEnd)
            return Wait::TimedOut;
    }
}

// How many bytes at the end of `kept` belong to a UTF-8 character that `next`, the first byte
// not kept, continues: a cut there would split the character.
std::size_t SplitCharacterTail(const std::string& kept, unsigned char next) {
    if ((next & 0xC0) != 0x80)
        return 0;
    const std::size_t n = kept.size();
    std::size_t k = 0;  // continuation bytes at the end
    while (k < 3 && k < n && (static_cast<unsigned char>(kept[n - 1 - k]) & 0xC0) == 0x80)
        ++k;
    if (k == n)
        return 0;
    const auto lead = static_cast<unsigned char>(kept[n - 1 - k]);
    const std::size_t len = lead >= 0xC2 && lead <= 0xDF   ? 2
                            : lead >= 0xE0 && lead <= 0xEF ? 3
                            : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                           : 0;
    // Not a lead byte, or its character is already whole: `next` is a stray byte.
    if (len == 0 || k + 1 >= len)
        return 0;
    return k + 1;
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

WhoisClient::~WhoisClient() = default;

void WhoisClient::CloseConnection() {
    stopped_.store(true, std::memory_order_release);
    if (wakeFd_) {
        std::uint64_t one = 1;
        // The counter only has to become non-zero; a full counter is readable already.
        [[maybe_unused]] auto n = ::write(wakeFd_.get(), &one, sizeof one);
    }
}

std::string WhoisClient::Received() const {
    std::lock_guard lock(receivedM_);
    return received_;
}

void WhoisClient::ForgetReceived() {
    std::lock_guard lock(receivedM_);
    std::string().swap(received_);
}

WhoisReply WhoisClient::QueryDomain(const std::string& query) {
    {
        std::lock_guard lock(receivedM_);
        received_.clear();
    }
    if (StopRequested())
        return StoppedReply();
    if (!wakeFd_)
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
                switch (WaitFor(sock.fd(), POLLOUT, wakeFd_.get(), idleTimeout_)) {
                    case Wait::Woken:
                        return StoppedReply();
                    case Wait::TimedOut:
                    case Wait::PastDeadline:  // no deadline while connecting
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

    // The deadline runs from the connection coming up, so a trickle of bytes that keeps the
    // idle time-out from firing still cannot hold the query for long.
    const auto due = Clock::now() + deadline_;
    const std::string pastDeadline = "No complete reply from " + where + " within " +
                                     Duration(deadline_) + ": the rest was not read";

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
        switch (WaitFor(sock.fd(), POLLOUT, wakeFd_.get(), idleTimeout_, due)) {
            case Wait::Woken:
                return StoppedReply();
            case Wait::TimedOut:
                return Fail(WhoisStatus::TimedOut,
                            "The server " + where + " took no query for " + Duration(idleTimeout_));
            case Wait::PastDeadline:
                return Fail(WhoisStatus::TimedOut, pastDeadline);
            case Wait::Failed:
                return Fail(WhoisStatus::SocketError,
                            "Waiting for " + where + " failed: " + ErrorText(errno));
            case Wait::Ready:
                break;
        }
    }

    // The reply goes into `received_` as it comes, so a Stop can show what had arrived.
    auto kept = [this] { return Received(); };
    std::size_t size = 0;   // bytes in `received_`
    std::size_t lines = 0;  // LFs in `received_`
    std::vector<char> buf(16 * 1024);
    for (;;) {
        switch (WaitFor(sock.fd(), POLLIN, wakeFd_.get(), idleTimeout_, due)) {
            case Wait::Woken:
                return StoppedReply(kept());
            case Wait::TimedOut:
                return Fail(WhoisStatus::TimedOut,
                            "No answer from " + where + " for " + Duration(idleTimeout_), kept());
            case Wait::PastDeadline:
                return Fail(WhoisStatus::TimedOut, pastDeadline, kept());
            case Wait::Failed:
                return Fail(WhoisStatus::SocketError,
                            "Waiting for " + where + " failed: " + ErrorText(errno), kept());
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
                        "Connection to " + where + " broken: " + ErrorText(errno), kept());
        }
        const auto got = static_cast<std::size_t>(n);
        std::size_t take = got;
        // The line cap: whatever follows the last LF allowed is one line too many.
        bool overLines = false;
        for (std::size_t at = 0; at < take;) {
            if (lines == maxLines_) {
                take = at;
                overLines = true;
                break;
            }
            const void* lf = std::memchr(buf.data() + at, '\n', take - at);
            if (!lf)
                break;
            ++lines;
            at = static_cast<std::size_t>(static_cast<const char*>(lf) - buf.data()) + 1;
        }
        // The size cap comes first when both are passed in one piece.
        const bool overBytes = take > maxReply_ - size;
        if (overBytes)
            take = maxReply_ - size;
        {
            std::lock_guard lock(receivedM_);
            received_.append(buf.data(), take);
            if (overBytes)
                received_.resize(
                    received_.size() -
                    SplitCharacterTail(received_, static_cast<unsigned char>(buf[take])));
        }
        size += take;
        if (overBytes)
            return Fail(WhoisStatus::TooLong,
                        "Reply longer than " + Size(maxReply_) + ": the rest was not read", kept());
        if (overLines)
            return Fail(
                WhoisStatus::TooLong,
                "Reply longer than " + std::to_string(maxLines_) + " lines: the rest was not read",
                kept());
    }
    WhoisReply ok;
    ok.text = kept();
    return ok;
}

}  // namespace orv::net
