#include "shell/model/navigation.h"

#include "shell/model/commanddispatch.h"
#include "shell/model/commands.h"
#include "shell/model/menus.h"

namespace zk {

namespace {
// A week move must land inside the usable days: 2300 + 7 and 32508 - 7.
constexpr DayNumber kFirstWeekMoveDay{2307};
constexpr DayNumber kLastWeekMoveDay{32501};
} // namespace

bool ViewCommands::chooseView(int view)
{
    const bool changed = view != view_;
    if (changed) {
        previous_ = view_;
        view_ = view;
        navigator_.setView(view);
    }
    if (viewChanged_)
        viewChanged_(view_);
    return changed;
}

void ViewCommands::backToPreviousView() { chooseView(previous_); }

void ViewCommands::choosePaneCount(int count)
{
    navigator_.setMultiPaneCount(count);
    // The panes are rebuilt for the new count even when the view stays.
    if (!chooseView(Command::multiPaneView))
        navigator_.setView(Command::multiPaneView);
}

void ViewCommands::moveBy(int days)
{
    if (view_ == Command::weekView)
        navigator_.moveWeekPanes(days);
    else
        navigator_.setViewedDay(navigator_.viewedDay() + days);
}

void ViewCommands::priorWeek()
{
    if (navigator_.viewedDay() >= kFirstWeekMoveDay)
        moveBy(-7);
}

void ViewCommands::nextWeek()
{
    if (navigator_.viewedDay() <= kLastWeekMoveDay)
        moveBy(7);
}

void ViewCommands::priorDay()
{
    if (navigator_.viewedDay() > kFirstUsableDay)
        moveBy(-1);
}

void ViewCommands::nextDay()
{
    if (navigator_.viewedDay() < kLastUsableDay)
        moveBy(1);
}

void ViewCommands::showDay(DayNumber day)
{
    // The month view shows a month, not a day: a chosen day is shown as its
    // schedule.
    if (view_ == Command::monthView)
        chooseView(Command::singleView);
    if (view_ == Command::weekView)
        navigator_.rebuildWeekOn(day);
    else
        navigator_.setViewedDay(day);
}

void ViewCommands::todaysSchedule()
{
    showDay(navigator_.today());
    navigator_.selectFirstEntry();
}

void ViewCommands::nextScheduleWindow()
{
    if (navigator_.currentPane() + 1 < navigator_.paneCount())
        navigator_.setCurrentPane(navigator_.currentPane() + 1);
    else
        nextDay();
}

void ViewCommands::priorScheduleWindow()
{
    if (navigator_.currentPane() > 0)
        navigator_.setCurrentPane(navigator_.currentPane() - 1);
    else
        priorDay();
}

void ViewCommands::cyclePanes()
{
    if (int count = navigator_.paneCount(); count > 1)
        navigator_.setCurrentPane((navigator_.currentPane() + 1) % count);
}

void ViewCommands::install(CommandDispatcher& dispatcher, DatePrompt prompt)
{
    for (const CommandInfo& row : commandTable())
        if (isViewCommand(row.id))
            dispatcher.setHandler(row.id, [this](int view) { chooseView(view); });
    dispatcher.setRangeHandler(Command::firstPaneCount, Command::lastPaneCount,
                               [this](int command) { choosePaneCount(command - Command::firstPaneCount + 2); });
    dispatcher.setHandler(Command::previousView, [this](int) { backToPreviousView(); });
    dispatcher.setHandler(Command::priorWeek, [this](int) { priorWeek(); });
    dispatcher.setHandler(Command::nextWeek, [this](int) { nextWeek(); });
    dispatcher.setHandler(Command::priorDay, [this](int) { priorDay(); });
    dispatcher.setHandler(Command::nextDay, [this](int) { nextDay(); });
    dispatcher.setHandler(Command::todaysSchedule, [this](int) { todaysSchedule(); });
    dispatcher.setHandler(Command::nextScheduleWindow, [this](int) { nextScheduleWindow(); });
    dispatcher.setHandler(Command::priorScheduleWindow, [this](int) { priorScheduleWindow(); });
    dispatcher.setHandler(Command::nextPane, [this](int) { cyclePanes(); });
    dispatcher.setHandler(Command::specificDate, [this, prompt = std::move(prompt)](int) {
        if (!prompt)
            return;
        if (std::optional<DayNumber> day = prompt(); day && day->isUsable())
            showDay(*day);
    });
}

} // namespace zk
