#include "engine/deletion.h"

#include "engine/plistorder.h"
#include "engine/recurrenceexpansion.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <algorithm>
#include <unordered_set>

namespace zk {

const char* const kNotValidTaskText = "not a valid task to undelete";
const char* const kNotValidActItemText = "not a valid act item to undelete";
const char* const kNotValidProjectText = "not a valid project to undelete";
const char* const kNotValidRecurringText = "not a valid recurring item to undelete";

namespace {

constexpr const char* kModule = "Deletion";

// An alarm repeat between these rings again later today.
bool alarmRepeating(const ItemRecord& r) { return r.alarmRepeat() >= 1 && r.alarmRepeat() <= 1440; }

} // namespace

Deletion::Deletion(Schedule& schedule, const Clock& clock, Messages& messages, Log log)
    : schedule_(schedule), messages_(messages), placement_(schedule, PlacementContext::at(clock), &messages),
      log_(std::move(log))
{
}

ItemHandle Deletion::definitionOf(ItemHandle item) const
{
    const ItemRecord& r = schedule_.record(item);
    if (r.has(ItemFlag::fRecurDef))
        return schedule_.recurrences.contains(item) ? item : kNoItem;
    if (r.has(ItemFlag::fException))
        return schedule_.recurrences.definitionOf(item);
    return kNoItem;
}

UndeleteRecord Deletion::copyOf(ItemHandle item, UndeleteType type, DayNumber day) const
{
    Schedule& s = schedule_;
    UndeleteRecord copy;
    copy.type = type;
    copy.itemId = s.record(item).id();
    copy.day = day;
    copy.title = s.titleOf(item);
    copy.record = s.record(item);
    copy.text = s.storedDescription(item);
    copy.undated = std::find(s.globalList.begin(), s.globalList.end(), item) != s.globalList.end();
    // A floating item comes back at the place it had in its class.
    if (PlistEntryHandle e = findPlistEntry(s, item))
        copy.record.setPlistLink(static_cast<std::uint32_t>(s.plist.entry(e).seq));
    if (copy.record.has(ItemFlag::fException))
        if (ItemHandle definition = s.recurrences.definitionOf(item))
            copy.definitionId = s.record(definition).id();
    if (s.recurrences.contains(item)) {
        copy.rule = s.recurrences.ruleOf(item);
        if (const ExceptionList* list = s.recurrences.exceptionListOf(item))
            for (const ExceptionEntry& e : *list)
                if (e.isCancellation())
                    copy.cancellations.push_back(e.day);
    }
    return copy;
}

void Deletion::eraseItem(ItemHandle item)
{
    Schedule& s = schedule_;
    ItemRecord& r = s.record(item);
    const std::vector<DayNumber> days = s.days.daysOf(item);
    if (alarmRepeating(r) && std::find(days.begin(), days.end(), placement_.context().today) != days.end())
        messages_.information(kAlarmRepeatCancelledText);
    r.setAlarmRepeat(0);
    if (log_)
        log_(s.titleOf(item));
    if (findPlistEntry(s, item))
        removeFromPlist(s, item);
    for (DayNumber day : days) {
        while (std::optional<std::size_t> at = s.entryOf(item, day))
            placement_.removeEntry(EntryRef{day, *at});
        placement_.layoutDay(day);
    }
    removeFromProjectTree(item);
    s.freeItem(item);
    s.dirty = true;
}

// The tree is rebuilt without the item's node (and what hangs below it):
// nodes are few, and the tree keeps no way to unlink one.
void Deletion::removeFromProjectTree(ItemHandle item)
{
    ProjectTree& tree = schedule_.projectTree;
    bool found = false;
    tree.forEachDepthFirst([&](const ProjectTree::Node& n, int) { found = found || n.item == item; });
    if (!found)
        return;
    ProjectTree rebuilt;
    std::vector<ProjectTree::NodeId> open;  // the new node at each depth
    int skipBelow = -1;                     // depth of a dropped node whose subtree is skipped
    tree.forEachDepthFirst([&](const ProjectTree::Node& n, int depth) {
        if (skipBelow >= 0 && depth > skipBelow)
            return;
        skipBelow = -1;
        if (n.item == item) {
            skipBelow = depth;
            return;
        }
        open.resize(static_cast<std::size_t>(depth));
        ProjectTree::NodeId id = depth == 0 ? rebuilt.addTopLevel(n.value, n.item)
                                            : rebuilt.addChild(open.back(), n.value, n.item);
        open.push_back(id);
    });
    tree = std::move(rebuilt);
}

void Deletion::eraseException(ItemHandle exception)
{
    Schedule& s = schedule_;
    ItemHandle definition = s.recurrences.definitionOf(exception);
    const DayNumber origDay(s.record(exception).createdDay());
    if (definition && s.recurrences.findEntry(definition, origDay))
        s.recurrences.removeEntry(definition, origDay);
    eraseItem(exception);
    if (definition)
        s.recurrences.addEntry(definition, origDay);
}

std::optional<UndeleteRecord> Deletion::deleteEntry(EntryRef entry)
{
    Schedule& s = schedule_;
    const DayRecord* record = s.findDay(entry.day);
    if (!record || entry.index >= record->entries().size())
        return std::nullopt;
    ItemHandle item = record->entries()[entry.index].item;
    const ItemRecord& r = s.record(item);
    if (r.has(ItemFlag::fRecurDef)) {
        UndeleteRecord copy = copyOf(item, UndeleteType::Occurrence, entry.day);
        copy.rule.reset();
        copy.cancellations.clear();
        RecurrenceExpansion expansion(placement_);
        if (!expansion.cancelOccurrence(entry))
            return std::nullopt;
        if (log_)
            log_(copy.title);
        return copy;
    }
    UndeleteRecord copy = copyOf(item, UndeleteType::Entry, entry.day);
    if (r.has(ItemFlag::fException))
        eraseException(item);
    else
        eraseItem(item);
    return copy;
}

UndeleteRecord Deletion::deleteItem(ItemHandle item)
{
    UndeleteRecord copy = copyOf(item, UndeleteType::Item, schedule_.dayOf(item));
    if (schedule_.record(item).has(ItemFlag::fException))
        eraseException(item);
    else
        eraseItem(item);
    return copy;
}

UndeleteRecord Deletion::deleteAllOccurrences(ItemHandle definition)
{
    ZK_CHECK(schedule_.recurrences.contains(definition), kModule);
    UndeleteRecord copy = copyOf(definition, UndeleteType::Item, kNoDay);
    RecurrenceExpansion expansion(placement_);
    expansion.takeDefinitionOffAllDays(definition);
    expansion.deleteExceptions(definition);
    eraseItem(definition);
    return copy;
}

UndeleteRecord Deletion::deleteProject(ItemHandle project)
{
    Schedule& s = schedule_;
    UndeleteRecord copy = copyOf(project, UndeleteType::Project, kNoDay);
    const std::uint32_t id = copy.itemId;
    // Its items are assigned to the none project, as the question promises.
    if (id != 0)
        s.items.forEach([&](ItemHandle h) {
            ItemRecord& r = s.record(h);
            if (h != project && r.projectId() == id) {
                r.setProjectId(0);
                copy.members.push_back(r.id());
            }
        });
    if (log_)
        log_(copy.title);
    removeFromProjectTree(project);
    s.freeItem(project);
    s.dirty = true;
    return copy;
}

int Deletion::deleteDuplicateOccurrences(DayNumber day)
{
    Schedule& s = schedule_;
    const DayRecord* record = s.findDay(day);
    if (!record)
        return 0;
    std::unordered_set<ItemHandle, ItemHandleHash> seen;
    std::vector<std::size_t> extra;
    const auto& entries = record->entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (s.recurrences.contains(entries[i].item) && !seen.insert(entries[i].item).second)
            extra.push_back(i);
    // From the back, so the indexes still to remove stay where they are.
    for (auto it = extra.rbegin(); it != extra.rend(); ++it) {
        if (log_)
            log_(s.titleOf(entries[*it].item));
        placement_.removeEntry(EntryRef{day, *it});
    }
    if (!extra.empty()) {
        placement_.layoutDay(day);
        s.dirty = true;
    }
    return static_cast<int>(extra.size());
}

int Deletion::deleteAllBut(ItemHandle kept)
{
    Schedule& s = schedule_;
    const ItemHandle keptDefinition = definitionOf(kept);
    auto keeps = [&](ItemHandle h) {
        return h == kept || (keptDefinition && (h == keptDefinition || s.recurrences.definitionOf(h) == keptDefinition));
    };
    std::vector<ItemHandle> definitions;
    for (ItemHandle d : s.recurrences)
        if (!keeps(d))
            definitions.push_back(d);
    int deleted = 0;
    for (ItemHandle d : definitions)
        if (s.items.isLive(d)) {
            deleteAllOccurrences(d);
            ++deleted;
        }
    // Collected first: deleting changes the chain.
    std::vector<ItemHandle> items;
    for (ItemHandle h : s.chain)
        if (!keeps(h))
            items.push_back(h);
    for (ItemHandle h : items)
        if (s.items.isLive(h)) {
            eraseItem(h);
            ++deleted;
        }
    return deleted;
}

int Deletion::deleteByIds(const std::set<std::uint32_t>& ids)
{
    Schedule& s = schedule_;
    std::vector<ItemHandle> chosen;
    s.items.forEach([&](ItemHandle h) {
        if (ids.count(s.record(h).id()) != 0)
            chosen.push_back(h);
    });
    // Definitions first: their exceptions go with them.
    std::stable_partition(chosen.begin(), chosen.end(),
                          [&](ItemHandle h) { return s.recurrences.contains(h); });
    int deleted = 0;
    for (ItemHandle h : chosen) {
        if (!s.items.isLive(h))
            continue;
        const std::uint16_t kind = s.record(h).kind();
        if (s.recurrences.contains(h))
            deleteAllOccurrences(h);
        else if (kind == ItemKind::project && std::find(s.projects.begin(), s.projects.end(), h) != s.projects.end())
            deleteProject(h);
        else
            deleteItem(h);
        ++deleted;
    }
    return deleted;
}

// --- undelete ---------------------------------------------------------------------------

ItemHandle Deletion::liveById(std::uint32_t id) const
{
    if (id == 0)
        return kNoItem;
    if (ItemHandle h = schedule_.findItemById(id))
        return h;
    if (ItemHandle h = schedule_.recurrences.findByItemId(id))
        return h;
    for (ItemHandle h : schedule_.globalList)
        if (schedule_.record(h).id() == id)
            return h;
    return kNoItem;
}

ItemHandle Deletion::recreate(const UndeleteRecord& copy)
{
    Schedule& s = schedule_;
    ItemHandle h = s.newItem();
    s.record(h) = copy.record;
    s.setDescription(h, copy.text);
    if (copy.record.id() == 0 || liveById(copy.record.id()))
        s.reidentify(h);
    s.noteIdChanged();
    return h;
}

Restored Deletion::restore(const UndeleteRecord& copy)
{
    Schedule& s = schedule_;
    if (copy.type == UndeleteType::Occurrence) {
        ItemHandle definition = s.recurrences.findByItemId(copy.itemId);
        if (!definition)
            return {kNoItem, kNoDay, kNotValidRecurringText};
        RecurrenceExpansion expansion(placement_);
        if (s.getDay(copy.day))
            expansion.restoreOccurrence(definition, copy.day);
        else if (s.recurrences.isCancelled(definition, copy.day))
            s.recurrences.removeEntry(definition, copy.day);
        s.dirty = true;
        return {definition, copy.day, {}};
    }
    if (copy.type == UndeleteType::Project) {
        if (liveById(copy.itemId))
            return {kNoItem, kNoDay, kNotValidProjectText};
        ItemHandle h = recreate(copy);
        s.projects.push_back(h);
        s.projectTree.addTopLevel(ProjectTree::kProjectNode, h);
        const std::uint32_t id = s.record(h).id();
        for (std::uint32_t member : copy.members)
            if (ItemHandle m = liveById(member))
                s.record(m).setProjectId(id);
        s.dirty = true;
        return {h, kNoDay, {}};
    }

    const char* refusal = copy.type == UndeleteType::Entry ? kNotValidTaskText : kNotValidActItemText;
    // Back already (a reload brought it in), or its definition is gone.
    if (liveById(copy.itemId))
        return {kNoItem, kNoDay, refusal};
    const ItemRecord& r = copy.record;
    ItemHandle definition;
    if (r.has(ItemFlag::fException)) {
        definition = s.recurrences.findByItemId(copy.definitionId);
        if (!definition)
            return {kNoItem, kNoDay, refusal};
    }
    const bool dated = !copy.undated && !copy.rule && !copy.day.isNone();
    if (dated && (!copy.day.isUsable() || (s.isPastDay(copy.day) && !s.writePastDay) || !s.getDay(copy.day)))
        return {kNoItem, kNoDay, refusal};

    ItemHandle h = recreate(copy);
    if (copy.rule) {
        ItemRecord& made = s.record(h);
        made.setFlag(ItemFlag::fRecurDef, true);
        made.setFlag(ItemFlag::fException | ItemFlag::fFloating, false);
        // The list is rebuilt from the copy's days: the restored definition
        // owns its own exception list.
        s.recurrences.add(h, *copy.rule);
        for (DayNumber day : copy.cancellations)
            s.recurrences.addEntry(h, day);
        s.addToChain(h, DayNumber(kNoDayInChain));
        RecurrenceExpansion(placement_).placeDefinitionOnAllDays(h);
        s.dirty = true;
        return {h, kNoDay, {}};
    }
    if (!dated) {
        s.globalList.push_back(h);
        s.dirty = true;
        return {h, kNoDay, {}};
    }
    if (definition) {
        const DayNumber origDay(r.createdDay());
        if (s.recurrences.isCancelled(definition, origDay))
            s.recurrences.removeEntry(definition, origDay);
        s.record(h).setRecur(definition.index);
        s.recurrences.addEntry(definition, origDay, h);
    }
    s.setDay(h, copy.day);
    if (r.has(ItemFlag::fFloating) && !definition) {
        s.record(h).setFlag(ItemFlag::fFloating, false);
        const int seq = static_cast<int>(std::min<std::uint32_t>(std::max<std::uint32_t>(r.plistLink(), 1), 32767));
        if (addToPlist(s, h, seq, placement_.context().today)) {
            placement_.placeFloatingItem(h);
            s.dirty = true;
            return {h, s.dayOf(h), {}};
        }
    }
    LooseEntry loose = LooseEntry::fresh(h, r.duration());
    if (r.has(ItemFlag::fDone) && !r.has(ItemFlag::fOnHold))
        loose.entry.start = r.beginTime();
    placement_.insertEntry(loose, copy.day);
    s.dirty = true;
    return {h, copy.day, {}};
}

} // namespace zk
