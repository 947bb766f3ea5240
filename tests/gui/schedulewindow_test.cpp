// The schedules area as a user meets it: the single, multi-pane and week
// views on the right days, the keys and the scroll bar moving the viewed
// day, clicks selecting, and double-clicks, Enter and the right button
// asking for what the main window does.

#include "tests/gui/desktopsupport.h"
#include "shell/model/settings.h"
#include "tests/placementscenario.h"

#include <QScrollBar>
#include <QWheelEvent>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;
using testsupport::lineOf;
using testsupport::saveScreenshot;

class ScheduleWindowTest : public ::testing::Test, private testsupport::WithGuiApplication, public testing::Scenario {
protected:
    ScheduleWindowTest()
    {
        fillWeek();
        area.resize(900, 560);
        area.setViewedDay(kMonday);
        QObject::connect(&area, &SchedulesArea::viewedDayChanged, [this](DayNumber) {
            ++dayChanges;
            refresh();
        });
        refresh();
        StatusFacts caption;
        caption.clock = clockText(10, 0, 0, regional);
        caption.today = kMonday;
        caption.unsaved = true;
        area.setStatusText(QString::fromStdString(statusText(caption, regional)));
        area.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&area));
        area.setFocus();
    }

    void fillWeek()
    {
        ItemHandle mail = appointment("Check the mail", hm(8), 20);
        s.record(mail).setFlags(ItemFlag::fAnchored | ItemFlag::fDone);
        put(mail, kMonday);
        ItemHandle standup = appointment("Team stand-up", hm(9), 15);
        s.record(standup).setFlags(ItemFlag::fAnchored | ItemFlag::fAlarm);
        put(standup, kMonday);
        put(task("Write the quarterly report", 90, ItemFlag::fKey), kMonday);
        put(appointment("Lunch with Dana", hm(12), 60), kMonday);
        put(appointment("Dentist", hm(12, 30), 45), kMonday);
        put(task("Review pull requests", 45, ItemFlag::fHasNotes), kMonday);
        put(task("Call the bank", 30), kMonday);
        put(appointment("Bar", hm(17), 0), kMonday);
        put(appointment("Board meeting", hm(10), 120), kMonday + 1);
        put(task("Prepare slides", 60), kMonday + 1);
        put(appointment("Gym", hm(7), 60), kMonday + 2);
        put(task("Tidy the garage", 120), kMonday + 3);
        put(appointment("Flight to Lisbon", hm(15), 180), kMonday + 4);
    }

    void refresh() { area.refresh(s, {kMonday, hm(10)}, regional); }
    void show(ScheduleView view)
    {
        area.setView(view);
        refresh();
    }
    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(&area, Qt::Key(k), modifiers); }
    std::optional<int> selectedLine() { return area.currentPane().record().selectedLine(); }
    std::vector<DayNumber> daysFrom(std::initializer_list<int> offsets)
    {
        std::vector<DayNumber> days;
        for (int offset : offsets)
            days.push_back(kMonday + offset);
        return days;
    }

    RegionalSettings regional;
    SchedulesArea area;
    int dayChanges = 0;
};

TEST_F(ScheduleWindowTest, TheSingleViewShowsTheViewedDaysLinesInOrder)
{
    ASSERT_EQ(area.paneCount(), 1);
    DayPane& pane = area.currentPane();
    EXPECT_EQ(pane.heading(), "Monday 03/04/24");
    QStringList lines = pane.lines();
    EXPECT_EQ(lines.value(0), "8:00a\tCheck the mail (:20)");
    EXPECT_EQ(lines.value(1), "9:00a\t1. Team stand-up -a (:15)");
    const int report = lineOf(pane, "Write");
    ASSERT_GE(report, 0) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.value(report), "10:00a\t2. Write the quarterly report (1:30)");
    EXPECT_EQ(lines.value(report + 1), "11:30a\t(:30)") << "a gap before lunch";
    saveScreenshot(area, "schedule-single");
}

TEST_F(ScheduleWindowTest, SwitchingViewsShowsTheRightDays)
{
    show(ScheduleView::MultiPane);
    EXPECT_EQ(area.paneDaysShown(), daysFrom({0, 1, 2, 3}));
    EXPECT_GE(lineOf(area.pane(1), "Board meeting"), 0);
    saveScreenshot(area, "schedule-multipane");

    area.setViewedDay(kMonday + 2);
    show(ScheduleView::Week);
    EXPECT_EQ(area.paneDaysShown(), daysFrom({0, 1, 2, 3, 4})) << "Monday to Friday";
    EXPECT_EQ(area.currentPaneIndex(), 2);
    saveScreenshot(area, "schedule-week");

    ViewLayout layout;
    layout.weekMask = 0x41;
    layout.weekDays = 2;
    area.setViewLayout(layout);
    refresh();
    EXPECT_EQ(area.paneDaysShown(), daysFrom({-1, 5})) << "the weekend around Wednesday";

    show(ScheduleView::Single);
    ASSERT_EQ(area.paneCount(), 1);
    EXPECT_EQ(area.viewedDay(), area.currentPane().day());
}

TEST_F(ScheduleWindowTest, TheKeysMoveTheSelectionAndTheDay)
{
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        int line;  // -1: the bar, before the evening's gap
        const char* name;
    } moves[] = {{Qt::Key_Down, {}, 1, "Down"},
                 {Qt::Key_Up, {}, 0, "Up"},
                 {Qt::Key_Up, {}, 0, "Up: nothing above the first entry"},
                 {Qt::Key_L, {}, lineOf(area.currentPane(), "Lunch"), "type-ahead"},
                 {Qt::Key_C, {}, lineOf(area.currentPane(), "Call the bank"), "type-ahead"},
                 {Qt::Key_C, {}, 0, "type-ahead wraps to Check the mail"},
                 {Qt::Key_End, Qt::ControlModifier, -1, "Ctrl+End"},
                 {Qt::Key_Home, Qt::ControlModifier, 0, "Ctrl+Home"}};
    for (const auto& m : moves) {
        key(m.key, m.modifiers);
        EXPECT_EQ(selectedLine(), m.line >= 0 ? m.line : area.currentPane().lines().size() - 2) << m.name;
    }
    key(Qt::Key_PageDown);
    EXPECT_GT(*selectedLine(), 0);

    key(Qt::Key_Right);
    EXPECT_EQ(area.viewedDay(), kMonday + 1) << "one pane: Right is the next day";
    EXPECT_EQ(lineOf(area.currentPane(), "Board meeting"), 0);
    key(Qt::Key_Left);
    EXPECT_EQ(area.viewedDay(), kMonday);
    EXPECT_EQ(dayChanges, 2);

    show(ScheduleView::MultiPane);
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Right);
    EXPECT_EQ(area.currentPaneIndex(), 3);
    EXPECT_EQ(area.viewedDay(), kMonday + 3);
    key(Qt::Key_Right);
    EXPECT_EQ(area.paneDaysShown(), daysFrom({0, 1, 2, 4})) << "only the last pane moved on";
    key(Qt::Key_Tab);
    EXPECT_EQ(area.paneDaysShown(), daysFrom({0, 1, 2, 5}));

    show(ScheduleView::Week);
    EXPECT_TRUE(area.command(PaneCommand::NextWeek));
    EXPECT_EQ(area.paneDaysShown(), daysFrom({7, 8, 9, 10, 11})) << "the whole week moved";
}

TEST_F(ScheduleWindowTest, TheScrollBarMovesTheDayByWeeksInOnePaneAndTheLinesInSeveral)
{
    QScrollBar& single = area.currentPane().scrollBar();
    EXPECT_EQ(single.minimum(), weekScrollRange(kMonday).minimum);
    single.setValue(1);
    EXPECT_EQ(area.currentPane().day(), kMonday + 7);
    single.triggerAction(QAbstractSlider::SliderSingleStepSub);
    single.triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(area.viewedDay(), kMonday - 7);

    area.setViewedDay(kMonday);
    show(ScheduleView::MultiPane);
    DayPane& monday = area.pane(0);
    QScrollBar& bar = monday.scrollBar();
    ASSERT_FALSE(bar.isHidden()) << "a quarter of the area cannot hold Monday";
    EXPECT_EQ(bar.maximum(), monday.record().lastFirstLine());
    bar.setValue(2);
    EXPECT_EQ(monday.record().firstVisibleLine(), 2);
    EXPECT_EQ(area.viewedDay(), kMonday) << "lines, not days";
    QWheelEvent down(QPointF(50, 100), monday.mapToGlobal(QPointF(50, 100)), {}, QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&monday, &down);
    const int wheeled = std::min(5, monday.record().lastFirstLine());
    EXPECT_EQ(monday.record().firstVisibleLine(), wheeled);
    EXPECT_EQ(bar.value(), wheeled);
    key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(monday.record().firstVisibleLine(), wheeled - 1);
}

TEST_F(ScheduleWindowTest, ClicksSelectAndDoubleClicksEnterAndTheRightButtonAskForTheirCommands)
{
    DayPane& pane = area.currentPane();
    std::vector<ItemHandle> opened, menus, held, notes;
    std::vector<DayNumber> inserted;
    QObject::connect(&area, &SchedulesArea::openItemRequested, [&](ItemHandle h, DayNumber) { opened.push_back(h); });
    QObject::connect(&area, &SchedulesArea::statusMenuRequested, [&](ItemHandle h, QPoint) { menus.push_back(h); });
    QObject::connect(&area, &SchedulesArea::heldTimeToggleRequested, [&](ItemHandle h, DayNumber) { held.push_back(h); });
    QObject::connect(&area, &SchedulesArea::notesRequested, [&](ItemHandle h) { notes.push_back(h); });
    QObject::connect(&area, &SchedulesArea::insertItemRequested, [&](DayNumber d) { inserted.push_back(d); });

    const int lunch = lineOf(pane, "Lunch"), dentist = lineOf(pane, "Dentist");
    const QPoint lunchAt = pane.lineRect(lunch).center();
    QTest::mouseClick(&pane, Qt::LeftButton, {}, lunchAt);
    EXPECT_EQ(pane.record().selectedLine(), lunch);
    const ItemHandle lunchItem = pane.record().selectedItem();
    QTest::mouseDClick(&pane, Qt::LeftButton, {}, lunchAt);
    key(Qt::Key_Return);
    EXPECT_EQ(opened, (std::vector<ItemHandle>{lunchItem, lunchItem}));

    QTest::mouseClick(&pane, Qt::RightButton, {}, pane.lineRect(dentist).center());
    EXPECT_EQ(pane.record().selectedLine(), dentist);
    EXPECT_EQ(menus, std::vector<ItemHandle>{pane.record().selectedItem()});
    EXPECT_TRUE(held.empty());
    QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(6, lunchAt.y()));
    EXPECT_EQ(held, std::vector<ItemHandle>{lunchItem}) << "a click in the time column";
    QTest::mouseClick(&pane, Qt::LeftButton, Qt::ShiftModifier, pane.lineRect(dentist).center());
    EXPECT_EQ(pane.record().selectedLines().size(), 2u);

    const int review = lineOf(pane, "Review");
    pane.record().select(review);
    pane.selectionChanged();
    QRect reviewRect = pane.lineRect(review);
    ASSERT_FALSE(reviewRect.isEmpty()) << "scrolled into sight";
    QTest::mouseDClick(&pane, Qt::LeftButton, {}, QPoint(reviewRect.right() - 3 * pane.record().metrics().characterWidth, reviewRect.top() + 4));
    EXPECT_EQ(notes.size(), 1u) << "the note icon";

    // Tuesday's few lines leave room below them.
    area.command(PaneCommand::NextDay);
    DayPane& tuesday = area.currentPane();
    QTest::mouseDClick(&tuesday, Qt::LeftButton, {}, QPoint(100, tuesday.height() - 10));
    EXPECT_EQ(inserted, std::vector<DayNumber>{kMonday + 1}) << "empty space inserts";
}

TEST_F(ScheduleWindowTest, TheUsersFontsAndColoursApply)
{
    int smallLines = area.currentPane().record().metrics().lineHeight;
    Settings settings;
    settings.setColor(ColorSetting::ColorNormalBackground, 0xE0F8FF);  // a cream page
    settings.setFont(FontSetting::ScreenNormal, {"", 160, FontStyle::italic});
    area.setStyle(PaneStyle::fromSettings(settings));
    refresh();
    DayPane& pane = area.currentPane();
    EXPECT_GT(pane.record().metrics().lineHeight, smallLines);
    EXPECT_EQ(pane.grab().toImage().pixelColor(pane.width() / 2, pane.height() - 5), QColor(0xFF, 0xF8, 0xE0));
    saveScreenshot(area, "schedule-user-fonts");
}

} // namespace
} // namespace zk
