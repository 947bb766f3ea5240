// Timers and time zones in a running session: the Timer from its key and
// toolbar button, the Countdown Timer from its key ringing at zero (the one
// slot closes the Timer), TimerWndPos and the countdown's span kept on
// closing, Today's Dollars, the Define Time Zones dialog writing
// timezone.lst, and the World Timeline strip the Define World Timeline
// dialog switches on. Each window is photographed.

#include "desktopsupport.h"
#include "tests/lockfilesupport.h"

#include "shell/menubar.h"
#include "worktools/model/timers.h"
#include "worktools/model/timezones.h"
#include "worktools/timerdesk.h"
#include "worktools/timerwindows.h"
#include "worktools/zonewindows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolBar>

#include <fstream>

namespace zk::testsupport {
namespace {

class TimersWindowTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        startSessionInActiveWindow();
        app->timers().setRinger([this] { ++rings; });
    }
    // One second of the session: the clock moves on and the tick runs.
    void second()
    {
        clock.advanceSeconds(1);
        app->tick();
    }
    void press(int key)
    {
        app->window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&app->window()));
        QTest::keyClick(&app->window(), static_cast<Qt::Key>(key), Qt::ShiftModifier);
    }
    QAction* toolbarButton(int command)
    {
        for (QAction* action : app->commands().menus().toolBar()->actions())
            if (action->data().toInt() == command)
                return action;
        return nullptr;
    }
    template <class T>
    T* control(QWidget* window, const char* id)
    {
        return window->findChild<T*>(id);
    }
    std::string header(std::size_t offset) { return std::to_string(schedule().header.u16(offset)); }

    // The computer's zone decides the local one: universal time here.
    ScopedVariable zone{"TZ", "UTC"};
    int rings = 0;
};

TEST_F(TimersWindowTest, TheTimerAndTheCountdownShareOneWindowSlot)
{
    ASSERT_NE(menuAction(kTimerCommand, "Worktools"), nullptr);
    press(Qt::Key_T);
    TimerWindow* timer = app->timers().timerWindow();
    ASSERT_NE(timer, nullptr) << "Shift+T";
    EXPECT_EQ(timer->stopwatch().state(), TimerState::started) << "it runs as soon as it opens";
    EXPECT_EQ(timer->elapsedText(), "00:00:00");
    control<QLineEdit>(timer, "153")->setText("60");
    control<QLineEdit>(timer, "153")->editingFinished();
    click(control<QRadioButton>(timer, "156"));
    for (int i = 0; i < 65; ++i)
        second();
    EXPECT_EQ(timer->elapsedText(), " 1:05");
    EXPECT_EQ(timer->costText(), "   1.08");
    saveScreenshot(*timer, "timer");
    click(control<QPushButton>(timer, "150"));
    EXPECT_EQ(timer->elapsedText(), "0:00");
    click(control<QPushButton>(timer, "150"));
    EXPECT_EQ(timer->elapsedText(), " 1:05") << "a second Reset brings it back";
    EXPECT_EQ(timer->stopwatch().state(), TimerState::paused);

    // Shift+D puts the countdown in the slot; the timer closes, and its
    // rate goes into the header.
    press(Qt::Key_D);
    CountdownWindow* countdown = app->timers().countdownWindow();
    ASSERT_NE(countdown, nullptr) << "Shift+D";
    EXPECT_EQ(app->timers().timerWindow(), nullptr);
    EXPECT_EQ(timerSettingsOf(schedule().header).rate, 60.0F);
    EXPECT_EQ(timerSettingsOf(schedule().header).unit, RateUnit::perHour);
    control<QSpinBox>(countdown, "55")->setValue(0);
    control<QSpinBox>(countdown, "56")->setValue(5);
    click(control<QPushButton>(countdown, "148"));
    for (int i = 0; i < 5; ++i)
        second();
    EXPECT_EQ(rings, 0);
    EXPECT_EQ(countdown->remainingText(), "0:00");
    second();
    EXPECT_EQ(rings, 1) << "the sixth second rings";
    second();
    second();
    EXPECT_EQ(rings, 1) << "once";
    EXPECT_EQ(countdown->remainingText(), "-0:03");
    saveScreenshot(*countdown, "countdown-timer");
    click(control<QPushButton>(countdown, "149"));
    second();
    EXPECT_EQ(countdown->remainingText(), "-0:03") << "stopped";

    countdown->move(120, 90);
    countdown->close();
    QTest::qWait(0);
    EXPECT_EQ(app->timers().countdownWindow(), nullptr);
    const std::optional<SettingRect> saved = settings.rect("TimerWndPos");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->a, app->preferences().rect(RectSetting::TimerWndPos)->a);
    EXPECT_EQ(header(ScheduleHeader::countdownSecondsAt), "5");
    EXPECT_TRUE(schedule().dirty);

    // The toolbar's button opens the timer again.
    QAction* button = toolbarButton(kTimerCommand);
    ASSERT_NE(button, nullptr);
    button->trigger();
    ASSERT_NE(app->timers().timerWindow(), nullptr);
    EXPECT_EQ(control<QLineEdit>(app->timers().timerWindow(), "153")->text(), "60.00");
}

TEST_F(TimersWindowTest, TimeZonesAreDefinedAndTheWorldTimelineShowsThem)
{
    const std::filesystem::path userTable = home.config() / kZoneFileName;
    onModal<DefineTimeZonesDialog>([this](DefineTimeZonesDialog& dialog) {
        auto* names = control<QComboBox>(&dialog, "1102");
        ASSERT_GT(names->count(), 5);
        EXPECT_EQ(names->currentText(), "New York");
        EXPECT_FALSE(control<QCheckBox>(&dialog, "1111")->isChecked());
        EXPECT_EQ(control<QComboBox>(&dialog, "1103")->currentText(), "Second");
        EXPECT_EQ(control<QComboBox>(&dialog, "1105")->currentText(), "March");
        saveScreenshot(dialog, "define-time-zones");
        // A bad offset keeps the zone shown; a good one is taken.
        typeInto(control<QLineEdit>(&dialog, "1101"), "five");
        names->activated(1);
        EXPECT_EQ(names->currentIndex(), 0);
        EXPECT_EQ(presenter.texts().back(), "invalid time zone value five");
        typeInto(control<QLineEdit>(&dialog, "1101"), "4:30");
        click(control<QCheckBox>(&dialog, "1111"));
        EXPECT_FALSE(control<QComboBox>(&dialog, "1104")->isEnabled());
        names->setCurrentIndex(1);
        names->activated(1);
        EXPECT_EQ(control<QLineEdit>(&dialog, "1101")->text(), "6:00");
        pressOk(dialog);
    });
    dispatch(kTimeZonesCommand);
    std::optional<ZoneTableRead> written = loadZoneTable(userTable);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->table.zones[0].record, (ZoneRecord{270, false, {}, {}}));
    EXPECT_TRUE(schedule().dirty);

    // Tokyo and London on the strip, New York too (its flag in the file).
    onModal<WorldTimelineDialog>([this](WorldTimelineDialog& dialog) {
        auto* cities = control<QListWidget>(&dialog, "1321");
        for (int i = 0; i < cities->count(); ++i)
            cities->item(i)->setSelected(cities->item(i)->text() == "New York" || cities->item(i)->text() == "London"
                                         || cities->item(i)->text() == "Tokyo");
        saveScreenshot(dialog, "world-timeline-dialog");
        pressOk(dialog);
    });
    dispatch(kWorldTimelineCommand);
    EXPECT_TRUE(app->preferences().isOn(IntSetting::WorldTimeline));
    EXPECT_EQ(shownZonesOf(schedule().header), 3);
    second();
    const auto& columns = app->timers().timeline().columns();
    ASSERT_EQ(columns.size(), 3U);
    EXPECT_TRUE(app->timers().timelineBar().isVisible());
    // 8:00 here, at universal time, which London shares on 11 March: New
    // York, now 4:30 west of it, is at 3:30, Tokyo at 17:00, the last
    // minute of its working day.
    EXPECT_EQ(columns[0].text.toStdString(), "New York 3:30a");
    EXPECT_TRUE(columns[0].inverted);
    EXPECT_EQ(columns[1].text.toStdString(), "London 8:00a");
    EXPECT_FALSE(columns[1].inverted);
    EXPECT_EQ(columns[2].text.toStdString(), "Tokyo 5:00p");
    EXPECT_FALSE(columns[2].inverted);
    QTest::qWait(50);
    saveScreenshot(app->window(), "world-timeline");

    // The computer moves to Tokyo: within a minute its zone is the local one.
    ::setenv("TZ", "JST-9", 1);
    for (int i = 0; i < 60; ++i)
        second();
    EXPECT_EQ(localZoneOf(schedule().header).minutesWest, -540);
    EXPECT_EQ(columns[2].text.toStdString(), "Tokyo 8:01a");
}

TEST_F(TimersWindowTest, TodaysDollarsShowsTheDaysValues)
{
    onModal<TodaysDollarsBox>([](TodaysDollarsBox& box) {
        EXPECT_FALSE(box.findChildren<QLabel*>().isEmpty());
        saveScreenshot(box, "todays-dollars");
        pressOk(box);
    });
    dispatch(kTodaysDollarsCommand);
}

} // namespace
} // namespace zk::testsupport
