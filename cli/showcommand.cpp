// zk show: prints days of a schedule as the program lays them out at the
// clock's moment (ZELKON_NOW fixes it): as the text export writes a day, or
// one tab-separated line per entry. Past days are read from their archives.
// It only reads: the data file is never written and change access is never
// asked for.

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/schedulefolder.h"

#include "core/calendar.h"
#include "core/dateparse.h"
#include "core/schedule.h"
#include "engine/daylayout.h"
#include "exchange/dayblock.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/regionalsource.h"
#include "storage/archive.h"
#include "storage/datafile.h"

#include <cstdio>
#include <memory>

namespace zk::cli {

namespace {

const char* const kShowUsage =
    "usage: zk show [--folder DIR] [--days N] [--format text|tsv] [--] [DATE]\n"
    "Lays out N days (default 1) from DATE (as a date field reads it; default\n"
    "today) and prints them:\n"
    "  text  each day's title, then one line per entry with a FREE line before\n"
    "        every gap, as the schedule export writes them\n"
    "  tsv   one line per entry: date, start (HH:MM), placed minutes, conflicting\n"
    "        (1 or 0), kind, flags, id, description\n"
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

void printTsv(const Schedule& schedule, DayNumber day)
{
    const DayRecord* record = schedule.findDay(day);
    if (!record)
        return;
    CivilDate date = civilDate(day);
    for (const DayEntry& e : record->entries()) {
        const ItemRecord& r = schedule.record(e.item);
        char start[16] = "";
        if (e.start != 0) {
            int minutes = e.startTime().minutes() % 1440;
            std::snprintf(start, sizeof start, "%02d:%02d", minutes / 60, minutes % 60);
        }
        std::printf("%04d-%02d-%02d\t%s\t%u\t%d\t%u\t0x%x\t%u\t%s\n", date.year, date.month, date.day, start,
                    static_cast<unsigned>(e.placedMinutes), e.conflicting() ? 1 : 0, static_cast<unsigned>(r.kind()),
                    static_cast<unsigned>(r.flags()), static_cast<unsigned>(r.id()),
                    oneField(schedule.description(e.item)).c_str());
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

} // namespace

int runShow(const std::vector<std::string>& words)
{
    Arguments args(words, {{"help"}, {"folder", true}, {"days", true}, {"format", true}});
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
    Format format = Format::Text;
    if (auto text = args.value("format")) {
        if (*text == "tsv")
            format = Format::Tsv;
        else if (*text != "text")
            return usageError("--format takes text or tsv");
    }

    std::unique_ptr<Clock> clock = clockFromEnvironment();
    UserRegional user = loadUserRegional(userRegionalSources());
    ScriptedPresenter presenter;  // repairs of the load go to stderr; nothing is asked
    presenter.setEcho([](const ScriptedPresenter::Shown& shown) { std::fprintf(stderr, "%s\n", shown.text.c_str()); });
    Messages messages(presenter);
    messages.setInitialising(true);
    LoadOptions options;
    options.clock = clock.get();
    options.messages = &messages;
    options.changeAccess = [] { return false; };
    ScheduleLocation where = locateSchedule(args.value("folder"));
    LoadResult loaded = loadDataFile(where.dataFile, options);
    if (!loaded) {
        std::fprintf(stderr, "zk: %s\n", loaded.failureText.c_str());
        return kExitFailed;
    }
    Schedule& schedule = *loaded.schedule;
    schedule.setClock(clock.get());
    schedule.setMessages(&messages);
    // Past days come back from their archives, as the desktop shows them.
    ScheduleArchive archive(systemRandomAccessFiles(), messages, where.dataFile, sanitised(user.regional));
    archive.attach(schedule);

    PlacementContext now = PlacementContext::at(*clock);
    DayNumber first = now.today;
    if (!args.positional().empty()) {
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
            return usageError("show: \"" + args.positional().front() + "\" is not a date");
        first = DayNumber(value);
    }
    if (!first.isUsable() || kLastUsableDay - first + 1 < days)
        return usageError("show: the days must lie within 4/18/86 and 12/31/68");

    DayBlockContext context{now.today, now.now, sanitised(user.regional)};
    for (int i = 0; i < days; ++i) {
        DayNumber day = first + i;
        if (schedule.isPastDay(day))
            schedule.getDay(day);
        else if (schedule.findDay(day))
            openDayForDisplay(schedule, day, now);
        if (format == Format::Tsv)
            printTsv(schedule, day);
        else
            printText(dayBlock(schedule, day, context), i == 0);
    }
    return kExitOk;
}

} // namespace zk::cli
