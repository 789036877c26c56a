// A 4 MiB WHOIS reply shown in the Whois page of the real main window, from the Start to the
// memo filled and painted, served from 127.0.0.1. Goal: well under a second and a peak under
// 100 MB for short lines ("a\n", which ends at the line cap), for lines of a common length and
// for one line without an end, with the window answering within 100 ms throughout
// (longest_block_ms: the longest time between two turns of the event loop while the reply
// comes in and is shown). Each case reports the process's peak resident size in MB (VmHWM,
// reset before each run; memory the allocator kept from an earlier case counts too, so run one
// case per process for its own peak: --benchmark_filter=/64/).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <string>
#include <thread>

#include "app/main_window.h"
#include "app/page_whois.h"
#include "controls/dialogs.h"
#include "quiet_dialogs.h"

namespace {

using namespace orv;

// Answers every connection with `reply` after reading the query line, then closes it.
class Server {
  public:
    explicit Server(std::string reply) : reply_(std::move(reply)) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~Server() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(fd_);
    }
    std::uint16_t port() const { return port_; }

  private:
    void Serve() {
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            std::string query;
            char buf[512];
            while (query.find("\r\n") == std::string::npos) {
                ssize_t n = ::recv(c, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                query.append(buf, static_cast<std::size_t>(n));
            }
            std::size_t sent = 0;
            while (sent < reply_.size()) {
                ssize_t n = ::send(c, reply_.data() + sent, reply_.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            ::close(c);
        }
    }

    std::string reply_;
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Peak resident size since the last reset, in MB.
double PeakMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// state.range(0): bytes per line, LF included; 0 for one line without an end; -1 for a reply of
// one short line, the window's own peak to compare with.
void BM_WhoisPageShowsA4MiBReply(benchmark::State& state) {
    const std::size_t size = 4u << 20;
    const auto perLine = static_cast<std::size_t>(state.range(0));
    std::string reply;
    reply.reserve(size);
    if (state.range(0) < 0) {
        reply = "a\n";
    } else if (perLine == 0) {
        reply.assign(size, 'a');
    } else {
        const std::string line = std::string(perLine - 1, 'a') + "\n";
        while (reply.size() + line.size() <= size)
            reply += line;
    }
    Server server(reply);
    if (server.port() == 0) {
        state.SkipWithError("no loopback server");
        return;
    }
    bench::QuietDialogs dialogs;
    ui::SetDialogs(&dialogs);
    QTemporaryDir dir;
    {
        Tmain m(QDir(dir.path()).absolutePath().toStdString() + "/");
        m.show();
        TWhoisPage* page = m.whois_tab;
        m.Whois5Click();
        page->CheckBox7->SetChecked(true);
        page->CheckBox7Click();
        page->edit10->SetText("127.0.0.1");
        page->IdWhoisSettings.port = server.port();
        page->edDomain->SetText("example.com");
        QCoreApplication::processEvents();

        double peak = 0, longestBlock = 0;
        int lines = 0;
        // Turns of the event loop: a timer that fires whenever the loop is free.
        QElapsedTimer sinceTurn;
        QTimer turns;
        turns.setInterval(0);
        QObject::connect(&turns, &QTimer::timeout, [&] {
            longestBlock = std::max(longestBlock, double(sinceTurn.nsecsElapsed()) / 1e6);
            sinceTurn.restart();
        });
        for (auto _ : state) {
            state.PauseTiming();
            page->meResults->Clear();
            QCoreApplication::processEvents();
            ResetPeak();
            state.ResumeTiming();
            sinceTurn.start();
            turns.start();
            page->whois_start_buttonClick();
            auto t = page->WhoisThread().Current();
            while (!t->Finished() || page->meResults->Filling()) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                if (!t->Running() && !t->Finished())
                    QThread::usleep(100);
            }
            turns.stop();
            QPixmap shot = page->meResults->grab();  // lays out and paints what is in view
            benchmark::DoNotOptimize(shot);
            state.PauseTiming();
            peak = std::max(peak, PeakMb());
            lines = page->meResults->LineCount();
            state.ResumeTiming();
        }
        state.counters["peak_MB"] = peak;
        state.counters["longest_block_ms"] = longestBlock;
        state.counters["lines"] = lines;
    }
    ui::SetDialogs(nullptr);
}
BENCHMARK(BM_WhoisPageShowsA4MiBReply)
    ->Arg(2)
    ->Arg(64)
    ->Arg(0)
    ->Arg(-1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace
