// Fuzz target for zk add's partial save: for every file the stored-bytes
// index accepts, adding an item to the days read from it and writing the
// file back around them must give byte for byte what loading the whole
// file, the same add and the whole save give. The index accepting a file
// the whole load refuses is a fault too. Each input is tried with one item
// on a day the file holds and one on a day it does not (which makes a new
// day record); their day, time and length come from the input's hash.

#include "fuzzsupport.h"

#include "core/schedule.h"
#include "engine/placementcontext.h"
#include "engine/recurrenceexpansion.h"
#include "platform/fault.h"
#include "platform/filesystem.h"
#include "platform/lockfilesystem.h"
#include "platform/messages.h"
#include "sharing/addjournal.h"
#include "sharing/additem.h"
#include "sharing/changeaccess.h"
#include "storage/storeddatafile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace {

using namespace zk;
using fuzz::fuzzClock;

// Change access held for the whole run: every add asks for it, and taking
// it each time would cost more than the add.
struct Folder {
    Folder()
    {
        char name[] = "/tmp/zelkon-partialadd-XXXXXX";
        path = ::mkdtemp(name);
        access = std::make_unique<ChangeAccess>(path, fuzzClock(), messages, "fuzz", locks);
        if (!access->requestChangeAccess())
            std::abort();
    }
    ~Folder()
    {
        access.reset();
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }

    std::filesystem::path path;
    ScriptedPresenter presenter;
    Messages messages{presenter};
    LinuxLockFileSystem locks;
    std::unique_ptr<ChangeAccess> access;
};

Folder& folder()
{
    static Folder f;
    return f;
}

// The add zk add makes, and what it writes then.
struct Added {
    AddStatus status = AddStatus::Refused;
    std::vector<std::uint8_t> written;
};

Added addAndWrite(Schedule& s, const NewItem& item, const StoredDataFile* stored)
{
    ScriptedPresenter presenter;
    Messages messages(presenter);
    s.setMessages(&messages);
    attachOccurrencePlacing(s, fuzzClock());
    AddJournal journal(folder().path, messages, systemFileSystem());
    AddItemServices services{.access = *folder().access,
                             .schedule = [&s]() -> Schedule& { return s; },
                             .clock = fuzzClock(),
                             .messages = messages,
                             .regional = {},
                             .generateOccurrences = {},
                             .added = {},
                             .journal = &journal};
    Added out;
    out.status = addItem(services, item).status;
    if (stored)
        stored->write(s, out.written);
    else if (!saveDataBytes(s, out.written))
        std::abort();
    s.setMessages(nullptr);
    std::error_code ignored;
    std::filesystem::remove(journal.file(), ignored);
    return out;
}

// A fixed item, as zk add makes one from its line.
NewItem fixedItem(DayNumber day, std::uint64_t hash)
{
    NewItem item;
    item.day = day;
    const int hour = static_cast<int>((hash >> 8) % 24), quarter = static_cast<int>((hash >> 16) % 4);
    const int begin = hash % 3 == 0 ? 0 : TimeValue::fromClock(hour, 15 * quarter).value();
    item.record.setDay(static_cast<std::uint16_t>(day.value()));
    item.record.setBeginTime(static_cast<std::int16_t>(begin));
    item.record.setFlag(ItemFlag::fAnchored, begin != 0);
    item.record.setDuration(static_cast<std::uint16_t>(15 * (1 + (hash >> 24) % 12)));
    item.record.setKind(ItemKind::task);
    item.text = "Fuzzed item";
    return item;
}

std::optional<LoadResult> loadWhole(const std::vector<std::uint8_t>& file)
{
    LoadOptions options;
    options.clock = &fuzzClock();
    try {
        LoadResult loaded = loadDataBytes(file, options);
        if (!loaded)
            return std::nullopt;
        loaded.schedule->setClock(&fuzzClock());
        return loaded;
    } catch (const InternalFault&) {
        return std::nullopt;
    }
}

// Adds the item both ways; the whole way stands in when the partial way
// declines, as the session's own does.
void compareWays(const std::vector<std::uint8_t>& file, const std::shared_ptr<StoredDataFile>& stored,
                 const NewItem& item)
{
    std::unique_ptr<Schedule> partial = stored->partialSchedule(&fuzzClock());
    std::optional<std::vector<DayNumber>> days = daysChangedBy(*partial, {item});
    if (!days)
        return;
    days->push_back(fuzzClock().today());
    days->push_back(PlacementContext::at(fuzzClock()).today);
    if (!stored->addDays(*partial, *days))
        return;
    std::optional<LoadResult> whole = loadWhole(file);
    if (!whole)
        std::abort();
    Added partly = addAndWrite(*partial, item, stored.get());
    Added wholly = addAndWrite(*whole->schedule, item, nullptr);
    if (partly.status != wholly.status || partly.written != wholly.written) {
        // Where the two part, for whoever reads the crash report.
        auto [p, w] = std::mismatch(partly.written.begin(), partly.written.end(), wholly.written.begin(),
                                    wholly.written.end());
        std::fprintf(stderr, "day %d: status %d and %d; %zu and %zu bytes, first difference at %td\n",
                     item.day.value(), static_cast<int>(partly.status), static_cast<int>(wholly.status),
                     partly.written.size(), wholly.written.size(), p - partly.written.begin());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::optional<fuzz::StoredInput> input = fuzz::storedInput(data, size);
    if (!input)
        return 0;
    const std::vector<std::uint8_t>& file = input->file;
    const std::shared_ptr<StoredDataFile>& stored = input->stored;
    // Taken as stored means the whole load takes it too.
    std::optional<LoadResult> whole = loadWhole(file);
    if (!whole)
        std::abort();

    const std::uint64_t hash = fuzz::hashOf(file);
    const auto& held = stored->days();
    if (!held.empty())
        compareWays(file, stored, fixedItem(held[hash % held.size()].day, hash));
    // A day after the last past day that the file has no record of.
    DayNumber fresh = whole->schedule->header.lastPastDay() + 1 + static_cast<int>((hash >> 32) % 60);
    while (stored->findDay(fresh))
        fresh = fresh + 1;
    if (fresh.isUsable())
        compareWays(file, stored, fixedItem(fresh, hash >> 40));
    return 0;
}
