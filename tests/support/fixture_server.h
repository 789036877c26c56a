// A small web server for the scanner's tests, on 127.0.0.1 and an ephemeral port. Every
// connection gets one request and one response (HTTP/1.0 style). It keeps a log of what was
// asked, so tests can assert request lines, agents, referrers, credentials and retries.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orv::test {

struct LoggedRequest {
    std::string requestLine;  // "GET /x HTTP/1.0"
    std::string method, target, version;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string raw;  // what arrived before the end of the head (or the first bytes)
    // The value of a header (ASCII case-insensitive name), or "" when absent.
    std::string Header(const std::string& name) const;
    bool HasHeader(const std::string& name) const;
};

class FixtureConn {
  public:
    FixtureConn(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}
    // False when the peer has gone or the server stops.
    bool Send(const std::string& bytes);
    // Sleeps, waking early when the server stops; false then.
    bool Sleep(int ms);
    bool Stopping() const { return stopping_.load(); }
    // Waits until the peer closes (or the server stops, or `ms` pass); true when it closed.
    bool WaitPeerClose(int ms);
    // Ends the connection with a reset (RST) when the route returns, instead of an orderly end.
    void Reset();
    bool WasReset() const { return reset_; }

  private:
    int fd_;
    const std::atomic<bool>& stopping_;
    bool reset_ = false;
};

using RouteFn = std::function<void(const LoggedRequest&, FixtureConn&)>;

class FixtureServer {
  public:
    FixtureServer();
    ~FixtureServer();
    FixtureServer(const FixtureServer&) = delete;
    FixtureServer& operator=(const FixtureServer&) = delete;

    int Port() const { return port_; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Url(const std::string& path) const { return "http://" + Host() + path; }

    // Exact request targets first, then the longest matching prefix, else a 404 page.
    void Route(const std::string& target, RouteFn fn);
    void Prefix(const std::string& prefix, RouteFn fn);

    // A complete response: status line, Content-Type (when not empty), Content-Length,
    // `extraHeaders` (each line ended by CR LF), the empty line and the body.
    static std::string Response(int status, const std::string& contentType, const std::string& body,
                                const std::string& extraHeaders = "");
    static RouteFn Static(int status, const std::string& contentType, const std::string& body,
                          const std::string& extraHeaders = "");
    static RouteFn Html(const std::string& body) { return Static(200, "text/html", body); }
    // A redirect (301, 302, 303, 307 or 308) to `location`, with an HTML body of its own.
    static RouteFn Redirect(int status, const std::string& location);
    // `body` in the gzip format, as a server sends it with "Content-Encoding: gzip": stored
    // blocks (no compression) of at most `blockSize` bytes, each behind a 5-byte block head,
    // so that small blocks leave no markup readable in the stream.
    static std::string Gzip(const std::string& body, std::size_t blockSize = 65535);

    std::vector<LoggedRequest> Log() const;
    int CountTarget(const std::string& target) const;
    void ClearLog();
    // Most connections open at the same time so far.
    int MaxConcurrent() const { return maxConcurrent_.load(); }

  private:
    void AcceptLoop();
    void Serve(int fd);

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    std::map<std::string, RouteFn> exact_, prefix_;
    std::vector<LoggedRequest> log_;
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Worker> workers_;
    std::vector<int> openFds_;
    std::atomic<int> concurrent_{0}, maxConcurrent_{0};
};

}  // namespace orv::test
