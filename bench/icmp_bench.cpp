// Sequential echoes per second to 127.0.0.1 through IcmpSendEcho, beside the system's
// `ping -f` doing the same, and the ratio of the two. Each run is 100,000 echoes; ping's rate is
// its own count over its own time (the summary of `ping -f -q -c N`), so its start-up does not
// count; each figure is the median of five runs, taken in turn (ping, datagram, raw, ping, ...)
// so that a change in the machine's load falls on all three alike.
//
// The benchmark first moves into a private network namespace (as root; otherwise inside a user
// namespace of its own) whose loopback allows both socket kinds; when it cannot, it measures
// on the host's loopback whatever kind works there.
#include <benchmark/benchmark.h>

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "platform/icmp.h"

namespace {

using namespace orv::icmp;
using Clock = std::chrono::steady_clock;

const std::string kPayload = "-------Hello,World!---------------";
constexpr int kEchoes = 100000;
constexpr int kRuns = 5;

std::map<std::string, std::vector<double>> g_rates;  // echoes per second of each run, by name

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

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
    g_rates[name].push_back(rate);
}

// ping's own summary: "100000 packets transmitted, 100000 received, 0% packet loss, time 228ms".
void BM_PingFlood(benchmark::State& state) {
    const std::string cmd = "ping -f -q -n -s " + std::to_string(kPayload.size()) + " -c " +
                            std::to_string(kEchoes) + " 127.0.0.1 2>&1";
    if (std::system("command -v ping >/dev/null 2>&1") != 0) {
        state.SkipWithError("ping is not installed (Debian package iputils-ping)");
        return;
    }
    static const std::regex kSummary(R"((\d+) received.*time (\d+)ms)");
    double received = 0, ms = 0;
    for (auto _ : state) {
        std::string out;
        if (FILE* p = ::popen(cmd.c_str(), "r")) {
            char buf[512];
            while (std::fgets(buf, sizeof buf, p))
                out += buf;
            if (::pclose(p) != 0)
                out.clear();
        }
        std::smatch m;
        if (!std::regex_search(out, m, kSummary)) {
            state.SkipWithError(("ping -f failed (flooding needs root): " + out).c_str());
            return;
        }
        received += std::stod(m[1]);
        ms += std::stod(m[2]);
    }
    double rate = ms > 0 ? received / (ms / 1000) : 0;
    state.counters["echoes_per_s"] = rate;
    g_rates["ping"].push_back(rate);
}

}  // namespace

int main(int argc, char** argv) {
    // Before any thread exists: a user namespace can only be entered single-threaded.
    bool privateNs = EnterPrivateNetns();
    std::printf("loopback: %s\n", privateNs ? "private network namespace" : "host");

    for (int run = 1; run <= kRuns; ++run) {
        const std::string n = "/run:" + std::to_string(run);
        benchmark::RegisterBenchmark(("PingFlood" + n).c_str(), BM_PingFlood)
            ->UseRealTime()
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("IcmpSendEcho/Datagram" + n).c_str(), BM_IcmpSendEcho,
                                     SocketKind::Datagram, std::string("Datagram"))
            ->UseRealTime()
            ->Iterations(kEchoes);
        benchmark::RegisterBenchmark(("IcmpSendEcho/Raw" + n).c_str(), BM_IcmpSendEcho,
                                     SocketKind::Raw, std::string("Raw"))
            ->UseRealTime()
            ->Iterations(kEchoes);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const double ping = Median(g_rates["ping"]);
    for (const char* kind : {"Datagram", "Raw"}) {
        auto it = g_rates.find(kind);
        if (it == g_rates.end())
            continue;
        const double rate = Median(it->second);
        if (ping <= 0)
            std::printf("IcmpSendEcho/%s: %.0f echoes/s (no ping -f to compare)\n", kind, rate);
        else
            std::printf(
                "IcmpSendEcho/%s: %.0f echoes/s, ping -f: %.0f echoes/s, ratio %.2f "
                "(medians of %d runs of %d echoes)\n",
                kind, rate, ping, rate / ping, kRuns, kEchoes);
    }
    return 0;
}
