#pragma once
// The item dialog over a session of its own: an empty PRO schedule in a
// temporary folder, a fixed clock, boxes recorded; and the hand of a user
// on its controls and on the dialogs it opens.

#include "guitestmain.h"

#include "editing/itemdialog.h"
#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "shell/model/backgroundwork.h"
#include "storage/datafile.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace zk::testsupport {

inline constexpr DayNumber kDialogToday{16000};  // Saturday 21 October 2023; now 10:00

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
inline void click(QWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->isEnabled()) << widget->objectName().toStdString();
    const bool box = !qobject_cast<QPushButton*>(widget);
    QTest::mouseClick(widget, Qt::LeftButton, {}, box ? QPoint(6, widget->height() / 2) : widget->rect().center());
}

// Into the field, over what it shows, and out with Tab.
inline void typeInto(QLineEdit* edit, const char* text)
{
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);  // an empty text still clears the field
    QTest::keyClicks(edit, QString::fromUtf8(text));
    QTest::keyClick(edit, Qt::Key_Tab);
}

inline void pressOk(QDialog& dialog)
{
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

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

    TemporaryFolder temporary{"zelkon-itemdialog"};
    const std::filesystem::path& folder = temporary.root();
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
