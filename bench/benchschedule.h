#pragma once
// Building blocks the benchmarks share for making large schedules.

#include "core/schedule.h"
#include "core/daynumber.h"

#include <cstdio>

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

} // namespace zk::bench
