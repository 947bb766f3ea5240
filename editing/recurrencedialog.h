#pragma once
// The recurrence dialog: the rule of a recurring item as choices (period
// and "Every", weekdays, the three monthly modes with their grids, the
// Nearest options, carry-over, months, "Suspended", "Share Notes", the
// first and last day), over the Qt-free RecurrenceEditor.
//
// The two dates and the "Every" number are read when they lose the focus,
// by the entry rules; a text that does not read is refused through the
// messages and keeps the focus. OK reads what is unread and runs the
// recurrence engine's rule check, which may also correct the rule and say
// so; refused, the dialog stays open with the choices as they were. Cancel
// changes nothing.
//
// Every control has an object name for what it sets: "daily", "weekly",
// "monthly", "annually", "every", "interval", "weekday0".."weekday6",
// "dayOfMonth", "weekdayOfMonth", "fourFourFive", "day1".."day31",
// "grid1-0".."grid5-6" (week, weekday), "nearest", "onOrAfter",
// "onOrBefore", "keep", "delete", "shift", "month1".."month12",
// "suspended", "shareNotes", "starting", "ending".
//
//   RecurrenceDialog dialog(rule, session.entryContext(), session.messages(), this);
//   if (dialog.exec() == QDialog::Accepted) rule = dialog.rule();

#ifndef Q_MOC_RUN
#include "engine/recurrenceediting.h"
#endif

#include <QDialog>

#include <functional>
#include <memory>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QStackedWidget;

namespace zk {

class RecurrenceDialog : public QDialog {
    Q_OBJECT
public:
    RecurrenceDialog(const RecurrenceRecord& rule, EntryContext context, Messages& messages,
                     QWidget* parent = nullptr);
    ~RecurrenceDialog() override;

    const RecurrenceEditor& editor() const { return *editor_; }
    // The rule OK accepted.
    const RecurrenceRecord& rule() const { return rule_; }

public slots:
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildPeriod();
    QWidget* buildWeekdays();
    QWidget* buildMonthly();
    QWidget* buildMonths();
    QWidget* buildCarryOver();
    QLineEdit* addEdit(const char* name, RecurrenceField field);
    QAbstractButton* addBox(QAbstractButton* box, const QString& name, std::function<void(bool)> set);
    void refresh();
    bool readEdit(QLineEdit* edit);
    bool readUnread();

    Messages& messages_;
    DayNumber today_;
    std::unique_ptr<RecurrenceEditor> editor_;
    RecurrenceRecord rule_;
    std::vector<std::pair<QAbstractButton*, std::function<bool()>>> boxes_;
    std::vector<std::pair<QLineEdit*, RecurrenceField>> edits_;
    QLabel* unit_ = nullptr;
    QLabel* lastRowLabel_ = nullptr;
    QWidget* weekdays_ = nullptr;
    QWidget* monthly_ = nullptr;
    QWidget* nearestRow_ = nullptr;
    QStackedWidget* grids_ = nullptr;
    QLineEdit* refused_ = nullptr;
    QString refusedText_;
    bool refreshing_ = false;
};

} // namespace zk
