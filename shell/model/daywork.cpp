#include "shell/model/daywork.h"

#include "core/schedule.h"
#include "engine/interfacemode.h"
#include "engine/placement.h"
#include "engine/recurrenceexpansion.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "shell/model/settings.h"
#include "sharing/activitylog.h"
#include "sharing/session.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace zk {

namespace {

void logChange(Session& session, ItemHandle item)
{
    if (!session.schedule().items.isLive(item))
        return;
    appendActivity(session.access().paths().folder, kChangeLogName,
                   activityLine(session.clock().localNow(), session.settings().regional,
                                session.schedule().description(item)),
                   session.messages());
}

DoneOptions doneOptionsFor(Session& session)
{
    DoneOptions options;
    options.fitToGapByDefault = dayWorkOptionsOf(session.schedule().header).fitToGapByDefault;
    options.seconds = session.clock().localNow().second;
    options.messages = &session.messages();
    const char* diagnostic = std::getenv("ZELKON_DIAGNOSTIC");
    options.diagnostic = diagnostic && std::string_view(diagnostic) == "1";
    return options;
}

template <class Work>
EntryWorkResult onEntry(Session& session, const DraggedEntry& shown, Work work)
{
    EntryForChange target = entryForChange(session, shown);
    if (target.waiting) {
        EntryWorkResult waiting;
        waiting.waiting = true;
        return waiting;
    }
    if (!target.entry)
        return {};
    Placement placement(session.schedule(), PlacementContext::at(session.clock()), &session.messages());
    EntryWorkResult result = work(placement, *target.entry);
    if (result.changed) {
        logChange(session, result.item);
        session.schedule().dirty = true;
    }
    if (result.rebalanceRequested)
        requestRebalance(session);
    return result;
}

EntryWorkResult fromDone(const DoneResult& done)
{
    return EntryWorkResult{done.changed, false, done.item, done.day, done.copy, false, done.rebalanceRequested};
}

} // namespace

DayWorkOptions dayWorkOptionsOf(const ScheduleHeader& header)
{
    DayWorkOptions options;
    bool pro = isProMode(header);
    options.autoDoneAppointments = !pro || headerOption(header, HeaderOption::AutoDoneAppointments);
    options.automaticCarryOver = !pro || headerOption(header, HeaderOption::AutomaticCarryOver);
    options.fitToGapByDefault = headerOption(header, HeaderOption::FitToGap);
    return options;
}

EntryWorkResult markEntryDone(Session& session, const DraggedEntry& entry, DoneHow how)
{
    return onEntry(session, entry, [&](Placement& placement, EntryRef at) {
        DoneResult done = markDone(placement, at, how, doneOptionsFor(session));
        EntryWorkResult result = fromDone(done);
        result.followUp = done.copy && how != DoneHow::Attempted && how != DoneHow::Partial;
        return result;
    });
}

EntryWorkResult startEntry(Session& session, const DraggedEntry& entry, bool afterLast)
{
    return onEntry(session, entry, [&](Placement& placement, EntryRef at) {
        EntryWorkResult result = fromDone(startItem(placement, at, afterLast, doneOptionsFor(session)));
        result.copy = kNoItem;
        return result;
    });
}

EntryWorkResult duplicateEntry(Session& session, const DraggedEntry& entry)
{
    return onEntry(session, entry, [&](Placement& placement, EntryRef at) {
        Schedule& s = placement.schedule();
        ItemHandle item = s.findDay(at.day)->entries()[at.index].item;
        ItemHandle copy = duplicateItem(placement, item, at.day);
        EntryWorkResult result;
        result.changed = static_cast<bool>(copy);
        result.item = copy;
        result.day = copy ? s.dayOf(copy) : at.day;
        result.copy = copy;
        result.rebalanceRequested = copy && s.record(copy).has(ItemFlag::fFloating);
        return result;
    });
}

ItemHandle selectionAfterDone(const Schedule& schedule, DayNumber day, ItemHandle item, const AfterDone& after)
{
    const DayRecord* record = schedule.findDay(day);
    if (!record || !item || !schedule.items.isLive(item))
        return item;
    const std::vector<DayEntry>& entries = record->entries();
    auto at = std::find_if(entries.begin(), entries.end(), [item](const DayEntry& e) { return e.item == item; });
    if (at == entries.end())
        return item;
    if (after.hideDone && schedule.record(item).has(ItemFlag::fDone)) {
        auto next = std::find_if(at + 1, entries.end(),
                                 [&](const DayEntry& e) { return !schedule.record(e.item).has(ItemFlag::fDone); });
        return next == entries.end() ? kNoItem : next->item;
    }
    // An entry done long before now leaves the selection on it: the user
    // is catching up, not working down the day.
    const int end = std::abs(at->startTime().value()) + at->placedMinutes;
    if (after.autoAdvance && after.singleViewOnToday && day == after.today && end >= after.now.value() - 1
        && at + 1 != entries.end())
        return (at + 1)->item;
    return item;
}

std::optional<DraggedEntry> entryOfItem(const Schedule& schedule, std::uint32_t id, DayNumber day)
{
    ItemHandle item = schedule.findItemById(id);
    if (!item)
        return std::nullopt;
    if (std::optional<std::size_t> at = schedule.entryOf(item, day))
        return DraggedEntry{item, day, *at};
    // A recurring item's occurrence refers to its definition, or, once
    // changed, to its exception.
    const DayRecord* record = schedule.findDay(day);
    if (!record)
        return std::nullopt;
    for (std::size_t i = 0; i < record->entries().size(); ++i)
        if (schedule.recurrences.definitionOf(record->entries()[i].item) == item)
            return DraggedEntry{record->entries()[i].item, day, i};
    return std::nullopt;
}

std::optional<CarryOverResult> carryOverNow(Session& session)
{
    if (!session.access().requestChangeAccess())
        return std::nullopt;
    Placement placement(session.schedule(), PlacementContext::at(session.clock()), &session.messages());
    // An appointment that has ended is done rather than carried.
    if (dayWorkOptionsOf(session.schedule().header).autoDoneAppointments)
        autoDoneAppointments(placement);
    CarryOverResult result = carryOverUndone(placement);
    for (const CarriedEntry& carried : result.entries)
        if (ItemHandle item = session.schedule().findItemById(carried.id))
            logChange(session, item);
    if (!result.entries.empty())
        requestRebalance(session);
    return result;
}

void expandRecurringForToday(Session& session)
{
    Schedule& s = session.schedule();
    Placement placement(s, PlacementContext::at(session.clock()), &session.messages());
    const DayNumber today = placement.context().today;
    if (!s.getDay(today))
        return;
    // A day record made while the day lay ahead may predate a definition
    // whose series starts "today"; today's occurrences are placed now.
    RecurrenceExpansion expansion(placement);
    std::vector<ItemHandle> definitions = s.recurrences.inOrder();
    for (ItemHandle definition : definitions)
        expansion.placeDefinitionOnDay(definition, today);
}

DayChangeResult runDayChange(Session& session)
{
    DayChangeResult result;
    if (!session.access().requestChangeAccess())
        return result;
    result.worked = true;
    expandRecurringForToday(session);
    Schedule& s = session.schedule();
    const DayWorkOptions options = dayWorkOptionsOf(s.header);
    Placement placement(s, PlacementContext::at(session.clock()), &session.messages());
    if (options.autoDoneAppointments)
        result.autoDone = autoDoneAppointments(placement);
    if (options.automaticCarryOver)
        result.carried = carryOverUndone(placement);
    placement.layoutDay(placement.context().today);
    if (result.autoDone > 0 || !result.carried.entries.empty())
        s.dirty = true;
    // A new day: what floats is laid out from today on again.
    requestRebalance(session);
    return result;
}

UndoneReminder::Result UndoneReminder::check(Session& session, long minute, bool windowActive)
{
    Result result;
    if (asking_ || !windowActive || (lastAsked_ && minute - *lastAsked_ < kReminderMinutes))
        return result;
    const Schedule& s = session.schedule();
    DayNumber undone = earliestUndonePastDay(s, PlacementContext::at(session.clock()).today);
    if (undone.isNone())
        return result;
    lastAsked_ = minute;
    if (dayWorkOptionsOf(s.header).automaticCarryOver) {
        if (std::optional<CarryOverResult> carried = carryOverNow(session)) {
            result.outcome = Outcome::CarriedOver;
            result.carried = std::move(*carried);
        }
        return result;
    }
    asking_ = true;
    Answer answer = session.messages().question(kUndoneReminderText);
    asking_ = false;
    result.outcome = answer == Answer::Yes ? Outcome::ShowDay : Outcome::Declined;
    result.day = undone;
    return result;
}

} // namespace zk
