#pragma once
// The workgroup e-mail in a desktop session: "&E-Mail" (459) opens Read
// E-Mail, "Send E-Mai&l" (460) opens Send E-Mail, "Archive Emai&l" (609)
// moves the saved messages older than a week to the archive; and the
// minute's new-mail check, which offers to read what arrived.
//
// The mail folders are this session's schedule folder's; recipients are
// found through the workgroup's user list (Schedules Setup's server
// folder). The windows are modeless: at most one of each is open, and while
// one is, the new-mail check keeps quiet.

#include "sharing/mail.h"
#include "sharing/workgroup.h"
#include "shell/mailwindows.h"

#include <QPointer>

namespace zk {

class CommandDispatcher;
class DesktopApp;

namespace MailCommand {
inline constexpr int readMail = 459;
inline constexpr int sendMail = 460;
inline constexpr int archiveMail = 609;
} // namespace MailCommand

class MailCommands {
public:
    explicit MailCommands(DesktopApp& app);

    void install(CommandDispatcher& dispatcher);
    // The new-mail check of the minute's work.
    void minute();

    void openSend();
    void openRead();
    void archive();

    SendMailWindow* sendWindow() const { return send_; }
    ReadMailWindow* readWindow() const { return read_; }

private:
    std::filesystem::path folder();
    std::string send(const MailMessage& draft, bool broadcast);
    bool editBroadcast(QWidget* parent);
    void reply(const MailMessage& message);
    void print(const MailMessage& message);
    void schedule(const MailMessage& message);

    DesktopApp& app_;
    QPointer<SendMailWindow> send_;
    QPointer<ReadMailWindow> read_;
    NewMailWatch watch_;
};

} // namespace zk
