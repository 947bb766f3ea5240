#pragma once
// Reading an iCalendar (RFC 5545) file into items to add, without touching
// a schedule: VEVENT, VTODO and VJOURNAL, each mapped to the nearest kind.
//
// - Times with a TZID (the system's time zone database, or the file's own
//   VTIMEZONE) or in UTC become the local time of this machine; floating
//   times are taken as they stand.
// - A VEVENT with dates only: an all-day event on one day is a memo, over
//   several days a multi-day event, repeating yearly (or marked Birthday,
//   Anniversary, Holiday) a special day. With times: an appointment, or a
//   multi-day event when it lasts a day or more.
// - A VTODO: a floating task on its start day with its duration, DUE as
//   its deadline and its priority; a completed one is done. A VTODO without
//   any date goes into the Global List.
// - A VJOURNAL: a memo.
// - An RRULE that the schedule's recurrence rules can say (checked against
//   the format's own expansion of its first occurrences) becomes a
//   recurring definition; EXDATE days and the original days of the
//   RECURRENCE-ID instances are left out of it, and each such instance that
//   is not cancelled becomes an item of its own tied to it. Any other rule,
//   and RDATE, become dated items, one per occurrence.
// - DESCRIPTION is the item's note; VALARM with a relative trigger its
//   alarm; CATEGORIES are kept for the caller to match statuses and
//   projects.
//
// Bounds: a file over kMaxCalendarFileBytes, a line over
// kMaxCalendarLineBytes, more than kMaxCalendarItems items, or rules that
// together take more than kMaxFileRuleSteps steps is refused whole with a
// message; a rule is followed for at most kMaxRuleSteps occurrences and
// never past the last usable day. A component
// that cannot be read (no start, a rule that ends before it begins) is left
// out with a message of its own.

#include "core/itemrecord.h"
#include "sharing/additem.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

inline constexpr std::size_t kMaxCalendarFileBytes = 32u << 20;
inline constexpr std::size_t kMaxCalendarLineBytes = 1u << 20;
inline constexpr std::size_t kMaxCalendarItems = 100000;
// Enough steps for a daily rule over every usable day.
inline constexpr int kMaxRuleSteps = 31000;
// The steps of every rule of one file together.
inline constexpr long kMaxFileRuleSteps = 1500000;
// Dated occurrences written for one component at most.
inline constexpr int kMaxDatedOccurrences = 1000;

struct CalendarEntry {
    std::string uid;
    NewItem item;
    std::string note;
    std::vector<std::string> categories;
    // A recurring definition's days without their standard occurrence.
    std::vector<DayNumber> cancelled;
    // A moved or changed occurrence: its definition's day it replaces.
    DayNumber replaces;
    std::vector<CalendarEntry> moved;
};

struct CalendarReadOptions {
    ItemRecord templateItem;
    DayNumber today;
};

struct CalendarRead {
    std::vector<CalendarEntry> entries;
    // One line per component left out, or per rule written as dated items.
    std::vector<std::string> notices;
    // Set when the file is refused whole.
    std::string refusal;
    // Components left out.
    int skipped = 0;
};

CalendarRead readICalendar(std::string_view text, const CalendarReadOptions& options);

// Whether the bytes look like a calendar file (for choosing a reader).
bool looksLikeICalendar(std::string_view text);

extern const char* const kCalendarTooLargeText;
extern const char* const kCalendarLineTooLongText;
extern const char* const kCalendarNotReadText;
extern const char* const kCalendarTooManyItemsText;
extern const char* const kCalendarTooManyStepsText;

} // namespace zk
