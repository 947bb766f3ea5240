#include "shell/mailwindows.h"

#include "core/dateformat.h"
#include "core/text.h"
#include "platform/messages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace zk {

namespace {

namespace fs = std::filesystem;

QString qt(const std::string& text) { return QString::fromStdString(text); }
std::string text(const QString& s) { return s.trimmed().toStdString(); }

QComboBox* nameChoice(const char* objectName, const std::vector<std::string>& names, bool blankFirst)
{
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(objectName));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    if (blankFirst)
        box->addItem(QString());
    for (const std::string& name : names)
        box->addItem(qt(name));
    return box;
}

QString joined(const std::vector<std::string>& names)
{
    QStringList list;
    for (const std::string& name : names)
        list << qt(name);
    return list.join(QStringLiteral("; "));
}

QString entryText(const BroadcastEntry& e) { return qt(e.name) + (e.cc ? QStringLiteral("  (CC)") : QString()); }

} // namespace

// --- Send E-Mail ------------------------------------------------------------------------------

SendMailWindow::SendMailWindow(const std::vector<std::string>& names, Messages& messages, Host host, QWidget* parent)
    : QDialog(parent), messages_(messages), host_(std::move(host))
{
    setObjectName(QStringLiteral("SendMail"));
    setWindowTitle(QStringLiteral("Send E-Mail"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    to_ = nameChoice("to", names, false);
    to_->setCurrentIndex(-1);
    to_->setEditText(QString());
    cc_ = nameChoice("cc", names, true);
    subject_ = new QLineEdit;
    subject_->setObjectName(QStringLiteral("subject"));
    subject_->setMaxLength(static_cast<int>(kMailSubjectLimit));
    message_ = new QPlainTextEdit;
    message_->setObjectName(QStringLiteral("message"));
    message_->setTabChangesFocus(true);
    broadcast_ = new QCheckBox(QStringLiteral("&Broadcast"));
    broadcast_->setObjectName(QStringLiteral("broadcast"));

    auto* form = new QFormLayout;
    auto* toRow = new QHBoxLayout;
    toRow->addWidget(to_, 1);
    toRow->addWidget(broadcast_);
    form->addRow(QStringLiteral("&To:"), toRow);
    form->addRow(QStringLiteral("&CC:"), cc_);
    form->addRow(QStringLiteral("&Subject:"), subject_);
    auto* label = new QLabel(QStringLiteral("&Message:"));
    label->setBuddy(message_);
    static_cast<QLabel*>(form->labelForField(toRow))->setBuddy(to_);
    static_cast<QLabel*>(form->labelForField(cc_))->setBuddy(cc_);
    static_cast<QLabel*>(form->labelForField(subject_))->setBuddy(subject_);

    auto* buttons = new QDialogButtonBox;
    send_ = buttons->addButton(QStringLiteral("Sen&d"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    // Enter in the subject must neither send a half-written message nor
    // throw it away.
    for (QAbstractButton* b : buttons->buttons())
        static_cast<QPushButton*>(b)->setAutoDefault(false);
    connect(send_, &QPushButton::clicked, this, [this] { send(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(broadcast_, &QCheckBox::toggled, this, [this](bool on) { broadcastToggled(on); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(label);
    layout->addWidget(message_, 1);
    layout->addWidget(buttons);
    resize(460, 360);
    to_->setFocus();
}

void SendMailWindow::address(const std::string& to, const std::string& subject)
{
    to_->setEditText(qt(to));
    subject_->setText(qt(std::string(utf8Prefix(subject, kMailSubjectLimit))));
    message_->setFocus();
}

void SendMailWindow::broadcastToggled(bool on)
{
    if (on && host_.editBroadcast && !host_.editBroadcast(this)) {
        const QSignalBlocker quiet(broadcast_);
        broadcast_->setChecked(false);
        on = false;
    }
    to_->setEnabled(!on);
    cc_->setEnabled(!on);
}

void SendMailWindow::send()
{
    MailMessage draft;
    const bool broadcasting = broadcast_->isChecked();
    if (broadcasting) {
        for (const BroadcastEntry& e : host_.broadcastList())
            (e.cc ? draft.cc : draft.to).push_back(e.name);
    } else {
        if (std::string to = text(to_->currentText()); !to.empty())
            draft.to.push_back(std::move(to));
        if (std::string cc = text(cc_->currentText()); !cc.empty())
            draft.cc.push_back(std::move(cc));
    }
    if (draft.to.empty()) {
        messages_.error(kNoRecipientText);
        to_->setFocus();
        return;
    }
    draft.subject = std::string(utf8Prefix(subject_->text().toStdString(), kMailSubjectLimit));
    draft.text = message_->toPlainText().toStdString();
    const std::string problem = host_.send(draft, broadcasting);
    if (!problem.empty()) {
        messages_.error(problem);
        return;
    }
    accept();
}

// --- Broadcast E-Mail ---------------------------------------------------------------------------

BroadcastDialog::BroadcastDialog(const std::vector<std::string>& users, const std::vector<BroadcastEntry>& list,
                                 QWidget* parent)
    : QDialog(parent), users_(new QListWidget), list_(new QListWidget)
{
    setObjectName(QStringLiteral("BroadcastEmail"));
    setWindowTitle(QStringLiteral("Broadcast E-Mail"));
    users_->setObjectName(QStringLiteral("users"));
    list_->setObjectName(QStringLiteral("broadcastList"));
    for (const std::string& name : users)
        if (std::none_of(list.begin(), list.end(), [&](const BroadcastEntry& e) { return e.name == name; }))
            users_->addItem(qt(name));
    for (const BroadcastEntry& e : list)
        addEntry(e);
    to_ = new QRadioButton(QStringLiteral("&To:"));
    cc_ = new QRadioButton(QStringLiteral("&CC:"));
    to_->setChecked(true);
    auto* choice = new QButtonGroup(this);
    choice->addButton(to_);
    choice->addButton(cc_);

    auto* add = new QPushButton(QStringLiteral("-> &Add ->"));
    auto* addAll = new QPushButton(QStringLiteral("-> A&dd All ->"));
    auto* remove = new QPushButton(QStringLiteral("&Remove <-"));
    auto* removeAll = new QPushButton(QStringLiteral("Remo&ve All<-"));
    connect(add, &QPushButton::clicked, this, [this] { this->add(false); });
    connect(addAll, &QPushButton::clicked, this, [this] { this->add(true); });
    connect(remove, &QPushButton::clicked, this, [this] { this->remove(false); });
    connect(removeAll, &QPushButton::clicked, this, [this] { this->remove(true); });

    auto* grid = new QGridLayout;
    auto* usersLabel = new QLabel(QStringLiteral("&Users List"));
    usersLabel->setBuddy(users_);
    auto* listLabel = new QLabel(QStringLiteral("&Broadcast List"));
    listLabel->setBuddy(list_);
    grid->addWidget(usersLabel, 0, 0);
    grid->addWidget(listLabel, 0, 2);
    grid->addWidget(users_, 1, 0);
    auto* middle = new QVBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{add, addAll, remove, removeAll, to_, cc_})
        middle->addWidget(w);
    middle->addStretch();
    grid->addLayout(middle, 1, 1);
    grid->addWidget(list_, 1, 2);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

void BroadcastDialog::addEntry(const BroadcastEntry& entry)
{
    auto* item = new QListWidgetItem(entryText(entry));
    item->setData(Qt::UserRole, qt(entry.name));
    item->setData(Qt::UserRole + 1, entry.cc);
    list_->addItem(item);
}

void BroadcastDialog::add(bool all)
{
    QList<QListWidgetItem*> moving;
    for (int i = 0; i < users_->count(); ++i)
        if (all || users_->item(i) == users_->currentItem())
            moving << users_->item(i);
    for (QListWidgetItem* item : moving) {
        addEntry({item->text().toStdString(), cc_->isChecked()});
        delete users_->takeItem(users_->row(item));
    }
}

void BroadcastDialog::remove(bool all)
{
    QList<QListWidgetItem*> moving;
    for (int i = 0; i < list_->count(); ++i)
        if (all || list_->item(i) == list_->currentItem())
            moving << list_->item(i);
    for (QListWidgetItem* item : moving) {
        users_->addItem(item->data(Qt::UserRole).toString());
        delete list_->takeItem(list_->row(item));
    }
}

std::vector<BroadcastEntry> BroadcastDialog::entries() const
{
    std::vector<BroadcastEntry> entries;
    for (int i = 0; i < list_->count(); ++i)
        entries.push_back({list_->item(i)->data(Qt::UserRole).toString().toStdString(),
                           list_->item(i)->data(Qt::UserRole + 1).toBool()});
    return entries;
}

// --- Read E-Mail --------------------------------------------------------------------------------

ReadMailWindow::ReadMailWindow(const fs::path& scheduleFolder, Messages& messages, RegionalSettings regional,
                               Host host, QWidget* parent)
    : QDialog(parent), folders_(scheduleFolder), messages_(messages), regional_(std::move(regional)),
      host_(std::move(host))
{
    setObjectName(QStringLiteral("ReadMail"));
    setWindowTitle(QStringLiteral("Read E-Mail"));
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    auto label = [](const char* name) {
        auto* l = new QLabel;
        l->setObjectName(QString::fromLatin1(name));
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return l;
    };
    notice_ = label("notice");
    notice_->setText(QStringLiteral("Meeting Notice"));
    QFont bold = notice_->font();
    bold.setBold(true);
    notice_->setFont(bold);
    from_ = label("from");
    subject_ = label("subject");
    subject_->setWordWrap(true);
    location_ = label("location");
    meeting_ = label("meeting");
    to_ = label("to");
    to_->setWordWrap(true);
    cc_ = new QListWidget;
    cc_->setObjectName(QStringLiteral("cc"));
    cc_->setMaximumHeight(56);
    text_ = new QPlainTextEdit;
    text_->setObjectName(QStringLiteral("message"));
    text_->setReadOnly(true);

    auto* form = new QFormLayout;
    form->addRow(notice_);
    form->addRow(QStringLiteral("From:"), from_);
    subjectCaption_ = new QLabel(QStringLiteral("Subject:"));
    form->addRow(subjectCaption_, subject_);
    form->addRow(QStringLiteral("Location:"), location_);
    form->addRow(QStringLiteral("When:"), meeting_);
    form->addRow(QStringLiteral("To:"), to_);
    form->addRow(QStringLiteral("&CC:"), cc_);
    static_cast<QLabel*>(form->labelForField(cc_))->setBuddy(cc_);
    auto* messageLabel = new QLabel(QStringLiteral("&Message:"));
    messageLabel->setBuddy(text_);

    auto* buttons = new QHBoxLayout;
    auto button = [&](const char* caption, auto act) {
        auto* b = new QPushButton(QString::fromUtf8(caption));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, act);
        buttons->addWidget(b);
        return b;
    };
    button("Pre&vious", [this] { previous(); });
    button("&Reply", [this] { if (message_) host_.reply(*message_); });
    button("Ne&xt", [this] { next(); });
    button("&Print", [this] { if (message_) host_.print(*message_); });
    button("&Schedule", [this] { if (message_) host_.schedule(*message_); });
    button("Cancel", [this] { reject(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(messageLabel);
    layout->addWidget(text_, 1);
    layout->addLayout(buttons);
    resize(520, 420);
}

bool ReadMailWindow::display(const fs::path& file)
{
    MailRead read = readMail(file);
    if (!read.message) {
        messages_.error(read.error == MailReadError::NotMessage ? kNotMailText : kMailNotMovedText);
        return false;
    }
    shown_ = file;
    message_ = std::move(read.message);
    const MailMessage& m = *message_;
    from_->setText(qt(m.sender + "    " + shortDate(m.daySent, regional_) + "  " + timeText(m.timeSent, regional_)));
    subject_->setText(qt(m.subject));
    to_->setText(joined(m.to));
    cc_->clear();
    for (const std::string& name : m.cc)
        cc_->addItem(qt(name));
    text_->setPlainText(qt(m.text));
    const bool meeting = m.meetingNotice();
    notice_->setVisible(meeting);
    subjectCaption_->setText(meeting ? QStringLiteral("Title:\t") : QStringLiteral("Subject:"));
    location_->setText(qt(m.location));
    meeting_->setText(meeting ? qt(shortDate(m.meetingDay, regional_) + "  " + timeText(m.meetingBegin, regional_)
                                   + " - " + timeText(m.meetingBegin + m.meetingMinutes, regional_))
                              : QString());
    for (QWidget* w : std::initializer_list<QWidget*>{location_, meeting_}) {
        w->setVisible(meeting);
        if (auto* form = qobject_cast<QFormLayout*>(layout()->itemAt(0)->layout()))
            if (QWidget* caption = form->labelForField(w))
                caption->setVisible(meeting);
    }
    return true;
}

bool ReadMailWindow::showFirstOf(const std::vector<fs::path>& files)
{
    for (const fs::path& file : files) {
        if (std::find(skipped_.begin(), skipped_.end(), file) != skipped_.end())
            continue;
        if (display(file))
            return true;
        skipped_.push_back(file);
    }
    return false;
}

bool ReadMailWindow::start()
{
    if (showFirstOf(messageFiles(folders_.inbox)))
        return true;
    if (messages_.question(kNoNewMailText) != Answer::Yes)
        return false;
    std::vector<fs::path> saved = messageFiles(folders_.saved);
    std::reverse(saved.begin(), saved.end());
    return showFirstOf(saved);
}

void ReadMailWindow::next()
{
    if (!shown_.empty() && shown_.parent_path() == folders_.inbox) {
        std::optional<fs::path> filed = fileReadMessage(folders_, shown_);
        if (!filed) {
            messages_.error(kMailNotMovedText);
            skipped_.push_back(shown_);
        } else {
            shown_ = *filed;
        }
    }
    if (!showFirstOf(messageFiles(folders_.inbox)))
        accept();
}

void ReadMailWindow::previous()
{
    std::optional<fs::path> before = previousSaved(folders_, shown_);
    while (before && !display(*before))
        before = previousSaved(folders_, *before);
    if (!before)
        messages_.information(kNoPreviousMailText);
}

} // namespace zk
