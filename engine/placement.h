#pragma once
// Placement: putting entries into days and floating items onto days.
//
// - insertEntry puts one entry into a day's list: an entry with a wanted
//   begin time goes to the gap whose start comes closest to it; an entry
//   taken off the same day returns near its old place when it still fits
//   there; any other walks the list from the head (by key time, or into the
//   first gap with room). The day and today are laid out afterwards.
// - moveEntryToDay takes an entry off its day and inserts it in another,
//   asking whether to extend a deadline the move passes.
// - placeFloatingItem gives a floating item days: from its earliest day on,
//   the first day with capacity and a gap for it takes it (a split item in
//   pieces, one piece per gap). An item that finds no room before its
//   deadline, or within the horizon, is still inserted on that last day,
//   conflicting: no floating item is ever lost.
//
// A Placement lives for one operation or one balancing run. While it lives
// it keeps an index of the room each day offers and holds off purging of day
// records; every change to day entries made meanwhile goes through it (or
// tells it with dayChanged), so the index stays an upper bound.

#include "core/daylist.h"
#include "core/schedule.h"
#include "engine/placementcontext.h"
#include "engine/roomindex.h"

#include <functional>
#include <optional>

namespace zk {

class Messages;

// An entry that is not in a day's list: a new one, or one taken off its day
// that remembers where it stood, so that putting it back can keep it near.
struct LooseEntry {
    DayEntry entry;
    DayNumber oldDay;           // none: no old place to keep near
    ItemHandle previousItem;    // the item of the entry before it; none at the head
    ItemHandle nextItem;        // the item of the entry after it; none at the end
    std::size_t oldIndex = 0;   // its index in the old day's list

    static LooseEntry fresh(ItemHandle item, int placedMinutes);
    bool hasOldPlace() const { return !oldDay.isNone(); }
    void forgetOldPlace() { oldDay = kNoDay; previousItem = nextItem = kNoItem; }
};

// What a balancing run keeps across the placements it makes; outside a run
// the defaults hold: no day is full and nothing is kept clear.
struct PlacementRun {
    DayNumber lastFullDay;       // every day up to it is full (today - 1 when unset)
    DayNumber furthestDayUsed;   // the latest day placed on so far
    std::function<int(DayNumber)> reserve;     // minutes to keep free on a day; none: 0
    std::function<bool(DayNumber)> keptClear;  // days no floating item may take
    // An item found no day with room up to its last day and went there anyway.
    std::function<void(ItemHandle, DayNumber)> limitReached;
};

// Where recurring items take part. The constructor installs recurrence
// expansion's hooks; unset hooks let every move go ahead.
struct RecurrenceHooks {
    // False when the occurrence an exception replaces is no longer listed by
    // its definition; the exception then becomes an ordinary item.
    std::function<bool(ItemHandle exception)> exceptionStillListed;
    // Asked before a definition's entry moves to another day; may turn the
    // entry into an exception, which then moves instead. False refuses.
    std::function<bool(EntryRef entry, DayNumber to)> mayMoveDefinition;
    std::function<void(ItemHandle exception, DayNumber to)> exceptionMoved;
};

class Placement {
public:
    // Questions and notices go to `messages`, else to the schedule's.
    Placement(Schedule& schedule, PlacementContext context, Messages* messages = nullptr);
    Placement(const Placement&) = delete;
    Placement& operator=(const Placement&) = delete;

    Schedule& schedule() { return schedule_; }
    PlacementContext& context() { return context_; }
    const PlacementContext& context() const { return context_; }
    PlacementRun& run() { return run_; }
    RecurrenceHooks& recurrenceHooks() { return hooks_; }

    // Lays out the day (false when it has no record).
    bool layoutDay(DayNumber day);
    // The day's entries were changed elsewhere.
    void dayChanged(DayNumber day) { room_.forget(day); }

    // Inserts the entry in the day; where it went, or nothing when the day
    // has no record.
    std::optional<EntryRef> insertEntry(LooseEntry entry, DayNumber day);
    // The day the entry went to, or nothing when the move was refused.
    std::optional<DayNumber> moveEntryToDay(EntryRef entry, DayNumber day);
    // Takes the entry off its day; the result remembers its old place.
    LooseEntry removeEntry(EntryRef entry);
    // Takes the item off its days (a split item off all) and places it
    // again; false for a started item, which stays where it runs.
    bool replaceItem(ItemHandle item);
    // Gives the item (which should be on no day yet) its days.
    void placeFloatingItem(ItemHandle item);

    int freeMinutes(DayNumber day) const;
    // The day's capacity for floating items: its free minutes less the
    // reserve the run keeps.
    int capacity(DayNumber day) const;

private:
    bool isToday(DayNumber day) const { return day == context_.today; }
    std::size_t choosePlace(const LooseEntry& loose, DayNumber day, DayEntry& entry);
    std::optional<std::size_t> placeNearOldPlace(const LooseEntry& loose, DayNumber day);
    std::size_t walkFromHead(const DayEntry& entry, DayNumber day);
    std::size_t placeByBeginTime(DayEntry& entry, DayNumber day);
    std::size_t positionAfterLayout(DayNumber day, ItemHandle item, std::size_t insertedAt) const;

    std::optional<int> tryDay(ItemHandle item, DayNumber day, int remaining);
    std::optional<std::pair<std::size_t, int>> walkForPiece(ItemHandle item, DayNumber day, int remaining);
    bool passesCapacityTest(ItemHandle item, DayNumber day);
    std::optional<DayNumber> nextCandidate(ItemHandle item, DayNumber from, DayNumber last);
    DayNumber givePiece(ItemHandle item, int& remaining, DayNumber from, DayNumber last);
    int minimumPiece(const ItemRecord& r) const;
    // Keeps the day's stored free minutes and its room bound current.
    void refreshRoom(DayNumber day);
    int widestGap(const DayRecord& record) const;
    void tell(const std::string& text);

    Schedule& schedule_;
    PlacementContext context_;
    Messages* messages_;
    PlacementRun run_;
    RecurrenceHooks hooks_;
    RoomIndex room_;
    Schedule::PurgeBlock purgeBlock_;
};

extern const char* const kDeadlineQuestionText;
extern const char* const kAlarmRepeatCancelledText;

} // namespace zk
