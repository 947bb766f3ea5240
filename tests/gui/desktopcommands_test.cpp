// The commands of a running session, reached as a user reaches them: a key
// opens the item dialog, the status of the selected item, the day and view
// commands; and the window photographed with its menus.

#include "desktopsupport.h"

#include "core/schedule.h"
#include "editing/itemdialog.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "sharing/session.h"
#include "views/daypane.h"
#include "views/schedulesarea.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace zk::testsupport {
namespace {

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
    void dispatch(int command) { app->commands().dispatcher().dispatch(command); }
    SchedulesArea& area() { return app->window().schedulesArea(); }
};

TEST_F(DesktopCommandsTest, TheInsertKeyOpensTheItemDialogAndTheNewItemIsShownAtOnce)
{
    ASSERT_FALSE(shows("Water the plants"));
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<ItemDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "the key opened no item dialog";
        for (auto [id, typed] : {std::pair{ControlId::text, "Water the plants"}, std::pair{ControlId::duration, "20"}}) {
            auto* field = qobject_cast<QLineEdit*>(dialog->control(id));
            field->setFocus();
            QTest::keyClicks(field, typed);
            QTest::keyClick(field, Qt::Key_Tab);
        }
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    QTest::keyClick(&app->window(), Qt::Key_Insert);
    EXPECT_TRUE(shows("Water the plants")) << app->window().dayPane().lines().join('\n').toStdString();
    EXPECT_TRUE(app->session().schedule().dirty);
}

TEST_F(DesktopCommandsTest, SetStatusChangesTheSelectedItemOnly)
{
    const ItemHandle first = area().selectedItem();
    QTest::keyClick(&app->window(), Qt::Key_Down);
    const ItemHandle selected = area().selectedItem();
    ASSERT_TRUE(selected);
    EXPECT_NE(selected, first) << "Down moves the selection";
    dispatch(383);
    EXPECT_EQ(app->session().schedule().record(selected).status(), 2);
    EXPECT_EQ(app->session().schedule().record(first).status(), 0);
    dispatch(381);
    EXPECT_EQ(app->session().schedule().record(selected).status(), 0);
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

TEST_F(DesktopCommandsTest, TheDayCommandsMoveThePaneAndTheWindowShowsTheModesMenus)
{
    const DayNumber today = app->today();
    dispatch(917);  // next day
    EXPECT_EQ(app->window().dayPane().day(), today + 1);
    dispatch(924);  // today's schedule
    EXPECT_EQ(app->window().dayPane().day(), today);

    dispatch(935);  // week view: the working week's five days
    EXPECT_EQ(area().view(), ScheduleView::Week);
    EXPECT_EQ(area().paneCount(), 5);
    saveScreenshot(app->window(), "mainwindow-week");
    dispatch(934);  // the month view is still to come: it says so
    EXPECT_EQ(presenter.texts().back(), notAvailableText(934));
    EXPECT_EQ(area().view(), ScheduleView::Week);
    dispatch(931);
    EXPECT_EQ(area().paneCount(), 1);
    saveScreenshot(app->window(), "mainwindow-menus");
}

} // namespace
} // namespace zk::testsupport
