// zk delete: deletes the entry of an item as the schedule window's Delete
// Item does (an occurrence of a recurring item on its date, or with --all
// every undone occurrence), with the same questions answered by --yes or
// --no, logged to Delete.log, then saves.

#include "cli/commands.h"
#include "cli/sessionsupport.h"

#include "core/dateparse.h"
#include "core/schedule.h"
#include "shell/model/deletecommands.h"

#include <cstdio>
#include <cstdlib>

namespace zk::cli {

namespace {

const char* const kDeleteUsage =
    "usage: zk delete [--folder DIR] [--wait SECONDS] [--yes|--no] [--date DATE] [--all] [--] ID...\n"
    "Deletes the entry of item ID: on DATE (as a date field reads it) for an\n"
    "occurrence of a recurring item, else the item with all its entries; with\n"
    "--all the recurring item with every undone occurrence. The question the\n"
    "desktop asks is answered by --yes or --no (default No). Deleted items are\n"
    "logged to Delete.log. Prints one line per item:\n"
    "  deleted id=N day=YYYY-MM-DD   (or: deleted id=N all)\n"
    "Exit 1 when an item was not found or not deleted, 2 when change access\n"
    "could not be had.\n";

std::optional<std::uint32_t> idOf(const std::string& word)
{
    if (word.empty() || word.size() > 10 || word.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    unsigned long long value = std::strtoull(word.c_str(), nullptr, 10);
    if (value == 0 || value > 0xFFFFFFFFull)
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

ItemHandle findItem(const Schedule& s, std::uint32_t id)
{
    if (ItemHandle h = s.findItemById(id))
        return h;
    if (ItemHandle h = s.recurrences.findByItemId(id))
        return h;
    for (ItemHandle h : s.globalList)
        if (s.record(h).id() == id)
            return h;
    return kNoItem;
}

// The entry to delete: the item's on the date, else its first.
std::optional<DraggedEntry> entryOf(Schedule& s, ItemHandle item, DayNumber date)
{
    if (!date.isNone()) {
        if (!s.getDay(date))
            return std::nullopt;
        if (std::optional<std::size_t> at = s.entryOf(item, date))
            return DraggedEntry{item, date, *at};
        return std::nullopt;
    }
    if (std::optional<EntryRef> at = s.scheduledAnywhere(item))
        return DraggedEntry{item, at->day, at->index};
    return std::nullopt;
}

int deleteOne(ZkSession& zk, DeleteCommands& commands, std::uint32_t id, DayNumber date, bool all)
{
    Schedule& s = zk.schedule();
    ItemHandle item = findItem(s, id);
    if (!item) {
        std::fprintf(stderr, "zk: no item has id %u\n", static_cast<unsigned>(id));
        return kExitFailed;
    }
    const bool recurring = s.record(item).has(ItemFlag::recurrence);
    if (all) {
        if (!recurring) {
            std::fprintf(stderr, "zk: item %u is not a recurring item\n", static_cast<unsigned>(id));
            return kExitFailed;
        }
        if (!commands.deleteAllOccurrences(item).changed)
            return kExitFailed;
        std::printf("deleted id=%u all\n", static_cast<unsigned>(id));
        return kExitOk;
    }
    std::optional<DraggedEntry> entry = entryOf(s, item, date);
    if (!entry) {
        // An item on no day (Global List, project, unscheduled) goes as the
        // list views delete it.
        if (date.isNone() && !s.record(item).has(ItemFlag::fRecurDef)) {
            const bool undated = std::find(s.globalList.begin(), s.globalList.end(), item) != s.globalList.end();
            if (!commands.deleteListed(item, undated).changed)
                return kExitFailed;
            std::printf("deleted id=%u\n", static_cast<unsigned>(id));
            return kExitOk;
        }
        std::fprintf(stderr, "zk: item %u has no entry%s\n", static_cast<unsigned>(id),
                     date.isNone() ? "; give --date for an occurrence" : " on that date");
        return kExitFailed;
    }
    const DayNumber day = entry->day;
    if (!commands.deleteEntry(*entry, false).changed)
        return kExitFailed;
    std::printf("deleted id=%u day=%s\n", static_cast<unsigned>(id), isoDate(day).c_str());
    return kExitOk;
}

} // namespace

int runDelete(const std::vector<std::string>& words)
{
    Arguments args(words, sessionOptions({{"wait", true}, {"date", true}, {"all"}}));
    if (auto problem = sessionUsageProblem(args))
        return usageError(*problem + "; see zk delete --help");
    if (args.has("help")) {
        std::fputs(kDeleteUsage, stdout);
        return kExitOk;
    }
    if (args.positional().empty())
        return usageError("delete needs at least one ID; see zk delete --help");
    std::vector<std::uint32_t> ids;
    for (const std::string& word : args.positional()) {
        std::optional<std::uint32_t> id = idOf(word);
        if (!id)
            return usageError("delete: \"" + word + "\" is not an item id");
        ids.push_back(*id);
    }
    if (args.has("all") && args.has("date"))
        return usageError("--all deletes every occurrence; it takes no --date");

    ZkSession zk(args);
    if (int code = zk.openForChange(waitLimit(args)); code != kExitOk)
        return code;
    DayNumber date;
    if (auto text = args.value("date")) {
        int value = parseDateEntry(*text, zk.session().entryContext());
        if (value == kInvalidEntry || !DayNumber(value).isUsable())
            return usageError("delete: \"" + *text + "\" is not a date");
        date = DayNumber(value);
    }
    DeleteCommands commands(zk.session());
    int result = kExitOk;
    for (std::uint32_t id : ids)
        if (deleteOne(zk, commands, id, date, args.has("all")) != kExitOk)
            result = kExitFailed;
    if (zk.schedule().dirty && !zk.session().save().ok()) {
        std::fprintf(stderr, "zk: the schedule could not be saved\n");
        return kExitFailed;
    }
    return result;
}

} // namespace zk::cli
