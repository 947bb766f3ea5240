#pragma once
// What one placement or layout works against besides the schedule itself:
// today, the current minute, and the marks of a balancing run. The engine
// never reads a clock; callers take one reading and pass it in, so a whole
// operation sees one moment.

#include "core/daynumber.h"

namespace zk {

class Clock;
class Schedule;

struct PlacementContext {
    DayNumber today;
    TimeValue now;
    // Prerequisites and sequences bind the earliest begin only inside a
    // balancing run, where every floating item is placed afresh in order.
    bool balancing = false;
    // A carry-over is moving items; moving one then asks no deadline question.
    bool carryingOver = false;

    static PlacementContext at(const Clock& clock);
};

} // namespace zk
