#pragma once
// The dialogs of the workgroup: Schedules Setup (the user list and the
// server folder), Select Schedule, Edit Group, Edit User Name, Set
// Passwords and Access Check. They work on the lists and the header fields
// of sharing/workgroup.h; what a choice then does to the session (opening
// another schedule, moving this one) is the caller's, given as functions.

#include "sharing/workgroup.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zk {

class Clock;
class Messages;
class SettingStore;

extern const char* const kIncorrectPasswordText;

class SchedulesSetupDialog final : public QDialog {
public:
    struct Context {
        std::string ownName;                // this session's user name
        std::filesystem::path ownFolder;    // this session's schedule folder
        const Clock* clock = nullptr;
        // "Move Data to Server" after the user agreed: copies this schedule
        // to the folder and goes on there; false when it did not.
        std::function<bool(const std::filesystem::path& target)> moveToServer;
        // "Edit Group..." with the names the list holds now.
        std::function<void(const std::vector<std::string>& names)> editGroup;
    };

    SchedulesSetupDialog(SettingStore& settings, Messages& messages, Context context, QWidget* parent = nullptr);

    void accept() override;

    QListWidget* list() const { return list_; }
    QLineEdit* nameField() const { return name_; }
    QLineEdit* serverField() const { return server_; }
    QLabel* dataPath() const { return dataPath_; }
    QLabel* count() const { return count_; }

private:
    Workgroup workgroup() const;
    void serverChanged();
    void selectionChanged();
    void showFolderOf(const std::string& name);
    void addUser();
    void renameUser();
    void deleteUser();
    void moveDataToServer();
    void peerChanged();
    void updateCount();
    std::vector<std::string> listed() const;
    bool listHas(const std::string& name) const;

    SettingStore& settings_;
    Messages& messages_;
    Context context_;
    QListWidget* list_;
    QLineEdit* name_;
    QLabel* dataPath_;
    QLabel* location_;
    QLabel* count_;
    QLineEdit* server_;
    QPushButton* add_;
    QPushButton* rename_;
    QPushButton* delete_;
    QPushButton* move_;
    QCheckBox* peer_;
};

// The names of the user list; the choice is the name selected on OK (or a
// double-click).
class SelectScheduleDialog final : public QDialog {
public:
    explicit SelectScheduleDialog(const std::vector<std::string>& names, QWidget* parent = nullptr);
    std::string chosen() const;
    QListWidget* list() const { return list_; }

private:
    QListWidget* list_;
};

// Chooses the members of group.lst from the user lists.
class EditGroupDialog final : public QDialog {
public:
    EditGroupDialog(const std::vector<std::string>& choices, const std::vector<std::string>& group,
                    QWidget* parent = nullptr);
    std::vector<std::string> group() const;
    QListWidget* choices() const { return choices_; }
    QListWidget* members() const { return members_; }

private:
    void move(QListWidget* from, QListWidget* to, bool all);

    QListWidget* choices_;
    QListWidget* members_;
};

class UserNameDialog final : public QDialog {
public:
    UserNameDialog(const std::string& name, QWidget* parent = nullptr);
    std::string name() const;
    QLineEdit* field() const { return field_; }

private:
    QLineEdit* field_;
};

// The entered password's level shows as it is typed; OK without View
// Permission says "Incorrect Password". Either way the dialog closes.
class AccessCheckDialog final : public QDialog {
public:
    AccessCheckDialog(Passwords stored, Messages& messages, QWidget* parent = nullptr);
    AccessLevel level() const { return level_; }
    void accept() override;
    QLineEdit* field() const { return field_; }
    QLabel* levelLabel() const { return levelLabel_; }

private:
    Passwords stored_;
    Messages& messages_;
    AccessLevel level_ = AccessLevel::None;
    QLineEdit* field_;
    QLabel* levelLabel_;
};

// The three passwords. Setting others' needs the owner's; a new owner
// password is confirmed in an Access Check first.
class SetPasswordsDialog final : public QDialog {
public:
    // Proves the owner password of the passwords given: true for Total Access.
    using Confirm = std::function<bool(const Passwords&)>;

    SetPasswordsDialog(const Passwords& current, Messages& messages, Confirm confirm, QWidget* parent = nullptr);
    Passwords passwords() const;
    void accept() override;
    QLineEdit* owner() const { return owner_; }
    QLineEdit* modify() const { return modify_; }
    QLineEdit* view() const { return view_; }

private:
    Messages& messages_;
    Confirm confirm_;
    QLineEdit* owner_;
    QLineEdit* modify_;
    QLineEdit* view_;
};

} // namespace zk
