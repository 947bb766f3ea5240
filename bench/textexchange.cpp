// Exporting a schedule of 100,000 items as text (the range export of every
// day that holds them, and the all-items list), each reported beside the
// load of the same schedule's data file in the same run: the counter
// "vsLoad" is the export's time over the load's.

#include "benchschedule.h"

#include "exchange/textexport.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zk;

constexpr int kItems = 100000;
constexpr int kPerDay = 20;
constexpr int kDays = kItems / kPerDay;

std::unique_ptr<Schedule> appointments(const Clock& clock)
{
    auto s = std::make_unique<Schedule>();
    s->setClock(&clock);
    s->header.setInterfaceMode(3);
    for (int d = 0; d < kDays; ++d) {
        DayNumber day = bench::kYearStart + d;
        s->getDay(day);
        for (int i = 0; i < kPerDay; ++i)
            bench::addAppointment(*s, day, 1 + i, 30);
    }
    return s;
}

double loadSeconds(Schedule& s, const LocalMoment& at)
{
    return bench::loadMicrosPerItem(s, kItems, at) * kItems / 1e6;
}

template <typename Export>
void measure(benchmark::State& state, Export run)
{
    const LocalMoment at{2024, 3, 4, 8, 0, 0};
    FixedClock clock(at);
    std::unique_ptr<Schedule> s = appointments(clock);
    TextExportContext context{{bench::kYearStart, TimeValue::fromClock(8, 0), RegionalSettings{}, {}},
                              bench::kYearStart, "bench"};
    double exportSeconds = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        std::string text = run(*s, context);
        exportSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    const double load = loadSeconds(*s, at);
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["loadSeconds"] = load;
    state.counters["vsLoad"] = exportSeconds / static_cast<double>(state.iterations()) / load;
}

void ExportRangeAsText(benchmark::State& state)
{
    measure(state, [](Schedule& s, const TextExportContext& c) {
        return exportRangeText(s, bench::kYearStart, bench::kYearStart + (kDays - 1), c);
    });
}
BENCHMARK(ExportRangeAsText)->Unit(benchmark::kMillisecond)->Iterations(1);

void ExportItemsListAsText(benchmark::State& state)
{
    measure(state, [](Schedule& s, const TextExportContext& c) { return exportItemsListText(s, c); });
}
BENCHMARK(ExportItemsListAsText)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
