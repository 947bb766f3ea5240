#pragma once
// The "Status Filter" dialog: one check box per status, captioned with its
// label and checked while items of that status are shown (its bit of the
// hide mask is clear). OK hides every unchecked status and shows every
// checked one, marks the data changed and asks for the views to be
// repainted; Cancel changes nothing. The mask only hides while the status
// filter (StatusFilter) is on; switching that is the Filter window's.
//
// The Filter window's "Status Selections" button opens it:
//
//     StatusFilterDialog dialog(table, {schedule, requestChangeAccess}, this);
//     connect(&dialog, &StatusFilterDialog::filterChanged, ...repaint every view...);
//     dialog.exec();

#ifndef Q_MOC_RUN
#include "core/statustable.h"
#endif

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>

class QCheckBox;

namespace zk {

class Schedule;

class StatusFilterDialog : public QDialog {
    Q_OBJECT
public:
    // Asked afresh on OK: taking change access may replace the schedule.
    struct Host {
        std::function<Schedule*()> schedule;
        // The mask lives in the data file header. Without change access it
        // still filters this session's views, but is not saved.
        std::function<bool()> requestChangeAccess;
    };

    StatusFilterDialog(const StatusTable& table, Host host, QWidget* parent = nullptr);

    QCheckBox* box(int index) const { return boxes_[index]; }
    // The mask the boxes stand for, the bits above the eight statuses kept.
    std::uint16_t chosenMask() const;

signals:
    void filterChanged();

public slots:
    void accept() override;

private:
    Host host_;
    std::uint16_t openingMask_ = 0;
    std::array<QCheckBox*, kStatusCount> boxes_{};
};

} // namespace zk
