// The All Items list and Find on a large schedule. Collecting a list walks
// the item chain once; a page draws only its visible lines, so drawing one
// page should cost the same on 10,000 and 100,000 items (compare the
// per-line times), and collecting should stay linear (per item). A find
// that meets its only match two years ahead walks about 730 days: its cost
// per day should not grow with the number of items beyond the one walk of
// the chain that bounds the search.

#include "benchschedule.h"
#include "core/schedule.h"
#include "platform/clock.h"
#include "shell/model/find.h"
#include "shell/model/listviews.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace zk;

constexpr DayNumber kToday{16135};  // Monday 4 March 2024
constexpr int kVisibleLines = 40;

struct Large {
    FixedClock clock{LocalMoment{2024, 3, 4, 8, 0, 0}};
    std::unique_ptr<Schedule> schedule = std::make_unique<Schedule>();
};

// `items` appointments spread over the 730 days from today, eight a day at
// most, and one far match at the end.
std::unique_ptr<Large> makeLarge(int items)
{
    auto large = std::make_unique<Large>();
    Schedule& s = *large->schedule;
    s.setClock(&large->clock);
    s.header.setLastPastDay(kToday - 1);
    for (int i = 0; i < items; ++i) {
        DayNumber day = kToday + (i / 8) % 729;
        s.getDay(day);
        bench::addAppointment(s, day, 8 + i % 8, 30);
    }
    s.getDay(kToday + 730);
    ItemHandle far = bench::addAppointment(s, kToday + 730, 9, 30);
    // The chain orders by text: the new text goes in again.
    s.setDescription(far, "Renew the passport");
    s.setDay(far, kToday + 730);
    return large;
}

void BM_CollectAllItems(benchmark::State& state)
{
    auto large = makeLarge(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<ItemHandle> items = listedItems(*large->schedule, ListViewId::allItems);
        benchmark::DoNotOptimize(items.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("per item");
}
BENCHMARK(BM_CollectAllItems)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

void BM_DrawAllItemsPage(benchmark::State& state)
{
    auto large = makeLarge(static_cast<int>(state.range(0)));
    const std::vector<ItemHandle> items = listedItems(*large->schedule, ListViewId::allItems);
    const ListLineContext context{kToday, RegionalSettings{}};
    std::size_t first = items.size() / 2;
    for (auto _ : state) {
        for (std::size_t i = first; i < first + kVisibleLines; ++i) {
            ListLine line = listLine(*large->schedule, ListViewId::allItems, items[i], context);
            benchmark::DoNotOptimize(line.rest.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kVisibleLines);
    state.SetLabel("per line drawn");
}
BENCHMARK(BM_DrawAllItemsPage)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);

void BM_FindTwoYearsAhead(benchmark::State& state)
{
    auto large = makeLarge(static_cast<int>(state.range(0)));
    const FindTexts texts{"passport", ""};
    for (auto _ : state) {
        FindResult r = searchDays(*large->schedule, kToday, std::nullopt, FindMode::Next, texts, FindHooks{});
        if (!r.found || r.day != kToday + 730)
            state.SkipWithError("the far match was not found");
    }
    state.SetItemsProcessed(state.iterations() * 730);
    state.SetLabel("per day walked");
}
BENCHMARK(BM_FindTwoYearsAhead)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace
