#include "engine/done.h"

#include "engine/interfacemode.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "engine/recurrenceexpansion.h"
#include "platform/fault.h"
#include "platform/messages.h"

#include <algorithm>
#include <vector>

namespace zk {

const char* const kFutureDoneText =
    "You are looking at a future day. Are you sure you want to mark this item done and have it moved to today?";
const char* const kFollowUpText = "Schedule a follow-up?";
const char* const kStartOnlyTodayText = "Only items on today's schedule may be started.";
const char* const kAttemptPrefix = "attempt: ";
const char* const kPartialSuffix = " &";
const char* const kCancelledPrefix = "[cancelled] ";
const char* const kDoneInPastPrefix = "[done in past] ";
const char* const kSplitParcelDiagnosticText = "We just turned off FTD flag in Act, based on TurnSplitParcelIntoAct";

namespace {

constexpr const char* kModule = "Done";
constexpr int kMaxMinutes = 1440;

// What a copy of an item leaves behind: its state of being done or running,
// its notes, its place in a recurrence and its place in the day.
constexpr std::uint32_t kNotCopiedFlags = ItemFlag::fDone | ItemFlag::fStarted | ItemFlag::fHasNotes
                                          | ItemFlag::fException | ItemFlag::fRecurDef | ItemFlag::fSplitPiece
                                          | ItemFlag::fFirstOfDay | ItemFlag::fLastOfDay | ItemFlag::fPastException
                                          | ItemFlag::fHeldTime | ItemFlag::fFloating | ItemFlag::fSequence;

const DayEntry& entryAt(const Schedule& s, EntryRef ref)
{
    const DayRecord* record = s.findDay(ref.day);
    ZK_CHECK(record != nullptr && ref.index < record->entries().size(), kModule);
    return record->entries()[ref.index];
}

bool isDoneEntry(const Schedule& s, const DayEntry& e)
{
    return s.items.isLive(e.item) && s.record(e.item).has(ItemFlag::fDone);
}

int endOf(const DayEntry& e) { return e.startTime().value() + e.placedMinutes; }

// The end of the nearest done entry before the entry, in the day's order.
std::optional<int> previousDoneEnd(const Schedule& s, EntryRef ref)
{
    const auto& entries = s.findDay(ref.day)->entries();
    for (std::size_t i = ref.index; i-- > 0;)
        if (isDoneEntry(s, entries[i]) && entries[i].start != 0)
            return endOf(entries[i]);
    return std::nullopt;
}

std::optional<int> nextDoneStart(const Schedule& s, EntryRef ref)
{
    const auto& entries = s.findDay(ref.day)->entries();
    for (std::size_t i = ref.index + 1; i < entries.size(); ++i)
        if (isDoneEntry(s, entries[i]) && entries[i].start != 0)
            return entries[i].startTime().value();
    return std::nullopt;
}

// The latest end of the day's done entries other than the given one.
std::optional<int> latestDoneEnd(const Schedule& s, EntryRef ref)
{
    std::optional<int> latest;
    const auto& entries = s.findDay(ref.day)->entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (i != ref.index && isDoneEntry(s, entries[i]) && entries[i].start != 0)
            latest = std::max(latest.value_or(0), endOf(entries[i]));
    return latest;
}

// Minutes past midnight that the day before's done items reach into the day.
int overflowFromDayBefore(const Schedule& s, DayNumber day)
{
    const DayRecord* before = s.findDay(day - 1);
    if (!before)
        return 0;
    int reach = 0;
    for (const DayEntry& e : before->entries())
        if (isDoneEntry(s, e) && e.start != 0)
            reach = std::max(reach, endOf(e) - kMaxMinutes);
    return reach;
}

// Where a done entry starts when no done entry comes before it: on today
// the day start, unless the current minute is earlier; on other days its
// own place, not before the day start.
int defaultStart(const Schedule& s, const PlacementContext& c, EntryRef ref)
{
    int dayStart = std::max(1, s.dayStart().value());
    int start = ref.day == c.today ? std::min(c.now.value(), dayStart)
                                   : std::max(entryAt(s, ref).startTime().value(), dayStart);
    return std::max(start, overflowFromDayBefore(s, ref.day));
}

int roundedNow(const PlacementContext& c, int seconds) { return c.now.value() + (seconds > 29 ? 1 : 0); }

// The planned duration is replaced: keep it for undo where it fits.
void replaceDuration(ItemRecord& r, int minutes)
{
    r.setSavedDuration(savedDurationOf(r.duration()));
    r.setDuration(static_cast<std::uint16_t>(std::clamp(minutes, 0, kMaxMinutes)));
}

// Takes the entry off its day and puts it back where its item's fields
// now place it; a done entry goes to its begin time.
EntryRef reinsert(Placement& placement, EntryRef ref)
{
    Schedule& s = placement.schedule();
    LooseEntry loose = placement.removeEntry(ref);
    const ItemRecord& r = s.record(loose.entry.item);
    loose.forgetOldPlace();
    loose.entry.placedMinutes = r.duration();
    loose.entry.start = r.has(ItemFlag::fDone) && !r.has(ItemFlag::fOnHold) ? r.beginTime() : 0;
    std::optional<EntryRef> placed = placement.insertEntry(loose, ref.day);
    ZK_CHECK(placed.has_value(), kModule);  // its day was there a moment ago
    return *placed;
}

// A new item copying the record and the description, with its own id.
ItemHandle copyRecord(Schedule& s, ItemHandle from)
{
    ItemHandle h = s.newItem();
    ItemRecord& r = s.record(h);
    r = s.record(from);
    r.setTextField(0);
    s.setDescription(h, s.storedDescription(from));
    s.reidentify(h);
    s.noteIdChanged();
    return h;
}

// The entry's piece of a split item becomes a done item of its own; the
// entry then refers to it.
ItemHandle splitOffPiece(Placement& placement, EntryRef ref)
{
    Schedule& s = placement.schedule();
    const PlacementContext& c = placement.context();
    const DayEntry e = entryAt(s, ref);
    ItemHandle whole = e.item;
    ItemRecord& w = s.record(whole);
    int piece = e.placedMinutes;
    if (w.has(ItemFlag::fStarted) && ref.day == c.today) {
        piece = std::clamp(c.now - e.startTime(), 0, kMaxMinutes);
        w.setFlag(ItemFlag::fStarted, false);
        w.setBeginTime(0);
    }
    std::uint32_t seq = 0;
    if (PlistEntryHandle p = findPlistEntry(s, whole))
        seq = static_cast<std::uint32_t>(s.plist.entry(p).seq);

    ItemHandle part = copyRecord(s, whole);
    ItemRecord& r = s.record(part);
    r.setFlags(r.flags() & ~(ItemFlag::fFloating | ItemFlag::fSplit | ItemFlag::fSplitPiece | ItemFlag::fStarted
                             | ItemFlag::fSequence | ItemFlag::fHasNotes));
    r.setDuration(static_cast<std::uint16_t>(piece));
    r.setSavedDuration(0);
    r.setPlistLink(seq);
    if (!ItemKind::isSpecialDay(r.kind()))
        r.setDoneMinutes(0);
    s.days.editEntries(ref.day, [&](std::vector<DayEntry>& entries) { entries[ref.index].item = part; });
    s.setDay(part, ref.day);

    ItemRecord& rest = s.record(whole);
    rest.setFlag(ItemFlag::fDone, false);
    if (rest.has(ItemFlag::fSplitPiece) && !rest.has(ItemFlag::fFloating))
        return part;
    rest.setDoneMinutes(rest.doneMinutes() + static_cast<std::uint32_t>(piece));
    rest.setDuration(static_cast<std::uint16_t>(std::max(0, rest.duration() - piece)));
    return part;
}

int entryCountOf(const Schedule& s, ItemHandle item)
{
    int count = 0;
    for (DayNumber day : s.days.daysOf(item))
        for (const DayEntry& e : s.findDay(day)->entries())
            count += e.item == item;
    return count;
}

// Sets the done time of the entry's item and fDone; see markDone.
void setDoneTime(Placement& placement, EntryRef ref, DoneHow how, const DoneOptions& options)
{
    Schedule& s = placement.schedule();
    const PlacementContext& c = placement.context();
    const DayEntry e = entryAt(s, ref);
    ItemRecord& r = s.record(e.item);
    r.setFlag(ItemFlag::fDone, false);
    bool today = ref.day == c.today;
    int start = e.startTime().value();
    int placed = e.placedMinutes;
    if (r.has(ItemFlag::fStarted)) {
        if (today)
            placed = std::clamp(c.now.value() - start, 0, kMaxMinutes);
    } else if (!r.has(ItemFlag::fAnchored)) {
        if (how == DoneHow::EndedNow)
            start = today ? roundedNow(c, options.seconds) - r.duration() : start;
        else
            start = previousDoneEnd(s, ref).value_or(defaultStart(s, c, ref));
    } else if (how == DoneHow::EndedNow) {
        if (today)
            start = c.now.value() - r.duration();
    } else if (today) {
        // An appointment is not recorded as running beside what was done before it.
        if (std::optional<int> done = latestDoneEnd(s, ref); done && start < *done) {
            start = *done;
            placed = std::min(placed, std::max(0, c.now.value() - start));
        }
        if (how == DoneHow::EndedPreviously && start > c.now.value())
            start = previousDoneEnd(s, ref).value_or(defaultStart(s, c, ref));
    }
    start = std::clamp(start, 1, 2 * kMaxMinutes);
    if (placed != r.duration())
        replaceDuration(r, placed);
    bool liteFree = isLiteMode(s.header) && !r.has(ItemFlag::fAnchored);
    r.setBeginTime(static_cast<std::int16_t>(liteFree ? 0 : start));
    r.setFlag(ItemFlag::fFirstOfDay | ItemFlag::fLastOfDay | ItemFlag::fStarted, false);
    r.setFlag(ItemFlag::fDone, true);
}

// Stretches a done entry over the gap before it: from the end of the done
// entry before it to the start of the one after it (on today: up to now).
EntryRef fitToGap(Placement& placement, EntryRef ref, const DoneOptions& options)
{
    Schedule& s = placement.schedule();
    const PlacementContext& c = placement.context();
    ItemRecord& r = s.record(entryAt(s, ref).item);
    if (isLiteMode(s.header) || r.has(ItemFlag::fOnHold))
        return ref;
    int begin = previousDoneEnd(s, ref).value_or(defaultStart(s, c, ref));
    int end;
    if (std::optional<int> next = nextDoneStart(s, ref)) {
        end = *next;
    } else if (ref.day == c.today) {
        end = roundedNow(c, options.seconds);
        for (const DayEntry& other : s.findDay(ref.day)->entries()) {
            const ItemRecord& o = s.record(other.item);
            if (other.item != entryAt(s, ref).item && o.has(ItemFlag::fStarted) && !o.has(ItemFlag::fDone)
                && other.start != 0)
                end = std::min(end, other.startTime().value());
        }
    } else {
        // A day other than today ends with its window: the gap never runs on
        // into the next day.
        end = std::max(begin, s.dayEnd().value());
    }
    r.setBeginTime(static_cast<std::int16_t>(begin));
    r.setSavedDuration(savedDurationOf(entryAt(s, ref).placedMinutes));
    r.setDuration(static_cast<std::uint16_t>(std::clamp(end - begin, 0, kMaxMinutes)));
    return reinsert(placement, ref);
}

// Records the entry done; returns where it is afterwards. The entry may
// then refer to another item (an exception, a split-off piece).
EntryRef recordDone(Placement& placement, EntryRef ref, DoneHow how, const DoneOptions& options)
{
    Schedule& s = placement.schedule();
    ItemHandle item = entryAt(s, ref).item;
    if (s.record(item).has(ItemFlag::fRecurDef)) {
        RecurrenceExpansion expansion(placement);
        item = expansion.makeException(ref);
        ZK_CHECK(static_cast<bool>(item), kModule);
    }
    if (s.record(item).has(ItemFlag::fException))
        if (ItemHandle definition = s.recurrences.definitionOf(item))
            s.recurrences.raiseLastDoneDay(definition, DayNumber(s.record(item).createdDay()));

    const ItemRecord& r = s.record(item);
    if (r.has(ItemFlag::fSplitPiece) || (r.has(ItemFlag::fFloating) && entryCountOf(s, item) > 1)) {
        item = splitOffPiece(placement, ref);
        if (options.diagnostic && options.messages)
            options.messages->information(kSplitParcelDiagnosticText);
    }
    else if (r.has(ItemFlag::fFloating))
        removeFromPlist(s, item);

    ItemRecord& done = s.record(item);
    if (how == DoneHow::Cancelled || how == DoneHow::InPast) {
        const char* prefix = how == DoneHow::Cancelled ? kCancelledPrefix : kDoneInPastPrefix;
        if (!s.storedDescription(item).starts_with(prefix))
            s.setDescription(item, prefix + std::string(s.storedDescription(item)));
        replaceDuration(done, 0);
        done.setBeginTime(0);
        done.setFlag(ItemFlag::fDone, true);
        done.setFlag(ItemFlag::fStarted | ItemFlag::fFirstOfDay | ItemFlag::fLastOfDay, false);
        return reinsert(placement, ref);
    }
    if (done.has(ItemFlag::fOnHold)) {
        done.setFlag(ItemFlag::fDone, true);
        return reinsert(placement, ref);
    }
    setDoneTime(placement, ref, how, options);
    return reinsert(placement, ref);
}

bool asksYes(const DoneOptions& options, const char* question)
{
    return options.messages && options.messages->question(question) == Answer::Yes;
}

// The copy of `item` for the rest of the work or a follow-up.
ItemHandle copyForRest(Placement& placement, ItemHandle item, DayNumber day, int minutes, std::optional<int> floatAt)
{
    Schedule& s = placement.schedule();
    ItemHandle copy = copyRecord(s, item);
    ItemRecord& r = s.record(copy);
    r.setFlags(r.flags() & ~kNotCopiedFlags);
    r.setRefNo(0);
    r.setRecur(0);
    r.setPlistLink(0);
    r.setSavedDuration(0);
    if (!ItemKind::isSpecialDay(r.kind()))
        r.setDoneMinutes(0);
    if (!r.has(ItemFlag::fAnchored))
        r.setBeginTime(0);
    r.setDuration(static_cast<std::uint16_t>(std::clamp(minutes, 0, kMaxMinutes)));
    const DayNumber today = placement.context().today;
    DayNumber target = std::max(day, today);
    if (floatAt && !s.isPastDay(target)) {
        s.setDay(copy, target);
        if (addToPlist(s, copy, *floatAt, today)) {
            placement.placeFloatingItem(copy);
            return copy;
        }
    }
    if (!s.getDay(target)) {
        s.freeItem(copy);
        return kNoItem;
    }
    s.setDay(copy, target);
    placement.insertEntry(LooseEntry::fresh(copy, r.duration()), target);
    return copy;
}

std::optional<int> plistSeqOf(const Schedule& s, ItemHandle item)
{
    if (!s.record(item).has(ItemFlag::fFloating))
        return std::nullopt;
    if (PlistEntryHandle p = findPlistEntry(s, item))
        return s.plist.entry(p).seq;
    return std::nullopt;
}

std::optional<EntryRef> findEntry(const Schedule& s, ItemHandle item, DayNumber day)
{
    if (std::optional<std::size_t> at = s.entryOf(item, day))
        return EntryRef{day, *at};
    return std::nullopt;
}

} // namespace

std::optional<DoneHow> doneHowOfCommand(int command)
{
    for (DoneHow how : {DoneHow::Done, DoneHow::EndedNow, DoneHow::EndedPreviously, DoneHow::FitToGap,
                        DoneHow::Attempted, DoneHow::Partial, DoneHow::Cancelled, DoneHow::InPast})
        if (static_cast<int>(how) == command)
            return how;
    return std::nullopt;
}

std::uint8_t savedDurationOf(int minutes)
{
    return minutes >= 0 && minutes <= 255 ? static_cast<std::uint8_t>(minutes) : 0;
}

DoneResult markDone(Placement& placement, EntryRef ref, DoneHow how, const DoneOptions& options)
{
    Schedule& s = placement.schedule();
    const PlacementContext& c = placement.context();
    ItemHandle item = entryAt(s, ref).item;
    const bool wasDone = s.record(item).has(ItemFlag::fDone);
    DoneResult result{false, item, ref.day, kNoItem, wasDone, false};

    const int planned = s.record(item).duration();
    std::optional<int> floatAt = plistSeqOf(s, item);
    if (!wasDone) {
        if (ref.day > c.today) {
            if (!asksYes(options, kFutureDoneText))
                return result;
            if (s.record(item).has(ItemFlag::fRecurDef)) {
                RecurrenceExpansion expansion(placement);
                item = expansion.makeException(ref);
                ZK_CHECK(static_cast<bool>(item), kModule);
            }
            if (!s.getDay(c.today) || !placement.moveEntryToDay(ref, c.today))
                return result;
            std::optional<EntryRef> moved = findEntry(s, item, c.today);
            ZK_CHECK(moved.has_value(), kModule);
            ref = *moved;
        }
        ref = recordDone(placement, ref, how, options);
    } else if (how == DoneHow::Done) {
        return undoDone(placement, ref, how);
    } else if (how == DoneHow::EndedNow || how == DoneHow::EndedPreviously) {
        setDoneTime(placement, ref, how, options);
        ref = reinsert(placement, ref);
    } else if (how == DoneHow::Cancelled || how == DoneHow::InPast) {
        ref = recordDone(placement, ref, how, options);
    }
    item = entryAt(s, ref).item;
    const ItemRecord& r = s.record(item);
    bool attemptOrPartial = how == DoneHow::Attempted || how == DoneHow::Partial;
    bool fit = how == DoneHow::FitToGap
               || (!r.has(ItemFlag::fAnchored | ItemFlag::fStarted)
                   && (attemptOrPartial || (how == DoneHow::Done && options.fitToGapByDefault)));
    if (fit && r.has(ItemFlag::fDone) && !(wasDone && attemptOrPartial))
        ref = fitToGap(placement, ref, options);
    item = entryAt(s, ref).item;
    s.dirty = true;

    if (attemptOrPartial) {
        std::string text(s.storedDescription(item));
        if (how == DoneHow::Attempted && !text.starts_with(kAttemptPrefix))
            s.setDescription(item, kAttemptPrefix + text);
        else if (how == DoneHow::Partial && !text.ends_with(kPartialSuffix))
            s.setDescription(item, text + kPartialSuffix);
        if (!wasDone) {
            result.copy = copyForRest(placement, item, ref.day, planned, floatAt);
            if (result.copy)
                s.setDescription(result.copy, text);
        }
    } else if (s.record(item).has(ItemFlag::fFollowUp) && !wasDone && s.record(item).has(ItemFlag::fDone)
               && asksYes(options, kFollowUpText)) {
        result.copy = copyForRest(placement, item, ref.day, std::max(1, static_cast<int>(entryAt(s, ref).placedMinutes)),
                                  floatAt);
    }
    if (result.copy)
        if (std::optional<EntryRef> at = findEntry(s, item, ref.day))
            ref = *at;
    result.changed = true;
    result.item = item;
    result.day = ref.day;
    result.nowDone = s.record(item).has(ItemFlag::fDone);
    result.rebalanceRequested = floatAt.has_value();
    return result;
}

DoneResult undoDone(Placement& placement, EntryRef ref, DoneHow how)
{
    Schedule& s = placement.schedule();
    const PlacementContext& c = placement.context();
    ItemHandle item = entryAt(s, ref).item;
    ItemRecord& r = s.record(item);
    if (!r.has(ItemFlag::fDone))
        return {false, item, ref.day, kNoItem, false, false};
    r.setFlag(ItemFlag::fDone, false);
    if (how == DoneHow::EndedNow && r.has(ItemFlag::fAnchored)) {
        int end = nextDoneStart(s, ref).value_or(c.now.value());
        r.setDuration(static_cast<std::uint16_t>(std::clamp(end - r.beginTime(), 0, kMaxMinutes)));
    }
    if (r.savedDuration() != 0) {
        r.setDuration(r.savedDuration());
        r.setSavedDuration(0);
    }
    ref = reinsert(placement, ref);
    s.dirty = true;
    return {true, item, ref.day, kNoItem, false, false};
}

ItemHandle duplicateItem(Placement& placement, ItemHandle item, DayNumber day)
{
    Schedule& s = placement.schedule();
    if (day.isNone())
        day = s.dayOf(item);
    if (day.isNone() || day.value() == kNoDayInChain)
        day = placement.context().today;
    ItemHandle copy = copyForRest(placement, item, day, s.record(item).duration(), plistSeqOf(s, item));
    if (copy)
        s.dirty = true;
    return copy;
}

DoneResult startItem(Placement& placement, EntryRef ref, bool afterLast, const DoneOptions& options)
{
    Schedule& s = placement.schedule();
    const PlacementContext& c = placement.context();
    ItemHandle item = entryAt(s, ref).item;
    DoneResult result{false, item, ref.day, kNoItem, false, false};
    const bool started = s.record(item).has(ItemFlag::fStarted);
    if (ref.day != c.today) {
        if (!started)
            s.report(kStartOnlyTodayText);
        return result;
    }
    if (started && !afterLast) {
        // Started again: it stops, and takes its place by the scheduler's rules.
        ItemRecord& r = s.record(item);
        r.setFlag(ItemFlag::fStarted, false);
        if (!r.has(ItemFlag::fAnchored))
            r.setBeginTime(0);
        ref = reinsert(placement, ref);
        return {true, item, ref.day, kNoItem, false, s.record(item).has(ItemFlag::fFloating)};
    }
    if (s.record(item).has(ItemFlag::fRecurDef)) {
        RecurrenceExpansion expansion(placement);
        item = expansion.makeException(ref);
        ZK_CHECK(static_cast<bool>(item), kModule);
    }
    if (s.record(item).has(ItemFlag::fDone)) {
        item = duplicateItem(placement, item, c.today);
        if (!item)
            return result;
        result.copy = item;
    }
    // One item runs at a time: whatever else runs today is done now.
    std::vector<ItemHandle> running;
    for (const DayEntry& e : s.findDay(c.today)->entries())
        if (e.item != item && s.record(e.item).has(ItemFlag::fStarted) && !s.record(e.item).has(ItemFlag::fDone))
            running.push_back(e.item);
    for (ItemHandle other : running)
        if (std::optional<EntryRef> at = findEntry(s, other, c.today))
            markDone(placement, *at, DoneHow::Done, DoneOptions{false, options.seconds, nullptr});

    std::optional<EntryRef> at = findEntry(s, item, c.today);
    ZK_CHECK(at.has_value(), kModule);
    int begin = c.now.value();
    if (afterLast)
        begin = latestDoneEnd(s, *at).value_or(begin);
    ItemRecord& r = s.record(item);
    r.setFlag(ItemFlag::fStarted, true);
    r.setBeginTime(static_cast<std::int16_t>(std::clamp(begin, 1, 2 * kMaxMinutes)));
    s.days.editEntries(c.today, [&](std::vector<DayEntry>& entries) {
        entries[at->index].start = static_cast<std::int16_t>(r.beginTime());
    });
    ref = reinsert(placement, *at);
    s.dirty = true;
    result.changed = true;
    result.item = item;
    result.day = ref.day;
    result.rebalanceRequested = r.has(ItemFlag::fFloating);
    return result;
}

} // namespace zk
