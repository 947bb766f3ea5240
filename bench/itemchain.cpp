// Inserting items into the item chain and creating day records: the cost per
// insert must stay nearly flat from 10,000 to 100,000 items.

#include "core/schedule.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>

namespace {

std::vector<std::string> randomDescriptions(std::size_t n)
{
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> length(5, 60), letter(0, 51);
    std::vector<std::string> out(n);
    for (auto& s : out) {
        int len = length(rng);
        for (int i = 0; i < len; ++i) {
            int c = letter(rng);
            s += static_cast<char>(c < 26 ? 'a' + c : 'A' + c - 26);
        }
    }
    return out;
}

// Nanoseconds per insert of n items into an empty schedule.
double nanosPerInsert(const std::vector<std::string>& texts, std::size_t n)
{
    zk::Schedule s;
    auto start = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < n; ++i) {
        zk::ItemHandle h = s.newItem();
        s.setDescription(h, texts[i]);
        s.addToChain(h, zk::DayNumber(10000 + static_cast<int>(i % 3000)));
    }
    auto elapsed = std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(s.chain.size());
    return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(n);
}

void ChainInsertPerItem(benchmark::State& state)
{
    auto texts = randomDescriptions(100000);
    // The best of alternating runs: the machines are noisy, and noise only
    // ever adds time.
    double small = 1e30, large = 1e30;
    for (auto _ : state) {
        small = std::min(small, nanosPerInsert(texts, 10000));
        large = std::min(large, nanosPerInsert(texts, 100000));
    }
    state.counters["ns_per_insert_10k"] = small;
    state.counters["ns_per_insert_100k"] = large;
    state.counters["ratio_100k_to_10k"] = large / small;
}
BENCHMARK(ChainInsertPerItem)->Unit(benchmark::kMillisecond)->Iterations(5);

void CreateRandomDays(benchmark::State& state)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> day(zk::kFirstUsableDay.value(), zk::kLastUsableDay.value());
    std::vector<zk::DayNumber> days(10000);
    for (auto& d : days)
        d = zk::DayNumber(day(rng));
    for (auto _ : state) {
        zk::Schedule s;
        s.dayIsShown = [](zk::DayNumber) { return true; };  // keep them all
        for (auto d : days)
            benchmark::DoNotOptimize(s.getDay(d));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(days.size()));
}
BENCHMARK(CreateRandomDays)->Unit(benchmark::kMillisecond);

} // namespace
