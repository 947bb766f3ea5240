#pragma once
// The pop-up calendar of a desktop session (Options, Calendar): 951 Open,
// 78 Close, 80 Color Utilization and 79 Monochrome, 603 Tiled. A small
// month calendar beside the schedule, each day of its month in the colour
// of how full it is; a click shows a day, a right click moves the selected
// item there (PRO mode only), written to "Popcal.log" as well as the
// change log.
//
// Tiled, the calendar is docked in the main window; otherwise it floats
// as a window of its own, where the per-user row puts it. It is hidden
// while the month view is the current view. Everything runs on the
// user-interface thread; the schedule is read under the background-work
// lock.

#ifndef Q_MOC_RUN
#include "core/daynumber.h"
#endif

#include <QObject>

class QDockWidget;

namespace zk {

class CalendarGrid;
class CommandDispatcher;
class DesktopApp;
class Schedule;

inline constexpr const char* kPopCalLogName = "Popcal.log";
extern const char* const kProModeOnlyText;

namespace PopUpCommand {
inline constexpr int open = 951;
inline constexpr int close = 78;
inline constexpr int monochrome = 79;
inline constexpr int colourUtilisation = 80;
inline constexpr int tiled = 603;
} // namespace PopUpCommand

class PopUpCalendar : public QObject {
public:
    explicit PopUpCalendar(DesktopApp& app);
    ~PopUpCalendar() override;

    void install(CommandDispatcher& dispatcher);

    bool isOpen() const;
    bool colourUtilisation() const { return colours_; }
    CalendarGrid& grid() { return *grid_; }
    QDockWidget& window() { return *dock_; }

    void open();
    void close();
    // Opens it again when the per-user row says it was open.
    void reopen();
    // The month view hides it; the other views show it again.
    void viewChanged(int view);
    // Colours and viewed day from the schedule; the caller holds it.
    void refresh(const Schedule& schedule);
    // The selected item to the day (a right click).
    void moveSelectedTo(DayNumber day);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setColours(bool on);
    void setTiled(bool tiled);
    void placeFloating();
    void storeRectangle();
    void refreshNow();

    DesktopApp& app_;
    QDockWidget* dock_;
    CalendarGrid* grid_;
    bool colours_ = true;
    bool hiddenByMonthView_ = false;
};

} // namespace zk
