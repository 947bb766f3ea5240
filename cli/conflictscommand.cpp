// zk conflicts: the conflict check of one anchored item (a recurring one
// over its occurrences in the coming year), or of every anchored item from
// today on. Reads only: nothing is saved and change access is not asked for.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/schedule.h"
#include "engine/conflicts.h"

#include <cstdio>
#include <set>
#include <tuple>

namespace zk::cli {

namespace {

const char* const kConflictsUsage =
    "usage: zk conflicts [--folder DIR] [--wait SECONDS] [--yes|--no] [ID]\n"
    "Checks the anchored item ID, or every anchored item from today on, for\n"
    "overlaps with other anchored items (a recurring item on each occurrence\n"
    "in the coming year) and prints one line per overlap:\n"
    "  conflict id=N with=M day=YYYY-MM-DD minutes=K\n"
    "It only reads: --wait is taken for symmetry and not needed.\n"
    "Exit 1 when there is any.\n";

std::optional<std::uint32_t> itemId(const std::string& text)
{
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    std::uint32_t id = static_cast<std::uint32_t>(std::stoul(text));
    return id != 0 ? std::optional<std::uint32_t>(id) : std::nullopt;
}

// The anchored items the check of the whole schedule covers: those on
// today or later, and every recurring definition.
std::vector<ItemHandle> anchoredFromToday(const Schedule& schedule, DayNumber today)
{
    std::vector<ItemHandle> items;
    for (ItemHandle h : schedule.chain)
        if (isCheckedForConflicts(schedule, h)
            && (schedule.record(h).has(ItemFlag::fRecurDef) || schedule.dayOf(h) >= today))
            items.push_back(h);
    return items;
}

} // namespace

int runConflicts(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk conflicts --help");
    if (args.has("help")) {
        std::fputs(kConflictsUsage, stdout);
        return kExitOk;
    }
    if (args.positional().size() > 1)
        return usageError("conflicts takes at most one ID; see zk conflicts --help");
    std::optional<std::uint32_t> id;
    if (!args.positional().empty() && !(id = itemId(args.positional().front())))
        return usageError("conflicts: \"" + args.positional().front() + "\" is not an item id");
    ZkSession zk(args);
    if (!zk.open())
        return kExitFailed;
    Schedule& schedule = zk.schedule();
    const DayNumber today = sessionContext(schedule, zk.session().clock()).today;

    std::vector<ItemHandle> items;
    if (id) {
        ItemHandle h = schedule.findItemById(*id);
        if (!h) {
            std::fprintf(stderr, "zk: no item has id %u\n", static_cast<unsigned>(*id));
            return kExitFailed;
        }
        if (!isCheckedForConflicts(schedule, h))
            std::fprintf(stderr, "zk: item %u is not an anchored item on a day; nothing to check\n",
                         static_cast<unsigned>(*id));
        items.push_back(h);
    } else {
        items = anchoredFromToday(schedule, today);
    }
    // Checking both items of a pair finds their overlap twice: once is enough.
    std::set<std::tuple<std::uint32_t, std::uint32_t, int>> told;
    int count = 0;
    for (ItemHandle h : items)
        for (const Conflict& c : collectConflicts(schedule, h, today)) {
            std::uint32_t a = schedule.record(c.item).id();
            std::uint32_t b = schedule.record(c.other).id();
            if (!told.insert({std::min(a, b), std::max(a, b), c.day.value()}).second)
                continue;
            std::printf("conflict id=%u with=%u day=%s minutes=%d\n", static_cast<unsigned>(a),
                        static_cast<unsigned>(b), isoDate(c.day).c_str(), c.minutes);
            ++count;
        }
    return count > 0 ? kExitFailed : kExitOk;
}

} // namespace zk::cli
