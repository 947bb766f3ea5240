#pragma once
// The alarms of a desktop session: the minute's check, the bell that rings
// (the question in the program's window, the desktop notification, the
// sound), the commands "Alarms off" (151) and Alarm Sound (393), and the
// alarm dialog behind the item dialog's Alarm button.
//
// Where no notification service or sound device exists (a bare X server,
// CI), the question still shows and the error log says once what could not
// be used. The question stays the authority for the repeat: the
// notification's "Repeat later" answers it Yes, "Open item" brings the
// window and the item's day forward.
//
// Runs on the user-interface thread.

#ifndef Q_MOC_RUN
#include "core/itemrecord.h"
#include "platform/programlauncher.h"
#include "worktools/model/alarmcheck.h"
#include "worktools/model/execitems.h"
#endif

#include <QObject>

#include <memory>
#include <string>

class QWidget;

namespace zk {

class DesktopApp;
class NotificationService;
class SettingStore;
class SoundService;

inline constexpr int kAlarmsOffCommand = 151;
inline constexpr int kAlarmSoundCommand = 393;

class AlarmDesk final : public QObject, private AlarmBell {
    Q_OBJECT
public:
    // Without services given, the Linux ones.
    AlarmDesk(DesktopApp& app, SettingStore& settings, NotificationService* notifications = nullptr,
              SoundService* sound = nullptr, ProgramLauncher* launcher = nullptr);
    ~AlarmDesk() override;

    // The commands and the item dialog's Alarm button.
    void install();
    // The minute's work: the sound again for an open question, the items
    // that run something as they begin, then the check.
    void minute();
    // Today's reminders days ahead, once a day (start-up, day change).
    void postReminders();
    // The alarm dialog over a record; false when cancelled.
    bool editAlarm(QWidget* parent, ItemRecord& record);
    void chooseSound(QWidget* parent);
    // Plays the setting's sound as an alarm does.
    void playSound(const std::string& value);
    bool alarmsOff() const;
    // An alarm's question waits for its answer.
    bool questionOpen() const { return !ringing_.empty(); }
    void toggleAlarmsOff();

private:
    bool ring(const RingingAlarm& alarm) override;
    std::optional<int> askRepeatMinutes(int proposal) override;
    void notificationAction(std::uint32_t id, const std::string& action);
    void dialPager();
    void ringChimes();
    void logOnce(bool& logged, const char* text);
    bool askExec(const std::string& question);
    template <class Show>
    void presenting(Show show);

    DesktopApp& app_;
    SettingStore& settings_;
    std::unique_ptr<NotificationService> ownNotifications_;
    std::unique_ptr<SoundService> ownSound_;
    NotificationService& notifications_;
    SoundService& sound_;
    std::unique_ptr<ProgramLauncher> ownLauncher_;
    ProgramLauncher& launcher_;
    AlarmCheck check_;
    ExecCheck exec_;
    // The open questions' notifications, by notification id: the alarm text.
    std::map<std::uint32_t, std::string> ringing_;
    std::map<std::uint32_t, std::uint32_t> ringingItems_;
    DayNumber remindedDay_;
    bool noNotificationsLogged_ = false;
    bool noSoundLogged_ = false;
};

extern const char* const kNoNotificationServiceText;
extern const char* const kNoSoundDeviceText;
extern const char* const kDialingPagerText;
extern const char* const kNoTelephoneHandlerText;

} // namespace zk
