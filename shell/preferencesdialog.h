#pragma once
// The Preferences dialog: one check box or radio group per preference.
// Opening sets every control from the catalogue and the schedule header;
// each click stores the new state there at once, so views can repaint while
// the dialog stays open; closing it (by "Close" or otherwise) runs the
// window settings save.
//
// The header is asked for afresh on every access, because taking change
// access may replace the schedule that holds it. Changing a header-held
// preference or the interface mode is announced, so that the owner can mark
// the schedule changed and apply the mode's menus.

#include "shell/model/settings.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

class QAbstractButton;
class QBoxLayout;
class QButtonGroup;
class QGroupBox;

namespace zk {

class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    using HeaderAccess = std::function<ScheduleHeader&()>;

    PreferencesDialog(Settings& settings, SettingStore& store, HeaderAccess header, QWidget* parent = nullptr);

    // Sets every control from the catalogue and the header again.
    void load();
    // The control of a resource id (1236 "Show task begin time" ...); null
    // for an id the dialog does not have.
    QAbstractButton* control(int id) const;
    // The program the launch-at-login entry starts (default: this program).
    void setProgramPath(std::filesystem::path program) { program_ = std::move(program); }

signals:
    void settingChanged();
    void headerChanged();
    void interfaceModeChanged(int mode);
    void saved();

public slots:
    void done(int result) override;

private:
    struct Toggle {
        QAbstractButton* button;
        std::function<bool()> isOn;
    };
    struct Choice {
        QButtonGroup* group;
        std::function<int()> value;
    };

    QBoxLayout* addGroup(QBoxLayout* column, const QString& title);
    QAbstractButton* addCheck(QBoxLayout* group, int id, const char* caption, std::function<bool()> isOn,
                              std::function<void(bool)> store);
    void addSetting(QBoxLayout* group, int id, const char* caption, IntSetting setting);
    void addOption(QBoxLayout* group, int id, const char* caption, HeaderOption option);
    template <typename T>
    struct Labelled {
        int id;
        const char* caption;
        T what;
    };
    void addSettings(QBoxLayout* group, std::initializer_list<Labelled<IntSetting>> boxes);
    void addOptions(QBoxLayout* group, std::initializer_list<Labelled<HeaderOption>> boxes);
    void addRowFlag(QBoxLayout* group, int id, const char* caption, int UserWindowRow::*field);
    struct Radio {
        int id;
        const char* caption;
        int value;
    };
    void addChoice(QBoxLayout* group, const std::vector<Radio>& radios, std::function<int()> value,
                   std::function<void(int)> store);
    void addSettingChoice(QBoxLayout* group, const std::vector<Radio>& radios, IntSetting setting);

    void buildInterfaceColumn(QBoxLayout* column);
    void buildSchedulingColumn(QBoxLayout* column);
    void buildViewsColumn(QBoxLayout* column);
    void buildAlarmsColumn(QBoxLayout* column);
    void setInterfaceMode(int mode);
    void setLaunchAtStartup(bool on);
    void showProFeatures();

    Settings& settings_;
    SettingStore& store_;
    HeaderAccess header_;
    std::filesystem::path program_;
    std::map<int, QAbstractButton*> controls_;
    std::vector<Toggle> toggles_;
    std::vector<Choice> choices_;
};

} // namespace zk
