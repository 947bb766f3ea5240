// Deleting, undeleting, the list views and the Find window in a running
// session, driven through the keys, the View menu and the Find window's
// buttons. Each list view is photographed.

#include "desktopsupport.h"

#include "editing/itemdialog.h"
#include "shell/model/propertycommands.h"
#include "shell/findcommands.h"
#include "shell/listviewcommands.h"
#include "views/findwindow.h"
#include "views/listpane.h"

#include <QLineEdit>
#include <QPushButton>

namespace zk::testsupport {
namespace {

class ListsAndDeleteTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        startSessionInActiveWindow();
        dispatch(Command::proMode);  // every list view is in PRO's menus
    }
    ListPane& listPane() { return app->commands().lists().pane(); }
    std::string selectedText()
    {
        const ItemHandle item = area().selectedItem();
        return item ? std::string(schedule().storedDescription(item)) : std::string();
    }
};

TEST_F(ListsAndDeleteTest, DeleteAsksAndUndeleteBringsTheItemBack)
{
    QTest::keyClick(&app->window(), Qt::Key_Down);
    const ItemHandle selected = area().selectedItem();
    ASSERT_TRUE(selected);
    const std::string text(schedule().storedDescription(selected));
    const QString shown = QString::fromStdString(text).left(12);
    presenter.clear();

    presenter.queueAnswer(Answer::No);
    QTest::keyClick(&app->window(), Qt::Key_Delete);
    ASSERT_EQ(presenter.texts().size(), 1u);
    EXPECT_NE(presenter.texts()[0].find("delete"), std::string::npos) << presenter.texts()[0];
    EXPECT_EQ(presenter.shown()[0].caption, "DELETE ITEM");
    EXPECT_TRUE(shows(shown)) << "No keeps the item";

    presenter.queueAnswer(Answer::Yes);
    QTest::keyClick(&app->window(), Qt::Key_Delete);
    EXPECT_FALSE(shows(shown)) << paneText();
    EXPECT_TRUE(schedule().dirty);
    saveScreenshot(app->window(), "delete-after");

    presenter.clear();
    presenter.queueAnswer(Answer::Yes);
    dispatch(612);
    ASSERT_FALSE(presenter.texts().empty());
    EXPECT_EQ(presenter.texts()[0].rfind("Would you like to undelete ", 0), 0u) << presenter.texts()[0];
    EXPECT_TRUE(shows(shown)) << paneText();

    presenter.clear();
    dispatch(612);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Nothing to undelete"});
}

// The general form carries Delete; the kind's own forms do not.
TEST_F(ListsAndDeleteTest, TheItemDialogsDeleteButtonDeletesTheItemItWasOpenedOn)
{
    QTest::keyClick(&app->window(), Qt::Key_Down);
    const ItemHandle selected = area().selectedItem();
    ASSERT_TRUE(selected);
    const QString shown = QString::fromStdString(std::string(schedule().storedDescription(selected))).left(12);
    presenter.clear();
    presenter.queueAnswer(Answer::Yes);
    onModal<ItemDialog>([](ItemDialog& dialog) {
        QWidget* button = dialog.control(ControlId::deleteItem);
        if (!button || !button->isVisible()) {
            dialog.reject();  // never left waiting
            FAIL() << "no Delete button";
        }
        click(button);
    });
    dispatch(PropertyCommand::customModify);
    ASSERT_FALSE(presenter.shown().empty()) << "the delete question";
    EXPECT_EQ(presenter.shown()[0].caption, "DELETE ITEM");
    EXPECT_FALSE(shows(shown)) << paneText();
}

TEST_F(ListsAndDeleteTest, EveryListViewOpensFromTheViewMenu)
{
    const std::pair<int, const char*> views[] = {
        {933, "list-all-items"},    {936, "list-priority"},  {937, "list-global"},
        {740, "list-alternate"},    {746, "list-edited"},    {749, "list-inserted"},
        {747, "list-recurring"},    {748, "list-suspended"},
    };
    for (auto [view, shot] : views) {
        QAction* action = menuAction(view, "View");
        ASSERT_NE(action, nullptr) << view;
        action->trigger();
        EXPECT_EQ(app->commands().view(), view);
        EXPECT_TRUE(listPane().isVisible()) << view;
        EXPECT_EQ(listPane().view(), view);
        saveScreenshot(app->window(), shot);
    }
    dispatch(501);  // the projects list, from the Projects menu
    EXPECT_TRUE(listPane().isVisible());
    saveScreenshot(app->window(), "list-projects");

    dispatch(933);
    ASSERT_GT(listPane().itemCount(), 1);
    EXPECT_EQ(listPane().visibleLines().size(), std::min(listPane().itemCount(), listPane().linesPerPage()));
    dispatch(8);  // Down selects in the list, not in the day pane
    dispatch(8);
    ASSERT_EQ(listPane().selectedIndex(), std::optional<int>(1));
    const ItemHandle listed = listPane().selectedItem();
    presenter.clear();
    presenter.queueAnswer(Answer::Yes);
    dispatch(921);
    ASSERT_FALSE(presenter.texts().empty());
    EXPECT_FALSE(schedule().items.isLive(listed) && listPane().selectedItem() == listed)
        << "Delete acts on the list's item";

    dispatch(931);
    EXPECT_FALSE(listPane().isVisible()) << "a day view hides the list";
}

TEST_F(ListsAndDeleteTest, TheFindWindowStepsNextAndPrior)
{
    dispatch(kFindCommand);
    FindWindow* window = app->commands().finding().window();
    ASSERT_NE(window, nullptr);
    // Every item of the sample that holds an "e", in the order Next meets them.
    typeInto(&window->itemText(), "e");
    dispatch(Command::todaysSchedule);
    QTest::keyClick(&app->window(), Qt::Key_Home, Qt::ControlModifier);
    clickButton(*window, "Next");
    const std::string first = selectedText();
    ASSERT_FALSE(first.empty());
    clickButton(*window, "Next");
    const std::string second = selectedText();
    EXPECT_NE(second, first);
    EXPECT_NE(second.find('e'), std::string::npos);
    saveScreenshot(app->window(), "find-next");
    clickButton(*window, "Prior");
    EXPECT_EQ(selectedText(), first);
    EXPECT_TRUE(window->isVisible()) << "Next and Prior leave the window open";

    presenter.clear();
    typeInto(&window->itemText(), "zzqx");
    clickButton(*window, "Next");
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{"Matches no items"});
    clickButton(*window, "Exit");
    EXPECT_TRUE(eventually([this] { return app->commands().finding().window() == nullptr; }));
    EXPECT_EQ(app->commands().finding().texts().item, "zzqx") << "the texts are kept for the session";
}

} // namespace
} // namespace zk::testsupport
