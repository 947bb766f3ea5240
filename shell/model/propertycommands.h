#pragma once
// The item property commands on the selected entry ("Floating", "Private",
// "Key", "Sequence", "Suspended", "Hide until time", "Earlier in Day",
// "Later in Day", "Raise Priority", "Lower Priority", "Append Time & Date
// Stamp"), the three that only tell about the item ("Full description",
// "Creation Time", "Time modified"), and the settings that feed placement
// ("Time Values...", "Day Bounds...", "Biz Hours...", "Shift Priority List
// Marvals...", "Handle Interruption...").
//
// Contract:
// - A command that changes data takes change access first (as a dropped
//   entry does: the entry is found again by its item's id afterwards) and
//   does nothing when that waits or the command is refused; a refusal shows
//   its text. The information commands only read.
// - What changes is laid out again; the result says when floating items are
//   affected, and the caller then sets the rebalance request.
// - The caller owns the schedule while it calls (the background-work lock).

#include "core/daynumber.h"
#include "core/item.h"
#include "engine/entrycommands.h"
#include "shell/model/entrydrop.h"

#include <optional>
#include <string>
#include <vector>

namespace zk {

class Schedule;
class ScheduleHeader;
class Session;

namespace PropertyCommand {
inline constexpr int earlierInDay = 11;
inline constexpr int laterInDay = 12;
inline constexpr int earliestUndone = 40;
inline constexpr int newItemDefaults = 61;
inline constexpr int timeValues = 88;
inline constexpr int floating = 152;
inline constexpr int appendStamp = 342;
inline constexpr int privateText = 347;
inline constexpr int fullDescription = 352;
inline constexpr int creationTime = 355;
inline constexpr int raisePriority = 356;
inline constexpr int lowerPriority = 357;
inline constexpr int handleInterruption = 400;
inline constexpr int dayBounds = 633;
inline constexpr int sequence = 635;
inline constexpr int key = 659;
inline constexpr int hideUntilTime = 660;
inline constexpr int customModify = 665;
inline constexpr int bizHours = 689;
inline constexpr int timeModified = 739;
inline constexpr int suspended = 750;
inline constexpr int shiftMarvals = 765;
} // namespace PropertyCommand

extern const char* const kOnlyFloatingSequenceText;
extern const char* const kOnlyRecurringSuspendedText;
extern const char* const kRecurringNotFloatingText;
extern const char* const kInterruptionText;

// The commands that change the selected entry's item, and those that tell
// about it.
std::vector<int> entryPropertyCommands();
std::vector<int> itemInformationCommands();

struct PropertyResult {
    bool changed = false;
    ItemHandle item;  // the entry's item in the schedule as it is now
    DayNumber day;    // the day it lies on afterwards
    bool rebalanceRequested = false;
};

PropertyResult runPropertyCommand(Session& session, int command, const DraggedEntry& entry, StepSize stepSize);

// "Full description", "Creation Time", "Time modified": the text shown.
std::string itemInformation(const Session& session, int command, ItemHandle item);

// "Handle Interruption...": the time an interruption took up to now goes
// into today as a done item of its own, so the floating items that wait
// move after it.
struct Interruption {
    std::string text = kInterruptionText;
    int minutes = 15;
};
PropertyResult handleInterruption(Session& session, const Interruption& interruption);

// "Time Values...": what one hour of the user's time is worth, the interest
// rate the values count with, and whether class A is ordered by value.
struct TimeValues {
    int hourlyWorth = 0;   // dollars per hour
    int interestRate = 0;  // percent per year, 0..255
    bool marvals = false;
};
TimeValues timeValuesOf(const ScheduleHeader& header);
// Stores them; switching the value order on sorts class A by it. True when
// anything changed (the workload then wants balancing).
bool setTimeValues(Session& session, const TimeValues& values);

// "Day Bounds...": the day window and the first and last items of every
// day; every day from today on is laid out again. The refusal text, or
// empty.
std::string setDayBounds(Session& session, TimeValue from, TimeValue to, ItemHandle first, ItemHandle last);
// "Biz Hours...": the business hours that business-hours items keep to.
bool setBizHours(Session& session, TimeValue begin, TimeValue end);

// "Shift Priority List Marvals...": the factor as typed ("1.5"); nothing
// when it is no number.
std::optional<double> marvalsFactor(const std::string& text);
bool shiftMarvals(Session& session, double factor);

} // namespace zk
