// zk check: loads a data file with every check and repair the program
// makes, prints what the load reported and a summary; with --rewrite it
// writes the schedule again through the program's own writer.

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/schedulefolder.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "storage/datafile.h"
#include "storage/datafileset.h"
#include "storage/recovery.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kCheckUsage =
    "usage: zk check [--folder DIR] [--yes|--no] [FOLDER|FILE]\n"
    "       zk check --rewrite OUT [--format 21..26] [--yes|--no] FILE\n"
    "Loads the data file with every check and repair, prints each message the\n"
    "load raised and a summary line; exit 0 when the load succeeded, 1 when not.\n"
    "A damaged timedata.pak is recovered as the program recovers it at start:\n"
    "each older generation is offered by a question that --yes or --no answers\n"
    "(unanswered: No), and the one taken is copied over timedata.pak.\n"
    "--rewrite writes the loaded schedule to OUT in the current format, or in\n"
    "the one given.\n";

void printLine(const std::string& text) { std::printf("%s\n", singleLine(text).c_str()); }

std::size_t undatedCount(const Schedule& s)
{
    std::size_t n = 0;
    for (ItemHandle h : s.globalList)
        n += s.record(h).dayField() == 0 && !s.record(h).has(ItemFlag::fRecurDef) ? 1 : 0;
    return n;
}

void printSummary(const LoadResult& r)
{
    const Schedule& s = *r.schedule;
    std::printf("format=%d items=%zu days=%zu definitions=%zu projects=%zu undated=%zu plist=%zu nextItemId=%u "
                "lastPastDay=%d\n",
                r.format, s.chain.size(), s.days.size(), s.recurrences.size(), s.projects.size(), undatedCount(s),
                s.plist.size(), s.header.nextItemId(), s.header.lastPastDay().value());
}

std::optional<int> parseFormat(const std::string& text)
{
    if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9')
        return std::nullopt;
    int format = std::stoi(text);
    if (format < 21 || format > 26)
        return std::nullopt;
    return format;
}

// A folder's timedata.pak (or, when it is missing, its backup or an
// interrupted save) goes through the program's recovery; any other file is
// only read.
bool recoversAlongBackups(const ScheduleLocation& where)
{
    if (where.dataFile.filename() != kDataFileName)
        return false;
    DataFileSet files(where.dataFile.parent_path());
    std::error_code ignored;
    return std::filesystem::exists(files.dataFile(), ignored) || std::filesystem::exists(files.backupFile(), ignored)
           || std::filesystem::exists(files.temporaryFile(), ignored);
}

LoadResult recoverFolder(const ScheduleLocation& where, const LoadOptions& options, Messages& messages)
{
    DataFileSet files(where.dataFile.parent_path());
    ScheduleLoadRequest request;
    request.options = options;
    request.pathGiven = PathGiven::Yes;
    ScheduleLoad load = loadSchedule(files, systemFileSystem(), messages, request);
    LoadResult out;
    if (!load) {
        out.error = LoadError::Damaged;  // recovery has said why, or the question was declined
        return out;
    }
    if (load.status == ScheduleLoadStatus::Recovered)
        printLine("recovered from " + load.loadedFrom.string());
    out.schedule = std::move(load.schedule);
    out.format = out.schedule->header.i16(ScheduleHeader::formatAt);
    return out;
}

} // namespace

int runCheck(const std::vector<std::string>& words)
{
    Arguments args(words, {{"help"}, {"folder", true}, {"rewrite", true}, {"format", true}, {"yes"}, {"no"}});
    if (!args.error().empty())
        return usageError(args.error());
    if (args.has("yes") && args.has("no"))
        return usageError("--yes and --no exclude each other");
    if (args.has("help")) {
        std::fputs(kCheckUsage, stdout);
        return kExitOk;
    }
    if (args.positional().size() > 1 || (args.has("folder") && !args.positional().empty()))
        return usageError("check takes one folder or data file; see zk check --help");
    std::optional<int> format;
    if (auto text = args.value("format")) {
        if (!args.has("rewrite"))
            return usageError("--format goes with --rewrite");
        format = parseFormat(*text);
        if (!format)
            return usageError("--format takes a format from 21 to 26");
    }
    if (args.has("rewrite") && args.positional().empty() && !args.has("folder"))
        return usageError("--rewrite needs the data file to read");

    std::optional<std::string> given = args.value("folder");
    if (!args.positional().empty())
        given = args.positional().front();
    ScheduleLocation where = locateSchedule(given);

    std::unique_ptr<Clock> clock = clockFromEnvironment();
    // The questions: the Plist repair's (continue cleaning up) and recovery's.
    const bool answerGiven = givenAnswer(args).has_value();
    ScriptedPresenter presenter(givenAnswer(args).value_or(Answer::No));
    presenter.setEcho(
        [answerGiven](const ScriptedPresenter::Shown& shown) { echoShown(shown, answerGiven, stdout); });
    Messages messages(presenter);
    messages.setInitialising(true);
    LoadOptions options;
    options.clock = clock.get();
    options.messages = &messages;
    options.changeAccess = [] { return false; };  // the load itself repairs nothing on disk
    LoadResult loaded = recoversAlongBackups(where) ? recoverFolder(where, options, messages)
                                                    : loadDataFile(where.dataFile, options);
    if (!loaded) {
        if (!loaded.failureText.empty())
            printLine(loaded.failureText);
        return kExitFailed;
    }
    loaded.schedule->setClock(clock.get());
    loaded.schedule->setMessages(&messages);
    printSummary(loaded);

    if (auto out = args.value("rewrite")) {
        SaveResult saved = saveDataFile(*loaded.schedule, std::filesystem::path(*out), SaveOptions{format.value_or(26)});
        if (!saved) {
            printLine(saved.failureText);
            return kExitFailed;
        }
    }
    return kExitOk;
}

} // namespace zk::cli
