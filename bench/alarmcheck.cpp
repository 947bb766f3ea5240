// The minute's alarm check: finding today's due alarms on a day of 200
// entries, in a schedule of that one day and in one of 100,000 items. The
// check looks at today's entries only, so "vsOneDay" (the cost in the large
// schedule over the cost in the small one, thread CPU time) should stay
// near 1.

#include "benchschedule.h"

#include "worktools/model/alarmcheck.h"
#include "worktools/model/alarms.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>

namespace {

using namespace zk;

constexpr DayNumber kToday{16000};
constexpr int kEntriesToday = 200;

// 200 entries today, every fifth with an alarm 10 minutes before; and
// `otherItems` more on the following days, also with alarms.
std::unique_ptr<Schedule> makeSchedule(int otherItems)
{
    auto s = std::make_unique<Schedule>();
    s->header.setLastPastDay(kToday - 1);
    auto add = [&](DayNumber day, int i) {
        if (!s->days.find(day))
            s->days.insert(day);
        ItemHandle h = bench::addAppointment(*s, day, 6 + i % 14, 5);
        if (i % 5 == 0) {
            AlarmSettings alarm;
            alarm.minutes = 10;
            applyAlarmSettings(s->record(h), alarm);
        }
    };
    for (int i = 0; i < kEntriesToday; ++i)
        add(kToday, i);
    for (int i = 0; i < otherItems; ++i)
        add(kToday + 1 + i / kEntriesToday, i);
    return s;
}

double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double checkCost(Schedule& s, int rounds)
{
    const double start = threadSeconds();
    std::size_t found = 0;
    for (int i = 0; i < rounds; ++i)
        found += dueAlarms(s, kToday, TimeValue::fromClock(12, i % 60)).size();
    benchmark::DoNotOptimize(found);
    return threadSeconds() - start;
}

void MinuteCheckOneDay(benchmark::State& state)
{
    auto s = makeSchedule(0);
    for (auto _ : state)
        benchmark::DoNotOptimize(dueAlarms(*s, kToday, TimeValue::fromClock(12, 0)));
}
BENCHMARK(MinuteCheckOneDay);

void MinuteCheckLargeSchedule(benchmark::State& state)
{
    auto small = makeSchedule(0);
    auto large = makeSchedule(100000 - kEntriesToday);
    double ratio = 0;
    for (auto _ : state) {
        const double one = checkCost(*small, 200);
        const double big = checkCost(*large, 200);
        ratio = big / std::max(one, 1e-9);
    }
    state.counters["vsOneDay"] = ratio;
}
BENCHMARK(MinuteCheckLargeSchedule)->Iterations(5);

} // namespace
