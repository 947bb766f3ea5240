// Recurring items driven through the item dialog and the recurrence dialog
// as a user drives them, and the project dialog's colour drawn in the
// schedule pane. The dialogs and the pane are photographed for review.

#include "itemdialogfixture.h"

#include "core/dateformat.h"
#include "core/projectcolour.h"
#include "editing/recurrencedialog.h"
#include "engine/recurrenceediting.h"
#include "views/schedulesarea.h"

#include <QAbstractButton>
#include <QColorDialog>

namespace zk {
namespace {

using namespace testsupport;

constexpr DayNumber kToday = kDialogToday;
constexpr DayNumber kMonday = kToday + 2;
constexpr DayNumber kThursday = kToday + 5;

class RecurringItemTest : public ItemDialogFixture {
protected:
    bool checked(int id) { return qobject_cast<QAbstractButton*>(control(id))->isChecked(); }
    // A weekly definition on Mondays from kMonday, added as the dialog adds one.
    ItemHandle weeklyOnMondays(const char* text)
    {
        NewItem item;
        item.record = schedule().templateItem;
        item.record.setKind(ItemKind::task);
        item.record.setDuration(30);
        item.text = text;
        RecurrenceRecord rule = RecurrenceEditor::newRule(kMonday);
        rule.setTypeByte(RecurType::weekly);
        rule.setWeekdayByte(0x02);
        item.recurrence = rule;
        return session->addItem(item).item;
    }
    // An entry on the day for the definition itself (a standard occurrence).
    bool occursOn(ItemHandle definition, DayNumber day)
    {
        return schedule().getDay(day) && schedule().entryOf(definition, day).has_value();
    }
    ItemHandle exceptionOn(ItemHandle definition, DayNumber day)
    {
        std::optional<ExceptionEntry> entry = schedule().recurrences.findEntry(definition, day);
        return entry ? entry->item : kNoItem;
    }
};

TEST_F(RecurringItemTest, AWeeklyTaskOnMondaysAndThursdays)
{
    open(ItemCommand::task);
    type(ControlId::text, "Gym");
    type(ControlId::duration, "1");
    onModal<RecurrenceDialog>([](RecurrenceDialog& d) {
        for (const char* name : {"weekly", "weekday1", "weekday4"})
            click(d.findChild<QWidget*>(name));
        typeInto(d.findChild<QLineEdit*>("starting"), "10/23/23");
        saveScreenshot(d, "recurrence-weekly");
        pressOk(d);
    });
    click(control(ControlId::recurrence));
    EXPECT_TRUE(checked(ControlId::recurring));
    EXPECT_EQ(shown(ControlId::date), "Recur'ng");
    EXPECT_FALSE(control(ControlId::date)->isEnabled());
    EXPECT_FALSE(control(ControlId::floating)->isEnabled());
    saveScreenshot(*dialog, "item-recurring-task");

    ItemHandle h = stored();
    ASSERT_TRUE(schedule().recurrences.contains(h));
    EXPECT_EQ(schedule().record(h).duration(), 60);
    EXPECT_EQ(dialog->result().dayToShow, kMonday) << "the view moves to the first occurrence";
    for (int week = 0; week < 3; ++week) {
        EXPECT_TRUE(occursOn(h, kMonday + 7 * week)) << week;
        EXPECT_TRUE(occursOn(h, kThursday + 7 * week)) << week;
        EXPECT_FALSE(occursOn(h, kMonday + 1 + 7 * week)) << week;
    }
    EXPECT_FALSE(occursOn(h, kToday));
}

TEST_F(RecurringItemTest, AChangedIntervalMovesTheOccurrences)
{
    ItemHandle h = weeklyOnMondays("Review");
    open(ItemCommand::modifyAllOccurrences, h, kMonday);
    EXPECT_TRUE(checked(ControlId::standard)) << "Modify All";
    onModal<RecurrenceDialog>([](RecurrenceDialog& d) {
        EXPECT_TRUE(d.findChild<QAbstractButton*>("weekly")->isChecked());
        click(d.findChild<QWidget*>("every"));
        typeInto(d.findChild<QLineEdit*>("interval"), "2");
        pressOk(d);
    });
    click(control(ControlId::recurrence));
    type(ControlId::duration, "45");
    stored();
    EXPECT_TRUE(occursOn(h, kMonday));
    EXPECT_FALSE(occursOn(h, kMonday + 7));
    EXPECT_TRUE(occursOn(h, kMonday + 14));
    EXPECT_EQ(schedule().findDay(kMonday + 14)->entries()[*schedule().entryOf(h, kMonday + 14)].placedMinutes, 45);
}

TEST_F(RecurringItemTest, OneOccurrenceBecomesAnExceptionAnotherIsCancelled)
{
    ItemHandle h = weeklyOnMondays("Review");
    open(ItemCommand::define, h, kMonday + 7);
    EXPECT_EQ(dialog->objectName(), "Item--Task");
    EXPECT_TRUE(checked(ControlId::exception));
    EXPECT_EQ(shown(ControlId::date), "10/30/23") << "an exception keeps its date";
    type(ControlId::duration, "2");
    type(ControlId::text, "Long review");
    const ItemHandle x = stored();
    EXPECT_EQ(exceptionOn(h, kMonday + 7), x);
    EXPECT_TRUE(schedule().record(x).has(ItemFlag::fException));
    EXPECT_EQ(schedule().record(x).duration(), 120);
    EXPECT_EQ(schedule().storedDescription(x), "Long review");
    EXPECT_EQ(schedule().storedDescription(h), "Review") << "the definition is unchanged";
    EXPECT_EQ(schedule().record(h).duration(), 30);
    EXPECT_TRUE(schedule().entryOf(x, kMonday + 7));

    open(ItemCommand::define, h, kMonday + 14);
    click(control(ControlId::cancelled));
    EXPECT_EQ(shown(ControlId::date), "");
    EXPECT_FALSE(control(ControlId::date)->isEnabled());
    saveScreenshot(*dialog, "item-cancelled-instance");
    stored();
    EXPECT_TRUE(schedule().recurrences.isCancelled(h, kMonday + 14));
    EXPECT_FALSE(occursOn(h, kMonday + 14));
    EXPECT_TRUE(occursOn(h, kMonday + 21));

    // The exception opened again and cancelled: it goes, and so does its day.
    open(ItemCommand::define, x, kMonday + 7);
    click(control(ControlId::cancelled));
    stored();
    EXPECT_FALSE(schedule().items.isLive(x));
    EXPECT_TRUE(schedule().recurrences.isCancelled(h, kMonday + 7));
    EXPECT_FALSE(occursOn(h, kMonday + 7));
}

TEST_F(RecurringItemTest, ClearingTheRecurringBoxOnAnInstanceAsksFirst)
{
    ItemHandle h = weeklyOnMondays("Review");
    open(ItemCommand::define, h, kMonday + 7);
    click(control(ControlId::recurring));
    EXPECT_TRUE(control(ControlId::date)->isEnabled());
    presenter.queueAnswer(Answer::No);
    pressOk(*dialog);
    EXPECT_EQ(presenter.texts().back(), kDeleteOtherInstancesText);
    EXPECT_TRUE(dialog->isVisible()) << "No keeps the dialog open";
    EXPECT_EQ(dialog->result().status, CommitStatus::Kept);
    EXPECT_TRUE(schedule().recurrences.contains(h));

    presenter.queueAnswer(Answer::Yes);
    EXPECT_EQ(stored(), h);
    EXPECT_TRUE(schedule().recurrences.empty());
    EXPECT_FALSE(schedule().record(h).has(ItemFlag::recurrence));
    EXPECT_TRUE(schedule().entryOf(h, kMonday + 7));
    EXPECT_FALSE(occursOn(h, kMonday));
    EXPECT_FALSE(occursOn(h, kMonday + 14));
}

TEST_F(RecurringItemTest, PriorAndNextStoreTheInstanceAndMoveOn)
{
    ItemHandle h = weeklyOnMondays("Review");
    open(ItemCommand::define, h, kMonday + 7);
    click(control(ControlId::next));
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->editor().instanceDay(), kMonday + 14);
    EXPECT_EQ(shown(ControlId::date).toStdString(), shortDate(kMonday + 14, session->settings().regional));
    EXPECT_EQ(schedule().recurrences.exceptionCountOf(h), 0) << "an unchanged occurrence stays standard";

    type(ControlId::duration, "1");
    click(control(ControlId::prior));
    EXPECT_EQ(dialog->editor().instanceDay(), kMonday + 7);
    ItemHandle x = exceptionOn(h, kMonday + 14);
    ASSERT_TRUE(x) << "the edited one was stored as OK stores it";
    EXPECT_EQ(schedule().record(x).duration(), 60);

    click(control(ControlId::prior));
    click(control(ControlId::prior));
    EXPECT_FALSE(dialog->isVisible()) << "none before the first: closed as after OK";
    EXPECT_EQ(dialog->result().status, CommitStatus::Stored);

    // Next onto a day with an exception opens that exception.
    open(ItemCommand::define, h, kMonday + 7);
    click(control(ControlId::next));
    EXPECT_EQ(dialog->editor().item(), x);
    EXPECT_EQ(shown(ControlId::duration), "1:00");
}

TEST_F(RecurringItemTest, TheProjectColourIsStoredAndDrawn)
{
    open(ItemCommand::project);
    type(ControlId::text, "Garden");
    onModal<QColorDialog>([](QColorDialog& d) {
        d.setCurrentColor(QColor(0x30, 0xA0, 0x50));
        d.accept();
    });
    click(control(ControlId::setColour));
    EXPECT_NE(control(ControlId::colourBox)->styleSheet().indexOf("#30a050"), -1);
    saveScreenshot(*dialog, "item-project-colour");
    const std::uint32_t project = schedule().record(stored()).id();
    EXPECT_EQ(projectColour(schedule(), project), 0x50A030u);

    open(ItemCommand::task);
    type(ControlId::text, "Weed the beds");
    QTest::keyClicks(control(ControlId::project), "Garden");
    EXPECT_EQ(schedule().record(stored()).projectId(), project);
    SchedulesArea area;
    area.resize(700, 300);
    area.setViewedDay(kToday);
    area.refresh(schedule(), {kToday, TimeValue::fromClock(10, 0)}, session->settings().regional);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    saveScreenshot(area, "schedule-project-colour");
}

TEST_F(RecurringItemTest, TheRecurrenceDialogRefusesAndKeepsWhatWasChosen)
{
    RecurrenceDialog d(RecurrenceEditor::newRule(kMonday), session->entryContext(), messages);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    auto clickAll = [&d](std::initializer_list<const char*> names) {
        for (const char* name : names)
            click(d.findChild<QWidget*>(name));
    };
    clickAll({"monthly", "day15", "nearest"});
    pressOk(d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(presenter.texts().back(), kNearestNeedsDaysText);
    clickAll({"weekday1", "weekday2", "weekday3", "weekday4", "weekday5"});
    typeInto(d.findChild<QLineEdit*>("ending"), "10/1/23");
    pressOk(d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(presenter.texts().back(), kStartEndConflictText);
    typeInto(d.findChild<QLineEdit*>("ending"), "");
    clickAll({"weekdayOfMonth", "grid2-2", "grid5-5", "month7", "shift"});
    saveScreenshot(d, "recurrence-weekday-of-month");
    pressOk(d);
    EXPECT_FALSE(d.isVisible());
    const RecurrenceRecord& r = d.rule();
    EXPECT_EQ(r.typeByte(), RecurType::monthly | RecurType::carryShift);
    EXPECT_EQ(r.dayMask(), kDayMaskWeekdayGrid | (1u << 9));
    EXPECT_EQ(r.weekdayByte(), 0x20);
    EXPECT_EQ(r.monthWord(), 0x0040);
    EXPECT_EQ(r.endDayField(), 0);
}

} // namespace
} // namespace zk
