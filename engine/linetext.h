#pragma once
// The texts of the schedule window, which the text export and reports
// share: an entry's line (time column, marks, description and its groups),
// a gap line, the day facts line, the status text of the schedules area,
// the clock text and the main window's title.
//
// Contract:
// - Every function composes text only; none draws, none keeps a reference
//   to the schedule after it returns.
// - A day entry's negative start marks a conflict (the day layout's sign);
//   `timeInRed` says so to the painter.
// - Times in the columns are right-aligned in six characters ("%6s"), so a
//   monospaced rendering lines the columns up and a proportional painter can
//   right-align the trimmed field instead.

#include "core/daylist.h"
#include "core/daynumber.h"
#include "core/regional.h"
#include "engine/moontimes.h"
#include "engine/suntimes.h"
#include "engine/tides.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

class Schedule;

// Where the intl currency symbol goes (LOCALE_ICURRENCY): 0 before, 1 after,
// 2 before with a blank, 3 after with a blank.
struct CurrencyFormat {
    std::string symbol = "$";
    int placement = 0;
};

// The display options that change what a line says or how it looks.
struct PaneDisplay {
    bool proMode = false;
    bool liteMode = true;
    bool printing = false;
    bool showTaskTimes = true;
    bool showDoneTaskTimes = true;
    bool showEndTimes = false;
    bool showOppCosts = false;
    bool hideGaps = false;
    int minFreeLenShow = 5;
    bool showConflictLens = false;
    bool noPastStrikes = false;
    bool timespace = true;
    int nBatting = 7;
    bool shading = true;
    bool itemBorders = false;
    bool valuesDisplay = false;  // "Marval Prioritization"
    bool valuePerHour = false;
    bool weekOfYear = false;     // MonthviewWkOfYr
    bool hideStatusTags = false;
    bool protectedSchedule = false;  // the data file cannot be written
    WeekSettings week;
    double hourlyRate = 0;
    CurrencyFormat currency;
    // The status table's labels, for the printed status tag.
    std::array<std::string, 8> statusLabels;
    MoonDisplay moon;
    SunDisplay sun;
    TideDisplay tides;
};

struct LineMoment {
    DayNumber today;
    TimeValue now;
};

struct ItemLineText {
    std::string time;        // "%6s": a start time, "hold", "memo" or blanks
    std::string afterTime;   // " " for a done item, "^" for a printed scheduler placement
    std::string endTime;     // "  %6s" and a blank for a done item; empty without end times
    std::string text;        // the main text with its duration, priority, cost and deadline groups
    std::string conflictLens;  // "(:30)" by which a placement runs past its latest end
    bool separator = false;  // a "bar" description: a ruled line and nothing else
    bool timeInRed = false;  // a conflicting placement

    // The line as one text: the time column, a blank, the main text.
    std::string whole() const;
};

// An item's description as a line shows it on the day: its braced keywords
// replaced by their values, and a yearly series' years since the year in it.
std::string shownDescription(const Schedule& schedule, ItemHandle item, DayNumber day,
                             const RegionalSettings& regional);

// The rank the pane painter counted for the entry (1-based; 0 = none).
ItemLineText itemLineText(Schedule& schedule, const DayEntry& entry, DayNumber day, int rank,
                          const PaneDisplay& display, const LineMoment& moment, const RegionalSettings& regional);

// The marks after a description: " -r" or " -rx" for a recurrence, " -a"
// (with "x" or "r" for its state) for an alarm from today on, and the
// deadline of a floating item.
std::string recurrenceMark(const ItemRecord& record);
std::string alarmMark(const ItemRecord& record, DayNumber day, DayNumber today);
std::string deadlineMark(const ItemRecord& record, DayNumber day);
// The part of a duration group before the duration: the minutes since a
// started entry began ("*" before it began), and the placed minutes of a
// split piece or of an entry that got less than it needs.
std::string progressPart(const DayEntry& entry, const ItemRecord& record, DayNumber day, const LineMoment& moment,
                         const RegionalSettings& regional);
// Where the day's free time is counted from: the day start, or the first
// entry's start when that entry is anchored there.
int freeTimeFrom(const Schedule& schedule, const std::vector<DayEntry>& entries);

struct GapLineText {
    std::string time;     // "%6s" begin time, or blanks without task times
    std::string endTime;  // "  %6s" with end times
    std::string text;     // "(1:30)" and the opportunity cost
    std::string whole() const;
};
GapLineText gapLineText(TimeValue begin, TimeValue end, const PaneDisplay& display, const RegionalSettings& regional);

// The facts after a pane's date: the distance from today, the week number,
// the counts, the scheduled time, the day's value, the undone count or the
// free and conflicting time. The sky's facts go before it.
std::string dayFactsLine(const Schedule& schedule, DayNumber day, const PaneDisplay& display,
                         const LineMoment& moment);

// The moon's rise and set, the sun's times, and, for today, the coming low
// and high water: the start of the day facts line.
std::string skyFacts(DayNumber day, const PaneDisplay& display, const LineMoment& moment,
                     const RegionalSettings& regional);

// The date of a pane heading, and whether it shows in the highlight colour
// (a holiday item on the day, or Easter Sunday).
std::string paneHeading(DayNumber day, const RegionalSettings& regional);
bool isHighlightedDay(const Schedule& schedule, DayNumber day);
DayNumber easterSunday(int year);

// A whole amount with the currency symbol; nothing for an unknown placement
// (the caller reports kUndefinedCurrencyText).
std::optional<std::string> currencyAmount(long amount, const CurrencyFormat& currency);
extern const char* const kUndefinedCurrencyText;

// --- the schedules area's caption and the title -------------------------------------------

enum class StatusActivity {
    None, WaitingForServer, SharedUpdate, Autosaving, FetchingTides, NoInternet, Searching,
};

struct StatusFacts {
    bool weekView = false;
    bool viewAccess = true;
    bool initialising = false;
    std::string clock;  // clockText()
    DayNumber today;
    bool checkedOut = false;
    bool immediateFocus = false;
    bool hideDoneItems = false;
    bool otherHoldsAccess = false;  // " !"
    bool unsaved = false;           // " *": changes not saved yet, or a save runs
    bool readingMarker = false;     // " %"
    StatusActivity activity = StatusActivity::None;
    std::string searchText;
    bool filterOn = false;
    bool cashFlowView = false;
    std::string timerText;
};
std::string statusText(const StatusFacts& facts, const RegionalSettings& regional);

// Hours, minutes and seconds with the intl separator, 12- or 24-hour.
std::string clockText(int hour, int minute, int second, const RegionalSettings& regional);

// "<version> LITE - <user>" or "<version> PRO - (unnamed)".
std::string mainWindowTitle(std::string_view versionText, bool proMode, std::string_view userName);

} // namespace zk
