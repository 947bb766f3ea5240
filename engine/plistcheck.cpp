#include "engine/plistcheck.h"

#include "core/schedule.h"
#include "engine/marvals.h"
#include "engine/plistorder.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <vector>

namespace zk {

const char* const kFluidActNotInPlistText = "Set fluid off on act not in plist";
const char* const kUseBackupQuestion =
    "Would you like to have the backup file used instead? (Reply 'No' to continue cleaning up this datafile.)";
const char* const kRemovedPlistEntryText = "Removed one plist item since no such act";

namespace {

constexpr const char* kModule = "Plist";

// Removes an entry no floating item of the chain points to. Its item, when
// it still believes itself listed there, stops floating and keeps the seq,
// so invariant 3 holds for items outside the chain too.
void dropEntry(Schedule& schedule, PlistEntryHandle e)
{
    ItemHandle item = schedule.plist.entry(e).item;
    int seq = schedule.plist.remove(e);
    if (schedule.items.isLive(item)) {
        ItemRecord& r = schedule.record(item);
        if (r.plistLink() == e.index) {
            r.setFlag(ItemFlag::fFloating | ItemFlag::fSequence, false);
            r.setPlistLink(static_cast<std::uint32_t>(seq));
        }
    }
    schedule.dirty = true;
}

std::vector<PlistEntryHandle> entriesWithoutItem(const Schedule& schedule)
{
    std::vector<PlistEntryHandle> out;
    for (PlistEntryHandle e : schedule.plist)
        if (!itemOfPlistEntry(schedule, e))
            out.push_back(e);
    return out;
}

bool floatsWithoutEntry(const Schedule& schedule, ItemHandle h)
{
    return schedule.record(h).has(ItemFlag::fFloating) && !findPlistEntry(schedule, h);
}

bool userWantsBackup(Schedule& schedule)
{
    Messages* messages = schedule.messages();
    return messages && messages->question(kUseBackupQuestion) == Answer::Yes;
}

// False when the user chose the backup file instead.
bool repair(Schedule& schedule)
{
    schedule.plist.setCursor(kNoEntry);
    std::vector<ItemHandle> lost;
    for (ItemHandle h : schedule.chain)
        if (floatsWithoutEntry(schedule, h))
            lost.push_back(h);
    int cleared = 0;
    for (ItemHandle h : lost) {
        ItemRecord& r = schedule.record(h);
        r.setFlag(ItemFlag::fFloating, false);
        r.setPlistLink(0);
        schedule.dirty = true;
        schedule.report(kFluidActNotInPlistText);
        if (++cleared % 5 == 0 && userWantsBackup(schedule))
            return false;
        schedule.report(schedule.titleOf(h));
    }
    for (PlistEntryHandle e : entriesWithoutItem(schedule)) {
        dropEntry(schedule, e);
        schedule.report(kRemovedPlistEntryText);
    }
    return true;
}

} // namespace

// --- loading and saving ----------------------------------------------------------

std::string referencesNotFoundText(int dropped)
{
    char text[160];
    std::snprintf(text, sizeof text,
                  "Priority list reference(s) not found; omitting %d (item(s) still scheduled, but not in priority list)",
                  dropped);
    return text;
}

LinkedPlist linkLoadedPlist(Schedule& schedule, std::span<const std::uint32_t> keys, PlistKeyMatch match)
{
    PriorityList& list = schedule.plist;
    ZK_CHECK(list.empty(), kModule);
    auto keyOf = [match](std::uint32_t v) { return match == PlistKeyMatch::Low16 ? v & 0xFFFFu : v; };

    // Taken before any plistLink changes: a new entry's index may equal a
    // key still to be matched. Keys are entry slot indexes, so a table
    // indexed by key finds each one without a search; keys far above the
    // number of items (a damaged or foreign file) are looked up in a map.
    const std::size_t tableLimit = schedule.chain.size() * 4 + 1024;
    // What an entry takes from its item, kept beside the handle: the keys
    // come in class order, and reading the records again in that order
    // would jump all over a large store.
    struct Held {
        ItemHandle item;
        std::uint8_t letter = 0;
        float marval = 0;
    };
    std::vector<Held> table;
    std::unordered_map<std::uint32_t, Held> beyond;
    // The records are read in the store's order, front to back; where two
    // items share a key, the first in chain order wins.
    const ItemChain& chain = schedule.chain;
    auto keep = [&](Held& held, ItemHandle h, const ItemRecord& r) {
        if (!held.item || chain.precedes(h, held.item))
            held = Held{h, r.priorityLetter(), hourizedMarval(r)};
    };
    schedule.items.forEach([&](ItemHandle h) {
        const ItemRecord& r = schedule.record(h);
        if (!r.has(ItemFlag::fFloating) || !chain.contains(h))
            return;
        std::uint32_t key = keyOf(r.plistLink());
        if (key >= tableLimit)
            return keep(beyond[key], h, r);
        if (key >= table.size())
            table.resize(std::max<std::size_t>(key + 1, std::min(tableLimit, table.size() * 2)));
        keep(table[key], h, r);
    });
    // Takes the item listed under a key, once: a repeated key must not list
    // the item twice.
    auto take = [&](std::uint32_t key) {
        Held found;
        if (key < table.size()) {
            std::swap(found, table[key]);
        } else if (auto it = beyond.find(key); it != beyond.end()) {
            found = it->second;
            beyond.erase(it);
        }
        return found;
    };

    LinkedPlist result;
    struct Made {
        int rank;
        PlistEntryHandle entry;
    };
    std::vector<Made> made;
    made.reserve(keys.size());
    for (std::uint32_t key : keys) {
        if (key == 0)  // the end mark; a reader stops there
            continue;
        Held held = take(keyOf(key));
        if (!held.item) {
            ++result.dropped;
            continue;
        }
        // The value per hour is set now, so that the Marvals order of the
        // loaded entries holds before anything refreshes it.
        made.push_back({letterRank(held.letter), list.create(held.item, held.letter, 0, held.marval)});
    }
    // A file written by this program is in class order already.
    auto byLetter = [](const Made& a, const Made& b) { return a.rank < b.rank; };
    if (!std::is_sorted(made.begin(), made.end(), byLetter))
        std::stable_sort(made.begin(), made.end(), byLetter);
    for (const Made& m : made) {
        list.insertBefore(m.entry, kNoEntry);
        schedule.record(list.entry(m.entry).item).setPlistLink(m.entry.index);
    }
    list.renumber();
    result.matched = static_cast<int>(made.size());
    if (result.dropped > 0)
        schedule.report(referencesNotFoundText(result.dropped));
    result.ok = result.dropped <= 1;
    return result;
}

bool lettersNeedConversion(float fileProgramVersion) { return fileProgramVersion < 4.1f; }

void convertOldLetters(Schedule& schedule)
{
    PriorityList& list = schedule.plist;
    list.renumber();
    int n = static_cast<int>(list.size());
    int position = 0;
    // The thirds follow list positions; in a file without letters every
    // entry is in one class, so a position is its seq.
    list.relabel([&](const PlistEntry&) -> std::uint8_t {
        int s = ++position;
        if (s < n / 3)
            return 'A';
        if (s >= 2 * n / 3)
            return 'C';
        return 'B';
    });
    for (PlistEntryHandle e : list)
        schedule.record(list.entry(e).item).setPriorityLetter(list.entry(e).letter);
    for (ItemHandle h : schedule.chain) {
        ItemRecord& r = schedule.record(h);
        if (!r.has(ItemFlag::fFloating))
            r.setPriorityLetter(kClassA);
    }
}

// --- the check -------------------------------------------------------------------

bool checkPlist(Schedule& schedule, PlistCheckTime when)
{
    bool startUp = when == PlistCheckTime::StartUp;
    bool inconsistent = false;
    bool changed = false;  // by a repair or a dropped entry: count again
    std::size_t floating = 0;
    std::size_t listed = 0;  // floating items whose entry lists them

    // Counting goes in the store's order, reading the records front to back.
    auto countFloating = [&schedule] {
        std::size_t n = 0;
        schedule.items.forEach([&](ItemHandle h) {
            n += schedule.record(h).has(ItemFlag::fFloating) && schedule.chain.contains(h);
        });
        return n;
    };
    if (startUp) {
        // Any one without its entry will do: the repair finds them all again.
        schedule.items.forEach([&](ItemHandle h) {
            if (!schedule.record(h).has(ItemFlag::fFloating) || !schedule.chain.contains(h))
                return;
            ++floating;
            if (findPlistEntry(schedule, h))
                ++listed;
            else
                inconsistent = true;
        });
    } else {
        for (ItemHandle h : schedule.chain) {
            if (schedule.record(h).has(ItemFlag::fFloating))
                ++floating;
            if (floatsWithoutEntry(schedule, h)) {
                schedule.report(schedule.titleOf(h));
                ZK_FAULT(kModule);
            }
        }
    }

    // An entry lists one item, and every item an entry lists was counted:
    // when they make up the whole list, no entry lacks its item, and the
    // walk of the list in its own order (all over a large store) is spared.
    const bool allListed = startUp && listed == schedule.plist.size();
    for (PlistEntryHandle e : allListed ? std::vector<PlistEntryHandle>{} : entriesWithoutItem(schedule)) {
        ItemHandle item = schedule.plist.entry(e).item;
        if (schedule.items.isLive(item) && schedule.isPastDay(schedule.dayOf(item))) {
            dropEntry(schedule, e);
            changed = true;
            schedule.report(kPastItemsCannotFloatText);
            continue;
        }
        if (!startUp)
            ZK_FAULT(kModule);
        inconsistent = true;
    }

    if (inconsistent && !repair(schedule))
        return false;

    if (inconsistent || changed)
        floating = countFloating();
    ZK_CHECK(floating == schedule.plist.size(), kModule);
    return true;
}

} // namespace zk
