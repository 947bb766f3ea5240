// The commands of a running session, reached as a user reaches them: a key
// opens the item dialog and the new item is shown at once; the selected
// item's status is set through the command road; the pane follows the
// day commands; and the window is photographed with its menus.

#include "desktopsupport.h"

#include "core/schedule.h"
#include "editing/itemdialog.h"
#include "shell/desktopcommands.h"
#include "shell/model/commands.h"
#include "shell/model/panelines.h"
#include "shell/mainwindow.h"
#include "sharing/session.h"
#include "views/daypane.h"
#include "views/schedulesarea.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

class DesktopCommandsTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        startSession();
        app->window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&app->window()));
    }
    bool shows(const QString& description)
    {
        for (const QString& line : app->window().dayPane().lines())
            if (line.section('\t', 1).contains(description))
                return true;
        return false;
    }
    // Fills the dialog the key opens, once it is up, and presses OK.
    static void answerItemDialog(const char* text, const char* duration)
    {
        QTimer::singleShot(0, [text, duration] {
            auto* dialog = qobject_cast<ItemDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr) << "the key opened no item dialog";
            for (auto [id, typed] : {std::pair{3, text}, std::pair{4, duration}}) {
                auto* field = qobject_cast<QLineEdit*>(dialog->control(id));
                ASSERT_NE(field, nullptr) << id;
                field->setFocus();
                QTest::keyClicks(field, QString::fromUtf8(typed));
                QTest::keyClick(field, Qt::Key_Tab);
            }
            QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
    }
};

TEST_F(DesktopCommandsTest, TheInsertKeyOpensTheItemDialogAndTheNewItemIsShownAtOnce)
{
    ASSERT_FALSE(shows("Water the plants"));
    answerItemDialog("Water the plants", "20");
    QTest::keyClick(&app->window(), Qt::Key_Insert);
    EXPECT_TRUE(shows("Water the plants")) << app->window().dayPane().lines().join('\n').toStdString();
    EXPECT_TRUE(app->session().schedule().dirty);
}

TEST_F(DesktopCommandsTest, SetStatusChangesTheSelectedItemOnly)
{
    const ItemHandle first = app->window().schedulesArea().selectedItem();
    QTest::keyClick(&app->window(), Qt::Key_Down);
    const ItemHandle selected = app->window().schedulesArea().selectedItem();
    ASSERT_TRUE(selected);
    EXPECT_NE(selected, first) << "Down moves the selection";
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
    app->commands().dispatcher().dispatch(383);
    EXPECT_EQ(app->session().schedule().record(selected).status(), 2);
    app->commands().dispatcher().dispatch(381);
    EXPECT_EQ(app->session().schedule().record(selected).status(), 0);
}

TEST_F(DesktopCommandsTest, TheDayCommandsMoveThePaneAndTheWindowShowsTheModesMenus)
{
    const DayNumber today = app->today();
    app->commands().dispatcher().dispatch(917);  // next day
    EXPECT_EQ(app->window().dayPane().day(), today + 1);
    app->commands().dispatcher().dispatch(924);  // today's schedule
    EXPECT_EQ(app->window().dayPane().day(), today);

    app->commands().dispatcher().dispatch(935);  // week view: the working week's five days
    EXPECT_EQ(app->window().schedulesArea().view(), ScheduleView::Week);
    EXPECT_EQ(app->window().schedulesArea().paneCount(), 5);
    fs::create_directories(ZELKON_SCREENSHOT_DIR);
    EXPECT_TRUE(app->window().grab().save(ZELKON_SCREENSHOT_DIR "/mainwindow-week.png"));
    app->commands().dispatcher().dispatch(934);  // the month view is still to come: it says so
    EXPECT_EQ(presenter.texts().back(), notAvailableText(934));
    EXPECT_EQ(app->window().schedulesArea().view(), ScheduleView::Week);
    app->commands().dispatcher().dispatch(931);
    EXPECT_EQ(app->window().schedulesArea().paneCount(), 1);

    QStringList menus;
    for (QAction* action : app->window().menuBar()->actions())
        menus << action->text();
    EXPECT_FALSE(menus.isEmpty());
    EXPECT_TRUE(app->window().grab().save(ZELKON_SCREENSHOT_DIR "/mainwindow-menus.png"));
}

} // namespace
} // namespace zk::testsupport
