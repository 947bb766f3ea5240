#pragma once
// What the printed calendars, lists, notes and reports hold, without any
// drawing: the days of a printed week, the cells of a printed month, the
// lines of a printed list, and plain text documents (titled sections of
// lines with a prefix column) for the notes and the reports.
//
// Contract:
// - Every builder reads the schedule while it runs and keeps only texts,
//   looks and item handles, so the pages may be drawn later without it.
// - The lines and cells are the screen's own (dayLines, monthCells,
//   listLine): the paper never says what the view would not.
// - A printed month covers its whole weeks: from the week holding its
//   first day to the week holding its last, 4 to 6 weeks.

#include "core/daynumber.h"
#include "shell/model/listviews.h"
#include "shell/model/monthgrid.h"
#include "shell/model/panelines.h"
#include "shell/model/printedschedule.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zk {

// --- calendars ----------------------------------------------------------------------------

struct PrintedWeek {
    std::string title;            // "Week of Sunday 03/10/24"
    std::vector<DayLines> days;   // seven
};

// The first day of every week the range touches, in order.
std::vector<DayNumber> printedWeekStarts(const PrintRange& range, bool weekStartsMonday);
PrintedWeek printedWeek(Schedule& schedule, DayNumber weekStart, PaneDisplay display, const LineMoment& moment,
                        const RegionalSettings& regional, const HideTest& hidden = {});

struct PrintedMonth {
    std::string title;             // "December 2026"
    int month = 1;                 // cells of other months are drawn pale
    std::vector<std::string> weekdays;  // the column headings, from the first column
    std::vector<MonthCell> cells;  // whole weeks, 7 a row
};

// The month holding `day`.
PrintedMonth printedMonth(Schedule& schedule, DayNumber day, const MonthOptions& options, DayNumber today,
                          const RegionalSettings& regional, const HideTest& hidden = {});

// --- text documents -------------------------------------------------------------------------

struct PrintedLine {
    std::string prefix;  // drawn as a column; may be empty
    std::string text;
    bool key = false;
    bool struckOut = false;
};

struct PrintedSection {
    std::string heading;  // may be empty
    std::vector<PrintedLine> lines;
};

struct PrintedText {
    std::string title;
    std::vector<PrintedSection> sections;
    // Every line as plain text, a section's prefixes padded to a column,
    // for a report window and for tests.
    std::string plain() const;
};

enum class PrintedList { Alphabetical, Chronological, Projects, Priority };
// The list view a printed list walks (its view filters are that view's).
int listViewOf(PrintedList list);

// The list's lines, those the hide test hides left out. Alphabetical walks
// the all-items list; Chronological takes the same items by day and
// starting time, undated ones and recurring definitions at the end.
PrintedText printedList(const Schedule& schedule, PrintedList list, const ListHideTest& hidden,
                        const ListLineContext& context, TimeValue now);

// Any list view as it stands (the standard report of a list on screen).
PrintedText printedListView(const Schedule& schedule, int view, const ListHideTest& hidden,
                            const ListLineContext& context, TimeValue now);

// Note texts under their items' titles.
struct ItemNote {
    std::string title;
    std::string text;
};
PrintedText printedNotes(std::string title, const std::vector<ItemNote>& notes);

// --- reports --------------------------------------------------------------------------------

extern const char* const kNoProjectText;

// The day's items grouped by project, in the order the projects first
// appear on the day, each with its items' times and minutes and a total;
// items of no project come last.
PrintedText dayProjectsReport(Schedule& schedule, DayNumber day, PaneDisplay display, const LineMoment& moment,
                              const RegionalSettings& regional);

// The month's history log (the items archived on its days), one line each.
// A month without a log says so in its only line.
PrintedText monthHistoryReport(const std::filesystem::path& folder, DayNumber day, const RegionalSettings& regional);

} // namespace zk
