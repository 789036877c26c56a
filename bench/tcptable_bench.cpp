// Reading the connection table with many open sockets, beside `ss` over the same sockets.
// As root the sockets live in a network namespace of the benchmark's own; otherwise in the
// current one, and only as many as the descriptor limit allows.
//   ORVELAN_BENCH_SOCKETS=N  open sockets (default 20000: one listener's N/2 connections)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "lookup/connections.h"
#include "platform/tcptable.h"

extern char** environ;

namespace {

std::size_t g_rows = 0;  // rows the table should hold

void BM_GetTcpConnStatusList(benchmark::State& state) {
    orv::TTcpConnStatusList list;
    for (auto _ : state) {
        orv::GetTcpConnStatusList(&list);
        benchmark::DoNotOptimize(list.data());
    }
    state.counters["records"] = static_cast<double>(list.size());
    if (list.size() < g_rows)
        state.SkipWithError("records missing");
}

void BM_GetTcpTableSorted(benchmark::State& state) {
    const orv::net::TcpStates states = orv::net::TcpStateBit(orv::net::kTcpStateListen) |
                                       orv::net::TcpStateBit(orv::net::kTcpStateEstablished);
    std::vector<unsigned char> buf;
    std::uint32_t count = 0;
    for (auto _ : state) {
        std::uint32_t size = 0;
        orv::net::GetTcpTable(nullptr, &size, true, states);
        buf.resize(size);
        if (orv::net::GetTcpTable(buf.data(), &size, true, states) == orv::net::kTcpTableOk)
            count = orv::net::TcpTableCount(buf.data());
    }
    state.counters["rows"] = count;
}

void BM_ProcFallbackRead(benchmark::State& state) {
    std::size_t n = 0;
    for (auto _ : state) {
        auto rows =
            orv::net::ReadTcpRowsProc(orv::net::TcpStateBit(orv::net::kTcpStateListen) |
                                      orv::net::TcpStateBit(orv::net::kTcpStateEstablished));
        n = rows ? rows->size() : 0;
    }
    state.counters["rows"] = static_cast<double>(n);
}

// ss prints to /dev/null, so only its reading and formatting are timed, plus its start.
void BM_Ss(benchmark::State& state) {
    const char* argv[] = {"ss", "-tan", "state", "listening", "state", "established", nullptr};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid;
        if (posix_spawnp(&pid, "ss", &fa, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("ss cannot be started");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("ss failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&fa);
}

// Keeps the real time of each benchmark to print the ratio at the end.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    RatioReporter() : ConsoleReporter(isatty(1) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& r : runs)
            if (r.run_type == Run::RT_Iteration && !r.error_occurred)
                times[r.run_name.function_name] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

bool BringLoopbackUp() {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq ifr{};
    std::strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
    ok = ok && ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
    close(fd);
    return ok;
}

// Raises the soft descriptor limit to the hard one; answers the limit in force.
std::size_t RaiseFdLimit() {
    rlimit rl{};
    getrlimit(RLIMIT_NOFILE, &rl);
    rl.rlim_cur = rl.rlim_max;
    setrlimit(RLIMIT_NOFILE, &rl);
    getrlimit(RLIMIT_NOFILE, &rl);
    return rl.rlim_cur;
}

// One listener on 127.0.0.1 and `pairs` connections to it. The client ends live in a child
// process, so that each process needs only half the descriptors; the child holds them until
// `hold` closes. Answers the child's pid (-1 on failure).
pid_t OpenSockets(std::size_t pairs, std::vector<int>& fds, int& hold) {
    int l = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (l < 0 || bind(l, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(l, 65535) != 0 ||
        getsockname(l, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return -1;
    fds.push_back(l);
    int ready[2], keep[2];
    if (pipe2(ready, O_CLOEXEC) != 0 || pipe2(keep, O_CLOEXEC) != 0)
        return -1;
    pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        close(ready[0]);
        close(keep[1]);
        std::vector<int> clients;
        for (std::size_t i = 0; i < pairs; ++i) {
            int c = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (c < 0 || connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
                _exit(1);
            clients.push_back(c);
        }
        char byte = 1;
        if (write(ready[1], &byte, 1) != 1)
            _exit(1);
        while (read(keep[0], &byte, 1) > 0) {
        }
        _exit(0);
    }
    close(ready[1]);
    close(keep[0]);
    hold = keep[1];
    for (std::size_t i = 0; i < pairs; ++i) {
        int s = accept4(l, nullptr, nullptr, SOCK_CLOEXEC);
        if (s < 0)
            break;
        fds.push_back(s);
    }
    char byte = 0;
    if (read(ready[0], &byte, 1) != 1)
        std::fprintf(stderr, "the client process failed\n");
    close(ready[0]);
    return child;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t sockets = 20000;
    if (const char* env = std::getenv("ORVELAN_BENCH_SOCKETS"))
        sockets = std::strtoul(env, nullptr, 10);

    if (geteuid() == 0) {
        if (unshare(CLONE_NEWNET) != 0 || !BringLoopbackUp()) {
            std::perror("own network namespace");
            return 1;
        }
        std::printf("sockets in a network namespace of their own\n");
    } else {
        std::printf("not root: sockets in the current network namespace\n");
    }
    // Half the sockets per process, and a few descriptors more.
    const std::size_t limit = RaiseFdLimit();
    if (limit < sockets / 2 + 64)
        sockets = limit > 64 ? 2 * (limit - 64) : 0;
    if (geteuid() == 0) {
        // More connections waiting for accept than the default backlog allows.
        if (FILE* f = std::fopen("/proc/sys/net/core/somaxconn", "w")) {
            std::fputs("65535", f);
            std::fclose(f);
        }
    }

    std::vector<int> fds;
    int hold = -1;
    const pid_t child = OpenSockets(sockets / 2, fds, hold);
    if (child < 0)
        std::perror("opening sockets");
    g_rows = 2 * (fds.size() - 1) + 1;
    std::printf("open loopback sockets: %zu (+1 listener)\n", g_rows - 1);

    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("BM_GetTcpConnStatusList", BM_GetTcpConnStatusList)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_GetTcpTableSorted", BM_GetTcpTableSorted)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_ProcFallbackRead", BM_ProcFallbackRead)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("BM_Ss", BM_Ss)->Unit(benchmark::kMillisecond)->UseRealTime();

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    auto ours = reporter.times.find("BM_GetTcpConnStatusList");
    auto ss = reporter.times.find("BM_Ss");
    if (ours != reporter.times.end() && ss != reporter.times.end() && ss->second > 0)
        std::printf("GetTcpConnStatusList / ss = %.2f (below 1: faster than ss)\n",
                    ours->second / ss->second);
    for (int fd : fds)
        close(fd);
    return 0;
}
