// The month view, the pop-up calendar and the Filter window in a running
// session: the month view scrolled by keys and opened on a double-clicked
// day, the calendar moving the selected item to a right-clicked day, and
// the Filter window hiding items in the panes while it is open.

#include "tests/gui/desktopsupport.h"

#include "core/calendar.h"
#include "engine/interfacemode.h"
#include "shell/model/monthgrid.h"
#include "shell/model/settings.h"
#include "shell/model/viewfilter.h"
#include "shell/monthcommands.h"
#include "shell/popupcalendar.h"
#include "shell/viewfilters.h"
#include "core/dateformat.h"
#include "shell/windowcommands.h"
#include "views/calendargrid.h"
#include "views/dropcalendar.h"
#include "views/filterwindow.h"
#include "views/monthview.h"

#include <QCheckBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace zk {
namespace {

using testsupport::eventually;
using testsupport::saveScreenshot;

// Screenshots name the scale they were taken at (QT_SCALE_FACTOR).
QString scaled(const QString& name, const QWidget& widget)
{
    const qreal ratio = widget.devicePixelRatioF();
    return ratio == 1.0 ? name : QStringLiteral("%1-x%2.png").arg(name).arg(ratio, 0, 'g', 2);
}

class MonthViewSessionTest : public testsupport::DesktopFixture {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(startSessionInActiveWindow());
        app->window().resize(1366, 740);
    }
    MonthView& month() { return app->window().monthView(); }
    DayNumber today() { return app->today(); }
    void usePro()
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        schedule().header.setInterfaceMode(InterfaceMode::pro);
    }
    ItemHandle putAppointment(const std::string& text, DayNumber day, TimeValue begin, int minutes)
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        Schedule& s = schedule();
        ItemHandle h = s.newItem();
        s.setDescription(h, text);
        s.record(h).setFlags(ItemFlag::fAnchored);
        s.record(h).setKind(ItemKind::appointment);
        s.record(h).setBeginTime(static_cast<std::int16_t>(begin.value()));
        s.record(h).setDuration(static_cast<std::uint16_t>(minutes));
        s.itemId(h);
        s.getDay(day);
        s.days.appendEntry(day, DayEntry{h, static_cast<std::int16_t>(begin.value()), static_cast<std::uint16_t>(minutes)});
        s.setDay(h, day);
        return h;
    }
};

TEST_F(MonthViewSessionTest, MonthViewScrollsByWeeksAndOpensADoubleClickedDay)
{
    Settings& settings = app->preferences();
    settings.setOn(IntSetting::ShowMoons, true);
    settings.setOn(IntSetting::MonthviewWkOfYr, true);
    settings.setOn(IntSetting::MonthviewDaysSpans, true);
    settings.setOn(IntSetting::MonthviewBeginTimes, true);
    putAppointment("Dentist", today() + 2, TimeValue::fromClock(9, 30), 45);
    putAppointment("Flight to Lisbon", today() + 3, TimeValue::fromClock(15, 0), 180);
    constexpr int kErrands = 16;
    for (int i = 0; i < kErrands; ++i)
        putAppointment("Errand " + std::to_string(i + 1), today() + 4, TimeValue::fromClock(8, 0) + 30 * i, 20);
    dispatch(Command::monthView);
    ASSERT_TRUE(app->window().monthViewShown());
    const bool monday = settings.isOn(IntSetting::WeekStartsMon);
    EXPECT_EQ(month().firstDay(), monthFirstDay(today(), 0, monday));
    EXPECT_NE(month().cellRect(today()), QRect());
    const MonthCell& full = month().cells()[static_cast<std::size_t>(today() + 4 - month().firstDay())];
    EXPECT_GT(full.moreEntries, 0u) << "a cell of this size holds fewer lines than the day has";
    EXPECT_EQ(full.lines.size() + full.moreEntries, schedule().findDay(today() + 4)->entries().size());
    waitForSave();
    EXPECT_TRUE(month().statusText().startsWith("Month View - ")) << month().statusText().toStdString();
    saveScreenshot(app->window(), scaled("month-view", app->window()));

    dispatch(Command::nextWeek);
    EXPECT_EQ(month().firstDay(), monthFirstDay(today(), 1, monday));
    EXPECT_EQ(app->state().viewed(), today() + 7) << "the viewed day moves with the weeks";
    dispatch(28);  // Page Down: four weeks
    EXPECT_EQ(month().firstDay(), monthFirstDay(today(), 5, monday));
    month().scrollBar().setValue(-2);
    EXPECT_EQ(month().firstDay(), monthFirstDay(today(), -2, monday));
    dispatch(Command::todaysSchedule);
    EXPECT_EQ(month().firstDay(), monthFirstDay(today(), 0, monday));

    const DayNumber target = today() + 3;
    const QPoint at = month().cellRect(target).center();
    QTest::mouseClick(&month().grid(), Qt::LeftButton, {}, at);
    EXPECT_EQ(app->state().viewed(), target);
    EXPECT_TRUE(app->window().monthViewShown()) << "a click only chooses the day";
    QTest::mouseDClick(&month().grid(), Qt::LeftButton, {}, at);
    EXPECT_EQ(app->commands().view(), Command::singleView);
    EXPECT_FALSE(app->window().monthViewShown());
    EXPECT_EQ(area().currentPane().day(), target);
    EXPECT_TRUE(shows("Flight to Lisbon")) << paneText();
}

// A grid shrunk to nothing has no day under the mouse, and days before
// 2300 are drawn empty and refused: neither divides by zero nor wraps.
TEST(MonthViewTest, EmptyGridsAndUnusableDaysRefuseClicks)
{
    testsupport::WithGuiApplication application;
    MonthView month;
    RegionalSettings regional;
    Schedule s;
    month.setCells(monthCells(s, kFirstUsableDay - 10, {}, kFirstUsableDay, regional), kFirstUsableDay, 0, {0, 0});
    std::vector<DayNumber> clicked;
    QObject::connect(&month, &MonthView::dayClicked, [&](DayNumber day) { clicked.push_back(day); });
    month.resize(700, 500);
    month.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&month));
    QTest::mouseClick(&month.grid(), Qt::LeftButton, {}, month.cellRect(kFirstUsableDay - 10).center());
    EXPECT_TRUE(clicked.empty()) << "a day before 2300";
    QTest::mouseClick(&month.grid(), Qt::LeftButton, {}, month.cellRect(kFirstUsableDay).center());
    EXPECT_EQ(clicked, std::vector<DayNumber>{kFirstUsableDay});
    month.hide();
    month.grid().setMinimumSize(0, 0);
    month.grid().resize(0, 0);
    ASSERT_EQ(month.grid().size(), QSize(0, 0));
    QTest::mouseClick(&month.grid(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(clicked.size(), 1u);
}

TEST_F(MonthViewSessionTest, PopUpCalendarShowsUtilisationAndMovesTheSelectedItemToARightClickedDay)
{
    usePro();
    const DayNumber day = today() + 1;
    putAppointment("Half a day", day, TimeValue::fromClock(8, 0), 240);
    ItemHandle moving = putAppointment("Haircut", today(), TimeValue::fromClock(17, 0), 30);
    app->showDay(today());
    dispatch(PopUpCommand::open);
    PopUpCalendar& calendar = app->commands().popUpCalendar();
    ASSERT_TRUE(calendar.window().isVisible());
    calendar.window().resize(420, 360);
    app->showDay(today());
    CalendarGrid& grid = calendar.grid();
    EXPECT_EQ(grid.month(), firstOfMonth(today()));
    saveScreenshot(app->window(), scaled("pop-up-calendar", app->window()));
    saveScreenshot(calendar.window(), scaled("pop-up-calendar-window", calendar.window()));

    const int line = testsupport::lineOf(area().currentPane(), "Haircut");
    ASSERT_GE(line, 0) << paneText();
    area().currentPane().record().select(line);
    const DayNumber target = today() + 9;
    QTest::mouseClick(&grid, Qt::RightButton, {}, grid.dayRect(target).center());
    ASSERT_TRUE(eventually([&] {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        return schedule().dayOf(moving) == target;
    }));
    const std::string log = testsupport::readText(app->session().files().folder() / kPopCalLogName);
    EXPECT_NE(log.find("Haircut"), std::string::npos) << log;

    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.dayRect(target).center());
    EXPECT_EQ(app->state().viewed(), target);
    EXPECT_TRUE(shows("Haircut")) << paneText();

    ASSERT_TRUE(calendar.isOpen());
    dispatch(Command::monthView);
    EXPECT_FALSE(calendar.window().isVisible()) << "hidden while the month view is current";
    dispatch(Command::singleView);
    EXPECT_TRUE(calendar.window().isVisible());
    dispatch(PopUpCommand::close);
    EXPECT_FALSE(calendar.window().isVisible());
    EXPECT_FALSE(calendar.isOpen());
}

TEST_F(MonthViewSessionTest, FilterWindowHidesInThePanesOnlyWhileOpen)
{
    const DayNumber day = today();
    putAppointment("Call the landlord", day, TimeValue::fromClock(10, 0), 30);
    putAppointment("Pay the rent", day, TimeValue::fromClock(11, 0), 30);
    app->showDay(day);
    ASSERT_TRUE(shows("Pay the rent"));

    dispatch(646);
    FilterWindow* window = app->commands().filters().window();
    ASSERT_NE(window, nullptr);
    window->textField()->setText("+call -rent");
    window->textBox()->setChecked(true);
    EXPECT_TRUE(shows("Call the landlord")) << paneText();
    EXPECT_FALSE(shows("Pay the rent")) << paneText();
    waitForSave();
    EXPECT_TRUE(app->window().statusText().contains(" - Filter On")) << app->window().statusText().toStdString();
    EXPECT_EQ(settings.value("TextFilter"), std::optional<std::string>("+call -rent")) << "stored at once";
    saveScreenshot(*window, scaled("filter-window", *window));

    QTest::mouseClick(window->exitButton(), Qt::LeftButton);
    ASSERT_TRUE(eventually([&] { return app->commands().filters().window() == nullptr; }));
    EXPECT_TRUE(shows("Pay the rent")) << "the filters hide nothing once the window is closed";
    waitForSave();
    EXPECT_FALSE(app->window().statusText().contains("Filter On"));
    EXPECT_TRUE(settings.rect("FilterWnd").has_value());
}

TEST_F(MonthViewSessionTest, HideDoneItemsAndCashFlowItemsOnly)
{
    const DayNumber day = today();
    ItemHandle done = putAppointment("Finished errand", day, TimeValue::fromClock(7, 0), 30);
    {
        BackgroundWork::Hold hold = app->backgroundWork().hold();
        schedule().record(done).setFlag(ItemFlag::fDone, true);
    }
    putAppointment("Still to do", day, TimeValue::fromClock(13, 0), 30);
    app->showDay(day);
    ASSERT_TRUE(shows("Finished errand"));

    app->preferences().setOn(IntSetting::EnableHideDoneItems, true);
    dispatch(Command::hideDoneItems);
    EXPECT_FALSE(shows("Finished errand"));
    waitForSave();
    EXPECT_TRUE(app->window().statusText().contains(" - Hide Done Items"));
    dispatch(Command::hideDoneItems);
    EXPECT_TRUE(shows("Finished errand"));

    usePro();
    dispatch(688);
    EXPECT_FALSE(shows("Still to do")) << "only cash-flow items";
    dispatch(688);
    EXPECT_TRUE(shows("Still to do"));
}

TEST_F(MonthViewSessionTest, FontsColoursTilingAndTheTitleAreStoredAndShownAtOnce)
{
    WindowCommands& window = app->commands().windowCommands();
    window.setFontChooser([](const FontSpec& current, const QString&) {
        FontSpec chosen = current;
        chosen.face = "Serif";
        chosen.size = 140;
        return std::optional<FontSpec>(chosen);
    });
    dispatch(210);  // the schedule text
    const FontSpec chosen = app->preferences().font(FontSetting::ScreenNormal);
    EXPECT_EQ(chosen.size, 140);
    EXPECT_EQ(settings.value("ScreenNormal"), std::optional<std::string>(formatFont(chosen)));
    dispatch(WindowCommand::increase);
    EXPECT_EQ(app->preferences().font(FontSetting::ScreenNormal).size, 150);
    dispatch(WindowCommand::decrease);
    dispatch(WindowCommand::decrease);
    EXPECT_EQ(app->preferences().font(FontSetting::ScreenNormal).size, 130);

    window.setColourChooser([](long, const QString&) { return std::optional<long>(0x0000FF); });
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QPushButton*>("ColorNormalText")->click();
        static_cast<QDialog*>(dialog)->accept();
    });
    dispatch(WindowCommand::colors);
    EXPECT_EQ(app->preferences().color(ColorSetting::ColorNormalText), 0x0000FF);
    EXPECT_EQ(settings.value("ColorNormalText"), std::optional<std::string>("255"));

    dispatch(Command::horizontalTiling);
    EXPECT_EQ(app->preferences().windowRow().tilingCommand, Command::horizontalTiling);
    app->tick();
    EXPECT_TRUE(app->window().windowTitle().startsWith("Zelkon 21.00 ")) << app->window().windowTitle().toStdString();
}

TEST(DropCalendarTest, F4OpensTheMonthAndAClickedDayFillsTheField)
{
    testsupport::WithGuiApplication application;
    QWidget dialog;
    QLineEdit field(&dialog);
    RegionalSettings regional;
    const DayNumber viewed = dayOf(3, 11, 2024);
    attachDropCalendar(field, {[viewed] { return viewed; }, regional, false});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&field, Qt::Key_F4);
    DropCalendar* calendar = DropCalendar::current();
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(calendar->grid().month(), dayOf(3, 1, 2024));
    EXPECT_GE(calendar->width(), field.width() * 14 / 6 - 1);
    QTest::keyClick(&calendar->grid(), Qt::Key_PageDown);
    EXPECT_EQ(calendar->grid().month(), dayOf(3, 1, 2025)) << "a year on";
    const DayNumber chosen = dayOf(3, 20, 2025);
    QTest::mouseClick(&calendar->grid(), Qt::LeftButton, {}, calendar->grid().dayRect(chosen).center());
    EXPECT_EQ(field.text().toStdString(), shortDate(chosen, regional));
    EXPECT_TRUE(eventually([] { return DropCalendar::current() == nullptr; }));
}

} // namespace
} // namespace zk
