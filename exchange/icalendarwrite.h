#pragma once
// A schedule, or the days of a range, as one iCalendar (RFC 5545) file.
//
// Times are written as floating local times: a schedule keeps the user's
// local times and no zone, so a reader in any zone sees the times the user
// entered.
//
// What each item becomes:
// - an appointment: a VEVENT with its begin and end time;
// - a floating task: a VTODO with its planned start (the placed start when
//   it has one), its duration, its deadline as DUE and its priority;
// - a special day: an all-day event marked Birthday, Anniversary or
//   Holiday (every year when it is a yearly recurring item; a special day
//   entered once stays on its one day); a memo (and a cash-flow item): an
//   all-day event; a multi-day event: an all-day event from its first to
//   its last day;
// - a recurring definition: one event with RRULE, EXDATE for its cancelled
//   occurrences and a RECURRENCE-ID event for each exception, when its rule
//   has an iCalendar form; otherwise each dated occurrence in the range (at
//   most two years of them), with a COMMENT saying so;
// - an alarm: a VALARM; a note: the DESCRIPTION; the status and the project:
//   CATEGORIES. Projects themselves and undated items are not written.

#include "core/daynumber.h"
#include "core/item.h"

#include <ctime>
#include <functional>
#include <string>

namespace zk {

class Schedule;
class StatusTable;

struct CalendarExportOptions {
    // The range, both days included; none for everything in the schedule.
    DayNumber from;
    DayNumber to;
    DayNumber today;
    // The export moment (DTSTAMP), seconds since 1970.
    std::time_t stamp = 0;
    const StatusTable* statuses = nullptr;
    // The item's note text; unset or empty: none.
    std::function<std::string(ItemHandle)> noteOf;
    // The UID an item was imported with; empty: one made from its id.
    std::function<std::string(ItemHandle)> uidOf;
    // Ends the UIDs made from ids, so that they stay apart from other
    // schedules' (the schedule's note prefix serves).
    std::string uidDomain;
};

std::string writeICalendar(const Schedule& schedule, const CalendarExportOptions& options);

// One item (for the clipboard): its own calendar file. For a recurring
// definition with `occurrence` given, that occurrence alone.
std::string writeICalendarItem(const Schedule& schedule, ItemHandle item, const CalendarExportOptions& options,
                               DayNumber occurrence = kNoDay);

// The UID made from an item id: "<id>@<domain>.zelkon".
std::string madeUid(std::uint32_t id, const std::string& domain);

} // namespace zk
