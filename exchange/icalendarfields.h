#pragma once
// What the calendar file writer and reader agree on: how a day and a time
// value become a calendar time and back, the priority scale, the alarm
// offset, and the property that carries a task's planned duration beside
// its due time (the format allows a task a DUE or a DURATION, not both).

#include "core/daynumber.h"
#include "core/itemrecord.h"

#include <libical/ical.h>

#include <cstdint>
#include <string>

namespace zk::icalendar {

inline constexpr const char* kPlannedDurationProperty = "X-ZELKON-PLANNED-DURATION";
inline constexpr const char* kProductId = "-//Morvane//Zelkon 21//EN";

// An all-day calendar date.
icaltimetype dateOf(DayNumber day);
// A floating (zone-less) local time: the schedule keeps local times only.
// Time values past midnight (night-owl small hours) fall on the next day.
icaltimetype localTimeOf(DayNumber day, TimeValue time);
// The day of a calendar date or local time (none when outside the usable
// days), and its time value (none for a date).
DayNumber dayOfTime(const icaltimetype& t);
TimeValue timeValueOf(const icaltimetype& t);

// Priority letters A.. map to 1.. (the format's 1 is the highest); letters
// past I share 9.
int icalPriorityOf(std::uint8_t letter);
std::uint8_t letterOfPriority(int priority);

// The alarm offset as signed minutes before the reference (negative:
// after), and back into the record's days, hours and minutes.
int alarmMinutesBefore(const ItemRecord& r);
void setAlarmOffset(ItemRecord& r, int minutesBefore);

} // namespace zk::icalendar
