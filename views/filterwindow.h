#pragma once
// The modeless "Filter" window: the switches and values of the user's view
// filters. Every change is stored in the settings at once and reported with
// changed(), so the owner saves the settings and repaints every view while
// the user watches; the filters hide nothing once the window is closed.
//
// The window keeps no schedule: the projects to choose from are given when
// it opens, and the chosen filter project goes out through projectChosen().

#ifndef Q_MOC_RUN
#include "shell/model/settings.h"
#include "shell/model/viewfilter.h"
#endif

#include <QDialog>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zk {

struct RegionalSettings;

struct FilterProject {
    std::uint32_t id = 0;
    QString title;
};

class FilterWindow : public QDialog {
    Q_OBJECT
public:
    // `switches` holds the two switches that are no settings (text, case);
    // `projects` the schedule's projects, `project` the filter project.
    FilterWindow(Settings& settings, FilterSwitches& switches, std::vector<FilterProject> projects,
                 std::uint32_t project, const RegionalSettings& regional, QWidget* parent = nullptr);

    QCheckBox* readyNowBox() const { return readyNow_; }
    QCheckBox* minimumBox() const { return minimum_; }
    QSpinBox* minimumField() const { return minimumLength_; }
    QCheckBox* projectBox() const { return projectOn_; }
    QComboBox* projectList() const { return project_; }
    QCheckBox* statusBox() const { return statusOn_; }
    QPushButton* statusButton() const { return statusSelections_; }
    QCheckBox* textBox() const { return textOn_; }
    QLineEdit* textField() const { return text_; }
    QCheckBox* routineBox() const { return routine_; }
    QCheckBox* caseBox() const { return caseOn_; }
    QLineEdit* caseField() const { return case_; }
    QPushButton* exitButton() const { return exit_; }

signals:
    // A switch or value was stored: save the settings, repaint every view.
    void changed();
    void projectChosen(std::uint32_t projectId);
    void statusSelectionsRequested();

private:
    void storeText();
    void storeCase();
    void connectSwitch(QCheckBox* box, IntSetting setting);

    Settings& settings_;
    FilterSwitches& switches_;
    QCheckBox* readyNow_;
    QCheckBox* minimum_;
    QSpinBox* minimumLength_;
    QCheckBox* projectOn_;
    QComboBox* project_;
    QCheckBox* statusOn_;
    QPushButton* statusSelections_;
    QCheckBox* textOn_;
    QLineEdit* text_;
    QCheckBox* routine_;
    QCheckBox* caseOn_;
    QLineEdit* case_;
    QPushButton* exit_;
};

} // namespace zk
