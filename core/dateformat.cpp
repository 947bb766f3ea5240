#include "core/dateformat.h"

#include "core/calendar.h"
#include "core/text.h"

#include <array>
#include <cstdio>
#include <cstdlib>

namespace zk {

namespace {

constexpr int kUnsetDay = 65535;

std::string digits(std::int64_t n) { return std::to_string(n); }

std::string twoDigits(std::int64_t n) { return n >= 0 && n < 10 ? "0" + digits(n) : digits(n); }

std::string spacePadded(std::int64_t n) { return n >= 0 && n < 10 ? " " + digits(n) : digits(n); }

int twoDigitYear(int year) { return (year % 100 + 100) % 100; }

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// One field of a date pattern: a run of d, m or y in either case.
std::string patternField(char letter, size_t run, const CivilDate& c)
{
    switch (letter) {
    case 'd':
        return run >= 2 ? twoDigits(c.day) : digits(c.day);
    case 'm':
        return run >= 2 ? twoDigits(c.month) : digits(c.month);
    default:
        if (run >= 3)
            return c.year >= 0 && c.year < 1000 ? std::string(4 - digits(c.year).size(), '0') + digits(c.year)
                                                : digits(c.year);
        return run == 2 ? twoDigits(twoDigitYear(c.year)) : digits(twoDigitYear(c.year));
    }
}

// Fields of a numeric date in iDate order.
std::array<int, 3> inDateOrder(const CivilDate& c, int iDate)
{
    const int y = twoDigitYear(c.year);
    switch (iDate) {
    case 1:
        return {c.day, c.month, y};
    case 2:
        return {y, c.month, c.day};
    default:
        return {c.month, c.day, y};
    }
}

std::string numericDateWith(DayNumber d, const RegionalSettings& regional, bool padFirst, const std::string& sep)
{
    if (d.isNone())
        return {};
    const auto f = inDateOrder(civilDate(d), regional.iDate);
    // A leading year is still two digits.
    const bool pad = padFirst || regional.iDate == 2;
    return (pad ? twoDigits(f[0]) : digits(f[0])) + sep + twoDigits(f[1]) + sep + twoDigits(f[2]);
}

std::string monthDayWith(DayNumber d, const RegionalSettings& regional, bool padded)
{
    if (d.isNone())
        return {};
    const CivilDate c = civilDate(d);
    const int first = regional.iDate == 1 ? c.day : c.month;
    const int second = regional.iDate == 1 ? c.month : c.day;
    auto field = [padded](int n) { return padded ? twoDigits(n) : digits(n); };
    return field(first) + regional.sDate + field(second);
}

std::string nameIn(const std::string& full, const std::string& abbreviated, NameForm form)
{
    switch (form) {
    case NameForm::Abbreviated:
        return abbreviated;
    case NameForm::ThreeLetter:
        return firstCharacters(full, 3);
    case NameForm::OneLetter:
        return firstCharacters(abbreviated, 1);
    default:
        return full;
    }
}

// Minutes after midnight (0..1439) of a time value; values beyond 1440 are
// small hours of the day and show as the clock time they stand for.
int clockMinutes(int t) { return (t - 1) % 1440; }

int twelveHour(int hour) { return hour % 12 == 0 ? 12 : hour % 12; }

bool isMorning(int minutes) { return minutes < 720; }

std::int64_t magnitude(std::int64_t n) { return n < 0 ? -n : n; }

} // namespace

std::string dateByPattern(DayNumber d, std::string_view pattern)
{
    if (d.isNone())
        return {};
    if (d.value() == kUnsetDay)
        return "#####";
    if (compareIgnoringCase(pattern, "dd-MMM-yy") == 0)
        pattern = "dd-mm-yy"; // month names do not fit the numeric columns
    const CivilDate c = civilDate(d);
    std::string out;
    for (size_t i = 0; i < pattern.size();) {
        const char letter = lower(pattern[i]);
        if (letter != 'd' && letter != 'm' && letter != 'y') {
            out += pattern[i++];
            continue;
        }
        size_t run = 1;
        while (i + run < pattern.size() && lower(pattern[i + run]) == letter)
            ++run;
        out += patternField(letter, run, c);
        i += run;
    }
    return out;
}

std::string shortDate(DayNumber d, const RegionalSettings& regional) { return dateByPattern(d, regional.sShortDate); }

std::string fixedDate(DayNumber d) { return dateByPattern(d, "m/d/yy"); }

std::string numericDate(DayNumber d, const RegionalSettings& regional)
{
    return numericDateWith(d, regional, false, regional.sDate);
}

std::string paddedNumericDate(DayNumber d, const RegionalSettings& regional)
{
    return numericDateWith(d, regional, true, regional.sDate);
}

std::string fileNameDate(DayNumber d, const RegionalSettings& regional)
{
    // "/" cannot stand in a file name.
    return numericDateWith(d, regional, true, regional.sDate == "/" ? std::string("-") : regional.sDate);
}

std::string monthDay(DayNumber d, const RegionalSettings& regional) { return monthDayWith(d, regional, false); }

std::string paddedMonthDay(DayNumber d, const RegionalSettings& regional) { return monthDayWith(d, regional, true); }

std::string weekdayName(int weekday, const RegionalSettings& regional, NameForm form)
{
    if (weekday < 0 || weekday > 6)
        return {};
    const auto i = static_cast<size_t>(weekday);
    return nameIn(regional.dayNames[i], regional.abbreviatedDayNames[i], form);
}

std::string dayName(DayNumber d, const RegionalSettings& regional, NameForm form)
{
    return d.isNone() ? std::string() : weekdayName(d.weekday(), regional, form);
}

std::string monthName(int month, const RegionalSettings& regional, NameForm form)
{
    if (month < 1 || month > 12)
        return {};
    const auto i = static_cast<size_t>(month - 1);
    return nameIn(regional.monthNames[i], regional.abbreviatedMonthNames[i], form);
}

std::string dateAndWeekday(DayNumber d, const RegionalSettings& regional, NameForm form)
{
    if (d.isNone())
        return {};
    return shortDate(d, regional) + " " + dayName(d, regional, form);
}

std::string dateOrWeekday(DayNumber d, DayNumber reference, const RegionalSettings& regional)
{
    const int ahead = d - reference;
    if (!d.isNone() && ahead >= 0 && ahead <= 6)
        return dayName(d, regional);
    return shortDate(d, regional);
}

std::string ordinal(int n)
{
    const std::int64_t a = magnitude(n);
    const std::int64_t lastTwo = a % 100;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        switch (a % 10) {
        case 1: suffix = "st"; break;
        case 2: suffix = "nd"; break;
        case 3: suffix = "rd"; break;
        default: break;
        }
    }
    return digits(n) + suffix;
}

std::string timeText(TimeValue t, const RegionalSettings& regional)
{
    if (t.value() <= 0)
        return {};
    const int m = clockMinutes(t.value());
    if (regional.uses24HourClock())
        return digits(m / 60) + regional.sTime + twoDigits(m % 60);
    return digits(twelveHour(m / 60)) + regional.sTime + twoDigits(m % 60) + (isMorning(m) ? "a" : "p");
}

std::string alignedTime(TimeValue t, const RegionalSettings& regional)
{
    if (t.value() <= 0)
        return {};
    const int m = clockMinutes(t.value());
    const int hour = regional.uses24HourClock() ? m / 60 : twelveHour(m / 60);
    const std::string h = regional.iTLZero ? twoDigits(hour) : spacePadded(hour);
    const std::string clock = h + regional.sTime + twoDigits(m % 60);
    return regional.uses24HourClock() ? clock : clock + (isMorning(m) ? "a" : "p");
}

std::string reportTime(TimeValue t, const RegionalSettings& regional)
{
    if (t.value() <= 0)
        return {};
    const int m = clockMinutes(t.value());
    if (regional.uses24HourClock())
        return twoDigits(m / 60) + regional.sTime + twoDigits(m % 60);
    return twoDigits(twelveHour(m / 60)) + regional.sTime + twoDigits(m % 60) + (isMorning(m) ? " am" : " pm");
}

std::string nearestHourTime(TimeValue t, const RegionalSettings& regional)
{
    if (t.value() <= 0)
        return {};
    const int hour = clockMinutes(t.value() + 30) / 60; // [0, 23]
    if (regional.uses24HourClock())
        return digits(hour) + regional.sTime + "00";
    return digits(twelveHour(hour));
}

std::string compactTime(TimeValue t)
{
    if (t.value() <= 0)
        return {};
    const int m = clockMinutes(t.value());
    return twoDigits(m / 60) + twoDigits(m % 60);
}

std::string nowText(DayNumber today, TimeValue now, const RegionalSettings& regional)
{
    return shortDate(today, regional) + " " + timeText(now, regional);
}

std::string durationText(int minutes, const RegionalSettings& regional)
{
    return minutes == 0 ? std::string("memo") : durationClock(minutes, regional);
}

std::string durationClock(int minutes, const RegionalSettings& regional)
{
    const std::string sign = minutes < 0 ? "-" : "";
    const std::int64_t a = magnitude(minutes);
    const std::string tail = regional.sTime + twoDigits(a % 60);
    return a >= 60 ? sign + digits(a / 60) + tail : sign + tail;
}

std::string durationHours(int minutes)
{
    std::array<char, 48> text{};
    std::snprintf(text.data(), text.size(), "%4.1f", minutes / 60.0);
    return text.data();
}

std::string elapsedText(std::int64_t seconds, const RegionalSettings& regional)
{
    const std::string sign = seconds < 0 ? "-" : "";
    // The most negative count has no positive twin; one second less is fine.
    const std::int64_t a = magnitude(seconds == INT64_MIN ? seconds + 1 : seconds);
    const std::string tail = regional.sTime + twoDigits(a / 60 % 60) + regional.sTime + twoDigits(a % 60);
    return a >= 3600 ? sign + digits(a / 3600) + tail : sign + tail;
}

std::string parenthesised(std::string_view text) { return "(" + std::string(text) + ")"; }

} // namespace zk
