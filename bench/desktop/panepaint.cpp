// Painting a full schedule pane of 199 lines into an image, beside laying
// out the same day and composing its lines, in one run: painting has to
// stay well within a frame while the user scrolls through busy days, and
// the ratio says how it compares with the scheduler's own work on the day.

#include "core/schedule.h"
#include "engine/daylayout.h"
#include "engine/placementcontext.h"
#include "views/daypane.h"

#include "offscreen.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

using namespace zk;

constexpr DayNumber kToday{16135};  // Monday 4 March 2024
constexpr int kEntries = 100;
constexpr int kSpacing = 9;  // minutes from one entry's start to the next
constexpr int kLength = 5;

// 100 short appointments with a gap after each but the last, which ends the
// day: 100 entry lines and 99 gap lines. Every few carry a mark.
std::unique_ptr<Schedule> busyDay()
{
    auto s = std::make_unique<Schedule>();
    s->header.setInterfaceMode(3);
    TimeValue first = TimeValue::fromClock(7, 0);
    s->header.setDayStart(first);
    s->header.setDayEnd(first + (kEntries - 1) * kSpacing + kLength);
    s->getDay(kToday + 1);
    char text[64];
    for (int i = 0; i < kEntries; ++i) {
        ItemHandle h = s->newItem();
        std::snprintf(text, sizeof text, "Appointment number %d with a longer description", i);
        s->setDescription(h, text);
        ItemRecord& r = s->record(h);
        std::uint32_t flags = ItemFlag::fAnchored;
        flags |= i % 3 == 0 ? ItemFlag::fKey : 0;
        flags |= i % 4 == 0 ? ItemFlag::fAlarm : 0;
        flags |= i % 5 == 0 ? ItemFlag::fHasNotes : 0;
        flags |= i % 7 == 0 ? ItemFlag::fDone : 0;
        r.setFlags(flags);
        r.setKind(ItemKind::appointment);
        r.setBeginTime(static_cast<std::int16_t>((first + i * kSpacing).value()));
        r.setDuration(kLength);
        s->itemId(h);
        s->addToChain(h, kToday + 1);
        r.setDay(static_cast<std::uint16_t>((kToday + 1).value()));
        s->days.appendEntry(kToday + 1, DayEntry{h, 0, kLength});
    }
    return s;
}

// This thread's processor time: the machine may be busy with other work,
// and only what painting itself costs is compared.
double threadMicroseconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

void BM_PaintFullPane(benchmark::State& state)
{
    benchsupport::offscreenApplication();
    std::unique_ptr<Schedule> schedule = busyDay();
    const DayNumber day = kToday + 1;
    PlacementContext at;
    at.today = kToday;
    at.now = TimeValue::fromClock(9, 0);

    PaneDisplay display;
    display.proMode = true;
    display.liteMode = false;
    display.timespace = false;  // one line per entry: the most lines on a page
    DayPane pane;
    pane.setDisplay(display);
    pane.setStyle(PaneStyle());
    pane.showDay(*schedule, day, {at.today, at.now}, RegionalSettings());
    const int lineHeight = pane.record().metrics().lineHeight;
    pane.resize(600, pane.headingHeight() + kMaxPaneRows * lineHeight);
    pane.showDay(*schedule, day, {at.today, at.now}, RegionalSettings());
    if (pane.record().lineCount() != kMaxPaneRows || pane.record().rows().size() != kMaxPaneRows) {
        state.SkipWithError("the day does not fill the pane with 199 lines");
        return;
    }
    QImage image(pane.size(), QImage::Format_ARGB32_Premultiplied);

    double layout = 0, lines = 0, paint = 0;
    for (auto _ : state) {
        double start = threadMicroseconds();
        layoutDay(*schedule, day, at);
        double laidOut = threadMicroseconds();
        pane.showDay(*schedule, day, {at.today, at.now}, RegionalSettings());
        double composed = threadMicroseconds();
        pane.render(&image);
        double painted = threadMicroseconds();
        layout += laidOut - start;
        lines += composed - laidOut;
        paint += painted - composed;
        benchmark::DoNotOptimize(image.constBits());
    }
    double n = static_cast<double>(state.iterations());
    state.counters["layout_us"] = layout / n;
    state.counters["lines_us"] = lines / n;
    state.counters["paint_us"] = paint / n;
    state.counters["paint_per_layout"] = paint / std::max(layout, 1e-9);
}
BENCHMARK(BM_PaintFullPane)->Unit(benchmark::kMicrosecond);

} // namespace
