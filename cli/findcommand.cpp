// zk find: every item matching a text (or a note text) once, in the order
// Repeat Find (or, with --back, Earlier Find) would meet them from a date.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/dateparse.h"
#include "core/schedule.h"
#include "shell/model/find.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kFindUsage =
    "usage: zk find [--folder DIR] [--note TEXT] [--back] [--from DATE] [--] [TEXT]\n"
    "Prints every item whose description holds TEXT (without regard to case;\n"
    "a private item's hidden part is not searched), or, without TEXT, whose\n"
    "note holds the --note text, once, in the order Repeat Find meets them\n"
    "from DATE (default today; --back: Earlier Find's order), then the undated\n"
    "items. A recurring item is printed once, at the first occurrence met.\n"
    "Backward into archived years, each year asks \"Keep searching?\" (--yes).\n"
    "One line per item: YYYY-MM-DD<TAB>id<TAB>description (no date for undated\n"
    "items). Exit 1 when nothing matches.\n";

} // namespace

int runFind(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"note", true}, {"back"}, {"from", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk find --help");
    if (args.has("help")) {
        std::fputs(kFindUsage, stdout);
        return kExitOk;
    }
    if (args.positional().size() > 1)
        return usageError("find takes at most one TEXT; quote a text with blanks");
    FindTexts texts;
    if (!args.positional().empty())
        texts.item = args.positional().front();
    texts.note = args.value("note").value_or("");
    texts = texts.trimmed();
    if (texts.empty())
        return usageError("find needs a TEXT or --note TEXT; see zk find --help");

    ZkSession zk(args);
    if (!zk.open())
        return kExitFailed;
    Schedule& schedule = zk.schedule();
    DayNumber from = zk.session().clock().today();
    if (auto text = args.value("from")) {
        int value = parseDateEntry(*text, zk.session().entryContext());
        if (value == kInvalidEntry || !DayNumber(value).isUsable())
            return usageError("find: \"" + *text + "\" is not a date");
        from = DayNumber(value);
    }
    FindHooks hooks;
    hooks.noteText = noteReader(schedule, zk.folder());
    // Back into past years, each year searched asks to go on (--yes, --no).
    hooks.keepSearching = [&zk](DayNumber day) {
        return zk.messages().question(std::string(kKeepSearchingText) + " " + isoDate(day)) == Answer::Yes;
    };
    const std::vector<FoundItem> found = findAll(schedule, from, args.has("back"), texts, hooks);
    for (const FoundItem& f : found)
        std::printf("%s\t%u\t%s\n", f.day.isNone() ? "" : isoDate(f.day).c_str(),
                    static_cast<unsigned>(schedule.record(f.item).id()),
                    singleLine(schedule.description(f.item)).c_str());
    return found.empty() ? kExitFailed : kExitOk;
}

} // namespace zk::cli
