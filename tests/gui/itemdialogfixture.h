#pragma once
// The item dialog over a session of its own: an empty PRO schedule in a
// temporary folder, a fixed clock, boxes recorded.

#include "guitestmain.h"

#include "editing/itemdialog.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "shell/model/backgroundwork.h"
#include "storage/datafile.h"

namespace zk::testsupport {

inline constexpr DayNumber kDialogToday{16000};  // Saturday 21 October 2023; now 10:00

class ItemDialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApplication();
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
        installFaultHandler(previousHandler);
    }

    void open(int command, ItemHandle item = kNoItem, DayNumber day = kDialogToday)
    {
        dialog = std::make_unique<ItemDialog>(*session, work, ItemDialogRequest{command, item, {}, {}, day});
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    QWidget* control(int id) { return dialog->control(id); }
    QLineEdit* edit(int id) { return qobject_cast<QLineEdit*>(control(id)); }
    void type(int id, const char* text) { typeInto(edit(id), text); }
    QString shown(int id) { return edit(id)->text(); }
    // OK pressed: the dialog closes with the item stored.
    ItemHandle stored()
    {
        pressOk(*dialog);
        EXPECT_FALSE(dialog->isVisible()) << "OK closes the dialog";
        EXPECT_EQ(dialog->result().status, CommitStatus::Stored);
        return dialog->result().item;
    }
    Schedule& schedule() { return session->schedule(); }

    TempFolder temporary;
    const std::filesystem::path& folder = temporary.path();
    FixedClock clock{LocalMoment{2023, 10, 21, 10, 0, 0}};
    ScriptedPresenter presenter;
    Messages messages{presenter};
    BackgroundWork work;
    ThrowingFaultHandler faults;
    FaultHandler* previousHandler = installFaultHandler(&faults);
    std::unique_ptr<Session> session;
    std::unique_ptr<ItemDialog> dialog;
};

} // namespace zk::testsupport
