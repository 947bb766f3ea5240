// Balancing runs over a year of appointments (20 a week) and 1,000 or
// 10,000 floating tasks already placed: a full run takes every task off its
// days and places it again; the quick run that follows on the same day
// handles the first 200. Each is reported as time per task of the
// schedule, from one run of this program; the full run's cost per task
// must grow no worse than 1.5 times from 1,000 to 10,000 tasks. Loading
// the balanced schedule is timed beside it, for comparison.

#include "benchschedule.h"
#include "core/schedule.h"
#include "engine/balancing.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace {

using namespace zk;
using Clock = std::chrono::steady_clock;

struct Timings {
    double full = 0;   // microseconds per task
    double quick = 0;
    double load = 0;
};

double microsPerTask(Clock::duration elapsed, int tasks)
{
    return std::chrono::duration<double, std::micro>(elapsed).count() / tasks;
}

Timings timeRuns(int tasks)
{
    std::unique_ptr<Schedule> s = bench::yearOfTasks(tasks);
    const PlacementContext morning{bench::kYearStart, TimeValue::fromClock(7, 0)};
    BalanceOptions full;
    full.forced = true;
    balanceWorkload(*s, morning, full);  // every task on a day, as a schedule in use has them

    Timings t;
    auto start = Clock::now();
    balanceWorkload(*s, morning, full);
    t.full = microsPerTask(Clock::now() - start, tasks);

    start = Clock::now();
    BalanceOutcome quick = balanceWorkload(*s, PlacementContext{bench::kYearStart, TimeValue::fromClock(10, 0)});
    t.quick = microsPerTask(Clock::now() - start, tasks);
    benchmark::DoNotOptimize(quick.placed);

    t.load = bench::loadMicrosPerItem(*s, tasks, LocalMoment{2024, 3, 4, 10, 0, 0});
    return t;
}

void BalanceWorkloadPerTask(benchmark::State& state)
{
    // The best of alternating runs: noise only ever adds time.
    Timings small{1e30, 1e30, 1e30}, large{1e30, 1e30, 1e30};
    for (auto _ : state) {
        Timings a = timeRuns(1000);
        Timings b = timeRuns(10000);
        small = {std::min(small.full, a.full), std::min(small.quick, a.quick), std::min(small.load, a.load)};
        large = {std::min(large.full, b.full), std::min(large.quick, b.quick), std::min(large.load, b.load)};
    }
    state.counters["full_us_per_task_1k"] = small.full;
    state.counters["full_us_per_task_10k"] = large.full;
    state.counters["full_ratio_10k_to_1k"] = large.full / small.full;
    state.counters["quick_us_per_task_1k"] = small.quick;
    state.counters["quick_us_per_task_10k"] = large.quick;
    state.counters["load_us_per_task_10k"] = large.load;
    state.counters["full_to_load_10k"] = large.full / large.load;
}
BENCHMARK(BalanceWorkloadPerTask)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
