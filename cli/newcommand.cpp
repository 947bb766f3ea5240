// zk new: creates an empty schedule, the data file of a schedule with
// nothing in it and the header's defaults, in a folder of its own.

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/schedulefolder.h"

#include "core/schedule.h"
#include "platform/clock.h"
#include "storage/datafile.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kNewUsage =
    "usage: zk new [--folder DIR] [FOLDER]\n"
    "Creates an empty schedule in the folder (created when missing); an\n"
    "existing timedata.pak there is never overwritten.\n";

} // namespace

int runNew(const std::vector<std::string>& words)
{
    Arguments args(words, {{"help"}, {"folder", true}});
    if (!args.error().empty())
        return usageError(args.error());
    if (args.has("help")) {
        std::fputs(kNewUsage, stdout);
        return kExitOk;
    }
    if (args.positional().size() > 1 || (args.has("folder") && !args.positional().empty()))
        return usageError("new takes one folder; see zk new --help");
    std::optional<std::string> given = args.value("folder");
    if (!args.positional().empty())
        given = args.positional().front();
    ScheduleLocation where = locateSchedule(given);
    if (where.dataFile.filename() != kDataFileName)
        where = ScheduleLocation{where.dataFile, where.dataFile / kDataFileName};

    std::error_code ec;
    std::filesystem::create_directories(where.folder, ec);
    if (ec) {
        std::fprintf(stderr, "zk: cannot create the folder %s: %s\n", where.folder.c_str(), ec.message().c_str());
        return kExitFailed;
    }
    if (std::filesystem::exists(where.dataFile, ec)) {
        std::fprintf(stderr, "zk: %s already exists; an existing schedule is never overwritten\n",
                     where.dataFile.c_str());
        return kExitFailed;
    }
    std::unique_ptr<Clock> clock = clockFromEnvironment();
    Schedule schedule;  // starts with the header of an empty schedule
    schedule.setClock(clock.get());
    SaveResult saved = saveDataFile(schedule, where.dataFile);
    if (!saved) {
        std::fprintf(stderr, "zk: %s\n", saved.failureText.c_str());
        std::filesystem::remove(where.dataFile, ec);
        return kExitFailed;
    }
    std::printf("%s\n", where.dataFile.c_str());
    return kExitOk;
}

} // namespace zk::cli
