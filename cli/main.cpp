// zk: the command-line tool. It works on the same schedule folders as the
// desktop program, through the same library.

#include "cli/commands.h"
#include "platform/version.h"

#include <cstdio>
#include <cstring>

namespace zk::cli {

const std::vector<Command>& commands()
{
    static const std::vector<Command> all = {
        {"parse", "parse date|time|duration [--intl NAME=VALUE] [--setting NAME=VALUE] TEXT...", runParse},
        {"check", "check [--folder DIR] [FOLDER|FILE] | check --rewrite OUT [--format 21..26] FILE", runCheck},
        {"new", "new [--folder DIR] [FOLDER]", runNew},
        {"show", "show [--folder DIR] [--days N] [--format text|tsv] [--month] [--filter] [DATE]", runShow},
        {"add", "add [--folder DIR] [--wait SECONDS] [--yes|--no] [--pipe] LINE...", runAdd},
        {"pipeline", "pipeline [--folder DIR] [--wait SECONDS] [--yes|--no]", runPipeline},
        {"save-as", "save-as --format 21|22|23|24|26 [--folder DIR] [--wait SECONDS] [--yes|--no]", runSaveAs},
        {"freeze", "freeze [--folder DIR] [--wait SECONDS] [--yes|--no]", runFreeze},
        {"delete", "delete [--folder DIR] [--wait SECONDS] [--yes|--no] [--date DATE] [--all] ID...", runDelete},
        {"list", "list [--folder DIR] [--format text|tsv] all|edited|inserted|recurring|suspended|global|priority|alternate|projects", runList},
        {"find", "find [--folder DIR] [--note TEXT] [--back] [--from DATE] [TEXT]", runFind},
        {"alarms", "alarms [--folder DIR] [DATE]", runAlarms},
        {"note", "note [--folder DIR] [--wait SECONDS] [--yes|--no] ID [--set TEXT|--file FILE|--info]", runNote},
        {"balance", "balance [--full] [--folder DIR] [--wait SECONDS] [--yes|--no]", runBalance},
        {"conflicts", "conflicts [--folder DIR] [--wait SECONDS] [--yes|--no] [ID]", runConflicts},
        {"why", "why [--folder DIR] [--wait SECONDS] [--yes|--no] ID", runWhy},
        {"done", "done [--how HOW|--undo] [--date DATE] [--folder DIR] [--wait SECONDS] [--yes|--no] ID...", runDone},
        {"start", "start [--after-last] [--folder DIR] [--wait SECONDS] [--yes|--no] ID", runStart},
        {"carry-over", "carry-over [--folder DIR] [--wait SECONDS] [--yes|--no]", runCarryOver},
        {"archive", "archive [--folder DIR] [--wait SECONDS] [--yes|--no]", runArchive},
        {"history", "history [--folder DIR] YYYY-MM", runHistory},
        {"export", "export [--format text|items|ics] [--from DATE] [--to DATE] [-o FILE] [--folder DIR]", runExport},
        {"import", "import [--format lines|tab|ics] [--folder DIR] [--wait SECONDS] [--yes|--no] FILE|-", runImport},
    };
    return all;
}

int usageError(const std::string& text)
{
    std::fprintf(stderr, "zk: %s\n", text.c_str());
    return kExitUsage;
}

namespace {

void printHelp()
{
    std::printf("usage: zk COMMAND [OPTIONS] [--] [ARGUMENTS]\n       zk --help | --version\n\ncommands:\n");
    for (const auto& c : commands())
        std::printf("  zk %s\n", c.synopsis);
    std::printf("\nexit codes: 0 success, 1 failed, 2 schedule unavailable, 64 usage error\n");
}

} // namespace
} // namespace zk::cli

int main(int argc, char** argv)
{
    using namespace zk::cli;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0
        || std::strcmp(argv[1], "help") == 0) {
        printHelp();
        return argc < 2 ? kExitUsage : kExitOk;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("zk %s\n", zk::versionText().c_str());
        return kExitOk;
    }
    std::vector<std::string> words(argv + 2, argv + argc);
    for (const auto& c : commands())
        if (std::strcmp(argv[1], c.name) == 0)
            return c.run(words);
    return usageError(std::string("unknown command \"") + argv[1] + "\"; see zk --help");
}
