// Sequential echoes per second to 127.0.0.1 through IcmpSendEcho (a fresh socket per echo),
// beside the system's `ping -f` doing the same, and the ratio of the two.
//
// The benchmark first moves into a private network namespace (as root; otherwise inside a user
// namespace of its own) whose loopback allows both socket kinds; when it cannot, it measures
// on the host's loopback whatever kind works there.
#include <benchmark/benchmark.h>

#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "platform/icmp.h"

namespace {

using namespace orv::icmp;
using Clock = std::chrono::steady_clock;

const std::string kPayload = "-------Hello,World!---------------";
constexpr int kPingCount = 20000;

std::map<std::string, double> g_rates;  // echoes per second by benchmark

bool WriteFile(const char* path, const std::string& text) {
    std::ofstream f(path);
    f << text;
    return static_cast<bool>(f.flush());
}

// A network namespace of our own with loopback up and ICMP datagram sockets allowed for gid 0.
bool EnterPrivateNetns() {
    bool entered = unshare(CLONE_NEWNET) == 0;
    if (!entered) {
        uid_t uid = getuid();
        gid_t gid = getgid();
        entered = unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0 &&
                  WriteFile("/proc/self/setgroups", "deny") &&
                  WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
                  WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    }
    return entered && std::system("ip link set lo up") == 0 &&
           WriteFile("/proc/sys/net/ipv4/ping_group_range", "0 0");
}

void BM_IcmpSendEcho(benchmark::State& state, SocketKind kind, const std::string& name) {
    IcmpHandle h = IcmpCreateFileOfKind(kind);
    if (h == kInvalidHandle) {
        state.SkipWithError("this socket kind cannot be opened here");
        return;
    }
    const orv::net::InAddr to = orv::net::MakeAddr(127, 0, 0, 1);
    EchoReplyBuffer<64> buf{};
    std::int64_t failed = 0;
    auto t0 = Clock::now();
    for (auto _ : state) {
        std::uint32_t n =
            IcmpSendEcho(h, to, kPayload.data(), kPayload.size(), nullptr, &buf, sizeof buf, 1000);
        if (n != 1 || buf.reply.status != IpStatus::Success)
            ++failed;
        benchmark::DoNotOptimize(buf);
    }
    double secs = std::chrono::duration<double>(Clock::now() - t0).count();
    IcmpCloseHandle(h);
    double rate = static_cast<double>(state.iterations()) / secs;
    state.counters["echoes_per_s"] = rate;
    state.counters["failed"] = static_cast<double>(failed);
    g_rates[name] = rate;
}

void BM_PingFlood(benchmark::State& state) {
    const std::string cmd = "ping -f -q -n -s " + std::to_string(kPayload.size()) + " -c " +
                            std::to_string(kPingCount) + " 127.0.0.1 >/dev/null 2>&1";
    if (std::system("command -v ping >/dev/null 2>&1") != 0) {
        state.SkipWithError("ping is not installed (Debian package iputils-ping)");
        return;
    }
    double secs = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        int rc = std::system(cmd.c_str());
        secs += std::chrono::duration<double>(Clock::now() - t0).count();
        if (rc != 0) {
            state.SkipWithError("ping -f failed (flooding needs root)");
            return;
        }
    }
    double rate = static_cast<double>(kPingCount) * static_cast<double>(state.iterations()) / secs;
    state.counters["echoes_per_s"] = rate;
    g_rates["ping"] = rate;
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists: a user namespace can only be entered single-threaded.
    bool privateNs = EnterPrivateNetns();
    std::printf("loopback: %s\n", privateNs ? "private network namespace" : "host");

    benchmark::RegisterBenchmark("IcmpSendEcho/Datagram", BM_IcmpSendEcho, SocketKind::Datagram,
                                 std::string("Datagram"))
        ->UseRealTime();
    benchmark::RegisterBenchmark("IcmpSendEcho/Raw", BM_IcmpSendEcho, SocketKind::Raw,
                                 std::string("Raw"))
        ->UseRealTime();
    benchmark::RegisterBenchmark("PingFlood", BM_PingFlood)
        ->UseRealTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    auto ping = g_rates.find("ping");
    for (const char* kind : {"Datagram", "Raw"}) {
        auto it = g_rates.find(kind);
        if (it == g_rates.end())
            continue;
        if (ping == g_rates.end() || ping->second <= 0)
            std::printf("IcmpSendEcho/%s: %.0f echoes/s (no ping -f to compare)\n", kind,
                        it->second);
        else
            std::printf("IcmpSendEcho/%s: %.0f echoes/s, ping -f: %.0f echoes/s, ratio %.2f\n",
                        kind, it->second, ping->second, it->second / ping->second);
    }
    return 0;
}
