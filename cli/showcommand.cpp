// zk show: prints days of a schedule as the program lays them out at the
// clock's moment (ZELKON_NOW fixes it): as the text export writes a day, or
// one tab-separated line per entry. Past days are read from their archives.
// It only reads: the data file is never written and change access is never
// asked for.

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/schedulefolder.h"
#include "cli/sessionsupport.h"

#include "core/calendar.h"
#include "core/dateparse.h"
#include "core/schedule.h"
#include "core/statustable.h"
#include "engine/daylayout.h"
#include "engine/recurrenceexpansion.h"
#include "exchange/dayblock.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/regionalsource.h"
#include "platform/settingstore.h"
#include "shell/model/commands.h"
#include "shell/model/listviews.h"
#include "shell/model/monthgrid.h"
#include "shell/model/settings.h"
#include "shell/model/viewfilter.h"
#include "storage/archive.h"
#include "storage/datafile.h"
#include "storage/shownschedule.h"

#include <cstdio>
#include <memory>

namespace zk::cli {

namespace {

const char* const kShowUsage =
    "usage: zk show [--folder DIR] [--days N] [--format text|tsv] [--filter] [--] [DATE]\n"
    "       zk show --month [--filter] [--folder DIR] [--] [DATE]\n"
    "Lays out N days (default 1) from DATE (as a date field reads it; default\n"
    "today) and prints them:\n"
    "  text  each day's title, then one line per entry with a FREE line before\n"
    "        every gap, as the schedule export writes them\n"
    "  tsv   one line per entry: date, start (HH:MM), placed minutes, conflicting\n"
    "        (1 or 0), kind, flags, id, status (0..7), description\n"
    "--month prints the month view's four weeks from the week holding DATE:\n"
    "one block per week, each day with its heading and its first entries.\n"
    "--filter leaves out what the stored filter settings hide (project, minimum\n"
    "duration, ready now, status, text, case number, non-routine), as the Filter\n"
    "window does while it is open.\n"
    "Today and now come from the clock, or from ZELKON_NOW (\"YYYY-MM-DD HH:MM\").\n";

enum class Format { Text, Tsv };

std::optional<int> dayCount(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    int n = std::stoi(text);
    return n >= 1 ? std::optional<int>(n) : std::nullopt;
}

// Tabs and line breaks in a description would break the line into fields.
std::string oneField(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return text;
}

void printTsv(const Schedule& schedule, DayNumber day, const HideTest& hidden)
{
    const DayRecord* record = schedule.findDay(day);
    if (!record)
        return;
    CivilDate date = civilDate(day);
    for (const DayEntry& e : record->entries()) {
        if (hidden && hidden(e.item))
            continue;
        const ItemRecord& r = schedule.record(e.item);
        char start[16] = "";
        if (e.start != 0) {
            int minutes = e.startTime().minutes() % 1440;
            std::snprintf(start, sizeof start, "%02d:%02d", minutes / 60, minutes % 60);
        }
        std::printf("%04d-%02d-%02d\t%s\t%u\t%d\t%u\t0x%x\t%u\t%d\t%s\n", date.year, date.month, date.day, start,
                    static_cast<unsigned>(e.placedMinutes), e.conflicting() ? 1 : 0, static_cast<unsigned>(r.kind()),
                    static_cast<unsigned>(r.flags()), static_cast<unsigned>(r.id()), statusIndexOf(r),
                    oneField(schedule.description(e.item)).c_str());
    }
}

// The filters as the Filter window applies them while it is open; a text
// or case filter counts as switched on when it has a value.
HideTest storedFilter(const Schedule& schedule, const Settings& settings, const ViewContext& context)
{
    FilterSwitches switches;
    switches.open = true;
    switches.textOn = !settings.text(TextSetting::TextFilter).empty();
    switches.caseOn = settings.value(IntSetting::CaseFilter) != 0;
    return viewHideTest(schedule, viewFilterOf(settings, schedule.header, switches), context);
}

// Cells of kCellWidth columns between bars: 7 x 10 + 8 fits 80 columns.
constexpr int kCellWidth = 10;
constexpr int kLinesPerCell = 4;

// The text cut and padded to the cell, counting characters, not bytes.
std::string cellText(std::string_view text)
{
    std::string out;
    int width = 0;
    for (std::size_t i = 0; i < text.size() && width < kCellWidth;) {
        std::size_t length = 1;
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0xF0) length = 4;
        else if (c >= 0xE0) length = 3;
        else if (c >= 0xC0) length = 2;
        length = std::min(length, text.size() - i);
        const char first = text[i];
        out.append(first == '\t' || first == '\n' || first == '\r' ? " " : std::string(text.substr(i, length)));
        i += length;
        ++width;
    }
    out.append(static_cast<std::size_t>(kCellWidth - width), ' ');
    return out;
}

void printMonth(Schedule& schedule, DayNumber first, const Settings& settings, const PlacementContext& now,
                const RegionalSettings& regional, const HideTest& hidden)
{
    MonthOptions options = monthOptionsFrom(settings);
    options.linesPerCell = kLinesPerCell;
    const std::vector<MonthCell> cells = monthCells(schedule, first, options, now.today, regional, hidden);
    std::string rule = "+";
    for (int column = 0; column < 7; ++column)
        rule += std::string(kCellWidth, '-') + "+";
    std::printf("%s\n", rule.c_str());
    for (int week = 0; week < kMonthWeeks; ++week) {
        for (int row = 0; row <= kLinesPerCell; ++row) {
            std::string line = "|";
            for (int column = 0; column < 7; ++column) {
                const MonthCell& cell = cells[static_cast<std::size_t>(week * 7 + column)];
                std::string text;
                if (row == 0)
                    text = cell.weekdaySpan.substr(0, 2) + " " + std::to_string(cell.dayOfMonth) + " " +
                           cell.monthYear.substr(0, cell.monthYear.find(' ')) + (cell.today ? "*" : "");
                else if (row == kLinesPerCell && cell.moreEntries > 0)
                    text = moreEntriesText(cell.moreEntries + 1);  // in place of the last line
                else if (static_cast<std::size_t>(row - 1) < cell.lines.size())
                    text = cell.lines[static_cast<std::size_t>(row - 1)].text;
                line += cellText(cell.usable ? text : "") + "|";
            }
            std::printf("%s\n", line.c_str());
        }
        std::printf("%s\n", rule.c_str());
    }
}

void printText(const DayBlock& block, bool first)
{
    if (!first)
        std::printf("\n");
    std::printf("%s\n", block.title.c_str());
    for (const std::string& line : block.lines)
        std::printf("%s\n", line.c_str());
}

// DATE as a date field reads it, against the schedule's day window; today
// when none is given. Nothing when DATE is no date.
std::optional<DayNumber> firstDay(const Arguments& args, const Schedule& schedule, const PlacementContext& now,
                                  const UserRegional& user)
{
    if (args.positional().empty())
        return now.today;
    EntryContext entry;
    entry.today = now.today;
    entry.now = now.now;
    entry.regional = sanitised(user.regional);
    entry.week = sanitised(user.week);
    entry.dayStart = schedule.dayStart();
    entry.dayEnd = schedule.dayEnd();
    entry.nightOwl = schedule.nightOwl();
    int value = parseDateEntry(args.positional().front(), entry);
    if (value == kInvalidEntry)
        return std::nullopt;
    return DayNumber(value);
}

bool daysFit(DayNumber first, int days) { return first.isUsable() && kLastUsableDay - first + 1 >= days; }
bool monthFits(DayNumber start) { return daysFit(start, kMonthCells); }

} // namespace

int runShow(const std::vector<std::string>& words)
{
    Arguments args(words, {{"help"}, {"folder", true}, {"days", true}, {"format", true}, {"month"}, {"filter"}});
    if (!args.error().empty())
        return usageError(args.error() + "; see zk show --help");
    if (args.has("help")) {
        std::fputs(kShowUsage, stdout);
        return kExitOk;
    }
    if (args.positional().size() > 1)
        return usageError("show takes at most one date; see zk show --help");
    int days = 1;
    if (auto text = args.value("days")) {
        std::optional<int> n = dayCount(*text);
        if (!n)
            return usageError("--days takes a number of days from 1 on");
        days = *n;
    }
    const bool month = args.has("month");
    if (month && (args.value("days") || args.value("format")))
        return usageError("--month takes neither --days nor --format; see zk show --help");
    Format format = Format::Text;
    if (auto text = args.value("format")) {
        if (*text == "tsv")
            format = Format::Tsv;
        else if (*text != "text")
            return usageError("--format takes text or tsv");
    }

    std::unique_ptr<Clock> clock = clockFromEnvironment();
    UserRegional user = loadUserRegional(userRegionalSources());
    Settings settings(SettingsEnvironment{sanitised(user.week), {}});
    settings.read(SettingStore());
    ScriptedPresenter presenter;  // repairs of the load go to stderr; nothing is asked
    presenter.setEcho([](const ScriptedPresenter::Shown& shown) { std::fprintf(stderr, "%s\n", shown.text.c_str()); });
    Messages messages(presenter);
    messages.setInitialising(true);
    LoadOptions options;
    options.clock = clock.get();
    options.messages = &messages;
    options.changeAccess = [] { return false; };
    ScheduleLocation where = locateSchedule(args.value("folder"));
    const bool weekStartsMonday = settings.isOn(IntSetting::WeekStartsMon);
    // A file read as stored gives only the days shown; a date it cannot
    // take, or days out of range, are refused below after the whole load,
    // as ever.
    ShownSchedule shown = loadForShowing(where.dataFile, options, [&](const Schedule& s) {
        std::optional<std::vector<DayNumber>> out;
        std::optional<DayNumber> from = firstDay(args, s, sessionContext(s, *clock), user);
        if (!from)
            return out;
        const DayNumber start = month ? startOfWeek(*from, weekStartsMonday) : *from;
        if (month ? !monthFits(start) : !daysFit(start, days))
            return out;
        out.emplace();
        for (int i = 0; i < (month ? kMonthCells : days); ++i)
            out->push_back(start + i);
        return out;
    });
    LoadResult& loaded = shown.loaded;
    if (!loaded) {
        std::fprintf(stderr, "zk: %s\n", loaded.failureText.c_str());
        return kExitFailed;
    }
    Schedule& schedule = *loaded.schedule;
    schedule.setClock(clock.get());
    schedule.setMessages(&messages);
    attachOccurrencePlacing(schedule, *clock);
    // Past days come back from their archives, as the desktop shows them.
    ScheduleArchive archive(systemRandomAccessFiles(), messages, where.dataFile, sanitised(user.regional));
    archive.attach(schedule);

    PlacementContext now = sessionContext(schedule, *clock);
    std::optional<DayNumber> first = firstDay(args, schedule, now, user);
    if (!first)
        return usageError("show: \"" + args.positional().front() + "\" is not a date");
    HideTest hidden;
    if (args.has("filter"))
        hidden = storedFilter(schedule, settings, ViewContext{zk::Command::singleView, false, now.today, now.now,
                                                               clock->unixSeconds()});
    if (month) {
        const DayNumber start = startOfWeek(*first, weekStartsMonday);
        if (!monthFits(start))
            return usageError("show: the month must lie within 4/18/86 and 12/31/68");
        printMonth(schedule, start, settings, now, sanitised(user.regional), hidden);
        return kExitOk;
    }
    if (!daysFit(*first, days))
        return usageError("show: the days must lie within 4/18/86 and 12/31/68");

    DayBlockContext context{now.today, now.now, sanitised(user.regional), hidden};
    for (int i = 0; i < days; ++i) {
        DayNumber day = *first + i;
        // A day the file holds no record of is built as the desktop builds
        // it, recurring occurrences and all; past days come from their
        // archives. The file is never written.
        if (schedule.isPastDay(day))
            schedule.getDay(day);
        else
            openDayForDisplay(schedule, day, now);
        if (format == Format::Tsv)
            printTsv(schedule, day, hidden);
        else
            printText(dayBlock(schedule, day, context), i == 0);
    }
    return kExitOk;
}

} // namespace zk::cli
