#pragma once
// The day's work in the desktop session: the done commands ("Done" on
// SpaceBar and the "Done Special" menu), "Started", "Start Item After
// Last", "Duplicate Item", "Carry Over Undone Items" (F12), the surprise
// menu with "Edit Surprise List", and the session's own calls: the
// reminder of undone past items, the day change, and a carry-over left
// pending while background work held the schedule.
//
// Everything runs on the user-interface thread; the schedule is read and
// changed under the background-work lock.

#ifndef Q_MOC_RUN
#include "shell/model/daywork.h"
#endif

#include <string>
#include <vector>

namespace zk {

class CommandDispatcher;
class CommandMenus;
class DesktopApp;

class DoneCommands {
public:
    DoneCommands(DesktopApp& app, CommandDispatcher& dispatcher, CommandMenus& menus);

    // The tick: a carry-over asked for while background work held the
    // schedule is done now, without asking again.
    void runPendingCarryOver();
    // The minute work, start-up and the exit request: the reminder of
    // undone past items. True when the user took it (the exit waits).
    bool offerReminder();
    // The day change: today's occurrences, the automatic done and carry-over.
    void dayChange();
    // Start-up: appointments that ended while the program was closed.
    void startupDoneWork();

    // The surprise menu from Surprise.lst (menus filled at run time).
    void fillSurpriseMenu();

private:
    void install();
    void onSelectedEntry(int command);
    void carryOver();
    void carryOverNowOrLater();
    void insertSurprise(int index);
    void editSurpriseList();
    // The day shown again, with `select` selected.
    void showResult(const EntryWorkResult& result, ItemHandle select);
    AfterDone afterDone();

    DesktopApp& app_;
    CommandDispatcher& dispatcher_;
    CommandMenus& menus_;
    UndoneReminder reminder_;
    std::vector<std::string> surprises_;
    bool carryOverPending_ = false;
};

} // namespace zk
