#pragma once
// Archiving as a session does it, for the desktop's minute work and exit
// and for zk archive: the due days move into their archives under change
// access, with history lines when "Write Log Files" is on (not in LITE),
// and the history logs of months whose days were written back are rebuilt.

#include "core/daynumber.h"
#include "storage/archive.h"

#include <functional>

namespace zk {

class Schedule;
class Session;

// Start-up: past days end where the newest archive ends, or yesterday when
// there is no archive. lastPastDay only rises: days up to it live in the
// archives, and a lower value would show them empty and let new items
// overwrite them. Nor does it rise over a day the data file still holds,
// whose items would then be neither saved nor archived.
void settleLastPastDay(Schedule& schedule, ScheduleArchive& archive, DayNumber today);

// Not while a pane or the month view shows a day (`dayIsShown`); change
// access is asked for only once a day is found due, so a minute with
// nothing to archive never takes the lock.
DueDaysResult archiveDueDays(Session& session, DayNumber today, const std::function<bool(DayNumber)>& dayIsShown = {});

// Rebuilds the history logs when a written-back past day left months to
// redo and change access can be had.
void rebuildHistoryLogsWhenDue(Session& session, DayNumber today,
                               const std::function<void(const std::string&)>& progress = {});

} // namespace zk
