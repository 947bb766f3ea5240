#include "core/schedule.h"

#include "core/description.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace zk {

const char* const kSameFirstAndLastText = "The same item cannot be both First and Last. Please choose another.";

namespace {

std::string numericDate(DayNumber d)
{
    // m/d/yy, until the caller supplies the user's form.
    using namespace std::chrono;
    year_month_day ymd{sys_days{year{1979} / December / 31} + days{d.value()}};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%u/%u/%02d", static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<int>(ymd.year()) % 100);
    return buffer;
}

} // namespace

Schedule::Schedule() : header(ScheduleHeader::emptySchedule()), formatDate(numericDate) {}

DayNumber Schedule::today() const { return clock_ ? clock_->today() : kNoDay; }
TimeValue Schedule::now() const { return clock_ ? clock_->now() : kNoTime; }

void Schedule::report(std::string_view text)
{
    if (messages_)
        messages_->error(text);
    else
        unreported_.emplace_back(text);
}

// --- items -------------------------------------------------------------------

ItemHandle Schedule::newItem() { return items.create(); }

void Schedule::freeItem(ItemHandle h)
{
    if (chain.contains(h))
        removeFromChain(h);
    // A freed item leaves the priority list with it (its entry would
    // otherwise point at a dead item).
    if (PlistEntryHandle e = plist.entryOf(h, record(h).plistLink()))
        plist.remove(e);
    recurrences.forgetItem(h);
    for (auto* list : {&projects, &globalList})
        list->erase(std::remove(list->begin(), list->end(), h), list->end());
    items.free(h);
}

std::string Schedule::description(ItemHandle h) const { return std::string(sortKey(h)); }

std::string Schedule::titleOf(ItemHandle h) const { return titleForm(description(h)); }

void Schedule::setDescription(ItemHandle h, std::string_view text) { storeText(h, limitDescription(text)); }

void Schedule::makePrivate(ItemHandle h) { storeText(h, privateText(items.text(h))); }

void Schedule::makePublic(ItemHandle h) { storeText(h, publicText(items.text(h))); }

void Schedule::storeText(ItemHandle h, std::string_view text)
{
    if (items.text(h) == text)
        return;
    chain.keepKey(h);
    items.setText(h, text);
}

std::uint32_t Schedule::itemId(ItemHandle h)
{
    ItemRecord& r = record(h);
    if (r.id() == 0)
        return reidentify(h);
    return r.id();
}

std::uint32_t Schedule::reidentify(ItemHandle h)
{
    std::uint32_t id = header.nextItemId() + 1;
    header.setNextItemId(id);
    record(h).setId(id);
    if (recurrences.contains(h))
        recurrences.noteIdChanged();
    if (!idIndexStale_ && chain.contains(h))
        idIndex_[id] = h;
    return id;
}

void Schedule::rebuildIdIndex() const
{
    idIndex_.clear();
    idIndex_.reserve(chain.size());
    // In the store's order, which reads the records front to back; where two
    // chained items share an id, the first in chain order wins.
    items.forEach([&](ItemHandle h) {
        if (!chain.contains(h))
            return;
        auto [it, inserted] = idIndex_.try_emplace(items.record(h).id(), h);
        if (!inserted && chain.precedes(h, it->second))
            it->second = h;
    });
    idIndexStale_ = false;
}

ItemHandle Schedule::scanChainedById(std::uint32_t id) const
{
    ItemHandle found;
    items.forEach([&](ItemHandle h) {
        if (items.record(h).id() == id && chain.contains(h) && (!found || chain.precedes(h, found)))
            found = h;
    });
    return found;
}

void Schedule::indexId(ItemHandle h)
{
    if (idIndexStale_)
        return;
    std::uint32_t id = record(h).id();
    auto [it, inserted] = idIndex_.try_emplace(id, h);
    if (!inserted && !chain.contains(it->second))
        it->second = h;
}

void Schedule::unindexId(ItemHandle h)
{
    if (idIndexStale_)
        return;
    auto it = idIndex_.find(record(h).id());
    if (it != idIndex_.end() && it->second == h)
        idIndex_.erase(it);
}

ItemHandle Schedule::findChainedById(std::uint32_t id) const
{
    constexpr int kLookupsBeforeIndexing = 4;
    if (idIndexStale_ && lookupsWhileStale_ < kLookupsBeforeIndexing) {
        ++lookupsWhileStale_;
        return scanChainedById(id);
    }
    if (idIndexStale_)
        rebuildIdIndex();
    auto it = idIndex_.find(id);
    if (it == idIndex_.end())
        return kNoItem;
    if (items.isLive(it->second) && chain.contains(it->second) && items.record(it->second).id() == id)
        return it->second;
    // An id stored without telling the index: look again from scratch.
    rebuildIdIndex();
    it = idIndex_.find(id);
    return it == idIndex_.end() ? kNoItem : it->second;
}

ItemHandle Schedule::findItemById(std::uint32_t id) const
{
    if (id == 0)
        return kNoItem;
    if (ItemHandle h = findChainedById(id))
        return h;
    for (ItemHandle p : projects)
        if (items.isLive(p) && items.record(p).id() == id)
            return p;
    return kNoItem;
}

std::uint16_t Schedule::notesNumber(ItemHandle h, const std::function<bool(std::uint16_t)>& notesFileExists)
{
    std::uint16_t n = header.nextRefNo();
    for (int tries = 0; tries < 65536; ++tries) {
        ++n;  // wraps at 16 bits
        if (n != 0 && !notesFileExists(n)) {
            header.setNextRefNo(n);
            if (record(h).refNo() == 0)
                record(h).setRefNo(n);
            return n;
        }
    }
    return 0;
}

TimeValue Schedule::latestEnd(ItemHandle h) const
{
    if (int own = record(h).latestEndField())
        return TimeValue(own);
    if (int standard = templateItem.latestEndField())
        return TimeValue(standard);
    return kOpenLatestEnd;
}

DayNumber Schedule::dayOf(ItemHandle h) const
{
    const ItemRecord& r = record(h);
    return r.has(ItemFlag::fRecurDef) ? kNoDay : DayNumber(r.dayField());
}

// --- item chain --------------------------------------------------------------

std::string_view Schedule::sortKey(ItemHandle h) const { return readerText(items.text(h), showPrivateText); }

bool Schedule::addToChain(ItemHandle h, DayNumber day)
{
    if (day.value() != kNoDayInChain && isPastDay(day))
        return false;
    chain.insert(h, sortKey(h).size(), day.value());
    indexId(h);
    return true;
}

void Schedule::setDay(ItemHandle h, DayNumber day)
{
    bool past = day.value() != kNoDayInChain && isPastDay(day);
    if (chain.contains(h)) {
        removeFromChain(h);
        if (past)
            return;
        record(h).setDay(static_cast<std::uint16_t>(day.value()));
        addToChain(h, day);
        return;
    }
    record(h).setDay(static_cast<std::uint16_t>(day.value()));
    if (!past)
        addToChain(h, day);
}

void Schedule::removeFromChain(ItemHandle h)
{
    unindexId(h);
    chain.remove(h);
}

ItemHandle Schedule::firstOfDayItem() const
{
    for (ItemHandle h : chain)
        if (record(h).has(ItemFlag::fFirstOfDay))
            return h;
    return kNoItem;
}

ItemHandle Schedule::lastOfDayItem() const
{
    for (ItemHandle h : chain)
        if (record(h).has(ItemFlag::fLastOfDay))
            return h;
    return kNoItem;
}

// --- day list ------------------------------------------------------------------

DayRecord* Schedule::getDay(DayNumber day)
{
    if (DayRecord* r = days.find(day))
        return r;
    ZK_CHECK(day.isUsable(), "Daylist");
    if (saveRunning)
        dirty = true;  // so a later save includes the new record
    // Purging walks every record; doing it on every creation would make
    // building many days quadratic. Purge once the list has doubled since.
    if (days.size() >= sizeAfterPurge_ * 2 + 64)
        purgeDays();

    days.insert(day);
    if (day > header.lastPastDay()) {
        if (placeOccurrences && !placeOccurrences(day)) {
            days.erase(day);
            return nullptr;
        }
        if (loading) {
            DayNumber t = today();
            DayRecord* r = days.find(day);
            r->freeMinutes = static_cast<std::uint16_t>(freeMinutes(day, day == t, now()));
        }
    } else if (readPastDay) {
        readPastDay(day);
    }
    return days.find(day);
}

std::optional<std::size_t> Schedule::entryOf(ItemHandle h, DayNumber day) const
{
    const DayRecord* r = days.find(day);
    if (!r)
        return std::nullopt;
    const auto& entries = r->entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].item == h)
            return i;
    return std::nullopt;
}

int Schedule::minutesOf(ItemHandle h, DayNumber day) const
{
    const DayRecord* r = days.find(day);
    if (!r)
        return 0;
    int sum = 0;
    for (const DayEntry& e : r->entries())
        if (e.item == h)
            sum += e.placedMinutes;
    return sum;
}

std::optional<EntryRef> Schedule::scheduledAnywhere(ItemHandle h) const
{
    std::vector<DayNumber> on = days.daysOf(h);
    if (on.empty())
        return std::nullopt;
    bool split = record(h).has(ItemFlag::fSplit);
    DayNumber day = split ? on.back() : on.front();
    const auto& entries = days.find(day)->entries();
    std::size_t index = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].item == h) {
            index = i;
            if (!split)
                break;
        }
    }
    return EntryRef{day, index};
}

int Schedule::freeMinutes(DayNumber day, bool isToday, TimeValue now) const
{
    int windowStart = dayStart().value();
    if (isToday && now.value() > windowStart)
        windowStart = now.value();
    int windowEnd = dayEnd().value();
    int busy = 0;
    if (const DayRecord* r = days.find(day)) {
        for (const DayEntry& e : r->entries()) {
            if (e.start == 0)
                continue;  // on hold or not yet placed: it takes no time
            int begin = e.startTime().value();
            int s = std::max(windowStart, begin);
            int en = std::min(begin + static_cast<int>(e.placedMinutes), windowEnd);
            if (en > s)
                busy += en - s;
        }
    }
    return std::max(0, windowEnd - windowStart) - busy;
}

void Schedule::noteChange(DayNumber day)
{
    DayRecord* r = days.find(day);
    if (!r)
        return;
    ++r->changeCount;
    // A changed past day goes back to its archive when released or saved.
    if (isPastDay(day))
        r->dayFlags |= DayRecord::kDirtyPast;
}

void Schedule::releaseDay(DayNumber day)
{
    DayRecord* r = days.find(day);
    if (!r)
        return;
    if (isPastDay(day)) {
        // The hook knows whether the day changed since it was read: edits
        // reach past items through many paths, not all of them noted.
        if (writePastDay)
            writePastDay(day);
        r = days.find(day);
        std::vector<ItemHandle> owned;
        for (const DayEntry& e : r->entries())
            if (std::find(owned.begin(), owned.end(), e.item) == owned.end())
                owned.push_back(e.item);
        days.erase(day);
        for (ItemHandle h : owned)
            if (items.isLive(h) && !chain.contains(h) && !days.isPlaced(h))
                freeItem(h);
        return;
    }
    days.erase(day);
}

void Schedule::purgeDays()
{
    if (purgeBlocks_ > 0)
        return;
    std::vector<DayNumber> release;
    for (const auto& [number, r] : days) {
        DayNumber day(number);
        bool candidate = (r.changeCount == 0 && r.nTasks() == r.nRecurEntries) || r.nTasks() == 0
            || isPastDay(day);
        if (candidate && r.busyCount == 0 && !(dayIsShown && dayIsShown(day)))
            release.push_back(day);
    }
    for (DayNumber day : release)
        releaseDay(day);
    sizeAfterPurge_ = days.size();
}

Schedule::LoadedDay Schedule::acceptLoadedDay(DayNumber day, DayNumber& lastGoodDay, float fileProgramVersion)
{
    if (day.value() < 0) {
        report("msg understood only by ZK programmers: Cleaned-up snippet of invalid data: terminal w/ negative date");
        return LoadedDay::Drop;
    }
    if (day <= lastGoodDay) {
        if (fileProgramVersion >= 3.33f)
            return LoadedDay::OutOfSequence;
        char text[128];
        std::snprintf(text, sizeof text, "data error cleanup: %s out of sequence", formatDate(day).c_str());
        report(text);
        return LoadedDay::Drop;
    }
    lastGoodDay = day;
    return LoadedDay::Keep;
}

// --- day window ----------------------------------------------------------------

std::string Schedule::setDayBounds(TimeValue from, TimeValue to, ItemHandle first, ItemHandle last)
{
    if (first && first == last)
        return kSameFirstAndLastText;
    int start = (from.value() - 1) % 1440 + 1;
    int end = (to.value() - 1) % 1440 + 1;
    bool owl = end < start;
    if (owl)
        end += 1440;
    header.setDayStart(TimeValue(start));
    header.setDayEnd(TimeValue(end));
    header.setNightOwl(owl);
    for (ItemHandle h : chain) {
        ItemRecord& r = record(h);
        r.setFlag(ItemFlag::fFirstOfDay | ItemFlag::fLastOfDay, false);
    }
    if (first)
        record(first).setFlag(ItemFlag::fFirstOfDay, true);
    if (last)
        record(last).setFlag(ItemFlag::fLastOfDay, true);
    dirty = true;
    return {};
}

TimeValue nightOwlMidnight(TimeValue from, TimeValue to)
{
    int f = (from.value() - 1) % 1440 + 1;
    int t = (to.value() - 1) % 1440 + 1;
    return TimeValue((f + t) / 2);
}

} // namespace zk
