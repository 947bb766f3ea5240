// The File menu's Export and Import against a real window, their file
// choosers answered by script, and the handheld dialog.

#include "desktopsupport.h"
#include "tests/sessionsupport.h"

#include "handheld/handheldfiles.h"
#include "shell/exchangecommands.h"
#include "shell/handhelddialog.h"
#include "shell/menubar.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <fstream>
#include <iterator>

namespace zk::testsupport {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ExchangeDesktopTest : public DesktopFixture {
protected:
    // Every chooser answers with the next file of the script; none left: cancel.
    void answerChoosers(std::vector<fs::path> files)
    {
        script = std::move(files);
        app->commands().exchange().setDialogs({[this](const ExchangeCommands::FileRequest& r) {
                                                   requests.push_back(r);
                                                   if (script.empty())
                                                       return std::optional<fs::path>();
                                                   fs::path next = script.front();
                                                   script.erase(script.begin());
                                                   return std::optional<fs::path>(next);
                                               },
                                               [](DayNumber viewed) {
                                                   return std::optional(std::pair{viewed, viewed + 2});
                                               }});
    }
    void trigger(int command)
    {
        QAction* action = app->commands().menus().action(command);
        ASSERT_NE(action, nullptr) << command;
        action->trigger();
    }

    std::vector<fs::path> script;
    std::vector<ExchangeCommands::FileRequest> requests;
};

TEST_F(ExchangeDesktopTest, ExportTodayAndImportFromTheMenus)
{
    startSession();
    const fs::path exported = home.root() / "today.txt";
    const fs::path lines = home.root() / "lines.txt";
    std::ofstream(lines) << "3/13/24 10:00 1:00 Visit the \xE9" "cole\r\n3/14/24 9:00 :30 Call Bo\r\n";
    answerChoosers({exported, lines});
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        NewItem item = itemOn(app->today(), "Exported tea", TimeValue::fromClock(15, 0).value(), 45);
        ASSERT_EQ(app->session().addItem(item).status, AddStatus::Added);
    }

    trigger(23);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].title, "Save As");
    EXPECT_EQ(requests[0].proposed.filename(), "export.txt");
    // The export's layout is met in TextExportTest; here, that the command wrote it.
    const std::string text = fileText(exported);
    EXPECT_NE(text.find(" 3:00p Exported tea"), std::string::npos) << text;

    const bool pro = app->commands().menus().action(737) != nullptr;
    trigger(pro ? 737 : 217);
    EXPECT_TRUE(eventually([this] { return !presenter.texts().empty(); }));
    EXPECT_EQ(presenter.texts().back(), "2 items imported.");
    EXPECT_EQ(app->state().viewed(), app->today() + 3);
    EXPECT_TRUE(shows("Call Bo")) << paneText();

    // Cancelled choosers do nothing and say nothing.
    const std::size_t shown = presenter.texts().size();
    trigger(166);
    trigger(22);
    EXPECT_EQ(presenter.texts().size(), shown);
    saveScreenshot(app->window(), "exchange-imported.png");
}

TEST_F(ExchangeDesktopTest, HandheldDialogSaysThereIsNoConduitAndWritesTheFile)
{
    startSession();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = dialog->windowTitle() == kHandheldDialogTitle;
        saveScreenshot(*dialog, "handheld-dialog.png");
        dialog->findChild<QPushButton*>("writeHandheld")->click();
        dialog->accept();
    });
    trigger(714);
    EXPECT_TRUE(seen);
    const std::string written = fileText(handheldFolder() / kToHandheldFileName);
    EXPECT_FALSE(written.empty());
    EXPECT_TRUE(presenter.texts().back().find("items written to") != std::string::npos);
}

} // namespace
} // namespace zk::testsupport
