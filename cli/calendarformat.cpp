#include "cli/calendarformat.h"

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "core/statustable.h"
#include "exchange/calendarsession.h"
#include "platform/filesystem.h"
#include "storage/statustablefile.h"

#include <cstdio>
#include <cstring>

namespace zk::cli {

namespace {

// The folder's statuses, so CATEGORIES carry their names both ways.
StatusTable statusesOf(ZkSession& zk)
{
    StatusTable table;
    const StatusTableFile file{zk.folder(), systemFileSystem(), zk.messages()};
    loadStatusTable(table, file, zk.schedule().header.writerVersion(), 0);
    return table;
}

} // namespace

int exportCalendar(ZkSession& zk, DayNumber first, DayNumber last, const std::optional<std::string>& output)
{
    const StatusTable statuses = statusesOf(zk);
    CalendarExportOptions options = calendarExportOptions(zk.session(), &statuses);
    options.from = first;
    options.to = last;
    const std::string text = exportCalendarText(zk.session(), options);
    if (!output) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitFailed;
    }
    if (int error = replaceFileContents(systemFileSystem(), *output, text); error != 0) {
        std::fprintf(stderr, "zk: %s could not be written: %s\n", output->c_str(), std::strerror(error));
        return kExitFailed;
    }
    return kExitOk;
}

int importCalendar(const Arguments& args, const std::string& file)
{
    std::string text;
    if (std::string problem = readCalendarFile(file, text); !problem.empty()) {
        std::fprintf(stderr, "zk: %s\n", problem.c_str());
        return kExitFailed;
    }
    ZkSession zk(args);
    if (!zk.open(waitLimit(args)))
        return zk.openFailure();
    const StatusTable statuses = statusesOf(zk);
    CalendarImportOptions options;
    options.statuses = &statuses;
    options.wait = waitLimit(args);
    CalendarFileOutcome outcome = importCalendarText(zk.session(), text, options);
    for (const std::string& notice : outcome.notices)
        std::fprintf(stderr, "zk: %s\n", notice.c_str());
    if (!outcome.refusal.empty()) {
        std::fprintf(stderr, "zk: %s\n", outcome.refusal.c_str());
        return outcome.imported.noChangeAccess ? kExitUnavailable : kExitFailed;
    }
    return saveAndReport(zk, outcome.imported.items, outcome.imported.skipped);
}

} // namespace zk::cli
