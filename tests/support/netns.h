// Test hosts in network namespaces: created by the test, removed when it ends.
// Traffic of such tests goes only to loopback or to these hosts.
#pragma once

#include <functional>
#include <string>

namespace orv::test {

// Runs `cmd` with /bin/sh; returns its exit status (-1 when it could not run).
int Sh(const std::string& cmd);
// Runs `cmd` and returns what it printed on stdout.
std::string ShOut(const std::string& cmd);

bool IsRoot();
// True under CI (CI=true): tests that need namespaces must run there, never skip.
bool InCi();

// A named network namespace (`ip netns add`), loopback up, deleted with its links on destruction.
class Netns {
  public:
    explicit Netns(const std::string& prefix);
    ~Netns();
    Netns(const Netns&) = delete;
    Netns& operator=(const Netns&) = delete;

    const std::string& name() const { return name_; }
    bool ok() const { return ok_; }
    // Runs a shell command inside the namespace; returns its exit status.
    int Exec(const std::string& cmd) const;
    // Enters the namespace on the calling thread only (setns); returns false on failure.
    // Sockets the thread opens afterwards live in the namespace.
    bool EnterOnThisThread() const;

  private:
    std::string name_;
    bool ok_ = false;
};

// Links two namespaces with a veth pair and gives each end an address (CIDR text).
bool Link(const Netns& a, const std::string& addrA, const Netns& b, const std::string& addrB);

// Runs `fn` on a new thread entered into `ns` and waits for it; false (and `fn` not run) when
// the thread cannot enter. Sockets, netlink and /proc/thread-self/net of `fn` see `ns`.
bool RunInNetns(const Netns& ns, const std::function<void()>& fn);

}  // namespace orv::test

// Namespaces need root (or a user namespace); off CI a test without them is skipped,
// under CI it fails.
#define ORV_REQUIRE_ROOT()                                       \
    do {                                                         \
        if (!::orv::test::IsRoot()) {                            \
            if (::orv::test::InCi())                             \
                FAIL() << "needs root under CI";                 \
            GTEST_SKIP() << "needs root for network namespaces"; \
        }                                                        \
    } while (0)
