#include "shell/model/propertycommands.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/schedule.h"
#include "engine/marvals.h"
#include "engine/placement.h"
#include "engine/plistorder.h"
#include "engine/recurrenceexpansion.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/session.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>

namespace zk {

const char* const kOnlyFloatingSequenceText = "Sequence is only for floating items.";
const char* const kOnlyRecurringSuspendedText = "Only recurring items can be suspended.";
const char* const kRecurringNotFloatingText = "A recurring item cannot be floating.";
const char* const kInterruptionText = "Interruption";

namespace {

constexpr int kEntryCommands[] = {
    PropertyCommand::floating,      PropertyCommand::privateText,   PropertyCommand::key,
    PropertyCommand::sequence,      PropertyCommand::suspended,     PropertyCommand::hideUntilTime,
    PropertyCommand::earlierInDay,  PropertyCommand::laterInDay,    PropertyCommand::raisePriority,
    PropertyCommand::lowerPriority, PropertyCommand::appendStamp,
};

bool neitherStartedNorDone(const ItemRecord& r) { return !r.has(ItemFlag::fStarted | ItemFlag::fDone); }

void stampModified(Session& session, ItemHandle h)
{
    session.schedule().record(h).setModifiedTime(static_cast<std::uint32_t>(session.clock().unixSeconds()));
}

// A property toggled on an item that stays where it is: only its days'
// layouts follow (a key or private item is drawn differently, a hidden
// one may leave a gap).
void layoutDaysOf(Placement& placement, ItemHandle h)
{
    for (DayNumber day : placement.schedule().days.daysOf(h))
        placement.layoutDay(day);
}

// The text changed its sort key: the chain takes it again at its place.
void resortInChain(Schedule& s, ItemHandle h) { s.setDay(h, s.dayOf(h)); }

// An anchored item cannot float: it gives up its anchor (a started one
// keeps its begin time, which says when it started).
void prepareToFloat(ItemRecord& r)
{
    r.setFlag(ItemFlag::fAnchored, false);
    if (!r.has(ItemFlag::fStarted))
        r.setBeginTime(0);
}

void toggleFloatingOf(Session& session, Placement& placement, ItemHandle h, PropertyResult& result)
{
    Schedule& s = session.schedule();
    if (s.record(h).has(ItemFlag::recurrence)) {
        s.report(kRecurringNotFloatingText);
        result.changed = false;
        return;
    }
    const bool wasFloating = s.record(h).has(ItemFlag::fFloating);
    ToggleFloatingHooks hooks;
    // The pieces of a split item come together again on its own day.
    hooks.joinSplitPieces = [&placement](ItemHandle item) { placement.replaceItem(item); };
    hooks.requestRebalance = [&result] { result.rebalanceRequested = true; };
    ToggleFloatingResult toggled = toggleFloating(s, h, placement.context().today, hooks);
    result.changed = toggled == ToggleFloatingResult::NowFloating || toggled == ToggleFloatingResult::NowFixed;
    if (!wasFloating && toggled == ToggleFloatingResult::NowFloating)
        prepareToFloat(s.record(h));
    layoutDaysOf(placement, h);
}

void toggleSequence(Session& session, Placement& placement, ItemHandle h, PropertyResult& result)
{
    Schedule& s = session.schedule();
    ItemRecord& r = s.record(h);
    if (!r.has(ItemFlag::fFloating)) {
        s.report(kOnlyFloatingSequenceText);
        result.changed = false;
        return;
    }
    r.setFlag(ItemFlag::fSequence, !r.has(ItemFlag::fSequence));
    // Where it may begin has changed: it is given its days again.
    placement.replaceItem(h);
    result.rebalanceRequested = neitherStartedNorDone(s.record(h));
}

void toggleSuspended(Session& session, Placement& placement, ItemHandle h, PropertyResult& result)
{
    Schedule& s = session.schedule();
    ItemHandle definition = s.record(h).has(ItemFlag::fRecurDef) ? h : s.recurrences.definitionOf(h);
    if (!definition || !s.recurrences.contains(definition)) {
        s.report(kOnlyRecurringSuspendedText);
        result.changed = false;
        return;
    }
    const bool suspended = (s.recurrences.ruleOf(definition).monthWord() & kMonthWordSuspended) != 0;
    RecurrenceExpansion(placement).setSuspended(definition, !suspended);
    s.dirty = true;
}

void togglePrivate(Schedule& s, ItemHandle h)
{
    const std::string_view text = s.storedDescription(h);
    if (!text.empty() && text.front() == '|')
        s.makePublic(h);
    else
        s.makePrivate(h);
    resortInChain(s, h);
}

void appendStamp(Session& session, ItemHandle h)
{
    Schedule& s = session.schedule();
    const RegionalSettings& regional = session.settings().regional;
    const LocalMoment now = session.clock().localNow();
    s.setDescription(h, std::string(s.storedDescription(h)) + " " + shortDate(now.dayNumber(), regional) + " "
                            + timeText(now.timeValue(), regional));
    resortInChain(s, h);
}

// "Earlier in Day" goes in before the entry ahead of it; "Later in Day"
// before the entry after the next one (or last).
std::optional<EntryRef> moveInDay(Placement& placement, EntryRef at, int command)
{
    const DayRecord* record = placement.schedule().findDay(at.day);
    if (command == PropertyCommand::earlierInDay)
        return at.index == 0 ? std::nullopt : moveEntryWithinDay(placement, at, at.index - 1);
    const std::size_t count = record ? record->entries().size() : 0;
    if (at.index + 1 >= count)
        return std::nullopt;
    return moveEntryWithinDay(placement, at, std::min(at.index + 2, count));
}

// On a started, anchored or done item the same keys change its times.
void stepPriority(Placement& placement, EntryRef at, ItemHandle h, int command, StepSize size,
                  PropertyResult& result)
{
    Schedule& s = placement.schedule();
    const bool raise = command == PropertyCommand::raisePriority;
    PriorityStep step = raise ? raisePriority(s, h) : lowerPriority(s, h);
    if (step == PriorityStep::TimesInstead) {
        StepCommand times = raise ? StepCommand::EarlierBegin : StepCommand::LaterBegin;
        result.rebalanceRequested = stepEntry(placement, at, times, size).rebalanceRequested;
        return;
    }
    result.changed = step == PriorityStep::Done;
    result.rebalanceRequested = result.changed && s.record(h).has(ItemFlag::fFloating)
                                && neitherStartedNorDone(s.record(h));
}

std::string momentText(DayNumber day, TimeValue time, const RegionalSettings& regional)
{
    std::string text = shortDate(day, regional);
    if (!time.isNone())
        text += " " + timeText(time, regional);
    return text;
}

} // namespace

std::vector<int> entryPropertyCommands() { return {std::begin(kEntryCommands), std::end(kEntryCommands)}; }

std::vector<int> itemInformationCommands()
{
    return {PropertyCommand::fullDescription, PropertyCommand::creationTime, PropertyCommand::timeModified};
}

PropertyResult runPropertyCommand(Session& session, int command, const DraggedEntry& entry, StepSize stepSize)
{
    EntryForChange target = entryForChange(session, entry);
    // The moves need the entry; the properties only the item, so a
    // suspended definition, which is on no day, can be taken up again.
    const bool moves = command == PropertyCommand::earlierInDay || command == PropertyCommand::laterInDay
                       || command == PropertyCommand::raisePriority || command == PropertyCommand::lowerPriority;
    if (!target.item || (moves && !target.entry))
        return {};
    Schedule& s = session.schedule();
    Placement placement(s, PlacementContext::at(session.clock()), &session.messages());
    const EntryRef at = target.entry.value_or(EntryRef{entry.day, entry.index});
    const ItemHandle h = target.item;
    PropertyResult result{true, h, at.day, false};
    switch (command) {
    case PropertyCommand::floating: toggleFloatingOf(session, placement, h, result); break;
    case PropertyCommand::sequence: toggleSequence(session, placement, h, result); break;
    case PropertyCommand::suspended: toggleSuspended(session, placement, h, result); break;
    case PropertyCommand::privateText: togglePrivate(s, h); break;
    case PropertyCommand::appendStamp: appendStamp(session, h); break;
    case PropertyCommand::key:
        s.record(h).setFlag(ItemFlag::fKey, !s.record(h).has(ItemFlag::fKey));
        layoutDaysOf(placement, h);
        break;
    case PropertyCommand::hideUntilTime:
        s.record(h).setFlag(ItemFlag::fHidden, !s.record(h).has(ItemFlag::fHidden));
        layoutDaysOf(placement, h);
        break;
    case PropertyCommand::earlierInDay:
    case PropertyCommand::laterInDay:
        if (std::optional<EntryRef> now = moveInDay(placement, at, command))
            result.day = now->day;
        else
            result.changed = false;
        break;
    case PropertyCommand::raisePriority:
    case PropertyCommand::lowerPriority: stepPriority(placement, at, h, command, stepSize, result); break;
    default: return {};
    }
    if (result.changed) {
        s.dirty = true;
        if (s.chain.contains(h))
            stampModified(session, h);
    }
    return result;
}

std::string itemInformation(const Session& session, int command, ItemHandle item)
{
    const Schedule& s = session.schedule();
    const ItemRecord& r = s.record(item);
    const RegionalSettings& regional = session.settings().regional;
    switch (command) {
    case PropertyCommand::fullDescription: return s.description(item);
    case PropertyCommand::creationTime:
        return "Created " + momentText(DayNumber(r.createdDay()), TimeValue(r.createdTime()), regional);
    case PropertyCommand::timeModified: {
        if (r.modifiedTime() == 0)
            return "Not modified since it was created.";
        const std::time_t seconds = static_cast<std::time_t>(r.modifiedTime());
        std::tm local{};
        localtime_r(&seconds, &local);
        const DayNumber day = dayOf(local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
        return "Modified " + momentText(day, TimeValue::fromClock(local.tm_hour, local.tm_min), regional);
    }
    default: return {};
    }
}

PropertyResult handleInterruption(Session& session, const Interruption& interruption)
{
    const LocalMoment now = session.clock().localNow();
    const int minutes = std::clamp(interruption.minutes, 1, 1440);
    NewItem item;
    item.day = now.dayNumber();
    item.text = interruption.text.empty() ? std::string(kInterruptionText) : interruption.text;
    item.record.setKind(ItemKind::task);
    item.record.setFlags(ItemFlag::fDone);
    item.record.setDuration(static_cast<std::uint16_t>(minutes));
    // It ended now; before midnight it cannot have begun.
    item.record.setBeginTime(static_cast<std::int16_t>(std::max(1, now.timeValue().value() - minutes)));
    AddResult added = session.addItem(std::move(item));
    if (added.status != AddStatus::Added)
        return {};
    return {true, added.item, now.dayNumber(), true};
}

TimeValues timeValuesOf(const ScheduleHeader& header)
{
    return {hourlyWorth(header), interestRatePercent(header), marvalsOn(header)};
}

bool setTimeValues(Session& session, const TimeValues& values)
{
    if (!session.access().requestChangeAccess())
        return false;
    Schedule& s = session.schedule();
    const TimeValues before = timeValuesOf(s.header);
    const TimeValues after{std::clamp(values.hourlyWorth, 0, 32767), std::clamp(values.interestRate, 0, 255),
                           values.marvals};
    if (before.hourlyWorth == after.hourlyWorth && before.interestRate == after.interestRate
        && before.marvals == after.marvals)
        return false;
    s.header.setI16(ScheduleHeader::hourlyWorthAt, static_cast<std::int16_t>(after.hourlyWorth));
    s.header.setU8(ScheduleHeader::interestRateAt, static_cast<std::uint8_t>(after.interestRate));
    setMarvalsOn(s.header, after.marvals);
    if (after.marvals) {
        refreshLettersAndValues(s);
        marvalsSortClassA(s);
    }
    s.dirty = true;
    return true;
}

std::string setDayBounds(Session& session, TimeValue from, TimeValue to, ItemHandle first, ItemHandle last)
{
    if (!session.access().requestChangeAccess())
        return {};
    Schedule& s = session.schedule();
    std::string refused = s.setDayBounds(from, to, first, last);
    if (!refused.empty())
        return refused;
    Placement placement(s, PlacementContext::at(session.clock()), &session.messages());
    std::vector<DayNumber> days;
    for (auto it = s.days.lowerBound(placement.context().today); it != s.days.end(); ++it)
        days.push_back(DayNumber(it->first));
    for (DayNumber day : days)
        placement.layoutDay(day);
    return {};
}

bool setBizHours(Session& session, TimeValue begin, TimeValue end)
{
    if (!session.access().requestChangeAccess())
        return false;
    Schedule& s = session.schedule();
    if (s.header.bizStart() == begin && s.header.bizEnd() == end)
        return false;
    s.header.setBizHours(begin, end);
    s.dirty = true;
    return true;
}

std::optional<double> marvalsFactor(const std::string& text)
{
    const char* first = text.data();
    const char* last = first + text.size();
    while (first != last && *first == ' ')
        ++first;
    while (last != first && last[-1] == ' ')
        --last;
    double factor = 0;
    auto [end, error] = std::from_chars(first, last, factor);
    if (error != std::errc() || end != last || first == last || !std::isfinite(factor))
        return std::nullopt;
    return factor;
}

bool shiftMarvals(Session& session, double factor)
{
    if (!session.access().requestChangeAccess())
        return false;
    Schedule& s = session.schedule();
    if (!multiplyValues(s, factor))
        return false;
    if (marvalsOn(s.header)) {
        refreshLettersAndValues(s);
        marvalsSortClassA(s);
    }
    return true;
}

} // namespace zk
