#pragma once
// Building blocks the benchmarks share for making large schedules.

#include "core/schedule.h"
#include "core/daynumber.h"
#include "engine/plistorder.h"
#include "platform/clock.h"
#include "storage/datafile.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

namespace zk::bench {

// An appointment at `hour` o'clock on `day`, in the item chain and on the
// day's record, as a loaded schedule holds it.
inline ItemHandle addAppointment(Schedule& s, DayNumber day, int hour, int minutes)
{
    char text[32];
    std::snprintf(text, sizeof text, "Appointment %d %d", day.value(), hour);
    ItemHandle h = s.newItem();
    s.setDescription(h, text);
    ItemRecord& r = s.record(h);
    r.setFlags(ItemFlag::fAnchored);
    r.setKind(ItemKind::appointment);
    r.setBeginTime(static_cast<std::int16_t>(TimeValue::fromClock(hour, 0).value()));
    r.setDuration(static_cast<std::uint16_t>(minutes));
    s.itemId(h);
    s.setDay(h, day);
    s.days.appendEntry(day, DayEntry{h, 0, r.duration()});
    return h;
}

// A description of 8 to 60 random lower-case letters.
inline std::string randomText(std::mt19937& rng)
{
    std::uniform_int_distribution<int> length(8, 60), letter(0, 25);
    std::string s(static_cast<std::size_t>(length(rng)), ' ');
    for (char& c : s)
        c = static_cast<char>('a' + letter(rng));
    return s;
}

inline constexpr DayNumber kYearStart{16135};  // Monday 4 March 2024

// 20 appointments a week for a year from kYearStart (four on every
// weekday), and n floating tasks of 15 to 240 minutes, a fifth of them
// split, a tenth with a deadline within the year, listed in the order they
// are made and on no day yet.
inline std::unique_ptr<Schedule> yearOfTasks(int tasks)
{
    auto s = std::make_unique<Schedule>();
    s->header.setInterfaceMode(3);
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> appointmentLength(30, 90), taskLength(15, 240), percent(0, 99), inYear(0, 364);
    char text[32];
    for (int d = 0; d < 365; ++d) {
        DayNumber day = kYearStart + d;
        if (day.isWeekend())
            continue;
        s->getDay(day);
        for (int hour : {9, 11, 14, 16})
            addAppointment(*s, day, hour, appointmentLength(rng));
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
            r.setDeadlineDate(static_cast<std::uint16_t>((kYearStart + inYear(rng)).value()));
        s->itemId(h);
        s->addToChain(h, kNoDay);
        addToPlist(*s, h, i + 1, kYearStart);
    }
    return s;
}

// Microseconds per item for reading the schedule back from the bytes it
// saves to, with the clock at `at`.
inline double loadMicrosPerItem(Schedule& s, int items, const LocalMoment& at)
{
    std::vector<std::uint8_t> bytes;
    saveDataBytes(s, bytes);
    FixedClock clock(at);
    LoadOptions options;
    options.clock = &clock;
    auto start = std::chrono::steady_clock::now();
    LoadResult loaded = loadDataBytes(bytes, options);
    auto elapsed = std::chrono::steady_clock::now() - start;
    if (!loaded.schedule)
        std::fprintf(stderr, "the saved schedule did not load\n");
    return std::chrono::duration<double, std::micro>(elapsed).count() / items;
}

} // namespace zk::bench
