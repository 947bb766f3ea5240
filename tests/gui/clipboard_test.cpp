// The clipboard and file drops in a running session: Copy then Paste with
// the keys makes a second item of the selected one, the clipboard holding
// both the line and the calendar form, and Cut deletes what it copied; a
// calendar file or a file of pipeline lines dropped on the main window is
// imported, and so is a calendar file chosen with File > Import.

#include "desktopsupport.h"

#include "exchange/clipboardforms.h"
#include "shell/exchangecommands.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <fstream>

namespace zk::testsupport {
namespace {

class ClipboardTest : public ActiveWindowFixture {
protected:
    int itemsNamed(const std::string& text) { return testsupport::itemsNamed(schedule(), text); }

    // A drag of the file from outside: entering over the schedule pane, then
    // dropped there. True when the window took the drag.
    bool dropFile(const std::filesystem::path& file)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
        QWidget& target = area();
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &enter);
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &drop);
        return enter.isAccepted();
    }
};

TEST_F(ClipboardTest, CopyThenPasteMakesANewItem)
{
    QTest::keyClick(&app->window(), Qt::Key_Down);
    const ItemHandle selected = area().selectedItem();
    ASSERT_TRUE(selected);
    const std::string text(schedule().storedDescription(selected));
    ASSERT_EQ(itemsNamed(text), 1);

    QTest::keyClick(&app->window(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->text().endsWith(QString::fromStdString(text))) << data->text().toStdString();
    EXPECT_TRUE(data->data(kCalendarMimeType).startsWith("BEGIN:VCALENDAR"));

    presenter.clear();
    QTest::keyClick(&app->window(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
    EXPECT_EQ(itemsNamed(text), 2);
    EXPECT_TRUE(schedule().dirty);

    // The line alone, as another program puts it there.
    QApplication::clipboard()->setText("* 25 Call the plumber");
    QTest::keyClick(&app->window(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(itemsNamed("Call the plumber"), 1);
    saveScreenshot(app->window(), "clipboard-pasted");

    // Cut takes the pasted item off through Delete Item, keeping it on the
    // clipboard.
    ASSERT_EQ(schedule().storedDescription(area().selectedItem()), "Call the plumber");
    presenter.queueAnswer(Answer::Yes);
    QTest::keyClick(&app->window(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(itemsNamed("Call the plumber"), 0);
    EXPECT_TRUE(QApplication::clipboard()->text().endsWith("Call the plumber"));
}

TEST_F(ClipboardTest, FilesDroppedOnTheWindowOrChosenWithImportAreImported)
{
    const std::filesystem::path file = home.root() / "meeting.ics";
    std::ofstream(file, std::ios::binary) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:drop-1\r\n"
                                             "DTSTART:20240312T100000\r\nDTEND:20240312T110000\r\n"
                                             "SUMMARY:Dropped meeting\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    presenter.clear();
    EXPECT_TRUE(dropFile(file));
    ASSERT_EQ(presenter.texts().size(), 1u);
    EXPECT_EQ(presenter.texts()[0].rfind("1 items imported from ", 0), 0u) << presenter.texts()[0];
    EXPECT_EQ(itemsNamed("Dropped meeting"), 1);
    EXPECT_TRUE(shows("Dropped meeting")) << paneText();

    // Pipeline lines dropped go to the text import. Qt hands a drop only to
    // the widget that took the drag's entry, so each drop here is a whole
    // drag, entering over the schedule pane as a user's would.
    const std::filesystem::path lines = home.root() / "lines.txt";
    std::ofstream(lines, std::ios::binary) << "* 20 Water the plants\n";
    presenter.clear();
    EXPECT_TRUE(dropFile(lines));
    EXPECT_EQ(itemsNamed("Water the plants"), 1);
    ASSERT_EQ(presenter.texts().size(), 1u);
    EXPECT_EQ(presenter.texts()[0], "1 items imported.");

    // File > Import takes the calendar file its chooser gives.
    std::ofstream(file, std::ios::binary) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VTODO\r\nUID:chosen-1\r\n"
                                             "DTSTART;VALUE=DATE:20240312\r\nSUMMARY:Chosen task\r\n"
                                             "END:VTODO\r\nEND:VCALENDAR\r\n";
    ExchangeCommands::Dialogs dialogs;
    dialogs.chooseFile = [&](const ExchangeCommands::FileRequest&) { return std::optional(file); };
    app->commands().exchange().setDialogs(dialogs);
    dispatch(217);
    EXPECT_EQ(itemsNamed("Chosen task"), 1);
}

} // namespace
} // namespace zk::testsupport
