#pragma once
// The desktop session from start to end: the data file from the command
// line, the settled schedule folder, the refusal of a second session on the
// same data file, the main window, the start-up worker, the one-second
// tick, the exit request with its final save, and terminate.
//
// Threads: the user-interface thread owns the windows and runs the ticks;
// the start-up worker loads the schedule (its window steps run on the
// user-interface thread while it waits); one save thread at a time writes
// the schedule. The background-work lock keeps the schedule to one thread at
// a time: a save holds it for its whole run, and the user-interface thread
// only takes it when it is free, so it never stalls behind a save. Every
// thread is joined before the session ends; while the user-interface thread
// waits for one it keeps its event loop turning, as the waited-for thread
// may be showing a box.

// moc cannot read the library's C++20 headers; it needs none of them.
#ifndef Q_MOC_RUN
#include "core/regional.h"
#include "shell/model/appstate.h"
#include "shell/model/backgroundwork.h"
#include "shell/model/heartbeat.h"
#include "core/scheduleheader.h"
#include "shell/model/settings.h"
#include "shell/model/startup.h"
#endif

#include <QObject>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace zk {

class AlarmDesk;
class DialDesk;
class WorktoolsMenu;
class NoteDesk;
class TimerDesk;
class Clock;
class DesktopCommands;
struct PaneStyle;
class MainWindow;
class Messages;
class MessagePresenter;
class Session;
class SessionGuard;
class SettingStore;

extern const char* const kSaveFailedOnExitText;

// A thread whose end the user-interface thread waits for without stopping
// its event loop.
class WorkerThread {
public:
    ~WorkerThread() { join(); }
    template <class Work>
    void start(Work work)
    {
        join();
        done_ = false;
        thread_ = std::thread([this, work = std::move(work)]() mutable {
            work();
            done_ = true;
        });
    }
    bool running() const { return thread_.joinable() && !done_; }
    bool onThisThread() const { return thread_.get_id() == std::this_thread::get_id(); }
    // Turns the event loop in 50 ms steps until the thread has ended.
    void join();
    // Joins a thread that has ended; leaves a running one alone.
    void reap();

private:
    std::thread thread_;
    std::atomic<bool> done_{true};
};

class DesktopApp final : public QObject, private TickSteps, private StartupHost {
    Q_OBJECT
public:
    struct Options {
        std::string commandLine;
        std::filesystem::path programFolder;  // where SAMPLE.DTA is
    };

    DesktopApp(const Clock& clock, MessagePresenter& presenter, SettingStore& settings);
    ~DesktopApp() override;

    // Up to the start of the start-up worker. An exit code when the session
    // ends before its event loop runs; otherwise the event loop ends it with
    // finished().
    std::optional<int> start(const Options& options);

    // The exit request: true when the session may end (saved, or the user
    // agreed to close without saving). Then terminate() ends it.
    bool exitRequest();
    void terminate();
    // SIGTERM, SIGINT, SIGHUP: the session ends without asking anything
    // (the presenter answers every question with its safe default once
    // stopped): what is unsaved is saved when change access allows, the
    // locks are removed. Waits for open dialogs to unwind first.
    void stopForSignal();

    // One tick now, as the timer runs it.
    void tick();

    bool initialising() const { return state_.initialising; }
    bool startupFailed() const { return startupFailed_; }
    MainWindow& window() { return *window_; }
    Session& session() { return *session_; }
    Messages& messages() { return *messages_; }
    BackgroundWork& backgroundWork() { return backgroundWork_; }
    const AppState& state() const { return state_; }
    AppState& state() { return state_; }
    DayNumber today() const { return heartbeat_.today(); }
    TimeValue now() const { return heartbeat_.now(); }
    const RegionalSettings& regional() const { return regional_; }
    bool saveThreadRunning() const { return saveThread_.running(); }
    Settings& preferences() { return preferences_; }

    // The Preferences dialog over this session's settings and header; a
    // changed header preference marks the schedule changed, a changed mode
    // brings in that mode's menus.
    void openPreferences();
    // The place dialogs of the Options menu (728 position, 732 tide
    // location); a change is saved and shown at once.
    void openPlaceSettings(int command);
    // Writes the settings to the store at once (the Filter window's changes).
    void saveSettingsNow();
    // Change access for a command, under the background-work lock.
    bool requestChangeAccess();
    // The current pane shows the day.
    void showDay(DayNumber day);
    DesktopCommands& commands() { return *commands_; }
    StatusTable& statuses() { return state_.statuses; }
    const Clock& clock() const { return clock_; }
    SettingStore& settingStore() { return settings_; }
    AlarmDesk& alarms() { return *alarms_; }
    NoteDesk& notes() { return *notes_; }
    TimerDesk& timers() { return *timers_; }
    DialDesk& dialling() { return *dial_; }
    WorktoolsMenu& worktools() { return *worktools_; }

signals:
    // The session has ended; the process exits with the code.
    void finished(int exitCode);

private:
    // --- the tick's steps ---
    void statusLine() override;
    void changeAccess() override;
    void saveWhenNeeded() override;
    void backgroundScheduling(bool nearMinuteBoundary) override;
    void tideLine() override;
    void countSessions() override;
    void pendingCarryOver() override;
    void minuteWork() override;
    void dayChangeWork() override;

    // --- start-up's window steps ---
    void placeMainWindow() override;
    void setDefaultWindowLayout() override;
    void applyInterfaceMode() override;
    void reopenWindows() override;
    void showToday() override;
    void offerUndoneReminder() override;
    void checkPasswords() override;
    void askUserName() override;
    void rememberRecentSchedule() override;
    void offerCheckIn() override;

    template <class Step>
    void onUserInterface(Step step);
    void startupEnded(bool loaded);
    void installFaultCleanup();
    void refreshDayPane();
    void showViewedDay();
    DayWindow dayWindow();
    std::string statusText();
    void startSaveThread();
    bool finalSave();
    void writeDataFolder();
    void saveWindowSettings();
    void takeWindowGeometry();
    void headerPreferenceChanged();
    PaneStyle paneStyle() const;

    // Minute work.
    void watchAutosave();
    void checkTransferFiles();
    void checkBackups();

    const Clock& clock_;
    SettingStore& settings_;
    std::unique_ptr<Messages> messages_;
    RegionalSettings regional_;
    Settings preferences_;
    ScheduleHeader preferencesHeader_;
    AppState state_;
    DayNumber autoBackupDay_;  // the day the automatic backup was last tried
    BackgroundWork backgroundWork_;
    Heartbeat heartbeat_{*this};
    std::unique_ptr<SessionGuard> guard_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<DesktopCommands> commands_;
    std::unique_ptr<AlarmDesk> alarms_;
    std::unique_ptr<NoteDesk> notes_;
    std::unique_ptr<TimerDesk> timers_;
    std::unique_ptr<DialDesk> dial_;
    std::unique_ptr<WorktoolsMenu> worktools_;
    QTimer timer_;
    WorkerThread startupThread_;
    WorkerThread saveThread_;
    std::optional<DayWindow> lastWindow_;
    const void* shownSchedule_ = nullptr;
    std::string shownStatus_;
    int faultCleanup_ = 0;
    bool startupFailed_ = false;
    bool autosaveWarned_ = false;
    bool backupsWarned_ = false;
    bool terminated_ = false;
    bool paneStale_ = false;
};

} // namespace zk
