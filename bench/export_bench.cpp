// Writing the largest reports: a long connection history and a big ping run as a page.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "export/reports.h"

namespace {

using orv::report::GridSnapshot;
using orv::report::Report;

GridSnapshot HistoryGrid(int records) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(static_cast<std::size_t>(records) + 1);
    for (int i = 0; i < records; ++i) {
        rows.push_back({"10/12/2026", "14:45:15", "192.168.1.5", std::to_string(40000 + i % 20000),
                        "192.0.2." + std::to_string(i % 250), "https", "ESTABLISHED",
                        "host" + std::to_string(i) + ".example"});
    }
    rows.emplace_back();
    return GridSnapshot(std::move(rows));
}

// `entries` items of one echo each, every fourth one failed.
GridSnapshot PingGrid(int entries) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(static_cast<std::size_t>(entries) + 2);
    rows.push_back({"Status", "IP or Domain/Host Name", "Bytes", "Time(ms)", "Failed Reason"});
    for (int i = 0; i < entries; ++i) {
        const std::string item = "item" + std::to_string(i) + ".example";
        if (i % 4 == 3)
            rows.push_back({"X", item, " ", " ", "Timed out"});
        else
            rows.push_back({"Running", item, "32", std::to_string(i % 90), " "});
    }
    rows.emplace_back();
    return GridSnapshot(std::move(rows));
}

void Run(benchmark::State& state, Report kind, const GridSnapshot& grid) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string report = orv::report::Write(kind, grid, 1, "10/12/2026 14:45:15");
        bytes = report.size();
        benchmark::DoNotOptimize(report.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_MonitorHistory100k(benchmark::State& state) {
    const GridSnapshot grid = HistoryGrid(100000);
    Run(state, Report::MonitorHistory, grid);
}
BENCHMARK(BM_MonitorHistory100k)->Unit(benchmark::kMillisecond);

void BM_PingAllHtml10k(benchmark::State& state) {
    const GridSnapshot grid = PingGrid(10000);
    Run(state, Report::PingAllHtml, grid);
}
BENCHMARK(BM_PingAllHtml10k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
