// zk pipeline: processes the schedule's timedata.add now, as the session
// working on it does once an hour, saves, and prints how many items it
// added.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "sharing/pipeline.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kPipelineUsage =
    "usage: zk pipeline [--folder DIR] [--wait SECONDS] [--yes|--no]\n"
    "Adds every line of the schedule's timedata.add as zk add would, saves,\n"
    "and prints the number of items added. Lines that could not be added are\n"
    "kept in timedata.add.rejected (exit 1). Waits up to SECONDS (default 30)\n"
    "while another session holds change access; exit 2 when it could not be had.\n";

} // namespace

int runPipeline(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk pipeline --help");
    if (args.has("help")) {
        std::fputs(kPipelineUsage, stdout);
        return kExitOk;
    }
    if (!args.positional().empty())
        return usageError("pipeline takes no arguments; see zk pipeline --help");
    ZkSession zk(args);
    if (!pipelineWaiting(zk.folder())) {
        std::printf("0\n");
        return kExitOk;
    }
    if (int failed = zk.openForChange(waitLimit(args)))
        return failed;
    PipelineOutcome outcome = zk.session().processPipeline();
    if (!zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved\n");
        return kExitFailed;
    }
    std::printf("%d\n", outcome.added);
    return outcome.status == PipelineStatus::Processed && outcome.rejected == 0 ? kExitOk : kExitFailed;
}

} // namespace zk::cli
