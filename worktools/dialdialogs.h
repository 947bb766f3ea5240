#pragma once
// The windows of dialling: the AutoDial dialog (the number, the four
// prefixes, the line with the area's time and place, "Demon Dial", and the
// buttons that dial a local, long-distance or international call) and the
// Area Codes dialog that edits the table of area codes. Controls are named
// for tests ("number", "outside", "areaLine", "codes", ...).

#ifndef Q_MOC_RUN
#include "worktools/model/autodial.h"
#endif

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace zk {

class Messages;

struct AutoDialValues {
    std::string number;
    DialPrefixes prefixes;
    bool demonDial = false;
};

class AutoDialDialog : public QDialog {
    Q_OBJECT
public:
    // `areaLine` gives the line shown for an area code (the caller keeps
    // the table and the clock).
    AutoDialDialog(const AutoDialValues& values, std::function<std::string(int areaCode)> areaLine,
                   QWidget* parent = nullptr);
    AutoDialValues values() const;
    // The call chosen; none when the dialog closed with OK or Cancel.
    std::optional<CallKind> call() const { return call_; }

private:
    void numberChanged();

    std::function<std::string(int)> areaLine_;
    std::optional<int> shownCode_;
    std::optional<CallKind> call_;
    QLineEdit* number_;
    QLabel* area_;
    QLineEdit* outside_;
    QLineEdit* distance_;
    QLineEdit* localAreaCode_;
    QLineEdit* international_;
    QCheckBox* demonDial_;
};

class AreaCodesDialog : public QDialog {
    Q_OBJECT
public:
    AreaCodesDialog(const std::vector<AreaCode>& codes, Messages& messages, QWidget* parent = nullptr);
    // The table as accepted, sorted by code.
    const std::vector<AreaCode>& codes() const { return codes_; }

public slots:
    void accept() override;

private:
    void addRow(const AreaCode& area);

    Messages& messages_;
    std::vector<AreaCode> codes_;
    QTableWidget* table_;
};

} // namespace zk
