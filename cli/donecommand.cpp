// zk done: marks the entries of items on a day done, as the done commands
// of the schedule window do, under change access, then saves.

#include "cli/commands.h"
#include "cli/dayworksupport.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "shell/model/daywork.h"

#include <cstdio>
#include <utility>

namespace zk::cli {

namespace {

const char* const kDoneUsage =
    "usage: zk done [--how HOW] [--date DATE] [--folder DIR] [--wait SECONDS] [--yes|--no] [--] ID...\n"
    "       zk done --undo [--date DATE] [--folder DIR] [--wait SECONDS] [--] ID...\n"
    "Marks the entry of each item ID on DATE (default today) done, then saves.\n"
    "HOW is done (default), now (ended now), previously (ended previously), fit\n"
    "(fit to gap), attempted, partial, cancelled or past (done in past); the\n"
    "attempted and partial forms add a copy for the rest of the work. Prints\n"
    "one line per entry, and one per copy made:\n"
    "  done id=N day=YYYY-MM-DD start=HH:MM minutes=M   (start empty: no time)\n"
    "  added id=N day=YYYY-MM-DD start=HH:MM minutes=M\n"
    "An occurrence of a recurring item and a piece of a split task become items\n"
    "of their own when done: the line gives their new id.\n"
    "--undo makes done entries undone again (\"undone id=N ...\"). A question\n"
    "(a day after today, a follow-up) is answered by --yes or --no, else No.\n";

constexpr std::pair<const char*, DoneHow> kHows[] = {
    {"done", DoneHow::Done},           {"now", DoneHow::EndedNow},        {"previously", DoneHow::EndedPreviously},
    {"fit", DoneHow::FitToGap},        {"attempted", DoneHow::Attempted}, {"partial", DoneHow::Partial},
    {"cancelled", DoneHow::Cancelled}, {"past", DoneHow::InPast},
};

std::optional<DoneHow> howOf(const Arguments& args)
{
    std::string name = args.value("how").value_or("done");
    for (auto [word, how] : kHows)
        if (name == word)
            return how;
    return std::nullopt;
}

// One item: false, after saying why on stderr, when it could not be done.
bool markOne(ZkSession& zk, std::uint32_t id, DayNumber day, DoneHow how, bool undo)
{
    std::optional<DraggedEntry> entry = entryOfItem(zk.schedule(), id, day);
    if (!entry) {
        std::fprintf(stderr, "zk: item %u has no entry on %s\n", id, isoDate(day).c_str());
        return false;
    }
    bool done = zk.schedule().record(entry->item).has(ItemFlag::fDone);
    if (done != undo) {
        std::fprintf(stderr, "zk: item %u is %s done on %s\n", id, done ? "already" : "not", isoDate(day).c_str());
        return false;
    }
    EntryWorkResult result = markEntryDone(zk.session(), *entry, undo ? DoneHow::Done : how);
    if (!result.changed)
        return false;
    const Schedule& s = zk.schedule();
    std::printf("%s\n", entryLine(undo ? "undone" : "done", s, result.item, result.day).c_str());
    if (result.copy && s.items.isLive(result.copy))
        for (DayNumber copyDay : s.days.daysOf(result.copy))
            std::printf("%s\n", entryLine("added", s, result.copy, copyDay).c_str());
    return true;
}

} // namespace

int runDone(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"how", true}, {"date", true}, {"undo"}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk done --help");
    if (args.has("help")) {
        std::fputs(kDoneUsage, stdout);
        return kExitOk;
    }
    std::optional<DoneHow> how = howOf(args);
    if (!how)
        return usageError("done: --how takes done, now, previously, fit, attempted, partial, cancelled or past");
    if (args.has("undo") && args.has("how"))
        return usageError("done: --undo takes no --how");
    std::optional<std::vector<std::uint32_t>> ids = itemIds(args.positional());
    if (!ids || ids->empty())
        return usageError("done needs one or more item IDs; see zk done --help");

    ZkSession zk(args);
    if (int failed = zk.openForChange(waitLimit(args)))
        return failed;
    std::optional<DayNumber> day = dateOption(args, zk.session());
    if (!day)
        return kExitUsage;
    bool all = true;
    for (std::uint32_t id : *ids)
        all = markOne(zk, id, *day, *how, args.has("undo")) && all;
    if (!zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved\n");
        return kExitFailed;
    }
    return all ? kExitOk : kExitFailed;
}

} // namespace zk::cli
