// zk check: loads a data file with every check and repair the program
// makes, prints what the load reported and a summary; with --rewrite it
// writes the schedule again through the program's own writer.

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/schedulefolder.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "storage/datafile.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kCheckUsage =
    "usage: zk check [--folder DIR] [FOLDER|FILE]\n"
    "       zk check --rewrite OUT [--format 21..26] FILE\n"
    "Loads the data file with every check and repair, prints each message the\n"
    "load raised and a summary line; exit 0 when the load succeeded, 1 when not.\n"
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

} // namespace

int runCheck(const std::vector<std::string>& words)
{
    Arguments args(words, {{"help"}, {"folder", true}, {"rewrite", true}, {"format", true}});
    if (!args.error().empty())
        return usageError(args.error());
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
    ScriptedPresenter presenter;  // the Plist repair's question: continue cleaning up
    presenter.setEcho([](const ScriptedPresenter::Shown& shown) { printLine(shown.text); });
    Messages messages(presenter);
    messages.setInitialising(true);
    LoadOptions options;
    options.clock = clock.get();
    options.messages = &messages;
    options.changeAccess = [] { return false; };  // zk check changes nothing
    LoadResult loaded = loadDataFile(where.dataFile, options);
    if (!loaded) {
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
