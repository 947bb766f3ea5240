#pragma once
// The time zone windows: the Define Time Zones dialog, the Define World
// Timeline dialog, and the World Timeline strip across the main window.
// Every control's object name is its identifier ("1102" the zone names).

#ifndef Q_MOC_RUN
#include "worktools/model/timezones.h"
#endif

#include <QDialog>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zk {

class Messages;

// Edits the table in place: the zone shown is stored when another is
// selected and on OK; a bad offset is refused with its message and the
// field keeps the focus.
class DefineTimeZonesDialog : public QDialog {
    Q_OBJECT
public:
    // `computerSetting`: the computer's offset and zone name, shown read-only.
    DefineTimeZonesDialog(ZoneTable& table, const QString& computerSetting, Messages& messages, QWidget* parent = nullptr);

public slots:
    void accept() override;

private:
    bool storeShown();
    void showZone(int index);
    void selectZone(int index);
    void addZone();
    void removeZone();
    void daylightToggled();

    ZoneTable& table_;
    Messages& messages_;
    int shown_ = -1;
    // The name typed over the shown zone's: the combo shows the next zone's
    // name by the time its selection arrives.
    std::optional<QString> typedName_;
    QComboBox* names_;
    QLineEdit* offset_;
    QCheckBox* standardYearRound_;
    QGroupBox* daylight_;
    std::vector<QComboBox*> rules_;  // begin week, weekday, month; end week, weekday, month
    QPushButton* add_;
    QPushButton* remove_;
};

// The zones to show, by name: a zone is shown when it is selected.
class WorldTimelineDialog : public QDialog {
    Q_OBJECT
public:
    WorldTimelineDialog(const ZoneTable& table, QWidget* parent = nullptr);
    // The shown flag of every zone, in table order.
    std::vector<bool> shown() const;

private:
    QListWidget* cities_;
};

// One framed column a shown zone: "<name> <time>", inverted outside 8:00
// to 17:00 there. The last column takes what is left of the width.
class WorldTimelineStrip : public QWidget {
    Q_OBJECT
public:
    struct Column {
        QString text;
        bool inverted = false;
        friend bool operator==(const Column&, const Column&) = default;
    };
    explicit WorldTimelineStrip(QWidget* parent = nullptr);
    // Repaints when they changed.
    void setColumns(std::vector<Column> columns);
    const std::vector<Column>& columns() const { return columns_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Column> columns_;
};

} // namespace zk
