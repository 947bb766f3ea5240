#include "core/recurrence.h"

#include "core/schedule.h"
#include "platform/fault.h"

#include <algorithm>
#include <new>

namespace zk {

namespace {

const char* const kModule = "Xlist";

const char* const kCorruptDefinitionText =
    "There is a recurring item that has data corruption and should be deleted (and re-entered). "
    "Its title will be displayed when you click OK.";

} // namespace

RecurrenceRecord RecurrenceRecord::decode(const std::uint8_t* bytes)
{
    Bytes b;
    std::copy(bytes, bytes + kSize, b.begin());
    return RecurrenceRecord(b);
}

// --- the definitions list ----------------------------------------------------

void RecurringDefinitions::add(ItemHandle h, const RecurrenceRecord& rule)
{
    ZK_CHECK(schedule_.items.isLive(h) && !contains(h), kModule);
    Definition d{rule, std::nullopt};
    if (rule.exceptionListField() != 0)
        d.list.emplace();
    syncCount(d);
    definitions_.emplace(h, std::move(d));
    order_.push_back(h);
    schedule_.record(h).setRecur(h.index);
    idIndexStale_ = true;
    recurringIdIndexStale_ = true;
}

void RecurringDefinitions::remove(ItemHandle h)
{
    auto it = definitions_.find(h);
    if (it == definitions_.end())
        return;
    if (it->second.list)
        for (const ExceptionEntry& e : *it->second.list)
            if (e.item)
                unindexItem(e.item, h, e.day.value());
    definitions_.erase(it);
    order_.erase(std::find(order_.begin(), order_.end(), h));
    if (schedule_.items.isLive(h))
        schedule_.record(h).setRecur(0);
    idIndexStale_ = true;
    recurringIdIndexStale_ = true;
}

void RecurringDefinitions::rebuildIdIndex() const
{
    idIndex_.clear();
    // Walked backwards so that the first definition in order wins.
    for (auto it = order_.rbegin(); it != order_.rend(); ++it)
        idIndex_[schedule_.record(*it).id()] = *it;
    idIndexStale_ = false;
}

ItemHandle RecurringDefinitions::findByItemId(std::uint32_t id) const
{
    if (id == 0)
        return kNoItem;
    if (idIndexStale_)
        rebuildIdIndex();
    auto it = idIndex_.find(id);
    if (it == idIndex_.end())
        return kNoItem;
    if (contains(it->second) && schedule_.record(it->second).id() == id)
        return it->second;
    // The id was stored directly since the index was built.
    rebuildIdIndex();
    it = idIndex_.find(id);
    return it == idIndex_.end() ? kNoItem : it->second;
}

void RecurringDefinitions::rebuildRecurringIdIndex() const
{
    recurringIdIndex_.clear();
    for (auto it = order_.rbegin(); it != order_.rend(); ++it)
        recurringIdIndex_[definitions_.at(*it).rule.recurringId()] = *it;
    recurringIdIndexStale_ = false;
}

ItemHandle RecurringDefinitions::findByRecurringId(std::uint16_t id) const
{
    if (recurringIdIndexStale_)
        rebuildRecurringIdIndex();
    auto it = recurringIdIndex_.find(id);
    return it == recurringIdIndex_.end() ? kNoItem : it->second;
}

ItemHandle RecurringDefinitions::definitionOf(ItemHandle exceptionItem) const
{
    ItemHandle h = schedule_.items.handleAt(schedule_.record(exceptionItem).recur());
    return contains(h) ? h : kNoItem;
}

void RecurringDefinitions::checkDistinctIds() const
{
    // Sorted rather than hashed: every save runs this over every definition.
    std::vector<std::uint32_t> ids;
    ids.reserve(order_.size());
    for (ItemHandle h : order_)
        ids.push_back(schedule_.record(h).id());
    std::sort(ids.begin(), ids.end());
    ZK_CHECK(std::adjacent_find(ids.begin(), ids.end()) == ids.end(), kModule);
}

// --- the rule ------------------------------------------------------------------

RecurringDefinitions::Definition* RecurringDefinitions::findDefinition(ItemHandle h)
{
    auto it = definitions_.find(h);
    return it == definitions_.end() ? nullptr : &it->second;
}

const RecurringDefinitions::Definition* RecurringDefinitions::findDefinition(ItemHandle h) const
{
    auto it = definitions_.find(h);
    return it == definitions_.end() ? nullptr : &it->second;
}

RecurringDefinitions::Definition& RecurringDefinitions::definition(ItemHandle h)
{
    Definition* d = findDefinition(h);
    ZK_CHECK(d != nullptr, kModule);
    return *d;
}

const RecurringDefinitions::Definition& RecurringDefinitions::definition(ItemHandle h) const
{
    const Definition* d = findDefinition(h);
    ZK_CHECK(d != nullptr, kModule);
    return *d;
}

const RecurrenceRecord& RecurringDefinitions::ruleOf(ItemHandle h) const { return definition(h).rule; }

void RecurringDefinitions::setRule(ItemHandle h, const RecurrenceRecord& rule)
{
    Definition& d = definition(h);
    d.rule = rule;
    syncCount(d);
    recurringIdIndexStale_ = true;
}

RecurrenceRecord RecurringDefinitions::fileRecord(ItemHandle h) const
{
    RecurrenceRecord r = ruleOf(h);
    r.setExceptionListField(r.exceptionCount() != 0 ? 1 : 0);
    return r;
}

void RecurringDefinitions::raiseLastDoneDay(ItemHandle h, DayNumber day)
{
    Definition& d = definition(h);
    if (day > d.rule.lastDoneDay())
        d.rule.setLastDoneDay(day);
}

void RecurringDefinitions::syncCount(Definition& d)
{
    std::size_t n = d.list ? d.list->size() : 0;
    // One entry per day and days are 16-bit, so the count always fits.
    ZK_CHECK(n <= 0xFFFF, kModule);
    d.rule.setExceptionCount(static_cast<std::uint16_t>(n));
    d.rule.setExceptionListField(d.list ? 1 : 0);
}

// --- the exception list ------------------------------------------------------

const ExceptionList* RecurringDefinitions::exceptionListOf(ItemHandle h) const
{
    const Definition* d = findDefinition(h);
    return d && d->list ? &*d->list : nullptr;
}

int RecurringDefinitions::exceptionCountOf(ItemHandle h) const
{
    const Definition* d = findDefinition(h);
    return d ? d->rule.exceptionCount() : 0;
}

std::optional<ExceptionEntry> RecurringDefinitions::findEntry(ItemHandle h, DayNumber day) const
{
    const ExceptionList* list = exceptionListOf(h);
    if (!list)
        return std::nullopt;
    auto it = list->entries_.find(day.value());
    if (it == list->entries_.end())
        return std::nullopt;
    return it->second;
}

bool RecurringDefinitions::isCancelled(ItemHandle h, DayNumber day) const
{
    std::optional<ExceptionEntry> e = findEntry(h, day);
    return e && e->isCancellation();
}

bool RecurringDefinitions::addEntry(ItemHandle h, DayNumber day, ItemHandle item)
{
    Definition& d = definition(h);
    ZK_CHECK(!item || (item != h && schedule_.items.isLive(item)), kModule);

    if (d.list) {
        auto found = d.list->entries_.find(day.value());
        if (found != d.list->entries_.end()) {
            ItemHandle replaced = found->second.item;
            eraseEntry(h, d, day.value());
            if (replaced) {
                // An entry re-added with its own item keeps that item.
                if (replaced != item)
                    deleteReplacedItem(replaced);
                schedule_.report("Duplicate exception entry (task) cleaned up for " + schedule_.titleOf(h));
            } else {
                schedule_.report("Duplicate exception entry (cancellation) cleaned up for " + schedule_.titleOf(h));
            }
            schedule_.dirty = true;
        }
    }

    bool createdList = !d.list;
    try {
        if (createdList)
            d.list.emplace();
        auto [it, inserted] = d.list->entries_.emplace(day.value(), ExceptionEntry{item, day});
        try {
            if (item)
                entriesOfItem_.emplace(item, std::make_pair(h, day.value()));
        } catch (...) {
            d.list->entries_.erase(it);
            throw;
        }
    } catch (const std::bad_alloc&) {
        if (createdList)
            d.list.reset();
        schedule_.report(std::string(kMemoryFullText) + "\n" + ConditionCode{kModule, __LINE__}.text());
        return false;
    }
    syncCount(d);
    return true;
}

void RecurringDefinitions::removeEntry(ItemHandle h, DayNumber day)
{
    Definition* d = findDefinition(h);
    if (!d || !d->list || !d->list->entries_.count(day.value())) {
        schedule_.report(kCorruptDefinitionText);
        schedule_.report(schedule_.titleOf(h));
        ZK_FAULT(kModule);
    }
    eraseEntry(h, *d, day.value());
}

void RecurringDefinitions::setEntryItem(ItemHandle h, DayNumber day, ItemHandle item)
{
    ZK_CHECK(!item || (item != h && schedule_.items.isLive(item)), kModule);
    if (Definition* d = findDefinition(h); d && d->list) {
        auto it = d->list->entries_.find(day.value());
        if (it != d->list->entries_.end()) {
            if (it->second.item)
                unindexItem(it->second.item, h, day.value());
            it->second.item = item;
            if (item)
                entriesOfItem_.emplace(item, std::make_pair(h, day.value()));
            return;
        }
    }
    ZK_CHECK(schedule_.loading, kModule);
    if (addEntry(h, day, item))
        schedule_.report("exception entry not found " + schedule_.formatDate(day) + " " + schedule_.titleOf(h)
                         + "; cleaned-up");
}

void RecurringDefinitions::clearList(ItemHandle h)
{
    Definition& d = definition(h);
    if (d.list)
        for (const ExceptionEntry& e : *d.list)
            if (e.item)
                unindexItem(e.item, h, e.day.value());
    d.list.reset();
    syncCount(d);
}

void RecurringDefinitions::pruneUnplaced()
{
    for (ItemHandle h : order_) {
        Definition& d = definitions_.at(h);
        if (!d.list)
            continue;
        std::vector<int> unplaced;
        for (const ExceptionEntry& e : *d.list)
            if (e.item && !schedule_.days.isPlaced(e.item))
                unplaced.push_back(e.day.value());
        for (int day : unplaced)
            eraseEntry(h, d, day);
    }
}

void RecurringDefinitions::prunePastCancellations(ItemHandle h)
{
    Definition& d = definition(h);
    if (!d.list)
        return;
    auto& entries = d.list->entries_;
    auto pastEnd = entries.lower_bound(schedule_.header.lastPastDay().value());
    for (auto it = entries.begin(); it != pastEnd;)
        it = it->second.item ? std::next(it) : entries.erase(it);
    syncCount(d);
}

void RecurringDefinitions::prunePastCancellations()
{
    for (ItemHandle h : order_)
        prunePastCancellations(h);
}

void RecurringDefinitions::eraseEntry(ItemHandle h, Definition& d, int day)
{
    auto it = d.list->entries_.find(day);
    ZK_CHECK(it != d.list->entries_.end(), kModule);
    if (it->second.item)
        unindexItem(it->second.item, h, day);
    d.list->entries_.erase(it);
    syncCount(d);
}

void RecurringDefinitions::unindexItem(ItemHandle item, ItemHandle h, int day)
{
    auto [first, last] = entriesOfItem_.equal_range(item);
    for (auto it = first; it != last; ++it) {
        if (it->second == std::make_pair(h, day)) {
            entriesOfItem_.erase(it);
            return;
        }
    }
}

void RecurringDefinitions::deleteReplacedItem(ItemHandle item)
{
    if (!schedule_.items.isLive(item))
        return;
    // FIXME: a floating exception item must also leave the priority list
    // once that list exists.
    for (DayNumber day : schedule_.days.daysOf(item))
        schedule_.days.editEntries(day, [item](std::vector<DayEntry>& entries) {
            std::erase_if(entries, [item](const DayEntry& e) { return e.item == item; });
        });
    schedule_.freeItem(item);
}

// --- loading ---------------------------------------------------------------------

void RecurringDefinitions::checkLoadedDefinition(ItemHandle h, RecurrenceRecord& rule)
{
    ItemRecord& r = schedule_.record(h);
    r.setFlag(ItemFlag::fFloating, false);
    r.setPlistLink(0);
    if (!r.has(ItemFlag::fRecurDef)) {
        r.setFlag(ItemFlag::fRecurDef, true);
        schedule_.report("Recurring item cleaned up");
    }
    if (rule.exceptionListField() == 0 && rule.exceptionCount() != 0) {
        rule.setExceptionCount(0);
        schedule_.report("Recurring item count of exceptions corrected: " + schedule_.titleOf(h));
    }
}

// --- item end -----------------------------------------------------------------------

void RecurringDefinitions::forgetItem(ItemHandle item)
{
    remove(item);
    auto [first, last] = entriesOfItem_.equal_range(item);
    std::vector<std::pair<ItemHandle, int>> carrying;
    for (auto it = first; it != last; ++it)
        carrying.push_back(it->second);
    for (auto [h, day] : carrying)
        eraseEntry(h, definitions_.at(h), day);
}

} // namespace zk
