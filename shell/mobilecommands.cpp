#include "shell/mobilecommands.h"

#include "core/schedule.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "sharing/mobilecomputing.h"
#include "sharing/session.h"
#include "shell/desktopapp.h"
#include "shell/desktopcommands.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "storage/statustablefile.h"

#include <QProgressDialog>

#include <memory>

namespace zk {

// "copying %s..." while the files go; it paints itself, as the event loop
// does not turn while the schedule is held.
class CopyProgress {
public:
    explicit CopyProgress(QWidget* parent) : parent_(parent) {}
    void show(const std::string& text)
    {
        if (text.empty()) {
            dialog_.reset();
            return;
        }
        if (!dialog_) {
            dialog_ = std::make_unique<QProgressDialog>(QString(), QString(), 0, 0, parent_);
            dialog_->setObjectName(QStringLiteral("MobileProgress"));
            dialog_->setWindowModality(Qt::NonModal);
            dialog_->setMinimumDuration(0);
            dialog_->show();
        }
        dialog_->setLabelText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
        dialog_->repaint();
    }

private:
    QWidget* parent_;
    std::unique_ptr<QProgressDialog> dialog_;
};

MobileCommands::MobileCommands(DesktopApp& app)
    : app_(app), chooser_([&app](const std::filesystem::path& start, const QString& caption) {
          return askForFolder(&app.window(), start, caption);
      })
{
}

void MobileCommands::install(CommandDispatcher& dispatcher)
{
    dispatcher.setHandler(MobileCommand::checkOut, [this](int) { checkOut(); });
    dispatcher.setHandler(MobileCommand::checkIn, [this](int) { checkIn(); });
}

// A folder that is gone (a stick taken out) starts the dialog at home.
std::filesystem::path MobileCommands::mobilePath()
{
    std::filesystem::path path = app_.preferences().text(TextSetting::MobilePath);
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_directory(path, ec))
        path = homeFolder();
    return path;
}

std::optional<std::filesystem::path> MobileCommands::chooseFolder(const QString& caption)
{
    std::optional<std::filesystem::path> folder = chooser_(mobilePath(), caption);
    if (folder) {
        app_.preferences().setText(TextSetting::MobilePath, folder->string());
        app_.saveSettingsNow();
    }
    return folder;
}

MobileHooks MobileCommands::hooksShowing(CopyProgress& progress)
{
    MobileHooks hooks;
    hooks.chooseFolder = [this](const std::filesystem::path& start, const std::string& caption) {
        return chooser_(start, QString::fromUtf8(caption.c_str()));
    };
    hooks.progress = [&progress](const std::string& text) { progress.show(text); };
    return hooks;
}

void MobileCommands::checkOut()
{
    if (app_.initialising())
        return;
    std::optional<std::filesystem::path> folder = chooseFolder(QString::fromUtf8(kCheckOutCaption));
    if (!folder)
        return;
    CopyProgress progress(&app_.window());
    MobileHooks hooks = hooksShowing(progress);
    Session& session = app_.session();
    // The set ends with the status table: a schedule that never wrote one
    // writes it now, so the folder can tell a whole set from part of one.
    hooks.beforeCopyOut = [this, &session] {
        const StatusTableFile file{session.files().folder(), systemFileSystem(), app_.messages()};
        std::error_code ec;
        if (!std::filesystem::exists(file.path(), ec))
            saveStatusTable(app_.statuses(), file);
    };
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        // The dialog was open for a while: the tick may have given access back.
        if (!session.access().requestChangeAccess())
            return;
        checkOutTo(session, *folder, hooks);
        checkedOut_ = zk::checkedOut(session.schedule().header);
    }
    app_.showDay(app_.state().viewed());
}

void MobileCommands::checkIn()
{
    if (app_.initialising())
        return;
    bool marked = false;
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        marked = zk::checkedOut(app_.session().schedule().header);
    }
    if (!marked && app_.messages().question(kNotCheckedOutText) != Answer::Yes)
        return;
    if (std::optional<std::filesystem::path> folder = chooseFolder(QString::fromUtf8(kCheckInCaption)))
        runCheckIn(*folder);
}

void MobileCommands::runCheckIn(const std::filesystem::path& folder)
{
    CopyProgress progress(&app_.window());
    MobileHooks hooks = hooksShowing(progress);
    Session& session = app_.session();
    {
        BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
        if (!session.access().requestChangeAccess())
            return;
        const MobileOutcome outcome = checkInFrom(session, folder, hooks);
        Schedule& schedule = session.schedule();
        checkedOut_ = zk::checkedOut(schedule.header);
        // The statuses came with the set.
        if (outcome == MobileOutcome::Done) {
            const StatusTableFile file{session.files().folder(), systemFileSystem(), app_.messages()};
            loadStatusTable(app_.statuses(), file, schedule.header.writerVersion(),
                            static_cast<std::uint32_t>(app_.preferences().color(ColorSetting::ColorNormalText)));
        }
    }
    app_.showDay(app_.state().viewed());
}

void MobileCommands::offerCheckIn()
{
    checkedOut_ = true;
    if (app_.messages().question(kCheckInOfferText) == Answer::Yes) {
        if (std::optional<std::filesystem::path> folder = chooseFolder(QString::fromUtf8(kCheckInCaption)))
            runCheckIn(*folder);
        return;
    }
    BackgroundWork::Hold hold = app_.backgroundWork().holdForChange(app_.messages());
    Session& session = app_.session();
    if (!session.access().requestChangeAccess())
        return;
    setCheckedOut(session.schedule().header, false);
    session.schedule().dirty = true;
    checkedOut_ = false;
}

bool MobileCommands::checkedOut()
{
    if (app_.initialising())
        return checkedOut_;
    if (BackgroundWork::Hold hold = app_.backgroundWork().tryHold(); hold && app_.session().isOpen())
        checkedOut_ = zk::checkedOut(app_.session().schedule().header);
    return checkedOut_;
}

} // namespace zk
