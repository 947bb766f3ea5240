// zk list: a list view's lines as the desktop draws them, or their fields
// tab-separated.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "core/text.h"
#include "platform/settingstore.h"
#include "shell/model/listviews.h"
#include "shell/model/settings.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kListUsage =
    "usage: zk list [--folder DIR] [--wait SECONDS] [--yes|--no] [--format text|tsv] VIEW\n"
    "VIEW is all, edited, inserted, recurring, suspended, global, priority,\n"
    "alternate or projects. Prints the view's title (when it has one) and one\n"
    "line per item as the list view draws it; --format tsv prints one line per\n"
    "item: id, day (YYYY-MM-DD, empty for none), the line's prefix column and\n"
    "the rest of the line, each without blanks at its ends.\n";

} // namespace

int runList(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"format", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk list --help");
    if (args.has("help")) {
        std::fputs(kListUsage, stdout);
        return kExitOk;
    }
    if (args.positional().size() != 1)
        return usageError("list takes one VIEW; see zk list --help");
    const int view = listViewNamed(args.positional().front());
    if (view == 0)
        return usageError("list: \"" + args.positional().front() + "\" is not a list view; see zk list --help");
    const std::string format = args.value("format").value_or("text");
    if (format != "text" && format != "tsv")
        return usageError("--format takes text or tsv");

    ZkSession zk(args);
    if (!zk.open())
        return kExitFailed;
    Schedule& schedule = zk.schedule();
    const ListLineContext context{zk.session().clock().today(), zk.session().settings().regional};

    // The view's membership and the view options; the Filter window's
    // filters are not in force without the window.
    Settings settings(SettingsEnvironment{zk.session().settings().week, {}});
    settings.read(SettingStore());
    const Clock& clock = zk.session().clock();
    const ListHideTest hidden =
        viewHideTest(schedule, viewFilterOf(settings, schedule.header, FilterSwitches{}),
                     ViewContext{view, false, clock.today(), clock.now(), clock.unixSeconds()});
    const std::vector<ItemHandle> items = listedItems(schedule, view, hidden);
    if (format == "text") {
        const std::string title = listTitle(schedule, view, items, context, zk.session().clock().now());
        if (!title.empty())
            std::printf("%s\n", title.c_str());
    }
    for (ItemHandle h : items) {
        const ListLine line = listLine(schedule, view, h, context);
        if (format == "text") {
            std::printf("%s\n", singleLine(line.whole()).c_str());
            continue;
        }
        const DayNumber day = schedule.dayOf(h);
        const bool dated = !day.isNone() && day.value() != kNoDayInChain;
        std::printf("%u\t%s\t%s\t%s\n", static_cast<unsigned>(schedule.record(h).id()),
                    dated ? isoDate(day).c_str() : "", std::string(trimBlanks(singleLine(line.prefix))).c_str(),
                    std::string(trimBlanks(singleLine(line.rest))).c_str());
    }
    return kExitOk;
}

} // namespace zk::cli
