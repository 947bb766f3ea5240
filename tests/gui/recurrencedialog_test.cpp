// Recurring items driven through the item dialog and the recurrence dialog
// as a user drives them: making a task recurring, changing the rule of a
// definition, turning one occurrence into an exception, cancelling one,
// making one a single item, stepping through the occurrences; and the
// project dialog's colour, drawn in the schedule pane. The dialogs and the
// pane are photographed for review.

#include "guitestmain.h"

#include "core/calendar.h"
#include "core/dateformat.h"
#include "core/projectcolour.h"
#include "core/schedule.h"
#include "editing/itemdialog.h"
#include "editing/recurrencedialog.h"
#include "engine/recurrenceediting.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "shell/model/backgroundwork.h"
#include "storage/datafile.h"
#include "views/schedulesarea.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>

namespace zk {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

constexpr DayNumber kToday{16000};     // Saturday 21 October 2023; now 10:00
constexpr DayNumber kMonday = kToday + 2;
constexpr DayNumber kThursday = kToday + 5;

// Runs `act` on the next modal dialog of type T once it is open.
template <typename T>
void onModal(std::function<void(T&)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
        }
    });
    timer->start(10);
}

// A click where a user aims: on the box of a check box or radio button.
void click(QWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->isEnabled()) << widget->objectName().toStdString();
    const bool box = !qobject_cast<QPushButton*>(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, box ? QPoint(6, widget->height() / 2) : widget->rect().center());
}

void typeInto(QLineEdit* edit, const char* text)
{
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);  // an empty text still clears the field
    QTest::keyClicks(edit, QString::fromUtf8(text));
    QTest::keyClick(edit, Qt::Key_Tab);
}

void pressOk(QDialog& dialog)
{
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

void save(QWidget& widget, const char* name)
{
    fs::create_directories(ZELKON_SCREENSHOT_DIR);
    QTest::qWait(20);
    EXPECT_TRUE(widget.grab().save(QStringLiteral(ZELKON_SCREENSHOT_DIR "/%1.png").arg(name)));
}

class RecurringItemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApplication();
        std::string pattern = (fs::temp_directory_path() / "zelkon-recurring-XXXXXX").string();
        folder = ::mkdtemp(pattern.data());
        Schedule empty;
        empty.header.setInterfaceMode(3);  // PRO
        ASSERT_TRUE(saveDataFile(empty, folder / "timedata.pak"));
        SessionSettings settings;
        settings.folder = folder;
        settings.userName = "tester";
        settings.pause = [](std::chrono::milliseconds) { return false; };
        session = std::make_unique<Session>(std::move(settings), clock, messages);
        ASSERT_TRUE(session->open());
        static bool told = false;
        if (!told)
            std::cout << "Screenshots: " << ZELKON_SCREENSHOT_DIR << std::endl;
        told = true;
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
    QWidget* control(int id) { return dialog->control(id); }
    void type(int id, const char* text) { typeInto(qobject_cast<QLineEdit*>(control(id)), text); }
    QString shown(int id) { return qobject_cast<QLineEdit*>(control(id))->text(); }

    Schedule& schedule() { return session->schedule(); }
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
    // The item of the day's entry for the definition: the definition itself
    // (a standard occurrence), an exception of it, or none.
    bool occursOn(ItemHandle definition, DayNumber day)
    {
        return schedule().getDay(day) && schedule().entryOf(definition, day).has_value();
    }
    ItemHandle exceptionOn(ItemHandle definition, DayNumber day)
    {
        std::optional<ExceptionEntry> entry = schedule().recurrences.findEntry(definition, day);
        return entry ? entry->item : kNoItem;
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

TEST_F(RecurringItemTest, AWeeklyTaskOnMondaysAndThursdays)
{
    open(ItemCommand::task);
    type(ControlId::text, "Gym");
    type(ControlId::duration, "1");
    onModal<RecurrenceDialog>([](RecurrenceDialog& d) {
        click(d.findChild<QWidget*>("weekly"));
        click(d.findChild<QWidget*>("weekday1"));
        click(d.findChild<QWidget*>("weekday4"));
        typeInto(d.findChild<QLineEdit*>("starting"), "10/23/23");
        save(d, "recurrence-weekly");
        pressOk(d);
    });
    click(control(ControlId::recurrence));
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(control(ControlId::recurring))->isChecked());
    EXPECT_EQ(shown(ControlId::date), "Recur'ng");
    EXPECT_FALSE(control(ControlId::date)->isEnabled());
    EXPECT_FALSE(control(ControlId::floating)->isEnabled());
    save(*dialog, "item-recurring-task");
    pressOk(*dialog);

    ASSERT_FALSE(dialog->isVisible());
    ASSERT_EQ(dialog->result().status, CommitStatus::Stored);
    ItemHandle h = dialog->result().item;
    ASSERT_TRUE(schedule().recurrences.contains(h));
    const RecurrenceRecord& rule = schedule().recurrences.ruleOf(h);
    EXPECT_EQ(rule.typeByte(), RecurType::weekly);
    EXPECT_EQ(rule.weekdayByte(), 0x12);
    EXPECT_EQ(rule.interval(), 1);
    EXPECT_EQ(rule.startDay(), kMonday);
    EXPECT_EQ(schedule().storedDescription(h), "Gym");
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
    ASSERT_TRUE(occursOn(h, kMonday + 7));
    open(ItemCommand::modifyAllOccurrences, h, kMonday);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(control(ControlId::standard))->isChecked()) << "Modify All";
    onModal<RecurrenceDialog>([](RecurrenceDialog& d) {
        EXPECT_TRUE(d.findChild<QAbstractButton*>("weekly")->isChecked());
        click(d.findChild<QWidget*>("every"));
        typeInto(d.findChild<QLineEdit*>("interval"), "2");
        pressOk(d);
    });
    click(control(ControlId::recurrence));
    type(ControlId::duration, "45");
    pressOk(*dialog);
    ASSERT_EQ(dialog->result().status, CommitStatus::Stored);
    EXPECT_EQ(schedule().recurrences.ruleOf(h).interval(), 2);
    EXPECT_EQ(schedule().record(h).duration(), 45);
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
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(control(ControlId::exception))->isChecked());
    EXPECT_EQ(shown(ControlId::date), "10/30/23") << "an exception keeps its date";
    type(ControlId::duration, "2");
    type(ControlId::text, "Long review");
    pressOk(*dialog);
    ASSERT_EQ(dialog->result().status, CommitStatus::Stored);
    ItemHandle x = exceptionOn(h, kMonday + 7);
    ASSERT_TRUE(x);
    EXPECT_EQ(dialog->result().item, x);
    EXPECT_TRUE(schedule().record(x).has(ItemFlag::fException));
    EXPECT_EQ(schedule().record(x).duration(), 120);
    EXPECT_EQ(schedule().storedDescription(x), "Long review");
    EXPECT_EQ(schedule().storedDescription(h), "Review") << "the definition is unchanged";
    EXPECT_EQ(schedule().record(h).duration(), 30);
    EXPECT_TRUE(schedule().entryOf(x, kMonday + 7));
    EXPECT_FALSE(schedule().entryOf(h, kMonday + 7));
    EXPECT_TRUE(occursOn(h, kMonday + 14));

    open(ItemCommand::define, h, kMonday + 14);
    click(control(ControlId::cancelled));
    EXPECT_EQ(shown(ControlId::date), "");
    EXPECT_FALSE(control(ControlId::date)->isEnabled());
    save(*dialog, "item-cancelled-instance");
    pressOk(*dialog);
    ASSERT_EQ(dialog->result().status, CommitStatus::Stored);
    EXPECT_TRUE(schedule().recurrences.isCancelled(h, kMonday + 14));
    EXPECT_FALSE(occursOn(h, kMonday + 14));
    EXPECT_TRUE(occursOn(h, kMonday + 21));

    // The exception opened again and cancelled: it goes, and so does its day.
    open(ItemCommand::define, x, kMonday + 7);
    click(control(ControlId::cancelled));
    pressOk(*dialog);
    ASSERT_EQ(dialog->result().status, CommitStatus::Stored);
    EXPECT_FALSE(schedule().items.isLive(x));
    EXPECT_TRUE(schedule().recurrences.isCancelled(h, kMonday + 7));
    EXPECT_FALSE(occursOn(h, kMonday + 7));
}

TEST_F(RecurringItemTest, ClearingTheRecurringBoxOnAnInstanceAsksFirst)
{
    ItemHandle h = weeklyOnMondays("Review");
    open(ItemCommand::define, h, kMonday + 7);
    click(control(ControlId::recurring));
    EXPECT_FALSE(qobject_cast<QAbstractButton*>(control(ControlId::recurring))->isChecked());
    EXPECT_TRUE(control(ControlId::date)->isEnabled());
    presenter.queueAnswer(Answer::No);
    pressOk(*dialog);
    EXPECT_EQ(presenter.texts().back(), kDeleteOtherInstancesText);
    EXPECT_TRUE(dialog->isVisible()) << "No keeps the dialog open";
    EXPECT_EQ(dialog->result().status, CommitStatus::Kept);
    EXPECT_TRUE(schedule().recurrences.contains(h));

    presenter.queueAnswer(Answer::Yes);
    pressOk(*dialog);
    ASSERT_EQ(dialog->result().status, CommitStatus::Stored);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(schedule().recurrences.empty());
    ASSERT_TRUE(schedule().items.isLive(h));
    EXPECT_FALSE(schedule().record(h).has(ItemFlag::recurrence));
    EXPECT_EQ(schedule().dayOf(h), kMonday + 7);
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
    EXPECT_EQ(dialog->editor().instanceDay(), kMonday);
    click(control(ControlId::prior));
    EXPECT_FALSE(dialog->isVisible()) << "none before the first: closed as after OK";
    EXPECT_EQ(dialog->result().status, CommitStatus::Stored);

    // Next onto a day with an exception opens that exception.
    open(ItemCommand::define, h, kMonday + 7);
    click(control(ControlId::next));
    EXPECT_EQ(dialog->editor().item(), x);
    EXPECT_EQ(shown(ControlId::duration), "1:00");
}

TEST_F(RecurringItemTest, TheProjectColourAndTheControlsStillToCome)
{
    open(ItemCommand::project);
    type(ControlId::text, "Garden");
    onModal<QColorDialog>([](QColorDialog& d) {
        d.setCurrentColor(QColor(0x30, 0xA0, 0x50));
        d.accept();
    });
    click(control(ControlId::setColour));
    EXPECT_NE(qobject_cast<QWidget*>(control(ControlId::colourBox))->styleSheet().indexOf("#30a050"), -1);
    save(*dialog, "item-project-colour");
    pressOk(*dialog);
    ASSERT_EQ(dialog->result().status, CommitStatus::Stored);
    const std::uint32_t project = schedule().record(dialog->result().item).id();
    EXPECT_EQ(projectColour(schedule(), project), 0x50A030u);

    open(ItemCommand::task);
    type(ControlId::text, "Weed the beds");
    QTest::keyClicks(control(ControlId::project), "Garden");
    pressOk(*dialog);
    ASSERT_EQ(dialog->result().status, CommitStatus::Stored);
    EXPECT_EQ(schedule().record(dialog->result().item).projectId(), project);
    SchedulesArea area;
    area.resize(700, 300);
    area.setViewedDay(kToday);
    area.refresh(schedule(), {kToday, TimeValue::fromClock(10, 0)}, session->settings().regional);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    save(area, "schedule-project-colour");

    // Alarms, notes and deleting answer as the commands still to come do.
    open(ItemCommand::define);
    presenter.clear();
    for (int id : {ControlId::alarmCheck, ControlId::alarm, ControlId::notes, ControlId::deleteItem})
        click(control(id));
    EXPECT_EQ(presenter.texts(), (std::vector<std::string>{"Alarm is not available yet.", "Alarm is not available yet.",
                                                           "Notes is not available yet.", "Delete is not available yet."}));
    EXPECT_FALSE(qobject_cast<QAbstractButton*>(control(ControlId::alarmCheck))->isChecked());
}

TEST_F(RecurringItemTest, TheRecurrenceDialogRefusesAndKeepsWhatWasChosen)
{
    RecurrenceRecord rule = RecurrenceEditor::newRule(kMonday);
    RecurrenceDialog d(rule, session->entryContext(), messages);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    click(d.findChild<QWidget*>("monthly"));
    click(d.findChild<QWidget*>("day15"));
    click(d.findChild<QWidget*>("nearest"));
    pressOk(d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(presenter.texts().back(), kNearestNeedsDaysText);
    for (int n = 1; n <= 5; ++n)
        click(d.findChild<QWidget*>(QStringLiteral("weekday%1").arg(n)));
    typeInto(d.findChild<QLineEdit*>("ending"), "10/1/23");
    pressOk(d);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(presenter.texts().back(), kStartEndConflictText);
    typeInto(d.findChild<QLineEdit*>("ending"), "");
    click(d.findChild<QWidget*>("weekdayOfMonth"));
    click(d.findChild<QWidget*>("grid2-2"));
    click(d.findChild<QWidget*>("grid5-5"));
    click(d.findChild<QWidget*>("month7"));
    click(d.findChild<QWidget*>("shift"));
    save(d, "recurrence-weekday-of-month");
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
