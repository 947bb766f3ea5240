#pragma once
// Carrying undone items of past days over to today, and the automatic done
// of appointments whose time has passed.
//
// Contract:
// - The days looked at run from the first day that is not archived up to
//   yesterday (today for the automatic done); archived days are left as
//   they are.
// - An undone entry is one whose item is not done and is work to do: not a
//   special day, memo, multi-day event or project, which stay on their day.
// - Each day's entries are taken down before any of them moves, so moving
//   one never makes the walk skip or repeat another.
// - Per recurring definition: Shift restarts the series on the target day
//   (the missed occurrence goes with it); Delete removes the occurrence,
//   unless the item melts (fMelt), which moves it like Keep; Keep and
//   ordinary items move to the target day, an item kept to business hours
//   to the next business day when the target is none.
// - An item that is no longer there stops the walk with
//   kCarryOverProblemText; what was carried stays carried.

#include "core/daynumber.h"
#include "core/item.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zk {

class Placement;
class Schedule;

extern const char* const kCarryOverQuestionText;  // printf form: "today"
extern const char* const kCarryOverProblemText;
extern const char* const kUndoneReminderText;
// The question of the carry-over command: carry over "to today?".
std::string carryOverQuestion();

struct CarriedEntry {
    enum class Kind { Carried, Deleted, Shifted };
    Kind kind = Kind::Carried;
    std::uint32_t id = 0;
    DayNumber from;
    DayNumber to;
};

struct CarryOverResult {
    std::vector<CarriedEntry> entries;
    bool stopped = false;  // an invalid item ended the walk
};

// The earliest day before today that holds an undone entry, or none.
DayNumber earliestUndonePastDay(const Schedule& schedule, DayNumber today);

// Carries every undone entry of the days before today to today.
CarryOverResult carryOverUndone(Placement& placement);

// Marks done every appointment that is not done and has ended: on days
// before today all of them, on today those not started that end by now.
// Returns how many were marked.
int autoDoneAppointments(Placement& placement);

} // namespace zk
