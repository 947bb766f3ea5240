// Placing floating items one after another in priority order into a year
// of appointments, then laying out every day: the cost per item must grow
// no worse than 1.5 times from 1,000 to 10,000 items. Loading the schedule
// that results is timed beside it, for comparison.

#include "benchschedule.h"
#include "core/schedule.h"
#include "engine/placement.h"
#include "platform/clock.h"
#include "storage/datafile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

namespace {

using namespace zk;

constexpr DayNumber kToday = bench::kYearStart;

std::unique_ptr<Schedule> makeSchedule(int tasks) { return bench::yearOfTasks(tasks); }

PlacementContext startOfDay()
{
    PlacementContext context;
    context.today = kToday;
    context.now = TimeValue::fromClock(7, 0);
    return context;
}

void placeEverything(Schedule& s)
{
    Placement placement(s, startOfDay());
    std::vector<ItemHandle> order;
    for (PlistEntryHandle e : s.plist)
        order.push_back(s.plist.entry(e).item);
    for (ItemHandle h : order)
        placement.placeFloatingItem(h);
    std::vector<DayNumber> days;
    for (const auto& [day, record] : s.days)
        days.push_back(DayNumber(day));
    for (DayNumber day : days)
        placement.layoutDay(day);
}

using Clock = std::chrono::steady_clock;

double microsPerItem(Clock::duration elapsed, int items)
{
    return std::chrono::duration<double, std::micro>(elapsed).count() / items;
}

// Microseconds per item for placing and laying out, and for loading the
// result from its bytes.
std::pair<double, double> timeRun(int tasks)
{
    std::unique_ptr<Schedule> s = makeSchedule(tasks);
    auto start = Clock::now();
    placeEverything(*s);
    double placing = microsPerItem(Clock::now() - start, tasks);

    double loading = bench::loadMicrosPerItem(*s, tasks, LocalMoment{2024, 3, 4, 7, 0, 0});
    return {placing, loading};
}

void PlaceFloatingItemsPerItem(benchmark::State& state)
{
    // The best of alternating runs: noise only ever adds time.
    double small = 1e30, large = 1e30, loadSmall = 1e30, loadLarge = 1e30;
    for (auto _ : state) {
        auto [place1k, load1k] = timeRun(1000);
        auto [place10k, load10k] = timeRun(10000);
        small = std::min(small, place1k);
        large = std::min(large, place10k);
        loadSmall = std::min(loadSmall, load1k);
        loadLarge = std::min(loadLarge, load10k);
    }
    state.counters["us_per_item_1k"] = small;
    state.counters["us_per_item_10k"] = large;
    state.counters["ratio_10k_to_1k"] = large / small;
    state.counters["load_us_per_item_1k"] = loadSmall;
    state.counters["load_us_per_item_10k"] = loadLarge;
}
BENCHMARK(PlaceFloatingItemsPerItem)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
