// The schedules area as a user meets it: the single, multi-pane and week
// views on the right days, the keys and the scroll bar moving the viewed
// day, clicks selecting, and double-clicks, Enter and the right button
// asking for what the main window does.

#include "tests/gui/guitestmain.h"
#include "shell/model/settings.h"
#include "tests/placementscenario.h"
#include "views/schedulesarea.h"

#include <QRegularExpression>
#include <QScrollBar>
#include <QWheelEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace zk {
namespace {

using testing::hm;
using testing::kMonday;

// The application exists before the area member is made.
struct WithApplication {
    WithApplication() { testsupport::guiApplication(); }
};

class ScheduleWindowTest : public ::testing::Test, private WithApplication, public testing::Scenario {
protected:
    ScheduleWindowTest()
    {
        fillWeek();
        area.resize(900, 560);
        area.setViewedDay(kMonday);
        QObject::connect(&area, &SchedulesArea::viewedDayChanged, [this](DayNumber day) {
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
        ItemHandle review = task("Review pull requests", 45, ItemFlag::fHasNotes);
        put(review, kMonday);
        put(task("Call the bank", 30), kMonday);
        put(appointment("Bar", hm(17), 0), kMonday);
        put(appointment("Board meeting", hm(10), 120), kMonday + 1);
        put(task("Prepare slides", 60), kMonday + 1);
        put(appointment("Gym", hm(7), 60), kMonday + 2);
        put(task("Tidy the garage", 120), kMonday + 3);
        put(appointment("Flight to Lisbon", hm(15), 180), kMonday + 4);
    }

    void refresh() { area.refresh(s, {kMonday, hm(10)}, regional); }

    // The line whose description starts so, after today's rank.
    static int lineOf(DayPane& pane, const QString& start)
    {
        static const QRegularExpression rank("^\\d+\\. ");
        QStringList lines = pane.lines();
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i].section('\t', 1).remove(rank).startsWith(start))
                return i;
        return -1;
    }

    void screenshot(const char* name)
    {
        std::filesystem::create_directories(ZELKON_SCREENSHOT_DIR);
        EXPECT_TRUE(area.grab().save(QString(ZELKON_SCREENSHOT_DIR "/") + name));
    }

    void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(&area, Qt::Key(k), modifiers); }

    RegionalSettings regional;
    SchedulesArea area;
    int dayChanges = 0;
};

std::vector<DayNumber> daysFrom(DayNumber first, std::initializer_list<int> offsets)
{
    std::vector<DayNumber> days;
    for (int offset : offsets)
        days.push_back(first + offset);
    return days;
}

TEST_F(ScheduleWindowTest, TheSingleViewShowsTheViewedDaysLinesInOrder)
{
    ASSERT_EQ(area.paneCount(), 1);
    DayPane& pane = area.currentPane();
    EXPECT_EQ(pane.day(), kMonday);
    EXPECT_EQ(pane.heading(), "Monday 03/04/24");
    QStringList lines = pane.lines();
    EXPECT_EQ(lines.value(0), "8:00a\tCheck the mail (:20)");
    EXPECT_EQ(lines.value(1), "9:00a\t1. Team stand-up -a (:15)");
    EXPECT_TRUE(lines.contains("10:00a\t2. Write the quarterly report (1:30)")) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains("12:30p\t4. Dentist (:45)"));
    EXPECT_TRUE(lines.contains("\t----")) << "the bar line";
    // A gap between the report and lunch.
    int report = lineOf(pane, "Write");
    ASSERT_GE(report, 0);
    EXPECT_EQ(lines.value(report + 1), "11:30a\t(:30)");
    ASSERT_GE(lineOf(pane, "Dentist"), 0);
    const PaneLine& dentist = pane.record().lines()[static_cast<std::size_t>(lineOf(pane, "Dentist"))];
    EXPECT_TRUE(dentist.text.timeInRed) << "it overlaps lunch";
    EXPECT_TRUE(pane.record().lines()[static_cast<std::size_t>(report)].key);
    screenshot("schedule-single.png");
}

TEST_F(ScheduleWindowTest, SwitchingViewsShowsTheRightDays)
{
    area.setView(ScheduleView::MultiPane);
    refresh();
    EXPECT_EQ(area.paneDaysShown(), daysFrom(kMonday, {0, 1, 2, 3}));
    EXPECT_EQ(area.currentPaneIndex(), 0);
    EXPECT_GE(lineOf(area.pane(1), "Board meeting"), 0);
    screenshot("schedule-multipane.png");

    area.setViewedDay(kMonday + 2);
    area.setView(ScheduleView::Week);
    refresh();
    EXPECT_EQ(area.paneDaysShown(), daysFrom(kMonday, {0, 1, 2, 3, 4})) << "Monday to Friday";
    EXPECT_EQ(area.viewedDay(), kMonday + 2);
    EXPECT_EQ(area.currentPaneIndex(), 2);
    screenshot("schedule-week.png");

    ViewLayout layout;
    layout.weekMask = 0x41;
    layout.weekDays = 2;
    area.setViewLayout(layout);
    refresh();
    EXPECT_EQ(area.paneDaysShown(), daysFrom(kMonday, {-1, 5})) << "the weekend around Wednesday";

    area.setView(ScheduleView::Single);
    refresh();
    ASSERT_EQ(area.paneCount(), 1);
    EXPECT_EQ(area.viewedDay(), area.currentPane().day());
}

TEST_F(ScheduleWindowTest, TheArrowKeysMoveTheSelectionAndTheDay)
{
    DayPane& pane = area.currentPane();
    EXPECT_EQ(pane.record().selectedLine(), 0);
    key(Qt::Key_Down);
    EXPECT_EQ(pane.record().selectedLine(), 1);
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_EQ(pane.record().selectedLine(), 0) << "nothing above the first entry";
    key(Qt::Key_Right);
    EXPECT_EQ(area.viewedDay(), kMonday + 1) << "one pane: Right is the next day";
    EXPECT_EQ(area.currentPane().day(), kMonday + 1);
    EXPECT_EQ(lineOf(area.currentPane(), "Board meeting"), 0);
    key(Qt::Key_Left);
    EXPECT_EQ(area.viewedDay(), kMonday);
    EXPECT_EQ(dayChanges, 2);

    area.setView(ScheduleView::MultiPane);
    refresh();
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_Right);
    EXPECT_EQ(area.currentPaneIndex(), 3);
    EXPECT_EQ(area.viewedDay(), kMonday + 3);
    key(Qt::Key_Right);
    EXPECT_EQ(area.paneDaysShown(), daysFrom(kMonday, {0, 1, 2, 4})) << "only the last pane moved on";
    key(Qt::Key_Tab);
    EXPECT_EQ(area.paneDaysShown(), daysFrom(kMonday, {0, 1, 2, 5}));

    area.setView(ScheduleView::Week);
    refresh();
    EXPECT_TRUE(area.command(PaneCommand::NextWeek));
    EXPECT_EQ(area.paneDaysShown(), daysFrom(kMonday, {7, 8, 9, 10, 11})) << "the whole week moved";
}

TEST_F(ScheduleWindowTest, PageKeysAndTypeAheadMoveTheSelection)
{
    DayPane& pane = area.currentPane();
    key(Qt::Key_L);
    EXPECT_EQ(pane.record().selectedLine(), lineOf(pane, "Lunch"));
    key(Qt::Key_C);
    EXPECT_EQ(pane.record().selectedLine(), lineOf(pane, "Call the bank"));
    key(Qt::Key_C);
    EXPECT_EQ(pane.record().selectedLine(), 0) << "wraps to Check the mail";
    key(Qt::Key_PageDown);
    EXPECT_GT(*pane.record().selectedLine(), 0);
    key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(pane.record().selectedLine(), pane.lines().size() - 2) << "the bar, before the evening's gap";
    key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(pane.record().selectedLine(), 0);
}

TEST_F(ScheduleWindowTest, TheSingleScrollBarMovesTheDayByWeeks)
{
    QScrollBar& bar = area.currentPane().scrollBar();
    EXPECT_EQ(bar.value(), 0);
    EXPECT_EQ(bar.minimum(), weekScrollRange(kMonday).minimum);
    bar.setValue(1);
    EXPECT_EQ(area.viewedDay(), kMonday + 7);
    EXPECT_EQ(area.currentPane().day(), kMonday + 7);
    bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
    bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(area.viewedDay(), kMonday - 7);
}

TEST_F(ScheduleWindowTest, InSeveralPanesTheScrollBarAndTheWheelScrollTheLines)
{
    area.setView(ScheduleView::MultiPane);
    refresh();
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
    EXPECT_EQ(monday.record().firstVisibleLine(), std::min(5, monday.record().lastFirstLine()));
    EXPECT_EQ(bar.value(), monday.record().firstVisibleLine());
    key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(monday.record().firstVisibleLine(), std::min(5, monday.record().lastFirstLine()) - 1);
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

    int lunch = lineOf(pane, "Lunch");
    ASSERT_GE(lunch, 0);
    QRect lunchRect = pane.lineRect(lunch);
    ASSERT_FALSE(lunchRect.isEmpty());
    QTest::mouseClick(&pane, Qt::LeftButton, {}, lunchRect.center());
    EXPECT_EQ(pane.record().selectedLine(), lunch);
    ItemHandle lunchItem = pane.record().selectedItem();
    EXPECT_TRUE(held.empty());

    QTest::mouseDClick(&pane, Qt::LeftButton, {}, lunchRect.center());
    EXPECT_EQ(opened, std::vector<ItemHandle>{lunchItem});
    key(Qt::Key_Return);
    EXPECT_EQ(opened.size(), 2u);

    int dentist = lineOf(pane, "Dentist");
    QTest::mouseClick(&pane, Qt::RightButton, {}, pane.lineRect(dentist).center());
    EXPECT_EQ(pane.record().selectedLine(), dentist);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0], pane.record().selectedItem());

    QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(6, pane.lineRect(lunch).center().y()));
    EXPECT_EQ(held, std::vector<ItemHandle>{lunchItem}) << "a click in the time column";

    QTest::mouseClick(&pane, Qt::LeftButton, Qt::ShiftModifier, pane.lineRect(dentist).center());
    EXPECT_EQ(pane.record().selectedLines().size(), 2u);

    int review = lineOf(pane, "Review");
    ASSERT_GE(review, 0) << pane.lines().join('\n').toStdString();
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
    QImage image = pane.grab().toImage();
    EXPECT_EQ(image.pixelColor(pane.width() / 2, pane.height() - 5), QColor(0xFF, 0xF8, 0xE0));
    screenshot("schedule-user-fonts.png");
}

} // namespace
} // namespace zk
