// zk add: adds items given as Task Pipeline lines, through the program's
// add-item routine under change access, then saves; or, with --pipe,
// appends the lines to timedata.add as an outside writer does, for the
// session that works on the schedule to pick up.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "sharing/pipeline.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kAddUsage =
    "usage: zk add [--folder DIR] [--wait SECONDS] [--yes|--no] [--] LINE...\n"
    "       zk add --pipe [--folder DIR] [--] LINE...\n"
    "Each LINE is \"[date] [time|*|-] [duration] text\" as in timedata.add: the\n"
    "item goes on the date (default today), at the time (* none, - none and on\n"
    "hold), for the duration. zk add waits up to SECONDS (default 30) while\n"
    "another session holds change access, adds every line, saves and prints\n"
    "one line per item:\n"
    "  added id=N day=YYYY-MM-DD[ start=HH:MM]\n"
    "Exit 2, with nothing written, when change access could not be had.\n"
    "--pipe only appends the lines to timedata.add, without change access.\n";

std::optional<std::string> lineProblem(const std::vector<std::string>& lines)
{
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].find_first_of("\r\n") != std::string::npos)
            return "line " + std::to_string(i + 1) + " holds a line break; give one item per LINE";
    return std::nullopt;
}

// The lines as items for the schedule as it is now; nothing (after saying
// which line was refused) when one was.
std::optional<std::vector<NewItem>> itemsOf(const Schedule& schedule, const EntryContext& context,
                                            const std::vector<std::string>& lines, bool quiet = false)
{
    std::vector<NewItem> items;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PipelineLine parsed = parsePipelineLine(lines[i], schedule.templateItem, context.today, context);
        if (!parsed.item) {
            if (!quiet)
                std::fprintf(stderr, "zk: line %zu: %s\n", i + 1, parsed.refusal.c_str());
            return std::nullopt;
        }
        items.push_back(std::move(*parsed.item));
    }
    return items;
}

std::optional<std::vector<NewItem>> itemsOf(Session& session, const std::vector<std::string>& lines)
{
    return itemsOf(session.schedule(), session.entryContext(), lines);
}

void printAdded(const Schedule& schedule, ItemHandle h)
{
    std::printf("added id=%u", static_cast<unsigned>(schedule.record(h).id()));
    DayNumber day = schedule.dayOf(h);
    if (day.isNone()) {
        std::printf("\n");
        return;
    }
    std::printf(" day=%s", isoDate(day).c_str());
    if (std::optional<std::size_t> at = schedule.entryOf(h, day)) {
        const DayEntry& entry = schedule.findDay(day)->entries()[*at];
        if (entry.start != 0) {
            int minutes = entry.startTime().minutes() % 1440;
            std::printf(" start=%02d:%02d", minutes / 60, minutes % 60);
        }
    }
    std::printf("\n");
}

int appendLines(const Arguments& args)
{
    if (args.has("wait"))
        return usageError("--pipe takes no change access, so no --wait");
    const std::vector<std::string>& lines = args.positional();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].size() > kMaxPipelineLine) {
            std::fprintf(stderr, "zk: line %zu: %s\n", i + 1, kTextTooLongText);
            return kExitFailed;
        }
    std::filesystem::path folder = *scheduleFolderOf(args);
    if (appendToPipeline(folder, lines) != AppendStatus::Appended) {
        std::fprintf(stderr, "zk: cannot append to %s\n", (folder / kPipelineFileName).c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int addLines(const Arguments& args)
{
    ZkSession zk(args);
    const std::vector<std::string>& lines = args.positional();
    zk.session().openPartly([&lines](const Schedule& s, const EntryContext& context) {
        std::optional<std::vector<NewItem>> items = itemsOf(s, context, lines, true);
        return items ? daysChangedBy(s, *items) : std::nullopt;
    });
    if (!zk.open(waitLimit(args)))
        return zk.openFailure();
    // Refusals show before anything waits or writes.
    if (!itemsOf(zk.session(), args.positional()))
        return kExitFailed;
    if (!zk.obtainChangeAccess(waitLimit(args)))
        return kExitUnavailable;
    // Taking change access may have brought in newer data: read the lines
    // against the schedule as it is now.
    std::optional<std::vector<NewItem>> items = itemsOf(zk.session(), args.positional());
    if (!items)
        return kExitFailed;
    if (zk.session().partial()) {
        if (!zk.session().holdDays(daysChangedBy(zk.schedule(), *items))) {
            std::fprintf(stderr, "zk: no schedule could be opened in %s\n", zk.folder().c_str());
            return kExitFailed;
        }
    }
    std::vector<ItemHandle> added;
    for (NewItem& item : *items) {
        AddResult result = zk.session().addItem(std::move(item));
        if (result.status == AddStatus::Added)
            added.push_back(result.item);
    }
    if (!zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved; %s lists the items added\n",
                     zk.session().access().paths().addedItems.c_str());
        return kExitFailed;
    }
    for (ItemHandle h : added)
        printAdded(zk.schedule(), h);
    return added.size() == items->size() ? kExitOk : kExitFailed;
}

} // namespace

int runAdd(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"pipe"}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk add --help");
    if (args.has("help")) {
        std::fputs(kAddUsage, stdout);
        return kExitOk;
    }
    if (args.positional().empty())
        return usageError("add needs at least one LINE; see zk add --help");
    if (auto problem = lineProblem(args.positional()))
        return usageError(*problem);
    return args.has("pipe") ? appendLines(args) : addLines(args);
}

} // namespace zk::cli
