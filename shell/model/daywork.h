#pragma once
// The day's work of a session: the done commands and "Started" on the
// selected entry, "Duplicate Item", "Carry Over Undone Items", the day
// change, and the reminder of undone items on past days.
//
// Contract:
// - The caller owns the schedule while it calls (the background-work lock).
// - Every change takes change access first; taking it may load what another
//   session saved, so an entry is found again by its item's id, and nothing
//   changes when access waits.
// - Each change is logged to "Change.log" and marks the schedule dirty; a
//   change to floating items, a carry-over and a new day set the rebalance
//   request.
// - Which work runs without a question follows the schedule's options: in
//   the PRO mode the automatic done of appointments and the automatic
//   carry-over each have their preference; the other modes always do both.

#include "core/daynumber.h"
#include "core/item.h"
#include "engine/carryover.h"
#include "engine/done.h"
#include "shell/model/entrydrop.h"

#include <optional>
#include <string>

namespace zk {

class ScheduleHeader;
class Session;

// The commands this module carries out, by number.
namespace DayWorkCommand {
inline constexpr int started = 982;
inline constexpr int startAfterLast = 159;
inline constexpr int duplicate = 95;
inline constexpr int carryOver = 977;
} // namespace DayWorkCommand

struct DayWorkOptions {
    bool autoDoneAppointments = true;
    bool automaticCarryOver = true;
    bool fitToGapByDefault = false;
};
DayWorkOptions dayWorkOptionsOf(const ScheduleHeader& header);

// What an entry command did; `item` and `day` say where to select.
struct EntryWorkResult {
    bool changed = false;
    bool waiting = false;  // another session holds change access
    ItemHandle item;
    DayNumber day;
    ItemHandle copy;  // a copy made: the rest of the work, a follow-up, a duplicate
    bool followUp = false;  // the copy is a follow-up, to be opened for editing
    bool rebalanceRequested = false;
};

// A done command (955, 206, 680, 683, 399, 624, 724, 726) on the entry.
EntryWorkResult markEntryDone(Session& session, const DraggedEntry& entry, DoneHow how);
// "Started" and "Start Item After Last".
EntryWorkResult startEntry(Session& session, const DraggedEntry& entry, bool afterLast);
// "Duplicate Item": the copy goes on the entry's day.
EntryWorkResult duplicateEntry(Session& session, const DraggedEntry& entry);
// Where the selection goes after a done command left `item` on `day`: with
// done items hidden, to the next entry not done (none when there is none);
// with auto-advance in the single view of today, to the next entry when
// the item ends no earlier than the minute before now; else it stays.
struct AfterDone {
    bool hideDone = false;
    bool autoAdvance = false;
    bool singleViewOnToday = false;
    DayNumber today;
    TimeValue now;
};
ItemHandle selectionAfterDone(const Schedule& schedule, DayNumber day, ItemHandle item, const AfterDone& after);
// The done and start commands addressed by item id on a day, for zk.
std::optional<DraggedEntry> entryOfItem(const Schedule& schedule, std::uint32_t id, DayNumber day);

// Carries undone items over now (with change access), after the automatic
// done of ended appointments when the options have it; nothing when access
// waits.
std::optional<CarryOverResult> carryOverNow(Session& session);

// The day change (and start-up on a new day): today's occurrences, the
// automatic done of ended appointments, and the carry-over when the
// options say it needs no question. False when change access was not had.
struct DayChangeResult {
    bool worked = false;
    int autoDone = 0;
    CarryOverResult carried;
};
DayChangeResult runDayChange(Session& session);

// Every definition occurring today is on today's record.
void expandRecurringForToday(Session& session);

// The reminder of undone past items, at most every 20 minutes and never
// twice at once.
class UndoneReminder {
public:
    enum class Outcome {
        Nothing,    // not due, not active, or nothing undone
        Declined,   // asked; No
        ShowDay,    // asked; Yes: show `day` in the single schedule view
        CarriedOver // the automatic carry-over did it without asking
    };
    struct Result {
        Outcome outcome = Outcome::Nothing;
        DayNumber day;
        CarryOverResult carried;
    };
    // `minute`: minutes since some fixed moment (the clock's).
    Result check(Session& session, long minute, bool windowActive);
    // A question is open: the reminder is not offered again meanwhile.
    bool asking() const { return asking_; }

private:
    std::optional<long> lastAsked_;
    bool asking_ = false;
};
inline constexpr int kReminderMinutes = 20;

} // namespace zk
