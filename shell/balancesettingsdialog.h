#pragma once
// "Balance Workload Settings": today's and the future free reserve, the
// keep-clear dates, the minimum split piece, and the Marval colour-cube
// sensitivity and default horizon. OK reads every field (the form's rules
// are in shell/model/balanceform.h); a field that does not read is named
// with its message and gets the focus, and the dialog stays open.

#ifndef Q_MOC_RUN
#include "shell/model/balanceform.h"
#endif

#include <QDialog>

#include <functional>

class QLineEdit;

namespace zk {

class Messages;

class BalanceSettingsDialog : public QDialog {
    Q_OBJECT
public:
    // `freeze` runs the Freeze button (labelled `freezeText`); none: no button.
    BalanceSettingsDialog(const BalanceFormValues& values, const EntryContext& context, Messages& messages,
                          QWidget* parent = nullptr, std::function<void()> freeze = {},
                          const QString& freezeText = {});

    // What OK accepted.
    const BalanceFormValues& values() const { return values_; }
    QLineEdit* field(BalanceField which) const;

public slots:
    void accept() override;

private:
    BalanceFormValues values_;
    EntryContext context_;
    Messages& messages_;
    QLineEdit* todayReserve_;
    QLineEdit* futureReserve_;
    QLineEdit* keepClearFirst_;
    QLineEdit* keepClearLast_;
    QLineEdit* minSplit_;
    QLineEdit* marvalSense_;
    QLineEdit* marvalHorizon_;
};

} // namespace zk
