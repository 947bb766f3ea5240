#include "shell/popupcalendar.h"

#include "core/schedule.h"
#include "engine/interfacemode.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "sharing/activitylog.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/entrydrop.h"
#include "shell/model/monthgrid.h"
#include "shell/model/settings.h"
#include "views/calendargrid.h"
#include "views/schedulesarea.h"
#include "views/statusdisplay.h"

#include <QApplication>
#include <QDockWidget>
#include <QEvent>
#include <QKeyEvent>
#include <QScreen>

namespace zk {

const char* const kProModeOnlyText = "Feature available only in PRO mode.";

PopUpCalendar::PopUpCalendar(DesktopApp& app)
    : app_(app), dock_(new QDockWidget(QStringLiteral("Calendar"), &app.window())), grid_(new CalendarGrid(dock_))
{
    dock_->setObjectName(QStringLiteral("Zelkon PopCal"));
    dock_->setWidget(grid_);
    dock_->setAllowedAreas(Qt::RightDockWidgetArea | Qt::LeftDockWidgetArea);
    dock_->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    dock_->hide();
    dock_->installEventFilter(this);
    app.window().addDockWidget(Qt::RightDockWidgetArea, dock_);

    QObject::connect(grid_, &CalendarGrid::monthChanged, this, [this](DayNumber) { refreshNow(); });
    QObject::connect(grid_, &CalendarGrid::dayChosen, this, [this](DayNumber day) { app_.showDay(day); });
    QObject::connect(grid_, &CalendarGrid::dayRightClicked, this, [this](DayNumber day) { moveSelectedTo(day); });
    QObject::connect(grid_, &CalendarGrid::todayRequested, this, [this] { app_.showDay(app_.today()); });
    // Any other key belongs to the main window.
    QObject::connect(grid_, &CalendarGrid::otherKey, this, [this](int key, Qt::KeyboardModifiers modifiers) {
        app_.window().activateWindow();
        app_.window().schedulesArea().setFocus();
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&app_.window().schedulesArea(), &press);
    });
}

PopUpCalendar::~PopUpCalendar() = default;

void PopUpCalendar::install(CommandDispatcher& dispatcher)
{
    dispatcher.setHandler(PopUpCommand::open, [this](int) { open(); });
    dispatcher.setHandler(PopUpCommand::close, [this](int) { close(); });
    dispatcher.setHandler(PopUpCommand::colourUtilisation, [this](int) { setColours(true); });
    dispatcher.setHandler(PopUpCommand::monochrome, [this](int) { setColours(false); });
    dispatcher.setHandler(PopUpCommand::tiled, [this](int) {
        Settings& settings = app_.preferences();
        settings.setOn(IntSetting::PopCalTiled, !settings.isOn(IntSetting::PopCalTiled));
        setTiled(settings.isOn(IntSetting::PopCalTiled));
        app_.saveSettingsNow();
        app_.commands().refresh();
    });
}

bool PopUpCalendar::isOpen() const { return (app_.preferences().windowRow().windowFlags & WindowFlag::popCalOpen) != 0; }

void PopUpCalendar::open()
{
    app_.preferences().windowRow().windowFlags |= WindowFlag::popCalOpen;
    setTiled(app_.preferences().isOn(IntSetting::PopCalTiled));
    if (!grid_->month().isUsable() && app_.state().viewed().isUsable())
        grid_->setMonth(app_.state().viewed());
    hiddenByMonthView_ = app_.commands().view() == Command::monthView;
    if (!hiddenByMonthView_)
        dock_->show();
    refreshNow();
    app_.saveSettingsNow();
}

void PopUpCalendar::close()
{
    storeRectangle();
    app_.preferences().windowRow().windowFlags &= static_cast<std::uint16_t>(~WindowFlag::popCalOpen);
    dock_->hide();
    app_.saveSettingsNow();
}

void PopUpCalendar::reopen()
{
    if (isOpen())
        open();
}

void PopUpCalendar::viewChanged(int view)
{
    if (!isOpen())
        return;
    hiddenByMonthView_ = view == Command::monthView;
    dock_->setVisible(!hiddenByMonthView_);
}

void PopUpCalendar::setColours(bool on)
{
    colours_ = on;
    refreshNow();
    app_.commands().refresh();
}

void PopUpCalendar::setTiled(bool tiled)
{
    if (tiled) {
        dock_->setFloating(false);
        return;
    }
    dock_->setFloating(true);
    placeFloating();
}

// A rectangle that would put the calendar off the screen, or none saved,
// gives a third of the screen at its right edge.
void PopUpCalendar::placeFloating()
{
    const QScreen* screen = app_.window().screen() ? app_.window().screen() : QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    SettingRect r = app_.preferences().windowRow().popCal;
    if (r.a + r.c / 2 > 3 * size.width() || r.a < 0 || r.c <= 0) {
        r.c = size.width() / 3;
        r.a = size.width() - r.c;
    }
    if (r.b + r.d / 2 > size.height() || r.b < 0 || r.d <= 0) {
        r.d = size.height() / 3;
        r.b = size.height() / 12;
    }
    dock_->setGeometry(r.a, r.b, r.c, r.d);
}

void PopUpCalendar::storeRectangle()
{
    if (!dock_->isFloating() || !dock_->isVisible())
        return;
    const QRect g = dock_->geometry();
    app_.preferences().windowRow().popCal = {g.x(), g.y(), g.width(), g.height()};
}

bool PopUpCalendar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == dock_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        storeRectangle();
    // Closed with its title bar's button: as command 78.
    if (watched == dock_ && event->type() == QEvent::Close && !app_.state().exiting)
        app_.preferences().windowRow().windowFlags &= static_cast<std::uint16_t>(~WindowFlag::popCalOpen);
    return QObject::eventFilter(watched, event);
}

void PopUpCalendar::refreshNow()
{
    if (app_.initialising() || !dock_->isVisible())
        return;
    if (BackgroundWork::Hold hold = app_.backgroundWork().tryHold())
        refresh(app_.session().schedule());
}

void PopUpCalendar::refresh(const Schedule& schedule)
{
    if (!dock_->isVisible())
        return;
    grid_->setRegional(app_.regional(), app_.preferences().isOn(IntSetting::WeekStartsMon));
    const DayNumber viewed = app_.state().viewed();
    if (!grid_->month().isUsable() && viewed.isUsable())
        grid_->setMonth(viewed);
    grid_->setViewed(viewed);
    std::array<QColor, kCalendarCells> colours{};
    if (colours_) {
        const DayNumber first = grid_->firstDay();
        for (int i = 0; i < kCalendarCells; ++i) {
            const std::optional<int> percent = dayUtilisation(schedule, first + i);
            colours[static_cast<std::size_t>(i)] =
                qColorOf(percent ? utilisationColour(*percent) : kNoUtilisationColour);
        }
    }
    grid_->setDayColours(colours);
}

void PopUpCalendar::moveSelectedTo(DayNumber day)
{
    if (app_.initialising() || app_.state().readOnly)
        return;
    if (!day.isUsable()) {
        QApplication::beep();
        return;
    }
    SchedulesArea& area = app_.window().schedulesArea();
    const std::optional<DraggedEntry> entry = area.selectedEntry();
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        if (!isProMode(app_.session().schedule().header)) {
            app_.messages().information(kProModeOnlyText);
            return;
        }
    }
    if (!entry) {
        QApplication::beep();
        return;
    }
    DropResult result;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        result = dropEntry(app_.session(), *entry, DropPlace{day});
        if (result.outcome == DropOutcome::Moved) {
            const std::string line =
                activityLine(app_.clock().localNow(), app_.regional(),
                             oneLine(app_.session().schedule().titleOf(result.item)));
            appendToFile(app_.session().files().folder() / kPopCalLogName, line + "\n");
        }
    }
    if (result.outcome != DropOutcome::Moved)
        return;
    app_.showDay(app_.state().viewed());
    area.selectItemOn(result.day, result.item);
}

} // namespace zk
