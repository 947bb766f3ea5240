// The item definition dialog driven as a user drives it, and what OK and
// Cancel leave in the schedule. Each form is photographed for review.

#include "itemdialogfixture.h"
#include "tests/sessionsupport.h"

#include "core/calendar.h"
#include "engine/plistorder.h"

#include <QComboBox>
#include <QLabel>

namespace zk {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

constexpr DayNumber kToday = kDialogToday;

class ItemDialogTest : public ItemDialogFixture {
protected:
    void choose(int id, const char* text) { QTest::keyClicks(control(id), QString::fromUtf8(text)); }
    std::optional<DayEntry> entryOf(ItemHandle h)
    {
        std::optional<EntryRef> at = schedule().scheduledAnywhere(h);
        if (!at)
            return std::nullopt;
        return schedule().findDay(at->day)->entries()[at->index];
    }
    ItemHandle addAppointment(const char* text, int begin, int minutes)
    {
        return session->addItem(appointmentOn(kToday, text, begin, minutes)).item;
    }
};

TEST_F(ItemDialogTest, AFloatingTaskWithPriorityALandsInTheFirstFreeGap)
{
    ItemHandle standup = addAppointment("Standup", 631, 60);  // 10:30..11:30
    open(ItemCommand::task);
    EXPECT_EQ(dialog->windowTitle(), "Task");
    type(ControlId::text, "Write report");
    type(ControlId::duration, "45");
    choose(ControlId::priority, "A");
    saveScreenshot(*dialog, "item-task");

    ItemHandle h = stored();
    EXPECT_EQ(schedule().storedDescription(h), "Write report");
    EXPECT_EQ(schedule().record(h).priorityLetter(), 'A');
    EXPECT_TRUE(findPlistEntry(schedule(), h));
    ASSERT_TRUE(entryOf(h));
    EXPECT_EQ(entryOf(h)->start, entryOf(standup)->start + 60) << "45 minutes do not fit before 10:30";
}

TEST_F(ItemDialogTest, EachFormStoresItsKindOfItem)
{
    open(ItemCommand::appointment);
    type(ControlId::text, "Dentist");
    type(ControlId::date, "10/24/23");
    type(ControlId::beginTime, "2:30");
    type(ControlId::duration, "45");
    EXPECT_EQ(shown(ControlId::beginTime), "2:30p") << "read and shown back";
    EXPECT_TRUE(control(ControlId::endTime)->isHidden());
    saveScreenshot(*dialog, "item-appointment");
    ItemHandle dentist = stored();
    EXPECT_EQ(schedule().dayOf(dentist), dayOf(10, 24, 2023));
    EXPECT_EQ(entryOf(dentist)->start, 871);
    EXPECT_TRUE(schedule().record(dentist).has(ItemFlag::fAnchored));

    open(ItemCommand::multiDayEvent);
    EXPECT_EQ(dialog->windowTitle(), "Multi-day Event/Vacation");
    type(ControlId::text, "Conference");
    type(ControlId::starting, "10/25/23");
    type(ControlId::ending, "10/27/23");
    saveScreenshot(*dialog, "item-multidayevent");
    ItemHandle conference = stored();
    EXPECT_EQ(schedule().record(conference).kind(), ItemKind::multiDayEvent);
    EXPECT_EQ(schedule().dayOf(conference), dayOf(10, 25, 2023));
    EXPECT_EQ(schedule().record(conference).deadlineDate(), dayOf(10, 27, 2023).value());

    open(ItemCommand::birthday);
    EXPECT_EQ(dialog->windowTitle(), "Annual");
    type(ControlId::text, "Ann's birthday");
    type(ControlId::starting, "3/4");
    type(ControlId::baseYear, "75");
    saveScreenshot(*dialog, "item-birthday");
    ItemHandle birthday = stored();
    EXPECT_EQ(schedule().record(birthday).baseYear(), 1975);
    EXPECT_EQ(schedule().dayOf(birthday), dayOf(3, 4, 2024)) << "the next 4 March";

    open(ItemCommand::memo);
    type(ControlId::text, "Bring the keys");
    type(ControlId::date, "tom");
    saveScreenshot(*dialog, "item-memo");
    EXPECT_EQ(schedule().dayOf(stored()), kToday + 1);

    open(ItemCommand::cashFlow);
    EXPECT_EQ(dialog->windowTitle(), "Cash Transaction");
    type(ControlId::text, "Rent");
    type(ControlId::value, "120.50");
    type(ControlId::expense, "20");
    saveScreenshot(*dialog, "item-cash");
    ItemHandle cash = stored();
    EXPECT_FLOAT_EQ(schedule().record(cash).value(), 120.5f);
    EXPECT_FLOAT_EQ(schedule().record(cash).expense(), 20.0f);

    open(ItemCommand::project);
    EXPECT_EQ(dialog->windowTitle(), "Define Project");
    type(ControlId::text, "Garden");
    saveScreenshot(*dialog, "item-project");
    ItemHandle project = stored();
    EXPECT_EQ(schedule().projects, std::vector<ItemHandle>{project});
}

TEST_F(ItemDialogTest, AnInvalidDateIsRefusedAndNothingIsStored)
{
    open(ItemCommand::appointment);
    type(ControlId::text, "Dentist");
    type(ControlId::date, "2/30");
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{kInvalidDateText});
    QTest::qWait(10);
    EXPECT_EQ(QApplication::focusWidget(), edit(ControlId::date)) << "the field keeps the focus";
    EXPECT_EQ(shown(ControlId::date), "2/30") << "and what was typed";

    pressOk(*dialog);
    EXPECT_TRUE(dialog->isVisible()) << "OK is dropped while the field does not read";
    EXPECT_EQ(schedule().chain.size(), 0u);

    type(ControlId::beginTime, "9x");
    type(ControlId::date, "10/24/23");
    EXPECT_EQ(presenter.texts(), (std::vector<std::string>{kInvalidDateText, kInvalidTimeText}));

    open(ItemCommand::task);
    type(ControlId::text, "Never mind");
    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel), Qt::LeftButton);
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
        return stored();
    };
    ItemHandle first = task("First");
    ItemHandle second = task("Second");
    ASSERT_EQ(entryOf(second)->start, entryOf(first)->start + 30);

    open(ItemCommand::task, first);
    EXPECT_EQ(shown(ControlId::duration), ":30");
    type(ControlId::duration, "1:30");
    EXPECT_EQ(stored(), first);
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
    pressOk(*dialog);
    EXPECT_TRUE(dialog->isVisible()) << "the change waits, with what was typed";
    EXPECT_EQ(dialog->result().status, CommitStatus::Waiting);
    EXPECT_EQ(shown(ControlId::duration), "2:00");
    EXPECT_EQ(schedule().record(mine).duration(), 30);
}

TEST_F(ItemDialogTest, TheFullFormAndLite)
{
    open(ItemCommand::define);
    EXPECT_EQ(dialog->windowTitle(), "Item Definition");
    EXPECT_EQ(control(ControlId::baseYear), nullptr);
    type(ControlId::value, "12");
    EXPECT_EQ(qobject_cast<QComboBox*>(control(ControlId::priority))->currentText(), "A");
    EXPECT_EQ(qobject_cast<QLabel*>(control(ControlId::hourized))->text(), "84 / week  -  360 / month  -  4380 / year");
    // A choice made while a field is still being typed in reads the field first.
    edit(ControlId::duration)->setFocus();
    edit(ControlId::duration)->selectAll();
    QTest::keyClicks(edit(ControlId::duration), "1:15");
    choose(ControlId::priority, "C");
    EXPECT_EQ(dialog->editor().priorityIndex(), 3);
    EXPECT_EQ(dialog->editor().record().duration(), 75);
    EXPECT_EQ(shown(ControlId::duration), "1:15");
    saveScreenshot(*dialog, "item-define");
    dialog.reset();

    schedule().header.setInterfaceMode(1);
    open(ItemCommand::task);
    EXPECT_EQ(dialog->windowTitle(), "Insert Item");
    EXPECT_EQ(dialog->objectName(), "ITEM-LITE");
    saveScreenshot(*dialog, "item-lite");
}

} // namespace
} // namespace zk
