#include "netns.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace orv::test {

int Sh(const std::string& cmd) {
    int rc = std::system(cmd.c_str());
    if (rc == -1)
        return -1;
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string ShOut(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

bool IsRoot() {
    return geteuid() == 0;
}

bool InCi() {
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}

namespace {
std::atomic<int> g_counter{0};
}

Netns::Netns(const std::string& prefix) {
    name_ = prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(g_counter++);
    ok_ = Sh("ip netns add " + name_ + " 2>/dev/null") == 0 &&
          Sh("ip -n " + name_ + " link set lo up") == 0;
}

Netns::~Netns() {
    if (!name_.empty())
        Sh("ip netns del " + name_ + " 2>/dev/null");
}

int Netns::Exec(const std::string& cmd) const {
    return Sh("ip netns exec " + name_ + " sh -c '" + cmd + "'");
}

bool Netns::EnterOnThisThread() const {
    std::string path = "/run/netns/" + name_;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = setns(fd, CLONE_NEWNET) == 0;
    close(fd);
    return ok;
}

bool Link(const Netns& a, const std::string& addrA, const Netns& b, const std::string& addrB) {
    static std::atomic<int> n{0};
    std::string ia = "va" + std::to_string(getpid() % 100000) + "x" + std::to_string(n);
    std::string ib = "vb" + std::to_string(getpid() % 100000) + "x" + std::to_string(n++);
    return Sh("ip link add " + ia + " netns " + a.name() + " type veth peer name " + ib +
              " netns " + b.name()) == 0 &&
           Sh("ip -n " + a.name() + " addr add " + addrA + " dev " + ia) == 0 &&
           Sh("ip -n " + b.name() + " addr add " + addrB + " dev " + ib) == 0 &&
           Sh("ip -n " + a.name() + " link set " + ia + " up") == 0 &&
           Sh("ip -n " + b.name() + " link set " + ib + " up") == 0;
}

bool RunInNetns(const Netns& ns, const std::function<void()>& fn) {
    bool entered = false;
    std::thread t([&] {
        entered = ns.EnterOnThisThread();
        if (entered)
            fn();
    });
    t.join();
    return entered;
}

}  // namespace orv::test
