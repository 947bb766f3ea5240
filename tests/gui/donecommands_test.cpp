// The day's work driven from the window: SpaceBar on a selected task, the
// Done Special menu, the commands on a list view's item, where the selection
// goes after done, F12 with its question, and the day change at midnight.

#include "desktopsupport.h"

#include "engine/done.h"
#include "shell/listviewcommands.h"
#include "shell/menubar.h"
#include "shell/model/settings.h"
#include "shell/model/surprise.h"
#include "sharing/additem.h"
#include "views/listpane.h"

#include <algorithm>

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
    QAction* cancelled = menuAction(static_cast<int>(DoneHow::Cancelled), "Edit");
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
    waitForSave();
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

// In a list view the commands on the selection act on the list's item, not
// on the day pane's entry. Back on the day, hidden done items send the
// selection on to the next undone entry, and auto-advance moves it on from
// an entry just done.
TEST_F(DoneCommandsTest, CommandsActOnTheListsItemAndTheSelectionMovesOnAfterDone)
{
    const DayNumber today = app->today();
    clock.set(LocalMoment{2024, 3, 11, 10, 30, 0});
    const ItemHandle first = addTask(today, "First errand", 30);
    const ItemHandle second = addTask(today, "Second errand", 30);
    const ItemHandle third = addTask(today, "Third errand", 30);
    app->showDay(today);
    ASSERT_TRUE(area().selectItemOn(today, first));

    dispatch(Command::allItemsView);
    ListPane& list = app->commands().lists().pane();
    ASSERT_TRUE(list.selectItem(second));
    QTest::keyClick(&app->window(), Qt::Key_Space);
    EXPECT_TRUE(doneOn(second, today)) << "the list's item";
    EXPECT_FALSE(doneOn(first, today)) << "not the day pane's";
    EXPECT_EQ(list.selectedItem(), second);
    ASSERT_TRUE(list.selectItem(third));
    QTest::keyClick(&app->window(), Qt::Key_F3);  // Key, a property command
    EXPECT_TRUE(schedule().record(third).has(ItemFlag::fKey));
    EXPECT_FALSE(schedule().record(first).has(ItemFlag::fKey));
    saveScreenshot(app->window(), "done-in-list");

    // The entry after the item on today's list, and whether it is done.
    auto entryAfter = [&](ItemHandle item, bool undoneOnly) {
        const std::vector<DayEntry>& entries = schedule().findDay(today)->entries();
        auto at = std::find_if(entries.begin(), entries.end(), [&](const DayEntry& e) { return e.item == item; });
        for (auto next = at + 1; at != entries.end() && next != entries.end(); ++next)
            if (!undoneOnly || !schedule().record(next->item).has(ItemFlag::fDone))
                return next->item;
        return kNoItem;
    };
    dispatch(Command::singleView);
    app->preferences().setOn(IntSetting::EnableHideDoneItems, true);
    dispatch(Command::hideDoneItems);
    ASSERT_TRUE(area().selectItemOn(today, first));
    QTest::keyClick(&app->window(), Qt::Key_Space);
    ASSERT_TRUE(doneOn(first, today));
    ASSERT_TRUE(entryAfter(first, true));
    EXPECT_EQ(area().selectedItem(), entryAfter(first, true)) << "off the hidden done item";

    dispatch(Command::hideDoneItems);
    app->preferences().setOn(IntSetting::AutoAdvance, true);
    ASSERT_TRUE(area().selectItemOn(today, third));
    QTest::keyClick(&app->window(), Qt::Key_Space);
    ASSERT_TRUE(doneOn(third, today));
    ASSERT_TRUE(entryAfter(third, false));
    EXPECT_EQ(area().selectedItem(), entryAfter(third, false)) << "on to the next entry";
}

} // namespace
} // namespace zk::testsupport

