#include "engine/placement.h"

#include "engine/daylayout.h"
#include "engine/gaptests.h"
#include "engine/interfacemode.h"
#include "engine/recurrenceexpansion.h"
#include "engine/timelimits.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <algorithm>

namespace zk {

const char* const kDeadlineQuestionText = "What about the deadline? Do you want to extend the deadline to";
const char* const kAlarmRepeatCancelledText = "Alarm repeat cancelled because item removed from today.";

namespace {

constexpr const char* kModule = "Betasche";
constexpr int kHorizonDays = 180;
// A day with less capacity than this ends the run of full days.
constexpr int kFullDayMinutes = 10;
constexpr std::uint16_t kAlarmAnswered = 65535;

// Started, on hold, done and anchored entries keep or take their time by
// key; all others are laid into free time.
bool laidIntoFreeTime(const ItemRecord& r)
{
    return !r.has(ItemFlag::notFreelyMovable | ItemFlag::fOnHold);
}

DayNumber usableDay(DayNumber day) { return std::clamp(day, kFirstUsableDay, kLastUsableDay); }

std::optional<std::size_t> indexOfItem(const std::vector<DayEntry>& entries, ItemHandle item)
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].item == item)
            return i;
    return std::nullopt;
}

void insertAt(Schedule& schedule, DayNumber day, std::size_t at, const DayEntry& entry)
{
    schedule.days.editEntries(day, [&](std::vector<DayEntry>& entries) {
        entries.insert(entries.begin() + static_cast<std::ptrdiff_t>(std::min(at, entries.size())), entry);
    });
    if (schedule.record(entry.item).has(ItemFlag::fRecurDef))
        ++schedule.findDay(day)->nRecurEntries;
}

} // namespace

LooseEntry LooseEntry::fresh(ItemHandle item, int placedMinutes)
{
    LooseEntry loose;
    loose.entry.item = item;
    loose.entry.placedMinutes = static_cast<std::uint16_t>(std::clamp(placedMinutes, 0, 65535));
    return loose;
}

Placement::Placement(Schedule& schedule, PlacementContext context, Messages* messages)
    : schedule_(schedule), context_(std::move(context)), messages_(messages ? messages : schedule.messages()),
      purgeBlock_(schedule)
{
    hooks_ = recurrenceHooksFor(*this);
    run_.lastFullDay = context_.today - 1;
    run_.furthestDayUsed = context_.today;
}

void Placement::tell(const std::string& text)
{
    if (messages_)
        messages_->information(text);
    else
        schedule_.report(text);
}

// --- days ----------------------------------------------------------------------

bool Placement::layoutDay(DayNumber day)
{
    if (!zk::layoutDay(schedule_, day, context_))
        return false;
    refreshRoom(day);
    return true;
}

int Placement::freeMinutes(DayNumber day) const { return freeMinutesOfDay(schedule_, day, context_); }

int Placement::capacity(DayNumber day) const
{
    return freeMinutes(day) - (run_.reserve ? run_.reserve(day) : 0);
}

// The widest gap is measured as the gap test measures it: from the furthest
// end so far (never before the day start or, on today, now) to the next
// start (never after the day end). No floating entry can get more there.
int Placement::widestGap(const DayRecord& record) const
{
    int floor = std::max(1, schedule_.dayStart().value());
    if (isToday(record.day()))
        floor = std::max(floor, context_.now.value());
    int dayEnd = schedule_.dayEnd().value();
    const auto& entries = record.entries();
    int furthest = 0;
    int widest = 0;
    for (std::size_t at = 0; at <= entries.size(); ++at) {
        if (at > 0)
            furthest = std::max(furthest, entries[at - 1].startTime().value() + entries[at - 1].placedMinutes);
        int hi = at < entries.size() ? std::min(dayEnd, entries[at].startTime().value()) : dayEnd;
        widest = std::max(widest, hi - std::max(furthest, floor));
    }
    return widest;
}

void Placement::refreshRoom(DayNumber day)
{
    DayRecord* record = schedule_.findDay(day);
    if (!record) {
        room_.forget(day);
        return;
    }
    int free = freeMinutes(day);
    record->freeMinutes = static_cast<std::uint16_t>(std::clamp(free, 0, 65535));
    int capacity = free - (run_.reserve ? run_.reserve(day) : 0);
    room_.learn(day, std::min(capacity, widestGap(*record)));
}

// --- inserting -------------------------------------------------------------------

std::optional<EntryRef> Placement::insertEntry(LooseEntry loose, DayNumber day)
{
    ZK_CHECK(!day.isNone(), kModule);
    if (!schedule_.findDay(day))
        return std::nullopt;
    ItemHandle item = loose.entry.item;
    ItemRecord& r = schedule_.record(item);
    if (r.has(ItemFlag::fException) && hooks_.exceptionStillListed && !hooks_.exceptionStillListed(item))
        r.setFlag(ItemFlag::fException, false);
    if (r.has(ItemFlag::fStarted) && !isToday(day))
        r.setFlag(ItemFlag::fStarted, false);

    DayEntry entry = loose.entry;
    std::size_t at = choosePlace(loose, day, entry);
    insertAt(schedule_, day, at, entry);
    if (!schedule_.record(item).has(ItemFlag::fRecurDef))
        schedule_.setDay(item, day);

    if (!isToday(day) && schedule_.findDay(context_.today))
        layoutDay(context_.today);
    layoutDay(day);
    schedule_.dirty = true;
    return EntryRef{day, positionAfterLayout(day, item, at)};
}

std::size_t Placement::choosePlace(const LooseEntry& loose, DayNumber day, DayEntry& entry)
{
    const ItemRecord& r = schedule_.record(entry.item);
    if (r.beginTime() != 0 && laidIntoFreeTime(r))
        return placeByBeginTime(entry, day);
    if (loose.hasOldPlace() && (!r.has(ItemFlag::notFreelyMovable) || r.has(ItemFlag::fOnHold)))
        if (std::optional<std::size_t> at = placeNearOldPlace(loose, day))
            return *at;
    return walkFromHead(entry, day);
}

std::size_t Placement::placeByBeginTime(DayEntry& entry, DayNumber day)
{
    PlaceTests tests(schedule_, day, entry, context_);
    int wanted = schedule_.record(entry.item).beginTime();
    std::optional<std::size_t> best;
    int bestStart = 0;
    for (std::size_t at = 0; at < tests.places(); ++at) {
        std::optional<int> candidate = tests.beginTimeCandidate(at);
        if (candidate && (!best || std::abs(*candidate - wanted) < std::abs(bestStart - wanted))) {
            best = at;
            bestStart = *candidate;
        }
    }
    ZK_CHECK(best.has_value(), kModule);
    entry.start = signedStart(std::max(bestStart, 0), false);
    return *best;
}

std::optional<std::size_t> Placement::placeNearOldPlace(const LooseEntry& loose, DayNumber day)
{
    const auto& entries = schedule_.findDay(day)->entries();
    bool lite = isLiteMode(schedule_.header);
    std::optional<std::size_t> first;  // the first place to try: just after the old previous neighbour
    if (loose.previousItem) {
        std::optional<std::size_t> previous;
        if (loose.oldDay == day && loose.oldIndex >= 1 && loose.oldIndex - 1 < entries.size()
            && entries[loose.oldIndex - 1].item == loose.previousItem)
            previous = loose.oldIndex - 1;
        else
            previous = indexOfItem(entries, loose.previousItem);
        if (previous)
            first = *previous + 1;
    } else if ((loose.nextItem && indexOfItem(entries, loose.nextItem)) || lite) {
        first = 0;
    }
    if (!first || (loose.entry.conflicting() && !lite))
        return std::nullopt;
    const ItemRecord& r = schedule_.record(loose.entry.item);
    if (r.has(ItemFlag::fOnHold) || r.duration() == 0)
        return first;
    PlaceTests tests(schedule_, day, loose.entry, context_);
    for (std::size_t at = *first; at < tests.places(); ++at) {
        int answer = tests.nearPlaceGap(at);
        if (answer == 1)
            return at;
        if (answer < 0)
            break;
    }
    return std::nullopt;
}

// A walk that finds no place appends the entry: only a zero-length entry
// meeting a gap of exactly zero at the end can get that far, and it belongs
// at the end rather than nowhere.
std::size_t Placement::walkFromHead(const DayEntry& entry, DayNumber day)
{
    const ItemRecord& r = schedule_.record(entry.item);
    PlaceTests tests(schedule_, day, entry, context_);
    std::size_t end = tests.places() - 1;
    if (r.has(ItemFlag::fOnHold) && r.has(ItemFlag::fFloating))
        return end;
    bool keyed = !laidIntoFreeTime(r);
    int furthest = 0;
    for (std::size_t at = 0; at <= end; ++at) {
        int answer = keyed ? tests.keyTimeOrder(at) : tests.floatingGap(at, furthest);
        if (answer != 0)
            return at;
    }
    return end;
}

std::size_t Placement::positionAfterLayout(DayNumber day, ItemHandle item, std::size_t insertedAt) const
{
    // Layout moves at most the first and the last entry of the day, so the
    // new entry is where it went, one place off, or at an end.
    const auto& entries = schedule_.findDay(day)->entries();
    for (std::size_t at : {insertedAt, insertedAt + 1, insertedAt - 1})
        if (at < entries.size() && entries[at].item == item)
            return at;
    return indexOfItem(entries, item).value_or(0);
}

// --- removing and moving -----------------------------------------------------------

LooseEntry Placement::removeEntry(EntryRef ref)
{
    DayRecord* record = schedule_.findDay(ref.day);
    ZK_CHECK(record != nullptr && ref.index < record->entries().size(), kModule);
    const auto& entries = record->entries();
    LooseEntry loose;
    loose.entry = entries[ref.index];
    loose.oldDay = ref.day;
    loose.oldIndex = ref.index;
    if (ref.index > 0)
        loose.previousItem = entries[ref.index - 1].item;
    if (ref.index + 1 < entries.size())
        loose.nextItem = entries[ref.index + 1].item;
    schedule_.days.editEntries(ref.day, [&](std::vector<DayEntry>& list) {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(ref.index));
    });
    if (schedule_.items.isLive(loose.entry.item) && schedule_.record(loose.entry.item).has(ItemFlag::fRecurDef)
        && record->nRecurEntries > 0)
        --record->nRecurEntries;
    refreshRoom(ref.day);
    return loose;
}

std::optional<DayNumber> Placement::moveEntryToDay(EntryRef ref, DayNumber day)
{
    const DayRecord* from = schedule_.findDay(ref.day);
    ZK_CHECK(from != nullptr && ref.index < from->entries().size(), kModule);
    if (!schedule_.findDay(day))
        return std::nullopt;
    ItemHandle item = from->entries()[ref.index].item;
    ItemRecord& r = schedule_.record(item);
    bool floating = r.has(ItemFlag::fFloating);
    bool past = day < context_.today || schedule_.isPastDay(day);
    if (past && floating)
        return std::nullopt;
    if (floating && !context_.carryingOver && r.deadlineDate() != 0 && DayNumber(r.deadlineDate()) < day
        && !isToday(day)) {
        std::string question = std::string(kDeadlineQuestionText) + " " + schedule_.formatDate(day) + "?";
        if (messages_ && messages_->question(question) == Answer::Yes)
            r.setDeadlineDate(static_cast<std::uint16_t>(day.value()));
    }
    if (r.has(ItemFlag::fRecurDef) && hooks_.mayMoveDefinition) {
        if (!hooks_.mayMoveDefinition(ref, day))
            return std::nullopt;
        item = schedule_.findDay(ref.day)->entries()[ref.index].item;  // now its exception
    }

    LooseEntry loose = removeEntry(ref);
    loose.forgetOldPlace();
    std::optional<EntryRef> placed = insertEntry(loose, day);
    ZK_CHECK(placed.has_value(), kModule);  // the day's record was there a moment ago
    if (schedule_.record(item).has(ItemFlag::fException) && hooks_.exceptionMoved)
        hooks_.exceptionMoved(item, day);
    ItemRecord& moved = schedule_.record(item);
    if (!isToday(day) && isToday(ref.day) && moved.alarmRepeat() >= 1 && moved.alarmRepeat() <= 1440) {
        moved.setAlarmRepeat(kAlarmAnswered);
        tell(kAlarmRepeatCancelledText);
    }
    schedule_.dirty = true;
    return day;
}

bool Placement::replaceItem(ItemHandle item)
{
    const ItemRecord& r = schedule_.record(item);
    if (r.has(ItemFlag::fStarted))
        return false;
    std::optional<LooseEntry> old;
    if (r.has(ItemFlag::fSplit)) {
        for (DayNumber day : schedule_.days.daysOf(item))
            while (std::optional<std::size_t> at = schedule_.entryOf(item, day))
                removeEntry(EntryRef{day, *at});
    } else if (std::optional<EntryRef> at = schedule_.scheduledAnywhere(item)) {
        if (std::optional<std::size_t> own = schedule_.entryOf(item, schedule_.dayOf(item)))
            at = EntryRef{schedule_.dayOf(item), *own};
        old = removeEntry(*at);
    }
    if (schedule_.record(item).has(ItemFlag::fFloating)) {
        placeFloatingItem(item);
    } else {
        // Only floating items are given days afresh; anything else returns to
        // its own day rather than to today.
        DayNumber day = old ? old->oldDay : schedule_.dayOf(item);
        if (!day.isNone() && schedule_.getDay(day))
            insertEntry(old ? *old : LooseEntry::fresh(item, schedule_.record(item).duration()), day);
    }
    schedule_.dirty = true;
    return true;
}

// --- giving a floating item its days --------------------------------------------------

int Placement::minimumPiece(const ItemRecord& r) const { return zk::minimumPiece(schedule_, r); }

void Placement::placeFloatingItem(ItemHandle item)
{
    const ItemRecord& r = schedule_.record(item);
    DayNumber from = std::max(context_.today, earliestDay(schedule_, item, context_));
    if (from <= run_.lastFullDay)
        from = run_.lastFullDay + 1;
    DayNumber limit = kNoDay;
    if (r.deadlineDate() != 0) {
        limit = usableDay(std::max(DayNumber(r.deadlineDate()), context_.today));
        from = std::min(from, limit);
    }
    from = usableDay(from);
    DayNumber vacationEnd(schedule_.header.i16(ScheduleHeader::vacationEndAt));
    DayNumber horizon = usableDay(std::max({vacationEnd, run_.furthestDayUsed, from}) + kHorizonDays);
    DayNumber last = limit.isNone() ? horizon : limit;

    int remaining = schedule_.record(item).duration();
    do {
        int before = remaining;
        from = givePiece(item, remaining, from, last);
        if (remaining == before)
            break;  // the piece got no minutes (a zero-length item, or no day could be had)
    } while (remaining > 0);
}

// Walks the days from `from` to `last`; the first usable one takes a piece.
// When none does, the piece goes to `last` with all its minutes, conflicting
// if need be. Returns the day the piece went to.
DayNumber Placement::givePiece(ItemHandle item, int& remaining, DayNumber from, DayNumber last)
{
    room_.start();
    for (DayNumber day = from; day <= last; ++day) {
        // Right after the last full day the days are looked at one by one,
        // since each that proves full extends the run of full days.
        if (day != run_.lastFullDay + 1) {
            std::optional<DayNumber> candidate = nextCandidate(item, day, last);
            if (!candidate)
                break;
            day = *candidate;
        }
        if (std::optional<int> minutes = tryDay(item, day, remaining)) {
            remaining -= *minutes;
            return day;
        }
    }
    if (!schedule_.getDay(last))
        return from;
    if (run_.limitReached)
        run_.limitReached(item, last);
    insertEntry(LooseEntry::fresh(item, remaining), last);
    remaining = 0;
    return last;
}

std::optional<DayNumber> Placement::nextCandidate(ItemHandle item, DayNumber from, DayNumber last)
{
    const ItemRecord& r = schedule_.record(item);
    if (r.duration() == 0 || !laidIntoFreeTime(r))
        return from;
    int need = minimumPiece(r);
    std::uint8_t mask = r.weekdayMask();
    for (DayNumber day = from; day <= last; ++day) {
        std::optional<DayNumber> candidate = room_.firstWithRoom(day, last, need);
        if (!candidate)
            return std::nullopt;
        day = *candidate;
        if (mask == 0 || (mask & (1u << day.weekday())) != 0)
            return day;
    }
    return std::nullopt;
}

std::optional<int> Placement::tryDay(ItemHandle item, DayNumber day, int remaining)
{
    if (run_.keptClear && run_.keptClear(day))
        return std::nullopt;
    std::uint8_t mask = schedule_.record(item).weekdayMask();
    if (mask != 0 && (mask & (1u << day.weekday())) == 0)
        return std::nullopt;
    if (!schedule_.getDay(day))
        return std::nullopt;
    refreshRoom(day);
    if (!passesCapacityTest(item, day))
        return std::nullopt;
    std::optional<std::pair<std::size_t, int>> place = walkForPiece(item, day, remaining);
    if (!place)
        return std::nullopt;
    DayEntry entry{item, 0, static_cast<std::uint16_t>(place->second)};
    insertAt(schedule_, day, place->first, entry);
    schedule_.setDay(item, day);
    layoutDay(day);
    run_.furthestDayUsed = std::max(run_.furthestDayUsed, day);
    return place->second;
}

bool Placement::passesCapacityTest(ItemHandle item, DayNumber day)
{
    const ItemRecord& r = schedule_.record(item);
    if (r.duration() == 0 || r.has(ItemFlag::fOnHold))
        return true;
    int room = capacity(day);
    if (room >= minimumPiece(r))
        return true;
    if (day == run_.lastFullDay + 1 && room < kFullDayMinutes)
        run_.lastFullDay = day;
    return false;
}

// The place in the day's list and the minutes of the piece, or nothing
// when the day has no room for it.
std::optional<std::pair<std::size_t, int>> Placement::walkForPiece(ItemHandle item, DayNumber day, int remaining)
{
    const ItemRecord& r = schedule_.record(item);
    const DayEntry entry = LooseEntry::fresh(item, remaining).entry;
    PlaceTests tests(schedule_, day, entry, context_);
    // An on-hold floating item asks only for the end of the list; the
    // places before it still carry the furthest end to it.
    bool onlyAtEnd = r.has(ItemFlag::fOnHold) && r.has(ItemFlag::fFloating);
    bool byGap = laidIntoFreeTime(r) || onlyAtEnd;
    std::size_t end = tests.places() - 1;
    int furthest = 0;
    for (std::size_t at = 0; at <= end; ++at) {
        if (onlyAtEnd && at < end) {
            tests.floatingGap(at, furthest);
            continue;
        }
        int answer = byGap ? tests.floatingGap(at, furthest) : tests.keyTimeOrder(at);
        if (answer < 0)
            return std::nullopt;
        if (answer == 0)
            continue;
        int minutes = remaining;
        if (r.has(ItemFlag::fSplit)) {
            int room = capacity(day);
            minutes = std::min({remaining, byGap ? answer : remaining, room});
            if ((minutes <= 0 && remaining > 0) || room < schedule_.header.minSplitMinutes())
                return std::nullopt;
        }
        return std::make_pair(at, minutes);
    }
    return std::nullopt;
}

} // namespace zk
