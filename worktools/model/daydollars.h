#pragma once
// Today's Dollars: what today's items are worth, by their Marvals (the
// reward each earns on the day, and the late charge from its deadline on),
// split into what is done and what is still to do.

#include "core/daynumber.h"

#include <string>

namespace zk {

class Clock;
class Schedule;

struct DayDollars {
    int items = 0;        // today's entries with a value
    float earned = 0;     // done entries
    float toEarn = 0;     // entries not done yet
    int hourlyWorth = 0;  // what an hour of the user's time is worth
    float total() const { return earned + toEarn; }
};

// The day is opened as it is shown (recurring items expanded onto it,
// floating items placed), so the sums cover what the day's pane lists.
DayDollars dayDollars(Schedule& schedule, DayNumber day, const Clock& clock);
// "$1,234.50"; a negative sum keeps its sign.
std::string dollarText(float amount);

} // namespace zk
