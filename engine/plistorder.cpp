#include "engine/plistorder.h"

#include "core/schedule.h"
#include "engine/marvals.h"
#include "platform/fault.h"

#include <limits>
#include <optional>

namespace zk {

const char* const kPastItemsCannotFloatText =
    "Past items cannot be fluid. You might want to use the Insert Done Item command.";

namespace {

constexpr const char* kModule = "Plist";

// Takes the entry out, closes the gap in its old class, and puts it back in
// order with the letter and seq given. Entries before it in its new class
// are numbered already, so renumbering can start at the entry itself.
void relocate(PriorityList& list, PlistEntryHandle e, std::uint8_t letter, int seq)
{
    std::uint8_t oldLetter = list.entry(e).letter;
    PlistEntryHandle following = list.next(e);
    list.unlink(e);
    // Renumbering the old class before inserting matters when an entry moves
    // down inside its class: the seq it asks for then counts the entries
    // without it, so it ends at that seq and not one short.
    if (following && list.entry(following).letter == oldLetter)
        list.renumberFrom(following);
    list.setLetter(e, letter);
    list.setSeq(e, seq);
    list.insertInOrder(e);
    list.renumberFrom(e);
}

int seqFromLink(std::uint32_t plistLink)
{
    constexpr auto most = static_cast<std::uint32_t>(std::numeric_limits<int>::max());
    return static_cast<int>(plistLink > most ? most : plistLink);
}

} // namespace

PlistEntryHandle findPlistEntry(const Schedule& schedule, ItemHandle item)
{
    return schedule.plist.entryOf(item, schedule.record(item).plistLink());
}

ItemHandle itemOfPlistEntry(const Schedule& schedule, PlistEntryHandle entry)
{
    if (!schedule.plist.isLinked(entry))
        return kNoItem;
    ItemHandle item = schedule.plist.entry(entry).item;
    if (!schedule.items.isLive(item) || !schedule.chain.contains(item))
        return kNoItem;
    const ItemRecord& r = schedule.record(item);
    if (!r.has(ItemFlag::fFloating) || r.plistLink() != entry.index)
        return kNoItem;
    return item;
}

ItemHandle itemAheadInPlist(const Schedule& schedule, ItemHandle item)
{
    PlistEntryHandle e = findPlistEntry(schedule, item);
    if (!e)
        return kNoItem;
    PlistEntryHandle ahead = schedule.plist.previous(e);
    return ahead ? schedule.plist.entry(ahead).item : kNoItem;
}

bool isPastForPlist(const Schedule& schedule, DayNumber day, DayNumber today)
{
    if (!day)
        return false;
    return (today && day < today) || schedule.isPastDay(day);
}

PlistEntryHandle addToPlist(Schedule& schedule, ItemHandle item, int wantedSeq, DayNumber today)
{
    // A second entry for one item would break invariant 3; an item that is
    // listed already is moved instead.
    if (findPlistEntry(schedule, item)) {
        changeClassOrPosition(schedule, item, wantedSeq);
        return findPlistEntry(schedule, item);
    }
    ItemRecord& r = schedule.record(item);
    if (isPastForPlist(schedule, schedule.dayOf(item), today)) {
        r.setFlag(ItemFlag::fFloating, false);
        schedule.report(kPastItemsCannotFloatText);
        return kNoEntry;
    }
    PriorityList& list = schedule.plist;
    PlistEntryHandle e = list.create(item, r.priorityLetter(), wantedSeq, hourizedMarval(r));
    r.setPlistLink(e.index);
    r.setFlag(ItemFlag::fFloating, true);
    list.insertInOrder(e);
    list.renumberFrom(e);
    if (list.listViewIsCurrent && list.listViewIsCurrent())
        list.setCursor(e);
    schedule.dirty = true;
    return e;
}

void removeFromPlist(Schedule& schedule, ItemHandle item)
{
    ItemRecord& r = schedule.record(item);
    r.setFlag(ItemFlag::fFloating | ItemFlag::fSequence, false);
    PlistEntryHandle e = findPlistEntry(schedule, item);
    if (!e)
        return;
    int seq = schedule.plist.remove(e);
    schedule.dirty = true;
    r.setPlistLink(static_cast<std::uint32_t>(seq));
}

void changeClassOrPosition(Schedule& schedule, ItemHandle item, int newSeq)
{
    PlistEntryHandle e = findPlistEntry(schedule, item);
    if (!e)
        return;
    std::uint8_t letter = schedule.record(item).priorityLetter();
    const PlistEntry& entry = schedule.plist.entry(e);
    if (entry.letter == letter && entry.seq == newSeq)
        return;
    relocate(schedule.plist, e, letter, newSeq);
    schedule.dirty = true;
}

void moveToPosition(Schedule& schedule, ItemHandle item, int seq)
{
    PlistEntryHandle e = findPlistEntry(schedule, item);
    if (!e || schedule.plist.entry(e).seq == seq)
        return;
    relocate(schedule.plist, e, schedule.plist.entry(e).letter, seq);
    schedule.dirty = true;
}

namespace {

enum class StepDirection { Raise, Lower };

// What both steps share before anything moves: a step refused, or done by
// the value alone (Marvals) or without an entry to move, gives its result;
// otherwise `entry` is the item's entry in the list.
std::optional<PriorityStep> startStep(Schedule& schedule, ItemHandle item, StepDirection direction,
                                      PlistEntryHandle& entry)
{
    ItemRecord& r = schedule.record(item);
    if (r.has(ItemFlag::notFreelyMovable))
        return PriorityStep::TimesInstead;
    if (marvalsOn(schedule.header)) {
        // A value never goes below zero by lowering.
        if (direction == StepDirection::Raise || r.value() >= 1.0f) {
            r.setValue(r.value() + (direction == StepDirection::Raise ? 1.0f : -1.0f));
            schedule.dirty = true;
        }
        marvalsResort(schedule, item);
        return PriorityStep::Done;
    }
    if (!r.has(ItemFlag::fFloating))
        return PriorityStep::Done;
    entry = findPlistEntry(schedule, item);
    if (!entry)
        return PriorityStep::Done;
    return std::nullopt;
}

// The entry leaves its place with the class and number of its neighbour.
void takeClassOf(Schedule& schedule, PlistEntryHandle e, PlistEntryHandle neighbour)
{
    PriorityList& list = schedule.plist;
    std::uint8_t letter = list.entry(neighbour).letter;
    int seq = list.entry(neighbour).seq;
    list.unlink(e);
    list.setLetter(e, letter);
    schedule.record(list.entry(e).item).setPriorityLetter(letter);
    list.setSeq(e, seq);
    schedule.dirty = true;
}

} // namespace

PriorityStep raisePriority(Schedule& schedule, ItemHandle item)
{
    PlistEntryHandle e;
    if (std::optional<PriorityStep> result = startStep(schedule, item, StepDirection::Raise, e))
        return *result;
    PriorityList& list = schedule.plist;
    PlistEntryHandle ahead = list.previous(e);
    if (!ahead)
        return PriorityStep::AlreadyFirst;

    std::uint8_t oldLetter = list.entry(e).letter;
    PlistEntryHandle following = list.next(e);
    takeClassOf(schedule, e, ahead);
    list.insertBefore(e, ahead);
    list.renumberFrom(e, ahead);
    // Leaving the front of its class moves every entry left behind up one.
    if (oldLetter != list.entry(e).letter && following && list.entry(following).letter == oldLetter)
        list.renumberFrom(following);
    return PriorityStep::Done;
}

PriorityStep lowerPriority(Schedule& schedule, ItemHandle item)
{
    PlistEntryHandle e;
    if (std::optional<PriorityStep> result = startStep(schedule, item, StepDirection::Lower, e))
        return *result;
    PriorityList& list = schedule.plist;
    PlistEntryHandle behind = list.next(e);
    if (!behind)
        return PriorityStep::Done;

    std::uint8_t oldLetter = list.entry(e).letter;
    takeClassOf(schedule, e, behind);
    list.insertAfter(e, behind);
    if (oldLetter == list.entry(e).letter)
        list.renumberFrom(behind, e);
    else
        list.renumberFrom(behind);  // joining at the front of a class moves the rest down one
    return PriorityStep::Done;
}

void swapPlaces(Schedule& schedule, PlistEntryHandle a, PlistEntryHandle b, SwapSide side)
{
    PriorityList& list = schedule.plist;
    ZK_CHECK(list.isLinked(a) && list.isLinked(b), kModule);
    // Unlinking a would leave nothing to place it next to.
    if (a == b)
        return;
    std::uint8_t oldLetter = list.entry(a).letter;
    PlistEntryHandle following = list.next(a);
    list.unlink(a);
    if (following && list.entry(following).letter == oldLetter)
        list.renumberFrom(following);
    std::uint8_t letter = list.entry(b).letter;
    list.setLetter(a, letter);
    schedule.record(list.entry(a).item).setPriorityLetter(letter);
    if (side == SwapSide::Before)
        list.insertBefore(a, b);
    else
        list.insertAfter(a, b);
    list.renumberFrom(a);
    schedule.dirty = true;
}

void refreshLettersAndValues(Schedule& schedule)
{
    PriorityList& list = schedule.plist;
    list.relabel([&](const PlistEntry& e) { return schedule.record(e.item).priorityLetter(); });
    for (PlistEntryHandle e : list)
        list.setHourizedMarval(e, hourizedMarval(schedule.record(list.entry(e).item)));
}

ListedTotals countListed(const Schedule& schedule, const std::function<bool(ItemHandle)>& shown)
{
    ListedTotals totals;
    double hours = 0;
    for (PlistEntryHandle e : schedule.plist) {
        ItemHandle item = schedule.plist.entry(e).item;
        if (shown && !shown(item))
            continue;
        ++totals.count;
        hours += schedule.record(item).duration() / 60.0;
    }
    totals.hours = static_cast<int>(hours);
    return totals;
}

ToggleFloatingResult toggleFloating(Schedule& schedule, ItemHandle item, DayNumber today, const ToggleFloatingHooks& hooks)
{
    const ItemRecord& r = schedule.record(item);
    if (r.has(ItemFlag::fDone) || r.kind() == ItemKind::cashFlow)
        return ToggleFloatingResult::Refused;
    ToggleFloatingResult result;
    if (r.has(ItemFlag::fFloating)) {
        removeFromPlist(schedule, item);
        if (schedule.record(item).has(ItemFlag::fSplit) && hooks.joinSplitPieces)
            hooks.joinSplitPieces(item);
        result = ToggleFloatingResult::NowFixed;
    } else if (addToPlist(schedule, item, seqFromLink(r.plistLink()), today)) {
        if (schedule.record(item).value() > 0)
            marvalsResort(schedule, item);
        result = ToggleFloatingResult::NowFloating;
    } else {
        result = ToggleFloatingResult::StaysFixed;
    }
    schedule.dirty = true;
    if (hooks.repaintItem)
        hooks.repaintItem(item);
    const ItemRecord& now = schedule.record(item);
    if (now.has(ItemFlag::fFloating) && !now.has(ItemFlag::fStarted | ItemFlag::fDone) && hooks.requestRebalance)
        hooks.requestRebalance();
    return result;
}

} // namespace zk
