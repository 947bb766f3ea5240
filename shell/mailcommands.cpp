#include "shell/mailcommands.h"

#include "core/dateformat.h"
#include "core/schedule.h"
#include "platform/messages.h"
#include "platform/settingstore.h"
#include "sharing/additem.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mailwindows.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "shell/printcommands.h"
#include "shell/workgroupcommands.h"
#include "views/schedulesarea.h"
#include "worktools/alarmdesk.h"

#include <QApplication>

namespace zk {

namespace fs = std::filesystem;

MailCommands::MailCommands(DesktopApp& app) : app_(app) {}

void MailCommands::install(CommandDispatcher& dispatcher)
{
    dispatcher.setHandler(MailCommand::readMail, [this](int) { openRead(); });
    dispatcher.setHandler(MailCommand::sendMail, [this](int) { openSend(); });
    dispatcher.setHandler(MailCommand::archiveMail, [this](int) { archive(); });
}

fs::path MailCommands::folder() { return app_.session().files().folder(); }

void MailCommands::minute()
{
    WorkgroupCommands& users = app_.commands().workgroup();
    NewMailConditions conditions;
    conditions.alarmsOff = app_.alarms().alarmsOff();
    conditions.mayModify = users.permissions().mayModify && users.mayView();
    // A box already waiting for an answer (an alarm's among them) goes first.
    conditions.alarmOpen = app_.alarms().questionOpen() || QApplication::activeModalWidget() != nullptr;
    conditions.mailWindowOpen = send_ || read_;
    const NewMailFinding found = watch_.check(MailFolders(folder()).inbox, conditions, app_.clock().unixSeconds());
    if (found.badName)
        app_.messages().error(kBadMailNameText);
    if (found.newMail && app_.messages().question(kNewMailText) == Answer::Yes)
        openRead();
}

void MailCommands::openSend()
{
    if (send_) {
        send_->raise();
        send_->activateWindow();
        return;
    }
    SendMailWindow::Host host;
    host.send = [this](const MailMessage& draft, bool broadcast) { return send(draft, broadcast); };
    host.broadcastList = [this] { return readBroadcastList(folder() / kBroadcastListName); };
    host.editBroadcast = [this](QWidget* parent) { return editBroadcast(parent); };
    send_ = new SendMailWindow(mailNames(folder(), app_.commands().workgroup().workgroup()), app_.messages(),
                               std::move(host), &app_.window());
    if (std::optional<std::string> last = app_.settingStore().value(kLastUserMailedToSetting); last && !last->empty())
        send_->address(*last, "");
    send_->show();
}

std::string MailCommands::send(const MailMessage& draft, bool broadcast)
{
    WorkgroupCommands& users = app_.commands().workgroup();
    const std::string sender = users.userName();
    SendOutcome out = sendMail(draft, folder(), sender, users.workgroup(), app_.clock());
    if (!out.sent)
        return out.problem;
    if (!broadcast) {
        std::vector<std::string> chosen = draft.to;
        chosen.insert(chosen.end(), draft.cc.begin(), draft.cc.end());
        addRecentMailNames(folder() / kRecentMailName, chosen);
        app_.settingStore().setValue(kLastUserMailedToSetting, draft.to.front());
    }
    return {};
}

bool MailCommands::editBroadcast(QWidget* parent)
{
    const fs::path list = folder() / kBroadcastListName;
    BroadcastDialog dialog(app_.commands().workgroup().workgroup().names(), readBroadcastList(list), parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (int error = writeBroadcastList(list, dialog.entries()); error != 0) {
        app_.messages().error(cannotCreateMailText(list));
        return false;
    }
    return !dialog.entries().empty();
}

void MailCommands::openRead()
{
    if (read_) {
        read_->raise();
        read_->activateWindow();
        return;
    }
    ReadMailWindow::Host host;
    host.reply = [this](const MailMessage& m) { reply(m); };
    host.print = [this](const MailMessage& m) { print(m); };
    host.schedule = [this](const MailMessage& m) { schedule(m); };
    read_ = new ReadMailWindow(folder(), app_.messages(), app_.regional(), std::move(host), &app_.window());
    if (!read_->start()) {
        delete read_;
        return;
    }
    read_->show();
}

void MailCommands::reply(const MailMessage& message)
{
    openSend();
    send_->address(message.sender, message.subject);
}

void MailCommands::print(const MailMessage& message)
{
    MailPrint lines = mailPrintLines(message, shortDate(message.daySent, app_.regional()),
                                     timeText(message.timeSent, app_.regional()));
    if (lines.truncated)
        app_.messages().information(kMailPrintTruncatedText);
    PrintedText text;
    text.title = "E-Mail";
    PrintedSection section;
    for (std::string& line : lines.lines)
        section.lines.push_back({{}, std::move(line)});
    text.sections.push_back(std::move(section));
    app_.commands().printing().printText(std::move(text));
}

void MailCommands::schedule(const MailMessage& message)
{
    if (app_.initialising() || app_.state().readOnly)
        return;
    AddResult added;
    DayNumber day;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        Session& session = app_.session();
        added = session.addItem(mailItem(message, session.schedule().templateItem, app_.state().viewed()));
        if (added.status == AddStatus::Added && session.schedule().items.isLive(added.item))
            day = session.schedule().dayOf(added.item);
    }
    if (added.status != AddStatus::Added || day.isNone())
        return;
    app_.showDay(day);
    app_.window().schedulesArea().selectItemOn(day, added.item);
    app_.commands().refresh();
}

void MailCommands::archive()
{
    const int count = archiveOldMail(MailFolders(folder()), app_.clock().unixSeconds());
    app_.messages().information(archivedMailText(count));
}

} // namespace zk
