// zk freeze: sets the floating items below priority A aside in frozen.pak
// and deletes them from the schedule, as the Freeze button does, then
// saves. Its confirmation is a question: --yes answers it.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "platform/filesystem.h"
#include "storage/freeze.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kFreezeUsage =
    "usage: zk freeze [--folder DIR] [--wait SECONDS] [--yes|--no]\n"
    "Writes the floating items below priority A to frozen.pak and deletes them\n"
    "from the schedule, then saves; prints \"frozen items=N\". The confirmation\n"
    "is answered by --yes; without it zk declines (exit 1). While frozen.pak\n"
    "exists no second freeze is made.\n";

} // namespace

int runFreeze(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk freeze --help");
    if (args.has("help")) {
        std::fputs(kFreezeUsage, stdout);
        return kExitOk;
    }
    if (!args.positional().empty())
        return usageError("freeze takes no arguments; see zk freeze --help");

    ZkSession zk(args);
    if (int failed = zk.openForChange(waitLimit(args)))
        return failed;
    FreezeOutcome frozen = freeze(zk.schedule(), zk.session().saving(), systemFileSystem(), zk.messages(),
                                  Confirmation::Ask);
    if (frozen.status != FreezeStatus::Frozen)
        return kExitFailed;
    if (!zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved; frozen.pak holds the frozen items\n");
        return kExitFailed;
    }
    std::printf("frozen items=%d\n", frozen.deleted);
    return kExitOk;
}

} // namespace zk::cli
