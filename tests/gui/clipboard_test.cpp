// The clipboard and file drops in a running session: Copy then Paste with
// the keys makes a second item of the selected one, the clipboard holding
// both the line and the calendar form, and Cut deletes what it copied; a
// calendar file dropped on the main window is imported.

#include "desktopsupport.h"

#include "exchange/clipboardforms.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <fstream>

namespace zk::testsupport {
namespace {

class ClipboardTest : public DesktopFixture {
protected:
    void SetUp() override { startSessionInActiveWindow(); }

    int itemsNamed(const std::string& text)
    {
        int n = 0;
        const Schedule& s = schedule();
        s.items.forEach([&](ItemHandle h) { n += s.storedDescription(h) == text; });
        return n;
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

TEST_F(ClipboardTest, ACalendarFileDroppedOnTheWindowIsImported)
{
    const std::filesystem::path file = home.root() / "meeting.ics";
    std::ofstream(file, std::ios::binary) << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:drop-1\r\n"
                                             "DTSTART:20240312T100000\r\nDTEND:20240312T110000\r\n"
                                             "SUMMARY:Dropped meeting\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&app->window(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    presenter.clear();
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&app->window(), &drop);
    ASSERT_EQ(presenter.texts().size(), 1u);
    EXPECT_EQ(presenter.texts()[0].rfind("1 items imported from ", 0), 0u) << presenter.texts()[0];
    EXPECT_EQ(itemsNamed("Dropped meeting"), 1);
    EXPECT_TRUE(shows("Dropped meeting")) << paneText();
}

} // namespace
} // namespace zk::testsupport
