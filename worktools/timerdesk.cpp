#include "worktools/timerdesk.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "platform/clock.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "platform/settingstore.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "worktools/alarmdesk.h"
#include "worktools/model/alarmsound.h"
#include "worktools/model/daydollars.h"
#include "worktools/timerwindows.h"
#include "worktools/zonewindows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>

#include <ctime>

namespace zk {

TimerDesk::TimerDesk(DesktopApp& app) : app_(app) {}

TimerDesk::~TimerDesk() { closeWindows(); }

void TimerDesk::install()
{
    CommandDispatcher& dispatcher = app_.commands().dispatcher();
    dispatcher.setHandler(kTimerCommand, [this](int) { openTimer(); });
    dispatcher.setHandler(kCountdownCommand, [this](int) { openCountdown(); });
    dispatcher.setHandler(kTodaysDollarsCommand, [this](int) { showTodaysDollars(); });
    dispatcher.setHandler(kTimeZonesCommand, [this](int) { defineTimeZones(); });
    dispatcher.setHandler(kWorldTimelineCommand, [this](int) { defineWorldTimeline(); });

    // Its own row below the toolbar, across the whole window.
    MainWindow& window = app_.window();
    bar_ = new QToolBar(tr("World Timeline"), &window);
    bar_->setObjectName("WorldTimelineBar");
    bar_->setMovable(false);
    bar_->setFloatable(false);
    bar_->toggleViewAction()->setVisible(false);
    strip_ = new WorldTimelineStrip(bar_);
    bar_->addWidget(strip_);
    window.addToolBarBreak(Qt::TopToolBarArea);
    window.addToolBar(Qt::TopToolBarArea, bar_);
    bar_->hide();
}

// --- the window slot ---------------------------------------------------------------------

TimerWindow* TimerDesk::timerWindow() const { return qobject_cast<TimerWindow*>(slot_.data()); }
CountdownWindow* TimerDesk::countdownWindow() const { return qobject_cast<CountdownWindow*>(slot_.data()); }

template <class Window>
Window* TimerDesk::openInSlot()
{
    if (app_.initialising())
        return nullptr;
    if (auto* open = qobject_cast<Window*>(slot_.data())) {
        open->raise();
        open->activateWindow();
        return nullptr;
    }
    // The two timers share one slot: the other one closes first.
    if (slot_)
        slot_->close();
    TimerSettings settings;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        settings = timerSettingsOf(app_.session().schedule().header);
    }
    TimerWindowHooks hooks{
        .now = [this] { return app_.clock().unixSeconds(); },
        .separator = app_.regional().sTime,
        .switchWindow = [this] {
            app_.window().raise();
            app_.window().activateWindow();
        },
    };
    auto* window = new Window(settings, std::move(hooks), &app_.window());
    connect(window, &Window::closing, this, &TimerDesk::timerClosing);
    slot_ = window;
    placeInSlot(*window);
    return window;
}

// A saved rectangle whose middle is still on the screen puts the window
// back there, in its own size; otherwise the system places it.
void TimerDesk::placeInSlot(QDialog& window)
{
    window.adjustSize();
    const std::optional<SettingRect> saved = app_.preferences().rect(RectSetting::TimerWndPos);
    const QScreen* screen = app_.window().screen() ? app_.window().screen() : QGuiApplication::primaryScreen();
    if (saved && screen && saved->c != 0 && saved->d != 0) {
        const QRect desktop = screen->virtualGeometry();
        if (saved->a + saved->c / 2 <= desktop.width() && saved->b + saved->d / 2 <= desktop.height())
            window.move(saved->a, saved->b);
    }
    window.show();
}

void TimerDesk::openTimer() { openInSlot<TimerWindow>(); }

void TimerDesk::openCountdown() { openInSlot<CountdownWindow>(); }

void TimerDesk::timerClosing()
{
    saveWindowPosition();
    slot_.clear();
}

void TimerDesk::saveWindowPosition()
{
    if (!slot_)
        return;
    // The frame's corner, as move() places it, so the window does not creep
    // by its title bar's height from one opening to the next.
    const QRect frame = slot_->frameGeometry();
    const SettingRect rect{frame.x(), frame.y(), frame.width(), frame.height()};
    app_.preferences().setRect(RectSetting::TimerWndPos, rect);
    app_.settingStore().setRect(settingName(RectSetting::TimerWndPos), rect);
    if (auto* timer = timerWindow())
        storeSettings(timer->settings());
    else if (auto* countdown = countdownWindow())
        storeSettings(countdown->settings());
}

// Only what changed is written, and only with change access: another
// session's schedule is not marked changed for a look at the clock.
void TimerDesk::storeSettings(const TimerSettings& settings)
{
    if (app_.initialising() || !app_.session().isOpen())
        return;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        if (timerSettingsOf(app_.session().schedule().header) == settings)
            return;
    }
    if (!app_.requestChangeAccess())
        return;
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    Schedule& schedule = app_.session().schedule();
    storeTimerSettings(schedule.header, settings);
    schedule.dirty = true;
}

void TimerDesk::closeWindows()
{
    if (!slot_)
        return;
    QPointer<QDialog> window = slot_;
    slot_.clear();
    window->disconnect(this);
    delete window.data();
}

// --- the second ------------------------------------------------------------------------------

void TimerDesk::second()
{
    if (TimerWindow* timer = timerWindow())
        timer->tick();
    if (CountdownWindow* countdown = countdownWindow(); countdown && countdown->tick())
        ring();
    refreshTimeline();
}

void TimerDesk::ring()
{
    if (app_.preferences().isOn(IntSetting::AlarmsSilent))
        return;
    if (ringer_)
        ringer_();
    else
        app_.alarms().playSound(app_.settingStore().string(kAlarmSoundSetting));
}

ZoneFiles TimerDesk::zoneFiles() const
{
    return {app_.settingStore().folder() / kZoneFileName, app_.session().settings().programFolder / kZoneFileName};
}

bool TimerDesk::reloadTable(bool tellProblem)
{
    std::optional<ZoneTableRead> read = loadZoneTable(zoneFiles().readable());
    if (!read) {
        table_.reset();
        return false;
    }
    // The dialogs write the table back: the zones after a damaged line
    // would be gone then, so the user hears of the damage first.
    if (tellProblem && read->problem)
        app_.messages().error(*read->problem);
    table_ = std::move(read->table);
    return true;
}

// The table is read again when its file changed, rather than every second.
void TimerDesk::refreshTimeline()
{
    if (!strip_ || app_.initialising() || !app_.session().isOpen())
        return;
    const bool wanted = app_.preferences().isOn(IntSetting::WorldTimeline);
    if (wanted) {
        std::error_code error;
        const std::filesystem::path file = zoneFiles().readable();
        const auto time = std::filesystem::last_write_time(file, error);
        if (error) {
            table_.reset();
            tableTime_.reset();
        } else if (time != tableTime_) {
            tableTime_ = time;
            reloadTable(false);
        }
        if (!localZone_)
            if (BackgroundWork::Hold hold = app_.backgroundWork().tryHold())
                localZone_ = localZoneOf(app_.session().schedule().header);
        followComputerZone();
    }
    std::vector<WorldTimelineStrip::Column> columns;
    if (wanted && table_ && localZone_)
        for (const Zone& zone : table_->zones)
            if (zone.shown) {
                const TimeValue t = zoneTime(*localZone_, zone.record, app_.today(), app_.now());
                columns.push_back({QString::fromStdString(zone.name + " " + timeText(t, app_.regional())),
                                   !isWorkingHours(t)});
            }
    strip_->setColumns(std::move(columns));
    bar_->setVisible(!strip_->columns().empty());
}

void TimerDesk::followComputerZone()
{
    if (!table_ || app_.now() == computerCheckedAt_)
        return;
    computerCheckedAt_ = app_.now();
    const ComputerZone computer = computerZone();
    if (!computer_) {
        computer_ = computer;  // start-up set the zone from this
        return;
    }
    if (computer.minutesWest == computer_->minutesWest && computer.daylightSaving == computer_->daylightSaving)
        return;
    BackgroundWork::Hold hold = app_.backgroundWork().tryHold();
    if (!hold)
        return;  // a save runs: the next minute tries again
    computer_ = computer;
    localZone_ = localZoneFor(computer, *table_);
    setLocalZoneField(app_.session().schedule().header, *localZone_);
}

// --- the dialogs ---------------------------------------------------------------------------------

void TimerDesk::showTodaysDollars()
{
    if (app_.initialising())
        return;
    DayDollars dollars;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        dollars = dayDollars(app_.session().schedule(), app_.today(), app_.clock());
    }
    TodaysDollarsBox box(dollars, QString::fromStdString(dateAndWeekday(app_.today(), app_.regional())), &app_.window());
    box.exec();
}

QString TimerDesk::computerSetting() const
{
    const ComputerZone computer = computerZone();
    const std::time_t now = static_cast<std::time_t>(app_.clock().unixSeconds());
    std::tm local{};
    localtime_r(&now, &local);
    const std::string& name = local.tm_isdst > 0 ? computer.daylightName : computer.standardName;
    return QString::fromStdString(offsetText(computer.minutesWest) + " " + name);
}

void TimerDesk::tableChanged(bool markChanged)
{
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    Schedule& schedule = app_.session().schedule();
    setShownZones(schedule.header, table_->shownCount());
    localZone_ = localZoneFor(computerZone(), *table_);
    setLocalZoneField(schedule.header, *localZone_);
    if (markChanged)
        schedule.dirty = true;
}

bool TimerDesk::writeTable()
{
    if (saveZoneTable(systemFileSystem(), zoneFiles().user, *table_) == 0) {
        tableTime_.reset();
        return true;
    }
    app_.messages().error(zoneFileWriteText());
    return false;
}

void TimerDesk::defineTimeZones()
{
    if (app_.initialising() || !app_.requestChangeAccess())
        return;
    if (!reloadTable(true))
        table_ = ZoneTable{};
    ZoneTable edited = *table_;
    DefineTimeZonesDialog dialog(edited, computerSetting(), app_.messages(), &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    table_ = std::move(edited);
    tableChanged(true);
    writeTable();
    refreshTimeline();
}

void TimerDesk::defineWorldTimeline()
{
    if (app_.initialising())
        return;
    if (!reloadTable(true) || table_->zones.empty()) {
        app_.messages().error(kZoneFileMissingText);
        return;
    }
    WorldTimelineDialog dialog(*table_, &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int before = table_->shownCount();
    const std::vector<bool> shown = dialog.shown();
    for (std::size_t i = 0; i < shown.size() && i < table_->zones.size(); ++i)
        table_->zones[i].shown = shown[i];
    if (table_->shownCount() > 0 && !app_.preferences().isOn(IntSetting::WorldTimeline)) {
        app_.preferences().setOn(IntSetting::WorldTimeline, true);
        app_.saveSettingsNow();
    }
    writeTable();
    if (table_->shownCount() != before && app_.requestChangeAccess())
        tableChanged(true);
    refreshTimeline();
}

} // namespace zk
