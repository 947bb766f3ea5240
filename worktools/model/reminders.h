#pragma once
// Reminders days ahead ("ticklers"): an item whose alarm sets days before
// (or after) its day reminds the user once, on the day that many days
// before (after) it. They are posted at start-up and at each day change,
// each once a day per session; no reminder is kept in the item.

#include "core/daynumber.h"
#include "core/regional.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zk {

class Schedule;

struct Reminder {
    std::uint32_t itemId = 0;
    DayNumber day;       // the item's day
    int daysAhead = 0;   // negative: the day has passed
    std::string text;
};

// Today's reminders, soonest day first: every undone item with its alarm
// and days set whose day (a recurring item's occurrence) lies that many
// days from today. Archived days are not read.
std::vector<Reminder> remindersDue(Schedule& schedule, DayNumber today);

// One box for all of them; empty when there are none.
std::string remindersText(const std::vector<Reminder>& reminders, const RegionalSettings& regional);

} // namespace zk
