#include "exchange/icalendarfields.h"

#include "core/calendar.h"

#include <algorithm>
#include <cstdlib>

namespace zk::icalendar {

icaltimetype dateOf(DayNumber day)
{
    const CivilDate c = civilDate(day);
    icaltimetype t = icaltime_null_date();
    t.year = c.year;
    t.month = c.month;
    t.day = c.day;
    return t;
}

icaltimetype localTimeOf(DayNumber day, TimeValue time)
{
    int minutes = time.isNone() ? 0 : time.minutes();
    const CivilDate c = civilDate(day + minutes / 1440);
    minutes %= 1440;
    icaltimetype t = icaltime_null_time();
    t.year = c.year;
    t.month = c.month;
    t.day = c.day;
    t.hour = minutes / 60;
    t.minute = minutes % 60;
    return t;
}

DayNumber dayOfTime(const icaltimetype& t)
{
    if (t.year < 1986 || t.year > 2068 || t.month < 1 || t.month > 12 || t.day < 1
        || t.day > monthLength(t.month, t.year))
        return kNoDay;
    const DayNumber day = dayOf(t.month, t.day, t.year);
    return day.isUsable() ? day : kNoDay;
}

TimeValue timeValueOf(const icaltimetype& t)
{
    if (t.is_date)
        return kNoTime;
    return TimeValue::fromClock(std::clamp(t.hour, 0, 23), std::clamp(t.minute, 0, 59));
}

int icalPriorityOf(std::uint8_t letter)
{
    if (letter < 'A' || letter > 'Z')
        return 0;
    return std::min(letter - 'A' + 1, 9);
}

std::uint8_t letterOfPriority(int priority)
{
    if (priority < 1 || priority > 9)
        return 0;
    return static_cast<std::uint8_t>('A' + priority - 1);
}

int alarmMinutesBefore(const ItemRecord& r)
{
    return r.alarmDays() * 1440 + r.alarmHours() * 60 + r.alarmMinutes();
}

void setAlarmOffset(ItemRecord& r, int minutesBefore)
{
    const int sign = minutesBefore < 0 ? -1 : 1;
    const int total = std::abs(minutesBefore);
    // The record holds at most 99 days; a longer lead rings 99 days ahead.
    const int days = std::min(total / 1440, 99);
    const int rest = std::min(total - days * 1440, 1439);
    r.setAlarmDays(static_cast<std::int8_t>(sign * days));
    r.setAlarmHours(static_cast<std::int8_t>(sign * (rest / 60)));
    r.setAlarmMinutes(static_cast<std::int16_t>(sign * (rest % 60)));
    r.setFlag(ItemFlag::fTickler, days != 0);
}

} // namespace zk::icalendar
