// Alarms and notes in a running session: an alarm set in the item dialog
// rings when the clock reaches it and is repeated; a note is written,
// reopened, and refused while another session holds it; the desktop
// notification reaches the freedesktop service on the session bus. The
// alarm dialog and a note window are photographed.

#include "desktopsupport.h"
#include "fakenotifications.h"
#include "tests/sessionsupport.h"

#include "editing/itemdialog.h"
#include "worktools/alarmdesk.h"
#include "worktools/alarmdialogs.h"
#include "worktools/linuxalarmservices.h"
#include "worktools/model/alarms.h"
#include "worktools/notedesk.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace zk::testsupport {
namespace {

using AlarmsNotesTest = ActiveWindowFixture;

TEST_F(AlarmsNotesTest, AnAlarmSetInTheItemDialogRingsWhenTheClockReachesItAndIsRepeated)
{
    onModal<ItemDialog>([this](ItemDialog& dialog) {
        typeInto(qobject_cast<QLineEdit*>(dialog.control(ControlId::text)), "Dentist");
        typeInto(qobject_cast<QLineEdit*>(dialog.control(ControlId::beginTime)), "9:00a");
        onModal<AlarmSetBox>([this](AlarmSetBox& box) {
            // Hours above 23 are refused with the limit put in the field.
            typeInto(box.findChild<QLineEdit*>("63"), "24");
            pressOk(box);
            EXPECT_TRUE(box.isVisible());
            EXPECT_EQ(box.findChild<QLineEdit*>("63")->text(), "23");
            EXPECT_EQ(count(kAlarmHoursText), 1);
            typeInto(box.findChild<QLineEdit*>("63"), "0");
            typeInto(box.findChild<QLineEdit*>("55"), "10");
            EXPECT_EQ(box.findChild<QRadioButton*>("58")->text(), "begin time.");
            saveScreenshot(box, "alarm-dialog");
            pressOk(box);
        });
        click(dialog.control(ControlId::alarm));
        EXPECT_TRUE(qobject_cast<QCheckBox*>(dialog.control(ControlId::alarmCheck))->isChecked());
        pressOk(dialog);
    });
    dispatch(ItemCommand::appointment);
    const ItemHandle dentist = itemNamed("Dentist");
    ASSERT_TRUE(dentist) << paneText();
    EXPECT_TRUE(schedule().record(dentist).has(ItemFlag::fAlarm | ItemFlag::alarmFromBegin));
    EXPECT_EQ(schedule().record(dentist).alarmMinutes(), 10);
    waitForSave();

    minuteAt(8, 49);
    EXPECT_EQ(count("Dentist scheduled"), 0);

    // 8:50 rings; Yes asks for the delay, which repeats it at 9:05.
    presenter.queueAnswer(Answer::Yes);
    onModal<RepeatAlarmDialog>([](RepeatAlarmDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>("100")->text(), "5") << "5 minutes the first time";
        typeInto(dialog.findChild<QLineEdit*>("100"), "15");
        pressOk(dialog);
    });
    minuteAt(8, 50);
    ASSERT_EQ(count("Dentist scheduled to begin in 10 minutes.\n\nRepeat the alarm later today?"), 1)
        << ::testing::PrintToString(presenter.texts());
    EXPECT_EQ(schedule().record(itemNamed("Dentist")).alarmRepeat(), TimeValue::fromClock(9, 5).value());

    minuteAt(9, 4);
    EXPECT_EQ(count("Dentist scheduled"), 1);
    minuteAt(9, 5);
    EXPECT_EQ(count("Dentist scheduled to begin 5 minutes ago."), 1);
    EXPECT_EQ(schedule().record(itemNamed("Dentist")).alarmRepeat(), kAlarmAnswered);

    // Without a notification service the question alone rings, and the
    // error log says so once.
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        const std::string log = readFile(app->session().files().folder() / "error.log");
        EXPECT_EQ(log.find(kNoNotificationServiceText), log.rfind(kNoNotificationServiceText));
        EXPECT_NE(log.find(kNoNotificationServiceText), std::string::npos);
    }

    // Alarms off: the menu command checks, and an alarm set warns.
    dispatch(kAlarmsOffCommand);
    EXPECT_TRUE(app->alarms().alarmsOff());
    ItemRecord record;
    onModal<AlarmSetBox>([](AlarmSetBox& box) { pressOk(box); });
    EXPECT_TRUE(app->alarms().editAlarm(&app->window(), record));
    EXPECT_EQ(count(kAlarmsOffWarningText), 1);
    dispatch(kAlarmsOffCommand);
    EXPECT_FALSE(app->alarms().alarmsOff());
}

TEST_F(AlarmsNotesTest, ANoteIsWrittenReopenedAndRefusedWhileAnotherSessionHoldsIt)
{
    const ItemHandle item = area().selectedItem();
    ASSERT_TRUE(item);
    const std::string itemText(schedule().storedDescription(item));
    dispatch(1124);
    ASSERT_EQ(app->notes().windows().size(), 1u);
    NoteWindow* window = app->notes().windows().front();
    EXPECT_EQ(window->windowTitle().toStdString(), itemText + " - Notes");
    QTest::keyClicks(&window->editor(), "Call back on Tuesday.");
    dispatch(1124);
    EXPECT_EQ(app->notes().windows().size(), 1u) << "the same note opened twice focuses its window";
    saveScreenshot(*window, "note-window");
    const std::uint32_t number = window->number();
    ASSERT_NE(number, 0u);
    ASSERT_TRUE(window->close());
    ASSERT_TRUE(eventually([this] { return app->notes().windows().empty(); }));

    const NoteFiles files = app->notes().files();
    EXPECT_EQ(readNote(files.note(number)).text, "Call back on Tuesday.");
    EXPECT_FALSE(std::filesystem::exists(files.lock(number))) << "closing gives the lock back";
    EXPECT_TRUE(schedule().record(area().selectedItem()).has(ItemFlag::fHasNotes));

    // Another session has the note open.
    LinuxLockFileSystem otherFiles;
    NoteLock::Taken other = NoteLock::take(otherFiles, files, number);
    ASSERT_TRUE(other.lock);
    dispatch(1124);
    EXPECT_TRUE(app->notes().windows().empty());
    EXPECT_EQ(count(kNoteInUseText), 1);
    ASSERT_TRUE(other.lock->release());

    // Reopened: the text is back; the note information names it.
    dispatch(1124);
    ASSERT_EQ(app->notes().windows().size(), 1u);
    EXPECT_EQ(app->notes().windows().front()->editor().toPlainText(), "Call back on Tuesday.");
    dispatch(291);
    EXPECT_EQ(count("Note " + files.name(number) + "...  is on disk."), 1);
    ASSERT_TRUE(app->exitRequest());
    EXPECT_FALSE(std::filesystem::exists(files.lock(number))) << "the exit closes every note";
}

TEST_F(AlarmsNotesTest, ANewItemsNoteBeforeOkAndAnOccurrenceGivenANoteOfItsOwn)
{
    // "&Notes..." before OK: the note opens under a number the item keeps.
    dispatch(Command::proMode);  // LITE's forms have no Notes button
    std::uint32_t number = 0;
    onModal<ItemDialog>([&](ItemDialog& dialog) {
        typeInto(qobject_cast<QLineEdit*>(dialog.control(ControlId::text)), "Plan the trip");
        click(dialog.control(ControlId::notes));
        if (app->notes().windows().size() != 1u) {
            ADD_FAILURE() << "no note window";
            dialog.reject();
            return;
        }
        NoteWindow* note = app->notes().windows().front();
        number = note->number();
        EXPECT_EQ(note->windowTitle().toStdString(), "Plan the trip - Notes");
        QTest::keyClicks(&note->editor(), "Book the ferry.");
        pressOk(dialog);
    });
    dispatch(ItemCommand::task);
    ASSERT_NE(number, 0u);
    const ItemHandle trip = itemNamed("Plan the trip");
    ASSERT_TRUE(trip);
    EXPECT_EQ(schedule().record(trip).refNo(), number);
    ASSERT_TRUE(app->notes().windows().front()->close());
    EXPECT_EQ(readNote(app->notes().files().note(number)).text, "Book the ferry.");
    EXPECT_TRUE(eventually([&] { return schedule().record(itemNamed("Plan the trip")).has(ItemFlag::fHasNotes); }));

    // A daily item's note is shared by its occurrences until one separates.
    NewItem daily = appointmentOn(app->today(), "Walk", TimeValue::fromClock(14, 0).value());
    RecurrenceRecord rule;
    rule.setTypeByte(RecurType::daily);
    rule.setInterval(1);
    rule.setStartDay(app->today());
    daily.recurrence = rule;
    AddResult added = app->session().addItem(daily);
    ASSERT_EQ(added.status, AddStatus::Added);
    const ItemHandle walk = added.item;
    NoteWindow* shared = app->notes().open(walk);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->windowTitle().toStdString(), "Walk - Shared Notes");
    QTest::keyClicks(&shared->editor(), "Bring water.");
    shared->separating(*shared);
    EXPECT_EQ(count(kSelectInstanceText), 1) << "opened without an occurrence";
    ASSERT_TRUE(shared->close());
    const std::uint32_t sharedNumber = schedule().record(walk).refNo();

    NoteWindow* today = app->notes().open(walk, app->today());
    ASSERT_NE(today, nullptr);
    today->separating(*today);
    ASSERT_TRUE(eventually([this] { return app->notes().windows().size() == 1u; })) << "the shared note closed";
    NoteWindow* own = app->notes().windows().front();
    EXPECT_NE(own->number(), sharedNumber);
    EXPECT_EQ(own->windowTitle().toStdString(), "Walk - Notes");
    EXPECT_EQ(own->editor().toPlainText(), "Bring water.");
    own->editor().moveCursor(QTextCursor::End);
    QTest::keyClicks(&own->editor(), " Only today: rain coat.");
    const std::uint32_t ownNumber = own->number();
    ASSERT_TRUE(own->close());
    const NoteFiles files = app->notes().files();
    EXPECT_EQ(readNote(files.note(sharedNumber)).text, "Bring water.");
    EXPECT_EQ(readNote(files.note(ownNumber)).text, "Bring water. Only today: rain coat.");
    // Today's occurrence is an exception carrying the new number.
    const DayRecord* day = schedule().findDay(app->today());
    ASSERT_NE(day, nullptr);
    bool separated = false;
    for (const DayEntry& e : day->entries())
        separated = separated || (schedule().storedDescription(e.item) == "Walk" &&
                                  schedule().record(e.item).refNo() == ownNumber &&
                                  schedule().record(e.item).has(ItemFlag::fHasNotes));
    EXPECT_TRUE(separated);
}

TEST_F(AlarmsNotesTest, AtMostAHundredNotesAreOpen)
{
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        ASSERT_TRUE(app->session().obtainChangeAccess(std::chrono::seconds(0)));
        for (int i = 0; i < 101; ++i) {
            NewItem item = itemOn(app->today(), "Note item " + std::to_string(i));
            item.record.setKind(ItemKind::memo);
            ASSERT_EQ(app->session().addItem(std::move(item)).status, AddStatus::Added);
        }
    }
    std::vector<ItemHandle> items;
    for (ItemHandle h : schedule().chain)
        if (schedule().storedDescription(h).starts_with("Note item "))
            items.push_back(h);
    ASSERT_EQ(items.size(), 101u);
    for (ItemHandle h : items)
        app->notes().open(h);
    EXPECT_EQ(app->notes().windows().size(), 100u);
    EXPECT_EQ(count(kMaxNotesOpenText), 1);
    ASSERT_TRUE(app->exitRequest());
    EXPECT_TRUE(app->notes().windows().empty() || !app->notes().windows().front()->isVisible());
}

// Run under dbus-run-session: the notification service is a stand-in on
// the test's own session bus.
TEST_F(AlarmsNotesTest, TheDesktopNotificationCarriesTheAlarmAndItsActions)
{
    FakeNotifications service;
    if (!service.registerOnBus())
        GTEST_SKIP() << "no session bus (run under dbus-run-session)";
    DesktopNotifications notifications;
    ASSERT_TRUE(notifications.available());
    std::vector<std::string> actions;
    notifications.setActionHandler([&](std::uint32_t, const std::string& action) { actions.push_back(action); });
    const std::uint32_t id = notifications.notify("Zelkon", "Dentist scheduled to begin in 10 minutes.");
    ASSERT_NE(id, 0u);
    ASSERT_EQ(service.sent.size(), 1);
    EXPECT_EQ(service.sent[0].summary, "Zelkon");
    EXPECT_EQ(service.sent[0].body, "Dentist scheduled to begin in 10 minutes.");
    EXPECT_TRUE(service.sent[0].actions.contains(QString::fromUtf8(kOpenItemAction)));
    EXPECT_TRUE(service.sent[0].actions.contains(QString::fromUtf8(kRepeatLaterAction)));
    service.invoke(id, QString::fromUtf8(kRepeatLaterAction));
    EXPECT_TRUE(eventually([&] { return !actions.empty(); }));
    EXPECT_EQ(actions, std::vector<std::string>{kRepeatLaterAction});
    notifications.close(id);
    EXPECT_TRUE(eventually([&] { return !service.closed.isEmpty(); }));
    service.unregister();
}

} // namespace
} // namespace zk::testsupport
