#include "shell/model/itemcommit.h"

#include "core/schedule.h"
#include "engine/occurrences.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "engine/recurrenceexpansion.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/programlauncher.h"
#include "sharing/activitylog.h"
#include "sharing/session.h"

namespace zk {

const char* const kEditedItemGoneText =
    "This item was deleted in another session meanwhile. Your changes were not stored.";
const char* const kRecurringChangeFailedText =
    "Not enough memory to change this recurring item. Keeping old definition.";

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

// Only the schedule's owner, typing in the item dialog, may give an item's
// command leave to run unattended (ItemFlag::fOwnerText).
bool ownerTyping(const Session& session) { return runsAsOwnerOf(session.files().folder()); }

CommitResult addNewItem(Session& session, const ItemEditor& editor)
{
    NewItem item;
    item.record = editor.finalRecord();
    item.text = editor.text();
    item.recurrence = editor.storedRecurrence();
    item.ownerText = ownerTyping(session);
    if (!editor.isProjectOrList())
        item.day = editor.finalDay();
    if (editor.form() == ItemForm::Lite)
        item.record.setFlag(ItemFlag::fFloating, false);
    // The add puts a floating item at the seq its record carries.
    if (item.record.has(ItemFlag::fFloating))
        item.record.setPlistLink(static_cast<std::uint32_t>(editor.rank()));
    const bool recurring = item.recurrence.has_value();
    AddResult added = session.addItem(std::move(item));
    switch (added.status) {
    case AddStatus::Added: {
        Schedule& s = session.schedule();
        CommitResult result = stored(s, added.item);
        if (recurring)
            result.dayToShow = nextOccurrence(s, added.item, kNoDay, session.clock().today());
        return result;
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

void storeRecord(Schedule& s, ItemHandle h, const ItemRecord& edited, const std::string& text, bool byOwner)
{
    ItemRecord& live = s.record(h);
    // A text left as it was keeps its mark; a changed one is the typist's.
    const bool textChanged = s.storedDescription(h) != text;
    const bool ownerText = textChanged ? byOwner : live.has(ItemFlag::fOwnerText);
    // Links into lists belong to the schedule in memory, not to the copy
    // the editor took: the plist operations move them below.
    const std::uint32_t plistLink = live.plistLink();
    const std::uint32_t recur = live.recur();
    const bool floating = live.has(ItemFlag::fFloating);
    live = edited;
    live.setPlistLink(plistLink);
    live.setRecur(recur);
    live.setFlag(ItemFlag::fFloating, floating);
    live.setFlag(ItemFlag::fOwnerText, ownerText);
    if (textChanged)
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

void placeAgain(Placement& placement, ItemHandle h, DayNumber day)
{
    Schedule& s = placement.schedule();
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
    storeRecord(s, h, edited, editor.text(), ownerTyping(session));
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
    Placement placement(s, PlacementContext::at(session.clock()), &session.messages());
    placeAgain(placement, h, target);
    return stored(s, h);
}

// --- recurring items ---------------------------------------------------------------

// The edited fields go over an item of a series that keeps what makes it
// that item: its id, its creation (for an exception, the day it replaces)
// and its part in the series.
void storeInSeries(Schedule& s, ItemHandle h, ItemRecord edited, const std::string& text, bool byOwner)
{
    const ItemRecord& live = s.record(h);
    edited.setId(live.id());
    edited.setCreatedDay(live.createdDay());
    edited.setCreatedTime(live.createdTime());
    edited.setFlags((edited.flags() & ~ItemFlag::recurrence) | (live.flags() & ItemFlag::recurrence));
    storeRecord(s, h, edited, text, byOwner);
}

// An item that is no longer part of a series, on its day.
CommitResult placeSingle(Session& session, Placement& placement, ItemHandle h, const ItemEditor& editor,
                         DayNumber day)
{
    Schedule& s = placement.schedule();
    ItemRecord& live = s.record(h);
    live.setFlag(ItemFlag::recurrence, false);
    live.setRecur(0);
    const ItemRecord edited = editor.finalRecord();
    storeRecord(s, h, edited, editor.text(), ownerTyping(session));
    s.setDay(h, day);
    updatePlist(s, h, edited.has(ItemFlag::fFloating), editor.rank(), session.clock().today());
    placeAgain(placement, h, day);
    return stored(s, h);
}

// Yes to the question: the instance stays as a single item, the definition
// and every other instance go.
CommitResult makeSingle(Session& session, Placement& placement, ItemHandle h, ItemHandle definition,
                        const ItemEditor& editor)
{
    Schedule& s = placement.schedule();
    RecurrenceExpansion expansion(placement);
    DayNumber day = editor.finalDay();
    if (day.isNone())
        day = session.clock().today();
    if (h != definition)
        s.recurrences.removeEntry(definition, DayNumber(s.record(h).createdDay()));
    expansion.takeDefinitionOffAllDays(definition);
    expansion.deleteExceptions(definition);
    s.recurrences.remove(definition);
    if (h != definition)
        s.freeItem(definition);
    return placeSingle(session, placement, h, editor, day);
}

CommitResult cancelInstance(Placement& placement, ItemHandle h, ItemHandle definition, const ItemEditor& editor)
{
    Schedule& s = placement.schedule();
    RecurrenceExpansion expansion(placement);
    const DayNumber day = editor.instanceDay();
    if (h != definition) {
        // The exception goes; its occurrence comes back to be cancelled.
        if (std::optional<EntryRef> at = s.scheduledAnywhere(h)) {
            expansion.undoException(*at);
        } else {
            s.recurrences.removeEntry(definition, day);
            s.freeItem(h);
        }
    }
    if (std::optional<std::size_t> at = s.getDay(day) ? s.entryOf(definition, day) : std::nullopt)
        expansion.cancelOccurrence(EntryRef{day, *at});
    else if (!s.recurrences.isCancelled(definition, day))
        s.recurrences.addEntry(definition, day);
    return {CommitStatus::Stored, definition, day};
}

CommitResult changeDefinition(Session& session, Placement& placement, ItemHandle definition, const ItemEditor& editor)
{
    Schedule& s = placement.schedule();
    RecurrenceExpansion expansion(placement);
    storeInSeries(s, definition, editor.finalRecord(), editor.text(), ownerTyping(session));
    s.setDay(definition, DayNumber(kNoDayInChain));
    if (!expansion.changeRule(definition, *editor.storedRecurrence()))
        return {CommitStatus::Stored, definition, kNoDay};
    const DayNumber today = session.clock().today();
    DayNumber day = editor.instanceDay();
    if (day.isNone() || occursOn(s, definition, day, today) != 1)
        day = nextOccurrence(s, definition, kNoDay, today);
    return {CommitStatus::Stored, definition, day};
}

CommitResult storeException(Session& session, Placement& placement, ItemHandle h, ItemHandle definition,
                            const ItemEditor& editor)
{
    Schedule& s = placement.schedule();
    if (h == definition) {
        // Opening an occurrence and leaving it as it was makes no exception.
        if (!editor.instanceEdited())
            return {CommitStatus::Stored, definition, editor.instanceDay()};
        const DayNumber day = editor.instanceDay();
        std::optional<std::size_t> at = s.getDay(day) ? s.entryOf(definition, day) : std::nullopt;
        ItemHandle exception = at ? RecurrenceExpansion(placement).makeException(EntryRef{day, *at}) : kNoItem;
        if (!exception) {
            session.messages().error(kRecurringChangeFailedText);
            return {CommitStatus::Refused, kNoItem, kNoDay};
        }
        h = exception;
    }
    const ItemRecord edited = editor.finalRecord();
    storeInSeries(s, h, edited, editor.text(), ownerTyping(session));
    const DayNumber target = editor.finalDay();
    s.setDay(h, target);
    updatePlist(s, h, edited.has(ItemFlag::fFloating), editor.rank(), session.clock().today());
    placeAgain(placement, h, target);
    return stored(s, h);
}

// An existing item given a rule: off its days and out of the priority
// list, its occurrences on every day.
CommitResult makeDefinition(Session& session, Placement& placement, ItemHandle h, const ItemEditor& editor)
{
    Schedule& s = placement.schedule();
    takeOffDays(placement, h);
    if (s.record(h).has(ItemFlag::fFloating))
        removeFromPlist(s, h);
    s.record(h).setFlag(ItemFlag::fFloating, false);
    ItemRecord edited = editor.finalRecord();
    edited.setFlag(ItemFlag::fException | ItemFlag::fFloating, false);
    edited.setFlag(ItemFlag::fRecurDef, true);
    storeRecord(s, h, edited, editor.text(), ownerTyping(session));
    s.record(h).setFlag(ItemFlag::fRecurDef, true);
    s.recurrences.add(h, *editor.storedRecurrence());
    s.setDay(h, DayNumber(kNoDayInChain));
    RecurrenceExpansion(placement).placeDefinitionOnAllDays(h);
    return {CommitStatus::Stored, h, nextOccurrence(s, h, kNoDay, session.clock().today())};
}

CommitResult changeRecurring(Session& session, const ItemEditor& editor)
{
    // Asked before anything is taken: No keeps the dialog as it is.
    const bool single = editor.definition() && !editor.recurringChecked();
    if (single && session.messages().question(kDeleteOtherInstancesText) != Answer::Yes)
        return {CommitStatus::Kept, kNoItem, kNoDay};
    if (!session.access().requestChangeAccess())
        return {CommitStatus::Waiting, kNoItem, kNoDay};
    Schedule& s = session.schedule();
    ItemHandle h = findEdited(s, editor);
    ItemHandle definition = editor.definition() ? s.recurrences.findByItemId(editor.definitionId()) : kNoItem;
    if (!h || (editor.definition() && !definition)) {
        session.messages().error(kEditedItemGoneText);
        return {CommitStatus::Refused, kNoItem, kNoDay};
    }
    Placement placement(s, PlacementContext::at(session.clock()), &session.messages());
    CommitResult result;
    if (editor.becomesDefinition())
        result = makeDefinition(session, placement, h, editor);
    else if (single)
        result = makeSingle(session, placement, h, definition, editor);
    else if (editor.role() == RecurringRole::Cancelled)
        result = cancelInstance(placement, h, definition, editor);
    else if (editor.role() == RecurringRole::Standard)
        result = changeDefinition(session, placement, definition, editor);
    else
        result = storeException(session, placement, h, definition, editor);
    if (result.status == CommitStatus::Stored) {
        s.dirty = true;
        logChange(session, editor.text());
    }
    return result;
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
    if (editor.definition() || editor.becomesDefinition())
        return changeRecurring(session, editor);
    return changeItem(session, editor);
}

} // namespace zk
