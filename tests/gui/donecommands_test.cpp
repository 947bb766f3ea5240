// The day's work driven from the window: SpaceBar on a selected task, the
// Done Special menu, F12 with its question, and the day change at midnight.

#include "desktopsupport.h"

#include "shell/menubar.h"
#include "sharing/additem.h"

#include <QMenu>

namespace zk::testsupport {
namespace {

constexpr int kProMode = 717;

class DoneCommandsTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        startSessionInActiveWindow();
        dispatch(kProMode);
        ASSERT_EQ(app->commands().menus().mode(), 3u) << ::testing::PrintToString(presenter.texts());
        // Saved before the tests move the clock, or the minute's watchdog
        // would rightly say the change waited too long for its save.
        waitForSave();
        presenter.clear();
    }

    // A floating task, or an appointment when it has a begin time.
    static NewItem newItem(DayNumber day, const std::string& text, int minutes, TimeValue begin = kNoTime)
    {
        NewItem item;
        item.day = day;
        item.text = text;
        item.record.setDuration(static_cast<std::uint16_t>(minutes));
        item.record.setKind(begin ? ItemKind::appointment : ItemKind::task);
        item.record.setFlag(begin ? ItemFlag::fAnchored : ItemFlag::fFloating, true);
        item.record.setBeginTime(static_cast<std::int16_t>(begin.value()));
        item.record.setPriorityLetter('A');
        return item;
    }
    // Added through the session, as the Insert key adds one.
    ItemHandle add(const NewItem& item)
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        AddResult added = app->session().addItem(item);
        EXPECT_EQ(added.status, AddStatus::Added);
        return added.item;
    }
    ItemHandle addTask(DayNumber day, const std::string& text, int minutes) { return add(newItem(day, text, minutes)); }

    QAction* menuAction(const QString& menuTitle, const QString& text)
    {
        QMenu* menu = app->commands().menus().popup(menuTitle.toStdString());
        if (!menu)
            return nullptr;
        for (QAction* action : menu->actions())
            if (QMenu* sub = action->menu(); sub && sub->title().remove('&') == "Done Special")
                for (QAction* item : sub->actions())
                    if (item->text().remove(QLatin1Char('&')).startsWith(text))
                        return item;
        return nullptr;
    }

    bool occurrenceDoneOn(ItemHandle definition, DayNumber day)
    {
        for (const DayEntry& e : schedule().findDay(day)->entries())
            if (schedule().recurrences.definitionOf(e.item) == definition)
                return schedule().record(e.item).has(ItemFlag::fDone);
        return false;
    }

    bool doneOn(ItemHandle item, DayNumber day)
    {
        std::optional<std::size_t> at = schedule().entryOf(item, day);
        return at && schedule().record(schedule().findDay(day)->entries()[*at].item).has(ItemFlag::fDone);
    }
};

TEST_F(DoneCommandsTest, SpaceBarAndTheDoneSpecialMenuMarkTheSelectedTask)
{
    const DayNumber today = app->today();
    clock.set(LocalMoment{2024, 3, 11, 10, 30, 0});
    ItemHandle write = addTask(today, "Write the minutes", 60);
    app->showDay(today);
    ASSERT_TRUE(area().selectItemOn(today, write));

    QTest::keyClick(&app->window(), Qt::Key_Space);
    ASSERT_TRUE(doneOn(write, today)) << paneText();
    EXPECT_FALSE(schedule().record(write).has(ItemFlag::fFloating));
    saveScreenshot(app->window(), "done-spacebar");
    QTest::keyClick(&app->window(), Qt::Key_Space);
    EXPECT_FALSE(doneOn(write, today)) << "SpaceBar on a done task undoes it";

    ItemHandle call = addTask(today, "Call the plumber", 20);
    app->showDay(today);
    ASSERT_TRUE(area().selectItemOn(today, call));
    QAction* cancelled = menuAction("Edit", "Cancelled");
    ASSERT_NE(cancelled, nullptr);
    cancelled->trigger();
    std::optional<std::size_t> at = schedule().entryOf(call, today);
    ASSERT_TRUE(at.has_value());
    EXPECT_EQ(schedule().storedDescription(call), "[cancelled] Call the plumber");
    EXPECT_TRUE(shows("[cancelled] Call the plumber")) << paneText();
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

TEST_F(DoneCommandsTest, F12AsksAndCarriesYesterdaysUndoneTaskToToday)
{
    const DayNumber today = app->today();
    {
        // Yesterday is not archived: it still holds undone work.
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        schedule().header.setLastPastDay(today - 2);
    }
    NewItem item = newItem(today - 1, "Forgotten errand", 30);
    item.record.setFlag(ItemFlag::fFloating, false);  // a past day's task does not float
    ItemHandle errand = add(item);
    ASSERT_TRUE(schedule().entryOf(errand, today - 1).has_value());

    QTest::keyClick(&app->window(), Qt::Key_F12);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Would you like to carry over all undone items to today?"});
    EXPECT_FALSE(schedule().entryOf(errand, today).has_value()) << "declined";

    presenter.queueAnswer(Answer::Yes);
    QTest::keyClick(&app->window(), Qt::Key_F12);
    EXPECT_TRUE(schedule().entryOf(errand, today).has_value());
    EXPECT_FALSE(schedule().entryOf(errand, today - 1).has_value());
    app->showDay(today);
    EXPECT_TRUE(shows("Forgotten errand")) << paneText();
    saveScreenshot(app->window(), "carried-over");
}

TEST_F(DoneCommandsTest, TheDayChangeAtMidnightDoesTheDaysWork)
{
    const DayNumber today = app->today();
    ItemHandle errand = addTask(today, "Unfinished errand", 30);
    ItemHandle meeting = add(newItem(today, "Late meeting", 30, TimeValue::fromClock(17, 0)));
    NewItem daily = newItem(today, "Daily stand-up", 15, TimeValue::fromClock(9, 0));
    RecurrenceRecord rule;
    rule.setTypeByte(RecurType::daily);
    rule.setInterval(1);
    rule.setStartDay(today);
    daily.recurrence = rule;
    ItemHandle standUp = add(daily);
    {
        // The automatic done and carry-over of the PRO mode's preferences.
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        setHeaderOption(schedule().header, HeaderOption::AutomaticCarryOver, true);
        setHeaderOption(schedule().header, HeaderOption::AutoDoneAppointments, true);
    }
    clock.set(LocalMoment{2024, 3, 12, 0, 1, 0});
    app->tick();
    const DayNumber tomorrow = today + 1;
    EXPECT_EQ(app->today(), tomorrow);
    EXPECT_TRUE(doneOn(meeting, today)) << "the appointment of yesterday is done";
    EXPECT_TRUE(schedule().entryOf(errand, tomorrow).has_value()) << "the undone task moved on";
    EXPECT_EQ(app->window().dayPane().day(), tomorrow);
    EXPECT_TRUE(shows("/Unfinished errand")) << paneText();
    EXPECT_TRUE(shows("Daily stand-up")) << "the new day's occurrence:\n" << paneText();
    EXPECT_TRUE(occurrenceDoneOn(standUp, today)) << "yesterday's occurrence is done";
    saveScreenshot(app->window(), "day-changed");
}

} // namespace
} // namespace zk::testsupport
