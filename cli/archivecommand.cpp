// zk archive: moves the finished past days into their yearly archives now,
// as the desktop's minute work does, and saves.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "shell/model/archiving.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kArchiveUsage =
    "usage: zk archive [--folder DIR] [--wait SECONDS] [--yes|--no]\n"
    "Moves every finished day before today (all its items done) out of the data\n"
    "file into the archive of its year, up to the first day with an undone item,\n"
    "and saves. Prints \"archived day=YYYY-MM-DD items=N\" for each day moved and\n"
    "\"lastPastDay=N\" last. Exit 1 when an archive could not be written.\n";

} // namespace

int runArchive(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk archive --help");
    if (args.has("help")) {
        std::fputs(kArchiveUsage, stdout);
        return kExitOk;
    }
    if (!args.positional().empty())
        return usageError("archive takes no arguments; see zk archive --help");

    ZkSession zk(args);
    if (int failed = zk.openForChange(waitLimit(args)))
        return failed;
    DueDaysResult result = archiveDueDays(zk.session(), zk.schedule().today());
    for (const DueDaysResult::Day& day : result.archived)
        std::printf("archived day=%s items=%d\n", isoDate(day.day).c_str(), day.items);
    bool saved = zk.session().save().ok();
    std::printf("lastPastDay=%d\n", zk.schedule().header.lastPastDay().value());
    if (!saved) {
        std::fprintf(stderr, "zk: the schedule could not be saved; the archived days stay in the data file too\n");
        return kExitFailed;
    }
    return result.stop == ArchivingStop::Failed ? kExitFailed : kExitOk;
}

} // namespace zk::cli
