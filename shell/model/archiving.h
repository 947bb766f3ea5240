#pragma once
// Archiving as a session does it, for the desktop's minute work and exit
// and for zk archive: the due days move into their archives under change
// access, with history lines when "Write Log Files" is on (not in LITE),
// and the history logs of months whose days were written back are rebuilt.

#include "core/daynumber.h"
#include "storage/archive.h"

#include <functional>

namespace zk {

class Session;

// Not while a pane or the month view shows a day (`dayIsShown`); change
// access is asked for only once a day is found due, so a minute with
// nothing to archive never takes the lock.
DueDaysResult archiveDueDays(Session& session, DayNumber today, const std::function<bool(DayNumber)>& dayIsShown = {});

// Rebuilds the history logs when a written-back past day left months to
// redo and change access can be had.
void rebuildHistoryLogsWhenDue(Session& session, DayNumber today,
                               const std::function<void(const std::string&)>& progress = {});

} // namespace zk
