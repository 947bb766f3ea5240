// Dragging entries with the mouse in a running session: an entry dragged
// from one pane of the multi-pane view to the next moves to that day, is
// selected there, and the schedule waits to be saved; a floating entry
// dragged within its day takes the place it was let go at; a press and a
// release without the drag distance between them only select.

#include "desktopsupport.h"

#include "core/schedule.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commands.h"
#include "sharing/session.h"
#include "views/daypane.h"
#include "views/schedulesarea.h"

#include <QApplication>
#include <QMouseEvent>

#include <filesystem>

namespace zk::testsupport {
namespace {

class PaneDragTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        startSession();
        app->window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&app->window()));
        app->commands().dispatcher().dispatch(Command::multiPaneView);
        ASSERT_EQ(area().view(), ScheduleView::MultiPane);
        ASSERT_GE(area().paneCount(), 2);
    }

    SchedulesArea& area() { return app->window().schedulesArea(); }
    Schedule& schedule() { return app->session().schedule(); }

    // The first line of the pane whose item passes the test.
    static int lineWhere(DayPane& pane, const std::function<bool(const PaneLine&)>& test)
    {
        const auto& lines = pane.record().lines();
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].selectable() && test(lines[i]) && !pane.lineRect(static_cast<int>(i)).isEmpty())
                return static_cast<int>(i);
        return -1;
    }
    static QPoint textPoint(DayPane& pane, int line)
    {
        const QRect rect = pane.lineRect(line);
        return QPoint(rect.left() + rect.width() / 2, rect.top() + 3);
    }

    // The press, the moves and the release of a drag from one pane to a
    // point of another (or the same) pane, as the mouse sends them.
    void drag(DayPane& from, QPoint start, DayPane& to, QPoint end, const char* shotWhileDragging = nullptr)
    {
        QTest::mousePress(&from, Qt::LeftButton, Qt::NoModifier, start);
        const QPoint target = from.mapFromGlobal(to.mapToGlobal(end));
        for (QPoint at : {start + QPoint(QApplication::startDragDistance() + 2, 0), (start + target) / 2, target}) {
            QMouseEvent move(QEvent::MouseMove, at, from.mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&from, &move);
        }
        EXPECT_TRUE(from.dragging());
        EXPECT_EQ(from.cursor().shape(), Qt::DragMoveCursor);
        if (shotWhileDragging) {
            std::filesystem::create_directories(ZELKON_SCREENSHOT_DIR);
            EXPECT_TRUE(app->window().grab().save(QString(ZELKON_SCREENSHOT_DIR "/") + shotWhileDragging));
        }
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
    ASSERT_EQ(first.day(), today);
    ASSERT_EQ(second.day(), today + 1);
    const int line = lineWhere(first, [this](const PaneLine& l) {
        return !l.struckOut && !schedule().record(l.item).has(ItemFlag::fRecurDef);
    });
    ASSERT_GE(line, 0) << first.lines().join('\n').toStdString();
    const ItemHandle item = first.record().lines()[static_cast<std::size_t>(line)].item;
    schedule().dirty = false;

    drag(first, textPoint(first, line), second, QPoint(second.width() / 2, second.height() - 10), "dragging-entry.png");
    EXPECT_FALSE(schedule().entryOf(item, today).has_value()) << "off today";
    EXPECT_TRUE(schedule().entryOf(item, today + 1).has_value()) << "on tomorrow";
    EXPECT_TRUE(schedule().dirty);
    EXPECT_EQ(area().currentPaneIndex(), 1);
    EXPECT_EQ(area().selectedItem(), item) << "the moved entry is selected where it went";
    EXPECT_EQ(lineWhere(first, [item](const PaneLine& l) { return l.item == item; }), -1) << "the panes show the move";
    EXPECT_GE(lineWhere(second, [item](const PaneLine& l) { return l.item == item; }), 0);
    EXPECT_TRUE(presenter.texts().empty()) << presenter.texts().front();
    std::filesystem::create_directories(ZELKON_SCREENSHOT_DIR);
    EXPECT_TRUE(app->window().grab().save(ZELKON_SCREENSHOT_DIR "/dragged-entry.png"));
}

TEST_F(PaneDragTest, AFloatingEntryDraggedWithinItsDayTakesThePlaceItWasLetGoAt)
{
    DayPane& first = area().pane(0);
    const DayNumber today = app->today();
    auto floating = [this](const PaneLine& l) {
        return l.floating && !schedule().record(l.item).has(ItemFlag::notFreelyMovable | ItemFlag::fOnHold)
               && schedule().record(l.item).beginTime() == 0;
    };
    // The last floating entry shown goes up before the first one.
    int last = -1;
    for (int l = first.record().lineCount() - 1; l >= 0 && last < 0; --l)
        if (first.record().lines()[static_cast<std::size_t>(l)].selectable()
            && floating(first.record().lines()[static_cast<std::size_t>(l)]))
            last = l;
    const int top = lineWhere(first, floating);
    ASSERT_GE(top, 0);
    ASSERT_GT(last, top) << "the day needs two floating entries: " << first.lines().join('\n').toStdString();
    const ItemHandle moved = first.record().lines()[static_cast<std::size_t>(last)].item;
    const ItemHandle before = first.record().lines()[static_cast<std::size_t>(top)].item;

    drag(first, textPoint(first, last), first, textPoint(first, top));
    const std::vector<ItemHandle> order = itemsOn(today);
    const auto at = [&order](ItemHandle h) { return std::find(order.begin(), order.end(), h) - order.begin(); };
    EXPECT_LT(at(moved), at(before)) << first.lines().join('\n').toStdString();
}

TEST_F(PaneDragTest, AClickWithoutMovingOnlySelects)
{
    DayPane& second = area().pane(1);
    const int line = lineWhere(second, [](const PaneLine&) { return true; });
    ASSERT_GE(line, 0);
    const ItemHandle item = second.record().lines()[static_cast<std::size_t>(line)].item;
    const std::vector<ItemHandle> before = itemsOn(second.day());
    schedule().dirty = false;

    const QPoint at = textPoint(second, line);
    QTest::mousePress(&second, Qt::LeftButton, Qt::NoModifier, at);
    // A tremble of the hand, short of the drag distance.
    QMouseEvent tremble(QEvent::MouseMove, at + QPoint(1, 0), second.mapToGlobal(at + QPoint(1, 0)), Qt::NoButton,
                        Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&second, &tremble);
    EXPECT_FALSE(second.dragging());
    QTest::mouseRelease(&second, Qt::LeftButton, Qt::NoModifier, at + QPoint(1, 0));

    EXPECT_EQ(area().currentPaneIndex(), 1);
    EXPECT_EQ(area().selectedItem(), item);
    EXPECT_EQ(itemsOn(second.day()), before);
    EXPECT_FALSE(schedule().dirty);
}

} // namespace
} // namespace zk::testsupport
