#include "shell/model/printeddocuments.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/itemrecord.h"
#include "core/schedule.h"
#include "shell/model/commands.h"
#include "storage/historylog.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace zk {

const char* const kNoProjectText = "(no project)";

namespace {

// Items are listed by day then start; undated items and definitions follow.
constexpr int kUndatedKey = 1 << 20;

std::string trimmed(std::string text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    text.erase(0, first);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::size_t characterCount(const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string monthTitle(int month, int year, const RegionalSettings& regional)
{
    return monthName(month, regional) + " " + std::to_string(year);
}

void addListLines(PrintedText& text, const Schedule& schedule, int view, const std::vector<ItemHandle>& items,
                  const ListLineContext& context)
{
    PrintedSection section;
    section.lines.reserve(items.size());
    for (ItemHandle h : items) {
        const ListLine line = listLine(schedule, view, h, context);
        section.lines.push_back({trimmed(line.prefix), trimmed(line.rest), line.key, line.done});
    }
    text.sections.push_back(std::move(section));
}

std::string totalText(int minutes, const RegionalSettings& regional)
{
    return "Total " + durationClock(minutes, regional);
}

} // namespace

std::vector<DayNumber> printedWeekStarts(const PrintRange& range, bool weekStartsMonday)
{
    std::vector<DayNumber> starts;
    if (range.first.isNone() || range.last < range.first)
        return starts;
    for (DayNumber start = startOfWeek(range.first, weekStartsMonday); start <= range.last; start = start + 7)
        starts.push_back(start);
    return starts;
}

PrintedWeek printedWeek(Schedule& schedule, DayNumber weekStart, PaneDisplay display, const LineMoment& moment,
                        const RegionalSettings& regional, const HideTest& hidden)
{
    PrintedWeek week;
    week.title = "Week of " + paneHeading(weekStart, regional);
    week.days = printedDays(schedule, {weekStart, weekStart + 6}, std::move(display), moment, regional, hidden);
    return week;
}

PrintedMonth printedMonth(Schedule& schedule, DayNumber day, const MonthOptions& options, DayNumber today,
                          const RegionalSettings& regional, const HideTest& hidden)
{
    const CivilDate date = civilDate(day);
    const DayNumber first = dayOf(date.month, 1, date.year);
    const DayNumber last = dayOf(date.month, monthLength(date.month, date.year), date.year);
    const DayNumber gridFirst = startOfWeek(first, options.weekStartsMonday);
    const int weeks = (last - gridFirst) / 7 + 1;

    PrintedMonth month;
    month.title = monthTitle(date.month, date.year, regional);
    month.month = date.month;
    for (int column = 0; column < 7; ++column)
        month.weekdays.push_back(dayName(gridFirst + column, regional, NameForm::Abbreviated));
    // The grid builder gives four weeks at a time.
    for (int week = 0; week < weeks; week += kMonthWeeks) {
        std::vector<MonthCell> cells = monthCells(schedule, gridFirst + week * 7, options, today, regional, hidden);
        const std::size_t wanted = static_cast<std::size_t>(std::min(kMonthWeeks, weeks - week) * 7);
        cells.resize(std::min(wanted, cells.size()));
        std::move(cells.begin(), cells.end(), std::back_inserter(month.cells));
    }
    return month;
}

std::string PrintedText::plain() const
{
    std::string out = title + "\n";
    for (const PrintedSection& section : sections) {
        out += "\n";
        if (!section.heading.empty())
            out += section.heading + "\n";
        // The prefixes as a column, as on paper.
        std::size_t width = 0;
        for (const PrintedLine& line : section.lines)
            width = std::max(width, characterCount(line.prefix));
        for (const PrintedLine& line : section.lines) {
            if (width > 0)
                out += line.prefix + std::string(width - characterCount(line.prefix) + 2, ' ');
            out += line.text + "\n";
        }
    }
    return out;
}

int listViewOf(PrintedList list)
{
    switch (list) {
    case PrintedList::Projects: return ListViewId::projects;
    case PrintedList::Priority: return ListViewId::priority;
    case PrintedList::Alphabetical:
    case PrintedList::Chronological: break;
    }
    return ListViewId::allItems;
}

PrintedText printedList(const Schedule& schedule, PrintedList list, const ListHideTest& hidden,
                        const ListLineContext& context, TimeValue now)
{
    const int view = listViewOf(list);
    std::vector<ItemHandle> items = listedItems(schedule, view, hidden);

    PrintedText text;
    switch (list) {
    case PrintedList::Alphabetical: text.title = "Alphabetical List - " + std::to_string(items.size()) + " items"; break;
    case PrintedList::Chronological: {
        text.title = "Chronological List - " + std::to_string(items.size()) + " items";
        auto key = [&](ItemHandle h) {
            const ItemRecord& r = schedule.record(h);
            const bool undated = r.dayField() == 0 || (r.flags() & ItemFlag::fRecurDef);
            return std::pair{undated ? kUndatedKey : static_cast<int>(r.dayField()), static_cast<int>(r.beginTime())};
        };
        std::stable_sort(items.begin(), items.end(), [&](ItemHandle a, ItemHandle b) { return key(a) < key(b); });
        break;
    }
    case PrintedList::Projects: text.title = "Projects List - " + std::to_string(items.size()) + " projects"; break;
    case PrintedList::Priority: text.title = listTitle(schedule, view, items, context, now); break;
    }
    addListLines(text, schedule, view, items, context);
    return text;
}

PrintedText printedListView(const Schedule& schedule, int view, const ListHideTest& hidden,
                            const ListLineContext& context, TimeValue now)
{
    const std::vector<ItemHandle> items = listedItems(schedule, view, hidden);
    PrintedText text;
    text.title = listTitle(schedule, view, items, context, now);
    if (text.title.empty()) {
        const CommandInfo* command = findCommand(view);
        text.title = (command ? plainText(command->text) : std::string("List")) + " - " + std::to_string(items.size()) +
                     " lines";
    }
    addListLines(text, schedule, view, items, context);
    return text;
}

PrintedText printedNotes(std::string title, const std::vector<ItemNote>& notes)
{
    PrintedText text;
    text.title = std::move(title);
    for (const ItemNote& note : notes) {
        PrintedSection section;
        section.heading = note.title;
        std::istringstream in(note.text);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            section.lines.push_back({{}, line});
        }
        text.sections.push_back(std::move(section));
    }
    return text;
}

PrintedText dayProjectsReport(Schedule& schedule, DayNumber day, PaneDisplay display, const LineMoment& moment,
                              const RegionalSettings& regional)
{
    display.printing = true;
    const DayLines lines = dayLines(schedule, day, display, moment, regional);
    PrintedText report;
    report.title = "Day's Projects Report - " + paneHeading(day, regional);

    // Projects in the order they first appear; no project (0) at the end.
    std::vector<std::uint32_t> order;
    std::map<std::uint32_t, std::pair<PrintedSection, int>> byProject;
    for (const PaneLine& line : lines.lines) {
        if (line.kind != PaneLineKind::Item || line.text.separator)
            continue;
        const std::uint32_t project = schedule.record(line.item).projectId();
        auto [at, added] = byProject.try_emplace(project);
        if (added && project != 0)
            order.push_back(project);
        at->second.first.lines.push_back({trimmed(line.text.time), trimmed(line.text.text), line.key, line.struckOut});
        at->second.second += line.minutes;
    }
    if (byProject.contains(0))
        order.push_back(0);
    int total = 0;
    for (std::uint32_t project : order) {
        auto& [section, minutes] = byProject[project];
        const ItemHandle item = project == 0 ? ItemHandle() : schedule.findItemById(project);
        section.heading = !item ? std::string(kNoProjectText) : schedule.titleOf(item);
        section.lines.push_back({{}, totalText(minutes, regional)});
        total += minutes;
        report.sections.push_back(std::move(section));
    }
    if (order.empty())
        report.sections.push_back({{}, {{{}, "No items on this day."}}});
    else
        report.sections.push_back({{}, {{{}, "Day " + totalText(total, regional)}}});
    return report;
}

PrintedText monthHistoryReport(const std::filesystem::path& folder, DayNumber day, const RegionalSettings& regional)
{
    const CivilDate date = civilDate(day);
    PrintedText report;
    report.title = "History for " + monthTitle(date.month, date.year, regional);
    const std::filesystem::path log = historyLogPath(folder, date.month, date.year);
    std::ifstream in(log, std::ios::binary);
    PrintedSection section;
    if (!in) {
        section.lines.push_back({{}, "No items were archived in this month."});
        report.sections.push_back(std::move(section));
        return report;
    }
    // date, start, minutes, notes number, description, project, case, expense, mileage
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        std::vector<std::string> fields;
        std::istringstream columns(line);
        for (std::string field; std::getline(columns, field, '\t');)
            fields.push_back(trimmed(field));
        fields.resize(std::max<std::size_t>(fields.size(), 6));
        std::string text = fields[4];
        if (!fields[2].empty() && fields[2] != "0")
            text += " (" + fields[2] + " min)";
        if (!fields[5].empty())
            text += " [" + fields[5] + "]";
        section.lines.push_back({trimmed(fields[0] + " " + fields[1]), text});
    }
    report.sections.push_back(std::move(section));
    return report;
}

} // namespace zk
