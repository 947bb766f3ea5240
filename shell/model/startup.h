#pragma once
// The start-up worker: loads the schedule and readies the session while the
// event loop already runs, step by step in a fixed order. It runs on a
// thread of its own; the steps that need windows go to the host, which runs
// each on the user-interface thread and returns once it is done, so the
// order holds across both threads. Nothing else touches the schedule until
// the worker has cleared the initialising flag.
//
// Steps whose modules are not built yet are named empty steps below; each
// says which module fills it.

#include "platform/clock.h"

namespace zk {

class Heartbeat;
class Messages;
class Session;
class SettingStore;
class Settings;
struct AppState;

// The steps of start-up that belong to the windows.
class StartupHost {
public:
    virtual ~StartupHost() = default;
    // Right after the data file and its settings: the saved window rectangle.
    virtual void placeMainWindow() = 0;
    // A new schedule's first-run layout of the main window and its tool
    // windows, for the screen the window is on.
    virtual void setDefaultWindowLayout() = 0;
    // The title and the interface mode's menus; saves may run on threads of
    // their own from here on.
    virtual void applyInterfaceMode() = 0;
    // The day change work, as the tick runs it.
    virtual void dayChangeWork() = 0;
    // The schedule is checked out: check it in, or clear the mark.
    virtual void offerCheckIn() = 0;
    // What was open at the end of the last session.
    virtual void reopenWindows() = 0;
    // Today's schedule in the current pane.
    virtual void showToday() = 0;
    // Appointments that ended meanwhile are done; the reminder of undone
    // items on past days is offered.
    virtual void offerUndoneReminder() = 0;
    // A schedule with passwords: what the one entered grants.
    virtual void checkPasswords() {}
    // The schedule has no user name yet: the user is asked for one; and this
    // session's folder goes first in the recent schedules.
    virtual void askUserName() {}
    virtual void rememberRecentSchedule() {}
};

struct StartupServices {
    Session& session;
    Messages& messages;
    SettingStore& settings;
    // The settings catalogue, read again right after the data file.
    Settings& preferences;
    const Clock& clock;
    Heartbeat& heartbeat;
    AppState& state;
    StartupHost& host;
};

// Runs every step; false when the data file could not be loaded (the reason
// was shown), and the session cannot go on.
bool runStartup(const StartupServices& services);

} // namespace zk
