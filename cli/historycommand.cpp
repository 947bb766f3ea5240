// zk history YYYY-MM: prints the history log of a month, one archived item
// a line, as the archiving wrote it (tab-separated).

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "storage/historylog.h"

#include <cstdio>
#include <fstream>

namespace zk::cli {

namespace {

const char* const kHistoryUsage =
    "usage: zk history [--folder DIR] YYYY-MM\n"
    "Prints the month's history log: one line per archived item with its date,\n"
    "start, duration, notes number, description, project, case number, expense\n"
    "and mileage, separated by tabs. Exit 1 when the month has no log.\n";

bool parseMonth(const std::string& text, int& year, int& month)
{
    if (text.size() != 7 || text[4] != '-')
        return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6})
        if (text[i] < '0' || text[i] > '9')
            return false;
    year = std::stoi(text.substr(0, 4));
    month = std::stoi(text.substr(5, 2));
    return month >= 1 && month <= 12;
}

} // namespace

int runHistory(const std::vector<std::string>& words)
{
    Arguments args(words, {{"help"}, {"folder", true}});
    if (!args.error().empty())
        return usageError(args.error() + "; see zk history --help");
    if (args.has("help")) {
        std::fputs(kHistoryUsage, stdout);
        return kExitOk;
    }
    int year = 0, month = 0;
    if (args.positional().size() != 1 || !parseMonth(args.positional().front(), year, month))
        return usageError("history takes one month as YYYY-MM; see zk history --help");
    std::optional<std::filesystem::path> folder = scheduleFolderOf(args);
    if (!folder)
        return kExitUnavailable;
    std::filesystem::path log = historyLogPath(*folder, month, year);
    std::ifstream in(log, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "zk: no history log %s\n", log.string().c_str());
        return kExitFailed;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::printf("%s\n", line.c_str());
    }
    return kExitOk;
}

} // namespace zk::cli
