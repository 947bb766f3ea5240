// Shell commands of a running session: File/Name's Data File and Exe
// Folder start the program again on another schedule folder after the
// session closed, and Insert/List... defines a list that the Global List
// shows.

#include "desktopsupport.h"

#include "editing/itemdialog.h"
#include "shell/datafoldercommands.h"
#include "shell/listviewcommands.h"
#include "shell/menubar.h"
#include "views/listpane.h"

#include <QAction>

namespace zk::testsupport {
namespace {

class ShellCommandsTest : public ActiveWindowFixture {
protected:
    // The folder dialog answers with `answer` and the launch is only noted.
    void chooseFolder(std::optional<std::filesystem::path> answer)
    {
        DataFolderCommands& folders = app->commands().dataFolders();
        folders.setFolderChooser([this, answer](const std::filesystem::path& start, const QString&) {
            starts.push_back(start);
            return answer;
        });
        folders.setLauncher([this](const std::filesystem::path& folder) { launched.push_back(folder); });
    }

    std::vector<std::filesystem::path> starts;
    std::vector<std::filesystem::path> launched;
};

TEST_F(ShellCommandsTest, NamingADataFolderClosesTheSessionAndStartsTheProgramOnIt)
{
    const std::filesystem::path current = app->session().files().folder();
    // Cancelled, or the folder in use: the session goes on as it was.
    chooseFolder(std::nullopt);
    QTest::keyClick(&app->window(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    chooseFolder(current);
    app->commands().menus().action(DataFolderCommand::dataFile)->trigger();
    ASSERT_EQ(starts.size(), 2u) << "Ctrl+Shift+N and the menu ask for the folder";
    EXPECT_EQ(starts[0], current) << "from the schedule folder";
    EXPECT_TRUE(launched.empty());
    EXPECT_TRUE(app->window().isVisible());
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();

    // Another folder: the session closes, saving what it changed, and only
    // then the program starts on the folder.
    const std::filesystem::path other = home.root() / "other schedule";
    std::filesystem::create_directories(other);
    schedule().dirty = true;
    chooseFolder(other);
    app->commands().menus().action(DataFolderCommand::exeFolder)->trigger();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], other);
    EXPECT_NE(starts.back(), current) << "Exe Folder starts in the program's folder";
    EXPECT_FALSE(app->window().isVisible());
    EXPECT_FALSE(std::filesystem::exists(current / "timedata.loc")) << "the lock went with the session";
}

TEST_F(ShellCommandsTest, InsertListDefinesAListThatTheGlobalListShows)
{
    dispatch(Command::proMode);  // the Insert menu holds List... in PRO mode
    QAction* insertList = app->commands().menus().action(ItemCommand::list);
    ASSERT_NE(insertList, nullptr);
    QString title;
    onModal<ItemDialog>([&title](ItemDialog& dialog) {
        title = dialog.windowTitle();
        typeInto(qobject_cast<QLineEdit*>(dialog.control(ControlId::text)), "Books to read");
        pressOk(dialog);
    });
    insertList->trigger();
    EXPECT_EQ(title, "Define List");
    ASSERT_FALSE(schedule().globalList.empty());
    EXPECT_EQ(schedule().storedDescription(schedule().globalList.back()), "Books to read");
    EXPECT_FALSE(shows("Books to read")) << "a list lies on no day";

    dispatch(Command::globalListView);
    ListPane& list = app->commands().lists().pane();
    ASSERT_TRUE(list.isVisible());
    bool listed = false;
    for (const QString& line : list.visibleLines())
        listed = listed || line.contains("Books to read");
    EXPECT_TRUE(listed);
}

} // namespace
} // namespace zk::testsupport
