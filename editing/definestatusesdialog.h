#pragma once
// The "Define Statuses" dialog: the eight labels, and for each status a
// sample text drawn in its text colour on its cell colour (the normal
// background when it has none), with "Text" and "Cell" buttons that open
// the colour chooser. The colours are working copies until OK.
//
// OK stores a changed text colour of status 0 as ColorNormalText, writes
// the labels and colours into the table and saves it; only when the save
// succeeds does the table change and statusesChanged() ask for every view
// to be repainted. A failed save (the user was told) keeps the dialog open
// and the table as it was. Cancel keeps the table.
//
// The main window opens it for command 379 ("Statuses...") and from the
// status menu:
//
//     DefineStatusesDialog dialog(table, settings,
//         [&](const StatusTable& t) { return saveStatusTable(t, statusFile); }, this);
//     connect(&dialog, &DefineStatusesDialog::statusesChanged, ...repaint all views...);
//     dialog.exec();

#ifndef Q_MOC_RUN
#include "core/statustable.h"
#include "shell/model/settings.h"
#endif

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zk {

class DefineStatusesDialog : public QDialog {
    Q_OBJECT
public:
    using SaveTable = std::function<bool(const StatusTable&)>;

    DefineStatusesDialog(StatusTable& table, Settings& settings, SaveTable save, QWidget* parent = nullptr);

    // The controls of status `index` (0..7).
    QLineEdit* labelEdit(int index) const { return rows_[index].label; }
    QLabel* sample(int index) const { return rows_[index].sample; }
    QPushButton* textButton(int index) const { return rows_[index].text; }
    QPushButton* cellButton(int index) const { return rows_[index].cell; }
    // The working colours, as the samples show them.
    std::uint32_t textColor(int index) const { return working_.textColor(index); }
    std::uint32_t cellColor(int index) const { return working_.cellColor(index); }

signals:
    void statusesChanged();

public slots:
    void accept() override;

private:
    enum class ColorPart { Text, Cell };
    struct Row {
        QLineEdit* label = nullptr;
        QLabel* sample = nullptr;
        QPushButton* text = nullptr;
        QPushButton* cell = nullptr;
    };

    void addRow(QGridLayout* grid, int index);
    void chooseColor(int index, ColorPart part);
    void paintSample(int index);
    // The cell colour, or the normal background when there is none.
    std::uint32_t shownCellColor(int index) const;

    StatusTable& table_;
    Settings& settings_;
    SaveTable save_;
    StatusTable working_;
    std::array<Row, kStatusCount> rows_;
};

} // namespace zk
