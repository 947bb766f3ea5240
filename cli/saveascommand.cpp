// zk save-as: what the Save As dialog's "Data File Format" group does:
// chooses the format the schedule is saved in from now on (refusing one
// that would lose data an older program cannot hold), then saves.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "storage/saveformat.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kSaveAsUsage =
    "usage: zk save-as --format 21|22|23|24|26 [--folder DIR] [--wait SECONDS] [--yes|--no]\n"
    "Saves the schedule in the format of Version 1 (21), 2 (22), 3 (23), 4 (24)\n"
    "or the current one (26, also \"current\"), and keeps saving it so. A format\n"
    "that would lose descriptions, projects or the priority list is refused\n"
    "(exit 1). Prints \"saved format=N\".\n";

std::optional<SaveFormat> formatOf(const std::string& text)
{
    if (text == "current" || text == "26")
        return SaveFormat::Current;
    for (const SaveFormatChoice& choice : kSaveFormatChoices)
        if (choice.format != SaveFormat::Current && text == std::to_string(static_cast<int>(choice.format)))
            return choice.format;
    return std::nullopt;
}

} // namespace

int runSaveAs(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"format", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk save-as --help");
    if (args.has("help")) {
        std::fputs(kSaveAsUsage, stdout);
        return kExitOk;
    }
    if (!args.positional().empty())
        return usageError("save-as takes no arguments; see zk save-as --help");
    std::optional<std::string> text = args.value("format");
    if (!text)
        return usageError("save-as needs --format; see zk save-as --help");
    std::optional<SaveFormat> format = formatOf(*text);
    if (!format)
        return usageError("--format takes 21, 22, 23, 24 or 26 (current): the choices of Save As");

    ZkSession zk(args);
    if (int failed = zk.openForChange(waitLimit(args)))
        return failed;
    Schedule& schedule = zk.schedule();
    if (chooseSaveFormat(schedule, zk.session().saveState(), zk.messages(), *format,
                         sharesWithOldPrograms(schedule))
        != FormatDialog::Close)
        return kExitFailed;
    if (!zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved\n");
        return kExitFailed;
    }
    std::printf("saved format=%d\n", *format == SaveFormat::Current ? 26 : static_cast<int>(*format));
    return kExitOk;
}

} // namespace zk::cli
