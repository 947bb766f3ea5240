#pragma once
// The e-mail windows: Send E-Mail and Read E-Mail (both modeless) and the
// Broadcast E-Mail dialog. They show and collect; sending, printing,
// replying and scheduling are the host's, given as functions, so the
// windows know nothing of the session.

#include "core/regional.h"
#include "sharing/mail.h"

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace zk {

class Messages;

class SendMailWindow final : public QDialog {
public:
    struct Host {
        // Sends the draft; the message for the user when it was not sent.
        std::function<std::string(const MailMessage& draft, bool broadcast)> send;
        std::function<std::vector<BroadcastEntry>()> broadcastList;
        // The Broadcast E-Mail dialog; false when cancelled.
        std::function<bool(QWidget* parent)> editBroadcast;
    };

    // `names`: what the To and CC lists offer, in order.
    SendMailWindow(const std::vector<std::string>& names, Messages& messages, Host host, QWidget* parent = nullptr);

    // A reply: to the sender, with the subject.
    void address(const std::string& to, const std::string& subject);

    QComboBox* to() const { return to_; }
    QComboBox* cc() const { return cc_; }
    QLineEdit* subject() const { return subject_; }
    QPlainTextEdit* message() const { return message_; }
    QCheckBox* broadcast() const { return broadcast_; }
    QPushButton* sendButton() const { return send_; }

private:
    void send();
    void broadcastToggled(bool on);

    Messages& messages_;
    Host host_;
    QComboBox* to_;
    QComboBox* cc_;
    QLineEdit* subject_;
    QPlainTextEdit* message_;
    QCheckBox* broadcast_;
    QPushButton* send_;
};

// Chooses the broadcast list's names from the user list, each as a "To" or
// a "CC" recipient.
class BroadcastDialog final : public QDialog {
public:
    BroadcastDialog(const std::vector<std::string>& users, const std::vector<BroadcastEntry>& list,
                    QWidget* parent = nullptr);
    std::vector<BroadcastEntry> entries() const;
    QListWidget* users() const { return users_; }
    QListWidget* list() const { return list_; }
    QRadioButton* ccChoice() const { return cc_; }

private:
    void add(bool all);
    void remove(bool all);
    void addEntry(const BroadcastEntry& entry);

    QListWidget* users_;
    QListWidget* list_;
    QRadioButton* to_;
    QRadioButton* cc_;
};

class ReadMailWindow final : public QDialog {
public:
    struct Host {
        std::function<void(const MailMessage&)> reply;
        std::function<void(const MailMessage&)> print;
        std::function<void(const MailMessage&)> schedule;
    };

    ReadMailWindow(const std::filesystem::path& scheduleFolder, Messages& messages, RegionalSettings regional,
                   Host host, QWidget* parent = nullptr);

    // The first inbox message, else (when the user wants it) the last saved
    // one; false when there is nothing to show.
    bool start();
    void next();
    void previous();

    const std::filesystem::path& shown() const { return shown_; }
    const std::optional<MailMessage>& message() const { return message_; }
    QLabel* from() const { return from_; }
    QLabel* subjectLabel() const { return subjectCaption_; }
    QLabel* subject() const { return subject_; }
    QLabel* to() const { return to_; }
    QListWidget* cc() const { return cc_; }
    QPlainTextEdit* text() const { return text_; }

private:
    // Shows the first message of the list that is one; false when none is.
    bool showFirstOf(const std::vector<std::filesystem::path>& files);
    bool display(const std::filesystem::path& file);

    MailFolders folders_;
    Messages& messages_;
    RegionalSettings regional_;
    Host host_;
    std::filesystem::path shown_;
    std::optional<MailMessage> message_;
    // Inbox files that are not messages: told once, then passed over.
    std::vector<std::filesystem::path> skipped_;
    QLabel* notice_;
    QLabel* from_;
    QLabel* subjectCaption_;
    QLabel* subject_;
    QLabel* location_;
    QLabel* meeting_;
    QLabel* to_;
    QListWidget* cc_;
    QPlainTextEdit* text_;
};

} // namespace zk
