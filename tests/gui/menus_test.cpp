// The menus, toolbar and keys of each interface mode in a real window: every
// PRO key reaches its command, switching modes changes menus and keys, a
// command not built yet answers with an information box, and opening a
// menu greys and checks its items. Writes a picture of each mode's menus.

#include "tests/fakenavigator.h"
#include "tests/gui/boxreader.h"
#include "tests/gui/guitestmain.h"

#include "engine/interfacemode.h"
#include "platform/messages.h"
#include "shell/menubar.h"
#include "shell/messagebox.h"

#include <QAbstractButton>
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace zk {
namespace {

using ::testing::ElementsAre;

class MenusTest : public ::testing::Test {
protected:
    MenusTest()
    {
        dispatcher.setGates({.activity = [this](int command) { seen.push_back(command); }});
        window.resize(1000, 600);
    }
    void showWindow()
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    std::vector<int> press(const QKeySequence& sequence)
    {
        seen.clear();
        QKeyCombination key = sequence[0];
        QTest::keyClick(&window, key.key(), key.keyboardModifiers());
        return seen;
    }
    std::vector<int> press(std::string_view key) { return press(keySequences(*parseKey(key)).front()); }
    std::vector<std::string> menuTitles() const
    {
        std::vector<std::string> titles;
        for (QAction* action : window.menuBar()->actions())
            titles.push_back(plainText(action->text().toStdString()));
        return titles;
    }
    // The item of a command as the menus hold it, searched from the bar.
    static QAction* findItem(const QList<QAction*>& actions, int command)
    {
        for (QAction* action : actions) {
            if (action->menu()) {
                if (QAction* found = findItem(action->menu()->actions(), command))
                    return found;
            } else if (action->data().toInt() == command) {
                return action;
            }
        }
        return nullptr;
    }

    // Before the window: no widget without the application.
    QApplication& application = testsupport::guiApplication();
    ScriptedPresenter presenter;
    Messages messages{presenter};
    CommandDispatcher dispatcher{messages};
    QMainWindow window;
    CommandState state;
    CommandMenus menus{window, dispatcher, [this] { return state; }};
    std::vector<int> seen;
};

TEST_F(MenusTest, EveryProKeyReachesItsCommand)
{
    menus.applyMode(InterfaceMode::pro, {});
    showWindow();
    int pressed = 0;
    for (const KeyBinding& binding : keySet(InterfaceMode::pro))
        for (const QKeySequence& sequence : keySequences(binding.key)) {
            EXPECT_THAT(press(sequence), ElementsAre(binding.command))
                << keyText(binding.key) << " as " << sequence.toString().toStdString();
            ++pressed;
        }
    EXPECT_GT(pressed, 120);
}

TEST_F(MenusTest, SwitchingModesChangesMenusAndKeys)
{
    menus.applyMode(InterfaceMode::pro, {});
    showWindow();
    EXPECT_EQ(menuTitles().size(), 12u);
    ASSERT_NE(menus.popup("Surprise"), nullptr);

    menus.applyMode(InterfaceMode::ez, {});
    EXPECT_THAT(menuTitles(), ElementsAre("File", "Edit", "Insert", "Select", "View", "Options", "Help"));
    EXPECT_EQ(menus.popup("Surprise"), nullptr);
    EXPECT_THAT(press("F12"), ElementsAre(977));  // EZ keeps the full key set
    EXPECT_EQ(findItem(window.menuBar()->actions(), 977), nullptr);

    menus.applyMode(InterfaceMode::lite, {});
    EXPECT_EQ(menuTitles().size(), 10u);
    EXPECT_THAT(press("Ctrl+U"), ElementsAre(Command::multiPaneView));
    EXPECT_THAT(press("'"), ElementsAre(648));
    EXPECT_TRUE(press("F12").empty());
}

TEST_F(MenusTest, ToolbarButtonsFollowTheMode)
{
    auto button = [this](int command) {
        for (QAction* action : menus.toolBar()->actions())
            if (action->data().toInt() == command)
                return action;
        return static_cast<QAction*>(nullptr);
    };
    menus.applyMode(InterfaceMode::lite, {});
    ASSERT_NE(button(977), nullptr);
    EXPECT_FALSE(button(977)->isEnabled());
    EXPECT_TRUE(button(935)->isEnabled());
    menus.applyMode(InterfaceMode::ez, {});
    EXPECT_FALSE(button(935)->isEnabled());
    menus.applyMode(InterfaceMode::pro, {});
    EXPECT_TRUE(button(977)->isEnabled());
    state.view = Command::weekView;
    menus.refresh();
    EXPECT_TRUE(button(935)->isChecked());
    EXPECT_FALSE(button(931)->isChecked());
    button(924)->trigger();
    EXPECT_THAT(seen, ElementsAre(924));
    EXPECT_FALSE(button(921)->isEnabled());  // Delete: nothing selected
    state.hasSelection = true;
    menus.refresh();
    EXPECT_TRUE(button(921)->isEnabled());
}

TEST_F(MenusTest, AnUnknownModeLeavesTheMenusInPlace)
{
    EXPECT_FALSE(menus.applyMode(7, {}));  // none in place: the full menus
    EXPECT_EQ(menus.mode(), InterfaceMode::pro);
    EXPECT_EQ(menuTitles().size(), 12u);
    menus.applyMode(InterfaceMode::ez, {});
    EXPECT_FALSE(menus.applyMode(7, {}));
    EXPECT_EQ(menus.mode(), InterfaceMode::ez);
    EXPECT_EQ(menuTitles().size(), 7u);
    EXPECT_EQ(unknownModeText(7), "The menus of interface mode 7 cannot be loaded.");
}

TEST_F(MenusTest, ModeCommandsSwitchAndKeepTheDayAndTheView)
{
    testsupport::FakeNavigator navigator;
    ViewCommands views(navigator);
    views.install(dispatcher, {});
    std::vector<std::uint32_t> stored;
    installModeCommands(dispatcher, menus, [] { return MenuOptions{}; }, [&](std::uint32_t mode) { stored.push_back(mode); });
    menus.applyMode(InterfaceMode::lite, {});
    navigator.show(16100);
    dispatcher.dispatch(Command::weekView);

    findItem(window.menuBar()->actions(), Command::proMode)->trigger();
    EXPECT_EQ(menus.mode(), InterfaceMode::pro);
    EXPECT_NE(menus.popup("Projects"), nullptr);
    findItem(window.menuBar()->actions(), Command::proMode)->trigger();  // the mode in place: nothing
    EXPECT_THAT(stored, ElementsAre(InterfaceMode::pro));
    EXPECT_EQ(views.view(), Command::weekView);
    EXPECT_EQ(navigator.viewedDay().value(), 16100);
}

TEST_F(MenusTest, OpeningAMenuGreysAndChecksItsItems)
{
    state.interfaceMode = InterfaceMode::pro;
    state.view = Command::monthView;
    menus.applyMode(InterfaceMode::pro, {});
    showWindow();
    QMenu* edit = menus.popup("Edit");
    edit->popup(QPoint(20, 20));
    EXPECT_FALSE(menus.action(921)->isEnabled());  // nothing selected
    EXPECT_TRUE(menus.action(648)->isEnabled());
    edit->hide();
    EXPECT_TRUE(menus.action(921)->isEnabled());  // keys go to the dispatcher again
    EXPECT_THAT(press("Delete"), ElementsAre(921));

    QMenu* view = menus.popup("View");
    view->popup(QPoint(20, 20));
    EXPECT_TRUE(menus.action(Command::monthView)->isChecked());
    EXPECT_FALSE(menus.action(Command::singleView)->isChecked());
    view->hide();
}

TEST_F(MenusTest, ACommandNotBuiltYetStandsInItsMenuAndSaysSo)
{
    MessageBoxPresenter boxes(MessageBoxPresenter::Mode::Interactive);
    Messages boxMessages(boxes);
    CommandDispatcher boxDispatcher(boxMessages);
    CommandMenus boxMenus(window, boxDispatcher, [this] { return state; });
    boxMenus.applyMode(InterfaceMode::pro, {});
    QAction* print = findItem(window.menuBar()->actions(), 1258);
    ASSERT_NE(print, nullptr);
    testsupport::BoxReader reader;
    print->trigger();
    EXPECT_EQ(reader.icon, QMessageBox::Information);
    EXPECT_EQ(reader.text, "Print is not available yet.");
}

TEST_F(MenusTest, AboutShowsTheVersionAndTheBuildDate)
{
    installAboutCommand(dispatcher, &window);
    menus.applyMode(InterfaceMode::ez, {});
    testsupport::BoxReader reader;
    findItem(window.menuBar()->actions(), Command::about)->trigger();
    EXPECT_THAT(reader.text, ::testing::StartsWith("Zelkon 21.00\nBuild date "));
    EXPECT_GT(reader.text.size(), aboutText("").size());
}

// --- pictures of the menus ------------------------------------------------------------

QPixmap grabOpen(QMenu& menu)
{
    menu.popup(QPoint(0, 0));
    QApplication::processEvents();
    QPixmap picture = menu.grab();
    menu.hide();
    return picture;
}

void collectSubmenus(QMenu& menu, std::vector<QMenu*>& out)
{
    for (QAction* action : menu.actions())
        if (action->menu()) {
            out.push_back(action->menu());
            collectSubmenus(*action->menu(), out);
        }
}

// Pictures side by side, in rows no wider than the width, under a heading.
QImage sheet(const QPixmap& heading, const std::vector<QPixmap>& pictures, int width)
{
    const int gap = 12;
    std::vector<QPoint> places;
    int x = 0, y = heading.height() + gap, rowHeight = 0, right = heading.width();
    for (const QPixmap& picture : pictures) {
        if (x > 0 && x + picture.width() > width) {
            x = 0;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        places.emplace_back(x, y);
        x += picture.width() + gap;
        right = std::max(right, x);
        rowHeight = std::max(rowHeight, picture.height());
    }
    QImage image(right, y + rowHeight, QImage::Format_RGB32);
    image.fill(QColor(0x70, 0x80, 0x90));
    QPainter painter(&image);
    painter.drawPixmap(0, 0, heading);
    for (std::size_t i = 0; i < pictures.size(); ++i)
        painter.drawPixmap(places[i], pictures[i]);
    return image;
}

TEST_F(MenusTest, PicturesOfEachModesMenus)
{
    std::filesystem::create_directories(ZELKON_SCREENSHOT_DIR);
    state.hasSelection = true;
    showWindow();
    for (auto [mode, name] : {std::pair{InterfaceMode::lite, "lite"}, {InterfaceMode::pro, "pro"}, {InterfaceMode::ez, "ez"}}) {
        state.interfaceMode = mode;
        menus.applyMode(mode, {});
        QApplication::processEvents();
        QPixmap bar = window.grab(QRect(0, 0, window.width(), menus.toolBar()->geometry().bottom() + 1));
        std::vector<QPixmap> popups, submenus;
        std::vector<QMenu*> nested;
        for (QAction* action : window.menuBar()->actions()) {
            popups.push_back(grabOpen(*action->menu()));
            collectSubmenus(*action->menu(), nested);
        }
        for (QMenu* menu : nested)
            submenus.push_back(grabOpen(*menu));
        const std::string base = std::string(ZELKON_SCREENSHOT_DIR) + "/menus-" + name;
        EXPECT_TRUE(sheet(bar, popups, 1800).save(QString::fromStdString(base + ".png")));
        EXPECT_TRUE(sheet(bar, submenus, 1800).save(QString::fromStdString(base + "-submenus.png")));
    }
}

} // namespace
} // namespace zk
