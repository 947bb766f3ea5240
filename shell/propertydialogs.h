#pragma once
// The dialogs of the settings that feed placement: "Day Bounds..." (the day
// window and the first and last items of every day), "Biz Hours...",
// "Time Values..." (an hour's worth, the interest rate, the value order of
// the priority list), and the two questions of the advanced commands
// ("Handle Interruption...": what and how long; "Shift Priority List
// Marvals...": the factor). OK reads what was typed and says what is wrong,
// keeping the dialog open; the values read are then the dialog's to give.

#ifndef Q_MOC_RUN
#include "core/dateparse.h"
#include "engine/itemediting.h"
#include "shell/model/propertycommands.h"
#endif

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace zk {

class Messages;

class DayBoundsDialog : public QDialog {
    Q_OBJECT
public:
    // The first and last items by id (0: none).
    struct Values {
        TimeValue from, to;
        std::uint32_t first = 0, last = 0;
    };
    DayBoundsDialog(const Values& current, std::vector<ItemChoice> items, const EntryContext& context,
                    Messages& messages, QWidget* parent = nullptr);
    const Values& values() const { return values_; }
    QLineEdit* fromEdit() const { return from_; }
    QLineEdit* toEdit() const { return to_; }
    QComboBox* firstBox() const { return first_; }
    QComboBox* lastBox() const { return last_; }
    QLabel* nightOwlLabel() const { return nightOwl_; }

public slots:
    void accept() override;

private:
    void showNightOwl();

    std::vector<ItemChoice> items_;
    EntryContext context_;
    Messages& messages_;
    Values values_;
    QLineEdit* from_;
    QLineEdit* to_;
    QComboBox* first_;
    QComboBox* last_;
    QLabel* nightOwl_;
};

class BizHoursDialog : public QDialog {
    Q_OBJECT
public:
    BizHoursDialog(TimeValue begin, TimeValue end, const EntryContext& context, Messages& messages,
                   QWidget* parent = nullptr);
    TimeValue begin() const { return begin_; }
    TimeValue end() const { return end_; }
    QLineEdit* beginEdit() const { return beginEdit_; }
    QLineEdit* endEdit() const { return endEdit_; }

public slots:
    void accept() override;

private:
    EntryContext context_;
    Messages& messages_;
    TimeValue begin_, end_;
    QLineEdit* beginEdit_;
    QLineEdit* endEdit_;
};

class TimeValuesDialog : public QDialog {
    Q_OBJECT
public:
    TimeValuesDialog(const TimeValues& current, Messages& messages, QWidget* parent = nullptr);
    const TimeValues& values() const { return values_; }
    QLineEdit* worthEdit() const { return worth_; }
    QLineEdit* rateEdit() const { return rate_; }
    QCheckBox* marvalsBox() const { return marvals_; }

public slots:
    void accept() override;

private:
    Messages& messages_;
    TimeValues values_;
    QLineEdit* worth_;
    QLineEdit* rate_;
    QCheckBox* marvals_;
};

class InterruptionDialog : public QDialog {
    Q_OBJECT
public:
    InterruptionDialog(Messages& messages, QWidget* parent = nullptr);
    const Interruption& interruption() const { return interruption_; }
    QLineEdit* textEdit() const { return text_; }
    QLineEdit* durationEdit() const { return duration_; }

public slots:
    void accept() override;

private:
    Messages& messages_;
    Interruption interruption_;
    QLineEdit* text_;
    QLineEdit* duration_;
};

class MarvalsFactorDialog : public QDialog {
    Q_OBJECT
public:
    MarvalsFactorDialog(Messages& messages, QWidget* parent = nullptr);
    double factor() const { return factor_; }
    QLineEdit* factorEdit() const { return factorEdit_; }

public slots:
    void accept() override;

private:
    Messages& messages_;
    double factor_ = 1;
    QLineEdit* factorEdit_;
};

} // namespace zk
