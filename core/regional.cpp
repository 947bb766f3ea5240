#include "core/regional.h"

#include "core/text.h"

namespace zk {

namespace {

constexpr std::array<const char*, 7> kEnglishDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                     "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 7> kEnglishAbbreviatedDays = {"Sun", "Mon", "Tue", "Wed",
                                                                "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kEnglishMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 12> kEnglishAbbreviatedMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Length of the UTF-8 sequence that starts with byte b; 1 for a byte that
// cannot start one, so broken text still advances.
size_t sequenceLength(unsigned char b)
{
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    if (b >= 0xE0)
        return b <= 0xEF ? 3 : 1;
    if (b >= 0xC2)
        return 2;
    return 1;
}

template <size_t N>
void fillEmpty(std::array<std::string, N>& names, const std::array<const char*, N>& english)
{
    for (size_t i = 0; i < N; ++i)
        if (names[i].empty())
            names[i] = english[i];
}

int inRange(int value, int low, int high, int fallback)
{
    return value >= low && value <= high ? value : fallback;
}

} // namespace

RegionalSettings::RegionalSettings()
{
    for (size_t i = 0; i < 7; ++i) {
        dayNames[i] = kEnglishDays[i];
        abbreviatedDayNames[i] = kEnglishAbbreviatedDays[i];
    }
    for (size_t i = 0; i < 12; ++i) {
        monthNames[i] = kEnglishMonths[i];
        abbreviatedMonthNames[i] = kEnglishAbbreviatedMonths[i];
    }
}

std::string firstCharacters(std::string_view text, int count)
{
    size_t end = 0;
    for (int i = 0; i < count && end < text.size(); ++i) {
        size_t len = sequenceLength(static_cast<unsigned char>(text[end]));
        // A sequence cut short by the end of the text ends the text.
        end = end + len <= text.size() ? end + len : text.size();
    }
    return std::string(text.substr(0, end));
}

RegionalSettings sanitised(RegionalSettings s)
{
    const RegionalSettings defaults;
    s.iDate = inRange(s.iDate, 0, 2, 0);
    s.iTime = inRange(s.iTime, 0, 1, 0);
    s.iTLZero = inRange(s.iTLZero, 0, 1, 0);
    s.iDayLzero = inRange(s.iDayLzero, 0, 1, 0);
    s.iMonLzero = inRange(s.iMonLzero, 0, 1, 0);
    s.sDate = s.sDate.empty() ? defaults.sDate : firstCharacters(s.sDate, 1);
    s.sTime = s.sTime.empty() ? defaults.sTime : firstCharacters(s.sTime, 1);
    s.sShortDate = s.sShortDate.empty() ? defaults.sShortDate
                                        : std::string(utf8Prefix(s.sShortDate, kMaxShortDatePattern));
    fillEmpty(s.dayNames, kEnglishDays);
    fillEmpty(s.abbreviatedDayNames, kEnglishAbbreviatedDays);
    fillEmpty(s.monthNames, kEnglishMonths);
    fillEmpty(s.abbreviatedMonthNames, kEnglishAbbreviatedMonths);
    return s;
}

WeekSettings sanitised(WeekSettings w)
{
    w.firstWeekRule = inRange(w.firstWeekRule, 0, 2, 0);
    // More than a year of adjustment has no meaning and would only let the
    // week arithmetic overflow.
    w.yearFirstWeekAdjust = inRange(w.yearFirstWeekAdjust, -52, 52, 0);
    return w;
}

} // namespace zk
