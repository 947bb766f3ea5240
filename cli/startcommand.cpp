// zk start: starts an item of today, as "Started" does in the schedule
// window (whatever else runs today is done first), then saves.

#include "cli/commands.h"
#include "cli/dayworksupport.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "engine/placementcontext.h"
#include "shell/model/daywork.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kStartUsage =
    "usage: zk start [--after-last] [--folder DIR] [--wait SECONDS] [--yes|--no] [--] ID\n"
    "Starts the item ID on today's schedule: it begins now (with --after-last:\n"
    "where the last done entry ends), and an item started before is marked\n"
    "done. A done item is copied and the copy started. Saves and prints\n"
    "  started id=N day=YYYY-MM-DD start=HH:MM minutes=M\n";

} // namespace

int runStart(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"after-last"}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk start --help");
    if (args.has("help")) {
        std::fputs(kStartUsage, stdout);
        return kExitOk;
    }
    std::optional<std::vector<std::uint32_t>> ids = itemIds(args.positional());
    if (!ids || ids->size() != 1)
        return usageError("start needs one item ID; see zk start --help");

    ZkSession zk(args);
    if (int failed = zk.openForChange(waitLimit(args)))
        return failed;
    const DayNumber today = PlacementContext::at(zk.session().clock()).today;
    std::optional<DraggedEntry> entry = entryOfItem(zk.schedule(), ids->front(), today);
    if (!entry) {
        std::fprintf(stderr, "zk: item %u has no entry on today's schedule\n", ids->front());
        return kExitFailed;
    }
    EntryWorkResult result = startEntry(zk.session(), *entry, args.has("after-last"));
    if (!result.changed)
        return kExitFailed;
    if (!zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved\n");
        return kExitFailed;
    }
    std::printf("%s\n", entryLine("started", zk.schedule(), result.item, result.day).c_str());
    return kExitOk;
}

} // namespace zk::cli
