#pragma once
// The desktop's workload commands and the runs behind them: "Balance
// &Workload" (Alt+F8, a full run in the foreground with a progress window),
// "&Less Workload" and "&More Workload" on the viewed day, "&Optimize"
// (today), "&Workload Balancing..." (the settings dialog), the run the
// second tick starts when the Autobalance preference is on and something
// changed, and the conflict check after an appointment is stored.
//
// Threads: a run holds the background-work lock for its whole length, as a
// save does, so a save never writes beside it and a second run never
// starts. The tick's automatic run goes on a thread of its own once the
// interface is up (background mode); nothing on that thread shows a box:
// what it has to say is shown on the user-interface thread once it has
// let the lock go. The day change and the end of the session wait for it.

#ifndef Q_MOC_RUN
#include "core/item.h"
#include "shell/desktopapp.h"
#endif

#include <atomic>
#include <string>
#include <vector>

namespace zk {

class CommandDispatcher;

class BalanceCommands {
public:
    explicit BalanceCommands(DesktopApp& app);
    ~BalanceCommands();
    BalanceCommands(const BalanceCommands&) = delete;
    BalanceCommands& operator=(const BalanceCommands&) = delete;

    void install(CommandDispatcher& dispatcher);

    // The second tick: a forced run in the foreground; else, with
    // Autobalance on and a rebalance requested, a run away from the minute
    // boundary.
    void tick(bool nearMinuteBoundary);
    // Until a background run has ended (day change, exit).
    void waitForRun();
    bool running() const { return thread_.running(); }

    // After the item dialog stored the item: with "Conflict Checking" on,
    // an anchored item's overlaps are collected, then asked about one by
    // one until the user answers No.
    void checkConflicts(ItemHandle item);

private:
    enum class RunKind { Command, Automatic, Background };
    void balanceCommand();
    void remindOfPastDays(DayNumber undone);
    // Whether a run may start now: a schedule to change, no dialog open.
    bool mayRun();
    // The run itself, with the background-work lock held; what is to be
    // shown once the lock is free.
    std::vector<std::string> run(RunKind kind, ItemHandle excluded);
    void startBackgroundRun(ItemHandle excluded);
    void report(const std::vector<std::string>& texts);
    void shiftWorkload(bool less);
    void optimize();
    void openSettings();

    DesktopApp& app_;
    WorkerThread thread_;
    bool reminding_ = false;
};

} // namespace zk
