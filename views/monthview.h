#pragma once
// The month view: four weeks of days in a 4 x 7 grid under the status
// text, each cell with its day of the month, the month and weekday with the
// distance from today, an optional week number and moon, and as many of
// the day's entries as fit, in their status colours, and a "+3 more" mark
// when some do not. A scroll bar moves the
// grid by weeks.
//
// The view keeps only what it paints (cells made by monthCells() while its
// owner held the schedule). A click asks for the day under the mouse to be
// viewed, a double-click for that day in the single schedule view; a day
// outside the usable range is refused with a beep.

#ifndef Q_MOC_RUN
#include "shell/model/monthgrid.h"
#endif
#include "views/daypane.h"

#include <QWidget>

#include <array>
#include <optional>
#include <vector>

class QLabel;
class QScrollBar;

namespace zk {

class MonthGrid;

class MonthView : public QWidget {
    Q_OBJECT
public:
    explicit MonthView(QWidget* parent = nullptr);

    void setStatusText(const QString& text);
    QString statusText() const;
    // The status table's cell colours fill an entry's line (invalid: none).
    void setStyle(const PaneStyle& style, const QFont& monthFont, const std::array<QColor, 8>& cellColours);
    // The cells from the first day; `viewed` is marked. The scroll bar runs
    // over the offsets, at `offset`.
    void setCells(std::vector<MonthCell> cells, DayNumber viewed, int offset, WeekOffsetRange range);

    DayNumber firstDay() const;
    // As many entry lines as a cell of the grid's size can show.
    std::size_t linesPerCell() const;
    DayNumber viewedDay() const { return viewed_; }
    const std::vector<MonthCell>& cells() const { return cells_; }
    QWidget& grid();
    QScrollBar& scrollBar() { return *scrollBar_; }
    // Where a day's cell lies in the grid's coordinates; empty when not shown.
    QRect cellRect(DayNumber day) const;

signals:
    void dayClicked(zk::DayNumber day);
    void dayDoubleClicked(zk::DayNumber day);
    // The scroll bar moved the grid to this week offset.
    void offsetRequested(int offset);

private:
    friend class MonthGrid;
    std::optional<DayNumber> dayAt(QPoint position) const;

    QLabel* caption_;
    MonthGrid* grid_;
    QScrollBar* scrollBar_;
    std::vector<MonthCell> cells_;
    DayNumber viewed_;
    PaneStyle style_;
    QFont monthFont_;
    std::array<QColor, 8> cellColours_{};
    bool settingScroll_ = false;
};

} // namespace zk
