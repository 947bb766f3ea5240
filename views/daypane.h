#pragma once
// A schedule pane in its first form: the viewed day's heading (its date and
// day facts) and one line per entry, the start time and the description
// with its marks, in the day's order. The day is laid out at the clock's
// moment each time it is shown, so starts and conflict marks agree with the
// clock; conflicting starts show in red, done items in grey.
//
// The pane keeps only text: the schedule is read during showDay() alone,
// which its caller runs while it owns the schedule.

#include "core/daynumber.h"
#include "core/regional.h"

#include <QStringList>
#include <QWidget>

class QLabel;
class QTreeWidget;

namespace zk {

class Schedule;

struct DayPaneMoment {
    DayNumber today;
    TimeValue now;
};

class DayPane : public QWidget {
public:
    explicit DayPane(QWidget* parent = nullptr);

    void showDay(Schedule& schedule, DayNumber day, const DayPaneMoment& moment, const RegionalSettings& regional);

    DayNumber day() const { return day_; }
    QString heading() const;
    QString facts() const;
    // "start<TAB>description" per line, as shown.
    QStringList lines() const;

private:
    DayNumber day_;
    QLabel* heading_;
    QLabel* facts_;
    QTreeWidget* entries_;
};

} // namespace zk
