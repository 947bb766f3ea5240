// zk export: the schedules of a range of days, or the list of all items, as
// the text the desktop's Export commands write; to standard output, or
// through a temporary file to -o FILE. Nothing is changed, so no change
// access is taken.

#include "cli/calendarformat.h"
#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/regional.h"
#include "core/schedule.h"
#include "exchange/textexport.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kExportUsage =
    "usage: zk export [--format text|items|ics] [--from DATE] [--to DATE] [-o FILE] [--folder DIR]\n"
    "text   the schedules of the days from --from to --to (default today; --to\n"
    "       defaults to --from), then the vital items of the coming months\n"
    "items  the alphabetical list of all items\n"
    "ics    a calendar file (RFC 5545) of the items of the days from --from to\n"
    "       --to, or of every item when neither is given\n"
    "The text is UTF-8, on standard output unless -o FILE names a file.\n";

enum class ExportFormat { Text, Items, Ics };

// The one place a format name is read.
std::optional<ExportFormat> exportFormatNamed(const std::string& name)
{
    if (name == "text")
        return ExportFormat::Text;
    if (name == "items")
        return ExportFormat::Items;
    if (name == "ics")
        return ExportFormat::Ics;
    return std::nullopt;
}

std::optional<DayNumber> dateOption(const Arguments& args, const char* name, const EntryContext& context,
                                    DayNumber otherwise)
{
    std::optional<std::string> text = args.value(name);
    if (!text)
        return otherwise;
    int value = parseDateEntry(*text, context);
    if (value == kInvalidEntry || value == 0)
        return std::nullopt;
    return DayNumber(value);
}

int writeOut(const std::string& text, const std::optional<std::string>& file)
{
    if (!file) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return kExitOk;
    }
    if (!writeExportFile(*file, text)) {
        std::fprintf(stderr, "zk: %s%s\n", kExportOpenFailedText, file->c_str());
        return kExitFailed;
    }
    return kExitOk;
}

} // namespace

int runExport(const std::vector<std::string>& given)
{
    std::vector<std::string> words;
    for (const std::string& w : given)
        words.push_back(w == "-o" ? "--output" : w);
    Arguments args(words, sessionOptions({{"format", true}, {"from", true}, {"to", true}, {"output", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk export --help");
    if (args.has("help")) {
        std::fputs(kExportUsage, stdout);
        return kExitOk;
    }
    if (!args.positional().empty())
        return usageError("export takes no arguments; see zk export --help");
    std::optional<ExportFormat> format = exportFormatNamed(args.value("format").value_or("text"));
    if (!format)
        return usageError("--format takes text, items or ics");
    if (*format == ExportFormat::Items && (args.has("from") || args.has("to")))
        return usageError("--format items lists every item: no --from or --to");

    ZkSession zk(args);
    if (!zk.open())
        return zk.openFailure();
    Schedule& schedule = zk.schedule();
    const EntryContext entry = zk.session().entryContext();
    std::optional<DayNumber> first = dateOption(args, "from", entry, entry.today);
    if (!first)
        return usageError("--from: \"" + *args.value("from") + "\" is not a date");
    std::optional<DayNumber> last = dateOption(args, "to", entry, *first);
    if (!last)
        return usageError("--to: \"" + *args.value("to") + "\" is not a date");
    if (*last < *first)
        return usageError("--to lies before --from");
    if (*last - *first > 3660)
        return usageError("export at most ten years at a time");

    if (*format == ExportFormat::Ics) {
        const bool ranged = args.has("from") || args.has("to");
        return exportCalendar(zk, ranged ? *first : kNoDay, ranged ? *last : kNoDay, args.value("output"));
    }
    const PlacementContext now = sessionContext(schedule, zk.session().clock());
    TextExportContext context{{now.today, now.now, sanitised(zk.session().settings().regional), {}}, *first,
                              zk.session().settings().userName};
    if (*format == ExportFormat::Items)
        return writeOut(exportItemsListText(schedule, context), args.value("output"));
    return writeOut(exportRangeText(schedule, *first, *last, context), args.value("output"));
}

} // namespace zk::cli
