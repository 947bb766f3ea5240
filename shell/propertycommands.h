#pragma once
// The desktop side of the item property commands and of the settings that
// feed placement (shell/model/propertycommands.h holds what they do): each
// command reads the selection, runs under the background-work lock, shows
// the day again with the item still selected, and sets the rebalance
// request when floating items are affected. The settings and the advanced
// commands ask through their dialogs first, without the lock, so saves go
// on while they are open.

#include "core/daynumber.h"

#include <functional>

namespace zk {

class CommandDispatcher;
class DesktopApp;

class PropertyCommands {
public:
    // `showDay` shows a day in the current view (Earliest Undone Schedule).
    PropertyCommands(DesktopApp& app, std::function<void(DayNumber)> showDay);

    void install(CommandDispatcher& dispatcher);

private:
    void actOnSelectedEntry(int command);
    void tellAboutSelectedItem(int command);
    void showEarliestUndoneDay();
    void editItem(int command, bool selected);
    void handleInterruption();
    void editTimeValues();
    void editDayBounds();
    void editBizHours();
    void shiftMarvals();
    // After a change: the viewed day again, and the rebalance request when
    // floating items are affected.
    void changed(bool rebalance);

    DesktopApp& app_;
    std::function<void(DayNumber)> showDay_;
};

} // namespace zk
