// zk import: the items of a file (pipeline lines or a tab-delimited file),
// added as the desktop's Import adds them: all under one change access, or
// none, then saved.

#include "cli/calendarformat.h"
#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "exchange/importbatch.h"
#include "exchange/textimport.h"

#include <cstdio>
#include <iostream>
#include <iterator>

namespace zk::cli {

namespace {

const char* const kImportUsage =
    "usage: zk import [--format lines|tab|ics] [--folder DIR] [--wait SECONDS] [--yes|--no] FILE|-\n"
    "lines  one \"[date] [time|*|-] [duration] text\" per line, as in timedata.add (default)\n"
    "tab    a tab-delimited file: a heading line, then subject, start date, start time\n"
    "ics    a calendar file\n"
    "A file is UTF-8 or Windows-1252; - reads standard input. Every item is added\n"
    "under one change access (waiting up to SECONDS, default 30), or none is; then\n"
    "the schedule is saved and one line per item printed:\n"
    "  imported id=N day=YYYY-MM-DD\n"
    "and last:\n"
    "  imported=N skipped=M\n";

enum class ImportFormat { Lines, Tab, Ics };

// The one place a format name is read.
std::optional<ImportFormat> importFormatNamed(const std::string& name)
{
    if (name == "lines")
        return ImportFormat::Lines;
    if (name == "tab")
        return ImportFormat::Tab;
    if (name == "ics")
        return ImportFormat::Ics;
    return std::nullopt;
}

std::optional<std::string> readSource(const std::string& name)
{
    if (name != "-") {
        ImportFile file = readImportFile(name);
        if (!file.problem.empty()) {
            std::fprintf(stderr, "zk: %s\n", file.problem.c_str());
            return std::nullopt;
        }
        return std::move(file.text);
    }
    std::string bytes;
    char buffer[65536];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, stdin)) {
        bytes.append(buffer, n);
        if (bytes.size() > kMaxImportFileBytes) {
            std::fprintf(stderr, "zk: standard input is too large to import\n");
            return std::nullopt;
        }
    }
    return importText(bytes);
}

PreparedImport prepare(ImportFormat format, const std::string& text, Session& session)
{
    const Schedule& schedule = session.schedule();
    const EntryContext context = session.entryContext();
    if (format == ImportFormat::Tab)
        return readTabImport(text, schedule.templateItem, context);
    return readPipelineImport(text, schedule.templateItem, context.today, context);
}

} // namespace

int saveAndReport(ZkSession& zk, const std::vector<ImportedItem>& items, int skipped)
{
    if (!items.empty() && !zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved; %s lists the items added\n",
                     zk.session().access().paths().addedItems.c_str());
        return kExitFailed;
    }
    for (const ImportedItem& item : items) {
        std::printf("imported id=%u", static_cast<unsigned>(item.id));
        if (!item.day.isNone())
            std::printf(" day=%s", isoDate(item.day).c_str());
        std::printf("\n");
    }
    std::printf("imported=%zu skipped=%d\n", items.size(), skipped);
    return kExitOk;
}

int runImport(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"format", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk import --help");
    if (args.has("help")) {
        std::fputs(kImportUsage, stdout);
        return kExitOk;
    }
    if (args.positional().size() != 1)
        return usageError("import takes one FILE, or - for standard input; see zk import --help");
    std::optional<ImportFormat> format = importFormatNamed(args.value("format").value_or("lines"));
    if (!format)
        return usageError("--format takes lines, tab or ics");
    if (*format == ImportFormat::Ics)
        return importCalendar(args, args.positional().front());

    std::optional<std::string> text = readSource(args.positional().front());
    if (!text)
        return kExitFailed;
    ZkSession zk(args);
    if (!zk.open(waitLimit(args)))
        return zk.openFailure();
    PreparedImport prepared = prepare(*format, *text, zk.session());
    if (!prepared.problem.empty()) {
        std::fprintf(stderr, "zk: %s\n", prepared.problem.c_str());
        return kExitFailed;
    }
    ImportReport report =
        importItems(zk.session(), std::move(prepared.items), prepared.skipped, ImportOptions{waitLimit(args), {}});
    if (report.status != ImportStatus::Imported) {
        std::fprintf(stderr, "zk: %s\n", report.message.c_str());
        return report.status == ImportStatus::NoChangeAccess ? kExitUnavailable : kExitFailed;
    }
    return saveAndReport(zk, report.items, report.skipped);
}

} // namespace zk::cli
