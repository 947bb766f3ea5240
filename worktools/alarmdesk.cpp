#include "worktools/alarmdesk.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "core/text.h"
#include "engine/suntimes.h"
#include "platform/clock.h"
#include "platform/errorlog.h"
#include "platform/messages.h"
#include "platform/settingstore.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/mobilecommands.h"
#include "shell/messagebox.h"
#include "shell/model/commanddispatch.h"
#include "sharing/session.h"
#include "worktools/alarmdialogs.h"
#include "worktools/linuxalarmservices.h"
#include "worktools/model/alarmsound.h"
#include "worktools/model/reminders.h"
#include "worktools/model/telephone.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace zk {

const char* const kNoNotificationServiceText =
    "No desktop notification service on the session bus: alarms show only in Zelkon's window.";
const char* const kDialingPagerText = "Dialing pager ";
const char* const kNoTelephoneHandlerText = "No program of this desktop dials tel: links; the pager was not called.";
const char* const kNoSoundDeviceText = "No sound device could be opened: alarms beep instead of playing their sound.";

namespace {

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

bool withScheduleOf(DesktopApp& app, const std::function<void()>& step)
{
    BackgroundWork::Hold hold = app.backgroundWork().tryHold();
    if (!hold)
        return false;
    step();
    return true;
}

} // namespace

AlarmDesk::AlarmDesk(DesktopApp& app, SettingStore& settings, NotificationService* notifications, SoundService* sound,
                     ProgramLauncher* launcher)
    : app_(app), settings_(settings),
      ownNotifications_(notifications ? nullptr : std::make_unique<DesktopNotifications>()),
      ownSound_(sound ? nullptr : std::make_unique<CanberraSound>()),
      notifications_(notifications ? *notifications : *ownNotifications_), sound_(sound ? *sound : *ownSound_),
      ownLauncher_(launcher ? nullptr : std::make_unique<LinuxProgramLauncher>()),
      launcher_(launcher ? *launcher : *ownLauncher_),
      check_(AlarmCheckServices{
          .session = app.session(),
          .bell = *this,
          .today = [&app] { return app.today(); },
          .now = [&app] { return app.now(); },
          .withSchedule = [&app](const std::function<void()>& step) { return withScheduleOf(app, step); },
          .save = [&app] { app.session().save(); },
          .clockText = [&app](TimeValue t) { return timeText(t, app.regional()); },
          .alarmsOff = [this] { return alarmsOff(); },
          .allStations = [&app] { return app.preferences().isOn(IntSetting::AlarmsShared); },
      }),
      exec_(ExecCheckServices{
          .session = app.session(),
          .launcher = launcher_,
          .today = [&app] { return app.today(); },
          .now = [&app] { return app.now(); },
          .withSchedule = [&app](const std::function<void()>& step) { return withScheduleOf(app, step); },
          .save = [&app] { app.session().save(); },
          .clockText = [&app](TimeValue t) { return timeText(t, app.regional()); },
          .ask = [this](const std::string& question) { return askExec(question); },
          .playSound =
              [this] {
                  if (!app_.preferences().isOn(IntSetting::AlarmsSilent))
                      playSound(settings_.string(kAlarmSoundSetting));
              },
          .showToday = [&app] { app.showDay(app.today()); },
      })
{
    notifications_.setActionHandler(
        [this](std::uint32_t id, const std::string& action) { notificationAction(id, action); });
}

AlarmDesk::~AlarmDesk() = default;

void AlarmDesk::install()
{
    CommandDispatcher& dispatcher = app_.commands().dispatcher();
    app_.commands().itemDialogTools().editAlarm = [this](QWidget* parent, ItemRecord& record) {
        return editAlarm(parent, record);
    };
    dispatcher.setHandler(kAlarmsOffCommand, [this](int) { toggleAlarmsOff(); });
    dispatcher.setHandler(kAlarmSoundCommand, [this](int) { chooseSound(&app_.window()); });
}

bool AlarmDesk::alarmsOff() const { return app_.preferences().windowRow().alarmsOff != 0; }

void AlarmDesk::toggleAlarmsOff()
{
    int& off = app_.preferences().windowRow().alarmsOff;
    off = off ? 0 : 1;
    app_.commands().refresh();
}

void AlarmDesk::minute()
{
    if (app_.initialising())
        return;
    ringChimes();
    const Settings& preferences = app_.preferences();
    if (check_.openAlarms() > 0 && !preferences.isOn(IntSetting::AlarmsRingOnce) &&
        !preferences.isOn(IntSetting::AlarmsSilent))
        playSound(settings_.string(kAlarmSoundSetting));
    // Checked out, the schedule's alarms ring where it is being worked on.
    if (app_.commands().mobile().checkedOut())
        return;
    if (!alarmsOff())
        exec_.check();
    check_.check();
}

void AlarmDesk::postReminders()
{
    if (app_.initialising() || alarmsOff())
        return;
    const DayNumber today = app_.today();
    if (today == remindedDay_)
        return;
    std::vector<Reminder> due;
    if (!withScheduleOf(app_, [&] {
            if (app_.session().isOpen())
                due = remindersDue(app_.session().schedule(), today);
        }))
        return;  // the next minute
    remindedDay_ = today;
    const std::string text = remindersText(due, app_.regional());
    if (text.empty())
        return;
    if (notifications_.available())
        notifications_.notify("Zelkon", text);
    presenting([&] { app_.messages().information(text); });
}

// While a question of the alarms is open, nothing archives the day it is about.
template <class Show>
void AlarmDesk::presenting(Show show)
{
    std::atomic<bool>& presented = app_.state().alarmPresented;
    const bool before = presented.exchange(true);
    show();
    presented = before;
}

// No is the default: a stray Enter never starts a program. Scripted and
// unattended runs answer through the message service (No unless told).
bool AlarmDesk::askExec(const std::string& question)
{
    auto* boxes = dynamic_cast<MessageBoxPresenter*>(&app_.messages().presenter());
    if (!boxes || boxes->mode() == MessageBoxPresenter::Mode::Unattended || boxes->stopped()) {
        bool yes = false;
        presenting([&] { yes = app_.messages().question(question) == Answer::Yes; });
        return yes;
    }
    QMessageBox box(QMessageBox::Question, fromUtf8(app_.messages().caption()), fromUtf8(question),
                    QMessageBox::Yes | QMessageBox::No, &app_.window());
    box.setDefaultButton(QMessageBox::No);
    app_.window().raise();
    bool yes = false;
    presenting([&] { yes = box.exec() == QMessageBox::Yes; });
    return yes;
}

// Chimes keep to the sound: no beep stands in for a missing file or device.
void AlarmDesk::ringChimes()
{
    const Settings& preferences = app_.preferences();
    if (preferences.isOn(IntSetting::AlarmsSilent))
        return;
    const TimeValue now = app_.now();
    std::optional<std::string> name;
    if (preferences.isOn(IntSetting::Chimes))
        name = chimeName(now);
    if (!name && preferences.isOn(IntSetting::SunChimes)) {
        const SunTimes sun = sunTimes(app_.today(), preferences.real(RealSetting::Latitude),
                                      preferences.real(RealSetting::Longitude), utcOffsetMinutes(app_.clock().localNow()));
        if (sun.rise == now || sun.set == now)
            name = fullHourChime();
    }
    if (!name)
        return;
    if (std::optional<std::filesystem::path> file =
            findChime(*name, app_.session().files().folder(), systemSoundFolder()))
        if (!sound_.play(*file))
            logOnce(noSoundLogged_, kNoSoundDeviceText);
}

void AlarmDesk::logOnce(bool& logged, const char* text)
{
    if (logged)
        return;
    logged = true;
    appendErrorLogLine(app_.session().files().folder(), timeText(app_.now(), app_.regional()),
                       shortDate(app_.today(), app_.regional()), text);
}

void AlarmDesk::playSound(const std::string& value)
{
    AlarmSound sound = alarmSoundOf(value, systemSoundFolder());
    switch (sound.kind) {
    case AlarmSound::Kind::Silent: return;
    case AlarmSound::Kind::Beep: sound_.beep(); return;
    case AlarmSound::Kind::Missing: app_.messages().error(soundNotFoundText(sound.file)); return;
    case AlarmSound::Kind::File:
        if (sound_.play(sound.file))
            return;
        logOnce(noSoundLogged_, kNoSoundDeviceText);
        sound_.beep();
        return;
    }
}

void AlarmDesk::dialPager()
{
    placeCall(launcher_, app_.messages(), settings_.string(kPagerNumberSetting),
              {kDialingPagerText, kNoTelephoneHandlerText});
}

bool AlarmDesk::ring(const RingingAlarm& alarm)
{
    if (alarm.dialPager)
        dialPager();
    if (!app_.preferences().isOn(IntSetting::AlarmsSilent))
        playSound(settings_.string(kAlarmSoundSetting));
    std::uint32_t notice = 0;
    if (notifications_.available())
        notice = notifications_.notify("Zelkon", alarm.itemText + " scheduled to " + alarm.message);
    else
        logOnce(noNotificationsLogged_, kNoNotificationServiceText);
    if (notice) {
        ringing_[notice] = alarm.text;
        ringingItems_[notice] = alarm.itemId;
    }
    app_.window().raise();
    bool again = false;
    presenting([&] { again = app_.messages().question(alarm.text) == Answer::Yes; });
    if (notice) {
        notifications_.close(notice);
        ringing_.erase(notice);
        ringingItems_.erase(notice);
    }
    return again;
}

// The notification's actions work through the question it stands for.
void AlarmDesk::notificationAction(std::uint32_t id, const std::string& action)
{
    auto open = ringing_.find(id);
    if (open == ringing_.end())
        return;
    const QString text = fromUtf8(open->second);
    QMessageBox* question = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible() && box->text() == text)
            question = box;
    if (action == kRepeatLaterAction) {
        if (question && question->button(QMessageBox::Yes))
            question->button(QMessageBox::Yes)->click();
        return;
    }
    if (action == kOpenItemAction) {
        app_.window().showNormal();
        app_.window().raise();
        app_.window().activateWindow();
        app_.showDay(app_.today());
        if (question)
            question->activateWindow();
    }
}

std::optional<int> AlarmDesk::askRepeatMinutes(int proposal)
{
    RepeatAlarmDialog dialog(proposal, app_.messages(), &app_.window());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.minutes();
}

bool AlarmDesk::editAlarm(QWidget* parent, ItemRecord& record)
{
    AlarmSettings settings = alarmSettingsOf(record, settings_.string(kPagerNumberSetting));
    AlarmSetBox box(settings, record.has(ItemFlag::fAnchored), app_.messages(), [this, parent] { chooseSound(parent); },
                    parent);
    if (box.exec() != QDialog::Accepted)
        return false;
    applyAlarmSettings(record, box.settings());
    settings_.setValue(kPagerNumberSetting, box.settings().pagerNumber);
    if (alarmsOff())
        app_.messages().information(kAlarmsOffWarningText);
    return true;
}

void AlarmDesk::chooseSound(QWidget* parent)
{
    SetAlarmSoundDialog dialog(settings_.string(kAlarmSoundSetting), [this](const std::string& value) { playSound(value); },
                               parent);
    if (dialog.exec() == QDialog::Accepted)
        settings_.setValue(kAlarmSoundSetting, dialog.value());
}

} // namespace zk
