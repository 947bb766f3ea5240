#pragma once
// The drop-down date calendar of a dialog's date field ("ZK_DropCal"): F4
// or Alt+Down in the field opens a month calendar under it (above it when
// it would run off the screen), square, 14/6 of the field's width wide. It
// steps through months as the pop-up calendar does, Esc closes it, and a
// click on a day writes that date into the field, gives the field the
// focus and closes the calendar. One is open at a time.

#ifndef Q_MOC_RUN
#include "core/daynumber.h"
#include "core/regional.h"
#endif

#include <QWidget>

#include <functional>

class QLineEdit;

namespace zk {

class CalendarGrid;

struct DropCalendarSource {
    // The month shown when it opens: the viewed day's.
    std::function<DayNumber()> shownDay;
    RegionalSettings regional;
    bool weekStartsMonday = false;
};

class DropCalendar : public QWidget {
    Q_OBJECT
public:
    // Opens the calendar for the field, closing one already open.
    static DropCalendar* open(QLineEdit& field, const DropCalendarSource& source);
    // The calendar open now, or null.
    static DropCalendar* current();

    CalendarGrid& grid() { return *grid_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    DropCalendar(QLineEdit& field, const DropCalendarSource& source);
    void choose(DayNumber day);

    QLineEdit& field_;
    RegionalSettings regional_;
    CalendarGrid* grid_;
};

// F4 and Alt+Down in the field open its calendar.
void attachDropCalendar(QLineEdit& field, DropCalendarSource source);

} // namespace zk
