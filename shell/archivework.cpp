#include "shell/archivework.h"

#include "shell/desktopapp.h"
#include "shell/mainwindow.h"
#include "shell/model/archiving.h"
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

} // namespace zk
