// zk balance: a balancing run in the foreground, under change access, then
// a save. Full with --full; otherwise full unless a full run was made today
// already (or the day has hardly begun), when a quick run of the first 200
// items of the priority list does.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "engine/balancing.h"
#include "engine/carryover.h"

#include <cstdio>

namespace zk::cli {

namespace {

const char* const kBalanceUsage =
    "usage: zk balance [--full] [--folder DIR] [--wait SECONDS] [--yes|--no]\n"
    "Takes the floating items off their days and places them again in\n"
    "priority order, keeping the free reserves and the keep-clear dates, then\n"
    "saves. Prints\n"
    "  balanced placed=N unplaced=M mode=full|quick\n"
    "then, for each item left without a day (it stays on the day it had):\n"
    "  not scheduled id=N TEXT\n"
    "and for each item that found no day with room before its deadline or\n"
    "horizon and went there overbooked:\n"
    "  overbooked id=N day=YYYY-MM-DD TEXT\n"
    "Refused (exit 1) while past days hold undone items: zk carry-over first.\n"
    "Exit 1 when an item was not scheduled or the save failed, 2 when change\n"
    "access could not be had.\n";

} // namespace

int runBalance(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"full"}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk balance --help");
    if (args.has("help")) {
        std::fputs(kBalanceUsage, stdout);
        return kExitOk;
    }
    if (!args.positional().empty())
        return usageError("balance takes no arguments; see zk balance --help");
    ZkSession zk(args);
    if (int code = zk.openForChange(waitLimit(args)); code != kExitOk)
        return code;
    Schedule& schedule = zk.schedule();
    const PlacementContext context = sessionContext(schedule, zk.session().clock());
    // Past days are dealt with first: what is carried over changes the load.
    if (!earliestUndoneDay(schedule, context.today).isNone()) {
        std::fprintf(stderr, "zk: items on past days have not been checked off or rescheduled; "
                             "zk carry-over moves them to today\n");
        return kExitFailed;
    }
    BalanceOptions options;
    options.forced = args.has("full");
    BalanceOutcome outcome = balanceWorkload(schedule, context, options);
    zk.session().rebalance().clear();
    if (outcome.zeroDayWindow)
        zk.messages().error(kZeroDayLengthText);
    for (const UnscheduledItem& u : outcome.unscheduled)
        zk.messages().error(notScheduledText(schedule, u.item));
    // The lines are formed before the save, which may bring in a fresh
    // schedule object.
    std::string lines;
    char head[96];
    std::snprintf(head, sizeof head, "balanced placed=%d unplaced=%zu mode=%s\n", outcome.placed,
                  outcome.unscheduled.size(), outcome.mode == BalanceMode::Full ? "full" : "quick");
    lines += head;
    auto idOf = [&](ItemHandle h) { return std::to_string(schedule.record(h).id()); };
    for (const UnscheduledItem& u : outcome.unscheduled)
        lines += "not scheduled id=" + idOf(u.item) + " " + singleLine(schedule.description(u.item)) + "\n";
    for (ItemHandle h : outcome.overbooked) {
        std::vector<DayNumber> days = schedule.days.daysOf(h);
        lines += "overbooked id=" + idOf(h) + " day=" + (days.empty() ? "" : isoDate(days.back())) + " "
                 + singleLine(schedule.description(h)) + "\n";
    }
    if (!zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved\n");
        return kExitFailed;
    }
    std::fputs(lines.c_str(), stdout);
    return outcome.unscheduled.empty() ? kExitOk : kExitFailed;
}

} // namespace zk::cli
