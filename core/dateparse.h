#pragma once
// Reading what the user types into date, time and duration fields, and the
// fixed date and time forms found in files.
//
// Contract: every parser reads only its text, whatever its length or bytes,
// and depends on nothing but its arguments. Dates and times come back as a
// day number or time value, or kInvalidEntry (-1); no day or time is -1, so
// the one int is enough. A duration can be -1 minute, so duration entry
// answers with an optional instead: nothing means invalid, 0 is "memo".
//
// Dates are checked against the usable range 2300..32508; times come back
// normalised to the day window (1441..2880 for small hours of a night-owl
// day); durations lie in -1440..1440.

#include "core/daynumber.h"
#include "core/regional.h"

#include <optional>
#include <string_view>

namespace zk {

inline constexpr int kInvalidEntry = -1;

// What an entry depends on besides its text.
struct EntryContext {
    DayNumber today;
    TimeValue now;
    RegionalSettings regional;
    WeekSettings week;
    // The day window; with nightOwl set it ends after midnight, and times
    // before the middle of the hours outside it belong to the day's end.
    TimeValue dayStart{421};
    TimeValue dayEnd{1381};
    bool nightOwl = false;
    // Dates typed without a year are read differently in these dialogs.
    bool itemEditorOpen = false;
    bool doneItemDialogOpen = false;
};

// "today", "0", "tom[orrow]", "+3", "2w", "-1m", "fri", "mo 2", "3/4", "3/4/24".
int parseDateEntry(std::string_view text, const EntryContext& context);
// "now", "noon", "9", "930", "9:30", "9:3" (9:30), "5:30" (17:30 on a 12-hour clock), "12a", "13:00".
int parseTimeEntry(std::string_view text, const EntryContext& context);
// "memo"/"note" (0), "2" (hours), "30" and "02" (minutes), "1:30", ":45", "130", "-3".
std::optional<int> parseDurationEntry(std::string_view text);

// File forms: "2024-03-05" (year, month, day), "05-Mar-2024" (day, the
// locale's abbreviated month name in any case, year) and "9:05am" (12 am is
// the hour after midnight). Day numbers 1..32767, time values 1..1440, else
// kInvalidEntry.
int parseFileDate(std::string_view text);
int parseFileDateWithMonthName(std::string_view text, const RegionalSettings& regional);
int parseFileTime(std::string_view text);

} // namespace zk
