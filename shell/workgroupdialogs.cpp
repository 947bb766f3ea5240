#include "shell/workgroupdialogs.h"

#include "core/text.h"
#include "platform/messages.h"
#include "platform/lockfilesystem.h"
#include "platform/settingstore.h"
#include "sharing/lockfiles.h"
#include "shell/formdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zk {

const char* const kIncorrectPasswordText = "Incorrect Password";

namespace {

namespace fs = std::filesystem;

QString qt(const std::string& text) { return QString::fromStdString(text); }
std::string text(const QLineEdit* edit) { return std::string(trimBlanks(edit->text().toStdString())); }

QDialogButtonBox* okCancel(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QListWidget* nameList(const char* objectName, const std::vector<std::string>& names)
{
    auto* list = new QListWidget;
    list->setObjectName(QString::fromLatin1(objectName));
    for (const std::string& name : names)
        list->addItem(qt(name));
    return list;
}

std::vector<std::string> namesOf(const QListWidget* list)
{
    std::vector<std::string> names;
    for (int i = 0; i < list->count(); ++i)
        names.push_back(list->item(i)->text().toStdString());
    return names;
}

QLineEdit* passwordField(QFormLayout* form, const char* objectName, const QString& label, const std::string& value)
{
    QLineEdit* edit = addFormField(form, objectName, label, value);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(static_cast<int>(UserHeader::passwordSize - 1));
    return edit;
}

std::string printedPath(const fs::path& path) { return path.string(); }

} // namespace

// --- Schedules Setup ----------------------------------------------------------------------

SchedulesSetupDialog::SchedulesSetupDialog(SettingStore& settings, Messages& messages, Context context,
                                           QWidget* parent)
    : QDialog(parent), settings_(settings), messages_(messages), context_(std::move(context))
{
    setObjectName(QStringLiteral("SchedulesSetup"));
    setWindowTitle(QStringLiteral("Schedules Setup"));

    list_ = nameList("users", {});
    name_ = new QLineEdit;
    name_->setObjectName(QStringLiteral("name"));
    name_->setMaxLength(100);
    dataPath_ = new QLabel;
    dataPath_->setObjectName(QStringLiteral("dataPath"));
    dataPath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    location_ = new QLabel;
    location_->setObjectName(QStringLiteral("location"));
    location_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    count_ = new QLabel;
    count_->setObjectName(QStringLiteral("count"));
    server_ = new QLineEdit;
    server_->setObjectName(QStringLiteral("server"));
    server_->setMaxLength(static_cast<int>(kServerFolderLimit));
    server_->setPlaceholderText(QStringLiteral("a shared folder, such as /mnt/team"));
    add_ = new QPushButton(QStringLiteral("&Add"));
    rename_ = new QPushButton(QStringLiteral("Rename"));
    delete_ = new QPushButton(QStringLiteral("Delete"));
    move_ = new QPushButton(QStringLiteral("Move Data to Server"));
    auto* groupButton = new QPushButton(QStringLiteral("Edit &Group..."));
    peer_ = new QCheckBox(QStringLiteral("Peer-to-peer arrangement (see Help for details)"));

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("List of user schedules:")));
    left->addWidget(list_);
    left->addWidget(count_);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add_, rename_, delete_, move_, groupButton})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(buttons);
    auto* form = new QFormLayout;
    auto* nameLabel = new QLabel(QStringLiteral("User &Name:"));
    nameLabel->setBuddy(name_);
    form->addRow(nameLabel, name_);
    form->addRow(QStringLiteral("User Data Path:"), dataPath_);
    form->addRow(QStringLiteral("Location of User List:"), location_);
    auto* serverLabel = new QLabel(QStringLiteral("&Server Folder:"));
    serverLabel->setBuddy(server_);
    form->addRow(serverLabel, server_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(form);
    layout->addWidget(peer_);
    layout->addWidget(okCancel(this));
    resize(560, 420);

    connect(list_, &QListWidget::currentRowChanged, this, [this] { selectionChanged(); });
    connect(server_, &QLineEdit::textChanged, this, [this] { serverChanged(); });
    connect(add_, &QPushButton::clicked, this, [this] { addUser(); });
    connect(rename_, &QPushButton::clicked, this, [this] { renameUser(); });
    connect(delete_, &QPushButton::clicked, this, [this] { deleteUser(); });
    connect(move_, &QPushButton::clicked, this, [this] { moveDataToServer(); });
    connect(groupButton, &QPushButton::clicked, this, [this] {
        if (context_.editGroup)
            context_.editGroup(listed());
    });
    connect(peer_, &QCheckBox::toggled, this, [this] { peerChanged(); });

    peer_->setChecked(settings_.value(kPeerWorkgroupSetting).value_or("0") == "1");
    peerChanged();
    server_->setText(qt(settings_.value(kServerDriveSetting).value_or("")));
    serverChanged();
    const Workgroup group = workgroup();
    for (const std::string& name : group.names())
        list_->addItem(qt(name));
    if (list_->count() == 0 && group.configured() && !context_.ownName.empty()) {
        // A new workgroup starts with its first member. No empty schedule is
        // made for him: it would stand where Move Data to Server puts his own.
        list_->addItem(qt(context_.ownName));
        showFolderOf(context_.ownName);
    }
    updateCount();
    if (group.configured() && sameFolder(group.defaultFolder(context_.ownName), context_.ownFolder))
        move_->hide();
    name_->setFocus();
}

Workgroup SchedulesSetupDialog::workgroup() const
{
    return Workgroup(normaliseServerFolder(settings_.value(kServerDriveSetting).value_or("")).value_or(fs::path()));
}

// A folder that exists is taken at once, as the user types it.
void SchedulesSetupDialog::serverChanged()
{
    std::optional<fs::path> folder = normaliseServerFolder(server_->text().toStdString());
    if (folder)
        settings_.setValue(kServerDriveSetting, folder->string());
    const Workgroup group = workgroup();
    location_->setText(group.configured() ? qt(group.userList().string()) : QStringLiteral("(no server folder)"));
    showFolderOf(text(name_));
}

void SchedulesSetupDialog::selectionChanged()
{
    if (QListWidgetItem* item = list_->currentItem()) {
        name_->setText(item->text());
        showFolderOf(item->text().toStdString());
    }
}

void SchedulesSetupDialog::showFolderOf(const std::string& name)
{
    const Workgroup group = workgroup();
    if (name.empty() || !group.configured()) {
        dataPath_->clear();
        return;
    }
    dataPath_->setText(qt(group.lookUp(name).value_or(group.defaultFolder(name)).string()));
}

std::vector<std::string> SchedulesSetupDialog::listed() const { return namesOf(list_); }

bool SchedulesSetupDialog::listHas(const std::string& name) const
{
    const std::vector<std::string> names = listed();
    return std::find(names.begin(), names.end(), name) != names.end();
}

void SchedulesSetupDialog::updateCount() { count_->setText(QStringLiteral("%1 users").arg(list_->count())); }

void SchedulesSetupDialog::addUser()
{
    const std::string name = text(name_);
    const Workgroup group = workgroup();
    if (name.empty() || folderNameOf(name).empty()) {
        messages_.error("Enter a user name to add");
    } else if (!group.configured()) {
        messages_.error("Enter the server folder first: the folder the workgroup shares.");
    } else {
        std::string problem;
        bool created = createSchedule(group.defaultFolder(name), name, *context_.clock, &problem);
        if (!problem.empty())
            messages_.error(problem);
        else if (!created && listHas(name))
            messages_.error("User already in list");
        if (!listHas(name)) {
            list_->addItem(qt(name));
            updateCount();
            showFolderOf(name);
        }
    }
    name_->setFocus();
    name_->selectAll();
}

void SchedulesSetupDialog::renameUser()
{
    QListWidgetItem* item = list_->currentItem();
    if (!item) {
        messages_.error("Select the name you want to change in the list AND enter the new name in the User Name "
                        "field.");
        return;
    }
    const std::string oldName = item->text().toStdString();
    const std::string newName = text(name_);
    if (newName.empty() || folderNameOf(newName).empty())
        return messages_.error("Enter the new name in the User Name field.");
    if (compareIgnoringCase(oldName, newName) == 0 && folderNameOf(oldName) == folderNameOf(newName))
        return messages_.error("Names are the same. To rename, enter new name in User Name field");
    if (listHas(newName))
        return messages_.error("Already in the list");
    if (messages_.question("Are you sure you want to rename the " + oldName + " schedule as " + newName + " ?")
        != Answer::Yes)
        return;
    const Workgroup group = workgroup();
    const fs::path from = group.lookUp(oldName).value_or(group.defaultFolder(oldName));
    const fs::path to = group.defaultFolder(newName);
    LinuxLockFileSystem locks;
    const FolderMove moved = moveScheduleFolder(from, to, [&](const fs::path& folder) {
        return judgeLock(locks, ScheduleFiles(folder), messages_).state == LockState::Live;
    });
    if (std::string problem = folderMoveText(moved, to); !problem.empty())
        return messages_.error(problem);
    item->setText(qt(newName));
    showFolderOf(newName);
}

void SchedulesSetupDialog::deleteUser()
{
    QListWidgetItem* item = list_->currentItem();
    if (!item)
        return messages_.error("First select the name you want to delete.");
    if (messages_.question("Are you sure you want to delete " + item->text().toStdString() + " ?") != Answer::Yes)
        return;
    delete list_->takeItem(list_->row(item));
    updateCount();
}

void SchedulesSetupDialog::moveDataToServer()
{
    const Workgroup group = workgroup();
    if (!group.configured())
        return messages_.error("Enter the server folder first: the folder the workgroup shares.");
    const fs::path target = group.defaultFolder(context_.ownName);
    if (sameFolder(target, context_.ownFolder))
        return;
    std::error_code ec;
    if (fs::exists(target, ec))
        return messages_.error("Your data is already on the server.");
    if (messages_.question("Would you like to move your data from " + printedPath(context_.ownFolder) + " to "
                           + printedPath(target) + "?")
        != Answer::Yes)
        return;
    if (context_.moveToServer && context_.moveToServer(target))
        move_->hide();
}

void SchedulesSetupDialog::peerChanged()
{
    const bool editable = !peer_->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{list_, move_, server_, add_, rename_, delete_})
        w->setEnabled(editable);
}

void SchedulesSetupDialog::accept()
{
    if (std::optional<fs::path> folder = normaliseServerFolder(server_->text().toStdString()))
        settings_.setValue(kServerDriveSetting, folder->string());
    settings_.setValue(kPeerWorkgroupSetting, peer_->isChecked() ? "1" : "0");
    const Workgroup group = workgroup();
    if (group.configured()) {
        std::error_code ec;
        fs::create_directories(group.sharedFolder(), ec);
        if (writeUserList(group.userList(), listed()) != 0)
            return messages_.error("write error to user.lst");
    }
    QDialog::accept();
}

// --- Select Schedule ------------------------------------------------------------------------

SelectScheduleDialog::SelectScheduleDialog(const std::vector<std::string>& names, QWidget* parent)
    : QDialog(parent), list_(nameList("users", names))
{
    setObjectName(QStringLiteral("SelectSchedule"));
    setWindowTitle(QStringLiteral("Select Schedule"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Open the schedule of:")));
    layout->addWidget(list_);
    layout->addWidget(okCancel(this));
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    if (list_->count() > 0)
        list_->setCurrentRow(0);
    list_->setFocus();
}

std::string SelectScheduleDialog::chosen() const
{
    return list_->currentItem() ? list_->currentItem()->text().toStdString() : std::string();
}

// --- Edit Group -------------------------------------------------------------------------------

EditGroupDialog::EditGroupDialog(const std::vector<std::string>& choices, const std::vector<std::string>& group,
                                 QWidget* parent)
    : QDialog(parent), choices_(nameList("choices", {})), members_(nameList("group", group))
{
    setObjectName(QStringLiteral("EditGroup"));
    setWindowTitle(QStringLiteral("Edit Group"));
    for (const std::string& name : choices)
        if (std::find(group.begin(), group.end(), name) == group.end())
            choices_->addItem(qt(name));
    auto* add = new QPushButton(QStringLiteral("-> &Add ->"));
    auto* addAll = new QPushButton(QStringLiteral("-> A&dd All ->"));
    auto* remove = new QPushButton(QStringLiteral("&Remove <-"));
    auto* removeAll = new QPushButton(QStringLiteral("Remo&ve All<-"));
    connect(add, &QPushButton::clicked, this, [this] { move(choices_, members_, false); });
    connect(addAll, &QPushButton::clicked, this, [this] { move(choices_, members_, true); });
    connect(remove, &QPushButton::clicked, this, [this] { move(members_, choices_, false); });
    connect(removeAll, &QPushButton::clicked, this, [this] { move(members_, choices_, true); });
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Possible Choices")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Group")), 0, 2);
    grid->addWidget(choices_, 1, 0);
    auto* middle = new QVBoxLayout;
    for (QPushButton* b : {add, addAll, remove, removeAll})
        middle->addWidget(b);
    middle->addStretch();
    grid->addLayout(middle, 1, 1);
    grid->addWidget(members_, 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(okCancel(this));
}

void EditGroupDialog::move(QListWidget* from, QListWidget* to, bool all)
{
    QList<QListWidgetItem*> moving;
    for (int i = 0; i < from->count(); ++i)
        if (all || from->item(i) == from->currentItem())
            moving << from->item(i);
    for (QListWidgetItem* item : moving)
        to->addItem(from->takeItem(from->row(item)));
}

std::vector<std::string> EditGroupDialog::group() const { return namesOf(members_); }

// --- Edit User Name -----------------------------------------------------------------------------

UserNameDialog::UserNameDialog(const std::string& name, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("UserName"));
    setWindowTitle(QStringLiteral("Edit User Name"));
    auto* form = new QFormLayout;
    field_ = addFormField(form, "name", QStringLiteral("User &Name:"), name);
    field_->setMaxLength(static_cast<int>(UserHeader::userNameSize - 1));
    finishFormDialog(this, form,
                     formNote(QStringLiteral("The name this schedule belongs to: it shows in the title and names the "
                                             "schedule in the workgroup's user list.")));
    field_->selectAll();
}

std::string UserNameDialog::name() const { return text(field_); }

// --- Access Check -------------------------------------------------------------------------------

AccessCheckDialog::AccessCheckDialog(Passwords stored, Messages& messages, QWidget* parent)
    : QDialog(parent), stored_(std::move(stored)), messages_(messages)
{
    setObjectName(QStringLiteral("AccessCheck"));
    setWindowTitle(QStringLiteral("Zelkon"));
    auto* form = new QFormLayout;
    field_ = passwordField(form, "password", QStringLiteral("&Password:"), "");
    levelLabel_ = new QLabel;
    levelLabel_->setObjectName(QStringLiteral("level"));
    form->addRow(QStringLiteral("Level:"), levelLabel_);
    finishFormDialog(this, form);
    connect(field_, &QLineEdit::textChanged, this, [this] {
        level_ = accessLevelFor(stored_, field_->text().toStdString());
        levelLabel_->setText(QString::fromLatin1(accessLevelText(level_)));
    });
    field_->setFocus();
}

void AccessCheckDialog::accept()
{
    if (level_ == AccessLevel::None)
        messages_.error(kIncorrectPasswordText);
    QDialog::accept();
}

// --- Set Passwords ------------------------------------------------------------------------------

SetPasswordsDialog::SetPasswordsDialog(const Passwords& current, Messages& messages, Confirm confirm,
                                       QWidget* parent)
    : QDialog(parent), messages_(messages), confirm_(std::move(confirm))
{
    setObjectName(QStringLiteral("SetPasswords"));
    setWindowTitle(QStringLiteral("Set Passwords"));
    auto* form = new QFormLayout;
    owner_ = passwordField(form, "owner", QStringLiteral("&Your Password:"), current.owner);
    modify_ = passwordField(form, "modify", QStringLiteral("Others &Modify:"), current.modify);
    view_ = passwordField(form, "view", QStringLiteral("Others &View:"), current.view);
    finishFormDialog(this, form,
                     formNote(QStringLiteral("Up to 8 characters each; letter case does not count. Leave all three "
                                             "empty for a schedule without passwords.")));
}

Passwords SetPasswordsDialog::passwords() const
{
    return {owner_->text().toStdString(), modify_->text().toStdString(), view_->text().toStdString()};
}

void SetPasswordsDialog::accept()
{
    const Passwords entered = passwords();
    if (entered.owner.empty() && (!entered.modify.empty() || !entered.view.empty()))
        return messages_.error("Your password is required if setting others");
    if (!entered.owner.empty()) {
        messages_.information("Warning: You will need to know Your Password next time the program is started. "
                              "Enter it now to be verified.");
        if (!confirm_ || !confirm_(entered))
            return;
    }
    QDialog::accept();
}

} // namespace zk
