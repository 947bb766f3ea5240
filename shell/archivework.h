#pragma once
// The desktop's share of archiving: the due days move into their archives
// in the minute work and at exit, and the history logs of months whose past
// days were written back are rebuilt. Neither runs while the session starts,
// while a save holds the schedule, nor while an alarm or reminder is being
// presented; a day a schedule pane shows waits until the pane moves on.

#include "core/daynumber.h"

namespace zk {

class DesktopApp;

void archiveDueDays(DesktopApp& app);
void makeHistoryFiles(DesktopApp& app);
// The dated copy of the data file at the time `autoback` names. `tried`:
// the day this session last tried it, so a failure is told once a day.
void automaticBackup(DesktopApp& app, DayNumber& tried);

} // namespace zk
