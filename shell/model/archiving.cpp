#include "shell/model/archiving.h"

#include "core/calendar.h"
#include "core/schedule.h"
#include "engine/interfacemode.h"
#include "shell/model/settings.h"
#include "sharing/session.h"

namespace zk {

DueDaysResult archiveDueDays(Session& session, DayNumber today, const std::function<bool(DayNumber)>& dayIsShown)
{
    DueDaysResult result;
    DayNumber due = firstDueDay(session.schedule(), today);
    if (!due)
        return result;
    // Taking change access may bring in another session's newer data, which
    // replaces the schedule: it is asked for before the schedule is used.
    ChangeAccess& access = session.access();
    if (!access.holding() && (!access.mayChangeNow() || !access.requestChangeAccess())) {
        result.stop = ArchivingStop::NoChangeAccess;
        result.stoppedAt = due;
        return result;
    }
    Schedule& schedule = session.schedule();
    DueDaysConditions conditions;
    conditions.dayIsShown = dayIsShown;
    conditions.changeAccess = [&access] { return access.holding(); };
    conditions.writeHistory =
        headerOption(schedule.header, HeaderOption::WriteLogFiles) && !isLiteMode(schedule.header);
    return session.archive().archiveDueDays(schedule, today, conditions);
}

void settleLastPastDay(Schedule& schedule, ScheduleArchive& archive, DayNumber today)
{
    const DayNumber last = schedule.header.lastPastDay();
    DayNumber target = archive.newestArchivedDay(civilDate(today).year);
    if (target.isNone() || target >= today)
        target = today - 1;
    auto held = schedule.days.lowerBound(last + 1);
    if (held != schedule.days.end() && held->first <= target.value())
        target = DayNumber(held->first) - 1;
    if (target <= last)
        return;
    schedule.header.setLastPastDay(target);
    schedule.dirty = true;
}

void rebuildHistoryLogsWhenDue(Session& session, DayNumber today,
                               const std::function<void(const std::string&)>& progress)
{
    if (!session.archive().historyRebuildDue())
        return;
    if (!session.access().mayChangeNow() || !session.access().requestChangeAccess())
        return;
    session.archive().rebuildHistoryLogs(session.schedule(), today, progress);
}

} // namespace zk
