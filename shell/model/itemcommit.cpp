#include "shell/model/itemcommit.h"

#include "core/schedule.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/activitylog.h"
#include "sharing/session.h"

namespace zk {

const char* const kEditedItemGoneText =
    "This item was deleted in another session meanwhile. Your changes were not stored.";

namespace {

DayNumber placedDay(const Schedule& s, ItemHandle h)
{
    if (std::optional<EntryRef> at = s.scheduledAnywhere(h))
        return at->day;
    DayNumber day = s.dayOf(h);
    return day.value() == kNoDayInChain ? kNoDay : day;
}

CommitResult stored(const Schedule& s, ItemHandle h)
{
    const ItemRecord& r = s.record(h);
    const bool rebalance = r.has(ItemFlag::fFloating) && !r.has(ItemFlag::fSplit | ItemFlag::fStarted);
    return {CommitStatus::Stored, h, placedDay(s, h), rebalance};
}

CommitResult addNewItem(Session& session, const ItemEditor& editor)
{
    NewItem item;
    item.record = editor.finalRecord();
    item.text = editor.text();
    item.recurrence = editor.recurrence();
    if (!editor.isProjectOrList())
        item.day = editor.finalDay();
    if (editor.form() == ItemForm::Lite)
        item.record.setFlag(ItemFlag::fFloating, false);
    // The add puts a floating item at the seq its record carries.
    if (item.record.has(ItemFlag::fFloating))
        item.record.setPlistLink(static_cast<std::uint32_t>(editor.rank()));
    AddResult added = session.addItem(std::move(item));
    switch (added.status) {
    case AddStatus::Added: {
        return stored(session.schedule(), added.item);
    }
    case AddStatus::Pending: return {CommitStatus::Pending, kNoItem, editor.finalDay()};
    case AddStatus::Dropped:
    case AddStatus::Refused: break;
    }
    return {CommitStatus::Refused, kNoItem, kNoDay};
}

// The edited item in the schedule as it is now, which may have been loaded
// afresh while change access was taken.
ItemHandle findEdited(const Schedule& s, const ItemEditor& editor)
{
    ItemHandle h = editor.item();
    if (s.items.isLive(h) && s.record(h).id() == editor.itemId())
        return h;
    return editor.itemId() != 0 ? s.findItemById(editor.itemId()) : kNoItem;
}

// Takes every entry of the item off its days; the last one taken off
// remembers its place, so a fixed item that stays on its day keeps it.
std::optional<LooseEntry> takeOffDays(Placement& placement, ItemHandle h)
{
    Schedule& s = placement.schedule();
    std::optional<LooseEntry> last;
    for (DayNumber day : s.days.daysOf(h))
        while (std::optional<std::size_t> at = s.entryOf(h, day))
            last = placement.removeEntry(EntryRef{day, *at});
    return last;
}

void storeRecord(Schedule& s, ItemHandle h, const ItemRecord& edited, const std::string& text)
{
    ItemRecord& live = s.record(h);
    // Links into lists belong to the schedule in memory, not to the copy
    // the editor took: the plist operations move them below.
    const std::uint32_t plistLink = live.plistLink();
    const std::uint32_t recur = live.recur();
    const bool floating = live.has(ItemFlag::fFloating);
    live = edited;
    live.setPlistLink(plistLink);
    live.setRecur(recur);
    live.setFlag(ItemFlag::fFloating, floating);
    if (s.storedDescription(h) != text)
        s.setDescription(h, text);
}

void updatePlist(Schedule& s, ItemHandle h, bool wantFloating, int rank, DayNumber today)
{
    const bool floating = s.record(h).has(ItemFlag::fFloating);
    if (wantFloating && !floating)
        addToPlist(s, h, rank, today);
    else if (wantFloating)
        changeClassOrPosition(s, h, rank);
    else if (floating)
        removeFromPlist(s, h);
}

void placeAgain(Session& session, ItemHandle h, DayNumber day)
{
    Schedule& s = session.schedule();
    Placement placement(s, PlacementContext::at(session.clock()), &session.messages());
    const ItemRecord& r = s.record(h);
    if (r.has(ItemFlag::fStarted)) {
        // A started item stays where it runs; only its day's layout follows.
        for (DayNumber d : s.days.daysOf(h))
            placement.layoutDay(d);
        return;
    }
    std::optional<LooseEntry> old = takeOffDays(placement, h);
    if (r.has(ItemFlag::fFloating)) {
        placement.placeFloatingItem(h);
        return;
    }
    if (day.isNone() || !s.getDay(day))
        return;
    LooseEntry loose = old ? *old : LooseEntry::fresh(h, r.duration());
    if (loose.oldDay != day)
        loose.forgetOldPlace();
    loose.entry.placedMinutes = r.duration();
    loose.entry.start = 0;
    if (r.has(ItemFlag::fDone) && !r.has(ItemFlag::fOnHold))
        loose.entry.start = r.beginTime();
    placement.insertEntry(loose, day);
}

void logChange(Session& session, const std::string& text)
{
    appendActivity(session.access().paths().folder, kChangeLogName,
                   activityLine(session.clock().localNow(), session.settings().regional, text), session.messages());
}

CommitResult changeItem(Session& session, const ItemEditor& editor)
{
    if (!session.access().requestChangeAccess())
        return {CommitStatus::Waiting, kNoItem, kNoDay};
    Schedule& s = session.schedule();
    ItemHandle h = findEdited(s, editor);
    if (!h) {
        session.messages().error(kEditedItemGoneText);
        return {CommitStatus::Refused, kNoItem, kNoDay};
    }
    const ItemRecord edited = editor.finalRecord();
    // As for a new item: an archived day is not written back from here.
    const DayNumber target = editor.finalDay();
    if (!editor.isProjectOrList() && s.isPastDay(target) && !s.writePastDay && target != s.dayOf(h)) {
        session.messages().error(kArchivedDayText);
        return {CommitStatus::Refused, kNoItem, kNoDay};
    }
    storeRecord(s, h, edited, editor.text());
    s.dirty = true;
    logChange(session, editor.text());
    // A project is in no day; a definition's occurrences are its own.
    if (editor.isProjectOrList() || edited.has(ItemFlag::fRecurDef)) {
        if (!editor.isProjectOrList())
            s.setDay(h, DayNumber(kNoDayInChain));
        return {CommitStatus::Stored, h, kNoDay};
    }
    if (!target.isNone())
        s.setDay(h, target);
    updatePlist(s, h, edited.has(ItemFlag::fFloating), editor.rank(), session.clock().today());
    placeAgain(session, h, target);
    return stored(s, h);
}

CommitResult storeTemplate(Session& session, const ItemEditor& editor)
{
    if (!session.access().requestChangeAccess())
        return {CommitStatus::Waiting, kNoItem, kNoDay};
    Schedule& s = session.schedule();
    ItemRecord r = editor.finalRecord();
    r.setDay(0);
    s.templateItem = r;
    s.dirty = true;
    return {CommitStatus::Stored, kNoItem, kNoDay};
}

} // namespace

CommitResult commitItemEdit(Session& session, const ItemEditor& editor)
{
    if (editor.editsTemplate())
        return storeTemplate(session, editor);
    if (editor.isNew())
        return addNewItem(session, editor);
    return changeItem(session, editor);
}

} // namespace zk
