#pragma once
// The two calendar grids without their windows: the month view's four weeks
// of days with their entries, and the pop-up calendar's six-week month with
// each day's utilisation colour.
//
// Contract:
// - Only days in 2300..32508 are read or shown: a cell of another day is
//   empty (usable false), and a day at a point outside that range is none,
//   so a click there is refused instead of wrapping to another day.
// - monthCells() reads the schedule while it runs and keeps nothing of it:
//   a window may paint the cells later without owning the schedule.
// - Geometry never divides by a zero size: a grid shrunk to nothing has no
//   day at any point.

#include "core/daynumber.h"
#include "core/item.h"
#include "core/regional.h"
#include "shell/model/panelines.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zk {

class Schedule;
class Settings;

inline constexpr int kMonthWeeks = 4;
inline constexpr int kMonthCells = 28;
inline constexpr int kPopUpWeeks = 6;
// More lines than a cell of the largest screen can hold are not composed.
inline constexpr std::size_t kMostMonthLines = 60;

// --- the month view ----------------------------------------------------------------------

// The first cell: today's week moved by the offset, from Sunday or Monday.
DayNumber monthFirstDay(DayNumber today, int weekOffset, bool weekStartsMonday);

struct WeekOffsetRange {
    int minimum = 0;
    int maximum = 0;
};
// The offsets that keep the grid within 2300..32508.
WeekOffsetRange monthWeekOffsets(DayNumber today);
int clampWeekOffset(int offset, DayNumber today);

// The distance text of a cell: "*" for today; with spans, "+5" or "-12"
// days under 90 days, then whole months ("+3m") from 3 months, whole
// years ("+2y") from 24 months, nothing above 99 years; without spans,
// nothing for other days.
std::string daySpanText(DayNumber day, DayNumber today, bool spans);

struct MonthOptions {
    bool weekStartsMonday = false;
    bool keyItemsOnly = false;      // MonthviewVitalsOnly
    bool appointmentsOnly = false;  // MonthviewEventsOnly
    bool beginTimes = false;        // MonthviewBeginTimes
    bool daySpans = false;          // MonthviewDaysSpans
    bool weekNumbers = false;       // MonthviewWkOfYr
    bool fiscalWeeks = false;       // the period form of the week number
    bool cashFlowView = false;      // every entry is shown
    bool statusColours = true;      // not in LITE mode
    // The most lines a cell shows (more are not composed).
    std::size_t linesPerCell = kMostMonthLines;
    WeekSettings week;
};

// The options as the user set them (WeekStartsMon, the Monthview... values
// and the fiscal week flag of the window row).
MonthOptions monthOptionsFrom(const Settings& settings);

struct MonthLine {
    ItemHandle item;
    std::string text;
    int status = 0;
};

struct MonthCell {
    DayNumber day;
    bool usable = false;
    int dayOfMonth = 0;
    bool firstOfMonth = false;
    bool highlighted = false;  // a holiday or Easter Sunday
    bool today = false;
    std::string monthYear;     // "Mar 24"
    std::string weekdaySpan;   // "Mo +3m"
    // On the first cell of a week, with week numbers: the calendar week,
    // and as the month view shows it, "(week 12)" or in the period form
    // "(07) P2:3" (period week, period of the year, week of the period).
    std::optional<int> weekNumber;
    std::string weekText;
    std::optional<MoonPhase> moon;
    std::vector<MonthLine> lines;
    // Entries that would be shown but did not fit in options.linesPerCell.
    std::size_t moreEntries = 0;
};

// The mark of a cell whose entries do not all fit: "+3 more".
std::string moreEntriesText(std::size_t count);
// The week number of the first cell of a week, in the options' form.
std::string weekNumberText(DayNumber day, const MonthOptions& options);

// The 28 cells from `first`, each with the first entries (at most
// options.linesPerCell) that the hide test and the options let through.
std::vector<MonthCell> monthCells(Schedule& schedule, DayNumber first, const MonthOptions& options,
                                  DayNumber today, const RegionalSettings& regional, const HideTest& hidden = {},
                                  bool moons = false);

// The day at a point of a grid of `weeks` rows and 7 columns filling
// width x height; none outside the grid, for an empty grid, or for a day
// outside 2300..32508.
std::optional<DayNumber> gridDayAt(DayNumber first, int weeks, int width, int height, int x, int y);

// --- the pop-up calendar ---------------------------------------------------------------

// The first day of the month holding `day`.
DayNumber firstOfMonth(DayNumber day);
// The month `months` away, or none when it leaves 2300..32508 (as a month:
// the months of day 2300 and day 32508 are the ends).
std::optional<DayNumber> monthMoved(DayNumber monthFirst, int months);
// The first of the 42 cells: the start of the week holding the month's first day.
DayNumber popUpFirstDay(DayNumber monthFirst, bool weekStartsMonday);

// The day's scheduled minutes as a share of its day window, in percent;
// none for a day without a record or an archived day.
std::optional<int> dayUtilisation(const Schedule& schedule, DayNumber day);
// COLORREF 0x00BBGGRR: green through yellow to red as a day fills, darker
// red past 100 percent, black below 0.
std::uint32_t utilisationColour(int percent);
inline constexpr std::uint32_t kNoUtilisationColour = 0xC0C0C0;

} // namespace zk
