#include "shell/model/monthgrid.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/schedule.h"
#include "core/statustable.h"
#include "engine/astronomy.h"
#include "engine/daylayout.h"
#include "engine/linetext.h"
#include "engine/moontimes.h"
#include "engine/placementcontext.h"
#include "shell/model/settings.h"

#include <algorithm>
#include <cstdio>

namespace zk {

namespace {

constexpr int kDaysShownAsDays = 90;
constexpr int kMonthsShownAsMonths = 24;
constexpr int kMostYearsShown = 99;
constexpr int kLowestUtilisation = -1;
constexpr int kHighestUtilisation = 180;

int weekdayFrom(DayNumber day, bool weekStartsMonday)
{
    return weekStartsMonday ? (day.weekday() + 6) % 7 : day.weekday();
}

// Whole calendar months from `from` to `to` (to later): the day of the
// month not yet reached leaves the last month incomplete.
int wholeMonths(DayNumber from, DayNumber to)
{
    int months = monthsBetween(from, to);
    if (months > 0 && civilDate(to).day < civilDate(from).day)
        --months;
    return months;
}

bool shownInMonth(const ItemRecord& r, const MonthOptions& options)
{
    if (options.cashFlowView || (!options.keyItemsOnly && !options.appointmentsOnly))
        return true;
    return (options.keyItemsOnly && r.has(ItemFlag::fKey)) || (options.appointmentsOnly && r.has(ItemFlag::fAnchored));
}

std::string lineText(Schedule& schedule, const DayEntry& entry, DayNumber day, const MonthOptions& options,
                     const RegionalSettings& regional)
{
    const ItemRecord& r = schedule.record(entry.item);
    std::string text = shownDescription(schedule, entry.item, day, regional);
    if (options.beginTimes && r.has(ItemFlag::fAnchored) && r.beginTime() > 0)
        return timeText(TimeValue(r.beginTime()), regional) + " " + text;
    return text;
}

} // namespace

// --- the month view ----------------------------------------------------------------------

MonthOptions monthOptionsFrom(const Settings& settings)
{
    MonthOptions options;
    options.weekStartsMonday = settings.isOn(IntSetting::WeekStartsMon);
    options.keyItemsOnly = settings.isOn(IntSetting::MonthviewVitalsOnly);
    options.appointmentsOnly = settings.isOn(IntSetting::MonthviewEventsOnly);
    options.beginTimes = settings.isOn(IntSetting::MonthviewBeginTimes);
    options.daySpans = settings.isOn(IntSetting::MonthviewDaysSpans);
    options.weekNumbers = settings.isOn(IntSetting::MonthviewWkOfYr);
    options.fiscalWeeks = (settings.windowRow().windowFlags & WindowFlag::fiscalWeeks) != 0;
    options.week = settings.week();
    return options;
}

DayNumber monthFirstDay(DayNumber today, int weekOffset, bool weekStartsMonday)
{
    return today + 7 * weekOffset - weekdayFrom(today, weekStartsMonday);
}

WeekOffsetRange monthWeekOffsets(DayNumber today)
{
    return {(kFirstUsableDay - today) / 7 + 1, (kLastUsableDay - today) / 7 - 4};
}

int clampWeekOffset(int offset, DayNumber today)
{
    const WeekOffsetRange range = monthWeekOffsets(today);
    return std::clamp(offset, range.minimum, std::max(range.minimum, range.maximum));
}

std::string daySpanText(DayNumber day, DayNumber today, bool spans)
{
    if (day == today)
        return "*";
    if (!spans)
        return {};
    const int days = day - today;
    const char* sign = days > 0 ? "+" : "-";
    const int distance = std::abs(days);
    if (distance < kDaysShownAsDays)
        return sign + std::to_string(distance);
    const int months = days > 0 ? wholeMonths(today, day) : wholeMonths(day, today);
    if (months < 3)
        return sign + std::to_string(distance);
    if (months < kMonthsShownAsMonths)
        return sign + std::to_string(months) + "m";
    if (months / 12 > kMostYearsShown)
        return {};
    return sign + std::to_string(months / 12) + "y";
}

std::vector<MonthCell> monthCells(Schedule& schedule, DayNumber first, const MonthOptions& options, DayNumber today,
                                  const RegionalSettings& regional, const HideTest& hidden, bool moons)
{
    std::vector<MonthCell> cells(kMonthCells);
    for (int i = 0; i < kMonthCells; ++i) {
        MonthCell& cell = cells[static_cast<std::size_t>(i)];
        cell.day = first + i;
        if (!cell.day.isUsable())
            continue;
        cell.usable = true;
        const CivilDate date = civilDate(cell.day);
        cell.dayOfMonth = date.day;
        cell.firstOfMonth = date.day == 1;
        cell.today = cell.day == today;
        cell.highlighted = isHighlightedDay(schedule, cell.day);
        char monthYear[32];
        std::snprintf(monthYear, sizeof monthYear, "%s %02d",
                      monthName(date.month, regional, NameForm::Abbreviated).c_str(), date.year % 100);
        cell.monthYear = monthYear;
        const std::string weekday = dayName(cell.day, regional, NameForm::Abbreviated).substr(0, 2);
        const std::string span = daySpanText(cell.day, today, options.daySpans);
        cell.weekdaySpan = span.empty() ? weekday : weekday + " " + span;
        if (options.weekNumbers && i % 7 == 0) {
            cell.weekNumber = calendarWeek(cell.day, options.week);
            cell.weekText = weekNumberText(cell.day, options);
        }
        if (moons)
            cell.moon = moonPhase(cell.day, utcOffsetOfDay(cell.day));
        // The day as the scheduler last laid it out: laying out 28 busy days
        // for every repaint would cost the month view more than it shows.
        const DayRecord* record = schedule.getDay(cell.day);
        if (!record)
            continue;
        const std::size_t room = std::min(options.linesPerCell, kMostMonthLines);
        for (const DayEntry& entry : record->entries()) {
            const ItemRecord& r = schedule.record(entry.item);
            if (!shownInMonth(r, options) || (hidden && hidden(entry.item)))
                continue;
            // Only counted: the cell says how many it could not show.
            if (cell.lines.size() >= room) {
                ++cell.moreEntries;
                continue;
            }
            cell.lines.push_back({entry.item, lineText(schedule, entry, cell.day, options, regional),
                                  options.statusColours ? statusIndexOf(r) : kNormalStatus});
        }
    }
    return cells;
}

std::string moreEntriesText(std::size_t count) { return "+" + std::to_string(count) + " more"; }

std::string weekNumberText(DayNumber day, const MonthOptions& options)
{
    char text[48];
    if (options.fiscalWeeks)
        std::snprintf(text, sizeof text, "(%02d) P%d:%d", periodWeek(day, options.week),
                      periodOfYear(day, options.week), weekOfPeriod(day, options.week));
    else
        std::snprintf(text, sizeof text, "(week %d)", calendarWeek(day, options.week));
    return text;
}

std::optional<DayNumber> gridDayAt(DayNumber first, int weeks, int width, int height, int x, int y)
{
    if (weeks <= 0 || width <= 0 || height <= 0 || x < 0 || y < 0 || x >= width || y >= height)
        return std::nullopt;
    const int row = std::min(weeks - 1, y * weeks / height);
    const int column = std::min(6, x * 7 / width);
    const DayNumber day = first + row * 7 + column;
    if (!day.isUsable())
        return std::nullopt;
    return day;
}

// --- the pop-up calendar ---------------------------------------------------------------

DayNumber firstOfMonth(DayNumber day) { return day - (civilDate(day).day - 1); }

std::optional<DayNumber> monthMoved(DayNumber monthFirst, int months)
{
    const DayNumber moved = addMonths(firstOfMonth(monthFirst), months);
    if (moved < firstOfMonth(kFirstUsableDay) || moved > kLastUsableDay)
        return std::nullopt;
    return moved;
}

DayNumber popUpFirstDay(DayNumber monthFirst, bool weekStartsMonday)
{
    return monthFirst - weekdayFrom(monthFirst, weekStartsMonday);
}

std::optional<int> dayUtilisation(const Schedule& schedule, DayNumber day)
{
    if (!day.isUsable() || schedule.isPastDay(day) || !schedule.findDay(day))
        return std::nullopt;
    const int window = minutesBetween(schedule.dayStart(), schedule.dayEnd());
    if (window <= 0)
        return std::nullopt;
    // Counted against the whole window, also for today, so a day's colour
    // does not change with the clock.
    PlacementContext context;
    const int scheduled = window - freeMinutesOfDay(schedule, day, context);
    return scheduled * 100 / window;
}

std::uint32_t utilisationColour(int percent)
{
    const int u = std::clamp(percent, kLowestUtilisation, kHighestUtilisation);
    int red = 0;
    int green = 0;
    if (u >= 0 && u <= 50) {
        red = u * 255 / 50;
        green = 255;
    } else if (u > 50 && u <= 100) {
        red = 255;
        green = 255 + ((50 - u) * 255) / 50;
    } else if (u > 100) {
        red = 455 - 2 * u;
        green = 0;
    }
    red = std::clamp(red, 0, 255);
    green = std::clamp(green, 0, 255);
    return static_cast<std::uint32_t>(green * 256 + red);
}

} // namespace zk
