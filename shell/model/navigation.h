#pragma once
// The commands that switch views and move the viewed day, against the
// schedules area as a ViewNavigator.
//
// The main window implements ViewNavigator; ViewCommands keeps the current
// and the previous view and installs these commands on a dispatcher:
//   931 32 933..937 740 746..749 501 641   choose a view
//   43..48                                 multi-pane view with 2..7 panes
//   725 (Backspace, Esc)                   back to the previous view
//   913 914 / 918 917                      prior and next week / day
//   924                                    today's schedule
//   52                                     a date the user types
//   5 6 / 72                               next and prior pane / cycle panes
// Moves keep the viewed day in 2300..32508: a week move needs 2307..32501.
// In the week view a move shifts every pane; otherwise the current pane's.

#include "core/daynumber.h"
#include "shell/model/commands.h"

#include <functional>
#include <optional>

namespace zk {

class CommandDispatcher;

class ViewNavigator {
public:
    virtual ~ViewNavigator() = default;

    virtual DayNumber today() const = 0;
    // The day of the current pane.
    virtual DayNumber viewedDay() const = 0;
    // The current pane shows day; in the multi-pane view the panes after it
    // show the days after it.
    virtual void setViewedDay(DayNumber day) = 0;
    // Week view: every pane moves by days.
    virtual void moveWeekPanes(int days) = 0;
    // Week view: the panes are built again, the first on day or the first
    // day after it that the week definition shows.
    virtual void rebuildWeekOn(DayNumber day) = 0;

    virtual int paneCount() const = 0;
    virtual int currentPane() const = 0;  // 0-based
    virtual void setCurrentPane(int pane) = 0;
    virtual void selectFirstEntry() = 0;

    // Builds the schedules area for a view (its panes; a list view starts at
    // its top), shows or hides the pop-up calendar for it, and repaints.
    virtual void setView(int view) = 0;
    // The multi-pane view's pane count, 2..7 (the schedule keeps it).
    virtual void setMultiPaneCount(int count) = 0;
};

class ViewCommands {
public:
    using DatePrompt = std::function<std::optional<DayNumber>()>;

    explicit ViewCommands(ViewNavigator& navigator, int view = Command::singleView) : navigator_(navigator), view_(view) {}

    int view() const { return view_; }
    int previousView() const { return previous_; }

    // False when the view was current already: then only viewChanged runs,
    // to check its menu item again.
    bool chooseView(int view);
    void backToPreviousView();
    void choosePaneCount(int count);

    void priorWeek();
    void nextWeek();
    void priorDay();
    void nextDay();
    void todaysSchedule();
    void showDay(DayNumber day);
    void nextScheduleWindow();
    void priorScheduleWindow();
    void cyclePanes();

    // Runs after every view command with the current view (check marks,
    // toolbar).
    void setViewChanged(std::function<void(int view)> changed) { viewChanged_ = std::move(changed); }
    // Puts the commands above on the dispatcher; the prompt asks for the
    // date of "Specific Date..." (nothing: the user cancelled).
    void install(CommandDispatcher& dispatcher, DatePrompt prompt);

private:
    void moveBy(int days);

    ViewNavigator& navigator_;
    int view_;
    int previous_ = Command::singleView;
    std::function<void(int)> viewChanged_;
};

} // namespace zk
