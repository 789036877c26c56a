#include "fixture_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>

#include "common/ascii.h"

namespace orv::test {
namespace {

std::string Trim(std::string_view s) {
    return std::string(ascii::Trim(s, " \t\r\n"));
}

}  // namespace

std::string LoggedRequest::Header(const std::string& name) const {
    for (auto& [k, v] : headers)
        if (ascii::EqualsNoCase(k, name))
            return v;
    return {};
}

bool LoggedRequest::HasHeader(const std::string& name) const {
    for (auto& [k, v] : headers)
        if (ascii::EqualsNoCase(k, name))
            return true;
    return false;
}

bool FixtureConn::Send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (stopping_.load())
            return false;
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

bool FixtureConn::Sleep(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (stopping_.load())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 10)));
    }
    return !stopping_.load();
}

void FixtureConn::Reset() {
    linger l{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    reset_ = true;
}

bool FixtureConn::WaitPeerClose(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    char buf[4096];
    while (std::chrono::steady_clock::now() < end && !stopping_.load()) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0)
            return true;
    }
    return false;
}

FixtureServer::FixtureServer() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listenFd_, 128);
    socklen_t len = sizeof a;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
}

FixtureServer::~FixtureServer() {
    stopping_.store(true);
    ::shutdown(listenFd_, SHUT_RDWR);
    acceptThread_.join();
    std::vector<Worker> workers;
    {
        std::lock_guard lock(mutex_);
        for (int fd : openFds_)
            ::shutdown(fd, SHUT_RDWR);
        workers.swap(workers_);
    }
    for (auto& w : workers)
        w.thread.join();
    ::close(listenFd_);
}

void FixtureServer::Route(const std::string& target, RouteFn fn) {
    std::lock_guard lock(mutex_);
    exact_[target] = std::move(fn);
}

void FixtureServer::Prefix(const std::string& prefix, RouteFn fn) {
    std::lock_guard lock(mutex_);
    prefix_[prefix] = std::move(fn);
}

std::string FixtureServer::Response(int status, const std::string& contentType,
                                    const std::string& body, const std::string& extraHeaders) {
    std::string r = "HTTP/1.0 " + std::to_string(status) + " Fixture\r\n";
    if (!contentType.empty())
        r += "Content-Type: " + contentType + "\r\n";
    r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    r += extraHeaders;
    r += "\r\n";
    r += body;
    return r;
}

RouteFn FixtureServer::Static(int status, const std::string& contentType, const std::string& body,
                              const std::string& extraHeaders) {
    std::string r = Response(status, contentType, body, extraHeaders);
    return [r](const LoggedRequest&, FixtureConn& c) { c.Send(r); };
}

RouteFn FixtureServer::Redirect(int status, const std::string& location) {
    return Static(status, "text/html", "<html><a href=\"moved.htm\">moved</a></html>",
                  "Location: " + location + "\r\n");
}

std::string FixtureServer::Gzip(const std::string& body, std::size_t blockSize) {
    std::uint32_t table[256];
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char ch : body)
        crc = table[(crc ^ ch) & 0xFF] ^ (crc >> 8);
    crc ^= 0xFFFFFFFFu;
    auto le32 = [](std::string& out, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(char((v >> (8 * i)) & 0xFF));
    };
    std::string out = std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
    std::size_t pos = 0;
    do {
        std::size_t n = std::min<std::size_t>({body.size() - pos, blockSize, 65535});
        bool last = pos + n == body.size();
        out.push_back(last ? '\x01' : '\x00');  // a stored block
        out.push_back(char(n & 0xFF));
        out.push_back(char(n >> 8));
        out.push_back(char(~n & 0xFF));
        out.push_back(char((~n >> 8) & 0xFF));
        out.append(body, pos, n);
        pos += n;
    } while (pos < body.size());
    le32(out, crc);
    le32(out, std::uint32_t(body.size()));
    return out;
}

std::vector<LoggedRequest> FixtureServer::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

int FixtureServer::CountTarget(const std::string& target) const {
    std::lock_guard lock(mutex_);
    return int(std::count_if(log_.begin(), log_.end(),
                             [&](const LoggedRequest& r) { return r.target == target; }));
}

void FixtureServer::ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
}

void FixtureServer::AcceptLoop() {
    while (!stopping_.load()) {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (stopping_.load())
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        std::lock_guard lock(mutex_);
        if (stopping_.load()) {
            ::close(fd);
            return;
        }
        openFds_.push_back(fd);
        // Join the workers that have finished, so a long crawl keeps few threads around.
        for (auto it = workers_.begin(); it != workers_.end();) {
            if (it->done->load()) {
                it->thread.join();
                it = workers_.erase(it);
            } else {
                ++it;
            }
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        workers_.push_back(Worker{std::thread([this, fd, done] {
                                      Serve(fd);
                                      done->store(true);
                                  }),
                                  done});
    }
}

void FixtureServer::Serve(int fd) {
    int now = ++concurrent_;
    int seen = maxConcurrent_.load();
    while (now > seen && !maxConcurrent_.compare_exchange_weak(seen, now)) {
    }
    std::string head;
    char buf[4096];
    bool complete = false;
    while (!stopping_.load() && head.size() < 65536) {
        pollfd p{fd, POLLIN, 0};
        int pr = ::poll(&p, 1, 50);
        if (pr <= 0)
            continue;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        head.append(buf, std::size_t(n));
        if (head.find("\r\n\r\n") != std::string::npos) {
            complete = true;
            break;
        }
        if (!head.empty() && !(head[0] >= 'A' && head[0] <= 'Z'))
            break;  // not HTTP (TLS)
    }
    LoggedRequest req;
    req.raw = head;
    if (complete) {
        std::size_t eol = head.find("\r\n");
        req.requestLine = head.substr(0, eol);
        std::size_t s1 = req.requestLine.find(' ');
        std::size_t s2 = req.requestLine.rfind(' ');
        if (s1 != std::string::npos && s2 > s1) {
            req.method = req.requestLine.substr(0, s1);
            req.target = req.requestLine.substr(s1 + 1, s2 - s1 - 1);
            req.version = req.requestLine.substr(s2 + 1);
        }
        std::size_t pos = eol + 2;
        while (pos < head.size()) {
            std::size_t e = head.find("\r\n", pos);
            if (e == std::string::npos || e == pos)
                break;
            std::string line = head.substr(pos, e - pos);
            std::size_t colon = line.find(':');
            if (colon != std::string::npos)
                req.headers.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
            pos = e + 2;
        }
    }
    RouteFn fn;
    {
        std::lock_guard lock(mutex_);
        log_.push_back(req);
        if (complete) {
            auto it = exact_.find(req.target);
            if (it != exact_.end()) {
                fn = it->second;
            } else {
                std::size_t best = 0;
                for (auto& [p, f] : prefix_)
                    if (req.target.compare(0, p.size(), p) == 0 && p.size() >= best) {
                        best = p.size();
                        fn = f;
                    }
            }
        }
    }
    FixtureConn conn(fd, stopping_);
    if (complete) {
        if (fn)
            fn(req, conn);
        else
            conn.Send(Response(404, "text/html", "<html>not found</html>"));
    }
    if (!conn.WasReset()) {
        ::shutdown(fd, SHUT_WR);
        conn.WaitPeerClose(200);
    }
    {
        std::lock_guard lock(mutex_);
        openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
        ::close(fd);
    }
    --concurrent_;
}

}  // namespace orv::test
