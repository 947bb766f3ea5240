#pragma once
// The small month calendar of the pop-up calendar and of the drop-down date
// calendar: the month and year, a row of weekday names, six weeks of day
// numbers (the shown month's days filled with their colour, the viewed day
// framed) and a scroll bar over the months of 2300..32508.
//
// Up and Down step a month, Page Up and Page Down a year, Home asks for
// today; a month outside the range beeps and nothing changes. Other keys
// go out through otherKey(), for the owner to pass on. A click on a day
// asks for it (a day outside the range beeps), a right click asks to move
// the selected item there.

#ifndef Q_MOC_RUN
#include "core/daynumber.h"
#include "core/regional.h"
#endif

#include <QColor>
#include <QWidget>

#include <array>
#include <optional>

namespace zk {

class EdgeScrollBar;

inline constexpr int kCalendarCells = 42;

class CalendarGrid : public QWidget {
    Q_OBJECT
public:
    explicit CalendarGrid(QWidget* parent = nullptr);

    void setRegional(const RegionalSettings& regional, bool weekStartsMonday);
    // Shows the month holding `day`.
    void setMonth(DayNumber day);
    DayNumber month() const { return month_; }
    void setViewed(DayNumber day);
    // Fill colours of the 42 cells from firstDay(); invalid: the plain fill.
    void setDayColours(const std::array<QColor, kCalendarCells>& colours);

    DayNumber firstDay() const;
    // The cell of a day, in this widget's coordinates; empty when not shown.
    QRect dayRect(DayNumber day) const;
    std::optional<DayNumber> dayAt(QPoint position) const;
    // Steps the shown month; false (with a beep) when it would leave the range.
    bool stepMonths(int months);

signals:
    // The shown month changed (by scrolling or keys): repaint its colours.
    void monthChanged(zk::DayNumber monthFirst);
    void dayChosen(zk::DayNumber day);
    void dayRightClicked(zk::DayNumber day);
    void todayRequested();
    void otherKey(int key, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QRect daysArea() const;
    int titleHeight() const;
    void placeScrollBar();
    void syncScrollBar();

    RegionalSettings regional_;
    bool weekStartsMonday_ = false;
    DayNumber month_;
    DayNumber viewed_;
    std::array<QColor, kCalendarCells> colours_{};
    EdgeScrollBar* scrollBar_;
};

} // namespace zk
