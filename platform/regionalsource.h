#pragma once
// Where this user's regional formats and week settings come from. Each
// [intl] value (iDate, iTime, iTLZero, iDayLzero, iMonLzero, sDate, sTime,
// sShortDate) is taken from the profile file when it is set there, else from
// the user's locale; day and month names always come from the locale. The
// week settings (WeekStartsMon, FirstWeekRule, YearFirstWeekAdjust) come
// from the profile's [Zelkon] section when set, else from the locale's first
// weekday and first-week rule. A "C" or "POSIX" locale, or one that cannot be
// had, gives the built-in defaults.
//
// Both sources are named by the caller, so tests fix them instead of
// depending on the machine.

#include "core/regional.h"
#include "platform/inifile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zk {

struct UserRegional {
    RegionalSettings regional;
    WeekSettings week;
};

struct RegionalSources {
    std::filesystem::path profile; // empty: no profile file
    std::string localeName;        // "": the user's locale from the environment
};

// The sources of a normal run: profilePath() and the environment's locale.
RegionalSources userRegionalSources();

// Locale values, then profile values over them; always sanitised.
UserRegional loadUserRegional(const RegionalSources& sources);
UserRegional regionalFromLocale(const std::string& localeName);
void applyProfile(const IniFile& profile, UserRegional& settings);

// One named value, as the profile or a command line gives it: false for an
// unknown name or a value out of range. Names match without regard to case.
bool setIntlValue(RegionalSettings& regional, std::string_view name, std::string_view value);
bool setWeekSetting(WeekSettings& week, std::string_view name, std::string_view value);

// How a locale's strftime formats translate (exposed for tests, which cannot
// count on any locale being installed).
struct DateFormatFacts {
    int iDate = 0;
    std::string sDate;
    std::string sShortDate;
    int iDayLzero = 0;
    int iMonLzero = 0;
};
struct TimeFormatFacts {
    int iTime = 0;
    std::string sTime;
    int iTLZero = 0;
};
// From D_FMT ("%m/%d/%y", "%d.%m.%Y", "%F"); nothing when it lacks a day,
// month or year.
std::optional<DateFormatFacts> dateFormatFacts(std::string_view dateFormat);
// From T_FMT, and T_FMT_AMPM when T_FMT is "%r"; nothing without an hour.
std::optional<TimeFormatFacts> timeFormatFacts(std::string_view timeFormat, std::string_view amPmFormat);
// From the minimal number of days of the first week: 7 first full week (1),
// 4..6 four or more days (2), else the week of 1 January (0).
int firstWeekRuleForMinimalDays(int days);

} // namespace zk
