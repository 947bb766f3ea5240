// Painting a full schedule pane of 199 lines into an image, beside laying
// out the same day and composing its lines, in one run: painting has to
// stay well within a frame while the user scrolls through busy days, and
// the ratio says how it compares with the scheduler's own work on the day.
// Beside it, in a schedule of 100,000 items (about 140 a day), the month
// view's four weeks and the pop-up calendar with its utilisation colours,
// each against one day pane of the same schedule.

#include "core/schedule.h"
#include "engine/daylayout.h"
#include "engine/placementcontext.h"
#include "shell/model/monthgrid.h"
#include "views/calendargrid.h"
#include "views/daypane.h"
#include "views/monthview.h"

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

constexpr int kLargeItems = 100000;
constexpr int kItemsPerDay = 140;

// 100,000 short appointments, 140 a day from kToday on.
std::unique_ptr<Schedule> largeSchedule()
{
    auto s = std::make_unique<Schedule>();
    s->header.setInterfaceMode(3);
    s->header.setDayStart(TimeValue::fromClock(0, 0));
    s->header.setDayEnd(TimeValue::fromClock(23, 59));
    char text[64];
    for (int i = 0; i < kLargeItems; ++i) {
        const DayNumber day = kToday + i / kItemsPerDay;
        const TimeValue begin = TimeValue::fromClock(0, 0) + (i % kItemsPerDay) * 10;
        ItemHandle h = s->newItem();
        std::snprintf(text, sizeof text, "Meeting %d about the plans", i);
        s->setDescription(h, text);
        ItemRecord& r = s->record(h);
        r.setFlags(ItemFlag::fAnchored);
        r.setKind(ItemKind::appointment);
        r.setStatus(static_cast<std::uint8_t>(i % 3));
        r.setBeginTime(static_cast<std::int16_t>(begin.value()));
        r.setDuration(kLength);
        s->itemId(h);
        s->getDay(day);
        s->addToChain(h, day);
        r.setDay(static_cast<std::uint16_t>(day.value()));
        s->days.appendEntry(day, DayEntry{h, static_cast<std::int16_t>(begin.value()), kLength});
    }
    return s;
}

// The large schedule and one day pane of it, which the calendars are
// measured against.
struct AgainstOnePane {
    AgainstOnePane() : schedule(largeSchedule())
    {
        at.today = kToday;
        at.now = TimeValue::fromClock(9, 0);
        pane.setStyle(PaneStyle());
        pane.resize(600, 700);
    }
    // One repaint of the pane on the day: its lines read and painted.
    double paneRepaint(DayNumber day)
    {
        const double start = threadMicroseconds();
        pane.showDay(*schedule, day, {at.today, at.now}, RegionalSettings());
        pane.render(&paneImage);
        return threadMicroseconds() - start;
    }

    QApplication& application = benchsupport::offscreenApplication();
    std::unique_ptr<Schedule> schedule;
    PlacementContext at;
    DayPane pane;
    QImage paneImage{600, 700, QImage::Format_ARGB32_Premultiplied};
};

void BM_PaintMonthView(benchmark::State& state)
{
    AgainstOnePane base;
    const DayNumber first = monthFirstDay(kToday + 14, 0, false);
    for (int i = 0; i < kMonthCells; ++i)
        layoutDay(*base.schedule, first + i, base.at);
    MonthView month;
    month.setStyle(PaneStyle(), QFont(), {});
    month.resize(1366, 700);
    QImage monthImage(month.size(), QImage::Format_ARGB32_Premultiplied);
    month.render(&monthImage);  // lays the grid out at its size

    double paneTime = 0, monthTime = 0, composeTime = 0;
    for (auto _ : state) {
        paneTime += base.paneRepaint(first + 3);
        const double start = threadMicroseconds();
        MonthOptions options;
        options.linesPerCell = month.linesPerCell();
        month.setCells(monthCells(*base.schedule, first, options, kToday, RegionalSettings()), first + 3, 2,
                       monthWeekOffsets(kToday));
        const double composed = threadMicroseconds();
        month.render(&monthImage);
        monthTime += threadMicroseconds() - start;
        composeTime += composed - start;
        benchmark::DoNotOptimize(monthImage.constBits());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["pane_us"] = paneTime / n;
    state.counters["month_us"] = monthTime / n;
    state.counters["month_cells_us"] = composeTime / n;
    state.counters["month_per_pane"] = monthTime / std::max(paneTime, 1e-9);
}
BENCHMARK(BM_PaintMonthView)->Unit(benchmark::kMicrosecond);

void BM_PaintPopUpCalendar(benchmark::State& state)
{
    AgainstOnePane base;
    CalendarGrid calendar;
    calendar.resize(420, 360);
    calendar.setMonth(kToday + 20);
    QImage calendarImage(calendar.size(), QImage::Format_ARGB32_Premultiplied);

    double paneTime = 0, calendarTime = 0;
    for (auto _ : state) {
        paneTime += base.paneRepaint(kToday + 3);
        const double start = threadMicroseconds();
        std::array<QColor, kCalendarCells> colours{};
        const DayNumber firstCell = calendar.firstDay();
        for (int i = 0; i < kCalendarCells; ++i) {
            const std::optional<int> percent = dayUtilisation(*base.schedule, firstCell + i);
            const std::uint32_t c = percent ? utilisationColour(*percent) : kNoUtilisationColour;
            colours[static_cast<std::size_t>(i)] = QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
        calendar.setDayColours(colours);
        calendar.render(&calendarImage);
        calendarTime += threadMicroseconds() - start;
        benchmark::DoNotOptimize(calendarImage.constBits());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["pane_us"] = paneTime / n;
    state.counters["calendar_us"] = calendarTime / n;
    state.counters["calendar_per_pane"] = calendarTime / std::max(paneTime, 1e-9);
}
BENCHMARK(BM_PaintPopUpCalendar)->Unit(benchmark::kMicrosecond);

} // namespace
