#pragma once
// The month view of a desktop session (command 934): its week offset, the
// keys that scroll it (913 and 914 a week, Page Up and Page Down four
// weeks, 924 back to today's week), its scroll bar and wheel, a click that
// views a day and a double-click that opens the day's schedule.
//
// The offset counts weeks from the week that holds today; the viewed day
// moves with it, seven days a week, so the other views go on where the
// month view left off.

#ifndef Q_MOC_RUN
#include "core/daynumber.h"
#endif

#include <string>

namespace zk {

class CommandDispatcher;
class DesktopApp;
class MonthView;
class Schedule;

class MonthViewCommands {
public:
    explicit MonthViewCommands(DesktopApp& app);

    void install(CommandDispatcher& dispatcher);
    bool current() const;
    int weekOffset() const { return offset_; }

    // Entering the view: the grid moves to hold the viewed day.
    void entered();
    // Paints the grid from the schedule; the caller holds it.
    void refresh(Schedule& schedule);
    // The status text with the month view's name before it.
    std::string statusText(const std::string& dayViewText) const;

    // Moves the grid to the offset (clamped); the viewed day follows.
    void scrollTo(int offset);

private:
    bool filterCommand(int command);
    DayNumber firstDay() const;

    DesktopApp& app_;
    int offset_ = 0;
};

} // namespace zk
