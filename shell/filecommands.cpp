#include "shell/filecommands.h"

#include "core/schedule.h"
#include "platform/messages.h"
#include "shell/desktopapp.h"
#include "shell/mainwindow.h"
#include "shell/model/commanddispatch.h"
#include "sharing/session.h"
#include "storage/saveformat.h"

#include <QInputDialog>
#include <QStringList>

namespace zk {

namespace {

constexpr int kSaveCommand = 1;
constexpr int kSaveAsCommand = 499;
constexpr int kExitAllCommand = 353;
constexpr int kExitAllSharingCommand = 751;

// Saves now, on this thread, waiting for a save that already runs: with
// DisableAutosave on, this is the only save before the exit.
void saveNow(DesktopApp& app)
{
    BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
    Session& session = app.session();
    if (!session.access().requestForSaveCommand())
        return;
    session.schedule().dirty = true;
    session.save();
}

void saveAs(DesktopApp& app)
{
    QStringList labels;
    for (const SaveFormatChoice& choice : kSaveFormatChoices)
        labels << QString::fromUtf8(choice.label);
    int current = 0;
    {
        BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
        std::int16_t saved = app.session().schedule().header.i16(ScheduleHeader::saveFormatAt);
        for (std::size_t i = 0; i < kSaveFormatChoices.size(); ++i)
            if (static_cast<int>(kSaveFormatChoices[i].format) == saved)
                current = static_cast<int>(i);
    }
    for (;;) {
        bool ok = false;
        QString chosen = QInputDialog::getItem(&app.window(), QStringLiteral("Save As"),
                                               QStringLiteral("Data File Format"), labels, current, false, &ok);
        if (!ok)
            return;
        current = static_cast<int>(labels.indexOf(chosen));
        SaveFormat format = kSaveFormatChoices[static_cast<std::size_t>(current)].format;
        BackgroundWork::Hold hold = app.backgroundWork().holdForChange(app.messages());
        Session& session = app.session();
        if (!session.access().requestChangeAccess())
            return;
        Schedule& schedule = session.schedule();
        // A refused format leaves the choice open, as the dialog stays open.
        if (chooseSaveFormat(schedule, session.saveState(), app.messages(), format, sharesWithOldPrograms(schedule))
            != FormatDialog::Close)
            continue;
        session.save();
        return;
    }
}

} // namespace

void installFileCommands(CommandDispatcher& dispatcher, DesktopApp& app)
{
    dispatcher.setHandler(kSaveCommand, [&app](int) {
        if (!app.initialising())
            saveNow(app);
    });
    dispatcher.setHandler(kSaveAsCommand, [&app](int) {
        if (!app.initialising())
            saveAs(app);
    });
    dispatcher.setHandler(kExitAllCommand, [&app](int) { app.window().close(); });
    dispatcher.setHandler(kExitAllSharingCommand, [&app](int) {
        if (!app.initialising())
            app.session().access().requestExitAll();
        app.window().close();
    });
}

} // namespace zk
