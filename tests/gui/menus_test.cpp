// The menus, toolbar and keys of each interface mode in a real window, and
// a picture of each mode's menus.

#include "tests/fakenavigator.h"
#include "tests/gui/boxreader.h"
#include "tests/gui/guitestmain.h"

#include "engine/interfacemode.h"
#include "platform/messages.h"
#include "shell/menubar.h"
#include "shell/messagebox.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>

#include <gmock/gmock.h>

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
        QTest::keyClick(&window, sequence[0].key(), sequence[0].keyboardModifiers());
        return seen;
    }
    std::vector<int> press(std::string_view key) { return press(keySequences(*parseKey(key)).front()); }
    std::size_t menuCount() const { return window.menuBar()->actions().size(); }
    // The item of a command among the actions or in their menus.
    static QAction* findIn(const QList<QAction*>& actions, int command)
    {
        for (QAction* action : actions) {
            if (!action->menu() && action->data().toInt() == command)
                return action;
            if (QAction* found = action->menu() ? findIn(action->menu()->actions(), command) : nullptr)
                return found;
        }
        return nullptr;
    }
    QAction* findItem(int command) const { return findIn(window.menuBar()->actions(), command); }

    QApplication& application = testsupport::guiApplication();  // before any widget
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
    EXPECT_GT(pressed, 115);
}

TEST_F(MenusTest, SwitchingModesChangesMenusAndKeysAndAnUnknownModeLeavesThemInPlace)
{
    EXPECT_FALSE(menus.applyMode(7, {}));  // none in place: the full menus
    EXPECT_EQ(menus.mode(), InterfaceMode::pro);
    EXPECT_EQ(menuCount(), 12u);
    showWindow();
    ASSERT_NE(menus.popup("Surprise"), nullptr);

    menus.applyMode(InterfaceMode::ez, {});
    EXPECT_EQ(menuCount(), 7u);
    EXPECT_EQ(menus.popup("Surprise"), nullptr);
    EXPECT_THAT(press("F12"), ElementsAre(977));  // EZ keeps the full key set
    EXPECT_EQ(findItem(977), nullptr);
    EXPECT_FALSE(menus.applyMode(7, {}));
    EXPECT_EQ(menus.mode(), InterfaceMode::ez);
    EXPECT_EQ(unknownModeText(7), "The menus of interface mode 7 cannot be loaded.");

    menus.applyMode(InterfaceMode::lite, {});
    EXPECT_EQ(menuCount(), 10u);
    EXPECT_THAT(press("Ctrl+U"), ElementsAre(Command::multiPaneView));
    EXPECT_TRUE(press("F12").empty());
}

TEST_F(MenusTest, ToolbarButtonsFollowTheMode)
{
    auto button = [this](int command) { return findIn(menus.toolBar()->actions(), command); };
    menus.applyMode(InterfaceMode::lite, {});
    ASSERT_NE(button(977), nullptr);
    EXPECT_FALSE(button(977)->isEnabled());
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

    findItem(Command::proMode)->trigger();
    EXPECT_EQ(menus.mode(), InterfaceMode::pro);
    findItem(Command::proMode)->trigger();  // the mode in place: nothing
    EXPECT_THAT(stored, ElementsAre(InterfaceMode::pro));
    EXPECT_EQ(views.view(), Command::weekView);
    EXPECT_EQ(navigator.viewedDay().value(), 16100);
}

TEST_F(MenusTest, OpeningAMenuGreysAndChecksItsItems)
{
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

    menus.popup("View")->popup(QPoint(20, 20));
    EXPECT_TRUE(menus.action(Command::monthView)->isChecked());
    EXPECT_FALSE(menus.action(Command::singleView)->isChecked());
    menus.popup("View")->hide();
}

// What a command not built yet says is met in the dispatcher's tests.
TEST_F(MenusTest, AboutShowsTheVersion)
{
    MessageBoxPresenter boxes(MessageBoxPresenter::Mode::Interactive);
    Messages boxMessages(boxes);
    CommandDispatcher boxDispatcher(boxMessages);
    CommandMenus boxMenus(window, boxDispatcher, [this] { return state; });
    installAboutCommand(boxDispatcher, &window);
    boxMenus.applyMode(InterfaceMode::pro, {});
    testsupport::BoxReader reader;
    findItem(Command::about)->trigger();
    EXPECT_THAT(reader.text, ::testing::StartsWith("Zelkon 21.00\nBuild date "));
    EXPECT_GT(reader.text.size(), aboutText("").size());
}

// Each menu open in turn, side by side in rows, under the bar and toolbar.
QImage sheetOfMenus(const QPixmap& heading, const std::vector<QMenu*>& menus)
{
    const int gap = 12, width = 1800;
    std::vector<std::pair<QPoint, QPixmap>> placed;
    int x = 0, y = heading.height() + gap, rowHeight = 0, right = heading.width();
    for (QMenu* menu : menus) {
        menu->popup(QPoint(0, 0));
        QApplication::processEvents();
        QPixmap picture = menu->grab();
        menu->hide();
        if (x > 0 && x + picture.width() > width) {
            x = 0;
            y += rowHeight + gap;
            rowHeight = 0;
        }
        placed.emplace_back(QPoint(x, y), picture);
        x += picture.width() + gap;
        right = std::max(right, x);
        rowHeight = std::max(rowHeight, picture.height());
    }
    QImage image(right, y + rowHeight, QImage::Format_RGB32);
    image.fill(QColor(0x70, 0x80, 0x90));
    QPainter painter(&image);
    painter.drawPixmap(0, 0, heading);
    for (const auto& [at, picture] : placed)
        painter.drawPixmap(at, picture);
    return image;
}

void collectSubmenus(QMenu& menu, std::vector<QMenu*>& out)
{
    for (QAction* action : menu.actions())
        if (action->menu()) {
            out.push_back(action->menu());
            collectSubmenus(*action->menu(), out);
        }
}

TEST_F(MenusTest, PicturesOfEachModesMenus)
{
    state.hasSelection = true;
    showWindow();
    for (auto [mode, name] : {std::pair{InterfaceMode::lite, "lite"}, {InterfaceMode::pro, "pro"}, {InterfaceMode::ez, "ez"}}) {
        state.interfaceMode = mode;
        menus.applyMode(mode, {});
        QApplication::processEvents();
        QPixmap bar = window.grab(QRect(0, 0, window.width(), menus.toolBar()->geometry().bottom() + 1));
        std::vector<QMenu*> popups, submenus;
        for (QAction* action : window.menuBar()->actions()) {
            popups.push_back(action->menu());
            collectSubmenus(*action->menu(), submenus);
        }
        testsupport::saveScreenshot(sheetOfMenus(bar, popups), QString("menus-%1").arg(name));
        testsupport::saveScreenshot(sheetOfMenus(bar, submenus), QString("menus-%1-submenus").arg(name));
    }
}

} // namespace
} // namespace zk
