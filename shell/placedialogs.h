#pragma once
// The Options menu's place dialogs: the position for sunrise and moonrise
// ("GeoPosition": latitude and longitude in degrees, north and east
// positive) and the tide location ("TideLocation": a name and the mean
// high-water interval, h:mm). OK checks what was typed and says what is
// wrong, keeping the dialog open; a good value goes into the catalogue,
// and the caller saves and repaints.

#ifndef Q_MOC_RUN
#include "shell/model/settings.h"
#endif

#include <QDialog>

class QLineEdit;

namespace zk {

class Messages;

class GeoPositionDialog : public QDialog {
    Q_OBJECT
public:
    GeoPositionDialog(Settings& settings, Messages& messages, QWidget* parent = nullptr);
    QLineEdit* latitudeEdit() const { return latitude_; }
    QLineEdit* longitudeEdit() const { return longitude_; }

public slots:
    void accept() override;

private:
    Settings& settings_;
    Messages& messages_;
    QLineEdit* latitude_;
    QLineEdit* longitude_;
};

class TideLocationDialog : public QDialog {
    Q_OBJECT
public:
    TideLocationDialog(Settings& settings, Messages& messages, QWidget* parent = nullptr);
    QLineEdit* nameEdit() const { return name_; }
    QLineEdit* intervalEdit() const { return interval_; }

public slots:
    void accept() override;

private:
    Settings& settings_;
    Messages& messages_;
    QLineEdit* name_;
    QLineEdit* interval_;
};

} // namespace zk
