#pragma once
// Timers and time zones in a desktop session: the commands Timer (983),
// Countdown Timer (687), Today's Dollars (727), Time Zones... (644) and
// World Timeline (645); the one window slot the Timer and the Countdown
// Timer share (opening one closes the other); the countdown's alarm sound;
// the World Timeline strip across the main window, refreshed every second;
// and TimerWndPos, saved when a timer closes and on exit.
//
// The rate, its unit and the countdown's minutes and seconds persist in
// the schedule header; they are written when a timer window closes (and on
// exit), with change access, only when they changed.
//
// Runs on the user-interface thread; the schedule is read and changed under
// the background-work lock.

#ifndef Q_MOC_RUN
#include "worktools/model/timers.h"
#include "worktools/model/timezones.h"
#endif

#include <QObject>
#include <QPointer>

#include <filesystem>
#include <functional>
#include <optional>

class QDialog;
class QToolBar;

namespace zk {

class CountdownWindow;
class DesktopApp;
class TimerWindow;
class WorldTimelineStrip;

inline constexpr int kTimerCommand = 983;
inline constexpr int kCountdownCommand = 687;
inline constexpr int kTodaysDollarsCommand = 727;
inline constexpr int kTimeZonesCommand = 644;
inline constexpr int kWorldTimelineCommand = 645;

class TimerDesk final : public QObject {
    Q_OBJECT
public:
    explicit TimerDesk(DesktopApp& app);
    ~TimerDesk() override;

    // The commands and the World Timeline strip.
    void install();
    // The session's second: the open timer moves on, a countdown past zero
    // rings, the World Timeline shows the time.
    void second();
    // Exit: the open timer's rectangle as TimerWndPos, its settings into
    // the header.
    void saveWindowPosition();
    // The end of the session: the open timer goes without a word.
    void closeWindows();

    TimerWindow* timerWindow() const;
    CountdownWindow* countdownWindow() const;
    WorldTimelineStrip& timeline() { return *strip_; }
    QToolBar& timelineBar() { return *bar_; }
    // What rings at zero; the alarm sound unless a test puts its own here.
    void setRinger(std::function<void()> ring) { ringer_ = std::move(ring); }

    void openTimer();
    void openCountdown();
    void showTodaysDollars();
    void defineTimeZones();
    void defineWorldTimeline();

private:
    template <class Window>
    Window* openInSlot();
    void placeInSlot(QDialog& window);
    void timerClosing();
    void storeSettings(const TimerSettings& settings);
    void ring();
    void refreshTimeline();
    // Once a minute: the computer's zone changed (a move, or its daylight
    // saving flag), and with it `localZone`.
    void followComputerZone();
    ZoneFiles zoneFiles() const;
    // The table from its file again (a missing file gives nothing).
    bool reloadTable(bool tellProblem);
    // The header's zone fields from the table; the data is changed.
    void tableChanged(bool markChanged);
    bool writeTable();
    QString computerSetting() const;

    DesktopApp& app_;
    QPointer<QDialog> slot_;
    std::function<void()> ringer_;
    WorldTimelineStrip* strip_ = nullptr;
    QToolBar* bar_ = nullptr;
    std::optional<ZoneTable> table_;
    std::optional<std::filesystem::file_time_type> tableTime_;
    std::optional<ZoneRecord> localZone_;
    // The computer's zone as last seen, and the minute it was looked at.
    std::optional<ComputerZone> computer_;
    TimeValue computerCheckedAt_;
};

} // namespace zk
