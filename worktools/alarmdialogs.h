#pragma once
// The alarm's windows: the alarm dialog ("AlarmSetBox") that edits an item's
// alarm fields, the Set Alarm Sound dialog and the repeat delay dialog
// ("Snooze"). Every control's object name is its identifier ("55", "1418").
//
// The dialogs read their fields on OK: a value out of range is refused with
// its message through the session's messages and the field keeps the focus.

#ifndef Q_MOC_RUN
#include "worktools/model/alarms.h"
#endif

#include <QDialog>

#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;

namespace zk {

class Messages;

class AlarmSetBox : public QDialog {
    Q_OBJECT
public:
    // `setSound` runs for "&Set Sound...".
    AlarmSetBox(const AlarmSettings& settings, bool anchored, Messages& messages, std::function<void()> setSound,
                QWidget* parent = nullptr);
    const AlarmSettings& settings() const { return settings_; }

public slots:
    void accept() override;

private:
    bool readField(AlarmField field, QLineEdit* edit, int& value);

    Messages& messages_;
    AlarmSettings settings_;
    QLineEdit* minutes_;
    QLineEdit* hours_;
    QLineEdit* days_;
    QButtonGroup* sign_;
    QButtonGroup* reference_;
    QButtonGroup* daysSign_;
    QCheckBox* pager_;
    QLineEdit* pagerNumber_;
};

// The sound list; `test` plays a value.
class SetAlarmSoundDialog : public QDialog {
    Q_OBJECT
public:
    SetAlarmSoundDialog(const std::string& value, std::function<void(const std::string&)> test,
                        QWidget* parent = nullptr);
    // The value to store for the selection.
    std::string value() const;
    // Adds a file the user picked and selects it.
    void addFile(const QString& file);

private:
    QListWidget* list_;
};

class RepeatAlarmDialog : public QDialog {
    Q_OBJECT
public:
    RepeatAlarmDialog(int proposal, Messages& messages, QWidget* parent = nullptr);
    int minutes() const { return minutes_; }

public slots:
    void accept() override;

private:
    Messages& messages_;
    QLineEdit* edit_;
    int minutes_;
};

} // namespace zk
