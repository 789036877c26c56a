// WhereIs on canonical dotted addresses, beside a plain binary search over the same rows.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "lookup/country_table.h"

namespace {

std::vector<std::string> Addresses() {
    std::mt19937 rng(20240601);
    std::uniform_int_distribution<int> octet(0, 255);
    std::vector<std::string> ips;
    ips.reserve(4096);
    for (int i = 0; i < 4096; ++i) {
        ips.push_back(std::to_string(octet(rng)) + '.' + std::to_string(octet(rng)) + '.' +
                      std::to_string(octet(rng)) + '.' + std::to_string(octet(rng)));
    }
    return ips;
}

// Baseline: the first two octets parsed, then the row found by binary search on (first, lo).
std::string_view SearchRows(std::string_view ip) {
    static const auto rows = orv::WhereIsRows();
    const auto dot1 = ip.find('.');
    const auto dot2 = ip.find('.', dot1 + 1);
    unsigned first = 0;
    unsigned second = 0;
    std::from_chars(ip.data(), ip.data() + dot1, first);
    std::from_chars(ip.data() + dot1 + 1, ip.data() + dot2, second);
    const std::uint32_t key = first << 8 | second;
    const auto it = std::upper_bound(rows.begin(), rows.end(), key,
                                     [](std::uint32_t k, const orv::WhereIsRow& r) {
                                         return k < (std::uint32_t(r.first) << 8 | r.lo);
                                     });
    return std::prev(it)->answer;
}

void BM_WhereIs(benchmark::State& state) {
    const auto ips = Addresses();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(orv::WhereIs(ips[i]).data());
        i = (i + 1) & 4095;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WhereIs);

void BM_BinarySearchBaseline(benchmark::State& state) {
    const auto ips = Addresses();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SearchRows(ips[i]).data());
        i = (i + 1) & 4095;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BinarySearchBaseline);

// Mostly the split octets, where the answer depends on the second label too.
void BM_WhereIsSplitOctets(benchmark::State& state) {
    std::vector<std::string> ips;
    std::mt19937 rng(7);
    const int split[] = {61, 62, 192, 193, 194, 195, 200, 202, 203, 210, 211, 212, 213, 217};
    for (int i = 0; i < 4096; ++i) {
        ips.push_back(std::to_string(split[rng() % 14]) + '.' + std::to_string(rng() % 256) +
                      ".1." + std::to_string(rng() % 256));
    }
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(orv::WhereIs(ips[i]).data());
        i = (i + 1) & 4095;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WhereIsSplitOctets);

}  // namespace

BENCHMARK_MAIN();
