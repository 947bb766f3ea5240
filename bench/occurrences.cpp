// Recurring occurrences at scale: putting one daily definition on every
// day record and taking it off again, and making day records while many
// definitions exist. The cost per day should not grow with the number of
// days (compare the per-day times of the two sizes).

#include "benchschedule.h"
#include "core/schedule.h"
#include "engine/placement.h"
#include "engine/recurrenceexpansion.h"
#include "platform/clock.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

using namespace zk;

constexpr DayNumber kToday{16135};  // Monday 4 March 2024

PlacementContext context()
{
    PlacementContext c;
    c.today = kToday;
    c.now = TimeValue::fromClock(8, 0);
    return c;
}

ItemHandle addDefinition(Schedule& s, const char* text, std::uint8_t type, int hour)
{
    ItemHandle h = s.newItem();
    s.setDescription(h, text);
    ItemRecord& r = s.record(h);
    r.setFlags(ItemFlag::fRecurDef | ItemFlag::fAnchored);
    r.setKind(ItemKind::appointment);
    r.setBeginTime(static_cast<std::int16_t>(TimeValue::fromClock(hour, 0).value()));
    r.setDuration(30);
    s.itemId(h);
    RecurrenceRecord rule;
    rule.setTypeByte(type);
    rule.setWeekdayByte(type == RecurType::weekly ? 0x3E : 0);
    rule.setInterval(1);
    rule.setStartDay(kToday);
    s.recurrences.add(h, rule);
    s.addToChain(h, DayNumber(kNoDayInChain));
    return h;
}

// `days` day records from today, each with four appointments.
std::unique_ptr<Schedule> makeDays(int days)
{
    auto s = std::make_unique<Schedule>();
    s->header.setLastPastDay(kToday - 1);
    for (int d = 0; d < days; ++d) {
        s->getDay(kToday + d);
        for (int hour : {9, 11, 14, 16})
            bench::addAppointment(*s, kToday + d, hour, 45);
    }
    return s;
}

void BM_PlaceDefinitionOnAllDays(benchmark::State& state)
{
    const int days = static_cast<int>(state.range(0));
    std::unique_ptr<Schedule> s = makeDays(days);
    ItemHandle daily = addDefinition(*s, "Daily check", RecurType::daily, 13);
    for (auto _ : state) {
        Placement placement(*s, context());
        RecurrenceExpansion expansion(placement);
        benchmark::DoNotOptimize(expansion.placeDefinitionOnAllDays(daily));
        expansion.takeDefinitionOffAllDays(daily);
    }
    state.counters["per_day_us"] = benchmark::Counter(static_cast<double>(days) * 1e-6,
                                                      benchmark::Counter::kIsIterationInvariantRate
                                                          | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PlaceDefinitionOnAllDays)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

void BM_NewDaysWithManyDefinitions(benchmark::State& state)
{
    const int days = static_cast<int>(state.range(0));
    FixedClock clock(LocalMoment{2024, 3, 4, 8, 0, 0});
    for (auto _ : state) {
        state.PauseTiming();
        Schedule s;
        s.header.setLastPastDay(kToday - 1);
        char text[32];
        for (int i = 0; i < 50; ++i) {
            std::snprintf(text, sizeof text, "Definition %02d", i);
            addDefinition(s, text, i % 2 ? RecurType::weekly : RecurType::monthly, 8 + i % 10);
        }
        attachOccurrencePlacing(s, clock);
        state.ResumeTiming();
        for (int d = 0; d < days; ++d)
            benchmark::DoNotOptimize(s.getDay(kToday + d));
    }
    state.counters["per_day_us"] = benchmark::Counter(static_cast<double>(days) * 1e-6,
                                                      benchmark::Counter::kIsIterationInvariantRate
                                                          | benchmark::Counter::kInvert);
}
BENCHMARK(BM_NewDaysWithManyDefinitions)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace
