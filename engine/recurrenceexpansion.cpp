#include "engine/recurrenceexpansion.h"

#include "engine/occurrences.h"
#include "platform/clock.h"
#include "platform/fault.h"

#include <new>
#include <vector>

namespace zk {

const char* const kExceptionRepairedText = "problematic recurring exception task repaired for ";

namespace {

constexpr const char* kModule = "Recur";

} // namespace

RecurrenceExpansion::RecurrenceExpansion(Placement& placement) : placement_(placement) {}

// --- placing occurrences -----------------------------------------------------------

RecurrenceExpansion::Placing RecurrenceExpansion::placeOn(ItemHandle definition, DayNumber day)
{
    Schedule& s = schedule();
    if (!s.findDay(day) || s.entryOf(definition, day))
        return Placing::NotDue;
    if (occursOn(s, definition, day, today()) != 1 || s.recurrences.findEntry(definition, day))
        return Placing::NotDue;
    try {
        LooseEntry entry = LooseEntry::fresh(definition, s.record(definition).duration());
        return placement_.insertEntry(entry, day) ? Placing::Added : Placing::Failed;
    } catch (const std::bad_alloc&) {
        s.report(std::string(kMemoryFullText) + "\n" + ConditionCode{kModule, __LINE__}.text());
        return Placing::Failed;
    }
}

bool RecurrenceExpansion::placeDefinitionOnDay(ItemHandle definition, DayNumber day)
{
    return placeOn(definition, day) == Placing::Added;
}

bool RecurrenceExpansion::placeDefinitionsOnNewDay(DayNumber day)
{
    Schedule& s = schedule();
    // Occurrences can be made again from the rules at any time: a day
    // record made to be looked at does not make the schedule changed (a
    // rule repaired on the way does).
    bool wasDirty = s.dirty;
    bool failed = false;
    std::vector<ItemHandle> definitions = s.recurrences.inOrder();
    for (ItemHandle definition : definitions) {
        bool repairs = (s.recurrences.ruleOf(definition).typeByte() & 0x0F) == 0;
        failed = placeOn(definition, day) == Placing::Failed;
        wasDirty |= repairs;
        if (failed)
            break;
    }
    s.dirty = wasDirty;
    return !failed;
}

bool RecurrenceExpansion::placeDefinitionOnAllDays(ItemHandle definition)
{
    Schedule& s = schedule();
    std::vector<DayNumber> days;
    for (auto it = s.days.lowerBound(firstNonPastDay(s, today())); it != s.days.end(); ++it)
        days.push_back(DayNumber(it->first));
    for (DayNumber day : days) {
        if (placeOn(definition, day) == Placing::Failed) {
            takeDefinitionOffAllDays(definition);
            return false;
        }
    }
    return true;
}

void RecurrenceExpansion::removeEntriesOf(ItemHandle item, DayNumber day)
{
    Schedule& s = schedule();
    bool removed = false;
    while (std::optional<std::size_t> at = s.entryOf(item, day)) {
        placement_.removeEntry(EntryRef{day, *at});
        removed = true;
    }
    if (removed)
        placement_.layoutDay(day);
}

void RecurrenceExpansion::takeDefinitionOffAllDays(ItemHandle definition)
{
    Schedule& s = schedule();
    // Past days keep what they had: they are history, written to the archive.
    for (DayNumber day : s.days.daysOf(definition))
        if (!s.isPastDay(day))
            removeEntriesOf(definition, day);
}

bool RecurrenceExpansion::rebuildOccurrences(ItemHandle definition)
{
    takeDefinitionOffAllDays(definition);
    schedule().dirty = true;
    return placeDefinitionOnAllDays(definition);
}

bool RecurrenceExpansion::changeRule(ItemHandle definition, const RecurrenceRecord& rule)
{
    takeDefinitionOffAllDays(definition);
    schedule().recurrences.setRule(definition, rule);
    schedule().dirty = true;
    return placeDefinitionOnAllDays(definition);
}

void RecurrenceExpansion::setStartDay(ItemHandle definition, DayNumber day)
{
    RecurrenceRecord rule = schedule().recurrences.ruleOf(definition);
    rule.setStartDay(day);
    changeRule(definition, rule);
}

void RecurrenceExpansion::setSuspended(ItemHandle definition, bool suspended)
{
    RecurrenceRecord rule = schedule().recurrences.ruleOf(definition);
    std::uint16_t word = rule.monthWord();
    rule.setMonthWord(static_cast<std::uint16_t>(suspended ? word | kMonthWordSuspended : word & ~kMonthWordSuspended));
    changeRule(definition, rule);
}

// --- exceptions ----------------------------------------------------------------------

ItemHandle RecurrenceExpansion::makeException(EntryRef ref)
{
    Schedule& s = schedule();
    const DayRecord* record = s.findDay(ref.day);
    ZK_CHECK(record != nullptr && ref.index < record->entries().size(), kModule);
    ItemHandle definition = record->entries()[ref.index].item;
    if (!s.recurrences.contains(definition))
        return kNoItem;

    ItemHandle exception = s.newItem();
    ItemRecord& r = s.record(exception);
    r = s.record(definition);
    r.setRecur(definition.index);
    r.setFlag(ItemFlag::fRecurDef, false);
    r.setFlag(ItemFlag::fException, true);
    r.setDay(static_cast<std::uint16_t>(ref.day.value()));
    r.setCreatedDay(static_cast<std::int16_t>(ref.day.value()));
    s.setDescription(exception, s.storedDescription(definition));
    if (!s.recurrences.addEntry(definition, ref.day, exception)) {
        s.freeItem(exception);
        return kNoItem;
    }
    s.setDay(exception, ref.day);
    s.reidentify(exception);  // the copy carried the definition's id

    s.days.editEntries(ref.day, [&](std::vector<DayEntry>& entries) { entries[ref.index].item = exception; });
    DayRecord* changed = s.findDay(ref.day);
    if (changed->nRecurEntries > 0)
        --changed->nRecurEntries;
    s.dirty = true;
    return exception;
}

void RecurrenceExpansion::deleteItem(ItemHandle item)
{
    Schedule& s = schedule();
    for (DayNumber day : s.days.daysOf(item))
        removeEntriesOf(item, day);
    s.freeItem(item);
}

bool RecurrenceExpansion::undoException(EntryRef ref)
{
    Schedule& s = schedule();
    const DayRecord* record = s.findDay(ref.day);
    ZK_CHECK(record != nullptr && ref.index < record->entries().size(), kModule);
    ItemHandle exception = record->entries()[ref.index].item;
    if (!s.record(exception).has(ItemFlag::fException))
        return false;
    ItemHandle definition = s.recurrences.definitionOf(exception);
    if (!definition)
        return false;
    DayNumber origDay(s.record(exception).createdDay());
    if (s.recurrences.findEntry(definition, origDay))
        s.recurrences.removeEntry(definition, origDay);
    else
        ZK_CHECK(origDay < today(), kModule);

    if (ref.day == origDay) {
        s.days.editEntries(ref.day, [&](std::vector<DayEntry>& entries) { entries[ref.index].item = definition; });
        ++s.findDay(ref.day)->nRecurEntries;
        deleteItem(exception);
        placement_.layoutDay(ref.day);
    } else {
        // Moved off its day: the occurrence belongs on the day it replaced.
        deleteItem(exception);
        placeDefinitionOnDay(definition, origDay);
    }
    s.dirty = true;
    return true;
}

bool RecurrenceExpansion::cancelOccurrence(EntryRef ref)
{
    Schedule& s = schedule();
    const DayRecord* record = s.findDay(ref.day);
    ZK_CHECK(record != nullptr && ref.index < record->entries().size(), kModule);
    ItemHandle definition = record->entries()[ref.index].item;
    if (!s.recurrences.contains(definition) || !s.recurrences.addEntry(definition, ref.day))
        return false;
    placement_.removeEntry(ref);
    placement_.layoutDay(ref.day);
    s.dirty = true;
    return true;
}

bool RecurrenceExpansion::restoreOccurrence(ItemHandle definition, DayNumber day)
{
    Schedule& s = schedule();
    std::optional<ExceptionEntry> entry = s.recurrences.findEntry(definition, day);
    if (entry && !entry->isCancellation())
        return false;
    if (entry)
        s.recurrences.removeEntry(definition, day);
    s.dirty = true;
    return placeDefinitionOnDay(definition, day);
}

void RecurrenceExpansion::deleteExceptions(ItemHandle definition)
{
    Schedule& s = schedule();
    std::vector<ItemHandle> items;
    if (const ExceptionList* list = s.recurrences.exceptionListOf(definition))
        for (const ExceptionEntry& e : *list)
            if (e.item)
                items.push_back(e.item);
    s.recurrences.clearList(definition);
    for (ItemHandle item : items) {
        if (!s.items.isLive(item))
            continue;
        ItemRecord& r = s.record(item);
        if (r.has(ItemFlag::fDone)) {
            r.setRecur(0);
            r.setFlag(ItemFlag::fException, false);
        } else {
            deleteItem(item);
        }
    }
    s.dirty = true;
}

// --- placement's questions -----------------------------------------------------------

bool RecurrenceExpansion::exceptionStillListed(ItemHandle exception)
{
    Schedule& s = schedule();
    ItemHandle definition = s.recurrences.definitionOf(exception);
    if (definition) {
        std::optional<ExceptionEntry> entry =
            s.recurrences.findEntry(definition, DayNumber(s.record(exception).createdDay()));
        if (entry && entry->item == exception)
            return true;
    }
    s.report(kExceptionRepairedText + s.titleOf(exception));
    s.record(exception).setRecur(0);
    return false;
}

bool RecurrenceExpansion::prepareDefinitionMove(EntryRef entry, DayNumber to)
{
    if (entry.day == to)
        return true;
    return static_cast<bool>(makeException(entry));
}

void RecurrenceExpansion::exceptionMoved(ItemHandle exception, DayNumber to)
{
    Schedule& s = schedule();
    ItemHandle definition = s.recurrences.definitionOf(exception);
    if (!definition || !(s.recurrences.ruleOf(definition).typeByte() & RecurType::carryShift))
        return;
    DayNumber latest = latestOccurrenceBefore(s, definition, to, today());
    if (!latest.isNone() && latest <= to && latest >= firstNonPastDay(s, today()))
        return;  // an occurrence comes before the new day: the series stays
    // The moved exception stands for the series' occurrence on its new day.
    DayNumber origDay(s.record(exception).createdDay());
    if (origDay != to && !s.recurrences.findEntry(definition, to)) {
        if (s.recurrences.findEntry(definition, origDay))
            s.recurrences.removeEntry(definition, origDay);
        s.record(exception).setCreatedDay(static_cast<std::int16_t>(to.value()));
        s.recurrences.addEntry(definition, to, exception);
    }
    setStartDay(definition, to);
}

// --- wiring --------------------------------------------------------------------------

RecurrenceHooks recurrenceHooksFor(Placement& placement)
{
    RecurrenceHooks hooks;
    hooks.exceptionStillListed = [&placement](ItemHandle exception) {
        return RecurrenceExpansion(placement).exceptionStillListed(exception);
    };
    hooks.mayMoveDefinition = [&placement](EntryRef entry, DayNumber to) {
        return RecurrenceExpansion(placement).prepareDefinitionMove(entry, to);
    };
    hooks.exceptionMoved = [&placement](ItemHandle exception, DayNumber to) {
        RecurrenceExpansion(placement).exceptionMoved(exception, to);
    };
    return hooks;
}

void attachOccurrencePlacing(Schedule& schedule, const Clock& clock)
{
    schedule.placeOccurrences = [&schedule, &clock](DayNumber day) {
        if (schedule.recurrences.empty())
            return true;
        Placement placement(schedule, PlacementContext::at(clock));
        return RecurrenceExpansion(placement).placeDefinitionsOnNewDay(day);
    };
}

bool generateOccurrences(Schedule& schedule, const Clock& clock, ItemHandle definition)
{
    Placement placement(schedule, PlacementContext::at(clock));
    return RecurrenceExpansion(placement).placeDefinitionOnAllDays(definition);
}

} // namespace zk
