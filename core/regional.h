#pragma once
// Regional formats and week settings: how dates, times and weeks look to
// this user. Pure data with the defaults a fresh profile would give (U.S.
// order, 12-hour clock, English names); platform/regionalsource fills them
// from the profile file and the locale.
//
// Field names follow the profile's [intl] value names, so a setting can be
// traced from the file to the formatter without a mapping table.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace zk {

struct RegionalSettings {
    int iDate = 0;      // date order: 0 month-day-year, 1 day-month-year, 2 year-month-day
    int iTime = 0;      // 0 12-hour clock, 1 24-hour clock
    int iTLZero = 0;    // 1: leading zero on hours
    int iDayLzero = 0;  // 1: leading zero on days
    int iMonLzero = 0;  // 1: leading zero on months
    std::string sDate = "/";             // one character
    std::string sTime = ":";             // one character
    std::string sShortDate = "mm/dd/yy"; // at most kMaxShortDatePattern bytes

    // Sunday first, like DayNumber::weekday(); January first.
    std::array<std::string, 7> dayNames;
    std::array<std::string, 7> abbreviatedDayNames;
    std::array<std::string, 12> monthNames;
    std::array<std::string, 12> abbreviatedMonthNames;

    RegionalSettings();

    bool uses24HourClock() const { return iTime == 1; }
};

inline constexpr size_t kMaxShortDatePattern = 10;

struct WeekSettings {
    bool weekStartsMonday = false; // `WeekStartsMon`
    int firstWeekRule = 0;         // `FirstWeekRule`: 0 week of 1 January, 1 first full week, 2 first week of 4+ days
    int yearFirstWeekAdjust = 0;   // `YearFirstWeekAdjust`: weeks added to the first period week
};

// Brings every value into its documented range: numbers outside it fall back
// to the default, separators keep their first character, the pattern its
// first kMaxShortDatePattern bytes (cut on a character boundary), empty names
// the English ones. Formatters rely on this having been done.
RegionalSettings sanitised(RegionalSettings settings);
WeekSettings sanitised(WeekSettings settings);

// Leading UTF-8 characters of text (a whole multi-byte sequence counts as one;
// a stray byte counts as one character too).
std::string firstCharacters(std::string_view text, int count);

} // namespace zk
