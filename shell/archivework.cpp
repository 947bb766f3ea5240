#include "shell/archivework.h"

#include "shell/desktopapp.h"
#include "shell/mainwindow.h"
#include "platform/filesystem.h"
#include "platform/messages.h"
#include "shell/model/archiving.h"
#include "shell/model/autobackup.h"
#include "sharing/session.h"
#include "views/schedulesarea.h"

#include <algorithm>

namespace zk {

namespace {

bool mayWork(DesktopApp& app)
{
    return !app.initialising() && app.session().isOpen() && !app.state().alarmPresented;
}

} // namespace

void archiveDueDays(DesktopApp& app)
{
    if (!mayWork(app))
        return;
    BackgroundWork::Hold hold = app.backgroundWork().tryHold();
    if (!hold)
        return;  // a save runs: the next minute
    std::vector<DayNumber> shown = app.window().schedulesArea().paneDaysShown();
    zk::archiveDueDays(app.session(), app.today(), [&shown](DayNumber day) {
        return std::find(shown.begin(), shown.end(), day) != shown.end();
    });
}

void makeHistoryFiles(DesktopApp& app)
{
    if (!mayWork(app))
        return;
    BackgroundWork::Hold hold = app.backgroundWork().tryHold();
    if (!hold)
        return;
    rebuildHistoryLogsWhenDue(app.session(), app.today());
}

void automaticBackup(DesktopApp& app, DayNumber& tried)
{
    if (app.initialising() || !app.session().isOpen() || tried == app.today())
        return;
    EntryContext context;
    {
        BackgroundWork::Hold hold = app.backgroundWork().tryHold();
        if (!hold)
            return;
        context = app.session().entryContext();
    }
    AutoBackupResult result = runAutoBackup(systemFileSystem(), app.session().files().folder(),
                                            app.preferences().text(TextSetting::autoback), context);
    if (result.status == AutoBackupStatus::NotDue)
        return;
    tried = app.today();
    if (result.status == AutoBackupStatus::Failed)
        app.messages().error(result.problem);
}

} // namespace zk
