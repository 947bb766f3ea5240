// Placing floating items one after another in priority order into a year
// of appointments, then laying out every day: the cost per item must grow
// no worse than 1.5 times from 1,000 to 10,000 items. Loading the schedule
// that results is timed beside it, for comparison.

#include "benchschedule.h"
#include "core/schedule.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "platform/clock.h"
#include "storage/datafile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>

namespace {

using namespace zk;

constexpr DayNumber kToday{16135};  // Monday 4 March 2024

// 20 appointments a week for a year (four on every weekday), and n floating
// tasks of 15 to 240 minutes, a fifth of them split, a tenth with a deadline
// within the year, listed in the order they are made.
std::unique_ptr<Schedule> makeSchedule(int tasks)
{
    auto s = std::make_unique<Schedule>();
    s->header.setInterfaceMode(3);
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> appointmentLength(30, 90), taskLength(15, 240), percent(0, 99), inYear(0, 364);
    char text[32];
    for (int d = 0; d < 365; ++d) {
        DayNumber day = kToday + d;
        if (day.isWeekend())
            continue;
        s->getDay(day);
        for (int hour : {9, 11, 14, 16})
            bench::addAppointment(*s, day, hour, appointmentLength(rng));
    }
    for (int i = 0; i < tasks; ++i) {
        ItemHandle h = s->newItem();
        std::snprintf(text, sizeof text, "Task %05d", i);
        s->setDescription(h, text);
        ItemRecord& r = s->record(h);
        r.setKind(ItemKind::task);
        r.setDuration(static_cast<std::uint16_t>(taskLength(rng)));
        r.setPriorityLetter('A');
        if (percent(rng) < 20)
            r.setFlag(ItemFlag::fSplit, true);
        if (percent(rng) < 10)
            r.setDeadlineDate(static_cast<std::uint16_t>((kToday + inYear(rng)).value()));
        s->itemId(h);
        s->addToChain(h, kNoDay);
        addToPlist(*s, h, i + 1, kToday);
    }
    return s;
}

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

    std::vector<std::uint8_t> bytes;
    saveDataBytes(*s, bytes);
    FixedClock clock(LocalMoment{2024, 3, 4, 7, 0, 0});
    LoadOptions options;
    options.clock = &clock;
    start = Clock::now();
    LoadResult loaded = loadDataBytes(bytes, options);
    double loading = microsPerItem(Clock::now() - start, tasks);
    benchmark::DoNotOptimize(loaded.schedule.get());
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
