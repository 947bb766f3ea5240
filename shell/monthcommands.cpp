#include "shell/monthcommands.h"

#include "core/calendar.h"
#include "core/schedule.h"
#include "engine/interfacemode.h"
#include "platform/messages.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "shell/model/monthgrid.h"
#include "shell/model/settings.h"
#include "shell/viewfilters.h"
#include "views/daypane.h"
#include "views/monthview.h"
#include "views/statusdisplay.h"

#include <QObject>

namespace zk {

namespace {
constexpr int kPageUp = 27;
constexpr int kPageDown = 28;
} // namespace

MonthViewCommands::MonthViewCommands(DesktopApp& app) : app_(app)
{
    MonthView& view = app_.window().monthView();
    QObject::connect(&view, &MonthView::dayClicked, &view, [this](DayNumber day) { app_.showDay(day); });
    QObject::connect(&view, &MonthView::dayDoubleClicked, &view, [this](DayNumber day) {
        app_.showDay(day);
        app_.commands().dispatcher().dispatch(Command::singleView);
    });
    QObject::connect(&view, &MonthView::offsetRequested, &view, [this](int offset) { scrollTo(offset); });
}

void MonthViewCommands::install(CommandDispatcher& dispatcher)
{
    dispatcher.addActiveView([this](int command) { return filterCommand(command); });
}

bool MonthViewCommands::current() const { return app_.commands().view() == Command::monthView; }

bool MonthViewCommands::filterCommand(int command)
{
    if (!current())
        return false;
    switch (command) {
    case Command::priorWeek: scrollTo(offset_ - 1); return true;
    case Command::nextWeek: scrollTo(offset_ + 1); return true;
    case kPageUp: scrollTo(offset_ - kMonthWeeks); return true;
    case kPageDown: scrollTo(offset_ + kMonthWeeks); return true;
    case Command::todaysSchedule:
        offset_ = 0;
        app_.showDay(app_.today());
        return true;
    default: return false;
    }
}

DayNumber MonthViewCommands::firstDay() const
{
    return monthFirstDay(app_.today(), offset_, app_.preferences().isOn(IntSetting::WeekStartsMon));
}

void MonthViewCommands::entered()
{
    const DayNumber viewed = app_.state().viewed();
    const DayNumber first = firstDay();
    if (viewed.isNone() || (viewed >= first && viewed < first + kMonthCells))
        return;
    const bool monday = app_.preferences().isOn(IntSetting::WeekStartsMon);
    offset_ = clampWeekOffset((startOfWeek(viewed, monday) - startOfWeek(app_.today(), monday)) / 7, app_.today());
}

void MonthViewCommands::scrollTo(int offset)
{
    offset = clampWeekOffset(offset, app_.today());
    const int weeks = offset - offset_;
    offset_ = offset;
    DayNumber viewed = app_.state().viewed() + 7 * weeks;
    viewed = std::clamp(viewed, kFirstUsableDay, kLastUsableDay);
    app_.showDay(viewed);
}

void MonthViewCommands::refresh(Schedule& schedule)
{
    const Settings& settings = app_.preferences();
    PaneStyle style = PaneStyle::fromSettings(settings);
    std::array<QColor, 8> cellColours{};
    for (int status = 0; status < kStatusCount; ++status) {
        const std::size_t at = static_cast<std::size_t>(status);
        if (status > 0)
            style.statusText[at] = qColorOf(app_.statuses().textColor(status));
        if (app_.statuses().hasCellColor(status))
            cellColours[at] = qColorOf(app_.statuses().cellColor(status));
    }
    MonthView& view = app_.window().monthView();
    view.setStyle(style, fontOf(settings.font(FontSetting::ScreenMonth), style.facts), cellColours);

    MonthOptions options = monthOptionsFrom(settings);
    options.cashFlowView = app_.commands().filters().cashFlowView();
    options.statusColours = !isLiteMode(schedule.header);
    options.linesPerCell = view.linesPerCell();
    offset_ = clampWeekOffset(offset_, app_.today());
    std::vector<MonthCell> cells =
        monthCells(schedule, firstDay(), options, app_.today(), app_.regional(),
                   app_.commands().filters().hideTest(schedule, Command::monthView), settings.isOn(IntSetting::ShowMoons));
    view.setCells(std::move(cells), app_.state().viewed(), offset_, monthWeekOffsets(app_.today()));
}

std::string MonthViewCommands::statusText(const std::string& dayViewText) const
{
    return "Month View - " + dayViewText;
}

} // namespace zk
