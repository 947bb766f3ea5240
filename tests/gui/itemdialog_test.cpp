// The item definition dialog driven as a user drives it: typing into its
// fields, leaving them, pressing its buttons; and what OK and Cancel leave
// in the schedule. Each form is photographed for review.

#include "guitestmain.h"

#include "core/calendar.h"
#include "core/schedule.h"
#include "editing/itemdialog.h"
#include "engine/plistorder.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "shell/model/backgroundwork.h"
#include "storage/datafile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace zk {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

constexpr DayNumber kToday{16000};  // Saturday 21 October 2023; now 10:00

class ItemDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApplication();
        std::string pattern = (fs::temp_directory_path() / "zelkon-itemdialog-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        Schedule empty;
        empty.header.setInterfaceMode(3);  // PRO: every form
        ASSERT_TRUE(saveDataFile(empty, folder / "timedata.pak"));
        SessionSettings settings;
        settings.folder = folder;
        settings.userName = "tester";
        settings.pause = [](std::chrono::milliseconds) { return false; };
        session = std::make_unique<Session>(std::move(settings), clock, messages);
        ASSERT_TRUE(session->open());
    }
    void TearDown() override
    {
        dialog.reset();
        session.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        installFaultHandler(previousHandler);
    }

    void open(int command, ItemHandle item = kNoItem, DayNumber day = kToday)
    {
        dialog = std::make_unique<ItemDialog>(*session, work, ItemDialogRequest{command, item, {}, {}, day});
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    QLineEdit* edit(int id)
    {
        auto* e = qobject_cast<QLineEdit*>(dialog->control(id));
        EXPECT_NE(e, nullptr) << id;
        return e;
    }
    // Types into the field as the user does: into it, over what it shows,
    // and out with Tab.
    void type(int id, const char* text)
    {
        QLineEdit* e = edit(id);
        e->setFocus();
        e->selectAll();
        QTest::keyClicks(e, QString::fromUtf8(text));
        QTest::keyClick(e, Qt::Key_Tab);
    }
    void choose(int id, const char* text) { QTest::keyClicks(dialog->control(id), QString::fromUtf8(text)); }
    void press(QDialogButtonBox::StandardButton which)
    {
        QPushButton* button = dialog->findChild<QDialogButtonBox*>()->button(which);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void screenshot(const char* name)
    {
        fs::create_directories(ZELKON_SCREENSHOT_DIR);
        QTest::qWait(20);
        EXPECT_TRUE(dialog->grab().save(QStringLiteral(ZELKON_SCREENSHOT_DIR "/item-%1.png").arg(name)));
    }
    Schedule& schedule() { return session->schedule(); }
    std::optional<DayEntry> entryOf(ItemHandle h)
    {
        std::optional<EntryRef> at = schedule().scheduledAnywhere(h);
        if (!at)
            return std::nullopt;
        return schedule().findDay(at->day)->entries()[at->index];
    }
    ItemHandle added()
    {
        EXPECT_FALSE(dialog->isVisible()) << "OK closes the dialog";
        EXPECT_EQ(dialog->result().status, CommitStatus::Stored);
        return dialog->result().item;
    }
    ItemHandle addAppointment(const char* text, int begin, int minutes)
    {
        NewItem item;
        item.day = kToday;
        item.record = schedule().templateItem;
        item.record.setKind(ItemKind::appointment);
        item.record.setBeginTime(static_cast<std::int16_t>(begin));
        item.record.setFlag(ItemFlag::fAnchored, true);
        item.record.setDuration(static_cast<std::uint16_t>(minutes));
        item.text = text;
        return session->addItem(item).item;
    }

    fs::path folder;
    FixedClock clock{LocalMoment{2023, 10, 21, 10, 0, 0}};
    ScriptedPresenter presenter;
    Messages messages{presenter};
    BackgroundWork work;
    ThrowingFaultHandler faults;
    FaultHandler* previousHandler = installFaultHandler(&faults);
    std::unique_ptr<Session> session;
    std::unique_ptr<ItemDialog> dialog;
};

TEST_F(ItemDialogTest, AFloatingTaskWithPriorityALandsInTheFirstFreeGap)
{
    ItemHandle standup = addAppointment("Standup", 631, 60);  // 10:30..11:30
    open(ItemCommand::task);
    EXPECT_EQ(dialog->windowTitle(), "Task");
    EXPECT_EQ(dialog->objectName(), "Item--Task");
    type(ControlId::text, "Write report");
    type(ControlId::duration, "45");
    choose(ControlId::priority, "A");
    screenshot("task");
    press(QDialogButtonBox::Ok);

    ItemHandle h = added();
    EXPECT_EQ(schedule().storedDescription(h), "Write report");
    EXPECT_EQ(schedule().record(h).priorityLetter(), 'A');
    EXPECT_TRUE(findPlistEntry(schedule(), h));
    ASSERT_TRUE(entryOf(h));
    EXPECT_EQ(entryOf(h)->start, entryOf(standup)->start + 60) << "45 minutes do not fit before 10:30";
    EXPECT_EQ(dialog->result().dayToShow, kToday);
}

TEST_F(ItemDialogTest, AnAppointmentAtAFixedTime)
{
    open(ItemCommand::appointment);
    type(ControlId::text, "Dentist");
    type(ControlId::date, "10/24/23");
    type(ControlId::beginTime, "2:30");
    type(ControlId::duration, "45");
    EXPECT_EQ(edit(ControlId::beginTime)->text(), "2:30p") << "read and shown back";
    EXPECT_TRUE(dialog->control(ControlId::endTime)->isHidden());
    screenshot("appointment");
    press(QDialogButtonBox::Ok);

    ItemHandle h = added();
    EXPECT_EQ(schedule().dayOf(h), dayOf(10, 24, 2023));
    EXPECT_EQ(entryOf(h)->start, 871);
    EXPECT_TRUE(schedule().record(h).has(ItemFlag::fAnchored));
}

TEST_F(ItemDialogTest, AMultiDayEventKeepsItsFirstAndLastDay)
{
    open(ItemCommand::multiDayEvent);
    EXPECT_EQ(dialog->windowTitle(), "Multi-day Event/Vacation");
    type(ControlId::text, "Conference");
    type(ControlId::starting, "10/25/23");
    type(ControlId::ending, "10/27/23");
    screenshot("multidayevent");
    press(QDialogButtonBox::Ok);

    ItemHandle h = added();
    EXPECT_EQ(schedule().record(h).kind(), ItemKind::multiDayEvent);
    EXPECT_EQ(schedule().dayOf(h), dayOf(10, 25, 2023));
    EXPECT_EQ(schedule().record(h).deadlineDate(), dayOf(10, 27, 2023).value());
}

TEST_F(ItemDialogTest, ABirthdayWithItsBaseYear)
{
    open(ItemCommand::birthday);
    EXPECT_EQ(dialog->windowTitle(), "Annual");
    EXPECT_TRUE(dialog->control(ControlId::baseYear)->isVisible());
    type(ControlId::text, "Ann's birthday");
    type(ControlId::starting, "3/4");
    type(ControlId::baseYear, "75");
    screenshot("birthday");
    press(QDialogButtonBox::Ok);

    ItemHandle h = added();
    EXPECT_EQ(schedule().record(h).kind(), ItemKind::birthday);
    EXPECT_EQ(schedule().record(h).baseYear(), 1975);
    EXPECT_EQ(schedule().dayOf(h), dayOf(3, 4, 2024)) << "the next 4 March";
    EXPECT_EQ(schedule().record(h).duration(), 0);
}

TEST_F(ItemDialogTest, AMemoACashItemAndAProject)
{
    open(ItemCommand::memo);
    type(ControlId::text, "Bring the keys");
    type(ControlId::date, "tom");
    screenshot("memo");
    press(QDialogButtonBox::Ok);
    ItemHandle memo = added();
    EXPECT_EQ(schedule().record(memo).kind(), ItemKind::memo);
    EXPECT_EQ(schedule().dayOf(memo), kToday + 1);

    open(ItemCommand::cashFlow);
    EXPECT_EQ(dialog->windowTitle(), "Cash Transaction");
    type(ControlId::text, "Rent");
    type(ControlId::value, "120.50");
    type(ControlId::expense, "20");
    screenshot("cash");
    press(QDialogButtonBox::Ok);
    ItemHandle cash = added();
    EXPECT_EQ(schedule().record(cash).kind(), ItemKind::cashFlow);
    EXPECT_FLOAT_EQ(schedule().record(cash).value(), 120.5f);
    EXPECT_FLOAT_EQ(schedule().record(cash).expense(), 20.0f);
    EXPECT_EQ(schedule().record(cash).priorityLetter(), 0);

    open(ItemCommand::project);
    EXPECT_EQ(dialog->windowTitle(), "Define Project");
    type(ControlId::text, "Garden");
    screenshot("project");
    press(QDialogButtonBox::Ok);
    ItemHandle project = added();
    ASSERT_EQ(schedule().projects.size(), 1u);
    EXPECT_EQ(schedule().projects[0], project);
    EXPECT_EQ(schedule().storedDescription(project), "Garden");
}

TEST_F(ItemDialogTest, AnInvalidDateIsRefusedAndNothingIsStored)
{
    open(ItemCommand::appointment);
    type(ControlId::text, "Dentist");
    type(ControlId::date, "2/30");
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{kInvalidDateText});
    QTest::qWait(10);
    EXPECT_EQ(QApplication::focusWidget(), edit(ControlId::date)) << "the field keeps the focus";
    EXPECT_EQ(edit(ControlId::date)->text(), "2/30") << "and what was typed";

    press(QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog->isVisible()) << "OK is dropped while the field does not read";
    EXPECT_EQ(schedule().chain.size(), 0u);

    type(ControlId::beginTime, "9x");
    type(ControlId::date, "10/24/23");
    EXPECT_EQ(presenter.texts(), (std::vector<std::string>{kInvalidDateText, kInvalidTimeText}));
}

TEST_F(ItemDialogTest, CancelChangesNothing)
{
    open(ItemCommand::task);
    type(ControlId::text, "Never mind");
    type(ControlId::duration, "2");
    press(QDialogButtonBox::Cancel);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result().status, CommitStatus::Refused);
    EXPECT_EQ(schedule().chain.size(), 0u);
    EXPECT_FALSE(schedule().dirty);
    EXPECT_FALSE(fs::exists(folder / "Add.log"));
}

TEST_F(ItemDialogTest, ModifyingAFloatingItemsDurationPlacesItAgain)
{
    auto task = [&](const char* text) {
        open(ItemCommand::task);
        type(ControlId::text, text);
        type(ControlId::duration, "30");
        press(QDialogButtonBox::Ok);
        return added();
    };
    ItemHandle first = task("First");
    ItemHandle second = task("Second");
    ASSERT_EQ(entryOf(second)->start, entryOf(first)->start + 30);

    open(ItemCommand::task, first);
    EXPECT_EQ(edit(ControlId::text)->text(), "First");
    EXPECT_EQ(edit(ControlId::duration)->text(), ":30");
    type(ControlId::duration, "1:30");
    press(QDialogButtonBox::Ok);
    EXPECT_EQ(added(), first);
    EXPECT_TRUE(dialog->result().rebalanceRequested);
    EXPECT_TRUE(fs::exists(folder / "Change.log"));
    EXPECT_EQ(entryOf(first)->placedMinutes, 90);
    // Taken off its place, the second closes the gap and the first goes after it.
    EXPECT_EQ(entryOf(second)->start, entryOf(first)->start - 30);
    EXPECT_FALSE(entryOf(first)->conflicting());
}

TEST_F(ItemDialogTest, WhileAnotherSessionHoldsTheScheduleAChangeWaitsWithWhatWasTyped)
{
    ItemHandle mine = addAppointment("Mine", 661, 30);
    ASSERT_TRUE(session->save().ok());
    ScriptedPresenter otherPresenter;
    Messages otherMessages{otherPresenter};
    SessionSettings settings;
    settings.folder = folder;
    settings.userName = "colleague";
    Session other(std::move(settings), clock, otherMessages);
    ASSERT_TRUE(other.open());
    ASSERT_TRUE(other.obtainChangeAccess(std::chrono::seconds(0)));

    open(ItemCommand::appointment, mine);
    type(ControlId::duration, "2");
    press(QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog->isVisible()) << "the change waits, with what was typed";
    EXPECT_EQ(dialog->result().status, CommitStatus::Waiting);
    EXPECT_EQ(edit(ControlId::duration)->text(), "2:00");
    EXPECT_EQ(schedule().record(mine).duration(), 30);
}

TEST_F(ItemDialogTest, TheFullFormAndLite)
{
    open(ItemCommand::define);
    EXPECT_EQ(dialog->windowTitle(), "Item Definition");
    for (int id : {3, 4, 5, 14, 23, 24, 216, 217, 222, 1437, 1436, 1438, 1380, 1547, 1191, 1444})
        EXPECT_NE(dialog->control(id), nullptr) << id;
    EXPECT_EQ(dialog->control(ControlId::baseYear), nullptr);
    type(ControlId::value, "12");
    EXPECT_EQ(qobject_cast<QComboBox*>(dialog->control(ControlId::priority))->currentText(), "A");
    EXPECT_EQ(qobject_cast<QLabel*>(dialog->control(ControlId::hourized))->text(),
              "84 / week  -  360 / month  -  4380 / year");
    // A choice made while a field is still being typed in reads the field first.
    edit(ControlId::duration)->setFocus();
    edit(ControlId::duration)->selectAll();
    QTest::keyClicks(edit(ControlId::duration), "1:15");
    choose(ControlId::priority, "C");
    EXPECT_EQ(dialog->editor().priorityIndex(), 3);
    EXPECT_EQ(dialog->editor().record().duration(), 75);
    EXPECT_EQ(edit(ControlId::duration)->text(), "1:15");
    screenshot("define");
    dialog.reset();

    schedule().header.setInterfaceMode(1);
    open(ItemCommand::task);
    EXPECT_EQ(dialog->windowTitle(), "Insert Item");
    EXPECT_EQ(dialog->objectName(), "ITEM-LITE");
    screenshot("lite");
}

} // namespace
} // namespace zk
