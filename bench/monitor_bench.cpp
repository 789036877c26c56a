// One Connection Monitor poll with the history at its limit (99,999 records and the empty row,
// RowCount 100,000) and 1,000 open connections. Goal: under 5 ms a poll, whatever the history
// holds, as it runs on the UI thread twice a second. For comparison, the look through every
// history row for every connection that the index replaces.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QObject>
#include <cstring>
#include <memory>
#include <vector>

#include "app/page_monitor.h"
#include "controls/dialogs.h"
#include "platform/resolver.h"
#include "platform/tcptable.h"
#include "quiet_dialogs.h"
#include "tasks/worker.h"

namespace {

using namespace orv;

struct Table {
    std::vector<net::TcpRow> rows;
    static Table* current;
    static std::uint32_t Get(void* table, std::uint32_t* size, bool, net::TcpStates) {
        const auto& rows = current->rows;
        auto need = static_cast<std::uint32_t>(net::TcpTableSize(rows.size()));
        if (!table || *size < need) {
            *size = need;
            return net::kTcpTableInsufficientBuffer;
        }
        auto n = static_cast<std::uint32_t>(rows.size());
        std::memcpy(table, &n, 4);
        std::memcpy(static_cast<char*>(table) + 4, rows.data(), rows.size() * sizeof(net::TcpRow));
        return net::kTcpTableOk;
    }
};
Table* Table::current = nullptr;

// Distinct connections: local ports 1024.. and a few remote ports, all to one peer.
net::TcpRow Conn(int i) {
    const net::InAddr lo = net::MakeAddr(127, 0, 0, 1);
    const net::InAddr peer = net::MakeAddr(192, 168, 7, 20);
    return {net::kTcpStateEstablished, lo,
            net::TcpPortField(static_cast<std::uint16_t>(1024 + i % 60000)), peer,
            net::TcpPortField(static_cast<std::uint16_t>(1 + i / 60000))};
}

constexpr int kHistory = TConnectionMonitorPage::kRowLimit - 1;
constexpr int kOpen = 1000;

struct Fixture {
    Table table;
    bench::QuietDialogs dialogs;  // the row-limit box closes without OK: the history stays
    QObject queueTarget;
    PageContext context;
    TConnectionMonitorPage page{WithQueue(context, queueTarget)};

    // The page takes its queue as it is built, so the queue is there before the page.
    static PageContext& WithQueue(PageContext& c, QObject& target) {
        c.queue = std::make_shared<task::MainQueue>(&target);
        return c;
    }

    explicit Fixture(int history) {
        Table::current = &table;
        net::SetGetTcpTable(&Table::Get);
        ui::SetDialogs(&dialogs);
        // The bench calls the poll itself; the timer must not add polls of its own.
        page.Timer->SetInterval(24 * 3600 * 1000);
        page.sbClearClick();
        for (int i = 0; i < history; ++i)
            table.rows.push_back(Conn(i));
        page.TimerTimer();
        QCoreApplication::processEvents();
    }
    ~Fixture() {
        context.queue->Close();
        ui::SetDialogs(nullptr);
        net::SetGetTcpTable(nullptr);
        Table::current = nullptr;
    }
};

}  // namespace

// 1,000 open connections, all in the history already: the usual poll.
static void BM_MonitorTick_NothingNew(benchmark::State& state) {
    Fixture f(kHistory);
    f.table.rows.assign(f.table.rows.end() - kOpen, f.table.rows.end());
    for (auto _ : state) {
        f.page.TimerTimer();
        QCoreApplication::processEvents();
    }
    state.counters["history"] = f.page.sgConnHist->RowCount() - 1;
    state.counters["connections"] = kOpen;
}
BENCHMARK(BM_MonitorTick_NothingNew)->Unit(benchmark::kMillisecond);

// 1,000 open connections of which `range(0)` are new at every poll: rows appended, the grid
// told of them, and past the limit the warning (closed) on every poll.
static void BM_MonitorTick_SomeNew(benchmark::State& state) {
    const int fresh = static_cast<int>(state.range(0));
    Fixture f(kHistory - 1000);
    std::vector<net::TcpRow> known(f.table.rows.end() - (kOpen - fresh), f.table.rows.end());
    int next = kHistory;
    for (auto _ : state) {
        state.PauseTiming();
        f.table.rows = known;
        for (int i = 0; i < fresh; ++i)
            f.table.rows.push_back(Conn(next++));
        state.ResumeTiming();
        f.page.TimerTimer();
        QCoreApplication::processEvents();
    }
    state.counters["history_end"] = f.page.sgConnHist->RowCount() - 1;
}
BENCHMARK(BM_MonitorTick_SomeNew)->Arg(1)->Arg(10)->Iterations(200)->Unit(benchmark::kMillisecond);

// Reference: "is it new" as a look through every history row for each connection.
static void BM_FullScanReference(benchmark::State& state) {
    Fixture f(kHistory);
    std::vector<TTcpConnStatus> list;
    f.table.rows.assign(f.table.rows.end() - kOpen, f.table.rows.end());
    GetTcpConnStatusList(&list);
    const ui::TStringGrid* g = f.page.sgConnHist;
    for (auto _ : state) {
        int fresh = 0;
        for (const auto& rec : list) {
            const QString lp = QString::fromStdString(rec.LocalPort);
            const QString ra = QString::fromStdString(rec.RemoteAddress);
            const QString rp = QString::fromStdString(rec.RemotePort);
            const QString st = QString::fromStdString(rec.State);
            bool seen = false;
            for (int r = 0; r < g->RowCount() && !seen; ++r)
                seen = g->Cells(3, r) == lp && g->Cells(4, r) == ra && g->Cells(5, r) == rp &&
                       g->Cells(6, r) == st;
            fresh += !seen;
        }
        benchmark::DoNotOptimize(fresh);
    }
}
BENCHMARK(BM_FullScanReference)->Iterations(3)->Unit(benchmark::kMillisecond);
