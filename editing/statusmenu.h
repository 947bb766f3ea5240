#pragma once
// The status menu and the Set status commands. The menu lists the eight
// status labels as commands 381 to 388 in index order, a separator and
// "Define Statuses" (command 379), with the selected item's status checked;
// choosing a label sets that status on the selected item.
//
// The main window opens it for command 380 ("Status...", Ctrl+F3) and for
// the right mouse button on an item:
//
//     popUpStatusMenu(pane, event->globalPosition().toPoint(), table, host);  // mouse
//     popUpStatusMenu(pane, std::nullopt, table, host);                       // keyboard
//
// and runs setSelectedItemStatus(host, command - 381) for commands 381..388.
// The host is asked afresh every time, because taking change access may
// bring in another session's save and replace the schedule.

#ifndef Q_MOC_RUN
#include "core/statustable.h"
#endif

#include <QPoint>

#include <functional>
#include <optional>

class QMenu;
class QWidget;

namespace zk {

class Clock;
class Schedule;

inline constexpr int kDefineStatusesCommand = 379;
inline constexpr int kStatusMenuCommand = 380;
inline constexpr int kFirstSetStatusCommand = 381;  // + the status index

struct StatusMenuHost {
    std::function<Schedule*()> schedule;       // null: no schedule open
    std::function<ItemHandle()> selectedItem;  // kNoItem: nothing selected
    std::function<bool()> itemDialogOpen;      // unset: never
    std::function<bool()> requestChangeAccess;
    // After a status was set: repaint; SpecialChanged lays the current pane
    // out again first.
    std::function<void(StatusChange)> statusChanged;
    std::function<void()> defineStatuses;  // opens the Define Statuses dialog
    const Clock* clock = nullptr;
};

// Fills the menu (its actions carry their command numbers as data); false,
// and the menu untouched, when it is refused: no item is selected or an
// item dialog is open.
bool fillStatusMenu(QMenu& menu, const StatusTable& table, const StatusMenuHost& host);

// Shows the menu at the global point, or without one (the keyboard) at the
// centre of the window, and runs the choice.
void popUpStatusMenu(QWidget& window, std::optional<QPoint> globalPoint, const StatusTable& table,
                     const StatusMenuHost& host);

// Set status: takes change access (refused: nothing changes), stores the
// status in the selected item and tells the host.
StatusChange setSelectedItemStatus(const StatusMenuHost& host, int status);

} // namespace zk
