// zk carry-over: carries the undone items of past days over to today, as
// "Carry Over Undone Items" does, then saves. Its question is answered by
// --yes.

#include "cli/commands.h"
#include "cli/dayworksupport.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "shell/model/daywork.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kCarryOverUsage =
    "usage: zk carry-over [--folder DIR] [--wait SECONDS] [--yes|--no]\n"
    "Carries every undone item of the days before today over to today, by the\n"
    "carry-over option of recurring items (Keep, Delete, Shift), then saves.\n"
    "The question is answered by --yes; without it zk declines (exit 1).\n"
    "Prints one line per entry:\n"
    "  carried|deleted|shifted id=N from=YYYY-MM-DD to=YYYY-MM-DD\n";

} // namespace

int runCarryOver(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk carry-over --help");
    if (args.has("help")) {
        std::fputs(kCarryOverUsage, stdout);
        return kExitOk;
    }
    if (!args.positional().empty())
        return usageError("carry-over takes no arguments; see zk carry-over --help");

    ZkSession zk(args);
    if (int failed = zk.openForChange(waitLimit(args)))
        return failed;
    if (zk.messages().question(carryOverQuestion()) != Answer::Yes)
        return kExitFailed;
    std::optional<CarryOverResult> result = carryOverNow(zk.session());
    if (!result)
        return kExitUnavailable;
    if (!zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved\n");
        return kExitFailed;
    }
    for (const CarriedEntry& entry : result->entries)
        std::printf("%s\n", carriedLine(entry).c_str());
    return result->stopped ? kExitFailed : kExitOk;
}

} // namespace zk::cli
