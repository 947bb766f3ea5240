#pragma once
// Text forms of dates, times and durations, as shown in views, lists, logs
// and file names. Every formatter takes the regional settings it follows
// (already sanitised) and returns its own string.
//
// Contract: a day of 0 ("no date") and a time value of 0 ("no time") give an
// empty text; day 65535 (an unset unsigned day field) gives "#####" in the
// pattern forms. Time values above 1440 (small hours that belong to the day)
// are shown as the clock time they stand for. Years in numeric forms are two
// digits.

#include "core/daynumber.h"
#include "core/regional.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zk {

enum class NameForm {
    Full,        // "Wednesday"
    Abbreviated, // "Wed" (the locale's abbreviation)
    ThreeLetter, // the first three letters of the full name
    OneLetter,   // the first letter of the abbreviation
};

// Dates.
std::string dateByPattern(DayNumber d, std::string_view pattern);
std::string shortDate(DayNumber d, const RegionalSettings& regional); // by sShortDate
std::string fixedDate(DayNumber d);                                   // "m/d/yy"
std::string numericDate(DayNumber d, const RegionalSettings& regional);       // 3/04/24
std::string paddedNumericDate(DayNumber d, const RegionalSettings& regional); // 03/04/24
std::string fileNameDate(DayNumber d, const RegionalSettings& regional);      // 03-04-24
std::string monthDay(DayNumber d, const RegionalSettings& regional);          // 3/4
std::string paddedMonthDay(DayNumber d, const RegionalSettings& regional);    // 03/04
std::string dayName(DayNumber d, const RegionalSettings& regional, NameForm form = NameForm::Full);
std::string weekdayName(int weekday, const RegionalSettings& regional, NameForm form = NameForm::Full);
std::string monthName(int month, const RegionalSettings& regional, NameForm form = NameForm::Full);
// Short date, a blank, and the day name.
std::string dateAndWeekday(DayNumber d, const RegionalSettings& regional, NameForm form = NameForm::Full);
// The full day name for a day in the week from the reference day on (so the
// name is never ambiguous), else the short date.
std::string dateOrWeekday(DayNumber d, DayNumber reference, const RegionalSettings& regional);
std::string ordinal(int n); // 1st, 2nd, 3rd, 4th, 11th, 21st

// Times.
std::string timeText(TimeValue t, const RegionalSettings& regional);        // 9:05a, 21:05
std::string alignedTime(TimeValue t, const RegionalSettings& regional);     // " 9:05a", "09:05a"
std::string reportTime(TimeValue t, const RegionalSettings& regional);      // "09:05 am", "21:05"
std::string nearestHourTime(TimeValue t, const RegionalSettings& regional); // "9", "21:00"
std::string compactTime(TimeValue t);                                       // "0905"
// Short date and time joined by a blank.
std::string nowText(DayNumber today, TimeValue now, const RegionalSettings& regional);

// Durations in minutes.
std::string durationText(int minutes, const RegionalSettings& regional);  // "memo", ":30", "-1:30"
std::string durationClock(int minutes, const RegionalSettings& regional); // as above, 0 gives ":00"
std::string durationHours(int minutes);                                   // " 1.5"
std::string elapsedText(std::int64_t seconds, const RegionalSettings& regional); // "1:02:03", ":02:03"
std::string parenthesised(std::string_view text);                        // "(...)" for list columns

} // namespace zk
