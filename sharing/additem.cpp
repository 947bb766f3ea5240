#include "sharing/additem.h"

#include "core/dateformat.h"
#include "engine/marvals.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "sharing/addjournal.h"
#include "storage/datafileset.h"

#include <algorithm>

namespace zk {

const char* const kArchivedDayText = "That day is archived. The item was not added.";

namespace {

constexpr const char* kModule = "Additem";

// A fresh item holding the record (stamped with its creation) and the text.
ItemHandle createItem(Schedule& s, const NewItem& item, const Clock& clock)
{
    ItemHandle h = s.newItem();
    ItemRecord& r = s.record(h);
    r = item.record;
    const LocalMoment moment = clock.localNow();
    r.setModifiedTime(static_cast<std::uint32_t>(clock.unixSeconds()));
    r.setCreatedDay(static_cast<std::int16_t>(moment.dayNumber().value()));
    r.setCreatedTime(static_cast<std::int16_t>(moment.timeValue().value()));
    r.setTextField(0);
    // Whatever the record says: the mark lets the item's command run
    // unattended, and only the item dialog may give it.
    r.setFlag(ItemFlag::fOwnerText, item.ownerText);
    s.setDescription(h, item.text);
    // A record copied from another item (paste, undelete) carries that
    // item's id; two items sharing one would confuse every lookup by id.
    std::uint32_t id = r.id();
    if (id == 0 || s.findItemById(id))
        s.reidentify(h);
    s.noteIdChanged();
    return h;
}

int wantedSeq(const Schedule& s, const ItemRecord& r)
{
    if (marvalsOn(s.header) && r.priorityLetter() == 'A')
        return marvalsPosition(s, hourizedMarval(r), 1);
    if (r.plistLink() != 0)
        return static_cast<int>(std::min<std::uint32_t>(r.plistLink(), 32767));
    return s.plist.classCount(r.priorityLetter()) + 1;
}

LooseEntry entryFor(const Schedule& s, ItemHandle h, const NewItem& item)
{
    const ItemRecord& r = s.record(h);
    LooseEntry loose = LooseEntry::fresh(h, r.duration());
    if (r.has(ItemFlag::fDone) && !r.has(ItemFlag::fOnHold))
        loose.entry.start = r.beginTime();
    // Placement keeps an entry near its old neighbours when it still fits
    // there: the entry to insert after stands in as the old neighbour.
    const DayRecord* record = s.findDay(item.day);
    if (item.insertAfter && item.insertAfter->day == item.day && record
        && item.insertAfter->index < record->entries().size()) {
        const auto& entries = record->entries();
        loose.oldDay = item.day;
        loose.oldIndex = item.insertAfter->index + 1;
        loose.previousItem = entries[item.insertAfter->index].item;
        if (loose.oldIndex < entries.size())
            loose.nextItem = entries[loose.oldIndex].item;
    }
    return loose;
}

AddResult addProject(Schedule& s, const NewItem& item, const Clock& clock)
{
    ItemHandle h = createItem(s, item, clock);
    s.projects.push_back(h);
    s.projectTree.addTopLevel(ProjectTree::kProjectNode, h);
    return {AddStatus::Added, h};
}

AddResult addUndated(Schedule& s, const NewItem& item, const Clock& clock)
{
    ItemHandle h = createItem(s, item, clock);
    s.globalList.push_back(h);
    return {AddStatus::Added, h};
}

AddResult addDefinition(const AddItemServices& services, Schedule& s, NewItem& item)
{
    item.record.setFlag(ItemFlag::fRecurDef, true);
    item.record.setFlag(ItemFlag::fException | ItemFlag::fFloating, false);
    ItemHandle h = createItem(s, item, services.clock);
    s.recurrences.add(h, *item.recurrence);
    s.addToChain(h, DayNumber(kNoDayInChain));
    if (services.generateOccurrences && !services.generateOccurrences(h)) {
        s.freeItem(h);
        return {AddStatus::Refused, kNoItem};
    }
    return {AddStatus::Added, h};
}

AddResult addOnDay(const AddItemServices& services, Schedule& s, NewItem& item)
{
    ItemRecord& given = item.record;
    given.setRecur(0);
    given.setFlag(ItemFlag::recurrence, false);
    if (given.has(ItemFlag::fFloating) && given.has(ItemFlag::fDone))
        given.setFlag(ItemFlag::fFloating, false);
    if (!s.getDay(item.day))
        return {AddStatus::Refused, kNoItem};
    ItemHandle h = createItem(s, item, services.clock);
    s.setDay(h, item.day);

    Placement placement(s, PlacementContext::at(services.clock), &services.messages);
    const ItemRecord& r = s.record(h);
    if (r.has(ItemFlag::fFloating) && addToPlist(s, h, wantedSeq(s, r), placement.context().today)) {
        placement.placeFloatingItem(h);
    } else {
        // Stays fixed: an item on a past day cannot float.
        placement.insertEntry(entryFor(s, h, item), item.day);
    }
    return {AddStatus::Added, h};
}

AddResult insertByTarget(const AddItemServices& services, Schedule& s, NewItem& item)
{
    if (item.record.kind() == ItemKind::project)
        return addProject(s, item, services.clock);
    if (item.recurrence)
        return addDefinition(services, s, item);
    if (item.day.isNone())
        return addUndated(s, item, services.clock);
    return addOnDay(services, s, item);
}

} // namespace

AddResult addItem(const AddItemServices& services, NewItem item)
{
    if (!services.access.requestChangeAccess()) {
        // The pending item's record carries the mark until it is added.
        item.record.setFlag(ItemFlag::fOwnerText, item.ownerText);
        PendingResult held = services.access.holdPendingItem(PendingItem{item.record, item.text, item.day});
        return {held == PendingResult::Held ? AddStatus::Pending : AddStatus::Dropped, kNoItem};
    }
    ZK_CHECK(services.schedule, kModule);
    Schedule& s = services.schedule();
    ZK_CHECK(item.day.isNone() || item.day.isUsable(), kModule);
    // Archived days are not written back from here; an item put there
    // would vanish with the next save.
    if (!item.day.isNone() && !item.recurrence && s.isPastDay(item.day) && !s.writePastDay) {
        services.messages.error(kArchivedDayText);
        return {AddStatus::Refused, kNoItem};
    }
    AddResult result = insertByTarget(services, s, item);
    if (result.status != AddStatus::Added)
        return result;
    s.dirty = true;
    // Journalled once the item has its id: a later session tells by it
    // whether the data file holds the item.
    ZK_CHECK(services.journal, kModule);
    services.journal->recordAdd(services.clock.localNow(), services.regional, result.item, s);
    if (services.added)
        services.added(result.item);
    return result;
}

std::optional<std::vector<DayNumber>> daysChangedBy(const Schedule& schedule, const std::vector<NewItem>& items)
{
    std::vector<DayNumber> days;
    for (const NewItem& item : items) {
        const ItemRecord& r = item.record;
        // A floating item goes to the priority list and the scheduler's
        // days; an id is looked up among all items; a past day is refused
        // or written back to its archive.
        if (!item.day.isUsable() || item.recurrence || r.kind() == ItemKind::project
            || (r.has(ItemFlag::fFloating) && !r.has(ItemFlag::fDone)) || r.id() != 0 || item.insertAfter
            || schedule.isPastDay(item.day))
            return std::nullopt;
        days.push_back(item.day);
    }
    return days;
}

NewItem newItemFrom(PendingItem&& pending)
{
    NewItem item;
    item.day = pending.day;
    item.record = pending.record;
    item.text = std::move(pending.text);
    item.ownerText = pending.record.has(ItemFlag::fOwnerText);
    return item;
}

} // namespace zk
