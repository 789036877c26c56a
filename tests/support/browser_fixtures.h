// The browsers as the browser link meets them, for tests:
// - a Firefox profile as a current Firefox lays it out and keeps it while it runs: the
//   session-recovery file (mozLz4), the write lock on the whole of ".parentlock" (held by a
//   child process, as Firefox holds it from its own) and the "lock" link "address:+pid" naming
//   that process;
// - a debuggable Chromium's DevTools endpoint, served by a FixtureServer as Chromium serves it.
#pragma once

#include <fcntl.h>
#include <lz4.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "fixture_server.h"

namespace orv::test {

// The bytes of a "mozLz40" file holding `text`.
inline std::string MozLz4(const std::string& text) {
    std::string block(std::size_t(LZ4_compressBound(int(text.size()))), '\0');
    const int n =
        LZ4_compress_default(text.data(), block.data(), int(text.size()), int(block.size()));
    block.resize(std::size_t(n));
    std::string file("mozLz40\0", 8);
    for (int i = 0; i < 4; ++i)
        file += char((text.size() >> (8 * i)) & 0xff);
    return file + block;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// A session whose one window shows `url` in its one tab.
inline std::string OneTabSession(const std::string& url) {
    return R"({"selectedWindow":1,"windows":[{"selected":1,"tabs":[{"index":1,"entries":[{"url":")" +
           url + R"(","title":"T"}]}]}]})";
}

// What a running Firefox holds of the profile in `folder`.
class ProfileLock {
  public:
    enum Kind { ParentLock = 1, LockLink = 2, Both = 3 };

    explicit ProfileLock(std::filesystem::path folder, Kind kind = Both)
        : folder_(std::move(folder)) {
        std::filesystem::create_directories(folder_);
        int ready[2], hold[2];
        if (::pipe(ready) != 0 || ::pipe(hold) != 0)
            return;
        const std::string lockFile = (folder_ / ".parentlock").string();
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls in the child.
            ::close(ready[0]);
            ::close(hold[1]);
            char ok = 0;
            if (kind & ParentLock) {
                const int fd = ::open(lockFile.c_str(), O_WRONLY | O_CREAT, 0644);
                struct flock l {};
                l.l_type = F_WRLCK;
                l.l_whence = SEEK_SET;
                ok = fd >= 0 && ::fcntl(fd, F_SETLK, &l) == 0 ? 1 : 0;
            } else {
                ok = 1;
            }
            (void)!::write(ready[1], &ok, 1);
            char c;
            while (::read(hold[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        holdFd_ = hold[1];
        char ok = 0;
        locked_ = pid_ > 0 && ::read(ready[0], &ok, 1) == 1 && ok == 1;
        ::close(ready[0]);
        // A Firefox replaces the link a killed one left.
        std::filesystem::remove(folder_ / "lock");
        if (locked_ && (kind & LockLink))
            std::filesystem::create_symlink("127.0.0.1:+" + std::to_string(pid_), folder_ / "lock");
    }
    ~ProfileLock() { Release(); }
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

    bool Locked() const { return locked_; }
    pid_t Pid() const { return pid_; }

    // As Firefox killed hard: the process is gone, the lock with it, the link stays.
    void Release() {
        if (holdFd_ >= 0) {
            ::close(holdFd_);
            holdFd_ = -1;
        }
        if (pid_ > 0) {
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

  private:
    std::filesystem::path folder_;
    pid_t pid_ = -1;
    int holdFd_ = -1;
    bool locked_ = false;
};

// Answers as Chromium's DevTools server does: a request in HTTP/1.0 is closed without an
// answer, a Host that is not an address or localhost is refused, the length is written without
// a blank, and the connection stays open after the answer. `before` runs first (a delay, a
// gate); false from it closes the connection.
inline RouteFn DevTools(const std::string& body, std::function<bool(FixtureConn&)> before = {}) {
    return [body, before](const LoggedRequest& r, FixtureConn& c) {
        if (r.version != "HTTP/1.1")
            return;
        const std::string host = r.Header("Host");
        if (host.rfind("127.0.0.1:", 0) != 0 && host.rfind("localhost", 0) != 0) {
            c.Send(FixtureServer::Response(
                500, "text/html",
                "Host header is specified and is not an IP address or localhost."));
            return;
        }
        if (before && !before(c))
            return;
        c.Send(
            "HTTP/1.1 200 OK\r\nContent-Security-Policy:frame-ancestors 'none'\r\n"
            "Content-Length:" +
            std::to_string(body.size()) +
            "\r\nContent-Type:application/json; charset=UTF-8\r\n\r\n" + body);
        c.WaitPeerClose(30000);
    };
}

inline const std::string kDevToolsVersion =
    R"({"Browser": "Chrome/156.0.8078.129", "Protocol-Version": "1.3",
  "webSocketDebuggerUrl": "ws://127.0.0.1:1/devtools/browser/b"})";

// A debuggable Chromium on `server`, listing `targets`.
inline void ServeDevTools(FixtureServer& server, const std::string& targets,
                          std::function<bool(FixtureConn&)> before = {}) {
    server.Route("/json/version", DevTools(kDevToolsVersion, before));
    server.Route("/json/list", DevTools(targets, before));
}

}  // namespace orv::test
