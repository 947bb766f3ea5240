// A running session driven as a user drives it: a key opens the item
// dialog, the status of the selected item, the day and view commands, and
// entries dragged with the mouse in the multi-pane view. The window is
// photographed with its menus and while an entry is dragged.

#include "desktopsupport.h"

#include "editing/itemdialog.h"
#include "shell/model/menus.h"

#include <QMouseEvent>

namespace zk::testsupport {
namespace {

using DesktopCommandsTest = ActiveWindowFixture;

TEST_F(DesktopCommandsTest, TheInsertKeyOpensTheItemDialogAndTheNewItemIsShownAtOnce)
{
    ASSERT_FALSE(shows("Water the plants"));
    onModal<ItemDialog>([](ItemDialog& dialog) {
        typeInto(qobject_cast<QLineEdit*>(dialog.control(ControlId::text)), "Water the plants");
        typeInto(qobject_cast<QLineEdit*>(dialog.control(ControlId::duration)), "20");
        pressOk(dialog);
    });
    QTest::keyClick(&app->window(), Qt::Key_Insert);
    EXPECT_TRUE(shows("Water the plants")) << paneText();
    EXPECT_TRUE(schedule().dirty);
}

// A menu item, key or button without a handler would answer "... is not
// available yet."; e-mail is on so that its items are in the menus too.
TEST_F(DesktopCommandsTest, EveryMenuItemKeyAndButtonOfEveryModeIsCarriedOut)
{
    const CommandDispatcher& dispatcher = app->commands().dispatcher();
    for (std::uint32_t mode : {0u, 1u, 3u}) {
        SCOPED_TRACE(mode);
        std::vector<int> commands = commandsOf(menuBar(mode, {.email = true}));
        for (const KeyBinding& binding : keySet(mode))
            commands.push_back(binding.command);
        for (const ToolbarButton& button : toolbarButtons())
            commands.push_back(button.command);
        for (int id : commands) {
            const CommandInfo* info = findCommand(id);
            if (id != 0 && info && info->owner != Owner::Reserved) {
                EXPECT_TRUE(dispatcher.hasHandler(id)) << id << " " << info->text;
            }
        }
    }
}

TEST_F(DesktopCommandsTest, SetStatusChangesTheSelectedItemOnly)
{
    const ItemHandle first = area().selectedItem();
    QTest::keyClick(&app->window(), Qt::Key_Down);
    const ItemHandle selected = area().selectedItem();
    ASSERT_TRUE(selected);
    EXPECT_NE(selected, first) << "Down moves the selection";
    dispatch(383);
    EXPECT_EQ(schedule().record(selected).status(), 2);
    EXPECT_EQ(schedule().record(first).status(), 0);
    dispatch(381);
    EXPECT_EQ(schedule().record(selected).status(), 0);
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
    dispatch(934);  // the month view takes the schedules area's place
    EXPECT_TRUE(app->window().monthViewShown());
    dispatch(931);
    EXPECT_FALSE(app->window().monthViewShown());
    EXPECT_EQ(area().paneCount(), 1);
    saveScreenshot(app->window(), "mainwindow-menus");
}

class PaneDragTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        startSessionInActiveWindow();
        dispatch(Command::multiPaneView);
        ASSERT_GE(area().paneCount(), 2);
    }

    // The first (or last) line shown of the pane whose item passes the test.
    static int lineWhere(DayPane& pane, const std::function<bool(const PaneLine&)>& test, bool last = false)
    {
        const auto& lines = pane.record().lines();
        int found = -1;
        for (int i = 0; i < static_cast<int>(lines.size()) && (last || found < 0); ++i)
            if (lines[i].selectable() && test(lines[i]) && !pane.lineRect(i).isEmpty())
                found = i;
        return found;
    }
    static ItemHandle itemOf(DayPane& pane, int line) { return pane.record().lines()[static_cast<std::size_t>(line)].item; }
    static QPoint textPoint(DayPane& pane, int line)
    {
        const QRect rect = pane.lineRect(line);
        return QPoint(rect.left() + rect.width() / 2, rect.top() + 3);
    }
    static void move(DayPane& pane, QPoint at)
    {
        QMouseEvent event(QEvent::MouseMove, at, pane.mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&pane, &event);
    }

    // The press, the moves and the release of a drag from one pane to a
    // point of another (or the same) pane, as the mouse sends them.
    void drag(DayPane& from, QPoint start, DayPane& to, QPoint end, const char* shotWhileDragging = nullptr)
    {
        QTest::mousePress(&from, Qt::LeftButton, Qt::NoModifier, start);
        const QPoint target = from.mapFromGlobal(to.mapToGlobal(end));
        for (QPoint at : {start + QPoint(QApplication::startDragDistance() + 2, 0), (start + target) / 2, target})
            move(from, at);
        EXPECT_TRUE(from.dragging());
        EXPECT_EQ(from.cursor().shape(), Qt::DragMoveCursor);
        if (shotWhileDragging)
            saveScreenshot(app->window(), shotWhileDragging);
        QTest::mouseRelease(&from, Qt::LeftButton, Qt::NoModifier, target);
    }

    std::vector<ItemHandle> itemsOn(DayNumber day)
    {
        std::vector<ItemHandle> items;
        for (const DayEntry& e : schedule().findDay(day)->entries())
            items.push_back(e.item);
        return items;
    }
};

TEST_F(PaneDragTest, AnEntryDraggedToTheNextPaneMovesToThatDay)
{
    DayPane& first = area().pane(0);
    DayPane& second = area().pane(1);
    const DayNumber today = app->today();
    ASSERT_EQ(second.day(), today + 1);
    const int line = lineWhere(first, [this](const PaneLine& l) {
        return !l.struckOut && !schedule().record(l.item).has(ItemFlag::fRecurDef);
    });
    ASSERT_GE(line, 0) << paneText();
    const ItemHandle item = itemOf(first, line);
    schedule().dirty = false;

    drag(first, textPoint(first, line), second, QPoint(second.width() / 2, second.height() - 10), "dragging-entry");
    EXPECT_FALSE(schedule().entryOf(item, today).has_value()) << "off today";
    EXPECT_TRUE(schedule().entryOf(item, today + 1).has_value()) << "on tomorrow";
    EXPECT_TRUE(schedule().dirty);
    EXPECT_EQ(area().selectedItem(), item) << "the moved entry is selected where it went";
    EXPECT_GE(lineWhere(second, [item](const PaneLine& l) { return l.item == item; }), 0) << "the panes show the move";
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
    saveScreenshot(app->window(), "dragged-entry");
}

TEST_F(PaneDragTest, AFloatingEntryDraggedWithinItsDayTakesThePlaceItWasLetGoAt)
{
    DayPane& first = area().pane(0);
    auto floating = [this](const PaneLine& l) {
        return l.floating && !schedule().record(l.item).has(ItemFlag::notFreelyMovable | ItemFlag::fOnHold)
               && schedule().record(l.item).beginTime() == 0;
    };
    // The last floating entry shown goes up before the first one.
    const int top = lineWhere(first, floating);
    const int last = lineWhere(first, floating, true);
    ASSERT_GE(top, 0);
    ASSERT_GT(last, top) << "the day needs two floating entries: " << first.lines().join('\n').toStdString();
    const ItemHandle moved = itemOf(first, last);
    const ItemHandle before = itemOf(first, top);

    drag(first, textPoint(first, last), first, textPoint(first, top));
    const std::vector<ItemHandle> order = itemsOn(app->today());
    const auto at = [&order](ItemHandle h) { return std::find(order.begin(), order.end(), h) - order.begin(); };
    EXPECT_LT(at(moved), at(before)) << first.lines().join('\n').toStdString();
}

TEST_F(PaneDragTest, AClickWithoutMovingOnlySelects)
{
    DayPane& second = area().pane(1);
    const int line = lineWhere(second, [](const PaneLine&) { return true; });
    ASSERT_GE(line, 0);
    const std::vector<ItemHandle> before = itemsOn(second.day());
    schedule().dirty = false;

    const QPoint at = textPoint(second, line);
    QTest::mousePress(&second, Qt::LeftButton, Qt::NoModifier, at);
    move(second, at + QPoint(1, 0));  // a tremble of the hand, short of the drag distance
    EXPECT_FALSE(second.dragging());
    QTest::mouseRelease(&second, Qt::LeftButton, Qt::NoModifier, at + QPoint(1, 0));

    EXPECT_EQ(area().currentPaneIndex(), 1);
    EXPECT_EQ(area().selectedItem(), itemOf(second, line));
    EXPECT_EQ(itemsOn(second.day()), before);
    EXPECT_FALSE(schedule().dirty);
}

// The commands on the selected entry, reached from the menus and the mouse.
TEST_F(PaneDragTest, TheJuggleAndEntryCommandsActOnTheSelectedEntry)
{
    DayPane& first = area().pane(0);
    const DayNumber today = app->today();
    const int line = lineWhere(first, [this](const PaneLine& l) {
        const ItemRecord& r = schedule().record(l.item);
        return l.floating && !l.struckOut && !r.has(ItemFlag::fSplit | ItemFlag::recurrence | ItemFlag::fDone);
    });
    ASSERT_GE(line, 0) << paneText();
    const ItemHandle item = itemOf(first, line);
    QTest::mouseClick(&first, Qt::LeftButton, Qt::NoModifier, textPoint(first, line));
    ASSERT_EQ(area().selectedItem(), item);

    dispatch(9);  // Next Schedule
    EXPECT_TRUE(schedule().entryOf(item, today + 1).has_value());
    EXPECT_EQ(area().selectedItem(), item) << "selected where it went";
    dispatch(10);  // Prior Schedule
    EXPECT_TRUE(schedule().entryOf(item, today).has_value());

    const int minutes = schedule().record(item).duration();
    area().selectItemOn(today, item);
    dispatch(156);  // Longer Duration
    EXPECT_EQ(schedule().record(item).duration(), minutes + 5);

    // A click left of the time column's edge holds the placement.
    const int shown = lineWhere(first, [item](const PaneLine& l) { return l.item == item; });
    ASSERT_GE(shown, 0);
    QTest::mouseClick(&first, Qt::LeftButton, Qt::NoModifier, QPoint(3, first.lineRect(shown).top() + 3));
    EXPECT_TRUE(schedule().record(item).has(ItemFlag::fHeldTime));
    const int held = lineWhere(first, [item](const PaneLine& l) { return l.item == item; });
    EXPECT_TRUE(first.lines()[held].startsWith("hold")) << first.lines()[held].toStdString();
    saveScreenshot(app->window(), "held-placement");
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
}

} // namespace
} // namespace zk::testsupport
